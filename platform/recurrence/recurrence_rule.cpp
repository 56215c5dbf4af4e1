#include "platform/recurrence/recurrence_rule.h"

#include "platform/recurrence/recurrence_dates.h"

namespace platform {

namespace {

constexpr DWORD kMinutesPerDay = 1440;
constexpr DWORD kMinutesPerWeek = 7 * kMinutesPerDay;

bool IsYearlyKind(int type) { return type == kRecursYearly || type == kRecursYearNth; }

bool IsNthKind(int type) { return type == kRecursMonthNth || type == kRecursYearNth; }

bool IsDayOfMonthKind(int type) { return type == kRecursMonthly || type == kRecursYearly; }

// The nth-day masks the readers of the blob know: one weekday, working days,
// weekend days or any day.
bool IsNthMask(int mask)
{
    switch (mask) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
        case 64:
        case kRecurMaskWeekdays:
        case kRecurMaskWeekend:
        case kRecurMaskAllDays:
            return true;
        default:
            return false;
    }
}

bool IsEveryWeekday(const RecurrenceRule& rule)
{
    return rule.type == kRecursDaily && rule.dayOfWeekMask == kRecurMaskWeekdays;
}

// FirstDateTime of week-based patterns: the first day of the start's week
// (weeks beginning on firstDayOfWeek), modulo the period in minutes.
DWORD WeeklyFirstDateTime(RecurrenceDay start, int firstDayOfWeek, DWORD periodWeeks)
{
    const int back = (RecurrenceDayOfWeek(start) - firstDayOfWeek + 7) % 7;
    const std::uint64_t weekStart = static_cast<std::uint64_t>(start - back) * kMinutesPerDay;
    return static_cast<DWORD>(weekStart % (std::uint64_t{kMinutesPerWeek} * periodWeeks));
}

// FirstDateTime of month-based patterns: the months from January 1601 to the
// start's month, modulo the period, taken as a date in 1601..1684 and given
// in minutes.
DWORD MonthlyFirstDateTime(RecurrenceDay start, DWORD periodMonths)
{
    const RecurrenceCivilDate date = RecurrenceDateFromDay(start);
    const DWORD months = static_cast<DWORD>((date.year - 1601) * 12 + (date.month - 1)) % periodMonths;
    const RecurrenceDay first =
        RecurrenceDayFromDate(1601 + static_cast<int>(months / 12), static_cast<int>(months % 12) + 1, 1);
    return static_cast<DWORD>(first) * kMinutesPerDay;
}

// Yearly patterns: the minutes from 1 January to the first of the month, in
// a common year (1601).
DWORD YearlyFirstDateTime(int month)
{
    return static_cast<DWORD>(RecurrenceDayFromDate(1601, month, 1)) * kMinutesPerDay;
}

}  // namespace

int RecurrenceMonthFromFirstDateTime(DWORD firstDateTime)
{
    static constexpr DWORD kBelow[] = {40000,  80000,  120000, 170000, 210000, 250000,
                                       295000, 340000, 385000, 430000, 475000};
    int month = 1;
    for (DWORD limit : kBelow) {
        if (firstDateTime < limit) return month;
        ++month;
    }
    return 12;
}

