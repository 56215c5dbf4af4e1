// The grid's notification codes and records: what the grid and the mark-up
// parser send to their owner windows with WM_NOTIFY, and the grid's private
// request messages.
#pragma once

#include "platform/base/types.h"
#include "platform/messaging/messages.h"

// WM_NOTIFY codes.
constexpr UINT GN_CONTEXTMENU = 1000;      // tap-and-hold on a cell (NMRGINFO)
constexpr UINT GN_HOTSPOTUP = 1125;        // a tap released over a hot spot (NM_GRIDVIEW)
constexpr UINT GN_IMAGENOTIFY = 1126;      // inline image request (NM_IMAGENOTIFY)
constexpr UINT GN_CONTEXTMENU_ALT = 1131;  // handled like GN_CONTEXTMENU
constexpr UINT GN_HOTSPOTDOWN = 2046;      // a tap pressed over a hot spot
constexpr UINT GN_CELLTAP = 2047;          // a tap pressed on a cell; nonzero: test its hot spots
constexpr UINT GN_DELAYEDSELECT = 2049;    // delayed scrolling phases

// Private request messages of the grid to its parent.
constexpr UINT GN_GETCELLDATA = 2021;

// The inline image request. hdr.hwndFrom is the window asked, hdr.idFrom the
// length of the image name, hdr.code GN_IMAGENOTIFY. The window answers by
// filling bitmap (which stays its own) and isIcon (1 when the picture came
// from the numbered icon set, 0 for a file bitmap) and returning nonzero.
struct NM_IMAGENOTIFY {
    NMHDR hdr;
    const WCHAR* name;
    HBITMAP bitmap;
    BYTE isIcon;
};

// The grid's notification record.
struct NM_GRIDVIEW {
    NMHDR hdr;            // grid window; 0 or the value given to ActivateCell; code
    int x;                // tap point, client coordinates
    int y;
    const WCHAR* target;  // hot-spot codes: the hot spot's target; else null
    DWORD reserved;
    DWORD floater;        // id of the floater tapped, else 0
    int row;
    int column;           // 999 for an activation in row-select mode
};
