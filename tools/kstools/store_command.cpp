// kstools store info|dump|check|add-sample: the object-store databases (and
// other mounted volumes) as the engine sees them, their records with typed
// values, and the integrity check of a volume.
//
// Sections: Databases; info; dump; check; add-sample; Wiring.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/base/local_memory.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/store_value.h"
#include "tools/kstools/store_volume.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

// Closes an engine handle when the command is done with it.
struct HandleCloser {
    void operator()(void* handle) const { CloseHandle(handle); }
};
using EngineHandle = std::unique_ptr<void, HandleCloser>;

EngineHandle Adopt(HANDLE handle) { return EngineHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle); }

std::unique_ptr<StoreVolume> OpenVolume(const std::optional<std::string>& devicePath)
{
    return devicePath ? std::make_unique<StoreVolume>(*devicePath) : std::make_unique<StoreVolume>();
}

// ---- Databases -------------------------------------------------------------

struct DatabaseSummary {
    CEOID oid = 0;
    CEDBASEINFO info{};
    DWORD records = 0;
};

std::string NameOf(const CEDBASEINFO& info) { return WideToUtf8(info.szDbaseName); }

// The record count the engine reports is 16 bits wide; the position of the
// last record gives the whole count.
DWORD CountRecords(StoreVolume& volume, CEOID oid, WORD reported)
{
    EngineHandle db = Adopt(CeOpenDatabaseEx(volume.Guid(), &oid, nullptr, 0, 0, nullptr));
    if (!db) return reported;
    DWORD index = 0;
    if (!CeSeekDatabase(db.get(), CEDB_SEEK_END, 0, &index)) return 0;
    return index + 1;
}

std::vector<DatabaseSummary> ListDatabases(StoreVolume& volume)
{
    EngineHandle find = Adopt(CeFindFirstDatabaseEx(volume.Guid(), 0));
    if (!find) throw CommandError("cannot read " + volume.Label() + ": " + LastErrorText());
    std::vector<DatabaseSummary> list;
    while (CEOID oid = CeFindNextDatabaseEx(find.get(), volume.Guid())) {
        DatabaseSummary summary;
        summary.oid = oid;
        CEOIDINFO info{};
        if (!CeOidGetInfoEx(volume.Guid(), oid, &info) || info.wObjType != OBJTYPE_DATABASE) {
            throw CommandError("cannot read database " + HexId(oid) + " of " + volume.Label() + ": " + LastErrorText());
        }
        summary.info = info.infDatabase;
        summary.records = CountRecords(volume, oid, summary.info.wNumRecords);
        list.push_back(summary);
    }
    if (GetLastError() != ERROR_NO_MORE_ITEMS) {
        throw CommandError("cannot read " + volume.Label() + ": " + LastErrorText());
    }
    return list;
}

std::string SortText(const SORTORDERSPEC& sort)
{
    std::string text = HexId(sort.propid);
    for (const std::string& flag : SortFlagNames(sort.dwFlags)) text += " " + flag;
    return text;
}

Json SortJson(const SORTORDERSPEC& sort)
{
    return Json{{"propid", HexId(sort.propid)}, {"flags", SortFlagNames(sort.dwFlags)}};
}

// ---- info ------------------------------------------------------------------

struct InfoOptions {
    std::vector<std::string> volumes;
    bool json = false;
};

void PrintVolumeText(StoreVolume& volume, const std::vector<DatabaseSummary>& databases)
{
    std::printf("%s: %s\n", volume.IsObjectStore() ? "object store" : ("volume " + volume.Label()).c_str(),
                volume.HostFile().c_str());
    if (databases.empty()) std::puts("  no databases");
    for (const DatabaseSummary& db : databases) {
        std::printf("  %s  %s\n", HexId(db.oid).c_str(), NameOf(db.info).c_str());
        std::printf("      type %u, %u records, %u bytes, last modified %s\n",
                    static_cast<unsigned>(db.info.dwDbaseType), static_cast<unsigned>(db.records),
                    static_cast<unsigned>(db.info.dwSize), FileTimeText(db.info.ftLastModified).c_str());
        std::string sorts;
        for (WORD i = 0; i < db.info.wNumSortOrder && i < CEDB_MAXSORTORDER; ++i)
            sorts += (i ? "; " : "") + SortText(db.info.rgSortSpecs[i]);
        std::printf("      sort orders: %s\n", sorts.empty() ? "none" : sorts.c_str());
    }
}

