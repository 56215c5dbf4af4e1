// CHTMLGrid's window: the class, creation and destruction, the message
// dispatch, deferred updates and the display options.

#include "grid/html_grid.h"

#include "grid/html_layout.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/theme_colors.h"
#include "platform/messaging/input.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/scroll_bars.h"

namespace {

constexpr DWORD kGridStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL;  // 0x52300000

bool g_gradientDrawSupported = false;

bool RegisterGridClass(WNDPROC proc)
{
    static const bool registered = [proc] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.lpszClassName = HTMLGRID_CLASS;
        return RegisterClassW(&wc) != 0;
    }();
    return registered;
}

}  // namespace

tagCELLINFO::~tagCELLINFO()
{
    for (tagFLOATERINFO* f : floaters)
        if (f->anchor == this) delete f;
}

int tagCELLINFO::AnchoredFloaters() const
{
    int n = 0;
    for (const tagFLOATERINFO* f : floaters)
        if (f->anchor == this) ++n;
    return n;
}

CHTMLGrid::CHTMLGrid()
    : m_nMinRowHeight(static_cast<WORD>(grid::ScaleY(15))),
      m_nDefRowHeight(static_cast<WORD>(grid::ScaleY(20))),
      m_crLines(GetSysColor(COLOR_WINDOWFRAME)),
      m_crBack(GetSysColor(COLOR_WINDOW)),
      m_crFixedBack(GetSysColor(COLOR_BTNFACE)),
      m_crSelection(GetSysColor(COLOR_HIGHLIGHT)),
      m_crSelText(GetSysColor(COLOR_HIGHLIGHTTEXT)),
      m_crGradientTop(GetThemeColor(THEME_GRADIENT_TOP)),
      m_crGradientBottom(GetThemeColor(THEME_GRADIENT_BOTTOM)),
      m_brBack(CreateSolidBrush(m_crBack)),
      m_brFixedBack(CreateSolidBrush(m_crFixedBack)),
      m_brSelection(CreateSolidBrush(m_crSelection)),
      m_brLines(CreateSolidBrush(m_crLines)),
      m_nFloaterBarWidth(grid::ScaleX(7)),
      // Pictures are scaled on screens of exactly 128 dots per inch.
      m_dwBitmapScaling(platform::DisplayLogPixels() == 128 ? 1 : 0)
{
}

CHTMLGrid::CHTMLGrid(HWND parent, const RECT* rc, bool virtualMode, const WCHAR* title) : CHTMLGrid()
{
    InitWindow(parent, rc, virtualMode, title);
}

CHTMLGrid::~CHTMLGrid()
{
    if (m_hWnd && IsWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, GWL_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
    DestroyAllCells();
}

bool CHTMLGrid::InitWindow(HWND parent, const RECT* rc, bool virtualMode, const WCHAR* title)
{
    if (m_hWnd || !RegisterGridClass(WndProc)) return false;
    m_bVirtual = virtualMode;
    m_hParent = parent;
    RECT r = rc ? *rc : RECT{0, 0, 0, 0};
    m_hWnd = CreateWindowExW(0, HTMLGRID_CLASS, title ? title : u"", kGridStyle, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, nullptr, nullptr, this);
    if (!m_hWnd) return false;
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    SetScrollInfo(m_hWnd, SB_VERT, &si, FALSE);
    SetScrollInfo(m_hWnd, SB_HORZ, &si, FALSE);
    return true;
}

LRESULT CHTMLGrid::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        auto* grid = static_cast<CHTMLGrid*>(create->lpCreateParams);
        if (grid) grid->m_hWnd = hwnd;
        return 0;
    }
    auto* grid = reinterpret_cast<CHTMLGrid*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (!grid) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_DESTROY) {
        // The parent may go first and take the grid window with it; the
        // object lives on without a window.
        SetWindowLongPtrW(hwnd, GWL_USERDATA, 0);
        grid->m_hWnd = nullptr;
        grid->m_BackBuffer.Reset();
        return 0;
    }
    return grid->ProcessMessage(message, wParam, lParam);
}

LRESULT CHTMLGrid::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: OnSize(); return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (!hdr) return 0;
        switch (hdr->code) {
        case GN_CONTEXTMENU:
        case GN_CONTEXTMENU_ALT: return OnContextMenuNotify(hdr);
        case GN_HOTSPOTUP:
        case GN_HOTSPOTDOWN: return OnHotspotNotify(reinterpret_cast<NM_GRIDVIEW*>(lParam));
        case GN_IMAGENOTIFY: return OnInlineImageNotify(reinterpret_cast<NM_IMAGENOTIFY*>(lParam));
        case GN_NM_CLICK: OnClick(reinterpret_cast<NM_GRIDVIEW*>(lParam)); return 0;
        default: return 0;
        }
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP: OnLButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam); return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_HSCROLL: OnHScroll(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam), lParam); return 0;
    case WM_KEYUP: OnKeyUp(static_cast<UINT>(wParam)); return 0;
    case WM_CHAR:
        if (m_hEdit) SendMessageW(m_hEdit, WM_CHAR, wParam, lParam);
        return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    // A floater dragged over its own grid may be dropped on another cell.
    case GN_DRAGOVER:
        if (auto* drag = reinterpret_cast<tagGRIDDRAG*>(lParam); drag && drag->hdr.hwndFrom != m_hWnd)
            return OnForeignDrag(message, wParam, lParam);
        return m_bDragging && m_dwDownFloater != 0 ? 1 : 0;
    case GN_DROP: return OnForeignDrag(message, wParam, lParam);
    case WM_SETFOCUS: return 0;
    case WM_KILLFOCUS:
        if (reinterpret_cast<HWND>(wParam) != m_hEdit) EndTransient();
        return 0;
    case WM_CANCELMODE:
        EndTransient();
        EndEdit(false);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != m_hWnd) EndTransient();
        return 0;
    default: break;
    }
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CHTMLGrid::GetClientRect(RECT* rc) const
{
    if (!rc) return;
    *rc = RECT{0, 0, 0, 0};
    if (m_hWnd) ::GetClientRect(m_hWnd, rc);
}

