#include "categories/category_text.h"

#include <vector>

#include "categories/full_category_list.h"
#include "platform/locale/compare_string.h"

namespace {

std::vector<std::u16string> NamesOf(const WCHAR* text)
{
    std::vector<std::u16string> names;
    if (!text) return names;
    std::u16string_view rest(text);
    bool first = true;
    for (;;) {
        const size_t comma = rest.find(u',');
        std::u16string_view piece = rest.substr(0, comma);
        if (!first && !piece.empty()) piece.remove_prefix(1);
        names.emplace_back(piece);
        first = false;
        if (comma == std::u16string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return names;
}

bool Named(const std::vector<std::u16string>& names, const WCHAR* name)
{
    if (!name) return false;
    for (const std::u16string& piece : names)
        if (lstrcmpW(piece.c_str(), name) == 0) return true;
    return false;
}

}  // namespace

void SelectNamedCategories(CePtrList<CFullCategory*>& list, const std::vector<std::u16string>& names)
{
    // When the database cannot be read nothing is named.
    list.RemoveAll();
    GetFullCategoryInfo(list, false);
    for (int pos = list.GetCount() - 1 + list.GetIndexBase(); pos >= list.GetIndexBase(); --pos) {
        CFullCategory* category = list.GetAt(pos);
        if (!category || !Named(names, category->m_name)) list.RemoveAt(pos);
    }
}

void ReadCategory(CePtrList<CFullCategory*>& list, const WCHAR* text) { SelectNamedCategories(list, NamesOf(text)); }

void ConvertCategoryToCFullCategory(const WCHAR* text, CePtrList<CFullCategory*>& list)
{
    CePtrList<CFullCategory*> based(0);
    ReadCategory(based, text);
    list = std::move(based);
}

std::u16string CategoryTextOf(const CePtrList<CFullCategory*>& list)
{
    std::u16string text;
    for (CFullCategory* category : list) {
        if (!category || !category->m_name) continue;
        if (!text.empty()) text += u", ";
        text += category->m_name;
    }
    return text;
}
