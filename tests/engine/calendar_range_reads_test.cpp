// A range load through the appointment store's sort orders shows, row for row, what a walk of the whole store
// shows (a store made with the start's sort order alone, as older stores are), in every range view and zone.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/text/wide_string.h"
#include "tests/engine/calendar_store.h"

using namespace caltest;

namespace {

std::vector<std::string> AllRows(CCalendarThread& loader)
{
    std::vector<std::string> rows;
    for (const DATACALENDAR* row : loader.GetDataList()) {
        std::ostringstream out;
        out << row->oid << " " << row->kind << " d" << row->day << " " << row->start << "-" << row->end << " "
            << row->allDay << row->recurring << row->endsEarly << " " << (row->subject ? Utf8(row->subject) : "");
        rows.push_back(out.str());
    }
    return rows;
}

class CalendarRangeReadsTest : public CalendarStoreTest, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(CalendarRangeReadsTest, ARangeReadThroughTheSortOrdersShowsWhatAWholeWalkShows)
{
    ASSERT_TRUE(platform::SetDeviceTimeZone(GetParam()));
    CEDBASEINFO older{CEDB_VALIDNAME | CEDB_VALIDSORTSPEC};
    wcsncpy(older.szDbaseName, kAppointmentsDatabase, CEDB_MAXDBASENAMELEN - 1);
    older.rgSortSpecs[older.wNumSortOrder++] = SORTORDERSPEC{kAppointmentStart, 0};
    ASSERT_NE(CeCreateDatabaseEx(nullptr, &older), 0u);
    const Appointment table[] = {
        // Longer than a week, from before the days read by start; a week exactly; near the range's ends.
        {.subject = u"from February", .start = Date(2026, 2, 10, 9), .duration = 25 * 1440},
        {.subject = u"from last year", .start = Date(2025, 6, 1, 8), .duration = 400 * 1440},
        {.subject = u"all-day month", .start = Date(2026, 2, 1), .duration = 30 * 1440, .allDay = true},
        {.subject = u"a week", .start = Date(2026, 2, 22, 10), .duration = 7 * 1440},
        {.subject = u"all-day week", .start = Date(2026, 2, 23), .duration = 7 * 1440, .allDay = true},
        {.subject = u"over midnight", .start = Date(2026, 2, 28, 23, 30), .duration = 60},
        {.subject = u"last evening", .start = Date(2026, 3, 31, 23, 30), .duration = 60},
        {.subject = u"after", .start = Date(2026, 4, 1, 0, 30), .duration = 30},
        {.subject = u"no duration", .start = Date(2026, 3, 10, 9), .noDuration = true},
        {.subject = u"empty pattern", .start = Date(2026, 3, 5, 9), .meeting = true, .emptyPattern = true},
        {.subject = u"weekly", .start = Date(2020, 1, 6, 9), .pattern = Weekly(Date(2020, 1, 6), 0x02, 540, 60)},
        {.subject = u"weekly long",
         .start = Date(2025, 1, 6, 9),
         .duration = 9 * 1440,
         .meeting = true,
         .pattern = Weekly(Date(2025, 1, 6), 0x02, 540, 9 * 1440)},
    };
    for (const Appointment& a : table) ASSERT_NE(WriteAppointment(a), 0u);

    for (int view : {kCalendarViewMeetings, kCalendarViewAll, kCalendarViewSingleDay}) {
        SCOPED_TRACE(view);
        SetCalendarSetting(u"CAV_FilterAppointments", static_cast<ULONG>(view));
        CCalendarThread wholeWalk, rangeRead;
        ASSERT_TRUE(Load(wholeWalk, Date(2026, 3, 1), Date(2026, 3, 31)));
        ASSERT_TRUE(PimDatabases::Ensure());  // adds the sort orders a range read takes
        CEOIDINFO info{};
        EXPECT_TRUE(CeOidGetInfo(PimDatabases::Oid(kAppointmentsDatabase), &info));
        EXPECT_EQ(info.infDatabase.wNumSortOrder, 3);
        ASSERT_TRUE(Load(rangeRead, Date(2026, 3, 1), Date(2026, 3, 31)));
        EXPECT_EQ(AllRows(rangeRead), AllRows(wholeWalk));
        // The long one-offs are there in every view that takes them.
        EXPECT_EQ(Rows(rangeRead, "from last year").empty(), view == kCalendarViewMeetings);
        CEDBASEINFO back{CEDB_VALIDSORTSPEC};
        back.rgSortSpecs[back.wNumSortOrder++] = SORTORDERSPEC{kAppointmentStart, 0};
        ASSERT_TRUE(CeSetDatabaseInfo(PimDatabases::Oid(kAppointmentsDatabase), &back));
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, CalendarRangeReadsTest,  // Berlin and the zones furthest east and west
                         ::testing::Values(u"Europe/Berlin", u"Pacific/Kiritimati", u"Pacific/Pago_Pago"));

}  // namespace
