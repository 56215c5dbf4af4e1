#include "categories/category_names.h"

#include "categories/full_category_list.h"

namespace {

bool Masked(const CFullCategory& category, int mask)
{
    if (!mask) return true;
    return ((mask & 1) && category.m_prop4006 >= 1) || ((mask & 2) && category.m_prop4005 >= 1) ||
           ((mask & 4) && category.m_prop4004 >= 1);
}

}  // namespace

int GetCategories(CeStrList<WCHAR*>& names, int, unsigned long, int mask)
{
    CePtrList<CFullCategory*> all;
    GetFullCategoryInfo(all, false);
    int count = 0;
    for (CFullCategory* category : all) {
        if (!category->m_shown || !category->m_name || !Masked(*category, mask)) continue;
        if (names.Append(category->m_name) == CELIST_OK) ++count;
    }
    return count;
}
