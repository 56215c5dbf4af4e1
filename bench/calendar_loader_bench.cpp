// The calendar's month load on a store of 50,000 appointments, one in five
// recurring (daily, weekly, monthly and yearly patterns starting up to five
// years back), spread over 2025 to 2027; then the same on 100,000 (the
// store grows by the same pattern, so each case's argument is the store's
// size, and the 50,000 cases run first).
//
//   CalendarMonth: Ours is CCalendarThread on its worker thread loading
//     March 2026 in the main view (every occurrence in the month expanded,
//     multi-day entries spread, a header per day, sorted), from the start of
//     the load to the list handed to the window, driven by a LoaderHost.
//     Peer: one plain SQLite query over the same stored rows, each row's
//     start, duration, all-day flag, subject and location decoded by hand,
//     the non-recurring ones of the month kept and std::sort'ed by start; the
//     recurring rows are decoded but not expanded, so the peer does less
//     work than the loader.
//   CalendarStoreRead: the store's own reads alone, for information (not a
//     pair): every appointment record read through the object store's
//     record calls as the loader reads them (in OID order), the loader's 15
//     properties each, nothing kept. This is the floor under any loader that
//     reads the records one by one. CalendarStoreReadByStart: the same walk
//     in the start time's sort order, which costs an index look-up per
//     record.
//
// Before anything is timed, one load of each is checked: the loader shows
// every non-recurring appointment the peer keeps, once, on either store.
//
// The device zone is UTC, so stored start times are wall-clock times. The
// store lives in a private data directory (KSTOOLS_HOME) made for the run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <time.h>

#include "bench/bench_home.h"
#include "bench/counted_loop.h"
#include "bench/stored_record_walk.h"
#include "engine/calendar_thread.h"
#include "engine/loader_host.h"
#include "platform/files/data_directory.h"
#include "platform/kernel/handle.h"
#include "platform/locale/locale_id.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/text/utf8.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/time_zone.h"

namespace {

using benchpeer::Le16;
using benchpeer::Le32;
using benchpeer::Le64;
using benchpeer::WalkRecord;

constexpr int kSmallStore = 50000;
constexpr int kLargeStore = 100000;
constexpr DWORD kLoadTimeoutMs = 120000;

constexpr std::uint64_t kDay = 864000000000ull;
constexpr std::uint64_t kMinute = 600000000ull;
// The FILETIME of the OLE date 0, and days from 1601 to it.
constexpr std::uint64_t kOleEpoch = 94353120000000000ull;
constexpr int kOleDayInBlobDays = platform::civil::kOleEpochDay - platform::civil::kFileTimeEpochDay;
// OLE day numbers of 1 January 2025 and of March 2026.
constexpr int kFirstStoreDay = 45658;
constexpr int kStoreDays = 3 * 365;
constexpr int kMonthFirst = 46082;  // 1 March 2026
constexpr int kMonthLast = 46112;   // 31 March 2026

std::u16string Number(int n) { return Utf8ToWide(std::to_string(n)); }

std::vector<BYTE> PatternFor(int i, int oleDay, int startMinute, int duration)
{
    platform::RecurrenceRule rule;
    rule.patternStartDay = oleDay + kOleDayInBlobDays;
    rule.startMinute = startMinute;
    rule.durationMinutes = duration;
    switch (i % 5) {
        case 0:
            rule.type = platform::kRecursDaily;
            rule.interval = 1 + i % 3;
            break;
        case 1:
            rule.type = platform::kRecursWeekly;
            rule.dayOfWeekMask = 1 << (i % 7) | 2;
            break;
        case 2:
            rule.type = platform::kRecursMonthly;
            rule.dayOfMonth = 1 + i % 31;
            break;
        case 3:
            rule.type = platform::kRecursMonthNth;
            rule.dayOfWeekMask = 1 << (i % 7);
            rule.instance = 1 + i % 5;
            break;
        default:
            rule.type = platform::kRecursYearly;
            rule.dayOfMonth = 1 + i % 28;
            rule.monthOfYear = 1 + i % 12;
            break;
    }
    if (i % 3 == 0) {
        rule.end = platform::RecurrenceEnd::kByDate;
        rule.patternEndDay = rule.patternStartDay + 30 + i % 900;
    }
    auto blob = platform::BuildRecurrencePatternBlob(rule);
    if (!blob) std::abort();
    return platform::EncodeRecurrencePatternBlob(*blob);
}

struct CalendarStore {
    benchpeer::BenchHome home;
    CEOID appointmentsDb = 0;
    int appointments = 0;

