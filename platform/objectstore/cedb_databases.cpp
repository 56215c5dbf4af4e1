// Databases of a volume: creating, deleting, describing and enumerating them.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/objectstore/cedb.h"
#include "platform/base/error_codes.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/internal/cedb_database_row.h"
#include "platform/objectstore/internal/cedb_volume_table.h"
#include "platform/objectstore/internal/search_text_store.h"
#include "platform/base/last_error.h"
#include "platform/text/utf8.h"

namespace platform::cedb {
namespace {

template <class T>
T Fail(DWORD error, T result)
{
    SetLastError(error);
    return result;
}

// A name as stored: up to the terminator, at most CEDB_MAXDBASENAMELEN - 1
// characters.
std::u16string CutName(const WCHAR* name, size_t room)
{
    size_t n = 0;
    while (n < room && name[n]) ++n;
    return std::u16string(name, std::min<size_t>(n, CEDB_MAXDBASENAMELEN - 1));
}

DWORD CheckSorts(const CEDBASEINFO& info, std::vector<SORTORDERSPEC>& sorts)
{
    sorts.clear();
    if (!(info.dwFlags & CEDB_VALIDSORTSPEC)) return ERROR_SUCCESS;
    if (info.wNumSortOrder > CEDB_MAXSORTORDER) return ERROR_INVALID_PARAMETER;
    for (WORD i = 0; i < info.wNumSortOrder; ++i) {
        const SORTORDERSPEC& s = info.rgSortSpecs[i];
        if (!IsKnownType(TypeFromPropID(s.propid)) || (s.dwFlags & ~kKnownSortFlags)) return ERROR_INVALID_PARAMETER;
        sorts.push_back(s);
    }
    return ERROR_SUCCESS;
}

// ERROR_DUP_NAME when another database than `self` has the name.
DWORD CheckNameFree(Volume& volume, const std::u16string& name, CEOID self)
{
    DatabaseRow other;
    DWORD err = FindDatabase(volume, name, other);
    if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (err) return err;
    return other.oid == self ? ERROR_SUCCESS : ERROR_DUP_NAME;
}

void FillInfo(const DatabaseRow& row, CEDBASEINFO& info)
{
    std::memset(&info, 0, sizeof info);
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_VALIDMODTIME;
    std::u16string name = row.name.substr(0, CEDB_MAXDBASENAMELEN - 1);
    std::copy(name.begin(), name.end(), info.szDbaseName);
    info.dwDbaseType = row.type;
    info.wNumRecords = static_cast<WORD>(row.records & 0xFFFF);
    info.wNumSortOrder = static_cast<WORD>(row.sorts.size());
    info.dwSize = static_cast<DWORD>(std::clamp<std::int64_t>(row.bytes, 0, 0xFFFFFFFFll));
    info.ftLastModified.dwLowDateTime = static_cast<DWORD>(row.modified & 0xFFFFFFFF);
    info.ftLastModified.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(row.modified) >> 32);
    std::copy(row.sorts.begin(), row.sorts.end(), info.rgSortSpecs);
}

// Committing a change: the counter is raised before and after, so readers
// that looked in between notice it too.
DWORD CommitChange(Volume& volume, Transaction& tx)
{
    volume.NoteWrite();
    DWORD err = tx.Commit();
    volume.NoteWrite();
    return err;
}

DWORD CreateDatabase(Volume& volume, const std::u16string& name, DWORD type, const std::vector<SORTORDERSPEC>& sorts,
                     CEOID* oid)
{
    Transaction tx(volume.Statements(), true);
    if (DWORD err = tx.Status()) return err;
    if (DWORD err = CheckNameFree(volume, name, 0)) return err;
    if (DWORD err = volume.AllocateOid(oid)) return err;
    Statement st(volume.Statements(),
                 "INSERT INTO databases(oid, name, folded, type, modified, sorts, records, bytes) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0)");
    st.Bind(1, *oid).BindText(2, WideToUtf8(name)).BindText(3, FoldName(name)).Bind(4, type);
    st.Bind(5, NowFileTime()).BindBlob(6, EncodeSorts(sorts));
    if (DWORD err = st.Run()) return err;
    return CommitChange(volume, tx);
}

DWORD DeleteDatabase(Volume& volume, CEOID oid)
{
    if (volume.OpenHandlesOn(oid)) return ERROR_SHARING_VIOLATION;
    Transaction tx(volume.Statements(), true);
    if (DWORD err = tx.Status()) return err;
    DatabaseRow row;
    if (DWORD err = LoadDatabase(volume, oid, row)) return err;
    Statement records(volume.Statements(), "DELETE FROM records WHERE db = ?1");
    if (DWORD err = records.Bind(1, oid).Run()) return err;
    Statement database(volume.Statements(), "DELETE FROM databases WHERE oid = ?1");
    if (DWORD err = database.Bind(1, oid).Run()) return err;
    if (DWORD err = volume.LogChange(oid, oid, DB_CEOID_DATABASE_DELETED)) return err;
    return CommitChange(volume, tx);
}

DWORD SetDatabaseInfo(Volume& volume, CEOID oid, const CEDBASEINFO& info)
{
    std::vector<SORTORDERSPEC> sorts;
    if (DWORD err = CheckSorts(info, sorts)) return err;
    std::u16string name;
    if (info.dwFlags & CEDB_VALIDNAME) {
        name = CutName(info.szDbaseName, CEDB_MAXDBASENAMELEN);
        if (name.empty()) return ERROR_INVALID_PARAMETER;
    }
    // Handles read through the keys of their sort order: it cannot change
    // under them.
    if ((info.dwFlags & CEDB_VALIDSORTSPEC) && volume.OpenHandlesOn(oid)) return ERROR_SHARING_VIOLATION;
    Transaction tx(volume.Statements(), true);
    if (DWORD err = tx.Status()) return err;
    DatabaseRow row;
    if (DWORD err = LoadDatabase(volume, oid, row)) return err;
    if (DWORD err = volume.LoadCollation()) return err;
    if (info.dwFlags & CEDB_VALIDNAME) {
        if (DWORD err = CheckNameFree(volume, name, oid)) return err;
        row.name = name;
    }
    if (info.dwFlags & CEDB_VALIDTYPE) row.type = info.dwDbaseType;
    if (info.dwFlags & CEDB_VALIDMODTIME)
        row.modified = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(info.ftLastModified.dwHighDateTime) << 32) | info.ftLastModified.dwLowDateTime);
    Statement st(volume.Statements(),
                 "UPDATE databases SET name = ?2, folded = ?3, type = ?4, modified = ?5, sorts = ?6 WHERE oid = ?1");
    st.Bind(1, oid).BindText(2, WideToUtf8(row.name)).BindText(3, FoldName(row.name)).Bind(4, row.type);
    st.Bind(5, row.modified).BindBlob(6, EncodeSorts((info.dwFlags & CEDB_VALIDSORTSPEC) ? sorts : row.sorts));
    if (DWORD err = st.Run()) return err;
    if (info.dwFlags & CEDB_VALIDSORTSPEC)
        if (DWORD err = RebuildKeys(volume, oid, volume.Keys())) return err;
    return CommitChange(volume, tx);
}

