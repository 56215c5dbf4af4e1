// CHTMLGrid's model: dimensions, cells (requested from the parent in
// virtual mode), column widths and row heights.

#include <algorithm>

#include "grid/html_grid.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/painting.h"

namespace {

// A cell's text is at most this long when read back.
constexpr int kCellTextMax = 4096;

}  // namespace

HDC CHTMLGrid::MeasureDC()
{
    if (!m_MeasureDC) m_MeasureDC.Reset(CreateCompatibleDC(nullptr));
    return m_MeasureDC.Get();
}

// ---- Cells ----

tagCELLINFO* CHTMLGrid::FindCell(WORD row, WORD col) const
{
    auto it = m_Cells.find(GridCellKey(row, col));
    return it == m_Cells.end() ? nullptr : it->second.get();
}

tagCELLINFO* CHTMLGrid::MakeCell(WORD row, WORD col)
{
    auto cell = std::make_unique<tagCELLINFO>();
    cell->row = row;
    cell->col = col;
    tagCELLINFO* raw = cell.get();
    m_Cells[GridCellKey(row, col)] = std::move(cell);
    return raw;
}

void CHTMLGrid::FillCell(tagCELLINFO* cell, const WCHAR* text, BYTE quality)
{
    cell->source = text ? text : u"";
    cell->hotspots.clear();
    cell->SetFontQuality(quality);
    cell->SetBitmapScaling(m_dwBitmapScaling);
    cell->SetHTML(cell->source.c_str());
    cell->ParseHTML(m_hWnd);
}

tagCELLINFO* CHTMLGrid::GetCell(WORD row, WORD col)
{
    if (row >= m_nRows || col >= m_nCols) return nullptr;
    if (tagCELLINFO* cell = FindCell(row, col)) return cell;
    if (!m_bVirtual || m_bInRequest) return nullptr;

    GRIDCELLREQUEST request{};
    request.hdr.hwndFrom = m_hWnd;
    request.hdr.idFrom = GridCellKey(row, col);
    request.hdr.code = GN_GETCELLDATA;
    request.userID = m_RowUserID[row];
    request.columnWidth = GRID_NONE;
    request.rowHeight = GRID_NONE;
    request.fontQuality = m_bFontQuality;
    const unsigned generation = m_nGeneration;
    m_bInRequest = true;
    SendMessageW(m_hParent, GN_GETCELLDATA, 0, reinterpret_cast<LPARAM>(&request));
    m_bInRequest = false;
    // The parent may have changed the dimensions or made the cell itself
    // while answering; an answer for a key that no longer stands is dropped.
    if (generation != m_nGeneration || row >= m_nRows || col >= m_nCols) return FindCell(row, col);
    if (tagCELLINFO* made = FindCell(row, col)) return made;
    if (!request.text) return nullptr;

    tagCELLINFO* cell = MakeCell(row, col);
    cell->data = request.data;
    cell->singleLine = request.singleLine;
    cell->margins = request.margins;
    cell->minHeight = request.minHeight;
    cell->indent = request.indent;
    FillCell(cell, request.text, request.fontQuality);
    if (request.columnWidth != GRID_NONE) m_ColWidthAnswer[col] = request.columnWidth;
    if (request.rowHeight != GRID_NONE) m_RowExplicit[row] = request.rowHeight;
    return cell;
}

void CHTMLGrid::DestroyAllCells()
{
    // Floaters are owned by their anchors; every covering cell goes too, so
    // no list needs to be unpicked.
    m_Cells.clear();
    m_nFloaterCount = 0;
    ++m_nGeneration;
}

void CHTMLGrid::DestroyCell(tagCELLINFO* cell)
{
    if (!cell) return;
    DestroyFloatersAnchoredIn(cell);
    // Floaters anchored elsewhere that cover this cell just lose it.
    m_Cells.erase(GridCellKey(cell->row, cell->col));
}

bool CHTMLGrid::SetCellText(WORD col, WORD row, const WCHAR* text)
{
    return SetCellText(col, row, text, m_bFontQuality, nullptr);
}
bool CHTMLGrid::SetCellText(WORD col, WORD row, const WCHAR* text, BYTE quality)
{
    return SetCellText(col, row, text, quality, nullptr);
}
bool CHTMLGrid::SetCellText(WORD col, WORD row, const WCHAR* text, const RECT* margins)
{
    return SetCellText(col, row, text, m_bFontQuality, margins);
}

