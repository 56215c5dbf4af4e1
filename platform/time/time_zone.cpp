#include "platform/time/time_zone.h"

#include <unicode/basictz.h>
#include <unicode/simpletz.h>

#include <memory>
#include <mutex>
#include <optional>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/time/clock.h"
#include "platform/time/system_zone.h"
#include "platform/time/zone_description.h"
#include "platform/time/zone_rules.h"

namespace {

using platform::FileTimeToUDate;

// The device zone. A zone set through SetTimeZoneInformation also keeps the
// record it was made from, which GetTimeZoneInformation hands back as is.
struct DeviceZone {
    std::shared_ptr<const icu::BasicTimeZone> zone;
    std::optional<TIME_ZONE_INFORMATION> setRecord;
};

std::mutex g_zoneMutex;
std::optional<DeviceZone> g_deviceZone;  // empty until first use or after a reset

// The process's zone: TZ, else /etc/localtime, else UTC.
DeviceZone HostZone()
{
    std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString id;
    if (host) host->getID(id);
    std::shared_ptr<const icu::BasicTimeZone> zone = platform::CurrentTimeZone(id);
    if (!zone) zone = platform::CurrentTimeZone(u"Etc/UTC");
    return DeviceZone{std::move(zone), std::nullopt};
}

DeviceZone CurrentZone()
{
    std::lock_guard<std::mutex> lock(g_zoneMutex);
    if (!g_deviceZone) g_deviceZone = HostZone();
    return *g_deviceZone;
}

// A tz database zone by name, or the zone Windows names so; a zone ICU does
// not know yet comes from the system database alone.
std::shared_ptr<const icu::BasicTimeZone> ZoneNamed(std::u16string_view id)
{
    const icu::UnicodeString name(id.data(), static_cast<int32_t>(id.size()));
    icu::UnicodeString canonical;
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone::getCanonicalID(name, canonical, status);
    if (U_FAILURE(status) || canonical.isBogus() || canonical == u"Etc/Unknown") {
        status = U_ZERO_ERROR;
        canonical.remove();
        icu::TimeZone::getIDForWindowsID(name, "001", canonical, status);
        if (U_FAILURE(status) || canonical.isEmpty() || canonical.isBogus()) return platform::SystemTimeZone(name);
    }
    return platform::CurrentTimeZone(canonical);
}

// ICU's form of a rule: the n-th weekday (5 = last becomes -1), or a fixed
// day of the month for an absolute date.
struct IcuRule {
    int8_t month, day, dayOfWeek;
    int32_t millis;
};
IcuRule ToIcuRule(const SYSTEMTIME& d)
{
    const int32_t millis = ((d.wHour * 60 + d.wMinute) * 60 + d.wSecond) * 1000 + d.wMilliseconds;
    if (d.wYear != 0) return IcuRule{static_cast<int8_t>(d.wMonth - 1), static_cast<int8_t>(d.wDay), 0, millis};
    return IcuRule{static_cast<int8_t>(d.wMonth - 1), static_cast<int8_t>(d.wDay == 5 ? -1 : d.wDay),
                   static_cast<int8_t>(d.wDayOfWeek + UCAL_SUNDAY), millis};
}

std::shared_ptr<const icu::BasicTimeZone> ZoneFromRecord(const TIME_ZONE_INFORMATION& tzi)
{
    const std::u16string_view name(tzi.StandardName, std::char_traits<char16_t>::length(tzi.StandardName));
    const icu::UnicodeString id(name.data(), static_cast<int32_t>(name.size()));
    const int32_t raw = -(tzi.Bias + tzi.StandardBias) * 60'000;
    const int32_t savings = (tzi.StandardBias - tzi.DaylightBias) * 60'000;
    if (tzi.StandardDate.wMonth == 0 || savings <= 0) return std::make_shared<icu::SimpleTimeZone>(raw, id);
    if (!platform::IsValidZoneRule(tzi.StandardDate) || !platform::IsValidZoneRule(tzi.DaylightDate)) return nullptr;
    const IcuRule start = ToIcuRule(tzi.DaylightDate);
    const IcuRule end = ToIcuRule(tzi.StandardDate);
    UErrorCode status = U_ZERO_ERROR;
    auto zone = std::make_shared<icu::SimpleTimeZone>(raw, id, start.month, start.day, start.dayOfWeek, start.millis,
                                                      icu::SimpleTimeZone::WALL_TIME, end.month, end.day, end.dayOfWeek,
                                                      end.millis, icu::SimpleTimeZone::WALL_TIME, savings, status);
    return U_SUCCESS(status) ? zone : nullptr;
}

BOOL Fail()
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// value + minutes, or nothing when that leaves 0 .. 2^63 - 1.
std::optional<std::uint64_t> Shifted(std::uint64_t value, std::int64_t minutes)
{
    if (value >= (std::uint64_t{1} << 63)) return std::nullopt;
    const auto signedValue = static_cast<std::int64_t>(value);
    const std::int64_t delta = minutes * kFileTimeUnitsPerMinute;
    if (delta < 0 ? signedValue < -delta : signedValue > INT64_MAX - delta) return std::nullopt;
    return static_cast<std::uint64_t>(signedValue + delta);
}

std::int32_t OffsetMinutesAt(const icu::TimeZone& zone, UDate utc)
{
    std::int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone.getOffset(utc, false, raw, dst, status);
    return U_SUCCESS(status) ? (raw + dst) / 60'000 : 0;
}

}  // namespace

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION tzi)
{
    if (!tzi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return TIME_ZONE_ID_INVALID;
    }
    const DeviceZone device = CurrentZone();
    const UDate now = FileTimeToUDate(platform::CurrentFileTime());
    TIME_ZONE_INFORMATION described;
    const DWORD id = platform::DescribeTimeZone(*device.zone, now, &described);
    if (!device.setRecord) {
        *tzi = described;
        return id;
    }
    *tzi = *device.setRecord;
    return tzi->StandardDate.wMonth == 0 ? TIME_ZONE_ID_UNKNOWN : id;
}

