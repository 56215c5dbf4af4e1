// kstools tasks and projects on a small task store, today pinned to Tuesday 10 March 2026.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/store_schema.h"
#include "tests/support/kstools_home.h"
#include "tests/support/saved_environment.h"

namespace {

using Json = nlohmann::json;
using Strings = std::vector<std::string>;

constexpr int kHigh = 1, kNormal = 2, kLow = 3;  // importance as stored

struct TaskFields {
    std::u16string subject;
    std::optional<int> due;    // days from today
    std::optional<int> start;  // days from today
    int importance = kNormal;
    bool complete = false;
    double parent = 0;
    DWORD categoryBits = 0;
    int percent = -1;  // -1: no property
};

class KstoolsTasks : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        setenv("KSTOOLS_NOW", "2026-03-10T09:00", 1);
        platform::CloseObjectStore();
        ASSERT_TRUE(PimDatabases::Ensure());
    }
    kstest::SavedEnvironment m_environment{"KSTOOLS_NOW"};

    // Noon of the day fromToday days away: the same day in every device zone.
    static FILETIME Day(int fromToday)
    {
        const LONGLONG kTodayNoon = 134176176000000000;  // 2026-03-10 12:00 in 100 ns units since 1601
        const auto ticks = static_cast<ULONGLONG>(kTodayNoon + fromToday * 864000000000LL);
        return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    }

    CEOID AddTask(const TaskFields& t)
    {
        std::u16string subject = t.subject;
        std::vector<BYTE> bits;
        if (t.categoryBits) bits = {static_cast<BYTE>(t.categoryBits), static_cast<BYTE>(t.categoryBits >> 8), 0, 0};
        kstest::PropList r;
        r.Add(kTaskSubject).lpwstr = subject.data();
        r.Add(kTaskImportance).lVal = t.importance;
        r.Add(kTaskComplete).iVal = t.complete ? 1 : 0;
        if (t.due) r.Add(kTaskDueDate).filetime = Day(*t.due);
        if (t.start) r.Add(kTaskStartDate).filetime = Day(*t.start);
        if (t.complete) r.Add(kTaskDateCompleted).filetime = Day(t.due.value_or(0));
        if (t.parent != 0) r.Add(kTaskParent).dblVal = t.parent;
        r.Blob(kItemCategories, bits);
        if (t.percent >= 0) r.Add(kTaskPercentComplete).ulVal = static_cast<ULONG>(t.percent);
        const CEOID oid = kstest::WritePimRecord(kTasksDatabase, r.props);
        EXPECT_NE(oid, 0u);
        return oid;
    }

    // One overdue, one due today, one undated, one next week (40% done), one completed.
    void SeedFive()
    {
        AddTask({u"A1: Pay rent", -3, -5, kHigh});
        AddTask({u"B2: Buy paint", 0, std::nullopt, kNormal});
        AddTask({u"Read manual", std::nullopt, std::nullopt, kLow});
        AddTask({u"Book flights", 5, 1, kNormal, false, 0, 0, 40});
        AddTask({u"Filed taxes", -10, std::nullopt, kNormal, true});
    }

    kstest::ChildResult Tasks(Strings args)
    {
        args.insert(args.begin(), "tasks");
        return Run(args);
    }
    Json TasksJson(Strings args)
    {
        args.push_back("--json");
        return JsonOf(Tasks(args));
    }
    // Subjects of the displayed rows, headers included.
    static Strings Shown(const Json& list)
    {
        Strings s;
        for (const auto& row : list["rows"]) {
            if (!row["hidden"].get<bool>()) s.push_back(row["subject"]);
        }
        return s;
    }
    std::string Setting(const std::string& name)
    {
        auto r = Run({"settings", "get", "Software\\Corvid\\Kestrel\\TV", name});
        return r.exitCode == 0 ? r.out : "missing: " + r.err;
    }
};

const Json& Row(const Json& list, const std::string& subject)
{
    static const Json none;
    for (const auto& row : list["rows"]) {
        if (row["subject"] == subject) return row;
    }
    ADD_FAILURE() << "no row " << subject;
    return none;
}

// The line of the table that shows subject; empty when none does.
std::string LineOf(const std::string& table, const std::string& subject)
{
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(subject) != std::string::npos) return line;
    }
    return "";
}

