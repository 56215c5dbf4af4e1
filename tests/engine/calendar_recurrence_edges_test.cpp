// Occurrence dates and times of particular patterns, checked against dates
// worked out by hand.
#include <gtest/gtest.h>

#include "tests/engine/calendar_recurrence_fixture.h"
#include "engine/calendar_recurrence.h"

using namespace recurtest;
using platform::RecurrenceExceptionInfo;

namespace {

const TIME_ZONE_INFORMATION kUtc = FixedZone(0);

Appointment Pattern(WORD frequency, WORD type, DWORD startDate, DWORD startOffset, DWORD endOffset)
{
    Appointment a;
    a.pattern.frequency = frequency;
    a.pattern.patternType = type;
    a.pattern.startDate = startDate;
    a.pattern.startTimeOffset = startOffset;
    a.pattern.endTimeOffset = endOffset;
    a.pattern.period = frequency == kRecurDaily ? 1440 : frequency == kRecurYearly ? 12 : 1;
    return a;
}

std::vector<std::int64_t> Days(const std::vector<Entry>& entries)
{
    std::vector<std::int64_t> days;
    for (const Entry& e : entries) days.push_back(e.day);
    return days;
}

TEST(CalendarRecurrenceDates, TwoDayPeriodFromAnOddDayKeepsToEverySecondDay)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 1, 3), 9 * 60, 10 * 60);
    a.pattern.period = 2880;
    const auto entries = Expand(a, OleDay(2024, 2, 1), OleDay(2024, 2, 10), kUtc);
    // 3 January + 2k: February days 2, 4, 6, 8, 10.
    EXPECT_EQ(Days(entries), (std::vector<std::int64_t>{OleDay(2024, 2, 2), OleDay(2024, 2, 4), OleDay(2024, 2, 6),
                                                        OleDay(2024, 2, 8), OleDay(2024, 2, 10)}));
    for (const Entry& e : entries) {
        EXPECT_EQ(e.start, e.day * 1440 + 9 * 60);
        EXPECT_EQ(e.duration, 60);
        EXPECT_EQ(e.subject, "Series");
        EXPECT_FALSE(e.exception);
    }
}

TEST(CalendarRecurrenceDates, DayThirtyOneFallsOnTheLastDayOfShorterMonths)
{
    Appointment a = Pattern(kRecurMonthly, 2, Minutes(2024, 1, 31), 8 * 60, 9 * 60);
    a.pattern.period = 1;
    a.pattern.dayOfMonth = 31;
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 2, 1), OleDay(2024, 4, 30), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 2, 29), OleDay(2024, 3, 31), OleDay(2024, 4, 30)}));
    EXPECT_EQ(Days(Expand(a, OleDay(2025, 2, 1), OleDay(2025, 2, 28), kUtc)),
              (std::vector<std::int64_t>{OleDay(2025, 2, 28)}));
}

TEST(CalendarRecurrenceDates, MonthlyPatternFarBackReachesTheRangeWithItsPeriod)
{
    // Every 5 months on the 31st from January 2004: months 0, 5, 10 ...
    Appointment a = Pattern(kRecurMonthly, 2, Minutes(2004, 1, 31), 8 * 60, 9 * 60);
    a.pattern.period = 5;
    a.pattern.dayOfMonth = 31;
    // January 2004 + 245 months = June 2024 (30 days), + 250 = November 2024.
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 5, 1), OleDay(2024, 12, 31), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 6, 30), OleDay(2024, 11, 30)}));
}

