// Reading iCalendar files into the records StoreICalendar writes.
#include <libical/ical.h>

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "items/ical_calendar.h"
#include "items/ical_rule.h"
#include "items/ical_zone.h"
#include "platform/base/floor_div.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/text/utf8.h"
#include "platform/time/time_zone.h"

namespace ical {
namespace {

using platform::RecurrenceDay;

// The years an item may use: those the object model accepts.
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2999;

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using OwnedComponent = std::unique_ptr<icalcomponent, ComponentDeleter>;

struct RecurDeleter {
    void operator()(icalrecur_iterator* it) const { icalrecur_iterator_free(it); }
};

// An item refused for a reason; carries the reason up to the item's loop.
struct Refusal {
    std::string message;
};

std::int64_t WallMinutes(const icaltimetype& t)
{
    return static_cast<std::int64_t>(platform::RecurrenceDayFromDate(t.year, t.month, t.day)) * 1440 +
           (t.is_date ? 0 : t.hour * 60 + t.minute);
}

icaltimetype FloatingTime(std::int64_t wall)
{
    const RecurrenceDay day = static_cast<RecurrenceDay>(platform::FloorDiv(wall, std::int64_t{1440}));
    const platform::RecurrenceCivilDate d = platform::RecurrenceDateFromDay(day);
    icaltimetype t = icaltime_null_time();
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    const int minute = static_cast<int>(wall - static_cast<std::int64_t>(day) * 1440);
    t.hour = minute / 60;
    t.minute = minute % 60;
    return t;
}

std::string DateText(std::int64_t wall, bool withTime)
{
    const icaltimetype t = FloatingTime(wall);
    char text[40];
    if (withTime)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return text;
}

std::u16string Text(const char* utf8) { return utf8 ? Utf8ToWide(utf8) : std::u16string(); }

std::u16string PropertyText(icalcomponent* c, icalproperty_kind kind)
{
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    if (!p) return {};
    icalvalue* v = icalproperty_get_value(p);
    return v && icalvalue_isa(v) == ICAL_TEXT_VALUE ? Text(icalvalue_get_text(v)) : Text(icalproperty_get_value_as_string(p));
}

std::string XValue(icalcomponent* c, const char* name)
{
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
        const char* x = icalproperty_get_x_name(p);
        const char* value = icalproperty_get_x(p);
        if (x && value && std::string_view(x) == name) return value;
    }
    return {};
}

// The wall clock an event's times are read on.
struct Clock {
    enum class Kind { kDevice, kZone, kLibical } kind = Kind::kDevice;
    TIME_ZONE_INFORMATION zone{};        // kZone
    icaltimezone* libical = nullptr;     // kLibical: the file's own VTIMEZONE
};

// One VCALENDAR: its zones, and what the reading of its items found.
class CalendarReader {
public:
    CalendarReader(icalcomponent* calendar, Reading& out) : calendar_(calendar), out_(out)
    {
        GetTimeZoneInformation(&device_);
        deviceId_ = WideToUtf8(platform::DeviceTimeZoneId());
    }

    void Read();

private:
    // A time of a property: its device-local minutes, and the clock and
    // wall minutes it was written on.
    struct Time {
        std::int64_t local = 0;
        std::int64_t wall = 0;
        bool isDate = false;
        bool utc = false;
        Clock clock;
    };

    Clock ClockOf(icalproperty* p, const icaltimetype& t, std::string& label);
    Time ReadTime(icalproperty* p, const icaltimetype& t, std::string& label);
    std::int64_t LocalFromWall(const Clock& clock, std::int64_t wall) const;
    std::int64_t WallFromLocal(const Clock& clock, std::int64_t local) const;
    void ReadEvent(icalcomponent* master, const std::vector<icalcomponent*>& overrides);
    EventFields ReadFields(icalcomponent* c, const Time& start, std::string& label, bool& allDay);
    void ReadTodo(icalcomponent* c);
    void ReadJournal(icalcomponent* c);
    void Expand(Event event, const icalrecurrencetype& recur, const Time& start, const std::string& reason,
                const std::vector<icalcomponent*>& overrides, const std::set<std::int64_t>& excluded);
    void Notice(const std::string& item, const std::string& message, bool refused)
    {
        out_.notices.push_back({item, message, refused});
    }

