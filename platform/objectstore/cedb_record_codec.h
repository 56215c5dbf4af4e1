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

bool IsKnownType(WORD type);

// One of 64 bits for a property identifier: a set of these bits tells at
// once that a list lacks an identifier.
inline std::uint64_t PropIdBit(CEPROPID id) { return std::uint64_t{1} << ((id * 0x9E3779B1u) >> 26); }

// Reads a stored record's properties one at a time, in stored order, checking
// every length against what is left; the properties point into the bytes.
// Every reader of stored records walks them with this, so that a read can
// pick the properties it wants straight from the stored bytes.
class RecordReader {
public:
    explicit RecordReader(std::string_view bytes);
    // The count the record states (0 when its header is damaged).
    WORD Count() const { return count_; }
    // The next property into `out`; false after the last one or at damage.
    bool Next(StoredProp& out);
    // After the walk: ERROR_SUCCESS when every stated property was read, no
    // byte is left over and no property identifier repeats, else
    // ERROR_FILE_CORRUPT.
    DWORD Finish();

private:
    bool Seen(CEPROPID id);

    const BYTE* p_ = nullptr;
    const BYTE* end_ = nullptr;
    WORD count_ = 0;
    WORD read_ = 0;
    bool damaged_ = false;
    // The identifiers read so far: a bit each tells most apart at once, and
    // only an identifier whose bit is taken is compared with the ones before
    // it. Records of more than kSeenMax properties are checked at the end.
    static constexpr WORD kSeenMax = 64;
    std::uint64_t bits_ = 0;
    CEPROPID seen_[kSeenMax];
    std::vector<CEPROPID> many_;
};

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

namespace platform::cedb {

inline bool RecordReader::Seen(CEPROPID id)
{
    if (count_ > kSeenMax) {
        many_.push_back(id);
        return false;
    }
    const std::uint64_t bit = PropIdBit(id);
    if (bits_ & bit)
        for (WORD i = 0; i < read_; ++i)
            if (seen_[i] == id) return true;
    bits_ |= bit;
    seen_[read_] = id;
    return false;
}

inline bool RecordReader::Next(StoredProp& out)
{
    if (read_ >= count_ || damaged_) return false;
    // Fields are loaded in place with sizes the compiler sees.
    const size_t left = static_cast<size_t>(end_ - p_);
    if (left < 4) return damaged_ = true, false;
    std::memcpy(&out.id, p_, 4);
    out.value = CEVALUNION{};
    out.data = nullptr;
    out.length = 0;
    const size_t rest = left - 4;
    const BYTE* v = p_ + 4;
    size_t taken;
    switch (TypeFromPropID(out.id)) {
        case CEVT_I2:
        case CEVT_UI2:
            taken = 2;
            if (rest >= 2) std::memcpy(&out.value, v, 2);
            break;
        case CEVT_I4:
        case CEVT_UI4:
        case CEVT_BOOL:
            taken = 4;
            if (rest >= 4) std::memcpy(&out.value, v, 4);
            break;
        case CEVT_R8:
        case CEVT_FILETIME:
            taken = 8;
            if (rest >= 8) std::memcpy(&out.value, v, 8);
            break;
        case CEVT_LPWSTR:
        case CEVT_BLOB: {
            if (rest < 4) return damaged_ = true, false;
            DWORD length;
            std::memcpy(&length, v, 4);
            const size_t n = TypeFromPropID(out.id) == CEVT_LPWSTR ? static_cast<size_t>(length) * 2 : length;
            if (n > rest - 4) return damaged_ = true, false;
            taken = 4 + n;
            out.data = v + 4;
            out.length = length;
            break;
        }
        default:
            return damaged_ = true, false;
    }
    if (taken > rest || Seen(out.id)) return damaged_ = true, false;
    p_ = v + taken;
    ++read_;
    return true;
}

}  // namespace platform::cedb
