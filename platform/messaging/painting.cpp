// Sections: The update area; Pixels; Device contexts; Scrolling pixels; Pictures.

#include "platform/messaging/painting.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/png_writer.h"
#include "platform/gdi/system_metrics.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/messaging/internal/window_record.h"
#include "platform/messaging/scroll_bars.h"

namespace platform {
namespace {

RECT ClientRectLocked(const Window& w)
{
    SIZE size = ClientSizeLocked(w);
    return RECT{0, 0, size.cx, size.cy};
}

// Device contexts handed out by BeginPaint, with the rectangle they were given.
struct PaintDcs {
    std::mutex mutex;
    std::map<HDC, RECT> clip;
};

PaintDcs& PaintContexts()
{
    static auto* dcs = new PaintDcs;  // never destroyed: used until the process ends
    return *dcs;
}

// The window's pixels at its client size, made or resized now (lock held).
// A resize keeps the pixels that still fit; new ones are white.
HBITMAP SurfaceLocked(Window& w)
{
    SIZE size = ClientSizeLocked(w);
    int cx = std::max<int>(size.cx, 1);
    int cy = std::max<int>(size.cy, 1);
    if (w.surface) {
        BITMAP bm{};
        GetObjectW(w.surface, sizeof bm, &bm);
        if (bm.bmWidth == cx && bm.bmHeight == cy) return w.surface;
    }
    HBITMAP fresh = CreateCompatibleBitmap(nullptr, cx, cy);
    if (!fresh) return w.surface;
    if (w.surface) {
        HDC from = CreateCompatibleDC(nullptr);
        HDC to = CreateCompatibleDC(nullptr);
        SelectObject(from, w.surface);
        SelectObject(to, fresh);
        BitBlt(to, 0, 0, cx, cy, from, 0, 0, SRCCOPY);
        DeleteDC(from);
        DeleteDC(to);
        DeleteObject(w.surface);
    }
    w.surface = fresh;
    return fresh;
}

HDC DcOnSurface(HWND hwnd)
{
    HBITMAP surface;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = GetOrFailLocked(hwnd);
        if (!w) return nullptr;
        surface = SurfaceLocked(*w);
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) SelectObject(dc, surface);
    return dc;
}

// Takes the update area and whether it is to be erased, leaving none (lock taken).
bool TakeUpdate(HWND hwnd, RECT* area, bool* erase)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = GetOrFailLocked(hwnd);
    if (!w) return false;
    *area = w->update;
    *erase = w->erase;
    SetRectEmpty(&w->update);
    w->erase = false;
    return true;
}

}  // namespace

// ---- The update area ----

void InvalidateLocked(Window& w, const RECT* rect, bool erase)
{
    if (!w.redraw || w.destroying) return;
    RECT client = ClientRectLocked(w);
    RECT area;
    if (!IntersectRect(&area, rect ? rect : &client, &client)) return;
    UnionRect(&w.update, &w.update, &area);
    w.erase = w.erase || erase;
    w.owner->parker.Unpark();
}

HWND FindWindowToPaint(const ThreadRecord& self, const MessageFilter& filter)
{
    std::vector<std::pair<std::uint64_t, HWND>> candidates;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        table.slots.ForEach([&](std::uint32_t value, const std::shared_ptr<Window>& w) {
            if (w->owner.get() == &self && !w->destroying && w->redraw && !IsRectEmpty(&w->update))
                candidates.emplace_back(w->serial, ToHwnd(value));
        });
    }
    std::sort(candidates.begin(), candidates.end());  // parents, made first, paint before their children
    for (auto& [serial, hwnd] : candidates) {
        MSG msg{hwnd, WM_PAINT, 0, 0, 0, {0, 0}};
        if (filter.Accepts(msg)) return hwnd;
    }
    return nullptr;
}

}  // namespace platform

