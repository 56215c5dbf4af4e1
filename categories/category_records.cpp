#include "categories/category_records.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "categories/full_category_list.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/compare_string.h"
#include "platform/objectmodel/category_database.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/text/wide_string.h"

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

}  // namespace

DWORD AddCategoryRecord(const WCHAR* name, SHORT* index, CEOID* oid)
{
    if (!ValidName(name)) return ERROR_INVALID_NAME;
    std::lock_guard<std::mutex> hold(EditLock());
    if (!PimDatabases::Ensure()) {
        const DWORD error = GetLastError();
        return error ? error : ERROR_FILE_NOT_FOUND;
    }

    CePtrList<CFullCategory*> all;
    GetFullCategoryInfo(all, true);
    std::vector<int> used;
    for (CFullCategory* category : all) {
        if (category->m_name && _wcsicmp(category->m_name, name) == 0) return ERROR_ALREADY_EXISTS;
        used.push_back(category->m_index);
    }
    const int free = CategoryDatabase::LowestFreeIndex(used);
    if (free < 0) return ERROR_NO_MORE_ITEMS;

    CEOID written = 0;
    const DWORD error = CategoryDatabase::Add(name, static_cast<SHORT>(free), &written);
    if (error == ERROR_SUCCESS) {
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
    std::vector<CEOID> matching;
    std::vector<int> freed;
    std::vector<int> kept;
    for (CFullCategory* category : all) {
        const bool match = category->m_name && lstrcmpW(category->m_name, name) == 0;
        if (match) matching.push_back(category->m_oid);
        (match ? freed : kept).push_back(category->m_index);
    }
    // A bit that a category still there shares stays on the items.
    std::erase_if(freed, [&](int index) { return std::find(kept.begin(), kept.end(), index) != kept.end(); });
    DWORD result = CategoryDatabase::Remove(matching, freed);
    if (result == ERROR_SUCCESS && matching.empty()) result = ERROR_NOT_FOUND;
    GetFullCategoryInfo(all, true);
    return result;
}
