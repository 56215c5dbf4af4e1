// Threads and processes on one database at once lose no acknowledged write.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/error_codes.h"
#include "tests/helpers/cedb_writer_records.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/platform/objectstore/cedb_writer_check.h"
#include "tests/support/child_process.h"

namespace {

using namespace cedbtest;

const std::string kWriter = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_cedb_writer";

// ks_cedb_writer adding records first .. first+count-1; it prints "acked <n> <oid>" for each.
kstest::ChildResult RunWriter(const char* database, long first, long count)
{
    return kstest::RunChild({kWriter, "write", database, std::to_string(first), std::to_string(count)});
}

using CedbConcurrency = CedbSandbox;

TEST_F(CedbConcurrency, ThreadsWritingAndReadingLoseNothing)
{
    ASSERT_NE(CreateDb(u"Shared", {{cedb_writer::kNumberProp, 0}}), 0u);
    constexpr int kWriters = 4, kPerWriter = 120;
    std::atomic<int> failures{0};
    std::atomic<bool> writing{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < kWriters; ++t) {
        threads.emplace_back([&, t] {
            CEOID oid = 0;
            HANDLE db = CeOpenDatabase(&oid, u"Shared", 0, 0, nullptr);
            if (db == INVALID_HANDLE_VALUE) {
                ++failures;
                return;
            }
            for (int i = 0; i < kPerWriter; ++i) {
                long n = t * 10000 + i;
                cedb_writer::RecordValues values(n);
                if (!CeWriteRecordProps(db, 0, 3, values.props)) ++failures;
                if (i % 10 == 0 && !Intact(db, n)) ++failures;  // read back at once
            }
            CloseHandle(db);
        });
    }
    // A reader walking the database in order while it grows.
    threads.emplace_back([&] {
        CEOID oid = 0;
        HANDLE db = CeOpenDatabase(&oid, u"Shared", 0, CEDB_AUTOINCREMENT, nullptr);
        while (writing) {
            Seek(db, CEDB_SEEK_BEGINNING, 0);
            LONG last = -1;
            for (ReadResult r = Read(db, {cedb_writer::kNumberProp}); r.oid; r = Read(db, {cedb_writer::kNumberProp})) {
                LONG n = std::stol(r.props.at(0).substr(r.props.at(0).find('=') + 1));
                if (n <= last) ++failures;  // out of order or repeated
                last = n;
            }
        }
        CloseHandle(db);
    });
    for (int t = 0; t < kWriters; ++t) threads[static_cast<size_t>(t)].join();
    writing = false;
    threads.back().join();
    EXPECT_EQ(failures.load(), 0);

    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, u"Shared", 0, 0, nullptr);
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(oid, &info));
    EXPECT_EQ(info.infDatabase.wNumRecords, kWriters * kPerWriter);
    for (int t = 0; t < kWriters; ++t)
        for (int i = 0; i < kPerWriter; ++i) ASSERT_TRUE(Intact(db, t * 10000 + i));
    CloseHandle(db);
    EXPECT_EQ(StoreProblems(), "");
}

