// The clock source: where the platform layer reads the time.
//
// The tick count, Sleep, every wait with a time-out, message timers and the
// wall-clock time (GetSystemTime and the rest of platform/time/clock.h) read
// one process-wide clock source. It is the host's clock unless a test installs
// another one, such as a manual clock that stands still until the test moves
// it: then a wait with a time-out ends when the clock is moved past it, not
// when real time passes, while everything else that ends a wait (a set event,
// a posted message, a kill) still ends it at once.
//
// Pinning "now" (KSTOOLS_NOW, platform::SetPinnedNow) is a setting on top of
// the source: it fixes the wall-clock time that platform/time/clock.h reports
// and leaves the monotonic time running.
#pragma once

#include <chrono>
#include <cstddef>

namespace platform {

class ClockSource {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using WallTimePoint = std::chrono::system_clock::time_point;

    virtual ~ClockSource();
    // The monotonic time behind GetTickCount, Sleep, time-outs and timers.
    virtual TimePoint Now() = 0;
    // The wall-clock time (platform/time/clock.h turns it into FILETIME).
    virtual WallTimePoint WallTime() = 0;
    // Whether the time passes by itself, in step with the host's steady clock.
    // A clock that does not must call ClockAdvanced whenever it moves.
    virtual bool RunsByItself() const = 0;
};

// The host's steady clock and system clock.
class HostClockSource final : public ClockSource {
public:
    TimePoint Now() override;
    WallTimePoint WallTime() override;
    bool RunsByItself() const override { return true; }
};

// Installs `source` as the process-wide clock source (null restores the host's
// clock) and returns the one installed before (null when that was the host's).
// It waits until no call is reading the old source, so once it returns the old
// source may be destroyed; threads waiting with a time-out look at the new
// source at once. (A source must not call SetClockSource from its own members.)
ClockSource* SetClockSource(ClockSource* source);
// The source in use. Calls made through this reference are not protected
// against the source being replaced; ClockNow and ClockWallTime are.
ClockSource& CurrentClockSource();

// The installed source's readings.
ClockSource::TimePoint ClockNow();
ClockSource::WallTimePoint ClockWallTime();
// ClockNow, and whether the source runs by itself, read together.
ClockSource::TimePoint ClockNow(bool* runsByItself);

// Tells the threads waiting with a time-out that the time moved, so that they
// look at it again. Called by clock sources that do not run by itself.
void ClockAdvanced();
// How many threads are waiting with a time-out and have looked at the time
// since it last moved (for tests that move a manual clock once a thread waits).
size_t SettledTimedWaiters();

}  // namespace platform
