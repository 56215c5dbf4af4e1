#include "platform/objectstore/internal/cedb_volume_table.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/data_directory.h"
#include "platform/files/device_paths.h"
#include "platform/kernel/file_system.h"

namespace platform::cedb {
namespace {

// Mounted volumes carry this in Data2, their mount number in Data1.
constexpr DWORD kMountMark = 0x4C56534B;  // "KSVL"

class VolumeTable {
public:
    static VolumeTable& Instance()
    {
        static VolumeTable* table = new VolumeTable();  // outlives static destructors of other users
        return *table;
    }

    DWORD Get(const CEGUID* guid, std::shared_ptr<Volume>& out)
    {
        std::lock_guard lock(mutex_);
        if (!guid || CHECK_SYSTEMGUID(guid)) {
            if (!EnsureDeviceRoot()) return ERROR_PATH_NOT_FOUND;
            return OpenLocked(ObjectStorePath(), true, out);
        }
        auto it = FindMount(*guid);
        if (it == mounts_.end()) return ERROR_INVALID_PARAMETER;
        return OpenLocked(it->second.path, false, out);
    }

    DWORD Mount(const std::string& path, bool create, CEGUID* guid)
    {
        std::lock_guard lock(mutex_);
        for (auto& [number, mount] : mounts_) {
            if (mount.path != path) continue;
            ++mount.count;
            *guid = GuidOf(number);
            return ERROR_SUCCESS;
        }
        std::shared_ptr<Volume> volume;
        if (DWORD err = OpenLocked(path, create, volume)) return err;
        DWORD number = nextMount_++;
        mounts_[number] = MountEntry{path, 1};
        *guid = GuidOf(number);
        return ERROR_SUCCESS;
    }

    // Volumes are closed after the table's mutex is let go: a transaction
    // holds its volume's mutex while it opens handles, which takes the
    // table's.
    DWORD Unmount(const CEGUID& guid)
    {
        std::shared_ptr<Volume> closing;
        {
            std::lock_guard lock(mutex_);
            auto it = FindMount(guid);
            if (it == mounts_.end()) return ERROR_INVALID_PARAMETER;
            if (--it->second.count > 0) return ERROR_SUCCESS;
            if (auto open = open_.find(it->second.path); open != open_.end()) {
                closing = std::move(open->second);
                open_.erase(open);
            }
            mounts_.erase(it);
        }
        if (closing) Close(*closing);
        return ERROR_SUCCESS;
    }

    void CloseAll()
    {
        std::map<std::string, std::shared_ptr<Volume>> closing;
        {
            std::lock_guard lock(mutex_);
            closing.swap(open_);
            mounts_.clear();
        }
        for (auto& [path, volume] : closing) Close(*volume);
    }

private:
    struct MountEntry {
        std::string path;
        int count;
    };

    static CEGUID GuidOf(DWORD number) { return CEGUID{number, kMountMark, 0, 0}; }

    std::map<DWORD, MountEntry>::iterator FindMount(const CEGUID& guid)
    {
        if (guid.Data2 != kMountMark || guid.Data3 || guid.Data4) return mounts_.end();
        return mounts_.find(guid.Data1);
    }

    DWORD OpenLocked(const std::string& path, bool create, std::shared_ptr<Volume>& out)
    {
        if (auto it = open_.find(path); it != open_.end()) {
            out = it->second;
            return ERROR_SUCCESS;
        }
        std::shared_ptr<Volume> volume;
        if (DWORD err = Volume::Open(path, create, volume)) return err;
        open_[path] = volume;
        out = std::move(volume);
        return ERROR_SUCCESS;
    }

    static void Close(Volume& volume)
    {
        std::lock_guard volumeLock(volume.Mutex());
        volume.Close();
    }

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Volume>> open_;
    std::map<DWORD, MountEntry> mounts_;
    DWORD nextMount_ = 1;
};

template <class T>
T Fail(DWORD error, T result)
{
    SetLastError(error);
    return result;
}

}  // namespace

DWORD VolumeFor(const CEGUID* guid, std::shared_ptr<Volume>& out) { return VolumeTable::Instance().Get(guid, out); }

}  // namespace platform::cedb

namespace platform {

std::string ObjectStorePath() { return DataDirectory() + "/objectstore.db"; }

void CloseObjectStore() { cedb::VolumeTable::Instance().CloseAll(); }

}  // namespace platform

using platform::cedb::Fail;

BOOL CeMountDBVol(PCEGUID guid, LPCWSTR path, DWORD creation)
{
    if (!guid || !path || (creation != CEDB_OPEN_EXISTING && creation != CEDB_OPEN_ALWAYS))
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    platform::ResolvedPath resolved = platform::ResolveDevicePath(path);
    if (resolved.error != ERROR_SUCCESS) return Fail(resolved.error, FALSE);
    if (resolved.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (resolved.exists) {
        struct stat info {};
        if (platform::Files().Stat(resolved.host, &info) != 0 || !S_ISREG(info.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
    } else if (creation == CEDB_OPEN_EXISTING) {
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    }
    CEGUID mounted{};
    if (DWORD err =
            platform::cedb::VolumeTable::Instance().Mount(resolved.host, creation == CEDB_OPEN_ALWAYS, &mounted))
        return Fail(err, FALSE);
    *guid = mounted;
    return TRUE;
}

BOOL CeUnmountDBVol(PCEGUID guid)
{
    if (!guid) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (DWORD err = platform::cedb::VolumeTable::Instance().Unmount(*guid)) return Fail(err, FALSE);
    return TRUE;
}

BOOL CeFlushDBVol(PCEGUID guid)
{
    std::shared_ptr<platform::cedb::Volume> volume;
    if (DWORD err = platform::cedb::VolumeFor(guid, volume)) return Fail(err, FALSE);
    std::lock_guard lock(volume->Mutex());
    if (!volume->IsOpen()) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    // A walk standing on its row would keep the log from being moved.
    platform::cedb::EndWalks(volume->Db());
    int rc = sqlite3_wal_checkpoint_v2(volume->Db(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    // Readers in other processes may keep part of the log; what could be
    // moved was moved.
    if (rc != SQLITE_OK && (rc & 0xFF) != SQLITE_BUSY) return Fail(platform::cedb::MapSqliteError(rc), FALSE);
    return TRUE;
}
