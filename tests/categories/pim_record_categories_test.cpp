// Categories written straight into an item's record, and the object model
// reading them back as its categories text.
#include "categories/pim_record_categories.h"

#include <gtest/gtest.h>

#include "categories/category_blob.h"
#include "categories/category_records.h"
#include "tests/categories/category_test_support.h"
#include "platform/text/bstr.h"
#include "platform/base/local_memory.h"
#include "storage/c_outlook.h"
#include "tests/support/scripted_ui_host.h"

namespace {

using namespace cattest;

class PimRecordCategoriesTest : public CategorySandbox {
protected:
    void SetUp() override
    {
        CategorySandbox::SetUp();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                                   reinterpret_cast<void**>(&app)),
                  S_OK);
        ASSERT_EQ(app->Logon(0), S_OK);
    }
    void TearDown() override
    {
        if (app) {
            app->Logoff();
            app->Release();
        }
        COutlook::GetOutlookObject().Close();
        CoUninitialize();
        CategorySandbox::TearDown();
    }
    // A saved task; its item stays open in *item when asked for.
    LONG SavedTask(IDispatch** keep = nullptr)
    {
        IDispatch* item = nullptr;
        EXPECT_EQ(app->CreateItem(olTaskItem, &item), S_OK);
        ITask* task = nullptr;
        item->QueryInterface(IID_ITask, reinterpret_cast<void**>(&task));
        item->Release();
        BSTR subject = SysAllocString(u"Pack the bags");
        task->put_Subject(subject);
        SysFreeString(subject);
        EXPECT_EQ(task->Save(), S_OK);
        LONG oid = 0;
        task->get_Oid(&oid);
        if (keep) {
            *keep = task;  // ITask is an IDispatch
        } else {
            task->Release();
        }
        return oid;
    }
    std::u16string CategoriesOf(LONG oid)
    {
        IDispatch* item = nullptr;
        if (app->GetItemFromOid(oid, &item) != S_OK || !item) return u"<no item>";
        ITask* task = nullptr;
        item->QueryInterface(IID_ITask, reinterpret_cast<void**>(&task));
        item->Release();
        BSTR text = nullptr;
        task->get_Categories(&text);
        task->Release();
        std::u16string result = text ? std::u16string(text, SysStringLen(text)) : u"";
        SysFreeString(text);
        return result;
    }
    static std::vector<BYTE> StoredBlob(LONG oid)
    {
        CEOID dbOid = 0;
        HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, kTasksDatabase, 0, 0, nullptr);
        std::vector<BYTE> bytes{0xEE};  // "no record"
        if (db == INVALID_HANDLE_VALUE) return bytes;
        if (CeSeekDatabase(db, CEDB_SEEK_CEOID, static_cast<CEOID>(oid), nullptr)) {
            CEPROPID id = kCategoryBlobProperty;
            WORD count = 1;
            LPBYTE buffer = nullptr;
            DWORD size = 0;
            if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, &id, &buffer, &size)) {
                const auto* prop = reinterpret_cast<const CEPROPVAL*>(buffer);
                bytes.clear();
                if (!(prop->wFlags & CEDB_PROPNOTFOUND))
                    bytes.assign(prop->val.blob.lpb, prop->val.blob.lpb + prop->val.blob.dwCount);
            }
            if (buffer) LocalFree(buffer);
        }
        CloseHandle(db);
        return bytes;
    }
    IPOutlookApp* app = nullptr;
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

    IDispatch* item = nullptr;
    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Far Away, Business, Nowhere", &item, oid, false));
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(StoredBlob(oid), (std::vector<BYTE>{0x01, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(CategoriesOf(oid), u"Business, Far Away");

    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Personal", &item, oid, false));
    EXPECT_EQ(CategoriesOf(oid), u"Personal");
    EXPECT_EQ(StoredBlob(oid), (std::vector<BYTE>{0x02, 0, 0, 0})) << "the blob shrank to one word";

    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"", &item, oid, false));
    EXPECT_TRUE(StoredBlob(oid).empty()) << "no categories: no blob";
    EXPECT_EQ(CategoriesOf(oid), u"");
}

TEST_F(PimRecordCategoriesTest, AnOpenItemIsReleasedAndFetchedAgain)
{
    ScriptedUiHost ui;
    ASSERT_EQ(AddCategoryRecord(u"Travel"), ERROR_SUCCESS);
    IDispatch* item = nullptr;
    const LONG oid = SavedTask(&item);
    ASSERT_NE(item, nullptr);

    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Travel", &item, oid, true));
    ASSERT_NE(item, nullptr) << "fetched again through the shared session";
    ITask* task = nullptr;
    ASSERT_EQ(item->QueryInterface(IID_ITask, reinterpret_cast<void**>(&task)), S_OK);
    item->Release();
    BSTR text = nullptr;
    task->get_Categories(&text);
    EXPECT_EQ(std::u16string(text, SysStringLen(text)), u"Travel") << "the new item sees the new blob";
    SysFreeString(text);
    LONG again = 0;
    task->get_Oid(&again);
    EXPECT_EQ(again, oid);
    task->Release();
    EXPECT_EQ(ui.MessageCount(), 0u);
}

TEST_F(PimRecordCategoriesTest, WhatIsNoItemRecordIsLeftAlone)
{
    ScriptedUiHost ui;
    const CEOID category = WriteCategory(u"Odd", 0);
    // A record that is no item: its database does not begin with A, C or T,
    // so a caller's item is kept.
    IDispatch* item = nullptr;
    const LONG task = SavedTask(&item);
    EXPECT_TRUE(SaveCategoriesToPIMRecord(u"Odd", &item, static_cast<long>(category), false));
    EXPECT_NE(item, nullptr) << "not an item's record: the item is kept";
    item->Release();
    item = nullptr;

    EXPECT_FALSE(SaveCategoriesToPIMRecord(u"Odd", &item, 0, true));
    EXPECT_FALSE(SaveCategoriesToPIMRecord(u"Odd", &item, 0x7FFFFF0, true));
    EXPECT_EQ(item, nullptr) << "nothing fetched for a record that is not there";
    EXPECT_EQ(CategoriesOf(task), u"");
}

}  // namespace
