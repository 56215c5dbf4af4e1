// The object store on 50,000 records of 15 properties (contacts-like: eleven
// strings, a date, two numbers and a blob), sorted on a string.
//
//   ReadSorted: every record in sort order, 15 listed properties each, the
//     way loaders read (CeReadRecordProps with CEDB_ALLOWREALLOC into a fresh
//     LocalAlloc block, freed each time; CEDB_AUTOINCREMENT). Peer: one plain
//     SQLite query over the same stored rows in the same order, touching
//     each row's bytes.
//   ReadSortedRecord: the same reading through the record wrapper, the way
//     the views' loaders do it (CeDb::Open, SeekFirst, then CeDb::ReadRec
//     into one reused CeDbRecord, CEDB_AUTOINCREMENT). Peer: the same plain
//     query.
//   SeekValue: value seeks (first equal) on random names. Peer: the same
//     index lookup in plain SQLite with the key already made.
//   WriteRecord: 1,000 records rewritten with CeWriteRecordProps, one
//     changed string each (its own transaction, keys and change log). Peer:
//     the same number of plain SQLite updates of a row's bytes, each its own
//     transaction, on a copy table in the same file.
//
// The store lives in a private data directory (KSTOOLS_HOME) made for the run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/contact_record.h"
#include "platform/base/local_block.h"
#include "platform/base/local_memory.h"
#include "platform/files/data_directory.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/cedb_record_codec.h"
#include "platform/objectstore/cedb_sort_key.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

namespace {

constexpr int kRecords = 50000;
constexpr WORD kProps = 15;
// Contact-shaped records: the file-as name first, sorted by it.
constexpr CEPROPID kName = kContactFileAs;

std::u16string NameOf(int i) { return benchpeer::ContactName(i, kRecords); }

struct BenchStore {
    CEOID db = 0;
    std::vector<CEPROPID> ids;

