// The one check and evaluation of zone rules ("was": how a caller used to decide).
#include "platform/time/zone_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/test_dates.h"

namespace {

using kstest::Make;
using kstest::Show;

// A relative rule: month, day of week (0 = Sunday), occurrence (5 = last), wall-clock time.
SYSTEMTIME Rule(int month, int dayOfWeek, int occurrence, int hour, int minute = 0)
{
    return Make(0, month, occurrence, hour, minute, 0, 0, dayOfWeek);
}

TEST(ZoneRules, EachFormHasItsOwnCheckAndOutOfRangeFieldsStillGiveADay)
{
    const struct {
        SYSTEMTIME rule;
        bool valid;
        const char* why;
    } cases[] = {
        {Rule(3, 0, 2, 2), true, "second Sunday of March"},
        {Rule(10, 6, 5, 23, 59), true, "last Saturday of October"},
        {Rule(3, 0, 0, 2), false, "a zeroth Sunday"},
        {Make(0, 3, 2, 2, 0, 60), false, "second 60 (was accepted by the object model)"},
        {Make(0, 3, 2, 2, 0, 0, 1000), false, "millisecond 1000 (was accepted by the object model and the loader)"},
        {Make(2021, 10, 31, 3), true, "31 October (was refused by the object model, which took 28)"},
        {Make(2021, 4, 30, 3), true, "30 April"},
        {Make(2021, 4, 31, 3), false, "31 April does not exist (the device zone left it to ICU)"},
        {Make(2024, 2, 29, 3), false, "29 February is missing in most years (was accepted by the loader)"},
        {Make(2023, 2, 28, 3), true, "28 February"},
        {Make(12000, 3, 1, 2), true, "the year only marks the form (was refused by the loader past 9999)"},
        {Make(2021, 3, 0, 2), false, "day 0"},
        {Make(2021, 3, 10, 24), false, "hour 24"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::IsValidZoneRule(c.rule), c.valid) << c.why << ": " << Show(c.rule);
        const bool relative = c.rule.wYear == 0;
        EXPECT_EQ(platform::IsValidRelativeZoneRule(c.rule), relative && c.valid) << c.why;
        EXPECT_EQ(platform::IsValidAbsoluteZoneRule(c.rule), !relative && c.valid) << c.why;
    }
    const struct {
        SYSTEMTIME rule;
        int year, month, day;
    } days[] = {
        {Rule(3, 0, 0, 2), 2024, 3, 3},       // occurrence 0 as the first Sunday
        {Rule(3, 0, 9, 2), 2024, 3, 31},      // occurrence 9 as the last Sunday
        {Rule(3, 7, 1, 2), 2024, 3, 3},       // day of week 7 as Sunday
        {Rule(14, 0, 1, 2), 2024, 12, 1},     // month 14 as December
        {Make(2024, 2, 30, 2), 2025, 2, 28},  // an absolute day past the month's end: its last day
    };
    for (const auto& c : days) {
        const platform::civil::Date d = platform::ZoneTransitionDate(c.year, c.rule);
        EXPECT_EQ(std::vector<std::int64_t>({d.year, d.month, d.day}),
                  std::vector<std::int64_t>({c.year, c.month, c.day}))
            << Show(c.rule);
    }
}

}  // namespace
