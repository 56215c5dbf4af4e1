// "citydb.dll", the platform's list of time zones, reached through
// LoadLibraryW and GetProcAddress by its export names.
//
// The list holds one record per Windows time zone, built from ICU's mapping
// of Windows zones: each Windows zone is represented by the tz database zone
// ICU names for it ("Eastern Standard Time" by America/New_York), with the
// rules in force now (the pinned clock counts) as the system's time-zone
// database has them (platform/time/system_zone.h).
// Records are ordered by their standard UTC offset, west to east, then by
// display name.
//
// Exports (the types below give their signatures):
//   "InitCityDb"                    BOOL ()     always TRUE
//   "UninitCityDb"                  void ()
//   "ClockLoadAllTimeZoneData"      BOOL ()     builds the list (loads are counted)
//   "ClockFreeAllTimeZoneData"      void ()     the last one frees the list
//   "ClockGetNumTimezones"          int ()      0 while the list is not loaded
//   "ClockGetTimeZoneDataByOffset"  const CITYDB_TIME_ZONE* (int index, int* id)
//       the record at index 0 .. count - 1 and, when id is not null, its zone
//       id; null (id untouched) for any other index
#pragma once

#include <string_view>
#include <vector>

#include "platform/modules/libraries.h"
#include "platform/time/time_zone.h"

// One zone of the list. Its strings stay valid until the last
// ClockFreeAllTimeZoneData.
struct CITYDB_TIME_ZONE {
    LPCWSTR szDisplayName;      // "(GMT-05:00) Eastern Time (New York)"
    LPCWSTR szStandardName;     // the Windows zone name: "Eastern Standard Time"
    LPCWSTR szDaylightName;     // "Eastern Daylight Time" (as the standard name when the zone has none)
    LONG lGMTOffset;            // minutes east of UTC in standard time: -300 for Eastern (= -tzi.Bias)
    TIME_ZONE_INFORMATION tzi;  // the current rules, as GetTimeZoneInformation would give them
    LPCWSTR szTzdbName;         // the tz database zone behind the record: "America/New_York"
    int id;                     // as ClockGetTimeZoneDataByOffset's id
};

using PFN_InitCityDb = BOOL (*)();
using PFN_UninitCityDb = void (*)();
using PFN_ClockLoadAllTimeZoneData = BOOL (*)();
using PFN_ClockFreeAllTimeZoneData = void (*)();
using PFN_ClockGetNumTimezones = int (*)();
using PFN_ClockGetTimeZoneDataByOffset = const CITYDB_TIME_ZONE* (*)(int index, int* id);

namespace platform {

// The zone id of a Windows zone name: a positive number derived from the
// name alone (a 31-bit FNV-1a hash), so it stays the same whatever the order
// or number of zones and across versions of the zone data.
int CityDbZoneId(std::u16string_view windowsName);

// The library's export table, for the library registry.
std::vector<LibraryExport> CityDbExports();

}  // namespace platform
