// Folder item collections: the database's order, Item and Count, Sort by a
// property name, Restrict and Find with the restriction forms the suite
// uses, Remove and Add.
#include "platform/objectmodel/outlook_item_collection.h"

#include <gtest/gtest.h>

#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "platform/objectmodel/outlook_app.h"

namespace {

using namespace outlooktest;

class OutlookItemCollectionTest : public OutlookItemTest {
protected:
    void SetUp() override
    {
        OutlookItemTest::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                                   reinterpret_cast<void**>(&app_)),
                  S_OK);
        ASSERT_EQ(app_->Logon(0), S_OK);
    }
    void TearDown() override
    {
        app_->Release();
        OutlookItemTest::TearDown();
    }

    void AddContact(const char16_t* first, const char16_t* last, const char16_t* email1, const char16_t* email2 = u"")
    {
        IDispatch* item = nullptr;
        ASSERT_EQ(app_->CreateItem(olContactItem, &item), S_OK);
        IContact* contact = As<IContact>(item);
        PutText(contact, &IContact::put_FirstName, first);
        PutText(contact, &IContact::put_LastName, last);
        PutText(contact, &IContact::put_Email1Address, email1);
        PutText(contact, &IContact::put_Email2Address, email2);
        EXPECT_EQ(contact->Save(), S_OK);
        contact->Release();
    }

    IPOutlookItemCollection* Contacts()
    {
        IFolder* folder = nullptr;
        EXPECT_EQ(app_->GetDefaultFolder(olFolderContacts, &folder), S_OK);
        IPOutlookItemCollection* items = nullptr;
        EXPECT_EQ(folder->get_Items(&items), S_OK);
        folder->Release();
        return items;
    }

    // The FileAs names of a collection's items, in order.
    static std::vector<std::u16string> Names(IPOutlookItemCollection* items)
    {
        std::vector<std::u16string> names;
        const int count = Get(items, &IPOutlookItemCollection::get_Count);
        for (int i = 1; i <= count; ++i) {
            IDispatch* item = nullptr;
            if (SUCCEEDED(items->Item(i, &item))) names.push_back(NameOf(item));
        }
        return names;
    }

    static std::u16string NameOf(IDispatch* item)
    {
        IContact* contact = As<IContact>(item);
        const std::u16string name = Text(contact, &IContact::get_FileAs);
        contact->Release();
        return name;
    }

    IPOutlookApp* app_ = nullptr;
};

using NameList = std::vector<std::u16string>;

TEST_F(OutlookItemCollectionTest, ItemsInTheDatabaseOrder)
{
    AddContact(u"Cy", u"Young", u"cy@x.org");
    AddContact(u"Ann", u"moss", u"ann@x.org");
    AddContact(u"Bo", u"Lind", u"bo@x.org");
    IPOutlookItemCollection* items = Contacts();
    EXPECT_EQ(Names(items), (NameList{u"Lind, Bo", u"moss, Ann", u"Young, Cy"})) << "by FileAs, without case";
    IDispatch* item = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(items->Item(0, &item), E_INVALIDARG) << "1-based";
    EXPECT_EQ(items->Item(4, &item), E_INVALIDARG);
    EXPECT_EQ(item, nullptr);
    items->Release();
}

TEST_F(OutlookItemCollectionTest, SortByAPropertyName)
{
    AddContact(u"Cy", u"Young", u"a@x.org");
    AddContact(u"Ann", u"Moss", u"c@x.org");
    AddContact(u"Bo", u"Lind", u"b@x.org");
    IPOutlookItemCollection* items = Contacts();
    Bstr email(u"Email1Address");
    ASSERT_EQ(items->Sort(email.b, VARIANT_FALSE), S_OK);
    EXPECT_EQ(Names(items), (NameList{u"Young, Cy", u"Lind, Bo", u"Moss, Ann"}));
    Bstr first(u"firstname");
    ASSERT_EQ(items->Sort(first.b, VARIANT_TRUE), S_OK);
    EXPECT_EQ(Names(items), (NameList{u"Young, Cy", u"Lind, Bo", u"Moss, Ann"}));
    ASSERT_EQ(items->Sort(first.b, VARIANT_FALSE), S_OK);
    EXPECT_EQ(Names(items), (NameList{u"Moss, Ann", u"Lind, Bo", u"Young, Cy"}));
    Bstr bad(u"Start");
    EXPECT_EQ(items->Sort(bad.b, VARIANT_FALSE), E_INVALIDARG) << "contacts have no Start";
    EXPECT_EQ(Names(items), (NameList{u"Moss, Ann", u"Lind, Bo", u"Young, Cy"})) << "order kept";
    items->Release();
}

TEST_F(OutlookItemCollectionTest, RestrictByAnyOfTheAddresses)
{
    AddContact(u"Ann", u"Moss", u"ann@x.org", u"shared@x.org");
    AddContact(u"Bo", u"Lind", u"shared@x.org");
    AddContact(u"Cy", u"Young", u"cy@x.org");
    IPOutlookItemCollection* items = Contacts();
    Bstr query(
        u"[Email1Address] = \"SHARED@x.org\" OR [Email2Address] = \"shared@x.org\" OR "
        u"[Email3Address] = \"shared@x.org\"");
    IPOutlookItemCollection* found = nullptr;
    ASSERT_EQ(items->Restrict(query.b, &found), S_OK);
    EXPECT_EQ(Names(found), (NameList{u"Lind, Bo", u"Moss, Ann"}));
    // A restriction of a restriction narrows further.
    Bstr narrower(u"[LastName] <> \"Lind\"");
    IPOutlookItemCollection* narrowed = nullptr;
    ASSERT_EQ(found->Restrict(narrower.b, &narrowed), S_OK);
    EXPECT_EQ(Names(narrowed), (NameList{u"Moss, Ann"}));
    narrowed->Release();
    found->Release();
    EXPECT_EQ(Names(items).size(), 3u) << "the folder's collection is unchanged";

    Bstr bad(u"[Email1Address] = ");
    found = reinterpret_cast<IPOutlookItemCollection*>(1);
    EXPECT_EQ(items->Restrict(bad.b, &found), E_INVALIDARG);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(items->Restrict(nullptr, &found), E_INVALIDARG) << "no restriction at all";
    items->Release();
}

