#include "categories/pim_record_categories.h"

#include "categories/category_blob.h"
#include "categories/category_text.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "storage/c_outlook.h"

namespace {

bool IsItemDatabase(const WCHAR* name) { return name[0] == u'A' || name[0] == u'C' || name[0] == u'T'; }

// Writes the blob of text's categories into the record; false on failure.
bool WriteBlob(CEOID database, CEOID record, const WCHAR* text)
{
    HANDLE db = CeOpenDatabaseEx(nullptr, &database, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    bool written = false;
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, record, nullptr) == record) {
        CePtrList<CFullCategory*> named;
        if (text && text[0]) ReadCategory(named, text);
        COwnedCategoryBlob blob;
        if (Categories2BLOB(blob.Get(), named)) {
            CEPROPVAL prop{};
            prop.propid = kItemCategories;
            if (blob->dwCount) {
                prop.val.blob = *blob;
            } else {
                // No categories are stored as no blob.
                prop.wFlags = CEDB_PROPDELETE;
            }
            written = CeWriteRecordProps(db, record, 1, &prop) == record;
        }
    }
    CloseHandle(db);
    return written;
}

}  // namespace

bool SaveCategoriesToPIMRecord(const WCHAR* text, IDispatch** item, long oid, bool reopen)
{
    const CEOID record = static_cast<CEOID>(oid);
    CEOIDINFO recordInfo{};
    if (!record || !CeOidGetInfo(record, &recordInfo) || recordInfo.wObjType != OBJTYPE_RECORD) return false;
    CEOIDINFO databaseInfo{};
    if (!CeOidGetInfo(recordInfo.infRecord.oidParent, &databaseInfo) || databaseInfo.wObjType != OBJTYPE_DATABASE) {
        return false;
    }
    bool released = false;
    if (item && *item && IsItemDatabase(databaseInfo.infDatabase.szDbaseName)) {
        (*item)->Release();
        *item = nullptr;
        released = true;
    }
    const bool written = WriteBlob(recordInfo.infRecord.oidParent, record, text);
    if (reopen && item && (released || !*item)) COutlook::GetOutlookObject().GetItemFromOid(oid, item);
    return written;
}