    CalendarStore()
    {
        platform::SetUserLocaleName("en-US");
        if (!platform::SetDeviceTimeZone(u"UTC")) std::abort();
        if (!PimDatabases::Ensure()) std::abort();
        appointmentsDb = PimDatabases::Oid(kAppointmentsDatabase);
    }

    // Appointments from the current count up to count.
    void GrowTo(int count)
    {
        static const char16_t* const subjects[] = {u"Meeting", u"Call", u"Lunch", u"Review", u"Gym", u"Dentist"};
        static const char16_t* const places[] = {u"Room 1", u"Room 2", u"Cafe", u"Office", u""};
        CEOID oid = appointmentsDb;
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, 0, nullptr);
        if (db == INVALID_HANDLE_VALUE) std::abort();
        for (int i = appointments; i < count; ++i) {
            const bool recurring = i % 5 == 0;
            const bool allDay = i % 11 == 0;
            const int startMinute = allDay ? 0 : 8 * 60 + (i * 7) % (10 * 60);
            const int duration = allDay ? 1440 : 15 + (i * 13) % 106;
            // Recurring series start up to five years before the store's days.
            const int day =
                recurring ? kFirstStoreDay - (i * 37) % (5 * 365) : kFirstStoreDay + (i * 7919) % kStoreDays;
            std::u16string subject = std::u16string(subjects[i % 6]) + u" " + Number(i);
            std::u16string location = places[i % 5];
            std::vector<BYTE> blob = recurring ? PatternFor(i / 5, day, startMinute, duration) : std::vector<BYTE>{};
            const std::uint64_t start = kOleEpoch + static_cast<std::uint64_t>(day) * kDay + startMinute * kMinute;
            CEPROPVAL props[7] = {};
            WORD n = 0;
            props[n].propid = kAppointmentStart;
            props[n++].val.filetime = FILETIME{static_cast<DWORD>(start), static_cast<DWORD>(start >> 32)};
            props[n].propid = kAppointmentDuration;
            props[n++].val.lVal = duration;
            props[n].propid = kAppointmentAllDay;
            props[n++].val.lVal = allDay ? 1 : 0;
            props[n].propid = kAppointmentBusyStatus;
            props[n++].val.iVal = 2;
            props[n].propid = kAppointmentSubject;
            props[n++].val.lpwstr = subject.data();
            if (!location.empty()) {
                props[n].propid = kAppointmentLocation;
                props[n++].val.lpwstr = location.data();
            }
            if (!blob.empty()) {
                props[n].propid = kAppointmentRecurrencePattern;
                props[n].val.blob.dwCount = static_cast<DWORD>(blob.size());
                props[n++].val.blob.lpb = blob.data();
            }
            if (!CeWriteRecordProps(db, 0, n, props)) std::abort();
        }
        CloseHandle(db);
        appointments = count;
    }
};

CalendarStore& Store()
{
    static CalendarStore store;
    return store;
}

// The store, grown to count appointments; it never shrinks.
void GrowStore(int count)
{
    if (count < Store().appointments) std::abort();
    if (count > Store().appointments) Store().GrowTo(count);
}

// ---- the peer ----

struct PeerEntry {
    DWORD oid = 0;
    double start = 0;
    LONG duration = 0;
    bool allDay = false;
    bool recurring = false;
    std::u16string subject;
    std::u16string location;
};

