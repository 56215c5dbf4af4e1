// Built-in libraries by name, and "citydb.dll"'s zones against ICU's transitions.
#include <gtest/gtest.h>

#include <unicode/basictz.h>
#include <unicode/gregocal.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>

#include <memory>
#include <set>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/modules/city_db.h"
#include "platform/modules/libraries.h"
#include "platform/modules/string_resources.h"
#include "platform/time/clock.h"
#include "platform/time/zone_description.h"
#include "tests/support/last_error_check.h"

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

std::string ShowRule(const SYSTEMTIME& r)
{
    return "m" + std::to_string(r.wMonth) + " dow" + std::to_string(r.wDayOfWeek) + " n" + std::to_string(r.wDay) +
           " " + std::to_string(r.wHour) + ":" + std::to_string(r.wMinute);
}

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
    EXPECT_EQ(eastern->lGMTOffset, -300);
    EXPECT_EQ(eastern->tzi.DaylightBias, -60);  // the rules themselves are checked against ICU below
    EXPECT_EQ(eastern->id, platform::CityDbZoneId(u"Eastern Standard Time"));
    const CITYDB_TIME_ZONE* india = db.Find("India Standard Time");
    ASSERT_NE(india, nullptr);
    EXPECT_EQ(india->lGMTOffset, 330);
    EXPECT_EQ(india->tzi.StandardDate.wMonth, 0);

    CityDb again;  // a second user shares the loaded list
    EXPECT_EQ(again.zones, db.zones);
    platform::ClearPinnedNow();
}

// Each zone's rules give the days and wall-clock times of ICU's next two transitions.
TEST(CityDb, RulesReproduceIcuTransitions)
{
    ASSERT_TRUE(platform::SetPinnedNow(SYSTEMTIME{2025, 6, 0, 15, 12, 0, 0, 0}));
    CityDb db;
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar wall(icu::TimeZone::getGMT()->clone(), status);
    int checked = 0;
    for (const auto& [zone, id] : db.zones) {
        if (zone->tzi.StandardDate.wMonth == 0) continue;
        std::unique_ptr<icu::TimeZone> icuZone(icu::TimeZone::createTimeZone(icu::UnicodeString(zone->szTzdbName)));
        auto* basic = dynamic_cast<icu::BasicTimeZone*>(icuZone.get());
        ASSERT_NE(basic, nullptr);
        icu::TimeZoneTransition tr;
        UDate base = platform::FileTimeToUDate(platform::CurrentFileTime());
        for (int n = 0; n < 2 && basic->getNextTransition(base, false, tr); ++n, ++checked) {
            base = tr.getTime();
            const SYSTEMTIME& rule = tr.getTo()->getDSTSavings() != 0 ? zone->tzi.DaylightDate : zone->tzi.StandardDate;
            SCOPED_TRACE(Narrow(zone->szStandardName) + " " + ShowRule(rule));
            wall.setTime(tr.getTime() + tr.getFrom()->getRawOffset() + tr.getFrom()->getDSTSavings(), status);
            const int dom = wall.get(UCAL_DATE, status);
            EXPECT_EQ(wall.get(UCAL_MONTH, status) + 1, rule.wMonth);
            EXPECT_EQ(wall.get(UCAL_DAY_OF_WEEK, status) - 1, rule.wDayOfWeek);
            EXPECT_EQ(wall.get(UCAL_HOUR_OF_DAY, status), rule.wHour);
            EXPECT_EQ(wall.get(UCAL_MINUTE, status), rule.wMinute);
            if (rule.wDay == 5)
                EXPECT_GT(dom + 7, wall.getActualMaximum(UCAL_DATE, status));
            else
                EXPECT_EQ((dom + 6) / 7, rule.wDay);
            EXPECT_EQ(tr.getFrom()->getRawOffset() / 60'000, -zone->tzi.Bias);
        }
    }
    EXPECT_TRUE(U_SUCCESS(status));
    EXPECT_GT(checked, 40);
    platform::ClearPinnedNow();
}
