// Category texts to categories, and the records added and removed for the command line.
#include "categories/category_text.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "categories/category_records.h"
#include "platform/base/error_codes.h"
#include "platform/objectmodel/category_bit_set.h"
#include "tests/categories/category_test_support.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using namespace cattest;
using V = std::vector<std::u16string>;

class CategoryTextTest : public CategoryStore {
protected:
    static V Read(const char16_t* text)
    {
        CePtrList<CFullCategory*> list;
        ReadCategory(list, text);
        return Names(list);
    }
};

TEST_F(CategoryTextTest, NamesAreFoundInTheOrderOfTheFullList)
{
    // The database reads in name order, so that is the full list's order.
    WriteCategories({{u"Personal", 4}, {u"private", 2}, {u"Business", 40}, {u"ersonal", 3}});
    EXPECT_EQ(Read(u"Personal, Business"), (V{u"Business", u"Personal"}));
    EXPECT_EQ(Read(u"private, Nowhere, Business"), (V{u"Business", u"private"})) << "unknown names drop out";
    EXPECT_EQ(Read(u"Nowhere"), V{});
    EXPECT_EQ(Read(u""), V{});
    EXPECT_EQ(Read(nullptr), V{});
    // Every piece after the first loses its first character; names compare with case.
    EXPECT_EQ(Read(u"Business,Personal"), (V{u"Business", u"ersonal"})) << "no space after the comma";
    EXPECT_EQ(Read(u" Business"), V{}) << "the first piece is taken as it stands";
    EXPECT_EQ(Read(u"x,  Business"), V{}) << "only one character goes";
    EXPECT_EQ(Read(u"business"), V{});

    CePtrList<CFullCategory*> list(1);
    ConvertCategoryToCFullCategory(const_cast<WCHAR*>(u"Personal, Business"), list);
    EXPECT_EQ(list.GetIndexBase(), 0) << "the converted list counts from zero";
    EXPECT_EQ(Names(list), (V{u"Business", u"Personal"}));
}

// Random names of letters, digits, blanks inside, and characters beyond ASCII.
std::u16string RandomName(std::mt19937& rng)
{
    static const std::u16string alphabet = u"abcXYZ019 -_\u00e9\u00df\u4e2d\u0416";
    std::u16string name(1, u"QRST"[rng() % 4]);
    for (unsigned n = rng() % 10; n > 0; --n) name += alphabet[rng() % alphabet.size()];
    return name;
}

TEST_F(CategoryTextTest, RandomTextsComeBackAsTheirCategories)
{
    std::mt19937 rng(2024);
    // 60 categories with distinct names and indices, many above 31.
    std::set<std::u16string> names;
    std::set<int> used;
    while (names.size() < 60) {
        const std::u16string name = RandomName(rng);
        int index = static_cast<int>(rng() % 3 == 0 ? rng() % 32 : rng() % 700);
        if (names.count(name) || !used.insert(index).second) continue;
        names.insert(name);
        ASSERT_NE(WriteCategory(name, static_cast<SHORT>(index)), 0u);
    }
    CePtrList<CFullCategory*> full;
    ASSERT_EQ(GetFullCategoryInfo(full, true), 60);
    const V order = Names(full);

    for (int round = 0; round < 200; ++round) {
        std::vector<std::u16string> pieces;
        std::set<std::u16string> chosen;
        for (unsigned n = rng() % 8; n > 0; --n) {
            if (rng() % 4 == 0) {
                pieces.push_back(u"Unknown" + RandomName(rng));
            } else {
                const std::u16string& name = order[rng() % order.size()];
                pieces.push_back(name);
                chosen.insert(name);
            }
        }
        std::u16string text;
        for (const std::u16string& piece : pieces) text += (text.empty() ? u"" : u", ") + piece;

        CePtrList<CFullCategory*> list;
        ReadCategory(list, text.c_str());
        V expected;
        for (const std::u16string& name : order)
            if (chosen.count(name)) expected.push_back(name);
        ASSERT_EQ(Names(list), expected) << "round " << round;
        EXPECT_EQ(Read(CategoryTextOf(list).c_str()), expected) << "the text made from it, round " << round;
    }
}

// ---- Adding and removing records -----------------------------------------

