// CeWorkerThread: runs, Start and Stop, kills, the busy lock, and the owner window.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "foundation/ce_worker_thread.h"
#include "platform/kernel/scoped_critical_section.h"
#include "platform/kernel/thread.h"
#include "platform/messaging/messages.h"
#include "tests/foundation/recording_window.h"
#include "tests/support/manual_clock.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kHeartbeat = WM_APP + 10;
constexpr UINT kQuestion = WM_APP + 11;  // sent by bodies to their window
constexpr DWORD kShortStopTimeout = 300;

class TestWorker : public CeWorkerThread {
public:
    using Body = std::function<DWORD(TestWorker&)>;
    TestWorker(HWND window, DWORD stopTimeout, Body body, bool autoDelete = false)
        : CeWorkerThread(autoDelete, window, stopTimeout), body_(std::move(body))
    {}
    ~TestWorker() override { Stop(true); }

    DWORD ThreadProc() override
    {
        if (inBody.exchange(true)) ++overlaps;  // the previous body has not left yet
        struct Leave {
            std::atomic<bool>& inBody;
            ~Leave() { inBody = false; }
        } leave{inBody};
        ++bodyRuns;
        bodyThread = GetCurrentThreadId();
        return lastResult = body_(*this);
    }
    void OnStop() override { ++onStops; }
    void OnSuspend() override { hooks += "S"; }
    void OnResume() override { hooks += "R"; }
    void OnKill() override { hooks += "K"; }
    void PostKill() override
    {
        hooks += inBody ? "p" : "P";  // p: beside a body that has not left
        exitCodeAtPostKill = GetExitCode();
    }
    bool StopEventSet() { return GetStopEvent()->IsSet(); }
    HANDLE ThreadHandle() const { return m_hThread.GetHandle(); }
    // True when another thread can take the busy lock at once.
    bool BusyLockFree()
    {
        bool taken = false;
        std::thread([&] {
            taken = platform::ScopedCriticalSection(m_busyLock.Section(), std::try_to_lock).Acquired();
        }).join();
        return taken;
    }

    std::atomic<int> bodyRuns{0}, onStops{0}, overlaps{0};
    std::atomic<bool> inBody{false};
    std::atomic<DWORD> bodyThread{0}, lastResult{0}, exitCodeAtPostKill{0};
    std::string hooks;  // owner thread only

private:
    Body body_;
};

class CeWorkerThreadTest : public ::testing::Test {
protected:
    bool PumpUntilDone(size_t count, DWORD ms = 5000)
    {
        return kstest::PumpUntil([&] { return window.Count(WM_WORKER_DONE) >= count; }, ms);
    }
    bool PumpUntil(const std::function<bool()>& done) { return kstest::PumpUntil(done, 2000); }
    RecordingWindow window;
};

TEST_F(CeWorkerThreadTest, CompletedRunReportsAndStopOnAnIdleWorkerReturnsAtOnce)
{
    TestWorker worker(window.Handle(), kShortStopTimeout, [](TestWorker&) -> DWORD { return 42; });
    auto stopWhileIdle = [&](bool pump) {
        auto start = Clock::now();
        worker.Stop(pump);
        EXPECT_LT(MillisecondsSince(start), 100);
        EXPECT_FALSE(worker.StopEventSet());
        EXPECT_FALSE(worker.IsStopSet());
        EXPECT_TRUE(worker.BusyLockFree());
        EXPECT_EQ(worker.onStops, 0);
        EXPECT_EQ(worker.hooks, "");
    };
    EXPECT_EQ(worker.RunInline(), 0u);  // no thread id recorded yet: the body does not run
    stopWhileIdle(true);
    ASSERT_EQ(worker.Start(), 1);
    ASSERT_TRUE(PumpUntilDone(1));
    auto done = window.All(WM_WORKER_DONE)[0];
    EXPECT_EQ(done.wParam, 42u);
    EXPECT_EQ(static_cast<DWORD>(done.lParam), worker.GetId());
    EXPECT_EQ(worker.bodyThread, worker.GetId());
    EXPECT_TRUE(PumpUntil([&] { return worker.ThreadHandle() == nullptr; }));
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.GetExitCode(), 0xFFFFFFFFu);  // no handle any more
    stopWhileIdle(false);

    EXPECT_EQ(worker.RunInline(), 42u);  // on the caller, reporting the last id
    EXPECT_EQ(worker.bodyThread, GetCurrentThreadId());
    ASSERT_TRUE(PumpUntilDone(2));
    EXPECT_EQ(window.All(WM_WORKER_DONE)[1].lParam, done.lParam);
    PumpFor(50);
    EXPECT_EQ(window.Count(WM_WORKER_DONE), 2u);
}

