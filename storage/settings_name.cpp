#include "storage/settings_name.h"

#include <bit>
#include <cstring>

#include "platform/text/wide_string.h"

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

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

namespace {

// Folds the capitals of a block of four ASCII units at once: adding
// 0x80 - 'A' sets a lane's bit 7 from 'A' up, adding 0x80 - 'Z' - 1 from past
// 'Z' on, so their difference marks the capitals; lanes stay below 0x100, so
// nothing carries into the next lane.
inline std::uint64_t FoldAsciiBlock(std::uint64_t block)
{
    constexpr std::uint64_t kLanes = 0x0001000100010001ull;
    std::uint64_t fromA = block + kLanes * (0x80 - u'A');
    std::uint64_t pastZ = block + kLanes * (0x80 - u'Z' - 1);
    return block | (((fromA ^ pastZ) & (kLanes * 0x80)) >> 2);
}

// Four units as one block, the first in the low lane.
inline std::uint64_t LoadBlock(const WCHAR* units)
{
    std::uint64_t block = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&block, units, sizeof block);
    } else {
        for (int k = 0; k < 4; ++k) block |= static_cast<std::uint64_t>(units[k]) << (16 * k);
    }
    return block;
}

// Four units folded one by one: the block any name gets, ASCII or not.
inline std::uint64_t FoldEachBlock(const WCHAR* units)
{
    std::uint64_t block = 0;
    for (int k = 0; k < 4; ++k) block |= static_cast<std::uint64_t>(Fold(units[k])) << (16 * k);
    return block;
}

constexpr std::uint64_t kOdd1 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kOdd2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80ull;

// The two running products of a name of at least four units. It is taken
// in blocks of four, two blocks per step into the two products, so that the
// multiplications overlap. Blocks sixteen units apart share a step: an ASCII
// unit needs seven bits of its 16-bit lane, so a block and the next but one
// moved up by seven bits fit one 64-bit word without losing a bit, and the
// long names of sections cost half the multiplications. Then come eight
// units as two plain blocks, a lone block into the first product, and the
// last four units (overlapping the block before) into the second.
struct Products {
    std::uint64_t a;
    std::uint64_t b;
};

constexpr int kPairShift = 7;

// With every block folded unit by unit (any name).
Products MixFoldedEach(const WCHAR* p, size_t n, Products h)
{
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const std::uint64_t b0 = FoldEachBlock(p + i), b1 = FoldEachBlock(p + i + 4);
        const std::uint64_t b2 = FoldEachBlock(p + i + 8), b3 = FoldEachBlock(p + i + 12);
        // Only seven-bit units share a word without losing bits; other
        // units take a step each (a name holding them never equals an ASCII
        // name, so its products need not match the ASCII path's).
        if (((b0 | b1 | b2 | b3) & kNotAscii) == 0) {
            h.a = (h.a ^ (b0 | b2 << kPairShift)) * kOdd1;
            h.b = (h.b ^ (b1 | b3 << kPairShift)) * kOdd2;
        } else {
            h.a = (h.a ^ b0) * kOdd1;
            h.b = (h.b ^ b1) * kOdd2;
            h.a = (h.a ^ b2) * kOdd1;
            h.b = (h.b ^ b3) * kOdd2;
        }
    }
    if (i + 8 <= n) {
        h.a = (h.a ^ FoldEachBlock(p + i)) * kOdd1;
        h.b = (h.b ^ FoldEachBlock(p + i + 4)) * kOdd2;
        i += 8;
    }
    if (i + 4 <= n) {
        h.a = (h.a ^ FoldEachBlock(p + i)) * kOdd1;
        i += 4;
    }
    if (i < n) h.b = (h.b ^ FoldEachBlock(p + n - 4)) * kOdd2;
    return h;
}

#if defined(__SSE2__) && defined(__x86_64__)
// Eight units with their ASCII capitals folded. A unit is a capital when
// unit - 'A' is below 26 unsigned; moved down by 0x8000 more, those are the
// lowest 26 signed values.
inline __m128i FoldCapitals(__m128i v)
{
    const __m128i toBottom = _mm_set1_epi16(static_cast<short>(0x8000 + u'A'));
    const __m128i pastZ = _mm_set1_epi16(static_cast<short>(-0x8000 + 26));
    const __m128i capital = _mm_cmplt_epi16(_mm_sub_epi16(v, toBottom), pastZ);
    return _mm_or_si128(v, _mm_and_si128(capital, _mm_set1_epi16(0x20)));
}

