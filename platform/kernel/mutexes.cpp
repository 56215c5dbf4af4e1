#include <algorithm>

#include "platform/base/error_codes.h"
#include "platform/kernel/internal/mutex_object.h"
#include "platform/kernel/internal/named_objects.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"

namespace platform {

bool MutexObject::TryAcquireLocked(ThreadRecord& self, bool* abandoned)
{
    if (ownerId_ == self.id) {
        ++recursion_;
        return true;
    }
    if (ownerId_ != 0) return false;
    if (file_ && !file_->TryLock()) return false;  // held by another process
    ownerId_ = self.id;
    recursion_ = 1;
    self.mutexes.push_back(shared_from_this());
    if (abandoned) *abandoned = abandoned_;
    abandoned_ = false;
    return true;
}

std::optional<SteadyClock::duration> MutexObject::PollIntervalLocked() const
{
    // Only another process can hold a free-looking mutex; it does not tell us when it lets go.
    if (file_ && ownerId_ == 0) return std::chrono::milliseconds(10);
    return std::nullopt;
}

void MutexObject::HandOverLocked()
{
    ownerId_ = 0;
    recursion_ = 0;
    OfferLocked();  // a waiter of this process takes over the file lock as it is
    if (ownerId_ == 0 && file_) file_->Unlock();
}

bool MutexObject::ReleaseLocked(ThreadRecord& self)
{
    if (ownerId_ != self.id) return false;
    if (--recursion_ > 0) return true;
    auto keep = shared_from_this();
    auto it = std::find(self.mutexes.begin(), self.mutexes.end(), keep);
    if (it != self.mutexes.end()) self.mutexes.erase(it);
    HandOverLocked();
    return true;
}

void MutexObject::AbandonLocked(ThreadRecord& owner)
{
    if (ownerId_ != owner.id) return;
    abandoned_ = true;
    HandOverLocked();
}

void AbandonMutexesLocked(ThreadRecord& owner)
{
    auto owned = std::move(owner.mutexes);
    owner.mutexes.clear();
    for (auto& mutex : owned) mutex->AbandonLocked(owner);
}

}  // namespace platform

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name)
{
    auto& self = platform::CurrentThread();
    return platform::CreateOrOpenNamed<platform::MutexObject>(
        name,
        [&] {
            return std::make_shared<platform::MutexObject>(name && *name ? platform::NamedLockFile::Open(name)
                                                                         : nullptr);
        },
        [&](platform::MutexObject& mutex) {
            // A mutex another process has open is not ours to take at creation.
            if (mutex.OpenElsewhere()) return true;
            if (initialOwner && !mutex.TryAcquireLocked(self, nullptr)) return true;
            return false;
        });
}

BOOL ReleaseMutex(HANDLE mutex)
{
    auto& self = platform::CurrentThread();
    if (self.killed) return FALSE;
    auto object = platform::LookupHandleAs<platform::MutexObject>(mutex);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(platform::KernelLock());
    if (!object->ReleaseLocked(self)) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
