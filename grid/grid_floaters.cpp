// CHTMLGrid's floaters: mark-up boxes anchored in a cell that cover a run of
// rows of its column, laid side by side in lanes where they overlap.

#include <algorithm>
#include <cstdlib>

#include "grid/html_grid.h"

namespace {

bool Covers(const tagFLOATERINFO* f, WORD row)
{
    const int anchor = f->anchor->row;
    return row >= anchor && row < anchor + f->rowSpan;
}

}  // namespace

void CHTMLGrid::FloaterCovers(tagFLOATERINFO* f, bool enter)
{
    const WORD anchorRow = f->anchor->row;
    const WORD col = f->anchor->col;
    for (int r = anchorRow; r < anchorRow + f->rowSpan && r < m_nRows; ++r) {
        tagCELLINFO* cell = r == anchorRow ? f->anchor
                            : enter   ? GetCell(static_cast<WORD>(r), col)
                                      : FindCell(static_cast<WORD>(r), col);
        if (!cell && enter) {
            // A floater needs a cell to hang in even where the parent has none.
            cell = MakeCell(static_cast<WORD>(r), col);
            FillCell(cell, u"", m_bFontQuality);
        }
        if (!cell) continue;
        auto& list = cell->floaters;
        if (enter) {
            if (std::find(list.begin(), list.end(), f) == list.end()) list.push_back(f);
        } else {
            list.erase(std::remove(list.begin(), list.end(), f), list.end());
        }
        cell->floatersValid = 0;
    }
}

bool CHTMLGrid::AskFloaterText(WORD col, WORD row, DWORD id, std::u16string* text)
{
    WCHAR* block = nullptr;
    GRIDFLOATERREQUEST request{};
    request.hdr.hwndFrom = m_hWnd;
    request.hdr.idFrom = id;
    request.hdr.code = GN_GETFLOATER;
    request.row = row;
    request.column = col;
    const unsigned generation = m_nGeneration;
    tagCELLINFO* anchor = FindCell(row, col);
    if (m_hParent) SendMessageW(m_hParent, GN_GETFLOATER, reinterpret_cast<WPARAM>(&block), reinterpret_cast<LPARAM>(&request));
    if (!block) return false;
    // The block is the grid's to release, whatever happens to the grid.
    const bool stands = generation == m_nGeneration && FindCell(row, col) == anchor;
    if (stands) *text = block;
    std::free(block);
    return stands;
}

bool CHTMLGrid::AddFloater(WORD col, WORD row, DWORD id, WORD rowSpan, WORD lengthPercent, WORD startPercent,
                           COLORREF colour, BYTE flag)
{
    tagCELLINFO* anchor = GetCell(row, col);
    if (!anchor || FindFloater(col, row, id)) return false;
    std::u16string text;
    if (!AskFloaterText(col, row, id, &text) || FindFloater(col, row, id)) return false;
    auto* f = new tagFLOATERINFO;
    f->anchor = anchor;
    f->flag = flag;
    f->rowSpan = std::max<WORD>(1, std::min<WORD>(rowSpan, static_cast<WORD>(m_nRows - row)));
    f->lengthPercent = lengthPercent;
    f->startPercent = startPercent;
    f->colour = colour;
    f->id = id;
    f->layout = 1 | (1 << 8);
    f->source = std::move(text);
    f->content.SetBitmapScaling(m_dwBitmapScaling);
    f->content.SetFontQuality(m_bFontQuality);
    f->content.SetHTML(f->source.c_str());
    f->content.ParseHTML(m_hWnd);
    FloaterCovers(f, true);
    ++m_nFloaterCount;
    InvalidateCellFloaters(row, col);
    Repaint();
    return true;
}

tagFLOATERINFO* CHTMLGrid::FindFloater(WORD col, WORD row, DWORD id) const
{
    tagCELLINFO* cell = FindCell(row, col);
    if (!cell) return nullptr;
    for (tagFLOATERINFO* f : cell->floaters)
        if (f->anchor == cell && f->id == id) return f;
    return nullptr;
}

