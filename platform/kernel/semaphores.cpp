#include "platform/base/error_codes.h"
#include "platform/kernel/internal/named_objects.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/internal/waitable_object.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"

namespace platform {
namespace {

class SemaphoreObject : public WaitableObject {
public:
    SemaphoreObject(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}

    bool TryAcquireLocked(ThreadRecord&, bool*) override
    {
        if (count_ == 0) return false;
        --count_;
        return true;
    }

    bool ReleaseLocked(LONG n, LONG* previous)
    {
        if (n <= 0 || n > maximum_ - count_) return false;
        if (previous) *previous = count_;
        count_ += n;
        OfferLocked();
        return true;
    }

private:
    LONG count_;
    const LONG maximum_;
};

}  // namespace
}  // namespace platform

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCWSTR name)
{
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return platform::CreateOrOpenNamed<platform::SemaphoreObject>(
        name, [&] { return std::make_shared<platform::SemaphoreObject>(initialCount, maximumCount); },
        [](platform::SemaphoreObject&) { return false; });
}

BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount)
{
    if (platform::CurrentThread().killed) return FALSE;
    auto object = platform::LookupHandleAs<platform::SemaphoreObject>(semaphore);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(platform::KernelLock());
    if (!object->ReleaseLocked(releaseCount, previousCount)) {
        SetLastError(releaseCount <= 0 ? ERROR_INVALID_PARAMETER : ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    return TRUE;
}
