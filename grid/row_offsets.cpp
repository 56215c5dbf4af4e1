// GridRowOffsets: row tops as a Fenwick tree over the row heights.

#include "grid/row_offsets.h"

uint64_t GridRowOffsets::Top(size_t row) const
{
    uint64_t sum = 0;
    for (size_t i = row < m_tree.size() ? row : m_tree.size(); i > 0; i &= i - 1) sum += m_tree[i - 1];
    return sum;
}

void GridRowOffsets::Change(size_t row, uint32_t before, uint32_t after)
{
    if (row >= m_tree.size() || before == after) return;
    // Unsigned wrap-around adds a negative difference exactly.
    const uint64_t delta = static_cast<uint64_t>(after) - static_cast<uint64_t>(before);
    for (size_t i = row + 1; i <= m_tree.size(); i += i & (~i + 1)) m_tree[i - 1] += delta;
}

size_t GridRowOffsets::RowAt(uint64_t position) const
{
    // Descend from the highest power of two: take every node whose rows all
    // end at or before the position.
    size_t step = 1;
    while (step * 2 <= m_tree.size()) step *= 2;
    size_t index = 0;
    for (; step > 0; step /= 2) {
        const size_t next = index + step;
        if (next <= m_tree.size() && m_tree[next - 1] <= position) {
            index = next;
            position -= m_tree[next - 1];
        }
    }
    return index;
}
