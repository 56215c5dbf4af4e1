// Stored records from arbitrary bytes: the decoder either refuses them or
// gives properties that point inside the bytes, encode back to exactly those
// bytes, and are read into a block alike and sorted on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objectstore/cedb_record_block.h"
#include "platform/objectstore/cedb_record_codec.h"
#include "platform/objectstore/cedb_sort_key.h"

using namespace platform::cedb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<StoredProp> props;
    // The read block made straight from the bytes refuses what the decoder
    // refuses.
    RecordBlock block;
    const bool decoded = DecodeRecord(bytes, props) == 0;
    if ((block.Assign(bytes, nullptr, 0) == 0) != decoded) std::abort();
    if (!decoded) return 0;
    for (const auto& p : props) {
        size_t n = TypeFromPropID(p.id) == CEVT_LPWSTR ? p.length * size_t{2} : p.length;
        if (n && (p.data < data || p.data + n > data + size)) std::abort();
    }
    if (EncodeRecord(props) != bytes) std::abort();

    // It agrees with the decoder for every property, and for the ids
    // listed in reverse with one the record lacks.
    if (block.Count() != props.size()) std::abort();
    std::vector<uint64_t> memory((block.Bytes() + 7) / 8 + 1);
    block.Fill(reinterpret_cast<BYTE*>(memory.data()));
    auto* values = reinterpret_cast<const CEPROPVAL*>(memory.data());
    for (WORD i = 0; i < block.Count(); ++i) {
        if (values[i].propid != props[i].id) std::abort();
        if (TypeFromPropID(values[i].propid) == CEVT_LPWSTR && values[i].val.lpwstr[props[i].length] != 0) std::abort();
    }
    std::vector<CEPROPID> listed;
    for (auto it = props.rbegin(); it != props.rend(); ++it) listed.push_back(it->id);
    listed.push_back(MAKEPROPID(0xFFFF, CEVT_I4));
    if (HasRepeatedIds(listed.data(), listed.size())) listed.pop_back();
    if (block.Assign(bytes, listed.data(), static_cast<WORD>(listed.size())) != 0) std::abort();
    memory.assign((block.Bytes() + 7) / 8 + 1, 0);
    block.Fill(reinterpret_cast<BYTE*>(memory.data()));
    values = reinterpret_cast<const CEPROPVAL*>(memory.data());
    for (WORD i = 0; i < block.Count(); ++i) {
        bool lacked = i >= props.size();
        if (values[i].propid != listed[i] || ((values[i].wFlags & CEDB_PROPNOTFOUND) != 0) != lacked) std::abort();
    }

    static const SortKeyBuilder keys("en_US");
    for (const auto& p : props) {
        SORTORDERSPEC sortOrder{p.id, static_cast<DWORD>(p.id & 0xF)};
        std::string key = keys.RecordKey(sortOrder, &p);
        if (key.empty()) std::abort();
    }
    return 0;
}
