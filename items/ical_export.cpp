// Writing the store's appointments, tasks and journal entries as iCalendar.
#include <libical/ical.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "items/c_journal.h"
#include "items/ical_calendar.h"
#include "items/ical_rule.h"
#include "items/ical_zone.h"
#include "items/item_recurrence.h"
#include "platform/base/floor_div.h"
#include "platform/objectmodel/category_database.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/outlook_folder.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "platform/time/time_zone.h"
#include "storage/c_outlook.h"
#include "storage/ce_db.h"

namespace ical {
namespace {

using platform::ComRef;
using platform::FloorDiv;
using platform::OwnedBstr;
using platform::RecurrenceDay;

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using OwnedComponent = std::unique_ptr<icalcomponent, ComponentDeleter>;

struct ReadFailure {
    std::string message;
};

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr)) throw ReadFailure{std::string("cannot ") + what};
}

icaltimetype TimeOf(std::int64_t wall, bool isDate)
{
    const std::int64_t day = FloorDiv(wall, std::int64_t{1440});
    const platform::RecurrenceCivilDate d = platform::RecurrenceDateFromDay(static_cast<RecurrenceDay>(day));
    icaltimetype t = icaltime_null_time();
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    t.is_date = isDate ? 1 : 0;
    if (!isDate) {
        const int minute = static_cast<int>(wall - day * 1440);
        t.hour = minute / 60;
        t.minute = minute % 60;
    }
    return t;
}

icaltimetype UtcTimeOf(std::int64_t utc)
{
    icaltimetype t = TimeOf(utc, false);
    t.zone = icaltimezone_get_utc_timezone();
    return t;
}

std::string UtcText(std::int64_t utc)
{
    const icaltimetype t = TimeOf(utc, false);
    char text[48];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d00Z", t.year, t.month, t.day, t.hour, t.minute);
    return text;
}

// The device rule of a stored pattern, with its end; a date end is left
// to the caller (its UNTIL form depends on the item's clock), which gets
// the pattern's last day in *endDay.
platform::RecurrenceRule RuleOfPattern(const ItemRecurrence& r, RecurrenceDay* endDay)
{
    platform::RecurrenceRule rule;
    rule.type = StoredRecurrenceType(r);
    rule.interval = r.interval;
    rule.dayOfWeekMask = rule.type == olRecursDaily ? 0 : r.dayOfWeekMask;
    rule.dayOfMonth = r.dayOfMonth;
    rule.instance = r.instance;
    rule.monthOfYear = r.monthOfYear;
    if (r.noEnd) {
        rule.end = platform::RecurrenceEnd::kNoEnd;
    } else if (r.occurrences >= 1 && r.occurrences <= 999) {
        rule.end = platform::RecurrenceEnd::kAfterOccurrences;
        rule.occurrences = r.occurrences;
    } else {
        rule.end = platform::RecurrenceEnd::kByDate;
        *endDay = platform::OleDateToRecurrenceDay(r.patternEnd);
    }
    return rule;
}

std::string DateOnlyText(RecurrenceDay day)
{
    const platform::RecurrenceCivilDate d = platform::RecurrenceDateFromDay(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}

std::u16string TextOf(const std::function<HRESULT(BSTR*)>& get)
{
    OwnedBstr text;
    if (FAILED(get(text.Put()))) return {};
    return text.Text();
}

void AddText(icalcomponent* c, icalproperty* (*make)(const char*), const std::u16string& text)
{
    if (!text.empty()) icalcomponent_add_property(c, make(WideToUtf8(text).c_str()));
}

void AddX(icalcomponent* c, const char* name, const std::string& value)
{
    icalproperty* p = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(c, p);
}

void AddCategories(icalcomponent* c, const std::u16string& categories)
{
    const std::string text = WideToUtf8(categories);
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(',', begin);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(begin, end - begin);
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (!name.empty()) icalcomponent_add_property(c, icalproperty_new_categories(name.c_str()));
        begin = end + 1;
    }
}

void AddClass(icalcomponent* c, LONG sensitivity)
{
    icalcomponent_add_property(c, icalproperty_new_class(sensitivity == olPrivate        ? ICAL_CLASS_PRIVATE
                                                         : sensitivity == olConfidential ? ICAL_CLASS_CONFIDENTIAL
                                                                                         : ICAL_CLASS_PUBLIC));
}

