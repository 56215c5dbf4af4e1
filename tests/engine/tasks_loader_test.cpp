// Task list loads. Sections: Filters and counters; Rows and their order; Groups; Single updates and damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/tasks_thread.h"
#include "tests/engine/task_store.h"

using namespace tasktest;

namespace {

std::set<std::string> AsSet(const std::vector<std::string>& rows) { return {rows.begin(), rows.end()}; }

class TasksLoaderTest : public TaskStoreTest {
protected:
    // A store where each task sits on one side of a rule's boundary.
    void WriteRuleStore()
    {
        const double t = today;
        WriteTask({.subject = u"overdue", .due = t - 3});
        WriteTask({.subject = u"today", .due = t});
        WriteTask({.subject = u"tomorrow", .due = t + 1});
        WriteTask({.subject = u"nextweek", .due = t + 5, .start = t + 2});
        WriteTask({.subject = u"started", .due = t + 10, .start = t - 1});
        WriteTask({.subject = u"undated"});
        WriteTask({.subject = u"startonly", .start = t});
        WriteTask({.subject = u"donetoday", .due = t - 2, .complete = true, .completed = t});
        WriteTask({.subject = u"doneold", .due = t - 20, .complete = true, .completed = t - 10});
        WriteTask({.subject = u"farfuture", .due = t + 100});
        // 15 December 2999: inside the range that is never listed.
        WriteTask({.subject = u"y2999", .due = 401752});
    }
};

// ---- Filters and counters -------------------------------------------------

TEST_F(TasksLoaderTest, EachFilterRuleKeepsExactlyItsTasks)
{
    WriteRuleStore();
    SetTaskSetting(u"bShowCompleted", 1);
    SetTaskSetting(u"bShowUndated", 1);
    SetTaskSetting(u"TV_DaysFuture", 7);
    struct Case {
        int rule;
        std::set<std::string> kept;
    } const cases[] = {
        {42250,
         {"overdue", "today", "tomorrow", "nextweek", "started", "undated", "startonly", "donetoday", "doneold",
          "farfuture"}},
        {42251, {"overdue", "today", "undated", "startonly", "donetoday"}},
        {42252, {"overdue"}},
        {42253, {"undated"}},
        {42255, {"overdue", "today", "started", "undated", "startonly", "donetoday"}},
        {42256, {"overdue", "today", "tomorrow", "undated", "startonly", "donetoday"}},
        {42258, {"donetoday", "doneold"}},
        {42259,
         {"overdue", "today", "tomorrow", "nextweek", "started", "undated", "startonly", "donetoday", "doneold"}},
        {42261, {"undated"}},
        {12345,
         {"overdue", "today", "tomorrow", "nextweek", "started", "undated", "startonly", "donetoday", "doneold",
          "farfuture"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        SetTaskSetting(u"TV_FilterData", c.rule);
        CTasksThread loader;
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(AsSet(VisibleText(loader)), c.kept);
        EXPECT_EQ(loader.GetDisplayedCount(), static_cast<int>(c.kept.size()));
    }
    // The tomorrow rule keeps completed tasks due today or tomorrow.
    const double t = today;
    WriteTask({.subject = u"duetoday", .due = t, .complete = true, .completed = t - 5});
    WriteTask({.subject = u"duetomorrow", .due = t + 1, .complete = true, .completed = t - 5});
    WriteTask({.subject = u"dueafter", .due = t + 2, .complete = true, .completed = t - 5});
    SetTaskSetting(u"TV_FilterData", 42256);
    CTasksThread tomorrow;
    ASSERT_TRUE(Load(tomorrow));
    const std::set<std::string> kept = AsSet(VisibleText(tomorrow));
    EXPECT_TRUE(kept.count("duetoday") && kept.count("duetomorrow") && !kept.count("dueafter"));
}

TEST_F(TasksLoaderTest, OnDateRuleListsThatDayAndOverdueTasksOnlyForToday)
{
    WriteRuleStore();
    SetTaskSetting(u"TV_FilterData", 42260);
    CTasksThread loader;
    loader.SetManualSettings(true);
    loader.SettingChange();
    loader.SetDateOn(today);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(AsSet(VisibleText(loader)), (std::set<std::string>{"today", "started", "overdue", "donetoday"}));

    loader.SetDateOn(today + 1);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(AsSet(VisibleText(loader)), (std::set<std::string>{"tomorrow", "started"}));

    // The rule and today set by hand hold for the next loads: the day before, the overdue task is not overdue yet.
    struct Case {
        int rule;
        int todayOffset;
        std::set<std::string> kept;
    } const cases[] = {
        {42252, 0, {"overdue"}},
        {42252, -4, {}},
        {42252, 2, {"overdue", "today", "tomorrow"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.todayOffset);
        loader.SetFilterRule(c.rule);
        loader.SetToday(static_cast<int>(today) + c.todayOffset);
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(loader.GetFilterRule(), c.rule);
        EXPECT_EQ(loader.GetToday(), static_cast<int>(today) + c.todayOffset);
        EXPECT_EQ(AsSet(VisibleText(loader)), c.kept);
        EXPECT_FALSE(loader.IsBusy());
    }
}

TEST_F(TasksLoaderTest, CountersFollowWhatTheFiltersSaw)
{
    WriteRuleStore();
    WriteTask({.subject = u"high", .due = today + 2, .importance = 1, .percent = 40});
    WriteTask({.subject = u"low", .importance = 3, .percent = 100});  // incomplete at 100 reads as 0
    WriteTask({.subject = u"odd", .importance = 7});                  // unknown importance is normal
    CTasksThread loader;  // completed tasks hidden by default, undated shown
    LPARAM reported = -1;
    ASSERT_TRUE(Load(loader, &reported));
    // Every task but the 2999 one passes; the two complete ones are counted, then hidden.
    // Included, completed, displayed, reported, overdue, due today, high, low, normal, with a percentage.
    EXPECT_EQ((std::vector<LONG>{loader.GetIncludedCount(), loader.GetCompletedCount(), loader.GetDisplayedCount(),
                                 static_cast<LONG>(reported), loader.GetOverdueCount(), loader.GetDueTodayCount(),
                                 loader.GetHighCount(), loader.GetLowCount(), loader.GetNormalCount(),
                                 loader.GetPercentageCount()}),
              (std::vector<LONG>{13, 2, 11, 11, 1, 1, 1, 1, 9, 1}));
    for (DATATASKS* row : Visible(loader)) {
        if (Utf8(row->subject) == "low") {
            EXPECT_EQ(row->percentComplete, 0);
        }
        if (Utf8(row->subject) == "odd") {
            EXPECT_EQ(row->importance, kTaskImportanceNormal);
        }
    }
}

TEST_F(TasksLoaderTest, PrivacyAndImportanceFilters)
{
    WriteTask({.subject = u"open", .sensitivity = 0});
    WriteTask({.subject = u"secret", .importance = 1, .sensitivity = 2});
    const struct {
        ULONG privacy, priority;
        std::vector<std::string> shown;
    } cases[] = {{1, 0, {"secret"}}, {0, 0, {"open"}}, {static_cast<ULONG>(-1), 2, {"secret"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<LONG>(c.privacy) << "/" << c.priority);
        SetTaskSetting(u"TV_FilterPrivacy", c.privacy);
        if (c.priority) SetTaskSetting(u"TV_FilterPriority", c.priority);
        CTasksThread loader;
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(VisibleText(loader), c.shown);
    }
}

// ---- Rows and their order -------------------------------------------------

TEST_F(TasksLoaderTest, RowFieldsComeFromTheRecord)
{
    std::vector<BYTE> emptyInk(476, ' ');
    std::copy_n("{\\pwi", 5, emptyInk.begin());
    const CEOID a = WriteTask({.subject = u"B12|7: Renew licence", .due = today + 3, .note = {'h', 'i'}});
    WriteTask({.subject = u"Plain", .note = emptyInk});
    loadertest::WriteSideRecord(kLinksDatabase, kLinksSeekProperty, a);
    loadertest::WriteSideRecord(kJournalDatabase, kJournalSeekProperty, a);
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    auto day = [&](double d) { return d == kTaskNoDate ? std::string("-") : std::to_string(LONG(d - today)); };
    std::vector<std::string> rows;
    for (DATATASKS* row : Visible(loader)) {
        rows.push_back(Utf8(row->subject) + " " + Utf8(row->priorityLetter) + Utf8(row->priorityNumber) + "|" +
                       std::to_string(row->order) + " " + std::to_string(row->hasNote) + std::to_string(row->hasLinks) +
                       std::to_string(row->hasJournal) + " due " + day(row->dueDate) + " start " + day(row->startDate));
    }
    // The empty ink note is no note.
    EXPECT_EQ(AsSet(rows),
              (std::set<std::string>{"Renew licence B12|7 111 due 3 start -", "Plain |0 000 due - start -"}));
}

TEST_F(TasksLoaderTest, DueDateSortKeepsUndatedTasksOnTheirSideInBothDirections)
{
    WriteTask({.subject = u"b", .due = today + 2});
    WriteTask({.subject = u"none"});
    WriteTask({.subject = u"a", .due = today + 1});
    WriteTask({.subject = u"c", .due = today + 3});
    SetTaskSetting(u"TV_Sort0", 2);
    SetTaskSetting(u"TV_Sort1", 1);
    struct Case {
        ULONG descending;
        ULONG undated;
        std::vector<std::string> order;
    } const cases[] = {
        {1, static_cast<ULONG>(-1), {"c", "b", "a", "none"}},
        {0, 1, {"none", "a", "b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.descending << "/" << static_cast<LONG>(c.undated));
        SetTaskSetting(u"TV_SortDescending0", c.descending);
        SetTaskSetting(u"UndatedTaskSort", c.undated);
        CTasksThread loader;
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(VisibleText(loader), c.order);
    }
}

TEST_F(TasksLoaderTest, PriorityKeyOrdersByImportanceThenLetterThenNumber)
{
    WriteTask({.subject = u"B1: b1", .importance = 2});
    WriteTask({.subject = u"A10: a10", .importance = 2});
    WriteTask({.subject = u"A2: a2", .importance = 2});
    WriteTask({.subject = u"urgent", .importance = 1});
    WriteTask({.subject = u"plain", .importance = 2});
    CTasksThread loader;  // primary key 4, secondary subject
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"urgent", "a2", "a10", "b1", "plain"}));
}

// ---- Groups ---------------------------------------------------------------

class TasksGroupingTest : public TasksLoaderTest {
protected:
    void SetUp() override
    {
        TasksLoaderTest::SetUp();
        home = cattest::WriteCategory(u"Home", 0);
        work = cattest::WriteCategory(u"Work", 1);
        ResetFullCategoryList();
    }
    // Shows only the tasks of the category Work.
    void SelectWork(CTasksThread& loader) const
    {
        CCategoryFilterInfo* info = nullptr;
        loader.GetCategoryRestrict(info);
        info->SetSelected(new CePtrList<CFullCategory*>);
        info->m_pSelected->Append(new CFullCategory(u"Work", 1, work));
        loader.SetCategoryRestrict(false);
    }
    CEOID home = 0, work = 0;
};

TEST_F(TasksGroupingTest, CategoryGroupsShowATaskUnderEachOfItsCategories)
{
    const CEOID both = WriteTask({.subject = u"both", .categories = loadertest::BlobOf({0, 1})});
    WriteTask({.subject = u"homeonly", .categories = loadertest::BlobOf({0})});
    WriteTask({.subject = u"loose"});
    SetTaskSetting(u"GroupBy", 1);
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader),
              (std::vector<std::string>{"[None]", "loose", "[Home]", "both", "homeonly", "[Work]", "both"}));
    EXPECT_EQ(loader.GetIncludedCount(), 3);

    // Deleting the task removes every row of it; its header empties.
    const int position = PositionOf(loader, both);
    ASSERT_GT(position, 0);
    loader.DeleteTaskFromThread(position);
    loader.SortDataList();
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"[None]", "loose", "[Home]", "homeonly"}));
    EXPECT_EQ(loader.GetIncludedCount(), 2);
}

