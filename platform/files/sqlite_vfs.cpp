// Sections: Descriptors shared by connections; File methods; The layer.

#include "platform/files/sqlite_vfs.h"

#include <fcntl.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "platform/kernel/file_system.h"

// ---- Descriptors shared by connections ----

namespace platform {
namespace {

// Closing any descriptor of a file drops every POSIX lock this process holds
// on it, also the locks SQLite's unix layer keeps for another connection. So
// the descriptor through which connections read and write a database file is
// one per file and process, closed when the last connection closes.
struct SharedFd {
    int fd = -1;
    int users = 0;
    bool readOnly = false;
};
std::mutex g_sharedLock;
std::map<std::string, SharedFd> g_shared;

int OpenShared(const char* path, int flags, bool* readOnly)
{
    std::lock_guard<std::mutex> lock(g_sharedLock);
    SharedFd& shared = g_shared[path];
    if (shared.users == 0) {
        shared.fd = Files().Open(path, flags, 0644);
        shared.readOnly = (flags & O_ACCMODE) == O_RDONLY;
        if (shared.fd < 0 && (flags & O_ACCMODE) == O_RDWR && errno != EISDIR) {
            shared.fd = Files().Open(path, O_RDONLY, 0);  // read-only file or folder: read what is there
            shared.readOnly = true;
        }
        if (shared.fd < 0) {
            const int error = errno;
            g_shared.erase(path);
            errno = error;
            return -1;
        }
    }
    ++shared.users;
    *readOnly = shared.readOnly || (flags & O_ACCMODE) == O_RDONLY;
    return shared.fd;
}

void CloseShared(const char* path)
{
    std::lock_guard<std::mutex> lock(g_sharedLock);
    auto it = g_shared.find(path);
    if (it == g_shared.end() || --it->second.users > 0) return;
    Files().Close(it->second.fd);
    g_shared.erase(it);
}

sqlite3_vfs* g_unix = nullptr;

// The database file has `inner`, SQLite's unix file, for its locks and shared
// memory; the logs and temporary files are the descriptor alone.
struct LayerFile {
    sqlite3_file base;
    int fd;
    const char* path;       // valid until close, as SQLite promises
    sqlite3_file* inner;    // null but for the database file
    bool syncFolderOnSync;  // a new log's name is made durable with its first flush
};

LayerFile& Of(sqlite3_file* file) { return *reinterpret_cast<LayerFile*>(file); }

bool DiskFull() { return errno == ENOSPC || errno == EDQUOT; }

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// ---- File methods ----

int Close(sqlite3_file* file)
{
    LayerFile& f = Of(file);
    if (f.inner) {
        if (f.inner->pMethods) f.inner->pMethods->xClose(f.inner);
        sqlite3_free(f.inner);
        CloseShared(f.path);
    } else if (f.fd >= 0) {
        Files().Close(f.fd);
    }
    f.fd = -1;
    return SQLITE_OK;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    auto* bytes = static_cast<char*>(buffer);
    int done = 0;
    while (done < amount) {
        const ssize_t got = Files().Read(Of(file).fd, bytes + done, static_cast<size_t>(amount - done), offset + done);
        if (got < 0) return SQLITE_IOERR_READ;
        if (got == 0) break;
        done += static_cast<int>(got);
    }
    if (done == amount) return SQLITE_OK;
    std::memset(bytes + done, 0, static_cast<size_t>(amount - done));  // SQLite reads past the end as zeros
    return SQLITE_IOERR_SHORT_READ;
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    auto* bytes = static_cast<const char*>(buffer);
    int done = 0;
    while (done < amount) {
        const ssize_t put = Files().Write(Of(file).fd, bytes + done, static_cast<size_t>(amount - done), offset + done);
        if (put <= 0) return put < 0 && !DiskFull() ? SQLITE_IOERR_WRITE : SQLITE_FULL;
        done += static_cast<int>(put);
    }
    return SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size)
{
    if (Files().Truncate(Of(file).fd, size) == 0) return SQLITE_OK;
    return DiskFull() ? SQLITE_FULL : SQLITE_IOERR_TRUNCATE;
}

int Sync(sqlite3_file* file, int /*flags*/)
{
    LayerFile& f = Of(file);
    if (Files().Sync(f.fd) != 0) return DiskFull() ? SQLITE_FULL : SQLITE_IOERR_FSYNC;
    if (f.syncFolderOnSync) {
        if (Files().SyncFolder(FolderOf(f.path)) != 0 && errno != EINVAL)
            return DiskFull() ? SQLITE_FULL : SQLITE_IOERR_DIR_FSYNC;
        f.syncFolderOnSync = false;
    }
    return SQLITE_OK;
}

int FileSize(sqlite3_file* file, sqlite3_int64* size)
{
    struct stat info {};
    if (Files().StatOpen(Of(file).fd, &info) != 0) return SQLITE_IOERR_FSTAT;
    *size = info.st_size;
    return SQLITE_OK;
}

// Only the database file is locked (SQLite locks no other file).
int Lock(sqlite3_file* file, int level)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xLock(inner, level) : SQLITE_OK;
}

int Unlock(sqlite3_file* file, int level)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xUnlock(inner, level) : SQLITE_OK;
}

