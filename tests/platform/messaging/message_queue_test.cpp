// Posting, sending, retrieving and waiting for messages between threads, and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "platform/messaging/messages.h"
#include "tests/support/last_error_check.h"
#include "tests/support/manual_clock.h"
#include "tests/support/test_windows.h"

namespace {

using kstest::Handler;
using kstest::OwnWindow;
using kstest::PumpPending;
using kstest::SpinUntil;

TEST(MessageOrder, PostedMessagesKeepTheirOrderPerSender)
{
    constexpr int kSenders = 4, kEach = 500;
    std::vector<std::vector<int>> seen(kSenders);
    OwnWindow window([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_APP) seen[w].push_back(static_cast<int>(l));
        return DefWindowProcW(h, m, w, l);
    });
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < kEach; ++i) EXPECT_TRUE(PostMessageW(window.Hwnd(), WM_APP, s, i));
        });
    for (auto& t : senders) t.join();
    PumpPending();
    for (int s = 0; s < kSenders; ++s) {
        ASSERT_EQ(seen[s].size(), static_cast<size_t>(kEach));
        for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen[s][i], i);
    }
}

TEST(MessageRetrieval, FiltersRemovalQuitAndDestroyedWindows)
{
    std::atomic<int> handled{0};
    OwnWindow window([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        handled += m == WM_APP;
        return DefWindowProcW(h, m, w, l);
    });
    PostMessageW(window.Hwnd(), WM_USER + 1, 0, 0);
    PostMessageW(nullptr, WM_USER + 2, 0, 0);
    PostMessageW(window.Hwnd(), WM_APP + 1, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP + 1, WM_APP + 1, PM_REMOVE));  // by number
    HWND threadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
    ASSERT_TRUE(PeekMessageW(&msg, threadOnly, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageW(&msg, threadOnly, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&msg, window.Hwnd(), 0, 0, PM_REMOVE));  // by window
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(std::uintptr_t{0x4321}), 0, 0), -1);
    PostQuitMessage(5);  // it comes after every other message and ends GetMessage
    PostMessageW(nullptr, WM_USER + 3, 0, 0);
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER + 3);
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    // Messages queued for a window that is destroyed are dropped.
    PostMessageW(window.Hwnd(), WM_APP, 0, 0);
    HWND gone = window.Hwnd();
    DestroyWindow(gone);
    EXPECT_TRUE(FAILS_WITH(PostMessageW(gone, WM_APP, 0, 0), FALSE, ERROR_INVALID_WINDOW_HANDLE));
    PumpPending();
    EXPECT_EQ(handled, 0);
}

