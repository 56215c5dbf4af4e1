// A small loader over a test database, run the way real loaders run, and a sandbox writing its stores.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <type_traits>
#include <vector>

#include "engine/data_calendar.h"
#include "engine/ks_data_thread.h"
#include "engine/loader_host.h"
#include "engine/loader_messages.h"
#include "engine/scoped_data_lock.h"
#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/clock.h"
#include "storage/c_registry.h"
#include "storage/ce_db_record.h"
#include "tests/categories/category_test_support.h"
#include "tests/support/store_records.h"
#include "tests/support/test_dates.h"

namespace loadertest {

inline constexpr const WCHAR* kTestDatabase = u"LoaderTestDatabase";
inline constexpr CEPROPID kOrderProperty = MAKEPROPID(64, CEVT_I4);  // the test database's sort order
inline constexpr const WCHAR* kTestSettingsKey = u"Software\\Corvid\\Kestrel\\LoaderTest";

class TestLoader : public CKSDataThread {
public:
    // Called on the worker thread before record n (from 1) is read.
    using RecordHook = std::function<void(TestLoader&, int n)>;

    explicit TestLoader(HWND window, bool sendData = false) : m_hWnd(window), m_bSendData(sendData)
    {
        m_list.SetDeletePolicy(1);
        SetSettingsKey(kTestSettingsKey);
    }
    ~TestLoader() override { Stop(true); }

    DWORD ThreadProc() override
    {
        return RunLoaderProtocol(
            m_hWnd, [this] { return m_bPreconditions.load(); }, [this](CeManualEvent* stop) { return Load(stop); });
    }
    void PostKill() override
    {
        CKSDataThread::PostKill();
        m_handedOver = m_list.GetCount();
        ++postKills;
        if (m_hWnd) PostMessageW(m_hWnd, WM_LOADER_END, 0, 0);
    }

    CePtrList<DATACALENDAR*>& List() { return m_list; }
    int HandedOver() const { return m_handedOver; }
    void SetNotifyWindow(HWND window) { m_hWnd = window; }
    void SetStopTimeout(DWORD ms) { m_dwStopTimeout = ms; }
    void SetPreconditions(bool ok) { m_bPreconditions = ok; }
    void OnRecord(RecordHook hook) { m_onRecord = std::move(hook); }
    bool StopIsRequested() { return StopRequested(GetStopEvent()); }
    CeDb* LinksDb() const { return m_pLinksDB; }
    CeDb* JournalDb() const { return m_pJournalDB; }
    CeDb* MainDb() const { return m_pMainDB; }

    std::atomic<int> loadsRun{0}, postKills{0};

private:
    DWORD Load(CeManualEvent* stop)
    {
        ScopedDataLock lock(*this);
        if (!lock.Acquired()) return 0;
        ++loadsRun;
        SetupThreadResources();
        InitiateLinksDB();
        m_list.RemoveAll();
        CeDb* db = GetDatabaseClass();
        if (db->Open(kTestDatabase, kOrderProperty, 0, nullptr)) {
            int n = 0;
            for (CEOID oid = db->SeekFirst(); oid != 0; oid = db->SeekNext()) {
                if (StopRequested(stop)) break;
                if (m_onRecord) m_onRecord(*this, ++n);
                CeDbRecord record;
                if (!db->ReadRec(record, 0, nullptr)) continue;
                CEBLOB blob{0, nullptr};
                const int at = record.FindProp(kItemCategories);
                if (at >= 0) record.GetIndexVal(at, &blob);
                const platform::LocalBlock blobCopy(blob.lpb);
                if (!CategoryFilterHighLevel(&blob, &m_categoryRestrict)) continue;
                auto* row = new DATACALENDAR;
                row->oid = record.GetOid();
                row->hasLinks = HasLinks(row->oid);
                row->hasJournal = HasJournal(row->oid);
                BLOB2Categories(blob, m_scratchCategories);
                row->categoryText = CategoryAssembler(m_scratchCategories);
                m_scratchCategories.RemoveAll();
                row->ownsStrings = 1;
                m_list.Append(row);
            }
            db->Close();
        }
        CloseLinksDB();
        m_handedOver = m_list.GetCount();
        lock.Unlock();
        ReportLoaderData(m_hWnd, LOADER_DATA_COMPLETE, m_list.GetCount(), m_bSendData);
        return 1;
    }

