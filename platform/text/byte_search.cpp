#include "platform/text/byte_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

size_t FindBytes(std::string_view text, std::string_view piece, size_t from)
{
    const size_t n = piece.size();
    if (n == 0 || from > text.size() || text.size() - from < n) return std::string_view::npos;
    const char* const base = text.data();
    const size_t lastStart = text.size() - n;
    size_t at = from;
#if defined(__SSE2__)
    if (n > 1) {
        // A place can start the piece only where its byte is the piece's
        // first and the byte n - 1 further on is the piece's last; the
        // middle is compared only there. Both loads stay inside the text.
        const __m128i first = _mm_set1_epi8(piece[0]);
        const __m128i last = _mm_set1_epi8(piece[n - 1]);
        for (; at + 15 <= lastStart; at += 16) {
            const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
            const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at + n - 1));
            auto mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
            while (mask != 0) {
                const auto bit = static_cast<size_t>(__builtin_ctz(mask));
                if (std::memcmp(base + at + bit + 1, piece.data() + 1, n - 2) == 0) return at + bit;
                mask &= mask - 1;
            }
        }
    }
#endif
    // The rest (or everything): the first byte found by memchr, then the others compared.
    while (at <= lastStart) {
        const auto* found = static_cast<const char*>(std::memchr(base + at, piece[0], lastStart - at + 1));
        if (!found) return std::string_view::npos;
        at = static_cast<size_t>(found - base);
        if (std::memcmp(found + 1, piece.data() + 1, n - 1) == 0) return at;
        ++at;
    }
    return std::string_view::npos;
}

}  // namespace platform