    icalcomponent* calendar_;
    Reading& out_;
    TIME_ZONE_INFORMATION device_{};
    std::string deviceId_;
    std::map<std::string, Clock> clocks_;
    std::set<std::string> unknownZones_;
};

std::string Label(icalcomponent* c, const char* kind)
{
    const char* summary = icalcomponent_get_summary(c);
    std::string label = std::string(kind) + " \"" + (summary ? std::string(summary).substr(0, 60) : "") + "\"";
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY)) {
        const char* value = icalproperty_get_value_as_string(p);
        if (value) label += std::string(" at ") + std::string(value).substr(0, 20);
    }
    return label;
}

void CheckYear(const icaltimetype& t)
{
    if (t.year != 0 && (t.year < kFirstYear || t.year > kLastYear))
        throw Refusal{"a date in the year " + std::to_string(t.year) + " (the calendar holds " +
                      std::to_string(kFirstYear) + " to " + std::to_string(kLastYear) + ")"};
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) throw Refusal{"a date that is not a valid date"};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > platform::RecurrenceDaysInMonth(t.year, t.month))
        throw Refusal{"a date that is not a valid date"};
}

Clock CalendarReader::ClockOf(icalproperty* p, const icaltimetype& t, std::string& label)
{
    Clock device;
    icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    const char* tzid = param ? icalparameter_get_tzid(param) : nullptr;
    if (!tzid || t.is_date) return device;
    const std::string name = tzid;
    if (auto found = clocks_.find(name); found != clocks_.end()) return found->second;
    Clock clock;
    if (name == deviceId_) {
        clock.kind = Clock::Kind::kDevice;
    } else if (icaltimezone* own = icalcomponent_get_timezone(calendar_, name.c_str())) {
        if (std::optional<TIME_ZONE_INFORMATION> zone = ZoneFromVTimezone(icaltimezone_get_component(own))) {
            clock.kind = Clock::Kind::kZone;
            clock.zone = *zone;
        } else {
            clock.kind = Clock::Kind::kLibical;
            clock.libical = own;
        }
    } else if (std::optional<TIME_ZONE_INFORMATION> zone = ZoneFromDatabaseName(name, WallMinutes(t))) {
        clock.kind = Clock::Kind::kZone;
        clock.zone = *zone;
    } else {
        Notice(label, "unknown time zone \"" + name.substr(0, 60) + "\": its times are read on the device's clock",
               false);
    }
    if (clock.kind == Clock::Kind::kZone && SameZoneRules(clock.zone, device_)) clock.kind = Clock::Kind::kDevice;
    clocks_.emplace(name, clock);
    return clock;
}

std::int64_t CalendarReader::LocalFromWall(const Clock& clock, std::int64_t wall) const
{
    switch (clock.kind) {
        case Clock::Kind::kDevice:
            return wall;
        case Clock::Kind::kZone:
            return platform::UtcToDeviceLocalMinutes(platform::ZoneLocalToUtcMinutes(clock.zone, wall));
        case Clock::Kind::kLibical: {
            icaltimetype zoned = FloatingTime(wall);
            zoned.zone = clock.libical;
            const icaltimetype utc = icaltime_convert_to_zone(zoned, icaltimezone_get_utc_timezone());
            return platform::UtcToDeviceLocalMinutes(WallMinutes(utc));
        }
    }
    return wall;
}

std::int64_t CalendarReader::WallFromLocal(const Clock& clock, std::int64_t local) const
{
    if (clock.kind == Clock::Kind::kZone)
        return platform::UtcToZoneLocalMinutes(clock.zone, platform::DeviceLocalToUtcMinutes(local));
    return local;
}