// A task's categories text is assembled with the categories of the moment: of each load, and of a single update.
TEST_F(TasksGroupingTest, CategoryTextsFollowTheCategoriesOfTheirLoadOrUpdate)
{
    const CEOID later = WriteTask({.subject = u"later", .categories = loadertest::BlobOf({1, 2, 3})});
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    ASSERT_EQ(Visible(loader).size(), 1u);
    EXPECT_EQ(Utf8(Visible(loader)[0]->categories), "Work");
    cattest::WriteCategory(u"Errands", 2);
    ResetFullCategoryList();
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(Utf8(Visible(loader)[0]->categories), "Work, Errands");

    CeDbRecord record;
    ASSERT_TRUE(ReadTask(loader, later, record));
    bool shown = false;
    loader.AddNewTask(&record, &shown, 1, true, false);
    EXPECT_EQ(Utf8(loader.GetDataList().GetAt(1)->categories), "Work, Errands");
    cattest::WriteCategory(u"Garden", 3);
    ResetFullCategoryList();
    loader.AddNewTask(&record, &shown, 1, true, false);
    EXPECT_EQ(Utf8(loader.GetDataList().GetAt(1)->categories), "Work, Errands, Garden");
}

// Importance and completion groups show all their headers; priority groups one per letter in use (a lower-case
// letter joins an upper-case header only when that exists already), and a named heading (Q) even when empty, but not
// B (no heading, no task). The headings are shared by every task list, whatever its settings key.
TEST_F(TasksGroupingTest, GroupHeaders)
{
    WriteTask({.subject = u"a1: lower", .importance = 3});
    WriteTask({.subject = u"A2: upper", .importance = 3});
    WriteTask({.subject = u"C: cee", .importance = 3});
    WriteTask({.subject = u"c2: small", .importance = 3});
    WriteTask({.subject = u"bare", .importance = 3});
    for (double done : {7, 31, 100}) WriteTask({.subject = u"done", .complete = true, .completed = today - done});
    SetTaskSetting(u"Q", u"Quarterly goals", kTasksGroupHeadingsKey);
    const WCHAR* ownKey = u"Software\\Corvid\\Kestrel\\TVGrouped";
    const struct {
        ULONG groupBy, named;
        std::vector<std::string> rows;
    } cases[] = {
        {2, 0, {"[High]", "[Normal]", "[Low]", "lower", "upper", "small", "cee", "bare"}},
        {3, 0, {"[None]", "bare", "[a]", "lower", "[A]", "upper", "[C]", "small", "cee"}},
        {3, 1, {"[None]", "bare", "[a]", "lower", "[A]", "upper", "[C]", "small", "cee", "[<Q>Quarterly goals</Q>]"}},
        {5,
         0,
         {"[Not completed]", "lower", "upper", "small", "cee", "bare", "[Completed recently]", "done",
          "[Completed earlier]", "done", "[Completed long ago]", "done"}},
        {6, 0, {"[None]"}},  // a date group starts closed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.groupBy << "/" << c.named);
        SetTaskSetting(u"GroupBy", c.groupBy, ownKey);
        SetTaskSetting(u"bAlwaysShowNamedHeaders", c.named, ownKey);
        CTasksThread loader;
        loader.Override(ownKey);
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(VisibleText(loader), c.rows);
        EXPECT_EQ(loader.GetGroupList().GetCount(),
                  static_cast<int>(std::count_if(c.rows.begin(), c.rows.end(), [](auto& r) { return r[0] == '['; })));
    }
}

