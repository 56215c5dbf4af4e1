// CHTMLGrid's input: taps, double taps and tap-and-hold, hot spots, selecting
// by moving, drags, the scroll bars, the keys, the timers, and the notices
// the parent hears of them.

#include <algorithm>
#include <cstdlib>

#include "grid/html_grid.h"
#include "grid/html_layout.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/input.h"
#include "platform/messaging/scroll_bars.h"

namespace {

constexpr UINT kDoubleTapMs = 200;
constexpr UINT kAutoScrollMs = 300;
constexpr UINT kDelayedSettleMs = 1250;

bool IsNavigationKey(UINT vk)
{
    return vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_HOME || vk == VK_END ||
           vk == VK_PRIOR || vk == VK_NEXT;
}

}  // namespace

NM_GRIDVIEW CHTMLGrid::MakeView(UINT code, int x, int y, WORD col, WORD row)
{
    NM_GRIDVIEW view{};
    view.hdr.hwndFrom = m_hWnd;
    view.hdr.code = code;
    view.x = x;
    view.y = y;
    view.row = row;
    view.column = col;
    return view;
}

LRESULT CHTMLGrid::NotifyParent(UINT code, NM_GRIDVIEW* view)
{
    view->hdr.code = code;
    if (!m_hParent || !IsWindow(m_hParent)) return 0;
    return SendMessageW(m_hParent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(view));
}

void CHTMLGrid::SetBarsScrollMode(int mode)
{
    if (mode >= 0 && mode <= 2) m_nBarsScrollMode = mode;
}

void CHTMLGrid::SetKeysScrollMode(int mode)
{
    if (mode >= 0 && mode <= 2) m_nKeysScrollMode = mode;
}

// ---- Taps ----

