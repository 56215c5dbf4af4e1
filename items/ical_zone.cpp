#include "items/ical_zone.h"

#include <cstdio>
#include <vector>

#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/text/utf8.h"
#include "platform/time/system_zone.h"
#include "platform/time/zone_description.h"
#include "platform/time/zone_rules.h"

namespace ical {
namespace {

constexpr const char* kDayNames[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::string Offset(int minutes)
{
    char text[16];
    const int magnitude = minutes < 0 ? -minutes : minutes;
    std::snprintf(text, sizeof text, "%c%02d%02d", minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::string RuleText(const SYSTEMTIME& rule)
{
    char text[48];
    std::snprintf(text, sizeof text, "M%u.%u.%u/%02u:%02u", rule.wMonth, rule.wDay, rule.wDayOfWeek, rule.wHour,
                  rule.wMinute);
    return text;
}

bool HasDaylight(const TIME_ZONE_INFORMATION& zone) { return zone.StandardDate.wMonth != 0; }

// One observance: from `from` to `to` minutes east of UTC, on the rule's day
// every year from 1601 (or once, in 1601, without a rule).
icalcomponent* Observance(icalcomponent_kind kind, const SYSTEMTIME* rule, int from, int to)
{
    icalcomponent* c = icalcomponent_new(kind);
    icaltimetype start = icaltime_null_time();
    start.year = 1601;
    start.month = 1;
    start.day = 1;
    if (rule) {
        const platform::civil::Date first = platform::ZoneTransitionDate(1601, *rule);
        start.month = first.month;
        start.day = first.day;
        start.hour = rule->wHour;
        start.minute = rule->wMinute;
        std::string rrule = "FREQ=YEARLY;BYMONTH=" + std::to_string(rule->wMonth);
        if (rule->wYear != 0) {
            rrule += ";BYMONTHDAY=" + std::to_string(rule->wDay);
        } else {
            rrule += ";BYDAY=" + std::to_string(rule->wDay >= 5 ? -1 : rule->wDay) + kDayNames[rule->wDayOfWeek % 7];
        }
        icalcomponent_add_property(c, icalproperty_new_rrule(icalrecurrencetype_from_string(rrule.c_str())));
    }
    icalcomponent_add_property(c, icalproperty_new_dtstart(start));
    icalcomponent_add_property(c, icalproperty_new_tzoffsetfrom(from * 60));
    icalcomponent_add_property(c, icalproperty_new_tzoffsetto(to * 60));
    return c;
}

struct Onset {
    icaltimetype start;
    int offsetTo = 0;  // minutes east of UTC
    std::optional<icalrecurrencetype> rule;
};

// The observance of each kind that starts last.
std::optional<Onset> LatestOnset(icalcomponent* vtimezone, icalcomponent_kind kind)
{
    std::optional<Onset> latest;
    for (icalcomponent* c = icalcomponent_get_first_component(vtimezone, kind); c;
         c = icalcomponent_get_next_component(vtimezone, kind)) {
        icalproperty* dtstart = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        icalproperty* to = icalcomponent_get_first_property(c, ICAL_TZOFFSETTO_PROPERTY);
        if (!dtstart || !to) continue;
        Onset onset{icalproperty_get_dtstart(dtstart), icalproperty_get_tzoffsetto(to) / 60, std::nullopt};
        if (icalproperty* rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY))
            onset.rule = icalproperty_get_rrule(rrule);
        if (!latest || icaltime_compare(onset.start, latest->start) > 0) latest = onset;
    }
    return latest;
}

// The yearly nth-weekday rule of an onset as a relative zone rule.
std::optional<SYSTEMTIME> RelativeRule(const Onset& onset)
{
    if (!onset.rule || onset.rule->freq != ICAL_YEARLY_RECURRENCE) return std::nullopt;
    const icalrecurrencetype& r = *onset.rule;
    if (r.by_month[0] == ICAL_RECURRENCE_ARRAY_MAX || r.by_month[1] != ICAL_RECURRENCE_ARRAY_MAX) return std::nullopt;
    SYSTEMTIME rule{};
    rule.wMonth = static_cast<WORD>(r.by_month[0]);
    rule.wHour = static_cast<WORD>(onset.start.hour);
    rule.wMinute = static_cast<WORD>(onset.start.minute);
    if (r.by_day[0] != ICAL_RECURRENCE_ARRAY_MAX && r.by_day[1] == ICAL_RECURRENCE_ARRAY_MAX &&
        r.by_month_day[0] == ICAL_RECURRENCE_ARRAY_MAX) {
        const int position = icalrecurrencetype_day_position(r.by_day[0]);
        if (position != -1 && (position < 1 || position > 4)) return std::nullopt;
        rule.wDayOfWeek = static_cast<WORD>(icalrecurrencetype_day_day_of_week(r.by_day[0]) - 1);
        rule.wDay = static_cast<WORD>(position == -1 ? 5 : position);
    } else {
        return std::nullopt;
    }
    if (!platform::IsValidZoneRule(rule)) return std::nullopt;
    return rule;
}

bool SameRule(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek && a.wDay == b.wDay &&
           a.wHour == b.wHour && a.wMinute == b.wMinute;
}

}  // namespace

std::string ZoneName(const TIME_ZONE_INFORMATION& zone)
{
    std::string name = "UTC";
    name += Offset(-(zone.Bias + zone.StandardBias));
    if (HasDaylight(zone)) {
        name.append("/").append(Offset(-(zone.Bias + zone.DaylightBias)));
        name.append("/").append(RuleText(zone.DaylightDate)).append("/").append(RuleText(zone.StandardDate));
    }
    return name;
}

icalcomponent* NewVTimezone(const TIME_ZONE_INFORMATION& zone, const std::string& tzid)
{
    icalcomponent* c = icalcomponent_new(ICAL_VTIMEZONE_COMPONENT);
    icalcomponent_add_property(c, icalproperty_new_tzid(tzid.c_str()));
    const int standard = -(zone.Bias + zone.StandardBias);
    if (!HasDaylight(zone)) {
        icalcomponent_add_component(c, Observance(ICAL_XSTANDARD_COMPONENT, nullptr, standard, standard));
        return c;
    }
    const int daylight = -(zone.Bias + zone.DaylightBias);
    icalcomponent_add_component(c, Observance(ICAL_XSTANDARD_COMPONENT, &zone.StandardDate, daylight, standard));
    icalcomponent_add_component(c, Observance(ICAL_XDAYLIGHT_COMPONENT, &zone.DaylightDate, standard, daylight));
    return c;
}

std::optional<TIME_ZONE_INFORMATION> ZoneFromVTimezone(icalcomponent* vtimezone)
{
    const std::optional<Onset> standard = LatestOnset(vtimezone, ICAL_XSTANDARD_COMPONENT);
    const std::optional<Onset> daylight = LatestOnset(vtimezone, ICAL_XDAYLIGHT_COMPONENT);
    if (!standard && !daylight) return std::nullopt;
    TIME_ZONE_INFORMATION zone{};
    // Daylight time that ended (a one-off or a rule with an end) before the
    // latest standard observance leaves standard time only.
    const bool daylightEnded = daylight && standard &&
                               (!daylight->rule || !icaltime_is_null_time(daylight->rule->until)) &&
                               icaltime_compare(daylight->start, standard->start) < 0;
    if (!daylight || !standard || daylightEnded) {
        zone.Bias = -(standard ? standard->offsetTo : daylight->offsetTo);
    } else {
        const std::optional<SYSTEMTIME> toStandard = RelativeRule(*standard);
        const std::optional<SYSTEMTIME> toDaylight = RelativeRule(*daylight);
        if (!toStandard || !toDaylight) return std::nullopt;
        if (!icaltime_is_null_time(standard->rule->until) || !icaltime_is_null_time(daylight->rule->until))
            return std::nullopt;
        zone.Bias = -standard->offsetTo;
        zone.DaylightBias = -(daylight->offsetTo - standard->offsetTo);
        zone.StandardDate = *toStandard;
        zone.DaylightDate = *toDaylight;
    }
    if (!platform::IsValidOutlookZone(zone)) return std::nullopt;
    return zone;
}

std::optional<TIME_ZONE_INFORMATION> ZoneFromDatabaseName(const std::string& name, std::int64_t at)
{
    if (name.empty() || name.size() > 200) return std::nullopt;
    const std::u16string wide = Utf8ToWide(name);
    std::unique_ptr<icu::BasicTimeZone> zone =
        platform::CurrentTimeZone(icu::UnicodeString(wide.data(), static_cast<int32_t>(wide.size())));
    if (!zone) return std::nullopt;
    TIME_ZONE_INFORMATION tzi{};
    platform::DescribeTimeZone(*zone, platform::FileTimeToUDate(platform::MinutesToFileTimeValue(at)), &tzi);
    if (!platform::IsValidOutlookZone(tzi)) return std::nullopt;
    return tzi;
}

bool SameZoneRules(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b)
{
    if (a.Bias + a.StandardBias != b.Bias + b.StandardBias) return false;
    if (HasDaylight(a) != HasDaylight(b)) return false;
    if (!HasDaylight(a)) return true;
    return a.Bias + a.DaylightBias == b.Bias + b.DaylightBias && SameRule(a.StandardDate, b.StandardDate) &&
           SameRule(a.DaylightDate, b.DaylightDate);
}

}  // namespace ical
