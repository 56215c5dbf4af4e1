#include "tools/kstools/sample/sample_time_zones.h"

#include <array>
#include <string_view>

namespace kstools {
namespace {

// A transition "the week-th weekday of month at hour" (week 5: the last).
SYSTEMTIME Rule(int month, int weekday, int week, int hour)
{
    SYSTEMTIME st{};
    st.wMonth = static_cast<WORD>(month);
    st.wDayOfWeek = static_cast<WORD>(weekday);
    st.wDay = static_cast<WORD>(week);
    st.wHour = static_cast<WORD>(hour);
    return st;
}

void CopyName(WCHAR (&target)[32], std::u16string_view name) { name.substr(0, 31).copy(target, 31); }

TIME_ZONE_INFORMATION Zone(LONG bias, std::u16string_view standard, SYSTEMTIME standardDate,
                           std::u16string_view daylight, SYSTEMTIME daylightDate, LONG daylightBias)
{
    TIME_ZONE_INFORMATION tzi{};
    tzi.Bias = bias;
    CopyName(tzi.StandardName, standard);
    tzi.StandardDate = standardDate;
    CopyName(tzi.DaylightName, daylight);
    tzi.DaylightDate = daylightDate;
    tzi.DaylightBias = daylightBias;
    return tzi;
}

const std::array<TIME_ZONE_INFORMATION, 4>& Zones()
{
    static const std::array<TIME_ZONE_INFORMATION, 4> zones = {
        Zone(300, u"Eastern Standard Time", Rule(11, 0, 1, 2), u"Eastern Daylight Time", Rule(3, 0, 2, 2), -60),
        Zone(0, u"GMT Standard Time", Rule(10, 0, 5, 2), u"GMT Daylight Time", Rule(3, 0, 5, 1), -60),
        Zone(-540, u"Tokyo Standard Time", SYSTEMTIME{}, u"Tokyo Daylight Time", SYSTEMTIME{}, 0),
        Zone(-600, u"AUS Eastern Standard Time", Rule(4, 0, 1, 3), u"AUS Eastern Daylight Time", Rule(10, 0, 1, 2),
             -60),
    };
    return zones;
}

}  // namespace

std::span<const TIME_ZONE_INFORMATION> SampleTimeZones::All() { return Zones(); }

}  // namespace kstools
