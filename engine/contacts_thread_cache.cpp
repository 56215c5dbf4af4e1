// The category cache of the contact list: the one-pass load, the order of
// each display format, the category filter and the single changes.
#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "categories/category_blob.h"
#include "categories/category_filter.h"
#include "engine/contacts_compare.h"
#include "engine/contacts_thread.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/base/private_heap.h"
#include "platform/locale/compare_string.h"
#include "platform/objectstore/store_schema.h"

namespace {

std::u16string_view TextAt(const CeDbRecord& record, CEPROPID id, int hint)
{
    const CEPROPVAL* value = record.StoredAt(record.FindProp(id, hint));
    if (!value || (value->propid & 0xFFFF) != CEVT_LPWSTR || !value->val.lpwstr) return {};
    return value->val.lpwstr;
}

}  // namespace

void CContactsThread::ClearCatCache()
{
    m_list.clear();
    m_headers.clear();
    m_filtered.clear();
    m_pCurrent = nullptr;
    m_cache.clear();
    m_bCacheLoaded = false;
    m_lastFormat = kContactsNoFormat;
}

std::u16string CContactsThread::CategoryNames(const CEBLOB& blob)
{
    if (blob.dwCount == 0) return {};
    BLOB2Categories(blob, m_scratchCategories);
    WCHAR* text = CategoryAssembler(m_scratchCategories);
    m_scratchCategories.RemoveAll();
    std::u16string names = text ? text : u"";
    if (GetPrivateHeap()) {
        HeapFree(GetPrivateHeap(), 0, text);
    } else {
        std::free(text);
    }
    return names;
}

bool CContactsThread::FillEntry(CCatCache& entry, const CeDbRecord& record, int format)
{
    entry.Clear();
    entry.oid = record.GetOid();
    CEBLOB blob{0, nullptr};
    if (const CEPROPVAL* stored = record.StoredAt(record.FindProp(kItemCategories, 0))) {
        if ((stored->propid & 0xFFFF) == CEVT_BLOB) blob = stored->val.blob;
    }
    bool ok = entry.SetBlob(&blob);
    ok &= CCatCache::SetText(entry.fileAs, TextAt(record, kContactFileAs, 1));
    ok &= CCatCache::SetText(entry.givenName, TextAt(record, kContactFirstName, 2));
    ok &= CCatCache::SetText(entry.surname, TextAt(record, kContactLastName, 3));
    ok &= CCatCache::SetText(entry.company, TextAt(record, kContactCompanyName, 4));
    std::u16string_view group;
    std::u16string categories;
    if (format == kContactsByCompany) {
        group = CCatCache::View(entry.company);
    } else if (format == kContactsByCategory) {
        categories = CategoryNames(entry.Blob());
        group = categories;
    } else {
        for (int i = 5; i < m_cachePropCount && group.empty(); ++i) group = TextAt(record, m_cacheProps[i], i);
    }
    ok &= CCatCache::SetText(entry.groupValue, group);
    return ok;
}

bool CContactsThread::LoadCatCache()
{
    m_cache.clear();
    m_filtered.clear();
    m_bCacheLoaded = false;
    CeDb db;
    if (!db.Open(kContactsDatabase, kContactFileAs, CEDB_AUTOINCREMENT, nullptr)) return false;
    const int format = m_settings.displayFormat;
    CatCachePropID();
    CatCacheGroupByPropID(m_cachePropCount);
    const auto count = static_cast<USHORT>(m_cachePropCount);
    const DWORD size = kContactsBytesPerProperty * count;
    m_cache.reserve(static_cast<size_t>(db.GetNumRecords()));
    CeDbRecord record;
    auto* buffer = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, size));
    if (!buffer) return false;
    record.Attach(0, 0, size, buffer, nullptr);
    if (db.SeekFirst() != 0) {
        while (true) {
            CeDbRecord large;
            const CeDbRecord* read = &record;
            if (!db.ReadRec(record, buffer, size, count, m_cacheProps)) {
                const DWORD error = GetLastError();
                if (error == ERROR_NOT_FOUND) break;
                // A record with giant texts: read once more into a buffer of
                // its own size (the handle has not moved); anything else
                // that cannot be read is passed over.
                if (error != ERROR_INSUFFICIENT_BUFFER || !db.ReadRec(large, count, m_cacheProps)) {
                    if (db.SeekNext() == 0) break;
                    continue;
                }
                read = &large;
            }
            auto entry = std::make_unique<CCatCache>();
            FillEntry(*entry, *read, format);
            m_cache.push_back(std::move(entry));
        }
    }
    m_bCacheLoaded = true;
    m_lastFormat = kContactsNoFormat;
    return true;
}