TEST_F(OutlookItemCollectionTest, FindThenFindNextWalkTheMatches)
{
    AddContact(u"Ann", u"Moss", u"a@x.org");
    AddContact(u"Bo", u"Lind", u"b@y.org");
    AddContact(u"Cy", u"Young", u"c@x.org");
    IPOutlookItemCollection* items = Contacts();
    IDispatch* item = nullptr;
    EXPECT_EQ(items->FindNext(&item), E_FAIL) << "no Find yet";
    Bstr query(u"[Email1Address] <> \"b@y.org\"");
    ASSERT_EQ(items->Find(query.b, &item), S_OK);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(NameOf(item), u"Moss, Ann");
    ASSERT_EQ(items->FindNext(&item), S_OK);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(NameOf(item), u"Young, Cy");
    EXPECT_EQ(items->FindNext(&item), S_OK);
    EXPECT_EQ(item, nullptr) << "no more";
    EXPECT_EQ(items->FindNext(&item), S_OK);
    EXPECT_EQ(item, nullptr);

    Bstr none(u"[FirstName] = \"Zed\"");
    EXPECT_EQ(items->Find(none.b, &item), S_OK);
    EXPECT_EQ(item, nullptr);
    Bstr bad(u"[Nope] = 1");
    EXPECT_EQ(items->Find(bad.b, &item), E_INVALIDARG);
    EXPECT_EQ(items->FindNext(&item), E_FAIL) << "a failed Find ends the walk";
    items->Release();
}

TEST_F(OutlookItemCollectionTest, RemoveDeletesTheItemAndAddMakesANewOne)
{
    AddContact(u"Ann", u"Moss", u"a@x.org");
    AddContact(u"Bo", u"Lind", u"b@x.org");
    IPOutlookItemCollection* items = Contacts();
    EXPECT_EQ(items->Remove(3), E_INVALIDARG);
    ASSERT_EQ(items->Remove(1), S_OK);
    EXPECT_EQ(Names(items), (NameList{u"Moss, Ann"}));
    EXPECT_EQ(RecordCount(kContactsDatabase), 1);

    IDispatch* added = nullptr;
    ASSERT_EQ(items->Add(&added), S_OK);
    IContact* contact = As<IContact>(added);
    PutText(contact, &IContact::put_LastName, u"Added");
    EXPECT_EQ(contact->Save(), S_OK);
    contact->Release();
    EXPECT_EQ(RecordCount(kContactsDatabase), 2);
    items->Release();
    items = Contacts();
    EXPECT_EQ(Names(items), (NameList{u"Added", u"Moss, Ann"}));
    EXPECT_EQ(Get(items, &IPOutlookItemCollection::get_IncludeRecurrences), VARIANT_FALSE);
    EXPECT_EQ(items->put_IncludeRecurrences(VARIANT_TRUE), S_OK);
    EXPECT_EQ(Get(items, &IPOutlookItemCollection::get_IncludeRecurrences), VARIANT_TRUE);
    items->Release();
}

TEST_F(OutlookItemCollectionTest, TasksRestrictedByDateAndImportance)
{
    const struct {
        const char16_t* subject;
        DATE due;
        LONG importance;
    } tasks[] = {{u"early", Ole(2026, 12, 1), olImportanceHigh},
                 {u"late", Ole(2026, 12, 20), olImportanceHigh},
                 {u"low", Ole(2026, 12, 10), olImportanceLow}};
    for (const auto& t : tasks) {
        IDispatch* item = nullptr;
        ASSERT_EQ(app_->CreateItem(olTaskItem, &item), S_OK);
        ITask* task = As<ITask>(item);
        PutText(task, &ITask::put_Subject, t.subject);
        task->put_DueDate(t.due);
        task->put_Importance(t.importance);
        EXPECT_EQ(task->Save(), S_OK);
        task->Release();
    }
    IFolder* folder = nullptr;
    ASSERT_EQ(app_->GetDefaultFolder(olFolderTasks, &folder), S_OK);
    IPOutlookItemCollection* items = nullptr;
    ASSERT_EQ(folder->get_Items(&items), S_OK);
    folder->Release();
    Bstr query(u"[DueDate] > \"12/05/2026\" AND [Importance] = 2");
    IPOutlookItemCollection* found = nullptr;
    ASSERT_EQ(items->Restrict(query.b, &found), S_OK);
    ASSERT_EQ(Get(found, &IPOutlookItemCollection::get_Count), 1);
    IDispatch* item = nullptr;
    ASSERT_EQ(found->Item(1, &item), S_OK);
    ITask* task = As<ITask>(item);
    EXPECT_EQ(Text(task, &ITask::get_Subject), u"late");
    task->Release();
    found->Release();
    items->Release();
}

}  // namespace
