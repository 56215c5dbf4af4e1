// CListRows: the rows of a list view as the grid shows them - items and the
// group headers above them, each row a line of cell mark-up - with headers
// that open and close. The grid asks for cells by visible row; the rows
// behind a closed header are kept and come back when it opens.
#pragma once

#include <string>
#include <vector>

#include "platform/base/types.h"

// Width of a column that shares what the fixed-width columns leave.
inline constexpr WORD kListColumnShared = 65535;

struct LISTROW {
    std::vector<std::u16string> cells;  // mark-up by column
    DWORD oid = 0;                      // the item's object id; 0 for a header
    bool header = false;
    bool open = true;    // a header's state
    std::u16string text; // a header's plain text
    int members = 0;     // a header's item count
};

class CListRows {
public:
    explicit CListRows(std::vector<WORD> columnWidths) : m_widths(std::move(columnWidths)) {}

    // Appends an item row: one mark-up per column (missing ones are empty).
    void AddItem(DWORD oid, std::vector<std::u16string> cells);
    // Appends a group header, spanning the row; its group lasts until the
    // next header. Its mark-up is made from the text, state and count.
    void AddHeader(std::u16string text, int members, bool open);
    void Clear();

    WORD ColumnCount() const { return static_cast<WORD>(m_widths.size()); }
    WORD ColumnWidth(WORD col) const { return col < m_widths.size() ? m_widths[col] : 0; }
    // Rows shown: headers, and items whose header is open.
    int VisibleCount() const { return static_cast<int>(m_visible.size()); }
    // The row shown at a visible index, or null outside the list.
    const LISTROW* Visible(int index) const;
    // A cell's mark-up, or null for no such cell (the grid's cell request
    // is then answered with null). A header's text is in its first cell.
    const WCHAR* CellMarkup(int visibleRow, int col) const;

    // Opens a closed header or closes an open one; false when the visible
    // row is not a header.
    bool Toggle(int visibleRow);
    // The visible index of the item with this oid, or -1.
    int FindItem(DWORD oid) const;

private:
    void Rebuild();

    std::vector<WORD> m_widths;
    std::vector<LISTROW> m_rows;
    std::vector<int> m_visible;  // indices into m_rows
    bool m_appendOpen = true;    // the group rows are appended to is open
};
