// The calendar loader's protocol with its window, range, single-record loads, settings key and row orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "engine/data_tasks.h"
#include "engine/scoped_data_lock.h"
#include "engine/tasks_compare.h"
#include "engine/tasks_thread.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"
#include "tests/engine/calendar_store.h"

using namespace caltest;

namespace {

class CalendarThreadTest : public CalendarStoreTest {};

TEST_F(CalendarThreadTest, LoadWithoutRangeOrLockDoesNothing)
{
    WriteAppointment({.subject = u"x", .start = Date(2026, 12, 8, 9, 0)});
    CCalendarThread loader;
    EXPECT_FALSE(loader.HasRange());
    LoaderHost host;
    loader.SetNotifyWindow(host.Window());
    host.Run(loader, 10000);
    EXPECT_EQ(host.Count(WM_LOADER_BEGIN), 0);
    EXPECT_EQ(host.Count(WM_LOADER_DATA), 0);
    EXPECT_TRUE(loader.GetDataList().IsEmpty());

    // A load finding the lock taken leaves the list alone.
    ASSERT_TRUE(Load(loader, today, today + 1));
    const int before = loader.GetDataList().GetCount();
    WriteAppointment({.subject = u"y", .start = Date(2026, 12, 8, 10, 0)});
    loader.SetRestrict(Day(today), Day(today + 1));
    loader.SetNotifyWindow(host.Window());
    ScopedDataLock held(loader);
    ASSERT_TRUE(held.Acquired());
    host.Run(loader, 60000);
    held.Unlock();
    EXPECT_EQ(host.Count(WM_LOADER_DATA), 0);
    EXPECT_EQ(loader.GetDataList().GetCount(), before);
}

TEST_F(CalendarThreadTest, SingleRecordLoadAddsOneAppointmentAndNothingElse)
{
    WriteAppointment({.subject = u"x", .start = Date(2026, 12, 8, 9, 0)});
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 2));
    ASSERT_TRUE(Load(loader, today, today + 2));  // a reload replaces the list
    const int before = loader.GetDataList().GetCount();
    EXPECT_EQ(before, 4);
    const CEOID added = WriteAppointment({.subject = u"y", .start = Date(2026, 12, 8, 10, 0), .duration = 1500});
    CeManualEvent stop;
    EXPECT_EQ(loader.CalendarThreadProc(&stop, added), 0u);
    // The appointment, and its copy for the next day; no new headers.
    EXPECT_EQ(loader.GetDataList().GetCount(), before + 2);
    EXPECT_EQ(loader.GetHandedOverCount(), before + 2);
    EXPECT_EQ(DaysOf(loader, "y"), (std::vector<int>{8, 9}));
    EXPECT_EQ(loader.GetDataList().GetTail()->oid, added);

    // A cancelled load stops after 20 records and keeps them, without headers or anything else.
    for (int i = 0; i < 25; ++i) WriteAppointment({.subject = u"z", .start = Date(2026, 12, 7, 11, 0)});
    stop.Set();
    EXPECT_EQ(loader.CalendarThreadProc(&stop, 0), 0u);
    EXPECT_EQ(Lines(loader), std::vector<std::string>(20, "7 z"));
    EXPECT_EQ(loader.GetHandedOverCount(), 20);
}

// A reload frees every row the list held, once each, wherever the rows lie: the load's own from the row pool
// and, between them, rows of a larger kind from the ordinary heap, few or many.
TEST_F(CalendarThreadTest, AReloadFreesEveryRowOnce)
{
    struct CountedRow : DATACALENDAR {
        explicit CountedRow(int& freed) : freed(freed) {}
        ~CountedRow() override { ++freed; }
        int& freed;
    };
    for (int i = 0; i < 40; ++i) WriteAppointment({.subject = u"x", .start = Date(2026, 12, 8, 9, i)});
    CCalendarThread loader;
    for (const int added : {1, 7, 600}) {
        ASSERT_TRUE(Load(loader, today, today + 2));
        std::vector<int> freed(static_cast<size_t>(added), 0);
        for (int i = 0; i < added; ++i) loader.GetDataList().InsertAt(1 + i * 3 % 40, new CountedRow(freed[i]));
        ASSERT_TRUE(Load(loader, today, today + 2));
        EXPECT_EQ(freed, std::vector<int>(freed.size(), 1)) << added;
        EXPECT_EQ(loader.GetDataList().GetCount(), 43);  // the appointments and three day headers
    }
}

