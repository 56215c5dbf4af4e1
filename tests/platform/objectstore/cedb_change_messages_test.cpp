// Writes of other processes reach the windows of this process's handles as
// the same DB_CEOID_ messages its own writes post, soon after their commit.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
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
    EXPECT_TRUE(kstest::PumpUntil([&] { return seen.size() >= 4; }, 1000)) << "posted soon after the commit";
    const auto db = static_cast<LPARAM>(shared);
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_CREATED, added[0], db},
                                       {DB_CEOID_CREATED, added[1], db},
                                       {DB_CEOID_CHANGED, added[0], db},
                                       {DB_CEOID_RECORD_DELETED, added[1], db}}));
    EXPECT_TRUE(seenOther.empty());

    // This process's own write is posted once, by the writing call.
    seen.clear();
    const CEOID mine = Write(watched, 0, {I4(HIWORD(cedb_writer::kNumberProp), 50)});
    kstest::PumpUntil([] { return false; }, 300);
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_CREATED, mine, db}}));

    // A closed handle's window hears nothing more.
    seen.clear();
    CloseHandle(watched);
    RunWriter({"write", "Shared", "60", "1"});
    kstest::PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(seen.empty());

    // A database dropped by another process is announced to windows of handles still open on it
    // (this process could not have deleted it while they were).
    RunWriter({"drop", "Other"});
    kstest::PumpUntil([&] { return !seenOther.empty(); }, 3000);
    EXPECT_EQ(seenOther, (std::vector<Seen>{{DB_CEOID_DATABASE_DELETED, other, static_cast<LPARAM>(other)}}));
    CloseHandle(watchedOther);
}

// One transaction of more writes than the change log keeps trims rows the
// watcher never read: it asks for everything to be read again, once, and
// follows single writes again afterwards.
TEST_F(CedbChangeMessages, AWatcherBehindTheTrimmedLogIsToldToReadEverythingAgain)
{
    const CEOID shared = CreateDb(u"Shared", {{cedb_writer::kNumberProp, 0}});
    ASSERT_NE(shared, 0u);
    std::vector<Seen> seen;
    kstest::OwnWindow window(Collect(seen));
    HANDLE watched = OpenDb(shared, 0, 0, window.Hwnd());
    ASSERT_NE(watched, INVALID_HANDLE_VALUE);
    const auto db = static_cast<LPARAM>(shared);

    // Within the log's length every row is still posted.
    ASSERT_EQ(RunWriter({"bulk", "Shared", "1", "4000"}).size(), 4000u);
    EXPECT_TRUE(kstest::PumpUntil([&] { return seen.size() >= 4000; }, 3000));
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                            [&](const Seen& s) { return s == Seen(DB_CEOID_CREATED, std::get<1>(s), db) && std::get<1>(s); }),
              4000);

    seen.clear();
    ASSERT_EQ(RunWriter({"bulk", "Shared", "5000", "4400"}).size(), 4400u);
    EXPECT_TRUE(kstest::PumpUntil([&] { return !seen.empty(); }, 3000)) << "not silence";
    kstest::PumpUntil([] { return false; }, 300);
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_CHANGED, 0, db}}));

    seen.clear();
    const std::vector<CEOID> after = RunWriter({"write", "Shared", "20000", "1"});
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(kstest::PumpUntil([&] { return !seen.empty(); }, 1000));
    EXPECT_EQ(seen, (std::vector<Seen>{{DB_CEOID_CREATED, after[0], db}}));
    CloseHandle(watched);
}

}  // namespace
