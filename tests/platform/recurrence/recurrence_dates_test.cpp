// Occurrence days of recurrence rules: the calendar's awkward cases by hand,
// the lookups against each other, and thousands of seeded random rules
// against libical's expansion of the equivalent RRULE.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/recurrence/recurrence_dates.h"
#include "tests/support/recurrence_ical_oracle.h"

using namespace platform;

namespace {

RecurrenceDay Day(int y, int m, int d) { return RecurrenceDayFromDate(y, m, d); }

std::string Show(std::optional<RecurrenceDay> day)
{
    if (!day) return "none";
    const RecurrenceCivilDate d = RecurrenceDateFromDay(*day);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

// The first n occurrences, as text.
std::vector<std::string> FirstN(const RecurrenceDates& dates, int n)
{
    std::vector<std::string> out;
    for (auto day = dates.First(); day && static_cast<int>(out.size()) < n; day = dates.Next(*day)) {
        out.push_back(Show(day));
    }
    return out;
}

RecurrenceRule Rule(int type, int interval, RecurrenceDay start)
{
    RecurrenceRule r;
    r.type = type;
    r.interval = interval;
    r.patternStartDay = start;
    return r;
}

using Days = std::vector<std::string>;

}  // namespace

TEST(RecurrenceDatesCalendar, DailyEverySecondDayFromAnOddDay)
{
    RecurrenceDates dates(Rule(kRecursDaily, 2, Day(2024, 5, 3)));
    EXPECT_EQ(FirstN(dates, 3), (Days{"2024-05-03", "2024-05-05", "2024-05-07"}));
    EXPECT_FALSE(dates.IsOccurrence(Day(2024, 5, 4)));
    EXPECT_TRUE(dates.IsOccurrence(Day(2024, 6, 2)));   // 30 days on
    EXPECT_FALSE(dates.IsOccurrence(Day(2024, 5, 1)));  // before the start
}

TEST(RecurrenceDatesCalendar, MonthlyDay31FallsOnTheLastDayOfShorterMonths)
{
    RecurrenceRule r = Rule(kRecursMonthly, 1, Day(2023, 12, 15));
    r.dayOfMonth = 31;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 6),
              (Days{"2023-12-31", "2024-01-31", "2024-02-29", "2024-03-31", "2024-04-30", "2024-05-31"}));
    r.patternStartDay = Day(2025, 1, 31);
    EXPECT_EQ(FirstN(RecurrenceDates(r), 2), (Days{"2025-01-31", "2025-02-28"}));
    // Day 30 every two months from November: 30 November, 30 January, 30 March.
    r.dayOfMonth = 30;
    r.interval = 2;
    r.patternStartDay = Day(2023, 11, 1);
    EXPECT_EQ(FirstN(RecurrenceDates(r), 3), (Days{"2023-11-30", "2024-01-30", "2024-03-30"}));
}

TEST(RecurrenceDatesCalendar, Yearly29FebruaryUses28InCommonYears)
{
    RecurrenceRule r = Rule(kRecursYearly, 1, Day(2024, 3, 1));  // starts after the 2024 date
    r.monthOfYear = 2;
    r.dayOfMonth = 29;
    RecurrenceDates dates(r);
    EXPECT_EQ(FirstN(dates, 4), (Days{"2025-02-28", "2026-02-28", "2027-02-28", "2028-02-29"}));
    EXPECT_TRUE(dates.IsOccurrence(Day(2100, 2, 28)));  // 2100 is not a leap year
    EXPECT_TRUE(dates.IsOccurrence(Day(2400, 2, 29)));
    EXPECT_FALSE(dates.IsOccurrence(Day(2400, 2, 28)));
}

