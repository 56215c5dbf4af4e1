// Parks with a time-out, and the list of them that a moving clock wakes.
#include "platform/kernel/internal/parker.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/kernel/clock_source.h"

namespace platform {
namespace {

// One park with a time-out in progress. `seen` is the clock generation the
// parker last compared its deadline with, before it waited.
struct TimedPark {
    Parker* parker;
    std::atomic<std::uint64_t> seen{~std::uint64_t{0}};
};

// The parks with a time-out in progress; guarded by g_timedMutex, which is
// taken before any parker's own lock, never after.
std::mutex g_timedMutex;
std::vector<TimedPark*> g_timedParks;
// Moves on each time the clock is said to have moved.
std::atomic<std::uint64_t> g_clockGeneration{0};

class TimedParkRegistration {
public:
    explicit TimedParkRegistration(Parker& parker) : park_{&parker}
    {
        std::lock_guard lock(g_timedMutex);
        g_timedParks.push_back(&park_);
    }
    ~TimedParkRegistration()
    {
        std::lock_guard lock(g_timedMutex);
        std::erase(g_timedParks, &park_);
    }
    TimedParkRegistration(const TimedParkRegistration&) = delete;
    TimedParkRegistration& operator=(const TimedParkRegistration&) = delete;

    void Saw(std::uint64_t generation) { park_.seen = generation; }

private:
    TimedPark park_;
};

}  // namespace

void Parker::ParkUntil(std::uint64_t ticket, SteadyClock::time_point until)
{
    // Registered before the parker's lock is taken and removed after it is
    // let go, so that ClockAdvanced (which takes the list's lock, then this
    // parker's) never waits for a lock held by a parker waiting for the list.
    TimedParkRegistration registration(*this);
    std::unique_lock lock(mutex_);
    while (sequence_ == ticket) {
        // The generation is read before the time: a move after this reading
        // nudges this parker once it waits.
        const std::uint64_t generation = g_clockGeneration.load();
        bool runsByItself = true;
        if (ClockNow(&runsByItself) >= until) return;
        registration.Saw(generation);
        if (runsByItself)
            wake_.wait_until(lock, until);
        else
            wake_.wait(lock);  // until unparked or nudged by ClockAdvanced
    }
}

void ClockAdvanced()
{
    std::lock_guard lock(g_timedMutex);
    g_clockGeneration.fetch_add(1);
    for (TimedPark* park : g_timedParks) park->parker->Nudge();
}

size_t SettledTimedWaiters()
{
    std::lock_guard lock(g_timedMutex);
    const std::uint64_t current = g_clockGeneration.load();
    return static_cast<size_t>(
        std::count_if(g_timedParks.begin(), g_timedParks.end(), [&](TimedPark* p) { return p->seen == current; }));
}

}  // namespace platform
