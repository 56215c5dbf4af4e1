// Objects that threads wait for, and the one wait routine behind every wait
// call (internal).
//
// The state of all waitable objects is guarded by one process-wide lock,
// KernelLock(), so a wait on several objects sees them consistently. A
// waiting thread registers a WaitBlock with each object it waits for; when an
// object changes state it offers itself to its waiters in arrival order
// (Offer), acquiring itself on a waiter's behalf where acquiring consumes
// something (auto-reset event, semaphore count, mutex ownership) and then
// waking that waiter. Pulses use the same offer with the event signalled for
// the duration of the offer only.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/kernel/handle.h"
#include "platform/kernel/internal/parker.h"

namespace platform {

class ThreadRecord;

std::mutex& KernelLock();

// One thread's participation in one wait.
struct WaitBlock {
    ThreadRecord* thread;
    int granted = -1;  // index of the object that satisfied the wait, -1 while none
    bool abandoned = false;
};

class WaitableObject : public KernelObject {
public:
    // With KernelLock held: satisfies a wait of `self` when the object's state
    // allows, consuming what the wait consumes. Sets *abandoned for a mutex
    // whose previous owner ended without releasing it.
    virtual bool TryAcquireLocked(ThreadRecord& self, bool* abandoned) = 0;
    // How soon a waiter must look again by itself (an object that changes
    // without telling, such as a lock held by another process); nullopt when
    // every change is offered.
    virtual std::optional<SteadyClock::duration> PollIntervalLocked() const { return std::nullopt; }

    void AddWaiterLocked(WaitBlock* block, int index) { waiters_.push_back({block, index}); }
    void RemoveWaiterLocked(WaitBlock* block);
    // Offers the object to its waiters in order until one offer fails (all
    // waiters of an object that stays signalled, one of an auto-reset event).
    void OfferLocked();
    size_t WaiterCountLocked() const { return waiters_.size(); }

private:
    struct Waiter {
        WaitBlock* block;
        int index;
    };
    std::vector<Waiter> waiters_;
};

// What a wait also watches besides its objects: the caller's message queue.
struct QueueWatch {
    DWORD wakeMask;
};

// The wait routine. Returns WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i,
// WAIT_OBJECT_0 + count (queue input, only with `queue`), WAIT_TIMEOUT, or
// WAIT_FAILED for a killed thread that is already unwinding. Throws
// ThreadKilled for a killed thread otherwise.
DWORD WaitForObjects(ThreadRecord& self, std::span<const std::shared_ptr<WaitableObject>> objects, DWORD ms,
                     const QueueWatch* queue);

// How many threads are waiting for the object behind a handle right now (for
// tests that must know a thread has started waiting); 0 for a bad handle.
size_t WaitingThreadCount(HANDLE handle);

}  // namespace platform
