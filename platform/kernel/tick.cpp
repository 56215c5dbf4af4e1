#include "platform/kernel/tick.h"

#include <sched.h>

#include <chrono>

#include "platform/kernel/clock_source.h"
#include "platform/kernel/internal/parker.h"
#include "platform/kernel/internal/thread_record.h"

namespace platform {

SteadyClock::time_point DeadlineAfter(std::uint32_t ms)
{
    if (ms == INFINITE) return kNever;
    return ClockNow() + std::chrono::milliseconds(ms);
}

}  // namespace platform

DWORD GetTickCount()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(platform::ClockNow().time_since_epoch());
    return static_cast<DWORD>(static_cast<std::uint64_t>(ms.count()));
}

void Sleep(DWORD ms)
{
    auto& self = platform::CurrentThread();
    if (platform::CheckPoint(self)) return;
    if (ms == 0) {
        sched_yield();
        return;
    }
    auto deadline = platform::DeadlineAfter(ms);
    for (;;) {
        auto ticket = self.parker.Prepare();
        if (platform::CheckPoint(self)) return;
        if (platform::ClockNow() >= deadline) return;
        self.parker.Park(ticket, deadline);
    }
}
