// kstools links, templates and alarms, run as the user would, over items added with kstools task.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/kernel/sync_objects.h"
#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsItems : public KstoolsHome {
protected:
    // Runs at a pinned time, without a desktop unless bus is given.
    kstest::ChildResult At(const std::string& now, std::vector<std::string> args, const std::string& bus = "")
    {
        return Run(args, {{"KSTOOLS_NOW", now}, {"DBUS_SESSION_BUS_ADDRESS", bus}});
    }
    Json JsonAt(const std::string& now, std::vector<std::string> args)
    {
        args.push_back("--json");
        return JsonOf(At(now, args));
    }
    std::string NewTask(const std::string& subject, std::vector<std::string> options = {})
    {
        std::vector<std::string> args{"task", "add", subject};
        args.insert(args.end(), options.begin(), options.end());
        return std::to_string(JsonAt(kMonday, args)["oid"].get<long>());
    }
    static constexpr const char* kMonday = "2026-12-07T10:00";
};

TEST_F(KstoolsItems, LinksAreAddedListedCopiedAndRemoved)
{
    const std::string plan = NewTask("Plan", {"--due", "2026-12-08"});
    const std::string build = NewTask("Build");
    const std::string other = NewTask("Other");

    Json listed = JsonAt(kMonday, {"links", "add", plan, "--to", build});
    ASSERT_EQ(listed["links"].size(), 1u);
    EXPECT_EQ(listed["links"][0]["kind"], "task");
    EXPECT_EQ(listed["links"][0]["label"], "Build");
    EXPECT_EQ(JsonAt(kMonday, {"links", "list", build})["links"][0]["label"], "12/8/2026 - Plan");
    const std::string link = std::to_string(listed["links"][0]["link"].get<long>());

    struct Refused {
        std::vector<std::string> args;
        int exitCode;
        std::string why;
    } const refused[] = {
        {{"links", "add", plan, "--to", build}, 1, "no link added"},
        {{"links", "add", plan, "--to", plan}, 1, "no link added"},
        {{"links", "add", plan, "--to", "987654"}, 1, "no contact, appointment or task"},
        {{"links", "list", link}, 1, "no contact, appointment or task"},  // a link is no item
        {{"links", "add", plan, "--file", "\\gone.txt"}, 1, "no link added"},
        {{"links", "add", plan}, 2, "--to OID or --file PATH"},
        {{"links", "copy", other, plan, "--yes", "--no"}, 2, "excludes"},
    };
    for (const Refused& r : refused) {
        auto result = At(kMonday, r.args);
        EXPECT_EQ(result.exitCode, r.exitCode) << r.args.back() << ": " << result.err;
        EXPECT_NE(result.err.find(r.why), std::string::npos) << result.err;
    }

    // Copying asks; --no keeps the item without links, --yes copies the forward link only.
    EXPECT_TRUE(JsonAt(kMonday, {"links", "copy", other, plan, "--no"})["links"].empty());
    auto copied = At(kMonday, {"links", "copy", other, plan, "--yes", "--json"});
    EXPECT_EQ(JsonOf(copied)["links"].size(), 1u);
    EXPECT_NE(copied.err.find("Copy/Paste Question"), std::string::npos) << copied.err;
    EXPECT_EQ(JsonAt(kMonday, {"links", "list", build})["links"].size(), 1u) << "no reverse link for the copy";

    EXPECT_EQ(JsonAt(kMonday, {"links", "remove", link})["deleted"].get<long>(), std::stol(link));
    EXPECT_TRUE(JsonAt(kMonday, {"links", "list", build})["links"].empty()) << "the opposite record went too";
    auto plain = At(kMonday, {"links", "list", plan});
    EXPECT_EQ(plain.out, "No links\n");
    EXPECT_EQ(At(kMonday, {"links", "remove", link}).exitCode, 1);
}

