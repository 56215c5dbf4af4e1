// Named mutexes shared with another process, and where their lock files live.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/internal/named_lock_file.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/manual_clock.h"
#include "tests/support/saved_environment.h"

extern char** environ;

namespace {

// The helper program holding a named mutex, with its output readable line by line.
class MutexHolder {
public:
    MutexHolder(const std::string& name, int holdMs)
    {
        int out[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string path = KSTOOLS_TEST_HELPER_DIR "/ks_mutex_holder", ms = std::to_string(holdMs);
        char* argv[] = {path.data(), const_cast<char*>(name.c_str()), ms.data(), nullptr};
        EXPECT_EQ(posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        fd_ = out[0];
    }
    ~MutexHolder()
    {
        if (pid_ > 0) Wait(SIGKILL);
        close(fd_);
    }
    // The next line the helper prints, "" on end of output or after `ms`.
    std::string ReadLine(int ms = 10000)
    {
        std::string line;
        char c;
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, ms) > 0 && read(fd_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    int Wait(int signal = 0)
    {
        int status = 0;
        if (signal) kill(pid_, signal);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The lock files (the helper's too) go into the sandbox's data directory.
class NamedMutexAcrossProcesses : public DeviceSandbox {
protected:
    std::string Name(const char* what) { return std::string("KsTest.") + what + "." + std::to_string(getpid()); }
};

TEST_F(NamedMutexAcrossProcesses,
       HeldElsewhereTimesOutWith258ThenIsGrantedHeldHereKeepsTheOtherWaitingAndADeadHolderFreesIt)
{
    std::string name = Name("held");
    MutexHolder holder(name, 300);
    ASSERT_EQ(holder.ReadLine(), "held");
    HANDLE m = CreateMutexW(nullptr, TRUE, Wide(name).c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);  // and no ownership
    ManualClock().AdvanceWhileRunning({99, 1}, [&] { EXPECT_EQ(WaitForSingleObject(m, 100), 258u); });
    EXPECT_FALSE(ReleaseMutex(m));
    EXPECT_EQ(WaitForSingleObject(m, 10000), WAIT_OBJECT_0);  // once the holder lets go
    EXPECT_EQ(holder.ReadLine(), "released");
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);

    // Owned here, it keeps the other process waiting.
    name = Name("here");
    m = CreateMutexW(nullptr, TRUE, Wide(name).c_str());
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    MutexHolder waiting(name, 0);
    EXPECT_EQ(waiting.ReadLine(300), "");
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(waiting.ReadLine(), "held");
    EXPECT_EQ(waiting.Wait(), 0);
    CloseHandle(m);

    // A holder that dies leaves the mutex free.
    name = Name("dead");
    MutexHolder dead(name, 60000);
    ASSERT_EQ(dead.ReadLine(), "held");
    EXPECT_TRUE(std::filesystem::exists(home_ + "/.locks/" + name + ".owner"));
    m = CreateMutexW(nullptr, FALSE, Wide(name).c_str());
    ManualClock clock;
    std::thread keeper([&] {
        for (DWORD ms : {20u, 0u}) clock.AdvanceWhenWaiting(ms);  // still held while its holder lives, and polled
        dead.Wait(SIGKILL);
        for (DWORD ms : {9u, 1u}) clock.AdvanceWhenWaiting(ms);  // the next poll, 10 ms on, finds it free
    });
    EXPECT_EQ(WaitForSingleObject(m, 5000), WAIT_OBJECT_0);
    keeper.join();
    ReleaseMutex(m);
    CloseHandle(m);
}

TEST(NamedLockFiles, DirectoryFollowsTheEnvironmentAndNamesBecomeSafeFileNames)
{
    {
        kstest::SavedEnvironment saved{"KSTOOLS_HOME", "XDG_RUNTIME_DIR"};
        setenv("KSTOOLS_HOME", "/data/ks", 1);
        setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
        EXPECT_EQ(platform::NamedObjectLockDirectory(), "/data/ks/.locks");
        setenv("KSTOOLS_HOME", "", 1);
        EXPECT_EQ(platform::NamedObjectLockDirectory(), "/run/user/7/kstools/locks");
        unsetenv("KSTOOLS_HOME");
        unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(platform::NamedObjectLockDirectory(), "/tmp/kstools-" + std::to_string(geteuid()) + "/locks");
    }
    const std::pair<const char16_t*, const char*> stems[] = {
        {u"Kestrel", "Kestrel"},
        {u"a/b\\c", "a%2Fb\\c"},
        {u"..up", "%2E.up"},
        {u"100%", "100%25"},
        {u"tab\there", "tab%09here"},
        {u"Grüße",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
    };
    for (auto [name, stem] : stems) EXPECT_EQ(platform::LockFileStem(name), stem);
    std::u16string longA(300, u'x'), longB = longA;
    longA += u'A';
    longB += u'B';
    std::string a = platform::LockFileStem(longA.c_str()), b = platform::LockFileStem(longB.c_str());
    EXPECT_LE(a.size(), 200u);
    EXPECT_NE(a, b);
}

}  // namespace
