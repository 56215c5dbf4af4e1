// Recurrence cases worked out by hand, where the expansion keeps rules of its
// own that libical does not share or cannot check: each case runs against
// the platform's RecurrenceDates and the calendar's expander. Then the
// calendar's range window, its reading of the rest of the record, and
// all-day entries under an own zone.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/calendar_recurrence.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_rule.h"
#include "tests/engine/calendar_recurrence_fixture.h"

using namespace recurtest;
using platform::RecurrenceDay;
using platform::RecurrenceRule;

namespace {

const TIME_ZONE_INFORMATION kUtc = FixedZone(0);

RecurrenceDay Day(int y, int m, int d) { return platform::RecurrenceDayFromDate(y, m, d); }

std::string Show(RecurrenceDay day)
{
    const platform::RecurrenceCivilDate d = platform::RecurrenceDateFromDay(day);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

using Days = std::vector<std::string>;

Days Shown(const std::vector<RecurrenceDay>& days)
{
    Days out;
    for (RecurrenceDay d : days) out.push_back(Show(d));
    return out;
}

std::vector<RecurrenceDay> FirstN(const platform::RecurrenceDates& dates, size_t n)
{
    std::vector<RecurrenceDay> out;
    for (auto day = dates.First(); day && out.size() < n; day = dates.Next(*day)) out.push_back(*day);
    return out;
}

// The calendar's entries of the rule's blob from its first occurrence to
// `lastDay`.
std::vector<RecurrenceDay> CalendarDays(const RecurrenceRule& rule, RecurrenceDay lastDay)
{
    const std::optional<platform::RecurrencePatternBlob> blob = platform::BuildRecurrencePatternBlob(rule);
    EXPECT_TRUE(blob.has_value());
    if (!blob) return {};
    Appointment a;
    a.pattern = *blob;
    const std::int64_t first = static_cast<std::int64_t>(blob->startDate / 1440) - kOleDayZeroFrom1601;
    std::vector<RecurrenceDay> out;
    for (const Entry& e : Expand(a, first, lastDay - kOleDayZeroFrom1601, kUtc)) {
        out.push_back(static_cast<RecurrenceDay>(e.day + kOleDayZeroFrom1601));
    }
    return out;
}

using platform::kRecursMonthly;
using platform::kRecursWeekly;
using platform::kRecursYearly;

TEST(CalendarRecurrenceCases, BothExpandersGiveTheHandWorkedDays)
{
    // Weeks: the rule's first week runs from its first day of the week
    // around the pattern start; libical misplaces weeks that do not start on
    // Sunday, so these were expanded with Python's dateutil.
    const RecurrenceRule weekly3{.type = kRecursWeekly,
                                 .interval = 3,
                                 .dayOfWeekMask = 0x1A,
                                 .patternStartDay = Day(2024, 5, 7)};  // Mon, Wed, Thu from Tuesday 7 May 2024
    auto weekStart = [](RecurrenceRule r, int first) {
        r.firstDayOfWeek = first;
        return r;
    };
    const RecurrenceRule weekly7{.type = kRecursWeekly,
                                 .interval = 7,
                                 .dayOfWeekMask = 0x03,
                                 .patternStartDay = Day(1937, 6, 26)};  // Sun, Mon from Saturday 26 June 1937
    const RecurrenceRule weekly2{.type = kRecursWeekly,
                                 .interval = 2,
                                 .dayOfWeekMask = 0x41,
                                 .patternStartDay = Day(2024, 5, 8)};  // Sun, Sat from Wednesday 8 May 2024
    const struct {
        const char* what;
        RecurrenceRule rule;
        Days expected;
    } cases[] = {
        {"day 31 falls on the last day of shorter months",
         {.type = kRecursMonthly, .interval = 1, .dayOfMonth = 31, .patternStartDay = Day(2023, 12, 15)},
         {"2023-12-31", "2024-01-31", "2024-02-29", "2024-03-31", "2024-04-30", "2024-05-31"}},
        {"29 February on the 28th in common years, from after the 2024 date",
         {.type = kRecursYearly, .interval = 1, .dayOfMonth = 29, .monthOfYear = 2, .patternStartDay = Day(2024, 3, 1)},
         {"2025-02-28", "2026-02-28", "2027-02-28", "2028-02-29"}},
        {"the first week's Sunday lies before the start, its Saturday counts",
         weekly2,
         {"2024-05-11", "2024-05-19", "2024-05-25", "2024-06-02"}},
        {"weeks from Monday: 6 to 12 May holds both days",
         weekStart(weekly2, 1),
         {"2024-05-11", "2024-05-12", "2024-05-25", "2024-05-26"}},
        {"every 3 weeks, from Sunday",
         weekly3,
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"from Monday",
         weekStart(weekly3, 1),
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"from Tuesday",
         weekStart(weekly3, 2),
         {"2024-05-08", "2024-05-09", "2024-05-13", "2024-05-29", "2024-05-30", "2024-06-03"}},
        {"from Wednesday",
         weekStart(weekly3, 3),
         {"2024-05-22", "2024-05-23", "2024-05-27", "2024-06-12", "2024-06-13", "2024-06-17"}},
        {"from Thursday",
         weekStart(weekly3, 4),
         {"2024-05-08", "2024-05-23", "2024-05-27", "2024-05-29", "2024-06-13", "2024-06-17"}},
        {"from Friday",
         weekStart(weekly3, 5),
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"from Saturday",
         weekStart(weekly3, 6),
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"weeks from Tuesday: the first week holds both days after the start",
         weekStart(weekly7, 2),
         {"1937-06-27", "1937-06-28", "1937-08-15", "1937-08-16"}},
        {"the same from Sunday", weekly7, {"1937-08-08", "1937-08-09", "1937-09-26", "1937-09-27"}},
        {"Sundays every 8 weeks, weeks from Monday: the Sunday closing the first week comes first",
         {.type = kRecursWeekly,
          .interval = 8,
          .dayOfWeekMask = 0x01,
          .patternStartDay = Day(2023, 2, 28),
          .firstDayOfWeek = 1},
         {"2023-03-05", "2023-04-30", "2023-06-25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const platform::RecurrenceDates dates(c.rule);
        EXPECT_EQ(Shown(FirstN(dates, c.expected.size())), c.expected);
        // The calendar counts weeks from Sunday whatever the blob's first day
        // of the week: from the first occurrence on, it shows what a rule
        // with weeks from Sunday starting there gives.
        RecurrenceRule fromSunday = c.rule;
        fromSunday.firstDayOfWeek = 0;
        fromSunday.patternStartDay = dates.First().value_or(c.rule.patternStartDay);
        const std::vector<RecurrenceDay> sundayWeeks = FirstN(platform::RecurrenceDates(fromSunday), c.expected.size());
        ASSERT_FALSE(sundayWeeks.empty());
        EXPECT_EQ(Shown(CalendarDays(c.rule, sundayWeeks.back())), Shown(sundayWeeks));
        if (c.rule.firstDayOfWeek == 0) {
            EXPECT_EQ(Shown(sundayWeeks), c.expected);
        }
    }
}

// The calendar's lookup takes its days from the platform's (whose days the
// libical comparisons check) within the limits it keeps itself.
TEST(CalendarRecurrenceCases, NthDayOfTheMonthInBothReaders)
{
    // instance 5 is the last. Day 0: none (the platform falls back to the
    // first of the month, the calendar refuses).
    const struct {
        int year, month, mask, instance, day;
    } cases[] = {
        {2024, 8, platform::kRecurMaskWeekdays, 5, 30},  // the 31st is a Saturday
        {1601, 1, 2, 1, 1},                              // the first Monday of the first year counted: its first day
        {2024, 9, 0, 1, 0},                              // no weekday
        {2024, 13, 2, 1, 0},                             // no month
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + " mask " + std::to_string(c.mask) +
                     " instance " + std::to_string(c.instance));
        if (c.month <= 12) {
            EXPECT_EQ(Show(platform::RecurrenceNthDayOfMonth(c.year, c.month, c.mask, c.instance)),
                      Show(Day(c.year, c.month, c.day ? c.day : 1)));
        }
        SYSTEMTIME st{};
        const bool found =
            CCalendarRecurrence::fGetNthWeekDay(static_cast<WORD>(c.year), static_cast<WORD>(c.month),
                                                static_cast<WORD>(c.mask), static_cast<WORD>(c.instance), st);
        EXPECT_EQ(found, c.day != 0);
        if (found) {
            EXPECT_EQ(st.wDay, c.day);
        }
    }
    SYSTEMTIME st{};
    EXPECT_FALSE(CCalendarRecurrence::fGetNthWeekDay(2024, 9, 2, 6, st));  // no sixth Monday
}

TEST(CalendarRecurrenceCases, YearlyMonthFromFirstDateTimeInBothReaders)
{
    // The first of each month of a common year, a day later from March in a
    // leap year, and the readers' thresholds at their edges.
    const int cumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    std::vector<std::pair<DWORD, int>> cases = {{39999, 1},   {40000, 2},   {169999, 4},     {170000, 5},
                                                {474999, 11}, {475000, 12}, {0xFFFFFFFF, 12}};
    for (int m = 0; m < 12; ++m) {
        cases.push_back({static_cast<DWORD>(cumulative[m] * 1440), m + 1});
        if (m >= 2) cases.push_back({static_cast<DWORD>((cumulative[m] + 1) * 1440), m + 1});
    }
    for (const auto& [minutes, month] : cases) {
        EXPECT_EQ(platform::RecurrenceMonthFromFirstDateTime(minutes), month) << minutes;
        EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(minutes), month) << minutes;
    }
}

Appointment Daily(DWORD startDate, DWORD startOffset, DWORD endOffset)
{
    Appointment a;
    a.pattern.frequency = kRecurDaily;
    a.pattern.patternType = 0;
    a.pattern.period = 1440;
    a.pattern.startDate = startDate;
    a.pattern.startTimeOffset = startOffset;
    a.pattern.endTimeOffset = endOffset;
    return a;
}

TEST(CalendarRecurrenceRange, OccurrenceMoreThanTwoDaysBeforeTheRangeIsNotLookedAt)
{
    // Weekly on Sundays, lasting four days: the one of Sunday 7 July reaches
    // into a range from Wednesday 10 July, but begins three days before it.
    Appointment a = Daily(Minutes(2024, 6, 2), 9 * 60, 9 * 60 + 4 * 1440);
    a.pattern.frequency = kRecurWeekly;
    a.pattern.patternType = 1;
    a.pattern.period = 1;
    a.pattern.weekdayMask = 1;
    RecordingSink sink;
    EXPECT_TRUE(Expand(a, OleDay(2024, 7, 10), OleDay(2024, 7, 13), kUtc, nullptr, &sink).empty());
    EXPECT_EQ(sink.restReads, 0);
    // From Tuesday 9 July it is two days before and shown.
    const auto entries = Expand(a, OleDay(2024, 7, 9), OleDay(2024, 7, 13), kUtc);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].day, OleDay(2024, 7, 7));
}

