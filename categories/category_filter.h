// The category filter every loader applies to its items: show the items of
// the selected categories (any or all of them, optionally with the items
// that have none), hide them, or show only the items without categories.
// The same decision is made from a record's category blob or from an item's
// category text.
#pragma once

#include "categories/c_full_category.h"
#include "categories/category_blob.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"

// bHideCategories values.
inline constexpr LONG kCategoryShowSelected = 0;
inline constexpr LONG kCategoryHideSelected = 1;
inline constexpr LONG kCategoryShowUncategorised = -1;

// One loader's category restriction; the loader's settings keep the three
// numbers as "m_bIncludeNoCat", "bHideCategories" and "CategoryANDOR". The
// object owns its selected list (and the categories in it) and its blob.
class KSTOOLS_API CCategoryFilterInfo {
public:
    CCategoryFilterInfo() = default;
    CCategoryFilterInfo(const CCategoryFilterInfo&) = delete;
    CCategoryFilterInfo& operator=(const CCategoryFilterInfo&) = delete;
    ~CCategoryFilterInfo() { delete m_pSelected; }

    // Takes over list (null: no selection), with delete policy 1, and
    // rebuilds the blob from it.
    void SetSelected(CePtrList<CFullCategory*>* list);
    // Rebuilds m_blob from m_pSelected (an empty blob without a selection).
    bool RebuildBlob();

    DWORD m_bIncludeNoCat = 0;  // show-selected mode: items without categories pass
    LONG bHideCategories = kCategoryShowSelected;
    DWORD CategoryANDOR = 0;  // non-zero: an item needs every selected category
    CePtrList<CFullCategory*>* m_pSelected = nullptr;
    COwnedCategoryBlob m_blob;
};

// The filter on a record's category blob (null or count 0: no categories).
KSTOOLS_API bool CategoryFilterHighLevel(const _CEBLOB* item, const CCategoryFilterInfo* info);
// The filter on a category text ("A, B"; null or empty: no categories). The
// text is split at ',' with one leading space taken from each piece; a
// selected category is in the item when its name equals a piece. Without a
// selected list every item passes.
//
// The text is split in a buffer of the call's own, which grows with the
// text, so threads filter at the same time safely and texts of any length
// are split whole.
KSTOOLS_API bool CategoryFilterHighLevel(const WCHAR* text, const CCategoryFilterInfo* info);
