// Folder item collections: order, Sort, Restrict, Find, Remove and Add.
#include "platform/objectmodel/outlook_item_collection.h"

#include <gtest/gtest.h>

#include "platform/objectmodel/outlook_app.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"

namespace {

using namespace outlooktest;

class OutlookItemCollectionTest : public OutlookItemTest {
protected:
    void SetUp() override
    {
        OutlookItemTest::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                                   reinterpret_cast<void**>(app_.Put())),
                  S_OK);
        ASSERT_EQ(app_->Logon(0), S_OK);
    }
    void TearDown() override
    {
        app_.Reset();
        OutlookItemTest::TearDown();
    }

    void AddContact(const char16_t* first, const char16_t* last, const char16_t* email1, const char16_t* email2 = u"")
    {
        ComRef<IDispatch> item;
        ASSERT_EQ(app_->CreateItem(olContactItem, item.Put()), S_OK);
        const ComRef<IContact> contact = As<IContact>(std::move(item));
        PutText(contact, &IContact::put_FirstName, first);
        PutText(contact, &IContact::put_LastName, last);
        PutText(contact, &IContact::put_Email1Address, email1);
        PutText(contact, &IContact::put_Email2Address, email2);
        EXPECT_EQ(contact->Save(), S_OK);
    }

    ComRef<IPOutlookItemCollection> Items(int which = olFolderContacts)
    {
        ComRef<IFolder> folder;
        EXPECT_EQ(app_->GetDefaultFolder(which, folder.Put()), S_OK);
        ComRef<IPOutlookItemCollection> items;
        EXPECT_EQ(folder->get_Items(items.Put()), S_OK);
        return items;
    }

    // The FileAs names of a collection's items, in order.
    static std::vector<std::u16string> Names(IPOutlookItemCollection* items)
    {
        std::vector<std::u16string> names;
        const int count = Get(items, &IPOutlookItemCollection::get_Count);
        for (int i = 1; i <= count; ++i) {
            ComRef<IDispatch> item;
            if (SUCCEEDED(items->Item(i, item.Put()))) names.push_back(NameOf(std::move(item)));
        }
        return names;
    }

    static std::u16string NameOf(ComRef<IDispatch> item)
    {
        const ComRef<IContact> contact = As<IContact>(std::move(item));
        return Text(contact, &IContact::get_FileAs);
    }

    ComRef<IPOutlookApp> app_;
};

using NameList = std::vector<std::u16string>;

TEST_F(OutlookItemCollectionTest, ItemsInTheDatabaseOrderOrSortedByAPropertyName)
{
    AddContact(u"Cy", u"Young", u"a@x.org");
    AddContact(u"Ann", u"moss", u"c@x.org");
    AddContact(u"Bo", u"Lind", u"b@x.org");
    const ComRef<IPOutlookItemCollection> items = Items();
    EXPECT_EQ(Names(items.Get()), (NameList{u"Lind, Bo", u"moss, Ann", u"Young, Cy"})) << "by FileAs, without case";
    IDispatch* item = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(items->Item(0, &item), E_INVALIDARG) << "1-based";
    EXPECT_EQ(items->Item(4, &item), E_INVALIDARG);
    EXPECT_EQ(item, nullptr);

    OwnedBstr email(u"Email1Address");
    ASSERT_EQ(items->Sort(email, VARIANT_FALSE), S_OK);
    EXPECT_EQ(Names(items.Get()), (NameList{u"Young, Cy", u"Lind, Bo", u"moss, Ann"}));
    OwnedBstr first(u"firstname");
    ASSERT_EQ(items->Sort(first, VARIANT_TRUE), S_OK);
    EXPECT_EQ(Names(items.Get()), (NameList{u"Young, Cy", u"Lind, Bo", u"moss, Ann"}));
    ASSERT_EQ(items->Sort(first, VARIANT_FALSE), S_OK);
    EXPECT_EQ(Names(items.Get()), (NameList{u"moss, Ann", u"Lind, Bo", u"Young, Cy"}));
    OwnedBstr bad(u"Start");
    EXPECT_EQ(items->Sort(bad, VARIANT_FALSE), E_INVALIDARG) << "contacts have no Start";
    EXPECT_EQ(Names(items.Get()), (NameList{u"moss, Ann", u"Lind, Bo", u"Young, Cy"})) << "order kept";
}

