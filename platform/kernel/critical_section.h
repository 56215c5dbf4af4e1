// Critical sections: recursive locks that behave like two-state tokens.
//
// - Recursive on the owning thread: Enter on the owner only counts up.
// - TryEnterCriticalSection never waits.
// - LeaveCriticalSection from ANY thread releases one level, so a section
//   taken on one thread can be handed back by another (the worker's busy
//   lock). Leaving a section that is free does nothing.
// - A section owned by a thread killed with TerminateThread is released at
//   the kill (see docs/ARCHITECTURE.md, "Threads and termination"); a later
//   LeaveCriticalSection from another thread (the PostKill of a worker) then
//   finds it free and does nothing. LeaveCriticalSection on the killed thread
//   itself is ignored, so nothing is released twice.
// - EnterCriticalSection and TryEnterCriticalSection on a killed thread unwind
//   it with platform::ThreadKilled.
//
// The structure may be copied (the copy refers to the same lock). Its public
// fields are a snapshot kept for inspection: LockCount is -1 when free, else
// the number of threads waiting; RecursionCount the owner's depth; OwningThread
// the owner's thread id (as a handle-sized value), null when free. A zero-filled
// structure is a valid, free section that initialises itself on first use.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

namespace platform {
class CriticalSectionLock;  // the lock behind the structure (internal)
}

struct CRITICAL_SECTION {
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;                 // unused, kept for the structure's shape
    DWORD_PTR SpinCount;                  // unused
    platform::CriticalSectionLock* Lock;  // shared by every copy of the structure
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
using PCRITICAL_SECTION = CRITICAL_SECTION*;

KSTOOLS_API void InitializeCriticalSection(LPCRITICAL_SECTION cs);
// Frees the lock. Deleting a section that is still held or waited for leaves
// the lock alive (never a dangling pointer in another thread) but detaches it.
KSTOOLS_API void DeleteCriticalSection(LPCRITICAL_SECTION cs);
KSTOOLS_API void EnterCriticalSection(LPCRITICAL_SECTION cs);
KSTOOLS_API void LeaveCriticalSection(LPCRITICAL_SECTION cs);
// Nonzero when the calling thread now owns the section (also when it already
// did); zero when another thread holds it. Never waits.
KSTOOLS_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