RecurrenceRuleField ValidateRecurrenceRule(const RecurrenceRule& rule)
{
    const int type = rule.type;
    if (type != kRecursDaily && type != kRecursWeekly && type != kRecursMonthly && type != kRecursMonthNth &&
        !IsYearlyKind(type)) {
        return RecurrenceRuleField::kType;
    }
    if (IsYearlyKind(type) || IsEveryWeekday(rule)) {
        if (rule.interval != 1) return RecurrenceRuleField::kInterval;
    } else if (rule.interval < 1 || rule.interval > 998) {
        return RecurrenceRuleField::kInterval;
    }
    if (type == kRecursDaily && rule.dayOfWeekMask != 0 && rule.dayOfWeekMask != kRecurMaskWeekdays) {
        return RecurrenceRuleField::kDayOfWeekMask;
    }
    if (type == kRecursWeekly && (rule.dayOfWeekMask < 1 || rule.dayOfWeekMask > 127)) {
        return RecurrenceRuleField::kDayOfWeekMask;
    }
    if (IsNthKind(type) && !IsNthMask(rule.dayOfWeekMask)) return RecurrenceRuleField::kDayOfWeekMask;
    if (IsDayOfMonthKind(type) && (rule.dayOfMonth < 1 || rule.dayOfMonth > 31)) {
        return RecurrenceRuleField::kDayOfMonth;
    }
    if (IsNthKind(type) && (rule.instance < 1 || rule.instance > 5)) return RecurrenceRuleField::kInstance;
    if (IsYearlyKind(type) && (rule.monthOfYear < 1 || rule.monthOfYear > 12)) {
        return RecurrenceRuleField::kMonthOfYear;
    }
    if (rule.patternStartDay < kRecurrenceFirstDay || rule.patternStartDay > kRecurrenceLastDay) {
        return RecurrenceRuleField::kPatternStartDay;
    }
    if (rule.startMinute < 0 || rule.startMinute >= 1440) return RecurrenceRuleField::kStartMinute;
    if (rule.durationMinutes < 0 || rule.durationMinutes > kRecurMaxDurationMinutes) {
        return RecurrenceRuleField::kDuration;
    }
    switch (rule.end) {
        case RecurrenceEnd::kNoEnd:
            break;
        case RecurrenceEnd::kAfterOccurrences:
            if (rule.occurrences < 1 || rule.occurrences > 999) return RecurrenceRuleField::kOccurrences;
            break;
        case RecurrenceEnd::kByDate:
            if (rule.patternEndDay < rule.patternStartDay || rule.patternEndDay > kRecurrenceLastDay) {
                return RecurrenceRuleField::kPatternEndDay;
            }
            break;
        default:
            return RecurrenceRuleField::kEnd;
    }
    if (rule.firstDayOfWeek < 0 || rule.firstDayOfWeek > 6) return RecurrenceRuleField::kFirstDayOfWeek;
    return RecurrenceRuleField::kNone;
}

std::optional<RecurrencePatternBlob> BuildRecurrencePatternBlob(const RecurrenceRule& rule)
{
    if (ValidateRecurrenceRule(rule) != RecurrenceRuleField::kNone) return std::nullopt;
    RecurrencePatternBlob blob;
    const RecurrenceDay start = rule.patternStartDay;
    switch (rule.type) {
        case kRecursDaily:
            blob.frequency = kRecurFrequencyDaily;
            if (IsEveryWeekday(rule)) {
                // Every weekday is a one-week pattern over the working days.
                blob.patternType = kRecurPatternWeek;
                blob.period = 1;
                blob.weekdayMask = kRecurMaskWeekdays;
                blob.firstDateTime = WeeklyFirstDateTime(start, rule.firstDayOfWeek, 1);
            } else {
                blob.patternType = kRecurPatternDay;
                blob.period = static_cast<DWORD>(rule.interval) * kMinutesPerDay;
                blob.firstDateTime = static_cast<DWORD>(start) * kMinutesPerDay % blob.period;
            }
            break;
        case kRecursWeekly:
            blob.frequency = kRecurFrequencyWeekly;
            blob.patternType = kRecurPatternWeek;
            blob.period = static_cast<DWORD>(rule.interval);
            blob.weekdayMask = static_cast<DWORD>(rule.dayOfWeekMask);
            blob.firstDateTime = WeeklyFirstDateTime(start, rule.firstDayOfWeek, blob.period);
            break;
        case kRecursMonthly:
        case kRecursMonthNth:
            blob.frequency = kRecurFrequencyMonthly;
            blob.period = static_cast<DWORD>(rule.interval);
            blob.firstDateTime = MonthlyFirstDateTime(start, blob.period);
            break;
        default:
            blob.frequency = kRecurFrequencyYearly;
            blob.period = 12;
            blob.firstDateTime = YearlyFirstDateTime(rule.monthOfYear);
            break;
    }
    if (IsDayOfMonthKind(rule.type)) {
        blob.patternType = kRecurPatternMonth;
        blob.dayOfMonth = static_cast<DWORD>(rule.dayOfMonth);
    } else if (IsNthKind(rule.type)) {
        blob.patternType = kRecurPatternMonthNth;
        blob.weekdayMask = static_cast<DWORD>(rule.dayOfWeekMask);
        blob.nth = static_cast<DWORD>(rule.instance);
    }

    const RecurrenceDates dates(rule);
    switch (rule.end) {
        case RecurrenceEnd::kNoEnd:
            blob.endType = kRecurEndNever;
            blob.occurrenceCount = kRecurNoEndOccurrenceCount;
            blob.endDate = kRecurNoEndDate;
            break;
        case RecurrenceEnd::kAfterOccurrences: {
            const auto last = dates.Nth(rule.occurrences);
            if (!last) return std::nullopt;  // the series would run past the last representable day
            blob.endType = kRecurEndAfterCount;
            blob.occurrenceCount = static_cast<DWORD>(rule.occurrences);
            blob.endDate = static_cast<DWORD>(*last) * kMinutesPerDay;
            break;
        }
        case RecurrenceEnd::kByDate:
            blob.endType = kRecurEndByDate;
            blob.occurrenceCount = static_cast<DWORD>(dates.CountThrough(rule.patternEndDay));
            blob.endDate = static_cast<DWORD>(rule.patternEndDay) * kMinutesPerDay;
            break;
    }
    blob.firstDayOfWeek = static_cast<DWORD>(rule.firstDayOfWeek);
    // StartDate is the day of the first occurrence, which may lie after the
    // rule's start day; readers count the pattern's periods from it.
    blob.startDate = static_cast<DWORD>(dates.First().value_or(start)) * kMinutesPerDay;
    blob.startTimeOffset = static_cast<DWORD>(rule.startMinute);
    blob.endTimeOffset = static_cast<DWORD>(rule.startMinute + rule.durationMinutes);
    return blob;
}