TEST_F(TasksGroupingTest, ProgressGroupsPutCompleteTasksUnderCompletedEvenWhenOverdue)
{
    WriteTask({.subject = u"late", .due = today - 4});
    WriteTask({.subject = u"donelate", .due = today - 4, .complete = true, .completed = today});
    WriteTask({.subject = u"tomorrow", .due = today + 1});
    WriteTask({.subject = u"week", .due = today + 6});
    WriteTask({.subject = u"month", .due = today + 20});
    WriteTask({.subject = u"later", .due = today + 90});
    WriteTask({.subject = u"none"});
    SetTaskSetting(u"GroupBy", 4);
    SetTaskSetting(u"bShowCompleted", 1);
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    std::map<std::string, std::string> headerOf;
    std::string header;
    for (const std::string& row : VisibleText(loader)) {
        if (row[0] == '[')
            header = row;
        else
            headerOf[row] = header;
    }
    EXPECT_EQ(headerOf, (std::map<std::string, std::string>{{"late", "[Overdue]"},
                                                            {"donelate", "[Completed]"},
                                                            {"tomorrow", "[Due tomorrow]"},
                                                            {"week", "[Due within a week]"},
                                                            {"month", "[Due within a month]"},
                                                            {"later", "[Due later]"},
                                                            {"none", "[No due date]"}}));
}

