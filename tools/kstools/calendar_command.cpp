// kstools calendar [--from DATE] [--to DATE] [--view N] [--json]: the
// calendar list as a calendar view loads it, grouped by day. The view is
// stored in the calendar's settings key first, so the loader reads it as it
// reads a choice made in a window, and the next run shows the same view.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/calendar_thread.h"
#include "engine/loader_host.h"
#include "grid/calendar_day_presenter.h"
#include "grid/calendar_list_presenter.h"
#include "platform/objectstore/store_schema.h"
#include "platform/time/clock.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/list_picture.h"
#include "tools/kstools/list_refresh.h"
#include "tools/kstools/list_watch.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kDefaultDays = 7;
constexpr long long kMaxRangeDays = 3660;

struct CalendarOptions {
    std::string from;
    std::string to;
    int view = -1;  // -1: as stored
    bool json = false;
    ListPictureOptions picture;
    bool dayPicture = false;   // --day: the first day's time slots
    bool weekPicture = false;  // --week: seven days from --from
    bool agendaPicture = false;  // --agenda: the range, by day (the default)
    ListWatchOptions watch;
};

// The picture of the loaded list: the day view, the week view or (by
// default) the agenda of the range.
void WriteCalendarPicture(const CalendarOptions& options, CCalendarThread& loader, LONG firstDay, LONG lastDay)
{
    CePtrList<DATACALENDAR*>& data = loader.GetDataList();
    const std::vector<const DATACALENDAR*> list(data.begin(), data.end());
    if (options.dayPicture) {
        const CALENDARDAYVIEW view = CalendarDayView(list, firstDay);
        WriteListPicture(options.picture, view.rows, view.floaters);
    } else if (options.weekPicture) {
        WriteListPicture(options.picture, CalendarWeekRows(list, firstDay));
    } else {
        WriteListPicture(options.picture, CalendarAgendaRows(list, firstDay, lastDay));
    }
}

// One row as the command prints it, copied out of the loader's list.
struct CalendarRow {
    bool header = false;
    DWORD kind = kCalendarKindAppointment;
    DWORD oid = 0;
    LONG day = 0;
    double start = 0;
    double end = 0;
    LONG duration = 0;
    bool allDay = false;
    LONG busyStatus = 0;
    std::string subject;
    std::string location;
    std::string categories;
    std::vector<std::string> markers;
};


SYSTEMTIME TimeOf(double date)
{
    SYSTEMTIME st{};
    VariantTimeToSystemTime(date, &st);
    return st;
}

std::string IsoDate(double date) { return FormatIsoDate(TimeOf(date)); }

std::string IsoMinute(double date)
{
    const SYSTEMTIME st = TimeOf(date);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return text;
}

bool HasMarker(const WCHAR* categories, const char16_t* marker)
{
    const std::u16string text = categories ? categories : u"";
    return text.find(marker) != std::u16string::npos;
}

CalendarRow CopyRow(const DATACALENDAR& row)
{
    CalendarRow out;
    out.header = row.oid == 0;
    out.kind = row.kind;
    out.oid = row.oid;
    out.day = row.day;
    out.start = row.start;
    out.end = row.end;
    out.duration = row.duration;
    out.allDay = row.allDay != 0;
    out.busyStatus = row.busyStatus;
    out.subject = WideToUtf8(row.subject);
    out.location = WideToUtf8(row.location);
    out.categories = WideToUtf8(row.categoryText);
    auto mark = [&](bool on, const char* name) {
        if (on) out.markers.emplace_back(name);
    };
    mark(row.recurring != 0, "recurring");
    mark(row.exception != 0, "changed");
    mark(row.meeting != 0, "meeting");
    mark(row.isPrivate != 0, "private");
    mark(row.reminder != 0, "reminder");
    mark(row.hasNote != 0, "note");
    mark(row.hasLinks != 0, "links");
    mark(row.hasJournal != 0 && row.kind != kCalendarKindJournal, "journal");
    mark(row.birthdayYear != 0 || HasMarker(row.categoryText, u"~Birthday"), "birthday");
    mark(row.anniversaryYear != 0 || HasMarker(row.categoryText, u"~Anniversary"), "anniversary");
    mark(row.endsEarly != 0, "ends early");
    return out;
}