TEST_F(CedbConcurrency, ThreadsSharingOneHandleStayConsistentProcessesLoseNothingAndReadersSeeWritesAtOnce)
{
    CEOID dbOid = CreateDb(u"One handle", {{MAKEPROPID(1, CEVT_I4), 0}});
    HANDLE db = OpenDb(dbOid);
    for (LONG i = 0; i < 50; ++i) Write(db, 0, {I4(1, i)});
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                if (t == 0 && i % 20 == 0 && !Write(db, 0, {I4(1, 1000 + i)})) ++failures;
                CEOID got = i % 2 ? Seek(db, CEDB_SEEK_CURRENT, 1) : Seek(db, CEDB_SEEK_BEGINNING, i % 40);
                if (!got && GetLastError() != ERROR_NOT_FOUND) ++failures;
                ReadResult r = Read(db);
                if (!r.oid && r.error != ERROR_NOT_FOUND) ++failures;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Order(db).size(), 65u);
    CloseHandle(db);
    // Two processes and this one write to one database.
    db = OpenDb(CreateDb(u"Two writers", {{cedb_writer::kNumberProp, 0}}));
    ASSERT_NE(db, INVALID_HANDLE_VALUE);

    constexpr int kWrites = 150;
    kstest::ChildResult runs[2];
    std::vector<std::thread> writers;
    for (size_t i = 0; i < 2; ++i)
        writers.emplace_back(
            [&, i] { runs[i] = RunWriter("Two writers", 100000L * static_cast<long>(i + 1), kWrites); });
    // This process writes too, meanwhile.
    for (long n = 300000; n < 300000 + kWrites; ++n) {
        cedb_writer::RecordValues values(n);
        ASSERT_NE(CeWriteRecordProps(db, 0, 3, values.props), 0u) << GetLastError();
    }
    for (auto& w : writers) w.join();
    std::set<long> acked;
    for (const auto& run : runs) {
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::istringstream lines(run.out);
        std::string word;
        for (long n = 0, oid = 0; lines >> word >> n >> oid;) acked.insert(n);
    }
    EXPECT_EQ(acked.size(), 2u * kWrites);
    EXPECT_EQ(Order(db).size(), 3u * kWrites);
    for (long n : acked) ASSERT_TRUE(Intact(db, n));
    for (long n = 300000; n < 300000 + kWrites; ++n) ASSERT_TRUE(Intact(db, n));
    CloseHandle(db);
    EXPECT_EQ(StoreProblems(), "");
    // A reader at the end keeps what it read in memory, yet finds another process's record at once.
    const CEOID watched = CreateDb(u"Watched", {{cedb_writer::kNumberProp, 0}});
    HANDLE reader = OpenDb(watched, 0, CEDB_AUTOINCREMENT);
    HANDLE writer = OpenDb(watched);
    for (LONG n = 1; n <= 7; ++n) Write(writer, 0, {I4(1, n)});
    int conclusive = 0;
    for (long round = 0; round < 5 && conclusive < 2; ++round) {
        while (Read(reader).oid) {
        }
        ASSERT_EQ(Read(reader).error, ERROR_NOT_FOUND);
        auto start = std::chrono::steady_clock::now();
        kstest::ChildResult child = RunWriter("Watched", 1000 + round, 1);
        ASSERT_EQ(child.exitCode, 0) << child.err;
        ReadResult next = Read(reader, {cedb_writer::kNumberProp});
        // Kept records are trusted for a second at most; a slower read proves nothing.
        if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900)) ++conclusive;
        ASSERT_NE(next.oid, 0u) << next.error;
        EXPECT_EQ(next.props.at(0), Describe(I4(1, static_cast<LONG>(1000 + round))));
    }
    EXPECT_GT(conclusive, 0) << "the writer processes took too long to tell";
    // A record it read ahead (the fourth read fetched the fifth to seventh), deleted through another handle,
    // is gone at its next read.
    ASSERT_NE(Seek(reader, CEDB_SEEK_BEGINNING, 0), 0u);
    for (int n = 0; n < 4; ++n) Read(reader);
    ASSERT_TRUE(CeDeleteRecord(writer, Seek(writer, CEDB_SEEK_BEGINNING, 4)));
    EXPECT_EQ(Read(reader, {cedb_writer::kNumberProp}).props, std::vector{Describe(I4(1, 6))});
    CloseHandle(writer);
    CloseHandle(reader);
}

