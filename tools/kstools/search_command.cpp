// kstools search TEXT [--in STORES] [--from DATE --to DATE] [--start]
// [--soundex] [--bodies] [--privacy P] [--tasks STATE] [--category NAME]
// [--sort KEY] [--ascending] [--json]: searches the stores for a text the
// way the search window does and lists the hits grouped by store.
#include <cmath>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/calendar_day_numbers.h"
#include "engine/loader_host.h"
#include "engine/search_thread.h"
#include "platform/text/utf8.h"
#include "tools/kstools/category_argument.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct SearchOptions {
    std::string text;
    std::string in = "contacts,tasks,appointments,notes,journal";
    std::optional<std::string> from, to, category, sort;
    std::string privacy = "all";
    std::string tasks = "all";
    bool start = false;
    bool soundex = false;
    bool bodies = false;
    bool ascending = false;
    bool json = false;
};

const char* StoreName(DWORD kind)
{
    switch (kind) {
        case kSearchKindContact: return "contact";
        case kSearchKindTask: return "task";
        case kSearchKindAppointment: return "appointment";
        case kSearchKindNote: return "note";
        case kSearchKindJournal: return "journal";
        default: return "item";
    }
}

// The display line without its mark-up tags.
std::string PlainText(const WCHAR* markup)
{
    std::u16string out;
    bool inTag = false;
    for (const WCHAR* p = markup; p && *p; ++p) {
        if (*p == u'<' && (p[1] == u'B' || p[1] == u'/')) inTag = true;
        else if (inTag && *p == u'>') inTag = false;
        else if (!inTag) out += *p;
    }
    return WideToUtf8(out);
}

std::string DateText(double date)
{
    if (date == kSearchNoDate) return {};
    return FormatIsoDate(calendar_days::SystemTimeOfDay(static_cast<std::int64_t>(date)));
}

void ChooseStores(const std::string& list, _KSSEARCH& p)
{
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t comma = list.find(',', begin);
        if (comma == std::string::npos) comma = list.size();
        const std::string name = list.substr(begin, comma - begin);
        if (name == "contacts") p.contacts = 1;
        else if (name == "tasks") p.tasks = 1;
        else if (name == "appointments" || name == "calendar") p.calendar = 1;
        else if (name == "notes") p.notes = 1;
        else if (name == "journal") p.journal = 1;
        else throw CommandError("--in " + name + ": use contacts, tasks, appointments, notes or journal", kExitUsage);
        begin = comma + 1;
    }
}

double DayOf(const std::optional<std::string>& text)
{
    if (!text) return kSearchNoDate;
    return std::floor(calendar_days::OleDateOf(ParseDateArgument(*text).time));
}

