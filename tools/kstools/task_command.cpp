// kstools task add|show|set|complete|delete: one task edited as its editor
// would, through CTask; each prints what it stored (as fields, JSON, the
// summary's text or the summary painted into a PNG).
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/task_subject_prefix.h"
#include "items/c_task.h"
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

struct TaskOptions {
    std::string oid;
    std::optional<std::string> subject;
    std::optional<std::string> due;
    std::optional<std::string> start;
    std::optional<std::string> priority;
    std::optional<int> regenerate;
    std::optional<int> percent;
    std::optional<std::string> reminder;
    std::optional<std::string> categories;
    std::optional<std::string> note;
    std::string png;
    AnswerOptions answers;
    bool noReminder = false;
    bool summary = false;
    bool undo = false;
    bool json = false;
};

using task_item::IsNoDate;

Json DateJson(double date, bool withTime)
{
    SYSTEMTIME st{};
    if (IsNoDate(date) || !VariantTimeToSystemTime(date, &st)) return nullptr;
    return withTime ? FormatIsoDateTime(st) : FormatIsoDate(st);
}

double OleDate(const std::string& text, bool keepTime)
{
    if (text == "none") return kNoOleDate;
    const DateArgument date = ParseDateArgument(text);
    DATE value = 0;
    SystemTimeToVariantTime(&date.time, &value);
    return keepTime ? value : std::floor(value);
}

Json TaskJson(CTask& task)
{
    static const char* const kStatus[] = {"none", "not started", "complete", "", "", "waiting", "in progress"};
    const int percent = task.IsComplete() ? 100 : task.Percentage();
    return Json{{"oid", task.Oid()},
                {"subject", WideToUtf8(task.Subject())},
                {"priority", WideToUtf8(task.PriorityLetter() + task.PriorityNumber())},
                {"regenerateDays", task.RegenerateDays()},
                {"start", DateJson(task.StartDate(), false)},
                {"due", DateJson(task.DueDate(), false)},
                {"reminder", task.ReminderSet() ? DateJson(task.ReminderTime(), true) : Json(nullptr)},
                {"complete", task.IsComplete()},
                {"percent", percent},
                {"status", kStatus[CTask::PercentageToStatus(static_cast<unsigned short>(percent))]},
                {"importance", task.Importance()},
                {"private", task.Sensitivity() != olNormal},
                {"categories", WideToUtf8(task.Categories())},
                {"recurring", task.IsRecurring()},
                {"template", WideToUtf8(task.TemplateName())},
                {"note", WideToUtf8(task.Body())}};
}

void Print(CTask& task, const TaskOptions& options)
{
    if (!options.png.empty()) {
        WriteSummaryPng(task.SummaryMarkup(), options.png);
        std::printf("wrote %s\n", options.png.c_str());
        return;
    }
    if (options.summary) {
        std::fputs(SummaryText(task.SummaryMarkup()).c_str(), stdout);
        return;
    }
    const Json json = TaskJson(task);
    if (options.json) {
        std::puts(json.dump(2).c_str());
        return;
    }
    for (const auto& [key, value] : json.items()) {
        if (value.is_null() || (value.is_string() && value.get<std::string>().empty())) continue;
        std::printf("%-15s %s\n", (key + ":").c_str(),
                    value.is_string() ? value.get<std::string>().c_str() : value.dump().c_str());
    }
}

CTask Open(const std::string& oidText)
{
    CTask task;
    const CEOID oid = ParseOid(oidText);
    if (!task.ReadOID(static_cast<long>(oid))) throw CommandError("no task with OID " + oidText);
    if (!task.LoadData(false)) throw CommandError("task " + oidText + " cannot be loaded");
    return task;
}