void AddAlarm(icalcomponent* c, icaltriggertype trigger)
{
    icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_description("Reminder"));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    icalcomponent_add_component(c, alarm);
}

// The wall clock an appointment is written on: its own zone, else the device's.
struct WallClock {
    std::optional<TIME_ZONE_INFORMATION> own;
    std::string tzid;
    std::int64_t WallOfLocal(std::int64_t local) const
    {
        return own ? platform::UtcToZoneLocalMinutes(*own, platform::DeviceLocalToUtcMinutes(local)) : local;
    }
    std::int64_t UtcOfWall(std::int64_t wall) const
    {
        return own ? platform::ZoneLocalToUtcMinutes(*own, wall) : platform::DeviceLocalToUtcMinutes(wall);
    }
};

class Exporter {
public:
    Exporter(COutlook* outlook, const ExportOptions& options) : outlook_(outlook), options_(options)
    {
        GetTimeZoneInformation(&device_);
        deviceId_ = WideToUtf8(platform::DeviceTimeZoneId());
        if (deviceId_.empty()) deviceId_ = ZoneName(device_);
        SYSTEMTIME now{};
        GetSystemTime(&now);
        stamp_ = icaltime_null_time();
        stamp_.year = now.wYear;
        stamp_.month = now.wMonth;
        stamp_.day = now.wDay;
        stamp_.hour = now.wHour;
        stamp_.minute = now.wMinute;
        stamp_.second = now.wSecond;
        stamp_.zone = icaltimezone_get_utc_timezone();
    }

    ExportResult Run(const std::function<void(int, int)>& progress);
    // One appointment or task, without the store's category list.
    ExportResult RunOne(IDispatch* item);

private:
    ComRef<IPOutlookItemCollection> Items(int folder)
    {
        ComRef<IFolder> f;
        Check(outlook_->GetDefaultFolder(folder, f.Put()), "open the folder");
        ComRef<IPOutlookItemCollection> items;
        Check(f->get_Items(items.Put()), "read the folder");
        return items;
    }
    icalcomponent* NewComponent(icalcomponent_kind kind, const std::string& uid)
    {
        icalcomponent* c = icalcomponent_new(kind);
        icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
        icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp_));
        return c;
    }
    void AddTime(icalcomponent* c, icalproperty* (*make)(icaltimetype), std::int64_t local, bool allDay,
                 const WallClock& clock)
    {
        if (allDay) {
            icalcomponent_add_property(c, make(TimeOf(local, true)));
            return;
        }
        icalproperty* p = make(TimeOf(clock.WallOfLocal(local), false));
        icalproperty_add_parameter(p, icalparameter_new_tzid(clock.tzid.c_str()));
        icalcomponent_add_property(c, p);
    }
    void AddEventFields(icalcomponent* c, IAppointment* item, bool allDay, const WallClock& clock);
    void ExportAppointment(IAppointment* item);
    void ExportTask(ITask* item);
    void ExportJournal(const CJournalData& entry);
    // Adds the zones and the components made to calendar and writes it.
    ExportResult Finish(icalcomponent* calendar);
    // Frees the components made so far and reports why the read stopped.
    ExportResult Failed(const ReadFailure& failure);
    OwnedComponent NewCalendar();
    bool InRange(DATE first, DATE last) const
    {
        if (options_.from && last < std::floor(*options_.from)) return false;
        if (options_.to && first >= std::floor(*options_.to) + 1) return false;
        return true;
    }

    COutlook* outlook_;
    const ExportOptions& options_;
    TIME_ZONE_INFORMATION device_{};
    std::string deviceId_;
    icaltimetype stamp_{};
    std::map<std::string, TIME_ZONE_INFORMATION> zones_;
    std::vector<icalcomponent*> components_;  // owned until added to the calendar
    ExportResult result_;
};

