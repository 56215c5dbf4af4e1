#include "tools/kstools/zone_record.h"

#include <cstdio>
#include <cstdlib>

#include "platform/text/utf8.h"
#include "tools/kstools/date_argument.h"

namespace kstools {
namespace {

constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kOccurrences[] = {"1st", "2nd", "3rd", "4th", "last"};

// Makes another zone the device zone for as long as it lives, then puts the
// previous one back (the process's own zone when that was in force).
class DeviceZoneSwitch {
public:
    DeviceZoneSwitch() : previous_(platform::DeviceTimeZoneId()) {}
    ~DeviceZoneSwitch()
    {
        platform::ResetDeviceTimeZone();
        if (platform::DeviceTimeZoneId() != previous_) platform::SetDeviceTimeZone(previous_);
    }
    DeviceZoneSwitch(const DeviceZoneSwitch&) = delete;
    DeviceZoneSwitch& operator=(const DeviceZoneSwitch&) = delete;

    bool To(const std::string& name) { return platform::SetDeviceTimeZone(Utf8ToWide(name)); }

private:
    std::u16string previous_;
};

std::string ClockText(const SYSTEMTIME& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u", time.wHour, time.wMinute);
    return text;
}

// A name field of the record, which need not hold a terminator when full.
std::string NameText(const WCHAR (&name)[32])
{
    std::u16string_view text(name, 32);
    return WideToUtf8(text.substr(0, text.find(u'\0')));
}

nlohmann::ordered_json RuleJson(const SYSTEMTIME& rule)
{
    return {{"wYear", rule.wYear},     {"wMonth", rule.wMonth}, {"wDayOfWeek", rule.wDayOfWeek},
            {"wDay", rule.wDay},       {"wHour", rule.wHour},   {"wMinute", rule.wMinute},
            {"wSecond", rule.wSecond}, {"text", RuleText(rule)}};
}

}  // namespace

ZoneRecord DeviceZoneRecord()
{
    ZoneRecord zone;
    zone.id = WideToUtf8(platform::DeviceTimeZoneId());
    zone.state = GetTimeZoneInformation(&zone.tzi);
    return zone;
}

std::optional<ZoneRecord> NamedZoneRecord(const std::string& name)
{
    DeviceZoneSwitch zoneSwitch;
    if (name.empty() || !zoneSwitch.To(name)) return std::nullopt;
    return DeviceZoneRecord();
}

ZoneRecord UtcZoneRecord()
{
    ZoneRecord zone;
    zone.id = "UTC";
    const std::u16string name = u"Coordinated Universal Time";
    name.copy(zone.tzi.StandardName, name.size());
    name.copy(zone.tzi.DaylightName, name.size());
    return zone;
}

std::string UtcOffsetText(long minutesEast)
{
    char text[32];
    long magnitude = std::labs(minutesEast);
    std::snprintf(text, sizeof text, "UTC%c%02ld:%02ld", minutesEast < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::string RuleText(const SYSTEMTIME& rule)
{
    if (rule.wMonth == 0) return "none";
    if (rule.wMonth > 12) return "invalid rule (month " + std::to_string(rule.wMonth) + ")";
    if (rule.wYear != 0) return FormatIsoDate(rule) + " at " + ClockText(rule);
    if (rule.wDay < 1 || rule.wDay > 5 || rule.wDayOfWeek > 6) {
        return "invalid rule (occurrence " + std::to_string(rule.wDay) + ", day of week " +
               std::to_string(rule.wDayOfWeek) + ")";
    }
    return std::string(kOccurrences[rule.wDay - 1]) + " " + kWeekdays[rule.wDayOfWeek] + " of " +
           kMonths[rule.wMonth - 1] + " at " + ClockText(rule);
}

std::string ZoneText(const ZoneRecord& zone)
{
    const TIME_ZONE_INFORMATION& tzi = zone.tzi;
    std::string text;
    auto line = [&text](const char* label, const std::string& value) {
        text += std::string(label) + ": " + value + "\n";
    };
    line("zone", zone.id);
    line("bias", std::to_string(tzi.Bias) + " (" + UtcOffsetText(-static_cast<long>(tzi.Bias)) + ")");
    line("standard name", NameText(tzi.StandardName));
    line("standard bias", std::to_string(tzi.StandardBias));
    line("standard time from", RuleText(tzi.StandardDate));
    line("daylight name", NameText(tzi.DaylightName));
    line("daylight bias", std::to_string(tzi.DaylightBias));
    line("daylight time from", RuleText(tzi.DaylightDate));
    const char* now = zone.state == TIME_ZONE_ID_DAYLIGHT   ? "daylight time"
                      : zone.state == TIME_ZONE_ID_STANDARD ? "standard time"
                                                            : "no daylight saving time";
    line("now", now);
    return text;
}

nlohmann::ordered_json ZoneJson(const ZoneRecord& zone)
{
    const TIME_ZONE_INFORMATION& tzi = zone.tzi;
    return {{"zone", zone.id},
            {"Bias", tzi.Bias},
            {"StandardName", NameText(tzi.StandardName)},
            {"StandardDate", RuleJson(tzi.StandardDate)},
            {"StandardBias", tzi.StandardBias},
            {"DaylightName", NameText(tzi.DaylightName)},
            {"DaylightDate", RuleJson(tzi.DaylightDate)},
            {"DaylightBias", tzi.DaylightBias},
            {"daylightNow", zone.state == TIME_ZONE_ID_DAYLIGHT}};
}

}  // namespace kstools
