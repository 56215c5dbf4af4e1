// Database handles: opening, seeking, reading, writing and deleting records;
// transactions of several calls.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/base/private_heap.h"
#include "platform/messaging/messages.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/cedb_record_block.h"
#include "platform/objectstore/internal/cedb_database_handle.h"
#include "platform/objectstore/internal/cedb_database_row.h"
#include "platform/objectstore/internal/cedb_volume_table.h"
#include "platform/objectstore/internal/search_text_store.h"
#include "platform/text/debug_output.h"

namespace platform::cedb {
namespace {

// A stored record that does not decode is reported to the developer's trace
// as well as to the caller (ERROR_FILE_CORRUPT), so that damage is noticed.
DWORD Decoded(DWORD error, CEOID oid)
{
    if (error) {
        std::string line =
            "object store: record " + std::to_string(oid) + " is damaged (error " + std::to_string(error) + ")\n";
        std::u16string text(line.begin(), line.end());
        OutputDebugStringW(text.c_str());
    }
    return error;
}

template <class T>
T Fail(DWORD error, T result)
{
    SetLastError(error);
    return result;
}

std::shared_ptr<DatabaseHandle> LookupDatabase(HANDLE handle)
{
    auto object = LookupHandleAs<DatabaseHandle>(handle);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

void Notify(const std::vector<HWND>& targets, UINT message, CEOID record, CEOID db)
{
    for (HWND hwnd : targets) PostMessageW(hwnd, message, record, static_cast<LPARAM>(db));
}

DWORD ValueSeek(DatabaseHandle& handle, DWORD type, DWORD_PTR value)
{
    const auto* prop = reinterpret_cast<const CEPROPVAL*>(value);
    if (!prop || handle.Slot() < 0 || TypeFromPropID(prop->propid) != TypeFromPropID(handle.Order().propid))
        return ERROR_INVALID_PARAMETER;
    StoredProp stored;
    if (DWORD err = PropFromValue(*prop, stored)) return err;
    const SORTORDERSPEC& order = handle.Order();
    std::string key = handle.GetVolume().Keys().RecordKey(order, &stored);
    Cursor& cursor = handle.Position();
    switch (type) {
        case CEDB_SEEK_VALUESMALLER:
            return cursor.ToLastBelow(SortKeyBuilder::PresentLow(order), key);
        case CEDB_SEEK_VALUEFIRSTEQUAL:
            return cursor.ToFirstEqual(key);
        case CEDB_SEEK_VALUEGREATER:
            return cursor.ToFirstAbove(key, SortKeyBuilder::PresentHigh(order));
        default:
            return cursor.ToNextEqual(key);
    }
}

DWORD Seek(DatabaseHandle& handle, DWORD type, DWORD_PTR value)
{
    Cursor& cursor = handle.Position();
    // Counts and offsets travel as 32-bit values, negative ones included.
    auto signedValue = static_cast<LONG>(static_cast<DWORD>(value));
    switch (type) {
        case CEDB_SEEK_CEOID:
            return value ? cursor.ToOid(static_cast<CEOID>(value)) : ERROR_NOT_FOUND;
        case CEDB_SEEK_BEGINNING:
            return cursor.ToNth(static_cast<DWORD>(value));
        case CEDB_SEEK_END:
            return cursor.ToNthFromEnd(signedValue < 0 ? -static_cast<std::int64_t>(signedValue) : signedValue);
        case CEDB_SEEK_CURRENT:
            return cursor.Move(signedValue);
        case CEDB_SEEK_VALUESMALLER:
        case CEDB_SEEK_VALUEFIRSTEQUAL:
        case CEDB_SEEK_VALUEGREATER:
        case CEDB_SEEK_VALUENEXTEQUAL:
            return ValueSeek(handle, type, value);
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

// Where a read's block goes: the caller's buffer when it is large enough,
// else (CEDB_ALLOWREALLOC) a block made or grown on the local heap or the
// heap given.
DWORD PlaceBlock(DWORD flags, size_t bytes, HANDLE heap, LPBYTE* buffer, LPDWORD size)
{
    if (bytes > 0x7FFFFFFF) return ERROR_NOT_ENOUGH_MEMORY;
    size_t capacity = *buffer ? *size : 0;
    if ((flags & CEDB_ALLOWREALLOC) && *buffer) {
        // A size larger than the block really is would let us write past it.
        size_t real = heap ? HeapSize(heap, 0, *buffer) : LocalSize(*buffer);
        if (real == static_cast<size_t>(-1)) real = 0;
        capacity = std::min(capacity, real);
    }
    if (bytes <= capacity) return ERROR_SUCCESS;
    if (!(flags & CEDB_ALLOWREALLOC)) {
        *size = static_cast<DWORD>(bytes);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    void* block = nullptr;
    if (heap)
        block = *buffer ? HeapReAlloc(heap, 0, *buffer, bytes) : HeapAlloc(heap, 0, bytes);
    else
        block = *buffer ? LocalReAlloc(*buffer, bytes, LMEM_MOVEABLE) : LocalAlloc(LMEM_FIXED, bytes);
    if (!block) return ERROR_NOT_ENOUGH_MEMORY;
    *buffer = static_cast<LPBYTE>(block);
    *size = static_cast<DWORD>(bytes);
    return ERROR_SUCCESS;
}

// The stored record `oid` of database `db` and the size its database
// counted for it: ERROR_NOT_FOUND when there is none, ERROR_INVALID_PARAMETER
// when the OID names another object.
DWORD LoadRecord(Volume& volume, CEOID db, CEOID oid, std::string& props, std::int64_t* size)
{
    Statement st(volume.Statements(), "SELECT db, props, size FROM records WHERE oid = ?1");
    int rc = st.Bind(1, oid).Step();
    if (rc == SQLITE_ROW) {
        if (static_cast<CEOID>(st.Int(0)) != db) return ERROR_INVALID_PARAMETER;
        props.assign(st.Bytes(1));
        *size = st.Int(2);
        return ERROR_SUCCESS;
    }
    if (rc != SQLITE_DONE) return MapSqliteError(rc);
    Statement isDatabase(volume.Statements(), "SELECT 1 FROM databases WHERE oid = ?1");
    rc = isDatabase.Bind(1, oid).Step();
    if (rc == SQLITE_ROW) return ERROR_INVALID_PARAMETER;
    return rc == SQLITE_DONE ? ERROR_NOT_FOUND : MapSqliteError(rc);
}

DWORD TouchDatabase(Volume& volume, CEOID db, std::int64_t recordDelta, std::int64_t byteDelta)
{
    Statement st(volume.Statements(),
                 "UPDATE databases SET modified = ?2, records = records + ?3, bytes = bytes + ?4 WHERE oid = ?1");
    return st.Bind(1, db).Bind(2, NowFileTime()).Bind(3, recordDelta).Bind(4, byteDelta).Run();
}

DWORD WriteRecord(DatabaseHandle& handle, CEOID oid, WORD count, const CEPROPVAL* values, CEOID* written)
{
    Volume& volume = handle.GetVolume();
    Transaction tx(volume.Statements(), true);
    if (DWORD err = tx.Status()) return err;
    DatabaseRow db;
    DWORD err = LoadDatabase(volume, handle.Db(), db);
    if (err) return err == ERROR_FILE_NOT_FOUND ? ERROR_INVALID_HANDLE : err;
    if ((err = volume.LoadCollation())) return err;
    std::string old;
    std::int64_t oldSize = 0;
    std::vector<StoredProp> props;
    if (oid) {
        if ((err = LoadRecord(volume, db.oid, oid, old, &oldSize))) return err;
        if ((err = Decoded(DecodeRecord(old, props), oid))) return err;
    }
    if ((err = MergeProps(props, values, count))) return err;
    std::string encoded = EncodeRecord(props);
    if (encoded.size() > kMaxRecordBytes) return ERROR_BAD_LENGTH;
    RecordKeys keys = KeysOf(volume.Keys(), db.sorts, props);
    if (!oid && (err = volume.AllocateOid(&oid))) return err;
    Statement st(volume.Statements(),
                 "INSERT INTO records(oid, db, size, props, k0, k1, k2, k3) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) "
                 "ON CONFLICT(oid) DO UPDATE SET size = excluded.size, props = excluded.props, k0 = excluded.k0, "
                 "k1 = excluded.k1, k2 = excluded.k2, k3 = excluded.k3");
    st.Bind(1, oid).Bind(2, db.oid).Bind(3, static_cast<std::int64_t>(encoded.size())).BindBlob(4, encoded);
    for (int slot = 0; slot < CEDB_MAXSORTORDER; ++slot) {
        if (keys[slot])
            st.BindBlob(slot + 5, *keys[slot]);
        else
            st.BindNull(slot + 5);
    }
    if ((err = st.Run())) return err;
    if ((err = WriteSearchText(volume, db.oid, oid, props))) return err;
    bool added = old.empty();
    std::int64_t growth = static_cast<std::int64_t>(encoded.size()) - oldSize;
    if ((err = TouchDatabase(volume, db.oid, added ? 1 : 0, growth))) return err;
    if ((err = volume.LogChange(db.oid, oid, added ? DB_CEOID_CREATED : DB_CEOID_CHANGED))) return err;
    volume.NoteWrite();
    if ((err = tx.Commit())) return err;
    volume.NoteWrite();
    *written = oid;
    return ERROR_SUCCESS;
}

DWORD DeleteRecord(DatabaseHandle& handle, CEOID oid)
{
    Volume& volume = handle.GetVolume();
    Transaction tx(volume.Statements(), true);
    if (DWORD err = tx.Status()) return err;
    std::string old;
    std::int64_t oldSize = 0;
    if (DWORD err = LoadRecord(volume, handle.Db(), oid, old, &oldSize)) return err;
    Statement st(volume.Statements(), "DELETE FROM records WHERE oid = ?1");
    if (DWORD err = st.Bind(1, oid).Run()) return err;
    if (DWORD err = TouchDatabase(volume, handle.Db(), -1, -oldSize)) return err;
    if (DWORD err = volume.LogChange(handle.Db(), oid, DB_CEOID_RECORD_DELETED)) return err;
    volume.NoteWrite();
    if (DWORD err = tx.Commit()) return err;
    volume.NoteWrite();
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace platform::cedb

using namespace platform::cedb;

HANDLE CeOpenDatabaseEx(PCEGUID guid, CEOID* oid, LPCWSTR name, CEPROPID sortPropId, DWORD flags, HWND notify)
{
    const bool oidOrder = (flags & CEDB_OIDORDER) != 0;
    if (!oid || (!*oid && (!name || !*name)) || (flags & ~(CEDB_AUTOINCREMENT | CEDB_OIDORDER)) ||
        (oidOrder && sortPropId != 0))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::shared_ptr<Volume> volume;
    if (DWORD err = VolumeFor(guid, volume)) return Fail(err, INVALID_HANDLE_VALUE);
    std::shared_ptr<DatabaseHandle> object;
    {
        std::lock_guard lock(volume->Mutex());
        if (!volume->IsOpen()) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
        if (DWORD err = volume->FollowUserLocale()) return Fail(err, INVALID_HANDLE_VALUE);
        DatabaseRow db;
        {
            Transaction read(volume->Statements(), false);
            if (DWORD err = read.Status()) return Fail(err, INVALID_HANDLE_VALUE);
            DWORD err = *oid ? LoadDatabase(*volume, *oid, db) : FindDatabase(*volume, name, db);
            if (err) return Fail(err, INVALID_HANDLE_VALUE);
        }
        int slot = -1;
        for (size_t i = 0; i < db.sorts.size() && slot < 0 && !oidOrder; ++i)
            if (sortPropId == 0 || db.sorts[i].propid == sortPropId) slot = static_cast<int>(i);
        if (slot < 0 && sortPropId != 0) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
        SORTORDERSPEC order = slot >= 0 ? db.sorts[static_cast<size_t>(slot)] : SORTORDERSPEC{0, 0};
        object = std::make_shared<DatabaseHandle>(volume, db.oid, slot, order, flags, notify);
        *oid = db.oid;
    }
    // Outside the volume's lock: a failure here destroys the object, which
    // takes the lock.
    HANDLE handle = platform::AddHandle(object);
    if (!handle) return Fail(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
    return handle;
}

HANDLE CeOpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortPropId, DWORD flags, HWND notify)
{
    return CeOpenDatabaseEx(nullptr, oid, name, sortPropId, flags, notify);
}

CEOID CeSeekDatabase(HANDLE db, DWORD seekType, DWORD_PTR value, LPDWORD index)
{
    auto handle = LookupDatabase(db);
    if (!handle) return 0;
    CEOID found = 0;
    DWORD err;
    {
        std::lock_guard lock(handle->GetVolume().Mutex());
        err = handle->BeginCall();
        // Moving forward from the current record keeps a search-text
        // narrowing of the walk; every other seek leaves it.
        if (!(seekType == CEDB_SEEK_CURRENT && static_cast<LONG>(static_cast<DWORD>(value)) > 0))
            handle->Position().Unrestrict();
        if (!err) err = Seek(*handle, seekType, value);
        if (!err && index) err = handle->Position().Index(index);
        found = handle->Position().Oid();
    }
    return err ? Fail(err, CEOID{0}) : found;
}

CEOID CeReadRecordPropsEx(HANDLE db, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer, LPDWORD size,
                          HANDLE heap)
{
    if ((flags & ~CEDB_ALLOWREALLOC) || !count || !buffer || !size || (*count && !ids))
        return Fail(ERROR_INVALID_PARAMETER, CEOID{0});
    auto handle = LookupDatabase(db);
    if (!handle) return 0;
    std::lock_guard lock(handle->GetVolume().Mutex());
    if (DWORD err = handle->BeginCall()) return Fail(err, CEOID{0});
    CursorRow row;
    if (DWORD err = handle->Position().Current(&row)) return Fail(err, CEOID{0});
    // The block is written straight from the cursor's stored row.
    RecordBlock& block = handle->ReadBlock();
    if (DWORD err = Decoded(block.Assign(row.props, ids, ids ? *count : 0), row.oid)) return Fail(err, CEOID{0});
    if (DWORD err = PlaceBlock(flags, block.Bytes(), heap, buffer, size)) return Fail(err, CEOID{0});
    if (block.Bytes()) block.Fill(*buffer);
    *count = block.Count();
    CEOID oid = row.oid;
    if (handle->AutoIncrement()) handle->Position().Advance();
    return oid;
}

CEOID CeReadRecordProps(HANDLE db, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer, LPDWORD size)
{
    return CeReadRecordPropsEx(db, flags, count, ids, buffer, size, nullptr);
}

CEOID CeWriteRecordProps(HANDLE db, CEOID oid, WORD count, CEPROPVAL* props)
{
    if (count && !props) return Fail(ERROR_INVALID_PARAMETER, CEOID{0});
    for (WORD i = 0; i < count; ++i) {
        StoredProp checked;
        if (props[i].wFlags & CEDB_PROPDELETE) continue;
        if (DWORD err = PropFromValue(props[i], checked)) return Fail(err, CEOID{0});
    }
    auto handle = LookupDatabase(db);
    if (!handle) return 0;
    CEOID written = 0;
    std::vector<HWND> targets;
    {
        std::lock_guard lock(handle->GetVolume().Mutex());
        DWORD err = handle->BeginCall();
        if (!err) err = WriteRecord(*handle, oid, count, props, &written);
        if (err) return Fail(err, CEOID{0});
        handle->KeepCheckAfterOwnWrite();
        targets = handle->GetVolume().NotifyTargets(handle->Db());
    }
    Notify(targets, oid ? DB_CEOID_CHANGED : DB_CEOID_CREATED, written, handle->Db());
    return written;
}

BOOL CeDeleteRecord(HANDLE db, CEOID oid)
{
    if (!oid) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    auto handle = LookupDatabase(db);
    if (!handle) return FALSE;
    std::vector<HWND> targets;
    {
        std::lock_guard lock(handle->GetVolume().Mutex());
        DWORD err = handle->BeginCall();
        if (!err) err = DeleteRecord(*handle, oid);
        if (err) return Fail(err, FALSE);
        handle->KeepCheckAfterOwnWrite();
        if (handle->AutoIncrement()) handle->Position().Deleted(oid);
        targets = handle->GetVolume().NotifyTargets(handle->Db());
    }
    Notify(targets, DB_CEOID_RECORD_DELETED, oid, handle->Db());
    return TRUE;
}

BOOL platform::RunObjectStoreTransaction(const CEGUID* guid, const std::function<bool()>& body)
{
    std::shared_ptr<Volume> volume;
    if (DWORD err = VolumeFor(guid, volume)) return Fail(err, FALSE);
    std::lock_guard lock(volume->Mutex());
    if (!volume->IsOpen()) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    // Handles that read inside the transaction (and readers elsewhere that
    // looked while it ran) must look again once it is committed or undone.
    struct RaiseAtEnd {
        Volume& volume;
        ~RaiseAtEnd() { volume.NoteWrite(); }
    } raise{*volume};
    Transaction tx(volume->Statements(), true);
    if (DWORD err = tx.Status()) return Fail(err, FALSE);
    if (!body()) return FALSE;
    volume->NoteWrite();
    if (DWORD err = tx.Commit()) return Fail(err, FALSE);
    return TRUE;
}
