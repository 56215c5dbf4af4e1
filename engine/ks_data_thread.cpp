#include "engine/ks_data_thread.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "categories/full_category_list.h"
#include "platform/base/private_heap.h"
#include "platform/files/registry.h"
#include "platform/messaging/messages.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

namespace {

constexpr const WCHAR* kIncludeNoCatValue = u"m_bIncludeNoCat";
constexpr const WCHAR* kHideCategoriesValue = u"bHideCategories";
constexpr const WCHAR* kCategoryAndOrValue = u"CategoryANDOR";
constexpr const WCHAR* kShowHasNoteIconsValue = u"ShowHasNoteIcons";
constexpr const WCHAR* kCategorySeparator = u", ";

CEPROPVAL SeekKey(CEPROPID propid)
{
    CEPROPVAL key{};
    key.propid = propid;
    return key;
}

}  // namespace

CKSDataThread::CKSDataThread()
    : CeWorkerThread(false, nullptr, kLoaderStopTimeout), m_pJournalDB(nullptr), m_pLinksDB(nullptr),
      m_pMainDB(new CeDb), m_categoryText(static_cast<WCHAR*>(std::calloc(kCategoryTextChars + 1, sizeof(WCHAR)))),
      m_bSideDatabasesOpen(0), m_bShowHasNoteIcons(1), m_hHeap(nullptr), m_linksSeekKey(SeekKey(kLinksSeekProperty)),
      m_journalSeekKey(SeekKey(kJournalSeekProperty)), m_settingsKey{}, m_scratchCategories(1),
      m_pCurrentCategory(nullptr)
{}

CKSDataThread::~CKSDataThread()
{
    // The thread must not use the databases while they go; a derived loader
    // has normally stopped it already.
    Stop(true);
    delete m_pJournalDB;
    delete m_pLinksDB;
    delete m_pMainDB;
    m_pJournalDB = m_pLinksDB = m_pMainDB = nullptr;
    m_scratchCategories.RemoveAll();
    std::free(m_categoryText);
    DestroyPrivateHeap();
}

CeDb* CKSDataThread::GetDatabaseClass()
{
    if (!m_pMainDB) m_pMainDB = new (std::nothrow) CeDb;
    return m_pMainDB;
}

void CKSDataThread::SetSettingsKey(const WCHAR* key)
{
    m_settingsKey[0] = 0;
    if (!key) return;
    size_t n = 0;
    while (key[n] && n < kLoaderSettingsKeyChars - 1) {
        m_settingsKey[n] = key[n];
        ++n;
    }
    m_settingsKey[n] = 0;
}

void CKSDataThread::SetCategoryRestrict(bool save)
{
    if (m_categoryRestrict.m_pSelected) m_categoryRestrict.RebuildBlob();
    if (!save) return;
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, m_settingsKey) != 0) return;
    settings.SetValue(kIncludeNoCatValue, static_cast<ULONG>(m_categoryRestrict.m_bIncludeNoCat));
    settings.SetValue(kHideCategoriesValue, static_cast<ULONG>(m_categoryRestrict.bHideCategories));
    settings.SetValue(kCategoryAndOrValue, static_cast<ULONG>(m_categoryRestrict.CategoryANDOR));
}

void CKSDataThread::ReadCategoryRestrictSettings()
{
    ULONG includeNoCat = 0, hide = 0, andOr = 0, showNoteIcons = 1;
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, m_settingsKey) == 0) {
        if (settings.QueryValue(kIncludeNoCatValue, &includeNoCat) != 0) includeNoCat = 0;
        if (settings.QueryValue(kHideCategoriesValue, &hide) != 0) hide = 0;
        if (settings.QueryValue(kCategoryAndOrValue, &andOr) != 0) andOr = 0;
        if (settings.QueryValue(kShowHasNoteIconsValue, &showNoteIcons) != 0) showNoteIcons = 1;
    }
    m_categoryRestrict.m_bIncludeNoCat = includeNoCat;
    m_categoryRestrict.bHideCategories = static_cast<LONG>(hide);
    m_categoryRestrict.CategoryANDOR = andOr;
    m_bShowHasNoteIcons = showNoteIcons;
}

CeDb* CKSDataThread::OpenSide(const WCHAR* name, CEPROPID sort)
{
    auto* db = new (std::nothrow) CeDb;
    if (db && !db->Open(name, sort, 0, nullptr)) {
        delete db;
        db = nullptr;
    }
    return db;
}

int CKSDataThread::InitiateLinksDB()
{
    if (m_bSideDatabasesOpen) return 1;
    if (!m_pLinksDB) m_pLinksDB = OpenSide(kLinksDatabase, kLinksSeekProperty);
    if (!m_pJournalDB) m_pJournalDB = OpenSide(kJournalDatabase, kJournalSeekProperty);
    if (m_pLinksDB || m_pJournalDB) m_bSideDatabasesOpen = 1;
    return 1;
}

