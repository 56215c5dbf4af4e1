// kstools tasks and kstools projects on a small task store written for each
// test, with today pinned to Tuesday 10 March 2026: what the list keeps,
// its order and groups, the stored view, bad arguments, and projects with
// their task trees.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/cedb.h"
#include "platform/handle.h"
#include "platform/pim_databases.h"
#include "platform/variant_time.h"
#include "tests/tools/kstools_home_fixture.h"

namespace {

using Json = nlohmann::json;
using Strings = std::vector<std::string>;

constexpr CEPROPID kSubject = 0x0037001F;
constexpr CEPROPID kDue = 0x41050040;
constexpr CEPROPID kStart = 0x41040040;
constexpr CEPROPID kComplete = 0x410F0002;
constexpr CEPROPID kCompletedOn = 0x410F0040;
constexpr CEPROPID kImportance = 0x00260003;
constexpr CEPROPID kParent = 0x2A090005;
constexpr CEPROPID kCategories = 0x00160041;
constexpr CEPROPID kPercent = 0x2A110013;

constexpr int kHigh = 1, kNormal = 2, kLow = 3;  // importance as stored

struct TaskSpec {
    std::u16string subject;
    std::optional<int> due;    // days from today
    std::optional<int> start;  // days from today
    int importance = kNormal;
    bool complete = false;
    double parent = 0;
    DWORD categoryBits = 0;
    int percent = -1;  // -1: no property
};

class KstoolsTasks : public KstoolsHomeFixture {
protected:
    void SetUp() override
    {
        KstoolsHomeFixture::SetUp();
        // The store is written from this process; kstools reads it from its own.
        setenv("KSTOOLS_HOME", home_.c_str(), 1);
        setenv("KSTOOLS_NOW", "2026-03-10T09:00", 1);
        platform::CloseObjectStore();
        ASSERT_TRUE(PimDatabases::Ensure());
    }
    void TearDown() override
    {
        platform::CloseObjectStore();
        unsetenv("KSTOOLS_NOW");
        unsetenv("KSTOOLS_HOME");
        KstoolsHomeFixture::TearDown();
    }

    static FILETIME Day(int fromToday)
    {
        // Noon keeps the day the same in every zone the device may be set to.
        SYSTEMTIME today{2026, 3, 2, 10, 12, 0, 0, 0};
        DATE date = 0;
        SystemTimeToVariantTime(&today, &date);
        SYSTEMTIME st{};
        VariantTimeToSystemTime(date + fromToday, &st);
        FILETIME ft{};
        SystemTimeToFileTime(&st, &ft);
        return ft;
    }

    CEOID AddTask(const TaskSpec& t)
    {
        CEOID dbOid = 0;
        HANDLE db = CeOpenDatabase(&dbOid, kTasksDatabase, 0, 0, nullptr);
        EXPECT_NE(db, INVALID_HANDLE_VALUE);
        std::u16string subject = t.subject;
        BYTE bits[4] = {static_cast<BYTE>(t.categoryBits), static_cast<BYTE>(t.categoryBits >> 8), 0, 0};
        std::vector<CEPROPVAL> props;
        auto add = [&](CEPROPID id, auto fill) {
            CEPROPVAL p{};
            p.propid = id;
            fill(p.val);
            props.push_back(p);
        };
        add(kSubject, [&](CEVALUNION& v) { v.lpwstr = subject.data(); });
        add(kImportance, [&](CEVALUNION& v) { v.lVal = t.importance; });
        add(kComplete, [&](CEVALUNION& v) { v.iVal = t.complete ? 1 : 0; });
        if (t.due) add(kDue, [&](CEVALUNION& v) { v.filetime = Day(*t.due); });
        if (t.start) add(kStart, [&](CEVALUNION& v) { v.filetime = Day(*t.start); });
        if (t.complete) add(kCompletedOn, [&](CEVALUNION& v) { v.filetime = Day(t.due.value_or(0)); });
        if (t.parent != 0) add(kParent, [&](CEVALUNION& v) { v.dblVal = t.parent; });
        if (t.categoryBits) add(kCategories, [&](CEVALUNION& v) { v.blob = CEBLOB{4, bits}; });
        if (t.percent >= 0) add(kPercent, [&](CEVALUNION& v) { v.ulVal = static_cast<ULONG>(t.percent); });
        const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
        EXPECT_NE(oid, 0u);
        CloseHandle(db);
        return oid;
    }