CalendarReader::Time CalendarReader::ReadTime(icalproperty* p, const icaltimetype& t, std::string& label)
{
    CheckYear(t);
    Time time;
    time.isDate = t.is_date != 0;
    time.wall = WallMinutes(t);
    time.utc = !time.isDate && icaltime_is_utc(t);
    if (time.utc) {
        time.local = platform::UtcToDeviceLocalMinutes(time.wall);
        return time;
    }
    time.clock = ClockOf(p, t, label);
    time.local = LocalFromWall(time.clock, time.wall);
    return time;
}

int Minutes(const icaldurationtype& d)
{
    const std::int64_t seconds = icaldurationtype_as_int(d);
    return static_cast<int>(std::clamp<std::int64_t>(seconds / 60, -platform::kRecurMaxDurationMinutes,
                                                     platform::kRecurMaxDurationMinutes));
}

// The object model stores subjects and locations up to this length.
void CheckLength(const std::u16string& text, const char* what)
{
    if (text.size() > kOutlookMaxTextLength)
        throw Refusal{"a " + std::string(what) + " of " + std::to_string(text.size()) + " characters (at most " +
                      std::to_string(kOutlookMaxTextLength) + ")"};
}

std::optional<int> ReminderOf(icalcomponent* c)
{
    for (icalcomponent* alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!p) continue;
        icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
        if (related && icalparameter_get_related(related) == ICAL_RELATED_END) continue;
        const icaltriggertype trigger = icalproperty_get_trigger(p);
        if (!icaltime_is_null_time(trigger.time)) continue;
        const int minutes = -Minutes(trigger.duration);
        if (minutes >= 0) return minutes;
    }
    return std::nullopt;
}

std::u16string CategoriesOf(icalcomponent* c)
{
    std::u16string out;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_CATEGORIES_PROPERTY)) {
        const char* value = icalproperty_get_categories(p);
        if (!value) continue;
        std::string_view rest = value;
        while (!rest.empty()) {
            const size_t comma = rest.find(',');
            std::string_view name = rest.substr(0, comma);
            while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
            while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
            if (!name.empty()) out += (out.empty() ? u"" : u", ") + Utf8ToWide(name);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    }
    return out;
}

LONG SensitivityOf(icalcomponent* c)
{
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_CLASS_PROPERTY);
    if (!p) return olNormal;
    switch (icalproperty_get_class(p)) {
        case ICAL_CLASS_PRIVATE:
            return olPrivate;
        case ICAL_CLASS_CONFIDENTIAL:
            return olConfidential;
        default:
            return olNormal;
    }
}

LONG BusyOf(icalcomponent* c)
{
    const std::string busy = XValue(c, "X-KSTOOLS-BUSY");
    if (busy == "TENTATIVE") return olTentative;
    if (busy == "OOF") return olOutOfOffice;
    if (busy == "FREE") return olFree;
    if (busy == "BUSY") return olBusy;
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_TRANSP_PROPERTY);
    if (p && icalproperty_get_transp(p) == ICAL_TRANSP_TRANSPARENT) return olFree;
    icalproperty* status = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
    if (status && icalproperty_get_status(status) == ICAL_STATUS_TENTATIVE) return olTentative;
    return olBusy;
}

EventFields CalendarReader::ReadFields(icalcomponent* c, const Time& start, std::string& label, bool& allDay)
{
    EventFields f;
    f.subject = PropertyText(c, ICAL_SUMMARY_PROPERTY);
    f.location = PropertyText(c, ICAL_LOCATION_PROPERTY);
    f.body = PropertyText(c, ICAL_DESCRIPTION_PROPERTY);
    CheckLength(f.subject, "summary");
    CheckLength(f.location, "location");
    f.busyStatus = BusyOf(c);
    f.reminderMinutes = ReminderOf(c);
    f.start = start.local;
    allDay = start.isDate;
    std::int64_t end = start.local;
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY)) {
        const icaltimetype t = icalproperty_get_dtend(p);
        const Time e = ReadTime(p, t, label);
        end = allDay ? start.local + (e.wall - start.wall) : e.local;
    } else if (icalproperty* d = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY)) {
        end = start.local + Minutes(icalproperty_get_duration(d));
    } else if (allDay) {
        end = start.local + 1440;
    }
    if (end < start.local) {
        Notice(label, "an end before the start: read as no length", false);
        end = start.local;
    }
    f.duration = static_cast<int>(std::min<std::int64_t>(end - start.local, platform::kRecurMaxDurationMinutes));
    if (allDay && f.duration < 1440) f.duration = 1440;
    if (allDay) f.duration = (f.duration + 1439) / 1440 * 1440;
    return f;
}

