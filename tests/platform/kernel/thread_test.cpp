// Threads: creation, exit codes, suspension, priorities, and termination.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/critical_section.h"
#include "platform/kernel/internal/thread_object.h"
#include "platform/kernel/internal/waitable_object.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "tests/support/last_error_check.h"
#include "tests/support/test_windows.h"

namespace {

using kstest::SpinUntil;

// Runs a lambda as a CreateThread entry; the destructor waits until the host thread has left.
class LambdaThread {
public:
    explicit LambdaThread(std::function<DWORD()> body, DWORD flags = 0) : body_(std::move(body))
    {
        handle_ = CreateThread(nullptr, 0, &LambdaThread::Entry, this, flags, &id_);
        EXPECT_NE(handle_, nullptr);
    }
    ~LambdaThread()
    {
        EXPECT_EQ(WaitForSingleObject(handle_, 10000), WAIT_OBJECT_0) << "thread did not end";
        // A killed thread is over for everybody at once but may still be unwinding through body_.
        EXPECT_TRUE(SpinUntil([&] { return platform::HasHostThreadExited(handle_); }, 10000));
        CloseHandle(handle_);
    }
    HANDLE Handle() const { return handle_; }
    DWORD Id() const { return id_; }
    DWORD ExitCode() const
    {
        DWORD code = 0xBAD;
        EXPECT_TRUE(GetExitCodeThread(handle_, &code));
        return code;
    }

