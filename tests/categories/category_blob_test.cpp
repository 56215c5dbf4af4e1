// Category blobs from and into lists, and the AND/OR tests against index sets.
#include "categories/category_blob.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "tests/categories/category_test_support.h"

namespace {

using cattest::FillWithIndices;

using Bytes = std::vector<BYTE>;

// A blob over bytes the test keeps (the AND/OR tests only read blobs).
struct Blob {
    Bytes bytes;
    _CEBLOB b;
    explicit Blob(Bytes v)
        : bytes(std::move(v)), b{static_cast<DWORD>(bytes.size()), bytes.empty() ? nullptr : bytes.data()}
    {}
};

// Rebuilds blob (freeing its old bytes) from categories of these indices.
Bytes Build(COwnedCategoryBlob& blob, const std::vector<int>& indices)
{
    CePtrList<CFullCategory*> list;
    FillWithIndices(list, indices);
    EXPECT_TRUE(Categories2BLOB(blob.Get(), list));
    return blob->lpb ? Bytes(blob->lpb, blob->lpb + blob->dwCount) : Bytes{};
}

// ---- Building and reading -------------------------------------------------

TEST(CategoryBlob, BuiltFromTheSetsBytesOneEmptyWordWhenNoIndexFitsAndReadAfterWhatTheListHolds)
{
    COwnedCategoryBlob blob;
    EXPECT_EQ(Build(blob, {70}).size(), 12u);
    EXPECT_EQ(Build(blob, {}), Bytes{}) << "no categories, no blob";
    EXPECT_EQ(blob->dwCount, 0u);
    EXPECT_EQ(Build(blob, {31, 0, 8, 9, -1, kCategoryIndexLimit}), (Bytes{0x01, 0x03, 0x00, 0x80}));
    EXPECT_EQ(Build(blob, {-1}), (Bytes{0, 0, 0, 0})) << "categories without an index: one empty word";

    Blob read(Bytes{0x06, 0, 0, 0});
    CePtrList<unsigned int> list;
    list.Append(99);
    BLOB2Categories(read.b, list);
    EXPECT_EQ(std::vector<unsigned>(list.begin(), list.end()), (std::vector<unsigned>{99, 1, 2}));
}

// ---- AND / OR -----------------------------------------------------------

// Whole words, possibly with trailing empty ones (as other writers' blobs may have).
Bytes RandomWords(std::mt19937& rng, std::set<unsigned>& bits)
{
    const unsigned words = rng() % 4;
    Bytes bytes(4 * words, 0);
    for (unsigned w = 0; w < words; ++w) {
        if (rng() % 3 == 0) continue;
        for (int k = static_cast<int>(rng() % 3); k >= 0; --k) {
            const unsigned i = 32 * w + rng() % 32;
            bits.insert(i);
            bytes[i / 8] |= static_cast<BYTE>(1u << (i % 8));
        }
    }
    return bytes;
}

TEST(CategoryBlobMatch, AndAndOrAgreeWithSetsOfIndices)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round) {
        std::set<unsigned> itemBits, filterBits;
        Blob item(RandomWords(rng, itemBits));
        Blob filter(RandomWords(rng, filterBits));
        const size_t n = item.b.dwCount / 4, m = filter.b.dwCount / 4;
        const bool subset = std::includes(itemBits.begin(), itemBits.end(), filterBits.begin(), filterBits.end());
        bool common = false;
        for (unsigned i : filterBits) common = common || itemBits.count(i);
        EXPECT_EQ(CategoryAndFilter(&item.b, &filter.b), m > 0 && n >= m && subset) << "round " << round;
        EXPECT_EQ(CategoryOrFilter(&item.b, &filter.b), common) << "round " << round;
    }
    Blob any(Bytes{0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_FALSE(CategoryAndFilter(&any.b, nullptr));
    EXPECT_FALSE(CategoryOrFilter(nullptr, &any.b));
}

}  // namespace
