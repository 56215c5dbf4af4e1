// A range load reads the recurring series, the one-offs starting near the range and the long ones through the
// appointment store's sort orders; the rows are those of a store walked whole (one made with only the start's
// sort order, as older stores are), row for row, in every range view and in zones on both sides of UTC.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string_view>

#include "platform/text/wide_string.h"
#include "tests/engine/calendar_store.h"

using namespace caltest;

namespace {

// Every field a row shows, in list order.
std::vector<std::string> AllRows(CCalendarThread& loader)
{
    std::vector<std::string> rows;
    for (const DATACALENDAR* row : loader.GetDataList()) {
        std::ostringstream out;
        out << row->oid << " " << row->kind << " d" << row->day << " " << row->start << "-" << row->end << " "
            << row->allDay << row->recurring << row->meeting << row->endsEarly << " "
            << (row->subject ? Utf8(row->subject) : "") << "|" << (row->location ? Utf8(row->location) : "");
        rows.push_back(out.str());
    }
    return rows;
}

WORD SortOrders(const WCHAR* name)
{
    CEOIDINFO info{};
    if (!CeOidGetInfo(PimDatabases::Oid(name), &info)) return 0;
    return info.infDatabase.wNumSortOrder;
}

struct ZoneCase {
    const char16_t* zone;
};

class CalendarRangeReadsTest : public CalendarStoreTest, public ::testing::WithParamInterface<ZoneCase> {};

TEST_P(CalendarRangeReadsTest, ARangeReadThroughTheSortOrdersShowsWhatAWholeWalkShows)
{
    ASSERT_TRUE(platform::SetDeviceTimeZone(GetParam().zone));
    // The store as an older version made it: the start's sort order only.
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
    wcsncpy(info.szDbaseName, kAppointmentsDatabase, CEDB_MAXDBASENAMELEN - 1);
    info.rgSortSpecs[info.wNumSortOrder++] = SORTORDERSPEC{kAppointmentStart, 0};
    ASSERT_NE(CeCreateDatabaseEx(nullptr, &info), 0u);

    const double first = Date(2026, 3, 1), last = Date(2026, 3, 31);
    const struct {
        Appointment a;
        int rows;  // in the all-appointments view in Berlin, the first day's included when it is before March
    } table[] = {
        // Longer than a week, from before the days read by start.
        {{.subject = u"long from February", .start = Date(2026, 2, 10, 9), .duration = 25 * 1440}, 8},
        {{.subject = u"long from last year", .start = Date(2025, 6, 1, 8), .duration = 400 * 1440}, 32},
        {{.subject = u"long all day", .start = Date(2026, 2, 1), .duration = 30 * 1440, .allDay = true}, 3},
        // A week exactly: found by its start.
        {{.subject = u"week to the 1st", .start = Date(2026, 2, 22, 10), .duration = 7 * 1440}, 2},
        {{.subject = u"all-day week", .start = Date(2026, 2, 23), .duration = 7 * 1440, .allDay = true}, 2},
        {{.subject = u"long ending before", .start = Date(2026, 1, 1), .duration = 58 * 1440}, 0},
        {{.subject = u"the evening before", .start = Date(2026, 2, 28, 22), .duration = 60}, 0},
        {{.subject = u"over midnight", .start = Date(2026, 2, 28, 23, 30), .duration = 60}, 2},
        {{.subject = u"first morning", .start = Date(2026, 3, 1, 0, 15), .duration = 30}, 1},
        {{.subject = u"last evening", .start = Date(2026, 3, 31, 23, 30), .duration = 60}, 1},
        {{.subject = u"the morning after", .start = Date(2026, 4, 1, 0, 30), .duration = 30}, 0},
        {{.subject = u"all day on the 31st", .start = Date(2026, 3, 31), .duration = 1440, .allDay = true}, 1},
        {{.subject = u"next year", .start = Date(2027, 3, 10, 9)}, 0},
        {{.subject = u"no duration", .start = Date(2026, 3, 10, 9), .noDuration = true}, 1},
        {{.subject = u"empty pattern", .start = Date(2026, 3, 5, 9), .emptyPattern = true}, 1},
        {{.subject = u"meeting", .start = Date(2026, 3, 12, 14), .meeting = true}, 1},
        // Series from long before, and one starting after the range.
        {{.subject = u"weekly",
          .start = Date(2020, 1, 6, 9),
          .duration = 60,
          .pattern = Weekly(Date(2020, 1, 6), 0x02, 9 * 60, 60)},
         5},
        {{.subject = u"weekly long",
          .start = Date(2025, 1, 6, 9),
          .duration = 9 * 1440,
          .meeting = true,
          .pattern = Weekly(Date(2025, 1, 6), 0x02, 9 * 60, 9 * 1440)},
         41},
        {{.subject = u"later series", .start = Date(2026, 5, 4, 9), .pattern = Weekly(Date(2026, 5, 4), 0x02, 540, 60)},
         0},
        {{.subject = u"birthday", .start = Date(1980, 3, 20), .duration = 1440, .allDay = true,
          .pattern = YearlyAllDay(Date(1980, 3, 20))},
         1},
    };
    for (const auto& row : table) ASSERT_NE(WriteAppointment(row.a), 0u) << Utf8(row.a.subject.c_str());

    for (int view : {kCalendarViewMeetings, kCalendarViewAll, kCalendarViewSingleDay}) {
        SCOPED_TRACE(view);
        SetCalendarSetting(u"CAV_FilterAppointments", static_cast<ULONG>(view));
        CCalendarThread wholeWalk;
        ASSERT_TRUE(Load(wholeWalk, first, last));
        ASSERT_EQ(SortOrders(kAppointmentsDatabase), 1);

        ASSERT_TRUE(PimDatabases::Ensure());  // gives the store the sort orders a range read takes
        EXPECT_EQ(SortOrders(kAppointmentsDatabase), 3);
        CCalendarThread rangeRead;
        ASSERT_TRUE(Load(rangeRead, first, last));
        EXPECT_EQ(AllRows(rangeRead), AllRows(wholeWalk));

        if (view == kCalendarViewAll && GetParam().zone == std::u16string_view(u"Europe/Berlin")) {
            for (const auto& row : table) {
                // A birthday's subject gains the age in front.
                const std::string subject = Utf8(row.a.subject.c_str());
                int rows = 0;
                for (const DATACALENDAR* shown : rangeRead.GetDataList()) {
                    const std::string text = shown->subject ? Utf8(shown->subject) : "";
                    rows += shown->oid != 0 && text.size() >= subject.size() &&
                            text.compare(text.size() - subject.size(), subject.size(), subject) == 0;
                }
                EXPECT_EQ(rows, row.rows) << subject;
            }
        }
        // The next view starts from the older store again.
        CEDBASEINFO older{};
        older.dwFlags = CEDB_VALIDSORTSPEC;
        older.rgSortSpecs[older.wNumSortOrder++] = SORTORDERSPEC{kAppointmentStart, 0};
        ASSERT_TRUE(CeSetDatabaseInfo(PimDatabases::Oid(kAppointmentsDatabase), &older));
    }
}

// Berlin, and the zones furthest east and west of UTC.
INSTANTIATE_TEST_SUITE_P(Zones, CalendarRangeReadsTest,
                         ::testing::Values(ZoneCase{u"Europe/Berlin"}, ZoneCase{u"Pacific/Kiritimati"},
                                           ZoneCase{u"Pacific/Pago_Pago"}),
                         [](const ::testing::TestParamInfo<ZoneCase>& info) {
                             std::string name = Utf8(info.param.zone);
                             for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

}  // namespace
