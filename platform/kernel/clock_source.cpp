// The process-wide clock source and the host's clock.
#include "platform/kernel/clock_source.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>

namespace platform {
namespace {

std::atomic<ClockSource*> g_installedSource{nullptr};
// Held shared by every reading, exclusively while the source changes, so that
// a source is never replaced (and destroyed) in the middle of a reading.
std::shared_mutex g_sourceInUse;

ClockSource& HostSource()
{
    static auto* source = new HostClockSource;  // never destroyed: usable during exit
    return *source;
}

}  // namespace

ClockSource::~ClockSource() = default;

ClockSource::TimePoint HostClockSource::Now() { return std::chrono::steady_clock::now(); }

ClockSource::WallTimePoint HostClockSource::WallTime() { return std::chrono::system_clock::now(); }

ClockSource* SetClockSource(ClockSource* source)
{
    ClockSource* previous;
    {
        std::unique_lock<std::shared_mutex> lock(g_sourceInUse);
        previous = g_installedSource.exchange(source);
    }
    ClockAdvanced();  // waiters measured against the old source look again
    return previous;
}

ClockSource& CurrentClockSource()
{
    ClockSource* source = g_installedSource.load();
    return source ? *source : HostSource();
}

ClockSource::TimePoint ClockNow(bool* runsByItself)
{
    std::shared_lock<std::shared_mutex> lock(g_sourceInUse);
    ClockSource& source = CurrentClockSource();
    if (runsByItself) *runsByItself = source.RunsByItself();
    return source.Now();
}

ClockSource::TimePoint ClockNow() { return ClockNow(nullptr); }

ClockSource::WallTimePoint ClockWallTime()
{
    std::shared_lock<std::shared_mutex> lock(g_sourceInUse);
    return CurrentClockSource().WallTime();
}

}  // namespace platform