// ---- Deferred updates ----

void CHTMLGrid::BeginUpdate()
{
    if (m_nUpdateDepth == 0 && m_hWnd) SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
    ++m_nUpdateDepth;
}

void CHTMLGrid::EndUpdate()
{
    if (m_nUpdateDepth == 0) return;
    if (--m_nUpdateDepth > 0) return;
    const int pending = m_nPending;
    m_nPending = 0;
    if (pending & GRID_PENDING_RECALC) RecalcGrid();
    if ((pending & GRID_PENDING_SCROLLTO) && m_nScrollToRow != GRID_NONE) {
        m_nTopRow = m_nScrollToRow;
        m_nScrollToRow = GRID_NONE;
        ClampTopRow();
    }
    if (pending & (GRID_PENDING_SCROLLBARS | GRID_PENDING_HBAR | GRID_PENDING_VBAR | GRID_PENDING_RECALC))
        SetupScrollBars();
    if (m_hWnd) SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
    if (pending & GRID_PENDING_REPAINT) Repaint(GRID_PAINT_ALL);
}

void CHTMLGrid::Repaint(int reason)
{
    if (IsInUpdate()) {
        m_nPending |= GRID_PENDING_REPAINT;
        return;
    }
    if (!m_hWnd) return;
    m_nPaintReason = CombineReason(reason);
    if (reason == GRID_PAINT_SELECTION) {
        // Only the rows of the selection.
        RECT first{}, last{};
        const bool a = GetCellRect(m_nFixedCols, m_nFirstRow, &first) || GetCellRect(m_nLeftCol, m_nFirstRow, &first);
        const bool b = GetCellRect(m_nFixedCols, m_nLastRow, &last) || GetCellRect(m_nLeftCol, m_nLastRow, &last);
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        if (a || b) {
            RECT rows{0, a ? first.top : static_cast<LONG>(m_dwFixedHeight), client.right,
                      b ? last.bottom : client.bottom};
            InvalidateRect(m_hWnd, &rows, FALSE);
        } else if (m_nFirstRow != GRID_NONE && m_nFirstRow < m_nTopRow && m_nLastRow >= m_nTopRow) {
            InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return;
    }
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

int CHTMLGrid::CombineReason(int reason) const
{
    RECT pending{};
    if (!m_hWnd || !GetUpdateRect(m_hWnd, &pending, FALSE)) return reason;
    if (m_nPaintReason == reason) return reason;
    // Selection and cell repaints both redraw the rows of the update box.
    const bool rowsOnly = [](int r) { return r == GRID_PAINT_SELECTION || r == GRID_PAINT_CELL; }(reason);
    const bool pendingRowsOnly = m_nPaintReason == GRID_PAINT_SELECTION || m_nPaintReason == GRID_PAINT_CELL;
    return rowsOnly && pendingRowsOnly ? GRID_PAINT_SELECTION : GRID_PAINT_ALL;
}

// ---- Options ----

void CHTMLGrid::SetShowHLines(bool on)
{
    m_bHLines = on;
    Repaint();
}
void CHTMLGrid::SetShowVLines(bool on)
{
    m_bVLines = on;
    Repaint();
}
void CHTMLGrid::SetShowFixedHLines(bool on)
{
    m_bFixedHLines = on;
    Repaint();
}
void CHTMLGrid::SetShowFixedVLines(bool on)
{
    m_bFixedVLines = on;
    Repaint();
}
void CHTMLGrid::SetShowFocus(bool on)
{
    m_bShowFocus = on;
    Repaint();
}
void CHTMLGrid::SetBackColor(COLORREF colour)
{
    m_crBack = colour;
    m_brBack.Reset(CreateSolidBrush(colour));
    Repaint();
}
void CHTMLGrid::SetFixedBackColor(COLORREF colour)
{
    m_crFixedBack = colour;
    m_brFixedBack.Reset(CreateSolidBrush(colour));
    Repaint();
}
void CHTMLGrid::SetLinesColor(COLORREF colour)
{
    m_crLines = colour;
    m_brLines.Reset(CreateSolidBrush(colour));
    Repaint();
}
void CHTMLGrid::SetSelectionColor(COLORREF brush, COLORREF text)
{
    m_crSelection = brush;
    m_crSelText = text;
    m_brSelection.Reset(CreateSolidBrush(brush));
    Repaint();
}
void CHTMLGrid::SetGradientDrawSupported(bool on) { g_gradientDrawSupported = on; }
bool CHTMLGrid::GetGradientDrawSupported() { return g_gradientDrawSupported; }