    // Kills the thread and checks that its handle is signalled at once with the code.
    void KillAndExpectPromptEnd(DWORD code) const
    {
        DWORD start = GetTickCount();
        EXPECT_TRUE(TerminateThread(handle_, code));
        EXPECT_EQ(WaitForSingleObject(handle_, 0), WAIT_OBJECT_0);
        EXPECT_LT(GetTickCount() - start, 200u);
        EXPECT_EQ(ExitCode(), code);
        EXPECT_TRUE(TerminateThread(handle_, code + 1));  // already over: nothing changes
        EXPECT_EQ(ExitCode(), code);
    }

private:
    static DWORD Entry(LPVOID self) { return static_cast<LambdaThread*>(self)->body_(); }
    std::function<DWORD()> body_;
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};

TEST(ThreadBasics, ExitCodesIdsHandlesSuspendCountsAndPriorities)
{
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        LambdaThread t([&] { return WaitForSingleObject(go, INFINITE) + 42; });
        EXPECT_EQ(t.ExitCode(), STILL_ACTIVE);
        EXPECT_EQ(WaitForSingleObject(t.Handle(), 20), WAIT_TIMEOUT);
        SetEvent(go);
        EXPECT_EQ(WaitForSingleObject(t.Handle(), 5000), WAIT_OBJECT_0);
        EXPECT_EQ(t.ExitCode(), 42u);
        EXPECT_EQ(GetThreadId(t.Handle()), t.Id());
    }
    ResetEvent(go);  // closing the handle does not stop the thread
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID e) -> DWORD {
            Sleep(30);
            return SetEvent(e);
        },
        go, 0, nullptr);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(WaitForSingleObject(go, 5000), WAIT_OBJECT_0);
    for (int i = 0; i < 20; ++i) {  // the id is recorded before the entry runs
        DWORD id = 0, code = 0;
        auto entry = [](LPVOID p) -> DWORD { return *static_cast<DWORD*>(p) == GetCurrentThreadId(); };
        h = CreateThread(nullptr, 0, entry, &id, 0, &id);
        WaitForSingleObject(h, INFINITE);
        EXPECT_TRUE(GetExitCodeThread(h, &code) && code == 1);
        CloseHandle(h);
    }
    EXPECT_TRUE(FAILS_WITH(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr, ERROR_INVALID_PARAMETER));
    CloseHandle(go);
    std::atomic<int> progress{0};
    std::atomic<bool> stop{false};
    LambdaThread t(
        [&] {
            for (; !stop; ++progress) platform::ThreadCheckPoint();  // a suspended thread stops at its next call
            return DWORD{0};
        },
        CREATE_SUSPENDED);
    EXPECT_EQ(GetThreadPriority(t.Handle()), THREAD_PRIORITY_NORMAL);
    for (int level = THREAD_PRIORITY_TIME_CRITICAL; level <= THREAD_PRIORITY_IDLE; ++level) {
        EXPECT_TRUE(SetThreadPriority(t.Handle(), level));
        EXPECT_EQ(GetThreadPriority(t.Handle()), level);
    }
    EXPECT_TRUE(FAILS_WITH(SetThreadPriority(t.Handle(), 8), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetThreadPriority(t.Handle()), THREAD_PRIORITY_IDLE);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);  // another thread's level
    EXPECT_EQ(GetThreadPriority(reinterpret_cast<HANDLE>(std::uintptr_t{0x99})), THREAD_PRIORITY_ERROR_RETURN);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(progress, 0);  // created suspended
    EXPECT_EQ(ResumeThread(t.Handle()), 1u);
    EXPECT_TRUE(SpinUntil([&] { return progress > 10; }));
    EXPECT_EQ(SuspendThread(t.Handle()), 0u);
    EXPECT_EQ(SuspendThread(t.Handle()), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int frozen = progress;
    EXPECT_EQ(ResumeThread(t.Handle()), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(progress, frozen);  // still suspended once
    EXPECT_EQ(ResumeThread(t.Handle()), 1u);
    EXPECT_TRUE(SpinUntil([&] { return progress > frozen; }));
    EXPECT_EQ(ResumeThread(t.Handle()), 0u);
    stop = true;
}

// Signals and closes its event when its thread's thread_local objects are destroyed.
struct LateSignaller {
    HANDLE event = nullptr;
    ~LateSignaller()
    {
        if (event) SetEvent(event);
        if (event) CloseHandle(event);
    }
};
thread_local LateSignaller t_lateSignaller;

TEST(ThreadExit, ExitThreadAndLateThreadExitDestructors)
{
    std::atomic<bool> destroyed{false}, after{false};
    {
        LambdaThread t([&] {
            std::shared_ptr<void> guard(nullptr, [&](void*) { destroyed = true; });
            ExitThread(9);
            after = true;
            return DWORD{0};
        });
        EXPECT_EQ(WaitForSingleObject(t.Handle(), 5000), WAIT_OBJECT_0);
        EXPECT_EQ(t.ExitCode(), 9u);
    }
    EXPECT_TRUE(destroyed);  // the stack unwinds
    EXPECT_FALSE(after);
    // Platform calls from destructors that run after the thread's platform record is gone still work.
    HANDLE observer = CreateEventW(nullptr, TRUE, FALSE, u"KsTestLateSignal");
    size_t handles = platform::OpenHandleCount();
    std::thread([] {
        t_lateSignaller.event = nullptr;  // registered first, so destroyed last
        t_lateSignaller.event = CreateEventW(nullptr, TRUE, FALSE, u"KsTestLateSignal");
    }).join();
    EXPECT_EQ(WaitForSingleObject(observer, 0), WAIT_OBJECT_0);
    EXPECT_EQ(platform::OpenHandleCount(), handles);
    CloseHandle(observer);
}

TEST(ThreadKill, EndsAThreadWhereverItBlocksAndLeavesNoLockOrLaterActs)
{
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::atomic<int> handled{0};
    kstest::OwnWindow window([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        handled += m == WM_APP;  // this thread does not pump while the sender waits
        return DefWindowProcW(h, m, w, l);
    });
    kstest::Handler none;
    std::atomic<HWND> pumpWindow{nullptr};
    std::atomic<DWORD> pumpThread{0};
    auto pump = [&] {
        pumpThread = GetCurrentThreadId();
        pumpWindow = kstest::CreateHandlerWindow(&none);
        for (MSG msg; GetMessageW(&msg, nullptr, 0, 0) > 0;) DispatchMessageW(&msg);
    };
    auto swallow = [] {
        try {
            Sleep(INFINITE);
        } catch (...) {  // swallowed: the kill comes again at the next platform call
        }
        Sleep(INFINITE);
    };
    const struct {
        const char* name;
        DWORD flags;
        std::function<void()> block;
        std::function<bool()> blocked;  // null: give it a moment
    } cases[] = {
        {"event wait", 0, [&] { WaitForSingleObject(never, INFINITE); },
         [&] { return platform::WaitingThreadCount(never) == 1; }},
        {"sleep", 0, [] { Sleep(INFINITE); }, nullptr},
        {"critical section", 0, [&] { EnterCriticalSection(&cs); },
         [&] { return std::atomic_ref<LONG>(cs.LockCount).load() == 1; }},
        {"send", 0, [&] { SendMessageW(window.Hwnd(), WM_APP, 0, 0); }, nullptr},
        {"suspended", CREATE_SUSPENDED, [] {}, nullptr},
        {"catch-all that swallows the kill", 0, swallow, nullptr},
        {"pumping its own window", 0, pump, [&] { return IsWindow(pumpWindow); }},
    };
    DWORD code = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> started{false}, after{false};
        {
            LambdaThread t(
                [&] {
                    started = true;
                    c.block();
                    after = true;
                    return DWORD{0};
                },
                c.flags);
            ASSERT_TRUE(c.flags || SpinUntil([&] { return started && (!c.blocked || c.blocked()); }));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            t.KillAndExpectPromptEnd(++code);
        }
        EXPECT_FALSE(after);
        EXPECT_EQ(started.load(), !c.flags);
    }
    EXPECT_FALSE(IsWindow(pumpWindow));  // a killed thread loses its windows and its queue
    EXPECT_EQ(SendMessageW(pumpWindow, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_TRUE(FAILS_WITH(PostThreadMessageW(pumpThread, WM_APP, 0, 0), FALSE, ERROR_INVALID_THREAD_ID));
    EXPECT_EQ(platform::WaitingThreadCount(never), 0u);
    kstest::PumpPending();
    EXPECT_EQ(handled, 0);  // the withdrawn send never arrives
    LeaveCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the killed waiter was not granted it
    LeaveCriticalSection(&cs);
    CloseHandle(never);
    // A killed thread holds no lock, and what it does afterwards has no effect.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    std::atomic<bool> holding{false}, resume{false}, posted{false}, afterPost{false};
    LambdaThread t([&] {
        EnterCriticalSection(&cs);
        WaitForSingleObject(mutex, INFINITE);
        holding = true;
        while (!resume) {
        }                           // pure computation: the kill cannot stop it here
        LeaveCriticalSection(&cs);  // ignored: the section is no longer its own
        ReleaseMutex(mutex);
        posted = true;
        PostMessageW(window.Hwnd(), WM_APP, 0, 0);  // dropped, and the thread unwinds here
        afterPost = true;
        return DWORD{0};
    });
    ASSERT_TRUE(SpinUntil([&] { return holding.load(); }));
    t.KillAndExpectPromptEnd(1);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // free at once, and ours from now on
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    resume = true;
    ASSERT_TRUE(SpinUntil([&] { return posted.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(afterPost);
    kstest::PumpPending();
    EXPECT_EQ(handled, 0);
    // Its late Leave and ReleaseMutex did not take our holds away.
    EXPECT_FALSE(std::async(std::launch::async, [&] { return TryEnterCriticalSection(&cs); }).get());
    EXPECT_TRUE(ReleaseMutex(mutex));
    LeaveCriticalSection(&cs);
    CloseHandle(mutex);
    DeleteCriticalSection(&cs);
}

}  // namespace
