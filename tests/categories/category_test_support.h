// A fresh data directory per category test, and category records as other programs leave them.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "categories/c_full_category.h"
#include "categories/full_category_list.h"
#include "foundation/ce_ptr_list.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/store_records.h"

namespace cattest {

// One category record's stored properties; an absent optional is left out.
struct RawCategory {
    std::optional<std::u16string> name;
    std::optional<SHORT> index;
    std::optional<LONG> p4003;
    std::optional<SHORT> p4006;
    std::optional<SHORT> p4005;
    std::optional<SHORT> p4004;
    std::optional<bool> shown;
};

inline CEOID WriteRawCategory(const RawCategory& raw, CEOID oid = 0)
{
    std::u16string name = raw.name.value_or(u"");
    kstest::PropList p;
    if (raw.name) p.Add(kCategoryName).lpwstr = name.data();
    if (raw.index) p.Add(kCategoryBitIndex).iVal = *raw.index;
    if (raw.p4003) p.Add(kCategoryNumber4003).lVal = *raw.p4003;
    if (raw.p4006) p.Add(kCategoryMask1Flag).iVal = *raw.p4006;
    if (raw.p4005) p.Add(kCategoryMask2Flag).iVal = *raw.p4005;
    if (raw.p4004) p.Add(kCategoryMask4Flag).iVal = *raw.p4004;
    if (raw.shown) p.Add(kCategoryShown).boolVal = *raw.shown ? 1 : 0;
    return kstest::WritePimRecord(kCategoriesDatabase, p.props, oid);
}

// Record oid (0: a new one) as category name with bit index.
inline CEOID WriteCategory(const std::u16string& name, SHORT index, CEOID oid = 0)
{
    return WriteRawCategory(RawCategory{name, index, {}, {}, {}, {}, {}}, oid);
}

inline void WriteCategories(std::initializer_list<std::pair<std::u16string, SHORT>> categories)
{
    for (const auto& [name, index] : categories) EXPECT_NE(WriteCategory(name, index), 0u);
}

inline int StoredRecordCount()
{
    CEOID oid = PimDatabases::Oid(kCategoriesDatabase);
    CEOIDINFO info{};
    if (!CeOidGetInfo(oid, &info)) return -1;
    return info.infDatabase.wNumRecords;
}

// A list owning new categories with these indices (named "c<index>").
inline void FillWithIndices(CePtrList<CFullCategory*>& list, const std::vector<int>& indices)
{
    list.SetDeletePolicy(1);
    for (int i : indices) {
        std::u16string name = u"c";
        for (char ch : std::to_string(i)) name += static_cast<char16_t>(ch);
        list.Append(new CFullCategory(name.c_str(), static_cast<SHORT>(i), 0));
    }
}

inline std::vector<std::u16string> Names(const CePtrList<CFullCategory*>& list)
{
    std::vector<std::u16string> names;
    for (CFullCategory* c : list) names.push_back(c && c->m_name ? c->m_name : u"<null>");
    return names;
}

// The store sandbox with the category cache forgotten too.
class CategorySandbox : public StoreSandbox {
protected:
    void SetUp() override
    {
        StoreSandbox::SetUp();
        FreeFullCategoryCache();
    }
    void TearDown() override
    {
        FreeFullCategoryCache();
        StoreSandbox::TearDown();
    }
};

// The sandbox with the category database made.
class CategoryStore : public CategorySandbox {
protected:
    void SetUp() override
    {
        CategorySandbox::SetUp();
        ASSERT_TRUE(PimDatabases::Ensure());
    }
};

}  // namespace cattest