bool CHTMLGrid::SetCellText(WORD col, WORD row, const WCHAR* text, BYTE quality, const RECT* margins)
{
    if (row >= m_nRows || col >= m_nCols) return false;
    tagCELLINFO* cell = FindCell(row, col);
    if (!cell) {
        if (!m_bVirtual) return false;
        cell = MakeCell(row, col);
    }
    if (margins) cell->margins = *margins;
    FillCell(cell, text, quality);
    RecalcAfterTextChange(row, col);
    return true;
}

void CHTMLGrid::RecalcAfterTextChange(WORD row, WORD col)
{
    if (m_RowExplicit[row] == GRID_NONE && !m_bRowHeightFixed) {
        // A virtual grid measures the rows on screen and estimates the
        // rest; inside BeginUpdate the grid is laid out once at EndUpdate.
        if (m_bVirtual || IsInUpdate()) {
            if (m_bVirtual) m_RowMeasured[row] = false;
            Relayout();
            return;
        }
        // Every row of a grid of set cells has its height: only this row is
        // measured again. Should that bring in or take away the vertical
        // bar, the columns narrow or widen and every row is laid out again.
        const WORD before = StoredRowHeight(row);
        MeasureRow(row);
        if (row >= m_nRows) return;  // the parent remade the grid while answering
        const bool taller = m_dwTotalHeight > static_cast<DWORD>(m_nVisibleHeight);
        if (m_bAllowVBar && taller != m_bVBar) {
            Relayout();
        } else if (StoredRowHeight(row) != before) {
            ClampTopRow();
            SetupScrollBars();
            Repaint();
        } else {
            InvalidateCell(col, row);
        }
    } else if (!IsInUpdate()) {
        InvalidateCell(col, row);
    } else {
        m_nPending |= GRID_PENDING_REPAINT;
    }
}

std::u16string CHTMLGrid::GetCellText(WORD col, WORD row, bool editableOnly)
{
    tagCELLINFO* cell = FindCell(row, col);
    if (!cell) return {};
    WCHAR buffer[kCellTextMax] = {};
    cell->GetText(buffer, kCellTextMax, editableOnly);
    return std::u16string(buffer);
}

void CHTMLGrid::UpdateCellText(WORD col, WORD row)
{
    if (!m_bVirtual || row >= m_nRows || col >= m_nCols) return;
    DestroyCell(FindCell(row, col));
    GetCell(row, col);
    RecalcAfterTextChange(row, col);
}

void CHTMLGrid::UpdateRowText(WORD row)
{
    if (row >= m_nRows) return;
    BeginUpdate();
    m_RowExplicit[row] = GRID_NONE;
    for (WORD col = 0; col < m_nCols; ++col) UpdateCellText(col, row);
    EndUpdate();
}

void CHTMLGrid::SetCellData(WORD col, WORD row, DWORD data)
{
    if (tagCELLINFO* cell = GetCell(row, col)) cell->data = data;
}

DWORD CHTMLGrid::GetCellData(WORD col, WORD row)
{
    tagCELLINFO* cell = GetCell(row, col);
    return cell ? cell->data : 0;
}

void CHTMLGrid::SetCellSingleLine(WORD col, WORD row, bool single)
{
    if (tagCELLINFO* cell = GetCell(row, col)) cell->singleLine = single ? 1 : 0;
}

void CHTMLGrid::SetRowUserID(WORD row, DWORD id)
{
    if (row < m_nRows) m_RowUserID[row] = id;
}

DWORD CHTMLGrid::GetRowUserID(WORD row) const { return row < m_nRows ? m_RowUserID[row] : 0; }

WCHAR* CHTMLGrid::GetCellHotSpot(WORD col, WORD row, int index)
{
    tagCELLINFO* cell = FindCell(row, col);
    if (!cell || cell->hotspots.empty()) return nullptr;
    if (index < 0 || static_cast<size_t>(index) >= cell->hotspots.size())
        index = static_cast<int>(cell->hotspots.size()) - 1;
    const WCHAR* target = cell->hotspots[static_cast<size_t>(index)].target;
    size_t length = 0;
    while (target[length]) ++length;
    auto* copy = new WCHAR[length + 1];
    std::copy(target, target + length + 1, copy);
    return copy;
}

