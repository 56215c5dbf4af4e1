// The date steps of the recurrence fillers: weekdays of a mask, the nth
// weekday of a month, months and years forward keeping the pattern's day.
#include <algorithm>

#include "engine/calendar_day_numbers.h"
#include "engine/calendar_recurrence.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/time/civil_calendar.h"

using calendar_days::DayOf;
using calendar_days::WeekdayOf;

int CCalendarRecurrence::fGetCurrentWeekDayOfEvent(DWORD mask)
{
    for (int d = 0; d < 7; ++d) {
        if (mask & (1u << d)) return d;
    }
    return 7;
}

int CCalendarRecurrence::fGetEventWeekDays(DWORD mask, int days[7])
{
    int count = 0;
    for (int d = 0; d < 7; ++d) {
        if (mask & (1u << d)) days[count++] = d;
    }
    return count;
}

bool CCalendarRecurrence::fCheckNextWeekDay(SYSTEMTIME& date, const int* days, int count)
{
    const long long day = calendar_days::DayOfSystemTime(date);
    const int weekday = WeekdayOf(day);
    for (int i = 0; i < count; ++i) {
        if (days[i] > weekday) {
            date = calendar_days::SystemTimeOfDay(day + (days[i] - weekday), date.wHour, date.wMinute);
            return true;
        }
    }
    return false;
}

bool CCalendarRecurrence::fGetNthWeekDay(WORD year, WORD month, WORD mask, WORD nth, SYSTEMTIME& out)
{
    mask &= 0x7F;
    if (mask == 0 || nth < 1 || nth > 5 || month < 1 || month > 12 || year < 1601 || year > 9999) return false;
    // Days since 1601, as the recurrence dates count them.
    const platform::RecurrenceDay day = platform::RecurrenceNthDayOfMonth(year, month, mask, nth);
    out = calendar_days::SystemTimeOfDay(day - calendar_days::kDaysFrom1601);
    return true;
}

int CCalendarRecurrence::fGetMonthInNum(DWORD minutes)
{
    static constexpr DWORD kMonthEnds[11] = {40000,  80000,  120000, 170000, 210000, 250000,
                                             295000, 340000, 385000, 430000, 475000};
    for (int m = 0; m < 11; ++m) {
        if (minutes < kMonthEnds[m]) return m + 1;
    }
    return 12;
}

void CCalendarRecurrence::fDateAdjust(SYSTEMTIME& date, WORD day)
{
    const int length = platform::civil::DaysInMonth(date.wYear, date.wMonth);
    const int target = std::clamp<int>(day, 1, length);
    date.wDay = static_cast<WORD>(target);
    date.wDayOfWeek = static_cast<WORD>(WeekdayOf(DayOf(date.wYear, date.wMonth, target)));
}

void CCalendarRecurrence::fIncrementMonth(SYSTEMTIME& date, DWORD months, WORD day)
{
    const long long index = static_cast<long long>(date.wYear) * 12 + (date.wMonth - 1) + months;
    date.wYear = static_cast<WORD>(std::min<long long>(index / 12, 0xFFFF));
    date.wMonth = static_cast<WORD>(index % 12 + 1);
    fDateAdjust(date, day);
}

void CCalendarRecurrence::fIncrementByYear(SYSTEMTIME& date, WORD day)
{
    if (date.wYear < 0xFFFF) ++date.wYear;
    fDateAdjust(date, day);
}