inline __m128i Load8(const WCHAR* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

inline void MixVector(Products& h, __m128i v)
{
    h.a = (h.a ^ static_cast<std::uint64_t>(_mm_cvtsi128_si64(v))) * kOdd1;
    h.b = (h.b ^ static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)))) * kOdd2;
}
#endif

// The same products for an ASCII name, with many units folded at a time;
// false when a unit is not ASCII (the products are then of no use).
bool MixAscii(const WCHAR* p, size_t n, Products& h)
{
    size_t i = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    __m128i seen = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = Load8(p + i);
        const __m128i w = Load8(p + i + 8);
        seen = _mm_or_si128(seen, _mm_or_si128(v, w));
        MixVector(h, _mm_or_si128(FoldCapitals(v), _mm_slli_epi16(FoldCapitals(w), kPairShift)));
    }
    if (i + 8 <= n) {
        const __m128i v = Load8(p + i);
        seen = _mm_or_si128(seen, v);
        MixVector(h, FoldCapitals(v));
        i += 8;
    }
    const __m128i wide = _mm_and_si128(seen, _mm_set1_epi16(static_cast<short>(0xFF80)));
    std::uint64_t seenBlock = _mm_movemask_epi8(_mm_cmpeq_epi8(wide, _mm_setzero_si128())) == 0xFFFF ? 0 : kNotAscii;
#else
    std::uint64_t seenBlock = 0;
    for (; i + 16 <= n; i += 16) {
        std::uint64_t x = LoadBlock(p + i), y = LoadBlock(p + i + 4);
        std::uint64_t x2 = LoadBlock(p + i + 8), y2 = LoadBlock(p + i + 12);
        seenBlock |= x | y | x2 | y2;
        h.a = (h.a ^ (FoldAsciiBlock(x) | FoldAsciiBlock(x2) << kPairShift)) * kOdd1;
        h.b = (h.b ^ (FoldAsciiBlock(y) | FoldAsciiBlock(y2) << kPairShift)) * kOdd2;
    }
    if (i + 8 <= n) {
        std::uint64_t x = LoadBlock(p + i), y = LoadBlock(p + i + 4);
        seenBlock |= x | y;
        h.a = (h.a ^ FoldAsciiBlock(x)) * kOdd1;
        h.b = (h.b ^ FoldAsciiBlock(y)) * kOdd2;
        i += 8;
    }
#endif
    if (i + 4 <= n) {
        std::uint64_t x = LoadBlock(p + i);
        seenBlock |= x;
        h.a = (h.a ^ FoldAsciiBlock(x)) * kOdd1;
        i += 4;
    }
    if (i < n) {
        std::uint64_t x = LoadBlock(p + n - 4);
        seenBlock |= x;
        h.b = (h.b ^ FoldAsciiBlock(x)) * kOdd2;
    }
    return (seenBlock & kNotAscii) == 0;
}

}  // namespace

std::uint64_t NameHash(std::u16string_view name)
{
    const WCHAR* p = name.data();
    const size_t n = name.size();
    const Products seed{0xcbf29ce484222325ull ^ n, 0x84222325cbf29ce4ull};
    Products h = seed;
    if (n < 4) {
        for (size_t i = 0; i < n; ++i) h.b = (h.b ^ Fold(p[i])) * kOdd2;
    } else if (!MixAscii(p, n, h)) {
        h = MixFoldedEach(p, n, seed);
    }
    // One final mix spreads the bits.
    std::uint64_t hash = h.a ^ (h.b * 0xFF51AFD7ED558CCDull);
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 29);
}

std::uint64_t NameTailKey(std::u16string_view name)
{
    const size_t n = name.size();
    std::uint64_t tail = 0;
    if (n >= 4) {
        const WCHAR* last = name.data() + n - 4;
        tail = LoadBlock(last);
        tail = (tail & kNotAscii) == 0 ? FoldAsciiBlock(tail) : FoldEachBlock(last);
    } else {
        for (size_t i = 0; i < n; ++i) tail |= static_cast<std::uint64_t>(Fold(name[i])) << (16 * i);
    }
    // The high units reach the low half before the product, whose top bits
    // place the key in a table.
    std::uint64_t key = tail ^ (static_cast<std::uint64_t>(n) << 48 | n);
    return (key ^ (key >> 32)) * kOdd1;
}

}  // namespace settings
