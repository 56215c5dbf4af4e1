// Writes of other processes reach the windows of this process's handles as
// the same DB_CEOID_ messages its own writes post, soon after their commit.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/helpers/cedb_writer_records.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/test_windows.h"

namespace {

using namespace cedbtest;
using Seen = std::tuple<UINT, WPARAM, LPARAM>;

const std::string kWriter = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_cedb_writer";

// The OIDs the writer printed ("acked <n> <oid>" or "deleted <n> <oid>"), in order.
std::vector<CEOID> RunWriter(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{kWriter};
    argv.insert(argv.end(), args.begin(), args.end());
    kstest::ChildResult r = kstest::RunChild(argv);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<CEOID> oids;
    std::istringstream lines(r.out);
    std::string word;
    long n = 0;
    unsigned long oid = 0;
    while (lines >> word >> n >> oid) oids.push_back(static_cast<CEOID>(oid));
    return oids;
}

// Pumps this thread's queue until `done` or the time passes; the milliseconds it took.
template <class Done>
DWORD PumpUntil(Done done, DWORD ms)
{
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return static_cast<DWORD>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
    while (!done() && elapsed() < ms) {
        kstest::PumpPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return elapsed();
}

class CedbChangeMessages : public CedbSandbox {
protected:
    kstest::Handler Collect(std::vector<Seen>& into)
    {
        return [&into](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message >= DB_CEOID_CREATED && message <= DB_CEOID_CHANGED) into.emplace_back(message, wParam, lParam);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        };
    }
};

TEST_F(CedbChangeMessages, OtherProcessesWritesArePostedToTheWindowsWatchingTheirDatabase)
{
    const CEOID shared = CreateDb(u"Shared", {{cedb_writer::kNumberProp, 0}});
    const CEOID other = CreateDb(u"Other", {{cedb_writer::kNumberProp, 0}});
    ASSERT_NE(shared, 0u);
    std::vector<Seen> seen, seenOther;
    kstest::OwnWindow window(Collect(seen)), otherWindow(Collect(seenOther));
    HANDLE watched = OpenDb(shared, 0, 0, window.Hwnd());
    HANDLE watchedOther = OpenDb(other, 0, 0, otherWindow.Hwnd());
    ASSERT_NE(watched, INVALID_HANDLE_VALUE);

    const std::vector<CEOID> added = RunWriter({"write", "Shared", "1", "2"});
    ASSERT_EQ(added.size(), 2u);
    RunWriter({"write", "Shared", "7", "1", std::to_string(added[0])});
    ASSERT_EQ(RunWriter({"delete", "Shared", "2"}), std::vector<CEOID>{added[1]});
    const DWORD took = PumpUntil([&] { return seen.size() >= 4; }, 3000);
    const auto db = static_cast<LPARAM>(shared);
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_CREATED, added[0], db},
                                       {DB_CEOID_CREATED, added[1], db},
                                       {DB_CEOID_CHANGED, added[0], db},
                                       {DB_CEOID_RECORD_DELETED, added[1], db}}));
    EXPECT_LT(took, 1000u);
    EXPECT_TRUE(seenOther.empty());

    // This process's own write is posted once, by the writing call.
    seen.clear();
    const CEOID mine = Write(watched, 0, {I4(HIWORD(cedb_writer::kNumberProp), 50)});
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_CREATED, mine, db}}));

    // A closed handle's window hears nothing more.
    seen.clear();
    CloseHandle(watched);
    RunWriter({"write", "Shared", "60", "1"});
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(seen.empty());
    CloseHandle(watchedOther);
}

// A database deleted by another process is announced to windows of handles
// still open on it (this process could not have deleted it while they were).
TEST_F(CedbChangeMessages, ADatabaseDeletedElsewhereIsAnnounced)
{
    const CEOID shared = CreateDb(u"Shared", {{cedb_writer::kNumberProp, 0}});
    std::vector<Seen> seen;
    kstest::OwnWindow window(Collect(seen));
    HANDLE watched = OpenDb(shared, 0, 0, window.Hwnd());
    ASSERT_NE(watched, INVALID_HANDLE_VALUE);
    RunWriter({"drop", "Shared"});
    PumpUntil([&] { return !seen.empty(); }, 3000);
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_DATABASE_DELETED, shared, static_cast<LPARAM>(shared)}}));
    CloseHandle(watched);
}

}  // namespace
