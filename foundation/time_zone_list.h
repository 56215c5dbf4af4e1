// The platform's list of time zones, read from the zone library "citydb.dll".
#pragma once

#include "platform/base/types.h"

// One zone: new copies of the library record's three names (display name,
// standard name, daylight name), its fourth field (the standard offset in
// minutes east of UTC) and its zone id.
struct TZData {
    WCHAR* szDisplayName;
    WCHAR* szStandardName;
    WCHAR* szDaylightName;
    LONG lGMTOffset;
    int id;
};

// A new array of *count zones, owned by the caller (free it with
// FreeAllTimeZones). Null with *count 0 when the library or its entry points
// cannot be found.
TZData* GetAllTimeZones(int* count);
void FreeAllTimeZones(TZData* zones, int count);
