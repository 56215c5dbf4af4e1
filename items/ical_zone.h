// Time zones of iCalendar files: a zone record (TIME_ZONE_INFORMATION, the
// form appointments keep their own zone in) written as a VTIMEZONE, and a
// VTIMEZONE or a zone name read back into one.
#pragma once

#include <libical/ical.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/types.h"
#include "platform/time/time_zone.h"

namespace ical {

// A name for a zone that has none: its offsets and transition rules.
std::string ZoneName(const TIME_ZONE_INFORMATION& zone);

// A new VTIMEZONE component (the caller owns it) named `tzid` with the
// zone's standard and daylight rules repeating every year from 1601.
icalcomponent* NewVTimezone(const TIME_ZONE_INFORMATION& zone, const std::string& tzid);

// The zone record of a VTIMEZONE whose latest standard and daylight
// observances repeat yearly on an nth weekday of a month (or that has no
// daylight time); nothing for one that does not fit such a record.
std::optional<TIME_ZONE_INFORMATION> ZoneFromVTimezone(icalcomponent* vtimezone);

// The zone record of a time-zone database name as of the UTC minute `at`;
// nothing for a name the database does not hold.
std::optional<TIME_ZONE_INFORMATION> ZoneFromDatabaseName(const std::string& name, std::int64_t at);

// True when both records convert every time the same way (names aside).
bool SameZoneRules(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b);

}  // namespace ical