BOOL SetTimeZoneInformation(const TIME_ZONE_INFORMATION* tzi)
{
    if (!tzi) return Fail();
    std::shared_ptr<const icu::BasicTimeZone> zone = ZoneFromRecord(*tzi);
    if (!zone) return Fail();
    std::lock_guard<std::mutex> lock(g_zoneMutex);
    g_deviceZone = DeviceZone{std::move(zone), *tzi};
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local)
{
    if (!utc || !local) return Fail();
    const std::int32_t offset = platform::LocalOffsetMinutesAt(platform::CurrentFileTime());
    const std::optional<std::uint64_t> value = Shifted(platform::FileTimeValue(*utc), offset);
    if (!value) return Fail();
    *local = platform::MakeFileTime(*value);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc)
{
    if (!local || !utc) return Fail();
    const std::int32_t offset = platform::LocalOffsetMinutesAt(platform::CurrentFileTime());
    const std::optional<std::uint64_t> value = Shifted(platform::FileTimeValue(*local), -std::int64_t{offset});
    if (!value) return Fail();
    *utc = platform::MakeFileTime(*value);
    return TRUE;
}

namespace platform {

bool SetDeviceTimeZone(std::u16string_view id)
{
    std::shared_ptr<const icu::BasicTimeZone> zone = ZoneNamed(id);
    if (!zone) return false;
    std::lock_guard<std::mutex> lock(g_zoneMutex);
    g_deviceZone = DeviceZone{std::move(zone), std::nullopt};
    return true;
}

void ResetDeviceTimeZone()
{
    std::lock_guard<std::mutex> lock(g_zoneMutex);
    g_deviceZone.reset();
}

std::u16string DeviceTimeZoneId()
{
    icu::UnicodeString id;
    CurrentZone().zone->getID(id);
    return std::u16string(id.getBuffer(), static_cast<size_t>(id.length()));
}

std::int32_t LocalOffsetMinutesAt(std::uint64_t utc)
{
    return OffsetMinutesAt(*CurrentZone().zone, FileTimeToUDate(utc));
}

std::uint64_t LocalToUtc(std::uint64_t local)
{
    const DeviceZone device = CurrentZone();
    std::int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    device.zone->getOffsetFromLocal(FileTimeToUDate(local), UCAL_TZ_LOCAL_FORMER, UCAL_TZ_LOCAL_FORMER, raw, dst,
                                    status);
    const std::int64_t minutes = U_SUCCESS(status) ? (raw + dst) / 60'000 : 0;
    return Shifted(local, -minutes).value_or(local);
}

}  // namespace platform
