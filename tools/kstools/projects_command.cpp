// kstools projects [--json] | add NAME | remove OID: the projects that tasks
// are filed under, each with its tasks as the project view shows them (child
// tasks indented under their parents), and adding or removing a project.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/task_projects.h"
#include "engine/tasks_thread.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/store_value.h"
#include "tools/kstools/task_list_format.h"
#include "tools/kstools/task_list_snapshot.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct ProjectTasks {
    DWORD oid;
    std::string name;
    std::vector<TaskListRow> tasks;
};

// The project view of one project, set on the loader directly (as the
// window of a project does) so that listing projects leaves the task list's
// stored view alone.
std::vector<TaskListRow> LoadProject(DWORD oid)
{
    CTasksThread loader;
    loader.SetManualSettings(true);
    TasksViewSettings& view = loader.Settings();
    view.filterRule = kTasksRuleProject;
    view.projectOid = oid;
    view.filterPrivacy = -1;
    view.filterPriority = 4;
    view.ApplyOverrides();
    return LoadTaskList(loader, TaskListOrder::Tree).rows;
}

std::vector<ProjectTasks> LoadProjects()
{
    CTaskProjects projects(nullptr);
    if (!projects.LoadProjects()) throw CommandError("the project list cannot be opened");
    std::vector<ProjectTasks> out;
    for (TASK_PROJECT* p : projects.GetProjects()) {
        if (p) out.push_back({p->oid, WideToUtf8(static_cast<const WCHAR*>(p->name)), {}});
    }
    for (ProjectTasks& p : out) p.tasks = LoadProject(p.oid);
    return out;
}

void RunList(bool json)
{
    const std::vector<ProjectTasks> projects = LoadProjects();
    if (json) {
        Json list = Json::array();
        for (const ProjectTasks& p : projects) {
            Json tasks = Json::array();
            for (const TaskListRow& row : p.tasks) tasks.push_back(TaskRowJson(row));
            list.push_back(Json{{"oid", HexId(p.oid)}, {"name", p.name}, {"tasks", tasks}});
        }
        std::puts(Json{{"projects", list}}.dump(2).c_str());
        return;
    }
    if (projects.empty()) {
        std::puts("no projects");
        return;
    }
    for (size_t i = 0; i < projects.size(); ++i) {
        const ProjectTasks& p = projects[i];
        if (i > 0) std::puts("");
        std::printf("%s  %s\n", HexId(p.oid).c_str(), p.name.c_str());
        if (p.tasks.empty())
            std::puts("  no tasks");
        else
            PrintTaskTable(p.tasks, 1);
    }
}

void RunAdd(const std::string& name)
{
    if (name.empty()) throw CommandError("a project needs a name", kExitUsage);
    CTaskProjects projects(nullptr);
    if (!projects.LoadProjects()) throw CommandError("the project list cannot be opened");
    const std::u16string wide = Utf8ToWide(name);
    const int before = projects.GetProjects().GetCount();
    const ULONG oid = projects.CreateProject(wide.c_str());
    if (oid == 0) throw CommandError("the project \"" + name + "\" could not be stored");
    if (projects.GetProjects().GetCount() == before)
        std::printf("project %s \"%s\" exists already\n", HexId(oid).c_str(), name.c_str());
    else
        std::printf("added project %s \"%s\"\n", HexId(oid).c_str(), name.c_str());
}

void RunRemove(const std::string& text)
{
    CEOID oid = 0;
    try {
        size_t used = 0;
        const unsigned long long value = std::stoull(text, &used, 0);
        if (used != text.size() || value == 0 || value > 0xFFFFFFFFull || text[0] == '-') throw std::exception();
        oid = static_cast<CEOID>(value);
    } catch (const std::exception&) {
        throw CommandError("\"" + text + "\" is not a project OID: give a decimal or 0x-hexadecimal number",
                           kExitUsage);
    }
    CTaskProjects projects(nullptr);
    if (!projects.LoadProjects()) throw CommandError("the project list cannot be opened");
    const TASK_PROJECT* project = projects.FindProjectbyID(oid);
    if (!project) throw CommandError("no project has OID " + HexId(oid));
    const std::string name = WideToUtf8(static_cast<const WCHAR*>(project->name));
    projects.RemoveProject(oid);
    if (projects.FindProjectbyID(oid)) throw CommandError("the project " + HexId(oid) + " could not be deleted");
    std::printf("removed project %s \"%s\"\n", HexId(oid).c_str(), name.c_str());
}

}  // namespace

void AddProjectsCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* projects = app.add_subcommand(
        "projects", "List the projects in name order, each with its tasks as a tree, or add and remove one");
    projects->require_subcommand(0, 1);
    projects->footer(
        "A task belongs to a project when its parent is the project or a task of the project. Exit codes: 0 done, "
        "1 no such project or a failed write, 2 bad arguments.");
    auto json = std::make_shared<bool>(false);
    projects->add_flag("--json", *json,
                       "Print {projects: [{oid, name, tasks: [{kind, oid, depth, subject, due, ...}]}]}");
    ctx.OnRun(projects, [projects, json] {
        if (projects->get_subcommands().empty()) RunList(*json);
    });

    auto addName = std::make_shared<std::string>();
    CLI::App* add = projects->add_subcommand(
        "add", "Add project NAME and print its OID; a project of that name already listed keeps its OID");
    add->add_option("NAME", *addName, "The project's name")->required();
    ctx.OnRun(add, [addName] { RunAdd(*addName); });

    auto removeOid = std::make_shared<std::string>();
    CLI::App* remove =
        projects->add_subcommand("remove", "Delete the project's record; its tasks keep naming it as their parent");
    remove->add_option("OID", *removeOid, "The project's OID (decimal or 0x-hexadecimal)")->required();
    ctx.OnRun(remove, [removeOid] { RunRemove(*removeOid); });
}

}  // namespace kstools
