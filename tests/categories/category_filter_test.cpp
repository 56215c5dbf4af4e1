// The category filter on blobs and texts against a plain model of each mode.
#include "categories/category_filter.h"

#include <gtest/gtest.h>

#include <random>

#include "categories/category_text.h"
#include "tests/categories/category_test_support.h"

namespace {

using namespace cattest;

// What the filter should decide, from sets of category numbers.
bool ModelPasses(const std::set<int>& item, const std::set<int>& selected, LONG mode, bool includeNone, bool all)
{
    bool has = !item.empty();
    bool match = false;
    if (all) {
        match = std::includes(item.begin(), item.end(), selected.begin(), selected.end());
    } else {
        for (int s : selected) match = match || item.count(s);
    }
    switch (mode) {
        case -1:
            return !has;
        case 0:
            if (selected.empty()) return true;
            return has ? match : includeNone;
        case 1:
            if (!has) return true;
            return !selected.empty() && !match;
        default:
            return true;
    }
}

// Categories c<i> for the numbers given, as a list the caller owns.
CePtrList<CFullCategory*>* ListOf(const std::set<int>& numbers, const std::vector<int>& indexOf)
{
    auto* list = new CePtrList<CFullCategory*>();
    list->SetDeletePolicy(1);
    for (int n : numbers) {
        const std::u16string name = u"Cat " + std::u16string(1, static_cast<char16_t>(u'A' + n % 26)) +
                                    std::u16string(1, static_cast<char16_t>(u'a' + n / 26));
        list->Append(new CFullCategory(name.c_str(), static_cast<SHORT>(indexOf[n]), 0));
    }
    return list;
}

TEST(CategoryFilter, BlobAndTextFormsAgreeWithTheModel)
{
    std::mt19937 rng(31337);
    constexpr int kCategories = 30;
    // Distinct indices, spread over several words.
    std::vector<int> indexOf;
    std::set<int> used;
    while (static_cast<int>(indexOf.size()) < kCategories) {
        const int index = static_cast<int>(rng() % 200);
        if (used.insert(index).second) indexOf.push_back(index);
    }
    auto randomSet = [&](unsigned most) {
        std::set<int> s;
        for (unsigned n = rng() % (most + 1); n > 0; --n) s.insert(static_cast<int>(rng() % kCategories));
        return s;
    };

    int passed = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::set<int> itemSet = randomSet(rng() % 2 ? 2 : 6);
        const std::set<int> selected = randomSet(rng() % 2 ? 1 : 4);
        CCategoryFilterInfo info;
        const LONG modes[] = {-1, 0, 1, 2};
        info.bHideCategories = modes[rng() % 4];
        info.m_bIncludeNoCat = rng() % 2;
        info.CategoryANDOR = rng() % 2 ? 0 : 7;
        info.SetSelected(ListOf(selected, indexOf));

        std::unique_ptr<CePtrList<CFullCategory*>> item(ListOf(itemSet, indexOf));
        COwnedCategoryBlob blob;
        ASSERT_TRUE(Categories2BLOB(blob.Get(), *item));
        const std::u16string text = CategoryTextOf(*item);

        const bool expected =
            ModelPasses(itemSet, selected, info.bHideCategories, info.m_bIncludeNoCat, info.CategoryANDOR != 0);
        EXPECT_EQ(CategoryFilterHighLevel(blob.Get(), &info), expected)
            << "round " << round << " blob, mode " << info.bHideCategories;
        EXPECT_EQ(CategoryFilterHighLevel(text.c_str(), &info), expected)
            << "round " << round << " text \"" << std::string(text.begin(), text.end()) << "\", mode "
            << info.bHideCategories;
        passed += expected;
    }
    EXPECT_GT(passed, 1000);
    EXPECT_LT(passed, 3000);
}

// The edges of the text form and of missing arguments.
TEST(FilterCase, MissingFiltersPassEverythingTextPiecesLoseOneLeadingSpaceAndAreMatchedWhole)
{
    CCategoryFilterInfo info;
    EXPECT_TRUE(CategoryFilterHighLevel(static_cast<const _CEBLOB*>(nullptr), nullptr));
    EXPECT_TRUE(CategoryFilterHighLevel(u"Cat Ba", nullptr));
    info.bHideCategories = kCategoryShowUncategorised;
    info.SetSelected(nullptr);
    EXPECT_TRUE(CategoryFilterHighLevel(u"Cat Ba", &info));
    EXPECT_EQ(info.m_blob->dwCount, 0u);
    _CEBLOB item{0, nullptr};
    EXPECT_TRUE(CategoryFilterHighLevel(&item, &info)) << "the blob form: an item without categories";

    info.bHideCategories = kCategoryShowSelected;
    info.SetSelected(ListOf({1}, {0, 33, 64, 5}));  // "Cat Ba"
    EXPECT_TRUE(CategoryFilterHighLevel(u" Cat Ba", &info)) << "one leading space, even first";
    EXPECT_TRUE(CategoryFilterHighLevel(u"x,Cat Ba", &info)) << "no space after the comma";
    EXPECT_FALSE(CategoryFilterHighLevel(u"x,  Cat Ba", &info)) << "only one space goes";
    EXPECT_FALSE(CategoryFilterHighLevel(u"cat ba", &info));
    EXPECT_FALSE(CategoryFilterHighLevel(u"Cat Ba ", &info));
    // Texts longer than any buffer are matched whole.
    std::u16string text;
    for (int i = 0; i < 400; ++i) text += u"Filler " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u", ";
    text += u"Cat Ba";
    ASSERT_GT(text.size(), 2000u);
    EXPECT_TRUE(CategoryFilterHighLevel(text.c_str(), &info)) << "the name at the end is still seen";
}

}  // namespace