// Each loader's PostKill gives back the lock its killed body held and ends the window's progress.
TEST_F(CalendarThreadTest, KillingEitherLoaderFreesTheDataLockAndEndsTheProgress)
{
    auto kill = [](auto&& loader) {
        LoaderHost host;
        loader.SetNotifyWindow(host.Window());
        ScopedDataLock held(loader);
        ASSERT_TRUE(held.Acquired());
        EXPECT_EQ(loader.Kill(1), 0);  // no thread: the hooks run all the same
        std::thread([&] { EXPECT_TRUE(ScopedDataLock(loader).Acquired()); }).join();
        host.Wait(loader, 1000);
        EXPECT_EQ(host.Count(WM_LOADER_END), 1);
    };
    kill(CCalendarThread());
    kill(CTasksThread());
}

TEST_F(CalendarThreadTest, RangeIsKeptAsWholeDaysAndSettingsComeFromTheViewsKey)
{
    CCalendarThread loader;
    EXPECT_FALSE(loader.IsInCache(today));
    loader.SetRestrict(Day(Date(2026, 12, 7, 15, 30)), Day(Date(2026, 12, 13, 8, 0)));
    EXPECT_EQ(loader.FirstDay(), static_cast<LONG>(today));
    EXPECT_EQ(loader.LastDay(), static_cast<LONG>(today) + 6);
    for (auto [offset, in] : {std::pair{0.99, true}, {6.5, true}, {7.0, false}, {-0.01, false}}) {
        EXPECT_EQ(loader.IsInCache(today + offset), in) << offset;
    }
    EXPECT_TRUE(loader.IsInCache(Day(today + 2)));
    EXPECT_TRUE(loader.IsInCache(Day(today + 2), 4));
    EXPECT_FALSE(loader.IsInCache(Day(today + 2), 5));

    // Settings come from the view's own key.
    const WCHAR* key = u"Software\\Corvid\\Kestrel\\CAV\\Week";
    SetCalendarSetting(u"CAV_FilterAppointments", 4, key);
    SetCalendarSetting(u"CAV_FilterAppointments", 2);
    CCalendarThread viewLoader(key);
    EXPECT_EQ(viewLoader.GetView(), 4);
    EXPECT_EQ(std::u16string(viewLoader.GetViewSettingsKey()), key);
    viewLoader.SetSettingsKey(nullptr);
    viewLoader.SettingChange();
    EXPECT_EQ(viewLoader.GetView(), 2);
    // A view number the loader does not know reads as the main view.
    SetCalendarSetting(u"CAV_FilterAppointments", 9);
    // A category name longer than the settings hold is cut to 62 characters.
    const std::u16string longName(70, u'h');
    SetCalendarSetting(u"HolidayCatName", longName.c_str());
    viewLoader.SettingChange();
    EXPECT_EQ(viewLoader.GetView(), 5);
    EXPECT_EQ(std::u16string(viewLoader.Settings().holidayCatName), longName.substr(0, 62));
}

std::unique_ptr<DATACALENDAR> Row(DWORD oid, LONG day, double hour, DWORD kind = kCalendarKindAppointment,
                                  const char16_t* subject = u"")
{
    auto row = std::make_unique<DATACALENDAR>();
    row->oid = oid;
    row->day = day;
    row->start = day + hour / 24.0;
    row->kind = kind;
    row->subject = SysAllocString(subject);
    return row;
}

