// A time zone as the platform describes it (TIME_ZONE_INFORMATION), looked up
// by name for the date commands, and written out as text or JSON.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/time/time_zone.h"

namespace kstools {

struct ZoneRecord {
    std::string id;  // "America/New_York", "UTC"
    TIME_ZONE_INFORMATION tzi{};
    DWORD state = TIME_ZONE_ID_UNKNOWN;  // GetTimeZoneInformation's result: in force now

    bool HasDaylightTime() const { return tzi.StandardDate.wMonth != 0; }
};

// The device zone.
ZoneRecord DeviceZoneRecord();
// A zone by tz database name or Windows name, read by making it the device
// zone for a moment; the device zone is put back before returning. Nothing
// for a name the zone data does not know.
std::optional<ZoneRecord> NamedZoneRecord(const std::string& name);
// UTC itself: bias 0, no daylight time.
ZoneRecord UtcZoneRecord();

// "UTC-05:00" for an offset of -300 minutes east of UTC.
std::string UtcOffsetText(long minutesEast);
// A transition rule in words: "2nd Sunday of March at 02:00", "last Sunday of
// October at 03:00", an absolute date as "2024-03-10 at 02:00"; "none" for an
// empty rule (wMonth 0).
std::string RuleText(const SYSTEMTIME& rule);

// One "label: value" line per field.
std::string ZoneText(const ZoneRecord& zone);
// The fields under the structure's own names, each rule with its text.
nlohmann::ordered_json ZoneJson(const ZoneRecord& zone);

}  // namespace kstools
