#include "platform/recurrence/recurrence_dates.h"

#include <algorithm>
#include <bit>

#include "platform/base/floor_div.h"
#include "platform/time/civil_calendar.h"

namespace platform {

namespace {

constexpr std::int64_t kDaysOf1601 = civil::kFileTimeEpochDay;

// Anything past this index is far beyond the last representable day.
constexpr std::int64_t kMaxOccurrenceIndex = std::int64_t{1} << 31;

std::int64_t MonthIndex(std::int64_t day)
{
    const civil::Date d = civil::CivilFromDays(day + kDaysOf1601);
    return d.year * 12 + (d.month - 1);
}

std::int64_t FirstDayOfMonthIndex(std::int64_t monthIndex)
{
    const std::int64_t year = FloorDiv(monthIndex, 12);
    const int month = static_cast<int>(monthIndex - year * 12) + 1;
    return civil::DaysFromCivil(year, month, 1) - kDaysOf1601;
}

}  // namespace

RecurrenceDay RecurrenceDayFromDate(int year, int month, int day)
{
    return static_cast<RecurrenceDay>(civil::DaysFromCivil(year, month, day) - kDaysOf1601);
}

RecurrenceCivilDate RecurrenceDateFromDay(RecurrenceDay day)
{
    const civil::Date d = civil::CivilFromDays(day + kDaysOf1601);
    return RecurrenceCivilDate{static_cast<int>(d.year), d.month, d.day};
}

int RecurrenceDayOfWeek(RecurrenceDay day) { return civil::DayOfWeek(day + kDaysOf1601); }

int RecurrenceDaysInMonth(int year, int month)
{
    return month >= 1 && month <= 12 ? civil::DaysInMonth(year, month) : 0;
}

RecurrenceDay RecurrenceNthDayOfMonth(int year, int month, int mask, int instance)
{
    const RecurrenceDay first = RecurrenceDayFromDate(year, month, 1);
    const int length = RecurrenceDaysInMonth(year, month);
    mask &= 0x7F;
    if (length == 0 || mask == 0) return first;
    // The weekdays of the mask recur every seven days, so the wanted day is
    // found by whole weeks and then inside one week, not by a walk over the month.
    const int firstDow = RecurrenceDayOfWeek(first);
    // The mask turned so that bit k is the weekday of the month's day k.
    const int turned = ((mask >> firstDow) | (mask << (7 - firstDow))) & 0x7F;
    if (instance >= 5) {
        // The last match: at most a week back from the month's last day.
        int offset = length - 1;
        while (!((turned >> (offset % 7)) & 1)) --offset;
        return first + offset;
    }
    if (instance < 1) return first + length - 1;
    const int perWeek = std::popcount(static_cast<unsigned>(turned));
    const int weeks = (instance - 1) / perWeek;
    int left = (instance - 1) % perWeek;
    int offset = 0;
    while (!((turned >> offset) & 1) || left-- > 0) ++offset;
    offset += 7 * weeks;
    return offset < length ? first + offset : first + length - 1;
}

RecurrenceDates::RecurrenceDates(const RecurrenceRule& rule) : rule_(rule)
{
    if (ValidateRecurrenceRule(rule) != RecurrenceRuleField::kNone) return;
    valid_ = true;
    start_ = rule.patternStartDay;
    kind_ = rule.type;
    mask_ = rule.dayOfWeekMask;
    if (kind_ == kRecursDaily && mask_ == kRecurMaskWeekdays) {
        kind_ = kRecursWeekly;  // every weekday: the weekday mask in every week
    }
    switch (kind_) {
        case kRecursDaily:
            origin_ = start_;
            stepDays_ = rule.interval;
            perPeriod_ = 1;
            break;
        case kRecursWeekly: {
            const int back = (RecurrenceDayOfWeek(rule.patternStartDay) - rule.firstDayOfWeek + 7) % 7;
            origin_ = start_ - back;
            stepDays_ = std::int64_t{7} * (rule.type == kRecursDaily ? 1 : rule.interval);
            perPeriod_ = std::popcount(static_cast<unsigned>(mask_ & 0x7F));
            break;
        }
        case kRecursMonthly:
        case kRecursMonthNth:
            monthOrigin_ = MonthIndex(start_);
            break;
        default:  // yearly kinds: one period per year, starting in January
            monthOrigin_ = FloorDiv(MonthIndex(start_), 12) * 12;
            break;
    }
    std::int64_t days[7];
    const int n = Candidates(0, days);
    firstPeriodCount_ = static_cast<int>(std::count_if(days, days + n, [&](std::int64_t d) { return d >= start_; }));

    endDay_ = kRecurrenceLastDay;
    if (rule.end == RecurrenceEnd::kByDate) {
        endDay_ = std::min<std::int64_t>(endDay_, rule.patternEndDay);
    } else if (rule.end == RecurrenceEnd::kAfterOccurrences) {
        if (auto last = NthUnbounded(rule.occurrences)) endDay_ = std::min<std::int64_t>(endDay_, *last);
    }
}

std::int64_t RecurrenceDates::PeriodStart(std::int64_t k) const
{
    switch (kind_) {
        case kRecursDaily:
        case kRecursWeekly:
            return origin_ + k * stepDays_;
        case kRecursMonthly:
        case kRecursMonthNth:
            return FirstDayOfMonthIndex(monthOrigin_ + k * rule_.interval);
        default:
            return FirstDayOfMonthIndex(monthOrigin_ + k * 12);
    }
}

std::int64_t RecurrenceDates::PeriodOf(std::int64_t day) const
{
    switch (kind_) {
        case kRecursDaily:
        case kRecursWeekly:
            return FloorDiv(day - origin_, stepDays_);
        case kRecursMonthly:
        case kRecursMonthNth:
            return FloorDiv(MonthIndex(day) - monthOrigin_, rule_.interval);
        default:
            return FloorDiv(MonthIndex(day) - monthOrigin_, 12);
    }
}

int RecurrenceDates::Candidates(std::int64_t k, std::int64_t* days) const
{
    const std::int64_t first = PeriodStart(k);
    switch (kind_) {
        case kRecursDaily:
            days[0] = first;
            return 1;
        case kRecursWeekly: {
            int n = 0;
            const int dow = civil::DayOfWeek(first + kDaysOf1601);
            for (int i = 0; i < 7; ++i) {
                if ((mask_ >> ((dow + i) % 7)) & 1) days[n++] = first + i;
            }
            return n;
        }
        default:
            break;
    }
    // Monthly and yearly kinds: one day in the period's month.
    std::int64_t monthIndex = MonthIndex(first);
    if (kind_ == kRecursYearly || kind_ == kRecursYearNth) monthIndex += rule_.monthOfYear - 1;
    const int year = static_cast<int>(FloorDiv(monthIndex, 12));
    const int month = static_cast<int>(monthIndex - std::int64_t{year} * 12) + 1;
    if (kind_ == kRecursMonthNth || kind_ == kRecursYearNth) {
        days[0] = RecurrenceNthDayOfMonth(year, month, mask_, rule_.instance);
    } else {
        const int day = std::min(rule_.dayOfMonth, RecurrenceDaysInMonth(year, month));
        days[0] = FirstDayOfMonthIndex(monthIndex) + day - 1;
    }
    return 1;
}

std::optional<std::int64_t> RecurrenceDates::FirstOnOrAfterUnbounded(std::int64_t day) const
{
    day = std::max(day, start_);
    if (day > kRecurrenceLastDay) return std::nullopt;
    std::int64_t days[7];
    // Every period holds a candidate, so the next period always has one.
    for (std::int64_t k = PeriodOf(day);; ++k) {
        const int n = Candidates(k, days);
        for (int i = 0; i < n; ++i) {
            if (days[i] >= day) return days[i];
        }
    }
}

std::optional<std::int64_t> RecurrenceDates::LastOnOrBeforeUnbounded(std::int64_t day) const
{
    if (day < start_) return std::nullopt;
    std::int64_t days[7];
    // Period k - 1 lies wholly before `day` and holds a candidate, so two
    // periods always settle it.
    const std::int64_t k0 = PeriodOf(day);
    for (std::int64_t k = k0; k >= 0 && k >= k0 - 1; --k) {
        const int n = Candidates(k, days);
        for (int i = n - 1; i >= 0; --i) {
            if (days[i] <= day) return days[i] >= start_ ? std::optional<std::int64_t>(days[i]) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::int64_t RecurrenceDates::CountThroughUnbounded(std::int64_t day) const
{
    if (day < start_) return 0;
    const std::int64_t k = PeriodOf(day);
    std::int64_t days[7];
    const int n = Candidates(k, days);
    const std::int64_t inPeriod =
        std::count_if(days, days + n, [&](std::int64_t d) { return d <= day && d >= start_; });
    if (k == 0) return inPeriod;
    return firstPeriodCount_ + (k - 1) * perPeriod_ + inPeriod;
}

std::optional<std::int64_t> RecurrenceDates::NthUnbounded(std::int64_t n) const
{
    if (n < 1 || n > kMaxOccurrenceIndex) return std::nullopt;
    std::int64_t days[7];
    std::int64_t k = 0;
    std::int64_t index = 0;
    if (n <= firstPeriodCount_) {
        index = perPeriod_ - firstPeriodCount_ + n - 1;
    } else {
        const std::int64_t rest = n - firstPeriodCount_;
        k = 1 + (rest - 1) / perPeriod_;
        index = (rest - 1) % perPeriod_;
    }
    if (PeriodStart(k) > kRecurrenceLastDay) return std::nullopt;
    Candidates(k, days);
    if (days[index] > kRecurrenceLastDay) return std::nullopt;
    return days[index];
}

bool RecurrenceDates::WithinEnd(std::int64_t day) const { return day <= endDay_; }

std::optional<RecurrenceDay> RecurrenceDates::FirstOnOrAfter(RecurrenceDay day) const
{
    if (!valid_) return std::nullopt;
    auto found = FirstOnOrAfterUnbounded(day);
    if (!found || !WithinEnd(*found)) return std::nullopt;
    return static_cast<RecurrenceDay>(*found);
}

std::optional<RecurrenceDay> RecurrenceDates::Next(RecurrenceDay day) const
{
    if (!valid_) return std::nullopt;
    auto found = FirstOnOrAfterUnbounded(std::int64_t{day} + 1);  // no overflow at the type's end
    if (!found || !WithinEnd(*found)) return std::nullopt;
    return static_cast<RecurrenceDay>(*found);
}

std::optional<RecurrenceDay> RecurrenceDates::LastOnOrBefore(RecurrenceDay day) const
{
    if (!valid_) return std::nullopt;
    auto found = LastOnOrBeforeUnbounded(std::min<std::int64_t>(day, endDay_));
    if (!found) return std::nullopt;
    return static_cast<RecurrenceDay>(*found);
}

bool RecurrenceDates::IsOccurrence(RecurrenceDay day) const { return FirstOnOrAfter(day) == day; }

std::optional<RecurrenceDay> RecurrenceDates::First() const
{
    return FirstOnOrAfter(static_cast<RecurrenceDay>(start_));
}

std::optional<RecurrenceDay> RecurrenceDates::Nth(std::int64_t n) const
{
    if (!valid_) return std::nullopt;
    auto found = NthUnbounded(n);
    if (!found || !WithinEnd(*found)) return std::nullopt;
    return static_cast<RecurrenceDay>(*found);
}

std::optional<RecurrenceDay> RecurrenceDates::Last() const
{
    if (!valid_ || rule_.end == RecurrenceEnd::kNoEnd) return std::nullopt;
    return LastOnOrBefore(static_cast<RecurrenceDay>(endDay_));
}

std::int64_t RecurrenceDates::CountThrough(RecurrenceDay day) const
{
    if (!valid_) return 0;
    return CountThroughUnbounded(std::min<std::int64_t>(day, endDay_));
}

}  // namespace platform
