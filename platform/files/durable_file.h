// Saving a whole file so that a crash never leaves it half written, and the
// lock that keeps two processes from saving one file at the same moment.
#pragma once

#include "platform/base/types.h"
#include "platform/kernel/file_system.h"

namespace platform {

// Replaces the content of the file at devicePath (a device path; its folder
// must exist) with data: the bytes go to "<name>.saving" in the same folder,
// which is flushed and renamed over the file, and then the folder is flushed.
// A process killed at any moment leaves either the old or the new content.
// The caller holds a SideFileLock on the path, so the temporary name is its
// own. ERROR_SUCCESS or the platform's error code.
DWORD ReplaceFileContents(const WCHAR* devicePath, const void* data, size_t size);

// An exclusive advisory lock on the side file "<name>.lock" next to the file
// at devicePath, shared by every process (flock: the system drops it when the
// holder dies). Blocks until the lock is had; Held() is false only when the
// side file cannot be made (read-only folder): callers go on unlocked.
class SideFileLock {
public:
    explicit SideFileLock(const WCHAR* devicePath);
    bool Held() const { return m_fd.Valid(); }

private:
    OwnedFd m_fd;
};

}  // namespace platform
