// kstools date now|format|week|parse-time|zone|zones|convert|duration: the
// library's date, time and time-zone services, in the user's locale and with
// the (possibly pinned) clock.
//
// Sections: Shared; date now; date format; date week; date parse-time; date zone, date zones; date convert;
//   date duration; The command line.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/duration_text.h"
#include "foundation/locale_patterns.h"
#include "foundation/time_parsing.h"
#include "foundation/time_zone_list.h"
#include "foundation/time_zone_rules.h"
#include "foundation/week_number.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/date_format.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/zone_record.h"

namespace kstools {
namespace {

// ---- Shared ----

// A --now that the clock would silently ignore is a typing error.
void CheckPinnedNow(const CliContext& ctx)
{
    if (!ctx.now.empty() && !platform::ParsePinnedNow(ctx.now)) {
        throw CommandError("not a time for --now: '" + ctx.now + "' (expected YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS)",
                           kExitUsage);
    }
}

// The date typed, or now (with its time of day) when none was.
DateArgument DateOrNow(const std::string& text)
{
    if (!text.empty()) return ParseDateArgument(text);
    DateArgument now;
    GetLocalTime(&now.time);
    now.time.wMilliseconds = 0;
    now.hasTime = true;
    return now;
}

// ---- date now --------------------------------------------------------------

void RunNow(bool json)
{
    SYSTEMTIME local{}, utc{};
    GetLocalTime(&local);
    GetSystemTime(&utc);
    ZoneRecord zone = DeviceZoneRecord();
    const bool daylight = zone.state == TIME_ZONE_ID_DAYLIGHT;
    const std::string zoneName = WideToUtf8(daylight ? zone.tzi.DaylightName : zone.tzi.StandardName);
    const long offset = -static_cast<long>(zone.tzi.Bias + (daylight ? zone.tzi.DaylightBias : zone.tzi.StandardBias));
    const int week = weeknumber(local.wYear, local.wMonth, local.wDay);
    const bool pinned = platform::PinnedNow().has_value();
    if (json) {
        nlohmann::ordered_json out = {{"local", FormatIsoDateTime(local)},
                                      {"utc", FormatIsoDateTime(utc)},
                                      {"zone", zone.id},
                                      {"zoneName", zoneName},
                                      {"utcOffsetMinutes", offset},
                                      {"daylight", daylight},
                                      {"week", week},
                                      {"pinned", pinned}};
        std::puts(out.dump(2).c_str());
        return;
    }
    std::printf("local: %s%s\n", FormatIsoDateTime(local).c_str(), pinned ? " (pinned)" : "");
    std::printf("utc: %s\n", FormatIsoDateTime(utc).c_str());
    std::printf("zone: %s (%s, %s)\n", zone.id.c_str(), zoneName.c_str(), UtcOffsetText(offset).c_str());
    std::printf("week: %d\n", week);
}

// ---- date format -----------------------------------------------------------

struct FormatOptions {
    std::string date;
    std::string picture;
    std::string timePicture;
    bool longDate = false;
    bool shortDate = false;
    bool longAbbrev = false;
    bool mid = false;
    bool noSeconds = false;
};

// Calls a formatting function twice, for the size and for the text.
template <class Format>
std::string Formatted(Format format, const std::string& what)
{
    int size = format(nullptr, 0);
    std::u16string text(size > 0 ? static_cast<size_t>(size) : 0, u'\0');
    if (size <= 0 || format(text.data(), size) != size) {
        DWORD error = GetLastError();
        const char* why = error == ERROR_INVALID_FLAGS ? "invalid flags" : "invalid date, time or picture";
        throw CommandError("cannot write " + what + ": " + why + " (error " + std::to_string(error) + ")");
    }
    text.resize(static_cast<size_t>(size - 1));
    return WideToUtf8(text);
}

std::string DateWith(const SYSTEMTIME& time, const std::u16string* picture, DWORD flags)
{
    return Formatted(
        [&](LPWSTR out, int size) {
            return GetDateFormatW(LOCALE_USER_DEFAULT, flags, &time, picture ? picture->c_str() : nullptr, out, size);
        },
        "the date");
}

std::string TimeWith(const SYSTEMTIME& time, const std::u16string* picture, DWORD flags)
{
    return Formatted(
        [&](LPWSTR out, int size) {
            return GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &time, picture ? picture->c_str() : nullptr, out, size);
        },
        "the time");
}

using SuitePattern = int (*)(LCID, const SYSTEMTIME*, LPWSTR, int);

std::string DateWithSuitePattern(const SYSTEMTIME& time, SuitePattern pattern)
{
    return Formatted([&](LPWSTR out, int size) { return pattern(LOCALE_USER_DEFAULT, &time, out, size); }, "the date");
}

void RunFormat(const FormatOptions& options)
{
    const DateArgument date = DateOrNow(options.date);
    const SYSTEMTIME& t = date.time;
    const DWORD timeFlags = options.noSeconds ? TIME_NOSECONDS : 0;
    std::string text;
    if (options.longDate) {
        text = DateWithSuitePattern(t, &GetLongDateFormat);
    } else if (options.longAbbrev) {
        text = DateWithSuitePattern(t, &GetLongAbbrevDateFormat);
    } else if (options.mid) {
        text = DateWithSuitePattern(t, &GetMidSizeDateFormat);
    } else if (options.shortDate) {
        text = DateWithSuitePattern(t, &GetShortDateFormatWithFullYear);
    } else if (!options.picture.empty() || !options.timePicture.empty()) {
        const std::u16string picture = Utf8ToWide(options.picture);
        const std::u16string timePicture = Utf8ToWide(options.timePicture);
        if (!picture.empty()) text = DateWith(t, &picture, 0);
        if (!picture.empty() && !timePicture.empty()) text += ' ';
        if (!timePicture.empty()) text += TimeWith(t, &timePicture, timeFlags);
    } else {
        text = DateWith(t, nullptr, DATE_SHORTDATE);
        if (date.hasTime) text += ' ' + TimeWith(t, nullptr, timeFlags);
    }
    std::puts(text.c_str());
}

// ---- date week -------------------------------------------------------------

void RunWeek(const std::string& text, bool json)
{
    const SYSTEMTIME t = ParseDateArgument(text).time;
    const int week = weeknumber(t.wYear, t.wMonth, t.wDay);
    if (json) {
        nlohmann::ordered_json out = {{"date", FormatIsoDate(t)}, {"week", week}};
        std::puts(out.dump(2).c_str());
    } else {
        std::printf("%d\n", week);
    }
}

// ---- date parse-time -------------------------------------------------------

struct ParseTimeOptions {
    std::vector<std::string> texts;
    bool variant = false;
    bool json = false;
};

std::string HexCode(HRESULT code)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

std::string DescribeParseError(HRESULT code)
{
    switch (code) {
        case DISP_E_TYPEMISMATCH:
            return "type mismatch: the text is empty or not a time";
        case DISP_E_BADVARTYPE:
            return "bad time: no number in the text, or an impossible time of day";
        case DISP_E_OVERFLOW:
            return "overflow: the year is too large";
        case E_INVALIDARG:
            return "invalid argument";
        default:
            return "unexpected error";
    }
}

// "09:30", or "09:30:15" when the time has seconds.
std::string ClockText(DATE fraction)
{
    SYSTEMTIME t{};
    if (!VariantTimeToSystemTime(fraction, &t)) return "?";
    char text[32];
    if (t.wSecond != 0)
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    else
        std::snprintf(text, sizeof text, "%02u:%02u", t.wHour, t.wMinute);
    return text;
}

void RunParseTime(const ParseTimeOptions& options, CliContext& ctx)
{
    const DWORD flags = options.variant ? CORVID_TIME_VARIANT : CORVID_TIME_TYPED;
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    for (const std::string& text : options.texts) {
        const std::u16string wide = Utf8ToWide(text);
        DATE fraction = 0;
        const HRESULT result = CorvidDateFromString(wide.c_str(), flags, &fraction);
        if (result != S_OK) ctx.exitCode = kExitFailure;
        if (options.json) {
            nlohmann::ordered_json entry = {{"text", text}};
            if (result == S_OK) {
                entry["time"] = ClockText(fraction);
                entry["fraction"] = fraction;
            } else {
                entry["error"] = HexCode(result);
                entry["message"] = DescribeParseError(result);
            }
            results.push_back(std::move(entry));
        } else if (result == S_OK) {
            std::printf("%s\t%s\n", ClockText(fraction).c_str(), text.c_str());
        } else {
            std::printf("error %s (%s)\t%s\n", HexCode(result).c_str(), DescribeParseError(result).c_str(),
                        text.c_str());
        }
    }
    if (options.json) std::puts(results.dump(2).c_str());
}

// ---- date zone, date zones -------------------------------------------------

[[noreturn]] void UnknownZone(const std::string& name)
{
    throw CommandError("unknown time zone: '" + name +
                           "' (give a tz database name such as America/New_York or a Windows name such as "
                           "\"Eastern Standard Time\"; 'kstools date zones' lists the Windows names)",
                       kExitUsage);
}

ZoneRecord ZoneNamed(const std::string& name)
{
    std::optional<ZoneRecord> zone = NamedZoneRecord(name);
    if (!zone) UnknownZone(name);
    return *zone;
}

void RunZone(const std::string& name, bool json)
{
    const ZoneRecord zone = name.empty() ? DeviceZoneRecord() : ZoneNamed(name);
    if (json)
        std::puts(ZoneJson(zone).dump(2).c_str());
    else
        std::fputs(ZoneText(zone).c_str(), stdout);
}

void RunZones(bool json)
{
    int count = 0;
    TZData* zones = GetAllTimeZones(&count);
    if (!zones) throw CommandError("the time-zone list cannot be read");
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (int i = 0; i < count; ++i) {
        const TZData& zone = zones[i];
        const std::string display = WideToUtf8(zone.szDisplayName);
        const std::string standard = WideToUtf8(zone.szStandardName);
        if (json) {
            out.push_back({{"displayName", display},
                           {"standardName", standard},
                           {"daylightName", WideToUtf8(zone.szDaylightName)},
                           {"offsetMinutes", zone.lGMTOffset},
                           {"id", zone.id}});
        } else {
            std::printf("%s\t%s\t%s\n", UtcOffsetText(zone.lGMTOffset).c_str(), standard.c_str(), display.c_str());
        }
    }
    FreeAllTimeZones(zones, count);
    if (json) std::puts(out.dump(2).c_str());
}

// ---- date convert ----------------------------------------------------------

struct ConvertOptions {
    std::string time;
    std::string from;
    std::string to;
    bool fromUtc = false;
    bool toUtc = false;
    bool json = false;
};

bool SameWallClock(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

struct LocalReading {
    SYSTEMTIME utc{};
    bool daylight = false;
    bool skipped = false;  // the wall-clock time does not occur (spring forward)
};

std::uint64_t FileTimeOf(const SYSTEMTIME& time)
{
    FILETIME ft{};
    SystemTimeToFileTime(&time, &ft);
    return platform::FileTimeValue(ft);
}

// Whether the clocks jump over local when daylight time begins in its year:
// from the transition's wall-clock time up to the daylight saving later.
bool SkippedByTransition(const ZoneRecord& zone, const SYSTEMTIME& local)
{
    const LONG saving = -zone.tzi.DaylightBias;
    if (!zone.HasDaylightTime() || saving <= 0) return false;
    SYSTEMTIME start{};
    ConvertToAbsolute(local.wYear, &zone.tzi.DaylightDate, &start);
    start.wYear = local.wYear;  // an absolute rule applies in every year
    start.wSecond = start.wMilliseconds = 0;
    const std::uint64_t from = FileTimeOf(start);
    const std::uint64_t at = FileTimeOf(local);
    return from != 0 && at >= from && at < from + static_cast<std::uint64_t>(saving) * kFileTimeUnitsPerMinute;
}

// The UTC time of a wall-clock time of zone. A time the clocks skip is read
// with the standard bias, the one in force before it. Otherwise the bias is
// the one for which the zone's own UTC-to-local conversion gives the same
// wall-clock time back, daylight time first so that a time that occurs twice
// is taken at its first occurrence. The first instant of daylight time comes
// back from that conversion as the last of standard time, so it fits
// neither; it is daylight time.
LocalReading ReadLocal(const ZoneRecord& zone, const SYSTEMTIME& local)
{
    LocalReading reading;
    auto toUtc = [&](BOOL daylight) {
        SYSTEMTIME utc{};
        if (!CeTzSpecificLocalTimeToSystemTime(&zone.tzi, &local, daylight, &utc)) {
            throw CommandError("cannot convert " + FormatIsoDateTime(local) +
                               ": outside the dates the platform handles");
        }
        return utc;
    };
    if (SkippedByTransition(zone, local)) {
        reading.utc = toUtc(FALSE);
        reading.skipped = true;
        return reading;
    }
    for (BOOL daylight : {TRUE, FALSE}) {
        SYSTEMTIME utc = toUtc(daylight), back{};
        BOOL backDaylight = FALSE;
        CeSystemTimeToTzSpecificLocalTime(&zone.tzi, &utc, &back, &backDaylight);
        if (backDaylight == daylight && SameWallClock(back, local)) {
            reading.utc = utc;
            reading.daylight = daylight != FALSE;
            return reading;
        }
    }
    reading.utc = toUtc(TRUE);
    reading.daylight = true;
    return reading;
}

std::string ZoneNameAt(const ZoneRecord& zone, bool daylight)
{
    return WideToUtf8(daylight ? zone.tzi.DaylightName : zone.tzi.StandardName);
}

void RunConvert(const ConvertOptions& options)
{
    if (options.from.empty() == !options.fromUtc) {
        throw CommandError("give exactly one of --from ZONE and --from-utc", kExitUsage);
    }
    if (options.to.empty() == !options.toUtc)
        throw CommandError("give exactly one of --to ZONE and --to-utc", kExitUsage);
    const DateArgument time = ParseDateArgument(options.time);
    const ZoneRecord from = options.fromUtc ? UtcZoneRecord() : ZoneNamed(options.from);
    const ZoneRecord to = options.toUtc ? UtcZoneRecord() : ZoneNamed(options.to);

    const LocalReading reading = ReadLocal(from, time.time);
    if (reading.skipped) {
        std::fprintf(stderr,
                     "kstools: note: %s does not occur in %s (the clocks skip it); read with the standard bias\n",
                     FormatIsoDateTime(time.time).c_str(), from.id.c_str());
    }
    SYSTEMTIME result{};
    BOOL resultDaylight = FALSE;
    CeSystemTimeToTzSpecificLocalTime(&to.tzi, &reading.utc, &result, &resultDaylight);
    if (result.wYear < 1601)
        throw CommandError("cannot convert " + options.time + ": outside the dates the platform handles");

    if (options.json) {
        nlohmann::ordered_json out = {{"from",
                                       {{"zone", from.id},
                                        {"time", FormatIsoDateTime(time.time)},
                                        {"daylight", reading.daylight},
                                        {"name", ZoneNameAt(from, reading.daylight)},
                                        {"skipped", reading.skipped}}},
                                      {"utc", FormatIsoDateTime(reading.utc)},
                                      {"to",
                                       {{"zone", to.id},
                                        {"time", FormatIsoDateTime(result)},
                                        {"daylight", resultDaylight != FALSE},
                                        {"name", ZoneNameAt(to, resultDaylight)}}}};
        std::puts(out.dump(2).c_str());
    } else {
        std::printf("%s %s (%s)\n", FormatIsoDateTime(result).c_str(), to.id.c_str(),
                    ZoneNameAt(to, resultDaylight).c_str());
    }
}

// ---- date duration ---------------------------------------------------------

void RunDuration(int minutes, bool withDays)
{
    WCHAR text[256] = {};
    FormatDurationString(text, 256, minutes, withDays ? TRUE : FALSE);
    std::string line = WideToUtf8(text);
    // A part that is zero leaves its blank; the ends are trimmed for the terminal.
    const size_t first = line.find_first_not_of(' ');
    line = first == std::string::npos ? std::string() : line.substr(first, line.find_last_not_of(' ') - first + 1);
    std::puts(line.c_str());
}

// ---- The command line ----

// Every subcommand first checks the pinned clock it may read.
void OnDateRun(CliContext& ctx, CLI::App* command, std::function<void()> action)
{
    ctx.OnRun(command, [&ctx, action = std::move(action)] {
        CheckPinnedNow(ctx);
        action();
    });
}

void AddNow(CLI::App* date, CliContext& ctx)
{
    auto nowJson = std::make_shared<bool>(false);
    CLI::App* nowCmd = date->add_subcommand(
        "now",
        "Print the current local time, the UTC time, the device zone with its name and offset, and the ISO week");
    nowCmd->add_flag("--json", *nowJson,
                     "Print {local, utc, zone, zoneName, utcOffsetMinutes, daylight, week, pinned}");
    OnDateRun(ctx, nowCmd, [nowJson] { RunNow(*nowJson); });
}

void AddFormat(CLI::App* date, CliContext& ctx)
{
    auto format = std::make_shared<FormatOptions>();
    CLI::App* formatCmd = date->add_subcommand(
        "format",
        "Write DATE (default: now) in the user's locale: by default its short date, and the time when DATE has one; "
        "or through a picture (d dd ddd dddd M MM MMM MMMM y yy yyyy, 'quoted text'; times: h hh H HH m mm s ss t "
        "tt); or with one of the suite's date patterns");
    formatCmd->add_option("DATE", format->date, "YYYY-MM-DD[THH:MM[:SS]] (default: now)");
    CLI::Option* picture =
        formatCmd->add_option("--picture", format->picture, "Date picture, e.g. \"dddd, d MMMM yyyy\"");
    CLI::Option* timePicture =
        formatCmd->add_option("--time-picture", format->timePicture, "Time picture, e.g. \"HH:mm\" (after the date)");
    CLI::Option* longDate = formatCmd->add_flag("--long", format->longDate,
                                                "The suite's long date with the day name (\"Sunday, March 10, 2024\")");
    CLI::Option* shortDate =
        formatCmd->add_flag("--short", format->shortDate, "The suite's short date with a four-digit year");
    CLI::Option* longAbbrev =
        formatCmd->add_flag("--long-abbrev", format->longAbbrev, "The long date with the day name abbreviated");
    CLI::Option* mid =
        formatCmd->add_flag("--mid", format->mid, "The long date with the day and month names abbreviated");
    formatCmd->add_flag("--no-seconds", format->noSeconds, "Leave the seconds out of the time");
    const std::vector<CLI::Option*> modes = {picture, longDate, shortDate, longAbbrev, mid};
    for (CLI::Option* mode : modes) {
        for (CLI::Option* other : modes) {
            if (other != mode) mode->excludes(other);
        }
        if (mode != picture) mode->excludes(timePicture);
    }
    OnDateRun(ctx, formatCmd, [format] { RunFormat(*format); });
}

void AddWeek(CLI::App* date, CliContext& ctx)
{
    auto week = std::make_shared<std::pair<std::string, bool>>();
    CLI::App* weekCmd = date->add_subcommand(
        "week",
        "Print the ISO 8601 week number of DATE (weeks start on Monday; week 1 holds the year's first Thursday)");
    weekCmd->add_option("DATE", week->first, "YYYY-MM-DD")->required();
    weekCmd->add_flag("--json", week->second, "Print {date, week}");
    OnDateRun(ctx, weekCmd, [week] { RunWeek(week->first, week->second); });
}

void AddParseTime(CLI::App* date, CliContext& ctx)
{
    auto parse = std::make_shared<ParseTimeOptions>();
    CLI::App* parseCmd = date->add_subcommand(
        "parse-time",
        "Read times of day as typed into a time field (\"9:30\", \"2:30 PM\", \"1430\") in the user's locale; print "
        "HH:MM and the text, or the error code in hex with its meaning. Exits 1 when any text does not parse");
    parseCmd->add_option("TEXT", parse->texts, "Times to read")->required();
    parseCmd->add_flag("--variant", parse->variant, "Read the texts with the locale's general date reader instead");
    parseCmd->add_flag("--json", parse->json, "Print [{text, time, fraction} or {text, error, message}]");
    OnDateRun(ctx, parseCmd, [parse, &ctx] { RunParseTime(*parse, ctx); });
}

void AddZone(CLI::App* date, CliContext& ctx)
{
    auto zone = std::make_shared<std::pair<std::string, bool>>();
    CLI::App* zoneCmd = date->add_subcommand(
        "zone",
        "Print the time-zone record (bias, standard and daylight names, biases and the two transition rules in words) "
        "of the device zone or of the zone NAME");
    zoneCmd->add_option("NAME", zone->first, "tz database name or Windows zone name (default: the device zone)");
    zoneCmd->add_flag("--json", zone->second, "Print the record's fields under their own names");
    OnDateRun(ctx, zoneCmd, [zone] { RunZone(zone->first, zone->second); });
}

void AddZones(CLI::App* date, CliContext& ctx)
{
    auto zonesJson = std::make_shared<bool>(false);
    CLI::App* zonesCmd = date->add_subcommand(
        "zones", "List the platform's time zones, west to east: standard UTC offset, Windows name and display name");
    zonesCmd->add_flag("--json", *zonesJson, "Print [{displayName, standardName, daylightName, offsetMinutes, id}]");
    OnDateRun(ctx, zonesCmd, [zonesJson] { RunZones(*zonesJson); });
}

void AddConvert(CLI::App* date, CliContext& ctx)
{
    auto convert = std::make_shared<ConvertOptions>();
    CLI::App* convertCmd = date->add_subcommand(
        "convert",
        "Convert a wall-clock TIME of one zone into another with the zones' rules. A time that occurs twice is "
        "taken at its first occurrence; one the clocks skip is read with the standard bias");
    convertCmd->add_option("TIME", convert->time, "YYYY-MM-DDTHH:MM[:SS]")->required();
    CLI::Option* from = convertCmd->add_option("--from", convert->from, "Zone TIME is in");
    CLI::Option* fromUtc = convertCmd->add_flag("--from-utc", convert->fromUtc, "TIME is UTC");
    CLI::Option* to = convertCmd->add_option("--to", convert->to, "Zone to convert to");
    CLI::Option* toUtc = convertCmd->add_flag("--to-utc", convert->toUtc, "Convert to UTC");
    from->excludes(fromUtc);
    to->excludes(toUtc);
    convertCmd->add_flag("--json", convert->json,
                         "Print {from: {zone, time, daylight, name, skipped}, utc, to: {...}}");
    OnDateRun(ctx, convertCmd, [convert] { RunConvert(*convert); });
}

void AddDuration(CLI::App* date, CliContext& ctx)
{
    auto duration = std::make_shared<std::pair<int, bool>>(0, false);
    CLI::App* durationCmd = date->add_subcommand(
        "duration", "Write a duration of MINUTES in words (\"2 hours 5 minutes\"); nothing for 0 or less");
    durationCmd->add_option("MINUTES", duration->first, "Whole minutes")->required();
    durationCmd->add_flag("--days", duration->second, "Count whole days first (\"(1 day) 1 hour\")");
    OnDateRun(ctx, durationCmd, [duration] { RunDuration(duration->first, duration->second); });
}

}  // namespace

void AddDateCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* date = app.add_subcommand(
        "date",
        "Dates, times and time zones as the library handles them: the clock (pinned with --now), the user's locale "
        "(--locale) and the device's time zone (the TZ environment variable, else the computer's)");
    date->require_subcommand(1);
    date->footer(
        "DATE is YYYY-MM-DD, optionally with THH:MM or THH:MM:SS (years 1601 to 30827). ZONE is a tz database "
        "name (America/New_York) or a Windows zone name (\"Eastern Standard Time\"). Zone rules are the ones in force "
        "at the (possibly pinned) current time. Exit codes: 0 done, 1 a time that does not parse or a conversion "
        "that fails, 2 bad arguments (a bad date, an unknown zone).");
    AddNow(date, ctx);
    AddFormat(date, ctx);
    AddWeek(date, ctx);
    AddParseTime(date, ctx);
    AddZone(date, ctx);
    AddZones(date, ctx);
    AddConvert(date, ctx);
    AddDuration(date, ctx);
}

}  // namespace kstools