bool CHTMLGrid::DeleteFloater(WORD col, WORD row, DWORD id)
{
    tagFLOATERINFO* f = FindFloater(col, row, id);
    if (!f) return false;
    InvalidateCellFloaters(row, col);
    FloaterCovers(f, false);
    delete f;
    --m_nFloaterCount;
    Repaint();
    return true;
}

bool CHTMLGrid::MoveFloater(WORD col, WORD row, DWORD id, WORD newCol, WORD newRow)
{
    tagFLOATERINFO* f = FindFloater(col, row, id);
    tagCELLINFO* target = GetCell(newRow, newCol);
    if (!f || !target || FindFloater(newCol, newRow, id)) return false;
    InvalidateCellFloaters(row, col);
    FloaterCovers(f, false);
    f->anchor = target;
    f->rowSpan = std::max<WORD>(1, std::min<WORD>(f->rowSpan, static_cast<WORD>(m_nRows - newRow)));
    FloaterCovers(f, true);
    InvalidateCellFloaters(newRow, newCol);
    Repaint();
    return true;
}

void CHTMLGrid::DestroyFloatersAnchoredIn(tagCELLINFO* cell)
{
    std::vector<tagFLOATERINFO*> own;
    for (tagFLOATERINFO* f : cell->floaters)
        if (f->anchor == cell) own.push_back(f);
    if (own.empty()) return;
    InvalidateCellFloaters(cell->row, cell->col);
    for (tagFLOATERINFO* f : own) {
        FloaterCovers(f, false);
        delete f;
        --m_nFloaterCount;
    }
}

void CHTMLGrid::ClearCellFloaters(WORD col, WORD row)
{
    if (tagCELLINFO* cell = FindCell(row, col)) {
        DestroyFloatersAnchoredIn(cell);
        Repaint();
    }
}

int CHTMLGrid::FloaterCount(WORD col, WORD row) const
{
    tagCELLINFO* cell = FindCell(row, col);
    return cell ? static_cast<int>(cell->floaters.size()) : 0;
}

bool CHTMLGrid::CellHasFloaters(WORD col, WORD row) const { return FloaterCount(col, row) > 0; }

void CHTMLGrid::SetFloaterOptions(bool ownBackground, bool bar)
{
    m_bFloaterOwnBack = ownBackground;
    m_bFloaterBar = bar;
    Repaint();
}

void CHTMLGrid::GetFloaterOptions(bool* ownBackground, bool* bar) const
{
    if (ownBackground) *ownBackground = m_bFloaterOwnBack;
    if (bar) *bar = m_bFloaterBar;
}

void CHTMLGrid::GetFloaterBlockBounds(WORD row, WORD col, WORD* first, WORD* last, int* lanes) const
{
    int top = row, bottom = row;
    // Grow the chain until no floater of a row in it reaches outside.
    for (bool grown = true; grown;) {
        grown = false;
        for (int r = top; r <= bottom; ++r) {
            tagCELLINFO* cell = FindCell(static_cast<WORD>(r), col);
            if (!cell) continue;
            for (const tagFLOATERINFO* f : cell->floaters) {
                const int a = f->anchor->row;
                const int e = a + f->rowSpan - 1;
                if (a < top) {
                    top = a;
                    grown = true;
                }
                if (e > bottom) {
                    bottom = e;
                    grown = true;
                }
            }
        }
    }
    int most = 0;
    for (int r = top; r <= bottom; ++r)
        if (tagCELLINFO* cell = FindCell(static_cast<WORD>(r), col))
            most = std::max(most, static_cast<int>(cell->floaters.size()));
    if (first) *first = static_cast<WORD>(top);
    if (last) *last = static_cast<WORD>(bottom);
    if (lanes) *lanes = most;
}

