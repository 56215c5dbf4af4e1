#include "platform/outlook_category_text.h"

#include <algorithm>
#include <set>

#include "platform/handle.h"
#include "platform/local_memory.h"
#include "platform/outlook_note.h"
#include "platform/pim_databases.h"
#include "platform/pocket_outlook.h"
#include "platform/wide_string.h"

namespace {

constexpr CEPROPID kNameProperty = 0x4001001F;
constexpr CEPROPID kIndexProperty = 0x40020002;
// A blob is built in 1,024 bytes by the readers, so indices stop there.
constexpr int kIndexLimit = 8192;

struct CategoryEntry {
    std::u16string name;
    int index;
};

// Every category record with a name and an index.
bool ReadCategories(std::vector<CategoryEntry>& entries)
{
    CEOID oid = PimDatabases::Oid(kCategoriesDatabase);
    if (!oid) return false;
    HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, CEDB_AUTOINCREMENT, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    CEPROPID ids[] = {kNameProperty, kIndexProperty};
    LPBYTE block = nullptr;
    DWORD size = 0;
    for (;;) {
        WORD count = 2;
        if (!CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, ids, &block, &size)) break;
        const CEPROPVAL* props = reinterpret_cast<const CEPROPVAL*>(block);
        if ((props[0].wFlags & CEDB_PROPNOTFOUND) || (props[1].wFlags & CEDB_PROPNOTFOUND)) continue;
        if (!props[0].val.lpwstr || !props[0].val.lpwstr[0] || props[1].val.iVal < 0) continue;
        entries.push_back({props[0].val.lpwstr, props[1].val.iVal});
    }
    if (block) LocalFree(block);
    CloseHandle(db);
    return true;
}

HRESULT AddCategory(const std::u16string& name, int index)
{
    CEOID oid = PimDatabases::Oid(kCategoriesDatabase);
    if (!oid) return OutlookLastErrorResult();
    HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return OutlookLastErrorResult();
    std::u16string stored = name;
    CEPROPVAL props[2] = {};
    props[0].propid = kNameProperty;
    props[0].val.lpwstr = stored.data();
    props[1].propid = kIndexProperty;
    props[1].val.iVal = static_cast<short>(index);
    const CEOID written = CeWriteRecordProps(db, 0, 2, props);
    const HRESULT result = written ? S_OK : OutlookLastErrorResult();
    CloseHandle(db);
    return result;
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
    std::vector<int> indices;
    const size_t words = std::min<size_t>(blob.size() / 4, kIndexLimit / 32);
    for (size_t w = 0; w < words; ++w) {
        const DWORD word = static_cast<DWORD>(blob[4 * w]) | (static_cast<DWORD>(blob[4 * w + 1]) << 8) |
                           (static_cast<DWORD>(blob[4 * w + 2]) << 16) | (static_cast<DWORD>(blob[4 * w + 3]) << 24);
        for (int bit = 0; bit < 32; ++bit)
            if (word & (1u << bit)) indices.push_back(static_cast<int>(w * 32) + bit);
    }
    return indices;
}

std::vector<BYTE> OutlookCategoryText::BlobFromIndices(const std::vector<int>& indices)
{
    int highest = -1;
    for (int index : indices)
        if (index >= 0 && index < kIndexLimit) highest = std::max(highest, index);
    if (highest < 0) return {};
    std::vector<BYTE> blob(4 * static_cast<size_t>(highest / 32 + 1), 0);
    for (int index : indices) {
        if (index < 0 || index >= kIndexLimit) continue;
        blob[4 * static_cast<size_t>(index / 32) + static_cast<size_t>(index % 32) / 8] |=
            static_cast<BYTE>(1u << (index % 8));
    }
    return blob;
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
            std::set<int> used;
            for (const CategoryEntry& e : entries) used.insert(e.index);
            int next = 0;
            while (used.count(next)) ++next;
            if (next >= kIndexLimit) return E_FAIL;
            const HRESULT added = AddCategory(name, next);
            if (FAILED(added)) return added;
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
    if (blob.empty()) record.Remove(kOutlookCategoriesProperty);
    else record.SetBlob(kOutlookCategoriesProperty, std::move(blob));
    return S_OK;
}
