// SYSTEMTIME conversions against ICU, published values and Python's datetime.
#include <gtest/gtest.h>

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <limits>
#include <random>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/time/variant_time.h"
#include "tests/support/last_error_check.h"
#include "tests/support/test_dates.h"

using kstest::FileTimeOf;
using kstest::Make;
using kstest::Show;
using kstest::SystemTimeOf;

TEST(FileTimeConversion, RandomAndPublishedInstantsTheRangeAndUnsignedComparison)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), status);
    calendar.setGregorianChange(-std::numeric_limits<double>::max(), status);  // proleptic throughout
    std::mt19937_64 rng(20240229);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t value = rng() % 0x7FFF35F4F06C58F1ULL;
        const SYSTEMTIME st = SystemTimeOf(value);
        ASSERT_EQ(FileTimeOf(st), value - value % 10'000) << value;  // back, to the millisecond
        const auto sinceEpoch = static_cast<std::int64_t>(value - value % 10'000) - 116444736000000000LL;
        calendar.setTime(static_cast<double>(sinceEpoch / 10'000), status);
        const SYSTEMTIME icu = Make(calendar.get(UCAL_EXTENDED_YEAR, status), calendar.get(UCAL_MONTH, status) + 1,
                                    calendar.get(UCAL_DATE, status), calendar.get(UCAL_HOUR_OF_DAY, status),
                                    calendar.get(UCAL_MINUTE, status), calendar.get(UCAL_SECOND, status),
                                    calendar.get(UCAL_MILLISECOND, status), calendar.get(UCAL_DAY_OF_WEEK, status) - 1);
        ASSERT_EQ(Show(st), Show(icu)) << value;
    }
    EXPECT_TRUE(U_SUCCESS(status));
    for (const SYSTEMTIME& st :
         {Make(1600, 12, 31, 23, 59, 59, 999), Make(30828, 1, 1), Make(2024, 0, 1), Make(2024, 13, 1), Make(2024, 1, 0),
          Make(2024, 1, 32), Make(2023, 2, 29), Make(1900, 2, 29), Make(2024, 4, 31), Make(2024, 1, 1, 24),
          Make(2024, 1, 1, 0, 60), Make(2024, 1, 1, 0, 0, 60), Make(2024, 1, 1, 0, 0, 0, 1000),
          Make(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF)}) {
        FILETIME ft{123, 456};
        EXPECT_TRUE(FAILS_WITH(SystemTimeToFileTime(&st, &ft), FALSE, ERROR_INVALID_PARAMETER)) << Show(st);
        EXPECT_EQ(ft.dwLowDateTime, 123u);  // untouched
    }
    // Leap days of leap years convert; the day of the week is not read.
    EXPECT_EQ(FileTimeOf(Make(2000, 2, 29, 0, 0, 0, 0, 6)), FileTimeOf(Make(2000, 2, 29, 0, 0, 0, 0, 0xFFFF)));
    FileTimeOf(Make(1604, 2, 29));

    SYSTEMTIME st{};
    for (std::uint64_t bad : {0x8000000000000000ULL, ~0ULL}) {
        const FILETIME ft = platform::MakeFileTime(bad);
        EXPECT_TRUE(FAILS_WITH(FileTimeToSystemTime(&ft, &st), FALSE, ERROR_INVALID_PARAMETER));
    }
    EXPECT_FALSE(FileTimeToSystemTime(nullptr, &st));

    const FILETIME a = platform::MakeFileTime(0x00000001FFFFFFFFULL), b = platform::MakeFileTime(0x0000000200000000ULL);
    const FILETIME high = platform::MakeFileTime(0x8000000000000000ULL);
    EXPECT_EQ(CompareFileTime(&a, &b), -1);
    EXPECT_EQ(CompareFileTime(&b, &a), 1);
    EXPECT_EQ(CompareFileTime(&a, &a), 0);
    EXPECT_EQ(CompareFileTime(&high, &b), 1);
    EXPECT_EQ(Show(SystemTimeOf(0)), Show(Make(1601, 1, 1, 0, 0, 0, 0, 1)));  // a Monday
    EXPECT_EQ(FileTimeOf(Make(1970, 1, 1)), 116444736000000000ULL);
    EXPECT_EQ(Show(SystemTimeOf(0x7FFFFFFFFFFFFFFFULL)), Show(Make(30828, 9, 14, 2, 48, 5, 477, 4)));  // the largest
    EXPECT_EQ(FileTimeOf(Make(30827, 12, 31, 23, 59, 59, 999)), 0x7FFF35F4F06C58F0ULL);  // the last convertible
}

// Known values from Python: days d and seconds s since 1899-12-30 give d + s/86400 (d - s/86400 below 0).
// A FILETIME straight to an OLE date agrees with the way through SYSTEMTIME, refusals included.
TEST(OleDateConversion, FileTimesInOneStepMatchTheWayThroughSystemTime)
{
    constexpr std::uint64_t kYear10000 = 94353120000000000ull + 2958466ull * 864000000000ull;
    std::vector<std::uint64_t> units = {0, 94353120000000000ull - 1, kYear10000 - 1, kYear10000,
                                        (std::uint64_t{1} << 63) - 1, std::uint64_t{1} << 63, ~std::uint64_t{0}};
    std::mt19937_64 random(18);
    for (int i = 0; i < 20000; ++i) units.push_back(random() % (kYear10000 + kYear10000 / 50));
    for (std::uint64_t u : units) {
        const FILETIME ft = platform::MakeFileTime(u);
        SYSTEMTIME st{};
        DATE expected = 0, date = 0;
        const bool ok = FileTimeToSystemTime(&ft, &st) && SystemTimeToVariantTime(&st, &expected);
        ASSERT_EQ(FileTimeToVariantTime(&ft, &date) != 0, ok) << u;
        if (ok) {
            ASSERT_EQ(date, expected) << u;
        }
    }
}

TEST(OleDateConversion, KnownAndRandomDatesRoundingRollOverAndTheRange)
{
    const struct {
        SYSTEMTIME st;
        DATE date;
    } table[] = {
        {Make(1899, 12, 30, 0, 0, 0, 0, 6), 0.0},
        {Make(100, 1, 1, 0, 0, 0, 0, 5), -657434.0},
        {Make(9999, 12, 31, 0, 0, 0, 0, 5), 2958465.0},
        {Make(1980, 1, 1, 6, 0, 0, 0, 2), 29221.25},
        {Make(1990, 12, 31, 0, 0, 0, 0, 1), 33238.0},
        {Make(4501, 1, 1, 0, 0, 0, 0, 6), 949998.0},    // "no date"
        {Make(2999, 12, 31, 0, 0, 0, 0, 2), 401768.0},  // the last accepted day
        {Make(2999, 11, 27, 0, 0, 0, 0, 3), 401734.0},
        {Make(1899, 12, 29, 6, 0, 0, 0, 5), -1.25},  // day -1, then a quarter day away from zero
        {Make(100, 1, 1, 12, 0, 0, 0, 5), -657434.5},
        {{1005, 3, 0, 17, 17, 54, 24}, -326815.74611111113},
        {{1600, 2, 2, 29, 13, 14, 15}, -109512.5515625},
        {{1899, 12, 6, 30, 23, 59, 59}, 0.999988425925926},
        {{100, 1, 5, 1, 0, 0, 1}, -657434.0000115741},
    };
    for (const auto& row : table) {
        DATE date = -99;
        EXPECT_TRUE(SystemTimeToVariantTime(&row.st, &date)) << Show(row.st);
        EXPECT_DOUBLE_EQ(date, row.date) << Show(row.st);
        SYSTEMTIME st{};
        EXPECT_TRUE(VariantTimeToSystemTime(row.date, &st)) << row.date;
        EXPECT_EQ(Show(st), Show(row.st)) << row.date;
    }
    SYSTEMTIME st{};  // -0.25 has the whole part 0: 30 December 1899, 06:00
    EXPECT_TRUE(VariantTimeToSystemTime(-0.25, &st));
    EXPECT_EQ(Show(st), Show(Make(1899, 12, 30, 6, 0, 0, 0, 6)));
    const struct {
        DATE date;
        SYSTEMTIME st;
    } rounded[] = {
        {29221.33333333, Make(1980, 1, 1, 8, 0, 0, 0, 2)},  // the platform conversion's test values
        {29221.9888884444, Make(1980, 1, 1, 23, 44, 0, 0, 2)},
        {29221.7508765432, Make(1980, 1, 1, 18, 1, 16, 0, 2)},
        {29221.0 + 10.49 / 86400, Make(1980, 1, 1, 0, 0, 10, 0, 2)},
        {0.9999999, Make(1899, 12, 31, 0, 0, 0, 0, 0)},  // up into the next day
        {-1.9999999, Make(1899, 12, 30, 0, 0, 0, 0, 6)},
        {-657434.99, Make(100, 1, 1, 23, 45, 36, 0, 5)},
        {2958465.99, Make(9999, 12, 31, 23, 45, 36, 0, 5)},
    };
    for (const auto& row : rounded) {
        SYSTEMTIME st{};
        EXPECT_TRUE(VariantTimeToSystemTime(row.date, &st)) << row.date;
        EXPECT_EQ(Show(st), Show(row.st)) << row.date;
    }
    for (DATE bad : {-657435.0, 2958466.0, 2958465.9999999, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        SYSTEMTIME st = Make(1, 2, 3);
        EXPECT_FALSE(VariantTimeToSystemTime(bad, &st)) << bad;
        EXPECT_EQ(st.wYear, 1);
    }
    // Out-of-range fields roll over or fail as on the platform.
    const struct {
        SYSTEMTIME in;
        SYSTEMTIME normalised;
    } rolled[] = {
        {Make(2023, 2, 31), Make(2023, 3, 3)},  // the day overflow month arithmetic relies on
        {Make(2024, 2, 31), Make(2024, 3, 2)},
        {Make(2024, 3, 0), Make(2024, 2, 29)},          // day 0: the last day of the month before
        {Make(1980, 0, 0), Make(1979, 11, 30)},         // month 0: December of the year before
        {Make(2024, 12, 31, 25), Make(2025, 1, 1, 1)},  // time fields carry into the day
        {Make(2024, 1, 1, 0, 90, 61), Make(2024, 1, 1, 1, 31, 1)},
        {Make(2024, 1, 1, 0xFFFF), Make(2023, 12, 31, 23)},       // hour -1
        {Make(2024, 1, 1, 10, 0, 0, 999), Make(2024, 1, 1, 10)},  // milliseconds are ignored
        {Make(30, 1, 1), Make(1930, 1, 1)},                       // two-digit years
        {Make(29, 1, 1), Make(2029, 1, 1)},
    };
    for (const auto& row : rolled) {
        DATE date = 0, expected = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&row.normalised, &expected));
        EXPECT_TRUE(SystemTimeToVariantTime(&row.in, &date)) << Show(row.in);
        EXPECT_EQ(date, expected) << Show(row.in);
    }
    for (const SYSTEMTIME& st : {Make(1980, 13, 1), Make(1980, 1, 32), Make(0xFFFF, 1, 1), Make(10000, 1, 1),
                                 Make(100, 1, 0), Make(9999, 12, 31, 24), Make(0x8000, 1, 1), Make(1980, 0xFFFF, 1)}) {
        DATE date = 42;
        EXPECT_FALSE(SystemTimeToVariantTime(&st, &date)) << Show(st);
        EXPECT_EQ(date, 42);
    }
    std::mt19937_64 rng(1899);
    const std::uint64_t ftOfDay0 = 0x014F35A9A90CC000ULL;  // 1899-12-30 00:00, computed with Python
    ASSERT_EQ(FileTimeOf(Make(1899, 12, 30)), ftOfDay0);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t day = -657434 + static_cast<std::int64_t>(rng() % (2958465 + 657434 + 1));
        const std::int64_t second = static_cast<std::int64_t>(rng() % 86400);
        const DATE date = day >= 0 ? day + second / 86400.0 : day - second / 86400.0;
        SYSTEMTIME st{};
        ASSERT_TRUE(VariantTimeToSystemTime(date, &st)) << date;
        DATE back = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
        ASSERT_EQ(back, date) << Show(st);
        if (st.wYear >= 1601) {  // the same instant through FILETIME
            const auto units = static_cast<std::uint64_t>((day * 86400 + second) * 10'000'000);
            ASSERT_EQ(Show(SystemTimeOf(ftOfDay0 + units)), Show(st));
        }
    }
    // The sentinels survive DATE -> SYSTEMTIME -> FILETIME -> SYSTEMTIME -> DATE.
    for (DATE sentinel : {949998.0, 401768.0, 401734.0}) {
        SYSTEMTIME st{};
        ASSERT_TRUE(VariantTimeToSystemTime(sentinel, &st));
        const SYSTEMTIME viaFileTime = SystemTimeOf(FileTimeOf(st));
        DATE back = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&viaFileTime, &back));
        EXPECT_EQ(back, sentinel);
    }
}
