// Row tops against plain running sums, over random heights and changes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "grid/row_offsets.h"

namespace {

TEST(GridRowOffsets, TopsAndRowsAtPositionsMatchRunningSums)
{
    std::mt19937 random(22);
    for (size_t rows : {size_t{0}, size_t{1}, size_t{2}, size_t{7}, size_t{64}, size_t{1000}, size_t{65534}}) {
        SCOPED_TRACE(rows);
        std::vector<uint32_t> heights(rows);
        for (uint32_t& h : heights) h = random() % 5 == 0 ? 65534 : random() % 40;  // zero-height rows too
        GridRowOffsets offsets;
        offsets.Reset(rows, [&](size_t r) { return heights[r]; });
        for (int round = 0; round < 3; ++round) {
            std::vector<uint64_t> tops(rows + 1, 0);
            for (size_t r = 0; r < rows; ++r) tops[r + 1] = tops[r] + heights[r];
            for (size_t r = 0; r <= rows; r += 1 + rows / 97) ASSERT_EQ(offsets.Top(r), tops[r]) << r;
            EXPECT_EQ(offsets.Top(rows + 5), tops[rows]);
            EXPECT_EQ(offsets.Total(), tops[rows]);
            for (int probe = 0; probe < 200; ++probe) {
                const uint64_t position = tops[rows] ? random() % (tops[rows] + 10) : random() % 3;
                // The first row whose bottom lies past the position.
                size_t expected = 0;
                while (expected < rows && tops[expected + 1] <= position) ++expected;
                ASSERT_EQ(offsets.RowAt(position), expected) << position;
            }
            // Heights that grow and shrink.
            for (int n = 0; n < 50 && rows; ++n) {
                const size_t r = random() % rows;
                const uint32_t after = random() % 70;
                offsets.Change(r, heights[r], after);
                heights[r] = after;
            }
        }
    }
}

}  // namespace
