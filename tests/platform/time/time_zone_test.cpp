// The device zone against transitions from Python's zoneinfo, zone conversions and zone rule checks.
#include <gtest/gtest.h>

#include <unicode/simpletz.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "platform/time/time_zone.h"
#include "platform/time/zone_description.h"
#include "platform/time/zone_rules.h"
#include "tests/support/last_error_check.h"
#include "tests/support/saved_environment.h"
#include "tests/support/test_dates.h"

using kstest::FileTimeOf;
using kstest::Make;
using kstest::Show;

namespace {

// A relative zone rule: month, day of week (0 = Sunday), occurrence (5 = last), wall-clock time.
SYSTEMTIME Rule(int month, int dayOfWeek, int occurrence, int hour, int minute = 0)
{
    return Make(0, month, occurrence, hour, minute, 0, 0, dayOfWeek);
}

std::string ShowRule(const SYSTEMTIME& r)
{
    char text[80];
    std::snprintf(text, sizeof text, "y%d m%d dow%d n%d %d:%d", r.wYear, r.wMonth, r.wDayOfWeek, r.wDay, r.wHour,
                  r.wMinute);
    return text;
}

class DeviceZoneTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        platform::ClearPinnedNow();
        platform::ResetDeviceTimeZone();
    }
    void Use(const char16_t* zone, const SYSTEMTIME& localNow)
    {
        ASSERT_TRUE(platform::SetDeviceTimeZone(zone));
        ASSERT_TRUE(platform::SetPinnedNow(localNow));
    }
};

