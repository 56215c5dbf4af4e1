#include "platform/kernel/critical_section.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/kernel/internal/critical_section_lock.h"
#include "platform/kernel/internal/thread_record.h"

namespace platform {

// The shared state of a critical section and of all copies of its structure.
// Reference counted: the structure holds one reference, each call in
// progress one, and the owner thread's list of owned sections one.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION* shown) : shown_(shown) {}

    void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release()
    {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    void Enter(ThreadRecord& self);
    bool TryEnter(ThreadRecord& self);
    void Leave();
    // Frees the section if `owner` still owns it. Returns true when it did.
    bool ReleaseIfOwnedBy(ThreadRecord& owner);
    void Detach()
    {
        std::lock_guard lock(mutex_);
        shown_ = nullptr;
    }

private:
    // With mutex_ held.
    void AcquireLocked(ThreadRecord& self);
    // Wakes the waiters (under the lock: a waiter cannot leave while it is
    // held, so its record is alive). The owner reference is handed out to be
    // dropped after unlocking.
    void FreeLocked(std::shared_ptr<ThreadRecord>* formerOwner);
    void ShowLocked();

    std::atomic<int> refs_{1};
    std::mutex mutex_;
    CRITICAL_SECTION* shown_;  // the structure whose public fields mirror the state
    DWORD ownerId_ = 0;
    // The owner, kept alive while it owns the section (its list of owned
    // sections must stay reachable for a release from another thread).
    std::shared_ptr<ThreadRecord> owner_;
    LONG recursion_ = 0;
    std::vector<ThreadRecord*> waiters_;
};

namespace {

// Removes one entry for `lock` from the thread's owned list; true when found.
bool RemoveOwned(ThreadRecord& rec, CriticalSectionLock* lock)
{
    std::lock_guard guard(rec.sectionsMutex);
    auto it = std::find(rec.sections.begin(), rec.sections.end(), lock);
    if (it == rec.sections.end()) return false;
    rec.sections.erase(it);
    return true;
}

// The lock of a structure, made on first use for a zero-filled structure, with
// a reference for the caller.
CriticalSectionLock* AcquireLockOf(CRITICAL_SECTION* cs)
{
    if (!cs) return nullptr;
    std::atomic_ref<CriticalSectionLock*> slot(cs->Lock);
    CriticalSectionLock* lock = slot.load(std::memory_order_acquire);
    if (!lock) {
        auto* fresh = new CriticalSectionLock(cs);
        if (slot.compare_exchange_strong(lock, fresh, std::memory_order_acq_rel))
            lock = fresh;
        else
            fresh->Release();
    }
    lock->AddRef();
    return lock;
}

// Holds a reference to a section's lock for the length of a call.
class LockReference {
public:
    explicit LockReference(CRITICAL_SECTION* cs) : lock_(AcquireLockOf(cs)) {}
    ~LockReference()
    {
        if (lock_) lock_->Release();
    }
    LockReference(const LockReference&) = delete;
    LockReference& operator=(const LockReference&) = delete;
    CriticalSectionLock* operator->() const { return lock_; }
    explicit operator bool() const { return lock_ != nullptr; }

private:
    CriticalSectionLock* lock_;
};

}  // namespace

void CriticalSectionLock::ShowLocked()
{
    if (!shown_) return;
    std::atomic_ref<LONG>(shown_->LockCount)
        .store(ownerId_ ? static_cast<LONG>(waiters_.size()) : -1, std::memory_order_relaxed);
    std::atomic_ref<LONG>(shown_->RecursionCount).store(recursion_, std::memory_order_relaxed);
    std::atomic_ref<HANDLE>(shown_->OwningThread)
        .store(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(ownerId_)), std::memory_order_relaxed);
}

void CriticalSectionLock::AcquireLocked(ThreadRecord& self)
{
    ownerId_ = self.id;
    owner_ = self.shared_from_this();
    recursion_ = 1;
    AddRef();  // the owner's list entry
    {
        std::lock_guard guard(self.sectionsMutex);
        self.sections.push_back(this);
    }
    ShowLocked();
}

void CriticalSectionLock::FreeLocked(std::shared_ptr<ThreadRecord>* formerOwner)
{
    ownerId_ = 0;
    *formerOwner = std::move(owner_);
    recursion_ = 0;
    ShowLocked();
    for (auto* waiter : waiters_) waiter->parker.Unpark();
}

void CriticalSectionLock::Enter(ThreadRecord& self)
{
    std::unique_lock lock(mutex_);
    if (ownerId_ == self.id) {
        ++recursion_;
        ShowLocked();
        return;
    }
    if (ownerId_ == 0) {
        AcquireLocked(self);
        return;
    }
    waiters_.push_back(&self);
    ShowLocked();
    for (;;) {
        auto ticket = self.parker.Prepare();
        lock.unlock();
        self.parker.Park(ticket);
        lock.lock();
        if (self.killed || ownerId_ == 0) {
            waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &self));
            if (self.killed) {
                ShowLocked();
                lock.unlock();
                ThrowIfKilled(self);
                return;  // already unwinding: give up without the section
            }
            AcquireLocked(self);
            return;
        }
    }
}

bool CriticalSectionLock::TryEnter(ThreadRecord& self)
{
    std::lock_guard lock(mutex_);
    if (ownerId_ == self.id) {
        ++recursion_;
        ShowLocked();
        return true;
    }
    if (ownerId_ != 0) return false;
    AcquireLocked(self);
    return true;
}

void CriticalSectionLock::Leave()
{
    std::shared_ptr<ThreadRecord> formerOwner;
    bool dropEntry = false;
    {
        std::lock_guard lock(mutex_);
        if (ownerId_ == 0) return;  // free: nothing to release
        if (--recursion_ > 0) {
            ShowLocked();
            return;
        }
        dropEntry = RemoveOwned(*owner_, this);
        FreeLocked(&formerOwner);
    }
    if (dropEntry) Release();
}

bool CriticalSectionLock::ReleaseIfOwnedBy(ThreadRecord& owner)
{
    std::shared_ptr<ThreadRecord> formerOwner;
    {
        std::lock_guard lock(mutex_);
        if (ownerId_ != owner.id) return false;
        FreeLocked(&formerOwner);
    }
    return true;
}

void ReleaseSectionsOfKilledThread(ThreadRecord& rec)
{
    std::vector<CriticalSectionLock*> owned;
    {
        std::lock_guard guard(rec.sectionsMutex);
        owned.swap(rec.sections);
    }
    for (auto* lock : owned) {
        lock->ReleaseIfOwnedBy(rec);
        lock->Release();  // the list entry's reference
    }
}

}  // namespace platform

using platform::CurrentThread;
using platform::LockReference;

void InitializeCriticalSection(LPCRITICAL_SECTION cs)
{
    if (!cs) return;
    *cs = CRITICAL_SECTION{-1, 0, nullptr, nullptr, 0, new platform::CriticalSectionLock(cs)};
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs)
{
    if (!cs) return;
    auto* lock = std::atomic_ref<platform::CriticalSectionLock*>(cs->Lock).exchange(nullptr);
    if (!lock) return;
    lock->Detach();
    lock->Release();  // the structure's reference; an owner or waiter keeps the lock alive
}

void EnterCriticalSection(LPCRITICAL_SECTION cs)
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self)) return;
    LockReference lock(cs);
    if (lock) lock->Enter(self);
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs)
{
    if (CurrentThread().killed) return;
    LockReference lock(cs);
    if (lock) lock->Leave();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs)
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self)) return FALSE;
    LockReference lock(cs);
    return lock && lock->TryEnter(self) ? TRUE : FALSE;
}
