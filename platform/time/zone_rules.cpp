#include "platform/time/zone_rules.h"

#include <algorithm>
#include <initializer_list>

namespace platform {
namespace {

bool IsTimeOfDay(const SYSTEMTIME& rule)
{
    return rule.wHour <= 23 && rule.wMinute <= 59 && rule.wSecond <= 59 && rule.wMilliseconds <= 999;
}

constexpr LONG kMaxBias = 24 * 60;

}  // namespace

bool IsValidRelativeZoneRule(const SYSTEMTIME& rule)
{
    return rule.wYear == 0 && rule.wMonth >= 1 && rule.wMonth <= 12 && rule.wDayOfWeek <= 6 && rule.wDay >= 1 &&
           rule.wDay <= 5 && IsTimeOfDay(rule);
}

bool IsValidAbsoluteZoneRule(const SYSTEMTIME& rule)
{
    return rule.wYear != 0 && rule.wMonth >= 1 && rule.wMonth <= 12 && rule.wDay >= 1 &&
           rule.wDay <= civil::DaysInMonthOf(rule.wMonth, false) && IsTimeOfDay(rule);
}

bool IsValidZoneRule(const SYSTEMTIME& rule)
{
    return rule.wYear == 0 ? IsValidRelativeZoneRule(rule) : IsValidAbsoluteZoneRule(rule);
}

bool HasValidZoneBiases(const TIME_ZONE_INFORMATION& zone)
{
    for (LONG bias : {zone.Bias, zone.StandardBias, zone.DaylightBias}) {
        if (bias < -kMaxBias || bias > kMaxBias) return false;
    }
    return true;
}

civil::Date ZoneTransitionDate(std::int64_t year, const SYSTEMTIME& rule)
{
    const int month = std::clamp<int>(rule.wMonth, 1, 12);
    const int length = civil::DaysInMonth(year, month);
    if (rule.wYear != 0) return civil::Date{year, month, std::clamp<int>(rule.wDay, 1, length)};
    return civil::Date{year, month, civil::NthWeekdayOfMonth(year, month, rule.wDayOfWeek % 7, rule.wDay)};
}

}  // namespace platform