std::optional<RecurrenceRule> RecurrenceRuleFromBlob(const RecurrencePatternBlob& blob)
{
    if (!IsAcceptedRecurrencePattern(blob.frequency, blob.patternType)) return std::nullopt;
    if (blob.period == 0 || blob.period > 0xFFFF * kMinutesPerDay) return std::nullopt;
    if (blob.endTimeOffset < blob.startTimeOffset) return std::nullopt;
    if (blob.weekdayMask > 127 || blob.dayOfMonth > 31 || blob.nth > 5 || blob.firstDayOfWeek > 6) {
        return std::nullopt;
    }
    RecurrenceRule rule;
    switch (blob.frequency) {
        case kRecurFrequencyDaily:
            rule.type = kRecursDaily;
            if (blob.patternType == kRecurPatternWeek) {
                rule.dayOfWeekMask = static_cast<int>(blob.weekdayMask);
            } else {
                if (blob.period % kMinutesPerDay != 0) return std::nullopt;
                rule.interval = static_cast<int>(blob.period / kMinutesPerDay);
            }
            break;
        case kRecurFrequencyWeekly:
            rule.type = kRecursWeekly;
            rule.interval = static_cast<int>(blob.period);
            rule.dayOfWeekMask = static_cast<int>(blob.weekdayMask);
            break;
        case kRecurFrequencyMonthly:
            rule.type = blob.patternType == kRecurPatternMonth ? kRecursMonthly : kRecursMonthNth;
            rule.interval = static_cast<int>(blob.period);
            break;
        default:
            // Readers take a yearly pattern's month from FirstDateTime and ignore
            // its period.
            rule.type = blob.patternType == kRecurPatternMonth ? kRecursYearly : kRecursYearNth;
            rule.monthOfYear = RecurrenceMonthFromFirstDateTime(blob.firstDateTime);
            break;
    }
    if (blob.patternType == kRecurPatternMonth) {
        rule.dayOfMonth = static_cast<int>(blob.dayOfMonth);
    } else if (blob.patternType == kRecurPatternMonthNth) {
        rule.dayOfWeekMask = static_cast<int>(blob.weekdayMask);
        rule.instance = static_cast<int>(blob.nth);
    }
    rule.patternStartDay = static_cast<RecurrenceDay>(blob.startDate / kMinutesPerDay);
    rule.startMinute = static_cast<int>(blob.startTimeOffset);
    const DWORD duration = blob.endTimeOffset - blob.startTimeOffset;
    if (duration > static_cast<DWORD>(kRecurMaxDurationMinutes)) return std::nullopt;
    rule.durationMinutes = static_cast<int>(duration);
    switch (blob.endType) {
        case kRecurEndAfterCount:
            rule.end = RecurrenceEnd::kAfterOccurrences;
            rule.occurrences = blob.occurrenceCount > 999 ? 0 : static_cast<int>(blob.occurrenceCount);
            break;
        case kRecurEndNever:
        case kRecurEndNeverAlternate:
            rule.end = RecurrenceEnd::kNoEnd;
            break;
        default:
            // End by date; an unknown end type is bounded by EndDate like one,
            // unless EndDate is the no-end marker.
            if (blob.endType != kRecurEndByDate && blob.endDate == kRecurNoEndDate) {
                rule.end = RecurrenceEnd::kNoEnd;
            } else {
                rule.end = RecurrenceEnd::kByDate;
                rule.patternEndDay = static_cast<RecurrenceDay>(blob.endDate / kMinutesPerDay);
            }
            break;
    }
    rule.firstDayOfWeek = static_cast<int>(blob.firstDayOfWeek);
    if (ValidateRecurrenceRule(rule) != RecurrenceRuleField::kNone) return std::nullopt;
    return rule;
}

}  // namespace platform
