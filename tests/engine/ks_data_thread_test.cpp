// The loader frame on a real worker thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "engine/loader_host.h"
#include "platform/base/private_heap.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "platform/messaging/window.h"
#include "tests/engine/test_loader.h"
#include "tests/support/test_windows.h"

namespace {

using loadertest::LoaderSandbox;
using loadertest::TestLoader;

std::u16string Text(const WCHAR* text) { return text ? std::u16string(text) : u"<null>"; }

class DataThreadTest : public LoaderSandbox {
protected:
    void SetUp() override
    {
        LoaderSandbox::SetUp();
        a = loadertest::WriteItem(1, loadertest::BlobOf({7}));
        b = loadertest::WriteItem(2, loadertest::BlobOf({3}));
        c = loadertest::WriteItem(3);
        d = loadertest::WriteItem(4, loadertest::BlobOf({3, 7}));
        ASSERT_TRUE(a && b && c && d);
        ASSERT_TRUE(cattest::WriteCategory(u"Work", 7));
        ASSERT_TRUE(cattest::WriteCategory(u"Home", 3));
    }
    std::vector<CEOID> Oids(TestLoader& loader)
    {
        std::vector<CEOID> oids;
        for (DATACALENDAR* row : loader.List()) oids.push_back(row->oid);
        return oids;
    }
    CEOID a = 0, b = 0, c = 0, d = 0;
};

TEST_F(DataThreadTest, BeginDataAndEndArriveInOrderOnTheWindowThread)
{
    for (bool send : {false, true}) {
        SCOPED_TRACE(send ? "sent" : "posted");
        LoaderHost host;
        TestLoader loader(host.Window(), send);
        int seenInCallback = -1;
        bool lockFree = false, waiting = false;
        host.OnComplete([&](LPARAM) {
            seenInCallback = loader.List().GetCount();
            waiting = loader.IsRunning();
            lockFree = ScopedDataLock(loader).Acquired();  // given back before the report
        });
        ASSERT_TRUE(host.Run(loader, 5000));
        std::vector<UINT> order;
        for (const auto& e : host.Events()) order.push_back(e.message);
        // Sent messages overtake posted ones as on the device: data may precede the begin; the end comes last.
        if (send && order.size() == 3 && order[0] == WM_LOADER_DATA) std::swap(order[0], order[1]);
        EXPECT_EQ(order, (std::vector<UINT>{WM_LOADER_BEGIN, WM_LOADER_DATA, WM_LOADER_END}));
        for (const auto& e : host.Events()) {
            EXPECT_EQ(e.threadId, GetCurrentThreadId());
            if (e.message == WM_LOADER_DATA) {
                EXPECT_EQ(e.wParam, LOADER_DATA_COMPLETE);
            }
        }
        EXPECT_EQ(host.CompletedCount(), 4);
        EXPECT_EQ(seenInCallback, 4);
        EXPECT_TRUE(lockFree);
        if (send) {
            EXPECT_TRUE(waiting) << "a sent report holds the loader until it is read";
        }
        EXPECT_EQ(loader.HandedOver(), 4);
        EXPECT_EQ(Oids(loader), (std::vector<CEOID>{a, b, c, d}));
        EXPECT_TRUE(loadertest::LockFreeForOtherThreads(loader));
        // Category names in the blob's order.
        std::vector<std::u16string> texts;
        for (DATACALENDAR* row : loader.List()) texts.push_back(Text(row->categoryText));
        EXPECT_EQ(texts, (std::vector<std::u16string>{u"Work", u"Home", u"", u"Home, Work"}));
    }
}

TEST_F(DataThreadTest, LoadFindingTheDataLockTakenTouchesNothingAndReportsNoData)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    ASSERT_TRUE(host.Run(loader, 5000));
    ASSERT_EQ(loader.List().GetCount(), 4);
    DATACALENDAR* first = loader.List().GetHead();

    // An adder on the window thread holds the lock while a load starts.
    ScopedDataLock held(loader);
    ASSERT_TRUE(held.Acquired());
    loadertest::WriteItem(5);
    host.Run(loader, 5000);
    EXPECT_FALSE(loadertest::LockFreeForOtherThreads(loader)) << "the load that gave up left the holder's lock alone";
    held.Unlock();

    EXPECT_EQ(host.Count(WM_LOADER_DATA), 0);
    EXPECT_EQ(loader.loadsRun.load(), 1);
    EXPECT_EQ(loader.List().GetCount(), 4);
    EXPECT_EQ(loader.List().GetHead(), first);
    EXPECT_TRUE(loadertest::LockFreeForOtherThreads(loader));
}

