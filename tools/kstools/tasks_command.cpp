// kstools tasks [--filter RULE] [--sort KEY[,KEY2]] [--descending] [--group
// KIND] [--project OID] [--show-completed] [--json]: the task list as a task
// window shows it. The options are stored in the task list's settings key
// first, so that the loader reads them exactly as it reads a choice made in
// the window, and a later run without options shows the same list.
#include <array>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/task_projects.h"
#include "engine/tasks_compare.h"
#include "engine/tasks_thread.h"
#include "grid/task_list_presenter.h"
#include "platform/objectstore/store_schema.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/list_picture.h"
#include "tools/kstools/list_refresh.h"
#include "tools/kstools/list_watch.h"
#include "tools/kstools/store_value.h"
#include "tools/kstools/task_list_format.h"
#include "tools/kstools/task_list_snapshot.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

// Each value option is empty when not given; an empty text given is a bad value.
struct TasksOptions {
    std::optional<std::string> filter;
    std::optional<std::string> sort;
    std::optional<std::string> group;
    std::optional<std::string> project;
    std::optional<std::string> days;
    std::optional<std::string> on;
    bool descending = false;
    bool ascending = false;
    bool showCompleted = false;
    bool hideCompleted = false;
    bool json = false;
    ListPictureOptions picture;
    ListWatchOptions watch;
};

struct Named {
    const char* name;
    int value;
};

constexpr Named kRules[] = {{"all", kTasksRuleAll},
                            {"today", kTasksRuleToday},
                            {"overdue", kTasksRuleOverdue},
                            {"undated", kTasksRuleUndated},
                            {"active", kTasksRuleActive},
                            {"tomorrow", kTasksRuleTomorrow},
                            {"completed", kTasksRuleCompleted},
                            {"days-ahead", kTasksRuleDaysAhead},
                            {"on-date", kTasksRuleOnDate},
                            {"unplanned", kTasksRuleUnplanned},
                            {"project", kTasksRuleProject}};
constexpr Named kSortKeys[] = {{"manager", 0},    {"subject", 1},    {"due", 2},      {"start", 3},
                               {"importance", 4}, {"completion", 5}, {"priority", 6}, {"category", 7}};
constexpr Named kGroupKinds[] = {
    {"none", kTasksGroupNone},         {"category", kTasksGroupCategory},       {"importance", kTasksGroupImportance},
    {"priority", kTasksGroupPriority}, {"progress", kTasksGroupProgress},       {"completion", kTasksGroupCompletion},
    {"date", kTasksGroupDate},         {"manager", kTasksGroupPriorityManager}, {"project", kTasksGroupProject}};

template <size_t N>
std::string Choices(const Named (&table)[N])
{
    std::string text;
    for (const Named& n : table) text += (text.empty() ? "" : ", ") + std::to_string(n.value) + " " + n.name;
    return text;
}

std::optional<long long> WholeNumber(const std::string& text, int base = 10)
{
    std::string_view digits = text;
    if (base == 0) {
        base = 10;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits.remove_prefix(2);
            base = 16;
        }
    }
    long long value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// A table's value given as its number or its name.
template <size_t N>
int Choose(const std::string& text, const Named (&table)[N], const char* what)
{
    const std::optional<long long> number = WholeNumber(text);
    for (const Named& n : table) {
        if ((number && *number == n.value) || text == n.name) return n.value;
    }
    throw CommandError("\"" + text + "\" is not a " + what + ": use one of " + Choices(table), kExitUsage);
}

