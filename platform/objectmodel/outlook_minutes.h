// Date conversions of the object model's items: OLE dates (local, days since
// 30 December 1899) against the store's FILETIMEs, the recurrence blob's
// minutes since 1601 and its whole days.
//
// Items keep their times to the minute: every conversion rounds to the
// nearest minute, so that a start read back equals the start written.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/recurrence/recurrence_rule.h"
#include "platform/base/types.h"
#include "platform/time/variant_time.h"

namespace platform {

// Minutes since 1 January 1601 of an OLE date on the same wall clock;
// nothing for "no date" (kNoOleDate and later), NaN or a date the platform
// cannot convert.
std::optional<std::int64_t> OleDateToMinutes(DATE date);
// The OLE date of a minute count (the inverse of OleDateToMinutes).
DATE MinutesToOleDate(std::int64_t minutes);

// The FILETIME value of a minute count, and the minute count of a FILETIME
// value (rounded).
constexpr std::uint64_t MinutesToFileTimeValue(std::int64_t minutes)
{
    return static_cast<std::uint64_t>(minutes) * 600'000'000ull;
}
constexpr std::int64_t FileTimeValueToMinutes(std::uint64_t value)
{
    return static_cast<std::int64_t>((value + 300'000'000ull) / 600'000'000ull);
}

// Device-local minutes to UTC minutes and back, with the device zone's
// offset in force at that moment (daylight saving included).
std::int64_t DeviceLocalToUtcMinutes(std::int64_t local);
std::int64_t UtcToDeviceLocalMinutes(std::int64_t utc);

// The whole day of an OLE date as a recurrence day, and back (midnight).
RecurrenceDay OleDateToRecurrenceDay(DATE date);
DATE RecurrenceDayToOleDate(RecurrenceDay day);

// Today on the device's clock, as a whole OLE date.
DATE TodayOleDate();

}  // namespace platform
