// CHTMLGrid's painting: one back buffer of the client size kept between
// paints; each paint redraws into it only what its reason needs (everything,
// the rows of a selection change, the band a scroll uncovered, one cell) and
// copies the painted box to the screen.

#include <algorithm>
#include <set>

#include "grid/html_layout.h"
#include "grid/html_grid.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/painting.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Fills the rectangle from `from` at the top to `to` at the bottom.
void VerticalGradient(HDC dc, const RECT& rc, COLORREF from, COLORREF to)
{
    const int height = rc.bottom - rc.top;
    if (height <= 0) return;
    for (int y = 0; y < height; ++y) {
        auto mix = [&](int a, int b) { return a + (b - a) * y / std::max(height - 1, 1); };
        const COLORREF c = RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
                               mix(GetBValue(from), GetBValue(to)));
        platform::OwnedBrush brush(CreateSolidBrush(c));
        RECT line{rc.left, rc.top + y, rc.right, rc.top + y + 1};
        FillRect(dc, &line, brush.Get());
    }
}

COLORREF Lighter(COLORREF c)
{
    return RGB((GetRValue(c) + 2 * 255) / 3, (GetGValue(c) + 2 * 255) / 3, (GetBValue(c) + 2 * 255) / 3);
}

// `part` thirds of the way from `from` to `to`.
COLORREF Mix(COLORREF from, COLORREF to, int part)
{
    auto mix = [part](int a, int b) { return a + (b - a) * part / 3; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

}  // namespace

// ---- Geometry ----

bool CHTMLGrid::GetCellRect(WORD col, WORD row, RECT* rc)
{
    if (!rc || row >= m_nRows || col >= m_nCols) return false;
    if (row >= m_nFixedRows && row < m_nTopRow) return false;
    if (col >= m_nFixedCols && col < m_nLeftCol) return false;
    int x = col < m_nFixedCols ? GetColLeft(col) : m_nFixedColsWidth + GetColLeft(col) - GetColLeft(m_nLeftCol);
    long long y = row < m_nFixedRows
                      ? static_cast<long long>(GetRowTop(row))
                      : static_cast<long long>(m_dwFixedHeight) + GetRowTop(row) - GetRowTop(m_nTopRow);
    if (y > m_nVisibleHeight || x > m_nVisibleWidth) return false;
    *rc = RECT{x, static_cast<LONG>(y), x + m_ColWidth[col], static_cast<LONG>(y + GetRowHeight(row))};
    return true;
}

bool CHTMLGrid::GetPointFromCell(WORD col, WORD row, POINT* pt)
{
    RECT rc{};
    if (!pt || !GetCellRect(col, row, &rc)) return false;
    *pt = POINT{rc.left, rc.top};
    return true;
}

bool CHTMLGrid::GetCellFromPoint(POINT pt, WORD* col, WORD* row) { return GetCellFromPoint(pt.x, pt.y, col, row); }

bool CHTMLGrid::GetCellFromPoint(int x, int y, WORD* col, WORD* row)
{
    if (x < 0 || y < 0 || x >= m_nVisibleWidth || y >= m_nVisibleHeight) return false;
    WORD c = GRID_NONE, r = GRID_NONE;
    int left = 0;
    for (WORD i = 0; i < m_nFixedCols && c == GRID_NONE; ++i) {
        if (x < left + m_ColWidth[i]) c = i;
        left += m_ColWidth[i];
    }
    for (WORD i = m_nLeftCol; i < m_nCols && c == GRID_NONE; ++i) {
        if (x < left + m_ColWidth[i]) c = i;
        left += m_ColWidth[i];
    }
    long long top = 0;
    for (WORD i = 0; i < m_nFixedRows && r == GRID_NONE; ++i) {
        if (y < top + GetRowHeight(i)) r = i;
        top += GetRowHeight(i);
    }
    for (WORD i = m_nTopRow; i < m_nRows && r == GRID_NONE && top <= y; ++i) {
        if (y < top + GetRowHeight(i)) r = i;
        top += GetRowHeight(i);
    }
    if (c == GRID_NONE || r == GRID_NONE) return false;
    if (col) *col = c;
    if (row) *row = r;
    return true;
}

// ---- Painting ----

void CHTMLGrid::DestroyBitmapBuffer()
{
    m_BackBuffer.Reset();
    m_BufferSize = SIZE{0, 0};
}

void CHTMLGrid::InvalidateCell(WORD col, WORD row)
{
    if (!m_hWnd) return;
    RECT rc{};
    if (!GetCellRect(col, row, &rc)) return;
    m_nPaintReason = CombineReason(GRID_PAINT_CELL);
    InvalidateRect(m_hWnd, &rc, FALSE);
}

void CHTMLGrid::OnPaint()
{
    PAINTSTRUCT ps{};
    HDC screen = BeginPaint(m_hWnd, &ps);
    if (!screen) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (!m_BackBuffer || m_BufferSize.cx != client.right || m_BufferSize.cy != client.bottom) {
        m_BackBuffer.Reset(CreateCompatibleBitmap(screen, std::max<LONG>(client.right, 1),
                                                  std::max<LONG>(client.bottom, 1)));
        m_BufferSize = SIZE{client.right, client.bottom};
        m_nPaintReason = GRID_PAINT_ALL;
    }
    if (!m_BackBuffer) {
        EndPaint(m_hWnd, &ps);
        return;
    }
    platform::OwnedDc memory(CreateCompatibleDC(screen));
    HGDIOBJ oldBitmap = SelectObject(memory.Get(), m_BackBuffer.Get());
    m_bPainting = true;
    if (m_pCustomPaint) m_pCustomPaint(this, memory.Get());
    const DWORD totalBefore = m_dwTotalHeight;
    RECT box = ps.rcPaint;
    switch (m_nPaintReason) {
    case GRID_PAINT_SCROLLED: {
        // The screen's pixels were moved by ScrollWindowEx; move the buffer's
        // the same way and paint the rows of the uncovered band.
        // Rows move below the fixed rows; columns move right of the fixed
        // columns, fixed rows included. Only one of the two is ever pending.
        if (m_nScrolledDy != 0) {
            RECT area{0, static_cast<LONG>(m_dwFixedHeight), client.right, client.bottom};
            const int dy = m_nScrolledDy;
            const int h = area.bottom - area.top - std::abs(dy);
            if (h > 0)
                BitBlt(memory.Get(), 0, dy > 0 ? area.top + dy : area.top, client.right, h, memory.Get(), 0,
                       dy > 0 ? area.top : area.top - dy, SRCCOPY);
        }
        if (m_nScrolledDx != 0) {
            RECT area{m_nFixedColsWidth, 0, client.right, client.bottom};
            const int dx = m_nScrolledDx;
            const int w = area.right - area.left - std::abs(dx);
            if (w > 0)
                BitBlt(memory.Get(), dx > 0 ? area.left + dx : area.left, 0, w, client.bottom, memory.Get(),
                       dx > 0 ? area.left : area.left - dx, 0, SRCCOPY);
        }
        PaintRows(memory.Get(), box.top, box.bottom, box.left, box.right);
        break;
    }
    case GRID_PAINT_SELECTION:
    case GRID_PAINT_CELL: PaintRows(memory.Get(), box.top, box.bottom); break;
    default:
        box = client;
        PaintAll(memory.Get());
        break;
    }
    m_nScrolledDy = m_nScrolledDx = 0;
    m_nPaintReason = GRID_PAINT_ALL;
    RECT clip{};
    if (GetClipBox(screen, &clip) != SIMPLEREGION) clip = client;
    BitBlt(screen, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, memory.Get(), clip.left,
           clip.top, SRCCOPY);
    SelectObject(memory.Get(), oldBitmap);
    EndPaint(m_hWnd, &ps);
    m_bPainting = false;
    if (m_pCustomPaint) m_pCustomPaint(this, nullptr);
    // Rows measured for the first time change the total: the bar follows.
    if (m_dwTotalHeight != totalBefore && m_hWnd) SetupScrollBars();
}

void CHTMLGrid::PaintAll(HDC dc)
{
    RECT client{0, 0, m_BufferSize.cx, m_BufferSize.cy};
    FillRect(dc, &client, m_brBack.Get());
    PaintRows(dc, 0, m_BufferSize.cy);
}

// Paints every cell that reaches into the band (client coordinates), whole,
// on a cleared background, then the floaters over them, then the fixed rows
// when they are touched.
void CHTMLGrid::PaintRows(HDC dc, int top, int bottom, int left, int right)
{
    left = std::max(left, 0);
    right = std::min<int>(right, m_BufferSize.cx);
    RECT band{left, top, right, bottom};
    // The columns on screen that reach into the band, and where they start.
    std::vector<std::pair<WORD, int>> cols;
    int x = 0;
    auto take = [&](WORD c) {
        if (x < right && x + m_ColWidth[c] > left) cols.emplace_back(c, x);
        x += m_ColWidth[c];
    };
    for (WORD c = 0; c < m_nFixedCols && x < m_BufferSize.cx; ++c) take(c);
    for (WORD c = m_nLeftCol; c < m_nCols && x < m_BufferSize.cx; ++c) take(c);
    // Cells are painted whole, so what is cleared reaches to their edges.
    const int clearLeft = cols.empty() ? left : std::min(left, cols.front().second);
    const int clearRight =
        cols.empty() ? right : std::max(right, cols.back().second + static_cast<int>(m_ColWidth[cols.back().first]));
    // Scrolling rows first, so that the fixed rows cover anything that
    // reaches up into them.
    const unsigned generation = m_nGeneration;
    long long y = m_dwFixedHeight;
    std::vector<std::pair<WORD, int>> rows;
    for (WORD r = m_nTopRow; r < m_nRows && y < m_BufferSize.cy; ++r) {
        const WORD h = EnsureRowHeight(r);
        if (generation != m_nGeneration) return;  // the parent remade the grid while answering
        if (y + h > top && y < bottom) rows.emplace_back(r, static_cast<int>(y));
        y += h;
    }
    if (!rows.empty()) {
        const int lastEnd = rows.back().second + GetRowHeight(rows.back().first);
        RECT clear{clearLeft, rows.front().second, clearRight, std::max(lastEnd, bottom)};
        FillRect(dc, &clear, m_brBack.Get());
    } else if (bottom > static_cast<int>(m_dwFixedHeight)) {
        RECT clear{clearLeft, std::max(top, static_cast<int>(m_dwFixedHeight)), clearRight, bottom};
        FillRect(dc, &clear, m_brBack.Get());
    }
    for (auto [r, ry] : rows) {
        if (generation != m_nGeneration) return;
        const int h = GetRowHeight(r);
        for (auto [c, cx] : cols) {
            if (generation != m_nGeneration) break;
            RECT rc{cx, ry, cx + m_ColWidth[c], ry + h};
            if (c < m_nFixedCols)
                OnFixedCellDraw(dc, c, r, rc);
            else
                OnCellDraw(dc, c, r, rc, IsCellSelected(r, c) ? 1u : 0u);
        }
    }
    if (m_nFloaterCount && !rows.empty()) {
        band.top = std::max<LONG>(band.top, static_cast<LONG>(m_dwFixedHeight));
        m_PaintBand = band;
        OnCellFloatersDraw(dc);
    }
    if (top < static_cast<int>(m_dwFixedHeight)) {
        // Past the last column the fixed rows show the background.
        RECT clear{clearLeft, 0, clearRight, static_cast<LONG>(m_dwFixedHeight)};
        FillRect(dc, &clear, m_brBack.Get());
        int fy = 0;
        for (WORD r = 0; r < m_nFixedRows && generation == m_nGeneration; ++r) {
            const int h = GetRowHeight(r);
            for (auto [c, cx] : cols) {
                if (generation != m_nGeneration) break;
                RECT rc{cx, fy, cx + m_ColWidth[c], fy + h};
                OnFixedCellDraw(dc, c, r, rc);
            }
            fy += h;
        }
    }
}

void CHTMLGrid::OnCellDraw(HDC dc, WORD col, WORD row, const RECT& rc, UINT state)
{
    tagCELLINFO* cell = GetCell(row, col);
    int hook = 0;
    if (m_pCellDraw && cell) {
        DRAWITEMSTRUCT item{0, GridCellKey(row, col), 0, 0, state, m_hWnd, dc, rc, cell->data};
        hook = m_pCellDraw(this, &item, cell);
        if (hook == 1) return;
    }
    const bool selected = (state & 1) != 0;
    if (!hook) {
        const COLORREF back = cell ? cell->GetBackColor(true) : m_crBack;
        if (selected) {
            FillRect(dc, &rc, m_brSelection.Get());
        } else if (GetGradientDrawSupported() && (!cell || back == kWhite)) {
            // A cell of no colour of its own shows the theme's gradient,
            // top to bottom of its row.
            VerticalGradient(dc, rc, m_crGradientTop, m_crGradientBottom);
        } else if (back != m_crBack) {
            platform::OwnedBrush brush(CreateSolidBrush(back));
            FillRect(dc, &rc, brush.Get());
        } else {
            FillRect(dc, &rc, m_brBack.Get());
        }
    }
    DrawCellLines(dc, rc, m_bVLines, m_bHLines);
    if (cell) DrawCellText(dc, rc, cell, selected ? DRAWHTML_SELECTED : 0);
}

int CHTMLGrid::ColourCellDrawProc(CHTMLGrid* grid, DRAWITEMSTRUCT* item, tagCELLINFO* cell)
{
    if (!grid || !item || !cell || item->itemData == 0) return 0;
    COLORREF colour = static_cast<COLORREF>(item->itemData) & 0xFFFFFF;
    const bool selected = (item->itemState & 1) != 0;
    if (selected) colour = RGB(255 - GetRValue(colour), 255 - GetGValue(colour), 255 - GetBValue(colour));
    // From a third of the colour over the background at the top to two
    // thirds at the bottom.
    const COLORREF back = cell->GetBackColor(true);
    VerticalGradient(item->hDC, item->rcItem, Mix(back, colour, 1), Mix(back, colour, 2));
    grid->DrawCellLines(item->hDC, item->rcItem, grid->m_bVLines, grid->m_bHLines);
    // A tint, not the selection brush: the text keeps its own colours.
    grid->DrawCellText(item->hDC, item->rcItem, cell, 0);
    return 1;
}

HBITMAP CHTMLGrid::GetCellBitmap(WORD col, WORD row)
{
    if (col >= m_nCols || row >= m_nRows) return nullptr;
    const int w = m_ColWidth[col];
    const int h = GetRowHeight(row);
    // The parent may remake the grid while the row is measured.
    if (w <= 0 || h <= 0 || col >= m_nCols || row >= m_nRows) return nullptr;
    platform::OwnedBitmap bitmap(CreateCompatibleBitmap(nullptr, w, h));
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc) return nullptr;
    HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
    const RECT rc{0, 0, w, h};
    if (col < m_nFixedCols || row < m_nFixedRows)
        OnFixedCellDraw(dc.Get(), col, row, rc);
    else
        OnCellDraw(dc.Get(), col, row, rc, IsCellSelected(row, col) ? 1u : 0u);
    SelectObject(dc.Get(), old);
    return bitmap.Detach();
}

