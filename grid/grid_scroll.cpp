// CHTMLGrid's scrolling: the first visible row and column, the scroll bars
// (vertical in pixels of row height, horizontal in pixels of column width),
// and moving the image on screen so that only the uncovered band is painted.

#include <algorithm>
#include <cstdlib>

#include "grid/html_grid.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/scroll_bars.h"

void CHTMLGrid::OnSize()
{
    if (m_bInLayout) return;
    DestroyBitmapBuffer();
    Relayout();
}

void CHTMLGrid::SetShowScrollBars(bool horizontal, bool vertical, bool scrollTooltip)
{
    m_bAllowHBar = horizontal;
    m_bAllowVBar = vertical;
    m_bScrollTooltip = scrollTooltip;
    if (!scrollTooltip) m_ScrollTip.Destroy();
    Relayout();
}

void CHTMLGrid::GetShowScrollBars(bool* horizontal, bool* vertical, bool* scrollTooltip) const
{
    if (horizontal) *horizontal = m_bAllowHBar;
    if (vertical) *vertical = m_bAllowVBar;
    if (scrollTooltip) *scrollTooltip = m_bScrollTooltip;
}

bool CHTMLGrid::GetBorder() const
{
    return m_hWnd && (static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)) & WS_BORDER) != 0;
}

void CHTMLGrid::SetBorder(bool on)
{
    if (!m_hWnd || GetBorder() == on) return;
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(on ? style | WS_BORDER : style & ~WS_BORDER));
    // The frame takes its pixels from the client area: lay the cells out again.
    m_bInLayout = true;
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    m_bInLayout = false;
    DestroyBitmapBuffer();
    Relayout();
}

void CHTMLGrid::ClampTopRow()
{
    if (m_nRows == 0) {
        m_nTopRow = 0;
        return;
    }
    const WORD last = static_cast<WORD>(m_nRows - 1);
    m_nTopRow = std::clamp<WORD>(m_nTopRow, std::min(m_nFixedRows, last), last);
    if (m_nCols) m_nLeftCol = std::clamp<WORD>(m_nLeftCol, std::min(m_nFixedCols, static_cast<WORD>(m_nCols - 1)),
                                               static_cast<WORD>(m_nCols - 1));
}

