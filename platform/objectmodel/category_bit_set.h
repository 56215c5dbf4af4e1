// The category bit set that items store their categories in: 32-bit
// little-endian words, category index i being bit i % 32 of word i / 32. A
// set is 4 * (highest word in use + 1) bytes long; no categories is no bytes.
// Readers build it in 1,024 bytes, so indices run from 0 to 8,191.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

class KSTOOLS_API CategoryBitSet {
public:
    static constexpr DWORD kMaxBytes = 1024;
    static constexpr int kIndexLimit = static_cast<int>(kMaxBytes * 8);

    // The indices set in count bytes, ascending. Only whole words are read
    // (a set shorter than 4 bytes holds nothing), and only the first
    // 1,024 bytes, whose bits are the only ones that can name a category.
    // Null bytes hold nothing.
    static std::vector<int> Indices(const BYTE* bytes, size_t count);
    static std::vector<int> Indices(const std::vector<BYTE>& bytes) { return Indices(bytes.data(), bytes.size()); }

    // The bytes of a set of indices; indices outside 0..8,191 are skipped,
    // and repeats count once. Empty when no index is left.
    static std::vector<BYTE> Bytes(const std::vector<int>& indices);

    // Clears the bits of indices in a stored set and drops the zero words
    // this leaves at its end (a set left empty is no bytes); other bytes stay
    // as they are. True when a bit was cleared.
    static bool Clear(std::vector<BYTE>& bytes, const std::vector<int>& indices);

    // Word j of a set (little-endian whatever the host; the bytes need not
    // be aligned). The caller makes sure the word lies within the bytes.
    static DWORD WordAt(const BYTE* bytes, size_t j);
};
