// kstools task: a task added, changed, completed and deleted from the command line, read back by "tasks".
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsTask : public KstoolsHome {
protected:
    const std::map<std::string, std::string> now{{"KSTOOLS_NOW", "2026-12-07T10:00"}};
    Json Task(std::vector<std::string> args, int exitCode = 0)
    {
        args.insert(args.begin(), "task");
        args.push_back("--json");
        auto r = Run(args, now);
        EXPECT_EQ(r.exitCode, exitCode) << r.err;
        return r.exitCode == 0 ? JsonOf(r) : Json();
    }
};

TEST_F(KstoolsTask, EditsAreStoredAndListed)
{
    const Json added = Task({"add", "B12|7: Water plants", "--due", "2026-12-06", "--reminder", "2026-12-09T09:00"});
    const std::string oid = std::to_string(added["oid"].get<long>());
    EXPECT_EQ(added["subject"], "Water plants");
    EXPECT_EQ(added["priority"], "B12");
    EXPECT_EQ(added["regenerateDays"], 7);
    EXPECT_EQ(added["reminder"], "2026-12-09T09:00:00");

    const Json changed = Task({"set", oid, "--percent", "101", "--priority", "A3", "--categories", "Home"});
    EXPECT_EQ(changed["status"], "waiting");
    EXPECT_EQ(changed["priority"], "A3");
    EXPECT_EQ(changed["categories"], "Home");

    // Completing brings it back seven days from today and leaves a completed copy in the list.
    const Json done = Task({"complete", oid});
    EXPECT_EQ(done["due"], "2026-12-14");
    EXPECT_EQ(done["complete"], false);
    EXPECT_EQ(done["reminder"], "2026-12-17T09:00:00") << "the reminder moves with the due date";
    auto list = Run({"tasks", "--json", "--show-completed", "--filter", "42250"}, now);
    ASSERT_EQ(list.exitCode, 0) << list.err;
    int rows = 0;
    const Json listed = JsonOf(list);
    for (const Json& row : listed["rows"]) rows += row["subject"] == "Water plants";
    EXPECT_EQ(rows, 2);

    auto summary = Run({"task", "show", oid, "--summary"}, now);
    EXPECT_EQ(summary.out.rfind("A3 Water plants\nStart: ", 0), 0u) << summary.out;
    EXPECT_NE(summary.out.find("Categories: Home\n"), std::string::npos) << summary.out;
    EXPECT_EQ(summary.out.find('<'), std::string::npos) << "no mark-up: " << summary.out;

    EXPECT_EQ(Run({"task", "delete", oid, "--yes"}, now).exitCode, 0);
    auto gone = Run({"task", "show", oid}, now);
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_NE(gone.err.find("no task with OID"), std::string::npos);
}

TEST_F(KstoolsTask, BadArgumentsAreUsageErrors)
{
    const std::string oid = std::to_string(Task({"add", "Call"})["oid"].get<long>());
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    } const cases[] = {
        {{"task", "set", oid, "--priority", "AB1"}, 2}, {{"task", "set", oid, "--percent", "150"}, 2},
        {{"task", "set", oid, "--regenerate", "-5"}, 2}, {{"task", "set", oid, "--due", "2026-13-01"}, 2},
        {{"task", "show", "nonsense"}, 2},               {{"task", "complete", "12345"}, 1},
        {{"task", "delete", oid}, 1},  // not answered: the default keeps the task
    };
    for (const auto& c : cases) {
        auto r = Run(c.args, now);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << " " << c.args.back() << ": " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(Task({"show", oid})["subject"], "Call") << "nothing was changed";
}

// Deleting asks first: --yes and --no answer, --json reports; the summary's
// text and picture show typed text as typed.
TEST_F(KstoolsTask, DeleteAnswersAndSummaryPicture)
{
    const std::string oid = std::to_string(Task({"add", "Fix <B> tags", "--note", "a&amp;b"})["oid"].get<long>());
    auto text = Run({"task", "show", oid, "--summary"}, now);
    EXPECT_EQ(text.out.rfind("Fix <B> tags\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("\na&amp;b\n"), std::string::npos) << "typed, not decoded: " << text.out;

    const std::string png = (HomeDir() / "task.png").string();
    EXPECT_EQ(Run({"task", "show", oid, "--png", png}, now).out, "wrote " + png + "\n");
    std::ifstream picture(png, std::ios::binary);
    std::string head(20, '\0');
    picture.read(head.data(), 20);
    EXPECT_EQ(head.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(head.substr(16, 4), std::string("\0\0\0\xF0", 4)) << "as wide as the summary box";

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        bool kept;
    } const cases[] = {
        {{"task", "delete", oid, "--no", "--json"}, 1, true},
        {{"task", "delete", oid, "--yes", "--json"}, 0, false},
        {{"task", "delete", oid, "--yes"}, 1, false},  // already gone
    };
    // A message met under --yes reads as kstools' messages do, not as a question answered "OK".
    const auto told = Run({"task", "add", std::string(1001, 'x'), "--yes"}, now);
    EXPECT_EQ(told.err.rfind("kstools: ", 0), 0u) << told.err;
    EXPECT_NE(told.err.find("longer than 1,000"), std::string::npos) << told.err;
    EXPECT_EQ(told.err.find(" ["), std::string::npos) << "no answer: " << told.err;

    for (const auto& c : cases) {
        auto r = Run(c.args, now);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[3] << ": " << r.err;
        EXPECT_EQ(Run({"task", "show", oid}, now).exitCode, c.kept ? 0 : 1) << c.args[3];
        if (c.exitCode == 0) {
            EXPECT_EQ(JsonOf(r), (Json{{"oid", std::stol(oid)}, {"deleted", true}}));
        }
    }
}

}  // namespace
