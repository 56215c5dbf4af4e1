// Category blobs built from and read into category lists, and the AND/OR
// tests, checked against sets of indices. The bit layout's own edge cases
// (partial words, bits past the last index) are tested with CategoryBitSet.
#include "categories/category_blob.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "platform/base/local_memory.h"
#include "tests/categories/category_test_support.h"

namespace {

using cattest::FillWithIndices;

// A blob owned by the test.
struct Blob {
    _CEBLOB b{0, nullptr};
    Blob() = default;
    explicit Blob(const std::vector<BYTE>& bytes)
    {
        if (bytes.empty()) return;
        b.lpb = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, bytes.size()));
        std::copy(bytes.begin(), bytes.end(), b.lpb);
        b.dwCount = static_cast<DWORD>(bytes.size());
    }
    ~Blob() { FreeCategoryBlob(&b); }
    Blob(const Blob&) = delete;
    Blob& operator=(const Blob&) = delete;
    std::vector<BYTE> bytes() const
    {
        return b.lpb ? std::vector<BYTE>(b.lpb, b.lpb + b.dwCount) : std::vector<BYTE>();
    }
};

void BlobOf(Blob& blob, const std::vector<int>& indices)
{
    CePtrList<CFullCategory*> list;
    FillWithIndices(list, indices);
    ASSERT_TRUE(Categories2BLOB(&blob.b, list));
}

// ---- Building -----------------------------------------------------------

TEST(CategoryBlobBuild, TheSetsBytesOneEmptyWordWhenNoIndexFitsAndNoBlobForNoCategories)
{
    Blob blob;
    BlobOf(blob, {70});
    ASSERT_EQ(blob.b.dwCount, 12u);
    BlobOf(blob, {});
    EXPECT_EQ(blob.b.dwCount, 0u);
    EXPECT_EQ(blob.b.lpb, nullptr);
    Blob bits;
    BlobOf(bits, {31, 0, 8, 9, -1, kCategoryIndexLimit});
    EXPECT_EQ(bits.bytes(), (std::vector<BYTE>{0x01, 0x03, 0x00, 0x80}));
    // A list whose categories all lack an index still is a list with
    // categories: one empty word.
    BlobOf(bits, {-1});
    EXPECT_EQ(bits.bytes(), (std::vector<BYTE>{0, 0, 0, 0}));
}

// ---- Reading ------------------------------------------------------------

TEST(CategoryBlobRead, IndicesAreAppendedAfterWhatTheListHolds)
{
    Blob blob(std::vector<BYTE>{0x06, 0, 0, 0});
    CePtrList<unsigned int> list;
    list.Append(99);
    BLOB2Categories(blob.b, list);
    EXPECT_EQ(std::vector<unsigned>(list.begin(), list.end()), (std::vector<unsigned>{99, 1, 2}));
}

// ---- AND / OR -----------------------------------------------------------

// A blob of whole words, possibly with trailing empty words (which stored
// blobs from other writers may have).
std::vector<BYTE> RandomWords(std::mt19937& rng, std::set<unsigned>& bits)
{
    const unsigned words = rng() % 4;
    std::vector<BYTE> bytes(4 * words, 0);
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
    Blob any(std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_FALSE(CategoryAndFilter(&any.b, nullptr));
    EXPECT_FALSE(CategoryOrFilter(nullptr, &any.b));
}

}  // namespace
