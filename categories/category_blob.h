// The category blob: an item's categories as a bit set of 32-bit
// little-endian words, category index i being bit i % 32 of word i / 32. It is
// 4 * (highest word in use + 1) bytes long; no categories is no blob at all
// (count 0). Blobs are built in 1,024 bytes, so indices run from 0 to 8,191.
//
// Blob bytes made here come from LocalAlloc, as the record buffers' blobs do,
// and are freed with LocalFree (FreeCategoryBlob).
#pragma once

#include "categories/c_full_category.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectmodel/category_bit_set.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"

// The platform's blob under its structure name.
using _CEBLOB = CEBLOB;

inline constexpr DWORD kCategoryBlobBytes = CategoryBitSet::kMaxBytes;
inline constexpr int kCategoryIndexLimit = CategoryBitSet::kIndexLimit;

// Frees the blob's bytes and leaves it empty (count 0, no bytes).
KSTOOLS_API void FreeCategoryBlob(_CEBLOB* blob);

// Owns a category blob made here and frees its bytes when it goes.
class KSTOOLS_API COwnedCategoryBlob {
public:
    COwnedCategoryBlob() = default;
    ~COwnedCategoryBlob() { FreeCategoryBlob(&m_blob); }
    COwnedCategoryBlob(const COwnedCategoryBlob&) = delete;
    COwnedCategoryBlob& operator=(const COwnedCategoryBlob&) = delete;

    // The blob, for Categories2BLOB to rebuild (it frees the old bytes) and
    // for FreeCategoryBlob to empty early.
    _CEBLOB* Get() { return &m_blob; }
    const _CEBLOB* Get() const { return &m_blob; }
    const _CEBLOB& operator*() const { return m_blob; }
    const _CEBLOB* operator->() const { return &m_blob; }

private:
    _CEBLOB m_blob{0, nullptr};
};

// Frees the blob's old bytes, then builds the blob of the list's categories.
// Categories with a negative index, or one of 8,192 and above (which no blob
// can hold), are skipped. False only when memory runs out (the blob is then
// empty).
KSTOOLS_API bool Categories2BLOB(_CEBLOB* blob, CePtrList<CFullCategory*>& list);
// Appends the index of every set bit, ascending. A blob shorter than 4 bytes
// gives nothing; bytes after the last whole word, and words past the first
// 1,024 bytes (whose bits can name no category), are not read.
KSTOOLS_API void BLOB2Categories(_CEBLOB blob, CePtrList<unsigned int>& indices);

// True when the item has every category of the filter: the filter has at
// least one word, the item at least as many, and each filter word's bits are
// all set in the item's word. Null blobs count as empty.
KSTOOLS_API bool CategoryAndFilter(const _CEBLOB* item, const _CEBLOB* filter);
// True when a word present in both blobs has a bit set in both.
KSTOOLS_API bool CategoryOrFilter(const _CEBLOB* item, const _CEBLOB* filter);
