// COutlook over a scripted application. Sections: A scripted application;
// Logon; Item calls; Default folders; Shared between threads; Kind of a record; Save errors;
// Add-in commands.
#include "storage/c_outlook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"
#include "platform/messaging/window.h"
#include "platform/modules/string_resources.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/bstr.h"
#include "platform/ui/clipboard_formats.h"
#include "storage/pocket_outlook_icontext.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/scripted_ui_host.h"

namespace {

// ---- A scripted application ---------------------------------------------
// What every fake application of one test reports to and takes orders from.
struct FakeOutlookLog {
    std::atomic<int> created{0};
    std::atomic<int> alive{0};
    std::atomic<int> logons{0};
    std::atomic<int> logoffs{0};
    std::atomic<int> folderCalls{0};
    std::atomic<LONG> lastLogonWindow{0};
    HRESULT logonResult = S_OK;
    // Results of the next GetDefaultFolder calls, in order; S_OK when empty.
    std::mutex folderMutex;
    std::deque<HRESULT> folderResults;

    HRESULT NextFolderResult()
    {
        std::lock_guard<std::mutex> lock(folderMutex);
        if (folderResults.empty()) return S_OK;
        HRESULT hr = folderResults.front();
        folderResults.pop_front();
        return hr;
    }
};

class FakeOutlookApp final : public OutlookObject<IPOutlookApp> {
public:
    explicit FakeOutlookApp(FakeOutlookLog& log) : m_log(log)
    {
        ++m_log.created;
        ++m_log.alive;
    }
    ~FakeOutlookApp() override { --m_log.alive; }

    HRESULT Logon(LONG hwnd) override
    {
        ++m_log.logons;
        m_log.lastLogonWindow = hwnd;
        return m_log.logonResult;
    }
    HRESULT Logoff() override
    {
        ++m_log.logoffs;
        return S_OK;
    }
    HRESULT get_Version(BSTR* version) override
    {
        *version = nullptr;
        return S_OK;
    }
    HRESULT GetDefaultFolder(int, IFolder** result) override
    {
        ++m_log.folderCalls;
        *result = nullptr;
        return m_log.NextFolderResult();
    }
    // The arguments come back as the result.
    HRESULT CreateItem(int kind, IDispatch** item) override
    {
        *item = nullptr;
        return static_cast<HRESULT>(0x100 + kind);
    }
    HRESULT GetItemFromOid(LONG oid, IDispatch** item) override
    {
        *item = nullptr;
        return static_cast<HRESULT>(0x200 + oid);
    }
    HRESULT GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi) override
    {
        *tzi = TIME_ZONE_INFORMATION{};
        tzi->Bias = index;
        return S_OK;
    }
    HRESULT get_OutlookCompatible(VARIANT_BOOL* compatible) override
    {
        *compatible = VARIANT_TRUE;
        return S_OK;
    }

private:
    FakeOutlookLog& m_log;
};

// A COutlook whose applications are fakes; createResult fails the creation.
class FakeCOutlook : public COutlook {
public:
    explicit FakeCOutlook(FakeOutlookLog& log) : m_log(log) {}
    ~FakeCOutlook() override { Close(); }

    HRESULT createResult = S_OK;
    // Runs inside the creation, before the application exists.
    std::function<void()> duringCreate;

protected:
    HRESULT CreateApplication(IPOutlookApp** app) override
    {
        if (duringCreate) duringCreate();
        if (FAILED(createResult)) {
            *app = nullptr;
            return createResult;
        }
        *app = new FakeOutlookApp(m_log);
        return S_OK;
    }

private:
    FakeOutlookLog& m_log;
};

