#include "tools/kstools/sample/sample_calendar.h"

#include <cmath>

#include "platform/time/clock.h"

namespace kstools {
namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

}  // namespace

SampleCalendar::SampleCalendar()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    m_today = Date(now.wYear, now.wMonth, now.wDay);
}

DATE SampleCalendar::At(int days, int hour, int minute) const { return WithTime(m_today + days, hour * 60 + minute); }

DATE SampleCalendar::Date(int year, int month, int day)
{
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
    if (day > DaysInMonth(year, month)) day = DaysInMonth(year, month);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    DATE date = 0;
    SystemTimeToVariantTime(&st, &date);
    return date;
}

SampleDay SampleCalendar::DayOf(DATE date)
{
    SYSTEMTIME st{};
    VariantTimeToSystemTime(std::floor(date), &st);
    return {st.wYear, st.wMonth, st.wDay};
}

int SampleCalendar::Weekday(DATE date)
{
    // Day 0, 30 December 1899, was a Saturday.
    const long day = static_cast<long>(std::floor(date));
    return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

DATE SampleCalendar::OnOrAfter(DATE from, int weekday)
{
    const DATE midnight = std::floor(from);
    return midnight + (weekday - Weekday(midnight) + 7) % 7;
}

DATE SampleCalendar::NthWeekday(int year, int month, int weekday, int instance)
{
    if (instance >= 5) {
        const DATE last = Date(year, month, 31);
        return last - (Weekday(last) - weekday + 7) % 7;
    }
    return OnOrAfter(Date(year, month, 1), weekday) + 7 * (instance - 1);
}

}  // namespace kstools
