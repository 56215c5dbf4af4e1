#include "tools/kstools/sample/sample_occurrences.h"

#include <cmath>

#include "tools/kstools/sample/sample_calendar.h"

namespace kstools {
namespace {

int SingleWeekday(LONG mask)
{
    for (int day = 0; day < 7; ++day) {
        if (mask & (1 << day)) return day;
    }
    return 0;
}

// The k-th day from `first` on (itself included) that `counts` accepts.
template <class Accept>
DATE NthAccepted(DATE first, int k, Accept accepts)
{
    DATE day = first;
    for (int found = -1;; day += 1) {
        if (accepts(day) && ++found == k) return day;
    }
}

}  // namespace

DATE SampleOccurrences::Start(const SampleAppointmentPlan& plan, int k)
{
    const DATE firstDay = std::floor(plan.start);
    const DATE time = plan.start - firstDay;
    const SamplePattern& p = *plan.pattern;
    const SampleDay first = SampleCalendar::DayOf(firstDay);
    DATE day = firstDay;
    switch (p.type) {
        case olRecursDaily:
            if (p.dayOfWeekMask == 62) {
                day = NthAccepted(firstDay, k, [](DATE d) {
                    const int w = SampleCalendar::Weekday(d);
                    return w != 0 && w != 6;
                });
            } else {
                day = firstDay + static_cast<double>(k) * p.interval;
            }
            break;
        case olRecursWeekly: {
            const DATE weekStart = firstDay - SampleCalendar::Weekday(firstDay);
            day = NthAccepted(firstDay, k, [&](DATE d) {
                const long week = static_cast<long>(std::floor((d - weekStart) / 7));
                return (p.dayOfWeekMask & (1 << SampleCalendar::Weekday(d))) && week % p.interval == 0;
            });
            break;
        }
        case olRecursMonthly:
            day = SampleCalendar::Date(first.year, first.month + k * p.interval, p.dayOfMonth);
            break;
        case olRecursMonthNth: {
            const int month = first.month - 1 + k * p.interval;
            day = SampleCalendar::NthWeekday(first.year + month / 12, month % 12 + 1, SingleWeekday(p.dayOfWeekMask),
                                             p.instance);
            break;
        }
        case olRecursYearly:
            day = SampleCalendar::Date(first.year + k, p.monthOfYear, p.dayOfMonth);
            break;
        case olRecursYearNth:
            day = SampleCalendar::NthWeekday(first.year + k, p.monthOfYear, SingleWeekday(p.dayOfWeekMask), p.instance);
            break;
        default:
            break;
    }
    return day + time;
}

}  // namespace kstools
