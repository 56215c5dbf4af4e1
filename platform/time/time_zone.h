// The device's time zone: TIME_ZONE_INFORMATION, GetTimeZoneInformation and
// the conversions between UTC and local FILETIMEs.
//
// The device zone is the process's time zone as ICU finds it (the TZ
// environment variable, else /etc/localtime; UTC when neither names a known
// zone) until SetDeviceTimeZone or SetTimeZoneInformation replaces it. Named
// zones take their rules from the system's time-zone database
// (platform/time/system_zone.h), ICU's own only for a zone it lacks.
//
// Biases are minutes with UTC = local + Bias, the opposite sign of the usual
// UTC offset: New York has Bias 300 and DaylightBias -60.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/time/system_time.h"

struct TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};
using PTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;   // the zone has no daylight saving time
constexpr DWORD TIME_ZONE_ID_STANDARD = 1;  // standard time is in force now
constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;  // daylight saving time is in force now
constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFFu;

// Describes the device zone as of now (the pinned clock counts):
//  - Bias: minus the standard UTC offset; StandardBias 0; DaylightBias minus
//    the daylight saving in minutes.
//  - StandardDate / DaylightDate: the transitions into standard and into
//    daylight time as relative rules (wYear 0, wMonth, wDayOfWeek 0 = Sunday,
//    wDay = occurrence 1..5 where 5 is the last, wHour/wMinute = the local
//    wall-clock time just before the transition), taken from the zone's next
//    pair of transitions. A zone without daylight saving time has both dates
//    zeroed (StandardDate.wMonth 0) and returns TIME_ZONE_ID_UNKNOWN.
//  - StandardName / DaylightName: the zone's Windows name ("Eastern Standard
//    Time" / "Eastern Daylight Time", "W. Europe Standard Time"...), or ICU's
//    English long names for a zone Windows does not list.
// A record set with SetTimeZoneInformation is returned as it was set.
// TIME_ZONE_ID_INVALID (ERROR_INVALID_PARAMETER) for a null pointer.
KSTOOLS_API DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION tzi);

// Makes the zone described by tzi the device zone. Relative rules repeat
// every year; a rule with a year (an absolute date) is applied as that month
// and day in every year. FALSE (ERROR_INVALID_PARAMETER) for a null pointer or
// a rule that IsValidZoneRule (platform/time/zone_rules.h) refuses: an
// impossible month, occurrence, day of week or time, or an absolute day that
// not every year has.
KSTOOLS_API BOOL SetTimeZoneInformation(const TIME_ZONE_INFORMATION* tzi);

// local = utc - the bias in force now (not at the time being converted), as
// the platform does. FALSE (ERROR_INVALID_PARAMETER) when a pointer is null
// or the result would leave 0 .. 2^63 - 1.
KSTOOLS_API BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local);
// utc = local + the bias in force now.
KSTOOLS_API BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc);

namespace platform {

// Makes the named zone the device zone: a tz database name
// ("America/New_York", also one only the system database knows) or a Windows
// zone name ("Eastern Standard Time").
// Returns false, leaving the device zone unchanged, for an unknown name.
KSTOOLS_API bool SetDeviceTimeZone(std::u16string_view id);
// Goes back to the process's own zone, read again from TZ or /etc/localtime.
KSTOOLS_API void ResetDeviceTimeZone();
// The tz database name of the device zone; for a zone set through
// SetTimeZoneInformation, its standard name.
KSTOOLS_API std::u16string DeviceTimeZoneId();

// Minutes to add to UTC to get the device zone's wall-clock time at the UTC
// instant utc (a FILETIME value), daylight saving included.
KSTOOLS_API std::int32_t LocalOffsetMinutesAt(std::uint64_t utc);
// The UTC FILETIME value of a wall-clock time of the device zone (a FILETIME
// value counted like a UTC one). A time that occurs twice is taken at its
// first occurrence; a time skipped by a transition is read with the offset in
// force before it (02:30 on the spring-forward night in New York is 07:30 UTC).
KSTOOLS_API std::uint64_t LocalToUtc(std::uint64_t local);

}  // namespace platform
