// CContactsThread: the background loader of the contact list. Contact lists
// are long and are browsed by typing the first letters of a name, so the
// loader works in two stages:
//   1. the category cache: one CCatCache per contact (OID, categories blob,
//      given name, surname, company, file-as name, grouping value), read in
//      one pass over "Contacts Database" and sorted for the display format;
//   2. the display list: DATACONTACTS rows built from cache entries in cache
//      order, page by page (40 rows into slots sized to the whole list), or
//      the whole list at once when there is no window or a typed search is
//      on. Each row reads its contact's record for the note, the icon text
//      and the communication field of its second line.
// Group views (by company, category, department, city, state, country) show
// headers with member counts that open and close (TreeAddList,
// TreeDeleteList).
//
// Threads: loads run on the worker under the data lock, taken without
// waiting. The window thread changes the cache (single changes), opens and
// closes headers and sets the typed search between loads; those calls wait
// for the data lock.
//
// Rows and their strings live on the private heap, which ClearData destroys
// and makes again; the cache entries are owned by the cache.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/contacts_cat_cache.h"
#include "engine/contacts_view_settings.h"
#include "engine/data_contacts.h"
#include "engine/ks_data_thread.h"
#include "platform/base/export.h"
#include "storage/ce_db_record.h"

inline constexpr int kContactsPageRows = 40;
// Names are joined into at most this many characters (with the terminator).
inline constexpr int kContactsNameChars = 2000;
inline constexpr int kContactsCommunicationFields = 14;
// Icon text, note, the communication fields and the preferred field.
inline constexpr int kContactsMaxRowProps = 2 + kContactsCommunicationFields + 1;
// The five base properties and up to three grouping properties.
inline constexpr int kContactsMaxCacheProps = 8;
// The cache reads each record into a buffer of this many bytes per property.
inline constexpr DWORD kContactsBytesPerProperty = 2050;

class KSTOOLS_API CContactsThread : public CKSDataThread {
public:
    CContactsThread();
    ~CContactsThread() override;

    // ---- configuration (window thread, between loads) ----
    // Reads the settings key (also at the start of every load unless the
    // settings are manual) and the category restriction's flags.
    void SettingChange();
    void SetManualSettings(bool manual) { m_bManualSettings = manual; }
    ContactsViewSettings& Settings() { return m_settings; }
    void SetNotifyWindow(HWND window) { m_hNotify = window; }
    HWND GetNotifyWindow() const { return m_hNotify; }
    // The per-row properties under the settings in force; their count.
    int SetPropIds();
    const ULONG* RowPropIds() const { return m_rowProps; }
    // The cache properties: the five base ones, then the grouping ones of
    // the format (none, one or three); their count.
    int CatCachePropID();
    int CatCacheGroupByPropID(int first);
    // The category restriction changed: the filtered list is made again.
    void SetCategoryRestrict(bool save) override;

    // ---- the category cache ----
    // Reads every contact into the cache in file-as order (any cache held
    // before is dropped). False when the database does not open.
    bool LoadCatCache();
    bool IsCatCacheLoaded() const { return m_bCacheLoaded; }
    void ClearCatCache();
    // The entries in cache order.
    const std::vector<std::unique_ptr<CCatCache>>& CatCache() const { return m_cache; }
    // The entries a walk visits: the category-filtered ones, or all.
    std::vector<CCatCache*> WalkOrder() const;
    // Cache position of oid from start; -1 when absent.
    int FindCatCacheItem(DWORD oid, int start = 0) const;
    // Position in walk of the first entry from start whose name begins with
    // prefix (loose order); -1 when none. sortNameOnly: only the format's
    // sort name is tried.
    int FindCatCacheItem(const std::vector<CCatCache*>& walk, std::u16string_view prefix, int start,
                         bool sortNameOnly) const;
    // Single changes, read from the store: the entry is added, re-read or
    // removed and the cache stays in the order of the last load. Rows of a
    // deleted contact leave the display list. False when the contact cannot
    // be read (add, update) or is not cached (update, delete).
    bool AddCatCacheItem(DWORD oid);
    bool UpdateCatCacheItem(DWORD oid);
    bool DeleteCatCacheItem(DWORD oid);
    // Makes the filtered list again after a run of single changes.
    void FinishUpdatingCatCacheItem();
    // Brings a loaded name list up to date with the store after the named
    // records changed (made, edited or deleted): each is read again, re-placed
    // in the cache's order and re-filtered; rows of the others are kept, new
    // rows are read, rows of contacts gone or filtered out leave. The same
    // rows a fresh load would show, without reading every record. False,
    // with nothing changed, when only a load will do: no list loaded, a group
    // or recent view, a typed search, a paged list not read to its end, or
    // the settings changed since the load; the caller then loads again.
    bool RefreshRecords(const std::vector<CEOID>& records);
    // Chooses the entries the category restriction lets through.
    void FilterCatCacheItems();
    bool IsCategoryFiltered() const { return m_bFiltered; }
    // Re-reads the grouping values for the display format in one pass.
    bool UpdateCatCacheForGroupBy();
    int CachedFormat() const { return m_lastFormat; }

