#include "categories/category_filter.h"

#include <string_view>
#include <vector>

#include "platform/locale/compare_string.h"

void CCategoryFilterInfo::SetSelected(CePtrList<CFullCategory*>* list)
{
    if (list != m_pSelected) {
        delete m_pSelected;
        m_pSelected = list;
        if (m_pSelected) m_pSelected->SetDeletePolicy(1);
    }
    RebuildBlob();
}

bool CCategoryFilterInfo::RebuildBlob()
{
    if (!m_pSelected) {
        FreeCategoryBlob(m_blob.Get());
        return true;
    }
    return Categories2BLOB(m_blob.Get(), *m_pSelected);
}

namespace {

// The decision table shared by both forms: `match` is asked only when both
// the item and the filter have categories.
template <class Match>
bool Decide(const CCategoryFilterInfo& info, bool itemHas, bool filterHas, Match match)
{
    switch (info.bHideCategories) {
        case kCategoryShowUncategorised:
            return !itemHas;
        case kCategoryShowSelected:
            if (!filterHas) return true;
            if (!itemHas) return info.m_bIncludeNoCat != 0;
            return match();
        case kCategoryHideSelected:
            if (!itemHas) return true;
            if (!filterHas) return false;
            return !match();
        default:
            return true;
    }
}

}  // namespace

bool CategoryFilterHighLevel(const _CEBLOB* item, const CCategoryFilterInfo* info)
{
    if (!info) return true;
    const bool itemHas = item && item->dwCount != 0;
    const bool filterHas = info->m_blob->dwCount != 0;
    return Decide(*info, itemHas, filterHas, [&] {
        return info->CategoryANDOR ? CategoryAndFilter(item, info->m_blob.Get())
                                   : CategoryOrFilter(item, info->m_blob.Get());
    });
}

bool CategoryFilterHighLevel(const WCHAR* text, const CCategoryFilterInfo* info)
{
    if (!info || !info->m_pSelected) return true;
    const bool itemHas = text && text[0];
    const bool filterHas = !info->m_pSelected->IsEmpty();
    return Decide(*info, itemHas, filterHas, [&] {
        // The pieces are views into the caller's text: nothing shared is written.
        std::vector<std::u16string_view> pieces;
        std::u16string_view rest(text);
        for (;;) {
            const size_t comma = rest.find(u',');
            std::u16string_view piece = rest.substr(0, comma);
            if (!piece.empty() && piece.front() == u' ') piece.remove_prefix(1);
            pieces.push_back(piece);
            if (comma == std::u16string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        std::u16string name;
        auto inItem = [&](const CFullCategory* category) {
            if (!category || !category->m_name) return false;
            for (std::u16string_view piece : pieces) {
                name.assign(piece);
                if (lstrcmpW(name.c_str(), category->m_name) == 0) return true;
            }
            return false;
        };
        const bool all = info->CategoryANDOR != 0;
        for (CFullCategory* category : *info->m_pSelected) {
            const bool found = inItem(category);
            if (all && !found) return false;
            if (!all && found) return true;
        }
        return all;
    });
}