// ---- Dimensions ----

bool CHTMLGrid::SetDimensions(WORD rows, WORD cols)
{
    if (rows > GRID_MAX_DIMENSION || cols > GRID_MAX_DIMENSION) return false;
    if (m_hEdit) SendMessageW(m_hEdit, WM_CANCELMODE, 0, 0);
    DestroyAllCells();
    m_nRows = rows;
    m_nCols = cols;
    m_nFixedRows = std::min(m_nFixedRows, rows);
    m_nFixedCols = std::min(m_nFixedCols, cols);
    m_ColWidthAnswer.assign(cols, GRID_NONE);
    m_ColWidth.assign(cols, 0);
    m_RowExplicit.assign(rows, GRID_NONE);
    m_RowHeight.assign(rows, GRID_NONE);
    m_bRowTopsStale = true;
    m_RowMeasured.assign(rows, false);
    m_RowUserID.assign(rows, 0);
    m_nEstimate = 0;
    m_nTopRow = m_nFixedRows;
    m_nLeftCol = m_nFixedCols;
    if (!m_bVirtual) {
        for (WORD r = 0; r < rows; ++r)
            for (WORD c = 0; c < cols; ++c) FillCell(MakeCell(r, c), u"", m_bFontQuality);
    }
    if (m_nFirstRow != GRID_NONE && (m_nLastRow >= rows || m_nLastCol >= cols)) {
        m_nAnchorCol = m_nAnchorRow = m_nFirstCol = m_nFirstRow = m_nLastCol = m_nLastRow = GRID_NONE;
    }
    if (m_nCurRow != GRID_NONE && m_nCurRow >= rows) m_nCurRow = GRID_NONE;
    if (m_nCurCol != GRID_NONE && m_nCurCol >= cols) m_nCurCol = GRID_NONE;
    if (IsInUpdate()) {
        m_nPending |= GRID_PENDING_RECALC | GRID_PENDING_SCROLLBARS | GRID_PENDING_VISIBLE | GRID_PENDING_REPAINT;
        return true;
    }
    RecalcGrid();
    SetupScrollBars();
    Repaint();
    return true;
}

void CHTMLGrid::SetFixedColCount(WORD n)
{
    m_nFixedCols = std::min(n, m_nCols);
    m_nLeftCol = std::max(m_nLeftCol, m_nFixedCols);
    Relayout();
}

void CHTMLGrid::SetFixedRowCount(WORD n)
{
    m_nFixedRows = std::min(n, m_nRows);
    m_nTopRow = std::max(m_nTopRow, m_nFixedRows);
    Relayout();
}

void CHTMLGrid::Relayout()
{
    if (IsInUpdate()) {
        m_nPending |= GRID_PENDING_RECALC | GRID_PENDING_REPAINT;
        return;
    }
    RecalcGrid();
    SetupScrollBars();
    Repaint();
}

void CHTMLGrid::RekeyCells()
{
    std::map<DWORD, std::unique_ptr<tagCELLINFO>> rekeyed;
    for (auto& [key, cell] : m_Cells) rekeyed.emplace(GridCellKey(cell->row, cell->col), std::move(cell));
    m_Cells = std::move(rekeyed);
}

