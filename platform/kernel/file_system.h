// The file system: where the platform layer reaches the host's files.
//
// Every file the platform opens, reads, writes, flushes, renames, deletes,
// locks or maps goes through one process-wide FileSystem (a file's
// attributes, times and permissions are still set on the host directly). It is the host's
// file system unless a test installs another one, such as one that fails
// the third write with a full disk or forgets what was never flushed, as a
// power cut would. SQLite reaches it through the VFS of
// platform/files/sqlite_vfs.h.
//
// Each call behaves as its POSIX namesake: a descriptor, a byte count or 0
// on success, -1 with errno set on failure (Map: null with errno set).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

class FileSystem {
public:
    virtual ~FileSystem();

    virtual int Open(const std::string& path, int flags, mode_t mode) = 0;
    virtual int Close(int fd) = 0;
    // At `offset`, or at the file position (which then moves) when offset is negative.
    virtual ssize_t Read(int fd, void* buffer, size_t size, off_t offset) = 0;
    virtual ssize_t Write(int fd, const void* buffer, size_t size, off_t offset) = 0;
    virtual off_t Seek(int fd, off_t offset, int whence) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Truncate(int fd, off_t size) = 0;
    virtual int StatOpen(int fd, struct stat* info) = 0;
    // followLinks false: the link itself (lstat).
    virtual int Stat(const std::string& path, struct stat* info, bool followLinks = true) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Unlink(const std::string& path) = 0;
    virtual int MakeFolder(const std::string& path, mode_t mode) = 0;
    virtual int RemoveFolder(const std::string& path) = 0;
    // Makes the names in a folder (creations, renames, deletions) survive a power cut.
    virtual int SyncFolder(const std::string& path) = 0;
    // The names in a folder, without "." and "..", in the order the host gives.
    virtual int ListFolder(const std::string& path, std::vector<std::string>& names) = 0;
    // flock(2): LOCK_SH, LOCK_EX or LOCK_UN, with LOCK_NB.
    virtual int Lock(int fd, int operation) = 0;
    // The first `size` bytes of the file, shared and writable.
    virtual void* Map(int fd, size_t size) = 0;
    virtual int Unmap(void* address, size_t size) = 0;
};

// The host's file system: the system calls themselves (tests derive from it to add faults).
class HostFileSystem : public FileSystem {
public:
    int Open(const std::string& path, int flags, mode_t mode) override;
    int Close(int fd) override;
    ssize_t Read(int fd, void* buffer, size_t size, off_t offset) override;
    ssize_t Write(int fd, const void* buffer, size_t size, off_t offset) override;
    off_t Seek(int fd, off_t offset, int whence) override;
    int Sync(int fd) override;
    int Truncate(int fd, off_t size) override;
    int StatOpen(int fd, struct stat* info) override;
    int Stat(const std::string& path, struct stat* info, bool followLinks) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;
    int MakeFolder(const std::string& path, mode_t mode) override;
    int RemoveFolder(const std::string& path) override;
    int SyncFolder(const std::string& path) override;
    int ListFolder(const std::string& path, std::vector<std::string>& names) override;
    int Lock(int fd, int operation) override;
    void* Map(int fd, size_t size) override;
    int Unmap(void* address, size_t size) override;
};

// Installs `files` as the process-wide file system (null restores the host's)
// and returns the one installed before (null when that was the host's).
// Files stay with the file system that opened them: install before opening
// anything and restore after closing everything.
FileSystem* SetFileSystem(FileSystem* files);
// The file system in use.
FileSystem& Files();

// An open descriptor of the installed file system, closed when this ends.
class OwnedFd {
public:
    OwnedFd() = default;
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() { Reset(); }
    OwnedFd(OwnedFd&& other) noexcept : fd_(other.Release()) {}
    OwnedFd& operator=(OwnedFd&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the descriptor held (keeping errno) and holds `fd` instead.
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Writes all `size` bytes at the file position, going on after short writes
// and interruptions; false with errno set on failure.
bool WriteAll(int fd, const void* data, size_t size);

}  // namespace platform