    // ---- the typed search ----
    // Empty or null text clears the search (false). Otherwise the search is
    // on: allFields searches every field word by word, else names begin
    // with the text; namesOnly makes a one-letter text try the sort name
    // only.
    bool SetCompareString(const WCHAR* text, bool allFields, int namesOnly);
    void ClearCompareString();
    bool IsCompareString() const { return m_bSearch; }
    // The name-prefix test of the typed search.
    bool MatchesTypedPrefix(const CCatCache& entry) const;
    // Whether the given name, surname or file-as name begins with prefix;
    // sortNameOnly with one letter: only the format's sort name is tried.
    bool PrefixMatches(const CCatCache& entry, std::u16string_view prefix, bool sortNameOnly) const;
    // The all-fields test: every word in one of the cached names, else the
    // whole text in a stored field (or its dialable form). Reads the
    // contact's record when the names do not decide.
    bool CheckContactsSearchCriteria(const CCatCache& entry);

    // ---- paging ----
    void SetStartListIndex(long n) { m_startIndex = n; }
    void SetLastRowRead(long n) { m_lastRowRead = n; }
    long GetLastRowRead() const { return m_lastRowRead; }
    void SetTotalNumRecords(long n) { m_totalRecords = n; }
    long GetTotalNumRecords() const { return m_totalRecords; }

    // ---- rows ----
    // Builds the row of the current cache entry (SetCurrentEntry): refills
    // the row at position, or places a new one there (insert: before it;
    // position -1: at the end). Null, *shown false, when the entry is
    // turned away or cannot be read; a row at position then leaves.
    DATACONTACTS* AddContactItem(bool* shown, int position, long group, bool insert, bool single);
    void SetCurrentEntry(CCatCache* entry) { m_pCurrent = entry; }
    // Nothing under format 3; else CompareFuncSimple descending (flag) or
    // CompareFunc ascending.
    void SortDataList(bool simpleDescending);
    // The display list; slots of a paged list not read yet are null.
    const std::vector<DATACONTACTS*>& GetDataList() const { return m_list; }
    // Empties the display list and makes the private heap again.
    void ClearData();

    // ---- loading ----
    DWORD ThreadProc() override;
    void PostKill() override;

    // ---- group views (window thread, between loads) ----
    // Counts the members of the header, adding their rows unless countOnly
    // (then only an open header, or any while a typed search is on with
    // "OpenOnCompare", adds them). Reports the new row count when rows were
    // added outside a load. The member count; -1 for an unknown header.
    long TreeAddList(DWORD headerOid, long position, bool countOnly);
    // Removes the header's members and closes it.
    void TreeDeleteList(DWORD headerOid);
    void SetGroupHeaderOpen(const DATACONTACTS* header, bool open);
    bool IsGroupHeaderOpen(const DATACONTACTS* header) const;

private:
    // The data lock held, waiting for it, by a change made outside a load.
    class DataLockWait {
    public:
        explicit DataLockWait(CeCriticalSection& lock) : m_lock(lock) { m_lock.Enter(); }
        ~DataLockWait() { m_lock.Leave(); }
        DataLockWait(const DataLockWait&) = delete;
        DataLockWait& operator=(const DataLockWait&) = delete;

