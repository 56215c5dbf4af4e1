// Scripted taps, double taps, tap-and-hold, keys, capture and focus.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/system_metrics.h"
#include "platform/messaging/input.h"
#include "platform/messaging/window.h"
#include "tests/support/test_windows.h"

namespace {

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A visible top-level window of a class with or without CS_DBLCLKS that logs its input.
struct InputWindow {
    explicit InputWindow(bool doubleClicks, int x = 0)
    {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = kstest::HandlerWindowProc;
            wc.style = CS_DBLCLKS;
            wc.lpszClassName = u"KsTestDoubleClicks";
            return RegisterClassW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        handler = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m >= WM_KEYDOWN && m <= WM_CHAR) log.push_back({h, m, w, l});
            if ((m >= WM_MOUSEMOVE && m <= WM_LBUTTONDBLCLK) || m == WM_CAPTURECHANGED || m == WM_SETFOCUS ||
                m == WM_KILLFOCUS)
                log.push_back({h, m, w, l});
            return DefWindowProcW(h, m, w, l);
        };
        hwnd = CreateWindowExW(0, doubleClicks ? u"KsTestDoubleClicks" : kstest::HandlerClass(), u"", WS_VISIBLE, x,
                               0, 100, 100, nullptr, nullptr, nullptr, &handler);
    }
    ~InputWindow() { DestroyWindow(hwnd); }
    std::vector<UINT> Messages() const
    {
        std::vector<UINT> out;
        for (auto& s : log) out.push_back(s.message);
        return out;
    }
    kstest::Handler handler;
    std::vector<Seen> log;
    HWND hwnd = nullptr;
};

TEST(WindowInput, ASecondPressIsADoubleTapOnlySoonEnoughCloseEnoughAndWhereTheClassAsks)
{
    const int near = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
    struct Case {
        bool classStyle;
        DWORD gap;
        int dx;
        UINT second;
    } cases[] = {
        {true, 200, 0, WM_LBUTTONDBLCLK},
        {true, GetDoubleClickTime(), near, WM_LBUTTONDBLCLK},
        {true, GetDoubleClickTime() + 1, 0, WM_LBUTTONDOWN},
        {true, 100, near + 1, WM_LBUTTONDOWN},
        {false, 100, 0, WM_LBUTTONDOWN},
    };
    for (const auto& c : cases) {
        InputWindow w(c.classStyle);
        platform::InputScript(w.hwnd).Wait(10000).Tap(20, 20).Wait(c.gap - 50).Tap(20 + c.dx, 20);
        kstest::PumpPending();
        EXPECT_EQ(w.Messages(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, c.second, WM_LBUTTONUP}))
            << c.gap << " " << c.dx;
        EXPECT_EQ(w.log[0].wParam, MK_LBUTTON);
        EXPECT_EQ(GET_X_LPARAM(w.log[2].lParam), 20 + c.dx);
    }
    // A third quick press starts over.
    InputWindow w(true);
    platform::InputScript(w.hwnd).Wait(10000).Tap(5, 5).Tap(5, 5).Tap(5, 5);
    kstest::PumpPending();
    ASSERT_GE(w.Messages().size(), 5u);
    EXPECT_EQ(w.Messages()[4], WM_LBUTTONDOWN);
}

