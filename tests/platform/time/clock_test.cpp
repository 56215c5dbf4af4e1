// The pinned clock: SetPinnedNow, KSTOOLS_NOW, and the real clock behind them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/kernel/tick.h"
#include "platform/time/clock.h"
#include "platform/time/time_zone.h"
#include "tests/support/manual_clock.h"
#include "tests/support/test_dates.h"

using kstest::Make;
using kstest::Show;

namespace {

// How far the platform's now is from the host's real clock, in 100 ns units.
std::int64_t DistanceFromRealNow()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const auto real =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch());
    const auto platformNow = static_cast<std::int64_t>(platform::FileTimeValue(ft));
    return std::llabs(platformNow - 116444736000000000LL - real.count() * 10);
}

SYSTEMTIME Local()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st;
}

SYSTEMTIME Utc()
{
    SYSTEMTIME st;
    GetSystemTime(&st);
    return st;
}

class PinnedClockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("KSTOOLS_NOW");
        ASSERT_TRUE(platform::SetDeviceTimeZone(u"America/New_York"));
    }
    void TearDown() override
    {
        unsetenv("KSTOOLS_NOW");
        platform::ClearPinnedNow();
        platform::ResetDeviceTimeZone();
    }
};

TEST_F(PinnedClockTest, PinnedTimeStandsStillAndTheEnvironmentIsReadOnEveryCall)
{
    setenv("KSTOOLS_NOW", "2024-02-29T23:59", 1);
    EXPECT_EQ(Show(Local()), Show(Make(2024, 2, 29, 23, 59, 0, 0, 4)));
    setenv("KSTOOLS_NOW", "2030-01-01T00:00:01", 1);
    EXPECT_EQ(Show(Local()), Show(Make(2030, 1, 1, 0, 0, 1, 0, 2)));
    // The API pin comes first; clearing it brings the variable back.
    ASSERT_TRUE(platform::SetPinnedNow(Make(2025, 5, 5, 5, 5)));
    EXPECT_EQ(Local().wYear, 2025);
    platform::ClearPinnedNow();
    EXPECT_EQ(Local().wYear, 2030);

    for (const char* bad :
         {"2024-02-30T10:00", "2024-2-3T10:00", "2024-02-03 10:00", "2024-02-03T24:00", "2024-02-03T10:00:60",
          "2024-02-03T10:00Z", "2024-02-03", "1600-12-31T00:00", "", "2024-02-03T10:0x", "+024-02-03T10:00"}) {
        EXPECT_FALSE(platform::ParsePinnedNow(bad).has_value()) << bad;
        setenv("KSTOOLS_NOW", bad, 1);
        EXPECT_LT(DistanceFromRealNow(), 50'000'000) << bad;
    }
    // A pin set through the call is device wall-clock time and stands still.
    ASSERT_TRUE(platform::SetPinnedNow(Make(2025, 7, 4, 9, 30, 15)));
    EXPECT_EQ(Show(Local()), Show(Make(2025, 7, 4, 9, 30, 15, 0, 5)));  // a Friday
    EXPECT_EQ(Show(Utc()), Show(Make(2025, 7, 4, 13, 30, 15, 0, 5)));
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    EXPECT_EQ(platform::FileTimeValue(ft), kstest::FileTimeOf(Make(2025, 7, 4, 13, 30, 15)));

    {
        ManualClock clock;  // under the pin the tick count and the host's time still run with the clock
        const DWORD tick = GetTickCount();
        const std::uint64_t host = platform::HostFileTime();
        clock.Advance(30'000);
        EXPECT_EQ(GetTickCount() - tick, 30'000u);
        EXPECT_EQ(platform::HostFileTime() - host, 300'000'000u);
        EXPECT_EQ(Local().wSecond, 15);
    }

    // Another zone keeps the wall-clock time and moves UTC.
    ASSERT_TRUE(platform::SetDeviceTimeZone(u"Asia/Tokyo"));
    EXPECT_EQ(Show(Local()), Show(Make(2025, 7, 4, 9, 30, 15, 0, 5)));
    EXPECT_EQ(Show(Utc()), Show(Make(2025, 7, 4, 0, 30, 15, 0, 5)));

    // A time skipped by the spring-forward is read with the offset before it.
    ASSERT_TRUE(platform::SetDeviceTimeZone(u"America/New_York"));
    ASSERT_TRUE(platform::SetPinnedNow(Make(2025, 3, 9, 2, 30)));
    EXPECT_EQ(Show(Local()), Show(Make(2025, 3, 9, 3, 30)));
    EXPECT_FALSE(platform::SetPinnedNow(Make(2025, 2, 29, 12)));
    EXPECT_EQ(Local().wHour, 3);  // the old pin stays
    platform::ClearPinnedNow();
    EXPECT_LT(DistanceFromRealNow(), 50'000'000);  // within 5 s
}

}  // namespace