// Expected rules from Python's zoneinfo (tzdata 2025b): 2025's offset changes in wall-clock time.
TEST_F(DeviceZoneTest, RecordsZonesByNameAndTheBiasInForce)
{
    const struct {
        const char16_t* zone;
        LONG bias, daylightBias;
        SYSTEMTIME standardDate, daylightDate;
        const char16_t* standardName;
        const char16_t* daylightName;
    } table[] = {
        {u"America/New_York", 300, -60, Rule(11, 0, 1, 2), Rule(3, 0, 2, 2), u"Eastern Standard Time",
         u"Eastern Daylight Time"},
        {u"Europe/Berlin", -60, -60, Rule(10, 0, 5, 3), Rule(3, 0, 5, 2), u"W. Europe Standard Time",
         u"W. Europe Daylight Time"},
        {u"Australia/Sydney", -600, -60, Rule(4, 0, 1, 3), Rule(10, 0, 1, 2), u"AUS Eastern Standard Time",
         u"AUS Eastern Daylight Time"},
        {u"Asia/Kolkata", -330, 0, SYSTEMTIME{}, SYSTEMTIME{}, u"India Standard Time", u"India Daylight Time"},
        // Written with a negative saving in winter; recorded the usual way round.
        {u"Europe/Dublin", 0, -60, Rule(10, 0, 5, 2), Rule(3, 0, 5, 1), u"GMT Standard Time", u"GMT Daylight Time"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(WideToUtf8(row.zone));
        Use(row.zone, Make(2025, 6, 15, 12));
        TIME_ZONE_INFORMATION tzi;
        const DWORD id = GetTimeZoneInformation(&tzi);
        EXPECT_EQ(std::vector<LONG>({tzi.Bias, tzi.StandardBias, tzi.DaylightBias}),
                  std::vector<LONG>({row.bias, 0, row.daylightBias}));
        EXPECT_EQ(ShowRule(tzi.StandardDate) + ShowRule(tzi.DaylightDate),
                  ShowRule(row.standardDate) + ShowRule(row.daylightDate));
        EXPECT_EQ(std::u16string(tzi.StandardName) + u"/" + tzi.DaylightName,
                  std::u16string(row.standardName) + u"/" + row.daylightName);
        const bool northernSummer = row.daylightDate.wMonth != 0 && row.daylightDate.wMonth < row.standardDate.wMonth;
        const bool southernSummer = row.daylightDate.wMonth > row.standardDate.wMonth;
        EXPECT_EQ(id, row.standardDate.wMonth == 0 ? TIME_ZONE_ID_UNKNOWN
                      : northernSummer             ? TIME_ZONE_ID_DAYLIGHT
                                                   : TIME_ZONE_ID_STANDARD);
        ASSERT_TRUE(platform::SetPinnedNow(Make(2025, 12, 15, 12)));
        EXPECT_EQ(GetTimeZoneInformation(&tzi), row.standardDate.wMonth == 0 ? TIME_ZONE_ID_UNKNOWN
                                                : southernSummer             ? TIME_ZONE_ID_DAYLIGHT
                                                                             : TIME_ZONE_ID_STANDARD);
        // Past 2037, the last year the database lists, the same rules.
        ASSERT_TRUE(platform::SetPinnedNow(Make(2040, 6, 15, 12)));
        GetTimeZoneInformation(&tzi);
        EXPECT_EQ(ShowRule(tzi.StandardDate) + ShowRule(tzi.DaylightDate) + std::to_string(tzi.Bias),
                  ShowRule(row.standardDate) + ShowRule(row.daylightDate) + std::to_string(row.bias));
    }
    EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
    // Local file times use the bias in force now; wall-clock times their own.
    const std::uint64_t januaryUtc = FileTimeOf(Make(2025, 1, 10, 12));
    const std::uint64_t julyUtc = FileTimeOf(Make(2025, 7, 10, 12));
    const std::int64_t hour = 3600LL * kFileTimeUnitsPerSecond;
    for (const auto& [now, offsetHours] : {std::pair{Make(2025, 1, 20, 9), -5}, std::pair{Make(2025, 7, 20, 9), -4}}) {
        Use(u"America/New_York", now);
        for (std::uint64_t utc : {januaryUtc, julyUtc}) {
            const FILETIME in = platform::MakeFileTime(utc);
            FILETIME local{}, back{};
            ASSERT_TRUE(FileTimeToLocalFileTime(&in, &local));
            EXPECT_EQ(static_cast<std::int64_t>(platform::FileTimeValue(local) - utc), offsetHours * hour);
            ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
            EXPECT_EQ(platform::FileTimeValue(back), utc);
        }
    }
    // Results below 0 or above 2^63 - 1 fail.
    FILETIME zero{}, out{};
    EXPECT_TRUE(FAILS_WITH(FileTimeToLocalFileTime(&zero, &out), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(LocalFileTimeToFileTime(&zero, &out));
    const FILETIME top = platform::MakeFileTime(0x7FFFFFFFFFFFFFFFULL);
    EXPECT_FALSE(LocalFileTimeToFileTime(&top, &out));
    EXPECT_FALSE(FileTimeToLocalFileTime(nullptr, &out));

    // Wall-clock times around the transitions.
    const struct {
        SYSTEMTIME local;
        int hoursToUtc;
    } wallClock[] = {
        {Make(2025, 3, 9, 1, 59), 5},  {Make(2025, 3, 9, 2, 30), 5},  // skipped: read with the offset before
        {Make(2025, 3, 9, 3, 0), 4},   {Make(2025, 11, 2, 0, 59), 4},
        {Make(2025, 11, 2, 1, 30), 4},  // occurs twice: the first time
        {Make(2025, 11, 2, 2, 0), 5},
    };
    for (const auto& row : wallClock) {
        const std::uint64_t local = FileTimeOf(row.local);
        EXPECT_EQ(static_cast<std::int64_t>(platform::LocalToUtc(local) - local), row.hoursToUtc * hour)
            << row.local.wMonth << "/" << row.local.wDay << " " << row.local.wHour << ":" << row.local.wMinute;
    }
    // Past 2037 a yearly rule goes on; a zone that stopped changing stays.
    for (const auto& [zone, utc, offset] : {std::tuple{u"America/New_York", Make(2040, 7, 1), -240},
                                            {u"America/New_York", Make(2040, 12, 1), -300},
                                            {u"Australia/Sydney", Make(2040, 1, 1), 660},
                                            {u"America/Mexico_City", Make(2040, 7, 1), -360},
                                            {u"America/Ciudad_Juarez", Make(2026, 7, 1), -360}}) {  // newer than ICU
        ASSERT_TRUE(platform::SetDeviceTimeZone(zone));
        EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(utc)), offset) << WideToUtf8(zone) << " " << Show(utc);
    }
    EXPECT_TRUE(platform::SetDeviceTimeZone(u"Tokyo Standard Time"));
    EXPECT_EQ(platform::DeviceTimeZoneId(), u"Asia/Tokyo");
    EXPECT_TRUE(platform::SetDeviceTimeZone(u"Asia/Calcutta"));  // an alias
    EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(Make(2025, 1, 1))), 330);
    EXPECT_FALSE(platform::SetDeviceTimeZone(u"Mars/Olympus_Mons"));
    EXPECT_FALSE(platform::SetDeviceTimeZone(u""));
    EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(Make(2025, 1, 1))), 330);  // unchanged

    kstest::SavedEnvironment saved{"TZ"};
    setenv("TZ", "America/Mexico_City", 1);  // the process's own zone has the system database's rules too
    platform::ResetDeviceTimeZone();
    EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(Make(2025, 7, 1))), -360);
    setenv("TZ", "Pacific/Auckland", 1);
    platform::ResetDeviceTimeZone();
    EXPECT_EQ(platform::DeviceTimeZoneId(), u"Pacific/Auckland");
    TIME_ZONE_INFORMATION set{};
    set.Bias = 180;  // UTC-3; daylight time from the 1st Sunday of October to the 3rd Sunday of February
    platform::CopyZoneName(u"Custom Standard Time", set.StandardName);
    set.StandardDate = Rule(2, 0, 3, 0);
    set.DaylightDate = Rule(10, 0, 1, 0);
    set.DaylightBias = -60;
    ASSERT_TRUE(SetTimeZoneInformation(&set));
    ASSERT_TRUE(platform::SetPinnedNow(Make(2025, 1, 10, 12)));
    TIME_ZONE_INFORMATION got;
    EXPECT_EQ(GetTimeZoneInformation(&got), TIME_ZONE_ID_DAYLIGHT);
    EXPECT_EQ(std::memcmp(&got, &set, sizeof set), 0);
    // 2025-02-16 is the 3rd Sunday of February: 00:00 daylight time is 02:00 UTC.
    EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(Make(2025, 2, 16, 1, 59))), -120);
    EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(Make(2025, 2, 16, 2, 0))), -180);
    ASSERT_TRUE(platform::SetPinnedNow(Make(2025, 6, 10, 12)));
    EXPECT_EQ(GetTimeZoneInformation(&got), TIME_ZONE_ID_STANDARD);

    TIME_ZONE_INFORMATION bad = set;
    bad.DaylightDate.wMonth = 13;
    EXPECT_TRUE(FAILS_WITH(SetTimeZoneInformation(&bad), FALSE, ERROR_INVALID_PARAMETER));
    bad = set;
    bad.StandardDate.wDay = 6;
    EXPECT_FALSE(SetTimeZoneInformation(&bad));
    EXPECT_FALSE(SetTimeZoneInformation(nullptr));
    EXPECT_EQ(GetTimeZoneInformation(&got), TIME_ZONE_ID_STANDARD);  // the good record stays

    TIME_ZONE_INFORMATION fixed{};
    fixed.Bias = -345;  // UTC+5:45, no daylight time
    ASSERT_TRUE(SetTimeZoneInformation(&fixed));
    EXPECT_EQ(GetTimeZoneInformation(&got), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(platform::LocalOffsetMinutesAt(FileTimeOf(Make(2025, 6, 10, 12))), 345);
}

