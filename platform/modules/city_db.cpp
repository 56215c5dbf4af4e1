#include "platform/modules/city_db.h"

#include <unicode/locid.h>
#include <unicode/strenum.h>
#include <unicode/tznames.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <type_traits>

#include "platform/time/clock.h"
#include "platform/time/system_zone.h"
#include "platform/time/zone_description.h"

namespace {

std::u16string ToU16(const icu::UnicodeString& s)
{
    return std::u16string(s.getBuffer(), static_cast<size_t>(s.length()));
}

// A record and the strings it points into.
struct Entry {
    std::u16string displayName, standardName, daylightName, tzdbName;
    CITYDB_TIME_ZONE record{};
};

// "(GMT-05:00) Eastern Time (New York)": the standard offset, ICU's generic
// English name and the zone's example city. Zones ICU has no name for (the
// fixed-offset ones) show their Windows name instead.
std::u16string DisplayName(const icu::TimeZone& zone, const icu::TimeZoneNames* names, std::u16string_view windowsName,
                           LONG offsetMinutes)
{
    char prefix[32];
    const LONG magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(prefix, sizeof prefix, "(GMT%c%02d:%02d) ", offsetMinutes < 0 ? '-' : '+',
                  static_cast<int>(magnitude / 60), static_cast<int>(magnitude % 60));
    std::u16string text(prefix, prefix + std::char_traits<char>::length(prefix));

    icu::UnicodeString generic;
    zone.getDisplayName(false, icu::TimeZone::LONG_GENERIC, icu::Locale::getUS(), generic);
    if (generic.isBogus() || generic.startsWith(u"GMT")) {
        text += windowsName;
        return text;
    }
    text += ToU16(generic);
    icu::UnicodeString id, city;
    zone.getID(id);
    if (names) names->getExemplarLocationName(id, city);
    if (!city.isBogus() && !city.isEmpty()) text += u" (" + ToU16(city) + u")";
    return text;
}

// Every Windows zone name ICU maps a canonical zone to.
std::set<std::u16string> WindowsZoneNames()
{
    std::set<std::u16string> windowsNames;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::StringEnumeration> ids(
        icu::TimeZone::createTimeZoneIDEnumeration(UCAL_ZONE_TYPE_CANONICAL, nullptr, nullptr, status));
    if (U_FAILURE(status)) return windowsNames;
    while (const icu::UnicodeString* id = ids->snext(status)) {
        if (U_FAILURE(status)) break;
        icu::UnicodeString windowsId;
        UErrorCode mapStatus = U_ZERO_ERROR;
        icu::TimeZone::getWindowsID(*id, windowsId, mapStatus);
        if (U_SUCCESS(mapStatus) && !windowsId.isBogus() && !windowsId.isEmpty()) windowsNames.insert(ToU16(windowsId));
    }
    return windowsNames;
}

std::vector<std::unique_ptr<Entry>> BuildList()
{
    const UDate now = platform::FileTimeToUDate(platform::CurrentFileTime());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::TimeZoneNames> names(icu::TimeZoneNames::createInstance(icu::Locale::getUS(), status));
    if (U_FAILURE(status)) names.reset();

    std::vector<std::unique_ptr<Entry>> list;
    for (const std::u16string& windowsName : WindowsZoneNames()) {
        icu::UnicodeString tzdbName;
        status = U_ZERO_ERROR;
        const icu::UnicodeString windowsId(windowsName.data(), static_cast<int32_t>(windowsName.size()));
        icu::TimeZone::getIDForWindowsID(windowsId, "001", tzdbName, status);
        if (U_FAILURE(status) || tzdbName.isBogus() || tzdbName.isEmpty()) continue;
        std::unique_ptr<icu::BasicTimeZone> zone = platform::CurrentTimeZone(tzdbName);
        if (!zone) continue;
        auto entry = std::make_unique<Entry>();
        if (platform::DescribeTimeZone(*zone, now, &entry->record.tzi) == TIME_ZONE_ID_INVALID) continue;
        const platform::ZoneNames zoneNames = platform::NamesOf(*zone);
        entry->record.lGMTOffset = -entry->record.tzi.Bias;
        entry->displayName = DisplayName(*zone, names.get(), windowsName, entry->record.lGMTOffset);
        entry->standardName = zoneNames.standard;
        entry->daylightName = zoneNames.daylight;
        entry->tzdbName = ToU16(tzdbName);
        entry->record.id = platform::CityDbZoneId(windowsName);
        list.push_back(std::move(entry));
    }
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        if (a->record.lGMTOffset != b->record.lGMTOffset) return a->record.lGMTOffset < b->record.lGMTOffset;
        return a->displayName < b->displayName;
    });
    for (auto& entry : list) {
        entry->record.szDisplayName = entry->displayName.c_str();
        entry->record.szStandardName = entry->standardName.c_str();
        entry->record.szDaylightName = entry->daylightName.c_str();
        entry->record.szTzdbName = entry->tzdbName.c_str();
    }
    return list;
}

std::mutex g_mutex;
std::vector<std::unique_ptr<Entry>> g_list;
int g_loads = 0;

BOOL InitCityDb() { return TRUE; }

void UninitCityDb() {}

BOOL ClockLoadAllTimeZoneData()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_loads++ == 0) g_list = BuildList();
    return TRUE;
}

void ClockFreeAllTimeZoneData()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_loads > 0 && --g_loads == 0) g_list.clear();
}

int ClockGetNumTimezones()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_list.size());
}

const CITYDB_TIME_ZONE* ClockGetTimeZoneDataByOffset(int index, int* id)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (index < 0 || static_cast<size_t>(index) >= g_list.size()) return nullptr;
    const CITYDB_TIME_ZONE& record = g_list[static_cast<size_t>(index)]->record;
    if (id) *id = record.id;
    return &record;
}

}  // namespace

namespace platform {

int CityDbZoneId(std::u16string_view windowsName)
{
    std::uint32_t hash = 2166136261u;
    for (char16_t c : windowsName) {
        hash = (hash ^ (c & 0xFF)) * 16777619u;
        hash = (hash ^ (c >> 8)) * 16777619u;
    }
    return static_cast<int>(hash & 0x7FFFFFFFu);
}

std::vector<LibraryExport> CityDbExports()
{
    static_assert(std::is_same_v<decltype(&InitCityDb), PFN_InitCityDb>);
    static_assert(std::is_same_v<decltype(&UninitCityDb), PFN_UninitCityDb>);
    static_assert(std::is_same_v<decltype(&ClockLoadAllTimeZoneData), PFN_ClockLoadAllTimeZoneData>);
    static_assert(std::is_same_v<decltype(&ClockFreeAllTimeZoneData), PFN_ClockFreeAllTimeZoneData>);
    static_assert(std::is_same_v<decltype(&ClockGetNumTimezones), PFN_ClockGetNumTimezones>);
    static_assert(std::is_same_v<decltype(&ClockGetTimeZoneDataByOffset), PFN_ClockGetTimeZoneDataByOffset>);
    return {
        {"InitCityDb", AsFarProc(&InitCityDb)},
        {"UninitCityDb", AsFarProc(&UninitCityDb)},
        {"ClockLoadAllTimeZoneData", AsFarProc(&ClockLoadAllTimeZoneData)},
        {"ClockFreeAllTimeZoneData", AsFarProc(&ClockFreeAllTimeZoneData)},
        {"ClockGetNumTimezones", AsFarProc(&ClockGetNumTimezones)},
        {"ClockGetTimeZoneDataByOffset", AsFarProc(&ClockGetTimeZoneDataByOffset)},
    };
}

}  // namespace platform
