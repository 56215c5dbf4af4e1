// kstools appt add|edit|delete|show|crypt|convert and task convert: one
// appointment edited as its editor would, through CAppointment; each prints
// what it stored.
#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "items/app_task_tools.h"
#include "items/c_appointment.h"
#include "items/c_task_settings.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "tools/kstools/answer_host.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/item_summary.h"
#include "tools/kstools/outbox_files.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;
using task_item::IsNoDate;

struct ApptOptions {
    std::string oid;
    std::optional<std::string> subject;
    std::optional<std::string> start;
    std::optional<int> duration;
    std::optional<std::string> location;
    std::optional<std::string> categories;
    std::optional<std::string> note;
    std::optional<int> reminder;
    std::optional<std::string> busy;
    std::optional<bool> allDay;
    std::optional<bool> marked;
    std::optional<std::string> occurrence;
    std::optional<std::string> following;
    std::optional<std::string> recur;
    std::optional<std::vector<int>> extraAlarms;
    std::string png;
    bool noReminder = false;
    bool noExtraAlarms = false;
    bool series = false;
    bool summary = false;
    AnswerOptions answers;
    bool json = false;
};

constexpr const char* kBusyNames[] = {"free", "tentative", "busy", "out-of-office"};

Json DateJson(double date)
{
    SYSTEMTIME st{};
    if (IsNoDate(date) || !VariantTimeToSystemTime(date, &st)) return nullptr;
    return FormatIsoDateTime(st);
}

double OleDate(const std::string& text)
{
    const DateArgument date = ParseDateArgument(text);
    DATE value = 0;
    SystemTimeToVariantTime(&date.time, &value);
    return value;
}

Json ApptJson(const CAppointment& a)
{
    return Json{{"oid", a.Oid()},
                {"subject", WideToUtf8(a.Subject())},
                {"marked", a.IsMarked()},
                {"start", DateJson(a.Start())},
                {"end", DateJson(a.End())},
                {"duration", a.Duration()},
                {"allDay", a.IsAllDay()},
                {"location", WideToUtf8(a.Location())},
                {"busy", a.BusyStatus() >= 0 && a.BusyStatus() <= 3 ? kBusyNames[a.BusyStatus()] : "?"},
                {"private", a.Sensitivity() != olNormal},
                {"reminder", a.ReminderSet() ? Json(a.ReminderMinutes()) : Json(nullptr)},
                {"recurring", a.IsRecurring()},
                {"occurrence", a.IsOccurrence()},
                {"meeting", a.IsMeeting()},
                {"extraAlarms", a.ExtraAlarms()},
                {"categories", WideToUtf8(a.Categories())},
                {"template", WideToUtf8(a.TemplateName())},
                {"note", WideToUtf8(a.Body())}};
}

void Print(const CAppointment& a, const ApptOptions& o)
{
    if (!o.png.empty()) {
        WriteSummaryPng(a.SummaryMarkup(), o.png);
        std::printf("wrote %s\n", o.png.c_str());
        return;
    }
    if (o.summary) {
        std::fputs(SummaryText(a.SummaryMarkup()).c_str(), stdout);
        return;
    }
    const Json json = ApptJson(a);
    if (o.json) {
        std::puts(json.dump(2).c_str());
        return;
    }
    for (const auto& [key, value] : json.items()) {
        if (value.is_null() || (value.is_string() && value.get<std::string>().empty())) continue;
        std::printf("%-11s %s\n", (key + ":").c_str(),
                    value.is_string() ? value.get<std::string>().c_str() : value.dump().c_str());
    }
}

CAppointment Open(const std::string& oidText, const std::optional<std::string>& occurrence = std::nullopt)
{
    CAppointment a;
    const CEOID oid = ParseOid(oidText);
    const double date = occurrence ? std::floor(OleDate(*occurrence)) : kNoOleDate;
    if (!a.ReadOID(static_cast<long>(oid), date, occurrence.has_value()))
        throw CommandError("no appointment with OID " + oidText + (occurrence ? " on " + *occurrence : ""));
    if (!a.LoadData()) throw CommandError("appointment " + oidText + " cannot be loaded");
    return a;
}

