// The window table: every window's record and the one lock that guards them
// (internal to messaging and kernel).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/slot_table.h"
#include "platform/messaging/internal/window_class.h"
#include "platform/messaging/scroll_bars.h"
#include "platform/messaging/window.h"

namespace platform {

class ThreadRecord;

// One scroll bar's state (SCROLLINFO without the size and mask).
struct ScrollBarState {
    int min = 0;
    int max = 0;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    UINT arrowsDisabled = 0;  // ESB_* bits
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    std::shared_ptr<ThreadRecord> owner;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;
    bool messageOnly = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    HINSTANCE instance = nullptr;
    std::u16string text;
    std::vector<BYTE> extra;
    std::vector<HWND> children;  // in creation order
    bool destroying = false;
    std::uint64_t serial = 0;  // creation order, for FindWindowW

    // Geometry: the window's rectangle in its parent's client coordinates
    // (screen coordinates for top-level windows).
    RECT rect{0, 0, 0, 0};
    // Painting: the area still to be painted (empty: none), whether it is
    // to be erased first, and WM_SETREDRAW's switch.
    RECT update{0, 0, 0, 0};
    bool erase = false;
    bool redraw = true;
    // The pixels of the client area, made on first use (painting.cpp).
    HBITMAP surface = nullptr;
    ScrollBarState bars[2];  // SB_HORZ, SB_VERT
    // The font given with WM_SETFONT (kept for the controls that draw text).
    HFONT font = nullptr;
};

// Every window of the process. One lock guards the table and every window's fields;
// procedures are never called with it held.
class WindowTable {
public:
    std::mutex mutex;
    SlotTable<Window> slots{kWindowHandleTag};
    HWND foreground = nullptr;
    std::unordered_map<DWORD, HWND> active;  // thread id -> its active window
    std::unordered_map<DWORD, HWND> focus;   // thread id -> its focus window
    HWND capture = nullptr;                  // the window that receives all mouse input
    std::uint64_t nextSerial = 1;

    std::shared_ptr<Window> GetLocked(HWND hwnd) const
    {
        std::uint32_t value = HandleValue(hwnd);
        return value ? slots.Lookup(value) : nullptr;
    }
    // Unhooks a window from its parent and frees its handle.
    void RemoveLocked(Window& w);
};

WindowTable& Table();

// A child window moves with its parent's client area; a window without
// WS_CHILD that has a parent is owned by it (a pop-up such as a tooltip) and
// keeps screen coordinates.
inline bool IsChildLocked(const Window& w) { return w.parent && (w.style & WS_CHILD); }

inline HWND ToHwnd(std::uint32_t value) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value)); }

// The window, or null with ERROR_INVALID_WINDOW_HANDLE set (lock held).
inline std::shared_ptr<Window> GetOrFailLocked(HWND hwnd)
{
    auto w = Table().GetLocked(hwnd);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

// The client rectangle's size: the window's less the visible scroll bars
// and the border (lock held).
SIZE ClientSizeLocked(const Window& w);

// After a change of the non-client parts (a scroll bar shown or hidden):
// sends WM_SIZE and invalidates when the client size differs from `before`.
void ResizeForFrameChange(HWND hwnd, const SIZE& before);

// Adds `rect` (client coordinates, clipped to the client area; null: all of
// it) to the window's update area and wakes its thread (lock held).
void InvalidateLocked(Window& w, const RECT* rect, bool erase);

// The first window of the thread that has something to paint and is
// accepted by the filter; null when none (takes the lock).
struct MessageFilter;
HWND FindWindowToPaint(const ThreadRecord& self, const MessageFilter& filter);

}  // namespace platform