void RunSearch(const SearchOptions& o)
{
    _KSSEARCH p;
    ChooseStores(o.in, p);
    p.anywhere = o.start ? 0 : 1;
    p.soundex = o.soundex ? 1 : 0;
    p.noteBodies = o.bodies ? 1 : 0;
    p.from = DayOf(o.from);
    p.to = DayOf(o.to);
    if (p.from != kSearchNoDate && p.to != kSearchNoDate && p.to < p.from)
        throw CommandError("--to lies before --from", kExitUsage);
    if (o.privacy == "all") p.privacy = -1;
    else if (o.privacy == "public") p.privacy = 0;
    else if (o.privacy == "private") p.privacy = 1;
    else throw CommandError("--privacy " + o.privacy + ": use all, public or private", kExitUsage);
    if (o.tasks == "all") p.completion = -1;
    else if (o.tasks == "incomplete") p.completion = 0;
    else if (o.tasks == "complete") p.completion = 1;
    else throw CommandError("--tasks " + o.tasks + ": use all, complete or incomplete", kExitUsage);
    const std::u16string text = Utf8ToWide(o.text);
    if (text.empty()) throw CommandError("the search text is empty", kExitUsage);
    if (text.size() > static_cast<size_t>(kSearchMaxTextChars))
        throw CommandError("the search text is longer than " + std::to_string(kSearchMaxTextChars) + " characters",
                           kExitUsage);
    p.searchText = const_cast<WCHAR*>(text.c_str());

    CSearchThread search;
    if (!search.SetParams(&p)) throw CommandError("the search text cannot be searched for", kExitUsage);
    // "subject" is any key the search does not know: the display text.
    static constexpr const char* kKeys[] = {"subject", "private", "date", "categories"};
    DWORD key = 4;
    if (o.sort) {
        bool known = false;
        for (DWORD k = 0; k < std::size(kKeys); ++k) {
            if (*o.sort == kKeys[k]) {
                key = k == 0 ? 4 : k;
                known = true;
            }
        }
        if (!known) throw CommandError("--sort " + *o.sort + ": use subject, private, date or categories", kExitUsage);
    }
    search.SetSortOverride(key, o.ascending ? 0 : 1);
    if (o.category) SelectCategory(search, *o.category);

    LoaderHost host;
    if (!host.Window()) throw CommandError("the search cannot run: no message window");
    search.SetNotifyWindow(host.Window());
    if (!host.Run(search, 600000)) throw CommandError("the search did not finish");

    if (o.json) {
        Json hits = Json::array();
        for (DATAGENERAL* hit : search.GetDataList()) {
            Json row{{"store", StoreName(hit->kind)}, {"oid", hit->oid}, {"text", PlainText(hit->displayText)}};
            row["date"] = hit->date == kSearchNoDate ? Json() : Json(DateText(hit->date));
            row["categories"] = hit->categoryText ? WideToUtf8(hit->categoryText) : "";
            row["private"] = hit->isPrivate != 0;
            if (hit->furtherText) row["path"] = WideToUtf8(hit->furtherText);
            hits.push_back(row);
        }
        std::puts(Json{{"text", o.text}, {"count", hits.size()}, {"hits", hits}}.dump(2).c_str());
        return;
    }
    for (DATAGENERAL* hit : search.GetDataList()) {
        std::string line = std::string(StoreName(hit->kind)) + "  " + PlainText(hit->displayText);
        if (hit->categoryText && *hit->categoryText) line += "  [" + WideToUtf8(hit->categoryText) + "]";
        if (hit->isPrivate) line += "  private";
        std::puts(line.c_str());
    }
    std::printf("%d hit%s\n", search.GetDataList().GetCount(), search.GetDataList().GetCount() == 1 ? "" : "s");
}

}  // namespace

void AddSearchCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* command = app.add_subcommand(
        "search", "Search contacts, tasks, appointments, notes and journal entries for a text, as the search window "
                  "does; the hits are grouped by store and sorted within each");
    command->footer(
        "TEXT may hold * (any run of characters) and ? (any one character); \"*\" alone lists everything that "
        "passes the other choices. Case is ignored. Exit codes: 0 done (also with no hits), 1 the search cannot "
        "run or the category is unknown, 2 bad arguments.");
    auto o = std::make_shared<SearchOptions>();
    command->add_option("TEXT", o->text, "The text to find")->required();
    command->add_option("--in", o->in, "The stores to search, comma-separated: contacts, tasks, appointments, notes, "
                                       "journal (default all)")
        ->type_name("STORES");
    command->add_option("--from", o->from, "Only items dated on or after this day")->type_name("DATE");
    command->add_option("--to", o->to, "Only items dated on or before this day")->type_name("DATE");
    command->add_flag("--start", o->start, "Match only at the start of a field (default: anywhere)");
    command->add_flag("--soundex", o->soundex, "Also find contact names that sound alike (Smyth finds Smith)");
    command->add_flag("--bodies", o->bodies, "Also search the items' notes and the text of notes");
    command->add_option("--privacy", o->privacy, "all, public or private items")->type_name("P");
    command->add_option("--tasks", o->tasks, "all, complete or incomplete tasks")->type_name("STATE");
    command->add_option("--category", o->category, "Only items of this category")->type_name("NAME");
    command->add_option("--sort", o->sort, "Sort hits by subject, private, date or categories")->type_name("KEY");
    command->add_flag("--ascending", o->ascending, "Sort ascending (default descending)");
    command->add_flag("--json", o->json,
                      "Print {text, count, hits: [{store, oid, text, date, categories, private, path}]}");
    ctx.OnRun(command, [o] { RunSearch(*o); });
}

}  // namespace kstools
