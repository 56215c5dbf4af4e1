// CHTMLGrid's input: taps, double taps and tap-and-hold, hot spots, selecting
// by moving, drags, the scroll bars, the keys, the timers, and the notices
// the parent hears of them.

#include <algorithm>
#include <cstdint>
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
    CancelHold();
    if (onCell) StartHoldCheck(x, y, col, row);
    NM_GRIDVIEW click = MakeView(GN_NM_CLICK, x, y, col, row);
    click.floater = m_dwDownFloater;
    SendMessageW(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
}

void CHTMLGrid::OnClick(NM_GRIDVIEW* view)
{
    // A tap on the cell that already was the only one selected edits it;
    // while the press may still become a hold, at its release.
    if (m_bRepeatTap && !m_bDoubleTap && view->hdr.code == GN_NM_CLICK && m_sHotTarget.empty()) {
        m_bRepeatTap = false;
        if (m_bHoldPending) {
            m_bEditOnRelease = true;
        } else if (EnableCellEdit(static_cast<WORD>(view->column), static_cast<WORD>(view->row))) {
            m_bSelecting = false;
            if (GetCapture() == m_hWnd) ReleaseCapture();
        }
    }
}

void CHTMLGrid::StartHoldCheck(int x, int y, WORD col, WORD row)
{
    if (!m_hWnd) return;
    m_bHoldPending = true;
    m_ptHold = POINT{x, y};
    m_nHoldCol = col;
    m_nHoldRow = row;
    m_dwHoldStart = static_cast<DWORD>(GetMessageTime());
    SetTimer(m_hWnd, GRID_TIMER_HOLD, kTapAndHoldMs, nullptr);
}

bool CHTMLGrid::CheckHold(int x, int y)
{
    if (!m_bHoldPending) return false;
    const auto elapsed = static_cast<std::int32_t>(static_cast<DWORD>(GetMessageTime()) - m_dwHoldStart);
    if (elapsed >= static_cast<std::int32_t>(kTapAndHoldMs)) {
        Held();
        return true;
    }
    const int slop = GetSystemMetrics(SM_CXDRAG);
    // A move past the drag distance is neither a hold nor a tap: a repeated
    // tap that turns into a drag or a range selection opens no editor.
    if (std::abs(x - m_ptHold.x) > slop || std::abs(y - m_ptHold.y) > slop) {
        CancelHold();
        m_bEditOnRelease = false;
    }
    return false;
}

void CHTMLGrid::CancelHold()
{
    if (m_bHoldPending && m_hWnd) KillTimer(m_hWnd, GRID_TIMER_HOLD);
    m_bHoldPending = false;
    m_bHoldByKey = false;
}

