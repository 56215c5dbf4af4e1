#include "foundation/ce_critical_section.h"

#include <atomic>

CeCriticalSection::CeCriticalSection() : m_cs{} { InitializeCriticalSection(&m_cs); }

CeCriticalSection::~CeCriticalSection() { DeleteCriticalSection(&m_cs); }

void CeCriticalSection::Lock() { EnterCriticalSection(&m_cs); }

void CeCriticalSection::Leave() { LeaveCriticalSection(&m_cs); }

BOOL CeCriticalSection::TryLock() { return TryEnterCriticalSection(&m_cs); }

CeCriticalSection::operator CRITICAL_SECTION() const
{
    // The platform updates the fields while other threads enter and leave:
    // read each one whole.
    auto& cs = const_cast<CRITICAL_SECTION&>(m_cs);
    CRITICAL_SECTION copy{};
    copy.LockSemaphore = cs.LockSemaphore;
    copy.SpinCount = cs.SpinCount;
    copy.Lock = std::atomic_ref<platform::CriticalSectionLock*>(cs.Lock).load(std::memory_order_acquire);
    copy.LockCount = std::atomic_ref<LONG>(cs.LockCount).load(std::memory_order_relaxed);
    copy.RecursionCount = std::atomic_ref<LONG>(cs.RecursionCount).load(std::memory_order_relaxed);
    copy.OwningThread = std::atomic_ref<HANDLE>(cs.OwningThread).load(std::memory_order_relaxed);
    return copy;
}
