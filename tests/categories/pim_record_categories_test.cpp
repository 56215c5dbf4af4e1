// Categories written into an item's record, read back by the object model.
#include "categories/pim_record_categories.h"

#include <gtest/gtest.h>

#include "categories/category_blob.h"
#include "categories/category_records.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/text/bstr.h"
#include "platform/text/owned_bstr.h"
#include "storage/c_outlook.h"
#include "storage/ce_db.h"
#include "tests/categories/category_test_support.h"
#include "tests/support/outlook_session.h"
#include "tests/support/scripted_ui_host.h"

namespace {

using namespace cattest;
using platform::ComRef;
using platform::OwnedBstr;

class PimRecordCategoriesTest : public CategorySandbox {
protected:
    void SetUp() override
    {
        CategorySandbox::SetUp();
        ASSERT_EQ(session.Open(), S_OK);
    }
    void TearDown() override
    {
        session.Close();
        CategorySandbox::TearDown();
    }
    // A saved task; its item stays open in *item when asked for.
    LONG SavedTask(ComRef<IDispatch>* keep = nullptr)
    {
        ComRef<IDispatch> item;
        EXPECT_EQ(app->CreateItem(olTaskItem, item.Put()), S_OK);
        ComRef<ITask> task = ComRef<ITask>::Query(item.Get());
        item.Reset();
        task->put_Subject(OwnedBstr(u"Pack the bags"));
        EXPECT_EQ(task->Save(), S_OK);
        LONG oid = 0;
        task->get_Oid(&oid);
        if (keep) *keep = ComRef<IDispatch>::Adopt(task.Detach());  // ITask is an IDispatch
        return oid;
    }
    std::u16string CategoriesOf(LONG oid)
    {
        ComRef<IDispatch> item;
        if (app->GetItemFromOid(oid, item.Put()) != S_OK || !item) return u"<no item>";
        const ComRef<ITask> task = ComRef<ITask>::Query(item.Get());
        item.Reset();
        OwnedBstr text;
        task->get_Categories(text.Put());
        return text.Text();
    }
    static std::vector<BYTE> StoredBlob(LONG oid)
    {
        CeDb db;
        CeDbRecord record;
        ULONG id = kItemCategories;
        if (!db.Open(kTasksDatabase, 0, 0, nullptr) || db.SeekTo(oid) != static_cast<CEOID>(oid) ||
            !db.ReadRec(record, 1, &id))
            return {0xEE};  // "no record"
        const CEPROPVAL& prop = record.GetProps()[0];
        if (prop.wFlags & CEDB_PROPNOTFOUND) return {};
        return std::vector<BYTE>(prop.val.blob.lpb, prop.val.blob.lpb + prop.val.blob.dwCount);
    }
    kstest::OutlookSession session;
    ComRef<IPOutlookApp>& app = session.app;
};

TEST_F(PimRecordCategoriesTest, TheBlobWrittenIsTheTextTheObjectModelReads)
{
    ScriptedUiHost ui;
    ASSERT_EQ(AddCategoryRecord(u"Business"), ERROR_SUCCESS);  // index 0
    ASSERT_EQ(AddCategoryRecord(u"Personal"), ERROR_SUCCESS);  // index 1
    ASSERT_NE(WriteCategory(u"Far Away", 40), 0u);
    ResetFullCategoryList();  // the cache learns of the record written past it
    const LONG oid = SavedTask();
    ASSERT_NE(oid, 0);

    ComRef<IDispatch> item;
    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Far Away, Business, Nowhere", item.InOut(), oid, false));
    EXPECT_EQ(item.Get(), nullptr);
    EXPECT_EQ(StoredBlob(oid), (std::vector<BYTE>{0x01, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(CategoriesOf(oid), u"Business, Far Away");

    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Personal", item.InOut(), oid, false));
    EXPECT_EQ(CategoriesOf(oid), u"Personal");
    EXPECT_EQ(StoredBlob(oid), (std::vector<BYTE>{0x02, 0, 0, 0})) << "the blob shrank to one word";

    for (const WCHAR* none : {u"", static_cast<const WCHAR*>(nullptr)}) {
        ASSERT_TRUE(SaveCategoriesToPIMRecord(u"Personal", item.InOut(), oid, false));
        EXPECT_TRUE(SaveCategoriesToPIMRecord(none, item.InOut(), oid, false));
        EXPECT_TRUE(StoredBlob(oid).empty()) << "no categories: no blob";
        EXPECT_EQ(CategoriesOf(oid), u"");
    }
}

TEST_F(PimRecordCategoriesTest, AnOpenItemIsReleasedAndFetchedAgain)
{
    ScriptedUiHost ui;
    ASSERT_EQ(AddCategoryRecord(u"Travel"), ERROR_SUCCESS);
    ComRef<IDispatch> item;
    const LONG oid = SavedTask(&item);
    ASSERT_NE(item.Get(), nullptr);

    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Travel", item.InOut(), oid, true));
    ASSERT_NE(item.Get(), nullptr) << "fetched again through the shared session";
    ComRef<ITask> task;
    ASSERT_EQ(item->QueryInterface(IID_ITask, reinterpret_cast<void**>(task.Put())), S_OK);
    item.Reset();
    OwnedBstr text;
    task->get_Categories(text.Put());
    EXPECT_EQ(text.Text(), u"Travel") << "the new item sees the new blob";
    LONG again = 0;
    task->get_Oid(&again);
    EXPECT_EQ(again, oid);
    task.Reset();
    EXPECT_EQ(ui.MessageCount(), 0u);
}

TEST_F(PimRecordCategoriesTest, WhatIsNoItemRecordIsLeftAlone)
{
    ScriptedUiHost ui;
    const CEOID category = WriteCategory(u"Odd", 0);
    // A record whose database does not begin with A, C or T is no item.
    ComRef<IDispatch> item;
    const LONG task = SavedTask(&item);
    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Odd", item.InOut(), static_cast<long>(category), false));
    EXPECT_NE(item.Get(), nullptr) << "not an item's record: the item is kept";
    item.Reset();

    EXPECT_FALSE(SaveCategoriesToPIMRecord(u"Odd", item.InOut(), 0, true));
    EXPECT_FALSE(SaveCategoriesToPIMRecord(u"Odd", item.InOut(), 0x7FFFFF0, true));
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(category, &info));
    EXPECT_FALSE(SaveCategoriesToPIMRecord(u"Odd", item.InOut(), static_cast<long>(info.infRecord.oidParent), true))
        << "a database is no record";
    EXPECT_EQ(item.Get(), nullptr) << "nothing fetched for a record that is not there";
    EXPECT_EQ(CategoriesOf(task), u"");
}

}  // namespace