// Reads by OID, in sort order, in OID order and walking ahead while another process rewrites the record see
// one whole version of it each.
TEST_F(CedbConcurrency, ReadsOfARecordAnotherProcessRewritesSeeOneWholeVersion)
{
    const CEOID dbOid = CreateDb(u"Rewritten", {{cedb_writer::kNumberProp, 0}});
    HANDLE db = OpenDb(dbOid), stored = OpenDb(dbOid, 0, CEDB_OIDORDER), walker = OpenDb(dbOid, 0, CEDB_AUTOINCREMENT);
    const CEOID oid = CeWriteRecordProps(db, 0, 3, cedb_writer::RecordValues(0).props);
    for (long n = 1000; n < 1040; ++n) CeWriteRecordProps(db, 0, 3, cedb_writer::RecordValues(n).props);
    std::atomic<bool> writing{true};
    std::thread other([&] {
        EXPECT_EQ(kstest::RunChild({kWriter, "write", "Rewritten", "1", "300", std::to_string(oid)}).exitCode, 0);
        writing = false;
    });
    std::set<std::string> seen;  // the versions read; "mixed" for a read that is none of them
    for (int i = 0; writing; ++i) {
        HANDLE h = i % 4 == 3 ? walker : i % 4 == 2 ? stored : db;
        if (h != walker) Seek(h, i % 4 == 1 ? CEDB_SEEK_CEOID : CEDB_SEEK_BEGINNING, i % 4 == 1 ? oid : 0);
        ReadResult r = ReadWritten(h);
        if (h == walker && !r.oid) {
            Seek(walker, CEDB_SEEK_BEGINNING, 0);
            continue;
        }
        long n = r.oid ? std::stol(r.props.at(0).substr(r.props.at(0).find('=') + 1)) : -1;
        if (n >= 1000 && r.props == Written(n)) continue;  // the records nobody rewrites
        seen.insert(r.oid == oid && r.props == Written(n) ? r.props[0] : "mixed");
    }
    other.join();
    EXPECT_EQ(seen.count("mixed"), 0u);
    EXPECT_GT(seen.size(), 3u) << "no read met a write";
    CloseHandle(walker);
    CloseHandle(stored);
    CloseHandle(db);
}

// A handle that read ahead drops the records another process deleted meanwhile at its next read, the next
// one as well as one further into what it fetched.
TEST_F(CedbConcurrency, RecordsAnotherProcessDeletesAheadOfAWalkAreGoneAtItsNextRead)
{
    int conclusive = 0;
    for (int round = 0; round < 5 && conclusive == 0; ++round) {
        const std::string name = "Ahead " + std::to_string(round);
        const CEOID dbOid = CreateDb(Utf8ToWide(name).c_str(), {{cedb_writer::kNumberProp, 0}});
        HANDLE writer = OpenDb(dbOid), reader = OpenDb(dbOid, 0, CEDB_AUTOINCREMENT);
        for (long n = 1; n <= 12; ++n) CeWriteRecordProps(writer, 0, 3, cedb_writer::RecordValues(n).props);
        std::vector<std::string> read;
        auto readNext = [&] { read.push_back(Read(reader, {cedb_writer::kNumberProp}).props.at(0)); };
        // The third read fetched the fourth to sixth records along with it.
        for (int i = 0; i < 3; ++i) readNext();
        auto start = std::chrono::steady_clock::now();
        for (const char* victim : {"4", "6"})
            ASSERT_EQ(kstest::RunChild({kWriter, "delete", name, victim}).exitCode, 0);
        // Kept records are trusted for a second at most; a slower child proves nothing.
        if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900)) ++conclusive;
        for (int i = 0; i < 4; ++i) readNext();
        std::vector<std::string> expected;
        for (LONG n : {1, 2, 3, 5, 7, 8, 9}) expected.push_back(Describe(I4(1, n)));
        EXPECT_EQ(read, expected);
        CloseHandle(reader);
        CloseHandle(writer);
    }
    EXPECT_GT(conclusive, 0) << "the deleting processes took too long to tell";
}

// A walk standing between two reads holds back no write of this process after another process wrote, and
// hides none of that process's records from its own next reads.
TEST_F(CedbConcurrency, AWalkBetweenReadsHoldsBackNoWriteAndHidesNoRecordWrittenMeanwhile)
{
    const CEOID dbOid = CreateDb(u"Standing", {{cedb_writer::kNumberProp, 0}});
    HANDLE writer = OpenDb(dbOid), reader = OpenDb(dbOid, 0, CEDB_AUTOINCREMENT);
    for (long n : {10, 20, 30, 40}) CeWriteRecordProps(writer, 0, 3, cedb_writer::RecordValues(n).props);
    std::vector<std::string> read;
    auto readNext = [&] { read.push_back(Read(reader, {cedb_writer::kNumberProp}).props.at(0)); };
    readNext();
    readNext();
    ASSERT_EQ(RunWriter("Standing", 25, 1).exitCode, 0);
    EXPECT_NE(CeWriteRecordProps(writer, 0, 3, cedb_writer::RecordValues(26).props), 0u) << GetLastError();
    for (int i = 0; i < 4; ++i) readNext();
    std::vector<std::string> expected;
    for (LONG n : {10, 20, 25, 26, 30, 40}) expected.push_back(Describe(I4(1, n)));
    EXPECT_EQ(read, expected);
    CloseHandle(reader);
    CloseHandle(writer);
}