// A send from another thread runs on the receiver inside its wait: the MessageWait case.
TEST(SendMessage, TwoThreadsSendingToEachOtherDoNotDeadlockAndAGoneWindowAnswersZero)
{
    std::atomic<HWND> peerOfA{nullptr}, peerOfB{nullptr};
    std::atomic<int> answered{0};
    auto handler = [&answered](std::atomic<HWND>& peerOf) {
        return [&answered, peer = &peerOf](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_APP) {  // kick-off: a burst of sends to the other thread
                for (int i = 0; i < 100; ++i)
                    if (SendMessageW(peer->load(), WM_APP + 1, i, 0) == static_cast<LRESULT>(i + 1)) ++answered;
                return 0;
            }
            return m == WM_APP + 1 ? static_cast<LRESULT>(w + 1) : DefWindowProcW(h, m, w, l);
        };
    };
    kstest::WindowThread a(handler(peerOfA)), b(handler(peerOfB));
    peerOfA = b.Hwnd();
    peerOfB = a.Hwnd();
    PostMessageW(a.Hwnd(), WM_APP, 0, 0);
    PostMessageW(b.Hwnd(), WM_APP, 0, 0);
    EXPECT_TRUE(SpinUntil([&] { return answered == 200; }, 10000)) << answered;
    HWND hwnd = nullptr;
    std::atomic<bool> ready{false};
    HANDLE finish = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        static Handler answer = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            return m == WM_APP ? 99 : DefWindowProcW(h, m, w, l);
        };
        hwnd = kstest::CreateHandlerWindow(&answer);
        ready = true;
        WaitForSingleObject(finish, INFINITE);  // does not pump: sends wait
        DestroyWindow(hwnd);
    });
    ASSERT_TRUE(SpinUntil([&] { return ready.load(); }));
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] { result = SendMessageW(hwnd, WM_APP, 0, 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(result, -1);  // blocked
    SetEvent(finish);
    sender.join();
    owner.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(FAILS_WITH(SendMessageW(hwnd, WM_APP, 0, 0), 0, ERROR_INVALID_WINDOW_HANDLE));
    CloseHandle(finish);
}

TEST(ThreadMessages, PostThreadMessageNeedsALiveThread)
{
    // A thread of CreateThread has its queue from the start: nothing posted early is lost.
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0, code = 0;
    auto entry = [](LPVOID e) -> DWORD {
        WaitForSingleObject(e, INFINITE);
        MSG msg;
        return PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) ? static_cast<DWORD>(msg.wParam) : 0;
    };
    HANDLE h = CreateThread(nullptr, 0, entry, go, 0, &id);
    EXPECT_TRUE(PostThreadMessageW(id, WM_APP, 77, 0));
    SetEvent(go);
    WaitForSingleObject(h, INFINITE);
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 77u);
    CloseHandle(h);
    CloseHandle(go);
    std::thread([&] { id = GetCurrentThreadId(); }).join();
    EXPECT_TRUE(FAILS_WITH(PostThreadMessageW(id, WM_APP, 0, 0), FALSE, ERROR_INVALID_THREAD_ID));  // ended
}

TEST(MessageWait, WakesForTheHandleAndForEveryKindOfInput)
{
    HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD me = GetCurrentThreadId();
    std::atomic<DWORD> sentRanOn{0};
    std::atomic<LRESULT> sendResult{0};
    OwnWindow window([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m != WM_APP + 1) return DefWindowProcW(h, m, w, l);
        sentRanOn = GetCurrentThreadId();
        return 5;
    });
    MSG msg;
    UINT_PTR timer = 0;
    ManualClock clock;
    auto post = [] { PostMessageW(nullptr, WM_APP, 0, 0); };
    const struct {
        const char* name;
        bool fromAnotherThread;  // once the wait began
        std::function<void()> cause;
        DWORD mask, result, moved;  // moved: how far the clock moves once the wait began, the wait's length
        UINT queued;                // the message waiting afterwards, 0 for none
    } cases[] = {
        {"signalled handle before queued input", false,
         [&] {
             SetEvent(e);
             post();
         },
         QS_ALLINPUT, WAIT_OBJECT_0, 0, WM_APP},
        {"posted by another thread", true, [&] { PostThreadMessageW(me, WM_APP, 0, 0); }, QS_ALLINPUT,
         WAIT_OBJECT_0 + 1, 0, WM_APP},
        {"still queued after a peek", false,
         [&] {
             post();
             post();
             PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
         },
         QS_ALLINPUT, WAIT_OBJECT_0 + 1, 0, WM_APP},
        {"sent by another thread, run inside the wait", true,
         [&] { sendResult = SendMessageW(window.Hwnd(), WM_APP + 1, 0, 0); }, QS_ALLINPUT, WAIT_OBJECT_0 + 1, 0, 0},
        {"posted, outside the mask", false, post, QS_TIMER, WAIT_TIMEOUT, 30, WM_APP},
        {"due timer", false, [&] { timer = SetTimer(nullptr, 0, 40, nullptr); }, QS_ALLINPUT, WAIT_OBJECT_0 + 1, 40,
         WM_TIMER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.fromAnotherThread) c.cause();
        std::thread source([&] {
            if (!c.fromAnotherThread && !c.moved) return;
            clock.AdvanceWhenWaiting(c.moved);
            if (c.fromAnotherThread) c.cause();
        });
        const DWORD start = GetTickCount();
        EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &e, c.result == WAIT_TIMEOUT ? c.moved : 5000, c.mask, 0), c.result);
        EXPECT_EQ(GetTickCount() - start, c.moved);
        source.join();
        EXPECT_EQ(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) ? msg.message : 0u, c.queued);
        PumpPending();
        ResetEvent(e);
    }
    KillTimer(nullptr, timer);
    EXPECT_EQ(sentRanOn, me);
    EXPECT_EQ(sendResult, 5);
    CloseHandle(e);
}

