// The task list's load on 20,000 and on 100,000 tasks: every task read from
// "Tasks Database", filed as a row, grouped by category (a task of two
// categories shows under both) and sorted by due date, then subject, within
// each group.
// The view shows all tasks ("TV_FilterData" 42250), completed ones included,
// with every header open, so each task is on screen.
//
//   TasksLoad: Ours is CTasksThread on its worker thread, from the start of
//     the load to the finished list handed to the window (WM_LOADER_DATA),
//     driven by a LoaderHost; one loader does every load, so each frees the
//     rows of the one before, as a reload does. Peer: one plain SQLite query over the same
//     stored rows, each row's record bytes decoded by hand into a struct
//     (the same properties), the category names read the same way, one
//     entry per task and category, std::sort on (category, due day, subject,
//     OID) and a walk that puts a header before each group.
//   The 100,000-task pair runs last: the store grows from 20,000 tasks to
//     100,000 (the same kind of tasks) before it, so every other case sees
//     the 20,000.
//   TasksScanInDueOrder: the peer reading in the store's due-date order,
//     for information (not a pair).
//   PeakMemory_*: one load of each in isolation, in KiB per 1,000 tasks: the
//     heap's peak and what it held with the finished list in hand (every
//     allocation of every thread counted through a wrapped allocator), and
//     how far the resident set grew (VmHWM after resetting it). Both start
//     with SQLite's page cache warm, so it is not counted.
//
// Before anything is timed, one load of each is checked against the other:
// the same headers in the same order, the same tasks under each.
//
// The peer compares subjects by UTF-16 code unit where the list compares
// them by the user locale's collation; the subjects made here order the same
// both ways, which the check confirms.
//
// The store lives in a private data directory (KSTOOLS_HOME) made for the run.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_home.h"
#include "bench/counted_loop.h"
#include "bench/process_memory.h"
#include "bench/stored_record_walk.h"
#include "categories/category_records.h"
#include "categories/full_category_list.h"
#include "engine/loader_host.h"
#include "engine/tasks_thread.h"
#include "platform/files/data_directory.h"
#include "platform/locale/locale_id.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "storage/c_registry.h"

namespace {

using benchpeer::Le16;
using benchpeer::Le32;
using benchpeer::Le64;
using benchpeer::StatusKiB;
using benchpeer::WalkRecord;

constexpr int kTasks = 20000;
constexpr int kLargeTasks = 100000;
constexpr DWORD kLoadTimeoutMs = 120000;

const char16_t* const kCategoryNames[] = {u"Business", u"Errands",  u"Family",   u"Holiday",
                                          u"Ideas",    u"Personal", u"Projects", u"Travel"};
constexpr int kCategoryCount = 8;

// 1 January 2026, 00:00, as a FILETIME; and the FILETIME of the OLE date 0.
constexpr std::uint64_t kBaseTime = 116444736000000000ull + 1767225600ull * 10000000ull;
constexpr std::uint64_t kOleEpoch = 94353120000000000ull;
constexpr std::uint64_t kDay = 864000000000ull;
constexpr std::uint64_t kHour = kDay / 24;

std::u16string Number(int n) { return Utf8ToWide(std::to_string(n)); }

FILETIME ToFileTime(std::uint64_t t) { return {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)}; }

// The stored tasks: a priority code on most subjects, a tenth undated, one
// task in five without a category and one in five with two.
struct TaskStore {
    benchpeer::BenchHome home;
    CEOID tasksDb = 0;
    CEOID categoriesDb = 0;
    SHORT index[kCategoryCount] = {};  // the categories' bit numbers
    int tasks = 0;
    int copies = 0;  // tasks shown under a second category
    bool uncategorised = false;
    int expectedRows = 0;  // tasks, their copies under a second category, and headers

