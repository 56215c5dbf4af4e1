// Tasks in the calendar list: which tasks a range takes and the days each
// is placed on, with today pinned to Monday 7 December 2026.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "engine/scoped_data_lock.h"
#include "tests/engine/calendar_store.h"
#include "tests/engine/task_store.h"

using caltest::Date;
using caltest::Day;
using caltest::SetCalendarSetting;

namespace {

class CalendarTasksTest : public caltest::CalendarStoreTest {
protected:
    void SetUp() override
    {
        caltest::CalendarStoreTest::SetUp();
        SetCalendarSetting(u"DV_ShowTasks", 1);
    }

    // Task subject -> the days (offsets from today) it is shown on.
    std::map<std::string, std::vector<int>> Placement(double first, double last)
    {
        CCalendarThread loader;
        EXPECT_TRUE(caltest::Load(loader, first, last));
        return PlacementOf(loader);
    }
    std::map<std::string, std::vector<int>> PlacementOf(CCalendarThread& loader)
    {
        std::map<std::string, std::vector<int>> days;
        for (DATACALENDAR* row : loader.GetDataList()) {
            if (row->kind != kCalendarKindTask) continue;
            EXPECT_NE(row->task, nullptr);
            days[caltest::Utf8(row->subject)].push_back(static_cast<int>(row->day - static_cast<LONG>(today)));
        }
        return days;
    }
    using Days = std::vector<int>;
};

TEST_F(CalendarTasksTest, OpenTasksAroundToday)
{
    const double t = today;
    tasktest::WriteTask({.subject = u"yesterday", .due = t - 1});
    tasktest::WriteTask({.subject = u"today", .due = t});
    tasktest::WriteTask({.subject = u"later", .due = t + 2});
    tasktest::WriteTask({.subject = u"planned", .due = t + 2, .start = t + 1});
    tasktest::WriteTask({.subject = u"long", .due = t + 2, .start = t - 5});
    tasktest::WriteTask({.subject = u"started", .due = t + 10, .start = t - 1});
    tasktest::WriteTask({.subject = u"far", .due = t + 10});
    tasktest::WriteTask({.subject = u"template", .due = 401752});
    const auto placed = Placement(t - 3, t + 3);
    EXPECT_EQ(placed, (std::map<std::string, Days>{
                          {"yesterday", {-1, 0}},
                          {"today", {0}},
                          {"later", {2}},
                          {"planned", {1, 2}},
                          {"long", {2}},
                          {"started", {-1}},
                      }));
}

TEST_F(CalendarTasksTest, OverdueTaskIsShownTodayAndOnItsDueDayWhenInRange)
{
    tasktest::WriteTask({.subject = u"overdue", .due = today - 1});
    EXPECT_EQ(Placement(today, today + 6), (std::map<std::string, Days>{{"overdue", {0}}}));
    EXPECT_EQ(Placement(today - 6, today), (std::map<std::string, Days>{{"overdue", {-1, 0}}}));
    // A range that does not hold today: the task is not taken.
    EXPECT_TRUE(Placement(today + 7, today + 13).empty());
}

TEST_F(CalendarTasksTest, InProgressTasksFollowTheInProgressSetting)
{
    const double t = today;
    tasktest::WriteTask({.subject = u"long", .due = t + 2, .start = t - 5});
    tasktest::WriteTask({.subject = u"started", .due = t + 10, .start = t - 1});
    SetCalendarSetting(u"bShowInProgressTasksToday", 1);
    EXPECT_EQ(Placement(t - 3, t + 3), (std::map<std::string, Days>{{"long", {0, 2}}, {"started", {0}}}));
    SetCalendarSetting(u"bShowInProgressTasksToday", 2);
    EXPECT_EQ(Placement(t - 3, t + 3),
              (std::map<std::string, Days>{{"long", {-3, -2, -1, 0, 1, 2}}, {"started", {-1, 0, 1, 2, 3}}}));
}

TEST_F(CalendarTasksTest, RangeWithoutTodayUsesItsFirstDayForRunningTasks)
{
    const double t = today;
    tasktest::WriteTask({.subject = u"running", .due = t + 20, .start = t});
    tasktest::WriteTask({.subject = u"inside", .due = t + 9});
    tasktest::WriteTask({.subject = u"starts inside", .due = t + 30, .start = t + 8});
    tasktest::WriteTask({.subject = u"undated"});
    SetCalendarSetting(u"CAV_ShowUndatedTasks", 1);
    EXPECT_EQ(Placement(t + 7, t + 13), (std::map<std::string, Days>{
                                            {"running", {7}},
                                            {"inside", {9}},
                                            {"starts inside", {8}},
                                            {"undated", {7}},
                                        }));
}

TEST_F(CalendarTasksTest, UndatedCompletedAndImportantTasksNeedTheirSettings)
{
    const double t = today;
    tasktest::WriteTask({.subject = u"undated"});
    tasktest::WriteTask({.subject = u"done", .due = t - 4, .complete = true, .completed = t - 2});
    tasktest::WriteTask({.subject = u"done long ago", .due = t - 40, .complete = true, .completed = t - 30});
    tasktest::WriteTask({.subject = u"urgent", .due = t + 30, .importance = 1});
    tasktest::WriteTask({.subject = u"urgent template", .due = 401752, .importance = 1});
    EXPECT_TRUE(Placement(t - 3, t + 3).empty());

    SetCalendarSetting(u"CAV_ShowUndatedTasks", 1);
    SetCalendarSetting(u"CA_ShowCompletedTasks", 1);
    SetCalendarSetting(u"CAV_ForceHighTasks", 1);
    // A forced task with nowhere else to go lands on today; forcing reaches
    // even the templates' days.
    EXPECT_EQ(
        Placement(t - 3, t + 3),
        (std::map<std::string, Days>{{"undated", {0}}, {"done", {-2}}, {"urgent", {0}}, {"urgent template", {0}}}));
}

TEST_F(CalendarTasksTest, PrivacyAndCategoryFiltersApplyToTasks)
{
    cattest::WriteCategory(u"Work", 3);
    tasktest::WriteTask({.subject = u"mine", .due = today, .sensitivity = 2});
    tasktest::WriteTask({.subject = u"work", .due = today, .categories = loadertest::BlobOf({3})});
    SetCalendarSetting(u"CAV_FilterPrivacy", 0u);
    EXPECT_EQ(Placement(today, today), (std::map<std::string, Days>{{"work", {0}}}));
    SetCalendarSetting(u"CAV_FilterPrivacy", static_cast<ULONG>(-1));
    SetCalendarSetting(u"bHideCategories", static_cast<ULONG>(-1));
    EXPECT_EQ(Placement(today, today), (std::map<std::string, Days>{{"mine", {0}}}));
}

TEST_F(CalendarTasksTest, TaskRowsCarryTheTaskRecord)
{
    cattest::WriteCategory(u"Home", 5);
    const CEOID oid = tasktest::WriteTask({.subject = u"pay rent",
                                           .due = today + 1,
                                           .importance = 1,
                                           .sensitivity = 2,
                                           .categories = loadertest::BlobOf({5}),
                                           .percent = 40,
                                           .note = {'x', 0}});
    CCalendarThread loader;
    ASSERT_TRUE(caltest::Load(loader, today, today + 3));
    auto rows = caltest::Rows(loader, "pay rent");
    ASSERT_EQ(rows.size(), 1u);
    const DATACALENDAR* row = rows[0];
    ASSERT_NE(row->task, nullptr);
    // Row: OID, kind, private, note, categories; task: OID, importance, percent, due day.
    EXPECT_EQ(caltest::Utf8(row->categoryText), "Home");
    EXPECT_EQ(
        (std::vector<LONG>{LONG(row->oid), LONG(row->kind), row->isPrivate, row->hasNote, LONG(row->task->oid),
                           row->task->importance, LONG(row->task->percentComplete), LONG(row->task->dueDate - today)}),
        (std::vector<LONG>{LONG(oid), kCalendarKindTask, 1, 1, LONG(oid), kTaskImportanceHigh, 40, 1}));
}

TEST_F(CalendarTasksTest, TasksAreOnlyInTheMainView)
{
    tasktest::WriteTask({.subject = u"today", .due = today});
    for (int view : {6, 4}) {
        SetCalendarSetting(u"CAV_FilterAppointments", view);
        EXPECT_TRUE(Placement(today, today).empty()) << view;
    }
}

TEST_F(CalendarTasksTest, AddersReplaceTheTaskRowsWithoutAReload)
{
    SetCalendarSetting(u"DV_ShowTasks", 0u);
    tasktest::WriteTask({.subject = u"today", .due = today});
    caltest::WriteAppointment({.subject = u"meeting", .start = Date(2026, 12, 7, 9, 0)});
    CCalendarThread loader;
    ASSERT_TRUE(caltest::Load(loader, today, today + 1));
    EXPECT_TRUE(PlacementOf(loader).empty());
    const int withoutTasks = loader.GetDataList().GetCount();

    ASSERT_TRUE(loader.AddTasksToThread(false, true, true, true));
    EXPECT_EQ(PlacementOf(loader), (std::map<std::string, Days>{{"today", {0}}}));
    EXPECT_EQ(loader.GetHandedOverCount(), withoutTasks + 1);
    // Adding again replaces the rows instead of doubling them.
    ASSERT_TRUE(loader.AddTasksToThread(false, true, true, true));
    EXPECT_EQ(loader.GetDataList().GetCount(), withoutTasks + 1);
    // Sorted: the day's header, the appointment, then the task.
    EXPECT_EQ(caltest::Lines(loader), (std::vector<std::string>{"7 --", "7 meeting", "7 today", "8 --"}));

    ASSERT_TRUE(loader.RemoveTasksFromThread());
    EXPECT_TRUE(PlacementOf(loader).empty());
    EXPECT_EQ(loader.GetHandedOverCount(), withoutTasks);

    // A busy loader is left alone.
    bool added = true;
    ScopedDataLock held(loader);
    ASSERT_TRUE(held.Acquired());
    std::thread([&] { added = loader.AddTasksToThread(false, true, true, true); }).join();
    held.Unlock();
    EXPECT_FALSE(added);
    EXPECT_TRUE(PlacementOf(loader).empty());
}

}  // namespace
