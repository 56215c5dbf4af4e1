// kstools contacts [--format N] [--search TEXT] [--all-fields] [--category
// NAME] [--open HEADER] [--json]: the contact list as a contact window shows
// it. The format is stored in the list's settings key first, as a choice
// made in the window is, so a later run without --format shows the same view.
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "categories/full_category_list.h"
#include "engine/contacts_thread.h"
#include "engine/loader_host.h"
#include "grid/contact_list_presenter.h"
#include "platform/locale/compare_string.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "storage/c_registry.h"
#include "tools/kstools/category_argument.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/list_picture.h"
#include "tools/kstools/list_refresh.h"
#include "tools/kstools/list_watch.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct ContactsOptions {
    std::optional<int> format;
    std::optional<std::string> search;
    std::optional<std::string> category;
    std::optional<std::string> open;
    bool allFields = false;
    bool json = false;
    ListPictureOptions picture;
    ListWatchOptions watch;
};

const char* FormatName(int format)
{
    switch (format) {
        case kContactsGivenFirst:
            return "given name first";
        case kContactsSurnameFirst:
            return "surname first";
        case kContactsByCompany:
            return "by company";
        case kContactsFileAs:
            return "file as";
        case kContactsCompanyView:
            return "company view";
        case kContactsByCategory:
            return "by category";
        case kContactsByDepartment:
            return "by department";
        case kContactsByCity:
            return "by city";
        case kContactsByState:
            return "by state";
        case kContactsByCountry:
            return "by country";
        case kContactsRecent:
            return "recent contacts";
        case kContactsCallLog:
            return "call log";
        default:
            return nullptr;
    }
}

void StoreFormat(int format)
{
    if (!FormatName(format))
        throw CommandError("--format " + std::to_string(format) + " is not a display format: use 0 to 4 or 6 to 12",
                           kExitUsage);
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, kContactsSettingsKey) != 0 ||
        settings.SetValue(u"DisplayFormat", static_cast<ULONG>(format)) != 0 || settings.SaveINIFile(1) != 0)
        throw CommandError("the contact list's settings cannot be written");
}

// Loads the whole list: the first page, then (for a paged name list) the
// rest in one read from where the first page stopped.
void LoadAll(CContactsThread& loader)
{
    LoaderHost host;
    if (!host.Window()) throw CommandError("the contact list cannot be loaded: no message window");
    loader.SetNotifyWindow(host.Window());
    loader.SetLastRowRead(0);
    loader.SetStartListIndex(0);
    if (!host.Run(loader, 600000)) throw CommandError("the contact list did not finish loading");
    const long total = loader.GetTotalNumRecords();
    if (IsContactsNameFormat(loader.Settings().displayFormat) && !loader.IsCompareString() &&
        loader.GetLastRowRead() < total) {
        loader.SetStartListIndex(total);
        if (!host.Run(loader, 600000)) throw CommandError("the contact list did not finish loading");
    }
}

void OpenHeader(CContactsThread& loader, const std::string& text)
{
    const std::u16string wanted = Utf8ToWide(text);
    for (const DATACONTACTS* row : loader.GetDataList()) {
        if (row && row->header && row->displayName && lstrcmpiW(row->displayName, wanted.c_str()) == 0) {
            loader.TreeAddList(row->oid, 0, false);
            return;
        }
    }
    throw CommandError("the list has no header \"" + text + "\"");
}

std::string Flags(const DATACONTACTS& row)
{
    std::string flags;
    if (row.hasNote) flags += 'N';
    if (row.hasLinks) flags += 'L';
    if (row.hasJournal) flags += 'J';
    return flags;
}

Json RowJson(const DATACONTACTS& row)
{
    if (row.header) {
        return Json{{"kind", "header"},
                    {"text", WideToUtf8(row.displayName)},
                    {"members", row.memberCount},
                    {"open", row.expanded != 0}};
    }
    Json out{{"kind", "contact"}, {"oid", HexId(row.oid)}, {"name", WideToUtf8(row.displayName)}};
    if (row.secondLine) {
        out["second"] = WideToUtf8(row.secondLine);
        out["field"] = HexId(row.secondLineField);
    }
    if (row.categories && *row.categories) out["categories"] = WideToUtf8(row.categories);
    out["flags"] = Flags(row);
    return out;
}

void Print(const DATACONTACTS& row)
{
    if (row.header) {
        std::printf("%s %s (%ld)\n", row.expanded ? "-" : "+", WideToUtf8(row.displayName).c_str(),
                    static_cast<long>(row.memberCount));
        return;
    }
    std::string line = (row.groupIndex ? "    " : "  ") + WideToUtf8(row.displayName);
    if (row.secondLine) line += "  " + WideToUtf8(row.secondLine);
    if (row.categories && *row.categories) line += "  [" + WideToUtf8(row.categories) + "]";
    const std::string flags = Flags(row);
    if (!flags.empty()) line += "  " + flags;
    std::puts(line.c_str());
}

