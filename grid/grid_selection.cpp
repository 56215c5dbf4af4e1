// CHTMLGrid's selection: its extents (whole rows, column groups), the four
// selection modes and the current cell.

#include <algorithm>

#include "grid/html_grid.h"
#include "platform/base/local_memory.h"
#include "platform/ui/clipboard.h"

void CHTMLGrid::SelectionExtent(WORD row, WORD col, WORD* first, WORD* last) const
{
    const tagCELLINFO* cell = FindCell(row, col);
    if (m_bRowSelect || (cell && cell->fullRowSelect)) {
        *first = m_nFixedCols;
        *last = m_nCols ? static_cast<WORD>(m_nCols - 1) : 0;
    } else if (m_nColInRowSelect > 1) {
        *first = static_cast<WORD>(col - col % m_nColInRowSelect);
        *last = static_cast<WORD>(std::min<int>(*first + m_nColInRowSelect - 1, m_nCols ? m_nCols - 1 : 0));
    } else {
        *first = *last = col;
    }
}

bool CHTMLGrid::SetSelection(WORD col1, WORD row1, WORD col2, WORD row2)
{
    if (m_hEdit) SendMessageW(m_hEdit, WM_CANCELMODE, 0, 0);
    if (m_nSelectionMode == 3 || m_nRows == 0 || m_nCols == 0) return false;
    if (col1 == GRID_NONE) col1 = 0;
    if (row1 == GRID_NONE) row1 = 0;
    if (col2 == GRID_NONE) col2 = 0;
    if (row2 == GRID_NONE) row2 = 0;
    if (col1 < m_nFixedCols || col2 < m_nFixedCols || row1 < m_nFixedRows || row2 < m_nFixedRows) return false;
    if (col1 >= m_nCols || row1 >= m_nRows) return false;
    col2 = std::min<WORD>(col2, static_cast<WORD>(m_nCols - 1));
    row2 = std::min<WORD>(row2, static_cast<WORD>(m_nRows - 1));
    InvalidateSelection();
    WORD f1 = 0, l1 = 0, f2 = 0, l2 = 0;
    SelectionExtent(row1, col1, &f1, &l1);
    SelectionExtent(row2, col2, &f2, &l2);
    m_nFirstCol = std::min(f1, f2);
    m_nLastCol = std::max(l1, l2);
    m_nFirstRow = std::min(row1, row2);
    m_nLastRow = std::max(row1, row2);
    m_nAnchorCol = col1;
    m_nAnchorRow = row1;
    m_nCurCol = col2;
    m_nCurRow = row2;
    InvalidateSelection();
    return true;
}

void CHTMLGrid::GetSelection(WORD* col1, WORD* row1, WORD* col2, WORD* row2) const
{
    if (col1) *col1 = m_nFirstCol;
    if (row1) *row1 = m_nFirstRow;
    if (col2) *col2 = m_nLastCol;
    if (row2) *row2 = m_nLastRow;
}

void CHTMLGrid::EmptySelection()
{
    if (m_nFirstRow == GRID_NONE) return;
    InvalidateSelection();
    m_nAnchorCol = m_nAnchorRow = m_nFirstCol = m_nFirstRow = m_nLastCol = m_nLastRow = GRID_NONE;
}

