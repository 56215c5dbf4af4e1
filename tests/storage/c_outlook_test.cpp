// COutlook: logging on lazily and once, the retry of folder requests, the
// kind of a record by its database, and the words for a failed save.
#include "storage/c_outlook.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/kernel/handle.h"
#include "platform/messaging/window.h"
#include "platform/modules/string_resources.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/bstr.h"
#include "tests/storage/fake_outlook_app.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/scripted_ui_host.h"

namespace {

using kstest::FakeCOutlook;
using kstest::FakeOutlookLog;
using kstest::FakeWindow;

std::u16string Resource(UINT id)
{
    const WCHAR* text = nullptr;
    int length = LoadStringW(nullptr, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::u16string(text, static_cast<size_t>(length)) : std::u16string();
}

// A fake application behind COutlook, with the messages it shows.
class FakeOutlookTest : public ::testing::Test {
protected:
    ScriptedUiHost ui;
    FakeOutlookLog log;
    FakeCOutlook outlook{log};
};
using COutlookLogon = FakeOutlookTest;
using COutlookItems = FakeOutlookTest;
using COutlookFolders = FakeOutlookTest;

// ---- Logon ------------------------------------------------------------------

TEST_F(COutlookLogon, OpensOnceWithTheParentWindow)
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
}

TEST_F(COutlookLogon, WithoutParentTheForegroundWindowIsUsed)
{
    HWND foreground = CreateWindowExW(0, u"ListBox", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(foreground, nullptr);
    ASSERT_TRUE(SetForegroundWindow(foreground));
    ASSERT_TRUE(outlook.Open());
    EXPECT_EQ(log.lastLogonWindow, static_cast<LONG>(reinterpret_cast<std::intptr_t>(foreground)));
    DestroyWindow(foreground);
}

TEST_F(COutlookLogon, CloseLogsOffAndReleasesAndTheNextOpenStartsAfresh)
{
    ASSERT_TRUE(outlook.Open());
    outlook.Close();
    EXPECT_FALSE(outlook.IsOpen());
    EXPECT_EQ(log.logoffs, 1);
    EXPECT_EQ(log.alive, 0) << "the application was released";
    outlook.Close();
    EXPECT_EQ(log.logoffs, 1) << "closing twice logs off once";

    ASSERT_TRUE(outlook.Open());
    EXPECT_EQ(log.created, 2);
}

TEST_F(COutlookLogon, TheApplicationThatCannotBeCreatedIsReported)
{
    outlook.createResult = REGDB_E_CLASSNOTREG;
    outlook.SetParentWindow(FakeWindow(0x77));

    EXPECT_FALSE(outlook.Open());
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().text, u"Cannot create the object");
    EXPECT_EQ(ui.LastMessage().owner, FakeWindow(0x77));
    EXPECT_EQ(log.logons, 0);
}

TEST_F(COutlookLogon, AFailedLogonIsReportedAndLeavesNoApplication)
{
    log.logonResult = E_FAIL;

    EXPECT_FALSE(outlook.Open());
    EXPECT_FALSE(outlook.IsOpen());
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().text, u"Cannot logon to the Pocket Outlook Database.");
    EXPECT_EQ(log.alive, 0);

    log.logonResult = S_OK;
    EXPECT_TRUE(outlook.Open()) << "a later attempt may succeed";
}

// ---- Item calls -------------------------------------------------------------

TEST_F(COutlookItems, ItemCallsOpenOnDemandAndPassTheirArguments)
{
    IDispatch* item = nullptr;
    EXPECT_EQ(outlook.GetItemFromOid(0x42, &item), 0x242);
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(outlook.CreateItem(olTaskItem, &item), 0x100 + olTaskItem);
    EXPECT_EQ(log.created, 1) << "the second call finds the application open";
}

TEST_F(COutlookItems, WithoutApplicationItemCallsGiveMinusOne)
{
    outlook.createResult = E_OUTOFMEMORY;
    IDispatch* item = nullptr;
    EXPECT_EQ(outlook.GetItemFromOid(1, &item), -1);
    EXPECT_EQ(outlook.CreateItem(olAppointmentItem, &item), -1);
    EXPECT_EQ(ui.MessageCount(), 2u) << "each attempt to open tells the user";
}