std::vector<int> ParseSortKeys(const std::string& text)
{
    std::vector<int> keys;
    size_t begin = 0;
    while (true) {
        const size_t comma = text.find(',', begin);
        keys.push_back(Choose(text.substr(begin, comma - begin), kSortKeys, "sort key"));
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    if (keys.size() > 2) throw CommandError("--sort takes one or two keys, KEY or KEY,KEY2", kExitUsage);
    return keys;
}

DWORD ParseProjectOid(const std::string& text)
{
    const std::optional<long long> value = WholeNumber(text, 0);
    if (!value || *value <= 0 || *value > 0xFFFFFFFFll)
        throw CommandError("\"" + text + "\" is not a project OID: give a decimal or 0x-hexadecimal number",
                           kExitUsage);
    return static_cast<DWORD>(*value);
}

// The settings values one run writes, checked in full before any is stored
// so that a bad option leaves the stored view as it was.
struct ViewChoice {
    std::vector<std::pair<const WCHAR*, ULONG>> values;
    std::optional<DWORD> project;
    std::optional<double> onDate;
};

ViewChoice CheckOptions(const TasksOptions& o)
{
    ViewChoice choice;
    auto set = [&](const WCHAR* name, ULONG value) { choice.values.emplace_back(name, value); };
    std::optional<int> rule;
    if (o.filter) rule = Choose(*o.filter, kRules, "filter rule");
    if (o.project) {
        if (rule && *rule != kTasksRuleProject)
            throw CommandError("--project shows the project view (rule 42262); it cannot go with --filter " + *o.filter,
                               kExitUsage);
        choice.project = ParseProjectOid(*o.project);
        rule = kTasksRuleProject;
        set(u"FCCurrentProjectOID", *choice.project);
    }
    if (rule) set(u"TV_FilterData", static_cast<ULONG>(*rule));
    if (o.sort) {
        const std::vector<int> keys = ParseSortKeys(*o.sort);
        set(u"TV_Sort0", static_cast<ULONG>(keys[0]));
        if (keys.size() > 1) set(u"TV_Sort1", static_cast<ULONG>(keys[1]));
        // A new sort starts ascending unless told otherwise.
        set(u"TV_SortDescending0", o.descending ? 1 : 0);
    } else if (o.descending || o.ascending) {
        set(u"TV_SortDescending0", o.descending ? 1 : 0);
    }
    if (o.group) set(u"GroupBy", static_cast<ULONG>(Choose(*o.group, kGroupKinds, "group kind")));
    if (o.showCompleted || o.hideCompleted) set(u"bShowCompleted", o.showCompleted ? 1 : 0);
    if (o.days) {
        const std::optional<long long> days = WholeNumber(*o.days);
        if (!days || *days < 0 || *days > static_cast<long long>(kTaskNoDate))
            throw CommandError("--days takes a number of days from 0 up: \"" + *o.days + "\"", kExitUsage);
        set(u"TV_DaysFuture", static_cast<ULONG>(*days));
    }
    if (o.on) {
        TasksViewSettings stored;
        stored.Read(kTasksSettingsKey);
        const int effective = rule ? *rule : stored.filterRule;
        if (effective != kTasksRuleOnDate)
            throw CommandError(
                "--on chooses the day of the on-date filter (42260); the list's filter is " + std::to_string(effective),
                kExitUsage);
        const DateArgument date = ParseDateArgument(*o.on);
        SYSTEMTIME day = date.time;
        day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
        DATE value = 0;
        if (!SystemTimeToVariantTime(&day, &value)) throw CommandError("--on: no such day: " + *o.on, kExitUsage);
        choice.onDate = value;
    }
    return choice;
}

void StoreChoice(const ViewChoice& choice)
{
    if (choice.values.empty()) return;
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, kTasksSettingsKey) != 0)
        throw CommandError("the task list's settings cannot be opened");
    for (const auto& [name, value] : choice.values) {
        if (settings.SetValue(name, value) != 0) throw CommandError("the task list's settings cannot be written");
    }
    if (settings.SaveINIFile(1) != 0) throw CommandError("the task list's settings cannot be saved");
}

void CheckProjectExists(DWORD oid)
{
    CTaskProjects projects(nullptr);
    if (!projects.LoadProjects()) throw CommandError("the project list cannot be opened");
    if (!projects.FindProjectbyID(oid)) throw CommandError("no project has OID " + HexId(oid));
}

std::string RuleName(int rule)
{
    for (const Named& n : kRules) {
        if (n.value == rule) return n.name;
    }
    return "all";
}

Json ViewJson(CTasksThread& loader)
{
    const TasksViewSettings& s = loader.Settings();
    const TasksSortPrefs& sort = loader.SortPrefs();
    Json view{{"filter", s.filterRule},
              {"filterName", RuleName(s.filterRule)},
              {"sort", {sort.primaryKey, sort.secondaryKey}},
              {"descending", sort.primaryDescending},
              {"group", s.groupBy},
              {"showCompleted", s.showCompleted},
              {"showUndated", s.showUndated}};
    if (s.ProjectView()) view["project"] = HexId(s.projectOid);
    if (s.filterRule == kTasksRuleOnDate) view["on"] = TaskIsoDate(loader.GetOnDate());
    return view;
}

// Checks the options, stores them as the list's settings and makes the
// loader that reads them.
std::unique_ptr<CTasksThread> PrepareTasks(const TasksOptions& options)
{
    if (options.descending && options.ascending)
        throw CommandError("--descending and --ascending cannot go together", kExitUsage);
    if (options.showCompleted && options.hideCompleted)
        throw CommandError("--show-completed and --hide-completed cannot go together", kExitUsage);
    const ViewChoice choice = CheckOptions(options);
    if (choice.project) CheckProjectExists(*choice.project);
    StoreChoice(choice);

    auto loader = std::make_unique<CTasksThread>();  // reads the settings just stored
    // A window of the on-date view always names its day; today unless told.
    if (loader->GetFilterRule() == kTasksRuleOnDate)
        loader->SetDateOn(choice.onDate ? *choice.onDate : static_cast<double>(loader->GetToday()));
    return loader;
}

