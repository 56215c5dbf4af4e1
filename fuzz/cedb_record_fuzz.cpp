// Stored records from arbitrary bytes: the decoder either refuses them or
// gives properties that point inside the bytes, encode back to exactly those
// bytes, and can be packed into a read block and sorted on.
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
    if (DecodeRecord(bytes, props) != 0) return 0;
    for (const auto& p : props) {
        size_t n = TypeFromPropID(p.id) == CEVT_LPWSTR ? p.length * size_t{2} : p.length;
        if (n && (p.data < data || p.data + n > data + size)) std::abort();
    }
    if (EncodeRecord(props) != bytes) std::abort();

    RecordBlock block(props, nullptr, 0);
    std::vector<uint64_t> memory((block.Bytes() + 7) / 8 + 1);
    block.Fill(reinterpret_cast<BYTE*>(memory.data()));
    auto* values = reinterpret_cast<const CEPROPVAL*>(memory.data());
    for (WORD i = 0; i < block.Count(); ++i) {
        if (values[i].propid != props[i].id) std::abort();
        if (TypeFromPropID(values[i].propid) == CEVT_LPWSTR && values[i].val.lpwstr[props[i].length] != 0) std::abort();
    }

    static const SortKeyBuilder keys("en_US");
    for (const auto& p : props) {
        SORTORDERSPEC sortOrder{p.id, static_cast<DWORD>(p.id & 0xF)};
        std::string key = keys.RecordKey(sortOrder, &p);
        if (key.empty()) std::abort();
    }
    return 0;
}
