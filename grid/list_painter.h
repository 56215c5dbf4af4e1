// Paints a list view's rows and floaters into a device context the way the
// grid lays them out: columns of fixed widths and one sharing the rest, rows
// as tall as their tallest cell (at least the minimum row height), a header
// row across the whole width, thin lines between rows and columns, and the
// floaters over the rows they cover, side by side in lanes where they
// overlap, each with a bar in its colour along its left edge.
//
// It stands in for painting through a grid window until the views host the
// grid itself, so that pictures of the lists can be made already.
#pragma once

#include <vector>

#include "grid/calendar_day_presenter.h"
#include "grid/list_rows.h"
#include "platform/gdi/gdi_types.h"

struct LISTPAINTRESULT {
    std::vector<int> rowTops;  // client y of each painted visible row, from topRow
    int bottom = 0;            // below the last painted row
};

// Paints rows from topRow down into rc (background included). Widths,
// heights and margins are scaled by the display scale.
LISTPAINTRESULT PaintListRows(HDC hdc, const RECT& rc, const CListRows& rows,
                              const std::vector<LISTFLOATER>& floaters, int topRow = 0);

// The lane of each floater and the lane count of its block: floaters of one
// column whose rows overlap (directly or through others) form a block; each
// takes the lowest lane free at its anchor row, in anchor-row order.
struct FLOATERLANE {
    int lane = 0;
    int lanes = 1;
};
std::vector<FLOATERLANE> AssignFloaterLanes(const std::vector<LISTFLOATER>& floaters);