Json VolumeJson(StoreVolume& volume, const std::vector<DatabaseSummary>& databases)
{
    Json list = Json::array();
    for (const DatabaseSummary& db : databases) {
        Json sorts = Json::array();
        for (WORD i = 0; i < db.info.wNumSortOrder && i < CEDB_MAXSORTORDER; ++i)
            sorts.push_back(SortJson(db.info.rgSortSpecs[i]));
        list.push_back(Json{{"oid", HexId(db.oid)},
                            {"name", NameOf(db.info)},
                            {"type", db.info.dwDbaseType},
                            {"records", db.records},
                            {"bytes", db.info.dwSize},
                            {"lastModified", FileTimeText(db.info.ftLastModified)},
                            {"sortOrders", std::move(sorts)}});
    }
    return Json{{"volume", volume.IsObjectStore() ? "object store" : volume.Label()},
                {"file", volume.HostFile()},
                {"databases", std::move(list)}};
}

void RunInfo(const InfoOptions& options)
{
    // Every volume is mounted first, so that a wrong path fails before any output.
    std::vector<std::unique_ptr<StoreVolume>> volumes;
    volumes.push_back(std::make_unique<StoreVolume>());
    for (const std::string& path : options.volumes) volumes.push_back(std::make_unique<StoreVolume>(path));
    Json all = Json::array();
    for (size_t i = 0; i < volumes.size(); ++i) {
        std::vector<DatabaseSummary> databases = ListDatabases(*volumes[i]);
        if (options.json) {
            all.push_back(VolumeJson(*volumes[i], databases));
        } else {
            if (i) std::puts("");
            PrintVolumeText(*volumes[i], databases);
        }
    }
    if (options.json) std::puts(Json{{"volumes", std::move(all)}}.dump(2).c_str());
}

// ---- dump ------------------------------------------------------------------

struct DumpOptions {
    std::string name;
    std::optional<std::string> volume;
    bool json = false;
};

// One record as the engine reads it; damaged when the engine could not decode it.
struct RecordRead {
    CEOID oid = 0;
    bool damaged = false;
};

// Reads the records of an open database one by one, in its handle's order.
class RecordReader {
public:
    explicit RecordReader(HANDLE db) : m_db(db) {}
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // The next record; nullopt after the last one. Throws CommandError when
    // the engine fails for any reason but a damaged record.
    std::optional<RecordRead> Next()
    {
        if (m_started && !m_onNext) {
            if (!CeSeekDatabase(m_db, CEDB_SEEK_CURRENT, 1, nullptr)) return End();
        }
        m_started = true;
        m_onNext = false;
        m_count = 0;
        RecordRead read;
        read.oid = CeReadRecordProps(m_db, CEDB_ALLOWREALLOC, &m_count, nullptr, m_buffer.InOut(), &m_size);
        if (read.oid) {
            m_onNext = true;  // CEDB_AUTOINCREMENT moved on already
            return read;
        }
        if (GetLastError() != ERROR_FILE_CORRUPT) return End();
        // A damaged record stays current: name it, and step over it next time.
        read.damaged = true;
        read.oid = CeSeekDatabase(m_db, CEDB_SEEK_CURRENT, 0, nullptr);
        m_count = 0;
        return read;
    }

    const CEPROPVAL* Props() const { return m_buffer.As<const CEPROPVAL>(); }
    WORD Count() const { return m_count; }

private:
    std::optional<RecordRead> End() const
    {
        if (GetLastError() != ERROR_NOT_FOUND) throw CommandError("cannot read the records: " + LastErrorText());
        return std::nullopt;
    }

    HANDLE m_db;
    platform::LocalBlock m_buffer;
    DWORD m_size = 0;
    WORD m_count = 0;
    bool m_started = false;
    bool m_onNext = false;
};

