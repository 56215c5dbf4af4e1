#include "platform/files/durable_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/files/device_paths.h"
#include "platform/files/internal/errno_mapping.h"

namespace platform {
namespace {

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t put = write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

DWORD ReplaceFileContents(const WCHAR* devicePath, const void* data, size_t size)
{
    const ResolvedPath target = ResolveDevicePath(devicePath);
    if (target.error != ERROR_SUCCESS) return target.error;
    if (target.isRoot) return ERROR_ACCESS_DENIED;
    const std::string temp = target.host + ".saving";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return ErrorFromErrno(errno, &temp);
    bool written = WriteAll(fd, static_cast<const char*>(data), size) && fsync(fd) == 0;
    int error = errno;
    close(fd);
    if (!written || rename(temp.c_str(), target.host.c_str()) != 0) {
        if (written) error = errno;
        unlink(temp.c_str());
        return ErrorFromErrno(error, &target.host);
    }
    // The rename itself is only durable once the folder is flushed.
    const std::string folder = target.host.substr(0, target.host.find_last_of('/') + 1);
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return ERROR_SUCCESS;
}

SideFileLock::SideFileLock(const WCHAR* devicePath)
{
    const ResolvedPath target = ResolveDevicePath(devicePath);
    if (target.error != ERROR_SUCCESS || target.isRoot) return;
    m_fd = open((target.host + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) return;
    while (flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

SideFileLock::~SideFileLock()
{
    if (m_fd >= 0) close(m_fd);  // closing drops the lock
}

}  // namespace platform