TEST(CalendarRecurrenceDates, TwentyNinthOfFebruaryYearly)
{
    Appointment a = Pattern(kRecurYearly, 2, Minutes(2024, 2, 29), 0, 1440);
    a.allDay = true;
    a.pattern.period = 12;
    a.pattern.dayOfMonth = 29;
    a.pattern.firstDateTime = 31 * 1440;  // February
    EXPECT_EQ(Days(Expand(a, OleDay(2025, 1, 1), OleDay(2025, 12, 31), kUtc)),
              (std::vector<std::int64_t>{OleDay(2025, 2, 28)}));
    const auto leap = Expand(a, OleDay(2028, 1, 1), OleDay(2028, 12, 31), kUtc);
    ASSERT_EQ(Days(leap), (std::vector<std::int64_t>{OleDay(2028, 2, 29)}));
    EXPECT_TRUE(leap[0].allDay);
    EXPECT_EQ(leap[0].duration, 1440);
    EXPECT_EQ(leap[0].end, leap[0].start);  // an all-day end is its last day
}

TEST(CalendarRecurrenceDates, NthWeekdayOfAMonth)
{
    SYSTEMTIME d{};
    ASSERT_TRUE(CCalendarRecurrence::fGetNthWeekDay(2024, 5, 32, 5, d));
    EXPECT_EQ(d.wDay, 31);  // last Friday of May 2024
    ASSERT_TRUE(CCalendarRecurrence::fGetNthWeekDay(2024, 8, 62, 5, d));
    EXPECT_EQ(d.wDay, 30);  // last weekday of August 2024 (31st is a Saturday)
    ASSERT_TRUE(CCalendarRecurrence::fGetNthWeekDay(2024, 8, 65, 1, d));
    EXPECT_EQ(d.wDay, 3);  // first weekend day of August 2024
    ASSERT_TRUE(CCalendarRecurrence::fGetNthWeekDay(2024, 2, 127, 5, d));
    EXPECT_EQ(d.wDay, 29);  // last day of February 2024
    ASSERT_TRUE(CCalendarRecurrence::fGetNthWeekDay(2024, 9, 2, 2, d));
    EXPECT_EQ(d.wDay, 9);  // second Monday of September 2024
    EXPECT_FALSE(CCalendarRecurrence::fGetNthWeekDay(2024, 9, 0, 1, d));
    EXPECT_FALSE(CCalendarRecurrence::fGetNthWeekDay(2024, 9, 2, 6, d));
    EXPECT_FALSE(CCalendarRecurrence::fGetNthWeekDay(2024, 13, 2, 1, d));
}

TEST(CalendarRecurrenceDates, LastFridayOfMayEveryYear)
{
    Appointment a = Pattern(kRecurYearly, 3, Minutes(2020, 5, 1), 12 * 60, 13 * 60);
    a.pattern.weekdayMask = 32;
    a.pattern.nth = 5;
    a.pattern.period = 12;
    a.pattern.firstDateTime = 120 * 1440;  // May
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 1, 1), OleDay(2025, 12, 31), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 5, 31), OleDay(2025, 5, 30)}));
}

TEST(CalendarRecurrenceDates, LastWeekdayOfEveryOtherMonth)
{
    Appointment a = Pattern(kRecurMonthly, 3, Minutes(2024, 6, 1), 17 * 60, 18 * 60);
    a.pattern.weekdayMask = 62;
    a.pattern.nth = 5;
    a.pattern.period = 2;
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 12, 31), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 8, 30), OleDay(2024, 10, 31), OleDay(2024, 12, 31)}));
}

TEST(CalendarRecurrenceDates, MonthInYearFromFirstDateTime)
{
    const int expected[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const int cumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    for (int m = 0; m < 12; ++m) {
        EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(static_cast<DWORD>(cumulative[m] * 1440)), expected[m]) << m;
        // Leap years start their months a day later.
        if (m >= 2) {
            EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(static_cast<DWORD>((cumulative[m] + 1) * 1440)), expected[m]);
        }
    }
    EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(39999), 1);
    EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(40000), 2);
    EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(0xFFFFFFFF), 12);
}

TEST(CalendarRecurrenceDates, WeekdayPatternSkipsWeekendsAndStartsOnMonday)
{
    // Starting on Saturday 6 July 2024.
    Appointment a = Pattern(kRecurDaily, 1, Minutes(2024, 7, 6), 9 * 60, 10 * 60);
    a.pattern.weekdayMask = 62;
    EXPECT_EQ(
        Days(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 16), kUtc)),
        (std::vector<std::int64_t>{OleDay(2024, 7, 8), OleDay(2024, 7, 9), OleDay(2024, 7, 10), OleDay(2024, 7, 11),
                                   OleDay(2024, 7, 12), OleDay(2024, 7, 15), OleDay(2024, 7, 16)}));
}

