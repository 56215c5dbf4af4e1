// Writers killed at random moments leave a sound store holding every acknowledged write.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/platform/objectstore/cedb_writer_check.h"
#include "tests/support/served_child.h"

namespace {

using namespace cedbtest;

const std::string kWriter = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_cedb_writer";

// What the killed writers acknowledged; after every fourth add a writer deletes the one three before.
struct Acknowledged {
    std::set<long> present, deleted;
    long first = 0;
    long lastAdded = -1;
    bool deletionPending = false;

    void Start(long from)
    {
        first = from;
        lastAdded = from - 1;
        deletionPending = false;
    }
    void Take(const std::string& line)
    {
        if (line.rfind("acked ", 0) == 0) {
            lastAdded = std::stol(line.substr(6));
            present.insert(lastAdded);
            deletionPending = (lastAdded - first) % 4 == 3;
        } else if (line.rfind("deleted ", 0) == 0) {
            long n = std::stol(line.substr(8));
            present.erase(n);
            deleted.insert(n);
            deletionPending = false;
        }
    }
    // A deletion begun but not acknowledged may or may not have happened: that record is in neither set.
    void Killed()
    {
        if (deletionPending) present.erase(lastAdded - 3);
    }
};

using CedbCrash = CedbSandbox;

TEST_F(CedbCrash, KilledWritersLeaveEveryAcknowledgedRecord)
{
    kstest::ServedChild server({kWriter, "serve", "Crash"});
    ASSERT_TRUE(server.Started()) << server.Error();
    Acknowledged acked;
    auto take = [&](const std::string& line) { acked.Take(line); };
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayMicros(0, 20000);
    constexpr int kKills = 200;
    auto start = std::chrono::steady_clock::now();
    for (int kill = 0; kill < kKills; ++kill) {
        acked.Start(kill * 1000000L);
        ASSERT_TRUE(server.Request("go " + std::to_string(acked.first)) && server.AwaitReady())
            << "writer " << kill << " did not start";
        // Half the writers die anywhere from their start on, the others once under way.
        while (kill % 2 && acked.lastAdded < acked.first) {
            std::string line = server.NextLine();
            ASSERT_FALSE(line.empty()) << "writer " << kill << " wrote nothing";
            acked.Take(line);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        server.KillWorker(take);
        acked.Killed();
    }
    auto took = std::chrono::steady_clock::now() - start;
    RecordProperty("seconds", static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(took).count()));
    const std::set<long>& present = acked.present;
    const std::set<long>& deleted = acked.deleted;
    RecordProperty("acknowledged", static_cast<int>(present.size()));
    ASSERT_GE(present.size(), static_cast<size_t>(kKills / 4));

    EXPECT_EQ(StoreProblems(), "");
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, u"Crash", 0, 0, nullptr);
    ASSERT_NE(db, INVALID_HANDLE_VALUE) << GetLastError();
    for (long n : present) ASSERT_TRUE(Intact(db, n));
    for (long n : deleted)
        ASSERT_EQ(SeekValue(db, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, static_cast<LONG>(n))), 0u) << "deleted " << n;
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(oid, &info));
    // Writes killed between their commit and their acknowledgement may add a record each.
    EXPECT_GE(info.infDatabase.wNumRecords, present.size());
    EXPECT_LE(info.infDatabase.wNumRecords, present.size() + kKills);
    CloseHandle(db);
}

}  // namespace
