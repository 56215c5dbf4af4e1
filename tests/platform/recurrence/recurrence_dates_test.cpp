// Occurrence days: lookups at the ends and random rules against libical.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/recurrence/recurrence_dates.h"
#include "tests/support/recurrence_ical_oracle.h"
#include "tests/support/recurrence_random_rule.h"

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

RecurrenceRule Rule(int type, int interval, RecurrenceDay start)
{
    RecurrenceRule r;
    r.type = type;
    r.interval = interval;
    r.patternStartDay = start;
    return r;
}

}  // namespace

// Ends, bounds and invalid rules the random rules below do not reach.
TEST(RecurrenceDatesLookups, EndsBoundEveryLookupAndInvalidRulesHaveNoOccurrences)
{
    RecurrenceRule r = Rule(kRecursWeekly, 1, Day(2024, 5, 6));
    r.dayOfWeekMask = 0x22;  // Monday and Friday
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 3;
    RecurrenceDates dates(r);
    EXPECT_EQ(Show(dates.Nth(4)), "none");
    EXPECT_EQ(Show(dates.Nth(0)), "none");
    EXPECT_EQ(Show(dates.Next(Day(2024, 5, 13))), "none");
    EXPECT_EQ(dates.CountThrough(Day(2030, 1, 1)), 3);
    EXPECT_EQ(dates.CountThrough(Day(2024, 5, 9)), 1);

    r.end = RecurrenceEnd::kByDate;
    r.patternEndDay = Day(2024, 5, 16);  // a Thursday
    RecurrenceDates byDate(r);
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

    RecurrenceDates invalid(Rule(kRecursMonthly, 1, Day(2024, 5, 1)));  // no day of month
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_FALSE(invalid.First());
    EXPECT_FALSE(invalid.FirstOnOrAfter(Day(2024, 6, 1)));
    EXPECT_FALSE(invalid.IsOccurrence(Day(2024, 5, 1)));
    EXPECT_EQ(invalid.CountThrough(kRecurrenceLastDay), 0);
}

namespace {

using icaloracle::IcalDays;
using icaloracle::RRuleOf;

// libical iterates up to the year 2582.
constexpr RecurrenceDay kIcalLastDay = 358040;  // 31 December 2580

// Rules from 1601 to 2400, dates ending within 4000 days.
RecurrenceRule RandomRule(std::mt19937& rng)
{
    return recurrule::RandomRecurrenceRule(rng, {Day(1601, 1, 1), Day(2400, 12, 31)});
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
        // libical 3.0 misplaces weeks not starting on Sunday (against RFC 5545);
        // the hand cases check other week starts.
        if (r.type == kRecursWeekly) r.firstDayOfWeek = 0;
        const RecurrenceDates dates(r);
        // Only libical's year limit shortens the comparison: past 2580 it stops.
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
            // libical saw the whole series. (The blob's EndDate and count are
            // checked against this expander in recurrence_rule_test.)
            ++wholeSeries;
            ASSERT_EQ(Show(dates.Last()), expected.empty() ? "none" : Show(expected.back())) << what;
        }
    }
    EXPECT_GT(wholeSeries, kRules / 2);
}

TEST(RecurrenceDatesOracle, LookupsAgreeDayByDay)
{
    // IsOccurrence, FirstOnOrAfter, Next and LastOnOrBefore describe the same set.
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

// The nth matching weekday against a day-by-day count through the month, for
// every mask and instance (0 and 6 outside the range) over a 28-year cycle of
// months, a century's non-leap February and the last year reckoned.
TEST(RecurrenceDatesNthDay, AgreesWithADayByDayCount)
{
    std::vector<std::pair<int, int>> months;
    for (int year : {1601, 2000, 2100, 9999}) months.push_back({year, 2});
    for (int year = 2024; year < 2052; ++year) {
        for (int month = 1; month <= 12; ++month) months.push_back({year, month});
    }
    int failures = 0;
    for (const auto& [year, month] : months) {
        const int length = RecurrenceDaysInMonth(year, month);
        for (int mask = 1; mask < 128 && failures < 5; ++mask) {
            std::vector<RecurrenceDay> matching;
            for (int d = 1; d <= length; ++d) {
                if ((mask >> RecurrenceDayOfWeek(Day(year, month, d))) & 1) matching.push_back(Day(year, month, d));
            }
            for (int instance = 0; instance <= 6; ++instance) {
                const RecurrenceDay expected = instance >= 5 ? matching.back()
                                               : instance >= 1 && instance <= static_cast<int>(matching.size())
                                                   ? matching[instance - 1]
                                                   : Day(year, month, length);
                const RecurrenceDay got = RecurrenceNthDayOfMonth(year, month, mask | 0x80, instance);
                if (got != expected) {
                    ADD_FAILURE() << year << "-" << month << " mask " << mask << " instance " << instance << ": "
                                  << Show(got) << " not " << Show(expected);
                    ++failures;
                }
            }
        }
    }
}
