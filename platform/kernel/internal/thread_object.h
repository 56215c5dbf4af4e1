// The kernel object behind a thread handle (internal).
#pragma once

#include <memory>

#include "platform/kernel/internal/waitable_object.h"
#include "platform/kernel/thread.h"

namespace platform {

class ThreadRecord;

// Signalled once the thread has ended; the exit code is STILL_ACTIVE until then.
class ThreadObject : public WaitableObject {
public:
    explicit ThreadObject(std::shared_ptr<ThreadRecord> rec) : record(std::move(rec)) {}

    bool TryAcquireLocked(ThreadRecord&, bool*) override { return ended; }

    // With KernelLock held: records the end and wakes the waiters; false when it had already ended.
    bool EndLocked(DWORD code)
    {
        if (ended) return false;
        ended = true;
        exitCode = code;
        OfferLocked();
        return true;
    }

    const std::shared_ptr<ThreadRecord> record;
    // Guarded by KernelLock().
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
};

// Whether the host thread behind a thread handle has returned from its start
// routine: a killed thread's handle is signalled before that (for tests that
// must not free what the killed thread may still touch).
bool HasHostThreadExited(HANDLE thread);

}  // namespace platform
