#include "foundation/time_zone_rules.h"

#include <cstdint>

#include "foundation/calendar_math.h"

namespace {

std::uint64_t FileTimeOf(const SYSTEMTIME& date)
{
    FILETIME ft{};
    SystemTimeToFileTime(&date, &ft);
    return platform::FileTimeValue(ft);
}

// Day of the week (0 = Sunday) of the first of a month.
int FirstWeekday(WORD year, WORD month)
{
    SYSTEMTIME first{};
    first.wYear = year;
    first.wMonth = month;
    first.wDay = 1;
    FILETIME ft{};
    SYSTEMTIME back{};
    if (!SystemTimeToFileTime(&first, &ft) || !FileTimeToSystemTime(&ft, &back)) return 0;
    return back.wDayOfWeek;
}

SYSTEMTIME Shifted(const SYSTEMTIME& date, LONG minutes)
{
    SYSTEMTIME out = date;
    SystemTimeIncrement(&out, static_cast<LONGLONG>(minutes) * kFileTimeUnitsPerMinute);
    return out;
}

// The transition of rule in year, at 00:00 of its day.
SYSTEMTIME TransitionDay(WORD year, const SYSTEMTIME& rule)
{
    SYSTEMTIME day{};
    ConvertToAbsolute(year, &rule, &day);
    day.wYear = year;
    day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
    return day;
}

bool SameDay(const SYSTEMTIME& a, WORD year, WORD month, WORD day)
{
    return a.wYear == year && a.wMonth == month && a.wDay == day;
}

}  // namespace

void ConvertToAbsolute(WORD year, const SYSTEMTIME* rule, SYSTEMTIME* out)
{
    *out = *rule;
    if (rule->wYear != 0) return;
    out->wYear = year;
    int occurrence = rule->wDay;
    int day = ((rule->wDayOfWeek - FirstWeekday(year, rule->wMonth) + 7) % 7) + 1 + 7 * (occurrence - 1);
    if (day > dayspermonth(rule->wMonth, year)) day -= 7;
    out->wDay = static_cast<WORD>(day);
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
    if (zone->StandardDate.wMonth != 0) {
        SYSTEMTIME daylight = TransitionDay(year, zone->DaylightDate);
        SYSTEMTIME standard = TransitionDay(year, zone->StandardDate);
        if (SameDay(daylight, year, month, day)) {
            start += zone->StandardBias;
            end += zone->DaylightBias;
            dst = TRUE;
        } else if (SameDay(standard, year, month, day)) {
            start += zone->DaylightBias;
            end += zone->StandardBias;
        } else {
            SYSTEMTIME date{};
            date.wYear = year;
            date.wMonth = month;
            date.wDay = day;
            std::uint64_t at = FileTimeOf(date);
            std::uint64_t toDaylight = FileTimeOf(daylight);
            std::uint64_t toStandard = FileTimeOf(standard);
            if (toDaylight < toStandard) {
                dst = at >= toDaylight && at < toStandard;
            } else {
                // Southern zones: daylight time spans the turn of the year.
                dst = !(at >= toStandard && at < toDaylight);
            }
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
    SYSTEMTIME l2 = Shifted(l, -zone->DaylightBias);
    if (zone->StandardDate.wMonth == 0) {
        *local = l;
    } else {
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