TEST_F(DataThreadTest, LoadKilledAfterTheStopTimeOutFreesTheLockAndStillEnds)
{
    ASSERT_TRUE(loadertest::WriteSideRecord(kJournalDatabase, kJournalSeekProperty, a));
    LoaderHost host;
    TestLoader loader(host.Window());
    loader.SetStopTimeout(200);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> reading{false};
    loader.OnRecord([&](TestLoader&, int n) {
        if (n < 2) return;
        reading = true;
        WaitForSingleObject(never, INFINITE);  // ignores the stop request
    });
    loader.Start();
    ASSERT_TRUE(kstest::PumpUntil([&] { return reading.load(); }));
    EXPECT_FALSE(loadertest::LockFreeForOtherThreads(loader));
    EXPECT_TRUE(loader.SideDatabasesOpen());

    const auto before = std::chrono::steady_clock::now();
    loader.Stop(true);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(150));
    EXPECT_EQ(loader.postKills.load(), 1);
    EXPECT_TRUE(loadertest::LockFreeForOtherThreads(loader));
    EXPECT_FALSE(loader.SideDatabasesOpen());
    EXPECT_EQ(loader.JournalDb(), nullptr);
    EXPECT_FALSE(loader.MainDb()->IsOpen());
    EXPECT_EQ(loader.HandedOver(), 1);  // the row read before the hook blocked

    host.Wait(loader, 1000);
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(host.Count(WM_LOADER_DATA), 0);
    EXPECT_EQ(host.Count(WM_LOADER_END), 1);
    CloseHandle(never);

    // The next load runs normally.
    loader.OnRecord(nullptr);
    ASSERT_TRUE(host.Run(loader, 5000));
    EXPECT_EQ(host.CompletedCount(), 4);
}

TEST_F(DataThreadTest, StopRequestEndsReadingAndKeepsWhatWasRead)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    std::atomic<bool> atSecond{false};
    loader.OnRecord([&](TestLoader& self, int n) {
        if (n != 2) return;
        atSecond = true;
        while (!self.StopIsRequested()) Sleep(1);
    });
    loader.Start();
    ASSERT_TRUE(kstest::PumpUntil([&] { return atSecond.load(); }));
    loader.Stop(true);
    EXPECT_EQ(loader.postKills.load(), 0);
    host.Wait(loader, 2000);
    EXPECT_EQ(Oids(loader), (std::vector<CEOID>{a, b}));
    EXPECT_EQ(host.CompletedCount(), 2);
    EXPECT_TRUE(loadertest::LockFreeForOtherThreads(loader));
}

TEST_F(DataThreadTest, MissingMainDatabaseStillCompletesWithNoRows)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    CEOID oid = 0;
    HANDLE db = CeOpenDatabaseEx(nullptr, &oid, loadertest::kTestDatabase, 0, 0, nullptr);
    ASSERT_NE(db, INVALID_HANDLE_VALUE);
    CloseHandle(db);
    ASSERT_TRUE(CeDeleteDatabase(oid));
    ASSERT_TRUE(host.Run(loader, 5000));
    EXPECT_EQ(host.CompletedCount(), 0);
    EXPECT_TRUE(loadertest::LockFreeForOtherThreads(loader));
}

// Each row's (links, journal) flags after a load with the side stores as they are.
std::vector<std::pair<int, int>> SideFlags(TestLoader& loader)
{
    EXPECT_TRUE(loadertest::RunLoad(loader));
    std::vector<std::pair<int, int>> flags;
    for (DATACALENDAR* row : loader.List()) flags.emplace_back(row->hasLinks, row->hasJournal);
    EXPECT_FALSE(loader.SideDatabasesOpen());  // closed again at the end of the load
    return flags;
}

TEST_F(DataThreadTest, SideStoreRecordsSetTheFlagsOfTheirItemsOnly)
{
    using Flags = std::vector<std::pair<int, int>>;
    TestLoader loader(nullptr);
    EXPECT_EQ(SideFlags(loader), (Flags{{0, 0}, {0, 0}, {0, 0}, {0, 0}}));
    EXPECT_EQ(loader.InitiateLinksDB(), 1);  // neither store: nothing opens
    EXPECT_FALSE(loader.SideDatabasesOpen());
    EXPECT_EQ(loader.LinksDb(), nullptr);
    EXPECT_EQ(loader.JournalDb(), nullptr);
    loader.CloseLinksDB();

    ASSERT_TRUE(loadertest::WriteSideRecord(kJournalDatabase, kJournalSeekProperty, b));
    EXPECT_EQ(SideFlags(loader), (Flags{{0, 0}, {0, 1}, {0, 0}, {0, 0}}));
    ASSERT_TRUE(loadertest::WriteSideRecord(kLinksDatabase, kLinksSeekProperty, d));
    ASSERT_TRUE(loadertest::WriteSideRecord(kLinksDatabase, kLinksSeekProperty, a));
    EXPECT_EQ(SideFlags(loader), (Flags{{1, 0}, {0, 1}, {0, 0}, {1, 0}}));
}

