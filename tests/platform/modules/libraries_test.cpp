// Built-in libraries by name, and "citydb.dll"'s zones against the system's time-zone database.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/modules/city_db.h"
#include "platform/modules/libraries.h"
#include "platform/modules/string_resources.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/clock.h"
#include "platform/time/zone_rules.h"
#include "tests/support/child_process.h"
#include "tests/support/last_error_check.h"
#include "tests/support/test_dates.h"

namespace {

INT_PTR Answer() { return 42; }

std::string Narrow(const WCHAR* s)
{
    std::string out;
    for (; s && *s; ++s) out.push_back(static_cast<char>(*s));
    return out;
}

// The zone list as the date utilities fetch it: every function by name.
struct CityDb {
    HMODULE module = LoadLibraryW(u"citydb.dll");
    PFN_ClockGetTimeZoneDataByOffset get = nullptr;
    std::vector<std::pair<const CITYDB_TIME_ZONE*, int>> zones;

    CityDb()
    {
        auto init = reinterpret_cast<PFN_InitCityDb>(GetProcAddress(module, u"InitCityDb"));
        auto load = reinterpret_cast<PFN_ClockLoadAllTimeZoneData>(GetProcAddress(module, u"ClockLoadAllTimeZoneData"));
        auto count = reinterpret_cast<PFN_ClockGetNumTimezones>(GetProcAddress(module, u"ClockGetNumTimezones"));
        get =
            reinterpret_cast<PFN_ClockGetTimeZoneDataByOffset>(GetProcAddress(module, u"ClockGetTimeZoneDataByOffset"));
        if (!init || !load || !count || !get || !init() || !load()) return;
        for (int i = 0, n = count(); i < n; ++i) {
            int id = -1;
            zones.emplace_back(get(i, &id), id);
        }
    }
    ~CityDb()
    {
        reinterpret_cast<PFN_ClockFreeAllTimeZoneData>(GetProcAddress(module, "ClockFreeAllTimeZoneData"))();
        reinterpret_cast<PFN_UninitCityDb>(GetProcAddress(module, "UninitCityDb"))();
        FreeLibrary(module);
    }
    const CITYDB_TIME_ZONE* Find(std::string_view standardName) const
    {
        for (const auto& [zone, id] : zones)
            if (Narrow(zone->szStandardName) == standardName) return zone;
        return nullptr;
    }
};

}  // namespace

