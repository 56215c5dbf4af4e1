// Time zones from the operating system's time-zone database (/usr/share/zoneinfo,
// which the system keeps current), as ICU zones: the device zone, the zone list
// and named zones take their rules from here, ICU their names and formats.
#pragma once

#include <unicode/basictz.h>

#include <memory>

namespace platform {

// The zone the system database holds under id (a tz database name, links
// included), as an ICU zone with that id: every offset change the database
// lists, then the yearly rule of its last years repeating (the database lists
// its yearly changes up to 2037). A period the database marks as daylight time
// has the standard offset of its neighbours and saves the difference; a
// "daylight" period below them (negative saving, as Ireland's winter is
// written) becomes standard time and its neighbours daylight time. Null when
// the database has no such zone.
std::unique_ptr<icu::BasicTimeZone> SystemTimeZone(const icu::UnicodeString& id);

// The zone ICU names id: from the system database where it has the zone, else
// with ICU's own (older) rules. Null for a name neither knows.
std::unique_ptr<icu::BasicTimeZone> CurrentTimeZone(const icu::UnicodeString& id);

}  // namespace platform
