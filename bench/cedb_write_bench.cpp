// Writing one new record to the object store, committed: a contact of 15
// properties (eleven strings, a date, two numbers, a blob) into a database
// sorted on its file-as name, through CeWriteRecordProps on an open handle.
//
// Ours makes a transaction, looks up the database, encodes the record, builds
// its sort key, gives it an OID, inserts it, writes its search text (folded
// strings, one more row), counts it in the database's row, logs the change
// for watchers in other processes and raises the volume's change counter.
// The peers write no search text.
//
// Peers: plain SQLite on a file of its own with the store's record table and
// indexes and the store's durability (WAL, synchronous=NORMAL: every commit
// reaches the log, the log is flushed at checkpoints), inserting the same
// record bytes and sort key made beforehand:
//   WriteRecord: the INSERT alone, one commit per record;
//   WriteRecordLogged: the INSERT and a change-log row in one transaction,
//     which is what a store that other processes can watch must write at least.
//
// The store and the peer's file live in a private data directory
// (KSTOOLS_HOME) made for the run; both grow by the same records.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_home.h"
#include "bench/contact_record.h"
#include "platform/base/error_codes.h"
#include "platform/files/data_directory.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/cedb_record_codec.h"
#include "platform/objectstore/cedb_sort_key.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"

namespace {

constexpr WORD kProps = 15;
// Writes cycle through this many different records.
constexpr int kDistinct = 4096;
constexpr CEPROPID kName = kContactFileAs;

struct Record {
    std::vector<std::u16string> texts;
    std::vector<CEPROPVAL> props;
    std::string encoded;  // the stored bytes, for the peers
    std::string key;      // the name's sort key, for the peers
};

struct WriteBench {
    benchpeer::BenchHome home;
    BYTE blob[24] = {};
    std::vector<Record> records;
    CEOID db = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;
    sqlite3* peer = nullptr;