void Exporter::AddEventFields(icalcomponent* c, IAppointment* item, bool allDay, const WallClock& clock)
{
    DATE start = 0;
    LONG duration = 0, busy = olBusy, reminderMinutes = 0;
    VARIANT_BOOL reminder = VARIANT_FALSE;
    Check(item->get_Start(&start), "read a start");
    item->get_Duration(&duration);
    item->get_BusyStatus(&busy);
    item->get_ReminderSet(&reminder);
    item->get_ReminderMinutesBeforeStart(&reminderMinutes);
    const std::optional<std::int64_t> local = platform::OleDateToMinutes(start);
    if (!local) throw ReadFailure{"an appointment without a start"};
    AddText(c, icalproperty_new_summary, TextOf([&](BSTR* t) { return item->get_Subject(t); }));
    AddText(c, icalproperty_new_location, TextOf([&](BSTR* t) { return item->get_Location(t); }));
    AddText(c, icalproperty_new_description, TextOf([&](BSTR* t) { return item->get_Body(t); }));
    AddTime(c, icalproperty_new_dtstart, *local, allDay, clock);
    AddTime(c, icalproperty_new_dtend, *local + (allDay ? (std::max<LONG>(duration, 1440) + 1439) / 1440 * 1440 : duration),
            allDay, clock);
    icalcomponent_add_property(c, icalproperty_new_transp(busy == olFree ? ICAL_TRANSP_TRANSPARENT : ICAL_TRANSP_OPAQUE));
    if (busy == olTentative) AddX(c, "X-KSTOOLS-BUSY", "TENTATIVE");
    if (busy == olOutOfOffice) AddX(c, "X-KSTOOLS-BUSY", "OOF");
    if (reminder) {
        icaltriggertype trigger{};
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(-static_cast<int>(reminderMinutes) * 60);
        AddAlarm(c, trigger);
    }
}

void Exporter::ExportAppointment(IAppointment* item)
{
    LONG oid = 0, sensitivity = olNormal;
    DATE start = 0, end = 0;
    VARIANT_BOOL allDayFlag = VARIANT_FALSE, recurring = VARIANT_FALSE;
    item->get_Oid(&oid);
    Check(item->get_Start(&start), "read a start");
    item->get_End(&end);
    item->get_AllDayEvent(&allDayFlag);
    item->get_IsRecurring(&recurring);
    item->get_Sensitivity(&sensitivity);
    const bool allDay = allDayFlag != VARIANT_FALSE;

    ComRef<IRecurrencePattern> pattern;
    ItemRecurrence r;
    if (recurring) {
        Check(item->GetRecurrencePattern(pattern.Put()), "read a recurrence");
        r = ReadItemRecurrence(pattern.Get());
        const DATE last = r.noEnd || r.patternEnd == kNoOleDate ? kOutlookEndDate : r.patternEnd + 1;
        if (!InRange(std::floor(r.patternStart), last)) return;
    } else if (!InRange(start, std::max(end, start))) {
        return;
    }

    WallClock clock;
    TIME_ZONE_INFORMATION zone{};
    if (item->get_TimeZone(&zone) == S_OK) {
        clock.own = zone;
        clock.tzid = ZoneName(zone);
    } else {
        clock.tzid = deviceId_;
        zone = device_;
    }
    if (!allDay) zones_.emplace(clock.tzid, zone);

    char uidText[40];
    std::snprintf(uidText, sizeof uidText, "kstools-%08X@kstools", static_cast<unsigned>(oid));
    const std::string uid = uidText;
    icalcomponent* c = NewComponent(ICAL_VEVENT_COMPONENT, uid);
    components_.push_back(c);
    AddEventFields(c, item, allDay, clock);
    AddCategories(c, TextOf([&](BSTR* t) { return item->get_Categories(t); }));
    AddClass(c, sensitivity);
    ComRef<IRecipients> recipients;
    int count = 0;
    if (SUCCEEDED(item->get_Recipients(recipients.Put())) && recipients && SUCCEEDED(recipients->get_Count(&count))) {
        for (int i = 1; i <= count; ++i) {
            ComRef<IRecipient> recipient;
            if (FAILED(recipients->Item(i, recipient.Put())) || !recipient) continue;
            const std::string address = WideToUtf8(TextOf([&](BSTR* t) { return recipient->get_Address(t); }));
            icalproperty* p = icalproperty_new_attendee(("mailto:" + address).c_str());
            const std::u16string name = TextOf([&](BSTR* t) { return recipient->get_Name(t); });
            if (!name.empty()) icalproperty_add_parameter(p, icalparameter_new_cn(WideToUtf8(name).c_str()));
            icalcomponent_add_property(c, p);
        }
    }
    ++result_.appointments;
    if (!recurring) return;

    RecurrenceDay endDay = 0;
    const platform::RecurrenceRule rule = RuleOfPattern(r, &endDay);
    const std::int64_t local = *platform::OleDateToMinutes(start);
    const std::int64_t wallStart = allDay ? local : clock.WallOfLocal(local);
    const int startMinute = static_cast<int>(wallStart - FloorDiv(wallStart, std::int64_t{1440}) * 1440);
    std::string until;
    if (rule.end == platform::RecurrenceEnd::kByDate)
        until = allDay ? DateOnlyText(endDay) : UtcText(clock.UtcOfWall(std::int64_t{endDay} * 1440 + startMinute));
    icalcomponent_add_property(
        c, icalproperty_new_rrule(icalrecurrencetype_from_string(RRuleText(rule, until).c_str())));

    ComRef<IExceptions> exceptions;
    int exceptionCount = 0;
    if (FAILED(pattern->get_Exceptions(exceptions.Put())) || !exceptions ||
        FAILED(exceptions->get_Count(&exceptionCount)))
        return;
    for (int i = 1; i <= exceptionCount; ++i) {
        ComRef<IException> exception;
        if (FAILED(exceptions->Item(i, exception.Put())) || !exception) continue;
        DATE original = 0;
        VARIANT_BOOL deleted = VARIANT_FALSE;
        exception->get_OriginalDate(&original);
        exception->get_Deleted(&deleted);
        const std::optional<std::int64_t> originalLocal = platform::OleDateToMinutes(original);
        if (!originalLocal) continue;
        if (deleted) {
            AddTime(c, icalproperty_new_exdate, *originalLocal, allDay, clock);
            continue;
        }
        ComRef<IAppointment> occurrence;
        if (FAILED(exception->get_AppointmentItem(occurrence.Put())) || !occurrence) continue;
        icalcomponent* changed = NewComponent(ICAL_VEVENT_COMPONENT, uid);
        components_.push_back(changed);
        AddTime(changed, icalproperty_new_recurrenceid, *originalLocal, allDay, clock);
        AddEventFields(changed, occurrence.Get(), allDay, clock);
        AddCategories(changed, TextOf([&](BSTR* t) { return item->get_Categories(t); }));
        AddClass(changed, sensitivity);
    }
}

