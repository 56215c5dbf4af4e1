// The application object: creation, references, Logon, items by OID, folders, zones.
#include "platform/objectmodel/outlook_app.h"

#include <gtest/gtest.h>

#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using namespace outlooktest;

constexpr IID kUnknownIid = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

class OutlookAppTest : public OutlookItemTest {
protected:
    void SetUp() override
    {
        OutlookItemTest::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                                   reinterpret_cast<void**>(app_.Put())),
                  S_OK);
    }
    void TearDown() override
    {
        if (app_) {
            EXPECT_EQ(app_.Detach()->Release(), 0u) << "the test holds the last reference";
        }
        OutlookItemTest::TearDown();
    }
    LONG Save(int kind)
    {
        ComRef<IDispatch> item;
        EXPECT_EQ(app_->CreateItem(kind, item.Put()), S_OK);
        auto save = [](const auto& typed) {
            EXPECT_EQ(typed->Save(), S_OK);
            return static_cast<LONG>(OidOf(typed));
        };
        if (kind == olContactItem) return save(As<IContact>(std::move(item)));
        if (kind == olTaskItem) return save(As<ITask>(std::move(item)));
        const ComRef<IAppointment> appointment = As<IAppointment>(std::move(item));
        EXPECT_EQ(appointment->put_Start(Ole(2026, 12, 5, 9)), S_OK);
        return save(appointment);
    }

    ComRef<IPOutlookApp> app_;
};