HWND FakeWindow(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

std::u16string Resource(UINT id)
{
    const WCHAR* text = nullptr;
    int length = LoadStringW(nullptr, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::u16string(text, static_cast<size_t>(length)) : std::u16string();
}

// A fake application behind COutlook, with the messages it shows.
class COutlookTest : public ::testing::Test {
protected:
    ScriptedUiHost ui;
    FakeOutlookLog log;
    FakeCOutlook outlook{log};
};

// ---- Logon ------------------------------------------------------------------

TEST_F(COutlookTest, OpensOnceWithTheParentWindowAndCloseStartsAfresh)
{
    outlook.SetParentWindow(FakeWindow(0x4321));
    EXPECT_FALSE(outlook.IsOpen());
    EXPECT_TRUE(outlook.Open());
    EXPECT_TRUE(outlook.Open());
    EXPECT_TRUE(outlook.IsOpen());
    EXPECT_EQ(log.created, 1) << "an existing application is kept";
    EXPECT_EQ(log.logons, 1);
    EXPECT_EQ(log.lastLogonWindow, 0x4321);
    EXPECT_EQ(ui.MessageCount(), 0u);

    outlook.Close();
    outlook.Close();
    EXPECT_FALSE(outlook.IsOpen());
    EXPECT_EQ(log.logoffs, 1) << "closing twice logs off once";
    EXPECT_EQ(log.alive, 0) << "the application was released";
    ASSERT_TRUE(outlook.Open());
    EXPECT_EQ(log.created, 2);
}

TEST_F(COutlookTest, FailedCreationAndLogonAreReported)
{
    outlook.createResult = REGDB_E_CLASSNOTREG;
    outlook.SetParentWindow(FakeWindow(0x77));
    EXPECT_FALSE(outlook.Open());
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().text, u"Cannot create the object");
    EXPECT_EQ(ui.LastMessage().owner, FakeWindow(0x77));
    EXPECT_EQ(log.logons, 0);

    outlook.createResult = S_OK;
    log.logonResult = E_FAIL;
    EXPECT_FALSE(outlook.Open());
    EXPECT_FALSE(outlook.IsOpen());
    ASSERT_EQ(ui.MessageCount(), 2u);
    EXPECT_EQ(ui.LastMessage().text, u"Cannot logon to the Pocket Outlook Database.");
    EXPECT_EQ(log.alive, 0);
    log.logonResult = S_OK;
    EXPECT_TRUE(outlook.Open()) << "a later attempt may succeed";
}

// ---- Item calls -------------------------------------------------------------

TEST_F(COutlookTest, ItemCallsOpenOnDemandWithTheForegroundWindowAndPassTheirArguments)
{
    HWND foreground = CreateWindowExW(0, u"ListBox", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(SetForegroundWindow(foreground));
    IDispatch* item = nullptr;
    TIME_ZONE_INFORMATION tzi{};
    EXPECT_EQ(static_cast<std::uint32_t>(outlook.GetTimeZoneInformationFromIndex(5, &tzi)), 0x80004005u)
        << "needs a logon and never opens";
    EXPECT_EQ(log.created, 0);
    EXPECT_EQ(outlook.GetItemFromOid(0x42, &item), 0x242);
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.lastLogonWindow, static_cast<LONG>(reinterpret_cast<std::intptr_t>(foreground)));
    DestroyWindow(foreground);
    EXPECT_EQ(outlook.CreateItem(olTaskItem, &item), 0x100 + olTaskItem);
    EXPECT_EQ(log.created, 1) << "the second call finds the application open";
    EXPECT_EQ(outlook.GetTimeZoneInformationFromIndex(5, &tzi), S_OK);
    EXPECT_EQ(tzi.Bias, 5);
}

// ---- Default folders --------------------------------------------------------

TEST_F(COutlookTest, AFailedRequestLogsOnAfreshAndTriesOnceMore)
{
    ASSERT_TRUE(outlook.Open());
    log.folderResults = {E_FAIL};
    IFolder* folder = nullptr;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderCalendar, &folder), S_OK);
    EXPECT_EQ(log.folderCalls, 2);
    EXPECT_EQ(log.logoffs, 1) << "the stale session was closed";
    EXPECT_EQ(log.created, 2) << "and a new one opened";
    EXPECT_EQ(log.alive, 1);

    log.folderResults = {E_INVALIDARG, E_UNEXPECTED, S_OK};
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderTasks, &folder), E_UNEXPECTED) << "the last failure is returned";
    EXPECT_EQ(log.folderCalls, 4);
}

TEST_F(COutlookTest, NoApplicationAtAllGivesMinusOneAndOneMessagePerRequest)
{
    outlook.createResult = E_FAIL;
    IFolder* folder = nullptr;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderContacts, &folder), -1);
    EXPECT_EQ(log.folderCalls, 0);
    EXPECT_EQ(ui.MessageCount(), 1u) << "one failed request, one message";
    IDispatch* item = nullptr;
    EXPECT_EQ(outlook.GetItemFromOid(1, &item), -1);
    EXPECT_EQ(outlook.CreateItem(olAppointmentItem, &item), -1);
    EXPECT_EQ(ui.MessageCount(), 3u);

    // A refused logon is not tried a second time either.
    outlook.createResult = S_OK;
    log.logonResult = E_FAIL;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderContacts, &folder), -1);
    EXPECT_EQ(log.logons, 1);
    EXPECT_EQ(ui.MessageCount(), 4u);
}

// ---- Shared between threads ------------------------------------------------

