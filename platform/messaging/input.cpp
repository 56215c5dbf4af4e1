// Sections: Capture and focus; Key state and double taps; Tap-and-hold; Scripted input.

#include "platform/messaging/input.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/gdi/system_metrics.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/messaging/internal/window_record.h"
#include "platform/messaging/internal/window_table.h"
#include "platform/messaging/window.h"

namespace platform {
namespace {

// What the input so far has left pressed, and the last press that may start
// a double tap.
struct InputState {
    std::mutex mutex;
    bool keys[256] = {};
    bool pressedSinceRead[256] = {};  // GetAsyncKeyState's low bit
    HWND lastDownWindow = nullptr;
    DWORD lastDownTime = 0;
    POINT lastDownPoint{0, 0};  // screen coordinates
    bool lastDownOpen = false;  // a next press may make it a double tap
};

InputState& Input()
{
    static auto* state = new InputState;  // never destroyed: used until the process ends
    return *state;
}

bool ClassWantsDoubleClicks(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = table.GetLocked(hwnd);
    return w && (w->cls->info.style & CS_DBLCLKS);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time, POINT screen)
{
    WindowTarget target;
    if (!FindWindowTarget(hwnd, &target)) return;
    PostToQueue(*target.owner, MSG{hwnd, message, wParam, lParam, time, screen});
}

}  // namespace
}  // namespace platform

using platform::Table;

// ---- Capture and focus ----

HWND SetCapture(HWND hwnd)
{
    HWND previous;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        if (hwnd && !platform::GetOrFailLocked(hwnd)) return nullptr;
        previous = table.capture;
        table.capture = hwnd;
    }
    if (previous && previous != hwnd) SendMessageW(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return previous;
}

BOOL ReleaseCapture()
{
    SetCapture(nullptr);
    return TRUE;
}

HWND GetCapture()
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.capture;
}

HWND SetFocus(HWND hwnd)
{
    DWORD self = platform::CurrentThread().id;
    HWND previous = nullptr;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        if (hwnd && !platform::GetOrFailLocked(hwnd)) return nullptr;
        if (auto it = table.focus.find(self); it != table.focus.end()) previous = it->second;
        if (previous == hwnd) return previous;
        if (hwnd)
            table.focus[self] = hwnd;
        else
            table.focus.erase(self);
    }
    if (previous) SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && GetFocus() == hwnd) SendMessageW(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus()
{
    DWORD self = platform::CurrentThread().id;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.focus.find(self);
    return it == table.focus.end() ? nullptr : it->second;
}

// ---- Key state and double taps ----

UINT GetDoubleClickTime() { return 500; }

SHORT GetAsyncKeyState(int key)
{
    if (key < 0 || key > 255) return 0;
    auto& input = platform::Input();
    std::lock_guard lock(input.mutex);
    const bool pressed = std::exchange(input.pressedSinceRead[key], false);
    return static_cast<SHORT>((input.keys[key] ? 0x8000 : 0) | (pressed ? 0x0001 : 0));
}

namespace platform {

void NoteKeyMessage(UINT message, WPARAM vk)
{
    if (message != WM_KEYDOWN && message != WM_KEYUP) return;
    auto& input = Input();
    std::lock_guard lock(input.mutex);
    const bool down = message == WM_KEYDOWN;
    input.keys[vk & 0xFF] = down;
    if (down) input.pressedSinceRead[vk & 0xFF] = true;
}

}  // namespace platform

LONG GetMessageTime() { return static_cast<LONG>(platform::LastMessageTime()); }

// ---- Tap-and-hold ----

DWORD SHRecognizeGesture(PSHRGINFO info)
{
    if (!info || info->cbSize != sizeof(SHRGINFO) || !IsWindow(info->hwndClient)) return 0;
    const DWORD hold = (info->dwFlags & SHRG_LONGDELAY) ? 2 * kTapAndHoldMs : kTapAndHoldMs;
    const DWORD start = platform::LastMessageTime() ? platform::LastMessageTime() : GetTickCount();
    const int slop = GetSystemMetrics(SM_CXDRAG);
    bool held = false;
    for (;;) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, PM_NOREMOVE)) {
            if (static_cast<std::int32_t>(msg.time - start) >= static_cast<std::int32_t>(hold)) {
                held = true;  // the next input came only after the hold time
                break;
            }
            if (msg.message != WM_MOUSEMOVE) break;
            POINT at = msg.pt;  // the screen point the input was aimed at
            ScreenToClient(info->hwndClient, &at);
            if (std::abs(at.x - info->ptDown.x) > slop || std::abs(at.y - info->ptDown.y) > slop) break;
            PeekMessageW(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);  // a tremble: dropped
            continue;
        }
        auto elapsed = static_cast<std::int32_t>(GetTickCount() - start);
        if (elapsed >= static_cast<std::int32_t>(hold)) {
            held = true;
            break;
        }
        // Script time can run ahead of the clock: wait at most the rest of the hold.
        DWORD rest = elapsed < 0 ? hold : hold - static_cast<DWORD>(elapsed);
        MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(rest, 20), QS_MOUSE | QS_POSTMESSAGE, 0);
    }
    if (!held) return 0;
    if (info->dwFlags & SHRG_NOTIFYPARENT) {
        NMRGINFO notice{};
        notice.hdr = NMHDR{info->hwndClient, static_cast<UINT_PTR>(GetDlgCtrlID(info->hwndClient)), GN_CONTEXTMENU};
        notice.ptAction = info->ptDown;
        ClientToScreen(info->hwndClient, &notice.ptAction);
        if (HWND parent = GetParent(info->hwndClient))
            SendMessageW(parent, WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
    }
    return GN_CONTEXTMENU;
}

