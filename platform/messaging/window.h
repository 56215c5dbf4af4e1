// Windows without a screen: classes, window objects, procedures, text,
// parent and child, and the state-only parts of showing and activation.
//
// A window belongs to the thread that created it; its messages go to that
// thread's queue (platform/messaging/messages.h). Window handles carry a generation
// number, so IsWindow is false (and every call fails with
// ERROR_INVALID_WINDOW_HANDLE) for destroyed windows and for garbage values.
// Windows are not sent WM_NCCREATE/WM_NCDESTROY: the window text is set from
// the creation arguments directly, and WM_CREATE is the first message.
// When a thread ends, its remaining windows are destroyed.
#pragma once

#include "platform/messaging/messages.h"
#include "platform/base/types.h"

using ATOM = WORD;
using HCURSOR = HICON;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};
using LPWNDCLASSW = WNDCLASSW*;

// Class styles. CS_DBLCLKS turns a second button press within the
// double-click time and distance into WM_LBUTTONDBLCLK (input.h).
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;

struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};
using LPCREATESTRUCTW = CREATESTRUCTW*;

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Parent of message-only windows (never visible, never found by FindWindowW).
inline HWND const HWND_MESSAGE = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-3));

// GetWindowLongW indices.
constexpr int GWL_WNDPROC = -4;
constexpr int GWL_HINSTANCE = -6;
constexpr int GWL_HWNDPARENT = -8;
constexpr int GWL_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;

// GetAncestor kinds.
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// An atom used in place of a class name.
inline LPCWSTR MAKEINTATOM(ATOM atom) { return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(atom)); }

// Classes are process-wide; names compare case-insensitively. RegisterClassW
// returns the class atom, 0 with ERROR_CLASS_ALREADY_EXISTS for a name in use.
ATOM RegisterClassW(const WNDCLASSW* wc);
// Fails with ERROR_CLASS_HAS_WINDOWS while windows of the class exist.
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSW wc);
int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount);

// Creates a window owned by the calling thread and sends it WM_CREATE with a
// CREATESTRUCTW (lpCreateParams = param). A procedure answering WM_CREATE
// with -1 makes the creation fail (the window is destroyed, null returned).
// parent may be a window, null (top level) or HWND_MESSAGE (message-only).
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
inline HWND CreateWindowW(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width, int height,
                          HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    return CreateWindowExW(0, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}
// Sends WM_DESTROY to the window (its children still exist then), destroys
// the children the same way, then invalidates the handle and drops the
// window's timers. Only the owner thread may destroy a window
// (ERROR_ACCESS_DENIED otherwise); children owned by other threads are
// destroyed on their own threads.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// The default procedure: keeps the window text (WM_SETTEXT, WM_GETTEXT,
// WM_GETTEXTLENGTH) and the font (WM_SETFONT, WM_GETFONT), destroys the
// window on WM_CLOSE, gives up the capture on WM_CANCELMODE, validates on WM_PAINT, fills the client area with the
// class brush on WM_ERASEBKGND (1 when it did), switches invalidation off
// and on with WM_SETREDRAW; 0 for the rest.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Window text goes through the window procedure (WM_GETTEXT and friends,
// sent: blocking when the window belongs to another thread).
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount);
int GetWindowTextLengthW(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);

HWND GetParent(HWND hwnd);
// Returns the previous parent. newParent null makes the window top level,
// HWND_MESSAGE message-only.
HWND SetParent(HWND child, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
BOOL IsChild(HWND parent, HWND hwnd);
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
// Searches the top-level windows of this process (newest first); a null class
// or title matches any. Both compare case-insensitively.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
int GetDlgCtrlID(HWND hwnd);
HWND GetDlgItem(HWND parent, int id);

// Window longs. The values are pointer-sized (procedures and object pointers
// are stored here on a 64-bit host), unlike the device's 32-bit LONG. Positive
// indices address the class's cbWndExtra bytes: GetWindowLongW reads 4 of them
// (sign-extended), GetWindowLongPtrW pointer-size.
LONG_PTR GetWindowLongW(HWND hwnd, int index);
LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);

// State only: nothing is drawn (showing a hidden window invalidates it).
BOOL ShowWindow(HWND hwnd, int command);    // nonzero when the window was visible before
BOOL IsWindowVisible(HWND hwnd);            // visible and every ancestor visible
BOOL EnableWindow(HWND hwnd, BOOL enable);  // nonzero when the window was disabled before
BOOL IsWindowEnabled(HWND hwnd);
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);  // also makes it its thread's active window
HWND GetActiveWindow();               // the calling thread's active window
HWND SetActiveWindow(HWND hwnd);

// ---- Position and size ----
//
// A child window's (WS_CHILD) rectangle is kept in its parent's client
// coordinates; a top-level window's, and a pop-up's that has an owner given
// as its parent, in screen coordinates. Its client area is the rectangle less
// the non-client parts: a WS_BORDER frame of SM_CXBORDER pixels and the
// scroll bars that are showing (SM_CXVSCROLL wide at the right, SM_CYHSCROLL
// high at the bottom; see scroll_bars.h). Nothing is drawn on a screen: the
// client area's pixels live in a bitmap (painting.h).

// SetWindowPos flags.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

// WM_SIZE kinds (wParam); lParam is MAKELPARAM(client width, client height).
constexpr WPARAM SIZE_RESTORED = 0;

constexpr LPARAM MAKELPARAM(int low, int high)
{
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(low), static_cast<WORD>(high)));
}

// The client area: left and top 0, right and bottom its width and height.
BOOL GetClientRect(HWND hwnd, LPRECT rect);
// The window's rectangle in screen coordinates.
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
// Moves and sizes the window (x, y in the parent's client coordinates). A
// change of the client size sends WM_SIZE and invalidates the client area
// (unless `repaint` is FALSE); a move sends WM_MOVE with the client area's
// new origin.
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// As MoveWindow, under the SWP_ flags; SWP_SHOWWINDOW and SWP_HIDEWINDOW show
// and hide. The z-order is not kept: `insertAfter` is accepted and ignored.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags);
// Between a window's client coordinates and the screen's.
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
// The deepest visible window whose rectangle holds the screen point: among
// siblings the one made last is on top. Null when there is none.
HWND WindowFromPoint(POINT point);
