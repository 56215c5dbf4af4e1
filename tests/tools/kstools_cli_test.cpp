// kstools strings, match, settings, date and store: text and JSON output and what they change.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include <nlohmann/json.hpp>

#include "platform/base/last_error.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "tests/support/kstools_home.h"

namespace {

class KstoolsCli : public KstoolsHome {};

TEST_F(KstoolsCli, StringsAndMatchAsTextAndJson)
{
    auto strings = Run({"strings", "42358", "42119"});
    ASSERT_EQ(strings.exitCode, 0) << strings.err;
    EXPECT_EQ(strings.out.rfind("42358\tNone\n42119\t", 0), 0u) << strings.out;
    EXPECT_EQ(nlohmann::json::parse(Run({"strings", "--json", "42358"}).out)["42358"], "None");

    auto match = Run({"match", "*.bmp", "a.bmp", "b.txt", ".bmp"});
    EXPECT_EQ(match.exitCode, 0);
    EXPECT_EQ(match.out, "match\ta.bmp\nno match\tb.txt\nno match\t.bmp\n");
    auto none = Run({"match", "a\\*c", "abc"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "no match\tabc\n");
    EXPECT_EQ(nlohmann::json::parse(Run({"match", "--json", "a?c", "abc", "ac"}).out),
              nlohmann::json::parse(R"({"pattern": "a?c",
                  "results": [{"text": "abc", "match": true}, {"text": "ac", "match": false}]})"));
}

// ---- kstools settings ------------------------------------------------------

using Strings = std::vector<std::string>;

class KstoolsSettings : public KstoolsHome {
protected:
    kstest::ChildResult Run(Strings args)
    {
        args.insert(args.begin(), "settings");
        return KstoolsHome::Run(args);
    }
    void SetAll(const std::vector<Strings>& all)
    {
        for (Strings args : all) {
            args.insert(args.begin(), "set");
            auto r = Run(args);
            EXPECT_EQ(r.exitCode, 0) << args[1] << " " << args[2] << ": " << r.err;
        }
    }
    std::string Get(Strings args)
    {
        args.insert(args.begin(), "get");
        auto r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    std::filesystem::path SettingsFile() const
    {
        return HomeDir() / "device" / "Application Data" / "Corvid" / "Settings.txt";
    }
};

const std::string kTV = "HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV";

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-8 text as a settings file holds it: FF FE and UTF-16 little-endian.
std::string Utf16File(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : Utf8ToWide(text)) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

TEST_F(KstoolsSettings, SetGetDeleteRoundTripInTheSettingsFileAndTheRegistry)
{
    SetAll({{kTV, "Name", "a = \"b\""},
            {kTV, "Count", "DWORD:1a"},
            {kTV, "Width", "--number", "4294967295"},
            {kTV, "@", "default"},
            {kTV + "\\GroupState", "Open", "dword:0x2A"},
            {kTV + "X", "Other", "x"},
            {kTV, "Raw", "--string", "dword:1a"}});
    EXPECT_EQ(Get({kTV, "Raw"}), "dword:1a\n") << "a string, also when the file is read again";
    EXPECT_EQ(Get({kTV, "name"}), "a = \"b\"\n");
    EXPECT_EQ(Get({kTV, "Count"}), "26\n");
    EXPECT_EQ(Get({kTV, "Width"}), "4294967295\n");
    EXPECT_EQ(Get({kTV, "@"}), "default\n");
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));

    ASSERT_EQ(Run({"delete", kTV, "Count"}).exitCode, 0);
    auto gone = Run({"get", kTV, "Count"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "kstools: no value Count in " + kTV + "\n");
    EXPECT_EQ(Get({kTV, "Name"}), "a = \"b\"\n");

    // The key goes with the keys below it, but not with a key that merely shares its beginning.
    ASSERT_EQ(Run({"delete", kTV}).exitCode, 0);
    EXPECT_EQ(Run({"get", kTV, "Name"}).exitCode, 1);
    EXPECT_EQ(Run({"get", kTV + "\\GroupState", "Open"}).exitCode, 1);
    EXPECT_EQ(Get({kTV + "X", "Other"}), "x\n");

    SetAll({{"--registry", kTV, "Count", "dword:1A"},
            {"--registry", kTV, "@", "default"},
            {"--registry", kTV + "\\GroupState", "Open", "--number", "7"}});
    EXPECT_EQ(Get({"--registry", kTV, "Count"}), "26\n");
    EXPECT_EQ(Get({"--registry", kTV, "@"}), "default\n");
    EXPECT_EQ(Run({"get", kTV, "Count"}).exitCode, 1) << "the registry and the settings file are separate stores";

    ASSERT_EQ(Run({"delete", "--registry", kTV, "Count"}).exitCode, 0);
    EXPECT_EQ(Run({"get", "--registry", kTV, "Count"}).exitCode, 1);
    EXPECT_EQ(Run({"delete", "--registry", kTV, "Count"}).exitCode, 1);
    ASSERT_EQ(Run({"delete", "--registry", kTV}).exitCode, 0);
    gone = Run({"get", "--registry", kTV + "\\GroupState", "Open"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "kstools: no key " + kTV + "\\GroupState in the registry\n");
}

TEST_F(KstoolsSettings, LongStringsAndNamesComeBackWholeAndKeysMayOmitTheRoot)
{
    const std::string text = std::string(5000, 'x') + "end";
    for (std::string store : {"--file=" + (HomeDir() / "long.txt").string(), std::string("--registry")}) {
        SetAll({{store, kTV, "Long", text}});
        EXPECT_EQ(Get({store, kTV, "Long"}), text + "\n") << store;
    }
    // A file's value names may be longer than a registry's (folder paths, for one).
    const std::string name(300, 'n');
    SetAll({{kTV, name, "dword:1"},
            {"Software/Corvid/X/", "N", "v"},
            {"--registry", "HKEY_LOCAL_MACHINE\\Software\\Y", "N", "m"}});
    auto dump = Run({"dump", "--json", kTV});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(nlohmann::json::parse(dump.out)[kTV][name], 1) << dump.out;
    // Without a root a key lies under HKEY_CURRENT_USER; slashes separate, case does not matter.
    EXPECT_EQ(Get({"HKEY_CURRENT_USER\\Software\\Corvid\\X", "N"}), "v\n");
    EXPECT_EQ(Get({"hkey_current_user/software/corvid/x", "n"}), "v\n");
    EXPECT_EQ(Run({"get", "--registry", "Software\\Y", "N"}).exitCode, 1);
    EXPECT_EQ(Get({"--registry", "HKEY_LOCAL_MACHINE/Software/Y", "N"}), "m\n");
}

// A hand-written file: an empty section, one without a root name, a sibling key.
const std::string kHandWritten =
    "[HKEY_CURRENT_USER\\Software\\A]\r\n"
    "\"Name\"=\"a=b \"c\"\"\r\n"
    "  Count=DWORD:0000002a  \n"
    "@=\"default\"\n"
    "[HKEY_CURRENT_USER\\Empty]\n"
    "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n"
    "\"Text\"=\"caf\xC3\xA9\"\n"
    "[HKEY_CURRENT_USER\\Software\\AB]\n"
    "\"Sibling\"=dword:1\n"
    "[Other]\n"
    "x=\"1\"\n";

TEST_F(KstoolsSettings, DumpPrintsAHandWrittenFileInTheFileFormatOrAsTypedJson)
{
    const std::string file = (HomeDir() / "hand.txt").string();
    WriteBytes(file, Utf16File(kHandWritten));
    auto all = Run({"dump", "--file", file});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out,
              "\n"
              "[HKEY_CURRENT_USER\\Software\\A]\n\"Name\"=\"a=b \"c\"\"\n\"Count\"=dword:0000002A\n@=\"default\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n\"Text\"=\"caf\xC3\xA9\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\AB]\n\"Sibling\"=dword:00000001\n\n"
              "[Other]\n\"x\"=\"1\"\n\n");
    // A key's tree: the key and the keys below it, not a key that shares its beginning.
    auto tree = Run({"dump", "--file", file, "Software/A"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_EQ(tree.out, all.out.substr(0, all.out.find("[HKEY_CURRENT_USER\\Software\\AB]")));

    auto r = Run({"dump", "--json", "--file", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"({
        "HKEY_CURRENT_USER\\Software\\A": {"Name": "a=b \"c\"", "Count": 42, "@": "default"},
        "HKEY_CURRENT_USER\\Software\\A\\Sub": {"Text": "caf\u00e9"},
        "HKEY_CURRENT_USER\\Software\\AB": {"Sibling": 1}, "Other": {"x": "1"}})"));
    EXPECT_EQ(nlohmann::json::parse(Get({"--json", "--file", file, "Software\\A", "Count"})),
              nlohmann::json::parse(R"({"key": "HKEY_CURRENT_USER\\Software\\A", "name": "Count", "value": 42})"));
    EXPECT_EQ(nlohmann::json::parse(Get({"--json", "--file", file, "Software\\A", "Name"}))["value"], "a=b \"c\"");
}

TEST_F(KstoolsSettings, ExportThenImportCarriesAKeyTreeIntoTheRegistry)
{
    SetAll({{kTV, "Name", "tasks"},
            {kTV + "\\GroupState", "Open", "dword:3"},
            {"Software\\Corvid\\Kestrel\\CV", "Name", "contacts"}});
    // An existing target keeps what it holds.
    const auto exported = HomeDir() / "tv.reg";
    WriteBytes(exported, Utf16File("[HKEY_CURRENT_USER\\Kept]\r\n\"K\"=\"k\"\r\n"));
    auto out = Run({"export", kTV, exported.string()});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(ReadBytes(exported).substr(0, 2), "\xFF\xFE");

    auto in = Run({"import", "--registry", exported.string()});
    ASSERT_EQ(in.exitCode, 0) << in.err;
    EXPECT_EQ(Get({"--registry", kTV, "Name"}), "tasks\n");
    EXPECT_EQ(Get({"--registry", kTV + "\\GroupState", "Open"}), "3\n");
    EXPECT_EQ(Get({"--registry", "Kept", "K"}), "k\n");
    EXPECT_EQ(Run({"get", "--registry", "Software\\Corvid\\Kestrel\\CV", "Name"}).exitCode, 1);

    // Back out of the registry: the exported file dumps as the registry's keys do.
    const auto back = HomeDir() / "back.reg";
    ASSERT_EQ(Run({"export", "--registry", kTV, back.string()}).exitCode, 0);
    auto fromFile = Run({"dump", "--file", back.string()});
    auto fromRegistry = Run({"dump", "--registry", kTV});
    ASSERT_EQ(fromRegistry.exitCode, 0) << fromRegistry.err;
    EXPECT_EQ(fromFile.out, fromRegistry.out);
    EXPECT_NE(fromFile.out.find("[" + kTV + "\\GroupState]\n\"Open\"=dword:00000003\n"), std::string::npos)
        << fromFile.out;
}

TEST_F(KstoolsSettings, AFileOfThisComputerIsChangedInPlace)
{
    const auto file = HomeDir() / "other.txt";
    WriteBytes(file, Utf16File("[HKEY_CURRENT_USER\\Kept]\r\n\"K\"=dword:00000001\r\n"));
    SetAll({{"--file", file.string(), "Software\\New", "N", "v"}});
    ASSERT_EQ(Run({"delete", "--file", file.string(), "Kept", "K"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(file), Utf16File("\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\"N\"=\"v\"\r\n\r\n"));

    const auto created = HomeDir() / "created.txt";
    ASSERT_EQ(Run({"import", "--file", created.string(), file.string()}).exitCode, 0);
    EXPECT_EQ(Get({"--file", created.string(), "Software\\New", "N"}), "v\n");
    // The default settings file was not touched, and no scratch copy stays behind.
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
    EXPECT_FALSE(std::filesystem::exists(HomeDir() / "device" / "Temp"));

    // A device path names a file of the device folder; %s is the suite's data directory.
    SetAll({{"--file", "%s\\Corvid\\Views.reg", "V", "N", "dword:5"}});
    EXPECT_EQ(ReadBytes(SettingsFile().parent_path() / "Views.reg"),
              Utf16File("\r\n[HKEY_CURRENT_USER\\V]\r\n\"N\"=dword:00000005\r\n\r\n"));
    EXPECT_EQ(Get({"--file", "\\Application Data\\Corvid\\Views.reg", "V", "N"}), "5\n");
}

// ---- kstools date ----------------------------------------------------------

// The clock, the locale and the device zone (New York) are pinned.
class KstoolsDate : public KstoolsHome {
protected:
    kstest::ChildResult Run(Strings args, const std::string& locale = "en-US",
                            const std::string& now = "2024-06-01T12:00")
    {
        args.insert(args.begin(), {"--now", now, "--locale", locale, "date"});
        return KstoolsHome::Run(args, {{"TZ", "America/New_York"}});
    }
    std::string Out(Strings args, const std::string& locale = "en-US")
    {
        auto r = Run(args, locale);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    nlohmann::json Json(Strings args)
    {
        args.push_back("--json");
        return nlohmann::json::parse(Out(args));
    }
};

TEST_F(KstoolsDate, NowIsThePinnedWallClockTimeOfTheDeviceZone)
{
    // The UTC time and the zone's name follow the offset in force at the pinned time (summer here, winter below).
    EXPECT_EQ(nlohmann::json::parse(Run({"now", "--json"}, "en-US", "2024-03-10T03:30").out),
              nlohmann::json::parse(R"({"local": "2024-03-10T03:30:00", "utc": "2024-03-10T07:30:00",
                  "zone": "America/New_York", "zoneName": "Eastern Daylight Time", "utcOffsetMinutes": -240,
                  "daylight": true, "week": 10, "pinned": true})"));
    auto text = Run({"now"}, "en-US", "2025-01-01T09:00");
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out,
              "local: 2025-01-01T09:00:00 (pinned)\nutc: 2025-01-01T14:00:00\n"
              "zone: America/New_York (Eastern Standard Time, UTC-05:00)\nweek: 1\n");
}

// Each option reaches its formatter (the formats are the locale's tests).
TEST_F(KstoolsDate, FormatWeekAndDurationFollowTheirOptions)
{
    const std::string when = "2024-03-05T14:07:09", date = "2024-03-05";
    const struct {
        Strings args;
        std::string locale, out;
    } cases[] = {
        {{"format", when}, "en-US", "3/5/2024 2:07:09 PM\n"},
        {{"format", when}, "de-DE", "05.03.2024 14:07:09\n"},
        {{"format", "2024-03-05 09:07", "--no-seconds"}, "en-US", "3/5/2024 9:07 AM\n"},
        {{"format", date}, "en-US", "3/5/2024\n"},
        {{"format"}, "en-US", "6/1/2024 12:00:00 PM\n"},  // the pinned now
        {{"format", date, "--long"}, "en-US", "Tuesday, March 5, 2024\n"},
        {{"format", date, "--long-abbrev"}, "en-US", "Tue, March 5, 2024\n"},
        {{"format", date, "--mid"}, "en-US", "Tue, Mar 5, 2024\n"},
        {{"format", "1999-03-05", "--short"}, "en-US", "3/5/1999\n"},
        {{"format", when, "--picture", "dddd, MMMM d, yyyy", "--time-picture", "hh:mm:ss tt"},
         "en-US",
         "Tuesday, March 5, 2024 02:07:09 PM\n"},
        {{"format", when, "--time-picture", "h:mm:ss t", "--no-seconds"}, "en-US", "2:07 P\n"},
        {{"week", "2024-12-30"}, "en-US", "1\n"},
        {{"duration", "125"}, "en-US", "2 hours 5 minutes\n"},
        {{"duration", "--days", "1500"}, "en-US", "(1 day) 1 hour\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Out(c.args, c.locale), c.out) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(Json({"week", "2020-12-31"}), nlohmann::json::parse(R"({"date": "2020-12-31", "week": 53})"));
}

TEST_F(KstoolsDate, ParseTimeReadsTypedTimesAndExplainsFailures)
{
    auto ok = Run({"parse-time", "9:30", "2:30 PM", "1430", "12"});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "09:30\t9:30\n14:30\t2:30 PM\n14:30\t1430\n00:00\t12\n");

    auto bad = Run({"parse-time", "8:15", "lunch", "25:00"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out.substr(0, bad.out.find('\n')), "08:15\t8:15");
    EXPECT_NE(bad.out.find("error 0x80020008"), std::string::npos) << bad.out;
    EXPECT_NE(bad.out.find("\tlunch\n"), std::string::npos) << bad.out;
    EXPECT_NE(bad.out.find("impossible time"), std::string::npos) << bad.out;

    EXPECT_EQ(nlohmann::json::parse(Run({"parse-time", "--json", "", "6:45 pm"}).out), nlohmann::json::parse(R"([
        {"text": "", "error": "0x80020005", "message": "type mismatch: the text is empty or not a time"},
        {"text": "6:45 pm", "time": "18:45", "fraction": 0.78125}])"));

    // The general reader needs the minutes but takes a designator alone.
    auto variant = Run({"parse-time", "--variant", "9 PM", "1430"});
    EXPECT_EQ(variant.exitCode, 1);
    EXPECT_EQ(variant.out.substr(0, variant.out.find('\n')), "21:00\t9 PM");
}

// The zone record with its rules in words, and the list of zones.
TEST_F(KstoolsDate, ZoneRecordsAndTheListOfZones)
{
    const auto newYork = nlohmann::json::parse(R"({"zone": "America/New_York", "Bias": 300, "StandardBias": 0,
        "StandardName": "Eastern Standard Time", "DaylightName": "Eastern Daylight Time", "DaylightBias": -60,
        "StandardDate": {"wYear": 0, "wMonth": 11, "wDayOfWeek": 0, "wDay": 1, "wHour": 2, "wMinute": 0,
            "wSecond": 0, "text": "1st Sunday of November at 02:00"},
        "DaylightDate": {"wYear": 0, "wMonth": 3, "wDayOfWeek": 0, "wDay": 2, "wHour": 2, "wMinute": 0,
            "wSecond": 0, "text": "2nd Sunday of March at 02:00"}, "daylightNow": true})");
    EXPECT_EQ(Json({"zone", "America/New_York"}), newYork);
    EXPECT_EQ(Json({"zone", "Eastern Standard Time"}), newYork);
    EXPECT_EQ(Json({"zone"}), newYork) << "the device zone";
    EXPECT_EQ(Out({"zone"}),
              "zone: America/New_York\nbias: 300 (UTC-05:00)\nstandard name: Eastern Standard Time\n"
              "standard bias: 0\nstandard time from: 1st Sunday of November at 02:00\n"
              "daylight name: Eastern Daylight Time\ndaylight bias: -60\n"
              "daylight time from: 2nd Sunday of March at 02:00\nnow: daylight time\n");

    auto india = Json({"zone", "Asia/Kolkata"});
    EXPECT_EQ(india["Bias"], -330);
    EXPECT_EQ(india["StandardDate"]["text"], "none");
    EXPECT_NE(Out({"zone", "Asia/Kolkata"}).find("bias: -330 (UTC+05:30)\n"), std::string::npos);

    // The list of every zone (its entries and their order are the zone rules').
    auto j = Json({"zones"});
    ASSERT_GT(j.size(), 100u);
    auto eastern = std::find_if(
        j.begin(), j.end(), [](const nlohmann::json& zone) { return zone["standardName"] == "Eastern Standard Time"; });
    ASSERT_NE(eastern, j.end());
    EXPECT_EQ((*eastern)["offsetMinutes"], -300);
    const std::string text = Out({"zones"});
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), j.size());
    EXPECT_NE(text.find("UTC+05:30\tIndia Standard Time\t"), std::string::npos);
}

// Each way of naming the two sides (the conversions are the zone rules' tests).
TEST_F(KstoolsDate, ConvertBetweenZonesNamedEitherWay)
{
    const std::pair<Strings, std::string> cases[] = {
        {{"2024-03-10T03:00", "--from", "America/New_York", "--to-utc"},
         "2024-03-10T07:00:00 UTC (Coordinated Universal Time)\n"},
        {{"2024-11-03T05:30", "--from-utc", "--to", "America/New_York"},
         "2024-11-03T01:30:00 America/New_York (Eastern Daylight Time)\n"},
        {{"2024-04-02T12:00", "--from", "Eastern Standard Time", "--to", "W. Europe Standard Time"},
         "2024-04-02T18:00:00 Europe/Berlin (W. Europe Daylight Time)\n"},
    };
    for (auto [args, out] : cases) {
        args.insert(args.begin(), "convert");
        EXPECT_EQ(Out(args), out) << args[1];
    }
    // A time the clocks skip is read with the standard bias, and said so.
    auto skipped = Run({"convert", "2024-03-10T02:30", "--from", "America/New_York", "--to-utc", "--json"});
    ASSERT_EQ(skipped.exitCode, 0) << skipped.err;
    EXPECT_EQ(nlohmann::json::parse(skipped.out), nlohmann::json::parse(R"({
        "from": {"zone": "America/New_York", "time": "2024-03-10T02:30:00", "daylight": false,
                 "name": "Eastern Standard Time", "skipped": true},
        "utc": "2024-03-10T07:30:00",
        "to": {"zone": "UTC", "time": "2024-03-10T07:30:00", "daylight": false,
               "name": "Coordinated Universal Time"}})"));
    EXPECT_NE(skipped.err.find("does not occur"), std::string::npos) << skipped.err;
}

// ---- kstools store ---------------------------------------------------------

// The test builds its databases in this process and closes the store before the tool runs.
class KstoolsStore : public KstoolsHome {
protected:
    kstest::ChildResult Run(std::vector<std::string> args)
    {
        platform::CloseObjectStore();
        args.insert(args.begin(), "store");
        return KstoolsHome::Run(args);
    }
    nlohmann::json Json(std::vector<std::string> args)
    {
        args.push_back("--json");
        return JsonOf(Run(args));
    }

    static CEOID CreateDb(const char16_t* name, DWORD type, std::vector<SORTORDERSPEC> sorts, CEGUID* volume = nullptr)
    {
        CEDBASEINFO info{};
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
        std::u16string(name).copy(info.szDbaseName, CEDB_MAXDBASENAMELEN - 1);
        info.dwDbaseType = type;
        info.wNumSortOrder = static_cast<WORD>(sorts.size());
        std::copy(sorts.begin(), sorts.end(), info.rgSortSpecs);
        CEOID oid = CeCreateDatabaseEx(volume, &info);
        EXPECT_NE(oid, 0u) << GetLastError();
        return oid;
    }
    static CEOID Write(CEOID db, std::vector<CEPROPVAL> props, CEGUID* volume = nullptr)
    {
        HANDLE h = CeOpenDatabaseEx(volume, &db, nullptr, 0, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CEOID oid = CeWriteRecordProps(h, 0, static_cast<WORD>(props.size()), props.data());
        EXPECT_NE(oid, 0u) << GetLastError();
        CloseHandle(h);
        return oid;
    }
    static CEPROPVAL Text(WORD id, const char16_t* text) { return kstest::Prop(MAKEPROPID(id, CEVT_LPWSTR), text); }
    static CEPROPVAL Long(WORD id, LONG value) { return kstest::Prop(MAKEPROPID(id, CEVT_I4), value); }
};

constexpr CEPROPID kTitle = MAKEPROPID(1, CEVT_LPWSTR);

TEST_F(KstoolsStore, InfoListsDatabasesWithCountsAndSortOrders)
{
    CEOID tasks = CreateDb(u"Tasks", 7,
                           {{kTitle, CEDB_SORT_DESCENDING | CEDB_SORT_CASEINSENSITIVE}, {MAKEPROPID(2, CEVT_I4), 0}});
    CEOID empty = CreateDb(u"Empty", 0, {});
    for (const char16_t* title : {u"a", u"b", u"c"}) Write(tasks, {Text(1, title)});

    auto r = Run({"info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(platform::ObjectStorePath()), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(PropidText(tasks) + "  Tasks"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("type 7, 3 records"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sort orders: " + PropidText(kTitle) + " descending case-insensitive; " +
                         PropidText(MAKEPROPID(2, CEVT_I4)) + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(PropidText(empty) + "  Empty"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sort orders: none"), std::string::npos) << r.out;

    auto j = Json({"info"});
    ASSERT_EQ(j["volumes"].size(), 1u);
    auto& dbs = j["volumes"][0]["databases"];
    ASSERT_EQ(dbs.size(), 2u);
    auto& t = dbs[0]["name"] == "Tasks" ? dbs[0] : dbs[1];
    EXPECT_EQ(t["oid"], PropidText(tasks));
    EXPECT_EQ(t["type"], 7);
    EXPECT_EQ(t["records"], 3);
    EXPECT_TRUE(t["bytes"].is_number_unsigned());
    auto sorts = nlohmann::json::parse(R"([{"flags": ["descending", "case-insensitive"]}, {"flags": []}])");
    sorts[0]["propid"] = PropidText(kTitle);
    sorts[1]["propid"] = PropidText(MAKEPROPID(2, CEVT_I4));
    EXPECT_EQ(t["sortOrders"], sorts);
    const std::string modified = t["lastModified"];
    EXPECT_TRUE(std::regex_match(modified, std::regex(R"(20\d\d-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?Z)"))) << modified;
}

TEST_F(KstoolsStore, DumpReadsEveryRecordInTheFirstSortOrderWithTypedValues)
{
    CEOID db = CreateDb(u"Mixed", 0, {{kTitle, CEDB_SORT_CASEINSENSITIVE}});
    BYTE bytes[] = {0x00, 0xFF, 0x10};
    std::vector<CEPROPVAL> all(9);
    all[0] = Text(1, u"Émile \"quoted\"");
    all[1].propid = MAKEPROPID(2, CEVT_I2), all[1].val.iVal = -7;
    all[2] = Long(3, -100000);
    all[3].propid = MAKEPROPID(4, CEVT_R8), all[3].val.dblVal = 0.1;
    all[4].propid = MAKEPROPID(5, CEVT_BOOL), all[4].val.boolVal = TRUE;
    all[5].propid = MAKEPROPID(6, CEVT_UI2), all[5].val.uiVal = 65535;
    all[6].propid = MAKEPROPID(7, CEVT_UI4), all[6].val.ulVal = 4000000000u;
    SYSTEMTIME leapDay{2024, 2, 0, 29, 12, 34, 56, 0};
    all[7].propid = MAKEPROPID(8, CEVT_FILETIME);
    SystemTimeToFileTime(&leapDay, &all[7].val.filetime);
    all[8].propid = MAKEPROPID(9, CEVT_BLOB), all[8].val.blob = {sizeof bytes, bytes};
    // Written out of order: the dump follows the sort order, not the OIDs.
    CEOID last = Write(db, {Text(1, u"zebra"), Long(3, 1)});
    CEOID middle = Write(db, all);
    CEPROPVAL late{MAKEPROPID(8, CEVT_FILETIME), 0, 0, {}};
    late.val.filetime = {0x00000001, 0x80000000};  // past any date
    CEOID first = Write(db, {Text(1, u"apple"), late, Long(8, 5)});

    auto j = Json({"dump", "mixed"});
    EXPECT_EQ(j["database"], "Mixed");
    EXPECT_EQ(j["oid"], PropidText(db));
    EXPECT_EQ(j["sortOrder"]["propid"], PropidText(kTitle));
    auto& records = j["records"];
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["oid"], PropidText(first));
    EXPECT_EQ(records[1]["oid"], PropidText(middle));
    EXPECT_EQ(records[2]["oid"], PropidText(last));

    auto expected = nlohmann::json::parse(R"([{"type": "LPWSTR", "value": "Émile \"quoted\""},
        {"type": "I2", "value": -7}, {"type": "I4", "value": -100000}, {"type": "R8", "value": 0.1},
        {"type": "BOOL", "value": true}, {"type": "UI2", "value": 65535}, {"type": "UI4", "value": 4000000000},
        {"type": "FILETIME", "value": "2024-02-29T12:34:56Z"}, {"type": "BLOB", "value": "00FF10"}])");
    const WORD types[] = {CEVT_LPWSTR, CEVT_I2,  CEVT_I4,       CEVT_R8,  CEVT_BOOL,
                          CEVT_UI2,    CEVT_UI4, CEVT_FILETIME, CEVT_BLOB};
    for (WORD i = 0; i < 9; ++i) expected[i]["propid"] = PropidText(MAKEPROPID(i + 1, types[i]));
    EXPECT_EQ(records[1]["properties"], expected);
    // One number, two types: both properties, each with its own type.
    auto& apple = records[0]["properties"];
    ASSERT_EQ(apple.size(), 3u) << apple.dump();
    EXPECT_EQ(apple[1]["value"], "0x8000000000000001") << "no date: the raw value";
    EXPECT_EQ(apple[2]["propid"], PropidText(MAKEPROPID(8, CEVT_I4)));
    EXPECT_EQ(apple[2]["value"], 5);

    auto text = Run({"dump", "Mixed"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_LT(text.out.find("\"apple\""), text.out.find("\"zebra\""));
    EXPECT_NE(text.out.find(PropidText(kTitle) + "  LPWSTR    \"Émile \\\"quoted\\\"\"\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(PropidText(MAKEPROPID(4, CEVT_R8)) + "  R8        0.1\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(PropidText(MAKEPROPID(9, CEVT_BLOB)) + "  BLOB      00 FF 10\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("2024-02-29T12:34:56Z"), std::string::npos);
    EXPECT_NE(text.out.find("3 records"), std::string::npos);

    // A descending order, and fractions of seconds.
    CEPROPID when = MAKEPROPID(3, CEVT_FILETIME);
    CEOID times = CreateDb(u"Times", 0, {{when, CEDB_SORT_DESCENDING}, {kTitle, 0}});
    CEPROPVAL t{when, 0, 0, {}};
    SYSTEMTIME st{2001, 1, 0, 2, 3, 4, 5, 250};
    SystemTimeToFileTime(&st, &t.val.filetime);
    CEOID older = Write(times, {t});
    t.val.filetime.dwLowDateTime += 1;  // 100 ns later
    CEOID newer = Write(times, {t});
    auto byTime = Json({"dump", "Times"});
    ASSERT_EQ(byTime["records"].size(), 2u);
    EXPECT_EQ(byTime["records"][0]["oid"], PropidText(newer));
    EXPECT_EQ(byTime["records"][0]["properties"][0]["value"], "2001-01-02T03:04:05.2500001Z");
    EXPECT_EQ(byTime["records"][1]["oid"], PropidText(older));
    EXPECT_EQ(byTime["records"][1]["properties"][0]["value"], "2001-01-02T03:04:05.25Z");
}

TEST_F(KstoolsStore, AVolumeIsShownBesideTheObjectStoreAndDumpedOnRequest)
{
    std::filesystem::create_directories(HomeDir() / "device" / "Cards");
    CEGUID volume{};
    ASSERT_TRUE(CeMountDBVol(&volume, u"\\Cards\\cards.vol", CEDB_OPEN_ALWAYS)) << GetLastError();
    CEOID onVolume = CreateDb(u"Cards", 3, {{kTitle, 0}}, &volume);
    Write(onVolume, {Text(1, u"on the card")}, &volume);
    CreateDb(u"Local", 0, {});

    auto j = Json({"info", "--volume", "\\cards\\CARDS.vol"});
    ASSERT_EQ(j["volumes"].size(), 2u);
    EXPECT_EQ(j["volumes"][0]["volume"], "object store");
    ASSERT_EQ(j["volumes"][0]["databases"].size(), 1u);
    EXPECT_EQ(j["volumes"][0]["databases"][0]["name"], "Local");
    EXPECT_EQ(j["volumes"][1]["volume"], "\\cards\\CARDS.vol");
    EXPECT_EQ(j["volumes"][1]["file"], (HomeDir() / "device" / "Cards" / "cards.vol").string());
    ASSERT_EQ(j["volumes"][1]["databases"].size(), 1u);
    EXPECT_EQ(j["volumes"][1]["databases"][0]["oid"], PropidText(onVolume));
    EXPECT_EQ(j["volumes"][1]["databases"][0]["records"], 1);

    auto dump = Json({"dump", "Cards", "--volume", "\\Cards\\cards.vol"});
    ASSERT_EQ(dump["records"].size(), 1u);
    EXPECT_EQ(dump["records"][0]["properties"][0]["value"], "on the card");
    auto notHere = Run({"dump", "Cards"});
    EXPECT_EQ(notHere.exitCode, 1);
    EXPECT_NE(notHere.err.find("no database Cards"), std::string::npos) << notHere.err;
    auto check = Run({"check", "--volume", "\\Cards\\cards.vol"});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("1 databases, 1 records: ok"), std::string::npos) << check.out;
}

TEST_F(KstoolsStore, CheckPassesAHealthyStoreAndFailsATamperedOne)
{
    CEOID db = CreateDb(u"Notes", 0, {{kTitle, 0}});
    CEOID kept = Write(db, {Text(1, u"kept")});
    CEOID broken = Write(db, {Text(1, u"broken")});
    Write(db, {Text(1, u"last")});
    auto healthy = Run({"check"});
    EXPECT_EQ(healthy.exitCode, 0) << healthy.out << healthy.err;
    EXPECT_NE(healthy.out.find(": ok"), std::string::npos) << healthy.out;
    EXPECT_TRUE(healthy.err.empty()) << healthy.err;

    kstest::TamperObjectStore("UPDATE records SET props = X'01' WHERE oid = " + std::to_string(broken));
    auto damaged = Run({"check"});
    EXPECT_EQ(damaged.exitCode, 1) << damaged.out;
    EXPECT_NE(damaged.out.find("problems"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.err.find("kstools: the object store is damaged"), std::string::npos) << damaged.err;

    // The dump names the damaged record, goes on past it and fails at the end.
    auto j = Run({"dump", "Notes", "--json"});
    EXPECT_EQ(j.exitCode, 1);
    EXPECT_NE(j.err.find("1 damaged records"), std::string::npos) << j.err;
    auto records = nlohmann::json::parse(j.out)["records"];
    ASSERT_EQ(records.size(), 3u) << records.dump();
    EXPECT_EQ(records[0]["oid"], PropidText(broken));
    EXPECT_EQ(records[0]["damaged"], true);
    EXPECT_EQ(records[1]["oid"], PropidText(kept));
    EXPECT_EQ(records[2]["properties"][0]["value"], "last");
}

TEST_F(KstoolsStore, AddSampleMakesEveryValueTypeOnceOnly)
{
    auto first = Run({"add-sample"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("created Sample Database"), std::string::npos) << first.out;
    auto again = Run({"add-sample"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("already exists"), std::string::npos) << again.out;

    EXPECT_EQ(Json({"info"})["volumes"][0]["databases"].size(), 1u);
    std::set<std::string> types;
    auto dump = Json({"dump", "Sample Database"});
    for (auto& record : dump["records"])
        for (auto& p : record["properties"]) types.insert(p["type"].get<std::string>());
    EXPECT_EQ(types, (std::set<std::string>{"I2", "I4", "R8", "BOOL", "UI2", "UI4", "LPWSTR", "FILETIME", "BLOB"}));
    EXPECT_EQ(Run({"check"}).exitCode, 0);
}

}  // namespace
