// The process's name space of named kernel objects (internal).
#pragma once

#include <memory>

#include "platform/base/error_codes.h"
#include "platform/kernel/handle.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/internal/waitable_object.h"
#include "platform/base/last_error.h"

namespace platform {

// With KernelLock held: the live object of that name, null when none.
std::shared_ptr<WaitableObject> FindNamedLocked(const WCHAR* name);
// With KernelLock held: enters an object under its name.
void RegisterNamedLocked(const WCHAR* name, const std::shared_ptr<WaitableObject>& object);

// The Create* pattern: opens the object of that name when there is one of
// kind T (ERROR_ALREADY_EXISTS), fails for one of another kind
// (ERROR_INVALID_HANDLE), else makes one with make() and prepares it with
// setUp(object), which returns true when the object already existed outside
// this process (ERROR_ALREADY_EXISTS as well). Unnamed objects skip the name space.
template <class T, class Make, class SetUp>
HANDLE CreateOrOpenNamed(const WCHAR* name, Make make, SetUp setUp)
{
    if (CheckPoint(CurrentThread())) return nullptr;
    bool named = name && *name;
    std::shared_ptr<T> object;
    bool existed = false;
    {
        std::lock_guard lock(KernelLock());
        if (named) {
            if (auto found = FindNamedLocked(name)) {
                object = std::dynamic_pointer_cast<T>(found);
                if (!object) {
                    SetLastError(ERROR_INVALID_HANDLE);
                    return nullptr;
                }
                existed = true;
            }
        }
        if (!object) {
            object = make();
            if (named) RegisterNamedLocked(name, object);
            existed = setUp(*object);
        }
    }
    HANDLE handle = AddHandle(object);
    if (handle) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

}  // namespace platform
