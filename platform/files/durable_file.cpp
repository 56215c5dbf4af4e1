#include "platform/files/durable_file.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/base/error_codes.h"
#include "platform/files/device_paths.h"
#include "platform/files/internal/errno_mapping.h"
#include "platform/kernel/file_system.h"

namespace platform {

DWORD ReplaceFileContents(const WCHAR* devicePath, const void* data, size_t size)
{
    const ResolvedPath target = ResolveDevicePath(devicePath);
    if (target.error != ERROR_SUCCESS) return target.error;
    if (target.isRoot) return ERROR_ACCESS_DENIED;
    FileSystem& files = Files();
    const std::string temp = target.host + ".saving";
    OwnedFd fd(files.Open(temp, O_WRONLY | O_CREAT | O_TRUNC, 0666));
    if (!fd.Valid()) return ErrorFromErrno(errno, &temp);
    bool done = WriteAll(fd.Get(), data, size) && files.Sync(fd.Get()) == 0;
    fd.Reset();
    done = done && files.Rename(temp, target.host) == 0;
    // The rename itself is only durable once the folder is flushed; until
    // then a power cut may bring the old file back, so a failed flush fails
    // the save (the new content is in place, which the caller may not count on).
    const std::string folder = target.host.substr(0, target.host.find_last_of('/') + 1);
    done = done && (files.SyncFolder(folder) == 0 || errno == EINVAL);  // EINVAL: no flushing folders there
    if (!done) {
        const int error = errno;
        files.Unlink(temp);  // nothing to remove once renamed
        return ErrorFromErrno(error, &target.host);
    }
    return ERROR_SUCCESS;
}

SideFileLock::SideFileLock(const WCHAR* devicePath)
{
    const ResolvedPath target = ResolveDevicePath(devicePath);
    if (target.error != ERROR_SUCCESS || target.isRoot) return;
    OwnedFd fd(Files().Open(target.host + ".lock", O_RDWR | O_CREAT, 0666));
    if (fd.Valid() && Files().Lock(fd.Get(), LOCK_EX) == 0) m_fd = std::move(fd);  // closing drops the lock
}

}  // namespace platform