Strings Sorted(Strings s)
{
    std::sort(s.begin(), s.end());
    return s;
}

TEST_F(KstoolsTasks, DefaultListLeavesCompletedTasksOutAndMarksLateOnes)
{
    SeedFive();
    const Json list = TasksJson({});
    EXPECT_EQ(Sorted(Shown(list)), (Strings{"Book flights", "Buy paint", "Pay rent", "Read manual"}));
    // A completed task passes the filters before it is left out.
    EXPECT_EQ(list["counts"], Json::parse(R"({"included": 5, "completed": 1, "overdue": 1, "dueToday": 1,
        "high": 1, "normal": 2, "low": 1, "partial": 1, "displayed": 4})"));

    const Json& rent = Row(list, "Pay rent");
    EXPECT_EQ(rent["priority"], "A1");
    EXPECT_EQ(rent["importance"], "high");
    EXPECT_EQ(rent["due"], "2026-03-07");
    EXPECT_EQ(rent["start"], "2026-03-05");
    EXPECT_TRUE(rent["overdue"].get<bool>());
    EXPECT_TRUE(Row(list, "Read manual")["due"].is_null());
    EXPECT_EQ(Row(list, "Book flights")["percent"], 40);

    // The table writes dates in the locale's short form and marks the rows.
    auto text = Tasks({});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::string rentLine = LineOf(text.out, "Pay rent");
    EXPECT_EQ(rentLine.rfind("A1 ", 0), 0u) << rentLine;
    EXPECT_LT(rentLine.find("3/7/2026"), rentLine.find("3/5/2026")) << "due, then start: " << rentLine;
    EXPECT_TRUE(rentLine.ends_with('!')) << rentLine;
    EXPECT_TRUE(LineOf(text.out, "Buy paint").ends_with('T'));
    EXPECT_NE(LineOf(text.out, "Read manual").find(" -  "), std::string::npos) << "no due date shows as -";
    EXPECT_NE(LineOf(text.out, "Book flights").find(" 40% "), std::string::npos);
    EXPECT_NE(text.out.find("included 5, completed 1, overdue 1, due today 1; high 1, normal 2, low 1; partly done 1"),
              std::string::npos)
        << text.out;
    EXPECT_EQ(text.out.find("Filed taxes"), std::string::npos);
}

TEST_F(KstoolsTasks, FilterAndSortOptionsAreTakenByNumberOrName)
{
    SeedFive();
    EXPECT_EQ(Shown(TasksJson({"--filter", "42252"})), Strings{"Pay rent"});
    EXPECT_EQ(Shown(TasksJson({"--filter", "completed"})), Strings{"Filed taxes"});
    EXPECT_EQ(Shown(TasksJson({"--filter", "on-date", "--on", "2026-03-15"})), Strings{"Book flights"});
    const Json all = TasksJson({"--filter", "all", "--show-completed"});
    EXPECT_EQ(all["counts"]["displayed"], 5);
    EXPECT_TRUE(Row(all, "Filed taxes")["complete"].get<bool>());
    EXPECT_EQ(Shown(TasksJson({"--hide-completed"})).size(), 4u);

    const Strings bySubject = {"Book flights", "Buy paint", "Pay rent", "Read manual"};
    EXPECT_EQ(Shown(TasksJson({"--sort", "subject"})), bySubject);
    EXPECT_EQ(Shown(TasksJson({"--sort", "1", "--descending"})), Strings(bySubject.rbegin(), bySubject.rend()));
    // --ascending turns the stored direction back without changing the key.
    EXPECT_EQ(Shown(TasksJson({"--ascending"})), bySubject);
}