void CHTMLGrid::InvalidateCellFloaters(WORD row, WORD col)
{
    WORD first = row, last = row;
    GetFloaterBlockBounds(row, col, &first, &last, nullptr);
    for (int r = first; r <= last; ++r)
        if (tagCELLINFO* cell = FindCell(static_cast<WORD>(r), col)) cell->floatersValid = 0;
}

void CHTMLGrid::ValidateCellFloaters(WORD row, WORD col)
{
    WORD first = row, last = row;
    int lanes = 0;
    GetFloaterBlockBounds(row, col, &first, &last, &lanes);
    std::vector<tagFLOATERINFO*> taken(static_cast<size_t>(std::max(lanes, 1)), nullptr);
    for (int r = first; r <= last; ++r) {
        tagCELLINFO* cell = FindCell(static_cast<WORD>(r), col);
        if (!cell) continue;
        for (auto& lane : taken)
            if (lane && !Covers(lane, static_cast<WORD>(r))) lane = nullptr;
        const size_t k = std::min(cell->floaters.size(), taken.size());
        for (tagFLOATERINFO* f : cell->floaters) {
            if (f->anchor != cell) continue;
            size_t lane = 0;
            while (lane < k && taken[lane]) ++lane;
            if (lane >= k) {
                // Every lane of the first k is held; take any free one.
                lane = 0;
                while (lane < taken.size() && taken[lane]) ++lane;
                if (lane >= taken.size()) lane = 0;
            }
            taken[lane] = f;
            f->layout = static_cast<DWORD>(lanes) | (1u << 8) | (static_cast<DWORD>(lane) << 16);
        }
        cell->floatersValid = 1;
    }
}

bool CHTMLGrid::GetFloaterBounds(tagFLOATERINFO* f, RECT* rc)
{
    if (!f || !rc) return false;
    const WORD row = f->anchor->row;
    const WORD col = f->anchor->col;
    if (!f->anchor->floatersValid) ValidateCellFloaters(row, col);
    const int lanes = std::max(f->LaneCount(), 1);
    const int width = m_ColWidth[col];
    const int left = GetColLeft(col) + width * f->Lane() / lanes;
    const int top = static_cast<int>(GetRowTop(row));
    int height = 0;
    for (int r = row; r < row + f->rowSpan && r < m_nRows; ++r) height += GetRowHeight(static_cast<WORD>(r));
    *rc = RECT{left, top, left + width * std::max(f->LanesSpanned(), 1) / lanes, top + height};
    return true;
}

DWORD CHTMLGrid::GetFloaterFromPoint(POINT pt, WORD* col, WORD* row, POINT* local, bool* inBar)
{
    return GetFloaterFromPoint(pt.x, pt.y, col, row, local, inBar);
}

DWORD CHTMLGrid::GetFloaterFromPoint(int x, int y, WORD* col, WORD* row, POINT* local, bool* inBar)
{
    WORD c = GRID_NONE, r = GRID_NONE;
    if (!GetCellFromPoint(x, y, &c, &r)) return 0;
    if (col) *col = c;
    if (row) *row = r;
    tagCELLINFO* cell = FindCell(r, c);
    if (!cell || cell->floaters.empty()) return 0;
    if (!cell->floatersValid) ValidateCellFloaters(r, c);
    RECT cellRect{};
    GetCellRect(c, r, &cellRect);
    const int cellWidth = cellRect.right - cellRect.left;
    for (const tagFLOATERINFO* f : cell->floaters) {
        const int lanes = std::max(f->LaneCount(), 1);
        const int laneWidth = cellWidth / lanes;
        const int laneLeft = cellRect.left + laneWidth * f->Lane();
        const int laneRight = laneLeft + laneWidth * std::max(f->LanesSpanned(), 1);
        if (x < laneLeft || x >= laneRight) continue;
        if (local) *local = POINT{x - laneLeft, y - cellRect.top};
        if (inBar) *inBar = !m_bFloaterBar || x - laneLeft < m_nFloaterBarWidth;
        return f->id;
    }
    return 0;
}
