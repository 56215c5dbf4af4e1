// Categories of an item: the object model's text "A, B" and the stored
// category blob kItemCategories, joined through the records of the
// "\Categories Database" (kCategoryName, kCategoryBitIndex).
//
// The blob is a CategoryBitSet (platform/objectmodel/category_bit_set.h). It is the only
// stored form of an item's categories, so the text and the blob cannot
// disagree: the text is always computed from the blob.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectmodel/outlook_item_record.h"

class OutlookCategoryText {
public:
    // The names of the blob's categories in index order, joined by ", ";
    // indices without a category record are left out.
    static std::u16string TextFromBlob(const std::vector<BYTE>& blob);
    // The blob for a text of names separated by commas (blanks around names
    // are dropped, names compare without case, repeats count once). A name
    // without a category record gets a new record with the lowest free
    // index. An empty result means no categories.
    static HRESULT BlobFromText(std::u16string_view text, std::vector<BYTE>* blob);

    // An item's categories text from its record's blob.
    static std::u16string Read(const OutlookItemRecord& record);
    // Sets the record's blob from the text (removes it for no categories).
    static HRESULT Store(OutlookItemRecord& record, std::u16string_view text);

    // The indices set in a blob, ascending, and the blob of a set of indices.
    static std::vector<int> IndicesFromBlob(const std::vector<BYTE>& blob);
    static std::vector<BYTE> BlobFromIndices(const std::vector<int>& indices);
};