// Each run answers the stop by sending to the window: only a pumping wait lets it end unkilled.
TEST_F(CeWorkerThreadTest, PumpingStartAndStopServeABodyThatSendsToTheWindow)
{
    auto body = [&](TestWorker& w) -> DWORD {
        while (!w.StopEventSet()) Sleep(1);
        return static_cast<DWORD>(SendMessageW(window.Handle(), kQuestion, 0, 0));
    };
    window.Reply(kQuestion, 17);
    TestWorker worker(window.Handle(), kShortStopTimeout, body);
    ASSERT_EQ(worker.Start(), 1);
    ASSERT_TRUE(PumpUntil([&] { return worker.IsRunning(); }));
    DWORD firstId = worker.GetId();
    ASSERT_EQ(worker.Start(), 1);  // stops the running worker first
    EXPECT_EQ(worker.onStops, 1);
    EXPECT_NE(worker.GetId(), firstId);
    ASSERT_TRUE(PumpUntilDone(1));
    EXPECT_EQ(window.All(WM_WORKER_DONE)[0].wParam, 17u);
    EXPECT_EQ(static_cast<DWORD>(window.All(WM_WORKER_DONE)[0].lParam), firstId);
    worker.Stop(true);
    ASSERT_TRUE(PumpUntilDone(2));
    EXPECT_EQ(window.All(WM_WORKER_DONE)[1].wParam, 17u);
    EXPECT_EQ(static_cast<DWORD>(window.All(WM_WORKER_DONE)[1].lParam), worker.GetId());
    EXPECT_EQ(worker.bodyRuns, 2);
    EXPECT_EQ(worker.hooks, "");  // stopped, never killed
    TestWorker deaf(window.Handle(), kShortStopTimeout, body);
    ASSERT_EQ(deaf.Start(), 1);
    deaf.Stop(false);  // without pumping the two threads wait for each other until the kill
    EXPECT_EQ(deaf.hooks, "KP");
    PumpFor(50);
    EXPECT_EQ(window.Count(kQuestion), 2u);  // the withdrawn question never arrives
    EXPECT_EQ(window.Count(WM_WORKER_DONE), 2u);
}

// The killed body computes on past the kill: the kill waits for it to leave, so that neither
// PostKill nor the next run meets it. The stop's time-out passes on a manual clock.
TEST_F(CeWorkerThreadTest, BodyThatNeverPollsIsKilledAfterTheTimeOutAndSendsNothingLater)
{
    HWND target = window.Handle();
    std::atomic<bool> computing{true}, stopped{false};
    TestWorker worker(target, kShortStopTimeout, [&](TestWorker& w) -> DWORD {
        PostMessageW(target, kHeartbeat, 1, 0);
        if (w.bodyRuns > 1) return 0;
        while (computing) {
        }  // computes: no platform call to stop it at
        PostMessageW(target, kHeartbeat, 2, 0);
        return 5;
    });
    ASSERT_EQ(worker.Start(), 1);
    ASSERT_TRUE(PumpUntil([&] { return window.Count(kHeartbeat) == 1; }));
    {
        ManualClock clock;
        std::thread timeKeeper([&] {
            for (DWORD ms : {1u, 1u, kShortStopTimeout - 1, 1u}) clock.AdvanceWhenWaiting(ms);  // pauses, time-out
            kstest::SpinUntil([&] { return stopped.load(); }, 50);  // a kill that did not wait would end the stop
            computing = false;
        });
        worker.Stop(true);
        stopped = true;
        timeKeeper.join();
    }
    EXPECT_EQ(worker.hooks, "KP");
    EXPECT_EQ(worker.exitCodeAtPostKill, 1u);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.ThreadHandle(), nullptr);
    EXPECT_FALSE(worker.StopEventSet());
    EXPECT_TRUE(worker.BusyLockFree());
    PumpFor(100);
    EXPECT_EQ(window.Count(kHeartbeat), 1u);  // unwound at its next platform call
    EXPECT_EQ(window.Count(WM_WORKER_DONE), 0u);
    ASSERT_EQ(worker.Start(), 1);  // usable again at once
    ASSERT_TRUE(PumpUntil([&] { return window.Count(kHeartbeat) >= 2; }));
    EXPECT_EQ(worker.overlaps, 0);
}