void CalendarReader::Read()
{
    for (icalproperty* p = icalcomponent_get_first_property(calendar_, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(calendar_, ICAL_X_PROPERTY)) {
        const char* name = icalproperty_get_x_name(p);
        const char* value = icalproperty_get_x(p);
        if (name && value && std::string_view(name) == "X-KSTOOLS-CATEGORY" && *value &&
            std::string_view(value).size() <= kOutlookMaxTextLength)
            out_.categoryOrder.push_back(Utf8ToWide(value));
    }
    // Events by UID: the series (or single event) and its changed occurrences.
    std::map<std::string, std::vector<icalcomponent*>> overrides;
    std::vector<icalcomponent*> masters;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar_, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar_, ICAL_VEVENT_COMPONENT)) {
        const char* uid = icalcomponent_get_uid(c);
        if (uid && icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            overrides[uid].push_back(c);
        else
            masters.push_back(c);
    }
    std::set<std::string> masterUids;
    for (icalcomponent* c : masters) {
        const char* uid = icalcomponent_get_uid(c);
        const auto found = uid ? overrides.find(uid) : overrides.end();
        if (uid) masterUids.insert(uid);
        ReadEvent(c, found == overrides.end() ? std::vector<icalcomponent*>() : found->second);
    }
    // A changed occurrence whose series is not in the file stands alone.
    for (const auto& [uid, list] : overrides) {
        if (masterUids.count(uid)) continue;
        for (icalcomponent* c : list) ReadEvent(c, {});
    }
    for (icalcomponent* c = icalcomponent_get_first_component(calendar_, ICAL_VTODO_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar_, ICAL_VTODO_COMPONENT))
        ReadTodo(c);
    for (icalcomponent* c = icalcomponent_get_first_component(calendar_, ICAL_VJOURNAL_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar_, ICAL_VJOURNAL_COMPONENT))
        ReadJournal(c);
}