    // Five tasks: one overdue, one due today, one without dates, one next
    // week (40% done), and one completed.
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
        auto r = Tasks(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? Json::parse(r.out) : Json::object();
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

const Json* FindRow(const Json& list, const std::string& subject)
{
    for (const auto& row : list["rows"]) {
        if (row["subject"] == subject) return &row;
    }
    return nullptr;
}

TEST_F(KstoolsTasks, DefaultListLeavesCompletedTasksOutAndMarksLateOnes)
{
    SeedFive();
    const Json list = TasksJson({});
    Strings shown = Shown(list);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (Strings{"Book flights", "Buy paint", "Pay rent", "Read manual"}));

    const Json& counts = list["counts"];
    EXPECT_EQ(counts["included"], 5) << "a completed task passes the filters before it is left out";
    EXPECT_EQ(counts["completed"], 1);
    EXPECT_EQ(counts["overdue"], 1);
    EXPECT_EQ(counts["dueToday"], 1);
    EXPECT_EQ(counts["displayed"], 4);
    EXPECT_EQ(counts["partial"], 1);

    const Json* rent = FindRow(list, "Pay rent");
    ASSERT_NE(rent, nullptr);
    EXPECT_EQ((*rent)["priority"], "A1");
    EXPECT_EQ((*rent)["importance"], "high");
    EXPECT_EQ((*rent)["due"], "2026-03-07");
    EXPECT_EQ((*rent)["start"], "2026-03-05");
    EXPECT_TRUE((*rent)["overdue"].get<bool>());
    const Json* manual = FindRow(list, "Read manual");
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE((*manual)["due"].is_null());
    EXPECT_TRUE((*manual)["start"].is_null());
    const Json* flights = FindRow(list, "Book flights");
    ASSERT_NE(flights, nullptr);
    EXPECT_EQ((*flights)["percent"], 40);

    // The table writes dates in the locale's short form and marks the rows.
    auto text = Tasks({});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    std::istringstream lines(text.out);
    std::string line, rentLine, paintLine, manualLine, flightsLine;
    while (std::getline(lines, line)) {
        if (line.find("Pay rent") != std::string::npos) rentLine = line;
        if (line.find("Buy paint") != std::string::npos) paintLine = line;
        if (line.find("Read manual") != std::string::npos) manualLine = line;
        if (line.find("Book flights") != std::string::npos) flightsLine = line;
    }
    EXPECT_NE(flightsLine.find(" 40% "), std::string::npos) << flightsLine;
    EXPECT_EQ(rentLine.rfind("A1 ", 0), 0u) << rentLine;
    EXPECT_LT(rentLine.find("3/7/2026"), rentLine.find("3/5/2026")) << "due, then start: " << rentLine;
    EXPECT_EQ(rentLine.substr(rentLine.size() - 1), "!") << rentLine;
    EXPECT_EQ(paintLine.substr(paintLine.size() - 1), "T") << paintLine;
    EXPECT_NE(manualLine.find(" -  "), std::string::npos) << "no due date shows as -: " << manualLine;
    EXPECT_NE(text.out.find("included 5, completed 1, overdue 1, due today 1; high 1, normal 2, low 1; partly done 1"),
              std::string::npos)
        << "the completed task left out is not counted by importance\n" << text.out;
    EXPECT_EQ(text.out.find("Filed taxes"), std::string::npos);
}

TEST_F(KstoolsTasks, FilterRulesKeepWhatTheyName)
{
    SeedFive();
    EXPECT_EQ(Shown(TasksJson({"--filter", "42252"})), Strings{"Pay rent"});
    EXPECT_EQ(Shown(TasksJson({"--filter", "undated"})), Strings{"Read manual"});
    EXPECT_EQ(Shown(TasksJson({"--filter", "completed"})), Strings{"Filed taxes"});

    Json all = TasksJson({"--filter", "all", "--show-completed"});
    EXPECT_EQ(all["counts"]["displayed"], 5);
    const Json* taxes = FindRow(all, "Filed taxes");
    ASSERT_NE(taxes, nullptr);
    EXPECT_TRUE((*taxes)["complete"].get<bool>());
    EXPECT_EQ((*taxes)["percent"], 100);
    EXPECT_FALSE((*taxes)["overdue"].get<bool>()) << "a completed task is never late";
    EXPECT_EQ(Shown(TasksJson({"--hide-completed"})).size(), 4u);

    // The on-date rule lists the tasks of one day; on today also the late ones.
    EXPECT_EQ(Shown(TasksJson({"--filter", "on-date", "--on", "2026-03-15"})), Strings{"Book flights"});
    Strings today = Shown(TasksJson({"--filter", "42260"}));
    std::sort(today.begin(), today.end());
    EXPECT_EQ(today, (Strings{"Buy paint", "Pay rent"}));
}

TEST_F(KstoolsTasks, SortKeysAndDirectionOrderTheRows)
{
    SeedFive();
    EXPECT_EQ(Shown(TasksJson({"--filter", "all", "--sort", "subject"})),
              (Strings{"Book flights", "Buy paint", "Pay rent", "Read manual"}));
    EXPECT_EQ(Shown(TasksJson({"--sort", "1", "--descending"})),
              (Strings{"Read manual", "Pay rent", "Buy paint", "Book flights"}));
    // Undated tasks stay last in both directions.
    EXPECT_EQ(Shown(TasksJson({"--sort", "2,1"})), (Strings{"Pay rent", "Buy paint", "Book flights", "Read manual"}));
    EXPECT_EQ(Shown(TasksJson({"--sort", "due", "--descending"})),
              (Strings{"Book flights", "Buy paint", "Pay rent", "Read manual"}));
    // --ascending turns the stored direction back without changing the key.
    EXPECT_EQ(Shown(TasksJson({"--ascending"})), (Strings{"Pay rent", "Buy paint", "Book flights", "Read manual"}));
}

TEST_F(KstoolsTasks, GroupingByImportancePutsEachTaskUnderItsHeader)
{
    SeedFive();
    const Json list = TasksJson({"--group", "2"});
    Strings headers;
    std::string under;
    for (const auto& row : list["rows"]) {
        if (row["kind"] == "header") {
            headers.push_back(row["subject"]);
            under = row["importance"];
            EXPECT_EQ(row["depth"], 0);
        } else {
            EXPECT_EQ(row["depth"], 1) << row;
            EXPECT_EQ(row["importance"], under) << row["subject"] << " is under the wrong header";
        }
    }
    ASSERT_EQ(headers.size(), 3u);
    EXPECT_EQ(list["rows"][0]["importance"], "high") << "the high header comes first";

    // The table prints each header as a capitalised line of its own.
    auto text = Tasks({});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const std::string& h : headers) {
        std::string upper = h;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        EXPECT_NE(text.out.find("\n" + upper + " ("), std::string::npos) << upper << " in\n" << text.out;
    }
}

TEST_F(KstoolsTasks, ClosedHeaderKeepsItsTasksOutOfTheTable)
{
    SeedFive();
    // The normal-importance header stored closed, as the window stores it.
    ASSERT_EQ(Run({"settings", "set", "Software\\Corvid\\Kestrel\\TV\\GroupState", "1", "dword:0"}).exitCode, 0);
    const Json list = TasksJson({"--group", "importance"});
    EXPECT_EQ(list["counts"]["displayed"], 5) << "three headers and the high and low task";
    Strings hidden;
    for (const auto& row : list["rows"]) {
        if (row["hidden"].get<bool>()) hidden.push_back(row["subject"]);
    }
    std::sort(hidden.begin(), hidden.end());
    EXPECT_EQ(hidden, (Strings{"Book flights", "Buy paint"}));

    auto text = Tasks({});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.find("Buy paint"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Pay rent"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(", closed)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n2 more rows inside closed groups"), std::string::npos) << text.out;
}

TEST_F(KstoolsTasks, CountsAgreeWithTheRowsInEveryGrouping)
{
    SeedFive();
    AddTask({u"C3: Plan garden", 20, 15, kLow, false, 0, 0x3});
    for (const char* group : {"0", "1", "2", "3", "4", "5", "6"}) {
        const Json list = TasksJson({"--group", group, "--show-completed"});
        const Json& rows = list["rows"];
        int displayed = 0, high = 0, normal = 0, low = 0;
        bool hiddenSeen = false;
        for (const auto& row : rows) {
            const bool hidden = row["hidden"];
            EXPECT_FALSE(hiddenSeen && !hidden) << "group " << group << ": a shown row after a hidden one";
            hiddenSeen = hiddenSeen || hidden;
            displayed += hidden ? 0 : 1;
            if (row["kind"] == "task") {
                high += row["importance"] == "high";
                normal += row["importance"] == "normal";
                low += row["importance"] == "low";
            }
        }
        const Json& counts = list["counts"];
        EXPECT_EQ(counts["displayed"], displayed) << "group " << group;
        if (std::string(group) != "1") {  // a task of two categories shows twice
            EXPECT_EQ(counts["high"], high) << "group " << group;
            EXPECT_EQ(counts["normal"], normal) << "group " << group;
            EXPECT_EQ(counts["low"], low) << "group " << group;
        }
        EXPECT_EQ(counts["included"], 6) << "group " << group;
    }
}

TEST_F(KstoolsTasks, TaskOfTwoCategoriesShowsUnderBothCategoryHeaders)
{
    ASSERT_EQ(Run({"categories", "add", "Home"}).exitCode, 0);
    ASSERT_EQ(Run({"categories", "add", "Work"}).exitCode, 0);
    AddTask({u"Plan garden", 20, std::nullopt, kNormal, false, 0, 0x3});
    AddTask({u"Fix door", 2, std::nullopt, kNormal, false, 0, 0x1});
    const Json list = TasksJson({"--group", "category"});
    Strings shown = Shown(list);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "Plan garden"), 2);
    const Json* garden = FindRow(list, "Plan garden");
    ASSERT_NE(garden, nullptr);
    EXPECT_EQ((*garden)["categories"], "Home, Work");

    auto text = Tasks({"--group", "0"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Home, Work"), std::string::npos) << text.out;
}

TEST_F(KstoolsTasks, OptionsAreStoredAndARunWithoutThemShowsTheSameList)
{
    SeedFive();
    auto first = Tasks({"--filter", "42250", "--sort", "2,1", "--descending", "--group", "2", "--show-completed"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(Setting("TV_FilterData"), "42250\n");
    EXPECT_EQ(Setting("TV_Sort0"), "2\n");
    EXPECT_EQ(Setting("TV_Sort1"), "1\n");
    EXPECT_EQ(Setting("TV_SortDescending0"), "1\n");
    EXPECT_EQ(Setting("GroupBy"), "2\n");
    EXPECT_EQ(Setting("bShowCompleted"), "1\n");

    auto second = Tasks({});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, first.out);
    EXPECT_NE(first.out.find("Filed taxes"), std::string::npos);

    // A value stored by hand is read the same way as the option.
    ASSERT_EQ(Run({"settings", "set", "Software\\Corvid\\Kestrel\\TV", "GroupBy", "dword:0"}).exitCode, 0);
    auto byHand = Tasks({});
    auto byOption = Tasks({"--group", "0"});
    EXPECT_EQ(byHand.out, byOption.out);
    EXPECT_NE(byHand.out, first.out);
}

TEST_F(KstoolsTasks, BadArgumentsExitTwoAndLeaveTheStoredViewAlone)
{
    SeedFive();
    ASSERT_EQ(Tasks({"--filter", "overdue"}).exitCode, 0);
    const Strings bad[] = {{"--filter", "42254"},      {"--filter", "soon"},  {"--filter", ""},
                           {"--sort", "8"},            {"--sort", "1,x"},     {"--sort", "1,2,3"},
                           {"--sort", "-1"},           {"--group", "9"},      {"--group", "2.0"},
                           {"--project", "abc"},       {"--project", "0"},    {"--days", "-4"},
                           {"--on", "2026-02-30"},     {"--descending", "--ascending"},
                           {"--project", "5", "--filter", "42250"},          {"--filter", "42251", "--on", "2026-03-01"},
                           {"--sort", "1", "--filter", "42199"}};
    for (const Strings& args : bad) {
        auto r = Tasks(args);
        EXPECT_EQ(r.exitCode, 2) << args[0] << " " << args[1];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(Setting("TV_FilterData"), "42252\n");
    EXPECT_EQ(Setting("TV_Sort0").rfind("missing", 0), 0u) << "a refused --sort was not stored";
    EXPECT_EQ(Shown(TasksJson({})), Strings{"Pay rent"});
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

TEST_F(KstoolsProjects, AddingListsAndRemovingProjects)
{
    auto empty = Run({"projects"});
    ASSERT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_EQ(empty.out, "no projects\n");

    const DWORD house = AddProject("House");
    const DWORD garden = AddProject("Garden");
    ASSERT_NE(house, 0u);
    ASSERT_NE(garden, house);
    EXPECT_EQ(AddProject("Garden"), garden) << "a name already listed keeps its project";

    auto list = Run({"projects", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    const Json projects = Json::parse(list.out)["projects"];
    ASSERT_EQ(projects.size(), 2u);
    EXPECT_EQ(projects[0]["name"], "Garden") << "name order";
    EXPECT_EQ(projects[1]["name"], "House");

    char oid[16];
    std::snprintf(oid, sizeof oid, "0x%08X", garden);
    auto removed = Run({"projects", "remove", oid});
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_NE(removed.out.find("Garden"), std::string::npos);
    const Json after = Json::parse(Run({"projects", "--json"}).out)["projects"];
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0]["name"], "House");

    EXPECT_EQ(Run({"projects", "remove", oid}).exitCode, 1) << "no such project any more";
    EXPECT_EQ(Run({"projects", "remove", "garden"}).exitCode, 2);
    EXPECT_EQ(Run({"projects", "add", ""}).exitCode, 2);
}

TEST_F(KstoolsProjects, EachProjectListsItsTasksAsATree)
{
    const DWORD garden = AddProject("Garden");
    const DWORD house = AddProject("House");
    const CEOID beds = AddTask({u"Dig beds", 3, std::nullopt, kNormal, false, garden + 0.5});
    AddTask({u"Buy compost", 1, std::nullopt, kHigh, false, beds + 0.0});
    AddTask({u"Paint fence", 9, std::nullopt, kNormal, false, static_cast<double>(garden)});
    AddTask({u"Fix roof", 4, std::nullopt, kNormal, false, static_cast<double>(house)});
    AddTask({u"Loose task", 4});

    auto r = Run({"projects", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json projects = Json::parse(r.out)["projects"];
    ASSERT_EQ(projects.size(), 2u);
    Strings gardenTasks;
    for (const auto& t : projects[0]["tasks"]) {
        gardenTasks.push_back(std::string(t["depth"].get<int>() * 2, ' ') + t["subject"].get<std::string>());
    }
    std::sort(gardenTasks.begin(), gardenTasks.end());  // trees in either order, a child right after its parent
    EXPECT_EQ(gardenTasks, (Strings{"  Buy compost", "Dig beds", "Paint fence"}));
    const Json& first = projects[0]["tasks"];
    for (size_t i = 0; i < first.size(); ++i) {
        if (first[i]["subject"] == "Buy compost") {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(first[i - 1]["subject"], "Dig beds");
        }
    }
    ASSERT_EQ(projects[1]["tasks"].size(), 1u);
    EXPECT_EQ(projects[1]["tasks"][0]["subject"], "Fix roof");

    auto text = Run({"projects"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const auto digAt = text.out.find("Dig beds");
    const auto compostAt = text.out.find("Buy compost");
    ASSERT_NE(digAt, std::string::npos);
    ASSERT_NE(compostAt, std::string::npos);
    const auto column = [&](size_t at) { return at - text.out.rfind('\n', at); };
    EXPECT_EQ(column(compostAt), column(digAt) + 2) << text.out;
    EXPECT_EQ(text.out.find("Loose task"), std::string::npos);

    // The project view of the task list shows the same project.
    char oid[16];
    std::snprintf(oid, sizeof oid, "%u", garden);
    Strings view = Shown(TasksJson({"--project", oid}));
    std::sort(view.begin(), view.end());
    EXPECT_EQ(view, (Strings{"Buy compost", "Dig beds", "Paint fence"}));
    EXPECT_EQ(Setting("TV_FilterData"), "42262\n");
    EXPECT_EQ(Setting("FCCurrentProjectOID"), std::to_string(garden) + "\n");
    EXPECT_EQ(Tasks({"--project", "12345"}).exitCode, 1) << "no such project";
}

}  // namespace