TEST(RecurrenceDatesCalendar, NthDayChoices)
{
    // Last Friday of May 2024, last working day of August 2024.
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 5, 32, 5)), "2024-05-31");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 8, kRecurMaskWeekdays, 5)), "2024-08-30");
    // September 2024 begins on a Sunday.
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, kRecurMaskWeekdays, 1)), "2024-09-02");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, kRecurMaskWeekdays, 4)), "2024-09-05");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, kRecurMaskWeekend, 1)), "2024-09-01");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, kRecurMaskWeekend, 2)), "2024-09-07");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, kRecurMaskWeekend, 3)), "2024-09-08");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, kRecurMaskWeekend, 5)), "2024-09-29");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 2, kRecurMaskAllDays, 3)), "2024-02-03");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 2, kRecurMaskAllDays, 5)), "2024-02-29");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2023, 2, kRecurMaskAllDays, 5)), "2023-02-28");
    // The fourth Sunday of September 2024 versus the last (fifth) one.
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, 1, 4)), "2024-09-22");
    EXPECT_EQ(Show(RecurrenceNthDayOfMonth(2024, 9, 1, 5)), "2024-09-29");

    RecurrenceRule r = Rule(kRecursYearNth, 1, Day(2024, 1, 1));
    r.monthOfYear = 11;
    r.dayOfWeekMask = 16;  // the fourth Thursday of November
    r.instance = 4;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 3), (Days{"2024-11-28", "2025-11-27", "2026-11-26"}));
}

TEST(RecurrenceDatesCalendar, WeeksCountFromTheWeekOfTheStart)
{
    // Sundays and Saturdays every other week from Wednesday 8 May 2024. The
    // first week runs Sunday 5 to Saturday 11 May: its Sunday lies before the
    // start, its Saturday counts.
    RecurrenceRule r = Rule(kRecursWeekly, 2, Day(2024, 5, 8));
    r.dayOfWeekMask = 0x41;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 4), (Days{"2024-05-11", "2024-05-19", "2024-05-25", "2024-06-02"}));
    // Weeks beginning on Monday: 6 to 12 May holds both the Saturday and the
    // Sunday, two weeks on 20 to 26 May.
    r.firstDayOfWeek = 1;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 4), (Days{"2024-05-11", "2024-05-12", "2024-05-25", "2024-05-26"}));

    // Mondays, Wednesdays and Thursdays every three weeks from Tuesday 7 May
    // 2024, for each first day of the week (expanded with Python's dateutil).
    r = Rule(kRecursWeekly, 3, Day(2024, 5, 7));
    r.dayOfWeekMask = 0x1A;
    const Days expected[] = {
        {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"},  // Sunday
        {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"},  // Monday
        {"2024-05-08", "2024-05-09", "2024-05-13", "2024-05-29", "2024-05-30", "2024-06-03"},  // Tuesday
        {"2024-05-22", "2024-05-23", "2024-05-27", "2024-06-12", "2024-06-13", "2024-06-17"},  // Wednesday
        {"2024-05-08", "2024-05-23", "2024-05-27", "2024-05-29", "2024-06-13", "2024-06-17"},  // Thursday
        {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"},  // Friday
        {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"},  // Saturday
    };
    for (int first = 0; first < 7; ++first) {
        r.firstDayOfWeek = first;
        EXPECT_EQ(FirstN(RecurrenceDates(r), 6), expected[first]) << first;
    }
    // Sundays and Mondays every seven weeks from Saturday 26 June 1937: with
    // weeks from Tuesday the first week holds both days after the start.
    r = Rule(kRecursWeekly, 7, Day(1937, 6, 26));
    r.dayOfWeekMask = 0x03;
    r.firstDayOfWeek = 2;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 4), (Days{"1937-06-27", "1937-06-28", "1937-08-15", "1937-08-16"}));
    r.firstDayOfWeek = 0;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 2), (Days{"1937-08-08", "1937-08-09"}));
    // Sundays every eight weeks from Tuesday 28 February 2023, weeks from
    // Monday: the Sunday closing the first week is the first occurrence.
    r = Rule(kRecursWeekly, 8, Day(2023, 2, 28));
    r.dayOfWeekMask = 0x01;
    r.firstDayOfWeek = 1;
    EXPECT_EQ(FirstN(RecurrenceDates(r), 3), (Days{"2023-03-05", "2023-04-30", "2023-06-25"}));
}