void CalendarReader::ReadEvent(icalcomponent* c, const std::vector<icalcomponent*>& overrides)
{
    std::string label = Label(c, "event");
    try {
        icalproperty* dtstart = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        if (!dtstart) throw Refusal{"no start (DTSTART)"};
        const Time start = ReadTime(dtstart, icalproperty_get_dtstart(dtstart), label);
        if (icalproperty* status = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
            status && icalproperty_get_status(status) == ICAL_STATUS_CANCELLED)
            throw Refusal{"a cancelled event"};
        Event event;
        event.label = label;
        event.fields = ReadFields(c, start, label, event.allDay);
        event.categories = CategoriesOf(c);
        event.sensitivity = SensitivityOf(c);
        if (start.clock.kind == Clock::Kind::kZone) event.zone = start.clock.zone;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ATTENDEE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_ATTENDEE_PROPERTY)) {
            Attendee a;
            std::string address = icalproperty_get_attendee(p) ? icalproperty_get_attendee(p) : "";
            if (address.size() >= 7 && strncasecmp(address.c_str(), "mailto:", 7) == 0) address.erase(0, 7);
            a.address = Utf8ToWide(address);
            if (icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER))
                a.name = Text(icalparameter_get_cn(cn));
            if (a.name.empty()) a.name = a.address;
            event.attendees.push_back(std::move(a));
        }

        // Occurrences the series leaves out, on the event's wall clock.
        std::set<std::int64_t> excluded;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY)) {
            const icaltimetype t = icalproperty_get_exdate(p);
            Time ex = ReadTime(p, t, label);
            if (ex.isDate && !start.isDate) ex.local += start.local - platform::FloorDiv(start.local, std::int64_t{1440}) * 1440;
            excluded.insert(ex.local);
        }

        // Extra dates stand as single events.
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
            if (icaltime_is_null_time(rdate.time)) continue;
            Event single = event;
            single.fields.start = ReadTime(p, rdate.time, label).local;
            out_.events.push_back(std::move(single));
        }

        icalproperty* rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
        if (!rrule) {
            out_.events.push_back(std::move(event));
        } else {
            if (icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY))
                throw Refusal{"several recurrence rules (RRULE) in one event"};
            const icalrecurrencetype recur = icalproperty_get_rrule(rrule);
            const std::int64_t wallStart = WallFromLocal(start.clock, start.local);
            const RecurrenceDay startDay = static_cast<RecurrenceDay>(platform::FloorDiv(wallStart, std::int64_t{1440}));
            const int startMinute = static_cast<int>(wallStart - std::int64_t{startDay} * 1440);
            std::optional<RecurrenceDay> untilDay;
            if (!icaltime_is_null_time(recur.until)) {
                if (recur.until.year < 1601 || recur.until.year > 4500 || !icaltime_is_valid_time(recur.until)) {
                    untilDay = recur.until.year > 4500 ? platform::kRecurrenceLastDay : startDay - 1;
                } else if (recur.until.is_date) {
                    untilDay = platform::RecurrenceDayFromDate(recur.until.year, recur.until.month, recur.until.day);
                } else {
                    std::int64_t untilWall = WallMinutes(recur.until);
                    if (icaltime_is_utc(recur.until))
                        untilWall = WallFromLocal(start.clock, platform::UtcToDeviceLocalMinutes(untilWall));
                    if (start.clock.kind == Clock::Kind::kLibical) untilWall = WallMinutes(recur.until);
                    untilDay = static_cast<RecurrenceDay>(platform::FloorDiv(untilWall - startMinute, std::int64_t{1440}));
                }
            }
            RuleReading reading = ReadRRule(recur, startDay, untilDay);
            if (!reading.rule) {
                Expand(std::move(event), recur, start, reading.reason, overrides, excluded);
                return;
            }
            event.rule = reading.rule;
            for (std::int64_t ex : excluded) event.deleted.push_back(ex);
            for (icalcomponent* o : overrides) {
                std::string overrideLabel = Label(o, "changed occurrence");
                try {
                    icalproperty* rid = icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY);
                    Time original = ReadTime(rid, icalproperty_get_recurrenceid(rid), overrideLabel);
                    if (original.isDate && !start.isDate)
                        original.local += start.local - platform::FloorDiv(start.local, std::int64_t{1440}) * 1440;
                    icalproperty* status = icalcomponent_get_first_property(o, ICAL_STATUS_PROPERTY);
                    if (status && icalproperty_get_status(status) == ICAL_STATUS_CANCELLED) {
                        event.deleted.push_back(original.local);
                        continue;
                    }
                    icalproperty* os = icalcomponent_get_first_property(o, ICAL_DTSTART_PROPERTY);
                    const Time oStart = os ? ReadTime(os, icalproperty_get_dtstart(os), overrideLabel) : original;
                    bool oAllDay = false;
                    OccurrenceChange change{original.local, ReadFields(o, oStart, overrideLabel, oAllDay)};
                    event.changes.push_back(std::move(change));
                } catch (const Refusal& r) {
                    Notice(overrideLabel, r.message, true);
                }
            }
            out_.events.push_back(std::move(event));
        }
    } catch (const Refusal& r) {
        Notice(label, r.message, true);
    }
}