TEST(CalendarRecurrenceRange, RestOfTheRecordIsReadOnceAndCanHideIt)
{
    const Appointment a = Daily(Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    RecordingSink sink;
    EXPECT_EQ(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 31), kUtc, nullptr, &sink).size(), 31u);
    EXPECT_EQ(sink.restReads, 1);
    RecordingSink hiding;
    hiding.showRecord = false;
    EXPECT_TRUE(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 31), kUtc, nullptr, &hiding).empty());
    EXPECT_EQ(hiding.restReads, 1);
}

TEST(CalendarRecurrenceRange, PatternOutsideTheWindowIsRejectedUnexpanded)
{
    Appointment a = Daily(Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    a.pattern.endType = platform::kRecurEndByDate;
    a.pattern.endDate = Minutes(2024, 7, 6);
    RecurrenceParseResult result = kRecurrenceUsable;
    // The window reaches 3 days before the range: 6 July is inside for a
    // range from 9 July, outside for one from 10 July.
    EXPECT_TRUE(Expand(a, OleDay(2024, 7, 9), OleDay(2024, 7, 20), kUtc, &result).empty());
    EXPECT_EQ(result, kRecurrenceUsable);
    Expand(a, OleDay(2024, 7, 10), OleDay(2024, 7, 20), kUtc, &result);
    EXPECT_EQ(result, kRecurrenceRejected);
    // And 3 days after it at the other end.
    Expand(a, OleDay(2024, 6, 20), OleDay(2024, 6, 28), kUtc, &result);
    EXPECT_EQ(result, kRecurrenceUsable);
    Expand(a, OleDay(2024, 6, 20), OleDay(2024, 6, 27), kUtc, &result);
    EXPECT_EQ(result, kRecurrenceRejected);
}

TEST(CalendarRecurrenceZones, AllDayOccurrencesAreNotConverted)
{
    // An own zone five hours behind UTC on a device ten hours ahead.
    Appointment a = Daily(Minutes(2024, 1, 1), 0, 1440);
    a.allDay = true;
    a.zone = ZoneBlob(FixedZone(300));
    const auto entries = Expand(a, OleDay(2024, 1, 10), OleDay(2024, 1, 10), FixedZone(-600));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].start, OleDay(2024, 1, 10) * 1440);
    EXPECT_EQ(entries[0].duration, 1440);
}

}  // namespace