    TaskStore()
    {
        platform::SetUserLocaleName("en-US");
        if (!PimDatabases::Ensure()) std::abort();
        tasksDb = PimDatabases::Oid(kTasksDatabase);
        categoriesDb = PimDatabases::Oid(kCategoriesDatabase);

        for (int c = 0; c < kCategoryCount; ++c) {
            if (AddCategoryRecord(kCategoryNames[c], &index[c]) != ERROR_SUCCESS) std::abort();
        }
        WriteTasks(kTasks);
        WriteSettings();
    }

    // Adds tasks up to total.
    void WriteTasks(int total)
    {
        static const char16_t* const verbs[] = {u"Call", u"Check", u"Draft", u"Email", u"File", u"Order", u"Plan"};
        static const char16_t* const nouns[] = {u"accounts", u"budget",  u"dentist", u"garage", u"invoice", u"lease",
                                                u"minutes",  u"printer", u"quote",   u"report", u"tickets"};
        static const char16_t* const letters[] = {u"A", u"B", u"C"};
        CEOID oid = tasksDb;
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, 0, nullptr);
        if (db == INVALID_HANDLE_VALUE) std::abort();
        const std::u16string icon = u"!";
        const BYTE note[] = {'C', 0, 'a', 0, 'l', 0, 'l', 0, ' ', 0, 'f', 0, 'i', 0, 'r', 0, 's', 0, 't', 0};
        for (int i = tasks; i < total; ++i) {
            std::u16string subject;
            if (i % 5 != 4) subject = std::u16string(letters[i % 3]) + Number(1 + (i / 3) % 3) + u": ";
            subject += std::u16string(verbs[i % 7]) + u" " + nouns[(i / 7) % 11] + u" " + Number((i * 31) % 997);

            std::uint32_t blob = 0;
            const int kind = i % 10;
            const int first = (i * 13) % kCategoryCount;
            if (kind >= 2) blob |= 1u << index[first];
            if (kind >= 8) {
                blob |= 1u << index[(first + 3) % kCategoryCount];
                ++copies;
            }
            if (kind < 2) uncategorised = true;
            const BYTE blobBytes[4] = {static_cast<BYTE>(blob), static_cast<BYTE>(blob >> 8),
                                       static_cast<BYTE>(blob >> 16), static_cast<BYTE>(blob >> 24)};

            const std::uint64_t due = kBaseTime + ((i * 7919) % 365) * kDay + (i % 24) * kHour;
            std::vector<CEPROPVAL> p;
            auto add = [&](CEPROPID id) -> CEVALUNION& {
                p.push_back(CEPROPVAL{});
                p.back().propid = id;
                return p.back().val;
            };
            add(kTaskSensitivity).iVal = i % 10 == 3 ? 1 : 0;
            add(kTaskComplete).iVal = i % 6 == 0 ? 1 : 0;
            if (i % 4 != 0) add(kTaskStartDate).filetime = ToFileTime(due - (i % 6) * kDay);
            if (i % 9 != 0) add(kTaskDueDate).filetime = ToFileTime(due);
            add(kTaskImportance).lVal = 1 + i % 3;
            if (i % 8 == 0) add(kTaskIconText).lpwstr = const_cast<WCHAR*>(icon.c_str());
            add(kTaskSubject).lpwstr = subject.data();
            add(kTaskRecurring).iVal = static_cast<SHORT>(i % 2);
            add(kTaskReminderSet).iVal = static_cast<SHORT>(-(i % 3 == 0));
            if (i % 6 == 0) add(kTaskDateCompleted).filetime = ToFileTime(due + kDay);
            if (i % 5 == 0) add(kItemNote).blob = {sizeof note, const_cast<BYTE*>(note)};
            if (blob) add(kItemCategories).blob = {sizeof blobBytes, const_cast<BYTE*>(blobBytes)};
            add(kTaskPercentComplete).ulVal = static_cast<ULONG>((i % 11) * 10);
            if (!CeWriteRecordProps(db, 0, static_cast<WORD>(p.size()), p.data())) std::abort();
        }
        CloseHandle(db);
        tasks = total;
        expectedRows = tasks + copies + kCategoryCount + (uncategorised ? 1 : 0);
    }

    static void WriteSettings()
    {
        CRegistry settings;
        if (settings.OpenKey(HKEY_CURRENT_USER, kTasksSettingsKey) != 0) std::abort();
        settings.SetValue(u"TV_FilterData", static_cast<ULONG>(kTasksRuleAll));
        settings.SetValue(u"GroupBy", static_cast<ULONG>(kTasksGroupCategory));
        settings.SetValue(u"TV_Sort0", static_cast<ULONG>(kTasksSortDueDate));
        settings.SetValue(u"TV_Sort1", static_cast<ULONG>(kTasksSortSubject));
        settings.SetValue(u"bShowCompleted", static_cast<ULONG>(1));
        settings.SetValue(u"bShowExpanded", static_cast<ULONG>(1));
    }
};