// "45m", "1h", "1h30m", "3d", "2d4h".
std::string DurationText(LONG minutes)
{
    if (minutes <= 0) return "-";
    const LONG days = minutes / 1440, hours = minutes % 1440 / 60, rest = minutes % 60;
    std::string text;
    if (days) text += std::to_string(days) + "d";
    if (hours) text += std::to_string(hours) + "h";
    if (rest) text += std::to_string(rest) + "m";
    return text;
}

std::string TimeColumn(const CalendarRow& row)
{
    if (row.kind == kCalendarKindTask) return "task";
    if (row.allDay) return "all day";
    const SYSTEMTIME st = TimeOf(row.start);
    char text[16];
    std::snprintf(text, sizeof(text), "%02u:%02u", st.wHour, st.wMinute);
    return text;
}

std::string DayLine(LONG day)
{
    static const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const SYSTEMTIME st = TimeOf(day);
    return std::string(kWeekdays[st.wDayOfWeek % 7]) + " " + IsoDate(day);
}

void PrintDays(const std::vector<CalendarRow>& rows)
{
    bool anyDay = false, dayHasEntries = false;
    LONG current = kCalendarNoDay;
    for (const CalendarRow& row : rows) {
        if (row.day != current || !anyDay) {
            if (anyDay) {
                if (!dayHasEntries) std::puts("  (nothing)");
                std::puts("");
            }
            current = row.day;
            anyDay = true;
            dayHasEntries = false;
            std::puts(DayLine(row.day).c_str());
        }
        if (row.header) continue;
        dayHasEntries = true;
        const std::string duration = row.kind == kCalendarKindTask ? "" : DurationText(row.duration);
        std::string line = "  " + TimeColumn(row);
        line.resize(std::max<size_t>(line.size() + 1, 11), ' ');
        line += duration;
        line.resize(std::max<size_t>(line.size() + 1, 19), ' ');
        line += row.subject.empty() ? "(no subject)" : row.subject;
        if (!row.location.empty()) line += "  @ " + row.location;
        if (!row.categories.empty()) line += "  [" + row.categories + "]";
        if (!row.markers.empty()) {
            line += "  (";
            for (size_t i = 0; i < row.markers.size(); ++i) line += (i ? ", " : "") + row.markers[i];
            line += ")";
        }
        std::puts(line.c_str());
    }
    if (anyDay && !dayHasEntries) std::puts("  (nothing)");
    if (!anyDay) std::puts("no entries");
}

Json RowJson(const CalendarRow& row)
{
    Json markers = Json::array();
    for (const std::string& m : row.markers) markers.push_back(m);
    return Json{{"kind", row.kind == kCalendarKindContactDate ? "contact_date"
                         : row.kind == kCalendarKindTask      ? "task"
                         : row.kind == kCalendarKindJournal   ? "journal"
                                                              : "appointment"},
                {"oid", HexId(row.oid)},
                {"subject", row.subject},
                {"location", row.location},
                {"categories", row.categories},
                {"start", IsoMinute(row.start)},
                {"end", IsoMinute(row.end)},
                {"all_day", row.allDay},
                {"duration", row.duration},
                {"busy_status", row.busyStatus},
                {"markers", markers}};
}

Json DaysJson(const std::vector<CalendarRow>& rows)
{
    Json days = Json::array();
    LONG current = kCalendarNoDay;
    for (const CalendarRow& row : rows) {
        if (days.empty() || row.day != current) {
            current = row.day;
            days.push_back(Json{{"date", IsoDate(row.day)}, {"entries", Json::array()}});
        }
        if (!row.header) days.back()["entries"].push_back(RowJson(row));
    }
    return days;
}

