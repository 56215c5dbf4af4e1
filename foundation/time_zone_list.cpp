#include "foundation/time_zone_list.h"

#include <cstdlib>

#include "platform/modules/city_db.h"
#include "platform/modules/libraries.h"
#include "platform/text/wide_string.h"

namespace {

template <class Fn>
Fn Entry(HMODULE library, const char* name)
{
    // The library's table maps each export name to a function of its own type.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddressA(library, name)));
}

}  // namespace

TZData* GetAllTimeZones(int* count)
{
    if (count) *count = 0;
    HMODULE library = LoadLibraryW(u"citydb.dll");
    if (!library) return nullptr;
    auto init = Entry<PFN_InitCityDb>(library, "InitCityDb");
    auto uninit = Entry<PFN_UninitCityDb>(library, "UninitCityDb");
    auto load = Entry<PFN_ClockLoadAllTimeZoneData>(library, "ClockLoadAllTimeZoneData");
    auto free = Entry<PFN_ClockFreeAllTimeZoneData>(library, "ClockFreeAllTimeZoneData");
    auto number = Entry<PFN_ClockGetNumTimezones>(library, "ClockGetNumTimezones");
    auto get = Entry<PFN_ClockGetTimeZoneDataByOffset>(library, "ClockGetTimeZoneDataByOffset");
    if (!init || !uninit || !load || !free || !number || !get) {
        FreeLibrary(library);
        return nullptr;
    }
    init();
    load();
    int total = number();
    TZData* zones = total > 0 ? new TZData[static_cast<size_t>(total)]() : nullptr;
    int filled = 0;
    for (int i = 0; i < total; ++i) {
        int id = 0;
        const CITYDB_TIME_ZONE* record = get(i, &id);
        if (!record) continue;
        TZData& zone = zones[filled++];
        zone.szDisplayName = _wcsdup(record->szDisplayName ? record->szDisplayName : u"");
        zone.szStandardName = _wcsdup(record->szStandardName ? record->szStandardName : u"");
        zone.szDaylightName = _wcsdup(record->szDaylightName ? record->szDaylightName : u"");
        zone.lGMTOffset = record->lGMTOffset;
        zone.id = id;
    }
    free();
    uninit();
    FreeLibrary(library);
    if (count) *count = filled;
    return zones;
}

void FreeAllTimeZones(TZData* zones, int count)
{
    if (!zones) return;
    for (int i = 0; i < count; ++i) {
        std::free(zones[i].szDisplayName);
        std::free(zones[i].szStandardName);
        std::free(zones[i].szDaylightName);
    }
    delete[] zones;
}
