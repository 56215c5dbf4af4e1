// kstools recur (--oid OID | --blob HEX [--tz-blob HEX] [--start DATETIME
// --duration MIN]) --from DATE --to DATE [--json]: reads one recurrence
// pattern with the calendar's own parser and prints whether it is usable,
// the fields it holds, and the occurrences the calendar shows in the range,
// expanded by the same fillers the calendar loader runs.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/calendar_day_numbers.h"
#include "engine/calendar_recurrence.h"
#include "engine/data_calendar_db.h"
#include "foundation/time_zone_rules.h"
#include "platform/base/local_memory.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/bstr.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct RecurOptions {
    std::string oid;
    std::string blob;
    std::string tzBlob;
    std::string start;
    std::optional<int> duration;
    std::string from;
    std::string to;
    bool json = false;
};

// What one appointment gives the expansion.
struct AppointmentInput {
    std::vector<BYTE> pattern;
    std::optional<std::vector<BYTE>> zone;
    std::optional<double> start;  // device-local OLE date
    int duration = 0;
    bool allDay = false;
    LONG busyStatus = 2;
    std::u16string subject;
    std::u16string location;
};

std::vector<BYTE> ParseHex(const std::string& text, const char* option)
{
    std::string digits;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            throw CommandError(std::string(option) + " takes hexadecimal bytes, \"" + text + "\" is not", kExitUsage);
        }
        digits += c;
    }
    if (digits.size() % 2 != 0) throw CommandError(std::string(option) + " needs an even number of digits", kExitUsage);
    std::vector<BYTE> out;
    for (size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<BYTE>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

const CEPROPVAL* FindValue(const CeDbRecord& record, CEPROPID propid)
{
    const int index = record.FindProp(propid);
    if (index < 0) return nullptr;
    const CEPROPVAL& value = record.GetProps()[index];
    return (value.wFlags & CEDB_PROPNOTFOUND) ? nullptr : &value;
}

AppointmentInput ReadAppointment(CEOID oid)
{
    CeDb db;
    if (!db.Open(kAppointmentsDatabase, kAppointmentStart, 0, nullptr)) {
        throw CommandError("the appointments cannot be opened: error " +
                           std::to_string(db.HandleError(u"appointments")));
    }
    if (db.SeekTo(oid) != oid) throw CommandError("there is no appointment with OID " + std::to_string(oid));
    ULONG props[] = {kAppointmentStart,
                     kAppointmentDuration,
                     kAppointmentAllDay,
                     kAppointmentBusyStatus,
                     kAppointmentSubject,
                     kAppointmentLocation,
                     kAppointmentRecurrencePattern,
                     kAppointmentTimeZone};
    CeDbRecord record;
    if (!db.ReadRec(record, static_cast<USHORT>(std::size(props)), props)) {
        throw CommandError("the appointment " + std::to_string(oid) + " cannot be read");
    }
    AppointmentInput in;
    if (const CEPROPVAL* v = FindValue(record, kAppointmentStart)) {
        // The stored start is UTC; the calendar shows it on the device's clock.
        SYSTEMTIME utc{};
        SYSTEMTIME local{};
        TIME_ZONE_INFORMATION device{};
        GetTimeZoneInformation(&device);
        BOOL dst = FALSE;
        if (FileTimeToSystemTime(&v->val.filetime, &utc) &&
            CeSystemTimeToTzSpecificLocalTime(&device, &utc, &local, &dst)) {
            in.start = calendar_days::OleDateOf(local);
        }
    }
    if (const CEPROPVAL* v = FindValue(record, kAppointmentDuration)) in.duration = v->val.lVal;
    if (const CEPROPVAL* v = FindValue(record, kAppointmentAllDay)) in.allDay = v->val.lVal == 1;
    if (const CEPROPVAL* v = FindValue(record, kAppointmentBusyStatus)) in.busyStatus = v->val.iVal;
    if (const CEPROPVAL* v = FindValue(record, kAppointmentSubject); v && v->val.lpwstr) in.subject = v->val.lpwstr;
    if (const CEPROPVAL* v = FindValue(record, kAppointmentLocation); v && v->val.lpwstr) in.location = v->val.lpwstr;
    if (const CEPROPVAL* v = FindValue(record, kAppointmentRecurrencePattern); v && v->val.blob.lpb) {
        in.pattern.assign(v->val.blob.lpb, v->val.blob.lpb + v->val.blob.dwCount);
    }
    if (const CEPROPVAL* v = FindValue(record, kAppointmentTimeZone); v && v->val.blob.lpb) {
        in.zone.emplace(v->val.blob.lpb, v->val.blob.lpb + v->val.blob.dwCount);
    }
    return in;
}

// The record's subject and location, as the loader would read them.
class ListingSink : public CalendarOccurrenceSink {
public:
    explicit ListingSink(const AppointmentInput& in) : m_in(in) {}
    ~ListingSink() override
    {
        for (DATACALENDAR* e : entries) delete e;
    }
    bool ReadRecordRest(DATACALENDARDB& working) override
    {
        SysFreeString(working.subject);
        working.subject = SysAllocStringLen(m_in.subject.data(), static_cast<UINT>(m_in.subject.size()));
        SysFreeString(working.location);
        working.location = SysAllocStringLen(m_in.location.data(), static_cast<UINT>(m_in.location.size()));
        return true;
    }
    bool IsAppointmentToBeDisplayed(const WCHAR*) override { return true; }
    void AddEntry(DATACALENDAR* entry) override { entries.push_back(entry); }

    std::vector<DATACALENDAR*> entries;

private:
    const AppointmentInput& m_in;
};

std::string LocalText(double date)
{
    SYSTEMTIME st{};
    // Round to the minute before formatting.
    if (!VariantTimeToSystemTime(std::round(date * 1440.0) / 1440.0, &st)) return "";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return buf;
}

std::string DateOfMinutes(DWORD minutes)
{
    const calendar_days::CivilDate d = calendar_days::DateOf(calendar_days::DayOfMinutes(minutes));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string Hex(DWORD value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, static_cast<unsigned>(value));
    return buf;
}

const char* FrequencyName(WORD frequency, WORD type)
{
    switch (frequency) {
        case kRecurDaily:
            return type == 1 ? "every weekday" : "daily";
        case kRecurWeekly:
            return "weekly";
        case kRecurMonthly:
            return type == 3 ? "monthly nth weekday" : "monthly";
        case kRecurYearly:
            return type == 3 ? "yearly nth weekday" : "yearly";
        default:
            return "unknown";
    }
}

Json FieldsJson(const CalendarPatternFields& f, CePtrList<DWORD>& deleted)
{
    Json dates = Json::array();
    for (DWORD d : deleted) dates.push_back(DateOfMinutes(d));
    return Json{{"version", Hex(f.version, 8)},
                {"frequency", Hex(f.frequency, 4)},
                {"kind", FrequencyName(f.frequency, f.patternType)},
                {"pattern_type", f.patternType},
                {"calendar_type", f.calendarType},
                {"first_date_time", f.firstDateTime},
                {"period", f.period},
                {"sliding_flag", f.slidingFlag},
                {"weekday_mask", f.weekdayMask},
                {"day_of_month", f.dayOfMonth},
                {"nth", f.nth},
                {"end_type", Hex(f.endType, 4)},
                {"occurrence_count", f.occurrenceCount},
                {"first_day_of_week", f.firstDayOfWeek},
                {"deleted_instance_count", f.deletedInstanceCount},
                {"modified_instance_count", f.modifiedInstanceCount},
                {"start_date", DateOfMinutes(f.startDate)},
                {"end_date", DateOfMinutes(f.endDate)},
                {"reader_version2", Hex(f.readerVersion2, 4)},
                {"writer_version2", Hex(f.writerVersion2, 4)},
                {"start_time_offset", f.startTimeOffset},
                {"end_time_offset", f.endTimeOffset},
                {"exception_count", f.exceptionCount},
                {"own_time_zone", f.hasZone},
                {"deleted_dates", dates}};
}

const char* ResultName(RecurrenceParseResult r)
{
    return r == kRecurrenceUsable ? "usable" : r == kRecurrenceWarnings ? "warnings" : "rejected";
}

LONG DayArgument(const std::string& text, const char* option)
{
    if (text.empty()) throw CommandError(std::string(option) + " DATE is required", kExitUsage);
    return static_cast<LONG>(calendar_days::DayOfSystemTime(ParseDateArgument(text).time));
}

void CheckRecurOptions(const RecurOptions& options)
{
    if (options.oid.empty() == options.blob.empty()) throw CommandError("give either --oid or --blob", kExitUsage);
    if (!options.oid.empty() && (!options.tzBlob.empty() || !options.start.empty() || options.duration)) {
        throw CommandError("--tz-blob, --start and --duration go with --blob, not --oid", kExitUsage);
    }
    if (options.start.empty() != !options.duration) {
        throw CommandError("--start and --duration go together", kExitUsage);
    }
    if (options.duration && *options.duration < 0) throw CommandError("--duration must not be negative", kExitUsage);
}

// The appointment named by --oid, or the one the options describe.
AppointmentInput InputOf(const RecurOptions& options)
{
    if (!options.oid.empty()) return ReadAppointment(ParseOid(options.oid));
    AppointmentInput in;
    in.pattern = ParseHex(options.blob, "--blob");
    if (!options.tzBlob.empty()) in.zone = ParseHex(options.tzBlob, "--tz-blob");
    if (!options.start.empty()) {
        in.start = calendar_days::OleDateOf(ParseDateArgument(options.start).time);
        in.duration = *options.duration;
    }
    return in;
}

// The working record as the calendar loader fills it before the pattern.
void FillWorking(const AppointmentInput& in, DATACALENDARDB& working)
{
    if (in.start) {
        working.start = *in.start;
        working.end = *in.start + in.duration / 1440.0;
        working.day = static_cast<LONG>(std::floor(*in.start));
    }
    working.duration = in.duration;
    working.allDay = in.allDay ? 1 : 0;
    working.busyStatus = in.busyStatus;
    working.recurring = 1;
}

void PrintJson(CCalendarRecurrence& recurrence, RecurrenceParseResult result, const std::vector<DATACALENDAR*>& entries)
{
    Json list = Json::array();
    for (const DATACALENDAR* e : entries) {
        list.push_back(Json{{"start", LocalText(e->start)},
                            {"end", LocalText(e->allDay ? e->end + 1 : e->end)},
                            {"subject", e->subject ? WideToUtf8(e->subject) : ""},
                            {"location", e->location ? WideToUtf8(e->location) : ""},
                            {"all_day", e->allDay != 0},
                            {"busy_status", e->busyStatus},
                            {"exception", e->exception != 0}});
    }
    std::puts(Json{{"result", ResultName(result)},
                   {"reason", recurrence.LastReason()},
                   {"fields", FieldsJson(recurrence.LastFields(), recurrence.DeletedOccurrences())},
                   {"occurrences", list}}
                  .dump(2)
                  .c_str());
}

void PrintText(CCalendarRecurrence& recurrence, RecurrenceParseResult result, bool hasPattern,
               const std::vector<DATACALENDAR*>& entries)
{
    std::printf("result: %s", ResultName(result));
    if (*recurrence.LastReason()) std::printf(" (%s)", recurrence.LastReason());
    std::puts("");
    if (!hasPattern) return;
    const CalendarPatternFields& fields = recurrence.LastFields();
    std::printf("pattern: %s, period %u, from %s to %s, %02u:%02u to +%u minutes%s\n",
                FrequencyName(fields.frequency, fields.patternType), static_cast<unsigned>(fields.period),
                DateOfMinutes(fields.startDate).c_str(), DateOfMinutes(fields.endDate).c_str(),
                static_cast<unsigned>(fields.startTimeOffset / 60), static_cast<unsigned>(fields.startTimeOffset % 60),
                static_cast<unsigned>(fields.endTimeOffset - fields.startTimeOffset),
                fields.hasZone ? ", own time zone" : "");
    std::printf("deleted: %d, changed: %u\n", recurrence.DeletedOccurrences().GetCount(),
                static_cast<unsigned>(fields.exceptionCount));
    if (entries.empty()) {
        std::puts("no occurrences in the range");
        return;
    }
    for (const DATACALENDAR* e : entries) {
        std::string line = LocalText(e->start) + "  " + (e->allDay ? std::string("all day") : LocalText(e->end));
        if (e->subject && *e->subject) line += "  " + WideToUtf8(e->subject);
        if (e->location && *e->location) line += " @ " + WideToUtf8(e->location);
        if (e->exception) line += "  [changed]";
        if (e->allDay && e->duration > 1440) line += "  [" + std::to_string(e->duration / 1440) + " days]";
        std::puts(line.c_str());
    }
}

void RunRecur(const RecurOptions& options)
{
    CheckRecurOptions(options);
    const LONG firstDay = DayArgument(options.from, "--from");
    const LONG lastDay = DayArgument(options.to, "--to");
    if (lastDay < firstDay) throw CommandError("--to lies before --from", kExitUsage);
    const AppointmentInput in = InputOf(options);

    CCalendarRecurrence recurrence;
    recurrence.SetRange(firstDay, lastDay);
    DATACALENDARDB working;
    FillWorking(in, working);
    ListingSink sink(in);
    const bool usable = recurrence.ParseAndCheckRecurring(in.pattern.empty() ? nullptr : in.pattern.data(),
                                                          static_cast<DWORD>(in.pattern.size()),
                                                          in.zone && !in.zone->empty() ? in.zone->data() : nullptr,
                                                          in.zone ? static_cast<DWORD>(in.zone->size()) : 0, working);
    const RecurrenceParseResult result = recurrence.LastResult();
    if (usable) recurrence.fFillEventList(working, sink);
    // Moved occurrences come in the order of their original dates.
    std::stable_sort(sink.entries.begin(), sink.entries.end(),
                     [](const DATACALENDAR* a, const DATACALENDAR* b) { return a->start < b->start; });

    if (options.json)
        PrintJson(recurrence, result, sink.entries);
    else
        PrintText(recurrence, result, !in.pattern.empty(), sink.entries);
}

}  // namespace

void AddRecurCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* recur = app.add_subcommand(
        "recur",
        "Read one recurrence pattern as the calendar does: whether it is usable, its fields, and its occurrences "
        "between --from and --to on the device's clock");
    auto options = std::make_shared<RecurOptions>();
    recur->add_option("--oid", options->oid, "The appointment (OID) in \"Appointments Database\"");
    recur->add_option("--blob", options->blob, "A pattern blob in hexadecimal");
    recur->add_option("--tz-blob", options->tzBlob, "The appointment's own 48-byte time-zone blob in hexadecimal");
    recur->add_option("--start", options->start, "The appointment's local start, YYYY-MM-DDTHH:MM (with --blob)");
    recur->add_option("--duration", options->duration, "The appointment's length in minutes (with --start)");
    recur->add_option("--from", options->from, "First day of the range, YYYY-MM-DD")->required();
    recur->add_option("--to", options->to, "Last day of the range, YYYY-MM-DD")->required();
    recur->add_flag("--json", options->json,
                    "Print {result, reason, fields, occurrences: [{start, end, subject, location, all_day, "
                    "busy_status, exception}]}; an all-day occurrence ends at the midnight after its last day");
    recur->footer(
        "A pattern that cannot be used still exits 0 with result \"rejected\". Exit codes: 0 done, 1 the "
        "appointment cannot be read, 2 bad arguments.");
    ctx.OnRun(recur, [options] { RunRecur(*options); });
}

}  // namespace kstools
