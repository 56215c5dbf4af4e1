// kstools views list|save|apply|rename|delete APP [NAME]: custom views, the
// saved settings of one application's list (calendar, tasks, contacts,
// notes), through CCustomView.
#include <cstdio>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/calendar_settings.h"
#include "engine/contacts_view_settings.h"
#include "engine/notes_thread.h"
#include "engine/tasks_view_settings.h"
#include "items/c_custom_view.h"
#include "platform/text/utf8.h"
#include "tools/kstools/answer_host.h"
#include "tools/kstools/commands.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

// The view each application saves: its tab number, settings key and the
// folder its views are kept in.
struct ViewApp {
    const char* name;
    int tab;
    const WCHAR* key;
    const WCHAR* folder;
};
constexpr ViewApp kApps[] = {{"calendar", 1, kCalendarSettingsKey, u"Calendar"},
                             {"tasks", 2, kTasksSettingsKey, u"Tasks"},
                             {"contacts", 3, kContactsSettingsKey, u"Contacts"},
                             {"notes", 4, kNotesSettingsKey, u"Notes"}};

struct ViewsOptions {
    std::string app;
    std::string name;
    std::string to;
    bool json = false;
    AnswerOptions answers;
};

const ViewApp& AppOf(const std::string& name)
{
    for (const ViewApp& app : kApps) {
        if (name == app.name) return app;
    }
    throw CommandError("\"" + name + "\" is no application: use calendar, tasks, contacts or notes", kExitUsage);
}

void Require(CCustomView& views, CustomViewResult result, const std::string& name)
{
    if (result == CustomViewResult::kDone) return;
    const int code = result == CustomViewResult::kBadName ? kExitUsage : kExitFailure;
    throw CommandError("view \"" + name + "\": " + WideToUtf8(views.LastError()), code);
}

// The manager of the application's folder. Views saved at the root before
// applications had folders move into it here; the user is told.
CCustomView ManagerOf(const ViewApp& app)
{
    CCustomView manager(app.folder, app.key);
    if (manager.AdoptedViews() > 0)
        std::fprintf(stderr, "moved %d view(s) saved before views had folders per application into %s\n",
                     manager.AdoptedViews(), WideToUtf8(manager.Folder()).c_str());
    return manager;
}

void ListInto(const CustomViewTree& node, const std::string& folder, Json& rows)
{
    for (const CustomViewTree::View& view : node.views) rows.push_back(folder + WideToUtf8(view.name));
    for (const CustomViewTree& child : node.folders) ListInto(child, folder + WideToUtf8(child.name) + "\\", rows);
}

}  // namespace

void AddViewsCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* views = app.add_subcommand("views", "Save, list, apply, rename and delete custom views of a list");
    views->require_subcommand(1);
    views->footer("APP is calendar, tasks, contacts or notes. A custom view is the application's whole settings key "
                  "saved to a file in the application's folder under CustomViews in the data directory (CustomViews\\Tasks "
                  "for tasks); NAME may name folders, as in "
                  "\"Work\\Due soon\". Applying replaces the key (or, with CustomViewClear 0, merges into it). "
                  "Views saved at the root of CustomViews by earlier versions are moved into their application's folder "
                  "the first time views of that application are used, never over a file already there. "
                  "Exit codes: 0 done, 1 no such view or a damaged or foreign view file (nothing changed), 2 bad "
                  "arguments.");

    const auto common = [](CLI::App* command, const std::shared_ptr<ViewsOptions>& o, bool named) {
        command->add_option("APP", o->app, "calendar, tasks, contacts or notes")->required();
        if (named) command->add_option("NAME", o->name, "The view's name, folders joined by \\ or /")->required();
    };

    auto list = std::make_shared<ViewsOptions>();
    CLI::App* listCommand = views->add_subcommand("list", "Print an application's custom views, by name");
    common(listCommand, list, false);
    listCommand->add_flag("--json", list->json, "Print the names as a JSON array");
    ctx.OnRun(listCommand, [list] {
        const ViewApp& target = AppOf(list->app);
        CCustomView manager = ManagerOf(target);
        CustomViewTree tree;
        manager.GetCustomViews(target.tab, tree, true, false);
        Json rows = Json::array();
        ListInto(tree, "", rows);
        if (list->json) {
            std::puts(rows.dump(2).c_str());
            return;
        }
        if (rows.empty()) std::puts("no custom views");
        for (const Json& row : rows) std::puts(row.get<std::string>().c_str());
    });

    auto save = std::make_shared<ViewsOptions>();
    CLI::App* saveCommand = views->add_subcommand("save", "Save the application's current settings as a view");
    common(saveCommand, save, true);
    AddAnswerFlags(saveCommand, save->answers);
    ctx.OnRun(saveCommand, [save] {
        const ViewApp& target = AppOf(save->app);
        Answers answers(save->answers);
        CCustomView manager = ManagerOf(target);
        Require(manager, manager.CreateNewCustomView(target.tab, target.key, false, Utf8ToWide(save->name)), save->name);
        std::printf("saved view \"%s\" of %s\n", save->name.c_str(), target.name);
    });

    auto apply = std::make_shared<ViewsOptions>();
    CLI::App* applyCommand = views->add_subcommand("apply", "Make a saved view the application's settings again");
    common(applyCommand, apply, true);
    ctx.OnRun(applyCommand, [apply] {
        const ViewApp& target = AppOf(apply->app);
        CCustomView manager = ManagerOf(target);
        Require(manager, manager.ApplyCustomView(Utf8ToWide(apply->name), target.key, target.tab), apply->name);
        std::printf("applied view \"%s\" to %s\n", apply->name.c_str(), target.name);
    });

    auto rename = std::make_shared<ViewsOptions>();
    CLI::App* renameCommand = views->add_subcommand("rename", "Rename a view or move it into another folder");
    common(renameCommand, rename, true);
    renameCommand->add_option("NEW", rename->to, "The new name")->required();
    ctx.OnRun(renameCommand, [rename] {
        const ViewApp& target = AppOf(rename->app);
        CCustomView manager = ManagerOf(target);
        Require(manager, manager.RenameCustomView(target.tab, Utf8ToWide(rename->name), Utf8ToWide(rename->to)),
                rename->name);
        std::printf("renamed view \"%s\" to \"%s\"\n", rename->name.c_str(), rename->to.c_str());
    });

    auto remove = std::make_shared<ViewsOptions>();
    CLI::App* deleteCommand = views->add_subcommand("delete", "Delete a saved view");
    common(deleteCommand, remove, true);
    ctx.OnRun(deleteCommand, [remove] {
        const ViewApp& target = AppOf(remove->app);
        CCustomView manager = ManagerOf(target);
        Require(manager, manager.DeleteCustomView(target.tab, Utf8ToWide(remove->name)), remove->name);
        std::printf("deleted view \"%s\" of %s\n", remove->name.c_str(), target.name);
    });
}

}  // namespace kstools
