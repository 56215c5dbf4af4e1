#include "foundation/ce_waitable_handle.h"

#include "platform/kernel/handle.h"
#include "platform/messaging/messages.h"
#include "platform/kernel/sync_objects.h"

namespace {

// Slice of an unbounded wait: how late a close by another thread is noticed.
constexpr DWORD kInfiniteWaitSlice = 150;

// Wake mask of the message wait: every kind of input.
constexpr DWORD kWakeOnAllInput = 0x7F;

}  // namespace

CeWaitableHandle& CeWaitableHandle::operator=(const CeWaitableHandle& other)
{
    SetHandle(other.GetHandle());
    return *this;
}

DWORD CeWaitableHandle::WaitFor(DWORD milliseconds) const
{
    HANDLE handle = GetHandle();
    if (handle == nullptr) return WAIT_FAILED;
    if (milliseconds != INFINITE) return WaitForSingleObject(handle, milliseconds);

    while (handle != nullptr) {
        DWORD result = WaitForSingleObject(handle, kInfiniteWaitSlice);
        if (result != WAIT_TIMEOUT) {
            // A failure caused by another thread closing or replacing the
            // handle is not final: look at the member again. A failure on
            // a handle that is still ours would repeat forever: report it.
            HANDLE now = GetHandle();
            if (result != WAIT_FAILED || now == handle) return result;
        }
        handle = GetHandle();
    }
    return WAIT_FAILED;
}

DWORD CeWaitableHandle::MsgWaitFor(DWORD milliseconds) const
{
    HANDLE handle = GetHandle();
    while (handle != nullptr) {
        DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, milliseconds, kWakeOnAllInput, 0);
        if (result != WAIT_OBJECT_0 + 1) return result;
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        handle = GetHandle();
    }
    return WAIT_FAILED;
}

BOOL CeWaitableHandle::Close()
{
    HANDLE handle = m_handle.exchange(nullptr, std::memory_order_acq_rel);
    if (handle == nullptr) return 0;
    return CloseHandle(handle);
}
