#include "platform/objectmodel/outlook_category_text.h"

#include <algorithm>

#include "platform/objectmodel/category_bit_set.h"
#include "platform/objectmodel/category_database.h"
#include "platform/base/error_codes.h"
#include "platform/objectmodel/outlook_note.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/wide_string.h"

namespace {

struct CategoryEntry {
    std::u16string name;
    int index;
};

// Every category record with a name and an index, the database made first
// when it is missing.
bool ReadCategories(std::vector<CategoryEntry>& entries)
{
    if (!PimDatabases::Oid(kCategoriesDatabase)) return false;
    std::vector<CategoryRecord> records;
    if (!CategoryDatabase::ReadAll(records)) return false;
    for (const CategoryRecord& record : records)
        if (!record.name.empty() && record.index >= 0) entries.push_back({record.name, record.index});
    return true;
}

std::u16string Trim(std::u16string_view text)
{
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return std::u16string(text.substr(first, last - first));
}

const CategoryEntry* FindByName(const std::vector<CategoryEntry>& entries, const std::u16string& name)
{
    for (const CategoryEntry& entry : entries)
        if (_wcsicmp(entry.name.c_str(), name.c_str()) == 0) return &entry;
    return nullptr;
}

}  // namespace

std::vector<int> OutlookCategoryText::IndicesFromBlob(const std::vector<BYTE>& blob)
{
    return CategoryBitSet::Indices(blob);
}

std::vector<BYTE> OutlookCategoryText::BlobFromIndices(const std::vector<int>& indices)
{
    return CategoryBitSet::Bytes(indices);
}

std::u16string OutlookCategoryText::TextFromBlob(const std::vector<BYTE>& blob)
{
    const std::vector<int> indices = IndicesFromBlob(blob);
    if (indices.empty()) return {};
    std::vector<CategoryEntry> entries;
    ReadCategories(entries);
    std::u16string text;
    for (int index : indices) {
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [index](const CategoryEntry& entry) { return entry.index == index; });
        if (found == entries.end()) continue;
        if (!text.empty()) text += u", ";
        text += found->name;
    }
    return text;
}

HRESULT OutlookCategoryText::BlobFromText(std::u16string_view text, std::vector<BYTE>* blob)
{
    if (!blob) return E_POINTER;
    std::vector<std::u16string> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(u',', start);
        if (comma == std::u16string_view::npos) comma = text.size();
        std::u16string name = Trim(text.substr(start, comma - start));
        if (!name.empty()) names.push_back(std::move(name));
        start = comma + 1;
    }
    std::vector<CategoryEntry> entries;
    if (!names.empty() && !ReadCategories(entries)) return OutlookLastErrorResult();
    std::vector<int> indices;
    for (const std::u16string& name : names) {
        if (name.size() >= 256) return E_FIELDTOOLARGE;
        const CategoryEntry* entry = FindByName(entries, name);
        if (!entry) {
            std::vector<int> used;
            for (const CategoryEntry& e : entries) used.push_back(e.index);
            const int next = CategoryDatabase::LowestFreeIndex(used);
            if (next < 0) return E_FAIL;
            if (CategoryDatabase::Add(name.c_str(), static_cast<SHORT>(next)) != ERROR_SUCCESS)
                return OutlookLastErrorResult();
            entries.push_back({name, next});
            entry = &entries.back();
        }
        indices.push_back(entry->index);
    }
    *blob = BlobFromIndices(indices);
    return S_OK;
}

std::u16string OutlookCategoryText::Read(const OutlookItemRecord& record)
{
    const std::optional<std::vector<BYTE>> blob = record.Blob(kOutlookCategoriesProperty);
    return blob ? TextFromBlob(*blob) : std::u16string();
}

HRESULT OutlookCategoryText::Store(OutlookItemRecord& record, std::u16string_view text)
{
    std::vector<BYTE> blob;
    const HRESULT result = BlobFromText(text, &blob);
    if (FAILED(result)) return result;
    if (blob.empty())
        record.Remove(kOutlookCategoriesProperty);
    else
        record.SetBlob(kOutlookCategoriesProperty, std::move(blob));
    return S_OK;
}
