// The category records: reads, the lowest free index, adding and deleting.
#include "platform/objectmodel/category_database.h"

#include <gtest/gtest.h>

#include <numeric>
#include <utility>

#include "platform/base/error_codes.h"
#include "platform/objectmodel/category_bit_set.h"
#include "platform/text/utf8.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using outlooktest::OutlookItemTest;
using outlooktest::RecordCount;

// oid, name, index, 4003, 4006, 4005, 4004, shown.
std::string Fields(const CategoryRecord& r)
{
    return std::to_string(r.oid) + " '" + WideToUtf8(r.name) + "' " + std::to_string(r.index) + " " +
           std::to_string(r.prop4003) + " " + std::to_string(r.prop4006) + " " + std::to_string(r.prop4005) + " " +
           std::to_string(r.prop4004) + (r.shown ? " shown" : " hidden");
}

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

TEST_F(CategoryDatabaseTest, AMissingDatabaseIsLeftAloneAddedRecordsReadBackAndDeleteStopsAtAMissingOne)
{
    std::vector<CategoryRecord> none;
    EXPECT_FALSE(CategoryDatabase::ReadAll(none));
    EXPECT_NE(CategoryDatabase::Add(u"Work", 0), static_cast<DWORD>(ERROR_SUCCESS));
    const DWORD error = CategoryDatabase::Delete({});
    EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), error) << "the error is left as the last error";

    ASSERT_NE(PimDatabases::Oid(kCategoriesDatabase), 0u);
    CEOID work = 0;
    CEOID home = 0;
    ASSERT_EQ(CategoryDatabase::Add(u"Work", 4, &work), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(CategoryDatabase::Add(u"Home", 0, &home), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(work, 0u);

    // Records come in the database's sort order, so they are found by OID.
    std::vector<CategoryRecord> records = ReadAll();
    ASSERT_EQ(records.size(), 2u);
    const bool workFirst = records[0].oid == work;
    // Properties the record lacks read as their defaults.
    EXPECT_EQ(Fields(records[workFirst ? 0 : 1]), Fields({work, u"Work", 4, 1, 0, 0, 0, true}));
    EXPECT_EQ(Fields(records[workFirst ? 1 : 0]), Fields({home, u"Home", 0, 1, 0, 0, 0, true}));

    // Delete removes the given records and stops at a missing one.
    CEOID other = 0;
    ASSERT_EQ(CategoryDatabase::Add(u"Other", 2, &other), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(CategoryDatabase::Delete({}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(CategoryDatabase::Delete({work, other}), static_cast<DWORD>(ERROR_SUCCESS));
    records = ReadAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].oid, home);
    EXPECT_NE(CategoryDatabase::Delete({work, home}), static_cast<DWORD>(ERROR_SUCCESS)) << "work is gone already";
    EXPECT_EQ(RecordCount(kCategoriesDatabase), 1) << "nothing after the failure is deleted";
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
    EXPECT_EQ(Fields(records[0]), Fields({fullOid, u"Travel", 77, 9, 6, 5, 4, false}));
    // Reading drops nothing: which records count is the callers' choice.
    EXPECT_EQ(Fields(records[1]), Fields({bareOid, u"", -1, 1, 0, 0, 2, true}));
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
