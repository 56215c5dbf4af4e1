// CeSemaphore: owner of one unnamed platform semaphore whose count starts at
// 0. The destructor closes the handle.
#pragma once

#include "foundation/ce_waitable_handle.h"
#include "platform/base/types.h"

class CeSemaphore : public CeWaitableHandle {
public:
    explicit CeSemaphore(LONG maximumCount);
    ~CeSemaphore();

    CeSemaphore(const CeSemaphore&) = delete;
    CeSemaphore& operator=(const CeSemaphore&) = default;  // copies the handle value

    // Raises the count by one; the platform result.
    BOOL Release();
    // Raises the count by `count` and returns the count before; -1 when the
    // release fails (no handle, or the count would pass the maximum, in which
    // case the count is left as it was).
    LONG Release(LONG count);
};
