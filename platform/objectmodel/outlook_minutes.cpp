#include "platform/objectmodel/outlook_minutes.h"

#include <cmath>

#include "platform/base/floor_div.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"

namespace platform {

namespace {
// Days from 1 January 1601 to 30 December 1899, the OLE dates' day 0.
constexpr std::int64_t kOleEpochDay = civil::kOleEpochDay - civil::kFileTimeEpochDay;
}  // namespace

std::optional<std::int64_t> OleDateToMinutes(DATE date)
{
    if (std::isnan(date) || date >= kNoOleDate) return std::nullopt;
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) return std::nullopt;
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft)) return std::nullopt;
    return FileTimeValueToMinutes(FileTimeValue(ft));
}

DATE MinutesToOleDate(std::int64_t minutes)
{
    const std::int64_t day = FloorDiv(minutes, 1440);
    const std::int64_t minuteOfDay = minutes - day * 1440;
    return OleDateFromParts(day - kOleEpochDay, static_cast<double>(minuteOfDay) / 1440.0);
}

std::int64_t DeviceLocalToUtcMinutes(std::int64_t local)
{
    return FileTimeValueToMinutes(LocalToUtc(MinutesToFileTimeValue(local)));
}

std::int64_t UtcToDeviceLocalMinutes(std::int64_t utc)
{
    return utc + LocalOffsetMinutesAt(MinutesToFileTimeValue(utc));
}

RecurrenceDay OleDateToRecurrenceDay(DATE date)
{
    const std::optional<std::int64_t> minutes = OleDateToMinutes(date);
    if (!minutes) return kRecurrenceLastDay;
    return static_cast<RecurrenceDay>(*minutes / 1440);
}

DATE RecurrenceDayToOleDate(RecurrenceDay day) { return MinutesToOleDate(static_cast<std::int64_t>(day) * 1440); }

DATE TodayOleDate()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    now.wHour = now.wMinute = now.wSecond = now.wMilliseconds = 0;
    DATE date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

}  // namespace platform