// Header states are shared by every task list, whatever its settings key.
TEST_F(TasksGroupingTest, CollapsedHeaderStaysCollapsedInTheNextLoad)
{
    WriteTask({.subject = u"n", .importance = 2});
    WriteTask({.subject = u"h", .importance = 1});
    const WCHAR* ownKey = u"Software\\Corvid\\Kestrel\\TVOwn";
    SetTaskSetting(u"GroupBy", 2);
    SetTaskSetting(u"GroupBy", 2, ownKey);
    CTasksThread loader;
    loader.Override(ownKey);
    ASSERT_TRUE(Load(loader));
    DATATASKS* normal = nullptr;
    for (DATATASKS* row : loader.GetDataList()) {
        if (row->IsHeader() && row->importance == 1) normal = row;
    }
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(loader.ExpandTreeNode(false, normal, true), 1);  // one row went out of sight

    auto stored = [](const WCHAR* key, const WCHAR* name) {
        ULONG value = 9;
        CRegistry state;
        return state.Exists(HKEY_CURRENT_USER, key) == 1 && state.QueryValue(name, &value) == 0 ? value : 9;
    };
    EXPECT_EQ(stored(kTasksGroupStateKey, u"1"), 0u);

    CTasksThread again;
    ASSERT_TRUE(Load(again));
    EXPECT_EQ(VisibleText(again), (std::vector<std::string>{"[High]", "h", "[Normal]", "[Low]"}));
    EXPECT_EQ(again.GetDataList().GetCount(), 5);  // the hidden row follows the visible ones
    // Expanding or collapsing all stores every header's state and "bShowExpanded".
    for (bool expand : {false, true}) {
        EXPECT_EQ(again.ExpandAll(expand), 0);
        EXPECT_EQ(again.GetDisplayedCount(), expand ? 5 : 3);
        EXPECT_EQ(std::vector({stored(kTasksGroupStateKey, u"0"), stored(kTasksGroupStateKey, u"2"),
                               stored(kTasksSettingsKey, u"bShowExpanded")}),
                  std::vector<ULONG>(3, expand));
    }
}