TEST(CalendarRecurrenceDates, WeeklyWeeksRunFromSunday)
{
    // Every second week on Sunday and Wednesday, starting Wednesday 3 July
    // 2024: the first week is 30 June .. 6 July, whose Sunday lies before
    // the start.
    Appointment a = Pattern(kRecurWeekly, 1, Minutes(2024, 7, 3), 9 * 60, 10 * 60);
    a.pattern.period = 2;
    a.pattern.weekdayMask = 1 | 8;
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 6, 25), OleDay(2024, 7, 31), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 7, 3), OleDay(2024, 7, 14), OleDay(2024, 7, 17),
                                         OleDay(2024, 7, 28), OleDay(2024, 7, 31)}));
}

TEST(CalendarRecurrenceDates, EndDateBoundsACountedPattern)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 3, 1), 9 * 60, 10 * 60);
    a.pattern.endType = platform::kRecurEndAfterCount;
    a.pattern.occurrenceCount = 100;  // not what ends it
    a.pattern.endDate = Minutes(2024, 3, 5);
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 3, 1), OleDay(2024, 3, 31), kUtc)).size(), 5u);
}

TEST(CalendarRecurrenceChanges, DeletedOccurrenceIsNotShownAndAChangedOneOnceAtItsNewTime)
{
    Appointment a = Pattern(kRecurWeekly, 1, Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    a.pattern.period = 1;
    a.pattern.weekdayMask = 2;  // Mondays
    a.pattern.deletedInstanceDates = {Minutes(2024, 7, 8), Minutes(2024, 7, 15)};
    a.pattern.modifiedInstanceDates = {Minutes(2024, 7, 17)};
    RecurrenceExceptionInfo moved;
    moved.startDateTime = Minutes(2024, 7, 17, 14, 30);  // Monday 15th moved to Wednesday 17th
    moved.endDateTime = Minutes(2024, 7, 17, 16, 0);
    moved.originalStartDate = Minutes(2024, 7, 15, 9, 0);
    moved.subject = u"Moved review";
    moved.busyStatus = 3;
    a.pattern.exceptions = {moved};
    const auto entries = Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 31), kUtc);
    ASSERT_EQ(Days(entries), (std::vector<std::int64_t>{OleDay(2024, 7, 1), OleDay(2024, 7, 17), OleDay(2024, 7, 22),
                                                        OleDay(2024, 7, 29)}));
    const Entry& changed = entries[1];
    EXPECT_TRUE(changed.exception);
    EXPECT_EQ(changed.subject, "Moved review");
    EXPECT_EQ(changed.location, "Room");  // not changed
    EXPECT_EQ(changed.start, OleDay(2024, 7, 17) * 1440 + 14 * 60 + 30);
    EXPECT_EQ(changed.duration, 90);
    EXPECT_EQ(changed.busyStatus, 3);
    EXPECT_EQ(entries[0].busyStatus, 2);
    EXPECT_FALSE(entries[2].exception);
}

TEST(CalendarRecurrenceChanges, ChangedSubjectMarkedCompletedHidesTheOccurrence)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    a.pattern.deletedInstanceDates = {Minutes(2024, 7, 2)};
    a.pattern.modifiedInstanceDates = {Minutes(2024, 7, 2)};
    RecurrenceExceptionInfo done;
    done.startDateTime = Minutes(2024, 7, 2, 9, 0);
    done.endDateTime = Minutes(2024, 7, 2, 10, 0);
    done.originalStartDate = Minutes(2024, 7, 2, 9, 0);
    done.subject = u"<\u2022>Standup</\u2022>";
    a.pattern.exceptions = {done};
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 3), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 7, 1), OleDay(2024, 7, 3)}));
}

