// What the synchronisation wrappers add to the platform objects they hold, and the lock of CeFile.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "foundation/ce_events.h"
#include "foundation/ce_file.h"
#include "foundation/ce_mutex.h"
#include "foundation/ce_semaphore.h"
#include "foundation/ce_waitable_handle.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/tick.h"
#include "tests/foundation/recording_window.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/manual_clock.h"

namespace {

template <class F>
auto OnAnotherThread(F f)
{
    decltype(f()) result{};
    std::thread([&] { result = f(); }).join();
    return result;
}

std::u16string UniqueName(const char* what)
{
    std::string name = std::string("ce_sync_test.") + what + "." + std::to_string(GetCurrentProcessId()) + "." +
                       std::to_string(GetTickCount());
    return std::u16string(name.begin(), name.end());
}

TEST(CeWaitableHandleTest, WaitsMessageWaitsEventSetPulseResetSemaphoreCountsAndNoHandle)
{
    CeManualEvent event;
    {
        ManualClock clock;  // time-outs and the slices of unbounded waits pass when a second thread moves it
        clock.AdvanceWhileRunning({60}, [&] { EXPECT_EQ(event.WaitFor(60), WAIT_TIMEOUT); });
        std::thread keeper([&] {
            for (DWORD ms : {150u, 150u, 100u}) clock.AdvanceWhenWaiting(ms);  // several slices of an unbounded wait
            event.Set();
        });
        EXPECT_EQ(event.WaitFor(INFINITE), WAIT_OBJECT_0);
        keeper.join();
        CeWaitableHandle none;
        EXPECT_EQ(none.WaitFor(INFINITE), WAIT_FAILED);
        EXPECT_EQ(none.MsgWaitFor(INFINITE), WAIT_FAILED);
        none = event;  // a view of the same handle
        EXPECT_EQ(static_cast<HANDLE>(none), event.GetHandle());
        event.Reset();
        EXPECT_EQ(none.WaitFor(0), WAIT_TIMEOUT);
        keeper = std::thread([&] {
            clock.AdvanceWhenWaiting(100);
            EXPECT_NE(event.Close(), 0);
            clock.AdvanceWhenWaiting(50);
        });
        const DWORD start = GetTickCount();
        EXPECT_NE(event.WaitFor(INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(GetTickCount() - start, 150u);  // noticed at the end of its slice
        keeper.join();
        EXPECT_EQ(event.GetHandle(), nullptr);
        EXPECT_EQ(event.Close(), 0);
    }

    RecordingWindow window;
    window.Reply(WM_APP + 1, 41);
    CeManualEvent pumped;
    std::atomic<LRESULT> sendResult{0};
    std::thread worker([&] {
        sendResult = SendMessageW(window.Handle(), WM_APP + 1, 0, 0);  // blocks unless the waiter pumps
        PostMessageW(window.Handle(), WM_APP + 2, 7, 0);
        Sleep(200);  // the posted message is dispatched during the wait, not after it
        pumped.Set();
    });
    EXPECT_EQ(pumped.MsgWaitFor(5000), WAIT_OBJECT_0);
    worker.join();
    EXPECT_EQ(sendResult, 41);
    ASSERT_EQ(window.Count(WM_APP + 2), 1u);
    EXPECT_EQ(window.All(WM_APP + 2)[0].wParam, 7u);
    pumped.Reset();
    ManualClock().AdvanceWhileRunning({50}, [&] { EXPECT_EQ(pumped.MsgWaitFor(50), WAIT_TIMEOUT); });

    std::thread pumpedCloser([&] {
        Sleep(50);
        pumped.Close();
        PostMessageW(window.Handle(), WM_APP + 3, 0, 0);  // wakes the wait, which then finds no handle
    });
    EXPECT_EQ(pumped.MsgWaitFor(INFINITE), WAIT_FAILED);
    pumpedCloser.join();
    EXPECT_EQ(window.Count(WM_APP + 3), 1u);

    CeManualEvent manual;
    EXPECT_NE(manual.Set(), 0);
    EXPECT_TRUE(manual.IsSet());
    manual.Reset();
    manual.Pulse();  // nobody waits: no lasting effect
    EXPECT_FALSE(manual.IsSet());
    CeAutoEvent automatic(true);
    EXPECT_EQ(automatic.WaitFor(0), WAIT_OBJECT_0);
    EXPECT_EQ(automatic.WaitFor(0), WAIT_TIMEOUT);
    std::u16string name = UniqueName("event");
    CeManualEvent first(name.c_str(), false, nullptr), second(name.c_str(), true, nullptr);
    first.Set();
    EXPECT_TRUE(second.IsSet());  // one object under one name
    manual.Close();               // without a handle: nothing to change, and "set" for a stop poll
    EXPECT_TRUE(manual.IsSet());
    EXPECT_EQ(manual.Set() + manual.Reset() + manual.Pulse(), 0);

    CeSemaphore semaphore(5);
    EXPECT_EQ(semaphore.WaitFor(0), WAIT_TIMEOUT);  // starts at 0
    EXPECT_EQ(semaphore.Release(3), 0);
    EXPECT_EQ(semaphore.Release(1), 3);   // the previous count
    EXPECT_EQ(semaphore.Release(2), -1);  // past the maximum: unchanged
    EXPECT_NE(semaphore.Release(), 0);
    EXPECT_EQ(semaphore.Release(), 0);
    semaphore.Close();
    EXPECT_EQ(semaphore.Release(1), -1);
}

TEST(CeMutexTest, SecondOwnersTimeOutUntilReleasedAbandonedIsOwnedAndPumpingWaitsServeMessages)
{
    std::u16string name = UniqueName("held");
    auto tryOther = [&](DWORD timeout) {
        return OnAnotherThread([&] { return CeMutex().Create(name.c_str(), timeout, false); });
    };
    {
        CeMutex first;
        ASSERT_EQ(first.Create(name.c_str(), 0, false), WAIT_OBJECT_0);
        ManualClock().AdvanceWhileRunning({149, 1}, [&] { EXPECT_EQ(tryOther(150), WAIT_TIMEOUT); });
        EXPECT_NE(first.Release(), 0);
        EXPECT_EQ(first.GetHandle(), nullptr);
        EXPECT_EQ(first.Release(), 0);
        EXPECT_EQ(tryOther(0), WAIT_OBJECT_0);
        ASSERT_EQ(first.Create(name.c_str(), 0, false), WAIT_OBJECT_0);
    }  // the destructor releases
    HANDLE abandoned = OnAnotherThread([&] {
        HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());  // owned by a thread that ends
        EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
        return h;
    });
    CeMutex heir;
    EXPECT_EQ(heir.Create(name.c_str(), 500, false), WAIT_OBJECT_0);
    CloseHandle(abandoned);

    std::u16string pumpName = UniqueName("pump");
    RecordingWindow window;
    window.Reply(WM_APP + 4, 5);
    std::atomic<bool> owned{false};
    std::atomic<LRESULT> answer{0};
    std::thread owner([&] {
        CeMutex m;
        EXPECT_EQ(m.Create(pumpName.c_str(), 0, false), WAIT_OBJECT_0);
        owned = true;
        answer = SendMessageW(window.Handle(), WM_APP + 4, 0, 0);  // answered only by a pumping waiter
        m.Release();
    });
    while (!owned) Sleep(1);
    CeMutex waiter;
    EXPECT_EQ(waiter.Create(pumpName.c_str(), 3000, true), WAIT_OBJECT_0);
    owner.join();
    EXPECT_EQ(answer, 5);

    std::u16string processName = UniqueName("process");
    std::string command = std::string(KSTOOLS_TEST_HELPER_DIR "/ks_mutex_holder ") +
                          std::string(processName.begin(), processName.end()) + " 300";
    FILE* holder = popen(command.c_str(), "r");
    ASSERT_NE(holder, nullptr);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, holder), nullptr);
    ASSERT_STREQ(line, "held\n");
    CeMutex mutex;
    ManualClock().AdvanceWhileRunning({200}, [&] { EXPECT_EQ(mutex.Create(processName.c_str(), 200, false), 258u); });
    // Asked again, the held handle is waited on first.
    EXPECT_EQ(mutex.Create(processName.c_str(), 5000, true), WAIT_OBJECT_0);
    ASSERT_NE(std::fgets(line, sizeof line, holder), nullptr);
    EXPECT_STREQ(line, "released\n");
    EXPECT_EQ(pclose(holder), 0);
    mutex.Release();  // one Release lets others in, however many steps the retry took
    EXPECT_EQ(OnAnotherThread([&] { return CeMutex().Create(processName.c_str(), 0, false); }), WAIT_OBJECT_0);
}

class CeFileLockTest : public DeviceSandbox {};

// Two threads writing and flushing through one CeFile: every line arrives whole.
TEST_F(CeFileLockTest, TwoThreadsWritingOneFileKeepEveryLineWhole)
{
    CeFile file;
    ASSERT_TRUE(file.Create(u"\\shared.txt", GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE));
    auto writer = [&file](char16_t letter) {
        for (int i = 0; i < 2000; ++i) {
            file.WriteLine(std::u16string(40, letter).c_str(), TRUE);
            if (i % 99 == 0) file.Flush();
        }
    };
    std::thread a(writer, u'a'), b(writer, u'b');
    a.join();
    b.join();
    file.Close();
    const std::string text = ReadHostFile("shared.txt");
    ASSERT_EQ(text.size(), 4000u * 42);
    for (size_t at = 0; at < text.size(); at += 42)
        ASSERT_EQ(text.substr(at, 42), std::string(40, text[at]) + "\r\n") << "at " << at;
}

}  // namespace
