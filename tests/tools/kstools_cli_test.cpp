// The command-line tool as a person uses it: help, version, exit codes, errors
// in plain words on stderr, JSON where the output is data.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/utf8.h"
#include "tests/support/child_process.h"

namespace {

kstest::ChildResult Kstools(std::vector<std::string> args, std::map<std::string, std::string> env = {}) {
    args.insert(args.begin(), KSTOOLS_CLI);
    env.emplace("KSTOOLS_HOME", "");  // never the developer's own data
    return kstest::RunChild(args, {}, env);
}

TEST(KstoolsCli, HelpListsTheCommandsAndGlobalOptions) {
    for (auto args : {std::vector<std::string>{"--help"}, std::vector<std::string>{}}) {
        auto r = Kstools(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.out.find("strings"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("match"), std::string::npos);
        EXPECT_NE(r.out.find("settings"), std::string::npos);
        EXPECT_NE(r.out.find("--home"), std::string::npos);
        EXPECT_NE(r.out.find("--now"), std::string::npos);
        EXPECT_NE(r.out.find("--locale"), std::string::npos);
    }
}

TEST(KstoolsCli, EverySubcommandHasHelp) {
    for (const char* command : {"strings", "match"}) {
        auto r = Kstools({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_NE(r.out.find(command), std::string::npos) << r.out;
    }
}

TEST(KstoolsCli, VersionPrintsTheProgramAndItsVersion) {
    auto r = Kstools({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("kstools ", 0), 0u) << r.out;
}

TEST(KstoolsCli, BadArgumentsExitWithTwoAndSayWhy) {
    for (auto args : {std::vector<std::string>{"--no-such-option"}, std::vector<std::string>{"no-such-command"},
                      std::vector<std::string>{"strings", "not-a-number"}, std::vector<std::string>{"match"}}) {
        auto r = Kstools(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
    }
}

TEST(KstoolsCli, StringsShowsTextsOfTheStringTable) {
    auto r = Kstools({"strings", "42358", "42119"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("42358\tNone"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("42119\t"), std::string::npos) << r.out;
}

TEST(KstoolsCli, StringsAsJsonIsAnObjectById) {
    auto r = Kstools({"strings", "--json", "42358"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["42358"], "None");
}

TEST(KstoolsCli, UnknownStringIdFailsWithOne) {
    auto r = Kstools({"strings", "7"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("7"), std::string::npos) << r.err;
}

TEST(KstoolsCli, MatchReportsEachTextAndExitsOneWhenNoneMatch) {
    auto r = Kstools({"match", "*.bmp", "a.bmp", "b.txt", ".bmp"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "match\ta.bmp\nno match\tb.txt\nno match\t.bmp\n");
    auto none = Kstools({"match", "a\\*c", "abc"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "no match\tabc\n");
}

TEST(KstoolsCli, MatchAsJson) {
    auto r = Kstools({"match", "--json", "a?c", "abc", "ac"});
    ASSERT_EQ(r.exitCode, 0);
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["pattern"], "a?c");
    ASSERT_EQ(j["results"].size(), 2u);
    EXPECT_EQ(j["results"][0]["text"], "abc");
    EXPECT_EQ(j["results"][0]["match"], true);
    EXPECT_EQ(j["results"][1]["match"], false);
}

// ---- kstools settings ------------------------------------------------------

// Each case gets a data directory of its own, so the settings file and the
// registry start empty.
class KstoolsSettings : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kstools-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    kstest::ChildResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "settings");
        return Kstools(args, {{"KSTOOLS_HOME", home_.string()}});
    }
    // The value as `get` prints it, or "" when get fails.
    std::string Get(std::vector<std::string> args) {
        args.insert(args.begin(), "get");
        auto r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    std::filesystem::path SettingsFile() const { return home_ / "device" / "Application Data" / "Corvid" / "Settings.txt"; }

    std::filesystem::path home_;
};

const std::string kTV = "HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV";

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-8 text as a settings file holds it: FF FE and UTF-16 little-endian.
std::string Utf16File(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : Utf8ToWide(text)) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

TEST_F(KstoolsSettings, SetGetDeleteRoundTripInTheSettingsFile) {
    ASSERT_EQ(Run({"set", kTV, "Name", "a = \"b\""}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV, "Count", "DWORD:1a"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV, "Width", "--number", "4294967295"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV, "@", "default"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV + "\\GroupState", "Open", "dword:0x2A"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV + "X", "Other", "x"}).exitCode, 0);

    EXPECT_EQ(Get({kTV, "name"}), "a = \"b\"\n");
    EXPECT_EQ(Get({kTV, "Count"}), "26\n");
    EXPECT_EQ(Get({kTV, "Width"}), "4294967295\n");
    EXPECT_EQ(Get({kTV, "@"}), "default\n");
    EXPECT_EQ(ReadBytes(SettingsFile()),
              Utf16File("\r\n[" + kTV + "]\r\n\"Name\"=\"a = \"b\"\"\r\n\"Count\"=dword:0000001A\r\n"
                        "\"Width\"=dword:FFFFFFFF\r\n@=\"default\"\r\n\r\n"
                        "[" + kTV + "\\GroupState]\r\n\"Open\"=dword:0000002A\r\n\r\n"
                        "[" + kTV + "X]\r\n\"Other\"=\"x\"\r\n\r\n"));

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
}

TEST_F(KstoolsSettings, SetGetDeleteRoundTripInTheRegistry) {
    ASSERT_EQ(Run({"set", "--registry", kTV, "Count", "dword:1A"}).exitCode, 0);
    ASSERT_EQ(Run({"set", "--registry", kTV, "@", "default"}).exitCode, 0);
    ASSERT_EQ(Run({"set", "--registry", kTV + "\\GroupState", "Open", "--number", "7"}).exitCode, 0);
    EXPECT_EQ(Get({"--registry", kTV, "Count"}), "26\n");
    EXPECT_EQ(Get({"--registry", kTV, "@"}), "default\n");
    // The registry and the settings file are separate stores.
    EXPECT_EQ(Run({"get", kTV, "Count"}).exitCode, 1);

    ASSERT_EQ(Run({"delete", "--registry", kTV, "Count"}).exitCode, 0);
    EXPECT_EQ(Run({"get", "--registry", kTV, "Count"}).exitCode, 1);
    EXPECT_EQ(Run({"delete", "--registry", kTV, "Count"}).exitCode, 1);
    ASSERT_EQ(Run({"delete", "--registry", kTV}).exitCode, 0);
    auto gone = Run({"get", "--registry", kTV + "\\GroupState", "Open"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "kstools: no key " + kTV + "\\GroupState in the registry\n");
}

TEST_F(KstoolsSettings, LongStringsAndNamesComeBackWhole) {
    std::string text(5000, 'x');
    text += "end";
    for (std::string store : {"--file=" + (home_ / "long.txt").string(), std::string("--registry")}) {
        ASSERT_EQ(Run({"set", store, kTV, "Long", text}).exitCode, 0) << store;
        EXPECT_EQ(Get({store, kTV, "Long"}), text + "\n") << store;
    }
    // A file's value names may be longer than a registry's (folder paths, for one).
    const std::string name(300, 'n');
    ASSERT_EQ(Run({"set", kTV, name, "dword:1"}).exitCode, 0);
    auto dump = Run({"dump", "--json", kTV});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(nlohmann::json::parse(dump.out)[kTV][name], 1) << dump.out;
}

TEST_F(KstoolsSettings, KeysWithoutARootLieUnderCurrentUserAndSlashesSeparate) {
    ASSERT_EQ(Run({"set", "Software/Corvid/X/", "N", "v"}).exitCode, 0);
    EXPECT_EQ(Get({"HKEY_CURRENT_USER\\Software\\Corvid\\X", "N"}), "v\n");
    EXPECT_EQ(Get({"hkey_current_user/software/corvid/x", "n"}), "v\n");
    ASSERT_EQ(Run({"set", "--registry", "HKEY_LOCAL_MACHINE\\Software\\Y", "N", "m"}).exitCode, 0);
    EXPECT_EQ(Run({"get", "--registry", "Software\\Y", "N"}).exitCode, 1);
    EXPECT_EQ(Get({"--registry", "HKEY_LOCAL_MACHINE/Software/Y", "N"}), "m\n");
}

// A file written by hand: no leading empty line, a line before the first
// section, unquoted and "@" names, "dword:" in another case, '=' and quotes
// inside a value, LF and CR LF line ends, a line without '=', an empty
// section, a section without a root name.
const std::string kHandWritten =
    "ignored=1\n"
    "[HKEY_CURRENT_USER\\Software\\A]\r\n"
    "\"Name\"=\"a=b \"c\"\"\r\n"
    "  Count=DWORD:0000002a  \n"
    "no equals sign\n"
    "@=\"default\"\n"
    "[HKEY_CURRENT_USER\\Empty]\n"
    "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n"
    "\"Text\"=\"caf\xC3\xA9\"\n"
    "[HKEY_CURRENT_USER\\Software\\AB]\n"
    "\"Sibling\"=dword:1\n"
    "[Other]\n"
    "x=\"1\"\n";

TEST_F(KstoolsSettings, DumpPrintsAHandWrittenFileInTheFileFormat) {
    const auto file = home_ / "hand.txt";
    WriteBytes(file, Utf16File(kHandWritten));
    auto all = Run({"dump", "--file", file.string()});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out,
              "\n"
              "[HKEY_CURRENT_USER\\Software\\A]\n\"Name\"=\"a=b \"c\"\"\n\"Count\"=dword:0000002A\n@=\"default\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n\"Text\"=\"caf\xC3\xA9\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\AB]\n\"Sibling\"=dword:00000001\n\n"
              "[Other]\n\"x\"=\"1\"\n\n");

    auto tree = Run({"dump", "--file", file.string(), "Software/A"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_NE(tree.out.find("[HKEY_CURRENT_USER\\Software\\A\\Sub]"), std::string::npos);
    EXPECT_EQ(tree.out.find("Sibling"), std::string::npos) << tree.out;
    EXPECT_EQ(tree.out.find("Other"), std::string::npos) << tree.out;

    // Without a byte-order mark the file is Windows-1252 text.
    const auto ansi = home_ / "ansi.txt";
    WriteBytes(ansi, "[HKEY_CURRENT_USER\\A]\r\n\"T\"=\"caf\xE9 \x80\"\r\n");
    auto decoded = Run({"dump", "--file", ansi.string()});
    EXPECT_EQ(decoded.out, "\n[HKEY_CURRENT_USER\\A]\n\"T\"=\"caf\xC3\xA9 \xE2\x82\xAC\"\n\n");
}

TEST_F(KstoolsSettings, DumpAndGetAsJsonAreTyped) {
    const auto file = home_ / "hand.txt";
    WriteBytes(file, Utf16File(kHandWritten));
    auto r = Run({"dump", "--json", "--file", file.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    const auto& a = j["HKEY_CURRENT_USER\\Software\\A"];
    EXPECT_EQ(a["Count"], 42);
    EXPECT_TRUE(a["Count"].is_number());
    EXPECT_EQ(a["Name"], "a=b \"c\"");
    EXPECT_EQ(a["@"], "default");
    EXPECT_EQ(j["HKEY_CURRENT_USER\\Software\\A\\Sub"]["Text"], "caf\xC3\xA9");
    EXPECT_FALSE(j.contains("HKEY_CURRENT_USER\\Empty"));
    EXPECT_EQ(j.size(), 4u);

    auto number = nlohmann::json::parse(Get({"--json", "--file", file.string(), "Software\\A", "Count"}));
    EXPECT_EQ(number, (nlohmann::json{{"key", "HKEY_CURRENT_USER\\Software\\A"}, {"name", "Count"}, {"value", 42}}));
    auto text = nlohmann::json::parse(Get({"--json", "--file", file.string(), "Software\\A", "Name"}));
    EXPECT_EQ(text["value"], "a=b \"c\"");
}

TEST_F(KstoolsSettings, ExportThenImportCarriesAKeyTreeIntoTheRegistry) {
    ASSERT_EQ(Run({"set", kTV, "Name", "tasks"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV, "Count", "dword:10"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV, "@", "default"}).exitCode, 0);
    ASSERT_EQ(Run({"set", kTV + "\\GroupState", "Open", "dword:3"}).exitCode, 0);
    ASSERT_EQ(Run({"set", "Software\\Corvid\\Kestrel\\CV", "Name", "contacts"}).exitCode, 0);

    // An existing target keeps what it holds.
    const auto exported = home_ / "tv.reg";
    WriteBytes(exported, Utf16File("[HKEY_CURRENT_USER\\Kept]\r\n\"K\"=\"k\"\r\n"));
    auto out = Run({"export", kTV, exported.string()});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(ReadBytes(exported).substr(0, 2), "\xFF\xFE");

    auto in = Run({"import", "--registry", exported.string()});
    ASSERT_EQ(in.exitCode, 0) << in.err;
    EXPECT_EQ(Get({"--registry", kTV, "Name"}), "tasks\n");
    EXPECT_EQ(nlohmann::json::parse(Get({"--registry", "--json", kTV, "Count"}))["value"], 16);
    EXPECT_EQ(Get({"--registry", kTV, "@"}), "default\n");
    EXPECT_EQ(Get({"--registry", kTV + "\\GroupState", "Open"}), "3\n");
    EXPECT_EQ(Get({"--registry", "Kept", "K"}), "k\n");
    EXPECT_EQ(Run({"get", "--registry", "Software\\Corvid\\Kestrel\\CV", "Name"}).exitCode, 1);

    // Back out of the registry: the exported file dumps as the registry's keys do.
    const auto back = home_ / "back.reg";
    ASSERT_EQ(Run({"export", "--registry", kTV, back.string()}).exitCode, 0);
    auto fromFile = Run({"dump", "--file", back.string()});
    auto fromRegistry = Run({"dump", "--registry", kTV});
    ASSERT_EQ(fromRegistry.exitCode, 0) << fromRegistry.err;
    EXPECT_EQ(fromFile.out, fromRegistry.out);
    EXPECT_NE(fromFile.out.find("[" + kTV + "\\GroupState]\n\"Open\"=dword:00000003\n"), std::string::npos)
        << fromFile.out;
}

TEST_F(KstoolsSettings, AFileOfThisComputerIsChangedInPlace) {
    const auto file = home_ / "other.txt";
    WriteBytes(file, Utf16File("[HKEY_CURRENT_USER\\Kept]\r\n\"K\"=dword:00000001\r\n"));
    ASSERT_EQ(Run({"set", "--file", file.string(), "Software\\New", "N", "v"}).exitCode, 0);
    ASSERT_EQ(Run({"delete", "--file", file.string(), "Kept", "K"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(file), Utf16File("\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\"N\"=\"v\"\r\n\r\n"));

    const auto created = home_ / "created.txt";
    ASSERT_EQ(Run({"import", "--file", created.string(), file.string()}).exitCode, 0);
    EXPECT_EQ(Get({"--file", created.string(), "Software\\New", "N"}), "v\n");
    // The default settings file was not touched, and no scratch copy stays behind.
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
    EXPECT_FALSE(std::filesystem::exists(home_ / "device" / "Temp"));

    // A device path names a file of the device folder; %s is the suite's data directory.
    ASSERT_EQ(Run({"set", "--file", "%s\\Corvid\\Views.reg", "V", "N", "dword:5"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(SettingsFile().parent_path() / "Views.reg"),
              Utf16File("\r\n[HKEY_CURRENT_USER\\V]\r\n\"N\"=dword:00000005\r\n\r\n"));
    EXPECT_EQ(Get({"--file", "\\Application Data\\Corvid\\Views.reg", "V", "N"}), "5\n");
}

TEST_F(KstoolsSettings, ErrorsExitWithPlainWords) {
    const std::string missing = (home_ / "missing.txt").string();
    ASSERT_EQ(Run({"set", kTV, "Name", "x"}).exitCode, 0);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"get", "Software\\Nothing", "N"}, 1, "no key HKEY_CURRENT_USER\\Software\\Nothing"},
        {{"get", kTV, "Nope"}, 1, "no value Nope in " + kTV},
        {{"delete", kTV, "Nope"}, 1, "no value Nope in " + kTV},
        {{"delete", "Software\\Nothing"}, 1, "no key HKEY_CURRENT_USER\\Software\\Nothing"},
        {{"dump", "--registry", "Software\\Nothing"}, 1, "no key HKEY_CURRENT_USER\\Software\\Nothing in the registry"},
        {{"export", "Software\\Nothing", (home_ / "x.reg").string()}, 1, "no key"},
        {{"set", kTV, "N", "dword:xyz"}, 2, "not a number: dword:xyz"},
        {{"set", kTV, "N", "dword:100000000"}, 2, "not a number: dword:100000000"},
        {{"set", kTV, "N", "dword:"}, 2, "not a number: dword:"},
        {{"set", "--number", kTV, "N", "12a"}, 2, "not a number: 12a"},
        {{"set", "--number", kTV, "N", "4294967296"}, 2, "not a number: 4294967296"},
        {{"set", kTV, "", "x"}, 2, "cannot be empty"},
        {{"set", "HKEY_FOO\\X", "N", "x"}, 2, "unknown root key HKEY_FOO"},
        {{"get", "--file", missing, kTV, "N"}, 2, "cannot read " + missing},
        {{"get", "--file", home_.string(), kTV, "N"}, 2, "is a folder"},
        {{"import", missing}, 2, "cannot read " + missing},
        {{"get", "--registry", "--file", missing, kTV, "N"}, 2, "--registry excludes --file"},
        {{"set", "--file", (home_ / "no" / "such" / "s.txt").string(), kTV, "N", "x"}, 1, "cannot write"},
    };
    for (const Case& c : cases) {
        auto r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << c.args[1] << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Refused values leave the store as it was.
    EXPECT_EQ(Get({kTV, "Name"}), "x\n");
    EXPECT_EQ(Run({"get", kTV, "N"}).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(KstoolsSettings, EverySettingsSubcommandHasHelp) {
    for (const char* command : {"dump", "get", "set", "delete", "export", "import"}) {
        auto r = Run({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_NE(r.out.find(std::string("Usage: kstools settings ") + command), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("--registry"), std::string::npos) << r.out;
    }
}

}  // namespace