TEST(CalendarRecurrenceChanges, ChangeToAllDayAndOwnNote)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    a.pattern.deletedInstanceDates = {Minutes(2024, 7, 2)};
    a.pattern.modifiedInstanceDates = {Minutes(2024, 7, 2)};
    RecurrenceExceptionInfo e;
    e.startDateTime = Minutes(2024, 7, 2);
    e.endDateTime = Minutes(2024, 7, 4);  // two whole days
    e.originalStartDate = Minutes(2024, 7, 2, 9, 0);
    e.allDay = true;
    e.ownNote = true;
    e.noteBytes = std::vector<BYTE>(9, 0x41);
    e.location = u"Offsite";
    a.pattern.exceptions = {e};
    const auto entries = Expand(a, OleDay(2024, 7, 2), OleDay(2024, 7, 3), kUtc);
    ASSERT_EQ(entries.size(), 2u);
    const Entry& changed = entries[0];
    EXPECT_TRUE(changed.exception);
    EXPECT_TRUE(changed.allDay);
    EXPECT_TRUE(changed.hasNote);
    EXPECT_EQ(changed.start, OleDay(2024, 7, 2) * 1440);
    EXPECT_EQ(changed.end, OleDay(2024, 7, 3) * 1440);  // its last day
    EXPECT_EQ(changed.duration, 2 * 1440);
    EXPECT_EQ(changed.subject, "Series");
    EXPECT_EQ(changed.location, "Offsite");
    EXPECT_FALSE(entries[1].hasNote);
    EXPECT_FALSE(entries[1].allDay);
    EXPECT_EQ(entries[1].start, OleDay(2024, 7, 3) * 1440 + 9 * 60);
}

TEST(CalendarRecurrenceRange, OccurrenceFromTheDayBeforeThatLastsIntoTheRangeIsShown)
{
    // 22:00 to 02:00 the next day, every day.
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 7, 1), 22 * 60, 26 * 60);
    const auto entries = Expand(a, OleDay(2024, 7, 10), OleDay(2024, 7, 11), kUtc);
    ASSERT_EQ(Days(entries), (std::vector<std::int64_t>{OleDay(2024, 7, 9), OleDay(2024, 7, 10), OleDay(2024, 7, 11)}));
    EXPECT_EQ(entries[0].end, OleDay(2024, 7, 10) * 1440 + 2 * 60);
    EXPECT_EQ(entries[0].duration, 240);
}

TEST(CalendarRecurrenceRange, OccurrenceMoreThanTwoDaysBeforeTheRangeIsNotLookedAt)
{
    // Weekly on Sundays, lasting four days: the one of Sunday 7 July reaches
    // into a range from Wednesday 10 July, but begins three days before it.
    Appointment a = Pattern(kRecurWeekly, 1, Minutes(2024, 6, 2), 9 * 60, 9 * 60 + 4 * 1440);
    a.pattern.weekdayMask = 1;
    RecordingSink sink;
    EXPECT_TRUE(Expand(a, OleDay(2024, 7, 10), OleDay(2024, 7, 13), kUtc, nullptr, &sink).empty());
    EXPECT_EQ(sink.restReads, 0);
    // From Tuesday 9 July it is two days before and shown.
    EXPECT_EQ(Days(Expand(a, OleDay(2024, 7, 9), OleDay(2024, 7, 13), kUtc)),
              (std::vector<std::int64_t>{OleDay(2024, 7, 7)}));
}

TEST(CalendarRecurrenceRange, RestOfTheRecordIsReadOnceAndCanHideIt)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 7, 1), 9 * 60, 10 * 60);
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
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 7, 1), 9 * 60, 10 * 60);
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

// New York: 02:00 second Sunday of March to 02:00 first Sunday of November.
TIME_ZONE_INFORMATION NewYork()
{
    TIME_ZONE_INFORMATION z{};
    z.Bias = 300;
    z.DaylightBias = -60;
    z.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};
    z.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};
    return z;
}