int CheckReservedLock(sqlite3_file* file, int* reserved)
{
    sqlite3_file* inner = Of(file).inner;
    if (inner) return inner->pMethods->xCheckReservedLock(inner, reserved);
    *reserved = 0;
    return SQLITE_OK;
}

int FileControl(sqlite3_file* file, int op, void* arg)
{
    sqlite3_file* inner = Of(file).inner;
    // Size hints and chunks would grow the file past this layer; mapping is not offered.
    if (!inner || op == SQLITE_FCNTL_SIZE_HINT || op == SQLITE_FCNTL_CHUNK_SIZE || op == SQLITE_FCNTL_MMAP_SIZE)
        return SQLITE_NOTFOUND;
    return inner->pMethods->xFileControl(inner, op, arg);
}

int SectorSize(sqlite3_file* file)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xSectorSize(inner) : 4096;
}

int DeviceCharacteristics(sqlite3_file* file)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xDeviceCharacteristics(inner) : SQLITE_IOCAP_POWERSAFE_OVERWRITE;
}

int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** address)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xShmMap(inner, region, size, extend, address) : SQLITE_IOERR_SHMMAP;
}

int ShmLock(sqlite3_file* file, int offset, int n, int flags)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xShmLock(inner, offset, n, flags) : SQLITE_IOERR_SHMLOCK;
}

void ShmBarrier(sqlite3_file* file)
{
    sqlite3_file* inner = Of(file).inner;
    if (inner) inner->pMethods->xShmBarrier(inner);
}

int ShmUnmap(sqlite3_file* file, int deleteFlag)
{
    sqlite3_file* inner = Of(file).inner;
    return inner ? inner->pMethods->xShmUnmap(inner, deleteFlag) : SQLITE_OK;
}

const sqlite3_io_methods kMethods = {
    2,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    nullptr,
    nullptr,
};

// ---- The layer ----