TEST_F(TasksGroupingTest, PriorityManagerRanksTasksUnderEachLetter)
{
    WriteTask({.subject = u"A2: second"});
    WriteTask({.subject = u"A1: first"});
    WriteTask({.subject = u"B1: bee"});
    WriteTask({.subject = u"A3: done", .complete = true, .completed = today});
    SetTaskSetting(u"GroupBy", 7);
    SetTaskSetting(u"bShowCompleted", 1);  // the priority manager hides completed tasks anyway
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    std::map<std::string, LONG> rank;
    int headers = 0;
    for (DATATASKS* row : loader.GetDataList()) {
        if (row->IsHeader())
            ++headers;
        else
            rank[Utf8(row->subject)] = row->rank;
    }
    EXPECT_EQ(headers, 27);
    EXPECT_EQ(rank, (std::map<std::string, LONG>{{"first", 1}, {"second", 2}, {"bee", 1}}));
}

TEST_F(TasksGroupingTest, DateGroupsOneHeaderPerDueDay)
{
    WriteTask({.subject = u"x", .due = today + 1});
    WriteTask({.subject = u"y", .due = today + 1});
    WriteTask({.subject = u"z", .due = today + 2});
    SetTaskSetting(u"GroupBy", 6);
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    // Date headers keep no state of their own: they open as "bShowExpanded" says.
    EXPECT_EQ(loader.GetDisplayedCount(), 2);
    EXPECT_EQ(loader.GetDataList().GetCount(), 5);
    SetTaskSetting(u"bShowExpanded", 1);
    ASSERT_TRUE(Load(loader));
    int headers = 0;
    const DATATASKS* header = nullptr;
    for (DATATASKS* row : Visible(loader)) {
        headers += row->IsHeader();
        if (row->IsHeader()) {
            header = row;
        } else {
            ASSERT_NE(header, nullptr);
            EXPECT_EQ(row->dueDate, header->dueDate) << Utf8(row->subject) << " sits under its own day";
        }
    }
    EXPECT_EQ(headers, 2);
    EXPECT_EQ(loader.GetDisplayedCount(), 5);
}

