// The cross-process side of a named mutex (internal).
//
// Two files in the lock directory per name: "<name>.open", on which every
// process that has the mutex open holds a shared lock (so a process can tell
// whether another one has it open), and "<name>.owner", on which the process
// whose thread owns the mutex holds an exclusive lock. Locks are flock()
// locks, so they vanish with the process that held them.
#pragma once

#include <memory>
#include <string>

#include "platform/base/types.h"

namespace platform {

class NamedLockFile {
public:
    // Null when the lock directory cannot be made or used; the mutex is then
    // only shared within this process.
    static std::unique_ptr<NamedLockFile> Open(const WCHAR* name);
    ~NamedLockFile();
    NamedLockFile(const NamedLockFile&) = delete;
    NamedLockFile& operator=(const NamedLockFile&) = delete;

    // Whether another process had the mutex open when this one opened it.
    bool OpenElsewhere() const { return openElsewhere_; }
    // Takes the owner lock without waiting; true also when this process holds it already.
    bool TryLock();
    void Unlock();

private:
    NamedLockFile(int openFd, int ownerFd, bool openElsewhere)
        : openFd_(openFd), ownerFd_(ownerFd), openElsewhere_(openElsewhere)
    {}

    int openFd_;
    int ownerFd_;
    bool openElsewhere_;
    bool locked_ = false;
};

// The file-name form of an object name: UTF-8, with '/', '%', control
// characters and a leading '.' written as %XX, shortened with a hash when long.
std::string LockFileStem(const WCHAR* name);

}  // namespace platform