TEST_F(CeWorkerThreadTest, ThousandStartStopCyclesWithThePumpingWindowThread)
{
    std::atomic<DWORD> nextResult{0}, taken{0};  // taken: result + 1 of the run that started last
    TestWorker worker(window.Handle(), 2000, [&](TestWorker& w) -> DWORD {
        DWORD result = nextResult;
        taken = result + 1;
        if (result % 3 == 0) return result;  // some runs end before they are stopped
        bool byFlag = result % 4 == 1;       // some watch the stop-requested flag instead of the event
        while (!(byFlag ? w.IsStopSet() : w.StopEventSet())) Sleep(1);
        return result;
    });
    constexpr DWORD kCycles = 1000;
    for (DWORD cycle = 0; cycle < kCycles; ++cycle) {
        nextResult = cycle;
        ASSERT_EQ(worker.Start(), 1) << cycle;
        while (taken != cycle + 1) Sleep(0);
        if (cycle % 2 == 0) worker.Stop(true);  // odd cycles are stopped by the next Start
    }
    worker.Stop(true);
    ASSERT_TRUE(PumpUntilDone(kCycles, 10000)) << window.Count(WM_WORKER_DONE);
    PumpFor(100);
    std::set<WPARAM> results;
    std::set<LPARAM> ids;
    for (const auto& m : window.All(WM_WORKER_DONE)) {
        results.insert(m.wParam);
        ids.insert(m.lParam);
    }
    EXPECT_EQ(window.Count(WM_WORKER_DONE), kCycles);
    EXPECT_EQ(results.size(), kCycles);
    EXPECT_EQ(*results.rbegin(), kCycles - 1);
    EXPECT_EQ(ids.size(), kCycles);
    EXPECT_EQ(worker.hooks, "");
    EXPECT_TRUE(worker.BusyLockFree());
}

TEST_F(CeWorkerThreadTest, KillExitAndPostsToTheThreadAndToTheWindow)
{
    TestWorker worker(window.Handle(), kShortStopTimeout, [](TestWorker&) -> DWORD {
        for (;;) Sleep(2);
    });
    EXPECT_EQ(worker.Kill(5), 0);  // no thread: nothing terminated, the hooks run all the same
    EXPECT_EQ(worker.hooks, "KP");
    ASSERT_EQ(worker.Start(), 1);
    ASSERT_TRUE(PumpUntil([&] { return worker.bodyRuns > 0; }));
    EXPECT_EQ(worker.GetExitCode(), STILL_ACTIVE);
    EXPECT_NE(worker.Kill(5), 0);
    EXPECT_EQ(worker.hooks, "KPKP");
    EXPECT_EQ(worker.exitCodeAtPostKill, 5u);
    EXPECT_TRUE(worker.BusyLockFree());

    TestWorker exiting(window.Handle(), kShortStopTimeout, [](TestWorker& w) -> DWORD {
        struct Computing {  // unwinds after the exit, without calling the platform
            ~Computing()
            {
                for (auto start = Clock::now(); MillisecondsSince(start) < 100;) {
                }
            }
        } computing;
        w.Exit(5);
        return 7;  // not reached
    });
    ASSERT_EQ(exiting.Start(), 1);
    ASSERT_TRUE(PumpUntilDone(1));
    EXPECT_EQ(window.All(WM_WORKER_DONE)[0].wParam, 0u);
    EXPECT_EQ(window.All(WM_WORKER_DONE)[0].lParam, 0);
    EXPECT_TRUE(PumpUntil([&] { return exiting.ThreadHandle() == nullptr && exiting.BusyLockFree(); }));
    auto start = Clock::now();
    ASSERT_EQ(exiting.Start(), 1);  // nothing left to stop
    EXPECT_LT(MillisecondsSince(start), 200);
    ASSERT_TRUE(PumpUntilDone(2));
    EXPECT_EQ(exiting.hooks, "");
    EXPECT_EQ(exiting.overlaps, 0);  // the second run began after the first one had unwound

    TestWorker poster(nullptr, kShortStopTimeout, [](TestWorker&) -> DWORD {
        MSG msg;
        return GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message == WM_APP + 20 ? static_cast<DWORD>(msg.wParam) : 0;
    });
    EXPECT_EQ(poster.PostThreadMessageW(WM_APP + 20, 3, 0), 0);  // no thread id yet
    EXPECT_EQ(poster.PostWindowMessage(WM_APP + 21, 0, 0), 0);   // no window
    ASSERT_EQ(poster.Start(), 1);
    EXPECT_NE(poster.PostThreadMessageW(WM_APP + 20, 23, 0), 0);
    poster.WaitForComplete();
    EXPECT_EQ(poster.lastResult, 23u);
}