// Which rows each grouping shows first is the task list's (tasks_list_sort_test).
TEST_F(KstoolsTasks, GroupsShowAsHeaderLinesClosedGroupsStayShutAndCategoriesAreNamed)
{
    SeedFive();
    ASSERT_EQ(Run({"categories", "add", "Home"}).exitCode, 0);
    ASSERT_EQ(Run({"categories", "add", "Work"}).exitCode, 0);
    AddTask({u"C3: Plan garden", 20, 15, kLow, false, 0, 0x3});
    Strings headers;
    const Json list = TasksJson({"--group", "importance"});
    for (const auto& row : list["rows"]) {
        if (row["kind"] == "header") headers.push_back(row["subject"]);
    }
    ASSERT_EQ(headers.size(), 3u);
    // The table prints each header as a capitalised line of its own.
    auto text = Tasks({});
    for (std::string h : headers) {
        std::transform(h.begin(), h.end(), h.begin(), [](unsigned char c) { return std::toupper(c); });
        EXPECT_NE(text.out.find("\n" + h + " ("), std::string::npos) << h << " in\n" << text.out;
    }

    // The normal-importance header stored closed, as the window stores it.
    ASSERT_EQ(Run({"settings", "set", "Software\\Corvid\\Kestrel\\TV\\GroupState", "1", "dword:0"}).exitCode, 0);
    text = Tasks({});
    EXPECT_EQ(text.out.find("Buy paint"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(", closed)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n2 more rows inside closed groups"), std::string::npos) << text.out;
    EXPECT_NE(LineOf(Tasks({"--group", "0"}).out, "Plan garden").find("Home, Work"), std::string::npos);
}

TEST_F(KstoolsTasks, OptionsAreStoredARunWithoutThemShowsTheSameListAndBadOnesChangeNothing)
{
    SeedFive();
    auto first = Tasks({"--filter", "42250", "--sort", "2,1", "--descending", "--group", "2", "--show-completed"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("Filed taxes"), std::string::npos);
    const std::pair<const char*, const char*> stored[] = {{"TV_FilterData", "42250\n"}, {"TV_Sort0", "2\n"},
                                                          {"TV_Sort1", "1\n"},          {"TV_SortDescending0", "1\n"},
                                                          {"GroupBy", "2\n"},           {"bShowCompleted", "1\n"}};
    for (auto [name, value] : stored) EXPECT_EQ(Setting(name), value) << name;
    // Bad arguments, one command line a row ("--filter " ends in an empty word), exit 2 and store nothing.
    for (const char* line : {"--filter 42254", "--filter soon", "--filter ", "--sort 8", "--sort 1,x", "--sort 1,2,3",
                             "--sort -1", "--group 9", "--group 2.0", "--project abc", "--project 0", "--days -4",
                             "--on 2026-02-30", "--descending --ascending", "--project 5 --filter 42252",
                             "--filter 42251 --on 2026-03-01", "--sort 1 --filter 42199"}) {
        Strings args(1);
        for (const char* c = line; *c; ++c) *c == ' ' ? void(args.emplace_back()) : args.back().push_back(*c);
        auto r = Tasks(args);
        EXPECT_EQ(r.exitCode, 2) << line;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
    }
    for (auto [name, value] : stored) EXPECT_EQ(Setting(name), value) << name;
    EXPECT_EQ(Tasks({}).out, first.out);
}

class KstoolsProjects : public KstoolsTasks {
protected:
    DWORD AddProject(const std::string& name)
    {
        auto r = Run({"projects", "add", name});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const auto at = r.out.find("0x");
        return at == std::string::npos ? 0 : static_cast<DWORD>(std::stoul(r.out.substr(at, 10), nullptr, 16));
    }
};

TEST_F(KstoolsProjects, ProjectsAreAddedListedWithTheirTaskTreesAndRemoved)
{
    EXPECT_EQ(Run({"projects"}).out, "no projects\n");
    const DWORD house = AddProject("House");
    const DWORD garden = AddProject("Garden");
    ASSERT_NE(house, 0u);
    ASSERT_NE(garden, house);
    EXPECT_EQ(AddProject("Garden"), garden) << "a name already listed keeps its project";

    const CEOID beds = AddTask({u"Dig beds", 3, std::nullopt, kNormal, false, garden + 0.5});
    AddTask({u"Buy compost", 1, std::nullopt, kHigh, false, beds + 0.0});
    AddTask({u"Paint fence", 9, std::nullopt, kNormal, false, static_cast<double>(garden)});
    AddTask({u"Fix roof", 4, std::nullopt, kNormal, false, static_cast<double>(house)});
    AddTask({u"Loose task", 4});

    const Json projects = JsonOf(Run({"projects", "--json"}))["projects"];
    ASSERT_EQ(projects.size(), 2u);
    EXPECT_EQ(projects[0]["name"], "Garden") << "name order";
    // Trees in either order, a child right after its parent.
    std::string tree;
    for (const auto& t : projects[0]["tasks"]) {
        tree += std::string(t["depth"].get<int>() * 2, ' ') + t["subject"].get<std::string>() + "\n";
    }
    EXPECT_TRUE(tree == "Dig beds\n  Buy compost\nPaint fence\n" || tree == "Paint fence\nDig beds\n  Buy compost\n")
        << tree;
    ASSERT_EQ(projects[1]["tasks"].size(), 1u);
    EXPECT_EQ(projects[1]["tasks"][0]["subject"], "Fix roof");

    auto text = Run({"projects"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const auto column = [&](const std::string& s) { return LineOf(text.out, s).find(s); };
    EXPECT_EQ(column("Buy compost"), column("Dig beds") + 2) << text.out;
    EXPECT_EQ(text.out.find("Loose task"), std::string::npos);

    // The project view of the task list shows the same project.
    const std::string decimal = std::to_string(garden);
    EXPECT_EQ(Sorted(Shown(TasksJson({"--project", decimal}))), (Strings{"Buy compost", "Dig beds", "Paint fence"}));
    EXPECT_EQ(Setting("TV_FilterData"), "42262\n");
    EXPECT_EQ(Setting("FCCurrentProjectOID"), decimal + "\n");
    EXPECT_EQ(Tasks({"--project", "12345"}).exitCode, 1) << "no such project";

    const std::string hex = PropidText(garden);
    auto removed = Run({"projects", "remove", hex});
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_NE(removed.out.find("Garden"), std::string::npos);
    const Json after = Json::parse(Run({"projects", "--json"}).out);
    ASSERT_EQ(after["projects"].size(), 1u);
    EXPECT_EQ(after["projects"][0]["name"], "House");
    EXPECT_EQ(Run({"projects", "remove", hex}).exitCode, 1) << "no such project any more";
    EXPECT_EQ(Run({"projects", "remove", "garden"}).exitCode, 2);
}

TEST_F(KstoolsTasks, ACustomViewBringsTheSavedListBackByteForByte)
{
    SeedFive();
    ASSERT_EQ(Tasks({"--sort", "due", "--descending", "--group", "importance", "--show-completed"}).exitCode, 0);
    const kstest::ChildResult saved = Tasks({});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const kstest::ChildResult save = Run({"views", "save", "tasks", "Work/Due first"});
    ASSERT_EQ(save.exitCode, 0) << save.err;

    ASSERT_EQ(Tasks({"--sort", "subject", "--group", "none", "--hide-completed", "--filter", "today"}).exitCode, 0);
    ASSERT_NE(Tasks({}).out, saved.out);
    const kstest::ChildResult apply = Run({"views", "apply", "tasks", "Work\\Due first"});
    ASSERT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_EQ(Tasks({}).out, saved.out);
    EXPECT_EQ(Run({"views", "list", "tasks"}).out, "Work\\Due first\n");
    EXPECT_EQ(Run({"views", "list", "contacts"}).out, "no custom views\n");

    // A view file cut short is refused and the list stays as it is.
    ASSERT_EQ(Tasks({"--sort", "subject"}).exitCode, 0);
    const std::string before = Tasks({}).out;
    const auto file = HomeDir() / "device" / "Application Data" / "Corvid" / "CustomViews" / "Tasks" / "Work" / "Due first.002";
    ASSERT_TRUE(std::filesystem::exists(file));
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 7);
    struct Case {
        Strings args;
        int exitCode;
        const char* error;
    };
    const Case cases[] = {
        {{"views", "apply", "tasks", "Work/Due first"}, 1, "cut short"},
        {{"views", "apply", "tasks", "Nothing"}, 1, "No such view"},
        {{"views", "apply", "agenda", "Work/Due first"}, 2, "no application"},
        {{"views", "save", "tasks", "../up"}, 2, "needs a name"},
        {{"views", "delete", "calendar", "Work/Due first"}, 1, "No such view"},
    };
    for (const Case& c : cases) {
        const kstest::ChildResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << " " << c.args[3];
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
    EXPECT_EQ(Tasks({}).out, before);
    EXPECT_EQ(Run({"views", "delete", "tasks", "Work/Due first"}).exitCode, 0);
    EXPECT_EQ(Run({"views", "list", "tasks"}).out, "no custom views\n");
    EXPECT_FALSE(std::filesystem::exists(file.parent_path())) << "the emptied folder stays";
}

}  // namespace
