#include "platform/objectmodel/outlook_date.h"

#include <cmath>
#include <cstdint>

#include "platform/time/civil_calendar.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "platform/time/variant_time.h"

namespace {

// Days from 1 January 1601 (FILETIME 0) to 30 December 1899 (OLE date 0).
constexpr std::int64_t kOleEpochDays = platform::civil::kOleEpochDay - platform::civil::kFileTimeEpochDay;

// FILETIME values as signed counts: values of 2^63 and above are negative.
std::int64_t FileTimeValue(const FILETIME& time) { return static_cast<std::int64_t>(platform::FileTimeValue(time)); }
FILETIME MakeFileTime(std::int64_t value) { return platform::MakeFileTime(static_cast<std::uint64_t>(value)); }

}  // namespace

bool IsOutlookDateValid(DATE date)
{
    if (IsOutlookDateNone(date)) return true;
    return std::isfinite(date) && date >= kOutlookFirstDate && date < kOutlookEndDate;
}

std::optional<FILETIME> OutlookDateToFileTime(DATE date)
{
    // The broken-down form carries the platform's reading of negative dates.
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st)) return std::nullopt;
    FILETIME time;
    if (!SystemTimeToFileTime(&st, &time)) return std::nullopt;
    return time;
}

std::optional<DATE> OutlookDateFromFileTime(const FILETIME& time)
{
    const std::int64_t value = FileTimeValue(time);
    if (value < 0) return std::nullopt;
    // Whole seconds, as the object model keeps them.
    const std::int64_t seconds =
        value / kFileTimeUnitsPerSecond + (value % kFileTimeUnitsPerSecond >= kFileTimeUnitsPerSecond / 2 ? 1 : 0);
    const std::int64_t days = seconds / 86400 - kOleEpochDays;
    const std::int64_t secondOfDay = seconds % 86400;
    if (days > 2958465) return std::nullopt;
    return platform::OleDateFromParts(days, static_cast<double>(secondOfDay) / 86400.0);
}

std::optional<FILETIME> OutlookLocalDateToUtc(DATE date)
{
    const std::optional<FILETIME> local = OutlookDateToFileTime(date);
    if (!local) return std::nullopt;
    return MakeFileTime(
        static_cast<std::int64_t>(platform::LocalToUtc(static_cast<std::uint64_t>(FileTimeValue(*local)))));
}

std::optional<DATE> OutlookUtcToLocalDate(const FILETIME& utc)
{
    const std::int64_t value = FileTimeValue(utc);
    // Far beyond any OLE date; also keeps the offset from overflowing.
    if (value < 0 || value > (std::int64_t{1} << 62)) return std::nullopt;
    const std::int64_t offset = platform::LocalOffsetMinutesAt(static_cast<std::uint64_t>(value));
    const std::int64_t local = value + offset * kFileTimeUnitsPerMinute;
    if (local < 0) return std::nullopt;
    return OutlookDateFromFileTime(MakeFileTime(local));
}