TEST_F(KstoolsItems, TemplatesAreSavedListedAndUsed)
{
    const std::string standup = NewTask("A1: Standup", {"--due", "2026-12-08", "--note", "Ten minutes"});
    const Json saved = JsonAt(kMonday, {"templates", "save", "Daily", "--from", standup});
    const long daily = saved["template"].get<long>();
    EXPECT_EQ(JsonAt(kMonday, {"templates", "list"}), (Json::array({{{"name", "Daily"}, {"oid", daily}}})));

    const Json made = JsonAt(kMonday, {"templates", "new", std::to_string(daily), "--date", "2026-12-09"});
    const Json task = JsonAt(kMonday, {"task", "show", std::to_string(made["task"].get<long>())});
    EXPECT_EQ(task["subject"], "Standup");
    EXPECT_EQ(task["priority"], "A1");
    EXPECT_EQ(task["due"], "2026-12-09");
    EXPECT_EQ(task["note"], "Ten minutes");
    EXPECT_EQ(task["template"], "");

    // "task edit" is "task set".
    EXPECT_EQ(JsonAt(kMonday, {"task", "edit", standup, "--percent", "50"})["percent"], 50);

    for (const char* name : {"Zeta", "Acme"}) EXPECT_EQ(At(kMonday, {"templates", "save", name, "--company", "Ltd"}).exitCode, 0);
    const Json companies = JsonAt(kMonday, {"templates", "list", "--kind", "company"});
    EXPECT_EQ(companies, (Json::array({{{"name", "Acme"}, {"oid", nullptr}}, {{"name", "Zeta"}, {"oid", nullptr}}})));

    struct Refused {
        std::vector<std::string> args;
        int exitCode;
    } const refused[] = {
        {{"templates", "new", standup}, 1},          {{"templates", "new", "987654"}, 1},
        {{"templates", "list", "--kind", "note"}, 2}, {{"templates", "save", "X"}, 2},
        {{"templates", "save", "a\\b", "--company", "Ltd"}, 1},
    };
    for (const Refused& r : refused) {
        auto result = At(kMonday, r.args);
        EXPECT_EQ(result.exitCode, r.exitCode) << r.args[1] << " " << r.args[2] << ": " << result.err;
        EXPECT_FALSE(result.err.empty());
    }
}

TEST_F(KstoolsItems, DueAlarmsFireOnceAcrossRestartsAndFutureOnesWait)
{
    NewTask("Call Anna", {"--due", "2026-12-09", "--reminder", "2026-12-08T09:00"});
    const std::string later = NewTask("Pay rent", {"--due", "2026-12-12", "--reminder", "2026-12-10T09:00"});
    const Json pending = JsonAt(kMonday, {"alarms"});
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0]["due"], false);
    EXPECT_EQ(pending[0]["title"], "Task Reminder");

    const std::string tuesday = "2026-12-08T12:00";
    struct Watch {
        std::string now;
        std::vector<std::string> fired;  // texts shown, in order
    } const watches[] = {
        {tuesday, {"Call Anna 12/9/2026"}},
        {tuesday, {}},  // started again: nothing repeats
        {"2026-12-09T08:00", {}},
        {"2026-12-11T08:00", {"Pay rent 12/12/2026"}},
        {"2026-12-11T08:00", {}},
    };
    for (const Watch& w : watches) {
        auto r = At(w.now, {"alarms", "--watch", "--once", "--json"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::string> fired;
        size_t start = 0;
        for (size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
            const Json line = Json::parse(r.out.substr(start, end - start));
            EXPECT_EQ(line["desktop"], false);
            fired.push_back(line["text"]);
        }
        EXPECT_EQ(fired, w.fired) << w.now;
    }
    EXPECT_TRUE(JsonAt("2026-12-11T08:00", {"alarms"}).empty());

    // A reminder moved to a new time is pending again and fires then, as a line when the desktop is unreachable.
    JsonAt("2026-12-11T08:00", {"task", "set", later, "--reminder", "2026-12-11T18:00"});
    EXPECT_EQ(JsonAt("2026-12-11T08:00", {"alarms"}).size(), 1u);
    auto shown = At("2026-12-11T19:00", {"alarms", "--watch", "--once"}, "unix:path=/nonexistent/bus");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, "2026-12-11T18:00:00  Task Reminder: Pay rent 12/12/2026\n");

    EXPECT_EQ(At(kMonday, {"alarms", "--once"}).exitCode, 2);
    EXPECT_EQ(At(kMonday, {"alarms", "--watch", "--interval", "0"}).exitCode, 2);
}

// Watchers of one data directory take turns: one that finds another at work
// shows nothing until that one lets go, and then finds the alarm marked.
TEST_F(KstoolsItems, AWatcherWaitsForTheOneAtWork)
{
    NewTask("Call Anna", {"--due", "2026-12-09", "--reminder", "2026-12-08T09:00"});
    HANDLE atWork = CreateMutexW(nullptr, TRUE, u"KstoolsAlarmWatch");
    ASSERT_NE(atWork, nullptr);
    const int quiet = open("/dev/null", O_WRONLY);
    const pid_t watcher = kstest::SpawnChild({KSTOOLS_CLI, "alarms", "--watch", "--once"}, -1, quiet, quiet,
                                             {{"KSTOOLS_HOME", HomeDir().string()},
                                              {"KSTOOLS_NOW", "2026-12-08T12:00"},
                                              {"DBUS_SESSION_BUS_ADDRESS", ""}});
    close(quiet);
    ASSERT_GT(watcher, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(waitpid(watcher, nullptr, WNOHANG), 0) << "it showed the alarm while the other was at work";
    ReleaseMutex(atWork);
    CloseHandle(atWork);
    int status = -1;
    waitpid(watcher, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(JsonAt("2026-12-08T12:00", {"alarms"}).empty()) << "shown and marked once its turn came";
}

}  // namespace