    HWND m_hWnd;
    bool m_bSendData;
    std::atomic<bool> m_bPreconditions{true};
    RecordHook m_onRecord;
    CePtrList<DATACALENDAR*> m_list{1};
    int m_handedOver = 0;
};

// A blob of the given category indices (all below 32).
inline std::vector<BYTE> BlobOf(std::initializer_list<int> indices)
{
    std::uint32_t word = 0;
    for (int i : indices) word |= 1u << i;
    return {static_cast<BYTE>(word), static_cast<BYTE>(word >> 8), static_cast<BYTE>(word >> 16),
            static_cast<BYTE>(word >> 24)};
}

// Opens name in sort order sort, creating it with that one order when missing; INVALID_HANDLE_VALUE on failure.
inline HANDLE OpenOrCreate(const WCHAR* name, CEPROPID sort)
{
    CEOID oid = 0;
    HANDLE db = CeOpenDatabaseEx(nullptr, &oid, name, sort, 0, nullptr);
    if (db != INVALID_HANDLE_VALUE) return db;
    SORTORDERSPEC order{sort, 0};
    if (!CeCreateDatabase(name, 0, 1, &order)) return INVALID_HANDLE_VALUE;
    oid = 0;
    return CeOpenDatabaseEx(nullptr, &oid, name, sort, 0, nullptr);
}

using kstest::PropList;
using kstest::WritePimRecord;
using kstest::DeletePimRecord;

// Appends a record to the store name (made with sort order sort when missing); its OID, 0 on failure.
inline CEOID WriteRecord(const WCHAR* name, CEPROPID sort, std::vector<CEPROPVAL> props)
{
    HANDLE db = OpenOrCreate(name, sort);
    if (db == INVALID_HANDLE_VALUE) return 0;
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
}

// Appends a test item with this order number and categories (none: no blob).
inline CEOID WriteItem(LONG order, std::vector<BYTE> categories = {})
{
    PropList p;
    p.Add(kOrderProperty).lVal = order;
    p.Blob(kItemCategories, categories);
    return WriteRecord(kTestDatabase, kOrderProperty, p.props);
}

// A record of a side store (links or journal) keyed to item.
inline CEOID WriteSideRecord(const WCHAR* store, CEPROPID key, CEOID item)
{
    PropList p;
    p.Add(key).ulVal = item;
    return WriteRecord(store, key, p.props);
}

inline bool LockFreeForOtherThreads(TestLoader& loader)
{
    bool taken = false;
    std::thread([&] { taken = ScopedDataLock(loader).Acquired(); }).join();
    return taken;
}

using LoaderSandbox = cattest::CategorySandbox;

// A number (ULONG) or a text setting.
template <class V>
void SetSetting(const WCHAR* key, const WCHAR* name, V value)
{
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
    if constexpr (std::is_convertible_v<V, const WCHAR*>) {
        settings.SetValue(name, static_cast<const WCHAR*>(value));
    } else {
        settings.SetValue(name, static_cast<ULONG>(value));
    }
}

// ASCII text of a row's string ('?' for anything else).
inline std::string Utf8(const WCHAR* text)
{
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text < 128 ? *text : '?');
    return out;
}

// Runs one full load the way a window does; false when it did not end.
template <class Loader>
bool RunLoad(Loader& loader, LPARAM* reported = nullptr)
{
    LoaderHost host;
    loader.SetNotifyWindow(host.Window());
    const bool ended = host.Run(loader, 60000);
    if (reported) *reported = host.CompletedCount();
    loader.SetNotifyWindow(nullptr);
    return ended;
}

// A fresh data directory with the clock at 10:00 on Monday 7 December 2026; today is that day's OLE date.
class PinnedClockSandbox : public LoaderSandbox {
protected:
    void SetUp() override
    {
        LoaderSandbox::SetUp();
        platform::SetPinnedNow(kstest::Make(2026, 12, 7, 10));
        today = kstest::Ole(2026, 12, 7);
    }
    void TearDown() override
    {
        platform::ClearPinnedNow();
        LoaderSandbox::TearDown();
    }
    double today = 0;
};

}  // namespace loadertest