TEST_F(COutlookTest, ConcurrentOpensMakeOneApplicationAndCallsRacingACloseNeverUseAReleasedOne)
{
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            for (int n = 0; n < 50; ++n) outlook.Open();
        });
    }
    go = true;
    for (auto& t : threads) t.join();
    EXPECT_TRUE(outlook.IsOpen());
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.logons, 1);
    EXPECT_EQ(ui.MessageCount(), 0u);
    std::atomic<bool> stop{false};
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i) {
        callers.emplace_back([&] {
            IDispatch* item = nullptr;
            while (!stop) {
                HRESULT hr = outlook.GetItemFromOid(1, &item);
                EXPECT_TRUE(hr == 0x201 || hr == -1) << hr;
            }
        });
    }
    for (int n = 0; n < 200; ++n) outlook.Close();
    stop = true;
    for (auto& t : callers) t.join();
    outlook.Close();
    EXPECT_EQ(log.alive, 0) << "every application made was released";
    EXPECT_EQ(log.logoffs, log.created.load());
}

TEST_F(COutlookTest, AThreadThatFindsALogonUnderWayDoesNotWait)
{
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    outlook.duringCreate = [&] {
        entered.set_value();
        released.wait();
    };
    std::thread first([&] { EXPECT_TRUE(outlook.Open()); });
    entered.get_future().wait();

    // The logon is under way on the first thread: others report no application.
    EXPECT_FALSE(outlook.Open());
    IDispatch* item = nullptr;
    EXPECT_EQ(outlook.GetItemFromOid(9, &item), -1);
    EXPECT_EQ(outlook.CreateItem(olContactItem, &item), -1);

    release.set_value();
    first.join();
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(outlook.GetItemFromOid(9, &item), 0x209);
    EXPECT_EQ(ui.MessageCount(), 0u);
}

// A host whose message boxes run a probe while they are up.
class ProbingUiHost : public ScriptedUiHost {
public:
    std::function<void()> whileShown;
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) override
    {
        if (whileShown) whileShown();
        return ScriptedUiHost::MessageBox(owner, text, caption, flags);
    }
};

TEST(COutlookSharedMessages, AFailureIsShownWithTheLogonLockFree)
{
    for (bool createFails : {true, false}) {
        ProbingUiHost ui;
        FakeOutlookLog log;
        FakeCOutlook outlook(log);
        if (createFails)
            outlook.createResult = E_FAIL;
        else
            log.logonResult = E_FAIL;
        bool otherOpened = false;
        ui.whileShown = [&] {
            outlook.createResult = S_OK;
            log.logonResult = S_OK;
            std::thread([&] { otherOpened = outlook.Open(); }).join();
        };

        EXPECT_FALSE(outlook.Open());
        EXPECT_EQ(ui.MessageCount(), 1u);
        EXPECT_TRUE(otherOpened) << "another thread may log on while the user reads the message";
        EXPECT_TRUE(outlook.IsOpen());
    }
}

// ---- Kind of a record -------------------------------------------------------

class COutlookItemType : public StoreSandbox {
protected:
    // A database of that name with one record; returns the record's OID.
    static CEOID RecordIn(const WCHAR* name, CEOID* database = nullptr)
    {
        CEOID db = CeCreateDatabase(name, 0, 0, nullptr);
        EXPECT_NE(db, 0u);
        HANDLE h = CeOpenDatabase(&db, nullptr, 0, 0, nullptr);
        CEPROPVAL value{};
        value.propid = MAKEPROPID(0x0037, CEVT_I4);
        value.val.lVal = 7;
        CEOID oid = CeWriteRecordProps(h, 0, 1, &value);
        CloseHandle(h);
        if (database) *database = db;
        return oid;
    }
};

TEST_F(COutlookItemType, ByTheFirstLetterOfTheDatabaseName)
{
    EXPECT_EQ(COutlook::GetKSItemType(RecordIn(kAppointmentsDatabase)), 3);
    EXPECT_EQ(COutlook::GetKSItemType(RecordIn(kContactsDatabase)), 2);
    EXPECT_EQ(COutlook::GetKSItemType(RecordIn(kTasksDatabase)), 4);
    EXPECT_EQ(COutlook::GetKSItemType(RecordIn(kCategoriesDatabase)), 0);
    EXPECT_EQ(COutlook::GetKSItemType(RecordIn(u"KestrelJournal_2")), 0);
    EXPECT_EQ(COutlook::GetKSItemType(RecordIn(u"Alarms")), 3) << "only the first letter counts";
    // Databases and unknown objects are no items.
    CEOID database = 0;
    RecordIn(u"Tasks Elsewhere", &database);
    EXPECT_EQ(COutlook::GetKSItemType(static_cast<long>(database)), 0);
    EXPECT_EQ(COutlook::GetKSItemType(0), 0);
    EXPECT_EQ(COutlook::GetKSItemType(0x7FFFFFF0), 0);
}

