// ManualClock: a clock source that stands still until the test moves it; while it lives it is the
// process-wide clock source (the one before comes back after).
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "platform/base/types.h"
#include "platform/kernel/clock_source.h"
#include "tests/support/test_windows.h"

class ManualClock : public platform::ClockSource {
public:
    ManualClock() : m_previous(platform::SetClockSource(this)) {}
    ~ManualClock() override { platform::SetClockSource(m_previous); }

    // Moves the time on by `ms`, which ends the waits whose time-out it passes.
    void Advance(DWORD ms)
    {
        m_movedMs += ms;
        platform::ClockAdvanced();
    }
    // Advances once a thread waits with a time-out and has seen the current time; fails the running test when
    // none does within ten seconds of real time.
    void AdvanceWhenWaiting(DWORD ms)
    {
        EXPECT_TRUE(kstest::SpinUntil([] { return platform::SettledTimedWaiters() > 0; }, 10000))
            << "no thread waited with a time-out";
        Advance(ms);
    }
    // Runs `body` while another thread advances the clock by each of `steps` in turn, once a thread waits.
    void AdvanceWhileRunning(std::initializer_list<DWORD> steps, const std::function<void()>& body)
    {
        std::thread keeper([&] {
            for (DWORD ms : steps) AdvanceWhenWaiting(ms);
        });
        body();
        keeper.join();
    }

    TimePoint Now() override { return m_start + std::chrono::milliseconds(m_movedMs.load()); }
    WallTimePoint WallTime() override { return m_wallStart + std::chrono::milliseconds(m_movedMs.load()); }
    bool RunsByItself() const override { return false; }

private:
    const TimePoint m_start = std::chrono::steady_clock::now();  // starts at the host's times
    const WallTimePoint m_wallStart = std::chrono::system_clock::now();
    std::atomic<std::int64_t> m_movedMs{0};
    platform::ClockSource* m_previous;
};
