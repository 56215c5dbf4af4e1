// kstools templates list|save|new: appointment, task and company templates.
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "items/c_task.h"
#include "items/c_template.h"
#include "platform/text/utf8.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/time/variant_time.h"
#include "storage/c_outlook.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct TemplateOptions {
    std::string kind = "task";
    std::string oid;
    std::string name;
    std::optional<std::string> date;
    std::string company;
    bool json = false;
};

int KindOf(const std::string& kind)
{
    if (kind == "task") return kTemplateTask;
    if (kind == "appointment") return kTemplateAppointment;
    if (kind == "company") return kTemplateCompany;
    throw CommandError("--kind is task, appointment or company", kExitUsage);
}

double Day(const std::optional<std::string>& text, double fallback)
{
    if (!text) return fallback;
    if (*text == "none") return kNoOleDate;
    const DateArgument date = ParseDateArgument(*text);
    DATE value = 0;
    SystemTimeToVariantTime(&date.time, &value);
    return std::floor(value);
}

void PrintList(int kind, bool json)
{
    CTemplate list;
    list.TemplateList(kind);
    if (json) {
        Json rows = Json::array();
        for (const TemplateEntry& e : list.Entries()) {
            rows.push_back(Json{{"name", WideToUtf8(e.name)}, {"oid", e.oid == 0 ? Json(nullptr) : Json(e.oid)}});
        }
        std::puts(rows.dump(2).c_str());
        return;
    }
    if (list.Entries().empty()) std::puts("no templates");
    for (const TemplateEntry& e : list.Entries()) {
        if (e.oid)
            std::printf("%-8ld %s\n", e.oid, WideToUtf8(e.name).c_str());
        else
            std::printf("%s\n", WideToUtf8(e.name).c_str());
    }
}

void PrintMade(const char* what, long oid, const std::string& name, bool json)
{
    if (json)
        std::puts(Json{{what, oid}, {"template", name}}.dump(2).c_str());
    else
        std::printf("%s %ld (template %s)\n", what, oid, name.c_str());
}

}  // namespace

void AddTemplatesCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* templates = app.add_subcommand("templates", "List templates, save an item as one, make an item from one");
    templates->require_subcommand(1);
    templates->footer("Task templates are tasks due 31 December 2999, appointment templates appointments after 27 "
                      "November 2999, both with the subject \"[TEMPLATE:name]subject\"; company templates live in "
                      "CompanyTemplates.reg. Exit codes: 0 done, 1 no such item or template or the save failed, 2 bad "
                      "arguments.");

    auto list = std::make_shared<TemplateOptions>();
    CLI::App* listCommand = templates->add_subcommand("list", "Print the templates of one kind, by name");
    listCommand->add_option("--kind", list->kind, "task (default), appointment or company")->type_name("KIND");
    listCommand->add_flag("--json", list->json, "Print [{name, oid}] (oid null for company templates)");
    ctx.OnRun(listCommand, [list] {
        const int kind = KindOf(list->kind);
        OutlookSession session;
        PrintList(kind, list->json);
    });

    auto save = std::make_shared<TemplateOptions>();
    CLI::App* saveCommand = templates->add_subcommand("save", "Save a task or appointment as a template, or a company template");
    saveCommand->add_option("NAME", save->name, "The template's name")->required();
    CLI::Option* from = saveCommand->add_option("--from", save->oid, "The task or appointment to copy")->type_name("OID");
    CLI::Option* company =
        saveCommand->add_option("--company", save->company, "Save a company template with this company")->type_name("TEXT");
    from->excludes(company);
    saveCommand->add_flag("--json", save->json, "Print {template: OID, name} or {company, name}");
    ctx.OnRun(saveCommand, [save] {
        if (save->name.empty()) throw CommandError("a template needs a name", kExitUsage);
        const std::u16string name = Utf8ToWide(save->name);
        if (save->oid.empty()) {
            if (save->company.empty()) throw CommandError("templates save needs --from OID or --company TEXT", kExitUsage);
            const std::u16string text = Utf8ToWide(save->company);
            if (!CTemplate::SaveCompanyTemplate(name.c_str(), text.c_str()))
                throw CommandError("the company template could not be saved (a name without '\\' is needed)");
            if (save->json)
                std::puts(Json{{"company", save->company}, {"name", save->name}}.dump(2).c_str());
            else
                std::printf("company template %s: %s\n", save->name.c_str(), save->company.c_str());
            return;
        }
        OutlookSession session;
        const long oid = static_cast<long>(ParseOid(save->oid));
        long made = 0;
        switch (COutlook::GetKSItemType(oid)) {
            case kKSItemTask: {
                CTask task;
                if (task.ReadOID(oid) && task.LoadData(false)) made = task.SaveAsTemplate(name.c_str());
                break;
            }
            case kKSItemAppointment: made = CTemplate::SaveAppointmentAsTemplate(oid, name.c_str()); break;
            default: throw CommandError("no task or appointment with OID " + save->oid);
        }
        if (!made) throw CommandError("the template could not be saved");
        if (save->json)
            std::puts(Json{{"template", made}, {"name", save->name}}.dump(2).c_str());
        else
            std::printf("template %ld: %s\n", made, save->name.c_str());
    });

    auto make = std::make_shared<TemplateOptions>();
    CLI::App* newCommand = templates->add_subcommand("new", "Make a new task or appointment from a template");
    newCommand->add_option("TEMPLATE", make->oid, "The template's OID (templates list prints it)")->required();
    newCommand->add_option("--date", make->date,
                           "Due date of the task (default none), day of the appointment (default today)")
        ->type_name("DATE");
    newCommand->add_flag("--json", make->json, "Print {task|appointment: OID, template}");
    ctx.OnRun(newCommand, [make] {
        OutlookSession session;
        const long oid = static_cast<long>(ParseOid(make->oid));
        std::string name;
        long made = 0;
        const char* what = "task";
        CTemplate list;
        switch (COutlook::GetKSItemType(oid)) {
            case kKSItemTask: list.TemplateList(kTemplateTask); break;
            case kKSItemAppointment: list.TemplateList(kTemplateAppointment); what = "appointment"; break;
            default: throw CommandError("no template with OID " + make->oid);
        }
        bool found = false;
        for (const TemplateEntry& e : list.Entries()) {
            if (e.oid != oid) continue;
            name = WideToUtf8(e.name);
            found = true;
        }
        if (!found) throw CommandError("item " + make->oid + " is no template");
        if (what[0] == 't')
            made = CTemplate::NewTaskFromTemplate(oid, Day(make->date, kNoOleDate));
        else
            made = CTemplate::NewAppointmentFromTemplate(oid, Day(make->date, std::floor(platform::TodayOleDate())));
        if (!made) throw CommandError("the new item could not be saved");
        PrintMade(what, made, name, make->json);
    });
}

}  // namespace kstools
