// Day counts of the proleptic Gregorian calendar, in 64-bit integers, shared by
// the FILETIME and OLE date conversions and the time-zone rules. Days are
// counted from 1 January 1970 (day 0); negative counts go back as far as needed.
#pragma once

#include <cstdint>

namespace platform::civil {

struct Date {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

constexpr bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

constexpr int DaysInMonth(std::int64_t year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Division rounding towards minus infinity (C++ rounds towards zero).
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

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

}  // namespace platform::civil