// "Last Sunday" and "4th Sunday" stay apart in years where they name the same day.
TEST(ZoneRules, FourthAndLastStayApartEachFormHasItsOwnCheckAndOutOfRangeFieldsGiveADay)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleTimeZone fourth(3'600'000, u"Test/Fourth", UCAL_MARCH, 4, UCAL_SUNDAY, 7'200'000,
                               icu::SimpleTimeZone::WALL_TIME, UCAL_OCTOBER, 4, UCAL_SUNDAY, 7'200'000,
                               icu::SimpleTimeZone::WALL_TIME, 3'600'000, status);
    icu::SimpleTimeZone last(3'600'000, u"Test/Last", UCAL_MARCH, -1, UCAL_SUNDAY, 7'200'000,
                             icu::SimpleTimeZone::WALL_TIME, UCAL_OCTOBER, -1, UCAL_SUNDAY, 10'800'000,
                             icu::SimpleTimeZone::WALL_TIME, 3'600'000, status);
    ASSERT_TRUE(U_SUCCESS(status));
    // From 1 June 2024: 27 October 2024 (4th and last), then 30 March 2025 (5th and last).
    const UDate june2024 = platform::FileTimeToUDate(FileTimeOf(Make(2024, 6, 1)));
    TIME_ZONE_INFORMATION tzi;
    EXPECT_EQ(platform::DescribeTimeZone(fourth, june2024, &tzi), TIME_ZONE_ID_DAYLIGHT);
    EXPECT_EQ(tzi.Bias, -60);
    EXPECT_EQ(ShowRule(tzi.StandardDate) + ShowRule(tzi.DaylightDate),
              ShowRule(Rule(10, 0, 4, 2)) + ShowRule(Rule(3, 0, 4, 2)));
    EXPECT_EQ(platform::DescribeTimeZone(last, june2024, &tzi), TIME_ZONE_ID_DAYLIGHT);
    EXPECT_EQ(ShowRule(tzi.StandardDate) + ShowRule(tzi.DaylightDate),
              ShowRule(Rule(10, 0, 5, 3)) + ShowRule(Rule(3, 0, 5, 2)));
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
