// kstools categories [--json] | add NAME | remove NAME: the device's
// categories as the loaders see them (name order, bit index, record OID), and
// adding or removing one.
#include <cstdio>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "categories/category_records.h"
#include "categories/full_category_list.h"
#include "platform/base/error_codes.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct ListOptions {
    bool json = false;
};

void RunList(const ListOptions& options)
{
    CePtrList<CFullCategory*> list;
    GetFullCategoryInfo(list, true);
    if (options.json) {
        Json categories = Json::array();
        for (CFullCategory* c : list) {
            categories.push_back(Json{{"name", WideToUtf8(c->m_name)},
                                      {"index", c->m_index},
                                      {"oid", HexId(c->m_oid)},
                                      {"shown", c->m_shown}});
        }
        std::puts(Json{{"categories", categories}}.dump(2).c_str());
        return;
    }
    if (list.IsEmpty()) {
        std::puts("no categories");
        return;
    }
    std::puts("index  oid         name");
    for (CFullCategory* c : list) {
        std::printf("%5d  %-10s  %s%s\n", c->m_index, HexId(c->m_oid).c_str(), WideToUtf8(c->m_name).c_str(),
                    c->m_shown ? "" : "  (hidden)");
    }
}

void RunAdd(const std::string& name)
{
    const std::u16string wide = Utf8ToWide(name);
    SHORT index = -1;
    CEOID oid = 0;
    switch (const DWORD error = AddCategoryRecord(wide.c_str(), &index, &oid)) {
        case ERROR_SUCCESS:
            std::printf("added \"%s\" with index %d (oid %s)\n", name.c_str(), index, HexId(oid).c_str());
            return;
        case ERROR_INVALID_NAME:
            throw CommandError("\"" + name + "\" cannot be a category name: it must be 1 to " +
                                   std::to_string(kCategoryNameMaxChars) +
                                   " characters without commas or control characters",
                               kExitUsage);
        case ERROR_ALREADY_EXISTS:
            throw CommandError("a category named \"" + name + "\" exists already");
        case ERROR_NO_MORE_ITEMS:
            throw CommandError("every category index is taken");
        default:
            throw CommandError("cannot add \"" + name + "\": error " + std::to_string(error));
    }
}

void RunRemove(const std::string& name)
{
    const std::u16string wide = Utf8ToWide(name);
    switch (const DWORD error = RemoveCategoryRecord(wide.c_str())) {
        case ERROR_SUCCESS:
            std::printf("removed \"%s\"\n", name.c_str());
            return;
        case ERROR_NOT_FOUND:
            throw CommandError("no category is named \"" + name + "\" (names compare with case)");
        default:
            throw CommandError("cannot remove \"" + name + "\": error " + std::to_string(error));
    }
}

}  // namespace

void AddCategoriesCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* categories = app.add_subcommand(
        "categories",
        "List the categories of the category database in name order with their bit index and record OID, or "
        "add and remove one");
    categories->require_subcommand(0, 1);
    categories->footer(
        "Items keep their categories as a bit set of these indices. Exit codes: 0 done, 1 a name that exists "
        "already or does not exist, or a failed write, 2 bad arguments and names that cannot be category names.");
    auto list = std::make_shared<ListOptions>();
    categories->add_flag("--json", list->json, "Print {categories: [{name, index, oid, shown}]}");
    ctx.OnRun(categories, [categories, list] {
        if (categories->get_subcommands().empty()) RunList(*list);
    });

    auto addName = std::make_shared<std::string>();
    CLI::App* add = categories->add_subcommand(
        "add", "Add category NAME with the lowest index no category has; names compare without case");
    add->add_option("NAME", *addName, "The new category's name")->required();
    ctx.OnRun(add, [addName] { RunAdd(*addName); });

    auto removeName = std::make_shared<std::string>();
    CLI::App* remove = categories->add_subcommand(
        "remove", "Delete the record of category NAME (exact name) and take it off every item");
    remove->add_option("NAME", *removeName, "The category's exact name")->required();
    ctx.OnRun(remove, [removeName] { RunRemove(*removeName); });
}

}  // namespace kstools