void CHTMLGrid::OnFixedCellDraw(HDC dc, WORD col, WORD row, const RECT& rc)
{
    tagCELLINFO* cell = GetCell(row, col);
    int hook = 0;
    if (m_pFixedCellDraw && cell) {
        DRAWITEMSTRUCT item{0, GridCellKey(row, col), 0, 0, 0, m_hWnd, dc, rc, cell->data};
        hook = m_pFixedCellDraw(this, &item, cell);
        if (hook == 1) return;
    }
    if (!hook) FillRect(dc, &rc, m_brFixedBack.Get());
    DrawCellLines(dc, rc, m_bFixedVLines, m_bFixedHLines);
    if (cell) DrawCellText(dc, rc, cell, 0);
}

void CHTMLGrid::DrawCellLines(HDC dc, const RECT& rc, bool right, bool bottom)
{
    // One-pixel lines as fills: the same pixels a pen would set, without a
    // pen and a stroke per cell.
    if (right) {
        RECT line{rc.right - 1, rc.top, rc.right, rc.bottom};
        FillRect(dc, &line, m_brLines.Get());
    }
    if (bottom) {
        RECT line{rc.left, rc.bottom - 1, rc.right, rc.bottom};
        FillRect(dc, &line, m_brLines.Get());
    }
}

