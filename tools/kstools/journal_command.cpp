// kstools journal [--parent OID] [--from DATE] [--to DATE] [--json] | add
// SUBJECT ...: the journal's entries in creation order (or those of one parent
// item), and adding an entry as the journal dialog would.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "items/c_journal.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "storage/ce_db.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct ListOptions {
    std::string parent;
    std::string from;
    std::string to;
    bool json = false;
};

struct AddOptions {
    std::string subject;
    std::string parent;
    std::string parentText;
    std::string type;
    std::string notes;
    std::string start;
    unsigned duration = 0;
};

std::uint64_t TimeValue(const SYSTEMTIME& st)
{
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return platform::FileTimeValue(ft);
}

// The bounds on an entry's start: a date without a time covers its whole
// day at the end of a range.
std::optional<std::uint64_t> Bound(const std::string& text, bool upper)
{
    if (text.empty()) return std::nullopt;
    const DateArgument date = ParseDateArgument(text);
    std::uint64_t value = TimeValue(date.time);
    if (upper && !date.hasTime) value += 24ull * 3600 * 10'000'000 - 1;
    return value;
}

// The journal's record OIDs in creation order, or those of one parent.
std::vector<CEOID> Records(std::optional<CEOID> parent)
{
    CJournal::CheckAndCreateDB();
    std::vector<CEOID> oids;
    CeDb db;
    if (!db.Open(kJournalDatabase, parent ? kJournalParent : kJournalCreated, 0, nullptr))
        throw CommandError("the journal cannot be opened: error " + std::to_string(db.HandleError(u"journal")));
    if (parent) {
        CEPROPVAL key{};
        key.propid = kJournalParent;
        key.val.lVal = static_cast<LONG>(*parent);
        for (CEOID oid = db.SeekRec(&key); oid; oid = db.SeekNextRec(&key)) oids.push_back(oid);
    } else {
        for (CEOID oid = db.SeekFirst(); oid; oid = db.SeekNext()) oids.push_back(oid);
    }
    return oids;
}

Json EntryJson(const CJournalData& e)
{
    return Json{{"oid", HexId(e.m_record)},
                {"start", FormatIsoDateTime(e.m_start)},
                {"created", FormatIsoDateTime(e.m_created)},
                {"createdMissing", e.m_createdMissing},
                {"modified", FormatIsoDateTime(e.m_modified)},
                {"parent", HexId(e.m_parent)},
                {"parentText", WideToUtf8(e.m_parentText)},
                {"subject", WideToUtf8(e.m_subject)},
                {"type", WideToUtf8(e.m_type)},
                {"text3", WideToUtf8(e.m_text3)},
                {"duration", e.m_duration},
                {"pageFlag", e.m_pageFlag},
                {"numbers", {e.m_number1, e.m_number2, e.m_number3}},
                {"notes", WideToUtf8(e.NotesText())}};
}

void RunList(const ListOptions& options)
{
    std::optional<CEOID> parent;
    if (!options.parent.empty()) parent = ParseOid(options.parent, true);
    const auto from = Bound(options.from, false);
    const auto to = Bound(options.to, true);

    std::vector<CJournalData> entries;
    for (CEOID oid : Records(parent)) {
        CJournalData e;
        if (!CJournal::ReadEntry(oid, &e) || e.m_record != oid) continue;
        const std::uint64_t start = TimeValue(e.m_start);
        if ((from && start < *from) || (to && start > *to)) continue;
        entries.push_back(std::move(e));
    }

    if (options.json) {
        Json list = Json::array();
        for (const auto& e : entries) list.push_back(EntryJson(e));
        std::puts(Json{{"entries", list}}.dump(2).c_str());
        return;
    }
    if (entries.empty()) {
        std::puts("no journal entries");
        return;
    }
    std::puts("oid         start                parent      type  subject");
    for (const auto& e : entries) {
        std::printf("%-10s  %-19s  %-10s  %s  %s\n", HexId(e.m_record).c_str(), FormatIsoDateTime(e.m_start).c_str(),
                    e.m_parent ? HexId(e.m_parent).c_str() : "-",
                    e.m_type.IsEmpty() ? "-" : WideToUtf8(e.m_type).c_str(), WideToUtf8(e.m_subject).c_str());
    }
}

void RunAdd(const AddOptions& options)
{
    CJournalData e;
    if (options.start.empty())
        GetLocalTime(&e.m_start);
    else
        e.m_start = ParseDateArgument(options.start).time;
    e.m_created = e.m_start;
    e.m_subject = Utf8ToWide(options.subject).c_str();
    e.m_type = Utf8ToWide(options.type).c_str();
    e.m_parentText = Utf8ToWide(options.parentText).c_str();
    if (!options.parent.empty()) e.m_parent = ParseOid(options.parent, true);
    e.m_duration = options.duration;
    e.SetNotesText(Utf8ToWide(options.notes).c_str());
    CJournal::WriteEntry(e, true);
    if (!e.m_record) throw CommandError("the entry could not be stored");
    std::printf("added journal entry %s\n", HexId(e.m_record).c_str());
}

}  // namespace

void AddJournalCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* journal = app.add_subcommand(
        "journal", "List the journal's entries in creation order, or those of one parent item, or add one");
    journal->require_subcommand(0, 1);
    journal->footer(
        "DATE is YYYY-MM-DD with an optional THH:MM[:SS], local time. Exit codes: 0 done, 1 the journal cannot be "
        "opened or written, 2 bad arguments.");
    auto list = std::make_shared<ListOptions>();
    journal->add_option("--parent", list->parent, "Only the entries of this parent item (OID)");
    journal->add_option("--from", list->from, "Only entries starting at or after DATE");
    journal->add_option("--to", list->to, "Only entries starting at or before DATE (a bare date: its whole day)");
    journal->add_flag("--json", list->json, "Print {entries: [{oid, start, created, subject, notes, ...}]}");
    ctx.OnRun(journal, [journal, list] {
        if (journal->get_subcommands().empty()) RunList(*list);
    });

    auto add = std::make_shared<AddOptions>();
    CLI::App* addCommand = journal->add_subcommand("add", "Add an entry, created now");
    addCommand->add_option("SUBJECT", add->subject, "The entry's title")->required();
    addCommand->add_option("--parent", add->parent, "The item the entry belongs to (OID)");
    addCommand->add_option("--parent-text", add->parentText, "Text describing the parent item");
    addCommand->add_option("--type", add->type, "The entry's type");
    addCommand->add_option("--notes", add->notes, "Notes as plain text");
    addCommand->add_option("--start", add->start, "The entry's date and time (default: now)");
    addCommand->add_option("--duration", add->duration, "Minutes spent");
    ctx.OnRun(addCommand, [add] { RunAdd(*add); });
}

}  // namespace kstools
