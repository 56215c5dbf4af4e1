// ScopedCriticalSection: holds a critical section for the length of a scope.
//
// The waiting form enters the section (EnterCriticalSection); the trying
// form (std::try_to_lock) never waits and holds the section only when
// Acquired() says so. The destructor leaves what was taken and nothing else,
// so a failed try never releases a section another thread holds.
//
// Safe while a kill unwinds the thread: the kill has released the sections
// the thread held, and LeaveCriticalSection on a killed thread does nothing
// (see docs/ARCHITECTURE.md, "Threads and termination").
#pragma once

#include <mutex>

#include "platform/kernel/critical_section.h"

namespace platform {

class ScopedCriticalSection {
public:
    explicit ScopedCriticalSection(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ScopedCriticalSection(CRITICAL_SECTION* cs, std::try_to_lock_t) : cs_(TryEnterCriticalSection(cs) ? cs : nullptr) {}
    ~ScopedCriticalSection()
    {
        if (cs_) LeaveCriticalSection(cs_);
    }
    ScopedCriticalSection(const ScopedCriticalSection&) = delete;
    ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

    bool Acquired() const { return cs_ != nullptr; }

private:
    CRITICAL_SECTION* cs_;
};

}  // namespace platform
