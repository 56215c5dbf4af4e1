#include "categories/category_blob.h"

#include <cstring>
#include <vector>

#include "platform/objectmodel/category_bit_set.h"
#include "platform/base/local_memory.h"

namespace {

DWORD WordCount(const _CEBLOB* blob)
{
    if (!blob || !blob->lpb) return 0;
    return blob->dwCount / 4;
}

DWORD WordAt(const _CEBLOB* blob, DWORD j) { return CategoryBitSet::WordAt(blob->lpb, j); }

}  // namespace

void FreeCategoryBlob(_CEBLOB* blob)
{
    if (!blob) return;
    if (blob->lpb) LocalFree(blob->lpb);
    blob->lpb = nullptr;
    blob->dwCount = 0;
}

bool Categories2BLOB(_CEBLOB* blob, CePtrList<CFullCategory*>& list)
{
    if (!blob) return false;
    FreeCategoryBlob(blob);
    if (list.IsEmpty()) return true;

    std::vector<int> indices;
    for (CFullCategory* category : list)
        if (category) indices.push_back(category->m_index);
    std::vector<BYTE> set = CategoryBitSet::Bytes(indices);
    // A list with categories is never no blob: when none of them has an
    // index a blob can hold, it is one empty word.
    if (set.empty()) set.assign(4, 0);
    auto* bytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, set.size()));
    if (!bytes) return false;
    std::memcpy(bytes, set.data(), set.size());
    blob->lpb = bytes;
    blob->dwCount = static_cast<DWORD>(set.size());
    return true;
}

void BLOB2Categories(_CEBLOB blob, CePtrList<unsigned int>& indices)
{
    for (int index : CategoryBitSet::Indices(blob.lpb, blob.dwCount)) indices.Append(static_cast<unsigned int>(index));
}

bool CategoryAndFilter(const _CEBLOB* item, const _CEBLOB* filter)
{
    const DWORD n = WordCount(item);
    const DWORD m = WordCount(filter);
    if (m == 0 || n < m) return false;
    for (DWORD j = 0; j < m; ++j) {
        const DWORD wanted = WordAt(filter, j);
        if ((WordAt(item, j) & wanted) != wanted) return false;
    }
    return true;
}

bool CategoryOrFilter(const _CEBLOB* item, const _CEBLOB* filter)
{
    const DWORD n = WordCount(item);
    const DWORD m = WordCount(filter);
    const DWORD common = n < m ? n : m;
    for (DWORD j = 0; j < common; ++j)
        if (WordAt(item, j) & WordAt(filter, j)) return true;
    return false;
}
