// The full category list: reads, cache refresh, nameless records, a missing database, name order.
#include "categories/full_category_list.h"

#include <gtest/gtest.h>

#include <string>

#include "categories/category_names.h"
#include "platform/text/utf8.h"
#include "tests/categories/category_test_support.h"

namespace {

using namespace cattest;

class FullCategoryListTest : public CategoryStore {};
using FullCategoryListWithoutDatabase = CategorySandbox;

// "name|index|4003|4006|4005|4004|shown" of a category.
std::string Fields(const CFullCategory& c)
{
    std::string out = c.m_name ? WideToUtf8(c.m_name) : "";
    for (int v : {int{c.m_index}, int{c.m_prop4003}, int{c.m_prop4006}, int{c.m_prop4005}, int{c.m_prop4004}})
        out.append(1, '|').append(std::to_string(v));
    return out + (c.m_shown ? "|shown" : "|hidden");
}

// Absent properties' defaults are the category database's own; nameless records go at the next full read.
TEST_F(FullCategoryListTest, EveryPropertyIsReadAndRecordsWithoutANameAreDeleted)
{
    const CEOID full = WriteRawCategory({u"Business", 7, 0, 2, 3, 4, false});
    WriteCategory(u"First", 0);
    WriteRawCategory({{}, 1, {}, {}, {}, {}, {}});   // no name at all
    WriteRawCategory({u"", 2, {}, {}, {}, {}, {}});  // an empty name
    WriteCategory(u"Last", 3);
    ASSERT_EQ(StoredRecordCount(), 5);
    CePtrList<CFullCategory*> list;
    EXPECT_EQ(GetFullCategoryInfo(list, true), 3);
    EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"Business", u"First", u"Last"}));
    EXPECT_EQ(Fields(*list.GetAt(0)), "Business|7|0|2|3|4|hidden");
    EXPECT_EQ(list.GetAt(0)->m_oid, full);
    EXPECT_EQ(StoredRecordCount(), 3) << "the nameless records are gone from the database";
}

TEST_F(FullCategoryListTest, TheCacheIsReadAgainOnlyWhenAskedOrEmptyAndResetFillsTheSharedList)
{
    CePtrList<CFullCategory*> list;
    EXPECT_EQ(GetFullCategoryInfo(list, false), 0) << "an empty database";
    WriteCategory(u"One", 0);
    EXPECT_EQ(GetFullCategoryInfo(list, false), 1) << "an empty cache is read again";
    WriteCategory(u"Two", 1);
    EXPECT_EQ(GetFullCategoryInfo(list, false), 1) << "the cache answers";
    EXPECT_EQ(GetFullCategoryInfo(list, true), 2);

    // Callers get copies: changing one leaves the cache alone.
    list.GetAt(0)->SetName(u"Changed");
    CePtrList<CFullCategory*> again;
    GetFullCategoryInfo(again, false);
    EXPECT_EQ(Names(again), (std::vector<std::u16string>{u"One", u"Two"}));
    WriteCategory(u"Three", 2);
    ResetFullCategoryList();
    EXPECT_EQ(Names(SharedFullCategoryList()), (std::vector<std::u16string>{u"One", u"Three", u"Two"}));
}

TEST_F(FullCategoryListWithoutDatabase, LeavesTheCacheAndTheListAsTheyWere)
{
    CePtrList<CFullCategory*> list;
    FillWithIndices(list, {5});
    EXPECT_EQ(GetFullCategoryInfo(list, true), 0);
    EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"c5"}));

    ASSERT_TRUE(PimDatabases::Ensure());
    WriteCategory(u"Kept", 0);
    ASSERT_EQ(GetFullCategoryInfo(list, true), 1);
    ASSERT_TRUE(CeDeleteDatabase(PimDatabases::Oid(kCategoriesDatabase)));

    CePtrList<CFullCategory*> other;
    EXPECT_EQ(GetFullCategoryInfo(other, true), 0);
    EXPECT_TRUE(other.IsEmpty());
    EXPECT_EQ(GetFullCategoryInfo(other, false), 1) << "the cache still holds what was read before";
}

TEST_F(FullCategoryListTest, PickersNameOnlyShownCategoriesOfTheMask)
{
    WriteRawCategory({u"Plain", 0, {}, {}, {}, {}, {}});
    WriteRawCategory({u"Hidden", 1, {}, 1, 1, 1, false});
    WriteRawCategory({u"Six", 2, {}, 1, {}, {}, {}});
    WriteRawCategory({u"Five", 3, {}, {}, 2, {}, {}});
    WriteRawCategory({u"Four", 4, {}, {}, {}, 1, {}});
    WriteRawCategory({u"Negative", 5, {}, -1, -1, -1, {}});

    auto names = [](int mask) {
        CeStrList<WCHAR*> list;
        const int count = GetCategories(list, 0, 0, mask);
        std::vector<std::u16string> out;
        for (WCHAR* name : list) out.push_back(name);
        EXPECT_EQ(count, static_cast<int>(out.size()));
        return out;
    };
    using V = std::vector<std::u16string>;
    EXPECT_EQ(names(0), (V{u"Five", u"Four", u"Negative", u"Plain", u"Six"})) << "in name order";
    EXPECT_EQ(names(1), (V{u"Six"}));
    EXPECT_EQ(names(2), (V{u"Five"}));
    EXPECT_EQ(names(4), (V{u"Four"}));
    EXPECT_EQ(names(5), (V{u"Four", u"Six"}));
}

// ---- CFullCategory ----------------------------------------------------------

TEST(FullCategory, CopiesOwnTheirNameAndSortingIsByNameWithNullsLast)
{
    CFullCategory original(u"Travel", 40, 0x1234);
    original.m_prop4003 = 9;
    original.m_prop4006 = 8;
    original.m_prop4005 = 7;
    original.m_prop4004 = 6;
    original.m_shown = false;
    CFullCategory* copy = original.Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->m_name, original.m_name);
    original.SetName(u"Other");
    EXPECT_EQ(Fields(*copy), "Travel|40|9|8|7|6|hidden");
    EXPECT_EQ(copy->m_oid, 0x1234u);
    delete copy;

    CFullCategory nameless;
    CFullCategory* empty = nameless.Copy();
    EXPECT_EQ(empty->m_name, nullptr);
    delete empty;
    CePtrList<CFullCategory*> list;
    list.SetDeletePolicy(1);
    list.Append(nullptr);
    list.Append(new CFullCategory(u"beta", 0, 0));
    list.Append(new CFullCategory(nullptr, 1, 0));
    list.Append(new CFullCategory(u"Alpha", 2, 0));
    list.Append(new CFullCategory(u"alpha", 3, 0));
    list.Sort(&FullCategoryCompareFunc, 0);
    // Names() shows a null entry and a nameless one alike.
    EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"alpha", u"Alpha", u"beta", u"<null>", u"<null>"}));
    EXPECT_NE(FullCategoryCompareFunc(list.GetAt(0), list.GetAt(1), 0), 0) << "case counts";
}

}  // namespace