// The rows put in order by a loader's own sort (the rows stay the caller's).
std::vector<DATACALENDAR*> SortedByLoader(const std::vector<DATACALENDAR*>& rows)
{
    CCalendarThread loader;
    loader.GetDataList().SetDeletePolicy(0);
    for (DATACALENDAR* row : rows) loader.GetDataList().Append(row);
    EXPECT_TRUE(loader.SortDataList(true));
    std::vector<DATACALENDAR*> sorted(loader.GetDataList().begin(), loader.GetDataList().end());
    loader.GetDataList().RemoveAll();
    return sorted;
}

TEST_F(CalendarThreadTest, CompareFuncsOrderByDayThenHeaderThenKindAndBirthdaysIgnoreTheYear)
{
    const LONG d = static_cast<LONG>(today);
    auto header = Row(0, d, 0);
    auto contact = Row(7, d, 0, kCalendarKindContactDate);
    auto early = Row(5, d, 8);
    auto late = Row(4, d, 9);
    auto lateAgain = Row(11, d, 9);
    auto lateB = Row(2, d, 9, kCalendarKindAppointment, u"b");
    auto allDay = Row(6, d, 10);
    allDay->allDay = 1;
    auto task = Row(9, d, 0, kCalendarKindTask);
    auto journal = Row(3, d, 1, kCalendarKindJournal);
    auto nextDay = Row(1, d + 1, 0);
    auto trailing = Row(2, d - 5, 0);
    trailing->trailing = 1;
    std::vector<DATACALENDAR*> expected = {header.get(),  contact.get(),   allDay.get(),  early.get(),
                                           late.get(),    lateAgain.get(), lateB.get(),   task.get(),
                                           journal.get(), nextDay.get(),   trailing.get()};
    for (size_t i = 0; i < expected.size(); ++i) {
        for (size_t j = 0; j < expected.size(); ++j) {
            const int r = CCalendarThread::CompareFunc(expected[i], expected[j], 0);
            EXPECT_EQ((r > 0) - (r < 0), (i > j) - (i < j)) << i << " " << j;
        }
    }
    DATACALENDAR* none = nullptr;
    EXPECT_GT(CCalendarThread::CompareFunc(none, early.get(), 0), 0);
    // The list's sort gives the same order from any other; rows it cannot
    // order (unordered starts) keep theirs.
    EXPECT_EQ(SortedByLoader(std::vector<DATACALENDAR*>(expected.rbegin(), expected.rend())), expected);
    auto unorderedB = Row(12, d, std::nan(""), kCalendarKindAppointment, u"b");
    auto unorderedA = Row(13, d, std::nan(""), kCalendarKindAppointment, u"a");
    const std::vector<DATACALENDAR*> unordered = {unorderedB.get(), unorderedA.get()};
    EXPECT_EQ(SortedByLoader(unordered), unordered);

    auto march1990 = Row(1, static_cast<LONG>(Date(1990, 3, 1)), 0, kCalendarKindAppointment, u"b");
    auto june1950 = Row(2, static_cast<LONG>(Date(1950, 6, 1)), 0, kCalendarKindAppointment, u"a");
    auto march2020 = Row(3, static_cast<LONG>(Date(2020, 3, 1)), 0, kCalendarKindAppointment, u"a");
    auto yearHeader = Row(0, static_cast<LONG>(Date(2030, 3, 1)), 0);
    EXPECT_LT(CCalendarThread::CompareFuncBirthday(march1990.get(), june1950.get(), 0), 0);
    EXPECT_GT(CCalendarThread::CompareFuncBirthday(march1990.get(), march2020.get(), 0), 0);  // by subject
    EXPECT_LT(CCalendarThread::CompareFuncBirthday(yearHeader.get(), march2020.get(), 0), 0);
    EXPECT_LT(CCalendarThread::CompareFuncDate(june1950.get(), march1990.get(), 0), 0);
    EXPECT_EQ(CCalendarThread::CompareFuncDate(march1990.get(), march1990.get(), 0), 0);
}