DWORD GetInfo(Volume& volume, CEOID oid, CEOIDINFO& info)
{
    Transaction read(volume.Statements(), false);
    if (DWORD err = read.Status()) return err;
    DatabaseRow row;
    DWORD err = LoadDatabase(volume, oid, row);
    if (err == ERROR_SUCCESS) {
        std::memset(&info, 0, sizeof info);
        info.wObjType = OBJTYPE_DATABASE;
        FillInfo(row, info.infDatabase);
        return ERROR_SUCCESS;
    }
    if (err != ERROR_FILE_NOT_FOUND) return err;
    Statement st(volume.Statements(), "SELECT db FROM records WHERE oid = ?1");
    int rc = st.Bind(1, oid).Step();
    if (rc == SQLITE_DONE) return ERROR_NOT_FOUND;
    if (rc != SQLITE_ROW) return MapSqliteError(rc);
    std::memset(&info, 0, sizeof info);
    info.wObjType = OBJTYPE_RECORD;
    info.infRecord.oidParent = static_cast<CEOID>(st.Int(0));
    return ERROR_SUCCESS;
}

// The kernel object behind CeFindFirstDatabaseEx: the databases there were
// then, in OID order; those deleted since are skipped.
class DatabaseFind : public KernelObject {
public:
    DatabaseFind(std::shared_ptr<Volume> volume, std::vector<CEOID> oids)
        : volume(std::move(volume)), oids(std::move(oids))
    {}
    const std::shared_ptr<Volume> volume;
    const std::vector<CEOID> oids;
    size_t next = 0;  // guarded by the volume's mutex
};

// Both read in a transaction of their own, so that they see the newest
// state of the file and not the snapshot a standing record walk holds.
DWORD ListDatabases(Volume& volume, DWORD type, std::vector<CEOID>& oids)
{
    Transaction read(volume.Statements(), false);
    if (DWORD err = read.Status()) return err;
    Statement st(volume.Statements(), "SELECT oid FROM databases WHERE ?1 = 0 OR type = ?1 ORDER BY oid");
    st.Bind(1, type);
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) oids.push_back(static_cast<CEOID>(st.Int(0)));
    return rc == SQLITE_DONE ? ERROR_SUCCESS : MapSqliteError(rc);
}

DWORD NextDatabase(DatabaseFind& find, CEOID* oid)
{
    Transaction read(find.volume->Statements(), false);
    if (DWORD err = read.Status()) return err;
    while (find.next < find.oids.size()) {
        CEOID candidate = find.oids[find.next++];
        Statement st(find.volume->Statements(), "SELECT 1 FROM databases WHERE oid = ?1");
        int rc = st.Bind(1, candidate).Step();
        if (rc == SQLITE_ROW) {
            *oid = candidate;
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_DONE) return MapSqliteError(rc);
    }
    return ERROR_NO_MORE_ITEMS;
}

