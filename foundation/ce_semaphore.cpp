#include "foundation/ce_semaphore.h"

#include "platform/kernel/sync_objects.h"

CeSemaphore::CeSemaphore(LONG maximumCount) : CeWaitableHandle(CreateSemaphoreW(nullptr, 0, maximumCount, nullptr)) {}

CeSemaphore::~CeSemaphore() { Close(); }

BOOL CeSemaphore::Release()
{
    HANDLE handle = GetHandle();
    if (handle == nullptr) return 0;
    return ReleaseSemaphore(handle, 1, nullptr);
}

LONG CeSemaphore::Release(LONG count)
{
    HANDLE handle = GetHandle();
    LONG previous = 0;
    if (handle == nullptr || !ReleaseSemaphore(handle, count, &previous)) return -1;
    return previous;
}
