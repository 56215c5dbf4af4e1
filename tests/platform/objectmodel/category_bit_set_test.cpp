// The category bit set: bytes of index sets and the way back.
#include "platform/objectmodel/category_bit_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using Indices = std::vector<int>;

constexpr int kLimit = CategoryBitSet::kIndexLimit;

TEST(CategoryBitSet, IndicesAndTheirLittleEndianWordsBothWaysAndReadingTakesWholeWords)
{
    // Words are little-endian and only as many as the highest index needs.
    const struct {
        Indices indices;
        Bytes bytes;
    } rows[] = {
        {{}, {}},
        {{0}, {0x01, 0, 0, 0}},
        {{33}, {0, 0, 0, 0, 0x02, 0, 0, 0}},
        {{9, 31}, {0, 0x02, 0, 0x80}},
        {{2, 70}, {0x04, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.indices));
        EXPECT_EQ(CategoryBitSet::Bytes(row.indices), row.bytes);
        EXPECT_EQ(CategoryBitSet::Indices(row.bytes), row.indices);
    }
    const Bytes last = CategoryBitSet::Bytes({kLimit - 1});
    ASSERT_EQ(last.size(), CategoryBitSet::kMaxBytes);
    EXPECT_EQ(last.back(), 0x80);
    // Indices no set can hold are skipped and make the set no longer; repeats count once.
    EXPECT_TRUE(CategoryBitSet::Bytes({-1, kLimit, 40000}).empty());
    EXPECT_EQ(CategoryBitSet::Bytes({70, 2}), rows[4].bytes);
    EXPECT_EQ(CategoryBitSet::Bytes({-300, 5, kLimit, 5}), (Bytes{0x20, 0, 0, 0}));

    Bytes tooLong(CategoryBitSet::kMaxBytes + 8, 0);
    tooLong[CategoryBitSet::kMaxBytes - 1] = 0x80;
    tooLong[CategoryBitSet::kMaxBytes] = 0x01;
    tooLong.back() = 0xFF;
    const struct {
        const char* what;
        Bytes bytes;
        Indices indices;
    } reads[] = {
        {"an empty word", {0, 0, 0, 0}, {}},
        {"shorter than a word", {0xFF, 0xFF, 0x01}, {}},
        {"a half word at the end", {0x01, 0, 0, 0, 0xFF, 0xFF}, {0}},
        {"bits past the last index", tooLong, {kLimit - 1}},
    };
    for (const auto& read : reads) EXPECT_EQ(CategoryBitSet::Indices(read.bytes), read.indices) << read.what;
    EXPECT_TRUE(CategoryBitSet::Indices(nullptr, 8).empty()) << "a count without bytes";
    const BYTE raw[] = {0xEE, 0x00, 0x01, 0x00, 0x00};  // words need no alignment
    EXPECT_EQ(CategoryBitSet::WordAt(raw + 1, 0), 0x00000100u);
    EXPECT_EQ(CategoryBitSet::Indices(raw + 1, 4), Indices{8});
}

TEST(CategoryBitSet, RandomSetsComeBackAsTheirSortedDistinctIndices)
{
    std::mt19937 rng(1213);
    for (int round = 0; round < 300; ++round) {
        Indices indices(rng() % 10);
        for (int& i : indices) {
            const unsigned pick = rng() % 3, r = rng();  // low, anywhere, or near the limit
            i = pick == 0   ? static_cast<int>(r % 64)
                : pick == 1 ? static_cast<int>(r % kLimit)
                            : kLimit - 1 - static_cast<int>(r % 40);
        }
        const std::set<int> distinct(indices.begin(), indices.end());
        const Bytes bytes = CategoryBitSet::Bytes(indices);
        EXPECT_EQ(CategoryBitSet::Indices(bytes), Indices(distinct.begin(), distinct.end())) << "round " << round;
        const size_t size = distinct.empty() ? 0 : 4 * static_cast<size_t>(*distinct.rbegin() / 32 + 1);
        EXPECT_EQ(bytes.size(), size) << "round " << round;
    }
}

}  // namespace