void CHTMLGrid::Held()
{
    CancelHold();
    if (!m_hWnd) return;
    NMRGINFO info{};
    info.hdr.hwndFrom = m_hWnd;
    info.hdr.idFrom = GridCellKey(m_nHoldRow, m_nHoldCol);
    info.hdr.code = GN_CONTEXTMENU;
    info.ptAction = m_ptHold;
    ClientToScreen(m_hWnd, &info.ptAction);
    info.dwItemSpec = GridCellKey(m_nHoldRow, m_nHoldCol);
    SendMessageW(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT CHTMLGrid::OnContextMenuNotify(NMHDR* hdr)
{
    // The hold ends the tap: no selecting, no editing, no activation at the
    // release.
    m_bSelecting = false;
    m_bRepeatTap = false;
    m_bEditOnRelease = false;
    CancelHold();
    if (GetCapture() == m_hWnd) ReleaseCapture();
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
    // A move within the drag distance while the press may still become a
    // hold is a tremble: it neither selects nor drags.
    if (!m_bHoldByKey && (CheckHold(x, y) || m_bHoldPending)) return;
    if (!m_bSelecting || !(keys & MK_LBUTTON)) return;
    if (m_bDragAllowed && !m_bDragging && !m_bDragRefused) {
        m_bDragging = OnDragStart(POINT{x, y});
        m_bDragRefused = !m_bDragging;
        m_bDropAllowed = false;
        m_hDropTarget = m_hDragUnder = nullptr;
        m_nDragCol = m_nDownCol;
        m_nDragRow = m_nDownRow;
    }
    if (m_bDragging) {
        OnDragOver(POINT{x, y});
        return;
    }
    // Selecting: the point outside the scroll region scrolls by the timer.
    const RECT region = GetScrollRegion();
    int direction = 0;
    if (y < region.top) direction |= 1;
    if (y >= region.bottom) direction |= 2;
    if (x < region.left) direction |= 4;
    if (x >= region.right) direction |= 8;
    if (!m_bAllowAutoScroll) direction = 0;
    if (direction && !m_nAutoScroll) SetTimer(m_hWnd, GRID_TIMER_AUTOSCROLL, kAutoScrollMs, nullptr);
    if (!direction && m_nAutoScroll) KillTimer(m_hWnd, GRID_TIMER_AUTOSCROLL);
    m_nAutoScroll = direction;
    WORD col = GRID_NONE, row = GRID_NONE;
    if (!m_bMultiSelect || !GetCellFromPoint(x, y, &col, &row)) return;
    if (col < m_nFixedCols || row < m_nFixedRows || (col == m_nCurCol && row == m_nCurRow)) return;
    SetSelection(m_nAnchorCol, m_nAnchorRow, col, row);
    if (m_bSelTooltip && m_hWnd) {
        GRIDSELTOOLTIP record{};
        record.hdr.hwndFrom = m_hWnd;
        record.hdr.code = GN_SELTOOLTIP;
        record.firstColumn = m_nFirstCol;
        record.firstRow = m_nFirstRow;
        record.lastColumn = m_nLastCol;
        record.lastRow = m_nLastRow;
        AskToolTip(m_SelTip, GN_SELTOOLTIP, reinterpret_cast<LPARAM>(&record), POINT{x, y},
                   ToolTipPlacement::AboveRight);
    }
}

RECT CHTMLGrid::GetScrollRegion() const
{
    if (m_bScrollRegionSet) return m_rcScrollRegion;
    return RECT{m_nFixedColsWidth, static_cast<LONG>(m_dwFixedHeight), m_nVisibleWidth, m_nVisibleHeight};
}

void CHTMLGrid::SetScrollRegion(const RECT* region)
{
    m_bScrollRegionSet = region != nullptr;
    m_rcScrollRegion = region ? *region : RECT{};
}

void CHTMLGrid::SetToolTipParent(HWND parent)
{
    m_hToolTipParent = parent;
    // The tooltips are made again under the new parent when next needed.
    m_SelTip.Destroy();
    m_ScrollTip.Destroy();
    m_DragTip.Destroy();
}

void CHTMLGrid::AskToolTip(CHTMLToolTip& tip, UINT message, LPARAM record, POINT pt, ToolTipPlacement placement)
{
    if (!m_hParent || !IsWindow(m_hParent)) return;
    WCHAR* text = nullptr;
    const LRESULT result = SendMessageW(m_hParent, message, reinterpret_cast<WPARAM>(&text), record);
    // The mark-up is the grid's to release; a drag tooltip answered with 1
    // means none. The parent may have taken the grid's window meanwhile.
    const bool none = !text || !*text || (message == GN_DRAGTOOLTIP && result == 1) || !m_hWnd;
    if (none) {
        std::free(text);
        tip.HideToolTip();
        return;
    }
    if (tip.Create(m_hToolTipParent ? m_hToolTipParent : m_hParent)) {
        tip.SetImageOwner(m_hWnd);
        tip.UpdateToolTip(text, true);
        ClientToScreen(m_hWnd, &pt);
        tip.ShowToolTip(pt, placement);
    }
    std::free(text);
}

void CHTMLGrid::HideToolTips()
{
    m_SelTip.HideToolTip();
    m_ScrollTip.HideToolTip();
    m_DragTip.HideToolTip();
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
    bool accepted = false;
    if (under) {
        drag.hdr.code = GN_DRAGOVER;
        accepted = SendMessageW(under, GN_DRAGOVER, reinterpret_cast<WPARAM>(&screen), reinterpret_cast<LPARAM>(&drag)) != 0;
    }
    m_hDragUnder = under;
    m_hDropTarget = accepted ? under : nullptr;
    if (!m_hParent || !m_hWnd) return;
    m_bDropAllowed = OnDragQuery(under);
    if (!m_hWnd) return;
    drag.hdr.code = GN_DRAGTOOLTIP;
    AskToolTip(m_DragTip, GN_DRAGTOOLTIP, reinterpret_cast<LPARAM>(&drag), POINT{pt.x, pt.y + grid::ScaleX(5)},
               ToolTipPlacement::BelowRight);
}

bool CHTMLGrid::OnDragQuery(HWND under)
{
    // The parent decides where a drop may go; a floater lands on the grid's
    // own cell under the point.
    if (!m_hParent || !IsWindow(m_hParent)) return false;
    tagGRIDDRAG drag{};
    drag.hdr.hwndFrom = m_hWnd;
    drag.hdr.code = GN_DRAGQUERY;
    return SendMessageW(m_hParent, GN_DRAGQUERY, reinterpret_cast<WPARAM>(under), reinterpret_cast<LPARAM>(&drag)) != 0;
}

void CHTMLGrid::FinishDragOperation(POINT pt)
{
    // The drop goes to the window under the release: when that is not the
    // one the last move asked, it is asked now.
    POINT released = pt;
    ClientToScreen(m_hWnd, &released);
    if (WindowFromPoint(released) != m_hDragUnder) {
        OnDragOver(pt);
        if (!m_hWnd) return;
    }
    m_DragTip.HideToolTip();
    const HWND target = m_hDropTarget;
    m_hDropTarget = m_hDragUnder = nullptr;
    if (target && target != m_hWnd) {
        const bool allowed = m_bDropAllowed;
        m_bDropAllowed = false;
        if (!allowed || !IsWindow(target)) return;
        GRIDDROP drop{};
        drop.hdr.hwndFrom = m_hWnd;
        drop.hdr.idFrom = m_dwDownFloater;
        drop.hdr.code = GN_DROP;
        drop.pt = pt;
        ClientToScreen(m_hWnd, &drop.pt);
        drop.column = m_nDragCol;
        drop.row = m_nDragRow;
        drop.firstColumn = m_nFirstCol;
        drop.firstRow = m_nFirstRow;
        drop.lastColumn = m_nLastCol;
        drop.lastRow = m_nLastRow;
        drop.targetColumn = drop.targetRow = GRID_NONE;
        POINT screen = drop.pt;
        SendMessageW(target, GN_DROP, reinterpret_cast<WPARAM>(&screen), reinterpret_cast<LPARAM>(&drop));
        return;
    }
    if (m_dwDownFloater) DropFloater(pt.x, pt.y);
    m_bDropAllowed = false;
}

LRESULT CHTMLGrid::OnForeignDrag(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!lParam || !m_hParent || !IsWindow(m_hParent)) return 0;
    if (message == GN_DRAGOVER) return SendMessageW(m_hParent, message, wParam, lParam);
    GRIDDROP drop = *reinterpret_cast<GRIDDROP*>(lParam);
    if (drop.hdr.hwndFrom == m_hWnd) return 0;
    POINT client = drop.pt;
    ScreenToClient(m_hWnd, &client);
    drop.targetColumn = drop.targetRow = GRID_NONE;
    WORD col = GRID_NONE, row = GRID_NONE;
    if (GetCellFromPoint(client, &col, &row)) {
        drop.targetColumn = col;
        drop.targetRow = row;
    }
    return SendMessageW(m_hParent, message, wParam, reinterpret_cast<LPARAM>(&drop));
}

void CHTMLGrid::DropFloater(int x, int y)
{
    const DWORD id = m_dwDownFloater;
    WORD col = GRID_NONE, row = GRID_NONE;
    tagCELLINFO* grabbed = FindCell(m_nDragRow, m_nDragCol);
    if (!id || !grabbed || !m_bDropAllowed || !GetCellFromPoint(x, y, &col, &row)) return;
    if (col < m_nFixedCols || row < m_nFixedRows) return;
    tagFLOATERINFO* f = nullptr;
    for (tagFLOATERINFO* candidate : grabbed->floaters)
        if (candidate->id == id) f = candidate;
    if (!f) return;
    // The floater keeps the place where it was held: its anchor moves by as
    // many rows as the pointer did.
    const WORD fromCol = f->anchor->col, fromRow = f->anchor->row;
    const int shifted = fromRow + (row - m_nDragRow);
    const WORD toRow = static_cast<WORD>(std::clamp<int>(shifted, m_nFixedRows, m_nRows - 1));
    if (col == fromCol && toRow == fromRow) return;
    GRIDFLOATERMOVE move{};
    move.hdr.hwndFrom = m_hWnd;
    move.hdr.idFrom = id;
    move.hdr.code = GN_FLOATERMOVED;
    move.fromColumn = fromCol;
    move.fromRow = fromRow;
    move.toColumn = col;
    move.toRow = toRow;
    const unsigned generation = m_nGeneration;
    if (m_hParent && IsWindow(m_hParent)) SendMessageW(m_hParent, GN_FLOATERMOVED, 0, reinterpret_cast<LPARAM>(&move));
    // The parent may have deleted the floater or remade the grid meanwhile.
    if (generation != m_nGeneration || !FindFloater(fromCol, fromRow, id)) return;
    if (!MoveFloater(fromCol, fromRow, id, col, toRow)) return;
    std::u16string text;
    if (!AskFloaterText(col, toRow, id, &text)) return;
    if (tagFLOATERINFO* moved = FindFloater(col, toRow, id)) {
        moved->source = std::move(text);
        moved->content.SetHTML(moved->source.c_str());
        moved->content.ParseHTML(m_hWnd);
        Repaint();
    }
}

void CHTMLGrid::OnLButtonUp(int x, int y)
{
    if (!m_hWnd) return;
    if (!m_bHoldByKey) {
        CheckHold(x, y);
        CancelHold();
    }
    if (m_bEditOnRelease && m_hWnd) {
        m_bEditOnRelease = false;
        if (EnableCellEdit(m_nDownCol, m_nDownRow)) m_bSelecting = false;
    }
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
    HideToolTips();
    if (dragged) FinishDragOperation(POINT{x, y});
    if (dragged || !wasSelecting || !m_hWnd) return;
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
    // Called outside a press of the key (by a host), nothing can be held.
    if (!m_bActionKeyDown) {
        ActivateCurrent();
        return;
    }
    // The key held on the current cell is its context menu: the check runs
    // from the cell's top-left and ends at the key's release, its next
    // repeat or the hold timer, so the queue keeps moving meanwhile.
    RECT rc{};
    GetCellRect(m_nCurCol, m_nCurRow, &rc);
    CancelHold();
    StartHoldCheck(rc.left, rc.top, m_nCurCol, m_nCurRow);
    m_bHoldByKey = m_bHoldPending;
}

void CHTMLGrid::ActivateCurrent()
{
    if (m_nCurRow == GRID_NONE || m_nCurCol == GRID_NONE) return;
    ActivateCell(m_bRowSelect ? 999 : m_nCurCol, m_nCurRow, 0, 0);
}

void CHTMLGrid::OnKeyUp(UINT vk)
{
    if (vk != VK_RETURN || !m_bHoldByKey) return;
    // Released: a hold if it lasted the hold time, else the cell activates.
    const WORD col = m_nHoldCol, row = m_nHoldRow;
    if (CheckHold(m_ptHold.x, m_ptHold.y)) return;
    CancelHold();
    if (col != m_nCurCol || row != m_nCurRow) return;
    ActivateCurrent();
}

// ---- Scroll bars ----

void CHTMLGrid::OnVScroll(WORD code, WORD pos)
{
    // The row under a bar position, from the stored (partly estimated)
    // heights: measuring every row on the way would ask for their cells.
    auto rowAt = [&](long long position) {
        const size_t r = RowTops().RowAt(static_cast<uint64_t>(position) + m_dwFixedHeight);
        return static_cast<WORD>(std::min<size_t>(std::max<size_t>(r, m_nFixedRows), m_nRows ? m_nRows - 1 : 0));
    };
    // The message carries 16 bits of the position; a taller list's thumb
    // position comes whole from the bar when its low bits agree.
    long long position = pos;
    if ((code == SB_THUMBTRACK || code == SB_THUMBPOSITION) && m_hWnd) {
        SCROLLINFO bar{sizeof(SCROLLINFO), SIF_RANGE | SIF_TRACKPOS, 0, 0, 0, 0, 0};
        if (GetScrollInfo(m_hWnd, SB_VERT, &bar) && bar.nMax > 0xFFFF && (bar.nTrackPos & 0xFFFF) == pos)
            position = bar.nTrackPos;
    }
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
    case SB_THUMBPOSITION:
        m_ScrollTip.HideToolTip();
        SetTopRow(rowAt(position));
        break;
    case SB_THUMBTRACK: {
        if (!m_bThumbTrack && !m_bScrollTooltip) {
            handled = false;
            break;
        }
        const WORD row = rowAt(position);
        if (m_bThumbTrack) SetTopRow(row);
        if (m_bScrollTooltip && m_hWnd) {
            GRIDSCROLLTOOLTIP record{};
            record.hdr.hwndFrom = m_hWnd;
            record.hdr.code = GN_SCROLLTOOLTIP;
            record.row = row;
            // Beside the bar, level with the thumb's place in the track.
            SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
            GetScrollInfo(m_hWnd, SB_VERT, &info);
            const long long range = std::max(info.nMax - info.nMin, 1);
            const int y = static_cast<int>(static_cast<long long>(m_nVisibleHeight) * (position - info.nMin) / range);
            AskToolTip(m_ScrollTip, GN_SCROLLTOOLTIP, reinterpret_cast<LPARAM>(&record),
                       POINT{m_nVisibleWidth, std::clamp(y, 0, m_nVisibleHeight)}, ToolTipPlacement::Left);
        }
        break;
    }
    case SB_TOP: ScrollToTop(); break;
    case SB_BOTTOM: ScrollToBottom(); break;
    case SB_ENDSCROLL: m_ScrollTip.HideToolTip(); break;
    default: handled = false; break;
    }
    if (handled && m_hParent && IsWindow(m_hParent)) SendMessageW(m_hParent, GN_SCROLLED, code, pos);
}