void CalendarReader::Expand(Event event, const icalrecurrencetype& recur, const Time& start,
                            const std::string& reason, const std::vector<icalcomponent*>& overrides,
                            const std::set<std::int64_t>& excluded)
{
    // The changed occurrences replace theirs.
    std::map<std::int64_t, icalcomponent*> changed;
    for (icalcomponent* o : overrides) {
        std::string overrideLabel = Label(o, "changed occurrence");
        try {
            icalproperty* rid = icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY);
            changed[ReadTime(rid, icalproperty_get_recurrenceid(rid), overrideLabel).local] = o;
        } catch (const Refusal& r) {
            Notice(overrideLabel, r.message, true);
        }
    }
    const std::int64_t wallStart = start.wall;
    const std::int64_t horizon = wallStart + std::int64_t{kExpansionDays} * 1440;
    std::vector<std::int64_t> walls{wallStart};
    icaltimetype first = FloatingTime(wallStart);
    first.is_date = start.isDate;
    std::unique_ptr<icalrecur_iterator, RecurDeleter> it(icalrecur_iterator_new(recur, first));
    bool cut = false;
    if (it) {
        for (int steps = 0;; ++steps) {
            const icaltimetype next = icalrecur_iterator_next(it.get());
            if (icaltime_is_null_time(next)) break;
            if (next.year > kLastYear) break;
            const std::int64_t wall = WallMinutes(next);
            if (wall > horizon || walls.size() >= static_cast<size_t>(kExpandedOccurrences) || steps > 100000) {
                cut = true;
                break;
            }
            if (wall > walls.back()) walls.push_back(wall);
        }
    }
    int made = 0;
    for (std::int64_t wall : walls) {
        const std::int64_t local = start.isDate ? wall : LocalFromWall(start.clock, wall);
        if (excluded.count(local)) continue;
        Event single = event;
        single.rule.reset();
        single.fields.start = local;
        if (auto found = changed.find(local); found != changed.end()) {
            std::string overrideLabel = Label(found->second, "changed occurrence");
            try {
                icalproperty* os = icalcomponent_get_first_property(found->second, ICAL_DTSTART_PROPERTY);
                if (os) {
                    const Time oStart = ReadTime(os, icalproperty_get_dtstart(os), overrideLabel);
                    bool oAllDay = false;
                    single.fields = ReadFields(found->second, oStart, overrideLabel, oAllDay);
                }
            } catch (const Refusal& r) {
                Notice(overrideLabel, r.message, true);
                continue;
            }
        }
        out_.events.push_back(std::move(single));
        ++made;
    }
    Notice(event.label,
           "the device cannot repeat " + reason + ": stored as " + std::to_string(made) + " single appointments" +
               (cut ? " up to " + DateText(walls.back(), false) : ""),
           false);
}

void CalendarReader::ReadTodo(icalcomponent* c)
{
    std::string label = Label(c, "task");
    try {
        Todo todo;
        todo.label = label;
        todo.subject = PropertyText(c, ICAL_SUMMARY_PROPERTY);
        todo.body = PropertyText(c, ICAL_DESCRIPTION_PROPERTY);
        CheckLength(todo.subject, "summary");
        todo.categories = CategoriesOf(c);
        todo.sensitivity = SensitivityOf(c);
        auto day = [&](icalproperty* p, const icaltimetype& t) {
            const Time time = ReadTime(p, t, label);
            return platform::MinutesToOleDate(platform::FloorDiv(time.local, std::int64_t{1440}) * 1440);
        };
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY))
            todo.start = day(p, icalproperty_get_dtstart(p));
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DUE_PROPERTY))
            todo.due = day(p, icalproperty_get_due(p));
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY)) {
            todo.completed = day(p, icalproperty_get_completed(p));
            todo.complete = true;
        }
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY))
            todo.complete = todo.complete || icalproperty_get_status(p) == ICAL_STATUS_COMPLETED;
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY))
            todo.complete = todo.complete || icalproperty_get_percentcomplete(p) >= 100;
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY)) {
            const int priority = icalproperty_get_priority(p);
            todo.importance = priority >= 1 && priority <= 4   ? olImportanceHigh
                              : priority >= 6 && priority <= 9 ? olImportanceLow
                                                               : olImportanceNormal;
        }
        for (icalcomponent* alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); alarm;
             alarm = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
            icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
            if (!p) continue;
            const icaltriggertype trigger = icalproperty_get_trigger(p);
            if (icaltime_is_null_time(trigger.time)) {
                // Relative to the due day (or start), at midnight.
                const DATE base = todo.due != kNoOleDate ? todo.due : todo.start;
                if (base == kNoOleDate) continue;
                todo.reminder = base + Minutes(trigger.duration) / 1440.0;
            } else {
                const Time time = ReadTime(p, trigger.time, label);
                todo.reminder = platform::MinutesToOleDate(time.local);
            }
            break;
        }
        if (icalproperty* rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY)) {
            // A task repeats by dates: the rule is read on the day of its
            // start (else its due date), UNTIL on its own day.
            const icalrecurrencetype recur = icalproperty_get_rrule(rrule);
            const DATE first = todo.start != kNoOleDate ? todo.start : todo.due;
            std::string reason;
            if (first == kNoOleDate) {
                reason = "it has neither a start nor a due date";
            } else if (icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY)) {
                reason = "it has several recurrence rules (RRULE)";
            } else {
                const RecurrenceDay startDay = platform::OleDateToRecurrenceDay(first);
                std::optional<RecurrenceDay> untilDay;
                if (!icaltime_is_null_time(recur.until)) {
                    if (recur.until.year < 1601 || recur.until.year > 4500 || !icaltime_is_valid_time(recur.until))
                        untilDay = recur.until.year > 4500 ? platform::kRecurrenceLastDay : startDay - 1;
                    else
                        untilDay = platform::RecurrenceDayFromDate(recur.until.year, recur.until.month, recur.until.day);
                }
                RuleReading reading = ReadRRule(recur, startDay, untilDay);
                todo.rule = reading.rule;
                reason = reading.reason;
            }
            if (!todo.rule)
                Notice(label, "the task's recurrence is not kept (" + reason + "): stored as a single task", false);
        }
        out_.todos.push_back(std::move(todo));
    } catch (const Refusal& r) {
        Notice(label, r.message, true);
    }
}

