// Calendar lists refreshed after store changes, compared with a fresh load of the same store.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "tests/engine/calendar_store.h"
#include "tests/engine/task_store.h"

using namespace caltest;

namespace {

std::vector<std::string> CalendarRows(CCalendarThread& loader)
{
    std::vector<std::string> rows;
    for (DATACALENDAR* row : loader.GetDataList()) {
        rows.push_back(std::to_string(row->day) + "|" + std::to_string(row->oid) + "|" + std::to_string(row->kind) +
                       "|" + Utf8(row->subject) + "|" + std::to_string(row->start) + "|" +
                       std::to_string(row->recurring));
    }
    rows.push_back("handed over " + std::to_string(loader.GetHandedOverCount()));
    return rows;
}

TEST_F(CalendarStoreTest, RefreshedAfterRandomChangesEqualsAFreshLoad)
{
    // Views: 5 all (with and without tasks and day headers), 4 meetings, 6 first day only, 3 recurring (the
    // whole store, each series once).
    const struct {
        int view;
        bool tasks;
        bool noHeaders;
        unsigned seed;
    } cases[] = {{5, true, false, 1}, {5, false, true, 2}, {4, false, false, 3}, {6, true, false, 4}, {3, false, false, 5}};
    const double first = today, last = today + 13;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        TearDown();
        SetUp();
        SetCalendarSetting(u"CAV_FilterAppointments", c.view);
        SetCalendarSetting(u"AV_ShowTasks", c.tasks ? 1 : 0);
        std::mt19937 random(c.seed);
        auto randomAppointment = [&] {
            const double day = today - 3 + static_cast<double>(random() % 20);
            Appointment a{.subject = random() % 2 ? u"meet" : u"call",
                          .start = day + static_cast<double>(random() % 24) / 24,
                          .duration = static_cast<LONG>(30 + random() % 3 * 1440),
                          .meeting = random() % 2 == 0};
            // A weekly series, some occurrences deleted; the store keeps a pattern once written.
            if (random() % 3 == 0)
                a.pattern = Weekly(std::floor(day), 1 + static_cast<int>(random() % 127), 540, 60,
                                   {std::floor(day) + 7 * static_cast<double>(random() % 2)});
            return a;
        };
        auto randomTask = [&] {
            return tasktest::TaskFields{.subject = u"task", .due = today + static_cast<double>(random() % 20) - 3,
                                        .complete = random() % 4 == 0};
        };
        std::vector<CEOID> oids, taskOids;
        for (int i = 0; i < 16; ++i) oids.push_back(WriteAppointment(randomAppointment()));
        for (int i = 0; i < 4; ++i) taskOids.push_back(tasktest::WriteTask(randomTask()));
        CCalendarThread refreshed;
        refreshed.SetNoHeaderDates(c.noHeaders);
        ASSERT_TRUE(Load(refreshed, first, last));
        for (int round = 0; round < 8; ++round) {
            std::vector<CEOID> changed;
            for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) {
                const size_t at = random() % oids.size();
                const unsigned kind = random() % 3;
                if (kind == 0) oids.push_back(WriteAppointment(randomAppointment()));
                if (kind == 1) WriteAppointment(randomAppointment(), oids[at]);
                if (kind == 2) {
                    ASSERT_TRUE(loadertest::DeletePimRecord(kAppointmentsDatabase, oids[at]));
                }
                changed.push_back(kind == 0 ? oids.back() : oids[at]);
                if (kind == 2) oids.erase(oids.begin() + static_cast<long>(at));
            }
            // Every other round a task is added, changed or deleted (one stays).
            std::vector<CEOID> tasks;
            if (round % 2 == 1) {
                const size_t at = random() % taskOids.size();
                const unsigned kind = random() % 3;
                if (kind == 0) taskOids.push_back(tasktest::WriteTask(randomTask()));
                if (kind == 1 || (kind == 2 && taskOids.size() == 1)) tasktest::WriteTask(randomTask(), taskOids[at]);
                tasks.push_back(kind == 0 ? taskOids.back() : taskOids[at]);
                if (kind == 2 && taskOids.size() > 1) {
                    ASSERT_TRUE(loadertest::DeletePimRecord(kTasksDatabase, taskOids[at]));
                    taskOids.erase(taskOids.begin() + static_cast<long>(at));
                }
            }
            ASSERT_TRUE(refreshed.RefreshRecords(changed, tasks));
            CCalendarThread fresh;
            fresh.SetNoHeaderDates(c.noHeaders);
            ASSERT_TRUE(Load(fresh, first, last));
            ASSERT_EQ(CalendarRows(refreshed), CalendarRows(fresh)) << "round " << round;
        }
    }
}

TEST_F(CalendarStoreTest, RefreshDeclinesWithoutALoadOrAfterTheViewChanged)
{
    const CEOID lunch = WriteAppointment({.subject = u"lunch", .start = today + 0.5});
    CCalendarThread loader;
    EXPECT_FALSE(loader.RefreshRecords({lunch}, {}));
    ASSERT_TRUE(Load(loader, today, today + 6));
    SetCalendarSetting(u"CAV_FilterAppointments", 4);
    ASSERT_TRUE(loadertest::DeletePimRecord(kAppointmentsDatabase, lunch));
    EXPECT_FALSE(loader.RefreshRecords({lunch}, {}));
    EXPECT_EQ(Lines(loader).size(), 8u);  // seven day headers and lunch, as loaded
    // The declined check read the new view: the next burst must not refresh the rows made with the old one.
    EXPECT_FALSE(loader.RefreshRecords({lunch}, {}));
    EXPECT_EQ(Lines(loader).size(), 8u);
    // Nor may a loaded list refresh after its range or its category filter changed.
    const SYSTEMTIME first = Day(today + 1), last = Day(today + 7);
    const std::function<void()> changes[] = {[&] { loader.SetRestrict(first, last); },
                                             [&] { SetCalendarSetting(u"bHideCategories", 1); }};
    for (const auto& change : changes) {
        SetCalendarSetting(u"CAV_FilterAppointments", 5);
        SetCalendarSetting(u"bHideCategories", 0);
        ASSERT_TRUE(Load(loader, today, today + 6));
        change();
        EXPECT_FALSE(loader.RefreshRecords({}, {}));
    }
}

}  // namespace
