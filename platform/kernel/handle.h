// Kernel handles.
//
// Every kernel object (event, semaphore, mutex, thread, and the file and
// database objects of other parts of the platform layer) lives behind a HANDLE
// from one process-wide table. A handle value carries a slot number and a
// generation number, so a closed or stale handle is recognised and refused
// (ERROR_INVALID_HANDLE) instead of reaching a reused slot. Objects are
// reference counted: an operation in progress (a wait, a read) keeps its
// object alive even when another thread closes the handle meanwhile.
#pragma once

#include <memory>
#include <typeinfo>

#include "platform/base/export.h"
#include "platform/base/types.h"

namespace platform {

// Base of every object that a HANDLE can refer to.
class KSTOOLS_API KernelObject {
public:
    virtual ~KernelObject();
};

// Enters an object into the handle table. Returns null (ERROR_NOT_ENOUGH_MEMORY)
// when the table is full.
KSTOOLS_API HANDLE AddHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle; null (ERROR_INVALID_HANDLE set) for null,
// INVALID_HANDLE_VALUE, closed, stale or garbage values.
KSTOOLS_API std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

// The object behind a handle when it is a T, else null. An object of exactly
// type T is recognised by its type alone (calls on a handle look it up every
// time); the reference taken by the lookup is the one handed back.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    std::shared_ptr<KernelObject> object = LookupHandle(handle);
    KernelObject* raw = object.get();
    if (!raw) return nullptr;
    T* typed = typeid(*raw) == typeid(T) ? static_cast<T*>(raw) : dynamic_cast<T*>(raw);
    if (!typed) return nullptr;
    return std::shared_ptr<T>(std::move(object), typed);
}

// Number of open handles (for leak checks in tests).
KSTOOLS_API size_t OpenHandleCount();

}  // namespace platform

// Closes a handle of any kind. Closing a thread handle does not stop the thread.
// FALSE with ERROR_INVALID_HANDLE for a handle that is not open.
KSTOOLS_API BOOL CloseHandle(HANDLE handle);