// ---- Save errors ------------------------------------------------------------

// The message for each result (none for success and lack of memory), signed or unsigned.
TEST(COutlookSaveError, EachResultShowsItsText)
{
    const std::u16string general = Resource(40443);
    const struct {
        long code;
        std::u16string text;
        std::u16string_view cause;  // what the text must say
    } cases[] = {
        {E_FIELDTOOLARGE, Resource(40433), u"too long"},
        {E_INVALIDREMINDERTIME, Resource(40434), u"reminder"},
        {E_INVALIDDATES, Resource(40435), u"dates"},
        {E_OVERLAPPINGEXCEPTION, Resource(40436), u"overlaps"},
        {E_CANTCHANGEDATE, Resource(40437), u"neighbouring occurrence"},
        {E_EXCEPTIONSAMEDAY, Resource(40438), u"on that day"},
        {E_INVALIDRECURRENCE, Resource(40439), u"recurrence pattern"},
        {E_ALLDAYMEETING, Resource(40440), u"all-day"},
        {E_CLOCKRUNNING, Resource(40442), u"timer"},
        {0x80040066L, Resource(40433), u"too long"},
        {E_UNEXPECTED, u"Pocket Outlook API: Catastrophic failure.", {}},
        {E_INVALIDARG, u"Pocket Outlook API: one or more arguments are invalid.", {}},
        // Inside the object model's range without a text of its own: the general text and the code.
        {static_cast<std::int32_t>(0x80040065u), general + u"-2147221403", {}},
        {E_FAIL, general + u"-2147467259", {}},
        {S_FALSE, general + u"1", {}},
        {S_OK, u"", {}},
        {E_OUTOFMEMORY, u"", {}},
        {0x8007000EL, u"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        ScriptedUiHost ui;
        EXPECT_EQ(COutlook::DisplayPIMSaveError(c.code), !c.text.empty());
        ASSERT_EQ(ui.MessageCount(), c.text.empty() ? 0u : 1u);
        if (!c.text.empty()) {
            EXPECT_EQ(ui.LastMessage().text, c.text);
        }
        EXPECT_NE(c.text.find(c.cause), std::u16string::npos);
    }
    EXPECT_FALSE(general.empty());
}

// ---- Add-in commands --------------------------------------------------------

// Each add-in gets its own ids (no more than offered); its commands read the item as an ItemRefArray.
TEST(PocketOutlookIContext, AddInsRunTheirOwnCommandsOnTheContextsItem)
{
    using Runs = std::vector<std::vector<DWORD>>;  // offset, count, kind, OID
    struct AddIn : IPimMenuAddIn {
        explicit AddIn(UINT n) : claims(n) {}
        UINT AddMenuItems(HMENU, UINT, UINT) override { return claims; }
        HRESULT InvokeCommand(UINT offset, const CPocketOutlookIContext& context) override
        {
            platform::LocalBlock data(context.GetData(RegisterClipboardFormatW(u"itemrefarray")));
            if (const auto* refs = data.As<ItemRefArray>())
                runs.push_back({offset, refs->cRefs, refs->rgRefs[0].type, refs->rgRefs[0].oid});
            return S_OK;
        }
        UINT claims;
        Runs runs;
    } first(2), second(1), greedy(9);
    CPocketOutlookIContext context(olContactItem);
    EXPECT_EQ(context.GetData(CPocketOutlookIContext::ItemRefArrayFormat()), nullptr);  // no item yet
    context.SetOid(0x1234);
    EXPECT_EQ(context.GetData(RegisterClipboardFormatW(u"Text")), nullptr);
    EXPECT_EQ(RegisterClipboardFormatW(u""), 0u);
    for (IPimMenuAddIn* addIn : {&first, &second, &greedy}) context.AddAddIn(addIn);
    EXPECT_EQ(context.QueryMenu(nullptr, 100, 104), 105u);
    for (UINT id : {102u, 101u, 104u}) EXPECT_EQ(context.InvokeCommand(id), S_OK);
    EXPECT_EQ(context.InvokeCommand(105), S_FALSE);
    EXPECT_EQ(first.runs, (Runs{{1, 1, olContactItem, 0x1234}}));
    EXPECT_EQ(second.runs, (Runs{{0, 1, olContactItem, 0x1234}}));
    EXPECT_EQ(greedy.runs, (Runs{{1, 1, olContactItem, 0x1234}}));
}

}  // namespace
