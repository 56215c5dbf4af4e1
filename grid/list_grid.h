// CListGrid: a list view's rows (CListRows) shown by the grid control in
// virtual mode. The grid asks its parent for each cell it shows; the parent
// hands those requests (and the grid's notices) to OnParentMessage, which
// answers them from the rows. Columns of fixed widths keep them (scaled by
// the display scale), the shared ones divide what is left. Group headers
// are drawn across the whole row and open or close by their hot spot or a
// tap on their row; the day view's appointments become the grid's floaters.
#pragma once

#include <vector>

#include "grid/calendar_day_presenter.h"
#include "grid/html_grid.h"
#include "grid/list_rows.h"

class CListGrid : public CHTMLGrid {
public:
    CListGrid() = default;

    // Makes the grid window over rc of the parent.
    bool Create(HWND parent, const RECT& rc);
    // Shows these rows and floaters; the top row and the current row stay
    // where they are as far as the new rows reach. More visible rows than a
    // grid holds (GRID_MAX_DIMENSION) are refused: false, and the list shown
    // before stays.
    bool SetContent(CListRows rows, std::vector<LISTFLOATER> floaters);
    const CListRows& Rows() const { return m_rows; }
    const std::vector<LISTFLOATER>& Floaters() const { return m_floaters; }

    // The parent window's procedure offers every message here first. True
    // when it was one of the grid's requests or notices, with its answer.
    bool OnParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Opens a closed header or closes an open one; false for an item row, or
    // when opening it would show more rows than a grid holds.
    bool ToggleHeader(int row);
    // The visible row at a client point, or -1.
    int RowAt(int x, int y);
    // Makes the row the selected one and scrolls it into sight.
    void SelectRow(int row);
    // The selected row, or -1.
    int SelectedRow() const;
    // The item a floater id of the grid stands for (its appointment's oid).
    DWORD FloaterItem(DWORD floaterId) const;

protected:
    void OnCellDraw(HDC dc, WORD col, WORD row, const RECT& rc, UINT state) override;

private:
    bool Show(int top, int current);

    CListRows m_rows{{}};
    std::vector<LISTFLOATER> m_floaters;
};