void CHTMLGrid::OnLButtonDown(int x, int y)
{
    if (!m_hWnd) return;
    if (m_hEdit) EndEdit(true);
    SetFocus(m_hWnd);
    WORD col = GRID_NONE, row = GRID_NONE;
    const bool onCell = GetCellFromPoint(x, y, &col, &row);
    const bool normal = onCell && col >= m_nFixedCols && row >= m_nFixedRows;
    if (!normal) EmptySelection();

    // A second tap inside the double-tap window on the same cell. The
    // window is judged by the input's time stamps; timer 84 closes it when
    // no second tap comes.
    const DWORD now = static_cast<DWORD>(GetMessageTime());
    m_bDoubleTap = m_bTapWindow && now - m_dwDownTime <= kDoubleTapMs && col == m_nDownCol && row == m_nDownRow;
    m_dwDownTime = now;
    if (m_bDoubleTap) {
        KillTimer(m_hWnd, GRID_TIMER_DOUBLETAP);
        m_bTapWindow = false;
    } else {
        SetTimer(m_hWnd, GRID_TIMER_DOUBLETAP, kDoubleTapMs, nullptr);
        m_bTapWindow = true;
    }
    m_bRepeatTap = normal && col == m_nCurCol && row == m_nCurRow && m_nFirstCol == m_nLastCol &&
                   m_nFirstRow == m_nLastRow && m_nFirstRow == row;
    m_nDownCol = col;
    m_nDownRow = row;
    m_sHotTarget.clear();
    m_dwDownFloater = onCell ? GetFloaterFromPoint(x, y, nullptr, nullptr, nullptr, nullptr) : 0;

    NM_GRIDVIEW tap = MakeView(GN_CELLTAP, x, y, col, row);
    tap.floater = m_dwDownFloater;
    if (onCell && NotifyParent(GN_CELLTAP, &tap)) {
        tagCELLINFO* cell = FindCell(row, col);
        RECT rc{};
        if (m_hWnd && cell && GetCellRect(col, row, &rc)) {
            // Hot spots are relative to the cell's content rectangle.
            const int cx = x - rc.left - cell->margins.left;
            const int cy = y - rc.top - cell->margins.top;
            for (const HTMLHOTSPOT& spot : cell->hotspots) {
                if (cx >= spot.area.left && cx < spot.area.right && cy >= spot.area.top && cy < spot.area.bottom) {
                    m_sHotTarget = spot.target;
                    NM_GRIDVIEW hot = MakeView(GN_HOTSPOTDOWN, x, y, col, row);
                    hot.target = m_sHotTarget.c_str();
                    hot.floater = m_dwDownFloater;
                    SendMessageW(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hot));
                    break;
                }
            }
        }
    }
    if (!m_hWnd) return;
    if (normal) {
        SetSelection(col, row, col, row);
        m_bSelecting = true;
        SetCapture(m_hWnd);
    }
    if (onCell) {
        SHRGINFO gesture{sizeof(SHRGINFO), m_hWnd, POINT{x, y}, SHRG_RETURNCMD};
        if (SHRecognizeGesture(&gesture) == GN_CONTEXTMENU && m_hWnd) {
            NMRGINFO info{};
            info.hdr.hwndFrom = m_hWnd;
            info.hdr.idFrom = GridCellKey(row, col);
            info.hdr.code = GN_CONTEXTMENU;
            info.ptAction = POINT{x, y};
            ClientToScreen(m_hWnd, &info.ptAction);
            info.dwItemSpec = GridCellKey(row, col);
            SendMessageW(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        }
    }
    if (!m_hWnd) return;
    NM_GRIDVIEW click = MakeView(GN_NM_CLICK, x, y, col, row);
    click.floater = m_dwDownFloater;
    SendMessageW(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
}

void CHTMLGrid::OnClick(NM_GRIDVIEW* view)
{
    // A tap on the cell that already was the only one selected edits it.
    if (m_bRepeatTap && !m_bDoubleTap && view->hdr.code == GN_NM_CLICK && m_sHotTarget.empty()) {
        m_bRepeatTap = false;
        if (EnableCellEdit(static_cast<WORD>(view->column), static_cast<WORD>(view->row))) {
            m_bSelecting = false;
            if (GetCapture() == m_hWnd) ReleaseCapture();
        }
    }
}

LRESULT CHTMLGrid::OnContextMenuNotify(NMHDR* hdr)
{
    // The hold ends the tap: no selecting, no activation at the release.
    m_bSelecting = false;
    m_bRepeatTap = false;
    ReleaseCapture();
    if (!m_hParent || !IsWindow(m_hParent)) return 0;
    NMRGINFO info = *reinterpret_cast<NMRGINFO*>(hdr);
    info.hdr.code = GN_CONTEXTMENU;
    return SendMessageW(m_hParent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT CHTMLGrid::OnHotspotNotify(NM_GRIDVIEW* view)
{
    const LRESULT result = NotifyParent(view->hdr.code, view);
    if (view->hdr.code == GN_HOTSPOTUP) OnClick(view);
    return result;
}

void CHTMLGrid::OnMouseMove(int x, int y, WPARAM keys)
{
    if (!m_bSelecting || !(keys & MK_LBUTTON)) return;
    if (m_bDragAllowed && !m_bDragging && !m_bDragRefused) {
        m_bDragging = OnDragStart(POINT{x, y});
        m_bDragRefused = !m_bDragging;
    }
    if (m_bDragging) {
        OnDragOver(POINT{x, y});
        return;
    }
    // Selecting: the point outside the rows scrolls by the timer.
    int direction = 0;
    if (y < static_cast<int>(m_dwFixedHeight)) direction |= 1;
    if (y >= m_nVisibleHeight) direction |= 2;
    if (x < m_nFixedColsWidth) direction |= 4;
    if (x >= m_nVisibleWidth) direction |= 8;
    if (direction && !m_nAutoScroll) SetTimer(m_hWnd, GRID_TIMER_AUTOSCROLL, kAutoScrollMs, nullptr);
    if (!direction && m_nAutoScroll) KillTimer(m_hWnd, GRID_TIMER_AUTOSCROLL);
    m_nAutoScroll = direction;
    WORD col = GRID_NONE, row = GRID_NONE;
    if (!m_bMultiSelect || !GetCellFromPoint(x, y, &col, &row)) return;
    if (col < m_nFixedCols || row < m_nFixedRows || (col == m_nCurCol && row == m_nCurRow)) return;
    SetSelection(m_nAnchorCol, m_nAnchorRow, col, row);
}

bool CHTMLGrid::OnDragStart(POINT pt)
{
    if (!m_hParent) return false;
    return SendMessageW(m_hParent, GN_DRAGSTART, reinterpret_cast<WPARAM>(m_hWnd), MAKELPARAM(pt.x, pt.y)) != 0;
}

void CHTMLGrid::OnDragOver(POINT pt)
{
    POINT screen = pt;
    ClientToScreen(m_hWnd, &screen);
    tagGRIDDRAG drag{};
    drag.hdr.hwndFrom = m_hWnd;
    HWND under = WindowFromPoint(screen);
    LRESULT accepts = 0;
    if (under) {
        drag.hdr.code = GN_DRAGOVER;
        accepts = SendMessageW(under, GN_DRAGOVER, reinterpret_cast<WPARAM>(&screen), reinterpret_cast<LPARAM>(&drag));
    }
    if (!m_hParent) return;
    drag.hdr.code = GN_DRAGQUERY;
    SendMessageW(m_hParent, GN_DRAGQUERY, reinterpret_cast<WPARAM>(under), reinterpret_cast<LPARAM>(&drag));
    WCHAR* text = nullptr;
    drag.hdr.code = GN_DRAGTOOLTIP;
    SendMessageW(m_hParent, GN_DRAGTOOLTIP, reinterpret_cast<WPARAM>(&text), reinterpret_cast<LPARAM>(&drag));
    // The drag tooltip's mark-up is the grid's to release.
    std::free(text);
    (void)accepts;
}

void CHTMLGrid::OnLButtonUp(int x, int y)
{
    if (!m_hWnd) return;
    const bool wasSelecting = m_bSelecting;
    const bool dragged = m_bDragging;
    // Releasing the capture below ends the transient states; keep the hot spot.
    const std::u16string target = m_sHotTarget;
    m_bSelecting = false;
    m_bDragging = m_bDragRefused = false;
    if (m_nAutoScroll) KillTimer(m_hWnd, GRID_TIMER_AUTOSCROLL);
    m_nAutoScroll = 0;
    if (GetCapture() == m_hWnd) ReleaseCapture();
    if (dragged || !wasSelecting) return;
    WORD col = GRID_NONE, row = GRID_NONE;
    GetCellFromPoint(x, y, &col, &row);
    if (!target.empty() && col == m_nDownCol && row == m_nDownRow) {
        NM_GRIDVIEW hot = MakeView(GN_HOTSPOTUP, x, y, col, row);
        hot.target = target.c_str();
        hot.floater = m_dwDownFloater;
        SendMessageW(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hot));
        m_sHotTarget.clear();
        return;
    }
    m_sHotTarget.clear();
    // A double tap activates the cell; a single release activates nothing.
    NM_GRIDVIEW view = MakeView(m_bDoubleTap ? GN_ITEMACTIVATE : GN_TAPRELEASE, x, y, m_nCurCol, m_nCurRow);
    view.floater = m_dwDownFloater;
    NotifyParent(view.hdr.code, &view);
}

void CHTMLGrid::ActivateCell(WORD col, WORD row, DWORD floater, DWORD id)
{
    NM_GRIDVIEW view = MakeView(GN_ITEMACTIVATE, 0, 0, col, row);
    view.hdr.idFrom = id;
    view.column = col == 999 ? 999 : col;
    view.floater = floater;
    NotifyParent(GN_ITEMACTIVATE, &view);
}

void CHTMLGrid::OnActionButton()
{
    if (m_nCurRow == GRID_NONE || m_nCurCol == GRID_NONE) return;
    ActivateCell(m_bRowSelect ? 999 : m_nCurCol, m_nCurRow, 0, 0);
}

// ---- Scroll bars ----

void CHTMLGrid::OnVScroll(WORD code, WORD pos)
{
    auto rowAt = [&](long long position) {
        long long y = 0;
        for (WORD r = m_nFixedRows; r < m_nRows; ++r) {
            y += GetRowHeight(r);
            if (y > position) return r;
        }
        return static_cast<WORD>(m_nRows ? m_nRows - 1 : 0);
    };
    bool handled = true;
    switch (code) {
    case SB_LINEUP:
    case SB_LINEDOWN:
        if (m_nBarsScrollMode == 0)
            code == SB_LINEUP ? ScrollByRowUp(1) : ScrollByRowDown(1);
        else if (m_nBarsScrollMode == 1)
            code == SB_LINEUP ? ScrollByPageUp() : ScrollByPageDown();
        else
            MoveCurrent(code == SB_LINEUP ? -1 : 1, 0, false);
        break;
    case SB_PAGEUP: ScrollByPageUp(); break;
    case SB_PAGEDOWN: ScrollByPageDown(); break;
    case SB_THUMBPOSITION: SetTopRow(rowAt(pos)); break;
    case SB_THUMBTRACK:
        if (m_bThumbTrack)
            SetTopRow(rowAt(pos));
        else
            handled = false;
        break;
    case SB_TOP: ScrollToTop(); break;
    case SB_BOTTOM: ScrollToBottom(); break;
    case SB_ENDSCROLL: break;
    default: handled = false; break;
    }
    if (handled && m_hParent && IsWindow(m_hParent)) SendMessageW(m_hParent, GN_SCROLLED, code, pos);
}

void CHTMLGrid::OnHScroll(WORD code, WORD pos)
{
    bool handled = true;
    switch (code) {
    case SB_LINELEFT: SetLeftCol(static_cast<WORD>(std::max<int>(m_nLeftCol - 1, 0))); break;
    case SB_LINERIGHT: SetLeftCol(static_cast<WORD>(m_nLeftCol + 1)); break;
    case SB_PAGELEFT: SetLeftCol(static_cast<WORD>(std::max<int>(m_nLeftCol - 2, 0))); break;
    case SB_PAGERIGHT: SetLeftCol(static_cast<WORD>(m_nLeftCol + 2)); break;
    case SB_THUMBTRACK:
        if (!m_bThumbTrack) {
            handled = false;
            break;
        }
        [[fallthrough]];
    case SB_THUMBPOSITION: {
        int x = 0;
        WORD c = m_nFixedCols;
        for (; c < m_nCols; ++c) {
            x += m_ColWidth[c];
            if (x > pos) break;
        }
        SetLeftCol(c);
        break;
    }
    case SB_LEFT: SetLeftCol(m_nFixedCols); break;
    case SB_RIGHT: SetLeftCol(static_cast<WORD>(m_nCols ? m_nCols - 1 : 0)); break;
    case SB_ENDSCROLL: break;
    default: handled = false; break;
    }
    if (handled && m_hParent && IsWindow(m_hParent)) SendMessageW(m_hParent, GN_SCROLLED, code, pos);
}

// ---- Keys ----

void CHTMLGrid::MoveCurrent(int dRow, int dCol, bool wrap)
{
    if (m_nRows <= m_nFixedRows || m_nCols <= m_nFixedCols) return;
    int row = m_nCurRow == GRID_NONE ? m_nFixedRows : m_nCurRow;
    int col = m_nCurCol == GRID_NONE ? m_nFixedCols : m_nCurCol;
    const int firstRow = m_nFixedRows, lastRow = m_nRows - 1;
    if (m_nCurRow != GRID_NONE) row += dRow;
    if (wrap && row < firstRow) row = lastRow;
    if (wrap && row > lastRow) row = firstRow;
    row = std::clamp(row, firstRow, lastRow);
    const int step = m_nColInRowSelect > 1 ? m_nColInRowSelect : 1;
    if (m_nCurCol != GRID_NONE) col += dCol * step;
    col = std::clamp(col, static_cast<int>(m_nFixedCols), m_nCols - 1);
    SetSelection(static_cast<WORD>(col), static_cast<WORD>(row), static_cast<WORD>(col), static_cast<WORD>(row));
    MakeCellVisible(static_cast<WORD>(col), static_cast<WORD>(row));
    if (m_hParent && IsWindow(m_hParent)) SendMessageW(m_hParent, GN_CURCELLCHANGED, col, row);
}

void CHTMLGrid::SendDelayed(UINT phase, UINT key)
{
    NM_GRIDVIEW view = MakeView(GN_DELAYEDSELECT, 0, 0, m_nCurCol, m_nCurRow);
    view.hdr.idFrom = phase;
    view.floater = key;
    NotifyParent(GN_DELAYEDSELECT, &view);
}

void CHTMLGrid::OnKeyDown(UINT vk, LPARAM keyData)
{
    const bool repeat = (keyData & KF_REPEAT_BIT) != 0;
    if (repeat && !(GetAsyncKeyState(static_cast<int>(vk)) & 0x8000)) return;
    const DWORD now = static_cast<DWORD>(GetMessageTime());
    if (m_nDelayedMs && repeat && IsNavigationKey(vk) && now - m_dwLastKeyTime <= m_nDelayedMs) {
        if (!m_bDelayedRunning) {
            SendDelayed(GN_DELAYED_BEGIN, vk);
            m_bDelayedRunning = true;
        } else if (vk != m_nDelayedKey) {
            SendDelayed(GN_DELAYED_AGAIN, vk);
        }
        m_nDelayedKey = vk;
        SetTimer(m_hWnd, GRID_TIMER_DELAYED, kDelayedSettleMs, nullptr);
    }
    m_dwLastKeyTime = now;
    m_nLastKey = vk;
    const int mode = m_nKeysScrollMode;
    switch (vk) {
    case VK_ESCAPE: EndTransient(); break;
    case VK_RETURN: OnActionButton(); break;
    case VK_PRIOR: ScrollByPageUp(); break;
    case VK_NEXT: ScrollByPageDown(); break;
    case VK_HOME:
        if (mode == 2) {
            SetSelection(m_nCurCol == GRID_NONE ? m_nFixedCols : m_nCurCol, m_nFixedRows,
                         m_nCurCol == GRID_NONE ? m_nFixedCols : m_nCurCol, m_nFixedRows);
            MoveCurrent(0, 0, false);
        }
        ScrollToTop();
        break;
    case VK_END:
        if (mode == 2 && m_nRows) {
            const WORD col = m_nCurCol == GRID_NONE ? m_nFixedCols : m_nCurCol;
            SetSelection(col, static_cast<WORD>(m_nRows - 1), col, static_cast<WORD>(m_nRows - 1));
            MoveCurrent(0, 0, false);
        }
        ScrollToBottom();
        break;
    case VK_UP:
    case VK_DOWN: {
        const int d = vk == VK_UP ? -1 : 1;
        if (mode == 0)
            d < 0 ? ScrollByRowUp(1) : ScrollByRowDown(1);
        else if (mode == 1)
            d < 0 ? ScrollByPageUp() : ScrollByPageDown();
        else
            MoveCurrent(d, 0, !repeat);
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
        const int d = vk == VK_LEFT ? -1 : 1;
        if (mode == 0)
            SetLeftCol(static_cast<WORD>(std::max<int>(m_nLeftCol + d, 0)));
        else if (mode == 1)
            SetLeftCol(static_cast<WORD>(std::max<int>(m_nLeftCol + 2 * d, 0)));
        else
            MoveCurrent(0, d, false);
        break;
    }
    default: break;
    }
}

// ---- Timers and transient states ----

void CHTMLGrid::OnTimer(UINT_PTR id)
{
    switch (id) {
    case GRID_TIMER_DOUBLETAP:
        KillTimer(m_hWnd, GRID_TIMER_DOUBLETAP);
        m_bTapWindow = false;
        break;
    case GRID_TIMER_AUTOSCROLL:
        if (m_nAutoScroll & 1) ScrollByRowUp(1);
        if (m_nAutoScroll & 2) ScrollByRowDown(1);
        if (m_nAutoScroll & 4) SetLeftCol(static_cast<WORD>(std::max<int>(m_nLeftCol - 1, 0)));
        if (m_nAutoScroll & 8) SetLeftCol(static_cast<WORD>(m_nLeftCol + 1));
        if (m_nAutoScroll & 2 && m_bMultiSelect && m_nAnchorRow != GRID_NONE)
            SetSelection(m_nAnchorCol, m_nAnchorRow, m_nCurCol, GetBottomRow());
        if (m_nAutoScroll & 1 && m_bMultiSelect && m_nAnchorRow != GRID_NONE)
            SetSelection(m_nAnchorCol, m_nAnchorRow, m_nCurCol, m_nTopRow);
        [[fallthrough]];
    case GRID_TIMER_DELAYED:
        if (m_bDelayedRunning) {
            KillTimer(m_hWnd, GRID_TIMER_DELAYED);
            m_bDelayedRunning = false;
            SendDelayed(GN_DELAYED_SETTLED, m_nDelayedKey);
            m_nDelayedKey = 0;
        } else if (id == GRID_TIMER_DELAYED) {
            KillTimer(m_hWnd, GRID_TIMER_DELAYED);
        }
        break;
    default: break;
    }
}

void CHTMLGrid::EndTransient()
{
    m_bSelecting = m_bDragging = m_bDragRefused = false;
    if (m_hWnd) {
        if (m_nAutoScroll) KillTimer(m_hWnd, GRID_TIMER_AUTOSCROLL);
        if (GetCapture() == m_hWnd) ReleaseCapture();
    }
    m_nAutoScroll = 0;
    m_sHotTarget.clear();
}
