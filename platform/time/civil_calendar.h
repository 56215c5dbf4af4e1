// Day counts of the proleptic Gregorian calendar, in 64-bit integers: the one
// home of the calendar arithmetic (leap years, month lengths, day numbers,
// days of the week, the n-th weekday of a month) for the FILETIME and OLE date
// conversions, the time-zone rules, the recurrence dates and the layers above.
// Days are counted from 1 January 1970 (day 0); negative counts go back as far
// as needed.
#pragma once

#include <cstdint>

#include "platform/base/floor_div.h"

namespace platform::civil {

struct Date {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

constexpr bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days of the months before `month` (1..13, 13 giving the whole year) in a
// common or a leap year.
constexpr int DaysBeforeMonth(int month, bool leapYear)
{
    constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
    return kBefore[month - 1] + (leapYear && month > 2 ? 1 : 0);
}

// The length of `month` (1..12) in a common or a leap year.
constexpr int DaysInMonthOf(int month, bool leapYear)
{
    return DaysBeforeMonth(month + 1, leapYear) - DaysBeforeMonth(month, leapYear);
}

// The length of `month` (1..12) in `year`.
constexpr int DaysInMonth(std::int64_t year, int month) { return DaysInMonthOf(month, IsLeapYear(year)); }

// The day number of year-month-day (month 1..12, day 1..31).
//
// The year is taken to start on 1 March, so that the leap day is the last day
// of the counted year; 400-year eras of 146097 days each then make the count
// exact for any year.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yearOfEra = y - era * 400;                             // 0..399
    const std::int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;    // 0..11
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;  // 0..365
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;  // 719468: days from 1 March 0000 to 1 January 1970
}

// The calendar date of a day number; the inverse of DaysFromCivil.
constexpr Date CivilFromDays(std::int64_t days)
{
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;  // 0..146096
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return Date{year, month, day};
}

// 0 = Sunday .. 6 = Saturday (1 January 1970 was a Thursday).
constexpr int DayOfWeek(std::int64_t days) { return static_cast<int>(days - FloorDiv(days + 4, 7) * 7 + 4); }

// The day of the month (1..31) of the n-th `dayOfWeek` (0 = Sunday .. 6) of
// year-month: n 1..4, 5 (or more) the last one; n below 1 counts as 1.
constexpr int NthWeekdayOfMonth(std::int64_t year, int month, int dayOfWeek, int n)
{
    const int first = 1 + (dayOfWeek - DayOfWeek(DaysFromCivil(year, month, 1)) + 7) % 7;
    const int day = first + 7 * ((n < 1 ? 1 : n > 5 ? 5 : n) - 1);
    return day > DaysInMonth(year, month) ? day - 7 : day;
}

// Day numbers of the two epochs the platform counts from: 1 January 1601
// (FILETIME 0, the recurrence blob's minutes) and 30 December 1899 (OLE date 0).
inline constexpr std::int64_t kFileTimeEpochDay = DaysFromCivil(1601, 1, 1);
inline constexpr std::int64_t kOleEpochDay = DaysFromCivil(1899, 12, 30);

}  // namespace platform::civil
