// The command-line tool as a person uses it: help, version, exit codes, errors
// in plain words on stderr, JSON where the output is data.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

}  // namespace