void CKSDataThread::CloseLinksDB()
{
    delete m_pLinksDB;
    delete m_pJournalDB;
    m_pLinksDB = m_pJournalDB = nullptr;
    m_bSideDatabasesOpen = 0;
}

WORD CKSDataThread::SeekSide(CeDb* db, CEPROPVAL& key, CEOID oid)
{
    if (!db) return 0;
    key.val.ulVal = oid;
    return db->SeekRec(&key) != 0 ? 1 : 0;
}

WORD CKSDataThread::HasLinks(CEOID oid) { return SeekSide(m_pLinksDB, m_linksSeekKey, oid); }

WORD CKSDataThread::HasJournal(CEOID oid) { return SeekSide(m_pJournalDB, m_journalSeekKey, oid); }

void CKSDataThread::SetupThreadResources()
{
    {
        CRegistry settings;
    }
    GetFullCategoryInfo(m_categoryTable, false);
    m_bCategoryTableRead = true;
}

std::u16string CKSDataThread::CategoryStateNow()
{
    // Read from the store, not the process's cache: another program may
    // have renamed, added or removed categories since the load.
    GetFullCategoryInfo(m_categoryTable, true);
    m_bCategoryTableRead = true;
    std::u16string state;
    state += static_cast<char16_t>(m_categoryRestrict.m_bIncludeNoCat);
    state += static_cast<char16_t>(m_categoryRestrict.bHideCategories);
    state += static_cast<char16_t>(m_categoryRestrict.CategoryANDOR);
    const CEBLOB& blob = *m_categoryRestrict.m_blob;
    for (DWORD i = 0; i < blob.dwCount; ++i) state += static_cast<char16_t>(blob.lpb[i]);
    for (CFullCategory* category : m_categoryTable) {
        state += u'\n';
        state += static_cast<char16_t>(category->m_index);
        if (category->m_name) state += category->m_name;
    }
    return state;
}

WCHAR* CKSDataThread::CategoryAssembler(CePtrList<unsigned int>& ids)
{
    if (m_categoryText == nullptr) return nullptr;
    // A store without categories leaves the table empty: it is read once,
    // not again for every item.
    if (!m_bCategoryTableRead) {
        GetFullCategoryInfo(m_categoryTable, false);
        m_bCategoryTableRead = true;
    }
    m_categoryText[0] = 0;
    size_t used = 0;
    auto append = [&](const WCHAR* text) {
        for (; *text && used < static_cast<size_t>(kCategoryTextChars); ++text) m_categoryText[used++] = *text;
        m_categoryText[used] = 0;
    };
    bool first = true;
    for (unsigned int id : ids) {
        m_pCurrentCategory = nullptr;
        for (CFullCategory* category : m_categoryTable) {
            if (category && category->m_index >= 0 && static_cast<unsigned int>(category->m_index) == id) {
                m_pCurrentCategory = category;
                break;
            }
        }
        if (!m_pCurrentCategory || !m_pCurrentCategory->m_name) continue;
        if (!first) append(kCategorySeparator);
        append(m_pCurrentCategory->m_name);
        first = false;
    }
    m_pCurrentCategory = nullptr;

    const size_t bytes = (used + 1) * sizeof(WCHAR);
    auto* result = static_cast<WCHAR*>(m_hHeap ? HeapAlloc(m_hHeap, 0, bytes) : std::malloc(bytes));
    if (result) std::memcpy(result, m_categoryText, bytes);
    return result;
}

HANDLE CKSDataThread::CreatePrivateHeap(SIZE_T initialSize)
{
    DestroyPrivateHeap();
    m_hHeap = HeapCreate(0, initialSize, 0);
    return m_hHeap;
}

void CKSDataThread::DestroyPrivateHeap()
{
    if (m_hHeap) HeapDestroy(m_hHeap);
    m_hHeap = nullptr;
}

void CKSDataThread::PostKill()
{
    CloseLinksDB();
    if (m_pMainDB) m_pMainDB->Close();
    m_dataLock.Leave();
}

void CKSDataThread::PostLoaderMessage(HWND window, UINT message)
{
    if (window != nullptr && IsRunning()) PostMessageW(window, message, 0, 0);
}

void CKSDataThread::ReportLoaderData(HWND window, WPARAM wParam, LPARAM count, bool send)
{
    if (window == nullptr) return;
    if (send)
        SendMessageW(window, WM_LOADER_DATA, wParam, count);
    else
        PostMessageW(window, WM_LOADER_DATA, wParam, count);
}