// A temporary file without a name: a fresh one in the temporary folder,
// deleted at once so that it goes with its descriptor.
int OpenTemporary()
{
    std::error_code ignored;
    const std::string folder = std::filesystem::temp_directory_path(ignored).string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long long tag = 0;
        sqlite3_randomness(sizeof tag, &tag);
        const std::string path = (folder.empty() ? "/tmp" : folder) + "/kstools-sqlite-" + std::to_string(tag);
        const int fd = Files().Open(path, O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            Files().Unlink(path);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

int Open(sqlite3_vfs* /*vfs*/, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    LayerFile& f = Of(file);
    f = LayerFile{};
    f.fd = -1;
    f.path = name;
    int openFlags = (flags & SQLITE_OPEN_READWRITE) ? O_RDWR : O_RDONLY;
    if (flags & SQLITE_OPEN_CREATE) openFlags |= O_CREAT;
    if (flags & SQLITE_OPEN_EXCLUSIVE) openFlags |= O_EXCL;
    bool readOnly = (openFlags & O_ACCMODE) == O_RDONLY;
    if (!name) {
        f.fd = OpenTemporary();
    } else if (flags & SQLITE_OPEN_MAIN_DB) {
        f.fd = OpenShared(name, openFlags, &readOnly);
        if (f.fd < 0) return SQLITE_CANTOPEN;
        f.inner = static_cast<sqlite3_file*>(sqlite3_malloc(g_unix->szOsFile));
        if (f.inner) std::memset(f.inner, 0, static_cast<size_t>(g_unix->szOsFile));
        const int innerFlags =
            readOnly ? (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY : flags;
        const int rc = f.inner ? g_unix->xOpen(g_unix, name, f.inner, innerFlags, nullptr) : SQLITE_NOMEM;
        if (rc != SQLITE_OK) {
            sqlite3_free(f.inner);
            f.inner = nullptr;
            CloseShared(name);
            return rc;
        }
    } else {
        f.fd = Files().Open(name, openFlags, 0644);
        if (f.fd < 0 && (openFlags & O_ACCMODE) == O_RDWR && errno != EISDIR) {
            f.fd = Files().Open(name, O_RDONLY, 0);
            readOnly = true;
        }
        f.syncFolderOnSync = (flags & SQLITE_OPEN_CREATE) &&
                             (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL));
        if (f.fd >= 0 && (flags & SQLITE_OPEN_DELETEONCLOSE)) Files().Unlink(name);
    }
    if (f.fd < 0) return SQLITE_CANTOPEN;
    if (outFlags) *outFlags = readOnly ? (flags & ~SQLITE_OPEN_READWRITE) | SQLITE_OPEN_READONLY : flags;
    file->pMethods = &kMethods;
    return SQLITE_OK;
}

int Delete(sqlite3_vfs* /*vfs*/, const char* name, int syncFolder)
{
    if (Files().Unlink(name) != 0)
        return errno == ENOENT ? SQLITE_IOERR_DELETE_NOENT : DiskFull() ? SQLITE_FULL : SQLITE_IOERR_DELETE;
    if (syncFolder && Files().SyncFolder(FolderOf(name)) != 0 && errno != EINVAL)
        return DiskFull() ? SQLITE_FULL : SQLITE_IOERR_DIR_FSYNC;
    return SQLITE_OK;
}

int Access(sqlite3_vfs* /*vfs*/, const char* name, int flags, int* result)
{
    if (flags == SQLITE_ACCESS_EXISTS) {
        // An empty file counts as missing, as in SQLite's own layer (a log left empty is no log).
        struct stat info {};
        *result = Files().Stat(name, &info) == 0 && (!S_ISREG(info.st_mode) || info.st_size > 0);
        return SQLITE_OK;
    }
    return g_unix->xAccess(g_unix, name, flags, result);
}

int FullPathname(sqlite3_vfs* /*vfs*/, const char* name, int size, char* out)
{
    return g_unix->xFullPathname(g_unix, name, size, out);
}

void* DlOpen(sqlite3_vfs* /*vfs*/, const char* name) { return g_unix->xDlOpen(g_unix, name); }
void DlError(sqlite3_vfs* /*vfs*/, int size, char* out) { g_unix->xDlError(g_unix, size, out); }
void (*DlSym(sqlite3_vfs* /*vfs*/, void* library, const char* symbol))(void)
{
    return g_unix->xDlSym(g_unix, library, symbol);
}
void DlClose(sqlite3_vfs* /*vfs*/, void* library) { g_unix->xDlClose(g_unix, library); }
int Randomness(sqlite3_vfs* /*vfs*/, int size, char* out) { return g_unix->xRandomness(g_unix, size, out); }
int SleepFor(sqlite3_vfs* /*vfs*/, int microseconds) { return g_unix->xSleep(g_unix, microseconds); }
int CurrentTime(sqlite3_vfs* /*vfs*/, double* now) { return g_unix->xCurrentTime(g_unix, now); }
int LastError(sqlite3_vfs* /*vfs*/, int size, char* out) { return g_unix->xGetLastError(g_unix, size, out); }
int CurrentTimeInt64(sqlite3_vfs* /*vfs*/, sqlite3_int64* now) { return g_unix->xCurrentTimeInt64(g_unix, now); }

constexpr const char* kName = "kstools";

}  // namespace

const char* SqliteVfsName()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        sqlite3_initialize();
        g_unix = sqlite3_vfs_find("unix");
        static sqlite3_vfs layer = {
            2,
            static_cast<int>(sizeof(LayerFile)),
            g_unix->mxPathname,
            nullptr,
            kName,
            nullptr,
            Open,
            Delete,
            Access,
            FullPathname,
            DlOpen,
            DlError,
            DlSym,
            DlClose,
            Randomness,
            SleepFor,
            CurrentTime,
            LastError,
            CurrentTimeInt64,
        };
        sqlite3_vfs_register(&layer, 0);
    });
    return kName;
}

}  // namespace platform
