// The seven fillers. Each places its cursor on the last pattern date before
// the range start (so that an occurrence begun the day before the range and
// lasting into it is seen), or on the first pattern date when that is not
// before the range, by arithmetic rather than by walking from the pattern
// start, then visits the pattern dates up to the range's last day
// or the pattern's end date, whichever comes first.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/calendar_day_numbers.h"
#include "engine/calendar_recurrence.h"
#include "platform/recurrence/recurrence_dates.h"

using calendar_days::DayOf;
using calendar_days::WeekdayOf;

namespace {

// Day numbers beyond the last day an OLE date can hold end every walk.
constexpr std::int64_t kLastDay = 2958465;  // 31 December 9999

struct PatternSpan {
    std::int64_t start;  // StartDate's day
    std::int64_t last;   // the last day a pattern date may fall on
};

PatternSpan SpanOf(const DATACALENDARDB& working, LONG rangeLastDay)
{
    const double end = working.end;
    const DWORD endMinutes = end <= 0 ? 0 : end >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<DWORD>(end);
    // Pattern dates of a series with its own zone are that zone's days: the
    // two days after the range may still fall on its last day on the device's
    // clock (zones lie up to 26 hours apart). Entries past the range are
    // dropped once converted.
    const std::int64_t rangeLast = std::int64_t{rangeLastDay} + (HasOwnZone(working) ? 2 : 0);
    return PatternSpan{static_cast<std::int64_t>(std::floor(working.start)),
                       std::min({calendar_days::DayOfMinutes(endMinutes), rangeLast, kLastDay})};
}

std::int64_t MonthIndexOf(std::int64_t day)
{
    const calendar_days::CivilDate d = calendar_days::DateOf(day);
    return std::int64_t{d.year} * 12 + (d.month - 1);
}

// The pattern month of a month index, as a SYSTEMTIME on its first day.
SYSTEMTIME FirstOfMonth(std::int64_t monthIndex)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(monthIndex / 12);
    st.wMonth = static_cast<WORD>(monthIndex % 12 + 1);
    st.wDay = 1;
    return st;
}

// The month a yearly pattern falls in.
WORD YearlyMonth(const DATACALENDARDB& working)
{
    return static_cast<WORD>(working.firstDateTime == 0 ? 1
                                                        : CCalendarRecurrence::fGetMonthInNum(working.firstDateTime));
}

// Index k of the last pattern date before firstDay (0 when the first
// pattern date is not before it), for dates that grow with k. `jump` is a
// k known to lie before it.
template <class DateOfIndex>
std::int64_t CursorIndex(DateOfIndex dateOf, std::int64_t firstDay, std::int64_t jump)
{
    std::int64_t k = std::max<std::int64_t>(jump, 0);
    if (dateOf(k) >= firstDay) return k;
    while (dateOf(k + 1) < firstDay) ++k;
    return k;
}

// The day number of the pattern's nth weekday of a month, for a weekday
// and instance fGetNthWeekDay accepts: counted straight from the platform's
// days in the years it reckons, without a civil date in between.
std::int64_t NthWeekdayDay(std::int64_t year, int month, const DATACALENDARDB& working)
{
    if (year >= 1601 && year <= 9999) {
        return platform::RecurrenceNthDayOfMonth(static_cast<int>(year), month, working.nthWeekdayMask & 0x7F,
                                                 working.nth) -
               calendar_days::kDaysFrom1601;
    }
    SYSTEMTIME date{};
    CCalendarRecurrence::fGetNthWeekDay(static_cast<WORD>(year), static_cast<WORD>(month), working.nthWeekdayMask,
                                        working.nth, date);
    return calendar_days::DayOfSystemTime(date);
}

}  // namespace

void CCalendarRecurrence::fFillDailyEvents(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    const PatternSpan span = SpanOf(working, m_lastDay);
    // A period under a day would repeat the same day: a day is the least.
    const std::int64_t period = std::max<std::int64_t>(working.dailyPeriod / 1440, 1);
    std::int64_t cursor = span.start;
    if (cursor < m_firstDay) cursor += (m_firstDay - 1 - cursor) / period * period;
    for (; cursor <= span.last; cursor += period) VisitPatternDate(working, sink, cursor, span.start);
}

void CCalendarRecurrence::fFillWeekDayEvents(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    const PatternSpan span = SpanOf(working, m_lastDay);
    std::int64_t cursor = span.start;
    if (cursor < m_firstDay) {
        // The last working day before the range start.
        cursor = m_firstDay - 1;
        while (WeekdayOf(cursor) == 0 || WeekdayOf(cursor) == 6) --cursor;
    }
    while (cursor <= span.last) {
        const int weekday = WeekdayOf(cursor);
        if (weekday == 6) {
            cursor += 2;
            continue;
        }
        if (weekday == 0) {
            ++cursor;
            continue;
        }
        VisitPatternDate(working, sink, cursor, span.start);
        cursor += weekday == 5 ? 3 : 1;
    }
}

