// A saved choice of categories (a view's or a loader's selection) in the
// settings store: the selected names joined by U+0007, at most 2,000
// characters.
#pragma once

#include "categories/c_full_category.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"

inline constexpr WCHAR kCategorySelectionSeparator = u'\u0007';
inline constexpr int kCategorySelectionMaxChars = 2000;
inline constexpr int kCategorySelectionReadChars = 7900;
// The file of the custom views' settings.
inline constexpr const WCHAR* kCustomViewsSettingsFile = u"%s\\Corvid\\KSCustomViews.reg";

// Writes the names of list's categories under HKEY_CURRENT_USER\key, value in
// the settings file. Names that would take the text past 2,000 characters
// are left out, with every name after the first of them; an empty list
// writes an empty string. False when the settings store refuses the write.
bool SaveCategoryToRegistry(const WCHAR* key, const WCHAR* value, CePtrList<CFullCategory*>& list);
// The categories a saved selection names (copies, in the order of the full
// category list; list is cleared first), read from the settings file, or
// with customViews from the custom views' file. A missing or empty value, or
// names of no category, give nothing. Only the first 7,900 characters of the
// value are read.
void ReadCategoryFromRegistry(const WCHAR* key, const WCHAR* value, CePtrList<CFullCategory*>& list, bool customViews);
