// Category text and the category blob (the bit layout: category_bit_set_test).
#include "platform/objectmodel/outlook_category_text.h"

#include <gtest/gtest.h>

#include "platform/base/error_codes.h"
#include "platform/objectmodel/category_database.h"
#include "platform/objectmodel/outlook_note.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"

namespace {

using outlooktest::OutlookItemTest;
using outlooktest::RecordCount;
using Bytes = std::vector<BYTE>;

void AddCategoryRecord(const char16_t* name, short index)
{
    ASSERT_NE(PimDatabases::Oid(kCategoriesDatabase), 0u);
    EXPECT_EQ(CategoryDatabase::Add(name, index), static_cast<DWORD>(ERROR_SUCCESS));
}

using OutlookCategoryTextTest = OutlookItemTest;

TEST_F(OutlookCategoryTextTest, NamesComeInIndexOrderKnownOnesUseTheirIndexUnknownOnesTheLowestFree)
{
    AddCategoryRecord(u"Work", 5);
    AddCategoryRecord(u"Home", 40);
    AddCategoryRecord(u"Alpha", 7);
    EXPECT_EQ(OutlookCategoryText::TextFromBlob(OutlookCategoryText::BlobFromIndices({40, 5, 7})),
              u"Work, Alpha, Home");
    EXPECT_EQ(OutlookCategoryText::TextFromBlob(OutlookCategoryText::BlobFromIndices({6, 40})), u"Home")
        << "an index without a record is left out";
    EXPECT_EQ(OutlookCategoryText::TextFromBlob({}), u"");

    AddCategoryRecord(u"Zero", 0);
    AddCategoryRecord(u"Two", 2);
    Bytes blob;
    ASSERT_EQ(OutlookCategoryText::BlobFromText(u"  two ,ZERO,, Two", &blob), S_OK);
    EXPECT_EQ(blob, (Bytes{0x05, 0, 0, 0}));
    EXPECT_EQ(RecordCount(kCategoriesDatabase), 5) << "no new record for known names";
    EXPECT_EQ(OutlookCategoryText::TextFromBlob(blob), u"Zero, Two");

    ASSERT_EQ(OutlookCategoryText::BlobFromText(u"Fresh, Newer", &blob), S_OK);
    EXPECT_EQ(OutlookCategoryText::IndicesFromBlob(blob), (std::vector<int>{1, 3}));
    EXPECT_EQ(OutlookCategoryText::TextFromBlob(blob), u"Fresh, Newer");
    // A second text finds them as stored.
    ASSERT_EQ(OutlookCategoryText::BlobFromText(u"newer", &blob), S_OK);
    EXPECT_EQ(OutlookCategoryText::IndicesFromBlob(blob), std::vector<int>{3});
    EXPECT_EQ(RecordCount(kCategoriesDatabase), 7);

    // No names means no blob.
    OutlookItemRecord record(PimDatabases::Oid(kTasksDatabase));
    ASSERT_EQ(OutlookCategoryText::Store(record, u"Work"), S_OK);
    ASSERT_TRUE(record.Has(kOutlookCategoriesProperty));
    EXPECT_EQ(OutlookCategoryText::Read(record), u"Work");
    ASSERT_EQ(OutlookCategoryText::Store(record, u" , "), S_OK);
    EXPECT_FALSE(record.Has(kOutlookCategoriesProperty));
    EXPECT_EQ(OutlookCategoryText::Read(record), u"");
    blob = {1};
    EXPECT_EQ(OutlookCategoryText::BlobFromText(u"", &blob), S_OK);
    EXPECT_TRUE(blob.empty());
    EXPECT_EQ(OutlookCategoryText::BlobFromText(u"x", nullptr), E_POINTER);
}

}  // namespace