// A category selection is applied by a pass over the categories before the tasks are read, and to a single update.
TEST_F(TasksGroupingTest, CategorySelectionFiltersLoadsAndSingleUpdates)
{
    const CEOID moving = WriteTask({.subject = u"work", .categories = loadertest::BlobOf({1})});
    WriteTask({.subject = u"home", .categories = loadertest::BlobOf({0})});
    WriteTask({.subject = u"loose"});
    CTasksThread loader;
    SelectWork(loader);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader), std::vector<std::string>{"work"});
    // Moved to Home and refiled alone, the task fails the selection and leaves the list.
    std::vector<BYTE> home = loadertest::BlobOf({0});
    loadertest::PropList change;
    change.Blob(kItemCategories, home);
    ASSERT_EQ(loadertest::WritePimRecord(kTasksDatabase, change.props, moving), moving);
    CeDbRecord record;
    ASSERT_TRUE(ReadTask(loader, moving, record));
    bool shown = true;
    EXPECT_EQ(loader.AddNewTask(&record, &shown, PositionOf(loader, moving), true, false), 0);
    EXPECT_FALSE(shown);
    EXPECT_EQ(loader.GetDataList().GetCount(), 0);
}

// The category pass reads every record in turn, each once, and the load then files each chosen one.
TEST_F(TasksGroupingTest, CategorySelectionReadsEveryRecord)
{
    for (int i = 0; i < 6; ++i) {
        const std::u16string subject = (i % 3 == 2 ? u"home" : u"work") + std::u16string(1, u'0' + i);
        WriteTask({.subject = subject, .due = today + i, .categories = loadertest::BlobOf({i % 3 == 2 ? 0 : 1})});
    }
    CTasksThread loader;
    SelectWork(loader);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"work0", "work1", "work3", "work4"}));
}

// ---- Single updates and damaged input -------------------------------------