SYSTEMTIME DayArgument(const std::string& text, const char* option)
{
    const DateArgument date = ParseDateArgument(text);
    if (date.hasTime)
        throw CommandError(std::string(option) + " takes a day, YYYY-MM-DD: \"" + text + "\"", kExitUsage);
    SYSTEMTIME day = date.time;
    day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
    return day;
}

double OleDay(const SYSTEMTIME& st)
{
    DATE date = 0;
    SystemTimeToVariantTime(&st, &date);
    return std::floor(date);
}

void StoreView(int view)
{
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, kCalendarSettingsKey) != 0)
        throw CommandError("the calendar's settings cannot be opened");
    if (settings.SetValue(u"CAV_FilterAppointments", static_cast<ULONG>(view)) != 0 || settings.SaveINIFile(1) != 0)
        throw CommandError("the calendar's settings cannot be written");
}

// The days a run lists, from its options (today's week unless told).
struct CalendarRange {
    SYSTEMTIME first{}, last{};
    double firstDay = 0, lastDay = 0;
};

CalendarRange CheckOptions(const CalendarOptions& options)
{
    if (options.view != -1 && (options.view < kCalendarViewBirthdays || options.view > kCalendarViewSingleDay))
        throw CommandError("--view takes 0 to 6: " + std::to_string(options.view), kExitUsage);
    CalendarRange range;
    SYSTEMTIME& first = range.first;
    SYSTEMTIME& last = range.last;
    if (options.from.empty()) {
        GetLocalTime(&first);
        first.wHour = first.wMinute = first.wSecond = first.wMilliseconds = 0;
    } else {
        first = DayArgument(options.from, "--from");
    }
    if (options.to.empty()) {
        VariantTimeToSystemTime(OleDay(first) + kDefaultDays - 1, &last);
    } else {
        last = DayArgument(options.to, "--to");
    }
    range.firstDay = OleDay(first);
    range.lastDay = OleDay(last);
    if (range.lastDay < range.firstDay) throw CommandError("--to lies before --from", kExitUsage);
    if (range.lastDay - range.firstDay >= kMaxRangeDays)
        throw CommandError("the range is longer than " + std::to_string(kMaxRangeDays) + " days", kExitUsage);
    return range;
}

std::unique_ptr<CCalendarThread> LoadCalendar(const CalendarOptions& options, const CalendarRange& range)
{
    if (options.view != -1) StoreView(options.view);
    auto loader = std::make_unique<CCalendarThread>();  // reads the settings just stored
    loader->SetRestrict(range.first, range.last);
    LoaderHost host;
    if (!host.Window()) throw CommandError("no window for the loader");
    loader->SetNotifyWindow(host.Window());
    if (!host.Run(*loader, kListLoadTimeoutMs)) throw CommandError("the calendar did not finish loading");
    loader->SetNotifyWindow(nullptr);
    if (host.CompletedCount() < 0) throw CommandError("the calendar could not be loaded");
    return loader;
}

void PrintCalendar(const CalendarOptions& options, CCalendarThread& loader, const CalendarRange& range)
{
    const double firstDay = range.firstDay, lastDay = range.lastDay;
    // A range view shows the days of its range; the list also holds what
    // the loader placed around them (yearly contact dates, the first days
    // of entries that began earlier).
    const bool rangeView = loader.GetView() >= kCalendarViewMeetings;
    std::vector<CalendarRow> rows;
    int entries = 0;
    for (DATACALENDAR* row : loader.GetDataList()) {
        if (!row || (rangeView && (row->day < firstDay || row->day > lastDay))) continue;
        rows.push_back(CopyRow(*row));
        if (!rows.back().header) ++entries;
    }
    if (options.json) {
        Json out{{"from", IsoDate(firstDay)},
                 {"to", IsoDate(lastDay)},
                 {"view", loader.GetView()},
                 {"count", entries},
                 {"days", DaysJson(rows)}};
        std::puts(out.dump(2).c_str());
        return;
    }
    std::printf("view %d, %s to %s\n\n", loader.GetView(), IsoDate(firstDay).c_str(), IsoDate(lastDay).c_str());
    PrintDays(rows);
}

