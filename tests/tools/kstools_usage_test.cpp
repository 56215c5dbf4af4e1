// Help and version exit 0; a mistake exits 2 (usage) or 1, stdout empty, one "kstools: " line on stderr.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/kstools_home.h"

namespace {

// The published weekly pattern blob: an argument other than the blob is the mistake.
const std::string kBlob =
    "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000000000000000000008020BC0C"
    "20ADBC0C0630000009300000580200007602000000000000000000000000";

struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::vector<std::string> fragments;  // in stdout for exit code 0, else in stderr
};

// A settings key that the test stores a value in; a missing file.
const std::string kTV = "HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV";
const std::string kMissing = "/nonexistent-kstools-folder/missing.txt";

const std::vector<std::string> kGlobalHelp = {"strings", "match", "settings", "store", "--home", "--now", "--locale"};

const Case kCases[] = {
    // ---- help and version: each level of subcommands once (the help texts are CLI11's) ----
    {{}, 0, kGlobalHelp},
    {{"--help"}, 0, kGlobalHelp},
    {{"--version"}, 0, {"kstools "}},
    {{"strings", "--help"}, 0, {"strings"}},
    {{"settings", "dump", "--help"}, 0, {"Usage: kstools settings dump", "--registry"}},
    // ---- the program ----
    {{"--no-such-option"}, 2, {"not expected: --no-such-option", "kstools --help"}},
    {{"no-such-command"}, 2, {"not expected: no-such-command"}},
    {{"strings", "not-a-number"}, 2, {"not-a-number not in range 0 to 65535"}},
    {{"strings", "7"}, 1, {"7"}},
    {{"match"}, 2, {"pattern is required"}},
    {{"--now", "2024-13-01T00:00", "date", "now"}, 2, {"not a time for --now"}},
    // ---- settings ----
    {{"settings", "get", "Software\\Nothing", "N"}, 1, {"no key HKEY_CURRENT_USER\\Software\\Nothing"}},
    {{"settings", "get", kTV, "Nope"}, 1, {"no value Nope in " + kTV}},
    {{"settings", "delete", kTV, "Nope"}, 1, {"no value Nope in " + kTV}},
    {{"settings", "delete", "Software\\Nothing"}, 1, {"no key HKEY_CURRENT_USER\\Software\\Nothing"}},
    {{"settings", "dump", "--registry", "Software\\Nothing"},
     1,
     {"no key HKEY_CURRENT_USER\\Software\\Nothing in the registry"}},
    {{"settings", "export", "Software\\Nothing", "/nonexistent-kstools-folder/x.reg"}, 1, {"no key"}},
    {{"settings", "set", kTV, "N", "dword:xyz"}, 2, {"not a number: dword:xyz"}},
    {{"settings", "set", kTV, "N", "dword:100000000"}, 2, {"not a number: dword:100000000"}},
    {{"settings", "set", kTV, "N", "dword:"}, 2, {"not a number: dword:"}},
    {{"settings", "set", "--number", kTV, "N", "12a"}, 2, {"not a number: 12a"}},
    {{"settings", "set", "--number", kTV, "N", "4294967296"}, 2, {"not a number: 4294967296"}},
    {{"settings", "set", kTV, "", "x"}, 2, {"cannot be empty"}},
    {{"settings", "set", "HKEY_FOO\\X", "N", "x"}, 2, {"unknown root key HKEY_FOO"}},
    {{"settings", "get", "--file", kMissing, kTV, "N"}, 2, {"cannot read " + kMissing}},
    {{"settings", "get", "--file", "/tmp", kTV, "N"}, 2, {"is a folder"}},
    {{"settings", "import", kMissing}, 2, {"cannot read " + kMissing}},
    {{"settings", "get", "--registry", "--file", kMissing, kTV, "N"}, 2, {"--registry excludes --file"}},
    {{"settings", "set", "--file", kMissing, kTV, "N", "x"}, 1, {"cannot write"}},
    // ---- date ----
    {{"date", "format", "2024-02-30"}, 2, {"no such date: '2024-02-30'"}},
    {{"date", "format", "1600-12-31"}, 2, {"outside 1601 to 30827"}},
    {{"date", "week", "2024-3-5"}, 2, {"not a date: '2024-3-5'"}},
    {{"date", "format", "2024-03-05T24:00"}, 2, {"no such date"}},
    {{"date", "format", "2024-03-05T10:00:00Z"}, 2, {"not a date"}},
    {{"date", "zone", "Atlantis/Capital"}, 2, {"unknown time zone: 'Atlantis/Capital'"}},
    {{"date", "convert", "2024-01-01T00:00", "--from", "Nowhere", "--to-utc"}, 2, {"unknown time zone: 'Nowhere'"}},
    {{"date", "convert", "2024-01-01T00:00", "--from-utc", "--to", "Mars Standard Time"}, 2, {"unknown time zone"}},
    {{"date", "convert", "2024-01-01T00:00", "--to-utc"}, 2, {"--from ZONE and --from-utc"}},
    {{"date", "convert", "2024-01-01T00:00", "--from-utc"}, 2, {"--to ZONE and --to-utc"}},
    {{"date", "format", "--long", "--mid"}, 2, {"excludes"}},
    {{"date", "duration", "ten"}, 2, {"MINUTES"}},
    // ---- store ----
    {{"store"}, 2, {"subcommand"}},
    {{"store", "dump"}, 2, {"NAME"}},
    {{"store", "dump", "Nothing"}, 1, {"no database Nothing"}},
    {{"store", "info", "--volume", "\\missing.vol"}, 2, {"cannot mount \\missing.vol: no such volume file"}},
    {{"store", "check", "--volume", "\\Docs\\notes.txt"}, 2, {"not a database volume"}},
    {{"store", "check", "--volume", "\\Docs"}, 2, {"cannot mount \\Docs"}},
    {{"store", "seed", "--appointments", "-1"}, 2, {"--appointments: Value -1 not in range 0 to 100000"}},
    {{"store", "seed", "--tasks", "many"}, 2, {"--tasks: Value many not in range"}},
    {{"store", "seed", "--contacts", "100001"}, 2, {"--contacts: Value 100001 not in range"}},
    {{"store", "seed", "--seed"}, 2, {"--seed: 1 required"}},
    {{"store", "seed", "extra"}, 2, {"not expected: extra"}},
    {{"demo", "--count", "3"}, 2, {"not expected: 3 --count"}},
    // ---- calendar ----
    {{"calendar", "--view", "7"}, 2, {"--view takes 0 to 6: 7"}},
    {{"calendar", "--view", "-2"}, 2, {"--view takes 0 to 6: -2"}},
    {{"calendar", "--from", "2026-03-10", "--to", "2026-03-09"}, 2, {"--to lies before --from"}},
    {{"calendar", "--from", "yesterday"}, 2, {"not a date: 'yesterday'"}},
    {{"calendar", "--from", "2026-03-10T10:00"}, 2, {"--from takes a day"}},
    {{"calendar", "--from", "2000-01-01", "--to", "2026-01-01"}, 2, {"the range is longer than"}},
    // ---- journal, categories, projects ----
    {{"journal", "--parent", "abc"}, 2, {"\"abc\" is not an OID"}},
    {{"journal", "--parent", "-1"}, 2, {"\"-1\" is not an OID"}},
    {{"journal", "--from", "2026-13-01"}, 2, {"no such date: '2026-13-01'"}},
    {{"journal", "add"}, 2, {"SUBJECT is required"}},
    {{"categories", "add", "a,b"}, 2, {"\"a,b\" cannot be a category name"}},
    {{"categories", "add", ""}, 2, {"\"\" cannot be a category name"}},
    {{"categories", "add"}, 2, {"NAME is required"}},
    {{"categories", "add", "x", "y"}, 2, {"not expected: y"}},
    {{"categories", "remove", "Nowhere"}, 1, {"no category is named \"Nowhere\""}},
    {{"projects", "add", ""}, 2, {"a project needs a name"}},
    // ---- recur ----
    {{"recur", "--from", "2024-01-01", "--to", "2024-01-02"}, 2, {"give either --oid or --blob"}},
    {{"recur", "--oid", "5", "--blob", kBlob, "--from", "2024-01-01", "--to", "2024-01-02"},
     2,
     {"give either --oid or --blob"}},
    {{"recur", "--blob", "0G", "--from", "2024-01-01", "--to", "2024-01-02"}, 2, {"--blob takes hexadecimal bytes"}},
    {{"recur", "--blob", "ABC", "--from", "2024-01-01", "--to", "2024-01-02"}, 2, {"--blob needs an even number"}},
    {{"recur", "--blob", kBlob, "--to", "2024-01-02"}, 2, {"--from is required"}},
    {{"recur", "--blob", kBlob, "--from", "2024-02-30", "--to", "2024-03-02"}, 2, {"no such date: '2024-02-30'"}},
    {{"recur", "--blob", kBlob, "--from", "2024-01-03", "--to", "2024-01-02"}, 2, {"--to lies before --from"}},
    {{"recur", "--blob", kBlob, "--start", "2024-01-01T09:00", "--from", "2024-01-01", "--to", "2024-01-02"},
     2,
     {"--start and --duration go together"}},
    {{"recur", "--oid", "abc", "--from", "2024-01-01", "--to", "2024-01-02"}, 2, {"\"abc\" is not an OID"}},
    {{"render", "--help"}, 0, {"--markup", "--hotspots", "--scale"}},
    {{"render", "--width", "50", "-o", "x.png"}, 2, {"give the mark-up with --markup TEXT or --file FILE"}},
    {{"render", "--markup", "x", "--file", "f", "--width", "50", "-o", "x.png"}, 2, {"excludes --file"}},
    {{"render", "--markup", "x", "--width", "50"}, 2, {"give -o FILE.png"}},
    {{"render", "--markup", "x", "-o", "x.png"}, 2, {"--width is required"}},
    {{"render", "--markup", "x", "--width", "0", "--measure"}, 2, {"--width: Value 0 not in range"}},
    {{"render", "--markup", "x", "--width", "9", "--scale", "3", "--measure"}, 2, {"--scale"}},
    {{"render", "--file", kMissing, "--width", "50", "--measure"}, 1, {"cannot read the mark-up file"}},
};

class KstoolsUsage : public KstoolsHome {};

TEST_F(KstoolsUsage, HelpAndMistakesOfEveryCommand)
{
    MakeHostFile("Docs/notes.txt", "not a volume");
    ASSERT_EQ(Run({"settings", "set", kTV, "Name", "x"}).exitCode, 0);
    for (const Case& c : kCases) {
        std::string command;
        for (const std::string& arg : c.args) command += arg + " ";
        SCOPED_TRACE(command);
        const kstest::ChildResult r = Run(c.args, {{"TZ", "America/New_York"}});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        const std::string& shown = c.exitCode == 0 ? r.out : r.err;
        if (c.exitCode != 0) {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
        }
        for (const std::string& fragment : c.fragments) EXPECT_NE(shown.find(fragment), std::string::npos) << shown;
    }
    // Refused settings leave the store as it was.
    EXPECT_EQ(Run({"settings", "get", kTV, "Name"}).out, "x\n");
    EXPECT_EQ(Run({"settings", "get", kTV, "N"}).exitCode, 1);
}

}  // namespace