TEST_F(CategoryTextTest, AddingTakesTheLowestFreeIndexAndRefusesNamesThatCannotTravelInAText)
{
    WriteCategories({{u"Zero", 0}, {u"One", 1}, {u"Three", 3}, {u"Unindexed", -1}});
    SHORT index = -5;
    CEOID oid = 0;
    ASSERT_EQ(AddCategoryRecord(u"Two", &index, &oid), ERROR_SUCCESS);
    EXPECT_EQ(index, 2) << "the lowest free index is the category database's; here only what is in use";

    CePtrList<CFullCategory*> list;
    GetFullCategoryInfo(list, false);
    auto added = std::find_if(list.begin(), list.end(), [&](CFullCategory* c) { return c->m_oid == oid; });
    ASSERT_NE(added, list.end()) << "the cache was refreshed";
    EXPECT_EQ(std::u16string((*added)->m_name), u"Two");
    EXPECT_EQ((*added)->m_index, 2);

    // Names that cannot travel in a text are refused.
    EXPECT_EQ(AddCategoryRecord(u""), ERROR_INVALID_NAME);
    EXPECT_EQ(AddCategoryRecord(nullptr), ERROR_INVALID_NAME);
    EXPECT_EQ(AddCategoryRecord(u"a,b"), ERROR_INVALID_NAME);
    EXPECT_EQ(AddCategoryRecord(u"bell\u0007"), ERROR_INVALID_NAME);
    EXPECT_EQ(AddCategoryRecord(std::u16string(256, u'x').c_str()), ERROR_INVALID_NAME);
    EXPECT_EQ(AddCategoryRecord(std::u16string(255, u'x').c_str()), ERROR_SUCCESS);
    ASSERT_EQ(AddCategoryRecord(u"Holiday"), ERROR_SUCCESS);
    EXPECT_EQ(AddCategoryRecord(u"HOLIDAY"), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(StoredRecordCount(), 7);
}

TEST_F(CategoryTextTest, RemovingDeletesTheRecordTakesItOffEveryItemAndFreesItsIndex)
{
    ASSERT_EQ(AddCategoryRecord(u"Keep"), ERROR_SUCCESS);
    ASSERT_EQ(AddCategoryRecord(u"Drop"), ERROR_SUCCESS);
    EXPECT_EQ(Read(u"Keep, Drop"), (V{u"Drop", u"Keep"}));
    // Items of every kind with Drop (index 1) and without it; 40 is no category.
    const std::vector<std::tuple<const WCHAR*, std::vector<int>, std::vector<int>>> items = {
        {kTasksDatabase, {0, 1}, {0}}, {kAppointmentsDatabase, {1}, {}}, {kContactsDatabase, {1, 40}, {40}}};
    std::vector<CEOID> oids;
    for (const auto& [db, before, after] : items) {
        const std::vector<BYTE> blob = CategoryBitSet::Bytes(before);
        oids.push_back(outlooktest::WriteRaw(
            db, 0, {cedbtest::Blob(PropIdNumber(kItemCategories), blob.data(), DWORD(blob.size()))}));
    }
    EXPECT_EQ(RemoveCategoryRecord(u"drop"), ERROR_NOT_FOUND) << "removal needs the exact name";
    EXPECT_EQ(RemoveCategoryRecord(u"Drop"), ERROR_SUCCESS);
    EXPECT_EQ(StoredRecordCount(), 1);
    EXPECT_EQ(Read(u"Keep, Drop"), V{u"Keep"}) << "the cache was refreshed";
    EXPECT_EQ(RemoveCategoryRecord(u"Drop"), ERROR_NOT_FOUND);
    SHORT index = -1;
    ASSERT_EQ(AddCategoryRecord(u"Again", &index), ERROR_SUCCESS);
    EXPECT_EQ(index, 1);
    for (size_t i = 0; i < oids.size(); ++i)
        EXPECT_EQ(outlooktest::ReadRaw(std::get<0>(items[i]), oids[i], kItemCategories).bytes,
                  CategoryBitSet::Bytes(std::get<2>(items[i])));

    // Adding makes the database on a fresh store.
    ASSERT_TRUE(CeDeleteDatabase(PimDatabases::Oid(kCategoriesDatabase)));
    ASSERT_EQ(AddCategoryRecord(u"First", &index), ERROR_SUCCESS);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(Read(u"First"), V{u"First"});
}

}  // namespace
