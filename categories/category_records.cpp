#include "categories/category_records.h"

#include <mutex>
#include <vector>

#include "categories/category_blob.h"
#include "categories/full_category_list.h"
#include "platform/compare_string.h"
#include "platform/error_codes.h"
#include "platform/handle.h"
#include "platform/last_error.h"
#include "platform/pim_databases.h"
#include "platform/wide_string.h"

namespace {

// Two adders in this process must not both take the same free index.
std::mutex& EditLock()
{
    static std::mutex lock;
    return lock;
}

bool ValidName(const WCHAR* name)
{
    if (!name || !name[0]) return false;
    const size_t length = wcslen(name);
    if (length > static_cast<size_t>(kCategoryNameMaxChars)) return false;
    for (size_t i = 0; i < length; ++i) {
        const WCHAR c = name[i];
        if (c == u',' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

HANDLE OpenCategories()
{
    CEOID oid = 0;
    return CeOpenDatabaseEx(nullptr, &oid, kCategoriesDatabase, 0, 0, nullptr);
}

}  // namespace

DWORD AddCategoryRecord(const WCHAR* name, SHORT* index, CEOID* oid)
{
    if (!ValidName(name)) return ERROR_INVALID_NAME;
    std::lock_guard<std::mutex> hold(EditLock());
    if (!PimDatabases::Ensure()) return LastErrorOr(ERROR_FILE_NOT_FOUND);

    CePtrList<CFullCategory*> all;
    GetFullCategoryInfo(all, true);
    std::vector<bool> taken(kCategoryIndexLimit, false);
    for (CFullCategory* category : all) {
        if (category->m_name && _wcsicmp(category->m_name, name) == 0) return ERROR_ALREADY_EXISTS;
        if (category->m_index >= 0 && category->m_index < kCategoryIndexLimit) taken[category->m_index] = true;
    }
    int free = 0;
    while (free < kCategoryIndexLimit && taken[free]) ++free;
    if (free == kCategoryIndexLimit) return ERROR_NO_MORE_ITEMS;

    HANDLE db = OpenCategories();
    if (db == INVALID_HANDLE_VALUE) return LastErrorOr(ERROR_FILE_NOT_FOUND);
    std::u16string stored(name);
    CEPROPVAL props[2] = {};
    props[0].propid = kCategoryNameProperty;
    props[0].val.lpwstr = stored.data();
    props[1].propid = kCategoryIndexProperty;
    props[1].val.iVal = static_cast<SHORT>(free);
    const CEOID written = CeWriteRecordProps(db, 0, 2, props);
    const DWORD error = written ? ERROR_SUCCESS : LastErrorOr(ERROR_BADDB);
    CloseHandle(db);
    if (written) {
        if (index) *index = static_cast<SHORT>(free);
        if (oid) *oid = written;
        GetFullCategoryInfo(all, true);
    }
    return error;
}

DWORD RemoveCategoryRecord(const WCHAR* name)
{
    if (!name || !name[0]) return ERROR_NOT_FOUND;
    std::lock_guard<std::mutex> hold(EditLock());
    CePtrList<CFullCategory*> all;
    if (!GetFullCategoryInfo(all, true)) {
        // Either no categories or no database: both mean nothing to remove.
        return ERROR_NOT_FOUND;
    }
    HANDLE db = OpenCategories();
    if (db == INVALID_HANDLE_VALUE) return LastErrorOr(ERROR_FILE_NOT_FOUND);
    DWORD result = ERROR_NOT_FOUND;
    for (CFullCategory* category : all) {
        if (!category->m_name || lstrcmpW(category->m_name, name) != 0) continue;
        if (!CeDeleteRecord(db, category->m_oid)) {
            result = LastErrorOr(ERROR_BADDB);
            break;
        }
        result = ERROR_SUCCESS;
    }
    CloseHandle(db);
    GetFullCategoryInfo(all, true);
    return result;
}