TEST_F(CedbConcurrency, ATransactionOfSeveralCallsIsKeptOrUndoneWholeAndOtherThreadsWaitForIt)
{
    const CEOID dbOid = CreateDb(u"Together", {{MAKEPROPID(1, CEVT_I4), 0}});
    HANDLE db = OpenDb(dbOid, 0, CEDB_AUTOINCREMENT), reader = OpenDb(dbOid);
    for (bool keep : {false, true}) {
        std::thread other;
        size_t seenByOther = 9;
        CEOID second = 0;
        const BOOL done = platform::RunObjectStoreTransaction(nullptr, [&] {
            Write(db, 0, {I4(1, 1)});
            EXPECT_EQ(Write(db, 0x7FFFFFF0, {I4(1, 9)}), 0u) << "a failed call undoes only itself";
            other = std::thread([&] { seenByOther = Order(reader).size(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            second = Write(db, 0, {I4(1, 2)});
            EXPECT_EQ(Seek(db, CEDB_SEEK_BEGINNING, 1), second);
            EXPECT_EQ(Read(db).oid, second);  // the handle keeps what it read
            SetLastError(ERROR_BUSY);
            return keep;
        });
        other.join();
        EXPECT_EQ(done, keep ? TRUE : FALSE);
        EXPECT_TRUE(keep || GetLastError() == ERROR_BUSY) << GetLastError();
        EXPECT_EQ(Order(reader).size(), keep ? 2u : 0u);
        EXPECT_EQ(seenByOther, keep ? 2u : 0u) << "the other thread waited for the end";
        EXPECT_EQ(Seek(db, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1)), keep ? second : 0u) << "not what it kept";
    }
    CloseHandle(db);
    CloseHandle(reader);
}

}  // namespace

// A handle that has just written, deleted or read is told at its next read that another process deleted its
// database, however its own last call moved the volume.
TEST_F(CedbConcurrency, ADatabaseAnotherProcessDeletesRightAfterAHandlesCallIsGoneAtItsNextRead)
{
    struct Case {
        const char* last;
        std::function<bool(HANDLE, CEOID)> call;
    };
    const Case cases[] = {
        {"write", [](HANDLE h, CEOID) { return CeWriteRecordProps(h, 0, 3, cedb_writer::RecordValues(9).props) != 0; }},
        {"delete", [](HANDLE h, CEOID first) { return CeDeleteRecord(h, first) != FALSE; }},
        {"read", [](HANDLE h, CEOID) { return !Read(h, {cedb_writer::kNumberProp}).props.empty(); }},
    };
    int round = 0;
    for (const Case& c : cases) {
        int conclusive = 0;
        for (int attempt = 0; attempt < 5 && conclusive == 0; ++attempt, ++round) {
            SCOPED_TRACE(c.last);
            const std::string name = "Dropped " + std::to_string(round);
            const CEOID dbOid = CreateDb(Utf8ToWide(name).c_str(), {{cedb_writer::kNumberProp, 0}});
            HANDLE h = OpenDb(dbOid, 0, CEDB_AUTOINCREMENT);
            CEOID first = CeWriteRecordProps(h, 0, 3, cedb_writer::RecordValues(1).props);
            ASSERT_NE(CeWriteRecordProps(h, 0, 3, cedb_writer::RecordValues(2).props), 0u);
            ASSERT_TRUE(c.call(h, first));
            auto start = std::chrono::steady_clock::now();
            ASSERT_EQ(kstest::RunChild({kWriter, "drop", name}).exitCode, 0);
            // The handle trusts its check for a second at most; a slower child proves nothing.
            if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900)) ++conclusive;
            WORD count = 0;
            LPBYTE buffer = nullptr;
            DWORD size = 0;
            EXPECT_EQ(CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), 0u);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
            if (buffer) LocalFree(buffer);
            CloseHandle(h);
        }
        EXPECT_GT(conclusive, 0) << "the deleting processes took too long to tell";
    }
}
