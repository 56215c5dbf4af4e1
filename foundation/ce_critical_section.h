// CeCriticalSection: owner of one platform critical section.
//
// The section is recursive on its owning thread. Leave may be called from a
// thread other than the one that entered (the worker's busy lock is taken on
// the owner's thread and handed back by the worker); leaving a free section
// does nothing.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/kernel/critical_section.h"

class KSTOOLS_API CeCriticalSection {
public:
    CeCriticalSection();
    ~CeCriticalSection();

    CeCriticalSection(const CeCriticalSection&) = delete;
    CeCriticalSection& operator=(const CeCriticalSection&) = delete;

    void Lock();
    void Enter() { Lock(); }
    void Leave();
    void Unlock() { Leave(); }
    // Nonzero when the calling thread holds the section afterwards (also when
    // it already held it); zero when another thread holds it. Never waits.
    BOOL TryLock();
    BOOL TryEnter() { return TryLock(); }

    // A copy of the platform structure, for inspecting its counters. The copy
    // refers to the same lock; it must not outlive this object.
    operator CRITICAL_SECTION() const;
    // The platform structure itself, for a platform::ScopedCriticalSection.
    LPCRITICAL_SECTION Section() { return &m_cs; }

private:
    CRITICAL_SECTION m_cs;
};
