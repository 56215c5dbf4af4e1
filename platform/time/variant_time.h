// OLE automation dates (DATE): days since 30 December 1899 as a double, the
// fraction being the time of day.
//
// Dates before 30 December 1899 are negative and keep the time of day positive
// in magnitude: the whole part counts the day backwards and the fraction is
// added away from zero. -1.25 is 29 December 1899 06:00, while -0.25 is
// 30 December 1899 06:00 again (its whole part is day 0). The valid range is
// 1 January 100 (-657434.0) to 31 December 9999 (2958465.0).
#pragma once

#include <cstdint>

#include "platform/base/export.h"
#include "platform/time/system_time.h"

using DATE = double;

// The OLE date of st; TRUE on success. Milliseconds and wDayOfWeek are
// ignored. Out-of-range fields are carried over the way the platform's
// conversion rolls them, which date arithmetic relies on ("31 February" is
// 3 March in a non-leap year; day 0 is the last day of the previous month;
// month 0 is December of the previous year; hours, minutes and seconds are
// read as signed 16-bit counts and carried into the day, so hour 25 is 01:00
// of the next day). Like the platform, it refuses:
//  - a month above 12 or a day above 31;
//  - a year with the top bit set (negative as a signed 16-bit value) or above
//    9999; years 0..29 mean 2000..2029 and 30..99 mean 1930..1999;
//  - a result outside 1 January 100 .. 31 December 9999.
KSTOOLS_API INT SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* date);

// The broken-down form of date, rounded to the nearest second (milliseconds
// are 0), with the day of the week filled in. FALSE
// for NaN or dates outside the valid range, including a time that would round
// up into 1 January 10000.
KSTOOLS_API INT VariantTimeToSystemTime(DATE date, LPSYSTEMTIME st);

// FileTimeToSystemTime and then SystemTimeToVariantTime in one step, without
// the broken-down form in between: the same date (milliseconds dropped) and
// the same refusals (a FILETIME with the top bit set, a year above 9999).
KSTOOLS_API INT FileTimeToVariantTime(const FILETIME* ft, DATE* date);

namespace platform {

// The OLE date of a whole day (days since 30 December 1899) and a time of day
// (a fraction 0 <= fraction < 1), with the fraction away from zero before
// day 0 as described above.
constexpr DATE OleDateFromParts(std::int64_t day, double fraction)
{
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

}  // namespace platform