TEST(WindowInput, CaptureTakesEveryMoveInItsOwnCoordinatesUntilReleased)
{
    InputWindow left(false, 0), right(false, 200);
    SetCapture(left.hwnd);
    platform::InputScript(right.hwnd).Move(-10, 5).Drag(POINT{10, 10}, POINT{30, 10}, 2);
    kstest::PumpPending();
    EXPECT_TRUE(right.log.empty());
    ASSERT_EQ(left.log.size(), 5u);
    EXPECT_EQ(GET_X_LPARAM(left.log[0].lParam), 190);  // right's (-10, 5) is left's (190, 5)
    EXPECT_EQ(left.log[2].wParam, MK_LBUTTON);          // a move with the button held
    EXPECT_EQ(left.log[4].message, WM_LBUTTONUP);
    EXPECT_EQ(left.log[4].wParam, 0u);

    SetCapture(right.hwnd);
    EXPECT_EQ(left.log.back().message, WM_CAPTURECHANGED);
    EXPECT_EQ(left.log.back().lParam, reinterpret_cast<LPARAM>(right.hwnd));
    ReleaseCapture();
    EXPECT_EQ(right.log.back().message, WM_CAPTURECHANGED);
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(left.hwnd);
    SendMessageW(left.hwnd, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    HWND gone = CreateWindowExW(0, kstest::HandlerClass(), u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetCapture(gone);
    DestroyWindow(gone);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(WindowInput, KeysGoToTheFocusWithTheRepeatBitAndTheirStateIsKept)
{
    InputWindow a(false), b(false);
    EXPECT_EQ(SetFocus(a.hwnd), nullptr);
    EXPECT_EQ(SetFocus(b.hwnd), a.hwnd);
    ASSERT_GE(a.log.size(), 2u);
    EXPECT_EQ(a.log.back().message, WM_KILLFOCUS);
    EXPECT_EQ(a.log.back().wParam, reinterpret_cast<WPARAM>(b.hwnd));
    EXPECT_EQ(b.log.back().message, WM_SETFOCUS);
    EXPECT_EQ(GetFocus(), b.hwnd);
    b.log.clear();

    platform::InputScript script(b.hwnd);
    script.KeyDown(VK_DOWN).KeyDown(VK_DOWN, true);
    EXPECT_TRUE(GetAsyncKeyState(VK_DOWN) & 0x8000);
    script.KeyUp(VK_DOWN).Type(u"ab");
    EXPECT_FALSE(GetAsyncKeyState(VK_DOWN) & 0x8000);
    kstest::PumpPending();
    ASSERT_EQ(b.log.size(), 5u);
    EXPECT_EQ(b.log[0].lParam & KF_REPEAT_BIT, 0);
    EXPECT_EQ(b.log[1].lParam & KF_REPEAT_BIT, KF_REPEAT_BIT);
    EXPECT_EQ(b.log[2].message, WM_KEYUP);
    EXPECT_EQ(b.log[4].message, WM_CHAR);
    EXPECT_EQ(b.log[4].wParam, u'b');
    DestroyWindow(b.hwnd);
    EXPECT_EQ(GetFocus(), nullptr);
}

// Key messages posted by anyone (a display's key events, not only the script)
// set the state; the low bit tells of a press since the last read.
TEST(WindowInput, PostedKeyMessagesSetTheKeyStateAndThePressedSinceLastReadBit)
{
    InputWindow w(false);
    struct Step {
        std::vector<UINT> posted;  // before the read
        SHORT state;
    } const steps[] = {
        {{WM_KEYDOWN}, SHORT(0x8001)}, {{}, SHORT(0x8000)}, {{WM_KEYUP}, 0},
        {{WM_KEYDOWN, WM_KEYUP}, 0x0001}, {{}, 0},
    };
    for (const Step& step : steps) {
        for (UINT message : step.posted) PostMessageW(w.hwnd, message, VK_RIGHT, 1);
        EXPECT_EQ(GetAsyncKeyState(VK_RIGHT), step.state) << &step - steps;
    }
    kstest::PumpPending();
}

// Calls SHRecognizeGesture from WM_LBUTTONDOWN and keeps its answer.
TEST(WindowInput, TapAndHoldIsJudgedByWhatFollowsThePress)
{
    const int slop = GetSystemMetrics(SM_CXDRAG);
    struct Case {
        const char* name;
        std::function<void(platform::InputScript&)> after;  // input after the press at (20, 20)
        DWORD expect;
        int parentNotices;
    } cases[] = {
        {"released soon", [](auto& s) { s.Wait(100).Up(20, 20); }, 0, 0},
        {"released late", [](auto& s) { s.Wait(kTapAndHoldMs).Up(20, 20); }, GN_CONTEXTMENU, 1},
        {"trembling, then late",
         [&](auto& s) { s.Wait(100).Move(20 + slop, 20).Wait(kTapAndHoldMs).Up(20, 20); }, GN_CONTEXTMENU, 1},
        {"dragged away", [&](auto& s) { s.Wait(100).Move(20, 21 + slop); }, 0, 0},
    };
    for (const auto& c : cases) {
        int notices = 0;
        kstest::Handler parentHandler = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_NOTIFY && reinterpret_cast<NMRGINFO*>(l)->hdr.code == GN_CONTEXTMENU) ++notices;
            return DefWindowProcW(h, m, w, l);
        };
        HWND parent = kstest::CreateHandlerWindow(&parentHandler, nullptr, WS_VISIBLE);
        DWORD answer = 99;
        kstest::Handler childHandler = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_LBUTTONDOWN) {
                SHRGINFO info{sizeof info, h, {GET_X_LPARAM(l), GET_Y_LPARAM(l)}, SHRG_NOTIFYPARENT};
                answer = SHRecognizeGesture(&info);
            }
            return DefWindowProcW(h, m, w, l);
        };
        HWND child = kstest::CreateHandlerWindow(&childHandler, parent, WS_CHILD | WS_VISIBLE);
        MoveWindow(child, 0, 0, 100, 100, FALSE);
        platform::InputScript script(child);
        script.Down(20, 20);
        c.after(script);
        kstest::PumpPending();
        EXPECT_EQ(answer, c.expect) << c.name;
        EXPECT_EQ(notices, c.parentNotices) << c.name;
        DestroyWindow(parent);
    }
}

}  // namespace
