// A window's scroll bars: their range, page and position, shown and hidden
// through the WS_HSCROLL and WS_VSCROLL styles.
//
// A bar that cannot scroll (its page covers the whole range) is hidden by
// SetScrollInfo and friends unless SIF_DISABLENOSCROLL asks to keep it; a bar
// that can scroll is shown. Showing or hiding one changes the client size,
// which sends WM_SIZE (window.h). Positions are clamped to
// min .. max - max(page - 1, 0).
#pragma once

#include "platform/base/types.h"

struct SCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// Bars.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// SCROLLINFO masks.
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// WM_HSCROLL / WM_VSCROLL request codes (LOWORD(wParam); HIWORD the position
// for SB_THUMBPOSITION and SB_THUMBTRACK).
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

// EnableScrollBar arrows.
constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_LTUP = 0x0001;
constexpr UINT ESB_DISABLE_RTDN = 0x0002;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;

// Sets the fields the mask names and returns the (clamped) position; 0 for a
// bad window, bar or size. SB_CTL (scroll-bar controls) is not supported.
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);
// Fills the fields the mask names; FALSE for a bad window or bar.
BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
// The previous position.
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
// Shows or hides SB_HORZ, SB_VERT or SB_BOTH whatever the range.
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
// Records which arrows are disabled (ESB_*); FALSE when nothing changed.
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
