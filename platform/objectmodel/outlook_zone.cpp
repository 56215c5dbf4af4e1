#include "platform/objectmodel/outlook_zone.h"

#include <cstring>

#include "platform/recurrence/recurrence_dates.h"

namespace platform {

namespace {

void PutLong(std::vector<BYTE>& out, size_t at, LONG value)
{
    const DWORD v = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(v >> (8 * i));
}

LONG GetLong(const std::vector<BYTE>& in, size_t at)
{
    DWORD v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<DWORD>(in[at + i]) << (8 * i);
    return static_cast<LONG>(v);
}

void PutSystemTime(std::vector<BYTE>& out, size_t at, const SYSTEMTIME& st)
{
    const WORD fields[8] = {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                            st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
    for (int i = 0; i < 8; ++i) {
        out[at + 2 * i] = static_cast<BYTE>(fields[i]);
        out[at + 2 * i + 1] = static_cast<BYTE>(fields[i] >> 8);
    }
}

SYSTEMTIME GetSystemTime(const std::vector<BYTE>& in, size_t at)
{
    WORD fields[8];
    for (int i = 0; i < 8; ++i) fields[i] = static_cast<WORD>(in[at + 2 * i] | (in[at + 2 * i + 1] << 8));
    return SYSTEMTIME{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
}

bool HasDaylightTime(const TIME_ZONE_INFORMATION& zone)
{
    return zone.StandardDate.wMonth != 0 && zone.DaylightDate.wMonth != 0;
}

// The wall-clock minute of the year's transition by `rule`.
std::int64_t TransitionMinute(int year, const SYSTEMTIME& rule)
{
    RecurrenceDay day;
    if (rule.wYear != 0) {
        day = RecurrenceDayFromDate(year, rule.wMonth, rule.wDay);
    } else {
        day = RecurrenceNthDayOfMonth(year, rule.wMonth, 1 << rule.wDayOfWeek, rule.wDay);
    }
    return static_cast<std::int64_t>(day) * 1440 + rule.wHour * 60 + rule.wMinute;
}

// Whether the standard-time wall clock `standardLocal` lies in daylight time.
bool InDaylightTime(const TIME_ZONE_INFORMATION& zone, std::int64_t standardLocal)
{
    if (!HasDaylightTime(zone) || !IsValidOutlookZone(zone)) return false;
    const int year = RecurrenceDateFromDay(static_cast<RecurrenceDay>(standardLocal / 1440)).year;
    const std::int64_t toDaylight = TransitionMinute(year, zone.DaylightDate);
    // The standard transition is given on the daylight clock.
    const std::int64_t toStandard =
        TransitionMinute(year, zone.StandardDate) + (std::int64_t{zone.DaylightBias} - zone.StandardBias);
    if (toDaylight < toStandard) return standardLocal >= toDaylight && standardLocal < toStandard;
    return standardLocal >= toDaylight || standardLocal < toStandard;
}

bool ValidRule(const SYSTEMTIME& rule)
{
    if (rule.wMonth < 1 || rule.wMonth > 12 || rule.wHour > 23 || rule.wMinute > 59) return false;
    if (rule.wYear != 0) return rule.wDay >= 1 && rule.wDay <= 28;
    return rule.wDay >= 1 && rule.wDay <= 5 && rule.wDayOfWeek <= 6;
}

}  // namespace

std::vector<BYTE> EncodeOutlookZoneBlob(const TIME_ZONE_INFORMATION& zone)
{
    std::vector<BYTE> out(kOutlookZoneBlobSize, 0);
    PutLong(out, 0, zone.Bias);
    PutLong(out, 4, zone.StandardBias);
    PutLong(out, 8, zone.DaylightBias);
    PutSystemTime(out, 14, zone.StandardDate);
    PutSystemTime(out, 32, zone.DaylightDate);
    return out;
}

std::optional<TIME_ZONE_INFORMATION> DecodeOutlookZoneBlob(const std::vector<BYTE>& blob)
{
    if (blob.size() != kOutlookZoneBlobSize) return std::nullopt;
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = GetLong(blob, 0);
    zone.StandardBias = GetLong(blob, 4);
    zone.DaylightBias = GetLong(blob, 8);
    zone.StandardDate = GetSystemTime(blob, 14);
    zone.DaylightDate = GetSystemTime(blob, 32);
    return zone;
}

bool IsValidOutlookZone(const TIME_ZONE_INFORMATION& zone)
{
    // Offsets beyond a day are no zone's; a damaged blob can hold any value.
    for (LONG bias : {zone.Bias, zone.StandardBias, zone.DaylightBias}) {
        if (bias < -24 * 60 || bias > 24 * 60) return false;
    }
    if (zone.StandardDate.wMonth == 0) return true;
    return ValidRule(zone.StandardDate) && ValidRule(zone.DaylightDate);
}

std::int64_t ZoneLocalToUtcMinutes(const TIME_ZONE_INFORMATION& zone, std::int64_t local)
{
    const std::int64_t standardBias = zone.Bias + zone.StandardBias;
    const std::int64_t daylightBias = zone.Bias + zone.DaylightBias;
    // Read the wall clock as daylight time: its standard-clock time decides.
    // A time that the spring transition skips is read with the standard
    // offset; one that occurs twice in the autumn at its first occurrence.
    const bool daylight = InDaylightTime(zone, local + zone.DaylightBias - std::int64_t{zone.StandardBias});
    return local + (daylight ? daylightBias : standardBias);
}

std::int64_t UtcToZoneLocalMinutes(const TIME_ZONE_INFORMATION& zone, std::int64_t utc)
{
    const std::int64_t standardLocal = utc - zone.Bias - zone.StandardBias;
    if (InDaylightTime(zone, standardLocal)) return utc - zone.Bias - zone.DaylightBias;
    return standardLocal;
}

}  // namespace platform