// Timers on a manual clock: a tick is due when the test moves the clock past its period.
class TimerWindow : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    void AdvanceAndPump(DWORD ms, int steps = 1)
    {
        for (int i = 0; i < steps; ++i, PumpPending()) clock.Advance(ms);
    }
    ManualClock clock;
    std::map<WPARAM, int> ticks;
    kstest::Handler handler = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_TIMER) ++ticks[w];
        return DefWindowProcW(h, m, w, l);
    };
    HWND hwnd = kstest::CreateHandlerWindow(&handler);
};

TEST_F(TimerWindow, FiresOnItsThreadAtTheNewestPeriodOnceForASlowReaderUntilKilledOrItsWindowGoes)
{
    ASSERT_NE(SetTimer(hwnd, 77, 1250, nullptr), 0u);
    std::thread([&] { SetTimer(hwnd, 77, 30, nullptr); }).join();  // replaces it, from another thread
    AdvanceAndPump(29);
    EXPECT_EQ(ticks[77], 0);
    AdvanceAndPump(1);
    AdvanceAndPump(30, 10);
    EXPECT_EQ(ticks[77], 11);
    EXPECT_TRUE(KillTimer(hwnd, 77));
    AdvanceAndPump(80);
    EXPECT_EQ(ticks[77], 11);
    EXPECT_FALSE(KillTimer(hwnd, 77));
    SetTimer(hwnd, 84, 20, nullptr);
    clock.Advance(110);  // many periods without reading the queue
    PostMessageW(hwnd, WM_APP, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(std::tie(msg.message, msg.hwnd, msg.wParam), std::make_tuple(UINT{WM_TIMER}, hwnd, WPARAM{84}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    KillTimer(hwnd, 84);
    SetTimer(hwnd, 2, 10, nullptr);  // the timers of a destroyed window stop
    DestroyWindow(hwnd);
    clock.Advance(30);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(FAILS_WITH(SetTimer(hwnd, 3, 10, nullptr), 0u, ERROR_INVALID_WINDOW_HANDLE));
}

std::atomic<int> g_procTicks{0};
std::atomic<UINT_PTR> g_procId{0};
void CountingTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD)
{
    if (message == WM_TIMER && hwnd == nullptr && id == g_procId) ++g_procTicks;
}

TEST(ThreadTimer, TimerWithoutWindowCallsItsProcedureOnlyWhileAlive)
{
    ManualClock clock;
    g_procTicks = 0;
    UINT_PTR id = SetTimer(nullptr, 12345, 15, CountingTimerProc);
    ASSERT_NE(id, 0u);
    g_procId = id;
    for (int tick = 0; tick < 2; ++tick, PumpPending()) clock.Advance(15);
    ASSERT_EQ(g_procTicks, 2);
    EXPECT_EQ(SetTimer(nullptr, id, 15, CountingTimerProc), id);  // the id given back replaces it
    const UINT_PTR unused = id + 0x1000;
    const UINT_PTR other = SetTimer(nullptr, unused, 1000, nullptr);
    EXPECT_NE(other, unused) << "an id that names no thread timer of this thread gets a new one";
    EXPECT_TRUE(KillTimer(nullptr, other));
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
    clock.Advance(30);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    // A forged WM_TIMER for a dead timer does not reach the procedure it names.
    g_procTicks = 0;
    MSG forged{nullptr, WM_TIMER, id, reinterpret_cast<LPARAM>(&CountingTimerProc), 0, {0, 0}};
    DispatchMessageW(&forged);
    EXPECT_EQ(g_procTicks, 0);
}

}  // namespace
