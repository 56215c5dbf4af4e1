// Category colours and pictures. Lists show an item's categories as small
// pictures (one bitmap file per category, named after it) and may tint the
// item with the colour of its first coloured category.
//
// The colours are one process-wide table, read once from the DWORD values
// of "Software\Corvid\Kestrel\Colors\Categories" (one value per category,
// named by it, 0x00BBGGRR): a value is a colour when value - 1, unsigned, is
// not above 0xFFFFFF, so 0 means "no colour" and 1 is a near-black. The
// table keeps the order of the category list. InitCategoryColors builds it
// (once), ClearInit lets the next call read the settings again.
//
// CCategoryColorIcons is per caller (one per loader or list): ParseCategory
// turns an item's category text into the mark-up of its pictures and finds
// its colour, caching the last text. It is not shared between threads.
#pragma once

#include <string>

#include "foundation/counted_string.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/gdi/gdi_types.h"

inline constexpr const WCHAR* kCategoryColorsKey = u"Software\\Corvid\\Kestrel\\Colors\\Categories";
// No colour: a value no COLORREF can take.
inline constexpr COLORREF kNoCategoryColor = 0xFFB43480;
inline constexpr int kCategoryIconChars = 2249;
// The picture shown for an item without categories.
inline constexpr const WCHAR* kNoCategoryPicture = u"~NoCategory.bmp";

struct KSTOOLS_API CATEGORYCOLOR {
    CStr name;
    COLORREF colour = 0;
    WCHAR colourText[8] = {};  // "#RRGGBB"
    DWORD spare = 0;
};

// Whether a stored value is a colour (see above).
KSTOOLS_API bool IsCategoryColorValue(DWORD value);
// Stores the colour of category name (0: none) in the settings and makes
// the table read again. False with ERROR_INVALID_PARAMETER for a value that
// is no colour (above 0xFFFFFF) or an empty name, or when the settings
// cannot be written.
KSTOOLS_API bool SetCategoryColor(const WCHAR* name, DWORD colour);

class KSTOOLS_API CCategoryColorIcons {
public:
    CCategoryColorIcons();

    static void InitCategoryColors();
    static void ClearInit();
    static bool Exists();
    // A copy of the table's entry for name (exact, case-sensitive); false when
    // the category has no colour.
    static bool FindColor(const WCHAR* name, CATEGORYCOLOR& out);

    // See the header comment; colour: find the colour, icons: build the mark-up.
    void ParseCategory(const WCHAR* text, bool colour, bool icons);
    // Copies the pictures' mark-up into buffer (kCategoryIconChars): with no
    // categories, the no-category picture when markNone is set. False when
    // nothing was written.
    bool GetIconString(WCHAR* buffer, bool markNone) const;
    COLORREF GetCategoryColorCR() const;
    // "#RRGGBB", or null without a colour.
    const WCHAR* GetCategoryColorString() const;
    // How many texts have been parsed (not answered from the cache).
    int ParseCount() const { return m_parses; }

private:
    void ClearState();

    std::u16string m_iconMarkup;
    std::u16string m_categories;
    std::u16string m_lastInput;
    bool m_bLastColour = false;
    bool m_bLastIcons = false;
    bool m_bHasColour = false;
    CATEGORYCOLOR m_colour;
    int m_parses = 0;
};