// The list once, or (watching) again after each burst of changes, refreshed
// where the burst allows it. A new day loads again (the loader declines a
// refresh then), and each load takes its range afresh: without --from/--to
// that is the week of the day it loads on.
void RunCalendar(const CalendarOptions& options)
{
    CalendarRange range = CheckOptions(options);
    std::unique_ptr<CCalendarThread> loader;
    PrintWatchingChanges(
        options.watch, {kAppointmentsDatabase, kTasksDatabase, kContactsDatabase, kCategoriesDatabase},
        [&](const std::vector<STORECHANGE>& changes) { return loader && RefreshCalendarRows(*loader, changes); },
        [&](bool refreshed) {
            if (!refreshed) {
                loader.reset();  // one loader at a time
                range = CheckOptions(options);
                loader = LoadCalendar(options, range);
            }
            if (!options.picture.png.empty()) {
                WriteCalendarPicture(options, *loader, static_cast<LONG>(range.firstDay),
                                     static_cast<LONG>(range.lastDay));
                return;
            }
            PrintCalendar(options, *loader, range);
        });
}

}  // namespace

void AddCalendarCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* calendar = app.add_subcommand(
        "calendar",
        "Show the calendar list as a calendar view loads it, grouped by day: appointments (recurring ones expanded), "
        "tasks, journal entries, birthdays and anniversaries, as the view's settings "
        "(Software\\Corvid\\Kestrel\\CAV) choose");
    calendar->footer(
        "VIEW: 0 birthdays, 1 anniversaries, 2 holidays, 3 recurring (these four list the whole store), 4 meetings, "
        "5 all (default), 6 all on their first day only. The view is stored (CAV_FilterAppointments) and stays "
        "chosen. Markers: recurring, changed (a changed occurrence), meeting, private, reminder, note, links, "
        "journal (has journal entries), birthday, anniversary, ends early. Exit codes: 0 done, 1 the list cannot "
        "be loaded, 2 bad arguments.");
    auto o = std::make_shared<CalendarOptions>();
    calendar->add_option("--from", o->from, "First day (YYYY-MM-DD, default today)")->type_name("DATE");
    calendar->add_option("--to", o->to, "Last day (YYYY-MM-DD, default six days after --from)")->type_name("DATE");
    calendar->add_option("--view", o->view, "The view, 0 to 6 (stored)")->type_name("N");
    calendar->add_flag("--json", o->json,
                       "Print {from, to, view, count, days: [{date, entries: [{kind, oid, subject, location, "
                       "categories, start, end, all_day, duration, busy_status, markers}]}]}");
    AddListPictureOptions(*calendar, o->picture);
    CLI::Option* day = calendar->add_flag("--day", o->dayPicture, "With --png: the day view of --from");
    CLI::Option* week = calendar->add_flag("--week", o->weekPicture, "With --png: the week from --from");
    CLI::Option* agenda = calendar->add_flag("--agenda", o->agendaPicture, "With --png: the agenda of the range (the default)");
    AddListWatchOption(*calendar, o->watch);
    day->excludes(week)->excludes(agenda);
    week->excludes(agenda);
    ctx.OnRun(calendar, [o] {
        if ((o->dayPicture || o->weekPicture) && o->picture.png.empty())
            throw CommandError("--day and --week choose the picture of --png FILE", kExitUsage);
        if (o->watch.watch && !o->picture.png.empty())
            throw CommandError("--watch prints the list; it does not go with --png", kExitUsage);
        o->watch.json = o->json;
        // The calendar shows tasks and contacts' dates as well as appointments.
        RunCalendar(*o);
    });
}

}  // namespace kstools