void CHTMLGrid::DrawCellText(HDC dc, const RECT& rc, tagCELLINFO* cell, DWORD flags)
{
    RECT content{rc.left + cell->margins.left, rc.top + cell->margins.top, rc.right - cell->margins.right,
                 rc.bottom - cell->margins.bottom};
    if (cell->singleLine) content.right += DRAWHTML_SINGLELINE;
    DrawHTML(dc, &content, cell->indent, cell, &cell->hotspots, flags, m_crSelText);
}

void CHTMLGrid::OnCellFloatersDraw(HDC dc)
{
    const RECT band = m_PaintBand;
    const int originX = m_nFixedColsWidth - GetColLeft(m_nLeftCol);
    const long long originY = static_cast<long long>(m_dwFixedHeight) - GetRowTop(m_nTopRow);
    // Every floater anchored in a row on screen or reaching into the first
    // one from above, each drawn once.
    std::set<tagFLOATERINFO*> seen;
    long long y = m_dwFixedHeight;
    std::vector<tagFLOATERINFO*> order;
    for (WORD r = m_nTopRow; r < m_nRows && y < m_BufferSize.cy; ++r) {
        for (WORD c = m_nLeftCol; c < m_nCols; ++c) {
            tagCELLINFO* cell = FindCell(r, c);
            if (!cell) continue;
            for (tagFLOATERINFO* f : cell->floaters)
                if (seen.insert(f).second) order.push_back(f);
        }
        y += GetRowHeight(r);
    }
    if (order.empty()) return;
    platform::OwnedPen pen(CreatePen(PS_SOLID, 1, m_crLines));
    const int bar = m_nFloaterBarWidth;
    for (tagFLOATERINFO* f : order) {
        RECT box{};
        if (!GetFloaterBounds(f, &box)) continue;
        box.bottom -= m_bVLines ? 2 : 1;
        const int w = box.right - box.left;
        const int h = box.bottom - box.top;
        if (w <= 0 || h <= 0) continue;
        const int left = static_cast<int>(box.left + originX);
        const long long top = box.top + originY;
        // Only the part inside the painted band and below the fixed rows.
        const long long visTop = std::max<long long>(top, std::max<LONG>(band.top, m_dwFixedHeight));
        const long long visBottom = std::min<long long>(top + h, band.bottom);
        const int visLeft = std::max(left, m_nFixedColsWidth);
        if (visBottom <= visTop || visLeft >= left + w || left >= m_BufferSize.cx) continue;

        platform::OwnedBitmap bitmap(CreateCompatibleBitmap(dc, w, h));
        platform::OwnedDc off(CreateCompatibleDC(dc));
        HGDIOBJ oldBitmap = SelectObject(off.Get(), bitmap.Get());
        HGDIOBJ oldPen = SelectObject(off.Get(), pen.Get());
        const bool own = m_bFloaterOwnBack;
        platform::OwnedBrush body(CreateSolidBrush(f->content.GetBackColor(true)));
        HBRUSH fill = own ? body.Get() : m_brSelection.Get();
        if (own && GetGradientDrawSupported()) {
            // A hollow box: the rows' gradient under it shows through.
            fill = static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
            BitBlt(off.Get(), 0, 0, w, h, dc, left, static_cast<int>(top), SRCCOPY);
        }
        HGDIOBJ oldBrush = SelectObject(off.Get(), fill);
        Rectangle(off.Get(), 0, 0, w, h);
        SelectObject(off.Get(), oldBrush);
        int textLeft = 2;
        if (m_bFloaterBar && w > bar + grid::ScaleX(2)) {
            const COLORREF anchorBack = f->anchor->GetBackColor(true);
            RECT barRect{1, 1, bar, h - 1};
            platform::OwnedBrush back(CreateSolidBrush(anchorBack));
            FillRect(off.Get(), &barRect, back.Get());
            const int inner = h - 2;
            RECT part{1, 1 + inner * f->startPercent / 100, bar,
                      1 + inner * std::min(f->startPercent + f->lengthPercent, 100) / 100};
            VerticalGradient(off.Get(), part, Lighter(f->colour), f->colour);
            MoveToEx(off.Get(), bar, 0, nullptr);
            LineTo(off.Get(), bar, h);
            textLeft = bar + 2;
        }
        RECT content{textLeft, 2, w - 2, h - 2};
        DrawHTML(off.Get(), &content, 0, &f->content, nullptr, 0, m_crSelText);
        SelectObject(off.Get(), oldPen);
        const int srcY = static_cast<int>(visTop - top);
        BitBlt(dc, visLeft, static_cast<int>(visTop), left + w - visLeft, static_cast<int>(visBottom - visTop),
               off.Get(), visLeft - left, srcY, SRCCOPY);
        SelectObject(off.Get(), oldBitmap);
    }
}
