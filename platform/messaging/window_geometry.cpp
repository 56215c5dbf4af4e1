// Where windows are and how big their client areas are.

#include <algorithm>

#include "platform/gdi/system_metrics.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/messaging/internal/window_record.h"
#include "platform/messaging/scroll_bars.h"
#include "platform/messaging/window.h"

namespace platform {
namespace {

int BorderOf(const Window& w) { return (w.style & WS_BORDER) ? GetSystemMetrics(SM_CXBORDER) : 0; }

// The client area's origin in the window's own rectangle.
POINT ClientOriginLocked(const Window& w)
{
    int border = BorderOf(w);
    return POINT{border, border};
}

// The screen position of the client area's top-left corner (lock held).
POINT ClientOriginOnScreenLocked(const WindowTable& table, const Window& w)
{
    POINT origin{0, 0};
    for (auto at = table.GetLocked(w.handle); at; at = table.GetLocked(at->parent)) {
        POINT inner = ClientOriginLocked(*at);
        origin.x += at->rect.left + inner.x;
        origin.y += at->rect.top + inner.y;
        if (!IsChildLocked(*at)) break;  // a top-level or owned pop-up window sits in screen coordinates
    }
    return origin;
}

// The visible window under the point among `candidates`: top-level and
// pop-up windows with a screen point, or one window's children with a point
// in its client coordinates; searched depth first, newest on top (lock held).
HWND ChildAtLocked(const WindowTable& table, const std::vector<HWND>& candidates, POINT point, bool topLevel)
{
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        auto w = table.GetLocked(*it);
        if (!w || w->destroying || IsChildLocked(*w) == topLevel || !(w->style & WS_VISIBLE) ||
            !PtInRect(&w->rect, point))
            continue;
        POINT inner = ClientOriginLocked(*w);
        POINT local{point.x - w->rect.left - inner.x, point.y - w->rect.top - inner.y};
        HWND deeper = ChildAtLocked(table, w->children, local, false);
        return deeper ? deeper : w->handle;
    }
    return nullptr;
}

struct SizeChange {
    bool moved = false;
    bool resized = false;
    SIZE client{0, 0};
    POINT origin{0, 0};
};

// Applies a new rectangle and reports what changed (lock held).
SizeChange ApplyRectLocked(Window& w, const RECT& rect, bool repaint)
{
    SizeChange change;
    SIZE before = ClientSizeLocked(w);
    change.moved = rect.left != w.rect.left || rect.top != w.rect.top;
    w.rect = rect;
    change.client = ClientSizeLocked(w);
    change.resized = change.client.cx != before.cx || change.client.cy != before.cy;
    POINT inner = ClientOriginLocked(w);
    change.origin = POINT{rect.left + inner.x, rect.top + inner.y};
    if (change.resized && repaint) InvalidateLocked(w, nullptr, true);
    return change;
}

void Announce(HWND hwnd, const SizeChange& change)
{
    if (change.moved) SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(change.origin.x, change.origin.y));
    if (change.resized) SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(change.client.cx, change.client.cy));
}

}  // namespace

SIZE ClientSizeLocked(const Window& w)
{
    int border = BorderOf(w);
    LONG cx = w.rect.right - w.rect.left - 2 * border;
    LONG cy = w.rect.bottom - w.rect.top - 2 * border;
    if (w.style & WS_VSCROLL) cx -= GetSystemMetrics(SM_CXVSCROLL);
    if (w.style & WS_HSCROLL) cy -= GetSystemMetrics(SM_CYHSCROLL);
    return SIZE{std::max<LONG>(cx, 0), std::max<LONG>(cy, 0)};
}

void ResizeForFrameChange(HWND hwnd, const SIZE& before)
{
    SizeChange change;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = table.GetLocked(hwnd);
        if (!w) return;
        change.client = ClientSizeLocked(*w);
        change.resized = change.client.cx != before.cx || change.client.cy != before.cy;
        if (change.resized) InvalidateLocked(*w, nullptr, true);
    }
    Announce(hwnd, change);
}

}  // namespace platform

using platform::Table;

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    if (!rect) return FALSE;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    SIZE size = platform::ClientSizeLocked(*w);
    *rect = RECT{0, 0, size.cx, size.cy};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    if (!rect) return FALSE;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    POINT origin{0, 0};
    auto parent = table.GetLocked(w->parent);
    if (parent && platform::IsChildLocked(*w)) origin = platform::ClientOriginOnScreenLocked(table, *parent);
    *rect = w->rect;
    OffsetRect(rect, origin.x, origin.y);
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int width, int height, UINT flags)
{
    if (platform::CurrentThread().killed) return FALSE;
    platform::SizeChange change;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = platform::GetOrFailLocked(hwnd);
        if (!w) return FALSE;
        RECT rect = w->rect;
        if (!(flags & SWP_NOMOVE)) OffsetRect(&rect, x - rect.left, y - rect.top);
        if (!(flags & SWP_NOSIZE)) {
            rect.right = rect.left + std::max(width, 0);
            rect.bottom = rect.top + std::max(height, 0);
        }
        change = platform::ApplyRectLocked(*w, rect, !(flags & SWP_NOREDRAW));
        if ((flags & SWP_SHOWWINDOW) && !w->messageOnly) w->style |= WS_VISIBLE;
        if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
    }
    platform::Announce(hwnd, change);
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0 : SWP_NOREDRAW));
}

static BOOL ShiftByClientOrigin(HWND hwnd, LPPOINT point, int sign)
{
    if (!point) return FALSE;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    POINT origin = platform::ClientOriginOnScreenLocked(table, *w);
    point->x += sign * origin.x;
    point->y += sign * origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) { return ShiftByClientOrigin(hwnd, point, 1); }
BOOL ScreenToClient(HWND hwnd, LPPOINT point) { return ShiftByClientOrigin(hwnd, point, -1); }

HWND WindowFromPoint(POINT point)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    // Top-level and pop-up windows, oldest first, so that the newest is searched first.
    std::vector<std::pair<std::uint64_t, HWND>> tops;
    table.slots.ForEach([&](std::uint32_t value, const std::shared_ptr<platform::Window>& w) {
        if (!platform::IsChildLocked(*w) && !w->messageOnly) tops.emplace_back(w->serial, platform::ToHwnd(value));
    });
    std::sort(tops.begin(), tops.end());
    std::vector<HWND> order;
    for (auto& top : tops) order.push_back(top.second);
    return platform::ChildAtLocked(table, order, point, true);
}
