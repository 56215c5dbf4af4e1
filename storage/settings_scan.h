// Finding a character in the loaded text of a settings file. The files are
// large and their lines short, so the reader and the writer look for line
// ends and section brackets through the C library's memchr, which scans many
// bytes at a time, rather than unit by unit.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

#include "platform/base/types.h"

namespace settings {

// The first unit c (below 0x100) at or after p, or end. A memchr hit counts
// only at a unit's low byte with a zero high byte (little-endian units).
inline const WCHAR* FindUnit(const WCHAR* p, const WCHAR* end, WCHAR c)
{
    if constexpr (std::endian::native == std::endian::little) {
        const char* bytes = reinterpret_cast<const char*>(p);
        const char* last = reinterpret_cast<const char*>(end);
        while (bytes < last) {
            const void* hit = std::memchr(bytes, c, static_cast<size_t>(last - bytes));
            if (!hit) return end;
            const char* at = static_cast<const char*>(hit);
            size_t offset = static_cast<size_t>(at - reinterpret_cast<const char*>(p));
            if (offset % 2 == 0 && at + 1 < last && at[1] == 0) return p + offset / 2;
            bytes = at + 1;
        }
        return end;
    } else {
        while (p < end && *p != c) ++p;
        return p;
    }
}

}  // namespace settings
