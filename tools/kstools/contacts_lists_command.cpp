// kstools contacts recent | calls [--json]: the recently opened contacts, in
// the order of the recent-contacts file, and the phone's call log, newest
// first. Reading changes nothing: an unreadable recent-contacts file is
// reported and left as it is, and contacts that no longer exist are left out
// of the list (and named on stderr), not out of the file.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "engine/recent_contacts.h"
#include "platform/base/error_codes.h"
#include "platform/base/local_block.h"
#include "platform/objectstore/call_log.h"
#include "platform/objectstore/store_database.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct RecentContact {
    CEOID oid = 0;
    std::string fileAs, name, company;
};

// The names of the contacts among oids that still exist, in the order given;
// the others are added to `missing`.
std::vector<RecentContact> ReadContacts(const CePtrList<CEOID>& oids, std::vector<CEOID>& missing)
{
    std::vector<RecentContact> out;
    CEOID dbOid = 0;
    platform::StoreDatabase db(CeOpenDatabaseEx(nullptr, &dbOid, kContactsDatabase, 0, 0, nullptr));
    CEPROPID ids[] = {kContactFileAs, kContactFirstName, kContactLastName, kContactCompanyName};
    platform::LocalBlock block;
    for (CEOID oid : oids) {
        WORD count = static_cast<WORD>(std::size(ids));
        DWORD size = 0;
        if (!db.ok() || CeSeekDatabase(db.get(), CEDB_SEEK_CEOID, oid, nullptr) != oid ||
            !CeReadRecordProps(db.get(), CEDB_ALLOWREALLOC, &count, ids, block.InOut(), &size)) {
            missing.push_back(oid);
            continue;
        }
        const auto* props = block.As<const CEPROPVAL>();
        auto text = [&](int i) {
            return props[i].wFlags & CEDB_PROPNOTFOUND || !props[i].val.lpwstr ? std::string()
                                                                               : WideToUtf8(props[i].val.lpwstr);
        };
        RecentContact c{oid, text(0), text(1), text(3)};
        if (!c.name.empty() && !text(2).empty()) c.name += " ";
        c.name += text(2);
        out.push_back(std::move(c));
    }
    return out;
}

void RunRecent(bool json)
{
    CRecentContacts recent;
    const std::string path = WideToUtf8(CRecentContacts::FilePath().c_str());
    switch (recent.Load()) {
        case CELISTFILE_OK:
            break;
        case CELISTFILE_BADFORMAT:
            throw CommandError("the recent-contacts file " + path +
                               " is of another version or kind; it is left as it is and replaced when a contact is "
                               "next opened");
        case CELISTFILE_NOMEMORY:
            throw CommandError("the recent-contacts file " + path + " is too large to read");
        default:
            throw CommandError("the recent-contacts file " + path +
                               " is cut short or cannot be read; it is left as it is and replaced when a contact "
                               "is next opened");
    }
    std::vector<CEOID> missing;
    const std::vector<RecentContact> contacts = ReadContacts(recent.Oids(), missing);
    if (!missing.empty()) {
        std::string list;
        for (CEOID oid : missing) list += (list.empty() ? "" : ", ") + HexId(oid);
        std::fprintf(stderr, "kstools: %zu recent contact(s) no longer exist and are not shown: %s\n", missing.size(),
                     list.c_str());
    }
    if (json) {
        Json rows = Json::array();
        for (const RecentContact& c : contacts)
            rows.push_back({{"oid", HexId(c.oid)}, {"fileAs", c.fileAs}, {"name", c.name}, {"company", c.company}});
        Json gone = Json::array();
        for (CEOID oid : missing) gone.push_back(HexId(oid));
        std::puts(Json{{"recent", rows}, {"missing", gone}}.dump(2).c_str());
        return;
    }
    if (contacts.empty()) {
        std::puts("no recent contacts");
        return;
    }
    for (const RecentContact& c : contacts) {
        std::string shown = c.fileAs.empty() ? c.name : c.fileAs;
        if (!c.company.empty()) shown += "  (" + c.company + ")";
        std::printf("%s  %s\n", HexId(c.oid).c_str(), shown.c_str());
    }
}

// A call's start in local time, "2026-12-07T09:30".
std::string LocalText(const FILETIME& utc)
{
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return FileTimeText(utc);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}

std::string KindText(const platform::CallLogEntry& c)
{
    return c.missed ? "missed" : c.direction == platform::kCallOutgoing ? "outgoing" : "incoming";
}

void RunCalls(bool json, size_t limit)
{
    std::vector<platform::CallLogEntry> calls;
    if (!platform::ReadCallLog(calls, limit))
        throw CommandError(fmt::format("the call log cannot be read (error {})", GetLastError()));
    if (json) {
        Json rows = Json::array();
        for (const platform::CallLogEntry& c : calls) {
            rows.push_back({{"oid", HexId(c.oid)},
                            {"start", LocalText(c.start)},
                            {"kind", KindText(c)},
                            {"number", WideToUtf8(c.number.c_str())},
                            {"name", WideToUtf8(c.name.c_str())},
                            {"durationSeconds", c.durationSeconds},
                            {"contact", c.contact ? Json(HexId(c.contact)) : Json()}});
        }
        std::puts(Json{{"calls", rows}}.dump(2).c_str());
        return;
    }
    if (calls.empty()) {
        std::puts("no calls");
        return;
    }
    for (const platform::CallLogEntry& c : calls) {
        std::string when = LocalText(c.start);
        if (when.size() > 10) when[10] = ' ';
        const std::string number = c.number.empty() ? "(withheld)" : WideToUtf8(c.number.c_str());
        const std::string name = c.name.empty() ? "" : "  " + WideToUtf8(c.name.c_str());
        std::printf("%s  %-8s  %5u:%02u  %s%s\n", when.c_str(), KindText(c).c_str(), c.durationSeconds / 60,
                    c.durationSeconds % 60, number.c_str(), name.c_str());
    }
}

}  // namespace

void AddContactListsCommands(CLI::App& contacts, CliContext& ctx)
{
    auto recentJson = std::make_shared<bool>(false);
    CLI::App* recent = contacts.add_subcommand(
        "recent", "List the recently opened contacts, most recent first, as the recent-contacts file keeps them");
    recent->footer(
        "Contacts that no longer exist are named on stderr and not shown; the file is not changed. Exit codes: 0 "
        "done, 1 the file is cut short or of another version, 2 bad arguments.");
    recent->add_flag("--json", *recentJson, "Print {recent: [{oid, fileAs, name, company}], missing: [oid]}");
    ctx.OnRun(recent, [recentJson] { RunRecent(*recentJson); });

    auto callsJson = std::make_shared<bool>(false);
    auto limit = std::make_shared<size_t>(0);
    CLI::App* calls = contacts.add_subcommand("calls", "List the phone's call log, newest first");
    calls->footer("Exit codes: 0 done, 1 the call log cannot be read, 2 bad arguments.");
    calls->add_option("--limit", *limit, "Show at most this many calls (default: all)")->check(CLI::NonNegativeNumber);
    calls->add_flag("--json", *callsJson,
                    "Print {calls: [{oid, start, kind, number, name, durationSeconds, contact}]}; kind is incoming, "
                    "outgoing or missed, start local time, contact null when not known");
    ctx.OnRun(calls, [callsJson, limit] { RunCalls(*callsJson, *limit); });
}

}  // namespace kstools