TEST_F(DataThreadTest, InitiateLinksDbTwiceOpensNothingTheSecondTime)
{
    ASSERT_TRUE(loadertest::WriteSideRecord(kLinksDatabase, kLinksSeekProperty, a));
    TestLoader loader(nullptr);
    EXPECT_EQ(loader.InitiateLinksDB(), 1);
    ASSERT_TRUE(loader.SideDatabasesOpen());
    CeDb* links = loader.LinksDb();
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(loader.JournalDb(), nullptr);
    // A journal made now is not opened by the second call of the same load.
    ASSERT_TRUE(loadertest::WriteSideRecord(kJournalDatabase, kJournalSeekProperty, a));
    EXPECT_EQ(loader.InitiateLinksDB(), 1);
    EXPECT_EQ(loader.LinksDb(), links);
    EXPECT_EQ(loader.JournalDb(), nullptr);
    EXPECT_EQ(loader.HasLinks(a), 1);
    EXPECT_EQ(loader.HasLinks(b), 0);

    loader.CloseLinksDB();
    EXPECT_FALSE(loader.SideDatabasesOpen());
    EXPECT_EQ(loader.LinksDb(), nullptr);
    EXPECT_EQ(loader.HasLinks(a), 0);
    loader.InitiateLinksDB();
    EXPECT_NE(loader.JournalDb(), nullptr);
    EXPECT_EQ(loader.HasJournal(a), 1);
}

TEST_F(DataThreadTest, CategoryRestrictionDecidesWhichItemsAreLoaded)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    CCategoryFilterInfo* info = nullptr;
    loader.GetCategoryRestrict(info);
    ASSERT_NE(info, nullptr);
    struct Case {
        const char* name;
        bool home;  // Home selected as well as Work
        DWORD includeNoCat;
        LONG hide;
        DWORD andOr;
        std::vector<CEOID> expected;
    };
    const std::vector<Case> cases = {
        {"work", false, 0, kCategoryShowSelected, 0, {a, d}},
        {"work or none", false, 1, kCategoryShowSelected, 0, {a, c, d}},
        {"hide work", false, 0, kCategoryHideSelected, 0, {b, c}},
        {"uncategorised only", false, 0, kCategoryShowUncategorised, 0, {c}},
        {"work and home", true, 0, kCategoryShowSelected, 1, {d}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        auto* selected = new CePtrList<CFullCategory*>;
        selected->Append(new CFullCategory(u"Work", 7, 0));
        if (t.home) selected->Append(new CFullCategory(u"Home", 3, 0));
        info->SetSelected(selected);
        loader.SetCategoryRestrict(false);
        info->m_bIncludeNoCat = t.includeNoCat;
        info->bHideCategories = t.hide;
        info->CategoryANDOR = t.andOr;
        ASSERT_TRUE(host.Run(loader, 5000));
        EXPECT_EQ(Oids(loader), t.expected);
    }
}

TEST_F(DataThreadTest, SavedRestrictionFlagsAreReadBackByTheSettingsKey)
{
    TestLoader writer(nullptr);
    CCategoryFilterInfo* info = nullptr;
    writer.GetCategoryRestrict(info);
    info->m_bIncludeNoCat = 1;
    info->bHideCategories = kCategoryShowUncategorised;
    info->CategoryANDOR = 1;
    writer.SetCategoryRestrict(false);

    TestLoader reader(nullptr);
    CCategoryFilterInfo* read = nullptr;
    reader.GetCategoryRestrict(read);
    read->m_bIncludeNoCat = 7;
    reader.ReadCategoryRestrictSettings();  // nothing saved yet: defaults
    EXPECT_EQ(read->m_bIncludeNoCat, 0u);
    EXPECT_EQ(read->bHideCategories, 0);
    EXPECT_EQ(read->CategoryANDOR, 0u);
    EXPECT_TRUE(reader.ShowHasNoteIcons());

    writer.SetCategoryRestrict(true);
    reader.ReadCategoryRestrictSettings();
    EXPECT_EQ(read->m_bIncludeNoCat, 1u);
    EXPECT_EQ(read->bHideCategories, kCategoryShowUncategorised);
    EXPECT_EQ(read->CategoryANDOR, 1u);
    ULONG stored = 0;
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, loadertest::kTestSettingsKey), 0);
    ASSERT_EQ(settings.QueryValue(u"CategoryANDOR", &stored), 0);
    EXPECT_EQ(stored, 1u);
    ASSERT_EQ(settings.SetValue(u"ShowHasNoteIcons", static_cast<ULONG>(0)), 0);
    settings.CloseKey();
    reader.ReadCategoryRestrictSettings();
    EXPECT_FALSE(reader.ShowHasNoteIcons());
}

