// Refreshing a loaded name list after changes to a few contacts.
#include <algorithm>
#include <unordered_map>

#include "engine/contacts_thread.h"

bool CContactsThread::RefreshRecords(const std::vector<CEOID>& records)
{
    DataLockWait lock(m_dataLock);
    if (!m_bCacheLoaded || m_bSearch || !IsContactsNameFormat(m_lastFormat)) return false;
    // A load reads the settings and the category flags again; a refresh
    // under other settings would keep rows made under the old ones.
    if (!m_bManualSettings) {
        ContactsViewSettings now;
        now.Read(GetSettingsKey());
        if (now.displayFormat != m_lastFormat || now.showNamesOnly != m_settings.showNamesOnly) return false;
        ReadCategoryRestrictSettings();
    }
    // The category filter and the categories' names the rows were filed
    // under, however they were set. New flags read above make it differ, so
    // no row is made under flags other than those of the rows kept.
    if (CategoryStateNow() != m_categoryStateOfLoad) return false;
    if (std::find(m_list.begin(), m_list.end(), nullptr) != m_list.end()) return false;
    if (m_lastRowRead < static_cast<long>(WalkOrder().size())) return false;

    // CategoryStateNow has just read this loader's category table.
    SetPropIds();
    if (!OpenContactsDatabase()) return false;
    InitiateLinksDB();

    // Rows kept as they are, by the cache entry they show.
    std::unordered_map<const CCatCache*, DATACONTACTS*> kept;
    for (DATACONTACTS* row : m_list) kept.emplace(row->cacheEntry, row);
    for (CEOID oid : records) {
        CeDb db;
        CeDbRecord record;
        std::unique_ptr<CCatCache> entry = TakeEntry(oid);
        if (entry) kept.erase(entry.get());
        if (!ReadCacheRecord(db, oid, record)) continue;  // deleted: its entry goes
        if (!entry) entry = std::make_unique<CCatCache>();
        FillEntry(*entry, record, m_lastFormat);
        InsertSorted(std::move(entry));
    }
    FilterCatCacheItems();

    // The display list in walk order, as a load builds it.
    m_list.clear();
    m_pCurrent = nullptr;
    const std::vector<CCatCache*> walk = WalkOrder();
    bool shown = false;
    for (CCatCache* entry : walk) {
        const auto found = kept.find(entry);
        if (found != kept.end()) {
            m_list.push_back(found->second);
            continue;
        }
        SetCurrentEntry(entry);
        AddContactItem(&shown, -1, 0, false, false);
    }
    m_pCurrent = nullptr;
    m_totalRecords = static_cast<long>(m_list.size());
    m_lastRowRead = static_cast<long>(walk.size());
    CloseLinksDB();
    if (m_pMainDB) m_pMainDB->Close();
    return true;
}