TaskStore& Store()
{
    static TaskStore store;
    return store;
}

// The store with exactly `tasks` tasks, grown to them when it has fewer;
// null when it has grown past them already.
TaskStore* StoreOf(int tasks)
{
    TaskStore& store = Store();
    if (store.tasks < tasks) store.WriteTasks(tasks);
    return store.tasks == tasks ? &store : nullptr;
}

// ---- the peer: plain SQLite and std::sort ----

// A task as the peer keeps it: the properties the list reads.
struct PeerTask {
    DWORD oid = 0;
    std::u16string subject;
    std::u16string priority;  // the code split off the subject ("A1"), if any
    std::u16string iconText;
    double due = kTaskNoDate, start = kTaskNoDate, completed = kTaskNoDate;
    LONG importance = 2;
    LONG percent = 0;
    SHORT sensitivity = 0, complete = 0, flag4126 = 0, reminderSet = 0;
    bool hasNote = false;
    std::uint32_t categories[4] = {};  // the first 128 category bits
};

// One line of the peer's finished list: a header (task null) or a task
// under the category it is shown in.
struct PeerRow {
    const std::u16string* category;
    const PeerTask* task;
};

double OleDate(std::uint64_t filetime)
{
    if (filetime < kOleEpoch) return kTaskNoDate;
    return static_cast<double>(filetime - kOleEpoch) / static_cast<double>(kDay);
}

std::u16string Text(const unsigned char* p, size_t bytes)
{
    std::u16string text(bytes / 2, u'\0');
    std::memcpy(text.data(), p, text.size() * 2);
    return text;
}

// Splits a priority code ("A1: ", "C3|14: ") off the subject.
void SplitPriority(PeerTask& task)
{
    const size_t colon = task.subject.find(u':');
    if (colon == std::u16string::npos || colon > 8) return;
    for (size_t k = 0; k < colon; ++k) {
        const char16_t c = task.subject[k];
        const bool code = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'|';
        if (!code) return;
    }
    task.priority = task.subject.substr(0, colon);
    size_t rest = colon + 1;
    if (rest < task.subject.size() && task.subject[rest] == u' ') ++rest;
    task.subject.erase(0, rest);
}

bool PeerDecodeTask(DWORD oid, const unsigned char* bytes, size_t size, PeerTask& task)
{
    task.oid = oid;
    return WalkRecord(bytes, size, [&](CEPROPID id, const unsigned char* v, size_t length) {
        switch (id) {
            case kTaskSensitivity:
                task.sensitivity = static_cast<SHORT>(Le16(v));
                break;
            case kTaskComplete:
                task.complete = static_cast<SHORT>(Le16(v));
                break;
            case kTaskStartDate:
                task.start = OleDate(Le64(v));
                break;
            case kTaskDueDate:
                task.due = OleDate(Le64(v));
                break;
            case kTaskImportance: {
                const std::uint32_t stored = Le32(v);
                task.importance = stored == 1 ? 2 : stored == 3 ? 0 : 1;
                break;
            }
            case kTaskIconText:
                task.iconText = Text(v, length);
                break;
            case kTaskSubject:
                task.subject = Text(v, length);
                break;
            case kTaskRecurring:
                task.flag4126 = static_cast<SHORT>(Le16(v));
                break;
            case kTaskReminderSet:
                task.reminderSet = static_cast<SHORT>(Le16(v));
                break;
            case kTaskDateCompleted:
                task.completed = OleDate(Le64(v));
                break;
            case kItemNote:
                task.hasNote = length > 0;
                break;
            case kItemCategories:
                for (size_t w = 0; w < 4 && 4 * w + 4 <= length; ++w) task.categories[w] = Le32(v + 4 * w);
                break;
            case kTaskPercentComplete:
                task.percent = static_cast<LONG>(Le32(v));
                break;
            default:
                break;
        }
    });
}