TEST_F(DataThreadTest, CategoryAssemblerNamesFollowTheListOrderUpToTheBufferSizeFromMallocOrThePrivateHeap)
{
    ASSERT_TRUE(cattest::WriteCategory(u"Far", 40));
    TestLoader loader(nullptr);
    const struct {
        std::initializer_list<unsigned int> ids;
        std::u16string text;
    } cases[] = {
        {{7, 3}, u"Work, Home"},     {{3, 7}, u"Home, Work"}, {{40}, u"Far"}, {{7, 3, 40}, u"Work, Home, Far"},
        {{7, 99, 3}, u"Work, Home"},  // unknown identifiers add nothing
        {{99, 7}, u"Work"},          {{7, 99}, u"Work"},      {{99}, u""},    {{}, u""},
    };
    WCHAR* previous = nullptr;
    for (const auto& c : cases) {
        CePtrList<unsigned int> list(1);
        for (unsigned int id : c.ids) list.Append(id);
        WCHAR* text = loader.CategoryAssembler(list);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text), c.text);
        EXPECT_NE(text, previous) << "each result is a new string, not the buffer";
        std::free(previous);
        previous = text;
    }
    std::free(previous);
    // A very long list is cut at the buffer size.
    CePtrList<unsigned int> many(1);
    for (int i = 0; i < 1500; ++i) many.Append(7u);
    WCHAR* text = loader.CategoryAssembler(many);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text).size(), static_cast<size_t>(kCategoryTextChars));
    EXPECT_EQ(std::u16string(text).substr(0, 10), u"Work, Work");
    std::free(text);

    // With a private heap the text comes from it.
    HANDLE heap = loader.CreatePrivateHeap();
    ASSERT_NE(heap, nullptr);
    CePtrList<unsigned int> list(1);
    list.Append(3u);
    text = loader.CategoryAssembler(list);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"Home");
    EXPECT_EQ(HeapSize(heap, 0, text), 5 * sizeof(WCHAR));
    // A new heap replaces the old one, which goes with every block it held.
    HANDLE next = loader.CreatePrivateHeap();
    EXPECT_NE(next, nullptr);
    EXPECT_EQ(loader.GetPrivateHeap(), next);
    loader.DestroyPrivateHeap();
    EXPECT_EQ(loader.GetPrivateHeap(), nullptr);
}

TEST_F(DataThreadTest, HostWindowIsMessageOnlyOnTheCallingThreadAndEachRunStartsClean)
{
    LoaderHost host;
    ASSERT_NE(host.Window(), nullptr);
    EXPECT_TRUE(IsWindow(host.Window()));
    EXPECT_EQ(GetWindowThreadProcessId(host.Window(), nullptr), GetCurrentThreadId());
    EXPECT_EQ(GetParent(host.Window()), nullptr);
    HWND other = nullptr;
    {
        LoaderHost second;  // hosts do not share windows
        other = second.Window();
        EXPECT_NE(other, host.Window());
    }
    EXPECT_FALSE(IsWindow(other));
    EXPECT_TRUE(IsWindow(host.Window()));

    // Each run clears what the last one recorded.
    TestLoader loader(host.Window());
    ASSERT_TRUE(host.Run(loader, 5000));
    EXPECT_EQ(host.Events().size(), 3u);
    loadertest::WriteItem(5);
    ASSERT_TRUE(host.Run(loader, 5000));
    EXPECT_EQ(host.Events().size(), 3u);
    EXPECT_EQ(host.CompletedCount(), 5);
    host.Clear();
    EXPECT_TRUE(host.Events().empty());
    EXPECT_EQ(host.CompletedCount(), -1);
    EXPECT_FALSE(host.Ended());
}

// A wait on a loader never started returns at once, a load that never
// begins ends it when its thread ends, and a load that hangs after its time-out.
TEST_F(DataThreadTest, HostWaitEndsWithoutALoadOrAfterItsTimeOut)
{
    LoaderHost host;
    TestLoader loader(host.Window());
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(host.Wait(loader, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    loader.SetPreconditions(false);
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(host.Run(loader, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(host.Events().empty());
    EXPECT_EQ(loader.loadsRun.load(), 0);

    loader.SetPreconditions(true);
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    loader.OnRecord([&](TestLoader&, int) { WaitForSingleObject(gate, INFINITE); });
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(host.Run(loader, 150));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
    EXPECT_EQ(host.Count(WM_LOADER_BEGIN), 1);
    EXPECT_EQ(host.Count(WM_LOADER_END), 0);
    SetEvent(gate);
    EXPECT_TRUE(host.Wait(loader, 5000));
    EXPECT_EQ(host.CompletedCount(), 4);
    CloseHandle(gate);
}

}  // namespace
