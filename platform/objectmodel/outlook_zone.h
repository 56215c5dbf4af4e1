// An appointment's own time zone: the 48-byte zone blob of its record
// (property 0x00010041) and the conversions between UTC and the zone's wall
// clock.
//
// Blob layout (little-endian): Bias at 0, StandardBias at 4, DaylightBias at
// 8 (LONG minutes, UTC = local + bias), StandardDate at 14 and DaylightDate
// at 32 (SYSTEMTIME, eight WORDs each); bytes 12-13 and 30-31 are 0. The
// zone's names are not kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/time/time_zone.h"
#include "platform/base/types.h"

namespace platform {

constexpr size_t kOutlookZoneBlobSize = 48;

std::vector<BYTE> EncodeOutlookZoneBlob(const TIME_ZONE_INFORMATION& zone);
// Nothing for a blob of another size.
std::optional<TIME_ZONE_INFORMATION> DecodeOutlookZoneBlob(const std::vector<BYTE>& blob);

// True when the zone's transition rules are usable: no daylight time
// (StandardDate.wMonth 0), or both dates with a month 1..12, a day 1..5 (or
// a calendar day for a rule with a year), a day of week 0..6 and a time of
// day.
bool IsValidOutlookZone(const TIME_ZONE_INFORMATION& zone);

// Wall-clock minutes (since 1601) of the zone to UTC minutes, and back.
// Daylight time holds from the daylight transition up to the standard one
// (in either order of the two in the year).
std::int64_t ZoneLocalToUtcMinutes(const TIME_ZONE_INFORMATION& zone, std::int64_t local);
std::int64_t UtcToZoneLocalMinutes(const TIME_ZONE_INFORMATION& zone, std::int64_t utc);

}  // namespace platform