void CHTMLGrid::OnHScroll(WORD code, WORD pos)
{
    bool handled = true;
    switch (code) {
    case SB_LINELEFT: ScrollByColLeft(1); break;
    case SB_LINERIGHT: ScrollByColRight(1); break;
    case SB_PAGELEFT: ScrollByPageLeft(); break;
    case SB_PAGERIGHT: ScrollByPageRight(); break;
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
    case SB_LEFT: ScrollToLeft(); break;
    case SB_RIGHT: ScrollToRight(); break;
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
    // Another key abandons a held action key.
    if (vk != VK_RETURN && m_bHoldByKey) CancelHold();
    const int mode = m_nKeysScrollMode;
    switch (vk) {
    case VK_ESCAPE: EndTransient(); break;
    case VK_RETURN:
        // An auto-repeat only tells whether the press has become a hold.
        if (repeat) {
            if (m_bHoldByKey) CheckHold(m_ptHold.x, m_ptHold.y);
            break;
        }
        m_bActionKeyDown = true;
        OnActionButton();
        m_bActionKeyDown = false;
        break;
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
            d < 0 ? ScrollByColLeft(1) : ScrollByColRight(1);
        else if (mode == 1)
            d < 0 ? ScrollByPageLeft() : ScrollByPageRight();
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
    case GRID_TIMER_HOLD:
        if (m_bHoldPending)
            Held();
        else
            KillTimer(m_hWnd, GRID_TIMER_HOLD);
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
    CancelHold();
    m_bEditOnRelease = false;
    HideToolTips();
}