    BenchStore()
    {
        char pattern[] = "/tmp/kstools-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        setenv("KSTOOLS_HOME", pattern, 1);
        SORTORDERSPEC sort{kName, CEDB_SORT_CASEINSENSITIVE};
        db = CeCreateDatabase(kContactsDatabase, 0, 1, &sort);
        HANDLE h = CeOpenDatabase(&db, nullptr, 0, 0, nullptr);
        std::vector<std::u16string> texts(11);
        BYTE blob[24] = {};
        for (int i = 0; i < kRecords; ++i) {
            std::vector<CEPROPVAL> p = benchpeer::ContactProps(i, kRecords, texts, blob, sizeof blob);
            if (!CeWriteRecordProps(h, 0, kProps, p.data())) std::abort();
        }
        CloseHandle(h);
        for (WORD i = 0; i < 11; ++i) ids.push_back(i == 0 ? kName : MAKEPROPID(0x3A00 + i, CEVT_LPWSTR));
        ids.insert(ids.end(),
                   {kContactBirthday, kContactPreferredNumber, MAKEPROPID(0x0051, CEVT_UI2), kItemCategories});
    }
};

BenchStore& Store()
{
    static BenchStore store;
    return store;
}

void BM_ReadSorted_Ours(benchmark::State& state)
{
    BenchStore& store = Store();
    for (auto _ : state) {
        CEOID oid = store.db;
        HANDLE h = CeOpenDatabase(&oid, nullptr, kName, CEDB_AUTOINCREMENT, nullptr);
        int read = 0;
        for (;;) {
            WORD count = kProps;
            platform::LocalBlock buffer;
            DWORD size = 0;
            if (!CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, store.ids.data(), buffer.InOut(), &size)) break;
            benchmark::DoNotOptimize(buffer.As<CEPROPVAL>()[0].val.lpwstr[0]);
            ++read;
        }
        if (read != kRecords) state.SkipWithError("not every record was read");
        CloseHandle(h);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ReadSorted_Ours)->Unit(benchmark::kMillisecond);

// pragmas: run on the peer's connection before its query (nullptr: none).
void ReadSortedPeer(benchmark::State& state, const char* pragmas)
{
    BenchStore& store = Store();
    sqlite3* db = nullptr;
    sqlite3_open_v2(platform::ObjectStorePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (pragmas) sqlite3_exec(db, pragmas, nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT oid, k0, props FROM records WHERE db = ?1 ORDER BY k0, oid", -1, &st, nullptr);
    for (auto _ : state) {
        sqlite3_bind_int64(st, 1, store.db);
        int read = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(st, 2));
            benchmark::DoNotOptimize(bytes[sqlite3_column_bytes(st, 2) - 1]);
            ++read;
        }
        sqlite3_reset(st);
        if (read != kRecords) state.SkipWithError("not every record was read");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kRecords);
}
void BM_ReadSorted_Peer(benchmark::State& state) { ReadSortedPeer(state, nullptr); }
BENCHMARK(BM_ReadSorted_Peer)->Unit(benchmark::kMillisecond);

void BM_ReadSortedRecord_Ours(benchmark::State& state)
{
    BenchStore& store = Store();
    CeDbRecord record;
    for (auto _ : state) {
        CeDb db;
        if (!db.Open(store.db, kName, CEDB_AUTOINCREMENT, nullptr)) state.SkipWithError("the database did not open");
        db.SeekFirst();
        int read = 0;
        while (db.ReadRec(record, kProps, store.ids.data())) {
            benchmark::DoNotOptimize(record.GetProps()[0].val.lpwstr[0]);
            ++read;
        }
        if (read != kRecords) state.SkipWithError("not every record was read");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ReadSortedRecord_Ours)->Unit(benchmark::kMillisecond);

// The plain query of BM_ReadSorted_Peer on a connection set up the way the
// store sets up its own (a 32 MiB page cache, a 256 MiB mapping): the default
// peer's small cache sends it to the file once per page it revisits, so this
// pair compares the read paths alone.
void BM_ReadSortedSameCache_Peer(benchmark::State& state)
{
    ReadSortedPeer(state, "PRAGMA cache_size=-32768; PRAGMA mmap_size=268435456;");
}
BENCHMARK(BM_ReadSortedSameCache_Peer)->Unit(benchmark::kMillisecond);

// BM_ReadSorted_Ours again, paired with the same-cache peer.
void BM_ReadSortedSameCache_Ours(benchmark::State& state) { BM_ReadSorted_Ours(state); }
BENCHMARK(BM_ReadSortedSameCache_Ours)->Unit(benchmark::kMillisecond);

// The plain query of BM_ReadSorted_Peer, measured again beside the wrapper.
void BM_ReadSortedRecord_Peer(benchmark::State& state) { BM_ReadSorted_Peer(state); }
BENCHMARK(BM_ReadSortedRecord_Peer)->Unit(benchmark::kMillisecond);

constexpr int kSeeks = 1000;

void BM_SeekValue_Ours(benchmark::State& state)
{
    BenchStore& store = Store();
    CEOID oid = store.db;
    HANDLE h = CeOpenDatabase(&oid, nullptr, kName, 0, nullptr);
    std::vector<std::u16string> names;
    std::mt19937 random(5);
    for (int i = 0; i < kSeeks; ++i) names.push_back(NameOf(static_cast<int>(random() % kRecords)));
    for (auto _ : state) {
        for (auto& name : names) {
            CEPROPVAL value{};
            value.propid = kName;
            value.val.lpwstr = name.data();
            if (!CeSeekDatabase(h, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&value), nullptr))
                state.SkipWithError("a name was not found");
        }
    }
    CloseHandle(h);
    state.SetItemsProcessed(state.iterations() * kSeeks);
}
BENCHMARK(BM_SeekValue_Ours)->Unit(benchmark::kMillisecond);

void BM_SeekValue_Peer(benchmark::State& state)
{
    BenchStore& store = Store();
    sqlite3* db = nullptr;
    sqlite3_open_v2(platform::ObjectStorePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT oid, props FROM records WHERE db = ?1 AND k0 = ?2 ORDER BY oid LIMIT 1", -1, &st,
                       nullptr);
    std::vector<std::string> keys;
    std::mt19937 random(5);
    platform::cedb::SortKeyBuilder builder("en_US");
    for (int i = 0; i < kSeeks; ++i) {
        std::u16string name = NameOf(static_cast<int>(random() % kRecords));
        platform::cedb::StoredProp prop;
        prop.id = kName;
        prop.data = reinterpret_cast<const BYTE*>(name.data());
        prop.length = static_cast<DWORD>(name.size());
        keys.push_back(builder.RecordKey({kName, CEDB_SORT_CASEINSENSITIVE}, &prop));
    }
    for (auto _ : state) {
        for (const auto& key : keys) {
            sqlite3_bind_int64(st, 1, store.db);
            sqlite3_bind_blob(st, 2, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
            if (sqlite3_step(st) != SQLITE_ROW) state.SkipWithError("a name was not found");
            benchmark::DoNotOptimize(sqlite3_column_bytes(st, 1));
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kSeeks);
}
BENCHMARK(BM_SeekValue_Peer)->Unit(benchmark::kMillisecond);

constexpr int kWrites = 1000;

void BM_WriteRecord_Ours(benchmark::State& state)
{
    BenchStore& store = Store();
    CEOID oid = store.db;
    HANDLE h = CeOpenDatabase(&oid, nullptr, 0, CEDB_OIDORDER, nullptr);
    std::vector<CEOID> oids;
    CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr);
    for (int i = 0; i < kWrites; ++i) {
        WORD count = 0;
        platform::LocalBlock buffer;
        DWORD size = 0;
        CEOID record = CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, buffer.InOut(), &size);
        if (!record) break;
        oids.push_back(record);
        CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr);
    }
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (CEOID record : oids) {
            std::u16string text = u"changed " + Utf8ToWide(std::to_string(record + static_cast<CEOID>(round)));
            CEPROPVAL value{};
            value.propid = store.ids[5];  // one of the plain strings
            value.val.lpwstr = text.data();
            if (!CeWriteRecordProps(h, record, 1, &value)) state.SkipWithError("a write failed");
        }
    }
    CloseHandle(h);
    state.SetItemsProcessed(state.iterations() * kWrites);
}
BENCHMARK(BM_WriteRecord_Ours)->Unit(benchmark::kMillisecond);

