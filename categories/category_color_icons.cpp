// The colour table and CCategoryColorIcons.
#include "categories/category_color_icons.h"

#include <mutex>
#include <vector>

#include "categories/full_category_list.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/gdi_types.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

namespace {

struct ColorTable {
    std::mutex lock;
    std::vector<CATEGORYCOLOR> entries;
    bool built = false;
};

ColorTable& Table()
{
    static ColorTable table;
    return table;
}

void FormatColour(COLORREF colour, WCHAR* text)
{
    swprintf(text, 8, u"#%.2X%.2X%.2X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

}  // namespace

bool IsCategoryColorValue(DWORD value) { return value - 1u <= 0xFFFFFFu; }

bool SetCategoryColor(const WCHAR* name, DWORD colour)
{
    if (!name || !*name || colour > 0xFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, kCategoryColorsKey) != 0 || settings.SetValue(name, colour) != 0 ||
        settings.SaveINIFile(1) != 0)
        return false;
    CCategoryColorIcons::ClearInit();
    return true;
}

CCategoryColorIcons::CCategoryColorIcons() { InitCategoryColors(); }

void CCategoryColorIcons::InitCategoryColors()
{
    ColorTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.built) return;
    table.entries.clear();
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, kCategoryColorsKey) == 1 &&
        settings.OpenKey(HKEY_CURRENT_USER, kCategoryColorsKey) == 0) {
        CePtrList<CFullCategory*> categories;
        GetFullCategoryInfo(categories, false);
        for (CFullCategory* category : categories) {
            if (!category || !category->m_name || !*category->m_name) continue;
            ULONG value = 0;
            if (settings.QueryValue(category->m_name, &value) != 0 || !IsCategoryColorValue(value)) continue;
            CATEGORYCOLOR entry;
            entry.name = category->m_name;
            entry.colour = value;
            FormatColour(value, entry.colourText);
            table.entries.push_back(entry);
        }
    }
    table.built = true;
}

void CCategoryColorIcons::ClearInit()
{
    ColorTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    table.entries.clear();
    table.built = false;
}

bool CCategoryColorIcons::Exists()
{
    ColorTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.built;
}

bool CCategoryColorIcons::FindColor(const WCHAR* name, CATEGORYCOLOR& out)
{
    if (!name) return false;
    InitCategoryColors();
    ColorTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    for (const CATEGORYCOLOR& entry : table.entries) {
        if (wcscmp(static_cast<const WCHAR*>(entry.name), name) == 0) {
            out = entry;
            return true;
        }
    }
    return false;
}

void CCategoryColorIcons::ClearState()
{
    m_iconMarkup.clear();
    m_categories.clear();
    m_lastInput.clear();
    m_bLastColour = m_bLastIcons = false;
    m_bHasColour = false;
}

void CCategoryColorIcons::ParseCategory(const WCHAR* text, bool colour, bool icons)
{
    if (!text || !*text || (!colour && !icons)) {
        ClearState();
        return;
    }
    if (colour == m_bLastColour && icons == m_bLastIcons && m_lastInput == text) return;
    ++m_parses;
    m_lastInput = text;
    m_categories = text;
    m_bLastColour = colour;
    m_bLastIcons = icons;
    m_iconMarkup.clear();
    m_bHasColour = false;
    const std::u16string all = text;
    size_t begin = 0;
    while (begin <= all.size()) {
        size_t comma = all.find(u',', begin);
        if (comma == std::u16string::npos) comma = all.size();
        std::u16string name = all.substr(begin, comma - begin);
        begin = comma + 1;
        if (!name.empty() && name[0] == u' ') name.erase(0, 1);
        if (name.empty()) continue;
        // A picture whose tag no longer fits the buffer is left out whole.
        const std::u16string tag = u"<IMG SRC=\"" + name + u".bmp\">";
        if (icons && m_iconMarkup.size() + tag.size() < kCategoryIconChars) m_iconMarkup += tag;
        if (colour && !m_bHasColour) m_bHasColour = FindColor(name.c_str(), m_colour);
    }
}

bool CCategoryColorIcons::GetIconString(WCHAR* buffer, bool markNone) const
{
    if (!buffer) return false;
    buffer[0] = 0;
    if (!m_categories.empty()) {
        wcsncpy(buffer, m_iconMarkup.c_str(), kCategoryIconChars - 1);
        buffer[kCategoryIconChars - 1] = 0;
        return !m_iconMarkup.empty();
    }
    if (!markNone) return false;
    const std::u16string none = std::u16string(u"<IMG SRC=\"") + kNoCategoryPicture + u"\">";
    wcscpy(buffer, none.c_str());
    return true;
}

COLORREF CCategoryColorIcons::GetCategoryColorCR() const { return m_bHasColour ? m_colour.colour : kNoCategoryColor; }

const WCHAR* CCategoryColorIcons::GetCategoryColorString() const
{
    return m_bHasColour ? m_colour.colourText : nullptr;
}