using platform::Table;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    platform::InvalidateLocked(*w, rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    RECT& u = w->update;
    if (!rect || (rect->left <= u.left && rect->right >= u.right && rect->top <= u.top && rect->bottom >= u.bottom)) {
        SetRectEmpty(&u);
        w->erase = false;
        return TRUE;
    }
    // One rectangle is kept: only a cut across its whole width or height shrinks it.
    if (rect->left <= u.left && rect->right >= u.right) {
        if (rect->top <= u.top && rect->bottom > u.top) u.top = rect->bottom;
        else if (rect->bottom >= u.bottom && rect->top < u.bottom) u.bottom = rect->top;
    } else if (rect->top <= u.top && rect->bottom >= u.bottom) {
        if (rect->left <= u.left && rect->right > u.left) u.left = rect->right;
        else if (rect->right >= u.right && rect->left < u.right) u.right = rect->left;
    }
    if (IsRectEmpty(&u)) SetRectEmpty(&u);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase)
{
    RECT area{};
    bool eraseDue = false;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = platform::GetOrFailLocked(hwnd);
        if (!w) return FALSE;
        area = w->update;
        eraseDue = w->erase && !IsRectEmpty(&area);
        if (erase && eraseDue) w->erase = false;
    }
    if (erase && eraseDue) {
        HDC dc = GetDC(hwnd);
        SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(hwnd, dc);
    }
    if (rect) *rect = area;
    return IsRectEmpty(&area) ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND hwnd)
{
    RECT area;
    if (!GetUpdateRect(hwnd, &area, FALSE)) return IsWindow(hwnd);
    SendMessageW(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    if (!paint) return nullptr;
    *paint = PAINTSTRUCT{};
    RECT area;
    bool erase;
    if (!platform::TakeUpdate(hwnd, &area, &erase)) return nullptr;
    HDC dc = platform::DcOnSurface(hwnd);
    if (!dc) return nullptr;
    paint->hdc = dc;
    paint->rcPaint = area;
    paint->fErase = erase && !SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? TRUE : FALSE;
    auto& dcs = platform::PaintContexts();
    std::lock_guard lock(dcs.mutex);
    dcs.clip[dc] = area;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint)
{
    if (!paint || !paint->hdc) return FALSE;
    {
        auto& dcs = platform::PaintContexts();
        std::lock_guard lock(dcs.mutex);
        dcs.clip.erase(paint->hdc);
    }
    return DeleteDC(paint->hdc);
}

// ---- Device contexts ----

HDC GetDC(HWND hwnd) { return platform::DcOnSurface(hwnd); }
HDC GetWindowDC(HWND hwnd) { return platform::DcOnSurface(hwnd); }
int ReleaseDC(HWND, HDC dc) { return dc && DeleteDC(dc) ? 1 : 0; }

int GetClipBox(HDC dc, LPRECT rect)
{
    if (!rect) return ERROR;
    {
        auto& dcs = platform::PaintContexts();
        std::lock_guard lock(dcs.mutex);
        if (auto it = dcs.clip.find(dc); it != dcs.clip.end()) {
            *rect = it->second;
            return IsRectEmpty(rect) ? NULLREGION : SIMPLEREGION;
        }
    }
    // A context without a paint: its whole bitmap, found by selecting another
    // bitmap and putting the old one straight back.
    HBITMAP probe = CreateCompatibleBitmap(nullptr, 1, 1);
    HGDIOBJ selected = SelectObject(dc, probe);
    if (!selected) {
        DeleteObject(probe);
        return ERROR;
    }
    SelectObject(dc, selected);
    DeleteObject(probe);
    BITMAP bm{};
    GetObjectW(selected, sizeof bm, &bm);
    *rect = RECT{0, 0, bm.bmWidth, bm.bmHeight};
    return SIMPLEREGION;
}

// ---- Scrolling pixels ----

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, void*, LPRECT update, UINT flags)
{
    RECT band{};
    HBITMAP surface;
    RECT moved{};  // destination of the pixels that move
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = platform::GetOrFailLocked(hwnd);
        if (!w) return ERROR;
        RECT client = platform::ClientRectLocked(*w);
        RECT area, limit;
        IntersectRect(&area, scroll ? scroll : &client, &client);
        IntersectRect(&limit, clip ? clip : &client, &client);
        IntersectRect(&area, &area, &limit);
        surface = platform::SurfaceLocked(*w);
        RECT target = area;
        OffsetRect(&target, dx, dy);
        IntersectRect(&moved, &target, &area);
        // What the move leaves behind: the strips of `area` that `moved` does not cover.
        if (IsRectEmpty(&moved)) {
            band = area;
        } else {
            RECT strip;
            if (dy > 0) {
                SetRect(&strip, area.left, area.top, area.right, moved.top);
                UnionRect(&band, &band, &strip);
            } else if (dy < 0) {
                SetRect(&strip, area.left, moved.bottom, area.right, area.bottom);
                UnionRect(&band, &band, &strip);
            }
            if (dx > 0) {
                SetRect(&strip, area.left, area.top, moved.left, area.bottom);
                UnionRect(&band, &band, &strip);
            } else if (dx < 0) {
                SetRect(&strip, moved.right, area.top, area.right, area.bottom);
                UnionRect(&band, &band, &strip);
            }
        }
        // A pending update area travels with the pixels it belongs to.
        // Only the part inside the scrolled area moves; what lies outside it
        // stays where it is (the area is one rectangle, so it keeps both).
        if (!IsRectEmpty(&w->update) && (dx || dy)) {
            RECT inside;
            IntersectRect(&inside, &w->update, &area);
            OffsetRect(&inside, dx, dy);
            IntersectRect(&inside, &inside, &area);
            RECT outside = w->update;
            RECT whole;
            UnionRect(&whole, &w->update, &area);
            if (EqualRect(&whole, &area)) SetRectEmpty(&outside);
            UnionRect(&w->update, &outside, &inside);
        }
        if ((flags & SW_INVALIDATE) && !IsRectEmpty(&band)) platform::InvalidateLocked(*w, &band, flags & SW_ERASE);
    }
    if (!IsRectEmpty(&moved)) {
        HDC screen = CreateCompatibleDC(nullptr);  // BitBlt copies overlapping areas correctly
        SelectObject(screen, surface);
        BitBlt(screen, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, screen,
               moved.left - dx, moved.top - dy, SRCCOPY);
        DeleteDC(screen);
    }
    if (update) *update = band;
    return IsRectEmpty(&band) ? NULLREGION : SIMPLEREGION;
}

