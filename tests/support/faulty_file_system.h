// FaultyFileSystem: the host's file system with faults on demand, installed while it lives. Steps are the calls
// that change the disk (writes, flushes, truncations, renames, deletions, folder flushes): the nth can fail
// with an error, or the power can go after n of them (every later step fails with EIO); PowerLoss() then
// leaves each file as last flushed and each name as when its folder was last flushed.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/types.h"
#include "platform/kernel/file_system.h"

class FaultyFileSystem : public platform::HostFileSystem {
public:
    FaultyFileSystem() : m_previous(platform::SetFileSystem(this)) {}
    ~FaultyFileSystem() override { platform::SetFileSystem(m_previous); }
    void FailStep(int n, int error) { m_failAt = m_steps + n, m_failError = error; }
    void CutPowerAfter(int n) { m_cutAt = m_steps + n; }
    int Steps() const { return m_steps; }
    void PowerLoss();

    int Open(const std::string& path, int flags, mode_t mode) override;
    ssize_t Write(int fd, const void* buffer, size_t size, off_t offset) override;
    int Sync(int fd) override;
    int Truncate(int fd, off_t size) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;
    int SyncFolder(const std::string& path) override;

private:
    bool Take();  // counts a step; false (errno set) when it fails
    void Track(const std::string& path);

    std::mutex m_lock;
    platform::FileSystem* m_previous;
    int m_steps = 0, m_failAt = 0, m_failError = 0, m_cutAt = -1, m_nextId = 1;
    std::map<std::string, int> m_current;                 // the file at each tracked name now
    std::map<std::string, std::optional<int>> m_durable;  // the file at each tracked name after a power cut
    std::map<int, std::string> m_synced;                  // each file's content after a power cut
};

// Runs `run` after `prepare` (the old state, stored and closed) once per step it and `close` take, and per
// fault: ENOSPC (ERROR_DISK_FULL), EIO (ioError), the power going. A failed step of `run` is its error;
// `state` (after reopening) is then "old" or "new", and "new" after a success unless the power went and
// `durable` is false.
struct FaultedOperation {
    std::function<void()> prepare, close, afterwards = [] {};
    std::function<DWORD()> run;
    std::function<std::string()> state;
    bool durable = true;
};
void ExpectOldOrNewUnderEveryFault(const FaultedOperation& operation, DWORD ioError);