// Berlin: 02:00 last Sunday of March to 03:00 last Sunday of October.
TIME_ZONE_INFORMATION Berlin()
{
    TIME_ZONE_INFORMATION z{};
    z.Bias = -60;
    z.DaylightBias = -60;
    z.DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
    z.StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
    return z;
}

TEST(CalendarRecurrenceZones, OwnZoneFiveHoursBehindTheDeviceIsShownFiveHoursLater)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 1, 1), 9 * 60, 10 * 60 + 30);
    a.zone = ZoneBlob(FixedZone(300));
    const auto entries = Expand(a, OleDay(2024, 1, 10), OleDay(2024, 1, 11), kUtc);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].start, OleDay(2024, 1, 10) * 1440 + 14 * 60);
    EXPECT_EQ(entries[0].end, OleDay(2024, 1, 10) * 1440 + 15 * 60 + 30);
    EXPECT_EQ(entries[0].duration, 90);
    // Without its own zone the wall-clock time is the device's.
    a.zone.clear();
    EXPECT_EQ(Expand(a, OleDay(2024, 1, 10), OleDay(2024, 1, 10), kUtc)[0].start, OleDay(2024, 1, 10) * 1440 + 9 * 60);
}

TEST(CalendarRecurrenceZones, LateEveningInTheOwnZoneIsTheNextDayOnTheDevice)
{
    Appointment a = Pattern(kRecurWeekly, 1, Minutes(2024, 1, 1), 21 * 60, 22 * 60);
    a.pattern.weekdayMask = 2;  // Mondays
    a.zone = ZoneBlob(FixedZone(300));
    const auto entries = Expand(a, OleDay(2024, 1, 8), OleDay(2024, 1, 9), kUtc);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].day, OleDay(2024, 1, 9));  // Tuesday 02:00 on the device
    EXPECT_EQ(entries[0].start, OleDay(2024, 1, 9) * 1440 + 2 * 60);
}

TEST(CalendarRecurrenceZones, DaylightSavingChangesInBothZones)
{
    // 09:00 in New York every day of March 2024, on a device in Berlin:
    // 15:00 until New York moves on 10 March, 14:00 until Berlin follows on
    // 31 March, 15:00 again from then on.
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 2, 1), 9 * 60, 10 * 60);
    a.zone = ZoneBlob(NewYork());
    const auto entries = Expand(a, OleDay(2024, 3, 1), OleDay(2024, 4, 2), Berlin());
    ASSERT_EQ(entries.size(), 33u);
    for (const Entry& e : entries) {
        const std::int64_t day = e.start / 1440;
        const int hour = day < OleDay(2024, 3, 10) ? 15 : day < OleDay(2024, 3, 31) ? 14 : 15;
        EXPECT_EQ(e.start, day * 1440 + hour * 60) << e;
        EXPECT_EQ(e.duration, 60) << e;
    }
    // In autumn Berlin goes back on 27 October, New York on 3 November.
    const auto autumn = Expand(a, OleDay(2024, 10, 26), OleDay(2024, 11, 4), Berlin());
    ASSERT_EQ(autumn.size(), 10u);
    for (const Entry& e : autumn) {
        const std::int64_t day = e.start / 1440;
        const int hour = day < OleDay(2024, 10, 27) ? 15 : day < OleDay(2024, 11, 3) ? 14 : 15;
        EXPECT_EQ(e.start, day * 1440 + hour * 60) << e;
    }
}

TEST(CalendarRecurrenceZones, AllDayOccurrencesAreNotConverted)
{
    Appointment a = Pattern(kRecurDaily, 0, Minutes(2024, 1, 1), 0, 1440);
    a.allDay = true;
    a.zone = ZoneBlob(FixedZone(300));
    const auto entries = Expand(a, OleDay(2024, 1, 10), OleDay(2024, 1, 10), FixedZone(-600));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].start, OleDay(2024, 1, 10) * 1440);
    EXPECT_EQ(entries[0].duration, 1440);
}

}  // namespace
