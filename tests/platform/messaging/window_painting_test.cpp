// Window geometry, the update area and WM_PAINT, pixels, scrolling them, and scroll bars.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/scroll_bars.h"
#include "tests/support/test_windows.h"

namespace {

using kstest::Handler;

// Records the messages of a visible top-level test window of the given size.
struct Recorder {
    explicit Recorder(DWORD style = 0, int cx = 100, int cy = 80)
    {
        handler = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            seen.push_back(m);
            if (m == WM_SIZE) sizes.push_back(SIZE{GET_LOW(l), GET_HIGH(l)});
            if (m == WM_PAINT && onPaint) return onPaint(h), 0;
            return DefWindowProcW(h, m, w, l);
        };
        hwnd = CreateWindowExW(0, kstest::HandlerClass(), u"", style | WS_VISIBLE, 10, 20, cx, cy, nullptr, nullptr,
                               nullptr, &handler);
    }
    ~Recorder() { DestroyWindow(hwnd); }
    static LONG GET_LOW(LPARAM l) { return LOWORD(static_cast<std::uintptr_t>(l)); }
    static LONG GET_HIGH(LPARAM l) { return HIWORD(static_cast<std::uintptr_t>(l)); }
    int Count(UINT m) const { return static_cast<int>(std::count(seen.begin(), seen.end(), m)); }
    RECT Update() const
    {
        RECT r;
        GetUpdateRect(hwnd, &r, FALSE);
        return r;
    }

    Handler handler;
    std::function<void(HWND)> onPaint;
    std::vector<UINT> seen;
    std::vector<SIZE> sizes;
    HWND hwnd;
};

COLORREF PixelOf(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

void FillClient(HWND hwnd, RECT r, COLORREF color)
{
    HDC dc = GetDC(hwnd);
    platform::OwnedBrush brush(CreateSolidBrush(color));
    FillRect(dc, &r, brush.Get());
    ReleaseDC(hwnd, dc);
}

TEST(WindowGeometry, ClientAreaLosesTheBorderAndTheShowingBars)
{
    const int bar = GetSystemMetrics(SM_CXVSCROLL), border = GetSystemMetrics(SM_CXBORDER);
    struct Case {
        DWORD style;
        LONG cx, cy;
    } cases[] = {
        {0, 100, 80},
        {WS_BORDER, 100 - 2 * border, 80 - 2 * border},
        {WS_VSCROLL, 100 - bar, 80},
        {WS_VSCROLL | WS_HSCROLL | WS_BORDER, 100 - bar - 2 * border, 80 - bar - 2 * border},
    };
    for (const auto& c : cases) {
        Recorder w(c.style);
        RECT client;
        ASSERT_TRUE(GetClientRect(w.hwnd, &client));
        EXPECT_EQ(client.right, c.cx) << c.style;
        EXPECT_EQ(client.bottom, c.cy) << c.style;
    }
}

TEST(WindowGeometry, MovesReportOnlyWhatChangedAndPointsFollowTheParents)
{
    Recorder top(WS_BORDER);
    MoveWindow(top.hwnd, 10, 20, 100, 80, TRUE);  // the same place: nothing to say
    EXPECT_EQ(top.Count(WM_SIZE) + top.Count(WM_MOVE), 0);
    MoveWindow(top.hwnd, 15, 20, 120, 80, TRUE);
    ASSERT_EQ(top.sizes.size(), 1u);
    EXPECT_EQ(top.sizes[0].cx, 120 - 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(top.Count(WM_MOVE), 1);

    HWND child = CreateWindowExW(0, kstest::HandlerClass(), u"", WS_CHILD | WS_VISIBLE, 5, 6, 30, 30, top.hwnd,
                                 nullptr, nullptr, nullptr);
    HWND grandChild = CreateWindowExW(0, kstest::HandlerClass(), u"", WS_CHILD | WS_VISIBLE, 2, 3, 10, 10, child,
                                      nullptr, nullptr, nullptr);
    const int b = GetSystemMetrics(SM_CXBORDER);
    POINT p{1, 1};
    ClientToScreen(grandChild, &p);
    EXPECT_EQ(p.x, 15 + b + 5 + 2 + 1);
    EXPECT_EQ(p.y, 20 + b + 6 + 3 + 1);
    EXPECT_EQ(WindowFromPoint(p), grandChild);
    ScreenToClient(top.hwnd, &p);
    EXPECT_EQ(p.x, 5 + 2 + 1);
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 15 + b + 5);
    EXPECT_EQ(WindowFromPoint(POINT{15 + b + 40, 20 + b + 1}), top.hwnd);
    ShowWindow(child, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{15 + b + 5, 20 + b + 6}), top.hwnd);

    // A pop-up owned by the window (a tooltip) is placed on the screen, over its owner.
    HWND popup = CreateWindowExW(0, kstest::HandlerClass(), u"", WS_POPUP, 0, 0, 30, 10, top.hwnd, nullptr, nullptr,
                                 nullptr);
    SetWindowPos(popup, HWND_TOPMOST, 16, 21, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    EXPECT_TRUE(IsWindowVisible(popup));
    GetWindowRect(popup, &r);
    EXPECT_EQ(r.left * 1000 + r.right, 16 * 1000 + 46);
    EXPECT_EQ(WindowFromPoint(POINT{17, 22}), popup);
    ShowWindow(popup, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{17, 22}), top.hwnd);
}

