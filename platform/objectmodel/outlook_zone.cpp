#include "platform/objectmodel/outlook_zone.h"

#include "platform/recurrence/recurrence_dates.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/zone_rules.h"

namespace platform {

namespace {

// Little-endian fields; a byte past the end of the blob reads 0.
DWORD ByteAt(const BYTE* data, size_t size, size_t at) { return at < size ? data[at] : 0; }

WORD GetWord(const BYTE* data, size_t size, size_t at)
{
    return static_cast<WORD>(ByteAt(data, size, at) | (ByteAt(data, size, at + 1) << 8));
}

LONG GetLong(const BYTE* data, size_t size, size_t at)
{
    return static_cast<LONG>(GetWord(data, size, at) | (static_cast<DWORD>(GetWord(data, size, at + 2)) << 16));
}

SYSTEMTIME GetSystemTime(const BYTE* data, size_t size, size_t at)
{
    WORD fields[8];
    for (size_t i = 0; i < 8; ++i) fields[i] = GetWord(data, size, at + 2 * i);
    return SYSTEMTIME{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
}

void PutLong(std::vector<BYTE>& out, size_t at, LONG value)
{
    const DWORD v = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(v >> (8 * i));
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

bool HasDaylightTime(const TIME_ZONE_INFORMATION& zone)
{
    return zone.StandardDate.wMonth != 0 && zone.DaylightDate.wMonth != 0;
}

// The wall-clock minute of the year's transition by `rule`.
std::int64_t TransitionMinute(int year, const SYSTEMTIME& rule)
{
    const civil::Date date = ZoneTransitionDate(year, rule);
    const std::int64_t day = civil::DaysFromCivil(date.year, date.month, date.day) - civil::kFileTimeEpochDay;
    return day * 1440 + rule.wHour * 60 + rule.wMinute;
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
    return InDaylightPeriod(standardLocal, toDaylight, toStandard);
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

TIME_ZONE_INFORMATION ReadOutlookZoneBlob(const BYTE* data, size_t size)
{
    TIME_ZONE_INFORMATION zone{};
    if (!data) return zone;
    zone.Bias = GetLong(data, size, 0);
    zone.StandardBias = GetLong(data, size, 4);
    zone.DaylightBias = GetLong(data, size, 8);
    zone.StandardDate = GetSystemTime(data, size, 14);
    zone.DaylightDate = GetSystemTime(data, size, 32);
    return zone;
}

std::optional<TIME_ZONE_INFORMATION> DecodeOutlookZoneBlob(const std::vector<BYTE>& blob)
{
    if (blob.size() != kOutlookZoneBlobSize) return std::nullopt;
    return ReadOutlookZoneBlob(blob.data(), blob.size());
}

bool IsValidOutlookZone(const TIME_ZONE_INFORMATION& zone)
{
    // A damaged blob can hold any offset.
    if (!HasValidZoneBiases(zone)) return false;
    if (zone.StandardDate.wMonth == 0) return true;
    return IsValidZoneRule(zone.StandardDate) && IsValidZoneRule(zone.DaylightDate);
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