TEST(RecurrenceDatesCalendar, EveryWeekdaySkipsWeekends)
{
    RecurrenceRule r = Rule(kRecursDaily, 1, Day(2024, 5, 4));  // a Saturday
    r.dayOfWeekMask = kRecurMaskWeekdays;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 6;
    RecurrenceDates dates(r);
    EXPECT_EQ(FirstN(dates, 10),
              (Days{"2024-05-06", "2024-05-07", "2024-05-08", "2024-05-09", "2024-05-10", "2024-05-13"}));
    EXPECT_EQ(Show(dates.Last()), "2024-05-13");
}

TEST(RecurrenceDatesLookups, EndsBoundEveryLookup)
{
    RecurrenceRule r = Rule(kRecursWeekly, 1, Day(2024, 5, 6));
    r.dayOfWeekMask = 0x22;  // Monday and Friday
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 3;
    RecurrenceDates dates(r);
    EXPECT_EQ(Show(dates.Last()), "2024-05-13");
    EXPECT_EQ(Show(dates.Nth(3)), "2024-05-13");
    EXPECT_EQ(Show(dates.Nth(4)), "none");
    EXPECT_EQ(Show(dates.Nth(0)), "none");
    EXPECT_EQ(Show(dates.Next(Day(2024, 5, 13))), "none");
    EXPECT_EQ(Show(dates.LastOnOrBefore(Day(2030, 1, 1))), "2024-05-13");
    EXPECT_EQ(Show(dates.LastOnOrBefore(Day(2024, 5, 5))), "none");
    EXPECT_EQ(dates.CountThrough(Day(2030, 1, 1)), 3);
    EXPECT_EQ(dates.CountThrough(Day(2024, 5, 9)), 1);
    EXPECT_EQ(dates.CountThrough(Day(2024, 5, 10)), 2);
    EXPECT_FALSE(dates.IsOccurrence(Day(2024, 5, 17)));

    r.end = RecurrenceEnd::kByDate;
    r.patternEndDay = Day(2024, 5, 16);  // a Thursday
    RecurrenceDates byDate(r);
    EXPECT_EQ(Show(byDate.Last()), "2024-05-13");
    EXPECT_EQ(byDate.CountThrough(kRecurrenceLastDay), 3);
    r.patternEndDay = Day(2024, 5, 7);
    r.patternStartDay = Day(2024, 5, 7);  // a range without occurrence
    EXPECT_EQ(Show(RecurrenceDates(r).Last()), "none");
    EXPECT_EQ(Show(RecurrenceDates(r).First()), "none");

    r.end = RecurrenceEnd::kNoEnd;
    EXPECT_EQ(Show(RecurrenceDates(r).Last()), "none");
    // Without end the series stops at 31 December 4500.
    RecurrenceRule daily = Rule(kRecursDaily, 1, kRecurrenceLastDay - 1);
    RecurrenceDates late(daily);
    EXPECT_EQ(Show(late.Next(kRecurrenceLastDay - 1)), "4500-12-31");
    EXPECT_EQ(Show(late.Next(kRecurrenceLastDay)), "none");
    EXPECT_EQ(Show(late.Nth(3)), "none");
    EXPECT_EQ(Show(late.Next(std::numeric_limits<RecurrenceDay>::max())), "none");
    EXPECT_EQ(Show(late.FirstOnOrAfter(std::numeric_limits<RecurrenceDay>::min())), "4500-12-30");
    EXPECT_EQ(Show(late.LastOnOrBefore(std::numeric_limits<RecurrenceDay>::max())), "4500-12-31");
}

