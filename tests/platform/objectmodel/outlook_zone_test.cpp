#include "platform/objectmodel/outlook_zone.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/objectmodel/outlook_minutes.h"
#include "platform/recurrence/recurrence_dates.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"

using namespace outlooktest;

namespace {

std::int64_t MinuteOf(int y, int m, int d, int h, int min)
{
    return static_cast<std::int64_t>(platform::RecurrenceDayFromDate(y, m, d)) * 1440 + h * 60 + min;
}

TEST(OutlookZoneBlob, FieldsSitAtTheirOffsetsAndRulesOutsideTheCalendarAreInvalid)
{
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = -600;
    zone.StandardBias = 0;
    zone.DaylightBias = -60;
    zone.StandardDate = SYSTEMTIME{0, 4, 0, 1, 3, 0, 0, 0};
    zone.DaylightDate = SYSTEMTIME{0, 10, 0, 1, 2, 0, 0, 0};
    zone.StandardName[0] = u'X';  // names are not kept
    const std::vector<BYTE> blob = platform::EncodeOutlookZoneBlob(zone);
    ASSERT_EQ(blob.size(), 48u);
    EXPECT_EQ(std::vector<BYTE>(blob.begin(), blob.begin() + 4), (std::vector<BYTE>{0xA8, 0xFD, 0xFF, 0xFF}));
    EXPECT_EQ(blob[8], 0xC4);  // DaylightBias -60
    EXPECT_EQ(blob[12] | blob[13], 0);
    EXPECT_EQ(blob[14 + 2], 4);   // StandardDate.wMonth
    EXPECT_EQ(blob[14 + 6], 1);   // StandardDate.wDay
    EXPECT_EQ(blob[14 + 8], 3);   // StandardDate.wHour
    EXPECT_EQ(blob[32 + 2], 10);  // DaylightDate.wMonth
    const std::optional<TIME_ZONE_INFORMATION> back = platform::DecodeOutlookZoneBlob(blob);
    ASSERT_TRUE(back.has_value());
    zone.StandardName[0] = 0;
    EXPECT_EQ(std::memcmp(&*back, &zone, sizeof zone), 0);
    EXPECT_FALSE(platform::DecodeOutlookZoneBlob(std::vector<BYTE>(47)).has_value());
    EXPECT_FALSE(platform::DecodeOutlookZoneBlob(std::vector<BYTE>(49)).has_value());

    zone = TIME_ZONE_INFORMATION{};
    EXPECT_TRUE(platform::IsValidOutlookZone(zone)) << "no daylight time";
    zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};
    EXPECT_TRUE(platform::IsValidOutlookZone(zone));
    zone.DaylightDate.wDay = 6;
    EXPECT_FALSE(platform::IsValidOutlookZone(zone)) << "a sixth Sunday";
    zone.DaylightDate.wDay = 2;
    zone.StandardDate.wDayOfWeek = 7;
    EXPECT_FALSE(platform::IsValidOutlookZone(zone));
    zone.StandardDate.wDayOfWeek = 0;
    zone.Bias = 25 * 60;
    EXPECT_FALSE(platform::IsValidOutlookZone(zone));
    // A damaged blob may carry any daylight offset; such a zone converts nothing.
    zone.Bias = 0;
    zone.StandardBias = -1'610'612'739;
    EXPECT_FALSE(platform::IsValidOutlookZone(zone));
    zone.StandardBias = 0;
    zone.DaylightBias = 2'000'000'000;
    EXPECT_FALSE(platform::IsValidOutlookZone(zone));
}

// The rules reported for a zone convert every half hour of a year as the device zone does.
class OutlookZoneAgainstDevice : public OutlookItemTest, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(OutlookZoneAgainstDevice, EveryHourOfTheYearConvertsAlike)
{
    ASSERT_TRUE(platform::SetDeviceTimeZone(GetParam()));
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    ASSERT_NE(zone.StandardDate.wMonth, 0) << "a zone with daylight time";
    const std::int64_t first = MinuteOf(2027, 1, 1, 0, 0);
    for (std::int64_t minute = first; minute < first + 366 * 1440; minute += 30) {
        ASSERT_EQ(platform::ZoneLocalToUtcMinutes(zone, minute), platform::DeviceLocalToUtcMinutes(minute))
            << "local minute " << minute - first;
        ASSERT_EQ(platform::UtcToZoneLocalMinutes(zone, minute), platform::UtcToDeviceLocalMinutes(minute))
            << "UTC minute " << minute - first;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, OutlookZoneAgainstDevice,
                         ::testing::Values(u"America/New_York", u"Europe/Berlin", u"Australia/Sydney",
                                           u"America/Santiago"));

}  // namespace