    private:
        CeCriticalSection& m_lock;
    };

    // ---- the load (contacts_thread.cpp) ----
    DWORD Load(CeManualEvent* stop);
    // Brings the cache to the format of this load.
    void PrepareCache(int format);
    DWORD ThreadProc_ContactsList(CeManualEvent* stop, const std::vector<CCatCache*>& walk);
    DWORD ThreadProc_GroupBy(CeManualEvent* stop, bool categories);
    // The contacts of the recent-contacts file, in its order, named as in
    // the file-as list (contacts_thread_lists.cpp).
    DWORD ThreadProc_RecentList(CeManualEvent* stop);
    // The device's call log, newest first, one mark-up row per call.
    DWORD ThreadProc_CallLogList(CeManualEvent* stop);
    // An empty list reported as such.
    DWORD ReportEmpty();
    bool OpenContactsDatabase();
    bool Stopping(CeManualEvent* stop) const { return IsStopSet() || StopRequested(stop); }

    // ---- the cache (contacts_thread_cache.cpp) ----
    // Fills entry from a record read with the cache properties.
    bool FillEntry(CCatCache& entry, const CeDbRecord& record, int format);
    bool ReadCacheRecord(CeDb& db, DWORD oid, CeDbRecord& record);
    void SortCatCache(int format);
    // The categories text of a blob, with the category table of the last load.
    std::u16string CategoryNames(const CEBLOB& blob);
    void RemoveRowsOf(const CCatCache* entry);
    std::unique_ptr<CCatCache> TakeEntry(DWORD oid);
    void InsertSorted(std::unique_ptr<CCatCache> entry);

    // ---- rows (contacts_thread_rows.cpp) ----
    std::u16string RowName(const CCatCache& entry, int format) const;
    void FillSecondLine(DATACONTACTS& row, const CeDbRecord& record);

    // ---- groups (contacts_thread_groups.cpp) ----
    struct Header {
        DATACONTACTS* row;
        std::u16string text;
        int category;       // the category index of a category header; -1
        size_t first, end;  // where the load found its members in the walk
    };
    void MakeHeaders(bool categories);
    long AddMembers(Header& header, bool countOnly, const std::vector<CCatCache*>& walk, size_t first, size_t end);
    bool IsMember(const Header& header, const CCatCache& entry) const;
    Header* FindHeader(DWORD oid);
    // Sends or posts the row count to the window.
    void ReportRows(bool send);
    // The report a load makes once it has given back the data lock.
    struct PendingReport {
        bool due = false;
        WPARAM kind = LOADER_DATA_COMPLETE;
        long count = 0;
        bool send = true;
    };
    void Report(WPARAM kind, long count, bool send);
    PendingReport m_report;

    ContactsViewSettings m_settings;
    bool m_bManualSettings = false;
    HWND m_hNotify = nullptr;
    ULONG m_rowProps[kContactsMaxRowProps] = {};
    int m_rowPropCount = 0;
    ULONG m_cacheProps[kContactsMaxCacheProps] = {};
    int m_cachePropCount = 0;

    std::vector<std::unique_ptr<CCatCache>> m_cache;
    std::vector<CCatCache*> m_filtered;
    bool m_bCacheLoaded = false;
    bool m_bFiltered = false;
    int m_lastFormat = kContactsNoFormat;  // the order and grouping values the cache holds
    CCatCache* m_pCurrent = nullptr;

    bool m_bSearch = false;
    bool m_bSearchAll = false;
    int m_searchNamesOnly = 0;
    std::u16string m_searchText;  // upper case
    std::vector<std::u16string> m_searchWords;

    long m_startIndex = 0;
    long m_lastRowRead = 0;
    long m_totalRecords = 0;
    std::vector<DATACONTACTS*> m_list;

    std::vector<Header> m_headers;
    std::set<std::u16string> m_openHeaders;
};
