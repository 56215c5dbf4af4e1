// The transition rules of a TIME_ZONE_INFORMATION record (its StandardDate
// and DaylightDate) and their evaluation: the one place that checks a rule
// and finds the day it falls on in a year, for the device zone, the suite's
// zone conversions and an appointment's own zone alike.
//
// A rule has one of two forms, told apart by wYear:
//  - relative (wYear 0): the wDay-th wDayOfWeek (0 = Sunday) of wMonth in
//    every year, wDay 1..4, or 5 for the last one of the month;
//  - absolute (wYear set): the calendar day wMonth/wDay, applied in every
//    year (the year itself only marks the form), so the day must exist in
//    every year: up to the month's length in a common year (28 for February).
// Either takes effect at wHour:wMinute:wSecond.wMilliseconds of the wall
// clock in force before the transition.
#pragma once

#include <cstdint>

#include "platform/time/civil_calendar.h"
#include "platform/time/time_zone.h"

namespace platform {

// ---- Checks ----

// A relative rule: month 1..12, day of week 0..6, occurrence 1..5, and a
// time of day.
bool IsValidRelativeZoneRule(const SYSTEMTIME& rule);
// An absolute rule: month 1..12, a day that the month has in every year, and
// a time of day.
bool IsValidAbsoluteZoneRule(const SYSTEMTIME& rule);
// The check of the rule's own form.
bool IsValidZoneRule(const SYSTEMTIME& rule);

// Bias, StandardBias and DaylightBias all within a day (-1440..1440 minutes);
// larger offsets are no zone's, only a damaged record's.
bool HasValidZoneBiases(const TIME_ZONE_INFORMATION& zone);

// ---- Evaluation ----

// The date on which rule falls in year. Meant for valid rules; fields out of
// range are brought into it (month into 1..12, day of week modulo 7, an
// occurrence below 1 as 1 and above 5 as the last, an absolute day past the
// month's end as its last day), so any record evaluates without failing.
civil::Date ZoneTransitionDate(std::int64_t year, const SYSTEMTIME& rule);

// Whether `at` lies in daylight time, given the year's transition into
// daylight time and the one back into standard time, all three counted in
// one unit. Daylight time runs from the first up to the second; when the
// standard transition comes first in the year (southern zones), daylight
// time spans the turn of the year instead.
constexpr bool InDaylightPeriod(std::int64_t at, std::int64_t toDaylight, std::int64_t toStandard)
{
    if (toDaylight < toStandard) return at >= toDaylight && at < toStandard;
    return at >= toDaylight || at < toStandard;
}

}  // namespace platform
