#include <vector>

#include "platform/base/error_codes.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/kernel/internal/thread_object.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/internal/waitable_object.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"

namespace platform {
namespace {

// The waitable objects behind the handles; false (ERROR_INVALID_HANDLE) when
// one is not a waitable handle.
bool ResolveWaitables(DWORD count, const HANDLE* handles, std::vector<std::shared_ptr<WaitableObject>>* out)
{
    for (DWORD i = 0; i < count; ++i) {
        std::shared_ptr<WaitableObject> object;
        if (handles[i] == GetCurrentThread())
            object = CurrentThread().object.lock();
        else
            object = LookupHandleAs<WaitableObject>(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        out->push_back(std::move(object));
    }
    return true;
}

}  // namespace

size_t WaitingThreadCount(HANDLE handle)
{
    auto object = LookupHandleAs<WaitableObject>(handle);
    if (!object) return 0;
    std::lock_guard lock(KernelLock());
    return object->WaiterCountLocked();
}

}  // namespace platform

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    auto& self = platform::CurrentThread();
    if (platform::CheckPoint(self)) return WAIT_FAILED;
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles || waitAll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<platform::WaitableObject>> objects;
    if (!platform::ResolveWaitables(count, handles, &objects)) return WAIT_FAILED;
    return platform::WaitForObjects(self, objects, milliseconds, nullptr);
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask, DWORD flags)
{
    auto& self = platform::CurrentThread();
    if (platform::CheckPoint(self)) return WAIT_FAILED;
    if (count >= MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles) || (flags & MWMO_WAITALL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<platform::WaitableObject>> objects;
    if (!platform::ResolveWaitables(count, handles, &objects)) return WAIT_FAILED;
    platform::EnsureQueue(self);
    platform::QueueWatch watch{wakeMask};
    return platform::WaitForObjects(self, objects, milliseconds, &watch);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask)
{
    return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, waitAll ? MWMO_WAITALL : 0);
}
