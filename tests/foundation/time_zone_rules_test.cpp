// Time-zone rules and conversions, against ICU's conversion of the same instants.
#include "foundation/time_zone_rules.h"

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/calendar_math.h"
#include "foundation/time_zone_list.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "tests/support/test_dates.h"

namespace {

using kstest::Make;

SYSTEMTIME Rule(int month, int dayOfWeek, int occurrence, int hour)
{
    return Make(0, month, occurrence, hour, 0, 0, 0, dayOfWeek);
}

std::int64_t Value(const SYSTEMTIME& st)
{
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return static_cast<std::int64_t>(platform::FileTimeValue(ft));
}

TEST(TimeZoneRules, RelativeRulesBecomeDates)
{
    struct {
        SYSTEMTIME rule;
        int year;
        int expectedDay;
    } cases[] = {
        // The day rules are the platform's: 1700 has no 29 February there (the suite's leap years say it has).
        {Rule(10, 0, 5, 3), 2024, 27},
        {Rule(2, 1, 5, 0), 1700, 22},
    };
    for (auto& c : cases) {
        SYSTEMTIME out{};
        ConvertToAbsolute(static_cast<WORD>(c.year), &c.rule, &out);
        EXPECT_EQ(out.wYear, c.year);
        EXPECT_EQ(out.wDay, c.expectedDay) << "month " << c.rule.wMonth << " occurrence " << c.rule.wDay;
        EXPECT_EQ(out.wHour, c.rule.wHour) << "the time of day is kept";
    }
    SYSTEMTIME absolute = Make(2020, 4, 5, 3), out{};
    ConvertToAbsolute(2030, &absolute, &out);
    EXPECT_EQ(Value(out), Value(absolute)) << "a dated rule is copied as it is";

    SYSTEMTIME rule = Rule(3, 0, 2, 2);
    SYSTEMTIME atTransition = Make(2024, 3, 10, 2), after = Make(2024, 3, 10, 2, 1), april = Make(2024, 4, 1);
    EXPECT_FALSE(LocalGreaterThanTransition(&atTransition, &rule)) << "strictly after";
    EXPECT_TRUE(LocalGreaterThanTransition(&after, &rule));
    EXPECT_TRUE(LocalGreaterThanTransition(&april, &rule));
}

class ZoneConversions : public ::testing::Test {
protected:
    void SetUp() override { platform::SetPinnedNow(Make(2026, 6, 1, 12)); }
    void TearDown() override
    {
        platform::ClearPinnedNow();
        platform::ResetDeviceTimeZone();
    }
    static TIME_ZONE_INFORMATION Zone(const char16_t* id)
    {
        EXPECT_TRUE(platform::SetDeviceTimeZone(id));
        TIME_ZONE_INFORMATION tzi{};
        EXPECT_NE(GetTimeZoneInformation(&tzi), TIME_ZONE_ID_INVALID);
        return tzi;
    }
};

// Every hour of 2026 at a quarter past (clear of the transition instants): both ways.
TEST_F(ZoneConversions, EveryHourOfAYearMatchesIcuAndDayOffsetsAroundTransitions)
{
    const char16_t* zones[] = {u"America/New_York", u"Europe/Berlin", u"Australia/Sydney",
                               u"Asia/Tokyo",       u"Asia/Kolkata",  u"Australia/Adelaide"};
    for (const char16_t* id : zones) {
        TIME_ZONE_INFORMATION tzi = Zone(id);
        std::unique_ptr<icu::TimeZone> icuZone(icu::TimeZone::createTimeZone(icu::UnicodeString(id)));
        SYSTEMTIME utc = Make(2026, 1, 1, 0, 15);
        int mismatches = 0;
        for (int step = 0; step < 365 * 24 && mismatches < 5; ++step, addtime(&utc, 3600)) {
            double millis = (Value(utc) - kFileTimeUnitsOf1970) / 10000.0;
            int32_t raw = 0, dst = 0;
            UErrorCode status = U_ZERO_ERROR;
            icuZone->getOffset(millis, false, raw, dst, status);
            SYSTEMTIME expected = utc;
            SystemTimeIncrement(&expected, static_cast<LONGLONG>(raw + dst) / 1000 * kFileTimeUnitsPerSecond);
            SYSTEMTIME local{}, back{};
            BOOL isDst = FALSE;
            CeSystemTimeToTzSpecificLocalTime(&tzi, &utc, &local, &isDst);
            CeTzSpecificLocalTimeToSystemTime(&tzi, &local, isDst, &back);
            if (Value(local) != Value(expected) || (isDst != 0) != (dst != 0) || Value(back) != Value(utc)) {
                ++mismatches;
                ADD_FAILURE() << WideToUtf8(id) << " at UTC step " << step << ": local hour " << local.wHour
                              << " instead of " << expected.wHour << ", dst " << isDst;
            }
        }
    }

    struct {
        const char16_t* zone;
        SYSTEMTIME day;
        LONG start, end;
        BOOL dst;
    } cases[] = {
        {u"America/New_York", Make(2026, 1, 15), 300, 300 + 1440, FALSE},
        {u"America/New_York", Make(2026, 3, 8), 300, 240 + 1440, TRUE},  // spring forward
        {u"America/New_York", Make(2026, 7, 4), 240, 240 + 1440, TRUE},
        {u"America/New_York", Make(2026, 11, 1), 240, 300 + 1440, FALSE},   // fall back
        {u"Australia/Sydney", Make(2026, 1, 15), -660, -660 + 1440, TRUE},  // southern summer: across the new year
        {u"Australia/Sydney", Make(2026, 7, 1), -600, -600 + 1440, FALSE},
        {u"Asia/Kolkata", Make(2026, 7, 1), -330, -330 + 1440, FALSE},
    };
    for (auto& c : cases) {
        TIME_ZONE_INFORMATION tzi = Zone(c.zone);
        LONG start = 0, end = 0;
        BOOL dst = FALSE;
        EXPECT_EQ(GetDayOffsets(c.day.wYear, c.day.wMonth, c.day.wDay, &tzi, &start, &end, &dst), 1);
        std::string where = WideToUtf8(c.zone) + " " + std::to_string(c.day.wMonth) + "/" + std::to_string(c.day.wDay);
        EXPECT_EQ(std::vector<LONG>({start, end, dst}), std::vector<LONG>({c.start, c.end, c.dst})) << where;
        EXPECT_EQ(IsInDST(c.day.wYear, c.day.wMonth, c.day.wDay, &tzi), c.dst) << where;
    }
    // Rules dated 2024 (10 March, 3 November) hold in 2024 only.
    TIME_ZONE_INFORMATION dated = Zone(u"America/New_York");
    dated.DaylightDate.wYear = dated.StandardDate.wYear = 2024;
    dated.DaylightDate.wDay = 10;
    dated.StandardDate.wDay = 3;
    EXPECT_EQ(std::pair(IsInDST(2024, 7, 4, &dated), IsInDST(2026, 7, 4, &dated)), std::pair(TRUE, FALSE));
}

TEST(TimeZoneList, CopiesTheLibrarysZones)
{
    int count = 0;
    TZData* zones = GetAllTimeZones(&count);
    ASSERT_NE(zones, nullptr);
    EXPECT_GT(count, 100);
    int eastern = -1;
    for (int i = 0; i < count; ++i) {
        if (std::u16string(zones[i].szStandardName) == u"Eastern Standard Time") eastern = i;
    }
    ASSERT_GE(eastern, 0);
    EXPECT_EQ(zones[eastern].lGMTOffset, -300);
    EXPECT_EQ(std::u16string(zones[eastern].szDaylightName), u"Eastern Daylight Time");
    EXPECT_NE(zones[eastern].id, zones[(eastern + 1) % count].id);
    FreeAllTimeZones(zones, count);
}

}  // namespace
