// The kernel object behind a mutex handle (internal).
#pragma once

#include <memory>

#include "platform/kernel/internal/named_lock_file.h"
#include "platform/kernel/internal/waitable_object.h"

namespace platform {

class MutexObject : public WaitableObject, public std::enable_shared_from_this<MutexObject> {
public:
    explicit MutexObject(std::unique_ptr<NamedLockFile> file) : file_(std::move(file)) {}

    bool TryAcquireLocked(ThreadRecord& self, bool* abandoned) override;
    std::optional<SteadyClock::duration> PollIntervalLocked() const override;
    // One level of the calling thread's ownership; false when it is not the owner.
    bool ReleaseLocked(ThreadRecord& self);
    // Gives up ownership of a thread that ended or was killed.
    void AbandonLocked(ThreadRecord& owner);
    bool OpenElsewhere() const { return file_ && file_->OpenElsewhere(); }

private:
    void HandOverLocked();

    std::unique_ptr<NamedLockFile> file_;
    DWORD ownerId_ = 0;
    LONG recursion_ = 0;
    bool abandoned_ = false;
};

// With KernelLock held: abandons every mutex the thread owns.
void AbandonMutexesLocked(ThreadRecord& owner);

}  // namespace platform