class Peer {
public:
    Peer()
    {
        if (sqlite3_open_v2(platform::ObjectStorePath().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, "SELECT oid, props FROM records WHERE db = ?1", -1, &records_, nullptr) !=
                SQLITE_OK)
            std::abort();
    }
    ~Peer()
    {
        sqlite3_finalize(records_);
        sqlite3_close(db_);
    }

    // The month's non-recurring appointments, sorted by start.
    bool Load(std::vector<PeerEntry>& out)
    {
        out.clear();
        sqlite3_bind_int64(records_, 1, Store().appointmentsDb);
        bool ok = true;
        PeerEntry entry;
        while (ok && sqlite3_step(records_) == SQLITE_ROW) {
            const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(records_, 1));
            entry = PeerEntry{};
            entry.oid = static_cast<DWORD>(sqlite3_column_int64(records_, 0));
            ok = WalkRecord(bytes, static_cast<size_t>(sqlite3_column_bytes(records_, 1)),
                            [&](CEPROPID id, const unsigned char* v, size_t length) {
                                switch (id) {
                                    case kAppointmentStart:
                                        entry.start =
                                            static_cast<double>(Le64(v) - kOleEpoch) / static_cast<double>(kDay);
                                        break;
                                    case kAppointmentDuration:
                                        entry.duration = static_cast<LONG>(Le32(v));
                                        break;
                                    case kAppointmentAllDay:
                                        entry.allDay = Le32(v) == 1;
                                        break;
                                    case kAppointmentSubject:
                                        entry.subject.assign(reinterpret_cast<const char16_t*>(v), length / 2);
                                        break;
                                    case kAppointmentLocation:
                                        entry.location.assign(reinterpret_cast<const char16_t*>(v), length / 2);
                                        break;
                                    case kAppointmentRecurrencePattern:
                                        entry.recurring = length > 0;
                                        break;
                                    default:
                                        break;
                                }
                            });
            const double end = entry.start + entry.duration / 1440.0;
            if (!entry.recurring && end > kMonthFirst && entry.start < kMonthLast + 1) out.push_back(std::move(entry));
        }
        sqlite3_reset(records_);
        std::sort(out.begin(), out.end(), [](const PeerEntry& a, const PeerEntry& b) {
            if (a.allDay != b.allDay) return a.allDay;
            if (a.start != b.start) return a.start < b.start;
            return a.oid < b.oid;
        });
        return ok;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* records_ = nullptr;
};

// ---- ours ----

