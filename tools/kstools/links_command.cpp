// kstools links list|add|remove|open|copy: an item's links to other items and to
// files, as the links list of its editor shows them.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "items/c_links.h"
#include "platform/text/utf8.h"
#include "storage/c_outlook.h"
#include "tools/kstools/answer_host.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct LinkOptions {
    std::string item;
    std::string other;
    std::optional<std::string> to;
    std::optional<std::string> file;
    bool json = false;
    AnswerOptions answers;
};

const char* KindName(LONG kind)
{
    switch (kind) {
        case kLinkToFile: return "file";
        case kLinkToContact: return "contact";
        case kLinkToAppointment: return "appointment";
        case kLinkToTask: return "task";
        case kLinkToNote: return "note";
        default: return "unknown";
    }
}

// The OID of an existing contact, appointment or task; else exit 1.
long Item(const std::string& text)
{
    const long oid = static_cast<long>(ParseOid(text));
    if (COutlook::GetKSItemType(oid) == kKSItemNone) throw CommandError("no contact, appointment or task with OID " + text);
    return oid;
}

void PrintLinks(long item, bool json)
{
    std::vector<LinkRow> rows;
    CLinks::ReadData(item, rows);
    if (json) {
        Json links = Json::array();
        for (const LinkRow& row : rows) {
            links.push_back(Json{{"link", row.link},
                                 {"kind", KindName(row.kind)},
                                 {"target", row.target},
                                 {"path", row.path.empty() ? Json(nullptr) : Json(WideToUtf8(row.path))},
                                 {"label", WideToUtf8(row.label)}});
        }
        std::puts(Json{{"item", item}, {"links", links}}.dump(2).c_str());
        return;
    }
    if (rows.empty()) std::printf("%s\n", WideToUtf8(CLinks::NoLinksText()).c_str());
    for (const LinkRow& row : rows)
        std::printf("%-8lu %-12s %s\n", static_cast<unsigned long>(row.link), KindName(row.kind), WideToUtf8(row.label).c_str());
}

}  // namespace

void AddLinksCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* links = app.add_subcommand("links", "List, add, remove and copy the links of an item");
    links->require_subcommand(1);
    links->footer("Items are contacts, appointments and tasks, named by OID; files by their device path "
                  "(\\My Documents\\plan.txt). Exit codes: 0 done, 1 no such item or link or nothing stored, 2 bad "
                  "arguments.");
    const auto json = [](CLI::App* command, const std::shared_ptr<LinkOptions>& o) {
        command->add_flag("--json", o->json, "Print {item, links: [{link, kind, target, path, label}]}");
    };

    auto list = std::make_shared<LinkOptions>();
    CLI::App* listCommand = links->add_subcommand("list", "Print the links of an item");
    listCommand->add_option("OID", list->item, "The item")->required();
    json(listCommand, list);
    ctx.OnRun(listCommand, [list] {
        OutlookSession session;
        PrintLinks(Item(list->item), list->json);
    });

    auto add = std::make_shared<LinkOptions>();
    CLI::App* addCommand = links->add_subcommand("add", "Link an item with another item (both ways) or a file");
    addCommand->add_option("OID", add->item, "The item")->required();
    CLI::Option* to = addCommand->add_option("--to", add->to, "The other item's OID")->type_name("OID");
    CLI::Option* file = addCommand->add_option("--file", add->file, "A file's device path")->type_name("PATH");
    to->excludes(file);
    json(addCommand, add);
    ctx.OnRun(addCommand, [add] {
        if (!add->to && !add->file) throw CommandError("links add needs --to OID or --file PATH", kExitUsage);
        OutlookSession session;
        const long item = Item(add->item);
        bool added = false;
        if (add->to) {
            added = CLinks::LinkItems(item, Item(*add->to));
        } else {
            const std::u16string path = Utf8ToWide(*add->file);
            added = CLinks::CreateFileLink(item, path.c_str());
        }
        if (!added) throw CommandError("no link added: it exists already, links the item to itself, or the file is missing");
        PrintLinks(item, add->json);
    });

    auto remove = std::make_shared<LinkOptions>();
    CLI::App* removeCommand =
        links->add_subcommand("remove", "Delete a link (by the number links list prints) and its opposite");
    removeCommand->add_option("LINK", remove->item, "The link")->required();
    json(removeCommand, remove);
    ctx.OnRun(removeCommand, [remove] {
        OutlookSession session;
        const long link = static_cast<long>(ParseOid(remove->item));
        LONG kind = 0;
        long target = 0;
        if (!CLinks::GetLinkObject(link, &kind, &target, false)) throw CommandError("no link " + remove->item);
        CLinks::Delete(link);
        if (remove->json)
            std::puts(Json{{"deleted", link}, {"kind", KindName(kind)}, {"target", target}}.dump(2).c_str());
        else
            std::printf("deleted link %ld\n", link);
    });

    auto open = std::make_shared<LinkOptions>();
    CLI::App* openCommand =
        links->add_subcommand("open", "Open a link's target: print the item's summary, the contact or the file");
    openCommand->add_option("LINK", open->item, "The link")->required();
    ctx.OnRun(openCommand, [open] {
        OutlookSession session;
        // What the link opens is shown through the terminal's message box.
        if (!CLinks::OpenLink(static_cast<long>(ParseOid(open->item))))
            throw CommandError("link " + open->item + " could not be opened");
    });

    auto copy = std::make_shared<LinkOptions>();
    CLI::App* copyCommand = links->add_subcommand("copy", "Give an item the links of another (asks first)");
    copyCommand->add_option("OID", copy->item, "The item that receives the links")->required();
    copyCommand->add_option("FROM", copy->other, "The item whose links are copied")->required();
    AddAnswerFlags(copyCommand, copy->answers);
    json(copyCommand, copy);
    ctx.OnRun(copyCommand, [copy] {
        OutlookSession session;
        const long item = Item(copy->item);
        const long from = Item(copy->other);
        Answers answers(copy->answers);
        CLinks::Copy(item, from, false);
        PrintLinks(item, copy->json);
    });
}

}  // namespace kstools
