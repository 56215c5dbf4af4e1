#include "foundation/ce_mutex.h"

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"

CeMutex::~CeMutex() { Release(); }

DWORD CeMutex::Wait(DWORD timeout, bool pump) const
{
    DWORD result = pump ? MsgWaitFor(timeout) : WaitFor(timeout);
    // The owner ended without releasing: the mutex is ours now all the same.
    return result == WAIT_ABANDONED ? WAIT_OBJECT_0 : result;
}

DWORD CeMutex::Create(LPCWSTR name, DWORD timeout, bool pump)
{
    bool ownedBefore = false;
    if (GetHandle() != nullptr) {
        DWORD result = Wait(timeout, pump);
        if (result != WAIT_OBJECT_0) return result;
        ownedBefore = true;
    }

    // A stale error code from an earlier call must not pass for "already exists".
    SetLastError(ERROR_SUCCESS);
    HANDLE created = CreateMutexW(nullptr, TRUE, name);
    DWORD error = GetLastError();
    // The new handle replaces the one held before; both refer to the same
    // mutex, so the old one is closed (which does not give up ownership).
    HANDLE previous = GetHandle();
    SetHandle(created);
    if (previous != nullptr) CloseHandle(previous);

    if (created != nullptr && error != ERROR_INVALID_HANDLE && error != ERROR_ALREADY_EXISTS) return WAIT_OBJECT_0;
    // Someone else has it (or the creation failed: then the wait on the null
    // handle reports WAIT_FAILED).
    DWORD result = Wait(timeout, pump);
    // Taken through the old handle and again through the new one: keep one
    // level, so that one Release lets other owners in.
    if (result == WAIT_OBJECT_0 && ownedBefore) ReleaseMutex(GetHandle());
    return result;
}

BOOL CeMutex::Release()
{
    HANDLE handle = GetHandle();
    if (handle == nullptr) return 0;
    BOOL released = ReleaseMutex(handle);
    Close();
    return released;
}