void CHTMLGrid::DeleteRows(WORD first, WORD count)
{
    if (first >= m_nRows) return;
    count = static_cast<WORD>(std::min<int>(count, m_nRows - first));
    if (count == 0) return;
    for (int n = 0; n < count; ++n) {
        if (first < m_nFixedRows) --m_nFixedRows;
        for (WORD col = 0; col < m_nCols; ++col) DestroyCell(FindCell(first, col));
        m_RowExplicit.erase(m_RowExplicit.begin() + first);
        m_RowHeight.erase(m_RowHeight.begin() + first);
        m_bRowTopsStale = true;
        m_RowMeasured.erase(m_RowMeasured.begin() + first);
        m_RowUserID.erase(m_RowUserID.begin() + first);
        // The cells below move up one row.
        for (auto& [key, cell] : m_Cells)
            if (cell->row > first) --cell->row;
        RekeyCells();
        --m_nRows;
    }
    ++m_nGeneration;
    for (auto& [key, cell] : m_Cells) cell->floatersValid = 0;
    const WORD last = m_nRows ? static_cast<WORD>(m_nRows - 1) : 0;
    auto clamp = [&](WORD& row) {
        if (row != GRID_NONE && row > last) row = m_nRows ? last : GRID_NONE;
    };
    clamp(m_nCurRow);
    clamp(m_nAnchorRow);
    clamp(m_nFirstRow);
    clamp(m_nLastRow);
    if (m_nFirstRow == GRID_NONE || m_nLastRow == GRID_NONE)
        m_nFirstRow = m_nLastRow = m_nAnchorRow = m_nFirstCol = m_nLastCol = m_nAnchorCol = GRID_NONE;
    m_nTopRow = std::min<WORD>(m_nTopRow, last);
    m_nTopRow = std::max(m_nTopRow, m_nFixedRows);
    Relayout();
}

void CHTMLGrid::DeleteCols(WORD first, WORD count)
{
    if (first >= m_nCols) return;
    count = static_cast<WORD>(std::min<int>(count, m_nCols - first));
    if (count == 0) return;
    for (int n = 0; n < count; ++n) {
        if (first < m_nFixedCols) --m_nFixedCols;
        for (WORD row = 0; row < m_nRows; ++row) DestroyCell(FindCell(row, first));
        m_ColWidthAnswer.erase(m_ColWidthAnswer.begin() + first);
        m_ColWidth.erase(m_ColWidth.begin() + first);
        // The cells to the right move left one column.
        for (auto& [key, cell] : m_Cells)
            if (cell->col > first) --cell->col;
        RekeyCells();
        --m_nCols;
    }
    ++m_nGeneration;
    for (auto& [key, cell] : m_Cells) cell->floatersValid = 0;
    const WORD last = m_nCols ? static_cast<WORD>(m_nCols - 1) : 0;
    auto clamp = [&](WORD& col) {
        if (col != GRID_NONE && col > last) col = m_nCols ? last : GRID_NONE;
    };
    clamp(m_nCurCol);
    clamp(m_nAnchorCol);
    clamp(m_nFirstCol);
    clamp(m_nLastCol);
    if (m_nFirstCol == GRID_NONE || m_nLastCol == GRID_NONE)
        m_nFirstRow = m_nLastRow = m_nAnchorRow = m_nFirstCol = m_nLastCol = m_nAnchorCol = GRID_NONE;
    m_nLeftCol = std::max<WORD>(std::min<WORD>(m_nLeftCol, last), m_nFixedCols);
    Relayout();
}

// ---- Sizes ----

void CHTMLGrid::SetColWidth(WORD col, WORD width)
{
    if (col >= m_nCols) return;
    m_ColWidthAnswer[col] = width;
    Relayout();
}

WORD CHTMLGrid::GetColWidth(WORD col) const { return col < m_nCols ? m_ColWidth[col] : 0; }

void CHTMLGrid::SetRowHeight(WORD row, WORD height)
{
    if (row >= m_nRows) return;
    m_RowExplicit[row] = height;
    Relayout();
}

void CHTMLGrid::SetMinRowHeight(WORD height)
{
    m_nMinRowHeight = height;
    m_nDefRowHeight = height;
    m_bRowTopsStale = true;
    Relayout();
}

void CHTMLGrid::SetRowHeightFixed(bool fixed)
{
    m_bRowHeightFixed = fixed;
    Relayout();
}

int CHTMLGrid::RecalcCols(int width)
{
    int given = 0;
    int open = 0;
    for (WORD c = 0; c < m_nCols; ++c) {
        if (m_ColWidthAnswer[c] != GRID_NONE)
            given += m_ColWidthAnswer[c];
        else
            ++open;
    }
    const int left = std::max(0, width - given);
    const int share = open ? left / open : 0;
    int extra = open ? left % open : 0;
    int sum = 0;
    m_nFixedColsWidth = 0;
    for (WORD c = 0; c < m_nCols; ++c) {
        int w = m_ColWidthAnswer[c];
        if (m_ColWidthAnswer[c] == GRID_NONE) {
            w = share;
            if (extra > 0) {
                ++w;
                --extra;
            }
        }
        m_ColWidth[c] = static_cast<WORD>(std::min(w, 65534));
        sum += m_ColWidth[c];
        if (c < m_nFixedCols) m_nFixedColsWidth += m_ColWidth[c];
    }
    return sum;
}