void CCalendarRecurrence::fFillWeeklyEvents(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    int days[7];
    const int count = fGetEventWeekDays(working.weekdayMask & 0x7F, days);
    if (count == 0) return;
    const PatternSpan span = SpanOf(working, m_lastDay);
    const std::int64_t step = 7 * std::max<std::int64_t>(working.weeklyPeriod, 1);
    const std::int64_t firstWeek = span.start - WeekdayOf(span.start);  // the Sunday of StartDate's week
    std::int64_t week = firstWeek;
    if (week + days[0] < m_firstDay) week += (m_firstDay - 1 - (week + days[0])) / step * step;
    for (;;) {
        SYSTEMTIME date = calendar_days::SystemTimeOfDay(week + days[0]);
        std::int64_t cursor = week + days[0];
        do {
            if (cursor > span.last) return;
            VisitPatternDate(working, sink, cursor, span.start);
            if (!fCheckNextWeekDay(date, days, count)) break;
            cursor = calendar_days::DayOfSystemTime(date);
        } while (true);
        week += step;
    }
}

void CCalendarRecurrence::fFillMonthlyType2(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    const PatternSpan span = SpanOf(working, m_lastDay);
    const std::int64_t period = std::max<std::int64_t>(working.period, 1);
    const WORD day = static_cast<WORD>(std::clamp<int>(working.dayOfMonth, 1, 31));
    const std::int64_t firstMonth = MonthIndexOf(span.start);
    auto dateOf = [&](std::int64_t k) {
        if (firstMonth + k * period >= 10000 * 12) return kLastDay + 1;
        SYSTEMTIME date = FirstOfMonth(firstMonth);
        fIncrementMonth(date, static_cast<DWORD>(k * period), day);
        return calendar_days::DayOfSystemTime(date);
    };
    // Jump to 31 periods' worth of days before the range, then step.
    const std::int64_t before = m_firstDay - 1 - 31 * period;
    const std::int64_t jump = before > span.start ? (MonthIndexOf(before) - firstMonth) / period : 0;
    for (std::int64_t k = CursorIndex(dateOf, m_firstDay, jump);; ++k) {
        const std::int64_t date = dateOf(k);
        if (date > span.last) return;
        VisitPatternDate(working, sink, date, span.start);
    }
}

void CCalendarRecurrence::fFillMonthlyType3(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    const PatternSpan span = SpanOf(working, m_lastDay);
    const std::int64_t period = std::max<std::int64_t>(working.period, 1);
    const std::int64_t firstMonth = MonthIndexOf(span.start);
    SYSTEMTIME probe{};
    if (!fGetNthWeekDay(2000, 1, working.nthWeekdayMask, working.nth, probe)) return;  // no such weekday at all
    auto dateOf = [&](std::int64_t k) {
        const std::int64_t month = firstMonth + k * period;
        if (month >= 10000 * 12) return kLastDay + 1;
        return NthWeekdayDay(month / 12, static_cast<int>(month % 12 + 1), working);
    };
    const std::int64_t before = m_firstDay - 1 - 31 * period;
    const std::int64_t jump = before > span.start ? (MonthIndexOf(before) - firstMonth) / period : 0;
    for (std::int64_t k = CursorIndex(dateOf, m_firstDay, jump);; ++k) {
        const std::int64_t date = dateOf(k);
        if (date > span.last) return;
        VisitPatternDate(working, sink, date, span.start);
    }
}

void CCalendarRecurrence::fFillYearlyType2(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    const PatternSpan span = SpanOf(working, m_lastDay);
    const WORD month = YearlyMonth(working);
    const WORD day = static_cast<WORD>(std::clamp<int>(working.dayOfMonth, 1, 31));
    SYSTEMTIME cursor{};
    cursor.wYear = static_cast<WORD>(calendar_days::DateOf(span.start).year);
    cursor.wMonth = month;
    cursor.wDay = 1;
    fDateAdjust(cursor, day);
    // Jump to the year before the range's first year, then step.
    const int rangeYear = calendar_days::DateOf(m_firstDay).year;
    auto dayOf = [](const SYSTEMTIME& d) { return calendar_days::DayOfSystemTime(d); };
    if (dayOf(cursor) < m_firstDay) {
        if (rangeYear - 1 > cursor.wYear) {
            cursor.wYear = static_cast<WORD>(rangeYear - 1);
            fDateAdjust(cursor, day);
        }
        for (SYSTEMTIME next = cursor;;) {
            fIncrementByYear(next, day);
            if (dayOf(next) >= m_firstDay) break;
            cursor = next;
        }
    }
    while (cursor.wYear <= 9999) {
        const std::int64_t date = dayOf(cursor);
        if (date > span.last) return;
        VisitPatternDate(working, sink, date, span.start);
        fIncrementByYear(cursor, day);
    }
}

void CCalendarRecurrence::fFillYearlyType3(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    const PatternSpan span = SpanOf(working, m_lastDay);
    const WORD month = YearlyMonth(working);
    const int startYear = calendar_days::DateOf(span.start).year;
    SYSTEMTIME probe{};
    if (!fGetNthWeekDay(2000, month, working.nthWeekdayMask, working.nth, probe)) return;
    auto dateOf = [&](std::int64_t k) {
        const std::int64_t year = startYear + k;
        if (year > 9999) return kLastDay + 1;
        return NthWeekdayDay(year, month, working);
    };
    const std::int64_t jump = calendar_days::DateOf(m_firstDay - 1).year - 1 - startYear;
    for (std::int64_t k = CursorIndex(dateOf, m_firstDay, jump);; ++k) {
        const std::int64_t date = dateOf(k);
        if (date > span.last) return;
        VisitPatternDate(working, sink, date, span.start);
    }
}
