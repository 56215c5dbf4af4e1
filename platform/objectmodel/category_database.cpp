#include "platform/objectmodel/category_database.h"

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/base/local_memory.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/category_bit_set.h"
#include "platform/objectmodel/pim_databases.h"

namespace {

// The records are read into one buffer of this size, grown only for a record
// that does not fit (a very long name).
constexpr DWORD kReadBufferBytes = 2048;

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

// Leaves the error as the last error too, for callers that report through it.
DWORD Failure(DWORD fallback)
{
    const DWORD error = LastErrorOr(fallback);
    SetLastError(error);
    return error;
}

HANDLE Open(DWORD flags)
{
    CEOID oid = 0;
    return CeOpenDatabaseEx(nullptr, &oid, kCategoriesDatabase, 0, flags, nullptr);
}

// A database handle closed when it goes out of scope.
class OpenedDatabase {
public:
    explicit OpenedDatabase(HANDLE handle) : handle_(handle) {}
    ~OpenedDatabase()
    {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    OpenedDatabase(const OpenedDatabase&) = delete;
    OpenedDatabase& operator=(const OpenedDatabase&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Clears indices from the category blob of every record of the database
// `name`; a database that does not exist holds nothing to clear.
DWORD ClearCategoryBits(const WCHAR* name, const std::vector<int>& indices)
{
    CEOID oid = 0;
    const OpenedDatabase db(CeOpenDatabaseEx(nullptr, &oid, name, 0, CEDB_AUTOINCREMENT, nullptr));
    if (db.Get() == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : Failure(ERROR_BADDB);
    DWORD size = 0;
    platform::LocalBlock buffer;
    for (;;) {
        CEPROPID id = kItemCategories;
        WORD count = 1;
        const CEOID record = CeReadRecordProps(db.Get(), CEDB_ALLOWREALLOC, &count, &id, buffer.InOut(), &size);
        if (!record) return GetLastError() == ERROR_NOT_FOUND ? ERROR_SUCCESS : Failure(ERROR_BADDB);
        const CEPROPVAL& stored = buffer.As<const CEPROPVAL>()[0];
        if (stored.wFlags & CEDB_PROPNOTFOUND) continue;
        std::vector<BYTE> bytes(stored.val.blob.lpb, stored.val.blob.lpb + stored.val.blob.dwCount);
        if (!CategoryBitSet::Clear(bytes, indices)) continue;
        CEPROPVAL update{};
        update.propid = kItemCategories;
        update.wFlags = bytes.empty() ? CEDB_PROPDELETE : 0;
        update.val.blob = {static_cast<DWORD>(bytes.size()), bytes.data()};
        if (!CeWriteRecordProps(db.Get(), record, 1, &update)) return Failure(ERROR_BADDB);
    }
}

SHORT ShortOr(const CEPROPVAL& prop, SHORT absent)
{
    return (prop.wFlags & CEDB_PROPNOTFOUND) ? absent : prop.val.iVal;
}

}  // namespace

bool CategoryDatabase::ReadAll(std::vector<CategoryRecord>& records)
{
    HANDLE db = Open(CEDB_AUTOINCREMENT);
    if (db == INVALID_HANDLE_VALUE) return false;

    CEPROPID ids[] = {kCategoryName,      kCategoryNumber4003, kCategoryMask1Flag, kCategoryMask2Flag,
                      kCategoryMask4Flag, kCategoryShown,      kCategoryBitIndex};
    constexpr WORD kCount = sizeof(ids) / sizeof(ids[0]);
    DWORD size = kReadBufferBytes;
    platform::LocalBlock buffer(LocalAlloc(LMEM_FIXED, size));
    if (buffer && CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr)) {
        for (;;) {
            WORD count = kCount;
            const CEOID oid = CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, ids, buffer.InOut(), &size);
            if (!oid || count != kCount) break;
            const auto* props = buffer.As<const CEPROPVAL>();
            CategoryRecord record;
            record.oid = oid;
            if (!(props[0].wFlags & CEDB_PROPNOTFOUND) && props[0].val.lpwstr) record.name = props[0].val.lpwstr;
            if (!(props[1].wFlags & CEDB_PROPNOTFOUND)) record.prop4003 = static_cast<SHORT>(props[1].val.lVal);
            record.prop4006 = ShortOr(props[2], 0);
            record.prop4005 = ShortOr(props[3], 0);
            record.prop4004 = ShortOr(props[4], 0);
            record.shown = (props[5].wFlags & CEDB_PROPNOTFOUND) ? true : props[5].val.boolVal != 0;
            record.index = ShortOr(props[6], -1);
            records.push_back(std::move(record));
        }
    }
    CloseHandle(db);
    return true;
}

int CategoryDatabase::LowestFreeIndex(const std::vector<int>& used)
{
    std::vector<bool> taken(CategoryBitSet::kIndexLimit, false);
    for (int index : used)
        if (index >= 0 && index < CategoryBitSet::kIndexLimit) taken[index] = true;
    for (int index = 0; index < CategoryBitSet::kIndexLimit; ++index)
        if (!taken[index]) return index;
    return -1;
}

DWORD CategoryDatabase::Add(const WCHAR* name, SHORT index, CEOID* oid)
{
    HANDLE db = Open(0);
    if (db == INVALID_HANDLE_VALUE) return Failure(ERROR_FILE_NOT_FOUND);
    std::u16string stored(name ? name : u"");
    CEPROPVAL props[2] = {};
    props[0].propid = kCategoryName;
    props[0].val.lpwstr = stored.data();
    props[1].propid = kCategoryBitIndex;
    props[1].val.iVal = index;
    const CEOID written = CeWriteRecordProps(db, 0, 2, props);
    const DWORD error = written ? ERROR_SUCCESS : Failure(ERROR_BADDB);
    CloseHandle(db);
    if (written && oid) *oid = written;
    return error;
}

DWORD CategoryDatabase::Delete(const std::vector<CEOID>& oids)
{
    HANDLE db = Open(0);
    if (db == INVALID_HANDLE_VALUE) return Failure(ERROR_FILE_NOT_FOUND);
    DWORD error = ERROR_SUCCESS;
    for (CEOID oid : oids) {
        if (!CeDeleteRecord(db, oid)) {
            error = Failure(ERROR_BADDB);
            break;
        }
    }
    CloseHandle(db);
    return error;
}

DWORD CategoryDatabase::Remove(const std::vector<CEOID>& oids, const std::vector<int>& indices)
{
    DWORD error = ERROR_SUCCESS;
    const bool done = platform::RunObjectStoreTransaction(nullptr, [&] {
        for (const WCHAR* items : {kAppointmentsDatabase, kTasksDatabase, kContactsDatabase})
            if (!indices.empty() && (error = ClearCategoryBits(items, indices))) return false;
        error = Delete(oids);
        return error == ERROR_SUCCESS;
    });
    if (done) return ERROR_SUCCESS;
    if (error) SetLastError(error);
    return Failure(ERROR_BADDB);
}
