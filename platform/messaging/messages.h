// Layer note: platform/messaging and platform/kernel depend on each other. A
// message queue belongs to a thread record and parks on the thread's wake-up
// point, and kernel waits and kills reach into the queue and the window table;
// so these two folders share internal headers, and nothing else in platform/
// reaches into either's internal/.
//
// Message queues: one per thread, created on the thread's first use of a
// message function (threads made by CreateThread have one from the start).
//
// Posted messages are kept in FIFO order per receiving thread. A message sent
// to a window of the calling thread is a direct call of its procedure; sent to
// a window of another thread it waits in that thread's queue and the sender
// blocks until the receiver has processed it. A thread processes the messages
// sent to it inside GetMessageW, PeekMessageW, WaitMessage,
// MsgWaitForMultipleObjectsEx, and while it waits in its own SendMessageW, so
// two threads sending to each other never deadlock. The sender gets 0 when the
// receiving window is destroyed or its thread ends before the message is
// processed. GetMessageW and PeekMessageW process sent messages first, then
// return posted messages, then WM_QUIT (after PostQuitMessage), then WM_PAINT
// for a window with something to paint (painting.h), then WM_TIMER for a
// timer that is due.
#pragma once

#include "platform/base/export.h"
#include "platform/base/geometry.h"
#include "platform/base/types.h"

#ifndef CALLBACK
#define CALLBACK
#endif

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

// The header every WM_NOTIFY record starts with; lParam points at it.
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;
using PMSG = MSG*;

// Message numbers.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_NCCREATE = 0x0081;   // defined for completeness; windows are not sent it
constexpr UINT WM_NCDESTROY = 0x0082;  // likewise
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// PeekMessageW options.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

// SendMessageTimeoutW options.
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Posts to the queue of the window's thread; hwnd null posts a thread message
// to the calling thread. FALSE with ERROR_INVALID_WINDOW_HANDLE for a window
// that does not exist.
KSTOOLS_API BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// FALSE with ERROR_INVALID_THREAD_ID when the thread does not exist or has no queue.
KSTOOLS_API BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure's result; 0 (ERROR_INVALID_WINDOW_HANDLE) for a window
// that does not exist, 0 when the window or its thread goes away first.
KSTOOLS_API LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// As SendMessageW, giving up after `timeout` ms: returns 0 (ERROR_TIMEOUT)
// then, else nonzero with the result in *result. Flags are accepted and ignored.
KSTOOLS_API LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                                        DWORD_PTR* result);
// Nonzero while the calling thread processes a message sent by another thread.
KSTOOLS_API BOOL InSendMessage();

// Filters: hwnd null takes any message of the thread, (HWND)-1 only thread
// messages, a window that window's and its children's messages; min and max
// (both 0 for all) bound the message number. WM_QUIT is returned whatever the
// filter. GetMessageW returns 0 for WM_QUIT, -1 for an invalid window filter.
KSTOOLS_API BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
KSTOOLS_API BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Calls the window procedure of msg->hwnd and returns its result; for WM_TIMER
// with a timer procedure, calls that. Messages for destroyed windows and
// thread messages (hwnd null) are dropped (0).
KSTOOLS_API LRESULT DispatchMessageW(const MSG* msg);
// Keyboard translation does not exist here: returns FALSE.
KSTOOLS_API BOOL TranslateMessage(const MSG* msg);
KSTOOLS_API void PostQuitMessage(int exitCode);
// Waits until the calling thread's queue has input (processing sent messages).
KSTOOLS_API BOOL WaitMessage();

// Timers. A window timer belongs to the window's thread and is keyed by
// (window, id): setting it again restarts it with the new period. With hwnd
// null the id argument is ignored and a new id is returned; the timer posts
// to the calling thread. WM_TIMER is generated when the queue is read and a
// timer is due, after the posted messages; a timer never has more than one
// WM_TIMER outstanding, so a slow reader gets fewer, not piled-up, messages.
// Periods below 10 ms are raised to 10 ms.
KSTOOLS_API UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
KSTOOLS_API BOOL KillTimer(HWND hwnd, UINT_PTR id);