// Applies the editing options; a refused value throws CommandError (exit 2).
void Apply(CTask& task, const TaskOptions& o)
{
    if (o.subject) {
        std::u16string subject = Utf8ToWide(*o.subject);
        WCHAR letter[kTaskPrefixBufferChars] = {}, number[kTaskPrefixBufferChars] = {};
        int days = 0;
        WCHAR* text = subject.data();
        if (CTask::ParseExtraFromSubject(text, letter, number, days)) {
            task.SetPriority(letter, number);
            task.SetRegenerateDays(days);
        }
        task.SetSubject(text);
    }
    if (o.priority) {
        const std::u16string code = Utf8ToWide(*o.priority);
        const std::u16string_view letter = std::u16string_view(code).substr(0, code.empty() ? 0 : 1);
        if (!task.SetPriority(letter, std::u16string_view(code).substr(letter.size())))
            throw CommandError("not a priority: '" + *o.priority + "' (a letter and up to two digits)", kExitUsage);
    }
    if (o.regenerate) {
        if (*o.regenerate < 0) throw CommandError("--regenerate takes 0 or more days", kExitUsage);
        task.SetRegenerateDays(*o.regenerate);
    }
    if (o.percent && !task.SetPercentage(*o.percent))
        throw CommandError("--percent takes 0 to 101", kExitUsage);
    if (o.start) task.SetStartDate(OleDate(*o.start, false));
    if (o.due) task.SetDueDate(OleDate(*o.due, false));
    if (o.reminder) task.SetReminder(OleDate(*o.reminder, true));
    if (o.noReminder) task.SetReminder(kNoOleDate);
    if (o.categories) task.SetCategories(Utf8ToWide(*o.categories));
    if (o.note) task.SetBody(Utf8ToWide(*o.note));
}

void Save(CTask& task)
{
    if (!task.Save()) throw CommandError("the task could not be saved");
}

void AddEditOptions(CLI::App* command, const std::shared_ptr<TaskOptions>& o)
{
    command->add_option("--due", o->due, "Due date (YYYY-MM-DD, or none)")->type_name("DATE");
    command->add_option("--start", o->start, "Start date (YYYY-MM-DD, or none)")->type_name("DATE");
    command->add_option("--priority", o->priority, "Priority code: a letter and up to two digits (A1, C12)")
        ->type_name("CODE");
    command->add_option("--regenerate", o->regenerate, "Days after completion until the task comes back (0 none)")
        ->type_name("DAYS");
    command->add_option("--percent", o->percent, "Completion percentage (0-100; 101 waiting)")->type_name("N");
    command->add_option("--reminder", o->reminder, "Reminder time (YYYY-MM-DDTHH:MM)")->type_name("TIME");
    command->add_flag("--no-reminder", o->noReminder, "Remove the reminder");
    command->add_option("--categories", o->categories, "Category names joined by \", \"")->type_name("TEXT");
    command->add_option("--note", o->note, "The note, as plain text")->type_name("TEXT");
}

}  // namespace

void AddTaskCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* task = app.add_subcommand("task", "Add, show, change, complete or delete one task as its editor would");
    task->require_subcommand(1);
    task->footer("A subject may start with its priority code and regeneration days, \"A1|7: Water plants\". Exit "
                 "codes: 0 done, 1 no such task or the save failed, 2 bad arguments.");

    const auto common = [](CLI::App* command, const std::shared_ptr<TaskOptions>& o, bool withOid) {
        if (withOid) command->add_option("OID", o->oid, "The task's OID (decimal or 0x-hex)")->required();
        command->add_flag("--json", o->json,
                          "Print {oid, subject, priority, regenerateDays, start, due, reminder, complete, percent, "
                          "status, importance, private, categories, recurring, template, note}");
        command->add_flag("--summary", o->summary, "Print the task's summary as plain text instead");
        command->add_option("--png", o->png, "Paint the task's summary into this PNG file instead")->type_name("FILE");
    };

    auto add = std::make_shared<TaskOptions>();
    CLI::App* addCommand = task->add_subcommand("add", "Add a task and print it");
    addCommand->add_option("SUBJECT", add->subject, "The subject, with an optional priority code")->required();
    AddEditOptions(addCommand, add);
    common(addCommand, add, false);
    AddAnswerFlags(addCommand, add->answers);
    ctx.OnRun(addCommand, [add] {
        OutlookSession session;
        Answers answers(add->answers);
        CTask created;
        const std::u16string subject = Utf8ToWide(add->subject.value_or(""));
        if (!created.Create(add->due ? OleDate(*add->due, false) : kNoOleDate, subject.c_str(), nullptr, true))
            throw CommandError("the task could not be created");
        add->subject.reset();  // Create has parsed it already
        Apply(created, *add);
        Save(created);
        CTask stored = Open(std::to_string(created.Oid()));
        Print(stored, *add);
    });

    auto show = std::make_shared<TaskOptions>();
    CLI::App* showCommand = task->add_subcommand("show", "Print one task");
    common(showCommand, show, true);
    ctx.OnRun(showCommand, [show] {
        OutlookSession session;
        CTask shown = Open(show->oid);
        Print(shown, *show);
    });

    // "edit" is another name of "set", as the editor is to the user.
    auto set = std::make_shared<TaskOptions>();
    CLI::App* setCommand = task->add_subcommand("set", "Change a task and print what was stored")->alias("edit");
    setCommand->add_option("--subject", set->subject, "The subject, with an optional priority code")->type_name("TEXT");
    AddEditOptions(setCommand, set);
    common(setCommand, set, true);
    AddAnswerFlags(setCommand, set->answers);
    ctx.OnRun(setCommand, [set] {
        OutlookSession session;
        Answers answers(set->answers);
        CTask edited = Open(set->oid);
        Apply(edited, *set);
        Save(edited);
        CTask stored = Open(set->oid);
        Print(stored, *set);
    });

    auto complete = std::make_shared<TaskOptions>();
    CLI::App* completeCommand = task->add_subcommand(
        "complete", "Mark a task complete (a regenerating task comes back, a recurring one moves on) and print it");
    completeCommand->add_flag("--undo", complete->undo, "Mark it not complete instead");
    common(completeCommand, complete, true);
    AddAnswerFlags(completeCommand, complete->answers);
    ctx.OnRun(completeCommand, [complete] {
        OutlookSession session;
        Answers answers(complete->answers);
        CTask done = Open(complete->oid);
        if (!done.ChangeTaskStatus(complete->undo ? TASK_STATUS_NOT_STARTED : TASK_STATUS_COMPLETE))
            throw CommandError("the task could not be saved");
        CTask stored = Open(complete->oid);
        Print(stored, *complete);
    });

    auto beam = std::make_shared<TaskOptions>();
    CLI::App* beamCommand = task->add_subcommand(
        "beam", "Beam a task as an iCalendar file into the device's \\Outbox folder and print the file's device path");
    beamCommand->add_option("OID", beam->oid, "The task's OID (decimal or 0x-hex)")->required();
    ctx.OnRun(beamCommand, [beam] {
        OutlookSession session;
        CTask beamed = Open(beam->oid);
        const std::vector<std::string> before = OutboxFiles();
        if (!beamed.SendViaIR()) throw CommandError("the task could not be beamed");
        PrintNewOutboxFiles(before);
    });

    auto remove = std::make_shared<TaskOptions>();
    CLI::App* deleteCommand = task->add_subcommand(
        "delete", "Delete a task and its reminder, after asking (--yes deletes, --no keeps it: exit 1)");
    deleteCommand->add_option("OID", remove->oid, "The task's OID (decimal or 0x-hex)")->required();
    AddAnswerFlags(deleteCommand, remove->answers);
    deleteCommand->add_flag("--json", remove->json, "Print {oid, deleted}");
    ctx.OnRun(deleteCommand, [remove] {
        OutlookSession session;
        Answers answers(remove->answers);
        CTask doomed = Open(remove->oid);
        const long oid = doomed.Oid();
        if (!doomed.Delete(true)) throw CommandError("the task was not deleted");
        if (remove->json) std::puts(Json{{"oid", oid}, {"deleted", true}}.dump(2).c_str());
        else std::printf("deleted task %s\n", remove->oid.c_str());
    });
}

}  // namespace kstools
