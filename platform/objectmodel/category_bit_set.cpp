#include "platform/objectmodel/category_bit_set.h"

#include <algorithm>

DWORD CategoryBitSet::WordAt(const BYTE* bytes, size_t j)
{
    const BYTE* p = bytes + 4 * j;
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

std::vector<int> CategoryBitSet::Indices(const BYTE* bytes, size_t count)
{
    std::vector<int> indices;
    if (!bytes) return indices;
    const size_t words = std::min<size_t>(count / 4, kMaxBytes / 4);
    for (size_t j = 0; j < words; ++j) {
        const DWORD word = WordAt(bytes, j);
        if (!word) continue;
        for (int bit = 0; bit < 32; ++bit)
            if (word & (1u << bit)) indices.push_back(static_cast<int>(32 * j) + bit);
    }
    return indices;
}

std::vector<BYTE> CategoryBitSet::Bytes(const std::vector<int>& indices)
{
    int highest = -1;
    for (int index : indices)
        if (index >= 0 && index < kIndexLimit) highest = std::max(highest, index);
    if (highest < 0) return {};
    std::vector<BYTE> bytes(4 * static_cast<size_t>(highest / 32 + 1), 0);
    for (int index : indices) {
        if (index < 0 || index >= kIndexLimit) continue;
        bytes[4 * static_cast<size_t>(index / 32) + static_cast<size_t>(index % 32) / 8] |=
            static_cast<BYTE>(1u << (index % 8));
    }
    return bytes;
}

bool CategoryBitSet::Clear(std::vector<BYTE>& bytes, const std::vector<int>& indices)
{
    bool cleared = false;
    const size_t wholeWords = bytes.size() / 4 * 4;
    for (int index : indices) {
        if (index < 0 || index >= kIndexLimit) continue;
        const size_t at = static_cast<size_t>(index / 8);  // words are little-endian: byte order is bit order
        const auto bit = static_cast<BYTE>(1u << (index % 8));
        if (at >= wholeWords || !(bytes[at] & bit)) continue;
        bytes[at] &= static_cast<BYTE>(~bit);
        cleared = true;
    }
    while (cleared && bytes.size() % 4 == 0 && !bytes.empty() && !WordAt(bytes.data(), bytes.size() / 4 - 1))
        bytes.resize(bytes.size() - 4);
    return cleared;
}
