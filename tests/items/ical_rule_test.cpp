// Recurrence rules as RRULEs: what the device holds is written so that libical
// expands it to the same days and is read back to the same days; what other
// programs write maps to the device's rule or is refused with a reason.
#include <gtest/gtest.h>

#include <libical/ical.h>

#include <random>
#include <string>
#include <vector>

#include "items/ical_rule.h"
#include "platform/recurrence/recurrence_dates.h"
#include "tests/support/recurrence_random_rule.h"

namespace {

using namespace platform;

constexpr size_t kCompared = 60;

std::vector<RecurrenceDay> DeviceDays(const RecurrenceRule& r)
{
    std::vector<RecurrenceDay> out;
    const RecurrenceDates dates(r);
    for (std::int64_t n = 1; out.size() < kCompared; ++n) {
        const std::optional<RecurrenceDay> day = dates.Nth(n);
        if (!day) break;
        out.push_back(*day);
    }
    return out;
}

std::string DateText(RecurrenceDay day)
{
    const RecurrenceCivilDate d = RecurrenceDateFromDay(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}

std::vector<RecurrenceDay> LibicalDays(const std::string& rrule, RecurrenceDay first)
{
    std::vector<RecurrenceDay> out;
    icalrecur_iterator* it =
        icalrecur_iterator_new(icalrecurrencetype_from_string(rrule.c_str()), icaltime_from_string(DateText(first).c_str()));
    if (!it) return out;
    while (out.size() < kCompared) {
        const icaltimetype t = icalrecur_iterator_next(it);
        if (icaltime_is_null_time(t) || t.year > 4500) break;
        out.push_back(RecurrenceDayFromDate(t.year, t.month, t.day));
    }
    icalrecur_iterator_free(it);
    return out;
}

TEST(IcalRule, EveryDeviceRuleExpandsAlikeInLibicalAndReadsBack)
{
    std::mt19937 rng(2027);
    const recurrule::RandomRuleSpan span{RecurrenceDayFromDate(1990, 1, 1), RecurrenceDayFromDate(2060, 12, 31), 40,
                                         999, 4000};
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        RecurrenceRule r = recurrule::RandomRecurrenceRule(rng, span);
        r.firstDayOfWeek = 0;  // the object model's weeks start on Sunday
        const std::optional<RecurrenceDay> first = RecurrenceDates(r).First();
        if (!first || !BuildRecurrencePatternBlob(r)) continue;
        const std::string rrule = ical::RRuleText(r, DateText(r.patternEndDay));
        const std::vector<RecurrenceDay> expected = DeviceDays(r);
        ASSERT_EQ(LibicalDays(rrule, *first), expected) << rrule;

        const std::optional<RecurrenceDay> until =
            r.end == RecurrenceEnd::kByDate ? std::optional<RecurrenceDay>(r.patternEndDay) : std::nullopt;
        const ical::RuleReading back = ical::ReadRRule(icalrecurrencetype_from_string(rrule.c_str()), *first, until);
        ASSERT_TRUE(back.rule) << rrule << ": " << back.reason;
        EXPECT_EQ(DeviceDays(*back.rule), expected) << rrule;
        EXPECT_EQ(back.rule->end, r.end) << rrule;
        ++compared;
    }
    EXPECT_GT(compared, 2500);
}

struct Mapping {
    const char* rrule;
    int year, month, day;  // the first occurrence
    int type;              // -1: refused
    int mask, dayOfMonth, instance, monthOfYear, interval;
    const char* reason;  // part of the refusal
};

class IcalRuleMapping : public testing::TestWithParam<Mapping> {};

TEST_P(IcalRuleMapping, MapsOrRefuses)
{
    const Mapping& m = GetParam();
    const RecurrenceDay start = RecurrenceDayFromDate(m.year, m.month, m.day);
    const ical::RuleReading got = ical::ReadRRule(icalrecurrencetype_from_string(m.rrule), start, std::nullopt);
    if (m.type < 0) {
        ASSERT_FALSE(got.rule) << m.rrule;
        EXPECT_NE(got.reason.find(m.reason), std::string::npos) << m.rrule << ": " << got.reason;
        return;
    }
    ASSERT_TRUE(got.rule) << m.rrule << ": " << got.reason;
    EXPECT_EQ(got.rule->type, m.type) << m.rrule;
    EXPECT_EQ(got.rule->dayOfWeekMask, m.mask) << m.rrule;
    EXPECT_EQ(got.rule->dayOfMonth, m.dayOfMonth) << m.rrule;
    EXPECT_EQ(got.rule->instance, m.instance) << m.rrule;
    EXPECT_EQ(got.rule->monthOfYear, m.monthOfYear) << m.rrule;
    EXPECT_EQ(got.rule->interval, m.interval) << m.rrule;
    // Other programs' forms expand in libical as the device repeats them.
    EXPECT_EQ(LibicalDays(m.rrule, start), DeviceDays(*got.rule)) << m.rrule;
}

INSTANTIATE_TEST_SUITE_P(
    OtherPrograms, IcalRuleMapping,
    testing::Values(
        Mapping{"FREQ=MONTHLY;BYMONTHDAY=-1", 2024, 1, 31, kRecursMonthly, 0, 31, 0, 0, 1, ""},
        Mapping{"FREQ=MONTHLY", 2024, 1, 15, kRecursMonthly, 0, 15, 0, 0, 1, ""},
        Mapping{"FREQ=MONTHLY;BYDAY=-1FR", 2024, 1, 26, kRecursMonthNth, 32, 0, 5, 0, 1, ""},
        Mapping{"FREQ=MONTHLY;INTERVAL=3;BYDAY=2TU", 2024, 1, 9, kRecursMonthNth, 4, 0, 2, 0, 3, ""},
        Mapping{"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", 2024, 1, 31, kRecursMonthNth, 62, 0, 5, 0, 1, ""},
        Mapping{"FREQ=YEARLY", 2024, 3, 10, kRecursYearly, 0, 10, 0, 3, 1, ""},
        Mapping{"FREQ=YEARLY;BYMONTH=11;BYDAY=4TH", 2024, 11, 28, kRecursYearNth, 16, 0, 4, 11, 1, ""},
        Mapping{"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1", 2024, 2, 29, kRecursYearly, 0, 31, 0, 2, 1, ""},
        Mapping{"FREQ=DAILY;BYDAY=SA,SU", 2024, 1, 6, kRecursWeekly, 65, 0, 0, 0, 1, ""},
        Mapping{"FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR", 2024, 1, 1, kRecursDaily, 62, 0, 0, 0, 1, ""},
        Mapping{"FREQ=WEEKLY", 2024, 1, 3, kRecursWeekly, 8, 0, 0, 0, 1, ""},
        // Weeks from Monday group Tuesday and Thursday as weeks from Sunday do.
        Mapping{"FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH", 2024, 1, 2, kRecursWeekly, 20, 0, 0, 0, 2, ""},
        Mapping{"FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,MO;WKST=MO", 2024, 1, 1, -1, 0, 0, 0, 0, 0, "weeks starting on MO"},
        Mapping{"FREQ=HOURLY;INTERVAL=4", 2024, 1, 1, -1, 0, 0, 0, 0, 0, "more often than daily"},
        Mapping{"FREQ=MONTHLY;BYDAY=1MO,3MO", 2024, 1, 1, -1, 0, 0, 0, 0, 0, "several weekdays"},
        Mapping{"FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=1,-1", 2024, 1, 1, -1, 0, 0, 0, 0, 0, "BYSETPOS list"},
        Mapping{"FREQ=MONTHLY;BYDAY=MO,WE;BYSETPOS=2", 2024, 1, 3, -1, 0, 0, 0, 0, 0, "BYSETPOS over weekdays"},
        Mapping{"FREQ=MONTHLY;BYMONTHDAY=31", 2024, 1, 31, -1, 0, 0, 0, 0, 0, "some months lack"},
        Mapping{"FREQ=YEARLY", 2024, 2, 29, -1, 0, 0, 0, 0, 0, "some months lack"},
        Mapping{"FREQ=YEARLY;INTERVAL=2", 2024, 5, 1, -1, 0, 0, 0, 0, 0, "every 2 years"},
        Mapping{"FREQ=DAILY;COUNT=5000", 2024, 5, 1, -1, 0, 0, 0, 0, 0, "COUNT 5000"},
        Mapping{"FREQ=MONTHLY;BYDAY=5MO", 2024, 1, 29, -1, 0, 0, 0, 0, 0, "ordinal 5"},
        Mapping{"FREQ=WEEKLY;BYDAY=MO", 2024, 1, 3, -1, 0, 0, 0, 0, 0, "not on the rule"},
        Mapping{"FREQ=YEARLY;BYWEEKNO=20", 2024, 5, 13, -1, 0, 0, 0, 0, 0, "BYWEEKNO"},
        Mapping{"FREQ=DAILY;BYHOUR=9,17", 2024, 5, 13, -1, 0, 0, 0, 0, 0, "times of day"}),
    [](const testing::TestParamInfo<Mapping>& info) { return "Rule" + std::to_string(info.index); });

}  // namespace