bool CHTMLGrid::IsCellSelected(WORD row, WORD col) const
{
    if (m_nFirstRow == GRID_NONE || m_nFirstCol == GRID_NONE) return false;
    const bool inCols = col >= m_nFirstCol && col <= m_nLastCol;
    const bool inRows = row >= m_nFirstRow && row <= m_nLastRow;
    // The two ends of the run in the order of the mode: the anchor and the
    // current cell, the earlier one first.
    auto ends = [&](bool byColumns, WORD* startMinor, WORD* endMinor) {
        const int a = byColumns ? m_nAnchorCol : m_nAnchorRow;
        const int c = byColumns ? m_nCurCol : m_nCurRow;
        const WORD am = byColumns ? m_nAnchorRow : m_nAnchorCol;
        const WORD cm = byColumns ? m_nCurRow : m_nCurCol;
        if (a < c || (a == c && am <= cm)) {
            *startMinor = am;
            *endMinor = cm;
        } else {
            *startMinor = cm;
            *endMinor = am;
        }
    };
    WORD start = 0, end = 0;
    switch (m_nSelectionMode) {
    case 0: return inCols && inRows;
    case 1: {  // down each column, then on to the next
        if (!inCols) return false;
        ends(true, &start, &end);
        if (m_nFirstCol == m_nLastCol) return inRows;
        if (col == m_nFirstCol) return row >= start;
        if (col == m_nLastCol) return row <= end;
        return true;
    }
    case 2: {  // along each row, then on to the next
        if (!inRows) return false;
        ends(false, &start, &end);
        if (m_nFirstRow == m_nLastRow) return inCols;
        if (row == m_nFirstRow) return col >= start;
        if (row == m_nLastRow) return col <= end;
        return true;
    }
    default: return false;
    }
}

void CHTMLGrid::SetSelectionMode(WORD mode)
{
    if (mode > 3) return;
    m_nSelectionMode = mode;
    Repaint();
}

void CHTMLGrid::SetRowFullRowSelect(WORD row, bool on)
{
    for (WORD col = 0; col < m_nCols; ++col)
        if (tagCELLINFO* cell = GetCell(row, col)) cell->fullRowSelect = on ? 1 : 0;
}

void CHTMLGrid::SetMultiSelect(bool multi, bool tooltip)
{
    m_bMultiSelect = multi;
    m_bSelTooltip = tooltip;
    // Like the scroll and drag tooltips, the selection tooltip's window is
    // made when it is first shown (AskToolTip).
    if (!tooltip) m_SelTip.Destroy();
    if (!multi) EmptySelection();
}

void CHTMLGrid::SetCol(WORD col)
{
    if (col >= m_nCols) return;
    m_nCurCol = col;
}

void CHTMLGrid::SetRow(WORD row)
{
    if (row >= m_nRows) return;
    m_nCurRow = row;
}

void CHTMLGrid::InvalidateSelection()
{
    if (m_nFirstRow == GRID_NONE || !m_hWnd) return;
    if (IsInUpdate()) {
        m_nPending |= GRID_PENDING_REPAINT;
        return;
    }
    Repaint(GRID_PAINT_SELECTION);
}

// ---- Clipboard ----

bool CHTMLGrid::PutOnClipboard(const std::u16string& text)
{
    HLOCAL block = LocalAlloc(LPTR, (text.size() + 1) * sizeof(WCHAR));
    if (!block) return false;
    std::copy(text.begin(), text.end(), static_cast<WCHAR*>(block));
    if (!OpenClipboard(m_hWnd)) {
        LocalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    if (!put) LocalFree(block);
    CloseClipboard();
    return put;
}

bool CHTMLGrid::CopyCellToClipBoard(WORD col, WORD row)
{
    // In virtual mode the cell may not have been asked for yet.
    if (!GetCell(row, col)) return false;
    return PutOnClipboard(GetCellText(col, row, false));
}

bool CHTMLGrid::CopySelectedCellsToClipBoard()
{
    if (m_nFirstRow == GRID_NONE || m_nFirstCol == GRID_NONE) return false;
    std::u16string text;
    for (WORD row = m_nFirstRow; row <= m_nLastRow && row < m_nRows; ++row) {
        bool first = true;
        for (WORD col = 0; col < m_nCols; ++col) {
            if (!IsCellSelected(row, col)) continue;
            if (!first) text += u'\t';
            first = false;
            GetCell(row, col);
            text += GetCellText(col, row, false);
        }
        if (!first && row < m_nLastRow) text += u"\r\n";
    }
    return PutOnClipboard(text);
}
