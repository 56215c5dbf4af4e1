// The peers' own reading of a stored record, straight from the object
// store's SQLite file: little-endian fields and the property walk, so that a
// peer decodes the same information without the platform's record code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/objectstore/cedb.h"

namespace benchpeer {

inline std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

// Walks one stored record (version byte, 16-bit count, then per property a
// 32-bit id and a value sized by the id's type) calling take(id, bytes,
// length) with length in bytes. False when the bytes are not a record.
template <typename Take>
bool WalkRecord(const unsigned char* p, size_t size, Take take)
{
    if (size < 3 || p[0] != 1) return false;
    const unsigned count = Le16(p + 1);
    size_t at = 3;
    for (unsigned n = 0; n < count; ++n) {
        if (size - at < 4) return false;
        const CEPROPID id = Le32(p + at);
        at += 4;
        size_t length = 0;
        switch (id & 0xFFFF) {
            case CEVT_I2:
            case CEVT_UI2:
                length = 2;
                break;
            case CEVT_I4:
            case CEVT_UI4:
            case CEVT_BOOL:
                length = 4;
                break;
            case CEVT_R8:
            case CEVT_FILETIME:
                length = 8;
                break;
            case CEVT_LPWSTR:
            case CEVT_BLOB:
                if (size - at < 4) return false;
                length = Le32(p + at) * ((id & 0xFFFF) == CEVT_LPWSTR ? 2u : 1u);
                at += 4;
                break;
            default:
                return false;
        }
        if (size - at < length) return false;
        take(id, p + at, length);
        at += length;
    }
    return true;
}

}  // namespace benchpeer
