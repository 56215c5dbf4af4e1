// Seeded random recurrence rules of every kind, valid by construction.
#pragma once

#include <algorithm>
#include <random>

#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_rule.h"

namespace recurrule {

// Where rules fall: pattern start days, longest interval (short ones most common), largest count,
// longest by-date span (a tenth of it for daily and weekly rules).
struct RandomRuleSpan {
    platform::RecurrenceDay firstStart;
    platform::RecurrenceDay lastStart;
    int maxInterval = 998;
    int maxOccurrences = 999;
    int maxEndDays = 4000;
};

// The object-model tests' series: starts 2000-2040, intervals to 5, 30 occurrences or 1500 days.
inline const RandomRuleSpan kSeriesSpan{platform::RecurrenceDayFromDate(2000, 1, 1),
                                        platform::RecurrenceDayFromDate(2040, 12, 28), 5, 30, 1500};

inline platform::RecurrenceRule RandomRecurrenceRule(std::mt19937& rng, const RandomRuleSpan& span)
{
    using namespace platform;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const int kTypes[] = {kRecursDaily,    kRecursWeekly, kRecursMonthly,
                                 kRecursMonthNth, kRecursYearly, kRecursYearNth};
    static const int kNthMasks[] = {1, 2, 4, 8, 16, 32, 64, kRecurMaskWeekdays, kRecurMaskWeekend, kRecurMaskAllDays};
    RecurrenceRule r;
    r.type = kTypes[pick(0, 5)];
    r.interval = pick(0, 9) == 0 ? pick(1, span.maxInterval) : pick(1, std::min(12, span.maxInterval));
    r.patternStartDay = pick(span.firstStart, span.lastStart);
    r.startMinute = pick(0, 1439);
    r.durationMinutes = pick(0, 3 * 1440);
    r.firstDayOfWeek = pick(0, 6);
    const int dayOfMonth = pick(0, 2) == 0 ? pick(28, 31) : pick(1, 31);
    switch (r.type) {
        case kRecursDaily:
            if (pick(0, 3) == 0) {
                r.dayOfWeekMask = kRecurMaskWeekdays;
                r.interval = 1;
            }
            break;
        case kRecursWeekly:
            r.dayOfWeekMask = pick(1, 127);
            break;
        case kRecursMonthly:
            r.dayOfMonth = dayOfMonth;
            break;
        case kRecursMonthNth:
            r.dayOfWeekMask = kNthMasks[pick(0, 9)];
            r.instance = pick(1, 5);
            break;
        case kRecursYearly:
            r.interval = 1;
            r.monthOfYear = pick(1, 12);
            r.dayOfMonth = dayOfMonth;
            break;
        default:
            r.interval = 1;
            r.monthOfYear = pick(1, 12);
            r.dayOfWeekMask = kNthMasks[pick(0, 9)];
            r.instance = pick(1, 5);
            break;
    }
    r.end = static_cast<RecurrenceEnd>(pick(0, 2));
    // libical takes ~50 us per BYSETPOS occurrence: long series are kept rare.
    if (r.end == RecurrenceEnd::kAfterOccurrences) {
        r.occurrences = pick(0, 19) == 0 ? pick(1, span.maxOccurrences) : pick(1, std::min(40, span.maxOccurrences));
    }
    if (r.end == RecurrenceEnd::kByDate) {
        const bool shortPeriods = r.type == kRecursDaily || r.type == kRecursWeekly;
        r.patternEndDay = r.patternStartDay + pick(0, shortPeriods ? span.maxEndDays / 10 : span.maxEndDays);
    }
    return r;
}

}  // namespace recurrule
