#include "categories/full_category_list.h"

#include <mutex>
#include <new>
#include <vector>

namespace {

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

// Reads every record into `into` (which is emptied first), deleting records
// without a name. False when the database cannot be opened.
bool ReadDatabase(CePtrList<CFullCategory*>& into)
{
    std::vector<CategoryRecord> records;
    if (!CategoryDatabase::ReadAll(records)) return false;
    into.RemoveAll();

    std::vector<CEOID> nameless;
    for (const CategoryRecord& record : records) {
        if (record.name.empty()) {
            // A nameless category can be neither shown nor chosen.
            nameless.push_back(record.oid);
            continue;
        }
        auto* category = new (std::nothrow) CFullCategory(record.name.c_str(), record.index, record.oid);
        if (!category) break;
        category->m_prop4003 = record.prop4003;
        category->m_prop4006 = record.prop4006;
        category->m_prop4005 = record.prop4005;
        category->m_prop4004 = record.prop4004;
        category->m_shown = record.shown;
        into.Append(category);
    }
    // Each on its own, so that one that cannot be deleted keeps none of the
    // others.
    for (CEOID oid : nameless) CategoryDatabase::Delete({oid});
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