void Exporter::ExportTask(ITask* item)
{
    LONG oid = 0, importance = olImportanceNormal, sensitivity = olNormal;
    DATE start = kNoOleDate, due = kNoOleDate, completed = kNoOleDate, reminderTime = kNoOleDate;
    VARIANT_BOOL complete = VARIANT_FALSE, reminder = VARIANT_FALSE, recurring = VARIANT_FALSE;
    item->get_IsRecurring(&recurring);
    item->get_Oid(&oid);
    item->get_StartDate(&start);
    item->get_DueDate(&due);
    item->get_DateCompleted(&completed);
    item->get_Importance(&importance);
    item->get_Sensitivity(&sensitivity);
    item->get_Complete(&complete);
    item->get_ReminderSet(&reminder);
    item->get_ReminderTime(&reminderTime);
    char uid[40];
    std::snprintf(uid, sizeof uid, "kstools-%08X@kstools", static_cast<unsigned>(oid));
    icalcomponent* c = NewComponent(ICAL_VTODO_COMPONENT, uid);
    components_.push_back(c);
    AddText(c, icalproperty_new_summary, TextOf([&](BSTR* t) { return item->get_Subject(t); }));
    AddText(c, icalproperty_new_description, TextOf([&](BSTR* t) { return item->get_Body(t); }));
    AddCategories(c, TextOf([&](BSTR* t) { return item->get_Categories(t); }));
    AddClass(c, sensitivity);
    icalcomponent_add_property(c, icalproperty_new_priority(importance == olImportanceHigh  ? 1
                                                            : importance == olImportanceLow ? 9
                                                                                            : 5));
    auto day = [](DATE date) { return platform::OleDateToMinutes(std::floor(date)); };
    if (start != kNoOleDate && day(start)) icalcomponent_add_property(c, icalproperty_new_dtstart(TimeOf(*day(start), true)));
    if (due != kNoOleDate && day(due)) icalcomponent_add_property(c, icalproperty_new_due(TimeOf(*day(due), true)));
    ComRef<IRecurrencePattern> pattern;
    if (recurring && SUCCEEDED(item->GetRecurrencePattern(pattern.Put())) && pattern) {
        // The occurrences count from DTSTART: a task without a start date
        // repeats from its pattern's first day.
        const ItemRecurrence r = ReadItemRecurrence(pattern.Get());
        if (!(start != kNoOleDate && day(start)) && r.patternStart != kNoOleDate && day(r.patternStart))
            icalcomponent_add_property(c, icalproperty_new_dtstart(TimeOf(*day(r.patternStart), true)));
        RecurrenceDay endDay = 0;
        const platform::RecurrenceRule rule = RuleOfPattern(r, &endDay);
        const std::string until = rule.end == platform::RecurrenceEnd::kByDate ? DateOnlyText(endDay) : "";
        icalcomponent_add_property(
            c, icalproperty_new_rrule(icalrecurrencetype_from_string(RRuleText(rule, until).c_str())));
    }
    if (complete) {
        icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_COMPLETED));
        icalcomponent_add_property(c, icalproperty_new_percentcomplete(100));
        if (completed != kNoOleDate && day(completed))
            icalcomponent_add_property(
                c, icalproperty_new_completed(UtcTimeOf(platform::DeviceLocalToUtcMinutes(*day(completed)))));
    } else {
        icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    }
    if (reminder && reminderTime != kNoOleDate) {
        if (const std::optional<std::int64_t> at = platform::OleDateToMinutes(reminderTime)) {
            icaltriggertype trigger{};
            trigger.time = UtcTimeOf(platform::DeviceLocalToUtcMinutes(*at));
            trigger.duration = icaldurationtype_null_duration();
            AddAlarm(c, trigger);
        }
    }
    ++result_.tasks;
}