void CContactsThread::SortCatCache(int format)
{
    auto before = [format](const auto& a, const auto& b) {
        return CompareCatCacheItem(a.get(), b.get(), static_cast<unsigned long>(format)) < 0;
    };
    // The store hands the contacts over in file-as order ignoring case, so
    // the file-as list is nearly sorted already: entries out of place are
    // then moved one by one, which takes far fewer comparisons than a sort.
    size_t outOfPlace = 0;
    for (size_t i = 1; i < m_cache.size(); ++i) outOfPlace += before(m_cache[i], m_cache[i - 1]) ? 1 : 0;
    if (outOfPlace * 64 > m_cache.size()) {
        std::stable_sort(m_cache.begin(), m_cache.end(), before);
    } else {
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
            if (it == m_cache.begin() || !before(*it, *(it - 1))) continue;
            std::rotate(std::upper_bound(m_cache.begin(), it, *it, before), it, it + 1);
        }
    }
    m_lastFormat = format;
}

bool CContactsThread::UpdateCatCacheForGroupBy()
{
    const int format = m_settings.displayFormat;
    if (format == kContactsByCompany || format == kContactsByCategory) {
        for (auto& entry : m_cache) {
            const std::u16string group = format == kContactsByCompany ? std::u16string(CCatCache::View(entry->company))
                                                                      : CategoryNames(entry->Blob());
            CCatCache::SetText(entry->groupValue, group);
        }
        return true;
    }
    CeDb db;
    if (!db.Open(kContactsDatabase, kContactFileAs, 0, nullptr)) return false;
    std::unordered_map<DWORD, CCatCache*> byOid;
    for (auto& entry : m_cache) byOid.emplace(entry->oid, entry.get());
    const int first = CatCachePropID();
    const int groupCount = CatCacheGroupByPropID(first);
    for (CEOID oid = db.SeekFirst(); oid != 0; oid = db.SeekNext()) {
        const auto found = byOid.find(oid);
        if (found == byOid.end()) continue;
        CeDbRecord record;
        std::u16string_view group;
        if (groupCount > 0 && db.ReadRec(record, static_cast<USHORT>(groupCount), m_cacheProps + first)) {
            for (int i = 0; i < groupCount && group.empty(); ++i) group = TextAt(record, m_cacheProps[first + i], i);
        }
        CCatCache::SetText(found->second->groupValue, group);
    }
    return true;
}

std::vector<CCatCache*> CContactsThread::WalkOrder() const
{
    if (m_bFiltered) return m_filtered;
    std::vector<CCatCache*> walk;
    walk.reserve(m_cache.size());
    for (const auto& entry : m_cache) walk.push_back(entry.get());
    return walk;
}

void CContactsThread::FilterCatCacheItems()
{
    const CCategoryFilterInfo& filter = m_categoryRestrict;
    m_bFiltered =
        filter.bHideCategories != kCategoryShowSelected || (filter.m_pSelected && !filter.m_pSelected->IsEmpty());
    m_filtered.clear();
    if (!m_bFiltered) return;
    for (const auto& entry : m_cache) {
        const CEBLOB blob = entry->Blob();
        if (CategoryFilterHighLevel(&blob, &filter)) m_filtered.push_back(entry.get());
    }
}

void CContactsThread::FinishUpdatingCatCacheItem()
{
    DataLockWait lock(m_dataLock);
    FilterCatCacheItems();
}