// The pattern of --recur, on the start's weekday, day and month.
AppointmentRecurrence Pattern(const std::string& name, double start)
{
    SYSTEMTIME day{};
    VariantTimeToSystemTime(start, &day);
    AppointmentRecurrence r;
    if (name == "none") return r;
    if (name == "daily") {
        r.type = olRecursDaily;
    } else if (name == "weekdays") {
        r.type = olRecursDaily;
        r.dayOfWeekMask = 62;
    } else if (name == "weekly") {
        r.type = olRecursWeekly;
        r.dayOfWeekMask = 1 << day.wDayOfWeek;
    } else if (name == "monthly") {
        r.type = olRecursMonthly;
        r.dayOfMonth = day.wDay;
    } else if (name == "yearly") {
        r.type = olRecursYearly;
        r.dayOfMonth = day.wDay;
        r.monthOfYear = day.wMonth;
    } else {
        throw CommandError("--recur takes none, daily, weekdays, weekly, monthly or yearly", kExitUsage);
    }
    return r;
}

void Apply(CAppointment& a, const ApptOptions& o)
{
    if (o.subject) a.SetSubject(Utf8ToWide(*o.subject));
    if (o.duration && !a.SetDuration(*o.duration)) throw CommandError("--duration takes 0 or more minutes", kExitUsage);
    if (o.start) a.SetStart(OleDate(*o.start));
    if (o.location) a.SetLocation(Utf8ToWide(*o.location));
    if (o.categories) a.SetCategories(Utf8ToWide(*o.categories));
    if (o.note) a.SetBody(Utf8ToWide(*o.note));
    if (o.allDay) a.SetAllDay(*o.allDay);
    if (o.busy) {
        LONG status = -1;
        for (LONG i = 0; i < 4; ++i)
            if (*o.busy == kBusyNames[i]) status = i;
        if (status < 0) throw CommandError("--busy takes free, tentative, busy or out-of-office", kExitUsage);
        a.SetBusyStatus(status);
    }
    if (o.reminder) {
        if (*o.reminder < 0) throw CommandError("--reminder takes 0 or more minutes", kExitUsage);
        a.SetReminder(*o.reminder);
    }
    if (o.noReminder) a.SetReminder(-1);
    if (o.marked) a.SetMarked(*o.marked);
    if (o.recur) a.SetRecurrence(Pattern(*o.recur, a.Start()));
    if (o.extraAlarms) {
        std::vector<LONG> minutes;
        for (int m : *o.extraAlarms) {
            if (m < 0) throw CommandError("--extra-alarms takes minutes of 0 or more", kExitUsage);
            minutes.push_back(m);
        }
        a.SetExtraAlarms(minutes);
    }
    if (o.noExtraAlarms) a.SetExtraAlarms({});
}

void AddEditOptions(CLI::App* c, const std::shared_ptr<ApptOptions>& o)
{
    c->add_option("--start", o->start, "Start (YYYY-MM-DDTHH:MM)")->type_name("TIME");
    c->add_option("--duration", o->duration, "Length in minutes")->type_name("MIN");
    c->add_option("--location", o->location, "The location")->type_name("TEXT");
    c->add_option("--categories", o->categories, "Category names joined by \", \"")->type_name("TEXT");
    c->add_option("--note", o->note, "The note, as plain text")->type_name("TEXT");
    c->add_option("--reminder", o->reminder, "Reminder minutes before the start")->type_name("MIN");
    c->add_flag("--no-reminder", o->noReminder, "Remove the reminder");
    c->add_option("--busy", o->busy, "free, tentative, busy or out-of-office")->type_name("STATUS");
    c->add_option("--all-day", o->allDay, "true or false (all day makes it free and drops the reminder by default)")
        ->type_name("BOOL");
    c->add_option("--marked", o->marked, "true or false: the subject is marked")->type_name("BOOL");
    c->add_option("--extra-alarms", o->extraAlarms, "Further alarms, minutes before the start (30,60)")
        ->type_name("MIN...")
        ->delimiter(',');
    c->add_flag("--no-extra-alarms", o->noExtraAlarms, "Remove the further alarms");
    c->add_option("--recur", o->recur, "none, daily, weekdays, weekly, monthly or yearly, from the start")
        ->type_name("PATTERN");
}

void AddOutputOptions(CLI::App* c, const std::shared_ptr<ApptOptions>& o)
{
    c->add_flag("--json", o->json,
                "Print {oid, subject, marked, start, end, duration, allDay, location, busy, private, reminder, "
                "recurring, occurrence, meeting, categories, template, note}");
    c->add_flag("--summary", o->summary, "Print the summary as plain text instead");
    c->add_option("--png", o->png, "Paint the summary into this PNG file instead")->type_name("FILE");
}

void AddAnswerOptions(CLI::App* c, const std::shared_ptr<ApptOptions>& o)
{
    AddAnswerFlags(c, o->answers);
}