TEST(RecurrenceDatesLookups, InvalidRuleHasNoOccurrences)
{
    RecurrenceRule r = Rule(kRecursMonthly, 1, Day(2024, 5, 1));  // no day of month
    RecurrenceDates dates(r);
    EXPECT_FALSE(dates.IsValid());
    EXPECT_FALSE(dates.First());
    EXPECT_FALSE(dates.FirstOnOrAfter(Day(2024, 6, 1)));
    EXPECT_FALSE(dates.IsOccurrence(Day(2024, 5, 1)));
    EXPECT_EQ(dates.CountThrough(kRecurrenceLastDay), 0);
}

namespace {

using icaloracle::IcalDays;
using icaloracle::RRuleOf;

// libical iterates up to the year 2582.
constexpr RecurrenceDay kIcalLastDay = 358040;  // 31 December 2580

RecurrenceRule RandomRule(std::mt19937& rng)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const int kTypes[] = {kRecursDaily,    kRecursWeekly, kRecursMonthly,
                                 kRecursMonthNth, kRecursYearly, kRecursYearNth};
    static const int kNthMasks[] = {1, 2, 4, 8, 16, 32, 64, kRecurMaskWeekdays, kRecurMaskWeekend, kRecurMaskAllDays};
    RecurrenceRule r;
    r.type = kTypes[pick(0, 5)];
    // Mostly short intervals, now and then a long one.
    r.interval = pick(0, 9) == 0 ? pick(1, 998) : pick(1, 12);
    r.patternStartDay = pick(Day(1601, 1, 1), Day(2400, 12, 31));
    switch (r.type) {
        case kRecursDaily:
            if (pick(0, 3) == 0) {
                r.dayOfWeekMask = kRecurMaskWeekdays;
                r.interval = 1;
            }
            break;
        case kRecursWeekly:
            r.dayOfWeekMask = pick(1, 127);
            r.firstDayOfWeek = pick(0, 6);
            break;
        case kRecursMonthly:
            r.dayOfMonth = pick(0, 2) == 0 ? pick(28, 31) : pick(1, 31);
            break;
        case kRecursMonthNth:
            r.dayOfWeekMask = kNthMasks[pick(0, 9)];
            r.instance = pick(1, 5);
            break;
        case kRecursYearly:
            r.interval = 1;
            r.monthOfYear = pick(1, 12);
            r.dayOfMonth = pick(0, 2) == 0 ? pick(28, 31) : pick(1, 31);
            break;
        default:
            r.interval = 1;
            r.monthOfYear = pick(1, 12);
            r.dayOfWeekMask = kNthMasks[pick(0, 9)];
            r.instance = pick(1, 5);
            break;
    }
    r.end = static_cast<RecurrenceEnd>(pick(0, 2));
    // libical needs some 50 microseconds per BYSETPOS occurrence: long series
    // are kept rare.
    if (r.end == RecurrenceEnd::kAfterOccurrences) r.occurrences = pick(0, 19) == 0 ? pick(1, 999) : pick(1, 40);
    if (r.end == RecurrenceEnd::kByDate) {
        const int span = r.type == kRecursDaily || r.type == kRecursWeekly ? 400 : 4000;
        r.patternEndDay = r.patternStartDay + pick(0, span);
    }
    return r;
}

}  // namespace

