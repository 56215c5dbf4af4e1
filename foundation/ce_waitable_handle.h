// CeWaitableHandle: holder of one waitable platform handle (null when none),
// with the waits and the close shared by the event, semaphore, mutex and
// thread wrappers.
//
// The handle member is atomic because another thread may close it while this
// one waits on it: an unbounded WaitFor re-reads it every 150 ms and gives up
// once it is null. Assigning one holder to another copies the handle value;
// both then refer to the same handle, and only one of them may close it.
// This base class never closes on destruction: the owners derived from it do.
#pragma once

#include <atomic>

#include "platform/base/export.h"
#include "platform/base/types.h"

class KSTOOLS_API CeWaitableHandle {
public:
    CeWaitableHandle() = default;
    explicit CeWaitableHandle(HANDLE handle) : m_handle(handle) {}
    CeWaitableHandle(const CeWaitableHandle& other) : m_handle(other.GetHandle()) {}
    CeWaitableHandle& operator=(const CeWaitableHandle& other);
    ~CeWaitableHandle() = default;

    // The platform wait result: WAIT_OBJECT_0 (0) when signalled, WAIT_TIMEOUT
    // (258) after `milliseconds`. With INFINITE the wait runs in 150 ms slices
    // and ends when the object is signalled or the handle has become null.
    // Returns WAIT_FAILED when there is no handle (from the start, or because
    // another thread closed it during an unbounded wait).
    DWORD WaitFor(DWORD milliseconds) const;

    // Waits while dispatching the calling thread's messages: each time a
    // message arrives, one is removed and dispatched and the wait starts again
    // with the full time-out. Returns the first result that is not "message
    // arrived"; WAIT_FAILED when there is no handle (any more).
    DWORD MsgWaitFor(DWORD milliseconds) const;

    // CloseHandle and null. The platform result; 0 when there was no handle.
    // Safe against a concurrent Close of the same holder: only one closes.
    BOOL Close();

    HANDLE GetHandle() const { return m_handle.load(std::memory_order_acquire); }
    operator HANDLE() const { return GetHandle(); }

protected:
    // Takes `handle` without closing the one held before.
    void SetHandle(HANDLE handle) { m_handle.store(handle, std::memory_order_release); }

private:
    std::atomic<HANDLE> m_handle{nullptr};
};
