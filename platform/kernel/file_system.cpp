// The process-wide file system and the host's one.
#include "platform/kernel/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {
namespace {

std::atomic<FileSystem*> g_installed{nullptr};

FileSystem& HostFiles()
{
    static auto* files = new HostFileSystem;  // never destroyed: usable during exit
    return *files;
}

// Retries a call that a signal interrupted.
template <class Call>
auto Retrying(Call call)
{
    for (;;) {
        auto result = call();
        if (!(result < 0 && errno == EINTR)) return result;
    }
}

}  // namespace

FileSystem::~FileSystem() = default;

int HostFileSystem::Open(const std::string& path, int flags, mode_t mode)
{
    return Retrying([&] { return open(path.c_str(), flags | O_CLOEXEC, mode); });
}

int HostFileSystem::Close(int fd) { return close(fd); }

ssize_t HostFileSystem::Read(int fd, void* buffer, size_t size, off_t offset)
{
    return Retrying([&] { return offset < 0 ? read(fd, buffer, size) : pread(fd, buffer, size, offset); });
}

ssize_t HostFileSystem::Write(int fd, const void* buffer, size_t size, off_t offset)
{
    return Retrying([&] { return offset < 0 ? write(fd, buffer, size) : pwrite(fd, buffer, size, offset); });
}

off_t HostFileSystem::Seek(int fd, off_t offset, int whence) { return lseek(fd, offset, whence); }

int HostFileSystem::Sync(int fd)
{
    return Retrying([&] { return fsync(fd); });
}

int HostFileSystem::Truncate(int fd, off_t size)
{
    return Retrying([&] { return ftruncate(fd, size); });
}

int HostFileSystem::StatOpen(int fd, struct stat* info) { return fstat(fd, info); }

int HostFileSystem::Stat(const std::string& path, struct stat* info, bool followLinks)
{
    return followLinks ? stat(path.c_str(), info) : lstat(path.c_str(), info);
}

int HostFileSystem::Rename(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()); }

int HostFileSystem::Unlink(const std::string& path) { return unlink(path.c_str()); }

int HostFileSystem::MakeFolder(const std::string& path, mode_t mode) { return mkdir(path.c_str(), mode); }

int HostFileSystem::RemoveFolder(const std::string& path) { return rmdir(path.c_str()); }

int HostFileSystem::SyncFolder(const std::string& path)
{
    // The host's own calls, also in a derived file system: a folder is no file to count steps of.
    const int fd = HostFileSystem::Open(path, O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) return -1;
    const int result = HostFileSystem::Sync(fd);
    const int error = errno;
    close(fd);
    errno = error;
    return result;
}

int HostFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names)
{
    names.clear();
    DIR* folder = opendir(path.c_str());
    if (!folder) return -1;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
    return 0;
}

int HostFileSystem::Lock(int fd, int operation)
{
    return Retrying([&] { return flock(fd, operation); });
}

void* HostFileSystem::Map(int fd, size_t size)
{
    void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return address == MAP_FAILED ? nullptr : address;
}

int HostFileSystem::Unmap(void* address, size_t size) { return munmap(address, size); }

FileSystem* SetFileSystem(FileSystem* files) { return g_installed.exchange(files); }

FileSystem& Files()
{
    FileSystem* files = g_installed.load();
    return files ? *files : HostFiles();
}

void OwnedFd::Reset(int fd)
{
    if (fd_ >= 0) {
        const int error = errno;
        Files().Close(fd_);
        errno = error;
    }
    fd_ = fd;
}

bool WriteAll(int fd, const void* data, size_t size)
{
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = Files().Write(fd, bytes, size, -1);
        if (put < 0) return false;
        if (put == 0) {
            errno = EIO;
            return false;
        }
        bytes += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

}  // namespace platform