void BM_WriteRecord_Peer(benchmark::State& state)
{
    Store();
    sqlite3* db = nullptr;
    sqlite3_open_v2(platform::ObjectStorePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; DROP TABLE IF EXISTS bench_copy;"
                 "CREATE TABLE bench_copy(oid INTEGER PRIMARY KEY, props BLOB);"
                 "INSERT INTO bench_copy SELECT oid, props FROM records LIMIT 1000;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE bench_copy SET props = ?2 WHERE oid = ?1", -1, &st, nullptr);
    std::vector<std::int64_t> oids;
    {
        sqlite3_stmt* list = nullptr;
        sqlite3_prepare_v2(db, "SELECT oid FROM bench_copy", -1, &list, nullptr);
        while (sqlite3_step(list) == SQLITE_ROW) oids.push_back(sqlite3_column_int64(list, 0));
        sqlite3_finalize(list);
    }
    std::string bytes(600, 'x');
    for (auto _ : state) {
        for (std::int64_t oid : oids) {
            bytes[oid % 600] ^= 1;
            sqlite3_bind_int64(st, 1, oid);
            sqlite3_bind_blob(st, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
            if (sqlite3_step(st) != SQLITE_DONE) state.SkipWithError("an update failed");
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "DROP TABLE bench_copy", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kWrites);
}
BENCHMARK(BM_WriteRecord_Peer)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
