#include "platform/kernel/internal/waitable_object.h"

#include <algorithm>
#include <exception>

#include "platform/kernel/clock_source.h"
#include "platform/kernel/internal/mutex_object.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/sync_objects.h"
#include "platform/messaging/internal/message_queue.h"

namespace platform {

std::mutex& KernelLock()
{
    static auto* lock = new std::mutex;  // never destroyed: see the handle table
    return *lock;
}

void WaitableObject::RemoveWaiterLocked(WaitBlock* block)
{
    std::erase_if(waiters_, [block](const Waiter& w) { return w.block == block; });
}

void WaitableObject::OfferLocked()
{
    for (auto& w : waiters_) {
        if (w.block->granted >= 0 || w.block->thread->killed) continue;
        bool abandoned = false;
        if (!TryAcquireLocked(*w.block->thread, &abandoned)) break;
        w.block->granted = w.index;
        w.block->abandoned = abandoned;
        w.block->thread->parker.Unpark();
    }
}

namespace {

DWORD Outcome(const WaitBlock& block)
{
    return static_cast<DWORD>(block.granted) + (block.abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0);
}

// Registration of one wait with its objects, undone on every way out.
class WaitRegistration {
public:
    WaitRegistration(ThreadRecord& self, std::span<const std::shared_ptr<WaitableObject>> objects) : objects_(objects)
    {
        block_.thread = &self;
    }
    ~WaitRegistration()
    {
        if (!registered_) return;
        std::lock_guard lock(KernelLock());
        UnregisterLocked();
    }

    // With KernelLock held: the outcome when the wait is satisfied now, else
    // registers (once) and returns nullopt.
    std::optional<DWORD> PollLocked()
    {
        if (block_.granted >= 0) return Outcome(block_);
        for (size_t i = 0; i < objects_.size(); ++i) {
            bool abandoned = false;
            if (objects_[i]->TryAcquireLocked(*block_.thread, &abandoned)) {
                block_.granted = static_cast<int>(i);
                block_.abandoned = abandoned;
                return Outcome(block_);
            }
        }
        if (!registered_) {
            for (size_t i = 0; i < objects_.size(); ++i) objects_[i]->AddWaiterLocked(&block_, static_cast<int>(i));
            registered_ = true;
        }
        return std::nullopt;
    }

    // Ends the wait with `result` unless an object was granted meanwhile (the
    // grant consumed it, so it must be reported).
    DWORD Finish(DWORD result)
    {
        std::lock_guard lock(KernelLock());
        UnregisterLocked();
        if (block_.granted >= 0) {
            if (block_.thread->killed) AbandonMutexesLocked(*block_.thread);
            return Outcome(block_);
        }
        return result;
    }

    SteadyClock::time_point PollTimeLocked(SteadyClock::time_point until) const
    {
        for (auto& object : objects_)
            if (auto interval = object->PollIntervalLocked()) until = std::min(until, ClockNow() + *interval);
        return until;
    }

private:
    void UnregisterLocked()
    {
        if (!registered_) return;
        for (auto& object : objects_) object->RemoveWaiterLocked(&block_);
        registered_ = false;
    }

    std::span<const std::shared_ptr<WaitableObject>> objects_;
    WaitBlock block_{};
    bool registered_ = false;
};

}  // namespace

DWORD WaitForObjects(ThreadRecord& self, std::span<const std::shared_ptr<WaitableObject>> objects, DWORD ms,
                     const QueueWatch* queue)
{
    if (CheckPoint(self)) return WAIT_FAILED;
    const auto deadline = DeadlineAfter(ms);
    const auto inputResult = static_cast<DWORD>(WAIT_OBJECT_0 + objects.size());
    WaitRegistration registration(self, objects);
    for (;;) {
        auto ticket = self.parker.Prepare();
        if (self.killed) {
            registration.Finish(WAIT_FAILED);
            ThrowIfKilled(self);
            return WAIT_FAILED;
        }
        SteadyClock::time_point wakeAt;
        {
            std::lock_guard lock(KernelLock());
            if (auto outcome = registration.PollLocked()) return *outcome;
            wakeAt = registration.PollTimeLocked(deadline);
        }
        if (queue) {
            bool ranSent = ProcessSentMessages(self);
            if ((ranSent && (queue->wakeMask & QS_SENDMESSAGE)) || HasInput(self, queue->wakeMask))
                return registration.Finish(inputResult);
            if (queue->wakeMask & QS_TIMER) wakeAt = std::min(wakeAt, NextTimerDue(self));
            if (ranSent) continue;  // a procedure may have changed what we wait for
        }
        if (ClockNow() >= deadline) return registration.Finish(WAIT_TIMEOUT);
        self.parker.Park(ticket, wakeAt);
    }
}

}  // namespace platform
