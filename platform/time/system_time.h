// Broken-down time (SYSTEMTIME) and its conversion to and from FILETIME, the
// 64-bit count of 100-nanosecond units since 1 January 1601.
//
// Both conversions use integer arithmetic only, over the proleptic Gregorian
// calendar, with the platform's limits: a SYSTEMTIME converts when its year is
// 1601..30827 and every field is in range; a FILETIME converts when it is
// below 2^63.
#pragma once

#include <cstdint>

#include "platform/base/export.h"
#include "platform/base/types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;      // 1 = January
    WORD wDayOfWeek;  // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
using PSYSTEMTIME = SYSTEMTIME*;
using LPSYSTEMTIME = SYSTEMTIME*;

// 100-nanosecond units per second, minute and day.
constexpr std::int64_t kFileTimeUnitsPerSecond = 10'000'000;
constexpr std::int64_t kFileTimeUnitsPerMinute = 60 * kFileTimeUnitsPerSecond;
constexpr std::int64_t kFileTimeUnitsPerDay = 1440 * kFileTimeUnitsPerMinute;
// The FILETIME value of 1 January 1970 00:00 UTC.
constexpr std::int64_t kFileTimeUnitsOf1970 = 116'444'736'000'000'000;

// Fails (FALSE, ERROR_INVALID_PARAMETER) unless year is 1601..30827, month
// 1..12, day within the month, hour < 24, minute < 60, second < 60 and
// milliseconds < 1000. wDayOfWeek is ignored.
KSTOOLS_API BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft);

// Fills every field, the day of the week included. Fails (FALSE,
// ERROR_INVALID_PARAMETER) for values of 2^63 and above.
KSTOOLS_API BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st);

// -1, 0 or 1 as a is earlier than, equal to or later than b (unsigned 64-bit
// order).
KSTOOLS_API LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

namespace platform {

constexpr std::uint64_t FileTimeValue(const FILETIME& ft)
{
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

constexpr FILETIME MakeFileTime(std::uint64_t value)
{
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

}  // namespace platform