// The list's packed sort against a stable sort by CompareFunc itself, both
// ways, over rows whose days and starts reach below zero (-0 among them),
// with kinds, all-day rows, trailing rows and subjects that tie.
TEST_F(CalendarThreadTest, ListSortAgreesWithCompareFuncEitherWay)
{
    static const char16_t* const subjects[] = {u"a", u"B", u"b", u"\u00e9", u"e", u""};
    static const DWORD kinds[] = {kCalendarKindAppointment, kCalendarKindContactDate, kCalendarKindJournal,
                                  kCalendarKindTask};
    std::vector<std::unique_ptr<DATACALENDAR>> owned;
    std::vector<DATACALENDAR*> rows;
    unsigned seed = 7;
    auto next = [&seed](unsigned n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (DWORD i = 1; i <= 600; ++i) {
        const LONG day = static_cast<LONG>(next(5)) - 2;
        owned.push_back(Row(i % 7 == 0 ? 0 : i, day, static_cast<double>(next(6)) - 3, kinds[next(4)],
                            subjects[next(6)]));
        DATACALENDAR* row = owned.back().get();
        if (next(9) == 0) row->start = -0.0;
        row->allDay = next(4) == 0;
        row->trailing = next(40) == 0;
        rows.push_back(row);
    }
    for (const bool descending : {false, true}) {
        CCalendarThread loader;
        loader.SettingChange();  // the process-wide order settings as the sort will see them
        std::vector<DATACALENDAR*> expected = rows;
        std::stable_sort(expected.begin(), expected.end(), [descending](DATACALENDAR* a, DATACALENDAR* b) {
            return (descending ? CCalendarThread::CompareFunc(b, a, 0) : CCalendarThread::CompareFunc(a, b, 0)) < 0;
        });
        loader.GetDataList().SetDeletePolicy(0);
        for (DATACALENDAR* row : rows) loader.GetDataList().Append(row);
        ASSERT_TRUE(loader.SortDataList(!descending));
        const std::vector<DATACALENDAR*> sorted(loader.GetDataList().begin(), loader.GetDataList().end());
        loader.GetDataList().RemoveAll();
        EXPECT_EQ(sorted, expected) << (descending ? "descending" : "ascending");
    }
}

// Long runs of one day and start are put in order by the subjects'
// collation keys, which one loader keeps from sort to sort: each sort, in
// the locale of its turn, agrees with a stable sort by CompareFunc. The
// subjects differ in their first eight key bytes, or share them and differ
// after them, by case or accent only, or by a letter that Swedish puts
// after "z".
TEST_F(CalendarThreadTest, LongRunsKeepTheLocalesOrderFromSortToSort)
{
    static const char16_t* const subjects[] = {u"Quarterly review a", u"Quarterly review \u00e4", u"Quarterly review z",
                                               u"quarterly review a", u"Quarterly review A", u"Quarterly review",
                                               u"Quarterly", u"Budget", u"audit"};
    std::vector<std::unique_ptr<DATACALENDAR>> owned;
    std::vector<DATACALENDAR*> rows;
    for (DWORD i = 1; i <= 120; ++i) {
        owned.push_back(Row(200 - i, 3, static_cast<double>(i % 2), kCalendarKindAppointment, subjects[i * 5 % 9]));
        rows.push_back(owned.back().get());
    }
    CCalendarThread loader;
    loader.GetDataList().SetDeletePolicy(0);
    for (const char* locale : {"en-US", "sv-SE", "en-US"}) {
        ASSERT_TRUE(platform::SetUserLocaleName(locale));
        std::vector<DATACALENDAR*> expected = rows;
        std::stable_sort(expected.begin(), expected.end(), [](DATACALENDAR* a, DATACALENDAR* b) {
            return CCalendarThread::CompareFunc(a, b, 0) < 0;
        });
        for (DATACALENDAR* row : rows) loader.GetDataList().Append(row);
        ASSERT_TRUE(loader.SortDataList(true));
        const std::vector<DATACALENDAR*> sorted(loader.GetDataList().begin(), loader.GetDataList().end());
        loader.GetDataList().RemoveAll();
        EXPECT_EQ(sorted, expected) << locale;
    }
    platform::SetUserLocaleName("");
}

TEST_F(CalendarThreadTest, TaskRowsGoWhereTheSettingsSayAndMissingSortSettingsAreWrittenBack)
{
    const LONG d = static_cast<LONG>(today);
    auto appointment = Row(5, d, 8);
    auto task = Row(9, d, 0, kCalendarKindTask);
    auto contact = Row(7, d, 0, kCalendarKindContactDate);
    SetCalendarSetting(u"CAV_ShowTaskOnTop", 1);
    CCalendarThread loader;  // reads the process-wide value
    loader.LoadSortPrefs();
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kCalendarSettingsKey), 0);
    int sort = 0, sort2 = 0, descending = 0;
    EXPECT_EQ(settings.QueryValue(u"TaskSort", &sort) + settings.QueryValue(u"TaskSort2", &sort2), 0);
    EXPECT_EQ(std::make_pair(sort, sort2), std::make_pair(6, 3));
    EXPECT_NE(settings.QueryValue(u"TaskSortDescending", &descending), 0);
    EXPECT_EQ(std::make_pair(loader.TaskSortPrefs().primaryKey, loader.TaskSortPrefs().secondaryKey),
              std::make_pair(6, 3));
    EXPECT_LT(CCalendarThread::CompareFunc(task.get(), appointment.get(), 0), 0);
    EXPECT_LT(CCalendarThread::CompareFunc(contact.get(), task.get(), 0), 0);
    EXPECT_EQ(SortedByLoader({appointment.get(), task.get(), contact.get()}),
              (std::vector<DATACALENDAR*>{contact.get(), task.get(), appointment.get()}));
    SetCalendarSetting(u"CAV_ShowTaskOnTop", 0u);
    loader.SettingChange();
    EXPECT_GT(CCalendarThread::CompareFunc(task.get(), appointment.get(), 0), 0);

    // Two task rows compare by the task sort key and its direction.
    auto ta = Row(1, d, 0, kCalendarKindTask, u"a");
    auto tb = Row(2, d, 0, kCalendarKindTask, u"b");
    ta->task = new DATATASKS;
    tb->task = new DATATASKS;
    ta->task->oid = 1;
    tb->task->oid = 2;
    ta->task->subject = _wcsdup(u"zz");
    tb->task->subject = _wcsdup(u"aa");
    ta->task->startDate = d + 3;
    tb->task->startDate = d + 1;
    SetCalendarSetting(u"TaskSort", 1);  // subject
    loader.LoadSortPrefs();
    // The comparison reads the sort state bound to its thread, as the loader's own sort binds the loader's.
    TasksSortState order;
    const TasksSortScope bound(order);
    order.SetPrefs(loader.TaskSortPrefs());
    EXPECT_GT(CCalendarThread::CompareFunc(ta.get(), tb.get(), 0), 0);
    SetCalendarSetting(u"TaskSortDescending", 1);
    loader.LoadSortPrefs();
    order.SetPrefs(loader.TaskSortPrefs());
    EXPECT_LT(CCalendarThread::CompareFunc(ta.get(), tb.get(), 0), 0);
}

TEST_F(CalendarThreadTest, SortDataListReversesOnRequest)
{
    WriteAppointment({.subject = u"a", .start = Date(2026, 12, 7, 9, 0)});
    WriteAppointment({.subject = u"b", .start = Date(2026, 12, 8, 9, 0)});
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 1));
    ASSERT_TRUE(loader.SortDataList(false));
    EXPECT_EQ(Lines(loader), (std::vector<std::string>{"8 b", "8 --", "7 a", "7 --"}));
    ASSERT_TRUE(loader.SortDataList(true));
    EXPECT_EQ(Lines(loader), (std::vector<std::string>{"7 --", "7 a", "8 --", "8 b"}));
}

}  // namespace
