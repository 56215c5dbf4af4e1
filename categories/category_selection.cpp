#include "categories/category_selection.h"

#include <memory>
#include <string>
#include <vector>

#include "categories/category_text.h"
#include "platform/files/registry.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

bool SaveCategoryToRegistry(const WCHAR* key, const WCHAR* value, CePtrList<CFullCategory*>& list)
{
    std::u16string joined;
    for (CFullCategory* category : list) {
        if (!category || !category->m_name) continue;
        const size_t added = (joined.empty() ? 0 : 1) + wcslen(category->m_name);
        if (joined.size() + added > static_cast<size_t>(kCategorySelectionMaxChars)) break;
        if (!joined.empty()) joined += kCategorySelectionSeparator;
        joined += category->m_name;
    }
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, key) != 0) return false;
    const bool written = settings.SetValue(value, joined.c_str()) == 0;
    settings.CloseKey();
    return written;
}

void ReadCategoryFromRegistry(const WCHAR* key, const WCHAR* value, CePtrList<CFullCategory*>& list, bool customViews)
{
    list.RemoveAll();
    std::vector<WCHAR> text(kCategorySelectionReadChars + 1, 0);
    {
        auto settings =
            customViews ? std::make_unique<CRegistry>(kCustomViewsSettingsFile) : std::make_unique<CRegistry>();
        if (settings->Exists(HKEY_CURRENT_USER, key) != 1) return;
        if (settings->QueryValue(value, text.data(), kCategorySelectionReadChars + 1) != 0) return;
    }
    if (!text[0]) return;

    std::vector<std::u16string> names;
    std::u16string_view rest(text.data());
    for (;;) {
        const size_t mark = rest.find(kCategorySelectionSeparator);
        names.emplace_back(rest.substr(0, mark));
        if (mark == std::u16string_view::npos) break;
        rest.remove_prefix(mark + 1);
    }
    SelectNamedCategories(list, names);
}
