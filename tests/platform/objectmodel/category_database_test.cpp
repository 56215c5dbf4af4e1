// The category records: reads, the lowest free index, adding and deleting.
#include "platform/objectmodel/category_database.h"

#include <gtest/gtest.h>

#include <numeric>
#include <utility>

#include "platform/base/error_codes.h"
#include "platform/objectmodel/category_bit_set.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using outlooktest::OutlookItemTest;
using outlooktest::RecordCount;

class CategoryDatabaseTest : public OutlookItemTest {
protected:
    // A record holding only the given properties.
    static CEOID WriteRaw(std::vector<CEPROPVAL> props)
    {
        return outlooktest::WriteRaw(kCategoriesDatabase, 0, std::move(props));
    }
    std::vector<CategoryRecord> ReadAll()
    {
        std::vector<CategoryRecord> records;
        EXPECT_TRUE(CategoryDatabase::ReadAll(records));
        return records;
    }
};

TEST_F(CategoryDatabaseTest, AMissingDatabaseCannotBeReadNorChanged)
{
    std::vector<CategoryRecord> records;
    EXPECT_FALSE(CategoryDatabase::ReadAll(records));
    EXPECT_NE(CategoryDatabase::Add(u"Work", 0), static_cast<DWORD>(ERROR_SUCCESS));
    const DWORD error = CategoryDatabase::Delete({});
    EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), error) << "the error is left as the last error";
}

TEST_F(CategoryDatabaseTest, AddedRecordsReadBackWithDefaults)
{
    ASSERT_NE(PimDatabases::Oid(kCategoriesDatabase), 0u);
    CEOID work = 0;
    CEOID home = 0;
    ASSERT_EQ(CategoryDatabase::Add(u"Work", 4, &work), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(CategoryDatabase::Add(u"Home", 0, &home), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(work, 0u);

    // Records come in the database's sort order, so they are found by OID.
    const std::vector<CategoryRecord> records = ReadAll();
    ASSERT_EQ(records.size(), 2u);
    const CategoryRecord& first = records[0].oid == work ? records[0] : records[1];
    const CategoryRecord& second = records[0].oid == work ? records[1] : records[0];
    EXPECT_EQ(first.name, u"Work");
    EXPECT_EQ(first.index, 4);
    EXPECT_EQ(second.oid, home);
    EXPECT_EQ(second.name, u"Home");
    EXPECT_EQ(second.index, 0);
    // Properties the record lacks read as their defaults.
    EXPECT_EQ(first.prop4003, 1);
    EXPECT_EQ(first.prop4006, 0);
    EXPECT_EQ(first.prop4005, 0);
    EXPECT_EQ(first.prop4004, 0);
    EXPECT_TRUE(first.shown);
}

TEST_F(CategoryDatabaseTest, StoredPropertiesAreReadAndSparseRecordsKept)
{
    using namespace cedbtest;
    const CEOID fullOid =
        WriteRaw({I2(PropIdNumber(kCategoryBitIndex), 77), I2(PropIdNumber(kCategoryMask1Flag), 6),
                  I2(PropIdNumber(kCategoryMask2Flag), 5), I2(PropIdNumber(kCategoryMask4Flag), 4),
                  Str(PropIdNumber(kCategoryName), u"Travel"), I4(PropIdNumber(kCategoryNumber4003), 9),
                  Bool(PropIdNumber(kCategoryShown), FALSE)});
    ASSERT_NE(fullOid, 0u);
    const CEOID bareOid = WriteRaw({I2(PropIdNumber(kCategoryMask4Flag), 2)});
    ASSERT_NE(bareOid, 0u);

    std::vector<CategoryRecord> records = ReadAll();
    ASSERT_EQ(records.size(), 2u);
    if (records[0].oid != fullOid) std::swap(records[0], records[1]);
    EXPECT_EQ(records[0].name, u"Travel");
    EXPECT_EQ(records[0].index, 77);
    EXPECT_EQ(records[0].prop4003, 9);
    EXPECT_EQ(records[0].prop4006, 6);
    EXPECT_EQ(records[0].prop4005, 5);
    EXPECT_EQ(records[0].prop4004, 4);
    EXPECT_FALSE(records[0].shown);
    // Reading drops nothing: which records count is the callers' choice.
    EXPECT_EQ(records[1].oid, bareOid);
    EXPECT_TRUE(records[1].name.empty());
    EXPECT_EQ(records[1].index, -1);
    EXPECT_EQ(records[1].prop4004, 2);
}

TEST_F(CategoryDatabaseTest, DeleteRemovesTheGivenRecordsAndStopsAtAMissingOne)
{
    ASSERT_NE(PimDatabases::Oid(kCategoriesDatabase), 0u);
    CEOID a = 0, b = 0, c = 0;
    ASSERT_EQ(CategoryDatabase::Add(u"A", 0, &a), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(CategoryDatabase::Add(u"B", 1, &b), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(CategoryDatabase::Add(u"C", 2, &c), static_cast<DWORD>(ERROR_SUCCESS));

    EXPECT_EQ(CategoryDatabase::Delete({}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(CategoryDatabase::Delete({a, c}), static_cast<DWORD>(ERROR_SUCCESS));
    std::vector<CategoryRecord> records = ReadAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].oid, b);

    EXPECT_NE(CategoryDatabase::Delete({a, b}), static_cast<DWORD>(ERROR_SUCCESS)) << "a is gone already";
    EXPECT_EQ(RecordCount(kCategoriesDatabase), 1) << "nothing after the failure is deleted";
}

TEST(CategoryDatabaseFreeIndex, TheLowestIndexNotUsedOrNone)
{
    std::vector<int> all(CategoryBitSet::kIndexLimit);
    std::iota(all.begin(), all.end(), 0);
    std::vector<int> allBut8000 = all;
    allBut8000.erase(allBut8000.begin() + 8000);
    const struct {
        std::vector<int> used;
        int free;
    } rows[] = {
        {{}, 0},   {{0, 2, 1, 4}, 3},  {{1, 1}, 0}, {{-1, CategoryBitSet::kIndexLimit, 0}, 1},
        {all, -1}, {allBut8000, 8000},
    };
    for (const auto& row : rows) EXPECT_EQ(CategoryDatabase::LowestFreeIndex(row.used), row.free) << row.used.size();
}

}  // namespace