WORD CHTMLGrid::GetCellHeight(WORD row, WORD col)
{
    if (row >= m_nRows || col >= m_nCols) return 0;
    tagCELLINFO* cell = FindCell(row, col);
    if (cell && m_RowExplicit[row] != GRID_NONE) return m_RowExplicit[row];
    if (!cell) cell = GetCell(row, col);
    if (!cell || row >= m_nRows || col >= m_nCols) return m_nMinRowHeight;
    if (m_bRowHeightFixed) return m_nMinRowHeight;
    const int width = m_ColWidth[col];
    RECT rc{cell->margins.left, cell->margins.top, width - cell->margins.right, cell->margins.top};
    if (cell->singleLine) rc.right = width + DRAWHTML_SINGLELINE - cell->margins.right;
    MeasureHTML(MeasureDC(), &rc, cell->indent, cell);
    const bool lines = row < m_nFixedRows ? m_bFixedHLines : m_bHLines;
    int height = rc.bottom + (lines ? 1 : 0) + cell->margins.bottom - cell->margins.top;
    const int least = cell->minHeight ? cell->minHeight : m_nMinRowHeight;
    height = std::clamp(height, least, 65534);
    return static_cast<WORD>(height);
}

void CHTMLGrid::RecalcRows(int visibleHeight) { RecalcRows(visibleHeight, false); }

bool CHTMLGrid::RecalcRows(int visibleHeight, bool probe)
{
    const unsigned generation = m_nGeneration;
    const DWORD visible = static_cast<DWORD>(std::max(visibleHeight, 0));
    DWORD accumulated = 0;
    m_dwTotalHeight = 0;
    m_dwFixedHeight = 0;
    m_nEstimate = 0;
    m_bRowTopsStale = true;
    // The first cell at or after the current row; cells are keyed row-major,
    // so one walk over the map answers "has this row cells" for every row.
    auto next = m_Cells.begin();
    for (WORD row = 0; row < m_nRows; ++row) {
        while (next != m_Cells.end() && (next->first >> 16) < row) ++next;
        const bool hasCells = next != m_Cells.end() && (next->first >> 16) == row;
        const bool past = m_bVirtual && accumulated > visible;
        // A probe only asks whether the rows are taller than the screen.
        if (probe && accumulated > visible) return true;
        WORD height = 0;
        bool measured = true;
        if (m_RowExplicit[row] != GRID_NONE) {
            height = m_RowExplicit[row];
        } else if (m_bRowHeightFixed) {
            height = m_nMinRowHeight;
        } else if (past && !hasCells) {
            // Past the visible height cells are not asked for: the row
            // counts as the running estimate.
            height = m_nEstimate ? m_nEstimate : m_nMinRowHeight;
            measured = false;
        } else {
            for (WORD col = 0; col < m_nCols; ++col) {
                WORD h = 0;
                if (past && !FindCell(row, col)) {
                    h = m_nEstimate ? m_nEstimate : m_nMinRowHeight;
                    measured = false;
                } else {
                    h = GetCellHeight(row, col);
                }
                height = std::max(height, h);
            }
            // The parent changed the dimensions while answering: the
            // calculation that did that has already run.
            if (generation != m_nGeneration) return false;
            // A request may have set the row's height.
            if (m_RowExplicit[row] != GRID_NONE) height = m_RowExplicit[row];
            if (m_nCols == 0) height = m_nMinRowHeight;
            // Requests may have added cells: find the walk's place again.
            next = m_Cells.lower_bound(GridCellKey(row, 0));
        }
        if (row >= m_nFixedRows)
            m_nEstimate = m_nEstimate ? static_cast<WORD>((m_nEstimate + height) / 2) : height;
        else
            m_dwFixedHeight += height;
        m_RowHeight[row] = height;
        m_RowMeasured[row] = measured;
        accumulated += height;
        m_dwTotalHeight += height;
    }
    return accumulated > visible;
}

