// The occurrence days of a recurrence rule.
//
// A rule's occurrences come in periods: a block of `interval` days, a block of
// `interval` weeks starting on the rule's first day of the week, every
// `interval`-th month, or every year, counted from the period that holds the
// pattern start. Each period holds the same number of candidate days (one,
// or the weekly mask's day count); candidates before the pattern start and
// after the rule's end are not occurrences. Every lookup is arithmetic on the
// period index, so none of them walks through the days.
//
// Monthly day 29..31 falls on the month's last day in shorter months (a
// yearly 29 February on 28 February in common years); instance 5 is the last
// matching day of the month; the month-nth masks 62, 65 and 127 pick the nth
// working day, weekend day or day.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/recurrence/recurrence_rule.h"

namespace platform {

struct RecurrenceCivilDate {
    int year;
    int month;  // 1..12
    int day;    // 1..31

    bool operator==(const RecurrenceCivilDate&) const = default;
};

// Day numbers of the proleptic Gregorian calendar, counted from 1 January 1601.
RecurrenceDay RecurrenceDayFromDate(int year, int month, int day);
RecurrenceCivilDate RecurrenceDateFromDay(RecurrenceDay day);
// 0 Sunday .. 6 Saturday.
int RecurrenceDayOfWeek(RecurrenceDay day);
// 0 for a month outside 1..12.
int RecurrenceDaysInMonth(int year, int month);

// The day of the `instance`th (1..4; 5 = last) day of year/month whose
// weekday is in `mask` (bit 0 Sunday); the first of the month for an empty
// mask or a month outside 1..12.
RecurrenceDay RecurrenceNthDayOfMonth(int year, int month, int mask, int instance);

class RecurrenceDates {
public:
    // An invalid rule (ValidateRecurrenceRule) gives an object without
    // occurrences: IsValid() is false and every lookup finds nothing.
    explicit RecurrenceDates(const RecurrenceRule& rule);

    bool IsValid() const { return valid_; }

    // The first occurrence on or after `day`, within the pattern's start
    // and end.
    std::optional<RecurrenceDay> FirstOnOrAfter(RecurrenceDay day) const;
    // The first occurrence after `day`.
    std::optional<RecurrenceDay> Next(RecurrenceDay day) const;
    // The last occurrence on or before `day`.
    std::optional<RecurrenceDay> LastOnOrBefore(RecurrenceDay day) const;
    bool IsOccurrence(RecurrenceDay day) const;

    std::optional<RecurrenceDay> First() const;
    // The nth occurrence (1-based); nothing past the rule's end.
    std::optional<RecurrenceDay> Nth(std::int64_t n) const;
    // The last occurrence of a count- or date-ended rule; nothing for a rule
    // without end or a date-ended rule whose range holds no occurrence.
    std::optional<RecurrenceDay> Last() const;
    // The number of occurrences up to and including `day`.
    std::int64_t CountThrough(RecurrenceDay day) const;

private:
    // Candidate days of period k, in order; returns how many (<= 7).
    int Candidates(std::int64_t k, std::int64_t* days) const;
    // The first day of period k (candidates of k are on or after it and
    // before the first day of k + 1).
    std::int64_t PeriodStart(std::int64_t k) const;
    // The period that holds `day` (may be negative).
    std::int64_t PeriodOf(std::int64_t day) const;
    // The nth occurrence ignoring the rule's end.
    std::optional<std::int64_t> NthUnbounded(std::int64_t n) const;
    std::int64_t CountThroughUnbounded(std::int64_t day) const;
    std::optional<std::int64_t> FirstOnOrAfterUnbounded(std::int64_t day) const;
    std::optional<std::int64_t> LastOnOrBeforeUnbounded(std::int64_t day) const;
    bool WithinEnd(std::int64_t day) const;

    RecurrenceRule rule_;
    bool valid_ = false;
    int kind_ = 0;                  // kRecurs* kind, every weekday folded into weekly
    std::int64_t start_ = 0;        // pattern start day
    std::int64_t stepDays_ = 1;     // daily and weekly: days per period
    std::int64_t origin_ = 0;       // daily: start; weekly: first day of the start's week
    std::int64_t monthOrigin_ = 0;  // monthly and yearly: year * 12 + month - 1 of period 0
    int mask_ = 0;
    int perPeriod_ = 1;         // candidates in every period
    int firstPeriodCount_ = 0;  // candidates of period 0 on or after the start
    std::int64_t endDay_ = 0;   // last day an occurrence may fall on
};

}  // namespace platform