void RunDump(const DumpOptions& options)
{
    std::unique_ptr<StoreVolume> volume = OpenVolume(options.volume);
    std::u16string name = Utf8ToWide(options.name);
    CEOID oid = 0;
    EngineHandle db = Adopt(CeOpenDatabaseEx(volume->Guid(), &oid, name.c_str(), 0, CEDB_AUTOINCREMENT, nullptr));
    if (!db) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            std::string where = volume->IsObjectStore() ? "" : " in " + volume->Label();
            throw CommandError("no database " + options.name + where);
        }
        throw CommandError("cannot open " + options.name + ": " + LastErrorText());
    }
    CEOIDINFO info{};
    if (!CeOidGetInfoEx(volume->Guid(), oid, &info)) {
        throw CommandError("cannot read " + options.name + ": " + LastErrorText());
    }
    const CEDBASEINFO& dbInfo = info.infDatabase;
    const bool sorted = dbInfo.wNumSortOrder > 0;

    Json records = Json::array();
    if (!options.json) {
        std::printf("%s (%s), in the order of %s\n", NameOf(dbInfo).c_str(), HexId(oid).c_str(),
                    sorted ? SortText(dbInfo.rgSortSpecs[0]).c_str() : "object identifiers");
    }
    RecordReader reader(db.get());
    size_t damaged = 0, total = 0;
    while (std::optional<RecordRead> record = reader.Next()) {
        ++total;
        if (record->damaged) ++damaged;
        if (options.json) {
            Json entry{{"oid", HexId(record->oid)}};
            if (record->damaged) entry["damaged"] = true;
            Json props = Json::array();
            for (WORD i = 0; i < reader.Count(); ++i) {
                const CEPROPVAL& p = reader.Props()[i];
                props.push_back(Json{{"propid", HexId(p.propid)},
                                     {"type", TypeName(TypeFromPropID(p.propid))},
                                     {"value", ValueJson(p)}});
            }
            if (!record->damaged) entry["properties"] = std::move(props);
            records.push_back(std::move(entry));
            continue;
        }
        std::printf("record %s%s\n", HexId(record->oid).c_str(), record->damaged ? ": damaged, cannot be read" : "");
        for (WORD i = 0; i < reader.Count(); ++i) {
            const CEPROPVAL& p = reader.Props()[i];
            std::printf("  %s  %-8s  %s\n", HexId(p.propid).c_str(), TypeName(TypeFromPropID(p.propid)).c_str(),
                        ValueText(p).c_str());
        }
    }
    if (options.json) {
        Json out{{"volume", volume->IsObjectStore() ? "object store" : volume->Label()},
                 {"database", NameOf(dbInfo)},
                 {"oid", HexId(oid)},
                 {"sortOrder", sorted ? SortJson(dbInfo.rgSortSpecs[0]) : Json(nullptr)},
                 {"records", std::move(records)}};
        std::puts(out.dump(2).c_str());
    } else {
        std::printf("%zu records\n", total);
    }
    if (damaged) throw CommandError(std::to_string(damaged) + " damaged records in " + options.name);
}

// ---- check -----------------------------------------------------------------

struct CheckOptions {
    std::optional<std::string> volume;
};

void RunCheck(const CheckOptions& options)
{
    std::unique_ptr<StoreVolume> volume = OpenVolume(options.volume);
    std::string report;
    bool healthy = platform::CheckObjectStore(volume->IsObjectStore() ? nullptr : volume->Guid(), report);
    if (!report.empty() && report.back() != '\n') report += '\n';
    std::fputs(report.c_str(), stdout);
    std::fflush(stdout);
    if (!healthy) throw CommandError(volume->Label() + " is damaged");
}

// ---- add-sample ------------------------------------------------------------

// The database and its properties: kSampleDatabase and kSample* of
// platform/objectstore/store_schema.h.
constexpr DWORD kSampleType = 0x5A;

struct SampleRecord {
    const char16_t* title;
    SHORT priority;
    LONG balance;
    double score;
    bool done;
    USHORT count;
    ULONG flags;
    SYSTEMTIME due;  // wYear 0: none
    std::vector<BYTE> attachment;
};