TEST_F(CeWorkerThreadTest, StartFlagsPriorityFailuresAutoDeleteAndDestructorKill)
{
    TestWorker worker(window.Handle(), kShortStopTimeout, [](TestWorker& w) -> DWORD {
        while (!w.StopEventSet()) Sleep(1);
        return 0;
    });
    ASSERT_EQ(worker.Start(THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED), 1);
    Sleep(50);
    EXPECT_EQ(worker.bodyRuns, 0);
    EXPECT_EQ(worker.GetPriority(), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_TRUE(worker.SetPriority(THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(worker.GetPriority(), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(worker.Suspend(), 1u);  // on top of the creation's suspension
    EXPECT_EQ(worker.Resume(), 2u);
    Sleep(20);
    EXPECT_EQ(worker.bodyRuns, 0);
    EXPECT_EQ(worker.Resume(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return worker.bodyRuns == 1; }));
    EXPECT_EQ(worker.Pause(), 0u);  // the body stops at its next check point and so misses the stop
    worker.Stop(true);
    EXPECT_EQ(worker.hooks, "SRRSKP");
    EXPECT_EQ(worker.Pause(), 0xFFFFFFFFu);  // no thread
    EXPECT_FALSE(worker.SetPriority(THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(worker.GetPriority(), THREAD_PRIORITY_ERROR_RETURN);
    worker.hooks.clear();
    ASSERT_EQ(worker.Start(), 1);
    ASSERT_EQ(worker.Start(99), 0);  // a refused priority fails the start, but the run goes on
    ASSERT_TRUE(PumpUntil([&] { return worker.bodyRuns == 3; }));
    worker.Stop(true);
    EXPECT_EQ(worker.hooks, "");
    // A thread that cannot be created keeps the busy lock until the next Start.
    EXPECT_EQ(worker.Start(THREAD_PRIORITY_NORMAL, SIZE_T(1) << 50), 0);
    EXPECT_EQ(worker.ThreadHandle(), nullptr);
    EXPECT_FALSE(worker.BusyLockFree());
    ASSERT_EQ(worker.Start(), 1);
    worker.Stop(true);
    EXPECT_TRUE(PumpUntil([&] { return worker.BusyLockFree(); }));

    static std::atomic<int> destroyed, derivedPostKills, beats;
    destroyed = derivedPostKills = beats = 0;
    class Disposable : public TestWorker {
    public:
        using TestWorker::TestWorker;
        ~Disposable() override { ++destroyed; }
    };
    auto* disposable = new Disposable(
        window.Handle(), kShortStopTimeout, [](TestWorker&) -> DWORD { return 4; }, true);
    ASSERT_EQ(disposable->Start(), 1);
    EXPECT_TRUE(PumpUntil([&] { return destroyed == 1; }));  // deletes itself when its run ends
    {
        class Careless : public CeWorkerThread {  // does not stop its own thread
        public:
            DWORD ThreadProc() override
            {
                for (;; Sleep(2)) ++beats;
            }
            void PostKill() override { ++derivedPostKills; }
        } careless;
        ASSERT_EQ(careless.Start(), 1);
        ASSERT_TRUE(PumpUntil([&] { return beats > 0; }));
    }
    int beatsAtDestruction = beats;
    Sleep(50);
    EXPECT_LE(beats - beatsAtDestruction, 1);  // the base destructor killed the run
    EXPECT_EQ(derivedPostKills, 0);            // with the base hooks: the derived part is gone
}

}  // namespace

TEST(CeWorkerThreadDeathTest, EscapingExceptionEndsTheProcessWithCode0AfterPostKillButKillAndExitDoNot)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    class Throwing : public CeWorkerThread {
    public:
        DWORD ThreadProc() override { throw std::runtime_error("broken record"); }
        void PostKill() override { std::fprintf(stderr, "post-kill ran\n"); }
    };
    EXPECT_EXIT(
        {
            Throwing worker;
            worker.Start();
            Sleep(5000);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "post-kill ran");
    // Kill and Exit unwind with the platform's own exception, not an escaping one.
    EXPECT_EXIT(
        {
            TestWorker killed(nullptr, 100, [](TestWorker&) -> DWORD {
                for (;;) Sleep(2);
            });
            killed.Start();
            killed.Stop(false);
            TestWorker exiting(nullptr, 100, [](TestWorker& w) -> DWORD {
                w.Exit(2);
                return 0;
            });
            exiting.Start();
            exiting.WaitForComplete();
            Sleep(200);
            std::fprintf(stderr, "survived\n");
            std::_Exit(7);
        },
        ::testing::ExitedWithCode(7), "survived");
}