// ---- Pictures ----

namespace platform {
namespace {

void Fill(HDC dc, RECT rect, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// A scroll bar: its track and, when it can scroll, the thumb sized by the page.
void DrawBar(HDC dc, RECT track, const ScrollBarState& bar, bool vertical)
{
    Fill(dc, track, GetSysColor(COLOR_SCROLLBAR));
    long range = static_cast<long>(bar.max) - bar.min + 1;
    if (range <= 0 || bar.page >= static_cast<UINT>(range)) return;
    long length = vertical ? track.bottom - track.top : track.right - track.left;
    long thumb = bar.page ? std::max<long>(length * static_cast<long>(bar.page) / range, 8) : 8;
    thumb = std::min(thumb, length);
    long travel = range - std::max<long>(static_cast<long>(bar.page), 1);
    long offset = travel > 0 ? (length - thumb) * (bar.pos - bar.min) / travel : 0;
    RECT r = track;
    if (vertical) {
        r.top += offset;
        r.bottom = r.top + thumb;
    } else {
        r.left += offset;
        r.right = r.left + thumb;
    }
    Fill(dc, r, GetSysColor(COLOR_BTNSHADOW));
}

// Draws the window (frame, client pixels, bars) with its top-left corner at
// `at`, then its visible children over it, oldest first.
void DrawWindowInto(HDC dc, HWND hwnd, POINT at)
{
    RECT frame;
    SIZE client;
    DWORD style;
    ScrollBarState bars[2];
    HBITMAP surface;
    std::vector<std::pair<HWND, POINT>> children;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = table.GetLocked(hwnd);
        if (!w) return;
        frame = w->rect;
        OffsetRect(&frame, at.x - frame.left, at.y - frame.top);
        client = ClientSizeLocked(*w);
        style = w->style;
        bars[0] = w->bars[0];
        bars[1] = w->bars[1];
        surface = SurfaceLocked(*w);
        int border = (style & WS_BORDER) ? GetSystemMetrics(SM_CXBORDER) : 0;
        for (HWND child : w->children)
            if (auto c = table.GetLocked(child); c && IsChildLocked(*c) && (c->style & WS_VISIBLE))
                children.emplace_back(child, POINT{frame.left + border + c->rect.left, frame.top + border + c->rect.top});
    }
    if (IsRectEmpty(&frame)) return;
    int border = (style & WS_BORDER) ? GetSystemMetrics(SM_CXBORDER) : 0;
    if (border) Fill(dc, frame, GetSysColor(COLOR_WINDOWFRAME));
    HDC from = CreateCompatibleDC(nullptr);
    SelectObject(from, surface);
    int left = frame.left + border, top = frame.top + border;
    BitBlt(dc, left, top, client.cx, client.cy, from, 0, 0, SRCCOPY);
    DeleteDC(from);
    if (style & WS_VSCROLL)
        DrawBar(dc, RECT{left + client.cx, top, frame.right - border, top + client.cy}, bars[SB_VERT], true);
    if (style & WS_HSCROLL)
        DrawBar(dc, RECT{left, top + client.cy, left + client.cx, frame.bottom - border}, bars[SB_HORZ], false);
    if ((style & WS_VSCROLL) && (style & WS_HSCROLL))
        Fill(dc, RECT{left + client.cx, top + client.cy, frame.right - border, frame.bottom - border},
             GetSysColor(COLOR_BTNFACE));
    for (auto& [child, origin] : children) DrawWindowInto(dc, child, origin);
}

}  // namespace

HBITMAP WindowPicture(HWND hwnd)
{
    RECT frame;
    if (!GetWindowRect(hwnd, &frame) || IsRectEmpty(&frame)) return nullptr;
    HBITMAP picture = CreateCompatibleBitmap(nullptr, frame.right - frame.left, frame.bottom - frame.top);
    if (!picture) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, picture);
    DrawWindowInto(dc, hwnd, POINT{0, 0});
    DeleteDC(dc);
    return picture;
}

bool WriteWindowPng(HWND hwnd, const std::string& hostPath)
{
    HBITMAP picture = WindowPicture(hwnd);
    if (!picture) return false;
    bool written = WritePng(picture, hostPath);
    DeleteObject(picture);
    return written;
}

}  // namespace platform