TEST_F(OutlookItemCollectionTest, RestrictByAnyOfTheAddressesAndFindThenFindNextWalkTheMatches)
{
    AddContact(u"Ann", u"Moss", u"ann@x.org", u"shared@x.org");
    AddContact(u"Bo", u"Lind", u"shared@x.org");
    AddContact(u"Cy", u"Young", u"cy@x.org");
    const ComRef<IPOutlookItemCollection> items = Items();
    OwnedBstr query(
        u"[Email1Address] = \"SHARED@x.org\" OR [Email2Address] = \"shared@x.org\" OR "
        u"[Email3Address] = \"shared@x.org\"");
    ComRef<IPOutlookItemCollection> found;
    ASSERT_EQ(items->Restrict(query, found.Put()), S_OK);
    EXPECT_EQ(Names(found.Get()), (NameList{u"Lind, Bo", u"Moss, Ann"}));
    // A restriction of a restriction narrows further.
    OwnedBstr narrower(u"[LastName] <> \"Lind\"");
    ComRef<IPOutlookItemCollection> narrowed;
    ASSERT_EQ(found->Restrict(narrower, narrowed.Put()), S_OK);
    EXPECT_EQ(Names(narrowed.Get()), (NameList{u"Moss, Ann"}));
    narrowed.Reset();
    found.Reset();
    EXPECT_EQ(Names(items.Get()).size(), 3u) << "the folder's collection is unchanged";

    OwnedBstr bad(u"[Email1Address] = ");
    IPOutlookItemCollection* refused = reinterpret_cast<IPOutlookItemCollection*>(1);
    EXPECT_EQ(items->Restrict(bad, &refused), E_INVALIDARG);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(items->Restrict(nullptr, &refused), E_INVALIDARG) << "no restriction at all";

    ComRef<IDispatch> item;
    EXPECT_EQ(items->FindNext(item.Put()), E_FAIL) << "no Find yet";
    OwnedBstr others(u"[Email1Address] <> \"shared@x.org\"");
    ASSERT_EQ(items->Find(others, item.Put()), S_OK);
    ASSERT_NE(item.Get(), nullptr);
    EXPECT_EQ(NameOf(std::move(item)), u"Moss, Ann");
    ASSERT_EQ(items->FindNext(item.Put()), S_OK);
    ASSERT_NE(item.Get(), nullptr);
    EXPECT_EQ(NameOf(std::move(item)), u"Young, Cy");
    EXPECT_EQ(items->FindNext(item.Put()), S_OK);
    EXPECT_EQ(item.Get(), nullptr) << "no more";

    OwnedBstr none(u"[FirstName] = \"Zed\"");
    EXPECT_EQ(items->Find(none, item.Put()), S_OK);
    EXPECT_EQ(item.Get(), nullptr);
    OwnedBstr unknown(u"[Nope] = 1");
    EXPECT_EQ(items->Find(unknown, item.Put()), E_INVALIDARG);
    EXPECT_EQ(items->FindNext(item.Put()), E_FAIL) << "a failed Find ends the walk";
}

TEST_F(OutlookItemCollectionTest, RemoveDeletesTheItemAndAddMakesANewOne)
{
    AddContact(u"Ann", u"Moss", u"a@x.org");
    AddContact(u"Bo", u"Lind", u"b@x.org");
    ComRef<IPOutlookItemCollection> items = Items();
    EXPECT_EQ(items->Remove(3), E_INVALIDARG);
    ASSERT_EQ(items->Remove(1), S_OK);
    EXPECT_EQ(Names(items.Get()), (NameList{u"Moss, Ann"}));
    EXPECT_EQ(RecordCount(kContactsDatabase), 1);

    ComRef<IDispatch> added;
    ASSERT_EQ(items->Add(added.Put()), S_OK);
    ComRef<IContact> contact = As<IContact>(std::move(added));
    PutText(contact, &IContact::put_LastName, u"Added");
    EXPECT_EQ(contact->Save(), S_OK);
    contact.Reset();
    EXPECT_EQ(RecordCount(kContactsDatabase), 2);
    items = Items();
    EXPECT_EQ(Names(items.Get()), (NameList{u"Added", u"Moss, Ann"}));
    EXPECT_EQ(Get(items, &IPOutlookItemCollection::get_IncludeRecurrences), VARIANT_FALSE);
    EXPECT_EQ(items->put_IncludeRecurrences(VARIANT_TRUE), S_OK);
    EXPECT_EQ(Get(items, &IPOutlookItemCollection::get_IncludeRecurrences), VARIANT_TRUE);
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
        ComRef<IDispatch> item;
        ASSERT_EQ(app_->CreateItem(olTaskItem, item.Put()), S_OK);
        const ComRef<ITask> task = As<ITask>(std::move(item));
        PutText(task, &ITask::put_Subject, t.subject);
        task->put_DueDate(t.due);
        task->put_Importance(t.importance);
        EXPECT_EQ(task->Save(), S_OK);
    }
    const ComRef<IPOutlookItemCollection> items = Items(olFolderTasks);
    OwnedBstr query(u"[DueDate] > \"12/05/2026\" AND [Importance] = 2");
    ComRef<IPOutlookItemCollection> found;
    ASSERT_EQ(items->Restrict(query, found.Put()), S_OK);
    ASSERT_EQ(Get(found, &IPOutlookItemCollection::get_Count), 1);
    ComRef<IDispatch> item;
    ASSERT_EQ(found->Item(1, item.Put()), S_OK);
    EXPECT_EQ(Text(As<ITask>(std::move(item)), &ITask::get_Subject), u"late");
}

}  // namespace