void CalendarReader::ReadJournal(icalcomponent* c)
{
    std::string label = Label(c, "journal entry");
    try {
        JournalEntry entry;
        entry.label = label;
        entry.subject = PropertyText(c, ICAL_SUMMARY_PROPERTY);
        entry.notes = PropertyText(c, ICAL_DESCRIPTION_PROPERTY);
        entry.type = Utf8ToWide(XValue(c, "X-KSTOOLS-TYPE"));
        const std::string duration = XValue(c, "X-KSTOOLS-MINUTES");
        if (!duration.empty() && duration.size() < 9 &&
            duration.find_first_not_of("0123456789") == std::string::npos)
            entry.duration = static_cast<ULONG>(std::stoul(duration));
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        if (!p) throw Refusal{"no date (DTSTART)"};
        const Time time = ReadTime(p, icalproperty_get_dtstart(p), label);
        const icaltimetype t = FloatingTime(time.local);
        entry.start.wYear = static_cast<WORD>(t.year);
        entry.start.wMonth = static_cast<WORD>(t.month);
        entry.start.wDay = static_cast<WORD>(t.day);
        entry.start.wHour = static_cast<WORD>(t.hour);
        entry.start.wMinute = static_cast<WORD>(t.minute);
        entry.start.wDayOfWeek = static_cast<WORD>(
            platform::RecurrenceDayOfWeek(platform::RecurrenceDayFromDate(t.year, t.month, t.day)));
        out_.journal.push_back(std::move(entry));
    } catch (const Refusal& r) {
        Notice(label, r.message, true);
    }
}

}  // namespace

Reading ReadICalendar(std::string_view text)
{
    Reading out;
    icalerror_set_errors_are_fatal(0);
    const std::string copy(text.substr(0, text.find('\0')));
    OwnedComponent root(icalparser_parse_string(copy.c_str()));
    if (!root) {
        out.error = "not an iCalendar file: no BEGIN:VCALENDAR";
        return out;
    }
    std::vector<icalcomponent*> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars.push_back(c);
    }
    if (calendars.empty()) {
        out.error = "not an iCalendar file: no BEGIN:VCALENDAR";
        return out;
    }
    for (icalcomponent* calendar : calendars) CalendarReader(calendar, out).Read();
    return out;
}

}  // namespace ical