TEST(Libraries, LoadByNameCountLoadsFreeAndRegisteredLibraries)
{
    HMODULE module = LoadLibraryW(u"citydb.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryW(u"\\Windows\\CITYDB.DLL"), module);
    EXPECT_EQ(LoadLibraryW(u"CityDB"), module);  // ".dll" assumed
    EXPECT_EQ(GetModuleHandleW(u"citydb.dll"), module);
    EXPECT_NE(GetProcAddress(module, "InitCityDb"), nullptr);
    EXPECT_EQ(GetProcAddress(module, u"InitCityDb"), GetProcAddress(module, "InitCityDb"));

    EXPECT_TRUE(FAILS_WITH(GetProcAddress(module, "initcitydb"), nullptr,
                           ERROR_PROC_NOT_FOUND));                            // export names keep their case
    EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(1)), nullptr);  // ordinals are not supported
    EXPECT_EQ(GetProcAddress(module, u"Init\u00e7ityDb"), nullptr);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleW(u"citydb.dll"), module);  // one load left
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleW(u"citydb.dll"), nullptr);
    EXPECT_TRUE(FAILS_WITH(GetProcAddress(module, "InitCityDb"), nullptr, ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_FALSE(FreeLibrary(nullptr));

    EXPECT_TRUE(FAILS_WITH(LoadLibraryW(u"nosuch.dll"), nullptr, ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
    EXPECT_EQ(LoadLibraryW(u"\\Windows\\"), nullptr);
    ASSERT_TRUE(platform::RegisterLibrary(u"answer.dll", {{"Answer", platform::AsFarProc(&Answer)}}));
    EXPECT_FALSE(platform::RegisterLibrary(u"ANSWER", {}));
    EXPECT_FALSE(platform::RegisterLibrary(u"citydb.dll", {}));
    HMODULE answer = LoadLibraryW(u"Answer.dll");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(reinterpret_cast<INT_PTR (*)()>(GetProcAddress(answer, "Answer"))(), 42);
    EXPECT_FALSE(platform::UnregisterLibrary(u"answer.dll"));  // still loaded
    EXPECT_TRUE(FreeLibrary(answer));
    EXPECT_TRUE(platform::UnregisterLibrary(u"answer.dll"));
    EXPECT_EQ(LoadLibraryW(u"answer.dll"), nullptr);
    EXPECT_FALSE(platform::UnregisterLibrary(u"answer.dll"));

    // A resource library known only for its strings loads as itself.
    auto strings = reinterpret_cast<HINSTANCE>(0x7100);
    ASSERT_TRUE(RegisterStringModule(strings, "7\tseven\n", u"\\Windows\\KSTestRes.dll"));
    EXPECT_EQ(LoadLibraryW(u"kstestres.dll"), strings);
    EXPECT_TRUE(FreeLibrary(strings));
    WCHAR buf[8];
    EXPECT_EQ(LoadStringW(strings, 7, buf, 8), 5);  // freeing did not unregister it
    EXPECT_TRUE(UnregisterStringModule(strings));
}

TEST(CityDb, ListsEveryWindowsZoneWithCurrentRules)
{
    ASSERT_TRUE(platform::SetPinnedNow(SYSTEMTIME{2025, 6, 0, 15, 12, 0, 0, 0}));
    CityDb db;
    ASSERT_GT(db.zones.size(), 100u);
    std::set<int> ids;
    std::set<std::string> names;
    LONG previousOffset = -24 * 60;
    for (const auto& [zone, id] : db.zones) {
        const std::string name = Narrow(zone->szStandardName);
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_TRUE(ids.insert(id).second && id == zone->id && id >= 0) << name;
        EXPECT_EQ(Narrow(zone->szDisplayName).rfind("(GMT", 0), 0u) << Narrow(zone->szDisplayName);
        EXPECT_EQ(zone->lGMTOffset, -zone->tzi.Bias);
        EXPECT_GE(zone->lGMTOffset, previousOffset) << name;  // west to east
        previousOffset = zone->lGMTOffset;
        EXPECT_EQ(Narrow(zone->tzi.StandardName), name.substr(0, 31));
    }
    int id = 77;
    EXPECT_EQ(db.get(static_cast<int>(db.zones.size()), &id), nullptr);
    EXPECT_EQ(db.get(-1, &id), nullptr);
    EXPECT_EQ(id, 77);

    const CITYDB_TIME_ZONE* eastern = db.Find("Eastern Standard Time");
    ASSERT_NE(eastern, nullptr);
    EXPECT_EQ(Narrow(eastern->szDaylightName), "Eastern Daylight Time");
    EXPECT_EQ(Narrow(eastern->szTzdbName), "America/New_York");
    EXPECT_EQ(Narrow(eastern->szDisplayName), "(GMT-05:00) Eastern Time (New York)");
    EXPECT_EQ(eastern->id, platform::CityDbZoneId(u"Eastern Standard Time"));

    CityDb again;  // a second user shares the loaded list
    EXPECT_EQ(again.zones, db.zones);
    platform::ClearPinnedNow();
}

namespace {

// Python's zoneinfo, which reads the system's time-zone database: for each zone named, its offset at the
// start of 2026 and each change in 2026 as minute:offset (minutes from 2026-01-01T00:00 UTC, offsets east).
constexpr const char* kZoneinfo2026 = R"(
import sys, zoneinfo, datetime as dt
t0 = dt.datetime(2026, 1, 1, tzinfo=dt.timezone.utc)
for name in sys.argv[1:]:
    zone = zoneinfo.ZoneInfo(name)
    off = lambda m: int((t0 + dt.timedelta(minutes=m)).astimezone(zone).utcoffset().total_seconds()) // 60
    line = [name, str(off(0))]
    for m in range(0, 525600, 180):
        lo, hi = m, m + 180
        while off(lo) != off(hi) and hi - lo > 1:
            mid = (lo + hi) // 2
            lo, hi = (mid, hi) if off(mid) == off(lo) else (lo, mid)
        if off(lo) != off(hi) and hi < 525600: line.append(f"{hi}:{off(hi)}")
    print(" ".join(line))
)";

// The same line from a record's rules, each read on the wall clock in force before it.
std::string RecordLine(const CITYDB_TIME_ZONE& zone)
{
    const TIME_ZONE_INFORMATION& tzi = zone.tzi;
    const LONG standard = -(tzi.Bias + tzi.StandardBias), daylight = -(tzi.Bias + tzi.DaylightBias);
    const std::string line = Narrow(zone.szTzdbName) + " ";
    if (tzi.StandardDate.wMonth == 0) return line + std::to_string(standard);
    auto minute = [](const SYSTEMTIME& rule, LONG before) {
        const auto d = platform::ZoneTransitionDate(2026, rule);
        const std::int64_t day =
            platform::civil::DaysFromCivil(2026, d.month, d.day) - platform::civil::DaysFromCivil(2026, 1, 1);
        return std::to_string(day * 1440 + rule.wHour * 60 + rule.wMinute - before);
    };
    const std::string toDaylight = minute(tzi.DaylightDate, standard) + ":" + std::to_string(daylight);
    const std::string toStandard = minute(tzi.StandardDate, daylight) + ":" + std::to_string(standard);
    if (tzi.DaylightDate.wMonth < tzi.StandardDate.wMonth)
        return line + std::to_string(standard) + " " + toDaylight + " " + toStandard;
    return line + std::to_string(daylight) + " " + toStandard + " " + toDaylight;
}

// The line as the device zone sees it at the changes Python names: a change that comes early shows as "early".
std::string DeviceZoneLine(const std::string& expected)
{
    std::istringstream in(expected);
    std::string name, change;
    in >> name >> change;  // the offset at the start
    EXPECT_TRUE(platform::SetDeviceTimeZone(std::u16string(name.begin(), name.end()))) << name;
    const std::uint64_t start = kstest::FileTimeOf(SYSTEMTIME{2026, 1, 4, 1, 0, 0, 0, 0});
    auto offset = [&](long long minute) { return platform::LocalOffsetMinutesAt(start + minute * 600'000'000); };
    std::string line = name + " " + std::to_string(offset(0));
    while (in >> change) {
        const long long at = std::stoll(change.substr(0, change.find(':')));
        line.append(" ").append(std::to_string(at)).append(":");
        line += offset(at - 1) == offset(at) ? "early" : std::to_string(offset(at));
    }
    return line;
}

}  // namespace

// Every zone of the list, from its record and as the device zone, against the system's database.
TEST(CityDb, EveryZoneFollowsTheSystemDatabaseThrough2026)
{
    ASSERT_TRUE(platform::SetPinnedNow(SYSTEMTIME{2026, 1, 4, 1, 12, 0, 0, 0}));
    CityDb db;
    std::vector<std::string> argv = {KSTOOLS_PYTHON, "-c", kZoneinfo2026};
    for (const auto& [zone, id] : db.zones) argv.push_back(Narrow(zone->szTzdbName));
    const kstest::ChildResult python = kstest::RunChild(argv);
    ASSERT_EQ(python.exitCode, 0) << python.err;
    std::istringstream expected(python.out);
    std::string line;
    for (const auto& [zone, id] : db.zones) {
        ASSERT_TRUE(std::getline(expected, line));
        EXPECT_EQ(RecordLine(*zone), line) << "record";
        EXPECT_EQ(DeviceZoneLine(line), line) << "device zone";
    }
    for (const char* zone : {"America/Mexico_City -360\n", "America/Asuncion -180\n", "Africa/Cairo 120 "})
        EXPECT_NE(python.out.find(zone), std::string::npos) << zone;
    platform::ResetDeviceTimeZone();
    platform::ClearPinnedNow();
}
