#include "categories/full_category_list.h"

#include <mutex>
#include <new>
#include <vector>

#include "platform/handle.h"
#include "platform/local_memory.h"
#include "platform/pim_databases.h"

namespace {

// The records are read into one buffer of this size, grown only for a record
// that does not fit (a very long name).
constexpr DWORD kReadBufferBytes = 2048;

struct CategoryCache {
    std::mutex lock;
    CePtrList<CFullCategory*> categories;  // owned (delete policy 1)
    CePtrList<CFullCategory*> shared;      // the shared list's storage
    std::mutex sharedLock;                 // serialises refills of `shared`

    CategoryCache()
    {
        categories.SetDeletePolicy(1);
        shared.SetDeletePolicy(1);
    }
};

CategoryCache& Cache()
{
    static CategoryCache cache;
    return cache;
}

SHORT ShortOr(const CEPROPVAL& prop, SHORT absent)
{
    return (prop.wFlags & CEDB_PROPNOTFOUND) ? absent : prop.val.iVal;
}

// Reads every record into `into` (which is emptied first), deleting records
// without a name. False when the database cannot be opened.
bool ReadDatabase(CePtrList<CFullCategory*>& into)
{
    CEOID dbOid = 0;
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, kCategoriesDatabase, 0, CEDB_AUTOINCREMENT, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    into.RemoveAll();

    CEPROPID ids[] = {kCategoryNameProperty,  kCategory4003Property, kCategory4006Property, kCategory4005Property,
                      kCategory4004Property, kCategoryShownProperty, kCategoryIndexProperty};
    DWORD size = kReadBufferBytes;
    auto* buffer = static_cast<LPBYTE>(LocalAlloc(LMEM_FIXED, size));
    std::vector<CEOID> nameless;
    if (buffer && CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr)) {
        for (;;) {
            WORD count = 7;
            const CEOID oid = CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, ids, &buffer, &size);
            if (!oid || count != 7) break;
            const auto* props = reinterpret_cast<const CEPROPVAL*>(buffer);
            const WCHAR* name = (props[0].wFlags & CEDB_PROPNOTFOUND) ? nullptr : props[0].val.lpwstr;
            if (!name || !name[0]) {
                // A nameless category can be neither shown nor chosen.
                nameless.push_back(oid);
                continue;
            }
            auto* category = new (std::nothrow) CFullCategory(name, ShortOr(props[6], -1), oid);
            if (!category) break;
            category->m_prop4003 =
                (props[1].wFlags & CEDB_PROPNOTFOUND) ? 1 : static_cast<SHORT>(props[1].val.lVal);
            category->m_prop4006 = ShortOr(props[2], 0);
            category->m_prop4005 = ShortOr(props[3], 0);
            category->m_prop4004 = ShortOr(props[4], 0);
            category->m_shown = (props[5].wFlags & CEDB_PROPNOTFOUND) ? true : props[5].val.boolVal != 0;
            into.Append(category);
        }
    }
    // Deleted after the walk, so that no deletion moves the read position.
    for (CEOID oid : nameless) CeDeleteRecord(db, oid);
    if (buffer) LocalFree(buffer);
    CloseHandle(db);
    return true;
}

void CopyInto(const CePtrList<CFullCategory*>& from, CePtrList<CFullCategory*>& out)
{
    out.RemoveAll();
    out.SetDeletePolicy(1);
    for (CFullCategory* category : from)
        if (CFullCategory* copy = category->Copy()) out.Append(copy);
}

}  // namespace

int GetFullCategoryInfo(CePtrList<CFullCategory*>& out, bool refresh)
{
    CategoryCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    if (refresh || cache.categories.IsEmpty()) {
        CePtrList<CFullCategory*> fresh;
        fresh.SetDeletePolicy(1);
        if (!ReadDatabase(fresh)) return 0;
        cache.categories = std::move(fresh);
    }
    CopyInto(cache.categories, out);
    return out.GetCount();
}

void ResetFullCategoryList()
{
    CategoryCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.sharedLock);
    GetFullCategoryInfo(cache.shared, true);
}

CePtrList<CFullCategory*>& SharedFullCategoryList() { return Cache().shared; }

void FreeFullCategoryCache()
{
    CategoryCache& cache = Cache();
    {
        std::lock_guard<std::mutex> hold(cache.sharedLock);
        cache.shared.RemoveAll();
    }
    std::lock_guard<std::mutex> hold(cache.lock);
    cache.categories.RemoveAll();
}