// Runs fn(volume) with the volume of `guid` open and locked.
template <class Fn>
DWORD WithVolume(const CEGUID* guid, Fn fn)
{
    std::shared_ptr<Volume> volume;
    if (DWORD err = VolumeFor(guid, volume)) return err;
    std::lock_guard lock(volume->Mutex());
    if (!volume->IsOpen()) return ERROR_INVALID_PARAMETER;
    return fn(*volume);
}

}  // namespace
}  // namespace platform::cedb

using namespace platform::cedb;

CEOID CeCreateDatabaseEx(PCEGUID guid, PCEDBASEINFO info)
{
    if (!info || !(info->dwFlags & CEDB_VALIDNAME)) return Fail(ERROR_INVALID_PARAMETER, CEOID{0});
    std::u16string name = CutName(info->szDbaseName, CEDB_MAXDBASENAMELEN);
    std::vector<SORTORDERSPEC> sorts;
    DWORD err = name.empty() ? ERROR_INVALID_PARAMETER : CheckSorts(*info, sorts);
    if (err) return Fail(err, CEOID{0});
    DWORD type = (info->dwFlags & CEDB_VALIDTYPE) ? info->dwDbaseType : 0;
    CEOID oid = 0;
    err = WithVolume(guid, [&](Volume& volume) { return CreateDatabase(volume, name, type, sorts, &oid); });
    return err ? Fail(err, CEOID{0}) : oid;
}

CEOID CeCreateDatabase(LPCWSTR name, DWORD type, WORD sortCount, SORTORDERSPEC* sorts)
{
    if (!name || (sortCount && !sorts) || sortCount > CEDB_MAXSORTORDER) return Fail(ERROR_INVALID_PARAMETER, CEOID{0});
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
    std::u16string cut = CutName(name, static_cast<size_t>(-1));
    std::copy(cut.begin(), cut.end(), info.szDbaseName);
    info.dwDbaseType = type;
    info.wNumSortOrder = sortCount;
    std::copy(sorts, sorts + sortCount, info.rgSortSpecs);
    return CeCreateDatabaseEx(nullptr, &info);
}

BOOL CeDeleteDatabaseEx(PCEGUID guid, CEOID oid)
{
    if (!oid) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    DWORD err = WithVolume(guid, [&](Volume& volume) { return DeleteDatabase(volume, oid); });
    return err ? Fail(err, FALSE) : TRUE;
}

BOOL CeDeleteDatabase(CEOID oid) { return CeDeleteDatabaseEx(nullptr, oid); }

BOOL CeSetDatabaseInfoEx(PCEGUID guid, CEOID oid, PCEDBASEINFO info)
{
    if (!oid || !info) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    DWORD err = WithVolume(guid, [&](Volume& volume) { return SetDatabaseInfo(volume, oid, *info); });
    return err ? Fail(err, FALSE) : TRUE;
}

BOOL CeSetDatabaseInfo(CEOID oid, PCEDBASEINFO info) { return CeSetDatabaseInfoEx(nullptr, oid, info); }

BOOL CeOidGetInfoEx(PCEGUID guid, CEOID oid, PCEOIDINFO info)
{
    if (!oid || !info) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    CEOIDINFO result{};
    DWORD err = WithVolume(guid, [&](Volume& volume) { return GetInfo(volume, oid, result); });
    if (err) return Fail(err, FALSE);
    *info = result;
    return TRUE;
}

BOOL CeOidGetInfo(CEOID oid, PCEOIDINFO info) { return CeOidGetInfoEx(nullptr, oid, info); }

HANDLE CeFindFirstDatabaseEx(PCEGUID guid, DWORD type)
{
    std::shared_ptr<Volume> volume;
    std::vector<CEOID> oids;
    DWORD err = VolumeFor(guid, volume);
    if (!err) {
        std::lock_guard lock(volume->Mutex());
        err = volume->IsOpen() ? ListDatabases(*volume, type, oids) : ERROR_INVALID_PARAMETER;
    }
    if (err) return Fail(err, INVALID_HANDLE_VALUE);
    HANDLE find = platform::AddHandle(std::make_shared<DatabaseFind>(volume, std::move(oids)));
    return find ? find : Fail(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
}

CEOID CeFindNextDatabaseEx(HANDLE find, PCEGUID /*guid: the volume is the one of CeFindFirstDatabaseEx*/)
{
    auto object = platform::LookupHandleAs<DatabaseFind>(find);
    if (!object) return Fail(ERROR_INVALID_HANDLE, CEOID{0});
    CEOID oid = 0;
    DWORD err;
    {
        std::lock_guard lock(object->volume->Mutex());
        err = object->volume->IsOpen() ? NextDatabase(*object, &oid) : ERROR_INVALID_HANDLE;
    }
    return err ? Fail(err, CEOID{0}) : oid;
}
