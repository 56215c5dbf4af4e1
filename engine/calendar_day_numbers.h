// Whole OLE day numbers (days since 30 December 1899, proleptic Gregorian)
// and the civil dates they stand for, computed arithmetically so that the
// recurrence fillers can step through months and years without converting
// through SYSTEMTIME on every step. Minutes since 1601 (the pattern blob's
// dates) convert to day numbers here too.
#pragma once

#include <cstdint>

#include "platform/time/system_time.h"
#include "platform/base/types.h"

namespace calendar_days {

// Days from 1 January 1601 to 30 December 1899.
inline constexpr std::int64_t kDaysFrom1601 = 109205;

struct CivilDate {
    int year;
    int month;  // 1..12
    int day;    // 1..31
};

constexpr bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

constexpr int DaysInMonth(std::int64_t year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 30;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The day number of year/month/day (the day must exist).
constexpr std::int64_t DayOf(std::int64_t year, int month, int day)
{
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 25569: 1 January 1970
}

constexpr CivilDate DateOf(std::int64_t dayNumber)
{
    const std::int64_t z = dayNumber - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return CivilDate{static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

// 0 Sunday .. 6 Saturday.
constexpr int WeekdayOf(std::int64_t dayNumber)
{
    const std::int64_t w = (dayNumber + 6) % 7;  // day 0 (30 December 1899) was a Saturday
    return static_cast<int>(w < 0 ? w + 7 : w);
}

constexpr std::int64_t DayOfMinutes(DWORD minutesSince1601) { return minutesSince1601 / 1440 - kDaysFrom1601; }

constexpr DWORD MinutesOfDay(std::int64_t dayNumber)
{
    const std::int64_t minutes = (dayNumber + kDaysFrom1601) * 1440;
    return minutes < 0 ? 0 : minutes > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<DWORD>(minutes);
}

inline SYSTEMTIME SystemTimeOfDay(std::int64_t dayNumber, int hour = 0, int minute = 0)
{
    const CivilDate d = DateOf(dayNumber);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(d.year);
    st.wMonth = static_cast<WORD>(d.month);
    st.wDay = static_cast<WORD>(d.day);
    st.wDayOfWeek = static_cast<WORD>(WeekdayOf(dayNumber));
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    return st;
}

inline std::int64_t DayOfSystemTime(const SYSTEMTIME& st) { return DayOf(st.wYear, st.wMonth, st.wDay); }

// The OLE date of a SYSTEMTIME to the minute.
inline double OleDateOf(const SYSTEMTIME& st)
{
    return static_cast<double>(DayOfSystemTime(st)) + (st.wHour * 60 + st.wMinute) / 1440.0;
}

}  // namespace calendar_days
