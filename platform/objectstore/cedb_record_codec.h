// How a record's properties are stored: one byte string per record.
//
//   version   1 byte (1)
//   count     16-bit little-endian
//   count times:
//     propid  32-bit little-endian (number and type)
//     value   by type: I2, UI2 2 bytes; I4, UI4, BOOL 4; R8, FILETIME 8
//             (little-endian); LPWSTR a 32-bit count of UTF-16 units and the
//             units (no terminator); BLOB a 32-bit byte count and the bytes
//
// The decoder trusts nothing: every length is checked against what is left,
// unknown types, repeated propids and trailing bytes make the record corrupt.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objectstore/cedb.h"

namespace platform::cedb {

// A record is refused beyond this size (ERROR_BAD_LENGTH).
constexpr size_t kMaxRecordBytes = 16u << 20;

// One property: scalars in `value`; strings (little-endian UTF-16 units, not
// necessarily aligned) and blobs in data/length, pointing into the encoded
// record or into the caller's values.
struct StoredProp {
    CEPROPID id = 0;
    CEVALUNION value{};
    const BYTE* data = nullptr;
    DWORD length = 0;  // units for strings, bytes for blobs
};

// The stored size of a value of a fixed-size type, 0 for strings, blobs and
// unknown types.
inline size_t FixedSize(WORD type)
{
    switch (type) {
        case CEVT_I2:
        case CEVT_UI2:
            return 2;
        case CEVT_I4:
        case CEVT_UI4:
        case CEVT_BOOL:
            return 4;
        case CEVT_R8:
        case CEVT_FILETIME:
            return 8;
        default:
            return 0;
    }
}

bool IsKnownType(WORD type);

// The walk over a stored record that every reader shares.
constexpr BYTE kRecordVersion = 1;

// The number of properties and where the first starts: false when the
// header is not well formed or the count cannot fit in the bytes (each
// property takes at least 6).
inline bool RecordHeader(std::string_view bytes, WORD* count, const BYTE** first)
{
    const auto* p = reinterpret_cast<const BYTE*>(bytes.data());
    if (bytes.size() < 3 || p[0] != kRecordVersion) return false;
    std::memcpy(count, p + 1, 2);
    *first = p + 3;
    return static_cast<size_t>(*count) * 6 <= bytes.size() - 3;
}

// The stored property at p, which ends before `end`: its id, and for a
// string or blob its length (units or bytes; its data follows the length).
// Returns where the next property starts, or null when this one runs past
// `end` or has an unknown type.
inline const BYTE* StepProp(const BYTE* p, const BYTE* end, CEPROPID* id, DWORD* length)
{
    if (end - p < 4) return nullptr;
    std::memcpy(id, p, 4);
    p += 4;
    const size_t left = static_cast<size_t>(end - p);
    const WORD type = TypeFromPropID(*id);
    size_t taken = FixedSize(type);
    if (!taken) {
        if ((type != CEVT_LPWSTR && type != CEVT_BLOB) || left < 4) return nullptr;
        std::memcpy(length, p, 4);
        taken = 4 + (type == CEVT_LPWSTR ? static_cast<size_t>(*length) * 2 : *length);
    }
    return taken <= left ? p + taken : nullptr;
}

// True when two of the ids are the same.
bool HasRepeatedIds(const CEPROPID* ids, size_t count);

// One of 64 bits for a property identifier: a set of these bits tells at
// once that a list lacks an identifier.
inline std::uint64_t PropIdBit(CEPROPID id) { return std::uint64_t{1} << ((id * 0x9E3779B1u) >> 26); }

// ERROR_SUCCESS, or ERROR_FILE_CORRUPT when the bytes are not a well-formed
// record. `out` points into `bytes`.
DWORD DecodeRecord(std::string_view bytes, std::vector<StoredProp>& out);

// The stored form of the properties, in their order.
std::string EncodeRecord(const std::vector<StoredProp>& props);

// A caller's value as a property (pointing into the caller's memory):
// ERROR_INVALID_PARAMETER for an unknown type or a blob with bytes but no
// pointer. A null string is stored as the empty string.
DWORD PropFromValue(const CEPROPVAL& value, StoredProp& out);

// Merges a write into a stored property list: each value replaces the
// property of the same propid or is appended; entries flagged
// CEDB_PROPDELETE remove it.
DWORD MergeProps(std::vector<StoredProp>& props, const CEPROPVAL* values, WORD count);

}  // namespace platform::cedb
