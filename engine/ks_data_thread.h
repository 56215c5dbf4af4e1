// CKSDataThread: the base of every list loader. On top of the worker thread
// it keeps what each load needs: the data lock that guards the result list,
// the main database, the two side stores that tell whether an item has links
// ("KestrelLinks") or journal entries ("KestrelJournal_2"), the category
// restriction, the settings key, a buffer for category lists and an optional
// private heap for the records.
//
// A load runs the loader protocol (RunLoaderProtocol): WM_LOADER_BEGIN, the
// loader's procedure, WM_LOADER_END. The procedure takes the data lock
// without waiting (TryLockData) and gives up when it is taken, so loads and
// adders never block each other; the window reads the list after
// WM_LOADER_DATA with LOADER_DATA_COMPLETE.
//
// A derived loader that overrides PostKill must stop its thread in its own
// destructor (Stop), so that a kill still reaches its PostKill.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

#include "categories/c_full_category.h"
#include "categories/category_filter.h"
#include "engine/loader_messages.h"
#include "foundation/ce_critical_section.h"
#include "foundation/ce_events.h"
#include "foundation/ce_ptr_list.h"
#include "foundation/ce_worker_thread.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "storage/ce_db.h"

// The sort orders the side stores are opened in, which are also the seek keys.
inline constexpr CEPROPID kLinksSeekProperty = kLinkSource;
inline constexpr CEPROPID kJournalSeekProperty = kJournalParent;

inline constexpr DWORD kLoaderStopTimeout = 6000;
inline constexpr int kCategoryTextChars = 4000;
inline constexpr int kLoaderSettingsKeyChars = 261;
inline constexpr SIZE_T kLoaderHeapInitialSize = 64 * 1024;

class KSTOOLS_API CKSDataThread : public CeWorkerThread {
public:
    CKSDataThread();
    ~CKSDataThread() override;

    // Rebuilds the restriction's blob from its selected categories (when
    // there are any); with save, writes its three flags to the settings key.
    virtual void SetCategoryRestrict(bool save);
    // Opens the side stores once per load (nothing when already done); a
    // store that does not open stays null. Always 1.
    virtual int InitiateLinksDB();

    // Closes both side stores and clears the side-stores-open flag.
    void CloseLinksDB();
    // Run first by every load on the worker thread: makes the settings store
    // ready for this thread, and takes a fresh copy of the category table
    // for CategoryAssembler.
    void SetupThreadResources();
    // The names of the categories ids name, in list order, joined by ", ";
    // identifiers without a category add nothing. A new string from the
    // private heap when there is one (free with HeapFree), else malloc'ed.
    // Null only when memory runs out.
    WCHAR* CategoryAssembler(CePtrList<unsigned int>& ids);

    // The main database, created when missing.
    CeDb* GetDatabaseClass();
    // Points info at this loader's restriction, which the caller edits in place.
    void GetCategoryRestrict(CCategoryFilterInfo*& info) { info = &m_categoryRestrict; }
    // Reads the restriction's three flags and "ShowHasNoteIcons" back from the
    // settings key (0, 0, 0 and 1 when absent).
    void ReadCategoryRestrictSettings();

    // The registry path (under HKEY_CURRENT_USER) of this loader's settings;
    // cut to 260 characters.
    void SetSettingsKey(const WCHAR* key);
    const WCHAR* GetSettingsKey() const { return m_settingsKey; }

    // 1 when the side store holds a record for oid; 0 when it does not or is
    // not open. Only while the side stores are open, on the loading thread.
    WORD HasLinks(CEOID oid);
    WORD HasJournal(CEOID oid);
    bool SideDatabasesOpen() const { return m_bSideDatabasesOpen != 0; }

    // The data lock. TryLockData never waits: false when another thread holds it.
    bool TryLockData() { return m_dataLock.TryLock() != 0; }
    void UnlockData() { m_dataLock.Leave(); }

    // The private heap for records and strings (null: malloc). Creating
    // destroys the previous one, and with it every block it held.
    HANDLE CreatePrivateHeap(SIZE_T initialSize = kLoaderHeapInitialSize);
    void DestroyPrivateHeap();
    HANDLE GetPrivateHeap() const { return m_hHeap; }

    bool ShowHasNoteIcons() const { return m_bShowHasNoteIcons != 0; }

    // Base part of a loader's clean-up after a kill: closes the side stores
    // and the main database and releases the data lock. Loaders add their own
    // (the handed-over count, WM_LOADER_END to their window).
    void PostKill() override;

protected:
    // Runs the loader protocol around procedure (a callable taking the stop
    // event, returning DWORD): nothing when the stop event is missing or set
    // or preconditions() is false; otherwise WM_LOADER_BEGIN, the procedure,
    // WM_LOADER_END, each posted only while window exists and the worker
    // runs. The procedure's result, or 0.
    template <class Preconditions, class Procedure>
    DWORD RunLoaderProtocol(HWND window, Preconditions preconditions, Procedure procedure)
    {
        CeManualEvent* stop = GetStopEvent();
        if (stop == nullptr || stop->IsSet()) return 0;
        if (!preconditions()) return 0;
        PostLoaderMessage(window, WM_LOADER_BEGIN);
        DWORD result = procedure(stop);
        PostLoaderMessage(window, WM_LOADER_END);
        return result;
    }
    // WM_LOADER_DATA to window: sent (the window has read the list when it
    // returns) or posted.
    static void ReportLoaderData(HWND window, WPARAM wParam, LPARAM count, bool send);
    // The category filter (flags and selected categories) and the store's
    // category names and bits, read now from the store, as one value: rows
    // filed under one are refreshed correctly only while it stays the same.
    // Refreshes this loader's copy of the category table (and the process's
    // cache of it).
    std::u16string CategoryStateNow();

    // True when a load should stop reading: the stop event is set or missing.
    static bool StopRequested(CeManualEvent* stop) { return stop == nullptr || stop->IsSet(); }

    CeCriticalSection m_dataLock;
    CeDb* m_pJournalDB;
    CeDb* m_pLinksDB;
    CeDb* m_pMainDB;
    WCHAR* m_categoryText;  // kCategoryTextChars + 1, zero-filled
    DWORD m_bSideDatabasesOpen;
    DWORD m_bShowHasNoteIcons;
    HANDLE m_hHeap;
    CEPROPVAL m_linksSeekKey;
    CEPROPVAL m_journalSeekKey;
    WCHAR m_settingsKey[kLoaderSettingsKeyChars];
    CCategoryFilterInfo m_categoryRestrict;
    CePtrList<unsigned int> m_scratchCategories;
    CFullCategory* m_pCurrentCategory;
    std::u16string m_categoryStateOfLoad;  // CategoryStateNow() when the last load began

private:
    void PostLoaderMessage(HWND window, UINT message);
    static WORD SeekSide(CeDb* db, CEPROPVAL& key, CEOID oid);
    static CeDb* OpenSide(const WCHAR* name, CEPROPID sort);

    // This loader's copy of the category table, refreshed by
    // SetupThreadResources, so that the worker never reads the window
    // thread's list.
    CePtrList<CFullCategory*> m_categoryTable;
    bool m_bCategoryTableRead = false;
};
