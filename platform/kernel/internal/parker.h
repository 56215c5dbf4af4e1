// A thread's single wake-up point.
//
// Every blocking call of the platform layer (waits, Sleep, critical sections,
// message retrieval, SendMessageW) parks its thread here, and everything that
// can end such a block (a signalled object, a posted or sent message, a kill,
// a resume) unparks it. The waiter takes a ticket, checks its condition, and
// parks with that ticket; an unpark that happens after the ticket was taken
// makes the park return at once, so no wake-up is lost between check and park.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

using SteadyClock = std::chrono::steady_clock;
constexpr SteadyClock::time_point kNever = SteadyClock::time_point::max();

class Parker {
public:
    std::uint64_t Prepare()
    {
        std::lock_guard lock(mutex_);
        return sequence_;
    }

    // Returns when unparked after `ticket` was taken or when the installed
    // clock source (platform/kernel/clock_source.h) reaches `until`. A park
    // with a time-out is listed while it lasts, so that ClockAdvanced can wake
    // it when a source that does not run by itself moves.
    void Park(std::uint64_t ticket, SteadyClock::time_point until = kNever)
    {
        if (until != kNever) return ParkUntil(ticket, until);
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return sequence_ != ticket; });
    }

    void Unpark()
    {
        {
            std::lock_guard lock(mutex_);
            ++sequence_;
        }
        wake_.notify_one();
    }

    // Makes a park in progress look at the clock again (the clock moved).
    // Taking the lock first orders this after a waiter's look at the clock:
    // that waiter is waiting by now, so the notification reaches it.
    void Nudge()
    {
        {
            std::lock_guard lock(mutex_);
        }
        wake_.notify_all();
    }

private:
    void ParkUntil(std::uint64_t ticket, SteadyClock::time_point until);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t sequence_ = 0;
};

// The point in time `ms` milliseconds from now on the installed clock source;
// kNever for INFINITE.
SteadyClock::time_point DeadlineAfter(std::uint32_t ms);

}  // namespace platform
