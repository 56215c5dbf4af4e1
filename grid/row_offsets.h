// GridRowOffsets: where each row of a grid starts, as a Fenwick tree over
// the row heights. A grid of 65,534 rows asks for row tops several times a
// frame (cell rectangles, the scroll bar, floaters); summing every row above
// made each of those a walk over the whole list. Here a top, a change of
// one row's height and the row at a position are each O(log rows); a whole
// new set of heights is taken in O(rows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class GridRowOffsets {
public:
    // Starts over with `rows` rows whose heights `height(row)` gives.
    template <typename HeightOf>
    void Reset(size_t rows, HeightOf height)
    {
        m_tree.assign(rows, 0);
        // Linear build: each node passes its sum on to its parent.
        for (size_t i = 1; i <= rows; ++i) {
            m_tree[i - 1] += height(i - 1);
            const size_t parent = i + (i & (~i + 1));
            if (parent <= rows) m_tree[parent - 1] += m_tree[i - 1];
        }
    }
    size_t Rows() const { return m_tree.size(); }
    // The sum of the heights of the rows above `row` (all rows when past the end).
    uint64_t Top(size_t row) const;
    uint64_t Total() const { return Top(m_tree.size()); }
    // The row's height changed from `before` to `after`.
    void Change(size_t row, uint32_t before, uint32_t after);
    // The row that covers `position` (the first row whose bottom lies past
    // it); Rows() when the position lies past the last row.
    size_t RowAt(uint64_t position) const;

private:
    // m_tree[i - 1] holds the sum of the rows (i - lowbit(i), i].
    std::vector<uint64_t> m_tree;
};