void Exporter::ExportJournal(const CJournalData& e)
{
    const std::int64_t local =
        std::int64_t{platform::RecurrenceDayFromDate(e.m_start.wYear, e.m_start.wMonth, e.m_start.wDay)} * 1440 +
        e.m_start.wHour * 60 + e.m_start.wMinute;
    if (!InRange(platform::MinutesToOleDate(local), platform::MinutesToOleDate(local))) return;
    char uid[40];
    std::snprintf(uid, sizeof uid, "kstools-journal-%08X@kstools", static_cast<unsigned>(e.m_record));
    icalcomponent* c = NewComponent(ICAL_VJOURNAL_COMPONENT, uid);
    components_.push_back(c);
    AddText(c, icalproperty_new_summary, std::u16string(static_cast<const WCHAR*>(e.m_subject)));
    AddText(c, icalproperty_new_description, std::u16string(static_cast<const WCHAR*>(e.NotesText())));
    icalcomponent_add_property(c, icalproperty_new_dtstart(TimeOf(local, false)));
    if (!e.m_type.IsEmpty()) AddX(c, "X-KSTOOLS-TYPE", WideToUtf8(static_cast<const WCHAR*>(e.m_type)));
    if (e.m_duration) AddX(c, "X-KSTOOLS-MINUTES", std::to_string(e.m_duration));
    ++result_.journalEntries;
}

OwnedComponent Exporter::NewCalendar()
{
    OwnedComponent calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//KSTools//KSTools for Linux//EN"));
    return calendar;
}

ExportResult Exporter::Finish(icalcomponent* calendar)
{
    for (const auto& [tzid, zone] : zones_) icalcomponent_add_component(calendar, NewVTimezone(zone, tzid));
    for (icalcomponent* c : components_) icalcomponent_add_component(calendar, c);
    components_.clear();
    char* text = icalcomponent_as_ical_string_r(calendar);
    result_.text = text ? text : "";
    free(text);
    return result_;
}

ExportResult Exporter::Failed(const ReadFailure& failure)
{
    for (icalcomponent* c : components_) icalcomponent_free(c);
    components_.clear();
    ExportResult failed;
    failed.error = failure.message;
    return failed;
}

ExportResult Exporter::RunOne(IDispatch* item)
{
    OwnedComponent calendar = NewCalendar();
    try {
        if (ComRef<IAppointment> a = ComRef<IAppointment>::Query(item)) ExportAppointment(a.Get());
        else if (ComRef<ITask> t = ComRef<ITask>::Query(item)) ExportTask(t.Get());
        else throw ReadFailure{"neither an appointment nor a task"};
    } catch (const ReadFailure& f) {
        return Failed(f);
    }
    return Finish(calendar.get());
}