WORD CHTMLGrid::GetRowHeight(WORD row, bool recalc)
{
    if (row >= m_nRows) return 0;
    if (!m_bVirtual) return m_RowHeight[row] == GRID_NONE ? m_nMinRowHeight : m_RowHeight[row];
    if (m_RowMeasured[row] && !recalc && m_RowHeight[row] != GRID_NONE) return m_RowHeight[row];
    MeasureRow(row);
    if (row >= m_nRows) return m_nMinRowHeight;
    return m_RowHeight[row] == GRID_NONE ? m_nMinRowHeight : m_RowHeight[row];
}

void CHTMLGrid::MeasureRow(WORD row)
{
    WORD height = 0;
    if (m_RowExplicit[row] != GRID_NONE) {
        height = m_RowExplicit[row];
    } else if (m_bRowHeightFixed) {
        height = m_nMinRowHeight;
    } else {
        const unsigned generation = m_nGeneration;
        for (WORD col = 0; col < m_nCols; ++col) height = std::max(height, GetCellHeight(row, col));
        if (generation != m_nGeneration || row >= m_nRows) return;
        if (m_RowExplicit[row] != GRID_NONE) height = m_RowExplicit[row];
        if (m_nCols == 0) height = m_nMinRowHeight;
    }
    const WORD old = m_RowHeight[row] == GRID_NONE ? 0 : m_RowHeight[row];
    if (!m_bRowTopsStale) m_RowTops.Change(row, StoredRowHeight(row), height);
    m_RowHeight[row] = height;
    m_RowMeasured[row] = true;
    m_dwTotalHeight = m_dwTotalHeight - old + height;
    if (row < m_nFixedRows) m_dwFixedHeight = m_dwFixedHeight - old + height;
}

WORD CHTMLGrid::EnsureRowHeight(WORD row) { return GetRowHeight(row, false); }

void CHTMLGrid::RecalcGrid()
{
    int width = 0, height = 0;
    if (m_hWnd) {
        // The bars are decided here, so start from the whole window.
        RECT window{};
        GetWindowRect(m_hWnd, &window);
        const int border = GetBorder() ? 2 * GetSystemMetrics(SM_CXBORDER) : 0;
        width = window.right - window.left - border;
        height = window.bottom - window.top - border;
    }
    m_bVBar = m_bHBar = false;
    int cols = RecalcCols(width);
    // Without a bar the rows are only measured until they pass the height:
    // beyond that the bar is needed and the rows are laid out again anyway.
    const bool taller = RecalcRows(height, m_bAllowVBar);
    if (taller && m_bAllowVBar) {
        m_bVBar = true;
        width -= GetSystemMetrics(SM_CXVSCROLL);
        cols = RecalcCols(width);
        RecalcRows(height);
    }
    if (cols > width && m_bAllowHBar) {
        m_bHBar = true;
        height -= GetSystemMetrics(SM_CYHSCROLL);
        if (!m_bVBar && m_bAllowVBar && m_dwTotalHeight > static_cast<DWORD>(std::max(height, 0))) {
            m_bVBar = true;
            width -= GetSystemMetrics(SM_CXVSCROLL);
            RecalcCols(width);
            RecalcRows(height);
        }
    }
    m_nVisibleWidth = std::max(width, 0);
    m_nVisibleHeight = std::max(height, 0);
    ClampTopRow();
}

const GridRowOffsets& CHTMLGrid::RowTops() const
{
    if (m_bRowTopsStale || m_RowTops.Rows() != m_nRows) {
        m_RowTops.Reset(m_nRows, [this](size_t r) { return StoredRowHeight(static_cast<WORD>(r)); });
        m_bRowTopsStale = false;
    }
    return m_RowTops;
}

DWORD CHTMLGrid::GetRowTop(WORD row) const { return static_cast<DWORD>(RowTops().Top(row)); }

int CHTMLGrid::GetColLeft(WORD col) const
{
    int x = 0;
    const WORD end = std::min(col, m_nCols);
    for (WORD c = 0; c < end; ++c) x += m_ColWidth[c];
    return x;
}
