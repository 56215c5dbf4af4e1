// The category bit set: the exact bytes of sets of indices, the way back to
// indices, and what is left out (indices no set can hold, partial words,
// bytes past the last possible index).
#include "platform/objectmodel/category_bit_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using Indices = std::vector<int>;

// ---- Bytes from indices -------------------------------------------------

TEST(CategoryBitSetBytes, IndexThirtyThreeIsBitOneOfTheSecondWord)
{
    EXPECT_EQ(CategoryBitSet::Bytes({33}), (Bytes{0, 0, 0, 0, 0x02, 0, 0, 0}));
}

TEST(CategoryBitSetBytes, WordsAreLittleEndianAndOnlyAsLongAsTheHighestWord)
{
    EXPECT_EQ(CategoryBitSet::Bytes({0}), (Bytes{0x01, 0, 0, 0}));
    EXPECT_EQ(CategoryBitSet::Bytes({9, 31}), (Bytes{0, 0x02, 0, 0x80}));
    EXPECT_EQ(CategoryBitSet::Bytes({70, 2}), (Bytes{0x04, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0}));
    const Bytes last = CategoryBitSet::Bytes({CategoryBitSet::kIndexLimit - 1});
    ASSERT_EQ(last.size(), CategoryBitSet::kMaxBytes);
    EXPECT_EQ(last.back(), 0x80);
}

TEST(CategoryBitSetBytes, NoIndexIsNoBytesAndIndicesOutsideTheSetAreSkipped)
{
    EXPECT_TRUE(CategoryBitSet::Bytes({}).empty());
    EXPECT_TRUE(CategoryBitSet::Bytes({-1, CategoryBitSet::kIndexLimit, 40000}).empty());
    EXPECT_EQ(CategoryBitSet::Bytes({-300, 5, CategoryBitSet::kIndexLimit, 5}), (Bytes{0x20, 0, 0, 0}))
        << "skipped indices make the set no longer, repeats count once";
}

// ---- Indices from bytes -------------------------------------------------

TEST(CategoryBitSetIndices, BitsComeBackAscending)
{
    EXPECT_EQ(CategoryBitSet::Indices(Bytes{0, 0x02, 0, 0x80}), (Indices{9, 31}));
    EXPECT_EQ(CategoryBitSet::Indices(Bytes{0x04, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0}), (Indices{2, 70}));
    EXPECT_TRUE(CategoryBitSet::Indices(Bytes{0, 0, 0, 0}).empty());
}

TEST(CategoryBitSetIndices, ShortAndRaggedSetsReadOnlyWholeWords)
{
    EXPECT_TRUE(CategoryBitSet::Indices(Bytes{0xFF, 0xFF, 0x01}).empty()) << "shorter than a word";
    EXPECT_EQ(CategoryBitSet::Indices(Bytes{0x01, 0, 0, 0, 0xFF, 0xFF}), Indices{0}) << "the half word is ignored";
    EXPECT_TRUE(CategoryBitSet::Indices(nullptr, 8).empty()) << "a count without bytes";
}

TEST(CategoryBitSetIndices, BitsPastTheLastPossibleIndexAreIgnored)
{
    Bytes bytes(CategoryBitSet::kMaxBytes + 8, 0);
    bytes[CategoryBitSet::kMaxBytes - 1] = 0x80;
    bytes[CategoryBitSet::kMaxBytes] = 0x01;
    bytes.back() = 0xFF;
    EXPECT_EQ(CategoryBitSet::Indices(bytes), Indices{CategoryBitSet::kIndexLimit - 1});
}

TEST(CategoryBitSetIndices, WordsNeedNoAlignment)
{
    const BYTE raw[] = {0xEE, 0x00, 0x01, 0x00, 0x00};
    EXPECT_EQ(CategoryBitSet::WordAt(raw + 1, 0), 0x00000100u);
    EXPECT_EQ(CategoryBitSet::Indices(raw + 1, 4), Indices{8});
}

// ---- Both ways ----------------------------------------------------------

TEST(CategoryBitSetRoundTrip, RandomSetsComeBackAsTheirSortedDistinctIndices)
{
    std::mt19937 rng(1213);
    for (int round = 0; round < 300; ++round) {
        Indices indices(rng() % 10);
        for (int& i : indices) {
            switch (rng() % 3) {
                case 0:
                    i = static_cast<int>(rng() % 64);
                    break;
                case 1:
                    i = static_cast<int>(rng() % CategoryBitSet::kIndexLimit);
                    break;
                default:
                    i = CategoryBitSet::kIndexLimit - 1 - static_cast<int>(rng() % 40);
                    break;
            }
        }
        const std::set<int> distinct(indices.begin(), indices.end());
        const Bytes bytes = CategoryBitSet::Bytes(indices);
        EXPECT_EQ(CategoryBitSet::Indices(bytes), Indices(distinct.begin(), distinct.end())) << "round " << round;
        const size_t size = distinct.empty() ? 0 : 4 * static_cast<size_t>(*distinct.rbegin() / 32 + 1);
        EXPECT_EQ(bytes.size(), size) << "round " << round;
    }
}

}  // namespace
