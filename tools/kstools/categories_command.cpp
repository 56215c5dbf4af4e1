// kstools categories [--json] | add NAME | remove NAME: the device's
// categories as the loaders see them (name order, bit index, record OID, colour,
// picture and whether the picture folder holds its file), and
// adding or removing one.
#include <cstdio>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "categories/category_color_icons.h"
#include "categories/category_pictures.h"
#include "categories/category_records.h"
#include "categories/full_category_list.h"
#include "platform/base/error_codes.h"
#include "platform/files/files.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct ListOptions {
    bool json = false;
};

// The category's colour as "#RRGGBB", null without one.
Json ColourOf(const WCHAR* name)
{
    CATEGORYCOLOR entry;
    if (!CCategoryColorIcons::FindColor(name, entry)) return Json();
    return WideToUtf8(entry.colourText);
}

// The picture file the lists show for the category.
std::string PictureOf(const WCHAR* name)
{
    CCategoryColorIcons icons;
    icons.ParseCategory(name, false, true);
    WCHAR markup[kCategoryIconChars];
    if (!icons.GetIconString(markup, false)) return {};
    const std::string tag = WideToUtf8(markup);
    const size_t open = tag.find('"'), close = tag.rfind('"');
    return open == std::string::npos || close <= open ? tag : tag.substr(open + 1, close - open - 1);
}

// "#RRGGBB" (the number sign optional) as 0x00BBGGRR; "none" as 0. Black,
// which the settings cannot tell from "no colour", becomes #010000.
DWORD ParseColour(const std::string& text)
{
    if (text == "none") return 0;
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    const bool hex = digits.size() == 6 && digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (!hex)
        throw CommandError("colour " + text + ": use #RRGGBB with six hexadecimal digits (00 to FF each), or none",
                           kExitUsage);
    const unsigned long rgb = std::stoul(digits, nullptr, 16);
    const DWORD colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return colour == 0 ? 1 : colour;
}

void RunColour(const std::string& name, const std::string& colourText)
{
    const DWORD colour = ParseColour(colourText);
    const std::u16string wide = Utf8ToWide(name);
    CePtrList<CFullCategory*> list;
    GetFullCategoryInfo(list, true);
    bool found = false;
    for (CFullCategory* c : list) found = found || (c->m_name && wide == c->m_name);
    if (!found) throw CommandError("no category is named \"" + name + "\" (names compare with case)");
    if (!SetCategoryColor(wide.c_str(), colour)) throw CommandError("cannot store the colour of \"" + name + "\"");
    const Json shown = ColourOf(wide.c_str());
    std::printf("\"%s\": %s\n", name.c_str(), shown.is_null() ? "no colour" : shown.get<std::string>().c_str());
}

// Whether the picture folder holds the category's picture file (the lists
// leave the picture out when it does not).
bool HasPictureFile(const std::string& picture)
{
    if (picture.empty()) return false;
    const std::u16string path = CategoryPicturesFolder() + u"\\" + Utf8ToWide(picture);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RunList(const ListOptions& options)
{
    // The pictures the library ships, as the lists would show them.
    InstallDefaultCategoryPictures();
    CePtrList<CFullCategory*> list;
    GetFullCategoryInfo(list, true);
    if (options.json) {
        Json categories = Json::array();
        for (CFullCategory* c : list) {
            categories.push_back(Json{{"name", WideToUtf8(c->m_name)},
                                      {"index", c->m_index},
                                      {"oid", HexId(c->m_oid)},
                                      {"shown", c->m_shown},
                                      {"colour", ColourOf(c->m_name)},
                                      {"picture", PictureOf(c->m_name)},
                                      {"pictureFile", HasPictureFile(PictureOf(c->m_name))}});
        }
        std::puts(Json{{"categories", categories}}.dump(2).c_str());
        return;
    }
    if (list.IsEmpty()) {
        std::puts("no categories");
        return;
    }
    std::puts("index  oid         colour   name");
    for (CFullCategory* c : list) {
        const Json colour = ColourOf(c->m_name);
        std::printf("%5d  %-10s  %-7s  %s%s  %s\n", c->m_index, HexId(c->m_oid).c_str(),
                    colour.is_null() ? "-" : colour.get<std::string>().c_str(), WideToUtf8(c->m_name).c_str(),
                    c->m_shown ? "" : "  (hidden)", PictureOf(c->m_name).c_str());
        if (!HasPictureFile(PictureOf(c->m_name))) std::printf("         (no picture file in %s)\n",
                                                               WideToUtf8(CategoryPicturesFolder()).c_str());
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
    categories->add_flag("--json", list->json, "Print {categories: [{name, index, oid, shown, colour, picture}]}");
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

    auto colourArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* colour = categories->add_subcommand(
        "color", "Give category NAME (exact name) the colour lists tint its items with, or none");
    colour->add_option("NAME", colourArgs->first, "The category's exact name")->required();
    colour->add_option("COLOUR", colourArgs->second, "#RRGGBB, or none")->required();
    ctx.OnRun(colour, [colourArgs] { RunColour(colourArgs->first, colourArgs->second); });
}

}  // namespace kstools
