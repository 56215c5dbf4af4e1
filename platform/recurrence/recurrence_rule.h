// The object model's view of a recurrence pattern, and its conversion to and
// from the stored pattern blob.
//
// Dates are whole days counted from 1 January 1601 (day 0, a Monday), the
// blob's own origin: a blob date is the day times 1440 minutes.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/base/types.h"

namespace platform {

// Days since 1 January 1601.
using RecurrenceDay = std::int32_t;

// The first and last day a rule may use: 1 January 1601 and 31 December 4500
// (the day of the no-end marker).
constexpr RecurrenceDay kRecurrenceFirstDay = 0;
constexpr RecurrenceDay kRecurrenceLastDay = static_cast<RecurrenceDay>(kRecurNoEndDate / 1440);

// The recurrence kinds, numbered as the object model numbers them.
constexpr int kRecursDaily = 0;     // every `interval` days; mask 62 = every weekday
constexpr int kRecursWeekly = 1;    // the mask's weekdays every `interval` weeks
constexpr int kRecursMonthly = 2;   // day `dayOfMonth` every `interval` months
constexpr int kRecursMonthNth = 3;  // the `instance`th mask day every `interval` months
constexpr int kRecursYearly = 5;    // day `dayOfMonth` of `monthOfYear`
constexpr int kRecursYearNth = 6;   // the `instance`th mask day of `monthOfYear`

// Weekday masks with a meaning of their own (bit 0 Sunday .. bit 6 Saturday).
constexpr int kRecurMaskWeekdays = 62;  // Monday to Friday
constexpr int kRecurMaskWeekend = 65;   // Saturday and Sunday
constexpr int kRecurMaskAllDays = 127;

// The longest occurrence: 100 years of minutes, so that the end offset fits
// every 32-bit reader.
constexpr int kRecurMaxDurationMinutes = 100 * 366 * 1440;

enum class RecurrenceEnd {
    kNoEnd,
    kAfterOccurrences,  // `occurrences` times
    kByDate,            // up to and including `patternEndDay`
};

struct RecurrenceRule {
    int type = kRecursDaily;
    int interval = 1;  // 1..998; 1 for every-weekday and yearly kinds
    int dayOfWeekMask =
        0;                // weekly: any non-empty mask; month-nth and year-nth: one day, 62, 65 or 127; daily: 0 or 62
    int dayOfMonth = 0;   // monthly and yearly: 1..31, clamped to the month's last day
    int instance = 0;     // month-nth and year-nth: 1..4, 5 = last
    int monthOfYear = 0;  // yearly and year-nth: 1..12
    RecurrenceDay patternStartDay = 0;  // no occurrence before this day
    int startMinute = 0;                // 0..1439, start of each occurrence
    int durationMinutes = 0;            // 0..kRecurMaxDurationMinutes, length of each occurrence
    RecurrenceEnd end = RecurrenceEnd::kNoEnd;
    int occurrences = 0;              // kAfterOccurrences: 1..999
    RecurrenceDay patternEndDay = 0;  // kByDate: patternStartDay..kRecurrenceLastDay
    int firstDayOfWeek = 0;           // 0 Sunday .. 6 Saturday; weekly patterns count weeks from it

    bool operator==(const RecurrenceRule&) const = default;
};

// The field that makes a rule invalid (the first one checked), or kNone.
enum class RecurrenceRuleField {
    kNone,
    kType,
    kInterval,
    kDayOfWeekMask,
    kDayOfMonth,
    kInstance,
    kMonthOfYear,
    kPatternStartDay,
    kStartMinute,
    kDuration,
    kEnd,
    kOccurrences,
    kPatternEndDay,
    kFirstDayOfWeek,
};

RecurrenceRuleField ValidateRecurrenceRule(const RecurrenceRule& rule);

// The blob of a valid rule, without deleted or changed occurrences; nullopt
// for an invalid rule. FirstDateTime, Period, EndType, OccurrenceCount and
// EndDate follow the published Outlook rules: EndDate is the end day for
// kByDate, the day of the last occurrence for kAfterOccurrences and
// kRecurNoEndDate without end; OccurrenceCount is the number of occurrences
// for both kinds of end and 10 without end; StartDate is the day of the first
// occurrence (the rule's start day when there is none). A rule whose count-ended last
// occurrence would fall after kRecurrenceLastDay gives nullopt as well.
std::optional<RecurrencePatternBlob> BuildRecurrencePatternBlob(const RecurrenceRule& rule);

// The rule a blob describes (its deleted and changed occurrences aside), for
// reopening a stored item; nullopt when the pattern is not an accepted pair
// or its fields do not make a valid rule. Yearly blobs take their month from
// FirstDateTime.
std::optional<RecurrenceRule> RecurrenceRuleFromBlob(const RecurrencePatternBlob& blob);

// The month (1..12) that a yearly FirstDateTime (minutes from the start of a
// year to the first of the month) stands for, read with the thresholds that
// readers of the blob use.
int RecurrenceMonthFromFirstDateTime(DWORD firstDateTime);

}  // namespace platform