SYSTEMTIME DayTime(int oleDay)
{
    const std::uint64_t t = kOleEpoch + static_cast<std::uint64_t>(oleDay) * kDay;
    FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

// CPU seconds of the whole process (the loader's thread included) so far: on
// a shared machine a load's wall time also holds the time it waited for a
// core, which this does not.
double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

LPARAM RunLoad(LoaderHost& host, CCalendarThread& loader)
{
    if (!host.Run(loader, kLoadTimeoutMs)) return -1;
    return host.CompletedCount();
}

// The loader shows every non-recurring appointment of the month the peer
// keeps, on its first day, once.
void CheckOnce(int count)
{
    static int checked = 0;
    if (checked == count) return;
    checked = count;
    Peer peer;
    std::vector<PeerEntry> expected;
    if (!peer.Load(expected) || expected.empty()) std::abort();
    LoaderHost host;
    CCalendarThread loader;
    loader.SetNotifyWindow(host.Window());
    loader.SetRestrict(DayTime(kMonthFirst), DayTime(kMonthLast));
    if (RunLoad(host, loader) <= 0) std::abort();
    std::multiset<DWORD> shown;
    int recurring = 0;
    for (DATACALENDAR* row : loader.GetDataList()) {
        if (row->oid == 0) continue;
        if (row->recurring) {
            ++recurring;
        } else if (row->day == static_cast<LONG>(row->start)) {
            shown.insert(row->oid);
        }
    }
    std::multiset<DWORD> wanted;
    for (const PeerEntry& e : expected) {
        if (static_cast<LONG>(e.start) >= kMonthFirst) wanted.insert(e.oid);
    }
    if (shown != wanted || recurring == 0) {
        std::fprintf(stderr, "calendar check failed: %zu shown, %zu expected, %d occurrences\n", shown.size(),
                     wanted.size(), recurring);
        std::abort();
    }
}

void BM_CalendarMonth_Ours(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    GrowStore(count);
    CheckOnce(count);
    LoaderHost host;
    CCalendarThread loader;
    loader.SetNotifyWindow(host.Window());
    loader.SetRestrict(DayTime(kMonthFirst), DayTime(kMonthLast));
    // Every timed load, as every load but a loader's first, drops the list
    // before it.
    LPARAM rows = RunLoad(host, loader);
    const double cpuBefore = ProcessCpuSeconds();
    {
        const benchpeer::CountedLoop counted(state, "CalendarMonth_Ours/" + std::to_string(count));
        for (auto _ : state) {
            rows = RunLoad(host, loader);
            if (rows <= 0) state.SkipWithError("the load did not finish");
        }
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["cpu_ms"] = benchmark::Counter((ProcessCpuSeconds() - cpuBefore) * 1e3,
                                                  benchmark::Counter::kAvgIterations);
}

// Every appointment read through one handle opened with these arguments.
void StoreRead(benchmark::State& state, CEPROPID sortPropId, DWORD flags)
{
    GrowStore(static_cast<int>(state.range(0)));
    static ULONG ids[kCalendarAppointmentProps];
    std::copy(std::begin(kCalendarAppointmentPropIds), std::end(kCalendarAppointmentPropIds), ids);
    std::vector<BYTE> buffer(128 * 1024);
    int records = 0;
    for (auto _ : state) {
        CEOID oid = Store().appointmentsDb;
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, sortPropId, flags, nullptr);
        if (db == INVALID_HANDLE_VALUE) std::abort();
        records = 0;
        for (;;) {
            WORD count = kCalendarAppointmentProps;
            LPBYTE bytes = buffer.data();
            DWORD size = static_cast<DWORD>(buffer.size());
            if (!CeReadRecordProps(db, 0, &count, ids, &bytes, &size)) break;
            ++records;
        }
        CloseHandle(db);
    }
    state.counters["records"] = records;
}

void BM_CalendarStoreRead(benchmark::State& state) { StoreRead(state, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER); }

void BM_CalendarStoreReadByStart(benchmark::State& state) { StoreRead(state, kAppointmentStart, CEDB_AUTOINCREMENT); }

void BM_CalendarMonth_Peer(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    GrowStore(count);
    CheckOnce(count);
    Peer peer;
    std::vector<PeerEntry> entries;
    // One scan before the timed ones, as ours makes one load: every timed
    // scan then refills a vector that already has its memory.
    peer.Load(entries);
    const double cpuBefore = ProcessCpuSeconds();
    {
        const benchpeer::CountedLoop counted(state, "CalendarMonth_Peer/" + std::to_string(count));
        for (auto _ : state) {
            if (!peer.Load(entries)) state.SkipWithError("the scan failed");
            benchmark::DoNotOptimize(entries.data());
        }
    }
    state.counters["rows"] = static_cast<double>(entries.size());
    state.counters["cpu_ms"] = benchmark::Counter((ProcessCpuSeconds() - cpuBefore) * 1e3,
                                                  benchmark::Counter::kAvgIterations);
}
// Registered store size by store size, the smaller first: the store only grows.
BENCHMARK(BM_CalendarMonth_Ours)->Arg(kSmallStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarStoreRead)->Arg(kSmallStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarStoreReadByStart)->Arg(kSmallStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarMonth_Peer)->Arg(kSmallStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarMonth_Ours)->Arg(kLargeStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarStoreRead)->Arg(kLargeStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarStoreReadByStart)->Arg(kLargeStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CalendarMonth_Peer)->Arg(kLargeStore)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
