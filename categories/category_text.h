// Category texts: the names of an item's categories joined by a comma and a
// space ("Business, Personal"), as the object model shows them, turned into
// the categories of the full list they name.
//
// A name that itself holds a comma cannot be told apart from two names in
// such a text; it is split like any other and matches nothing.
#pragma once

#include <string>
#include <vector>

#include "categories/c_full_category.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"

// The categories named in text, in the order of the full category list
// (copies, owned by list, which is cleared first). The text is split at ','; the
// first piece counts as it stands and every later piece loses its first
// character (the space after the comma). Names compare exactly (lstrcmpW);
// names of no category are dropped. A null text names nothing.
void ReadCategory(CePtrList<CFullCategory*>& list, const WCHAR* text);
// The same into list, which afterwards counts positions from 0.
void ConvertCategoryToCFullCategory(const WCHAR* text, CePtrList<CFullCategory*>& list);

// Fills list (cleared first) with copies of the full category list's
// categories whose names equal one of names (lstrcmpW), in the full list's
// order.
void SelectNamedCategories(CePtrList<CFullCategory*>& list, const std::vector<std::u16string>& names);

// The category text of a list: the names joined by ", " (null names skipped).
std::u16string CategoryTextOf(const CePtrList<CFullCategory*>& list);
