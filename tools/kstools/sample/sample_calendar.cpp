#include "tools/kstools/sample/sample_calendar.h"

#include <cmath>
#include <cstdint>

#include "platform/time/civil_calendar.h"
#include "platform/time/clock.h"

namespace kstools {

namespace civil = platform::civil;

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
    if (day > civil::DaysInMonth(year, month)) day = civil::DaysInMonth(year, month);
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
    return civil::DayOfWeek(static_cast<std::int64_t>(std::floor(date)) + civil::kOleEpochDay);
}

DATE SampleCalendar::OnOrAfter(DATE from, int weekday)
{
    const DATE midnight = std::floor(from);
    return midnight + (weekday - Weekday(midnight) + 7) % 7;
}

DATE SampleCalendar::NthWeekday(int year, int month, int weekday, int instance)
{
    const SampleDay first = DayOf(Date(year, month, 1));  // months past 12 roll over, as in Date
    return Date(first.year, first.month, civil::NthWeekdayOfMonth(first.year, first.month, weekday, instance));
}

}  // namespace kstools