    WriteBench()
    {
        SORTORDERSPEC sort{kName, CEDB_SORT_CASEINSENSITIVE};
        db = CeCreateDatabase(kContactsDatabase, 0, 1, &sort);
        handle = CeOpenDatabase(&db, nullptr, 0, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) std::abort();
        platform::cedb::SortKeyBuilder keys("en_US");
        records.resize(kDistinct);
        for (int i = 0; i < kDistinct; ++i) {
            Record& r = records[static_cast<size_t>(i)];
            r.props = benchpeer::ContactProps(i, 100000, r.texts, blob, sizeof blob);
            std::vector<platform::cedb::StoredProp> stored(kProps);
            for (WORD k = 0; k < kProps; ++k) {
                if (platform::cedb::PropFromValue(r.props[k], stored[k]) != ERROR_SUCCESS) std::abort();
            }
            r.encoded = platform::cedb::EncodeRecord(stored);
            r.key = keys.RecordKey(sort, &stored[0]);
        }
        std::string path = platform::ObjectStorePath() + ".peer";
        if (sqlite3_open_v2(path.c_str(), &peer, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
            std::abort();
        const char* schema =
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
            "CREATE TABLE records("
            "  oid INTEGER PRIMARY KEY, db INTEGER NOT NULL, size INTEGER NOT NULL, props BLOB NOT NULL,"
            "  k0 BLOB, k1 BLOB, k2 BLOB, k3 BLOB);"
            "CREATE INDEX records_by_db ON records(db);"
            "CREATE INDEX records_k0 ON records(db, k0, oid);"
            "CREATE INDEX records_k1 ON records(db, k1, oid);"
            "CREATE INDEX records_k2 ON records(db, k2, oid);"
            "CREATE INDEX records_k3 ON records(db, k3, oid);"
            "CREATE TABLE changes(seq INTEGER PRIMARY KEY, db INTEGER NOT NULL, record INTEGER NOT NULL,"
            "  message INTEGER NOT NULL, writer INTEGER NOT NULL);";
        if (sqlite3_exec(peer, schema, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
    }
    ~WriteBench()
    {
        CloseHandle(handle);
        sqlite3_close(peer);
    }
};

WriteBench& Bench()
{
    static WriteBench bench;
    return bench;
}

void WriteRecordOurs(benchmark::State& state)
{
    WriteBench& bench = Bench();
    size_t next = 0;
    for (auto _ : state) {
        Record& r = bench.records[next++ % kDistinct];
        if (!CeWriteRecordProps(bench.handle, 0, kProps, r.props.data())) state.SkipWithError("write failed");
    }
    state.SetItemsProcessed(state.iterations());
}

// logged: a change-log row goes in the same transaction as the record.
void WriteRecordPeer(benchmark::State& state, bool logged)
{
    WriteBench& bench = Bench();
    sqlite3* db = bench.peer;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* log = nullptr;
    sqlite3_stmt* begin = nullptr;
    sqlite3_stmt* commit = nullptr;
    const int prepared[] = {
        sqlite3_prepare_v2(db, "INSERT INTO records(db, size, props, k0) VALUES (?1, ?2, ?3, ?4)", -1, &insert,
                           nullptr),
        sqlite3_prepare_v2(db, "INSERT INTO changes(db, record, message, writer) VALUES (?1, ?2, ?3, ?4)", -1, &log,
                           nullptr),
        sqlite3_prepare_v2(db, "BEGIN IMMEDIATE", -1, &begin, nullptr),
        sqlite3_prepare_v2(db, "COMMIT", -1, &commit, nullptr),
    };
    for (int rc : prepared)
        if (rc != SQLITE_OK) state.SkipWithError(sqlite3_errmsg(db));
    size_t next = 0;
    for (auto _ : state) {
        const Record& r = bench.records[next++ % kDistinct];
        if (logged) {
            sqlite3_step(begin);
            sqlite3_reset(begin);
        }
        sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(bench.db));
        sqlite3_bind_int64(insert, 2, static_cast<sqlite3_int64>(r.encoded.size()));
        sqlite3_bind_blob(insert, 3, r.encoded.data(), static_cast<int>(r.encoded.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 4, r.key.data(), static_cast<int>(r.key.size()), SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("insert failed");
        sqlite3_reset(insert);
        if (logged) {
            sqlite3_bind_int64(log, 1, static_cast<sqlite3_int64>(bench.db));
            sqlite3_bind_int64(log, 2, sqlite3_last_insert_rowid(db));
            sqlite3_bind_int(log, 3, DB_CEOID_CREATED);
            sqlite3_bind_int64(log, 4, 1);
            if (sqlite3_step(log) != SQLITE_DONE) state.SkipWithError("log failed");
            sqlite3_reset(log);
            if (sqlite3_step(commit) != SQLITE_DONE) state.SkipWithError("commit failed");
            sqlite3_reset(commit);
        }
    }
    for (sqlite3_stmt* st : {insert, log, begin, commit}) sqlite3_finalize(st);
    state.SetItemsProcessed(state.iterations());
}

void BM_WriteRecord_Ours(benchmark::State& state) { WriteRecordOurs(state); }
BENCHMARK(BM_WriteRecord_Ours)->Unit(benchmark::kMicrosecond);

void BM_WriteRecord_Peer(benchmark::State& state) { WriteRecordPeer(state, false); }
BENCHMARK(BM_WriteRecord_Peer)->Unit(benchmark::kMicrosecond);

// Ours again beside the peer that logs.
void BM_WriteRecordLogged_Ours(benchmark::State& state) { WriteRecordOurs(state); }
BENCHMARK(BM_WriteRecordLogged_Ours)->Unit(benchmark::kMicrosecond);

void BM_WriteRecordLogged_Peer(benchmark::State& state) { WriteRecordPeer(state, true); }
BENCHMARK(BM_WriteRecordLogged_Peer)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
