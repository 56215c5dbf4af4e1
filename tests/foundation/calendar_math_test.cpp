// Calendar arithmetic, ISO week numbers and durations in words.
#include "foundation/calendar_math.h"

#include <gtest/gtest.h>
#include <unicode/gregocal.h>

#include <string>

#include "foundation/duration_text.h"
#include "foundation/week_number.h"
#include "tests/support/test_dates.h"

namespace {

using kstest::Make;

std::string Text(const SYSTEMTIME& st)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond, st.wMilliseconds);
    return buffer;
}

TEST(CalendarMath, LeapYearsMonthLengthsRollOverDaysSecondsAndDifferences)
{
    struct {
        int year;
        BOOL leap;
    } years[] = {{1700, TRUE}, {1752, TRUE}, {1800, FALSE}, {2000, TRUE}, {2023, FALSE}, {2024, TRUE}, {4000, FALSE}};
    for (auto y : years) EXPECT_EQ(isleapyear(y.year), y.leap) << y.year;
    EXPECT_EQ(dayspermonth(2, 2024), 29);  // the month table is the platform's
    EXPECT_EQ(dayspermonth(2, 1900), 28);
    SYSTEMTIME march1 = Make(2024, 3, 1), dec31 = Make(2023, 12, 31);
    EXPECT_EQ(getdayofyear(&march1), 61);
    EXPECT_EQ(getdayofyear(&dec31), 365);
    struct {
        SYSTEMTIME from;
        int months;
        const char* expected;
    } cases[] = {
        {Make(2023, 1, 31, 10, 30, 15, 250), 1, "2023-02-28 10:30:15.250"},  // 31 February: the month's last day
        {Make(2024, 1, 31), 1, "2024-02-29 00:00:00.000"},
        {Make(2024, 3, 31), -13, "2023-02-28 00:00:00.000"},
        {Make(2024, 3, 15), -13, "2023-02-15 00:00:00.000"},
        {Make(2024, 11, 5), 2, "2025-01-05 00:00:00.000"},
        {Make(2024, 1, 5), -1, "2023-12-05 00:00:00.000"},
        {Make(2024, 5, 5), 25, "2026-06-05 00:00:00.000"},
        {Make(2024, 5, 5), -24, "2022-05-05 00:00:00.000"},
    };
    for (auto& c : cases) {
        SYSTEMTIME st = c.from;
        incrementmonth(&st, c.months);
        EXPECT_EQ(Text(st), c.expected) << Text(c.from) << " + " << c.months;
    }
    SYSTEMTIME st = Make(2024, 2, 28, 23, 59, 58);
    incrementday(&st, 1);
    EXPECT_EQ(Text(st), "2024-02-29 23:59:58.000");
    addtime(&st, 3);
    EXPECT_EQ(Text(st), "2024-03-01 00:00:01.000");
    EXPECT_EQ(st.wDayOfWeek, 5) << "1 March 2024 was a Friday";
    subtract5sec(&st);
    EXPECT_EQ(Text(st), "2024-02-29 23:59:56.000");
    subtractsec(&st, 86400);
    EXPECT_EQ(Text(st), "2024-02-28 23:59:56.000");

    SYSTEMTIME a = Make(2024, 1, 1, 10), b = Make(2024, 1, 2, 9, 30, 59);
    EXPECT_EQ(SystemTimeDiff(&b, &a), (23 * 3600 + 30 * 60 + 59) * kFileTimeUnitsPerSecond);
    EXPECT_EQ(SystemTimeDiff(&a, &b), -(23 * 3600 + 30 * 60 + 59) * kFileTimeUnitsPerSecond);
    EXPECT_EQ(TimeDiffInMinutes(&a, &b), 23 * 60 + 30) << "seconds are ignored";
    EXPECT_EQ(TimeDiffInMinutes(&b, &a), -(23 * 60 + 30));
    SYSTEMTIME span = subtractsystemtime(&a, &b);
    EXPECT_EQ(Text(span), "1601-01-01 23:30:59.000") << "a span counted from 1601";

    DATE da = 0, db = 0;
    SystemTimeToVariantTime(&a, &da);
    SystemTimeToVariantTime(&b, &db);
    EXPECT_EQ(TimeDiffInMinutes(da, db), 23 * 60 + 30);
    EXPECT_FALSE(IsOneDay(da, db, FALSE));
    EXPECT_TRUE(IsOneDay(da, da + 0.4, FALSE));
    EXPECT_FALSE(IsOneDay(da, da + 0.4, TRUE));

    SYSTEMTIME edge = Make(30827, 12, 31, 23, 59, 59);
    SYSTEMTIME before = edge;
    EXPECT_FALSE(SystemTimeIncrement(&edge, kFileTimeUnitsPerDay * 400)) << "past the platform's last date";
    EXPECT_EQ(Text(edge), Text(before)) << "a failed step leaves the date alone";
    SYSTEMTIME bad = Make(2024, 13, 1);
    EXPECT_FALSE(SystemTimeIncrement(&bad, 1));
}

// Every day from 1900 to 2100 against ICU's ISO week fields.
TEST(WeekNumber, MatchesIcuIsoWeeksFor1900To2100)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), icu::Locale::getRoot(), status);
    ASSERT_TRUE(U_SUCCESS(status));
    calendar.setFirstDayOfWeek(UCAL_MONDAY);
    calendar.setMinimalDaysInFirstWeek(4);
    calendar.clear();
    calendar.set(1900, UCAL_JANUARY, 1);
    int mismatches = 0;
    while (true) {
        int year = calendar.get(UCAL_YEAR, status);
        if (year > 2100) break;
        int month = calendar.get(UCAL_MONTH, status) + 1;
        int day = calendar.get(UCAL_DATE, status);
        int expected = calendar.get(UCAL_WEEK_OF_YEAR, status);
        if (weeknumber(year, month, day) != expected && ++mismatches < 5) {
            ADD_FAILURE() << year << "-" << month << "-" << day << ": " << weeknumber(year, month, day)
                          << " instead of " << expected;
        }
        calendar.add(UCAL_DATE, 1, status);
    }
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_EQ(mismatches, 0);
}

TEST(DurationText, WordsAndBlanks)
{
    struct {
        int minutes;
        BOOL days;
        std::u16string expected;
    } cases[] = {
        {1500, TRUE, u"(1 day) 1 hour "},
        {1500, FALSE, u" 25 hours "},
        {61, FALSE, u" 1 hour 1 minute"},
        {2 * 1440 + 5, TRUE, u"(2 days)  5 minutes"},
        {0, TRUE, u""},
        {-5, FALSE, u""},
    };
    for (auto& c : cases) {
        WCHAR out[64];
        FormatDurationString(out, 64, c.minutes, c.days);
        EXPECT_EQ(std::u16string(out), c.expected) << c.minutes;
    }
    WCHAR small[6];
    FormatDurationString(small, 6, 1500, TRUE);
    EXPECT_EQ(std::u16string(small), u"(1 da") << "cut to the buffer";
}

}  // namespace