// A loader set up as the options ask, loaded.
std::unique_ptr<CContactsThread> LoadContacts(const ContactsOptions& o)
{
    if (o.allFields && !o.search) throw CommandError("--all-fields goes with --search TEXT", kExitUsage);
    if (o.search && o.search->empty()) throw CommandError("--search takes a non-empty text", kExitUsage);
    if (o.format) StoreFormat(*o.format);
    auto loader = std::make_unique<CContactsThread>();  // reads the settings just stored
    if (o.category) SelectCategory(*loader, *o.category);
    if (o.search) loader->SetCompareString(Utf8ToWide(*o.search).c_str(), o.allFields, 0);
    const int format = loader->Settings().displayFormat;
    if (o.open && !IsContactsGroupFormat(format))
        throw CommandError("--open opens a header of a group view (formats 2, 6 to 10)", kExitUsage);
    LoadAll(*loader);
    if (o.open) OpenHeader(*loader, *o.open);
    return loader;
}

void PrintContacts(const ContactsOptions& o, CContactsThread& loader)
{
    const int format = loader.Settings().displayFormat;
    if (!o.picture.png.empty()) {
        const std::vector<const DATACONTACTS*> list(loader.GetDataList().begin(), loader.GetDataList().end());
        WriteListPicture(o.picture, ContactListRows(list));
        return;
    }

    if (o.json) {
        Json rows = Json::array();
        for (const DATACONTACTS* row : loader.GetDataList()) {
            if (row) rows.push_back(RowJson(*row));
        }
        Json out{{"view", {{"format", format}, {"formatName", FormatName(format)}}}, {"rows", rows}};
        std::puts(out.dump(2).c_str());
        return;
    }
    std::printf("contacts, %s (format %d)\n", FormatName(format), format);
    int shown = 0;
    for (const DATACONTACTS* row : loader.GetDataList()) {
        if (!row) continue;
        Print(*row);
        ++shown;
    }
    if (shown == 0) std::puts("no contacts");
}

// The list once, or (watching) again after each burst of changes: a burst
// naming a few contacts refreshes their rows only, any other loads again.
void RunContacts(const ContactsOptions& o)
{
    std::unique_ptr<CContactsThread> loader;
    PrintWatchingChanges(
        o.watch, {kContactsDatabase, kCategoriesDatabase},
        [&](const std::vector<STORECHANGE>& changes) { return loader && RefreshContactRows(*loader, changes); },
        [&](bool refreshed) {
            if (!refreshed) {
                loader.reset();  // one loader at a time
                loader = LoadContacts(o);
            }
            PrintContacts(o, *loader);
        });
}

}  // namespace

void AddContactsCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* contacts = app.add_subcommand(
        "contacts",
        "Show the contact list as a contact window does; the display format is stored in the list's settings "
        "(Software\\Corvid\\Kestrel\\CV) and so stays chosen for the next run");
    contacts->footer(
        "FORMAT: 0 given name first, 1 surname first, 3 file as, 4 company view, 2 by company, 6 by category, 7 "
        "by department, 8 by city, 9 by state, 10 by country, 11 recent contacts, 12 call log. Group views show "
        "headers as \"+ text (members)\" closed or \"- text (members)\" open. Flags: N note, L links, J journal. "
        "Call-log rows are mark-up: ! a missed call, the image names the direction. Exit codes: 0 done, 1 the list "
        "cannot be loaded or no such category or header, 2 bad arguments.");
    auto o = std::make_shared<ContactsOptions>();
    auto format = std::make_shared<int>(0);
    auto text = std::make_shared<std::array<std::string, 3>>();
    CLI::Option* formatOption =
        contacts->add_option("--format", *format, "Display format (DisplayFormat)")->type_name("N");
    std::array<CLI::Option*, 3> given{
        contacts->add_option("--search", (*text)[0], "Typed search: names beginning with TEXT")->type_name("TEXT"),
        contacts->add_option("--category", (*text)[1], "Only contacts of this category")->type_name("NAME"),
        contacts->add_option("--open", (*text)[2], "Open this header of a group view")->type_name("HEADER")};
    contacts->add_flag("--all-fields", o->allFields, "Search every field for each word of TEXT");
    contacts->add_flag("--json", o->json,
                       "Print {view: {format, formatName}, rows: [{kind, oid, name, second, field, categories, "
                       "flags} or {kind: header, text, members, open}]}");
    AddListPictureOptions(*contacts, o->picture);
    AddListWatchOption(*contacts, o->watch);
    ctx.OnRun(contacts, [contacts, o, format, formatOption, text, given] {
        // "contacts recent" and "contacts calls" run on their own.
        if (!contacts->get_subcommands().empty()) return;
        if (formatOption->count() > 0) o->format = *format;
        std::optional<std::string>* fields[3] = {&o->search, &o->category, &o->open};
        for (size_t i = 0; i < given.size(); ++i) {
            if (given[i]->count() > 0) *fields[i] = (*text)[i];
        }
        if (o->watch.watch && !o->picture.png.empty())
            throw CommandError("--watch prints the list; it does not go with --png", kExitUsage);
        o->watch.json = o->json;
        RunContacts(*o);
    });
    AddContactListsCommands(*contacts, ctx);
}

}  // namespace kstools
