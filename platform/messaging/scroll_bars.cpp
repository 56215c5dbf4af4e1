#include "platform/messaging/scroll_bars.h"

#include <algorithm>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/messaging/internal/window_record.h"

namespace platform {
namespace {

DWORD StyleOf(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

bool CanScroll(const ScrollBarState& s)
{
    return s.max > s.min && static_cast<long long>(s.page) <= static_cast<long long>(s.max) - s.min;
}

int ClampPos(const ScrollBarState& s, int pos)
{
    long long top = static_cast<long long>(s.max) - std::max<long long>(static_cast<long long>(s.page) - 1, 0);
    return static_cast<int>(std::clamp<long long>(pos, s.min, std::max<long long>(top, s.min)));
}

// Shows or hides the bars of `bars` (SB_HORZ, SB_VERT, SB_BOTH) and, when the
// client size changed, tells the window. The lock must not be held.
void SetBarsVisible(HWND hwnd, int bars, bool show)
{
    SIZE before;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = table.GetLocked(hwnd);
        if (!w) return;
        before = ClientSizeLocked(*w);
        DWORD mask = bars == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : StyleOf(bars);
        DWORD style = show ? (w->style | mask) : (w->style & ~mask);
        if (style == w->style) return;
        w->style = style;
    }
    ResizeForFrameChange(hwnd, before);
}

bool ValidBar(int bar)
{
    if (bar == SB_HORZ || bar == SB_VERT) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

}  // namespace
}  // namespace platform

using platform::Table;

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL)
{
    if (!info || info->cbSize != sizeof(SCROLLINFO) || !platform::ValidBar(bar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int pos;
    bool show;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = platform::GetOrFailLocked(hwnd);
        if (!w) return 0;
        auto& s = w->bars[bar];
        if (info->fMask & SIF_RANGE) {
            s.min = info->nMin;
            s.max = std::max(info->nMin, info->nMax);
        }
        if (info->fMask & SIF_PAGE) s.page = info->nPage;
        long long range = static_cast<long long>(s.max) - s.min + 1;
        if (static_cast<long long>(s.page) > range) s.page = static_cast<UINT>(range);
        if (info->fMask & SIF_POS) s.pos = info->nPos;
        s.pos = platform::ClampPos(s, s.pos);
        // There is no thumb to drag: it rests where the position is.
        s.trackPos = s.pos;
        pos = s.pos;
        show = platform::CanScroll(s) || (info->fMask & SIF_DISABLENOSCROLL);
        if (!(info->fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL))) show = (w->style & platform::StyleOf(bar)) != 0;
    }
    platform::SetBarsVisible(hwnd, bar, show);
    return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info)
{
    if (!info || !platform::ValidBar(bar)) return FALSE;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    const auto& s = w->bars[bar];
    if (info->fMask & SIF_RANGE) {
        info->nMin = s.min;
        info->nMax = s.max;
    }
    if (info->fMask & SIF_PAGE) info->nPage = s.page;
    if (info->fMask & SIF_POS) info->nPos = s.pos;
    if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.trackPos;
    return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL)
{
    if (!platform::ValidBar(bar)) return 0;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return 0;
    auto& s = w->bars[bar];
    int previous = s.pos;
    s.pos = platform::ClampPos(s, pos);
    s.trackPos = s.pos;
    return previous;
}

int GetScrollPos(HWND hwnd, int bar)
{
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(hwnd, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw)
{
    SCROLLINFO info{sizeof info, SIF_RANGE, minPos, maxPos, 0, 0, 0};
    SetScrollInfo(hwnd, bar, &info, redraw);
    return IsWindow(hwnd) && (bar == SB_HORZ || bar == SB_VERT);
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos)
{
    SCROLLINFO info{sizeof info, SIF_RANGE, 0, 0, 0, 0, 0};
    if (!minPos || !maxPos || !GetScrollInfo(hwnd, bar, &info)) return FALSE;
    *minPos = info.nMin;
    *maxPos = info.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show)
{
    if (bar != SB_BOTH && !platform::ValidBar(bar)) return FALSE;
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    platform::SetBarsVisible(hwnd, bar, show != FALSE);
    return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    bool changed = false;
    for (int b : {SB_HORZ, SB_VERT}) {
        if (bar != SB_BOTH && static_cast<int>(bar) != b) continue;
        changed = changed || w->bars[b].arrowsDisabled != (arrows & ESB_DISABLE_BOTH);
        w->bars[b].arrowsDisabled = arrows & ESB_DISABLE_BOTH;
    }
    return changed ? TRUE : FALSE;
}