int CContactsThread::FindCatCacheItem(DWORD oid, int start) const
{
    for (size_t i = start < 0 ? 0 : static_cast<size_t>(start); i < m_cache.size(); ++i) {
        if (m_cache[i]->oid == oid) return static_cast<int>(i);
    }
    return -1;
}

bool CContactsThread::ReadCacheRecord(CeDb& db, DWORD oid, CeDbRecord& record)
{
    CatCachePropID();
    CatCacheGroupByPropID(m_cachePropCount);
    return db.Open(kContactsDatabase, kContactFileAs, 0, nullptr) && db.SeekTo(oid) == oid &&
           db.ReadRec(record, static_cast<USHORT>(m_cachePropCount), m_cacheProps);
}

std::unique_ptr<CCatCache> CContactsThread::TakeEntry(DWORD oid)
{
    const int at = FindCatCacheItem(oid);
    if (at < 0) return nullptr;
    std::unique_ptr<CCatCache> entry = std::move(m_cache[static_cast<size_t>(at)]);
    m_cache.erase(m_cache.begin() + at);
    return entry;
}

void CContactsThread::InsertSorted(std::unique_ptr<CCatCache> entry)
{
    const auto format = static_cast<unsigned long>(m_lastFormat);
    auto before = [format](const auto& a, const auto& b) { return CompareCatCacheItem(a.get(), b.get(), format) < 0; };
    auto [first, last] = std::equal_range(m_cache.begin(), m_cache.end(), entry, before);
    // Among equal entries a load keeps the store's order, file-as ignoring
    // case, and so does an entry that comes later.
    const auto at = std::upper_bound(first, last, entry, [](const auto& a, const auto& b) {
        return lstrcmpiW(a->fileAs ? a->fileAs : u"", b->fileAs ? b->fileAs : u"") < 0;
    });
    m_cache.insert(at, std::move(entry));
}

void CContactsThread::RemoveRowsOf(const CCatCache* entry)
{
    const auto gone = std::remove_if(m_list.begin(), m_list.end(),
                                     [entry](const DATACONTACTS* row) { return row && row->cacheEntry == entry; });
    m_list.erase(gone, m_list.end());
    m_totalRecords = static_cast<long>(m_list.size());
    if (m_pCurrent == entry) m_pCurrent = nullptr;
}

bool CContactsThread::AddCatCacheItem(DWORD oid)
{
    DataLockWait lock(m_dataLock);
    if (!m_bCacheLoaded) return false;
    if (m_lastFormat == kContactsByCategory) SetupThreadResources();
    CeDb db;
    CeDbRecord record;
    if (!ReadCacheRecord(db, oid, record)) return false;
    std::unique_ptr<CCatCache> entry = TakeEntry(oid);
    if (!entry) entry = std::make_unique<CCatCache>();
    // A contact already cached is refilled in place (rows keep pointing at
    // it); an entry short of memory still goes back with what it holds.
    const bool filled = FillEntry(*entry, record, m_lastFormat);
    InsertSorted(std::move(entry));
    FilterCatCacheItems();
    return filled;
}

bool CContactsThread::UpdateCatCacheItem(DWORD oid)
{
    DataLockWait lock(m_dataLock);
    if (!m_bCacheLoaded || FindCatCacheItem(oid) < 0) return false;
    if (m_lastFormat == kContactsByCategory) SetupThreadResources();
    CeDb db;
    CeDbRecord record;
    if (!ReadCacheRecord(db, oid, record)) return false;
    // The entry object stays the same, so rows built from it stay valid.
    std::unique_ptr<CCatCache> entry = TakeEntry(oid);
    const bool filled = FillEntry(*entry, record, m_lastFormat);
    InsertSorted(std::move(entry));
    FilterCatCacheItems();
    return filled;
}

bool CContactsThread::DeleteCatCacheItem(DWORD oid)
{
    DataLockWait lock(m_dataLock);
    std::unique_ptr<CCatCache> entry = TakeEntry(oid);
    if (!entry) return false;
    RemoveRowsOf(entry.get());
    FilterCatCacheItems();
    return true;
}