void CHTMLGrid::SetupScrollBars()
{
    if (!m_hWnd) return;
    if (IsInUpdate()) {
        m_nPending |= GRID_PENDING_SCROLLBARS;
        return;
    }
    // Showing or hiding a bar resizes the client area; the layout just made
    // already counts with the bars, so that WM_SIZE is not acted upon.
    m_bInLayout = true;
    const long long scrollable = static_cast<long long>(m_dwTotalHeight) - m_dwFixedHeight;
    const int page = std::max(m_nVisibleHeight - static_cast<int>(m_dwFixedHeight), 0);
    SCROLLINFO v{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    if (m_bVBar && scrollable > 0) {
        // The range reaches far enough for the last top row to be a position.
        const long long lastTop = static_cast<long long>(GetRowTop(LastTopRow())) - m_dwFixedHeight;
        v.nMax = static_cast<int>(std::max(scrollable, lastTop + page) - 1);
        v.nPage = static_cast<UINT>(page);
        v.nPos = static_cast<int>(GetRowTop(m_nTopRow) - m_dwFixedHeight);
    }
    SetScrollInfo(m_hWnd, SB_VERT, &v, TRUE);
    int width = 0;
    for (WORD c = m_nFixedCols; c < m_nCols; ++c) width += m_ColWidth[c];
    SCROLLINFO h{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    if (m_bHBar && width > 0) {
        h.nMax = width - 1;
        h.nPage = static_cast<UINT>(std::max(m_nVisibleWidth - m_nFixedColsWidth, 0));
        h.nPos = GetColLeft(m_nLeftCol) - GetColLeft(m_nFixedCols);
    }
    SetScrollInfo(m_hWnd, SB_HORZ, &h, TRUE);
    m_bInLayout = false;
}

WORD CHTMLGrid::GetBottomRow()
{
    if (m_nRows == 0) return 0;
    long long y = m_dwFixedHeight;
    WORD r = m_nTopRow;
    for (; r < m_nRows; ++r) {
        y += EnsureRowHeight(r);
        if (y >= m_nVisibleHeight) break;
    }
    return std::min<WORD>(r, static_cast<WORD>(m_nRows - 1));
}

// The largest top row that still fills the screen.
WORD CHTMLGrid::LastTopRow()
{
    if (m_nRows == 0) return 0;
    const long long page = m_nVisibleHeight - static_cast<long long>(m_dwFixedHeight);
    long long filled = 0;
    int r = m_nRows - 1;
    for (; r > m_nFixedRows; --r) {
        // Stored heights: asking for the last rows' cells would load a
        // screen that may never be shown.
        filled += StoredRowHeight(static_cast<WORD>(r));
        if (filled >= page) break;
    }
    if (filled >= page && filled > page && r < m_nRows - 1) ++r;
    return static_cast<WORD>(std::max<int>(r, m_nFixedRows));
}

void CHTMLGrid::SetTopRow(WORD row)
{
    if (m_nRows == 0) return;
    if (IsInUpdate()) {
        m_nScrollToRow = row;
        m_nPending |= GRID_PENDING_SCROLLTO | GRID_PENDING_REPAINT;
        return;
    }
    row = std::clamp<WORD>(row, std::min<WORD>(m_nFixedRows, static_cast<WORD>(m_nRows - 1)), LastTopRow());
    if (row == m_nTopRow) return;
    const WORD old = m_nTopRow;
    // Measure the rows that scroll in before moving: their heights decide
    // how far the image moves.
    const long long oldTop = GetRowTop(old);
    const long long newTop = GetRowTop(row);
    const long long dy = oldTop - newTop;
    m_nTopRow = row;
    const int page = m_nVisibleHeight - static_cast<int>(m_dwFixedHeight);
    if (m_hWnd && std::llabs(dy) < page && m_BackBuffer && !m_bPainting && m_nScrolledDx == 0) {
        RECT pending{};
        if (GetUpdateRect(m_hWnd, &pending, FALSE) && m_nPaintReason != GRID_PAINT_SCROLLED) {
            // Something else waits to be painted: paint it all.
            Repaint(GRID_PAINT_ALL);
        } else {
            RECT area{0, static_cast<LONG>(m_dwFixedHeight), m_nVisibleWidth, m_nVisibleHeight};
            m_nScrolledDy += static_cast<int>(dy);
            m_nPaintReason = GRID_PAINT_SCROLLED;
            ScrollWindowEx(m_hWnd, 0, static_cast<int>(dy), &area, &area, nullptr, nullptr, SW_INVALIDATE);
            if (std::abs(m_nScrolledDy) >= page) Repaint(GRID_PAINT_ALL);
        }
    } else {
        Repaint(GRID_PAINT_ALL);
    }
    SetupScrollBars();
}

void CHTMLGrid::SetLeftCol(WORD col)
{
    if (m_nCols == 0) return;
    const WORD first = std::min<WORD>(m_nFixedCols, static_cast<WORD>(m_nCols - 1));
    col = std::clamp<WORD>(col, first, std::max(first, LastLeftCol()));
    if (col == m_nLeftCol) return;
    const int dx = GetColLeft(m_nLeftCol) - GetColLeft(col);
    m_nLeftCol = col;
    // As rows do: move the image and paint only the columns uncovered.
    const int page = m_nVisibleWidth - m_nFixedColsWidth;
    RECT pending{};
    const bool otherWork = m_hWnd && GetUpdateRect(m_hWnd, &pending, FALSE) &&
                           (m_nPaintReason != GRID_PAINT_SCROLLED || m_nScrolledDy != 0);
    if (m_hWnd && std::abs(dx) < page && m_BackBuffer && !m_bPainting && !otherWork && !IsInUpdate()) {
        RECT area{m_nFixedColsWidth, 0, m_nVisibleWidth, m_nVisibleHeight};
        m_nScrolledDx += dx;
        m_nPaintReason = GRID_PAINT_SCROLLED;
        ScrollWindowEx(m_hWnd, dx, 0, &area, &area, nullptr, nullptr, SW_INVALIDATE);
        if (std::abs(m_nScrolledDx) >= page) Repaint(GRID_PAINT_ALL);
    } else {
        Repaint(GRID_PAINT_ALL);
    }
    SetupScrollBars();
}

void CHTMLGrid::ScrollByRowDown(int count) { SetTopRow(static_cast<WORD>(std::min<int>(m_nTopRow + count, 65534))); }

void CHTMLGrid::ScrollByRowUp(int count) { SetTopRow(static_cast<WORD>(std::max<int>(m_nTopRow - count, 0))); }

void CHTMLGrid::ScrollByPageDown()
{
    // The row just below the screen becomes the top one (a partly shown
    // last row comes first on the next page).
    const WORD bottom = GetBottomRow();
    SetTopRow(bottom > m_nTopRow ? bottom : static_cast<WORD>(m_nTopRow + 1));
}

void CHTMLGrid::ScrollByPageUp()
{
    const long long page = m_nVisibleHeight - static_cast<long long>(m_dwFixedHeight);
    long long filled = 0;
    int r = m_nTopRow;
    while (r > m_nFixedRows) {
        const int h = EnsureRowHeight(static_cast<WORD>(r - 1));
        if (filled + h > page) break;
        filled += h;
        --r;
    }
    if (r == m_nTopRow && r > m_nFixedRows) --r;
    SetTopRow(static_cast<WORD>(r));
}

void CHTMLGrid::ScrollToTop() { SetTopRow(m_nFixedRows); }

void CHTMLGrid::ScrollToBottom() { SetTopRow(LastTopRow()); }

void CHTMLGrid::MakeRowTopMost(WORD row) { SetTopRow(row); }

void CHTMLGrid::ScrollByColLeft(int count) { SetLeftCol(static_cast<WORD>(std::max<int>(m_nLeftCol - count, 0))); }

void CHTMLGrid::ScrollByColRight(int count)
{
    SetLeftCol(static_cast<WORD>(std::min<int>(m_nLeftCol + count, 65534)));
}

void CHTMLGrid::ScrollByPageRight()
{
    int x = m_nFixedColsWidth;
    WORD c = m_nLeftCol;
    while (c < m_nCols && x + m_ColWidth[c] <= m_nVisibleWidth) x += m_ColWidth[c++];
    SetLeftCol(c > m_nLeftCol ? c : static_cast<WORD>(m_nLeftCol + 1));
}

void CHTMLGrid::ScrollByPageLeft()
{
    int c = FirstColFilling(m_nLeftCol);
    if (c == m_nLeftCol && c > m_nFixedCols) --c;
    SetLeftCol(static_cast<WORD>(c));
}

void CHTMLGrid::ScrollToLeft() { SetLeftCol(m_nFixedCols); }

void CHTMLGrid::ScrollToRight() { SetLeftCol(LastLeftCol()); }

// The leftmost column from which the columns up to (not including) end
// still fit in the scrolling part of the width.
int CHTMLGrid::FirstColFilling(int end) const
{
    const int page = m_nVisibleWidth - m_nFixedColsWidth;
    int filled = 0;
    int c = end;
    while (c > m_nFixedCols && filled + m_ColWidth[c - 1] <= page) filled += m_ColWidth[--c];
    return c;
}

// The largest left column that still fills the width.
WORD CHTMLGrid::LastLeftCol() const
{
    return static_cast<WORD>(std::max<int>(std::min<int>(FirstColFilling(m_nCols), m_nCols - 1), 0));
}

void CHTMLGrid::MakeCellVisible(WORD col, WORD row)
{
    if (row >= m_nRows || col >= m_nCols) return;
    if (row >= m_nFixedRows) {
        if (row < m_nTopRow) {
            SetTopRow(row);
        } else if (row > GetBottomRow() || [&] {
                       RECT rc{};
                       return GetCellRect(col, row, &rc) && rc.bottom > m_nVisibleHeight;
                   }()) {
            // Bring the row up until it ends on screen.
            const long long page = m_nVisibleHeight - static_cast<long long>(m_dwFixedHeight);
            long long filled = EnsureRowHeight(row);
            int top = row;
            while (top > m_nFixedRows && filled + EnsureRowHeight(static_cast<WORD>(top - 1)) <= page) {
                filled += EnsureRowHeight(static_cast<WORD>(top - 1));
                --top;
            }
            SetTopRow(static_cast<WORD>(top));
        }
    }
    if (col >= m_nFixedCols && col < m_nLeftCol) SetLeftCol(col);
    else if (col >= m_nFixedCols) {
        RECT rc{};
        if (!GetCellRect(col, row, &rc) || rc.right > m_nVisibleWidth) {
            int width = m_ColWidth[col];
            int left = col;
            while (left > m_nFixedCols && width + m_ColWidth[left - 1] <= m_nVisibleWidth - m_nFixedColsWidth) {
                width += m_ColWidth[left - 1];
                --left;
            }
            if (left > m_nLeftCol) SetLeftCol(static_cast<WORD>(left));
        }
    }
}
