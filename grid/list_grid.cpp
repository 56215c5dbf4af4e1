#include "grid/list_grid.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "categories/category_pictures.h"
#include "grid/html_layout.h"
#include "platform/text/wide_string.h"

namespace {

constexpr int kMinRowHeight = 20;
constexpr int kMargin = 2;
constexpr COLORREF kLineColour = RGB(0xD8, 0xDC, 0xE2);
constexpr COLORREF kSelection = RGB(0x20, 0x60, 0xD0);
const std::u16string kToggleTarget = u"toggle";

}  // namespace

bool CListGrid::Create(HWND parent, const RECT& rc)
{
    if (!InitWindow(parent, &rc, true, u"list")) return false;
    // Category pictures are files named after their category; the default
    // set is installed the first time a list is shown.
    InstallDefaultCategoryPictures();
    SetResourcesRootPath((CategoryPicturesFolder() + u"\\").c_str());
    BeginUpdate();
    SetMinRowHeight(static_cast<WORD>(grid::ScaleY(kMinRowHeight)));
    SetShowHLines(true);
    SetShowVLines(true);
    SetLinesColor(kLineColour);
    SetSelectionColor(kSelection, RGB(255, 255, 255));
    SetRowSelect(true);
    SetKeysScrollMode(2);
    EndUpdate();
    return true;
}

bool CListGrid::SetContent(CListRows rows, std::vector<LISTFLOATER> floaters)
{
    if (rows.VisibleCount() > GRID_MAX_DIMENSION) return false;
    const int top = GetTopRow(), current = SelectedRow();
    m_rows = std::move(rows);
    m_floaters = std::move(floaters);
    return Show(top, current);
}

bool CListGrid::Show(int top, int current)
{
    const int count = m_rows.VisibleCount();
    if (count > GRID_MAX_DIMENSION) return false;
    BeginUpdate();
    SetDimensions(static_cast<WORD>(count), m_rows.ColumnCount());
    for (WORD c = 0; c < m_rows.ColumnCount(); ++c) {
        const WORD w = m_rows.ColumnWidth(c);
        SetColWidth(c, w == kListColumnShared ? GRID_NONE : static_cast<WORD>(std::min(grid::ScaleX(w), 65534)));
    }
    // Floater ids are positions in the list (plus one): a repeated
    // appointment may show twice under one oid.
    for (size_t i = 0; i < m_floaters.size(); ++i) {
        const LISTFLOATER& f = m_floaters[i];
        if (f.row < count && f.col < m_rows.ColumnCount())
            AddFloater(f.col, f.row, static_cast<DWORD>(i + 1), f.rowSpan, f.lengthPercent, f.startPercent, f.colour, 0);
    }
    if (top > 0 && top < count) SetTopRow(static_cast<WORD>(top));
    if (current >= 0 && current < count) SetSelection(0, static_cast<WORD>(current), 0, static_cast<WORD>(current));
    EndUpdate();
    return true;
}

bool CListGrid::OnParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    switch (message) {
    case GN_GETCELLDATA: {
        auto* request = reinterpret_cast<GRIDCELLREQUEST*>(lParam);
        if (!request) return true;
        const int row = static_cast<int>(request->hdr.idFrom >> 16);
        const int col = static_cast<int>(request->hdr.idFrom & 0xFFFF);
        const LISTROW* shown = m_rows.Visible(row);
        request->text = m_rows.CellMarkup(row, col);
        if (!shown || !request->text) return true;
        const LONG m = grid::ScaleX(kMargin);
        request->margins = RECT{m, m, m, m};
        request->data = shown->oid;
        // A header is one line drawn across the row (OnCellDraw).
        request->singleLine = shown->header ? 1 : 0;
        return true;
    }
    case GN_GETFLOATER: {
        const auto* request = reinterpret_cast<GRIDFLOATERREQUEST*>(lParam);
        auto** out = reinterpret_cast<WCHAR**>(wParam);
        if (!request || !out || request->hdr.idFrom == 0 || request->hdr.idFrom > m_floaters.size()) return true;
        const std::u16string& markup = m_floaters[request->hdr.idFrom - 1].markup;
        // The grid takes the block and frees it.
        auto* block = static_cast<WCHAR*>(std::malloc((markup.size() + 1) * sizeof(WCHAR)));
        if (!block) return true;
        std::memcpy(block, markup.c_str(), (markup.size() + 1) * sizeof(WCHAR));
        *out = block;
        return true;
    }
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (!hdr || hdr->hwndFrom != GetHwnd() || !GetHwnd()) return false;
        const auto* view = reinterpret_cast<const NM_GRIDVIEW*>(lParam);
        switch (hdr->code) {
        case GN_CELLTAP: *result = 1; return true;  // look for hot spots under the tap
        case GN_HOTSPOTUP:
            if (view->target && kToggleTarget == view->target) ToggleHeader(view->row);
            return true;
        case GN_TAPRELEASE:
            if (const LISTROW* r = m_rows.Visible(view->row); r && r->header) ToggleHeader(view->row);
            return true;
        default: return false;
        }
    }
    default: return false;
    }
}

bool CListGrid::ToggleHeader(int row)
{
    const int top = GetTopRow();
    if (!m_rows.Toggle(row)) return false;
    if (Show(top, row)) return true;
    m_rows.Toggle(row);  // too many rows to open: it stays closed
    return false;
}

int CListGrid::RowAt(int x, int y)
{
    WORD col = GRID_NONE, row = GRID_NONE;
    if (!GetCellFromPoint(x, y, &col, &row)) return -1;
    return row;
}

void CListGrid::SelectRow(int row)
{
    if (row < 0 || row >= GetRowCount()) return;
    SetSelection(0, static_cast<WORD>(row), 0, static_cast<WORD>(row));
    MakeCellVisible(0, static_cast<WORD>(row));
}

int CListGrid::SelectedRow() const
{
    WORD c1 = GRID_NONE, r1 = GRID_NONE, c2 = GRID_NONE, r2 = GRID_NONE;
    GetSelection(&c1, &r1, &c2, &r2);
    return r1 == GRID_NONE || r1 >= GetRowCount() ? -1 : r1;
}

DWORD CListGrid::FloaterItem(DWORD floaterId) const
{
    return floaterId == 0 || floaterId > m_floaters.size() ? 0 : m_floaters[floaterId - 1].id;
}

void CListGrid::OnCellDraw(HDC dc, WORD col, WORD row, const RECT& rc, UINT state)
{
    const LISTROW* shown = m_rows.Visible(row);
    if (!shown || !shown->header) {
        CHTMLGrid::OnCellDraw(dc, col, row, rc, state);
        return;
    }
    // The header's first cell takes the whole row; the others draw nothing.
    if (col != 0) return;
    RECT wide = rc;
    wide.right = rc.left + GetColLeft(GetColCount()) - GetColLeft(0);
    CHTMLGrid::OnCellDraw(dc, col, row, wide, state);
}
