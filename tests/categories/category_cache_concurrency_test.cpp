// Threads reading, refreshing and filtering with the shared category cache while others add.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "categories/category_filter.h"
#include "categories/category_records.h"
#include "categories/category_text.h"
#include "tests/categories/category_test_support.h"

namespace {

using namespace cattest;

class CategoryCacheConcurrency : public CategorySandbox {};

TEST_F(CategoryCacheConcurrency, ReadersRefreshersAndAddersShareTheCache)
{
    ASSERT_TRUE(PimDatabases::Ensure());
    for (int i = 0; i < 10; ++i) {
        std::u16string name = u"Base";
        name += static_cast<char16_t>(u'A' + i);
        ASSERT_EQ(AddCategoryRecord(name.c_str()), ERROR_SUCCESS);
    }
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;

    // Readers: every list they get is whole, and the base categories are in it.
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            while (!stop) {
                CePtrList<CFullCategory*> list;
                const int count = GetFullCategoryInfo(list, t == 0);
                if (count < 10 || count != list.GetCount()) ++failures;
                for (CFullCategory* c : list)
                    if (!c || !c->m_name || c->m_index < 0) ++failures;
                CePtrList<CFullCategory*> named;
                ReadCategory(named, u"BaseA, BaseJ");
                if (named.GetCount() != 2) ++failures;
            }
        });
    }
    // Filters on texts at the same time, each with its own restriction.
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            CCategoryFilterInfo info;
            auto* selected = new CePtrList<CFullCategory*>();
            ReadCategory(*selected, u"BaseB");
            info.SetSelected(selected);
            info.bHideCategories = kCategoryShowSelected;
            while (!stop) {
                if (!CategoryFilterHighLevel(u"BaseA, BaseB, BaseC", &info)) ++failures;
                if (CategoryFilterHighLevel(u"BaseA, BaseC", &info)) ++failures;
            }
        });
    }
    // The window thread's own list, reset now and then.
    threads.emplace_back([&] {
        while (!stop) {
            ResetFullCategoryList();
            if (SharedFullCategoryList().GetCount() < 10) ++failures;
        }
    });

    // Two adders at once: each new category must still get an index of its own.
    auto addTen = [&](char16_t first) {
        for (int i = 0; i < 10; ++i) {
            std::u16string name = u"Added";
            name += static_cast<char16_t>(first + i);
            if (AddCategoryRecord(name.c_str()) != ERROR_SUCCESS) ++failures;
        }
    };
    std::thread otherAdder(addTen, u'a');
    addTen(u'n');
    otherAdder.join();
    stop = true;
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);

    CePtrList<CFullCategory*> all;
    ASSERT_EQ(GetFullCategoryInfo(all, true), 30);
    std::set<int> indices;
    for (CFullCategory* c : all) indices.insert(c->m_index);
    EXPECT_EQ(indices.size(), 30u);
    EXPECT_EQ(*indices.rbegin(), 29);
}

}  // namespace