void PrintTasks(const TasksOptions& options, CTasksThread& loader, const TaskListSnapshot& list)
{
    if (options.json) {
        Json rows = Json::array();
        for (const TaskListRow& row : list.rows) rows.push_back(TaskRowJson(row));
        Json out{{"view", ViewJson(loader)}, {"rows", rows}, {"counts", TaskCountsJson(list.counts)}};
        std::puts(out.dump(2).c_str());
        return;
    }
    const size_t shown = std::min(list.rows.size(), static_cast<size_t>(std::max(list.counts.displayed, 0)));
    if (shown == 0) {
        std::puts("no tasks");
    } else {
        PrintTaskTable(std::vector<TaskListRow>(list.rows.begin(), list.rows.begin() + static_cast<long>(shown)));
    }
    if (list.rows.size() > shown)
        std::printf("%zu more rows inside closed groups and parents\n", list.rows.size() - shown);
    PrintTaskCounts(list.counts);
}

// The list once, or (watching) again after each burst of changes: a burst
// naming a few tasks refreshes their rows only, any other loads again.
void RunTasks(const TasksOptions& options)
{
    std::unique_ptr<CTasksThread> loader;
    PrintWatchingChanges(
        options.watch, {kTasksDatabase, kCategoriesDatabase},
        [&](const std::vector<STORECHANGE>& changes) { return loader && RefreshTaskRows(*loader, changes); },
        [&](bool refreshed) {
            if (refreshed) {
                PrintTasks(options, *loader, CaptureTaskList(*loader, TaskListOrder::DisplayList));
                return;
            }
            loader.reset();  // one loader at a time
            loader = PrepareTasks(options);
            if (!options.picture.png.empty()) {
                CListRows rows({});
                LoadTaskListWith(*loader, [&] {
                    CePtrList<DATATASKS*>& data = loader->GetDataList();
                    rows = TaskListRows(std::vector<const DATATASKS*>(data.begin(), data.end()));
                });
                WriteListPicture(options.picture, rows);
                return;
            }
            PrintTasks(options, *loader, LoadTaskList(*loader, TaskListOrder::DisplayList));
        });
}

}  // namespace

void AddTasksCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* tasks = app.add_subcommand(
        "tasks",
        "Show the task list as a task window does: filtered, sorted and grouped by the options, which are stored "
        "in the list's settings (Software\\Corvid\\Kestrel\\TV) and so stay chosen for the next run");
    tasks->footer("RULE: " + Choices(kRules) + ".\nKEY: " + Choices(kSortKeys) + ".\nKIND: " + Choices(kGroupKinds) +
                  ".\nEach is given as its number or its name. Flags: C complete, ! overdue, T due today, N note, L "
                  "links, J journal, P private, K shown only as the parent of a listed task, + a parent whose "
                  "children are closed. Exit codes: 0 done, 1 the list cannot be loaded or no such project, 2 bad "
                  "arguments.");
    auto o = std::make_shared<TasksOptions>();
    auto text = std::make_shared<std::array<std::string, 6>>();
    std::array<CLI::Option*, 6> given{
        tasks->add_option("--filter", (*text)[0], "Filter rule (TV_FilterData)")->type_name("RULE"),
        tasks
            ->add_option("--sort", (*text)[1],
                         "Primary sort key, and the secondary one after a comma (TV_Sort0, TV_Sort1)")
            ->type_name("KEY[,KEY2]"),
        tasks->add_option("--group", (*text)[2], "Group kind (GroupBy)")->type_name("KIND"),
        tasks
            ->add_option("--project", (*text)[3],
                         "Show this project's tasks as a tree: rule 42262 and FCCurrentProjectOID (decimal or 0x-hex)")
            ->type_name("OID"),
        tasks->add_option("--days", (*text)[4], "Days ahead for the days-ahead filter, 42259 (TV_DaysFuture)")
            ->type_name("N"),
        tasks
            ->add_option("--on", (*text)[5],
                         "The day of the on-date filter, 42260 (YYYY-MM-DD, default today; not stored)")
            ->type_name("DATE")};
    tasks->add_flag("--descending", o->descending, "Primary key descending (with --sort: else ascending)");
    tasks->add_flag("--ascending", o->ascending, "Primary key ascending");
    tasks->add_flag("--show-completed", o->showCompleted, "Keep completed tasks (bShowCompleted 1)");
    tasks->add_flag("--hide-completed", o->hideCompleted, "Leave completed tasks out (bShowCompleted 0)");
    tasks->add_flag("--json", o->json,
                    "Print {view, rows: [{kind, oid, depth, hidden, priority, subject, due, start, percent, complete, "
                    "categories, ...}], counts: {included, completed, overdue, dueToday, high, normal, low, partial, "
                    "displayed}}; rows lists every row, the displayed ones first");
    AddListPictureOptions(*tasks, o->picture);
    AddListWatchOption(*tasks, o->watch);
    ctx.OnRun(tasks, [o, text, given] {
        std::optional<std::string>* fields[6] = {&o->filter, &o->sort, &o->group, &o->project, &o->days, &o->on};
        for (size_t i = 0; i < given.size(); ++i) {
            if (given[i]->count() > 0) *fields[i] = (*text)[i];
        }
        if (o->watch.watch && !o->picture.png.empty())
            throw CommandError("--watch prints the list; it does not go with --png", kExitUsage);
        o->watch.json = o->json;
        RunTasks(*o);
    });
}

}  // namespace kstools
