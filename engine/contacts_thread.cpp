#include "engine/contacts_thread.h"

#include "engine/scoped_data_lock.h"
#include "platform/objectstore/store_schema.h"

namespace {

// The communication fields, in the order the second line tries them.
constexpr ULONG kCommunicationFields[kContactsCommunicationFields] = {
    kContactBusinessTelephoneNumber,
    kContactMobileTelephoneNumber,
    kContactPagerNumber,
    kContactHomeTelephoneNumber,
    kContactEmail1Address,
    kContactEmail2Address,
    kContactEmail3Address,
    kContactBusiness2TelephoneNumber,
    kContactHome2TelephoneNumber,
    kContactBusinessFaxNumber,
    kContactRadioTelephoneNumber,
    kContactCarTelephoneNumber,
    kContactAssistantTelephoneNumber,
    kContactHomeFaxNumber,
};

constexpr ULONG kCacheBaseProps[] = {kItemCategories, kContactFileAs, kContactFirstName, kContactLastName,
                                     kContactCompanyName};

}  // namespace

CContactsThread::CContactsThread()
{
    SetSettingsKey(kContactsSettingsKey);
    SettingChange();
}

CContactsThread::~CContactsThread()
{
    // PostKill is ours: the thread must stop while this object is whole.
    Stop(true);
    m_list.clear();
    DestroyPrivateHeap();
}

void CContactsThread::SettingChange()
{
    m_settings.Read(GetSettingsKey());
    ReadCategoryRestrictSettings();
}

void CContactsThread::SetCategoryRestrict(bool save)
{
    CKSDataThread::SetCategoryRestrict(save);
    DataLockWait lock(m_dataLock);
    FilterCatCacheItems();
}

int CContactsThread::SetPropIds()
{
    m_rowPropCount = 0;
    m_rowProps[m_rowPropCount++] = kContactExtraText;
    m_rowProps[m_rowPropCount++] = kItemNote;
    if (!m_settings.showNamesOnly || (m_bSearch && m_bSearchAll)) {
        for (ULONG id : kCommunicationFields) m_rowProps[m_rowPropCount++] = id;
        m_rowProps[m_rowPropCount++] = kContactPreferredNumber;
    }
    return m_rowPropCount;
}

int CContactsThread::CatCachePropID()
{
    m_cachePropCount = 0;
    for (ULONG id : kCacheBaseProps) m_cacheProps[m_cachePropCount++] = id;
    return m_cachePropCount;
}

int CContactsThread::CatCacheGroupByPropID(int first)
{
    static constexpr ULONG kCities[] = {kContactBusinessAddressCity, kContactHomeAddressCity, kContactOtherAddressCity};
    static constexpr ULONG kStates[] = {kContactBusinessAddressState, kContactHomeAddressState,
                                        kContactOtherAddressState};
    static constexpr ULONG kCountries[] = {kContactBusinessAddressCountry, kContactHomeAddressCountry,
                                           kContactOtherAddressCountry};
    const ULONG* group = nullptr;
    int count = 0;
    switch (m_settings.displayFormat) {
        case kContactsByDepartment: {
            static constexpr ULONG kDepartment[] = {kContactDepartment};
            group = kDepartment;
            count = 1;
            break;
        }
        case kContactsByCity:
            group = kCities;
            count = 3;
            break;
        case kContactsByState:
            group = kStates;
            count = 3;
            break;
        case kContactsByCountry:
            group = kCountries;
            count = 3;
            break;
        default:
            break;
    }
    for (int i = 0; i < count && first + i < kContactsMaxCacheProps; ++i) m_cacheProps[first + i] = group[i];
    m_cachePropCount = first + count;
    return count;
}

void CContactsThread::ClearData()
{
    m_list.clear();
    m_headers.clear();
    CreatePrivateHeap(kLoaderHeapInitialSize);
}

bool CContactsThread::OpenContactsDatabase()
{
    CeDb* db = GetDatabaseClass();
    if (!db) return false;
    if (db->IsOpen()) return true;
    return db->Open(kContactsDatabase, kContactFileAs, CEDB_AUTOINCREMENT, nullptr);
}

DWORD CContactsThread::ThreadProc()
{
    return RunLoaderProtocol(
        m_hNotify, [] { return true; }, [this](CeManualEvent* stop) { return Load(stop); });
}

