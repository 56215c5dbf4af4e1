// Sections: Helpers; Open files; Folders; Deleting, moving and copying; Attributes.

#include "platform/files/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/device_paths.h"
#include "platform/files/internal/errno_mapping.h"
#include "platform/kernel/file_system.h"
#include "platform/kernel/handle.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"

// ---- Helpers ----

namespace platform {
namespace {

// Hidden, system and archive bits have no host counterpart; they are kept in
// an extended attribute. Read-only is the host's owner write permission.
constexpr const char* kAttributeName = "user.kstools.attributes";
constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

class FileObject : public KernelObject {
public:
    FileObject(int fd, bool canRead, bool canWrite, std::string host)
        : fd(fd), canRead(canRead), canWrite(canWrite), host(std::move(host))
    {}
    ~FileObject() override { Files().Close(fd); }

    const int fd;
    const bool canRead;
    const bool canWrite;
    const std::string host;
};

template <class T>
T Fail(DWORD error, T result)
{
    SetLastError(error);
    return result;
}

// Fails with the error of errno, for a call on hostPath (nothing for a call on
// an open descriptor).
BOOL FailErrno(const std::string* hostPath = nullptr) { return Fail(ErrorFromErrno(errno, hostPath), FALSE); }

// Resolves a path that must name an existing entry.
bool ResolveExisting(LPCWSTR path, ResolvedPath& resolved)
{
    resolved = ResolveDevicePath(path);
    if (resolved.error != ERROR_SUCCESS) return Fail(resolved.error, false);
    if (!resolved.exists) return Fail(ERROR_FILE_NOT_FOUND, false);
    return true;
}

bool IsReadOnly(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

std::shared_ptr<FileObject> LookupFile(HANDLE file)
{
    auto object = LookupHandleAs<FileObject>(file);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

void SetStoredAttributes(const std::string& host, DWORD attributes)
{
    attributes &= kStoredAttributes;
    if (attributes) {
        const std::string text = std::to_string(attributes);
        setxattr(host.c_str(), kAttributeName, text.data(), text.size(), 0);  // best effort
    } else {
        removexattr(host.c_str(), kAttributeName);
    }
}

FILETIME FromStatx(const statx_timestamp& t) { return FileTimeFromHost(t.tv_sec, t.tv_nsec); }

// A handle for an opened descriptor, with lastError as the last error.
HANDLE AddFile(int fd, bool canRead, bool canWrite, std::string host, DWORD lastError)
{
    HANDLE handle = AddHandle(std::make_shared<FileObject>(fd, canRead, canWrite, std::move(host)));
    if (!handle) return INVALID_HANDLE_VALUE;  // the table is full; the object closed the descriptor
    SetLastError(lastError);
    return handle;
}

// Copies the bytes of one open file to another.
bool CopyBytes(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = Files().Read(from, buffer, sizeof buffer, -1);
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteAll(to, buffer, static_cast<size_t>(got))) return false;
    }
}

}  // namespace

FILETIME FileTimeFromHost(long long seconds, long nanoseconds)
{
    return platform::MakeFileTime(
        static_cast<std::uint64_t>(seconds * kFileTimeUnitsPerSecond + nanoseconds / 100 + kFileTimeUnitsOf1970));
}

DWORD HostFileAttributes(const char* hostPath)
{
    struct stat info {};
    if (Files().Stat(hostPath, &info) != 0) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = 0;
    char text[16] = {};
    const ssize_t length = getxattr(hostPath, kAttributeName, text, sizeof text - 1);
    if (length > 0) attributes = static_cast<DWORD>(std::strtoul(text, nullptr, 10)) & kStoredAttributes;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnly(info)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace platform

using namespace platform;

// ---- Open files ----

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD /*shareMode*/, LPSECURITY_ATTRIBUTES /*security*/, DWORD creation,
                   DWORD flagsAndAttributes, HANDLE /*templateFile*/)
{
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING ||
        (creation == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    const bool canRead = (access & GENERIC_READ) != 0;
    const bool canWrite = (access & GENERIC_WRITE) != 0;
    const int openAccess = canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (creation == OPEN_EXISTING) {
        // Most opens name an existing file in its own spelling: opening that
        // host path at once spares the walk through the components. A
        // folder or a read-only file opened for writing, and every failure,
        // take the walk below, which refuses them.
        std::string exact = ExactHostPath(path);
        const int fd = exact.empty() ? -1 : Files().Open(exact, openAccess, 0);
        struct stat info {};
        if (fd >= 0 && Files().StatOpen(fd, &info) == 0 && !S_ISDIR(info.st_mode) && !(IsReadOnly(info) && canWrite)) {
            return AddFile(fd, canRead, canWrite, std::move(exact), ERROR_SUCCESS);
        }
        if (fd >= 0) Files().Close(fd);
    }
    const ResolvedPath resolved = ResolveDevicePath(path);
    if (resolved.error != ERROR_SUCCESS) return Fail(resolved.error, INVALID_HANDLE_VALUE);
    if (resolved.isRoot) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

    struct stat info {};
    const bool existed = resolved.exists && Files().Stat(resolved.host, &info) == 0;
    if (existed) {
        if (creation == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        if (S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        if (IsReadOnly(info) && (canWrite || creation == CREATE_ALWAYS))
            return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    } else if (creation == OPEN_EXISTING || creation == TRUNCATE_EXISTING) {
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }

    int flags = openAccess;
    if (creation == CREATE_NEW) flags |= O_CREAT | O_EXCL;
    if (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) flags |= O_CREAT;
    // CREATE_ALWAYS truncates also a file opened without write access.
    if (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING) flags |= O_TRUNC;
    if ((flags & O_TRUNC) && !canWrite) flags = (flags & ~O_RDONLY) | O_RDWR;
    const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int fd = Files().Open(resolved.host, flags, mode);
    if (fd < 0) {
        const DWORD error = errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno, &resolved.host);
        return Fail(error, INVALID_HANDLE_VALUE);
    }
    if (!existed || creation == CREATE_ALWAYS) SetStoredAttributes(resolved.host, flagsAndAttributes);
    return AddFile(
        fd, canRead, canWrite, resolved.host,
        existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (read) *read = 0;
    if (overlapped || (!buffer && toRead)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    auto object = LookupFile(file);
    if (!object) return FALSE;
    if (!object->canRead) return Fail(ERROR_ACCESS_DENIED, FALSE);
    DWORD done = 0;
    while (done < toRead) {
        const ssize_t got = Files().Read(object->fd, static_cast<char*>(buffer) + done, toRead - done, -1);
        if (got < 0) return FailErrno();
        if (got == 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(got);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (written) *written = 0;
    if (overlapped || (!buffer && toWrite)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    auto object = LookupFile(file);
    if (!object) return FALSE;
    if (!object->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
    DWORD done = 0;
    while (done < toWrite) {
        const ssize_t put = Files().Write(object->fd, static_cast<const char*>(buffer) + done, toWrite - done, -1);
        if (put < 0) {
            if (written) *written = done;
            return FailErrno();
        }
        done += static_cast<DWORD>(put);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD method)
{
    auto object = LookupFile(file);
    if (!object) return INVALID_SET_FILE_POINTER;
    const long long move =
        distanceHigh
            ? static_cast<long long>((static_cast<unsigned long long>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                     static_cast<DWORD>(distance))
            : static_cast<long long>(distance);
    long long base = 0;
    if (method == FILE_CURRENT) {
        base = Files().Seek(object->fd, 0, SEEK_CUR);
    } else if (method == FILE_END) {
        struct stat info {};
        if (Files().StatOpen(object->fd, &info) != 0) return Fail(ErrorFromErrno(errno), INVALID_SET_FILE_POINTER);
        base = info.st_size;
    } else if (method != FILE_BEGIN) {
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    }
    const long long target = base + move;
    if (target < 0) return Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
    if (Files().Seek(object->fd, target, SEEK_SET) < 0) return Fail(ErrorFromErrno(errno), INVALID_SET_FILE_POINTER);
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<unsigned long long>(target) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(target);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh)
{
    auto object = LookupFile(file);
    if (!object) return INVALID_FILE_SIZE;
    struct stat info {};
    if (Files().StatOpen(object->fd, &info) != 0) return Fail(ErrorFromErrno(errno), INVALID_FILE_SIZE);
    const auto size = static_cast<unsigned long long>(info.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL SetEndOfFile(HANDLE file)
{
    auto object = LookupFile(file);
    if (!object) return FALSE;
    if (!object->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
    const off_t position = Files().Seek(object->fd, 0, SEEK_CUR);
    if (position < 0 || Files().Truncate(object->fd, position) != 0) return FailErrno();
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
    auto object = LookupFile(file);
    if (!object) return FALSE;
    if (!object->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (Files().Sync(object->fd) != 0) return FailErrno();
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    if (!info) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    auto object = LookupFile(file);
    if (!object) return FALSE;
    struct statx host {};
    if (statx(object->fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &host) != 0) return FailErrno();
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = HostFileAttributes(object->host.c_str());
    if (info->dwFileAttributes == INVALID_FILE_ATTRIBUTES) info->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;  // unlinked
    // Host file systems without a birth time give the last change instead.
    info->ftCreationTime = FromStatx((host.stx_mask & STATX_BTIME) ? host.stx_btime : host.stx_ctime);
    info->ftLastAccessTime = FromStatx(host.stx_atime);
    info->ftLastWriteTime = FromStatx(host.stx_mtime);
    info->dwVolumeSerialNumber = static_cast<DWORD>(host.stx_dev_major << 16 | host.stx_dev_minor);
    info->nFileSizeHigh = static_cast<DWORD>(host.stx_size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(host.stx_size);
    info->nNumberOfLinks = host.stx_nlink;
    info->nFileIndexHigh = static_cast<DWORD>(host.stx_ino >> 32);
    info->nFileIndexLow = static_cast<DWORD>(host.stx_ino);
    return TRUE;
}

// ---- Folders ----

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES /*security*/)
{
    const ResolvedPath resolved = ResolveDevicePath(path);
    if (resolved.error != ERROR_SUCCESS) return Fail(resolved.error, FALSE);
    if (resolved.exists) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (Files().MakeFolder(resolved.host, 0777) != 0) return FailErrno(&resolved.host);
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path)
{
    ResolvedPath resolved;
    if (!ResolveExisting(path, resolved)) return FALSE;
    if (resolved.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
    struct stat info {};
    if (Files().Stat(resolved.host, &info) != 0) return FailErrno();
    if (!S_ISDIR(info.st_mode)) return Fail(ERROR_DIRECTORY, FALSE);
    if (Files().RemoveFolder(resolved.host) != 0)
        return Fail(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno, &resolved.host), FALSE);
    return TRUE;
}

// ---- Deleting, moving and copying ----

BOOL DeleteFileW(LPCWSTR path)
{
    ResolvedPath resolved;
    if (!ResolveExisting(path, resolved)) return FALSE;
    struct stat info {};
    if (Files().Stat(resolved.host, &info) != 0) return FailErrno();
    if (S_ISDIR(info.st_mode) || IsReadOnly(info)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (Files().Unlink(resolved.host) != 0) return FailErrno(&resolved.host);
    return TRUE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to)
{
    ResolvedPath source;
    if (!ResolveExisting(from, source)) return FALSE;
    if (source.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
    const ResolvedPath target = ResolveDevicePath(to);
    if (target.error != ERROR_SUCCESS) return Fail(target.error, FALSE);
    if (target.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
    std::string destination = target.host;
    if (target.exists) {
        if (target.host != source.host) return Fail(ERROR_ALREADY_EXISTS, FALSE);
        // Same entry under another case: rename it to the spelling given.
        DevicePath parsed;
        ParseDevicePath(to, parsed);
        destination = target.host.substr(0, target.host.find_last_of('/') + 1) + WideToUtf8(parsed.parts.back());
    }
    if (Files().Rename(source.host, destination) != 0) return FailErrno(&destination);
    return TRUE;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists)
{
    ResolvedPath source;
    if (!ResolveExisting(from, source)) return FALSE;
    const ResolvedPath target = ResolveDevicePath(to);
    if (target.error != ERROR_SUCCESS) return Fail(target.error, FALSE);
    struct stat sourceInfo {};
    if (Files().Stat(source.host, &sourceInfo) != 0) return FailErrno();
    if (S_ISDIR(sourceInfo.st_mode) || target.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (target.exists) {
        if (failIfExists) return Fail(ERROR_FILE_EXISTS, FALSE);
        struct stat targetInfo {};
        if (Files().Stat(target.host, &targetInfo) != 0) return FailErrno();
        if (S_ISDIR(targetInfo.st_mode) || IsReadOnly(targetInfo)) return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino)
            return Fail(ERROR_SHARING_VIOLATION, FALSE);  // a file copied onto itself
    }
    const OwnedFd in(Files().Open(source.host, O_RDONLY, 0));
    if (!in.Valid()) return FailErrno(&source.host);
    const OwnedFd out(Files().Open(target.host, O_WRONLY | O_CREAT | O_TRUNC | (failIfExists ? O_EXCL : 0), 0666));
    if (!out.Valid()) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno, &target.host), FALSE);
    const bool copied = CopyBytes(in.Get(), out.Get());
    const int error = errno;
    // The copy keeps the source's attributes and last write time.
    const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    futimens(out.Get(), times);
    fchmod(out.Get(), sourceInfo.st_mode & 07777);
    if (!copied) return Fail(ErrorFromErrno(error), FALSE);
    SetStoredAttributes(target.host, HostFileAttributes(source.host.c_str()));
    return TRUE;
}

// ---- Attributes ----

DWORD GetFileAttributesW(LPCWSTR path)
{
    ResolvedPath resolved;
    if (!ResolveExisting(path, resolved)) return INVALID_FILE_ATTRIBUTES;
    const DWORD attributes = HostFileAttributes(resolved.host.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) SetLastError(ErrorFromErrno(errno, &resolved.host));
    return attributes;
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes)
{
    ResolvedPath resolved;
    if (!ResolveExisting(path, resolved)) return FALSE;
    struct stat info {};
    if (Files().Stat(resolved.host, &info) != 0) return FailErrno();
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | S_IWUSR);
    if (chmod(resolved.host.c_str(), mode) != 0) return FailErrno(&resolved.host);
    SetStoredAttributes(resolved.host, attributes);
    return TRUE;
}