TEST(OutlookCreationTest, OnlyTheApplicationClassIsKnown)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kUnknownIid, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    IUnknown* outer = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer)),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_Application, outer, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(outer->Release(), 0u);
    EXPECT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_ITask, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, nullptr), E_POINTER);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST_F(OutlookAppTest, NothingBeforeLogonOrAfterLogoffLogonMakesTheDatabasesAndReferencesAreCounted)
{
    CEOID oid = 0;
    EXPECT_EQ(CeOpenDatabaseEx(nullptr, &oid, kContactsDatabase, 0, 0, nullptr), INVALID_HANDLE_VALUE);
    ComRef<IDispatch> item;
    ComRef<IFolder> folder;
    TIME_ZONE_INFORMATION tzi{};
    EXPECT_EQ(app_->CreateItem(olTaskItem, item.Put()), E_FAIL);
    EXPECT_EQ(app_->GetItemFromOid(1, item.Put()), E_FAIL);
    EXPECT_EQ(app_->GetDefaultFolder(olFolderTasks, folder.Put()), E_FAIL);
    EXPECT_EQ(app_->GetTimeZoneInformationFromIndex(0, &tzi), E_FAIL);
    EXPECT_EQ(app_->Logoff(), E_FAIL);
    ASSERT_EQ(app_->Logon(0), S_OK);
    for (LPCWSTR name : {kAppointmentsDatabase, kTasksDatabase, kContactsDatabase, kCategoriesDatabase}) {
        oid = 0;
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, name, 0, 0, nullptr);
        EXPECT_NE(db, INVALID_HANDLE_VALUE);
        CloseHandle(db);
    }
    EXPECT_FALSE(Text(app_, &IPOutlookApp::get_Version).empty());
    EXPECT_EQ(Get(app_, &IPOutlookApp::get_OutlookCompatible), VARIANT_TRUE);
    EXPECT_EQ(app_->CreateItem(olTaskItem, item.Put()), S_OK);
    item.Reset();
    EXPECT_EQ(app_->Logoff(), S_OK);
    EXPECT_EQ(app_->CreateItem(olTaskItem, item.Put()), E_FAIL);
    EXPECT_EQ(item.Get(), nullptr);

    // References are counted across interfaces; folders keep the application alive.
    EXPECT_EQ(app_->AddRef(), 2u);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(app_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch), static_cast<void*>(app_.Get()));
    EXPECT_EQ(dispatch->Release(), 2u);
    EXPECT_EQ(app_->Release(), 1u);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(app_->QueryInterface(IID_IContact, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    ASSERT_EQ(app_->Logon(0), S_OK);
    IFolder* contacts = nullptr;
    ASSERT_EQ(app_->GetDefaultFolder(olFolderContacts, &contacts), S_OK);
    EXPECT_EQ(app_->AddRef(), 3u);
    EXPECT_EQ(app_->Release(), 2u);
    IPOutlookApp* fromFolder = nullptr;
    ASSERT_EQ(contacts->get_Application(&fromFolder), S_OK);
    EXPECT_EQ(fromFolder, app_.Get());
    fromFolder->Release();
    EXPECT_EQ(contacts->Release(), 0u);
    EXPECT_EQ(app_->AddRef(), 2u);
    app_->Release();
}

TEST_F(OutlookAppTest, CreateItemKnowsThreeKindsAndGetItemFromOidOnlyTheirItems)
{
    ASSERT_EQ(app_->Logon(0), S_OK);
    ComRef<IDispatch> item;
    EXPECT_EQ(app_->CreateItem(0, item.Put()), E_INVALIDARG);
    EXPECT_EQ(app_->CreateItem(4, item.Put()), E_INVALIDARG);
    EXPECT_EQ(item.Get(), nullptr);
    ASSERT_EQ(app_->CreateItem(olContactItem, item.Put()), S_OK);
    const ComRef<IContact> contact = As<IContact>(std::move(item));
    EXPECT_EQ(OidOf(contact), 0u) << "no OID before Save";
    EXPECT_EQ(RecordCount(kContactsDatabase), 0);
    ComRef<IPOutlookApp> owner;
    ASSERT_EQ(contact->get_Application(owner.Put()), S_OK);
    EXPECT_EQ(owner.Get(), app_.Get());
    const struct {
        int kind;
        const IID& iid;
    } kinds[] = {{olContactItem, IID_IContact}, {olTaskItem, IID_ITask}, {olAppointmentItem, IID_IAppointment}};
    for (const auto& k : kinds) {
        const LONG oid = Save(k.kind);
        ASSERT_NE(oid, 0);
        ASSERT_EQ(app_->GetItemFromOid(oid, item.Put()), S_OK) << k.kind;
        ComRef<IUnknown> typed;
        EXPECT_EQ(item->QueryInterface(k.iid, reinterpret_cast<void**>(typed.Put())), S_OK) << k.kind;
        for (const auto& other : kinds) {
            if (&other.iid == &k.iid) continue;
            EXPECT_EQ(item->QueryInterface(other.iid, reinterpret_cast<void**>(typed.Put())), E_NOINTERFACE) << k.kind;
        }
    }

    IDispatch* raw = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(app_->GetItemFromOid(0, &raw), E_INVALIDARG);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(app_->GetItemFromOid(0x7FFFFFF0, &raw), E_INVALIDARG) << "no such object";
    EXPECT_EQ(app_->GetItemFromOid(static_cast<LONG>(PimDatabases::Oid(kTasksDatabase)), &raw), E_INVALIDARG)
        << "a database is no item";

    const CEOID categoryRecord =
        WriteRaw(kCategoriesDatabase, 0, {cedbtest::Str(PropIdNumber(kCategoryName), u"Work")});
    ASSERT_NE(categoryRecord, 0u);
    EXPECT_EQ(app_->GetItemFromOid(static_cast<LONG>(categoryRecord), &raw), E_INVALIDARG)
        << "a record of another database";

    const LONG oid = Save(olContactItem);
    ASSERT_EQ(app_->GetItemFromOid(oid, item.Put()), S_OK);
    EXPECT_EQ(As<IContact>(std::move(item))->Delete(), S_OK);
    EXPECT_EQ(app_->GetItemFromOid(oid, &raw), E_INVALIDARG) << "a deleted item";
    EXPECT_EQ(app_->GetItemFromOid(oid, nullptr), E_POINTER);
}

TEST_F(OutlookAppTest, DefaultFoldersZonesByPositionAndTheInfraredFolder)
{
    ASSERT_EQ(app_->Logon(0), S_OK);
    const struct {
        int folder;
        int kind;
    } folders[] = {
        {olFolderCalendar, olAppointmentItem}, {olFolderContacts, olContactItem}, {olFolderTasks, olTaskItem}};
    for (const auto& f : folders) {
        ComRef<IFolder> folder;
        ASSERT_EQ(app_->GetDefaultFolder(f.folder, folder.Put()), S_OK);
        EXPECT_EQ(Get(folder, &IFolder::get_DefaultItemType), f.kind);
        EXPECT_EQ(folder->AddItemToInfraredFolder(olContactItem, folder.Get()), E_FAIL) << "not the infrared folder";
    }
    IFolder* folder = reinterpret_cast<IFolder*>(1);
    EXPECT_EQ(app_->GetDefaultFolder(olFolderCities, &folder), E_INVALIDARG);
    EXPECT_EQ(app_->GetDefaultFolder(12345, &folder), E_INVALIDARG);
    EXPECT_EQ(folder, nullptr);

    TIME_ZONE_INFORMATION first{}, second{};
    ASSERT_EQ(app_->GetTimeZoneInformationFromIndex(0, &first), S_OK);
    ASSERT_EQ(app_->GetTimeZoneInformationFromIndex(60, &second), S_OK);
    EXPECT_GT(first.Bias, second.Bias) << "the list runs west to east";
    EXPECT_EQ(app_->GetTimeZoneInformationFromIndex(-1, &first), E_INVALIDARG);
    EXPECT_EQ(app_->GetTimeZoneInformationFromIndex(100000, &first), E_INVALIDARG);
    EXPECT_EQ(app_->GetTimeZoneInformationFromIndex(0, nullptr), E_POINTER);

    ComRef<IFolder> infrared;
    ASSERT_EQ(app_->GetDefaultFolder(olFolderInfrared, infrared.Put()), S_OK);
    const LONG oid = Save(olContactItem);
    ComRef<IDispatch> item;
    ASSERT_EQ(app_->GetItemFromOid(oid, item.Put()), S_OK);
    EXPECT_EQ(infrared->AddItemToInfraredFolder(olContactItem, item.Get()), S_OK);
    EXPECT_EQ(infrared->AddItemToInfraredFolder(7, item.Get()), E_INVALIDARG);
    EXPECT_EQ(infrared->AddItemToInfraredFolder(olContactItem, nullptr), E_POINTER);
    ASSERT_EQ(app_->CreateItem(olContactItem, item.Put()), S_OK);
    EXPECT_EQ(infrared->AddItemToInfraredFolder(olContactItem, item.Get()), E_INVALIDARG) << "an unsaved item";
    item.Reset();

    ComRef<IFolder> again;
    ASSERT_EQ(app_->GetDefaultFolder(olFolderInfrared, again.Put()), S_OK);
    ComRef<IPOutlookItemCollection> items;
    ASSERT_EQ(again->get_Items(items.Put()), S_OK) << "the gathered items belong to the logon";
    again.Reset();
    EXPECT_EQ(Get(items, &IPOutlookItemCollection::get_Count), 1);
    EXPECT_EQ(infrared->SendToInfrared(), S_OK) << "the gathered contact is beamed into the outbox";
    EXPECT_EQ(infrared->SendToInfrared(), S_FALSE) << "nothing is left gathered";
    EXPECT_EQ(infrared->ReceiveFromInfrared(items.Put()), E_FAIL);
}

}  // namespace
