// Pointer and key input: the messages' parameters, mouse capture, the focus
// window, double taps, tap-and-hold, and a script that feeds input to
// windows as a stylus and keypad would.
//
// There is no input device: input enters through InputScript (or the posting
// functions below it), which posts the messages a device would produce, with
// time stamps of the script's own clock. Mouse messages go to the capture
// window when there is one, else to the window they are aimed at; key and
// character messages go to the calling thread's focus window.
#pragma once

#include <string_view>

#include "platform/base/geometry.h"
#include "platform/base/types.h"
#include "platform/messaging/messages.h"

// Key state bits of mouse messages (wParam).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;

// Mouse message points: lParam is MAKELPARAM(x, y) in client coordinates;
// the halves are signed (a point left of or above the window is negative).
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lp))); }
constexpr WPARAM MAKEWPARAM(int low, int high)
{
    return static_cast<WPARAM>(MAKELONG(static_cast<WORD>(low), static_cast<WORD>(high)));
}

// Virtual keys.
constexpr UINT VK_LBUTTON = 0x01;
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_DELETE = 0x2E;

// Key message data (lParam): bit 30 is set when the key was already down (an
// auto-repeat), bit 31 on release; the repeat count is 1.
constexpr LPARAM KF_REPEAT_BIT = 0x40000000;
constexpr LPARAM KF_UP_BIT = static_cast<LPARAM>(0x80000000u);

// The window that gets all mouse input until released; the previous one (or
// null). The window losing the capture gets WM_CAPTURECHANGED with the new
// one in lParam.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// The calling thread's focus window. SetFocus sends WM_KILLFOCUS (wParam: the
// new focus) to the old one and WM_SETFOCUS (wParam: the old focus) to the
// new one and returns the old one; null removes the focus.
HWND SetFocus(HWND hwnd);
HWND GetFocus();

// The longest time in milliseconds between the presses of a double tap (500).
// The second press must also land within SM_CXDOUBLECLK × SM_CYDOUBLECLK of
// the first, on the same window, whose class has CS_DBLCLKS.
UINT GetDoubleClickTime();
// Bit 15 set while the key (or VK_LBUTTON) is down, as the key messages posted
// to the threads' queues (and the stylus) left it; bit 0 set when the key was
// pressed since the last call for that key.
SHORT GetAsyncKeyState(int key);
// The time stamp of the message last taken off the calling thread's queue.
LONG GetMessageTime();

// Tap-and-hold. The stylus counts as held when it stays down, within the drag
// distance (SM_CXDRAG), for the hold time: judged from the time stamps of the
// input that follows the press, or by waiting on the clock when none has
// come yet. A release or a larger move ends the check; that input stays in
// the queue for the caller.
struct SHRGINFO {
    DWORD cbSize;
    HWND hwndClient;
    POINT ptDown;  // client coordinates of hwndClient
    DWORD dwFlags;
};
using PSHRGINFO = SHRGINFO*;
constexpr DWORD SHRG_RETURNCMD = 0x00000001;
constexpr DWORD SHRG_NOTIFYPARENT = 0x00000002;
constexpr DWORD SHRG_LONGDELAY = 0x00000008;
constexpr UINT GN_CONTEXTMENU = 1000;
// The notice sent with SHRG_NOTIFYPARENT (WM_NOTIFY to hwndClient's parent).
struct NMRGINFO {
    NMHDR hdr;
    POINT ptAction;  // screen coordinates
    DWORD dwItemSpec;
};
// The hold time, doubled with SHRG_LONGDELAY.
constexpr DWORD kTapAndHoldMs = 500;
// GN_CONTEXTMENU when held (after notifying the parent with
// SHRG_NOTIFYPARENT), else 0.
DWORD SHRecognizeGesture(PSHRGINFO info);

namespace platform {

// Input as a user gives it, posted to windows' queues. Points are in the
// client coordinates of the script's window; the script's clock starts at the
// tick count and moves only with Wait, so that double taps, holds and
// auto-repeats are decided by the time stamps alone.
class InputScript {
public:
    explicit InputScript(HWND window);

    InputScript& Wait(DWORD ms);
    InputScript& Down(int x, int y);
    InputScript& Move(int x, int y);
    InputScript& Up(int x, int y);
    // Down and up at the point, 50 ms apart.
    InputScript& Tap(int x, int y);
    // Down at `from`, `steps` moves 20 ms apart ending at `to`, up there.
    InputScript& Drag(POINT from, POINT to, int steps);
    // Key down, `repeats` auto-repeats 100 ms apart (with the repeat bit), up.
    InputScript& Key(UINT vk, int repeats = 0);
    InputScript& KeyDown(UINT vk, bool repeat = false);
    InputScript& KeyUp(UINT vk);
    // WM_CHAR for each character.
    InputScript& Type(std::u16string_view text);
    DWORD Time() const { return m_time; }

private:
    InputScript& Mouse(UINT message, int x, int y);
    HWND m_window;
    DWORD m_time;
};

// Dispatches the calling thread's messages (WM_PAINT included) until none is
// left but timers that are not due; returns how many it dispatched.
int PumpMessages();

}  // namespace platform
