// An appointment's own time zone: the 48-byte zone blob of its record
// (kAppointmentTimeZone) and the conversions between UTC and the zone's wall
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

#include "platform/base/types.h"
#include "platform/time/time_zone.h"

namespace platform {

constexpr size_t kOutlookZoneBlobSize = 48;

std::vector<BYTE> EncodeOutlookZoneBlob(const TIME_ZONE_INFORMATION& zone);
// The one reader of the blob: its fields at their offsets, whatever its size;
// a field past the end of a short blob reads 0 (the calendar loader's
// tolerant reading of damaged records builds on this). Names stay empty.
TIME_ZONE_INFORMATION ReadOutlookZoneBlob(const BYTE* data, size_t size);
// Nothing for a blob of another size.
std::optional<TIME_ZONE_INFORMATION> DecodeOutlookZoneBlob(const std::vector<BYTE>& blob);

// True when the zone is usable: its offsets within a day, and no daylight
// time (StandardDate.wMonth 0) or two valid transition rules
// (platform/time/zone_rules.h).
bool IsValidOutlookZone(const TIME_ZONE_INFORMATION& zone);

// Wall-clock minutes (since 1601) of the zone to UTC minutes, and back.
// Daylight time holds from the daylight transition up to the standard one
// (in either order of the two in the year).
std::int64_t ZoneLocalToUtcMinutes(const TIME_ZONE_INFORMATION& zone, std::int64_t local);
std::int64_t UtcToZoneLocalMinutes(const TIME_ZONE_INFORMATION& zone, std::int64_t utc);

}  // namespace platform