TEST(RecurrenceDatesOracle, AgreesWithLibicalOnRandomRules)
{
    constexpr int kRules = 2500;
    std::mt19937 rng(1601);
    int wholeSeries = 0;  // ended rules whose every occurrence libical listed
    for (int i = 0; i < kRules; ++i) {
        RecurrenceRule r = RandomRule(rng);
        ASSERT_EQ(ValidateRecurrenceRule(r), RecurrenceRuleField::kNone);
        // libical 3.0 misplaces weeks that do not start on Sunday (it
        // disagrees with RFC 5545 and with dateutil, for WKST=MO too when
        // BYDAY holds SU); other week starts are checked in
        // WeeksCountFromTheWeekOfTheStart.
        if (r.type == kRecursWeekly) r.firstDayOfWeek = 0;
        const RecurrenceDates dates(r);
        // Every rule can be written as an RRULE; only libical's year limit
        // shortens the comparison: past 2580 it stops.
        const size_t limit = r.end == RecurrenceEnd::kNoEnd ? 40 : 1000;
        std::vector<RecurrenceDay> expected = IcalDays(r, limit);
        std::vector<RecurrenceDay> ours;
        for (auto day = dates.First(); day && ours.size() < limit; day = dates.Next(*day)) ours.push_back(*day);
        const bool reachesLimit = !ours.empty() && ours.back() > kIcalLastDay;
        while (!ours.empty() && ours.back() > kIcalLastDay) ours.pop_back();
        while (!expected.empty() && expected.back() > kIcalLastDay) expected.pop_back();
        if (reachesLimit && expected.size() > ours.size()) expected.resize(ours.size());
        const std::string what = "rule " + std::to_string(i) + ": " + RRuleOf(r) + " from " + Show(r.patternStartDay);
        ASSERT_EQ(ours.size(), expected.size()) << what;
        for (size_t k = 0; k < ours.size(); ++k) {
            if (ours[k] != expected[k]) {
                FAIL() << what << " occurrence " << k + 1 << ": " << Show(ours[k]) << " instead of "
                       << Show(expected[k]);
            }
            if (dates.Nth(static_cast<std::int64_t>(k) + 1) != ours[k] ||
                dates.CountThrough(ours[k]) != static_cast<std::int64_t>(k) + 1) {
                FAIL() << what << " occurrence " << k + 1 << ": Nth or CountThrough disagree";
            }
        }
        if (r.end != RecurrenceEnd::kNoEnd && !reachesLimit) {
            ++wholeSeries;
            // libical saw the whole series: its last day is the EndDate of a
            // count-ended blob, its length the count of a date-ended one.
            ASSERT_EQ(Show(dates.Last()), expected.empty() ? "none" : Show(expected.back())) << what;
            auto blob = BuildRecurrencePatternBlob(r);
            ASSERT_TRUE(blob) << what;
            if (r.end == RecurrenceEnd::kAfterOccurrences) {
                ASSERT_EQ(expected.size(), static_cast<size_t>(r.occurrences)) << what;
                EXPECT_EQ(blob->endDate, static_cast<DWORD>(expected.back()) * 1440) << what;
            } else {
                EXPECT_EQ(blob->occurrenceCount, expected.size()) << what;
            }
        }
    }
    EXPECT_GT(wholeSeries, kRules / 2);
}

TEST(RecurrenceDatesOracle, LookupsAgreeDayByDay)
{
    // Over a stretch of days, IsOccurrence, FirstOnOrAfter, Next and
    // LastOnOrBefore must all describe the same set.
    std::mt19937 rng(2024);
    for (int i = 0; i < 300; ++i) {
        const RecurrenceRule r = RandomRule(rng);
        const RecurrenceDates dates(r);
        const RecurrenceDay from = r.patternStartDay - 40;
        std::optional<RecurrenceDay> previous;
        for (RecurrenceDay day = from; day < from + 500 && day <= kRecurrenceLastDay; ++day) {
            const bool is = dates.IsOccurrence(day);
            const auto next = dates.FirstOnOrAfter(day);
            ASSERT_EQ(is, next == day) << i;
            if (is) previous = day;
            ASSERT_EQ(dates.LastOnOrBefore(day), previous) << i << " " << Show(day);
            if (next) {
                ASSERT_GE(*next, day);
                ASSERT_TRUE(dates.IsOccurrence(*next));
                if (*next > day) {
                    ASSERT_EQ(dates.Next(day), next);
                }
            }
        }
    }
}