ExportResult Exporter::Run(const std::function<void(int, int)>& progress)
{
    OwnedComponent calendar = NewCalendar();
    // The store's categories in the order it numbers them.
    std::vector<CategoryRecord> categories;
    CategoryDatabase::ReadAll(categories);
    std::stable_sort(categories.begin(), categories.end(),
                     [](const CategoryRecord& a, const CategoryRecord& b) { return a.index < b.index; });
    for (const CategoryRecord& r : categories) {
        if (!r.name.empty() && r.index >= 0) AddX(calendar.get(), "X-KSTOOLS-CATEGORY", WideToUtf8(r.name));
    }
    try {
        std::vector<std::pair<int, ComRef<IPOutlookItemCollection>>> folders;
        if (options_.appointments) folders.emplace_back(olFolderCalendar, Items(olFolderCalendar));
        if (options_.tasks) folders.emplace_back(olFolderTasks, Items(olFolderTasks));
        int total = 0;
        for (auto& [kind, items] : folders) {
            int count = 0;
            Check(items->get_Count(&count), "count the items");
            total += count;
        }
        int done = 0;
        for (auto& [kind, items] : folders) {
            int count = 0;
            items->get_Count(&count);
            // In record order, so that a store importing the file numbers them alike.
            std::vector<std::pair<LONG, ComRef<IDispatch>>> entries;
            for (int i = 1; i <= count; ++i) {
                ComRef<IDispatch> entry;
                Check(items->Item(i, entry.Put()), "read an item");
                LONG oid = 0;
                if (ComRef<IAppointment> a = ComRef<IAppointment>::Query(entry.Get())) a->get_Oid(&oid);
                if (ComRef<ITask> t = ComRef<ITask>::Query(entry.Get())) t->get_Oid(&oid);
                entries.emplace_back(oid, std::move(entry));
            }
            std::stable_sort(entries.begin(), entries.end(),
                             [](const auto& a, const auto& b) { return static_cast<DWORD>(a.first) < static_cast<DWORD>(b.first); });
            for (auto& [oid, entry] : entries) {
                if (kind == olFolderCalendar) {
                    if (ComRef<IAppointment> a = ComRef<IAppointment>::Query(entry.Get())) ExportAppointment(a.Get());
                } else if (ComRef<ITask> t = ComRef<ITask>::Query(entry.Get())) {
                    ExportTask(t.Get());
                }
                if (progress) progress(++done, total);
            }
        }
        if (options_.journal) {
            CJournal::CheckAndCreateDB();
            CeDb db;
            if (!db.Open(kJournalDatabase, kJournalCreated, 0, nullptr)) throw ReadFailure{"cannot open the journal"};
            std::vector<CEOID> oids;
            for (CEOID oid = db.SeekFirst(); oid; oid = db.SeekNext()) oids.push_back(oid);
            for (CEOID oid : oids) {
                CJournalData e;
                if (CJournal::ReadEntry(oid, &e) && e.m_record == oid) ExportJournal(e);
            }
        }
    } catch (const ReadFailure& f) {
        return Failed(f);
    }
    return Finish(calendar.get());
}

// The infrared folder's writer of appointments and tasks.
bool WriteBeamedItem(IDispatch* item, std::string& text)
{
    ExportResult result = ExportItemICalendar(item);
    if (!result.error.empty() || result.text.empty()) return false;
    text = std::move(result.text);
    return true;
}

}  // namespace

ExportResult ExportICalendar(COutlook& outlook, const ExportOptions& options,
                             const std::function<void(int, int)>& progress)
{
    icalerror_set_errors_are_fatal(0);
    return Exporter(&outlook, options).Run(progress);
}

ExportResult ExportItemICalendar(IDispatch* item)
{
    icalerror_set_errors_are_fatal(0);
    const ExportOptions everything;
    return Exporter(nullptr, everything).RunOne(item);
}

void RegisterInfraredCalendarWriter()
{
    for (int kind : {olAppointmentItem, olTaskItem}) SetInfraredWriter(kind, {&WriteBeamedItem, u".ics"});
}

}  // namespace ical
