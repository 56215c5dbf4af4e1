#include "categories/category_blob.h"

#include <cstring>

#include "platform/local_memory.h"

namespace {

DWORD WordCount(const _CEBLOB* blob)
{
    if (!blob || !blob->lpb) return 0;
    return blob->dwCount / 4;
}

// Words are little-endian whatever the host, and blob bytes need not be
// aligned.
DWORD WordAt(const _CEBLOB* blob, DWORD j)
{
    const BYTE* p = blob->lpb + 4 * static_cast<size_t>(j);
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

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

    BYTE block[kCategoryBlobBytes] = {};
    DWORD count = 4;
    for (CFullCategory* category : list) {
        if (!category || category->m_index < 0 || category->m_index >= kCategoryIndexLimit) continue;
        const int i = category->m_index;
        block[4 * (i / 32) + (i % 32) / 8] |= static_cast<BYTE>(1u << (i % 8));
        const DWORD needed = 4 * static_cast<DWORD>(i / 32 + 1);
        if (needed > count) count = needed;
    }
    auto* bytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, count));
    if (!bytes) return false;
    std::memcpy(bytes, block, count);
    blob->lpb = bytes;
    blob->dwCount = count;
    return true;
}

void BLOB2Categories(_CEBLOB blob, CePtrList<unsigned int>& indices)
{
    DWORD words = WordCount(&blob);
    if (words > kCategoryBlobBytes / 4) words = kCategoryBlobBytes / 4;
    for (DWORD j = 0; j < words; ++j) {
        const DWORD word = WordAt(&blob, j);
        if (!word) continue;
        for (unsigned bit = 0; bit < 32; ++bit)
            if (word & (1u << bit)) indices.Append(32 * j + bit);
    }
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
