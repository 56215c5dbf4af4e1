// The grid's notification codes and records: what the grid and the mark-up
// parser send to their owner windows with WM_NOTIFY, and the grid's private
// request messages.
#pragma once

#include "platform/base/types.h"
#include "platform/messaging/input.h"
#include "platform/messaging/messages.h"

// WM_NOTIFY codes.
// GN_CONTEXTMENU (1000, tap-and-hold on a cell, NMRGINFO) comes with the
// gesture recogniser in platform/messaging/input.h.
constexpr UINT GN_HOTSPOTUP = 1125;        // a tap released over a hot spot (NM_GRIDVIEW)
constexpr UINT GN_IMAGENOTIFY = 1126;      // inline image request (NM_IMAGENOTIFY)
constexpr UINT GN_CONTEXTMENU_ALT = 1131;  // handled like GN_CONTEXTMENU
constexpr UINT GN_HOTSPOTDOWN = 2046;      // a tap pressed over a hot spot
constexpr UINT GN_CELLTAP = 2047;          // a tap pressed on a cell; nonzero: test its hot spots
constexpr UINT GN_DELAYEDSELECT = 2049;    // delayed scrolling phases

// The grid's private messages to its parent.
constexpr UINT GN_GETCELLDATA = 2021;     // a cell's content (GRIDCELLREQUEST)
constexpr UINT GN_SELTOOLTIP = 2022;      // selection tooltip mark-up
constexpr UINT GN_SCROLLTOOLTIP = 2023;   // scroll tooltip mark-up
constexpr UINT GN_GETFLOATER = 2026;      // a floater's mark-up (GRIDFLOATERREQUEST)
constexpr UINT GN_FLOATERMOVED = 2027;    // a floater was dragged to another cell
constexpr UINT GN_DRAGOVER = 2028;        // to the window under a drag
constexpr UINT GN_DRAGQUERY = 2029;       // to the parent: may the drop go there
constexpr UINT GN_DROP = 2030;            // to the window a drag was dropped on (GRIDDROP)
constexpr UINT GN_DRAGSTART = 2031;       // may a drag begin
constexpr UINT GN_DRAGTOOLTIP = 2032;     // drag tooltip mark-up
constexpr UINT GN_BEGINEDIT = 2034;       // may the cell be edited in place
constexpr UINT GN_ENDEDIT = 2035;         // the in-place editor closed with a change
constexpr UINT GN_GETBITMAP = 2048;       // a parent-supplied picture by number
constexpr UINT GN_SCROLLED = 2044;        // a scroll request was handled
constexpr UINT GN_CURCELLCHANGED = 2045;  // a key moved the current cell

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

// The cell request (GN_GETCELLDATA, lParam). The grid fills the header
// (idFrom is the cell key, row << 16 | column), the row's user ID and its
// font quality; the parent answers in the out fields. A null text means the
// cell does not exist. The text must stay alive until the message returns.
struct GRIDCELLREQUEST {
    NMHDR hdr;
    BYTE singleLine;       // out: 0
    DWORD data;            // out: the cell's data value, 0
    DWORD userID;          // in: the row's user ID
    WORD columnWidth;      // out: 65535 leaves the column's width
    WORD rowHeight;        // out: 65535 leaves the row's height
    RECT margins;          // out: inner margins, zero
    const WCHAR* text;     // out: the mark-up, null
    BYTE fontQuality;      // in/out
    WORD indent;           // out: continuation-line indent, 0
    WORD minHeight;        // out: 0 uses the grid's minimum row height
};

// The floater request (GN_GETFLOATER, lParam; wParam is the address of a
// WCHAR* the parent sets to a malloc'ed mark-up block, which the grid frees).
// idFrom is the floater's id.
struct GRIDFLOATERREQUEST {
    NMHDR hdr;
    DWORD row;
    DWORD column;
};

// The drag record (GN_DRAGOVER, GN_DRAGQUERY, GN_DRAGTOOLTIP).
struct tagGRIDDRAG {
    NMHDR hdr;
};

// GN_DROP (wParam: the address of the screen point): a drag ended over a
// window that accepted it (its answer to GN_DRAGOVER) where the source
// grid's parent allowed it (GN_DRAGQUERY). A grid that is dropped on fills
// in its cell under the point and hands the record on to its own parent.
// GN_DRAGOVER from another grid is handed on to the parent unchanged.
struct GRIDDROP {
    NMHDR hdr;  // hwndFrom: the source grid; idFrom: the dragged floater's id, 0 for cells
    POINT pt;   // screen coordinates
    WORD column;  // the cell the drag started on
    WORD row;
    WORD firstColumn;  // the source grid's selection
    WORD firstRow;
    WORD lastColumn;
    WORD lastRow;
    WORD targetColumn;  // the target grid's cell under the point, else 65535
    WORD targetRow;
};

// GN_FLOATERMOVED: a floater dragged from one cell to another.
struct GRIDFLOATERMOVE {
    NMHDR hdr;  // idFrom: the floater's id
    WORD fromColumn;
    WORD fromRow;
    WORD toColumn;
    WORD toRow;
};

// GN_SELTOOLTIP: the selection the tooltip is asked for.
struct GRIDSELTOOLTIP {
    NMHDR hdr;
    WORD firstColumn;
    WORD firstRow;
    WORD lastColumn;
    WORD lastRow;
};

// GN_SCROLLTOOLTIP: the row under the thumb.
struct GRIDSCROLLTOOLTIP {
    NMHDR hdr;
    DWORD row;
};

// GN_ENDEDIT (wParam: the text's length): the cell and the edited text.
struct GRIDEDITRESULT {
    NMHDR hdr;  // idFrom: the cell key
    int row;
    int column;
    const WCHAR* text;
};

// Other WM_NOTIFY codes the grid sends.
constexpr UINT GN_NM_CLICK = static_cast<UINT>(-2);           // end of every tap, to the grid itself
constexpr UINT GN_TAPRELEASE = static_cast<UINT>(-13);        // a release that activates nothing
constexpr UINT GN_ITEMACTIVATE = static_cast<UINT>(-114);     // LVN_ITEMACTIVATE: the current cell activated

// Delayed-selection phases (GN_DELAYEDSELECT idFrom).
constexpr UINT GN_DELAYED_BEGIN = 32;
constexpr UINT GN_DELAYED_AGAIN = 16;
constexpr UINT GN_DELAYED_SETTLED = 48;