TEST(WindowPainting, TheUpdateAreaIsTheUnionOfWhatIsStillInvalid)
{
    struct Step {
        bool invalidate;
        RECT rect;  // {0,0,0,0} with invalidate: the whole client area; without: everything
        RECT expect;
    };
    const std::vector<std::vector<Step>> scripts = {
        {{true, {10, 10, 20, 20}, {10, 10, 20, 20}}, {true, {30, 5, 40, 15}, {10, 5, 40, 20}}},
        {{true, {90, 70, 200, 200}, {90, 70, 100, 80}}},                          // clipped to the client area
        {{true, {0, 0, 0, 0}, {0, 0, 100, 80}}, {false, {0, 0, 100, 40}, {0, 40, 100, 80}}},  // a cut along a side
        {{true, {10, 10, 50, 50}, {10, 10, 50, 50}}, {false, {20, 20, 30, 30}, {10, 10, 50, 50}}},  // a hole stays
        {{true, {10, 10, 50, 50}, {10, 10, 50, 50}}, {false, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        {{true, {60, 10, 50, 50}, {0, 0, 0, 0}}},  // an empty rectangle adds nothing
    };
    for (size_t i = 0; i < scripts.size(); ++i) {
        Recorder w;
        ValidateRect(w.hwnd, nullptr);
        for (const auto& step : scripts[i]) {
            const RECT* r = IsRectEmpty(&step.rect) && step.rect.left == 0 ? nullptr : &step.rect;
            if (step.invalidate)
                InvalidateRect(w.hwnd, r, FALSE);
            else
                ValidateRect(w.hwnd, r);
            RECT got = w.Update();
            EXPECT_TRUE(EqualRect(&got, &step.expect))
                << "script " << i << ": " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
        }
    }
}

TEST(WindowPainting, PaintComesAfterPostedMessagesBeforeTimersAndOnlyWhileInvalid)
{
    Recorder w;
    ValidateRect(w.hwnd, nullptr);
    InvalidateRect(w.hwnd, nullptr, TRUE);
    PostMessageW(w.hwnd, WM_USER, 0, 0);
    SetTimer(w.hwnd, 7, 10, nullptr);
    Sleep(20);
    std::vector<UINT> order;
    MSG msg;
    while (order.size() < 3 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        order.push_back(msg.message);
        DispatchMessageW(&msg);  // the default procedure validates on WM_PAINT
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
    EXPECT_EQ(w.Count(WM_ERASEBKGND), 1);
    KillTimer(w.hwnd, 7);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));

    // A procedure that never validates is asked again; one that begins a paint is not.
    int paints = 0;
    w.onPaint = [&](HWND) { ++paints; };
    InvalidateRect(w.hwnd, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageW(&msg);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    PAINTSTRUCT ps;
    w.onPaint = [&](HWND h) {
        ++paints;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
    };
    UpdateWindow(w.hwnd);
    EXPECT_EQ(paints, 2);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    UpdateWindow(w.hwnd);  // nothing invalid: no paint
    EXPECT_EQ(paints, 2);
    EXPECT_EQ(ps.rcPaint.right, 100);

    // Showing a hidden window asks for a paint.
    ShowWindow(w.hwnd, SW_HIDE);
    ShowWindow(w.hwnd, SW_SHOW);
    EXPECT_EQ(w.Update().bottom, 80);
    ValidateRect(w.hwnd, nullptr);

    // With redrawing off, invalidation is dropped.
    SendMessageW(w.hwnd, WM_SETREDRAW, FALSE, 0);
    InvalidateRect(w.hwnd, nullptr, TRUE);
    EXPECT_FALSE(GetUpdateRect(w.hwnd, nullptr, FALSE));
}

TEST(WindowPainting, InvalidatingFromAnotherThreadWakesTheOwnersGetMessage)
{
    std::atomic<int> paints{0};
    kstest::WindowThread owner([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_PAINT) ++paints;
        return DefWindowProcW(h, m, w, l);
    });
    InvalidateRect(owner.Hwnd(), nullptr, FALSE);  // message-only windows are painted too
    EXPECT_TRUE(kstest::SpinUntil([&] { return paints.load() == 1; }));
}

TEST(WindowPainting, PixelsSurviveAResizeAndTheEraseAndPaintFlagsAgree)
{
    Recorder w;
    FillClient(w.hwnd, RECT{0, 0, 100, 80}, RGB(255, 0, 0));
    MoveWindow(w.hwnd, 10, 20, 120, 90, TRUE);
    EXPECT_EQ(PixelOf(w.hwnd, 99, 79), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(w.hwnd, 110, 85), RGB(255, 255, 255));  // new pixels start white
    RECT update = w.Update();
    EXPECT_EQ(update.right, 120);  // a new size asks for a full paint

    // The test class has no brush: WM_ERASEBKGND answers 0, so BeginPaint reports fErase.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w.hwnd, &ps);
    ASSERT_TRUE(dc);
    EXPECT_TRUE(ps.fErase);
    RECT clip;
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_TRUE(EqualRect(&clip, &ps.rcPaint));
    EndPaint(w.hwnd, &ps);
}

TEST(WindowScrolling, ScrollWindowExMovesPixelsAndReportsTheUncoveredBand)
{
    struct Case {
        int dx, dy;
        RECT band;
        POINT movedTo;  // where the marked pixel at (50, 40) lands
    } cases[] = {
        {0, -10, {0, 70, 100, 80}, {50, 30}},
        {0, 25, {0, 0, 100, 25}, {50, 65}},
        {-30, 0, {70, 0, 100, 80}, {20, 40}},
        {5, 5, {0, 0, 100, 80}, {55, 45}},  // both ways: the bounds of the L-shaped band
        {0, 200, {0, 0, 100, 80}, {-1, -1}},
    };
    for (const auto& c : cases) {
        Recorder w;
        ValidateRect(w.hwnd, nullptr);
        FillClient(w.hwnd, RECT{50, 40, 51, 41}, RGB(0, 0, 255));
        RECT band;
        EXPECT_EQ(ScrollWindowEx(w.hwnd, c.dx, c.dy, nullptr, nullptr, nullptr, &band, SW_INVALIDATE),
                  SIMPLEREGION);
        EXPECT_TRUE(EqualRect(&band, &c.band)) << c.dx << "," << c.dy;
        RECT update = w.Update();
        EXPECT_TRUE(EqualRect(&update, &c.band));
        if (c.movedTo.x >= 0) {
            EXPECT_EQ(PixelOf(w.hwnd, c.movedTo.x, c.movedTo.y), RGB(0, 0, 255)) << c.dx;
        }
    }

    // Only the scroll rectangle moves, and a pending update area moves with it.
    Recorder w;
    ValidateRect(w.hwnd, nullptr);
    FillClient(w.hwnd, RECT{10, 50, 11, 51}, RGB(0, 0, 255));
    RECT pending{0, 60, 100, 62};
    InvalidateRect(w.hwnd, &pending, FALSE);
    RECT below{0, 20, 100, 80}, band;
    ScrollWindowEx(w.hwnd, 0, -10, &below, nullptr, nullptr, &band, 0);
    EXPECT_EQ(band.top, 70);
    EXPECT_EQ(PixelOf(w.hwnd, 10, 40), RGB(0, 0, 255));
    RECT update = w.Update();
    EXPECT_EQ(update.top, 50);  // moved along; the band was not added without SW_INVALIDATE
    // A pending area outside the scroll rectangle stays where it is.
    ValidateRect(w.hwnd, nullptr);
    RECT above{0, 5, 100, 8};
    InvalidateRect(w.hwnd, &above, FALSE);
    ScrollWindowEx(w.hwnd, 0, -10, &below, nullptr, nullptr, &band, 0);
    update = w.Update();
    EXPECT_TRUE(EqualRect(&update, &above));
    EXPECT_EQ(ScrollWindowEx(w.hwnd, 0, 0, nullptr, nullptr, nullptr, &band, 0), NULLREGION);
}

TEST(WindowScrollBars, PositionsAreClampedAndBarsShowWhenTheyCanScroll)
{
    struct Case {
        int min, max;
        UINT page;
        int pos;
        UINT mask;
        int expectPos;
        bool shown;
    } cases[] = {
        {0, 99, 10, 95, SIF_ALL, 90, true},  // the last position shows the last page
        {0, 99, 10, -5, SIF_ALL, 0, true},
        {0, 99, 0, 150, SIF_ALL, 99, true},
        {0, 99, 200, 5, SIF_ALL, 0, false},  // the page covers everything
        {0, 99, 100, 5, SIF_ALL | SIF_DISABLENOSCROLL, 0, true},
        {10, 10, 0, 3, SIF_ALL, 10, false},
    };
    for (const auto& c : cases) {
        Recorder w(WS_VSCROLL);
        SCROLLINFO si{sizeof si, c.mask, c.min, c.max, c.page, c.pos, 0};
        EXPECT_EQ(SetScrollInfo(w.hwnd, SB_VERT, &si, TRUE), c.expectPos);
        EXPECT_EQ(GetScrollPos(w.hwnd, SB_VERT), c.expectPos);
        SCROLLINFO track{sizeof track, SIF_TRACKPOS, 0, 0, 0, 0, -1};
        ASSERT_TRUE(GetScrollInfo(w.hwnd, SB_VERT, &track));
        EXPECT_EQ(track.nTrackPos, c.expectPos) << "the thumb rests at the position";
        EXPECT_EQ((GetWindowLongW(w.hwnd, GWL_STYLE) & WS_VSCROLL) != 0, c.shown) << c.max << "/" << c.page;
        RECT client;
        GetClientRect(w.hwnd, &client);
        EXPECT_EQ(client.right, c.shown ? 100 - GetSystemMetrics(SM_CXVSCROLL) : 100);
        EXPECT_EQ(w.sizes.size(), c.shown ? 0u : 1u);  // hiding the bar resized the client area
    }

    Recorder w;
    EXPECT_TRUE(SetScrollRange(w.hwnd, SB_HORZ, 0, 50, TRUE));
    EXPECT_EQ(SetScrollPos(w.hwnd, SB_HORZ, 70, TRUE), 0);
    int lo, hi;
    GetScrollRange(w.hwnd, SB_HORZ, &lo, &hi);
    EXPECT_EQ(GetScrollPos(w.hwnd, SB_HORZ) * 100 + hi, 5050);
    EXPECT_TRUE(ShowScrollBar(w.hwnd, SB_BOTH, FALSE));
    EXPECT_EQ(GetWindowLongW(w.hwnd, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
    SCROLLINFO bad{sizeof bad + 1, SIF_ALL, 0, 10, 0, 0, 0};
    EXPECT_EQ(SetScrollInfo(w.hwnd, SB_CTL, &bad, TRUE), 0);
}

TEST(WindowPictures, ThePictureHasTheBorderClientPixelsBarAndChildren)
{
    Recorder w(WS_BORDER | WS_VSCROLL, 60, 40);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 25, 75, 0};  // the thumb sits at the bottom
    SetScrollInfo(w.hwnd, SB_VERT, &si, TRUE);
    FillClient(w.hwnd, RECT{0, 0, 10, 10}, RGB(0, 128, 0));
    HWND child = CreateWindowExW(0, kstest::HandlerClass(), u"", WS_CHILD | WS_VISIBLE, 20, 5, 10, 10, w.hwnd,
                                 nullptr, nullptr, nullptr);
    FillClient(child, RECT{0, 0, 10, 10}, RGB(255, 0, 0));
    HWND hidden = CreateWindowExW(0, kstest::HandlerClass(), u"", WS_CHILD, 0, 0, 5, 5, w.hwnd, nullptr, nullptr,
                                  nullptr);
    FillClient(hidden, RECT{0, 0, 5, 5}, RGB(255, 0, 0));

    platform::OwnedBitmap picture(platform::WindowPicture(w.hwnd));
    ASSERT_TRUE(picture.Get());
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    SelectObject(dc.Get(), picture.Get());
    const int barX = 60 - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2;
    struct Probe {
        int x, y;
        COLORREF color;
    } probes[] = {
        {0, 0, GetSysColor(COLOR_WINDOWFRAME)},  {59, 39, GetSysColor(COLOR_WINDOWFRAME)},
        {1, 1, RGB(0, 128, 0)},                  {1 + 20 + 9, 1 + 5 + 9, RGB(255, 0, 0)},
        {2, 2, RGB(0, 128, 0)},                  {barX, 2, GetSysColor(COLOR_SCROLLBAR)},
        {barX, 37, GetSysColor(COLOR_BTNSHADOW)}, {15, 30, RGB(255, 255, 255)},
    };
    for (const auto& p : probes) EXPECT_EQ(GetPixel(dc.Get(), p.x, p.y), p.color) << p.x << "," << p.y;

    std::string path = ::testing::TempDir() + "window_picture.png";
    ASSERT_TRUE(platform::WriteWindowPng(w.hwnd, path));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_TRUE(f);
    if (f) std::fclose(f);
    std::remove(path.c_str());
    EXPECT_FALSE(platform::WriteWindowPng(nullptr, path));
}

}  // namespace
