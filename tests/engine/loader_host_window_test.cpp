// LoaderHost: a message-only window on the calling thread that a program
// without windows gives its loader; it pumps until the load has ended and
// lets the caller read the list when the load completes.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/loader_host.h"
#include "platform/kernel/sync_objects.h"
#include "platform/messaging/window.h"
#include "tests/engine/test_loader.h"

namespace {

using loadertest::TestLoader;
using Clock = std::chrono::steady_clock;

class LoaderHostTest : public loadertest::LoaderSandbox {
protected:
    void SetUp() override
    {
        loadertest::LoaderSandbox::SetUp();
        for (LONG i = 1; i <= 3; ++i) ASSERT_TRUE(loadertest::WriteItem(i));
    }
};

TEST_F(LoaderHostTest, WindowIsMessageOnlyAndLivesOnTheCallingThreadWithItsHost)
{
    LoaderHost host;
    ASSERT_NE(host.Window(), nullptr);
    EXPECT_TRUE(IsWindow(host.Window()));
    EXPECT_EQ(GetWindowThreadProcessId(host.Window(), nullptr), GetCurrentThreadId());
    EXPECT_EQ(GetParent(host.Window()), nullptr);
    HWND other = nullptr;
    {
        LoaderHost second;  // hosts do not share windows
        other = second.Window();
        EXPECT_NE(other, host.Window());
    }
    EXPECT_FALSE(IsWindow(other));
    EXPECT_TRUE(IsWindow(host.Window()));
}

TEST_F(LoaderHostTest, RunClearsWhatTheLastRunRecorded)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    ASSERT_TRUE(host.Run(loader, 5000));
    EXPECT_EQ(host.Events().size(), 3u);
    loadertest::WriteItem(4);
    ASSERT_TRUE(host.Run(loader, 5000));
    EXPECT_EQ(host.Events().size(), 3u);
    EXPECT_EQ(host.CompletedCount(), 4);
    host.Clear();
    EXPECT_TRUE(host.Events().empty());
    EXPECT_EQ(host.CompletedCount(), -1);
    EXPECT_FALSE(host.Ended());
}

// A wait on a loader never started returns at once; a load that never
// begins ends the wait when its thread ends.
TEST_F(LoaderHostTest, WaitEndsWithoutALoad)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    auto start = Clock::now();
    EXPECT_FALSE(host.Wait(loader, 10000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    loader.SetPreconditions(false);
    start = Clock::now();
    EXPECT_FALSE(host.Run(loader, 10000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(host.Events().empty());
    EXPECT_EQ(loader.loadsRun.load(), 0);
}

TEST_F(LoaderHostTest, WaitGivesUpAfterItsTimeOut)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    loader.OnRecord([&](TestLoader&, int) { WaitForSingleObject(gate, INFINITE); });
    const auto start = Clock::now();
    EXPECT_FALSE(host.Run(loader, 150));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(140));
    EXPECT_EQ(host.Count(WM_LOADER_BEGIN), 1);
    EXPECT_EQ(host.Count(WM_LOADER_END), 0);
    SetEvent(gate);
    EXPECT_TRUE(host.Wait(loader, 5000));
    EXPECT_EQ(host.CompletedCount(), 3);
    CloseHandle(gate);
}

}  // namespace