struct PeerResult {
    std::vector<std::u16string> names;  // by category index; "" when none has it
    std::vector<PeerTask> tasks;
    std::vector<PeerRow> rows;
};

class Peer {
public:
    // order: an ORDER BY clause for the scan ("" reads in the table's own
    // order); cacheKiB: the connection's page cache when not 0.
    explicit Peer(const std::string& order = "", int cacheKiB = 0)
    {
        const std::string sql = "SELECT oid, props FROM records WHERE db = ?1 " + order;
        if (sqlite3_open_v2(platform::ObjectStorePath().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, sql.c_str(), -1, &records_, nullptr) != SQLITE_OK)
            std::abort();
        if (cacheKiB > 0) {
            const std::string pragma = "PRAGMA cache_size = -" + std::to_string(cacheKiB);
            if (sqlite3_exec(db_, pragma.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
        }
    }
    ~Peer()
    {
        sqlite3_finalize(records_);
        sqlite3_close(db_);
    }

    bool Load(PeerResult& out)
    {
        out.names.clear();
        out.tasks.clear();
        out.rows.clear();
        // The category names by index.
        bool ok = Scan(Store().categoriesDb, [&](DWORD, const unsigned char* bytes, size_t size) {
            std::u16string name;
            int index = -1;
            const bool good = WalkRecord(bytes, size, [&](CEPROPID id, const unsigned char* v, size_t length) {
                if (id == kCategoryName) name = Text(v, length);
                if (id == kCategoryBitIndex) index = static_cast<SHORT>(Le16(v));
            });
            if (good && index >= 0 && index < 128) {
                if (out.names.size() <= static_cast<size_t>(index)) out.names.resize(index + 1);
                out.names[index] = std::move(name);
            }
            return good;
        });
        out.tasks.reserve(static_cast<size_t>(Store().tasks));
        ok = ok && Scan(Store().tasksDb, [&](DWORD oid, const unsigned char* bytes, size_t size) {
                 out.tasks.emplace_back();
                 if (!PeerDecodeTask(oid, bytes, size, out.tasks.back())) return false;
                 SplitPriority(out.tasks.back());
                 return true;
             });
        if (!ok) return false;

        // One entry per task and category it is shown under.
        static const std::u16string none;
        std::vector<PeerRow> entries;
        entries.reserve(out.tasks.size() * 5 / 4);
        for (const PeerTask& task : out.tasks) {
            bool any = false;
            for (size_t bit = 0; bit < out.names.size(); ++bit) {
                if (!(task.categories[bit / 32] >> (bit % 32) & 1u) || out.names[bit].empty()) continue;
                entries.push_back({&out.names[bit], &task});
                any = true;
            }
            if (!any) entries.push_back({&none, &task});
        }
        std::sort(entries.begin(), entries.end(), [](const PeerRow& a, const PeerRow& b) {
            if (*a.category != *b.category) return *a.category < *b.category;
            const bool undatedA = a.task->due >= kTaskNoDate, undatedB = b.task->due >= kTaskNoDate;
            if (undatedA != undatedB) return undatedB;
            const long dayA = static_cast<long>(a.task->due), dayB = static_cast<long>(b.task->due);
            if (!undatedA && dayA != dayB) return dayA < dayB;
            if (a.task->subject != b.task->subject) return a.task->subject < b.task->subject;
            return a.task->oid < b.task->oid;
        });
        // A header before each group.
        out.rows.reserve(entries.size() + out.names.size() + 1);
        for (size_t k = 0; k < entries.size(); ++k) {
            if (k == 0 || *entries[k].category != *entries[k - 1].category)
                out.rows.push_back({entries[k].category, nullptr});
            out.rows.push_back(entries[k]);
        }
        return true;
    }

private:
    template <typename Each>
    bool Scan(CEOID database, Each each)
    {
        sqlite3_bind_int64(records_, 1, database);
        bool ok = true;
        while (ok && sqlite3_step(records_) == SQLITE_ROW) {
            const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(records_, 1));
            ok = each(static_cast<DWORD>(sqlite3_column_int64(records_, 0)), bytes,
                      static_cast<size_t>(sqlite3_column_bytes(records_, 1)));
        }
        sqlite3_reset(records_);
        return ok;
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt* records_ = nullptr;
};

// ---- our loader ----

// Runs one load of loader through host; the number of rows the list handed
// over, or -1 when the load did not end in time. inspect, when given, sees
// the finished list inside the hand-over.
template <typename Inspect>
LPARAM RunLoad(LoaderHost& host, CTasksThread& loader, Inspect inspect)
{
    LPARAM handed = -1;
    host.OnComplete([&](LPARAM count) {
        handed = count;
        inspect(loader);
    });
    if (!host.Run(loader, kLoadTimeoutMs)) return -1;
    return handed;
}

// The finished list against the peer's: the same headers in the same order
// and the same tasks, in the same order, under each. An empty text when
// they agree, else what differs first.
std::string Compare(CTasksThread& loader, const PeerResult& peer)
{
    CePtrList<DATATASKS*>& list = loader.GetDataList();
    if (list.GetCount() != static_cast<int>(peer.rows.size()))
        return "the list has " + std::to_string(list.GetCount()) + " rows, the peer " +
               std::to_string(peer.rows.size());
    size_t k = 0;
    for (DATATASKS* row : list) {
        const PeerRow& want = peer.rows[k++];
        const std::string at = " at row " + std::to_string(k);
        if (row->hidden) return "a hidden row" + at;
        if (row->IsHeader() != (want.task == nullptr)) return "a header where the peer has none, or none" + at;
        if (row->IsHeader()) {
            const std::u16string name = row->importance == kTaskImportanceNone ? u"" : row->categories;
            if (name != *want.category) return "header " + WideToUtf8(name) + at;
            continue;
        }
        if (row->oid != want.task->oid) return "task " + std::to_string(row->oid) + at;
        if (row->subject != want.task->subject) return "subject " + WideToUtf8(row->subject) + at;
        if (static_cast<long>(row->dueDate) != static_cast<long>(want.task->due)) return "due date" + at;
    }
    return {};
}

// Our list and the peer's on a store of `tasks` tasks must agree before
// either is worth timing.
std::string CheckAgreement(int tasks)
{
    if (!StoreOf(tasks)) return "the store holds more than " + std::to_string(tasks) + " tasks";
    PeerResult peer;
    if (!Peer().Load(peer)) return "the peer could not read the store";
    if (static_cast<int>(peer.rows.size()) != Store().expectedRows)
        return "the peer made " + std::to_string(peer.rows.size()) + " rows, not " +
               std::to_string(Store().expectedRows);
    LoaderHost host;
    CTasksThread loader;
    loader.SetNotifyWindow(host.Window());
    std::string difference = "the load did not finish";
    const LPARAM handed = RunLoad(host, loader, [&](CTasksThread& l) { difference = Compare(l, peer); });
    if (handed != Store().expectedRows && difference.empty())
        difference = "the load handed over " + std::to_string(handed) + " rows";
    return difference;
}

const std::string& AgreementError(int tasks = kTasks)
{
    static std::map<int, std::string> checked;
    auto found = checked.find(tasks);
    if (found == checked.end()) found = checked.emplace(tasks, CheckAgreement(tasks)).first;
    // A store grown since it was checked is no longer the one checked.
    static const std::string grown = "the store has grown past this case's tasks";
    if (found->second.empty() && Store().tasks != tasks) return grown;
    return found->second;
}

void BM_TasksLoad_Ours(benchmark::State& state)
{
    const int tasks = static_cast<int>(state.range(0));
    if (!AgreementError(tasks).empty()) {
        state.SkipWithError(AgreementError(tasks).c_str());
        return;
    }
    LoaderHost host;
    CTasksThread loader;
    loader.SetNotifyWindow(host.Window());
    // Every timed load, as every load but a loader's first, drops the list
    // before it.
    RunLoad(host, loader, [](CTasksThread&) {});
    {
        const benchpeer::CountedLoop counted(state, "TasksLoad_Ours/" + std::to_string(tasks));
        for (auto _ : state) {
            const LPARAM handed = RunLoad(host, loader, [](CTasksThread&) {});
            if (handed != Store().expectedRows) {
                state.SkipWithError("the load did not hand over every row");
                break;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * tasks);
}
BENCHMARK(BM_TasksLoad_Ours)->ArgName("tasks")->Arg(kTasks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TasksLoad_Peer(benchmark::State& state)
{
    const int tasks = static_cast<int>(state.range(0));
    if (!AgreementError(tasks).empty()) {
        state.SkipWithError(AgreementError(tasks).c_str());
        return;
    }
    Peer peer;
    const benchpeer::CountedLoop counted(state, "TasksLoad_Peer/" + std::to_string(tasks));
    for (auto _ : state) {
        PeerResult result;
        if (!peer.Load(result) || static_cast<int>(result.rows.size()) != Store().expectedRows) {
            state.SkipWithError("the peer did not make every row");
            break;
        }
        benchmark::DoNotOptimize(result.rows.data());
    }
    state.SetItemsProcessed(state.iterations() * tasks);
}
BENCHMARK(BM_TasksLoad_Peer)->ArgName("tasks")->Arg(kTasks)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer reading the rows in the order a plain open of the store reads
// them (its first sort order, the due date: index order, each row's lookup
// on another page), with SQLite's default page cache and with one that holds
// the whole table. For information: how much of the gap the read order and
// the cache size explain.
void BM_TasksScanInDueOrder(benchmark::State& state)
{
    if (!AgreementError().empty()) {
        state.SkipWithError(AgreementError().c_str());
        return;
    }
    Peer peer("ORDER BY k0, oid", static_cast<int>(state.range(0)));
    for (auto _ : state) {
        PeerResult result;
        if (!peer.Load(result) || static_cast<int>(result.rows.size()) != Store().expectedRows) {
            state.SkipWithError("the peer did not make every row");
            break;
        }
        benchmark::DoNotOptimize(result.rows.data());
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_TasksScanInDueOrder)
    ->ArgName("cacheKiB")
    ->Arg(2000)
    ->Arg(32000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ---- memory ----

// Heap accounting: while switched on, every block the process allocates adds
// its usable size to the live count and every block it frees takes its size
// off, whichever thread does it; the peak is the highest live count seen.
// Blocks made before the switch and freed during it count negative, so the
// figures are growth from the moment of the switch.
namespace heap {
std::atomic<bool> counting{false};
std::atomic<long long> live{0};
std::atomic<long long> peak{0};

void Added(void* block)
{
    if (!block || !counting.load(std::memory_order_relaxed)) return;
    const long long now = live.fetch_add(static_cast<long long>(malloc_usable_size(block)), std::memory_order_relaxed) +
                          static_cast<long long>(malloc_usable_size(block));
    long long high = peak.load(std::memory_order_relaxed);
    while (now > high && !peak.compare_exchange_weak(high, now, std::memory_order_relaxed)) {
    }
}

void Removed(void* block)
{
    if (!block || !counting.load(std::memory_order_relaxed)) return;
    live.fetch_sub(static_cast<long long>(malloc_usable_size(block)), std::memory_order_relaxed);
}

void Start()
{
    live = 0;
    peak = 0;
    counting = true;
}
}  // namespace heap

// What one measured load used: the heap's peak and what it held when the
// list was finished, and the resident set's growth, all from the start.
class MemoryProbe {
public:
    // Returns freed memory to the system, starts a new resident peak and
    // switches the heap accounting on.
    MemoryProbe()
    {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        rssBase_ = StatusKiB("VmRSS");
        heap::Start();
    }
    ~MemoryProbe() { heap::counting = false; }

    // Called with the finished list in hand.
    void Held() { heapHeld_ = heap::live.load(); }

    void Report(benchmark::State& state)
    {
        heap::counting = false;
        const long rssPeak = StatusKiB("VmHWM");
        if (rssBase_ < 0 || rssPeak < 0 || heapHeld_ < 0) {
            state.SkipWithError("the memory figures could not be read");
            return;
        }
        const double perThousand = 1024.0 * kTasks / 1000.0;
        state.counters["heap_peak_KiB_per_1000_tasks"] = static_cast<double>(heap::peak.load()) / perThousand;
        state.counters["heap_held_KiB_per_1000_tasks"] = static_cast<double>(heapHeld_) / perThousand;
        state.counters["rss_peak_KiB_per_1000_tasks"] = static_cast<double>(rssPeak - rssBase_) * 1024.0 / perThousand;
    }

private:
    long rssBase_ = -1;
    long long heapHeld_ = -1;
};

void BM_PeakMemory_TasksLoad(benchmark::State& state)
{
    if (!AgreementError().empty()) {
        state.SkipWithError(AgreementError().c_str());
        return;
    }
    for (auto _ : state) {
        MemoryProbe probe;
        LoaderHost host;
        auto loader = std::make_unique<CTasksThread>();
        loader->SetNotifyWindow(host.Window());
        if (RunLoad(host, *loader, [&](CTasksThread&) { probe.Held(); }) != Store().expectedRows) {
            state.SkipWithError("the load did not hand over every row");
            return;
        }
        loader.reset();
        probe.Report(state);
    }
}
BENCHMARK(BM_PeakMemory_TasksLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_PeakMemory_TasksScan(benchmark::State& state)
{
    if (!AgreementError().empty()) {
        state.SkipWithError(AgreementError().c_str());
        return;
    }
    // A connection whose page cache is already warm, as the store's is when
    // the loader's turn comes.
    Peer peer;
    {
        PeerResult warm;
        if (!peer.Load(warm)) {
            state.SkipWithError("the peer did not make every row");
            return;
        }
    }
    for (auto _ : state) {
        MemoryProbe probe;
        {
            PeerResult result;
            if (!peer.Load(result)) {
                state.SkipWithError("the peer did not make every row");
                return;
            }
            probe.Held();
        }
        probe.Report(state);
    }
}
BENCHMARK(BM_PeakMemory_TasksScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The large store last: it grows the store for good.
BENCHMARK(BM_TasksLoad_Ours)->ArgName("tasks")->Arg(kLargeTasks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TasksLoad_Peer)->ArgName("tasks")->Arg(kLargeTasks)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The process's allocator, wrapped for the heap accounting: glibc's own
// entry points do the work. Not under the sanitizers, which replace the
// allocator themselves.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* block);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

void* malloc(size_t size)
{
    void* block = __libc_malloc(size);
    heap::Added(block);
    return block;
}
void free(void* block)
{
    heap::Removed(block);
    __libc_free(block);
}
void* calloc(size_t count, size_t size)
{
    void* block = __libc_calloc(count, size);
    heap::Added(block);
    return block;
}
void* realloc(void* block, size_t size)
{
    heap::Removed(block);
    void* moved = __libc_realloc(block, size);
    // A failed realloc leaves the old block in place.
    heap::Added(moved ? moved : (size ? block : nullptr));
    return moved;
}
void* memalign(size_t alignment, size_t size)
{
    void* block = __libc_memalign(alignment, size);
    heap::Added(block);
    return block;
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = memalign(alignment, size);
    if (!block && size) return ENOMEM;
    *out = block;
    return 0;
}
}
#endif

BENCHMARK_MAIN();
