// CeMutex: owner of one named platform mutex, shared with other processes
// that use the same name.
#pragma once

#include "foundation/ce_waitable_handle.h"
#include "platform/base/types.h"

class CeMutex : public CeWaitableHandle {
public:
    CeMutex() = default;  // no handle until Create
    ~CeMutex();           // releases (see Release)

    CeMutex(const CeMutex&) = delete;
    CeMutex& operator=(const CeMutex&) = default;  // copies the handle value

    // Takes ownership of the mutex called `name` (created when it does not
    // exist), waiting up to `timeout` ms for another owner to let go, with the
    // calling thread's messages dispatched during the wait when `pump` is set.
    // Returns 0 when the calling thread owns the mutex, else the wait result
    // (WAIT_TIMEOUT 258 when another owner kept it, WAIT_FAILED when it could
    // not be created). A mutex left behind by an owner that ended without
    // releasing it is owned all the same and gives 0.
    // When a handle is already held (a retry after a time-out), it is waited
    // on first and Create returns that wait's result unless it is 0; either
    // way the caller owns one level of the mutex after a 0.
    DWORD Create(LPCWSTR name, DWORD timeout, bool pump);

    // ReleaseMutex, then closes the handle. The ReleaseMutex result; 0 when
    // there is no handle or the calling thread does not own the mutex.
    BOOL Release();

private:
    DWORD Wait(DWORD timeout, bool pump) const;
};
