// ScopedDataLock: a loader's data lock (CKSDataThread::TryLockData) held for
// the length of a scope.
//
// It never waits: loads and adders give up at once when another thread holds
// the lock, so Acquired() must be checked. The destructor gives back only a
// lock it took, so a failed try never frees the holder's lock (the lock may be
// left from any thread). Unlock gives it back before the scope ends, for a
// report that must find the list free.
//
// Safe while a kill unwinds the loader's thread: the kill has released the
// lock already, and a release on a killed thread does nothing.
#pragma once

#include "engine/ks_data_thread.h"

class ScopedDataLock {
public:
    explicit ScopedDataLock(CKSDataThread& loader) : m_loader(loader.TryLockData() ? &loader : nullptr) {}
    ~ScopedDataLock() { Unlock(); }
    ScopedDataLock(const ScopedDataLock&) = delete;
    ScopedDataLock& operator=(const ScopedDataLock&) = delete;

    bool Acquired() const { return m_loader != nullptr; }
    void Unlock()
    {
        if (m_loader) m_loader->UnlockData();
        m_loader = nullptr;
    }

private:
    CKSDataThread* m_loader;
};
