// Category blobs and category texts from arbitrary bytes. The input is read
// twice: as a blob, and as UTF-16 text up to its first 0 unit. Besides running
// clean under the sanitizers:
//  - the indices read from a blob, built into a blob again, read back the
//    same, and the rebuilt blob is never longer than 1,024 bytes;
//  - an item blob matches (AND and OR) the blob of its own categories;
//  - the text filter passes every text in an unknown mode, passes exactly the
//    empty texts when only uncategorised items are shown, and an item whose
//    text begins with a selected name passes an OR filter of that name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "categories/category_blob.h"
#include "categories/category_filter.h"

namespace {

std::vector<unsigned> Read(const _CEBLOB& blob)
{
    CePtrList<unsigned int> list;
    BLOB2Categories(blob, list);
    return std::vector<unsigned>(list.begin(), list.end());
}

void CheckBlob(const uint8_t* data, size_t size)
{
    std::vector<BYTE> bytes(data, data + size);
    _CEBLOB blob{static_cast<DWORD>(size), bytes.empty() ? nullptr : bytes.data()};
    const std::vector<unsigned> indices = Read(blob);
    for (size_t i = 1; i < indices.size(); ++i)
        if (indices[i - 1] >= indices[i]) std::abort();

    CePtrList<CFullCategory*> list;
    list.SetDeletePolicy(1);
    for (unsigned index : indices) list.Append(new CFullCategory(u"x", static_cast<SHORT>(index), 0));
    COwnedCategoryBlob rebuilt;
    if (!Categories2BLOB(rebuilt.Get(), list)) std::abort();
    if (rebuilt->dwCount > kCategoryBlobBytes || rebuilt->dwCount % 4) std::abort();
    if (Read(*rebuilt) != indices) std::abort();
    const bool any = !indices.empty();
    if (CategoryAndFilter(&blob, rebuilt.Get()) != any) std::abort();
    if (CategoryOrFilter(&blob, rebuilt.Get()) != any) std::abort();
}

void CheckText(const uint8_t* data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
    text = text.substr(0, text.find(u'\0'));

    CCategoryFilterInfo info;
    auto* selected = new CePtrList<CFullCategory*>();
    selected->Append(new CFullCategory(u"Work", 0, 0));
    selected->Append(new CFullCategory(u"", 1, 0));
    info.SetSelected(selected);
    for (LONG mode : {-1L, 0L, 1L, 2L}) {
        for (DWORD all : {0u, 1u}) {
            info.bHideCategories = mode;
            info.CategoryANDOR = all;
            const bool passes = CategoryFilterHighLevel(text.c_str(), &info);
            if (mode == 2 && !passes) std::abort();
            if (mode == -1 && passes != text.empty()) std::abort();
        }
    }
    info.bHideCategories = 0;
    info.CategoryANDOR = 0;
    const std::u16string item = u"Work," + text;
    if (!CategoryFilterHighLevel(item.c_str(), &info)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckBlob(data, size);
    CheckText(data, size);
    return 0;
}
