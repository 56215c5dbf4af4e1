#include <algorithm>
#include <atomic>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/clock_source.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/messaging/internal/window_table.h"
#include "platform/messaging/messages.h"

namespace platform {
namespace {

constexpr DWORD kMinimumPeriod = 10;
constexpr DWORD kMaximumPeriod = 0x7FFFFFFF;

}  // namespace

bool AddTimer(ThreadRecord& owner, const QueueTimer& timer)
{
    {
        std::lock_guard lock(owner.queue.mutex);
        if (owner.queue.dead) return false;
        auto& timers = owner.queue.timers;
        auto it = std::find_if(timers.begin(), timers.end(),
                               [&](const QueueTimer& t) { return t.hwnd == timer.hwnd && t.id == timer.id; });
        if (it != timers.end())
            *it = timer;
        else
            timers.push_back(timer);
    }
    owner.parker.Unpark();  // its wait may have to end sooner now
    return true;
}

bool RemoveTimer(ThreadRecord& owner, HWND hwnd, UINT_PTR id)
{
    std::lock_guard lock(owner.queue.mutex);
    return std::erase_if(owner.queue.timers, [&](const QueueTimer& t) { return t.hwnd == hwnd && t.id == id; }) > 0;
}

TIMERPROC FindTimerProc(ThreadRecord& owner, HWND hwnd, UINT_PTR id)
{
    std::lock_guard lock(owner.queue.mutex);
    for (auto& t : owner.queue.timers)
        if (t.hwnd == hwnd && t.id == id) return t.proc;
    return nullptr;
}

UINT_PTR NewThreadTimerId()
{
    static std::atomic<UINT_PTR> next{0x7FF0};
    return next.fetch_add(1);
}

}  // namespace platform

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    auto& self = platform::CurrentThread();
    if (platform::CheckPoint(self)) return 0;
    DWORD period = std::clamp<DWORD>(elapse, platform::kMinimumPeriod, platform::kMaximumPeriod);
    std::shared_ptr<platform::ThreadRecord> owner;
    UINT_PTR timerId = id;
    if (hwnd) {
        platform::WindowTarget target;
        if (!platform::FindWindowTarget(hwnd, &target)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        owner = target.owner;
    } else {
        owner = self.shared_from_this();
        platform::EnsureQueue(self);
        // A thread timer is replaced when the id names one; otherwise a new id is made.
        std::lock_guard lock(self.queue.mutex);
        bool known = id && std::any_of(self.queue.timers.begin(), self.queue.timers.end(),
                                       [&](const platform::QueueTimer& t) { return !t.hwnd && t.id == id; });
        if (!known) timerId = platform::NewThreadTimerId();
    }
    platform::QueueTimer timer{hwnd, timerId, period, platform::ClockNow() + std::chrono::milliseconds(period), proc};
    if (!platform::AddTimer(*owner, timer)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return timerId ? timerId : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& self = platform::CurrentThread();
    if (self.killed) return FALSE;
    std::shared_ptr<platform::ThreadRecord> owner;
    if (hwnd) {
        platform::WindowTarget target;
        if (!platform::FindWindowTarget(hwnd, &target)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        owner = target.owner;
    } else {
        owner = self.shared_from_this();
    }
    if (!platform::RemoveTimer(*owner, hwnd, id)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
