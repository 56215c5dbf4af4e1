#include "foundation/time_zone_rules.h"

#include <cstdint>

#include "foundation/calendar_math.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/zone_rules.h"

namespace {

std::uint64_t FileTimeOf(const SYSTEMTIME& date)
{
    FILETIME ft{};
    SystemTimeToFileTime(&date, &ft);
    return platform::FileTimeValue(ft);
}

SYSTEMTIME Shifted(const SYSTEMTIME& date, LONG minutes)
{
    SYSTEMTIME out = date;
    SystemTimeIncrement(&out, static_cast<LONGLONG>(minutes) * kFileTimeUnitsPerMinute);
    return out;
}

// The day number of the transition of rule in year (an absolute rule's month
// and day, in that year).
std::int64_t TransitionDay(WORD year, const SYSTEMTIME& rule)
{
    const platform::civil::Date date = platform::ZoneTransitionDate(year, rule);
    return platform::civil::DaysFromCivil(date.year, date.month, date.day);
}

}  // namespace

void ConvertToAbsolute(WORD year, const SYSTEMTIME* rule, SYSTEMTIME* out)
{
    *out = *rule;
    if (rule->wYear != 0) return;
    out->wYear = year;
    out->wDay = static_cast<WORD>(platform::ZoneTransitionDate(year, *rule).day);
}

BOOL LocalGreaterThanTransition(const SYSTEMTIME* time, const SYSTEMTIME* rule)
{
    if (time->wMonth != rule->wMonth) return time->wMonth > rule->wMonth ? TRUE : FALSE;
    SYSTEMTIME transition = *rule;
    if (rule->wYear == 0) ConvertToAbsolute(time->wYear, rule, &transition);
    return FileTimeOf(*time) > FileTimeOf(transition) ? TRUE : FALSE;
}

int GetDayOffsets(WORD year, WORD month, WORD day, const TIME_ZONE_INFORMATION* zone, LONG* startOffset,
                  LONG* endOffset, BOOL* inDST)
{
    LONG start = zone->Bias;
    LONG end = zone->Bias + 1440;
    BOOL dst = FALSE;
    // A rule with a year describes that year only: in any other year neither
    // transition happens and standard time holds all year.
    const bool otherYear = (zone->DaylightDate.wYear != 0 && zone->DaylightDate.wYear != year) ||
                           (zone->StandardDate.wYear != 0 && zone->StandardDate.wYear != year);
    if (zone->StandardDate.wMonth != 0 && otherYear) {
        start += zone->StandardBias;
        end += zone->StandardBias;
    } else if (zone->StandardDate.wMonth != 0) {
        // Both transitions at 00:00 of their day.
        const std::int64_t toDaylight = TransitionDay(year, zone->DaylightDate);
        const std::int64_t toStandard = TransitionDay(year, zone->StandardDate);
        const std::int64_t at = platform::civil::DaysFromCivil(year, month, day);
        if (at == toDaylight) {
            start += zone->StandardBias;
            end += zone->DaylightBias;
            dst = TRUE;
        } else if (at == toStandard) {
            start += zone->DaylightBias;
            end += zone->StandardBias;
        } else {
            dst = platform::InDaylightPeriod(at, toDaylight, toStandard) ? TRUE : FALSE;
            LONG bias = dst ? zone->DaylightBias : zone->StandardBias;
            start += bias;
            end += bias;
        }
    }
    if (startOffset) *startOffset = start;
    if (endOffset) *endOffset = end;
    if (inDST) *inDST = dst;
    return 1;
}

BOOL IsInDST(WORD year, WORD month, WORD day, const TIME_ZONE_INFORMATION* zone)
{
    BOOL dst = FALSE;
    GetDayOffsets(year, month, day, zone, nullptr, nullptr, &dst);
    return dst;
}

BOOL CeTzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local, BOOL isDST,
                                       SYSTEMTIME* utc)
{
    LONG bias = zone->Bias + (isDST ? zone->DaylightBias : zone->StandardBias);
    *utc = *local;
    return SystemTimeIncrement(utc, static_cast<LONGLONG>(bias) * kFileTimeUnitsPerMinute);
}

BOOL CeSystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* utc, SYSTEMTIME* local,
                                       BOOL* isDST)
{
    BOOL dst = FALSE;
    SYSTEMTIME l = Shifted(*utc, -zone->Bias);
    if (zone->StandardDate.wMonth == 0) {
        *local = l;
    } else {
        SYSTEMTIME l2 = Shifted(l, -zone->DaylightBias);
        const SYSTEMTIME& toDaylight = zone->DaylightDate;
        const SYSTEMTIME& toStandard = zone->StandardDate;
        if (toDaylight.wMonth < toStandard.wMonth) {
            dst = l2.wMonth >= l.wMonth && LocalGreaterThanTransition(&l, &toDaylight) &&
                  !LocalGreaterThanTransition(&l2, &toStandard);
        } else if (toStandard.wMonth < toDaylight.wMonth) {
            dst = !LocalGreaterThanTransition(&l2, &toStandard) || LocalGreaterThanTransition(&l, &toDaylight);
        }
        *local = dst ? Shifted(l, -zone->DaylightBias) : Shifted(l, -zone->StandardBias);
    }
    if (isDST) *isDST = dst;
    return 1;
}