TEST_F(TasksLoaderTest, SingleUpdateRefilesARowInPlace)
{
    const CEOID oid = WriteTask({.subject = u"before", .due = today + 5});
    WriteTask({.subject = u"other", .due = today + 6});
    SetTaskSetting(u"TV_Sort0", 2);
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    ASSERT_EQ(VisibleText(loader), (std::vector<std::string>{"before", "other"}));

    // The task becomes overdue and is renamed; the window refiles it.
    std::u16string subject = u"after";
    loadertest::PropList changes;
    changes.Add(kTaskSubject).lpwstr = subject.data();
    changes.Add(kTaskDueDate).filetime = FtOf(today + 9);
    ASSERT_EQ(loadertest::WritePimRecord(kTasksDatabase, changes.props, oid), oid);

    CeDbRecord record;
    ASSERT_TRUE(ReadTask(loader, oid, record));
    bool shown = false;
    EXPECT_EQ(loader.AddNewTask(&record, &shown, 1, true, false), 1);
    EXPECT_TRUE(shown);
    loader.SortDataList();
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"other", "after"}));
    EXPECT_EQ(loader.GetIncludedCount(), 2);

    // Refiled under date groups, the task goes back under the header its removal emptied.
    SetTaskSetting(u"GroupBy", 6);
    ASSERT_TRUE(Load(loader));
    loader.AddNewTask(&record, &shown, PositionOf(loader, oid), true, false);
    loader.SortDataList();
    EXPECT_EQ(loader.GetDataList().GetCount(), 4);
}

// A load starts with a small read buffer and grows it for a record that
// does not fit: records around its size, and one near the largest a task
// may fill, are all listed, and so is the record after them.
TEST_F(TasksLoaderTest, RecordsLargerThanTheFirstReadBufferAreListed)
{
    const std::pair<const char16_t*, size_t> notes[] = {{u"half", kTasksFirstReadBufferSize / 2},
                                                        {u"over", kTasksFirstReadBufferSize + 2},
                                                        {u"near", kTasksReadBufferSize - 4096}};
    for (const auto& [subject, bytes] : notes) WriteTask({.subject = subject, .due = today, .note = std::vector<BYTE>(bytes, 'x')});
    WriteTask({.subject = u"after", .due = today});
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(AsSet(VisibleText(loader)), (std::set<std::string>{"half", "over", "near", "after"}));
}

TEST_F(TasksLoaderTest, DamagedRecordsAndSettingsFallBackInsteadOfFailing)
{
    // A due date far past 4501 and a record with nothing but a subject.
    std::u16string subject = u"far";
    loadertest::PropList far, bare;
    far.Add(kTaskSubject).lpwstr = subject.data();
    far.Add(kTaskDueDate).filetime = FILETIME{0xFFFFFFFFu, 0x7FFFFFFFu};
    ASSERT_NE(loadertest::WritePimRecord(kTasksDatabase, far.props), 0u);
    bare.Add(kTaskSensitivity);  // not even a subject
    ASSERT_NE(loadertest::WritePimRecord(kTasksDatabase, bare.props), 0u);
    // Too large for the read buffer, and read before the task after it:
    // skipped, and the load goes on.
    WriteTask({.subject = u"huge", .due = today - 1, .note = std::vector<BYTE>(kTasksReadBufferSize + 2, 'x')});
    WriteTask({.subject = u"fine", .due = today});

    SetTaskSetting(u"GroupBy", 99);
    SetTaskSetting(u"TV_Sort0", 1234);
    SetTaskSetting(u"TV_FilterPrivacy", 7);  // no sensitivity matches: nothing listed
    {
        CTasksThread loader;
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(loader.GetDisplayedCount(), 0);
        EXPECT_EQ(loader.Settings().groupBy, kTasksGroupNone);
    }
    SetTaskSetting(u"TV_FilterPrivacy", static_cast<ULONG>(-1));
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    const std::vector<std::string> rows = VisibleText(loader);
    EXPECT_EQ(AsSet(rows), (std::set<std::string>{"far", "fine", ""}));
    for (DATATASKS* row : Visible(loader)) {
        if (Utf8(row->subject) == "far") {
            EXPECT_EQ(row->dueDate, kTaskNoDate);  // read as undated
        }
    }
}

}  // namespace
