// A large contact store paged while the window keeps stopping and restarting the loader.
#include <gtest/gtest.h>

#include <set>

#include "engine/scoped_data_lock.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/messages.h"
#include "tests/engine/contacts_store.h"

using namespace contacttest;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kContacts = 3000;  // the race detector makes every step slow
#else
constexpr int kContacts = 20000;
#endif

class ContactsPagingTest : public loadertest::LoaderSandbox {};

TEST_F(ContactsPagingTest, RestartedLoaderPagesEveryContactIntoItsSlotOnce)
{
    CEOID dbOid = PimDatabases::Oid(kContactsDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    ASSERT_NE(db, INVALID_HANDLE_VALUE);
    for (int i = 0; i < kContacts; ++i) {
        const std::string digits = std::to_string(i * 7919 % kContacts + 100000);
        std::u16string fileAs = u"Name " + std::u16string(digits.begin(), digits.end());
        CEPROPVAL props[1]{};
        props[0].propid = kContactFileAs;
        props[0].val.lpwstr = fileAs.data();
        ASSERT_NE(CeWriteRecordProps(db, 0, 1, props), 0u);
    }
    CloseHandle(db);

    LoaderHost host;
    CContactsThread loader;
    loader.SetNotifyWindow(host.Window());
    auto pumpFor = [&](DWORD ms) {
        MSG msg;
        const DWORD until = GetTickCount() + ms;
        while (GetTickCount() < until) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            if (host.Ended() && !loader.IsRunning()) return;
            Sleep(1);
        }
    };
    // The window stops each run before it starts the next from the top.
    for (int restart = 0; restart < 6; ++restart) {
        loader.Stop(true);
        loader.SetLastRowRead(0);
        loader.SetStartListIndex(0);
        host.Clear();
        ASSERT_EQ(loader.Start(), 1);
        pumpFor(5 + restart * 20);
    }
    loader.Stop(true);
    loader.SetLastRowRead(0);
    loader.SetStartListIndex(0);
    ASSERT_TRUE(host.Run(loader, 120000));
    // The first page fills its 40 slots of a list sized to every contact, and says so.
    int pageReports = 0;
    for (const LoaderHost::Event& e : host.Events()) {
        if (e.message != WM_LOADER_DATA) continue;
        ++pageReports;
        EXPECT_EQ(e.wParam, LOADER_DATA_PAGE_FILLED);
        EXPECT_EQ(e.lParam, kContacts);
    }
    EXPECT_EQ(pageReports, 1);
    ASSERT_EQ(loader.GetDataList().size(), static_cast<size_t>(kContacts));
    EXPECT_EQ(loader.GetLastRowRead(), kContactsPageRows);
    EXPECT_NE(loader.GetDataList()[kContactsPageRows - 1], nullptr);
    EXPECT_EQ(loader.GetDataList()[kContactsPageRows], nullptr);

    // A jump to the last page reads on from where reading stopped, silently.
    loader.SetStartListIndex(kContacts - kContactsPageRows);
    ASSERT_TRUE(host.Run(loader, 120000));
    EXPECT_EQ(host.Count(WM_LOADER_DATA), 0);
    std::set<DWORD> oids;
    size_t inOrder = 0;
    for (size_t i = 0; i < loader.GetDataList().size(); ++i) {
        const DATACONTACTS* row = loader.GetDataList()[i];
        ASSERT_NE(row, nullptr) << i;
        oids.insert(row->oid);
        inOrder += row->cacheEntry == loader.CatCache()[i].get();
    }
    EXPECT_EQ(oids.size(), static_cast<size_t>(kContacts));
    EXPECT_EQ(inOrder, static_cast<size_t>(kContacts));
    EXPECT_TRUE(ScopedDataLock(loader).Acquired());
}

}  // namespace
