#include "storage/settings_name.h"

#include <bit>
#include <cstring>

#include "platform/text/wide_string.h"

namespace settings {
namespace {

// ASCII is by far the common case; only other units go through the table.
inline WCHAR Fold(WCHAR c)
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 0x20) : c;
    return towlower(c);
}

}  // namespace

bool NamesEqual(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

// Folds the capitals of a block of four ASCII units at once: adding
// 0x80 - 'A' sets a lane's bit 7 from 'A' up, adding 0x80 - 'Z' - 1 from past
// 'Z' on, so their difference marks the capitals; lanes stay below 0x100, so
// nothing carries into the next lane.
inline std::uint64_t FoldBlock(const WCHAR* units)
{
    constexpr std::uint64_t kLanes = 0x0001000100010001ull;
    constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80ull;
    std::uint64_t block = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&block, units, sizeof block);
    } else {
        for (int k = 0; k < 4; ++k) block |= static_cast<std::uint64_t>(units[k]) << (16 * k);
    }
    if ((block & kNotAscii) == 0) {
        std::uint64_t fromA = block + kLanes * (0x80 - u'A');
        std::uint64_t pastZ = block + kLanes * (0x80 - u'Z' - 1);
        return block | (((fromA ^ pastZ) & (kLanes * 0x80)) >> 2);
    }
    block = 0;
    for (int k = 0; k < 4; ++k) block |= static_cast<std::uint64_t>(Fold(units[k])) << (16 * k);
    return block;
}

std::uint64_t NameHash(std::u16string_view name)
{
    // Eight units per step into two independent products, so that the
    // multiplications overlap; one final mix spreads the bits.
    constexpr std::uint64_t kOdd1 = 0x9E3779B97F4A7C15ull;
    constexpr std::uint64_t kOdd2 = 0xC2B2AE3D27D4EB4Full;
    std::uint64_t a = 0xcbf29ce484222325ull ^ name.size();
    std::uint64_t b = 0x84222325cbf29ce4ull;
    const WCHAR* p = name.data();
    size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        a = (a ^ FoldBlock(p + i)) * kOdd1;
        b = (b ^ FoldBlock(p + i + 4)) * kOdd2;
    }
    if (i + 4 <= name.size()) {
        a = (a ^ FoldBlock(p + i)) * kOdd1;
        i += 4;
    }
    for (; i < name.size(); ++i) b = (b ^ Fold(p[i])) * kOdd2;
    std::uint64_t hash = a ^ (b * 0xFF51AFD7ED558CCDull);
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 29);
}

}  // namespace settings
