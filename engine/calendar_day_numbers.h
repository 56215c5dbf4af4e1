// Whole OLE day numbers (days since 30 December 1899, proleptic Gregorian)
// and the civil dates they stand for, so that the recurrence fillers can step
// through months and years without converting through SYSTEMTIME on every
// step. Minutes since 1601 (the pattern blob's dates) convert to day numbers
// here too. The calendar arithmetic itself is platform/time/civil_calendar.h;
// this is the engine's numbering over it.
#pragma once

#include <cstdint>

#include "platform/base/types.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/system_time.h"

namespace calendar_days {

// Days from 1 January 1601 to 30 December 1899.
inline constexpr std::int64_t kDaysFrom1601 = platform::civil::kOleEpochDay - platform::civil::kFileTimeEpochDay;

struct CivilDate {
    int year;
    int month;  // 1..12
    int day;    // 1..31
};

// The day number of year/month/day (the day must exist).
constexpr std::int64_t DayOf(std::int64_t year, int month, int day)
{
    return platform::civil::DaysFromCivil(year, month, day) - platform::civil::kOleEpochDay;
}

constexpr CivilDate DateOf(std::int64_t dayNumber)
{
    const platform::civil::Date d = platform::civil::CivilFromDays(dayNumber + platform::civil::kOleEpochDay);
    return CivilDate{static_cast<int>(d.year), d.month, d.day};
}

// 0 Sunday .. 6 Saturday.
constexpr int WeekdayOf(std::int64_t dayNumber)
{
    return platform::civil::DayOfWeek(dayNumber + platform::civil::kOleEpochDay);
}

constexpr std::int64_t DayOfMinutes(DWORD minutesSince1601) { return minutesSince1601 / 1440 - kDaysFrom1601; }

// The day number of a FILETIME (units since 1601), a time of day dropped.
constexpr std::int64_t DayOfFileTime(std::uint64_t units)
{
    return static_cast<std::int64_t>(units / kFileTimeUnitsPerDay) - kDaysFrom1601;
}

// The FILETIME of the midnight that starts a day number, held to what a
// FILETIME can hold.
constexpr std::uint64_t FileTimeOfDay(std::int64_t dayNumber)
{
    constexpr std::int64_t kLastDay = static_cast<std::int64_t>(~std::uint64_t{0} / kFileTimeUnitsPerDay) - 1;
    const std::int64_t days = dayNumber + kDaysFrom1601;
    if (days <= 0) return 0;
    if (days > kLastDay) return ~std::uint64_t{0};
    return static_cast<std::uint64_t>(days) * kFileTimeUnitsPerDay;
}

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