// The passphrase from the terminal (not echoed) or from standard input;
// kept only for the call and wiped afterwards.
std::u16string ReadPassphrase()
{
    const bool terminal = isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal) {
        std::fputs("Enter your Passphrase: ", stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) line.push_back(static_cast<char>(c));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::u16string passphrase = Utf8ToWide(line);
    std::fill(line.begin(), line.end(), '\0');
    return passphrase;
}

}  // namespace

void AddApptCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* appt = app.add_subcommand("appt", "Add, show, change, delete or encipher one appointment as its editor would");
    appt->require_subcommand(1);
    appt->footer("Questions (update the attendees? only this occurrence?) are asked on the terminal, or answered by "
                 "--yes/--no. Exit codes: 0 done, 1 no such appointment or the save failed, 2 bad arguments.");

    auto add = std::make_shared<ApptOptions>();
    CLI::App* addCommand = appt->add_subcommand("add", "Add an appointment and print it");
    addCommand->add_option("SUBJECT", add->subject, "The subject")->required();
    AddEditOptions(addCommand, add);
    AddOutputOptions(addCommand, add);
    AddAnswerOptions(addCommand, add);
    ctx.OnRun(addCommand, [add] {
        OutlookSession session;
        Answers answers(add->answers);
        CAppointment created;
        const std::u16string subject = Utf8ToWide(add->subject.value_or(""));
        const double start = add->start ? OleDate(*add->start) : kNoOleDate;
        if (!created.Create(start, subject.c_str(), add->duration.value_or(60), nullptr, true))
            throw CommandError("the appointment could not be created");
        add->subject = WideToUtf8(created.Subject());  // Create has cut an over-long one
        add->start.reset();
        Apply(created, *add);
        if (!created.Save()) throw CommandError("the appointment could not be saved");
        Print(Open(std::to_string(created.Oid())), *add);
    });

    auto show = std::make_shared<ApptOptions>();
    CLI::App* showCommand = appt->add_subcommand("show", "Print one appointment or one occurrence");
    showCommand->add_option("OID", show->oid, "The appointment's OID (decimal or 0x-hex)")->required();
    showCommand->add_option("--occurrence", show->occurrence, "The occurrence on this day")->type_name("DATE");
    AddOutputOptions(showCommand, show);
    ctx.OnRun(showCommand, [show] {
        OutlookSession session;
        Print(Open(show->oid, show->occurrence), *show);
    });

    auto edit = std::make_shared<ApptOptions>();
    CLI::App* editCommand = appt->add_subcommand("edit", "Change an appointment (or one occurrence) and print it");
    editCommand->add_option("OID", edit->oid, "The appointment's OID (decimal or 0x-hex)")->required();
    editCommand->add_option("--subject", edit->subject, "The subject")->type_name("TEXT");
    CLI::Option* only = editCommand->add_option("--occurrence", edit->occurrence, "Change only the occurrence on this day")
        ->type_name("DATE");
    editCommand
        ->add_option("--following", edit->following,
                     "Change this occurrence and the following ones: the series is split on this day")
        ->type_name("DATE")
        ->excludes(only);
    AddEditOptions(editCommand, edit);
    AddOutputOptions(editCommand, edit);
    AddAnswerOptions(editCommand, edit);
    ctx.OnRun(editCommand, [edit] {
        OutlookSession session;
        Answers answers(edit->answers);
        CAppointment edited = Open(edit->oid, edit->occurrence);
        if (edit->following &&
            edited.CheckForRecurrence(std::floor(OleDate(*edit->following)), false, kApptEditFollowing) !=
                kApptEditFollowing)
            throw CommandError("appointment " + edit->oid + " has no occurrence on " + *edit->following);
        Apply(edited, *edit);
        if (!edited.Save()) throw CommandError("the appointment could not be saved");
        Print(Open(std::to_string(edited.Oid()), edit->occurrence), *edit);
    });

    auto remove = std::make_shared<ApptOptions>();
    CLI::App* deleteCommand = appt->add_subcommand("delete", "Delete an appointment, one occurrence or the series");
    deleteCommand->add_option("OID", remove->oid, "The appointment's OID (decimal or 0x-hex)")->required();
    CLI::Option* occurrence =
        deleteCommand->add_option("--occurrence", remove->occurrence, "Delete only the occurrence on this day")
            ->type_name("DATE");
    deleteCommand->add_flag("--series", remove->series, "Delete the whole series without asking")->excludes(occurrence);
    AddAnswerOptions(deleteCommand, remove);
    ctx.OnRun(deleteCommand, [remove] {
        OutlookSession session;
        Answers answers(remove->answers);
        int result = 0;
        if (remove->occurrence) {
            // Only this occurrence: the question is answered for the user.
            CAppointment one = Open(remove->oid, remove->occurrence);
            if (!one.IsOccurrence()) throw CommandError("appointment " + remove->oid + " does not recur");
            result = one.Delete(one.OccurrenceDate(), true);
        } else {
            CAppointment whole = Open(remove->oid);
            result = whole.Delete(whole.Start(), remove->series);
        }
        if (result == kApptDeletedOccurrence) std::printf("deleted one occurrence of %s\n", remove->oid.c_str());
        else if (result == kApptDeletedSeries) std::printf("deleted appointment %s\n", remove->oid.c_str());
        else throw CommandError("the appointment was not deleted");
    });

    auto crypt = std::make_shared<ApptOptions>();
    CLI::App* cryptCommand = appt->add_subcommand(
        "crypt", "Encipher (yes) or decipher (no) the subject and location with a passphrase read from the "
                 "terminal or standard input");
    cryptCommand->add_option("OID", crypt->oid, "The appointment's OID (decimal or 0x-hex)")->required();
    AddAnswerOptions(cryptCommand, crypt);
    AddOutputOptions(cryptCommand, crypt);
    ctx.OnRun(cryptCommand, [crypt] {
        OutlookSession session;
        Answers answers(crypt->answers);
        const CEOID oid = ParseOid(crypt->oid);
        std::u16string passphrase = ReadPassphrase();
        if (passphrase.empty()) throw CommandError("no passphrase given: nothing changed", kExitUsage);
        const int result = CAppointment::Crypt(passphrase.c_str(), static_cast<long>(oid));
        std::fill(passphrase.begin(), passphrase.end(), u'\0');
        if (result <= 0) throw CommandError("the appointment was not changed");
        Print(Open(crypt->oid), *crypt);
    });

    auto beam = std::make_shared<ApptOptions>();
    CLI::App* beamCommand = appt->add_subcommand(
        "beam", "Beam an appointment (a series whole) as an iCalendar file into the device's \\Outbox folder and "
                "print the file's device path");
    beamCommand->add_option("OID", beam->oid, "The appointment's OID (decimal or 0x-hex)")->required();
    ctx.OnRun(beamCommand, [beam] {
        OutlookSession session;
        CAppointment beamed = Open(beam->oid);
        const std::vector<std::string> before = OutboxFiles();
        if (!beamed.SendViaIR()) throw CommandError("the appointment could not be beamed");
        PrintNewOutboxFiles(before);
    });

    auto convert = std::make_shared<ApptOptions>();
    CLI::App* convertCommand = appt->add_subcommand("convert", "Make a task of an appointment and print the task's OID");
    convertCommand->add_option("OID", convert->oid, "The appointment's OID (decimal or 0x-hex)")->required();
    AddAnswerOptions(convertCommand, convert);
    ctx.OnRun(convertCommand, [convert] {
        OutlookSession session;
        Answers answers(convert->answers);
        bool deleted = false;
        const long task = CAppTaskTools::ConvertAppointmentToTask(static_cast<long>(ParseOid(convert->oid)), deleted);
        if (!task) throw CommandError("no task was made of appointment " + convert->oid);
        std::printf("task %ld%s\n", task, deleted ? " (the appointment was deleted)" : "");
    });

    const auto named = [](CLI::App* sub) { return sub->get_name() == "task"; };
    for (CLI::App* task : app.get_subcommands(named)) {
        auto back = std::make_shared<ApptOptions>();
        CLI::App* taskConvert = task->add_subcommand("convert", "Make an appointment of a task and print its OID");
        taskConvert->add_option("OID", back->oid, "The task's OID (decimal or 0x-hex)")->required();
        taskConvert->add_option("--start", back->start, "The day of the appointment (default: the due day)")
            ->type_name("DATE");
        AddAnswerOptions(taskConvert, back);
        ctx.OnRun(taskConvert, [back] {
            OutlookSession session;
            Answers answers(back->answers);
            bool deleted = false;
            const double day = back->start ? std::floor(OleDate(*back->start)) : kNoOleDate;
            const long made =
                CAppTaskTools::ConvertTaskToAppointment(static_cast<long>(ParseOid(back->oid)), deleted, day);
            if (!made) throw CommandError("no appointment was made of task " + back->oid);
            std::printf("appointment %ld%s\n", made, deleted ? " (the task was deleted)" : "");
        });
    }
}

}  // namespace kstools
