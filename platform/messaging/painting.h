// Painting windows: the update area, WM_PAINT, device contexts on a window's
// pixels, and scrolling those pixels.
//
// Each window keeps its client area's pixels in a bitmap of the client size,
// made white on first use and resized (keeping what fits) when the client
// size changes. GetDC, GetWindowDC and BeginPaint hand out memory device
// contexts with that bitmap selected; what is drawn through them is what the
// window shows, and WriteWindowPng takes its picture.
//
// The update area is one rectangle (the union of what was invalidated).
// WM_PAINT is never posted: GetMessageW and PeekMessageW make one for a
// window of the calling thread whose update area is not empty when nothing
// else is waiting but timers (a paint comes before a due WM_TIMER). A window
// that answers WM_PAINT without BeginPaint/ValidateRect is asked again.
#pragma once

#include <string>

#include "platform/base/geometry.h"
#include "platform/base/types.h"
#include "platform/messaging/window.h"

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;  // TRUE when the background was not erased (WM_ERASEBKGND answered 0)
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

// ScrollWindowEx flags.
constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

// Region kinds returned by ScrollWindowEx and GetClipBox.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Adds the rectangle (client coordinates; null: the whole client area) to the
// update area; `erase` asks for WM_ERASEBKGND before the next paint.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
// Removes the rectangle (null: everything) from the update area. As the area
// is one rectangle, a part taken out of its middle stays in it; a part that
// cuts it off along a whole side shrinks it.
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// The update area's bounds (all zeros when there is none); nonzero when it is
// not empty. With `erase`, WM_ERASEBKGND is sent now if it is due.
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
// Sends WM_PAINT at once when the update area is not empty.
BOOL UpdateWindow(HWND hwnd);

// Sends WM_ERASEBKGND when the area was invalidated with `erase` (the default
// procedure fills the client area with the class brush), fills the record
// (rcPaint: the update area), empties the update area, and returns a device
// context on the window's pixels. Null for a window that does not exist.
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// A device context on the client area's pixels (GetWindowDC: the same; there
// is no drawable non-client area). Give it back with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
// The rectangle a device context from BeginPaint was given (rcPaint), else the
// bounds of its bitmap; SIMPLEREGION, or ERROR for a bad handle.
int GetClipBox(HDC dc, LPRECT rect);

// Moves the pixels of `scroll` (null: the client area), clipped to `clip`
// (null: the client area), by (dx, dy), and reports the uncovered band: in
// *update when given; added to the update area with SW_INVALIDATE (and marked
// for erasing with SW_ERASE). Pending update areas move along. Returns
// SIMPLEREGION when a band was uncovered, NULLREGION when nothing moved,
// ERROR for a bad window. Child windows are not moved.
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, void* updateRegion, LPRECT update,
                   UINT flags);

namespace platform {

// The window's picture as a bitmap the caller owns (DeleteObject): its
// border, client pixels and visible scroll bars (track and thumb), with its
// visible children drawn over it the same way. Null for a window that does
// not exist or has an empty rectangle.
HBITMAP WindowPicture(HWND hwnd);
// The picture written to a PNG file; false when there is none or the file
// cannot be written.
bool WriteWindowPng(HWND hwnd, const std::string& hostPath);

}  // namespace platform
