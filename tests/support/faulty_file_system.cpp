#include "tests/support/faulty_file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/base/error_codes.h"

namespace {

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

std::string ReadAll(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

}  // namespace

bool FaultyFileSystem::Take()
{
    ++m_steps;
    errno = m_steps == m_failAt ? m_failError : EIO;
    return m_steps != m_failAt && (m_cutAt < 0 || m_steps <= m_cutAt);
}

void FaultyFileSystem::Track(const std::string& path)
{
    if (m_durable.count(path)) return;
    struct stat info {};
    m_durable[path] = std::nullopt;
    if (HostFileSystem::Stat(path, &info, true) != 0 || !S_ISREG(info.st_mode)) return;
    m_durable[path] = m_current[path] = m_nextId;
    m_synced[m_nextId++] = ReadAll(path);
}

void FaultyFileSystem::PowerLoss()
{
    std::lock_guard lock(m_lock);
    for (const auto& [path, id] : m_durable) {
        if (id)
            std::ofstream(path, std::ios::binary | std::ios::trunc) << m_synced[*id];  // never flushed: empty
        else
            ::unlink(path.c_str());
    }
    m_current.clear();
    m_durable.clear();
    m_synced.clear();
    m_cutAt = -1;
}

int FaultyFileSystem::Open(const std::string& path, int flags, mode_t mode)
{
    std::lock_guard lock(m_lock);
    Track(path);
    if ((flags & O_TRUNC) && m_current.count(path) && !Take()) return -1;
    const int fd = HostFileSystem::Open(path, flags, mode);
    if (fd >= 0 && !m_current.count(path)) m_current[path] = m_nextId++;
    return fd;
}

ssize_t FaultyFileSystem::Write(int fd, const void* buffer, size_t size, off_t offset)
{
    std::lock_guard lock(m_lock);
    return Take() ? HostFileSystem::Write(fd, buffer, size, offset) : -1;
}

int FaultyFileSystem::Sync(int fd)
{
    std::lock_guard lock(m_lock);
    if (!Take() || HostFileSystem::Sync(fd) != 0) return -1;
    char target[4096] = {};
    if (readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1) > 0)
        if (auto it = m_current.find(target); it != m_current.end()) m_synced[it->second] = ReadAll(target);
    return 0;
}

int FaultyFileSystem::Truncate(int fd, off_t size)
{
    std::lock_guard lock(m_lock);
    return Take() ? HostFileSystem::Truncate(fd, size) : -1;
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to)
{
    std::lock_guard lock(m_lock);
    Track(from);
    Track(to);
    if (!Take() || HostFileSystem::Rename(from, to) != 0) return -1;
    if (m_current.count(from)) m_current[to] = m_current[from];
    m_current.erase(from);
    return 0;
}

int FaultyFileSystem::Unlink(const std::string& path)
{
    std::lock_guard lock(m_lock);
    Track(path);
    if (!Take() || HostFileSystem::Unlink(path) != 0) return -1;
    m_current.erase(path);
    return 0;
}

int FaultyFileSystem::SyncFolder(const std::string& path)
{
    std::lock_guard lock(m_lock);
    if (!Take() || HostFileSystem::SyncFolder(path) != 0) return -1;
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (auto& [name, id] : m_durable)
        if (FolderOf(name) == folder) id = m_current.count(name) ? m_current[name] : std::optional<int>();
    return 0;
}

void ExpectOldOrNewUnderEveryFault(const FaultedOperation& operation, DWORD ioError)
{
    int runSteps, allSteps;
    operation.prepare();
    {
        FaultyFileSystem disk;
        EXPECT_EQ(operation.run(), ERROR_SUCCESS);
        runSteps = disk.Steps();
        operation.close();
        allSteps = disk.Steps();
    }
    EXPECT_EQ(operation.state(), "new");
    ASSERT_GT(runSteps, 0);
    const struct {
        int error;  // 0: the power goes
        DWORD expected;
    } faults[] = {{ENOSPC, ERROR_DISK_FULL}, {EIO, ioError}, {0, ioError}};
    for (const auto& fault : faults) {
        for (int step = 1; step <= allSteps + (fault.error ? 0 : 1); ++step) {
            SCOPED_TRACE("errno " + std::to_string(fault.error) + " at step " + std::to_string(step));
            operation.prepare();
            DWORD error;
            {
                FaultyFileSystem disk;
                fault.error ? disk.FailStep(step, fault.error) : disk.CutPowerAfter(step - 1);
                error = operation.run();
                operation.close();
                if (!fault.error) disk.PowerLoss();
            }
            EXPECT_EQ(error, step <= runSteps ? fault.expected : ERROR_SUCCESS);
            const std::string state = operation.state();
            if (error == ERROR_SUCCESS && (fault.error || operation.durable))
                EXPECT_EQ(state, "new");
            else
                EXPECT_TRUE(state == "old" || state == "new") << state;
            operation.afterwards();
        }
    }
}