void CContactsThread::PostKill()
{
    // The frame closes the databases and gives back the data lock.
    CKSDataThread::PostKill();
    if (m_hNotify) PostMessageW(m_hNotify, WM_LOADER_END, 0, 0);
}

void CContactsThread::ReportRows(bool send)
{
    ReportLoaderData(m_hNotify, LOADER_DATA_COMPLETE, static_cast<LPARAM>(m_list.size()), send);
}

void CContactsThread::Report(WPARAM kind, long count, bool send) { m_report = PendingReport{true, kind, count, send}; }

DWORD CContactsThread::Load(CeManualEvent* stop)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return 0;
    SetupThreadResources();
    if (!m_bManualSettings) SettingChange();
    m_categoryStateOfLoad = CategoryStateNow();
    const int format = m_settings.displayFormat;
    SetPropIds();
    const bool open = OpenContactsDatabase();
    if (open) PrepareCache(format);
    InitiateLinksDB();
    DWORD result = 0;
    m_report = PendingReport{};
    if (!open && format != kContactsCallLog) {
        // Nothing to list: the window learns that there are no rows. The call log is the
        // phone's own, so it is listed without a contacts database (no call names a contact).
        ClearData();
        result = ReportEmpty();
    } else if (IsContactsNameFormat(format)) {
        result = ThreadProc_ContactsList(stop, WalkOrder());
    } else if (IsContactsGroupFormat(format)) {
        result = ThreadProc_GroupBy(stop, format == kContactsByCategory);
    } else if (format == kContactsRecent) {
        result = ThreadProc_RecentList(stop);
    } else {
        result = ThreadProc_CallLogList(stop);
    }
    CloseLinksDB();
    if (m_pMainDB) m_pMainDB->Close();
    // The window may call back into the loader while it reads the list.
    lock.Unlock();
    if (m_report.due) ReportLoaderData(m_hNotify, m_report.kind, m_report.count, m_report.send);
    return result;
}

void CContactsThread::PrepareCache(int format)
{
    if (!m_bCacheLoaded) {
        LoadCatCache();
        // The store's order ignores case; the cache's does not.
        SortCatCache(format);
    } else if (format != m_lastFormat) {
        if (IsContactsGroupFormat(format)) UpdateCatCacheForGroupBy();
        SortCatCache(format);
    }
    m_lastFormat = format;
    FilterCatCacheItems();
}

DWORD CContactsThread::ReportEmpty()
{
    m_totalRecords = 0;
    Report(LOADER_DATA_COMPLETE, 0, true);
    return 0;
}

DWORD CContactsThread::ThreadProc_ContactsList(CeManualEvent* stop, const std::vector<CCatCache*>& walk)
{
    const long size = static_cast<long>(walk.size());
    bool shown = false;
    if (!m_hNotify || m_bSearch) {
        // The whole list, or the run of entries the typed name begins.
        ClearData();
        const bool prefix = m_bSearch && !m_bSearchAll;
        long at = 0;
        if (prefix) at = FindCatCacheItem(walk, m_searchText, 0, m_searchNamesOnly != 0);
        for (; at >= 0 && at < size && !Stopping(stop); ++at) {
            if (prefix && !MatchesTypedPrefix(*walk[at])) {
                if (m_bFiltered) continue;
                break;
            }
            SetCurrentEntry(walk[at]);
            AddContactItem(&shown, -1, 0, false, false);
        }
        m_totalRecords = static_cast<long>(m_list.size());
        m_lastRowRead = size;
        if (!Stopping(stop)) Report(LOADER_DATA_COMPLETE, m_totalRecords, true);
        return 1;
    }
    // Paged: the first read sizes the list to every entry; later reads fill
    // their slots without a word to the window.
    const long from = m_lastRowRead < 0 ? 0 : m_lastRowRead;
    if (from == 0) {
        ClearData();
        m_list.assign(walk.size(), nullptr);
        m_totalRecords = size;
    }
    const long end = m_startIndex + kContactsPageRows;
    long at = from;
    for (; at < size && at < end && !Stopping(stop); ++at) {
        SetCurrentEntry(walk[at]);
        AddContactItem(&shown, static_cast<int>(at), 0, false, false);
    }
    m_lastRowRead = at;
    if (from == 0 && !Stopping(stop)) {
        Report(at >= end ? LOADER_DATA_PAGE_FILLED : LOADER_DATA_COMPLETE, m_totalRecords, true);
    }
    return 1;
}
