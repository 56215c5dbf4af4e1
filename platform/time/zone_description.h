// TIME_ZONE_INFORMATION records made from ICU time zones, shared by the device
// zone and the zone list of "citydb.dll". The records' rules are written in
// the relative form of platform/time/zone_rules.h, which evaluates them.
#pragma once

#include <unicode/timezone.h>

#include <cstdint>
#include <string>

#include "platform/time/time_zone.h"

namespace platform {

// ICU's dates are milliseconds since 1970; FILETIME values count 100 ns from
// 1601.
inline UDate FileTimeToUDate(std::uint64_t ft)
{
    const std::int64_t units = static_cast<std::int64_t>(ft) - kFileTimeUnitsOf1970;
    return static_cast<double>(units / 10'000 - (units % 10'000 < 0 ? 1 : 0));  // whole milliseconds, rounded down
}
inline std::int64_t UDateToFileTime(UDate date)
{
    return static_cast<std::int64_t>(date) * 10'000 + kFileTimeUnitsOf1970;
}

// Fills tzi (names included) for zone as of the instant at and returns the
// TIME_ZONE_ID_* in force then; see GetTimeZoneInformation for the rules.
DWORD DescribeTimeZone(const icu::TimeZone& zone, UDate at, TIME_ZONE_INFORMATION* tzi);

// The Windows name of an ICU zone ("Eastern Standard Time"), empty when
// Windows has none for it.
std::u16string WindowsZoneName(const icu::TimeZone& zone);

// The standard and daylight names a zone's records carry: Windows' names
// ("Eastern Standard Time" / "Eastern Daylight Time", "Coordinated Universal
// Time" for UTC), or ICU's English long names for a zone Windows does not
// list.
struct ZoneNames {
    std::u16string standard;
    std::u16string daylight;
};
ZoneNames NamesOf(const icu::TimeZone& zone);

// Copies text into a 32-character name field, cut to 31 and terminated.
void CopyZoneName(std::u16string_view text, WCHAR (&field)[32]);

}  // namespace platform