TEST_F(COutlookItems, TimeZoneByIndexNeedsALogonAndNeverOpens)
{
    TIME_ZONE_INFORMATION tzi{};
    EXPECT_EQ(static_cast<std::uint32_t>(outlook.GetTimeZoneInformationFromIndex(5, &tzi)), 0x80004005u);
    EXPECT_EQ(log.created, 0);

    ASSERT_TRUE(outlook.Open());
    EXPECT_EQ(outlook.GetTimeZoneInformationFromIndex(5, &tzi), S_OK);
    EXPECT_EQ(tzi.Bias, 5);
}

// ---- Default folders --------------------------------------------------------

TEST_F(COutlookFolders, AFailedRequestLogsOnAfreshAndTriesOnceMore)
{
    ASSERT_TRUE(outlook.Open());
    log.folderResults = {E_FAIL};

    IFolder* folder = nullptr;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderCalendar, &folder), S_OK);
    EXPECT_EQ(log.folderCalls, 2);
    EXPECT_EQ(log.logoffs, 1) << "the stale session was closed";
    EXPECT_EQ(log.created, 2) << "and a new one opened";
    EXPECT_EQ(log.alive, 1);
}

TEST_F(COutlookFolders, GivesUpAfterTheSecondFailure)
{
    log.folderResults = {E_INVALIDARG, E_UNEXPECTED, S_OK};

    IFolder* folder = nullptr;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderTasks, &folder), E_UNEXPECTED) << "the last failure is returned";
    EXPECT_EQ(log.folderCalls, 2);
}

TEST_F(COutlookFolders, NoApplicationAtAllGivesMinusOneAndOneMessage)
{
    outlook.createResult = E_FAIL;
    IFolder* folder = nullptr;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderContacts, &folder), -1);
    EXPECT_EQ(log.folderCalls, 0);
    EXPECT_EQ(ui.MessageCount(), 1u) << "one failed request, one message";

    // A refused logon is not tried a second time either.
    outlook.createResult = S_OK;
    log.logonResult = E_FAIL;
    EXPECT_EQ(outlook.GetDefaultFolder(olFolderContacts, &folder), -1);
    EXPECT_EQ(log.logons, 1);
    EXPECT_EQ(ui.MessageCount(), 2u);
}

// ---- Kind of a record -------------------------------------------------------

class COutlookItemType : public DeviceSandbox {
protected:
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        platform::CloseObjectStore();
    }
    void TearDown() override
    {
        platform::CloseObjectStore();
        DeviceSandbox::TearDown();
    }
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
}

TEST_F(COutlookItemType, DatabasesAndUnknownObjectsAreNoItems)
{
    CEOID database = 0;
    RecordIn(u"Tasks Database", &database);
    EXPECT_EQ(COutlook::GetKSItemType(static_cast<long>(database)), 0);
    EXPECT_EQ(COutlook::GetKSItemType(0), 0);
    EXPECT_EQ(COutlook::GetKSItemType(0x7FFFFFF0), 0);
}

// ---- With the real object model ----------------------------------------------
// (Its items' records are told apart by the database names above.)

class COutlookStore : public COutlookItemType {
protected:
    void SetUp() override
    {
        COutlookItemType::SetUp();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }
    void TearDown() override
    {
        COutlook::GetOutlookObject().Close();
        CoUninitialize();
        COutlookItemType::TearDown();
    }
};

TEST_F(COutlookStore, ARefusedSaveIsExplainedToTheUser)
{
    ScriptedUiHost ui;
    platform::ComRef<IDispatch> item;
    ASSERT_EQ(COutlook::GetOutlookObject().CreateItem(olAppointmentItem, item.Put()), S_OK);
    const auto appointment = platform::ComRef<IAppointment>::Query(item.Get());
    appointment->put_Start(46000.5);
    appointment->put_Duration(-60);  // ends before it starts
    const HRESULT hr = appointment->Save();
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(COutlook::DisplayPIMSaveError(hr));
    EXPECT_EQ(ui.MessageCount(), 1u);
    EXPECT_NE(ui.LastMessage().text.find(u"could not be saved"), std::u16string::npos);
}

// ---- Save errors ------------------------------------------------------------

// The message shown for each result, or nothing ("") for success and lack of
// memory; an object-model code's text names its cause. A code may come as a
// signed 32-bit value or as the same bits read as an unsigned number.
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
        if (!c.text.empty()) EXPECT_EQ(ui.LastMessage().text, c.text);
        EXPECT_NE(c.text.find(c.cause), std::u16string::npos);
    }
    EXPECT_FALSE(general.empty());
}

}  // namespace
