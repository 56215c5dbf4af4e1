// A writer killed at random moments, hundreds of times: the store still
// opens, passes its check, and holds every record whose write was
// acknowledged (and none whose deletion was).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/platform/objectstore/cedb_writer_check.h"

extern char** environ;

namespace {

using namespace cedbtest;

const std::string kWriter = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_cedb_writer";

// "ks_cedb_writer serve": a new writing process for each Go().
class WriterServer {
public:
    WriterServer()
    {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const char* argv[] = {kWriter.c_str(), "serve", "Crash", nullptr};
        if (posix_spawn(&pid_, kWriter.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~WriterServer()
    {
        if (child_ > 0) kill(child_, SIGKILL);
        close(in_);  // the server ends at the end of its input
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        close(out_);
    }
    bool Started() const { return pid_ > 0; }

    // Starts a writer numbering its records from `first`; true once it has
    // opened the database.
    bool Go(long first)
    {
        first_ = first;
        lastAdded_ = first - 1;
        deletionPending_ = false;
        std::string line = "go " + std::to_string(first) + "\n";
        if (write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return false;
        line = NextLine();
        if (line.rfind("ready ", 0) != 0) return false;
        child_ = static_cast<pid_t>(std::stol(line.substr(6)));
        return true;
    }
    // Waits until the writer has acknowledged a first record.
    bool AwaitFirstWrite()
    {
        while (lastAdded_ < first_) {
            std::string line = NextLine();
            if (line.empty()) return false;
            Take(line);
        }
        return true;
    }
    // Kills the writer, then takes in what it acknowledged before dying. A
    // deletion it had begun without acknowledging may or may not have
    // happened: that record is left out of both sets.
    void Kill()
    {
        kill(child_, SIGKILL);
        child_ = -1;
        for (std::string line = NextLine(); line != "gone" && !line.empty(); line = NextLine()) Take(line);
        if (deletionPending_) present.erase(lastAdded_ - 3);
    }

    std::set<long> present, deleted;

private:
    void Take(const std::string& line)
    {
        if (line.rfind("acked ", 0) == 0) {
            lastAdded_ = std::stol(line.substr(6));
            present.insert(lastAdded_);
            deletionPending_ = (lastAdded_ - first_) % 4 == 3;
        } else if (line.rfind("deleted ", 0) == 0) {
            long n = std::stol(line.substr(8));
            present.erase(n);
            deleted.insert(n);
            deletionPending_ = false;
        }
    }
    std::string NextLine()
    {
        for (;;) {
            size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            char chunk[4096];
            ssize_t n = read(out_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return {};
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    pid_t pid_ = -1;
    pid_t child_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
    long first_ = 0;
    long lastAdded_ = -1;
    bool deletionPending_ = false;
};

using CedbCrash = CedbSandbox;

TEST_F(CedbCrash, KilledWritersLeaveEveryAcknowledgedRecord)
{
    WriterServer server;
    ASSERT_TRUE(server.Started());
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayMicros(0, 20000);
    constexpr int kKills = 200;
    auto start = std::chrono::steady_clock::now();
    for (int kill = 0; kill < kKills; ++kill) {
        ASSERT_TRUE(server.Go(kill * 1000000L)) << "writer " << kill << " did not start";
        // Half the writers die anywhere from their start on, the others once
        // they are well under way.
        if (kill % 2) {
            ASSERT_TRUE(server.AwaitFirstWrite()) << "writer " << kill << " wrote nothing";
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        server.Kill();
    }
    auto took = std::chrono::steady_clock::now() - start;
    RecordProperty("seconds", static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(took).count()));
    const std::set<long>& present = server.present;
    const std::set<long>& deleted = server.deleted;
    RecordProperty("acknowledged", static_cast<int>(present.size()));
    ASSERT_GE(present.size(), static_cast<size_t>(kKills / 4));

    std::string report;
    EXPECT_TRUE(platform::CheckObjectStore(nullptr, report)) << report;
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, u"Crash", 0, 0, nullptr);
    ASSERT_NE(db, INVALID_HANDLE_VALUE) << GetLastError();
    for (long n : present) ASSERT_TRUE(Intact(db, n));
    for (long n : deleted)
        ASSERT_EQ(SeekValue(db, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, static_cast<LONG>(n))), 0u) << "deleted " << n;
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(oid, &info));
    // Writes killed after their commit but before their acknowledgement may
    // add a record each; nothing else.
    EXPECT_GE(info.infDatabase.wNumRecords, present.size());
    EXPECT_LE(info.infDatabase.wNumRecords, present.size() + kKills);
    CloseHandle(db);
}

}  // namespace
