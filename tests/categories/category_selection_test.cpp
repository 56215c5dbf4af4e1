// Saved category selections in the settings file and the custom views' file.
#include "categories/category_selection.h"

#include <gtest/gtest.h>

#include "tests/categories/category_test_support.h"

namespace {

using namespace cattest;
using V = std::vector<std::u16string>;

constexpr const WCHAR* kKey = u"Software\\Corvid\\Kestrel\\CAV";

class CategorySelectionTest : public CategoryStore {
protected:
    static std::u16string Stored(const WCHAR* file, const WCHAR* value)
    {
        CRegistry settings(file);
        if (settings.OpenKey(HKEY_CURRENT_USER, kKey) != 0) return u"<no key>";
        std::vector<WCHAR> text(9000, 0);
        if (settings.QueryValue(value, text.data(), 9000) != 0) return u"<no value>";
        return text.data();
    }
    static V ReadBack(const WCHAR* value, bool customViews)
    {
        CePtrList<CFullCategory*> list;
        ReadCategoryFromRegistry(kKey, value, list, customViews);
        return Names(list);
    }
};

TEST_F(CategorySelectionTest, ASelectionIsStoredAsNamesJoinedByABellAndReadBack)
{
    WriteCategories({{u"Home", 0}, {u"Work", 40}, {u"Sport", 2}});
    CePtrList<CFullCategory*> chosen;
    chosen.SetDeletePolicy(1);
    chosen.Append(new CFullCategory(u"Work", 40, 0));
    chosen.Append(new CFullCategory(u"Home", 0, 0));
    ASSERT_TRUE(SaveCategoryToRegistry(kKey, u"Selected", chosen));
    EXPECT_EQ(Stored(kDefaultSettingsFile, u"Selected"), u"Work\u0007Home");
    EXPECT_EQ(ReadBack(u"Selected", false), (V{u"Home", u"Work"})) << "in the order of the full list";
    EXPECT_EQ(ReadBack(u"Selected", true), V{}) << "the custom views' file is another file";
}

TEST_F(CategorySelectionTest, EmptyMissingAndStaleSelectionsGiveWhatStillExists)
{
    WriteCategory(u"Home", 0);
    CePtrList<CFullCategory*> none;
    ASSERT_TRUE(SaveCategoryToRegistry(kKey, u"Empty", none));
    EXPECT_EQ(Stored(kDefaultSettingsFile, u"Empty"), u"");
    EXPECT_EQ(ReadBack(u"Empty", false), V{});
    EXPECT_EQ(ReadBack(u"Missing", false), V{});

    CePtrList<CFullCategory*> list;
    FillWithIndices(list, {7});  // "c7", which the database does not have
    list.Append(new CFullCategory(u"Home", 0, 0));
    ASSERT_TRUE(SaveCategoryToRegistry(kKey, u"Stale", list));
    EXPECT_EQ(ReadBack(u"Stale", false), V{u"Home"});
}

TEST_F(CategorySelectionTest, OnlyTheNamesBeforeTheFirstThatOverflowsAreStored)
{
    const std::u16string a(999, u'a'), b(1000, u'b'), c(300, u'c');
    CePtrList<CFullCategory*> list;
    list.SetDeletePolicy(1);
    list.Append(new CFullCategory(a.c_str(), 0, 0));
    list.Append(new CFullCategory(b.c_str(), 1, 0));
    ASSERT_TRUE(SaveCategoryToRegistry(kKey, u"Exact", list));
    EXPECT_EQ(Stored(kDefaultSettingsFile, u"Exact").size(), 2000u) << "exactly 2,000 characters fit";

    list.RemoveAll();
    list.Append(new CFullCategory(b.c_str(), 1, 0));
    list.Append(new CFullCategory(b.c_str(), 1, 0));
    list.Append(new CFullCategory(u"x", 2, 0));
    ASSERT_TRUE(SaveCategoryToRegistry(kKey, u"Over", list));
    EXPECT_EQ(Stored(kDefaultSettingsFile, u"Over"), b) << "the short name after the overflow is dropped too";

    list.RemoveAll();
    list.Append(new CFullCategory(c.c_str(), 0, 0));
    list.Append(new CFullCategory(std::u16string(1700, u'd').c_str(), 1, 0));
    ASSERT_TRUE(SaveCategoryToRegistry(kKey, u"Second", list));
    EXPECT_EQ(Stored(kDefaultSettingsFile, u"Second"), c);
}

TEST_F(CategorySelectionTest, CustomViewsAreReadFromTheirOwnFileAndOnlyTheFirst7900CharactersOfAValue)
{
    WriteCategories({{u"Home", 0}, {u"Work", 1}, {u"Early", 2}, {u"Late", 3}});
    {
        CRegistry views(kCustomViewsSettingsFile);
        ASSERT_EQ(views.OpenKey(HKEY_CURRENT_USER, kKey), 0);
        ASSERT_EQ(views.SetValue(u"View1", u"Work\u0007Nowhere\u0007Home"), 0);
        ASSERT_EQ(views.SaveINIFile(1), 0);
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kKey), 0);
        std::u16string text = u"Early\u0007" + std::u16string(7890, u'z') + u"\u0007Late";
        ASSERT_EQ(settings.SetValue(u"Long", text.c_str()), 0);
    }
    EXPECT_EQ(ReadBack(u"View1", true), (V{u"Home", u"Work"}));
    EXPECT_EQ(ReadBack(u"View1", false), V{});
    EXPECT_EQ(ReadBack(u"Long", false), V{u"Early"});
}

}  // namespace
