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

bool IsKnownType(WORD type);

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