FILETIME FileTimeOf(const SYSTEMTIME& st)
{
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

CEOID WriteSample(HANDLE db, SampleRecord& r)
{
    std::vector<CEPROPVAL> props;
    auto add = [&props](CEPROPID id) -> CEVALUNION& {
        props.push_back(CEPROPVAL{id, 0, 0, {}});
        return props.back().val;
    };
    add(kSampleTitle).lpwstr = const_cast<LPWSTR>(r.title);
    add(kSamplePriority).iVal = r.priority;
    add(kSampleBalance).lVal = r.balance;
    add(kSampleScore).dblVal = r.score;
    add(kSampleDone).boolVal = r.done;
    add(kSampleCount).uiVal = r.count;
    add(kSampleFlags).ulVal = r.flags;
    if (r.due.wYear) add(kSampleDue).filetime = FileTimeOf(r.due);
    if (!r.attachment.empty()) {
        add(kSampleAttachment).blob = CEBLOB{static_cast<DWORD>(r.attachment.size()), r.attachment.data()};
    }
    return CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
}

void RunAddSample()
{
    CEOID oid = 0;
    if (EngineHandle existing = Adopt(CeOpenDatabaseEx(nullptr, &oid, kSampleDatabase, 0, 0, nullptr))) {
        std::printf("Sample Database already exists (%s); nothing added\n", HexId(oid).c_str());
        return;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND) throw CommandError("cannot read the object store: " + LastErrorText());

    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
    std::u16string(kSampleDatabase).copy(info.szDbaseName, CEDB_MAXDBASENAMELEN - 1);
    info.dwDbaseType = kSampleType;
    info.wNumSortOrder = 3;
    info.rgSortSpecs[0] = {kSampleTitle, CEDB_SORT_CASEINSENSITIVE};
    info.rgSortSpecs[1] = {kSampleDue, CEDB_SORT_DESCENDING | CEDB_SORT_UNKNOWNFIRST};
    info.rgSortSpecs[2] = {kSamplePriority, 0};
    oid = CeCreateDatabaseEx(nullptr, &info);
    if (!oid) throw CommandError("cannot create Sample Database: " + LastErrorText());

    std::vector<SampleRecord> records = {
        {u"Water the plants", 2, -1250, 0.75, false, 3, 0x00010001u, {2026, 3, 0, 9, 8, 30, 0, 0}, {0x01, 0x02, 0xFE}},
        {u"Call Émile about the trip",
         -1,
         420000,
         3.141592653589793,
         true,
         65535,
         0x80000000u,
         {2026, 2, 0, 14, 17, 45, 15, 500},
         {}},
        {u"buy milk", 1, 0, -2.5, false, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}, {0xCA, 0xFE, 0xBA, 0xBE}},
        {u"Tax return \"2025\"",
         32767,
         -2147483647 - 1,
         1e-3,
         false,
         12,
         0xFFFFFFFFu,
         {2026, 4, 0, 30, 23, 59, 59, 0},
         {0x00}},
    };
    EngineHandle db = Adopt(CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, 0, nullptr));
    if (!db) throw CommandError("cannot open Sample Database: " + LastErrorText());
    for (SampleRecord& r : records) {
        if (!WriteSample(db.get(), r)) throw CommandError("cannot write to Sample Database: " + LastErrorText());
    }
    std::printf("created Sample Database (%s) with %zu records\n", HexId(oid).c_str(), records.size());
}

// ---- Wiring ----------------------------------------------------------------

constexpr const char* kVolumeHelp =
    "Work on the volume file at this device path (\\ is the device folder of the data directory) instead of the "
    "object store; it must exist";

}  // namespace

void AddStoreCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* store = app.add_subcommand(
        "store",
        "Inspect the object store (objectstore.db in the data directory) and other database volumes: their "
        "databases, records and integrity");
    store->require_subcommand(1);
    store->footer(
        "Object identifiers and property identifiers are printed in hexadecimal; a property identifier holds the "
        "property's number in its high 16 bits and its value type in the low 16. Exit codes: 0 done, 1 no such "
        "database, a damaged store or a failed read, 2 bad arguments and missing volume files.");

    auto info = std::make_shared<InfoOptions>();
    CLI::App* infoCmd = store->add_subcommand(
        "info",
        "List the databases of the object store and of each --volume: OID, name, type, record count, size, last "
        "modification (UTC) and sort orders with their flags");
    infoCmd->add_option("--volume", info->volumes, kVolumeHelp)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    infoCmd->add_flag("--json", info->json, "Print {volumes: [{volume, file, databases: [...]}]}");
    ctx.OnRun(infoCmd, [info] { RunInfo(*info); });

    auto dump = std::make_shared<DumpOptions>();
    CLI::App* dumpCmd = store->add_subcommand(
        "dump",
        "Print every record of database NAME in its first sort order: its OID and each property's identifier, "
        "value type and value (strings quoted, file times in ISO 8601 UTC, blobs in hexadecimal). Exits 1 when "
        "the database is missing or a record is damaged");
    dumpCmd->add_option("NAME", dump->name, "Database name (any case)")->required();
    dumpCmd->add_option("--volume", dump->volume, kVolumeHelp);
    dumpCmd->add_flag("--json", dump->json,
                      "Print {database, oid, sortOrder, records: [{oid, properties: [{propid, type, value}]}]} with "
                      "JSON numbers, booleans and strings");
    ctx.OnRun(dumpCmd, [dump] { RunDump(*dump); });

    auto check = std::make_shared<CheckOptions>();
    CLI::App* checkCmd = store->add_subcommand(
        "check",
        "Check the integrity of the object store (or --volume): the file itself, every database description, "
        "every record, the counts and the sort keys. Prints one line per problem and a summary; exits 1 when "
        "something is damaged");
    checkCmd->add_option("--volume", check->volume, kVolumeHelp);
    ctx.OnRun(checkCmd, [check] { RunCheck(*check); });

    CLI::App* sampleCmd = store->add_subcommand(
        "add-sample",
        "Create \"Sample Database\" in the object store with a few records holding every value type, to try the "
        "other store commands on. Does nothing when it exists");
    ctx.OnRun(sampleCmd, [] { RunAddSample(); });
}

}  // namespace kstools