// ---- Scripted input ----

namespace platform {

InputScript::InputScript(HWND window) : m_window(window), m_time(GetTickCount()) {}

InputScript& InputScript::Wait(DWORD ms)
{
    m_time += ms;
    return *this;
}

InputScript& InputScript::Mouse(UINT message, int x, int y)
{
    POINT screen{x, y};
    ClientToScreen(m_window, &screen);
    HWND target = GetCapture();
    if (!target) target = m_window;
    POINT local = screen;
    ScreenToClient(target, &local);
    auto& input = Input();
    WPARAM keys = 0;
    {
        std::lock_guard lock(input.mutex);
        if (message == WM_LBUTTONDOWN) {
            input.keys[VK_LBUTTON] = true;
            input.pressedSinceRead[VK_LBUTTON] = true;
            bool near = std::abs(screen.x - input.lastDownPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                        std::abs(screen.y - input.lastDownPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
            bool second = input.lastDownOpen && input.lastDownWindow == target && near &&
                          m_time - input.lastDownTime <= GetDoubleClickTime();
            if (second && ClassWantsDoubleClicks(target)) {
                message = WM_LBUTTONDBLCLK;
                input.lastDownOpen = false;  // a third press starts over
            } else {
                input.lastDownOpen = true;
                input.lastDownWindow = target;
                input.lastDownTime = m_time;
                input.lastDownPoint = screen;
            }
        } else if (message == WM_LBUTTONUP) {
            input.keys[VK_LBUTTON] = false;
        }
        keys = input.keys[VK_LBUTTON] ? MK_LBUTTON : 0;
    }
    Post(target, message, keys, MAKELPARAM(local.x, local.y), m_time, screen);
    return *this;
}

InputScript& InputScript::Down(int x, int y) { return Mouse(WM_LBUTTONDOWN, x, y); }
InputScript& InputScript::Move(int x, int y) { return Mouse(WM_MOUSEMOVE, x, y); }
InputScript& InputScript::Up(int x, int y) { return Mouse(WM_LBUTTONUP, x, y); }
InputScript& InputScript::Tap(int x, int y) { return Down(x, y).Wait(50).Up(x, y); }

InputScript& InputScript::Drag(POINT from, POINT to, int steps)
{
    Down(from.x, from.y);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        Wait(20);
        Move(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    }
    return Wait(20).Up(to.x, to.y);
}

InputScript& InputScript::KeyDown(UINT vk, bool repeat)
{
    // Posting records the key as down; with no focus to post to, the key is
    // still pressed.
    if (HWND focus = GetFocus())
        Post(focus, WM_KEYDOWN, vk, 1 | (repeat ? KF_REPEAT_BIT : 0), m_time, POINT{0, 0});
    else
        NoteKeyMessage(WM_KEYDOWN, vk);
    return *this;
}

InputScript& InputScript::KeyUp(UINT vk)
{
    if (HWND focus = GetFocus())
        Post(focus, WM_KEYUP, vk, 1 | KF_REPEAT_BIT | KF_UP_BIT, m_time, POINT{0, 0});
    else
        NoteKeyMessage(WM_KEYUP, vk);
    return *this;
}

InputScript& InputScript::Key(UINT vk, int repeats)
{
    KeyDown(vk);
    for (int i = 0; i < repeats; ++i) Wait(100).KeyDown(vk, true);
    return Wait(50).KeyUp(vk);
}

InputScript& InputScript::Type(std::u16string_view text)
{
    HWND focus = GetFocus();
    for (char16_t c : text)
        if (focus) Post(focus, WM_CHAR, c, 1, m_time, POINT{0, 0});
    return *this;
}

int PumpMessages()
{
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // left for the caller's own loop
            break;
        }
        DispatchMessageW(&msg);
        ++count;
    }
    return count;
}

}  // namespace platform
