// CHTMLGrid: a child-window grid of rows and columns whose cells hold mark-up.
//
// In virtual mode a cell exists only once it has been asked for; its content
// comes from the parent window through GN_GETCELLDATA, so a view of many
// thousand rows costs nothing until rows are shown or measured (rows beyond
// the visible height are estimated). Outside virtual mode every cell is made
// empty when the dimensions are set and is filled with SetCellText. Rows grow
// to fit their tallest cell. Floaters are mark-up boxes anchored in one cell
// that hang down over a run of rows of their column, laid side by side in
// lanes when they overlap.
//
// The grid paints itself through one persistent back buffer, scrolls by
// moving the existing image, and tells its parent what the user does with
// the private messages and WM_NOTIFY codes of grid/grid_notify.h.
//
// Coordinates are 16-bit; 65535 (GRID_NONE) means "none". Everything happens
// on the grid window's thread.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "grid/grid_notify.h"
#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "grid/html_tooltip.h"
#include "grid/row_offsets.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/messaging/window.h"

constexpr WORD GRID_NONE = 65535;
// The most rows (and columns) a grid holds: every 16-bit value but "none".
constexpr WORD GRID_MAX_DIMENSION = 65534;
inline constexpr const WCHAR* HTMLGRID_CLASS = u"HTMLGRIDCLASS";

inline DWORD GridCellKey(WORD row, WORD col) { return (static_cast<DWORD>(row) << 16) | col; }

struct tagCELLINFO;

// A floater: a mark-up box anchored in a cell, covering rowSpan rows down.
struct tagFLOATERINFO {
    tagCELLINFO* anchor = nullptr;
    BYTE flag = 0;
    WORD rowSpan = 1;
    WORD lengthPercent = 100;
    WORD startPercent = 0;
    COLORREF colour = 0;
    DWORD id = 0;
    // Byte 0: lane count of its block; byte 1: lanes spanned; byte 2: lane.
    DWORD layout = 0;
    CHTMLParser content;
    // The mark-up, kept so that it can be parsed again (new pictures).
    std::u16string source;

    int LaneCount() const { return static_cast<int>(layout & 0xFF); }
    int LanesSpanned() const { return static_cast<int>((layout >> 8) & 0xFF); }
    int Lane() const { return static_cast<int>((layout >> 16) & 0xFF); }
};

// One cell: its parsed mark-up and what the grid keeps with it.
struct tagCELLINFO : CHTMLParser {
    DWORD data = 0;
    BYTE floatersValid = 0;
    BYTE singleLine = 0;
    BYTE fullRowSelect = 0;
    RECT margins{};
    WORD minHeight = 0;
    WORD indent = 0;
    CHotSpotArray hotspots;
    // Every floater covering this cell, in the order they were entered; the
    // ones whose anchor is this cell are owned here.
    std::vector<tagFLOATERINFO*> floaters;
    // Where the cell is now (rows and columns move on deletion).
    WORD row = 0;
    WORD col = 0;
    // The mark-up, kept so that the parser's remembered text stays valid.
    std::u16string source;

    tagCELLINFO() = default;
    ~tagCELLINFO() override;
    int AnchoredFloaters() const;
};

// Owner-draw hooks: a result of 1 means fully drawn, other nonzero values
// that the hook painted the background, 0 that the grid draws everything.
struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    UINT_PTR itemData;
};
class CHTMLGrid;
using GridCellDrawProc = int (*)(CHTMLGrid* grid, DRAWITEMSTRUCT* item, tagCELLINFO* cell);
using GridCustomPaintProc = void (*)(CHTMLGrid* grid, HDC dc);

// Paint reasons: what the next WM_PAINT has to redraw.
constexpr int GRID_PAINT_ALL = 0;
constexpr int GRID_PAINT_SELECTION = 1;
constexpr int GRID_PAINT_SCROLLED = 2;
constexpr int GRID_PAINT_CELL = 4;

// Pending work of BeginUpdate/EndUpdate.
constexpr int GRID_PENDING_RECALC = 1;
constexpr int GRID_PENDING_SCROLLBARS = 2;
constexpr int GRID_PENDING_HBAR = 4;
constexpr int GRID_PENDING_VBAR = 8;
constexpr int GRID_PENDING_REPAINT = 16;
constexpr int GRID_PENDING_VISIBLE = 32;
constexpr int GRID_PENDING_SCROLLTO = 64;

// Timers on the grid window.
constexpr UINT_PTR GRID_TIMER_AUTOSCROLL = 77;
constexpr UINT_PTR GRID_TIMER_DOUBLETAP = 84;
constexpr UINT_PTR GRID_TIMER_DELAYED = 85;
// Tap-and-hold: the press becomes a hold (GN_CONTEXTMENU) when it is still
// down and in place after kTapAndHoldMs.
constexpr UINT_PTR GRID_TIMER_HOLD = 86;

class CHTMLGrid {
public:
    CHTMLGrid();
    CHTMLGrid(HWND parent, const RECT* rc, bool virtualMode, const WCHAR* title);
    CHTMLGrid(const CHTMLGrid&) = delete;
    CHTMLGrid& operator=(const CHTMLGrid&) = delete;
    virtual ~CHTMLGrid();

    // Registers HTMLGRIDCLASS (once per process) and makes the child window.
    bool InitWindow(HWND parent, const RECT* rc, bool virtualMode, const WCHAR* title);
    HWND GetHwnd() const { return m_hWnd; }
    HWND GetParentWnd() const { return m_hParent; }
    bool IsVirtual() const { return m_bVirtual; }
    // The window procedure's work for one message.
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // ---- Dimensions ----
    // False, and the grid left as it was, for more than GRID_MAX_DIMENSION
    // rows or columns (65535 is "none" and cannot be a count).
    bool SetDimensions(WORD rows, WORD cols);
    WORD GetColCount() const { return m_nCols; }
    WORD GetRowCount() const { return m_nRows; }
    void SetFixedColCount(WORD n);
    WORD GetFixedColCount() const { return m_nFixedCols; }
    void SetFixedRowCount(WORD n);
    WORD GetFixedRowCount() const { return m_nFixedRows; }
    void DeleteRows(WORD first, WORD count);
    void DeleteCols(WORD first, WORD count);

    // ---- Sizes ----
    void SetColWidth(WORD col, WORD width);
    WORD GetColWidth(WORD col) const;
    void SetRowHeight(WORD row, WORD height);
    WORD GetRowHeight(WORD row, bool recalc = false);
    void SetMinRowHeight(WORD height);
    WORD GetMinRowHeight() const { return m_nMinRowHeight; }
    void SetRowHeightFixed(bool fixed);
    bool GetRowHeightFixed() const { return m_bRowHeightFixed; }
    DWORD GetTotalHeight() const { return m_dwTotalHeight; }
    DWORD GetFixedHeight() const { return m_dwFixedHeight; }
    WORD GetRowEstimate() const { return m_nEstimate; }
    // The cell's rectangle in client coordinates as the grid is scrolled now
    // (false for a cell that is not on screen).
    bool GetCellRect(WORD col, WORD row, RECT* rc);
    bool GetPointFromCell(WORD col, WORD row, POINT* pt);
    bool GetCellFromPoint(POINT pt, WORD* col, WORD* row);
    bool GetCellFromPoint(int x, int y, WORD* col, WORD* row);
    void GetClientRect(RECT* rc) const;

    // ---- Cell content ----
    bool SetCellText(WORD col, WORD row, const WCHAR* text);
    bool SetCellText(WORD col, WORD row, const WCHAR* text, BYTE quality);
    bool SetCellText(WORD col, WORD row, const WCHAR* text, const RECT* margins);
    bool SetCellText(WORD col, WORD row, const WCHAR* text, BYTE quality, const RECT* margins);
    // The texts of the cell's text tokens (editable ones only when asked), at
    // most 4,095 characters; empty for a missing cell.
    std::u16string GetCellText(WORD col, WORD row, bool editableOnly);
    void UpdateCellText(WORD col, WORD row);
    void UpdateRowText(WORD row);
    void SetCellData(WORD col, WORD row, DWORD data);
    DWORD GetCellData(WORD col, WORD row);
    void SetCellSingleLine(WORD col, WORD row, bool single);
    void SetRowUserID(WORD row, DWORD id);
    DWORD GetRowUserID(WORD row) const;
    // A new copy (delete[]) of the target of the cell's hot spot at index
    // (past the end: the last); null when the cell or hot spots are missing.
    WCHAR* GetCellHotSpot(WORD col, WORD row, int index);
    // A new bitmap (DeleteObject) of the cell's size with the cell drawn as
    // the grid draws it, selected or not, without floaters: a drag image, a
    // copy for another window. Null outside the grid or for a column or row
    // of no width or height.
    HBITMAP GetCellBitmap(WORD col, WORD row);
    // The cell, requesting it from the parent in virtual mode; null when
    // there is none.
    tagCELLINFO* GetCell(WORD row, WORD col);
    // The cell when it exists already (nothing is requested).
    tagCELLINFO* FindCell(WORD row, WORD col) const;
    size_t CellCount() const { return m_Cells.size(); }

    // ---- Floaters ----
    bool AddFloater(WORD col, WORD row, DWORD id, WORD rowSpan, WORD lengthPercent, WORD startPercent,
                    COLORREF colour, BYTE flag);
    bool DeleteFloater(WORD col, WORD row, DWORD id);
    bool MoveFloater(WORD col, WORD row, DWORD id, WORD newCol, WORD newRow);
    int FloaterCount(WORD col, WORD row) const;
    bool CellHasFloaters(WORD col, WORD row) const;
    tagFLOATERINFO* FindFloater(WORD col, WORD row, DWORD id) const;
    // The id of the floater under the client point (0 for none), with its
    // cell, the point relative to its lane's left and the cell's top, and
    // whether the point is in its bar (always when bars are off).
    DWORD GetFloaterFromPoint(int x, int y, WORD* col, WORD* row, POINT* local, bool* inBar);
    DWORD GetFloaterFromPoint(POINT pt, WORD* col, WORD* row, POINT* local, bool* inBar);
    void SetFloaterOptions(bool ownBackground, bool bar);
    void GetFloaterOptions(bool* ownBackground, bool* bar) const;
    // The floater's box in grid coordinates (x from the first column's left,
    // y from the first row's top), lanes assigned.
    bool GetFloaterBounds(tagFLOATERINFO* floater, RECT* rc);
    // First and last row of the block of floaters around (row, col) and its
    // lane count.
    void GetFloaterBlockBounds(WORD row, WORD col, WORD* first, WORD* last, int* lanes) const;
    void InvalidateCellFloaters(WORD row, WORD col);
    void ValidateCellFloaters(WORD row, WORD col);
    void ClearCellFloaters(WORD col, WORD row);

    // ---- Selection ----
    bool SetSelection(WORD col1, WORD row1, WORD col2, WORD row2);
    void GetSelection(WORD* col1, WORD* row1, WORD* col2, WORD* row2) const;
    void EmptySelection();
    bool IsCellSelected(WORD row, WORD col) const;
    void SetSelectionMode(WORD mode);
    WORD GetSelectionMode() const { return m_nSelectionMode; }
    void SetRowSelect(bool on) { m_bRowSelect = on; }
    bool GetRowSelect() const { return m_bRowSelect; }
    void SetColInRowSelect(WORD n) { m_nColInRowSelect = n ? n : 1; }
    WORD GetColInRowSelect() const { return m_nColInRowSelect; }
    void SetRowFullRowSelect(WORD row, bool on);
    void SetMultiSelect(bool multi, bool tooltip);
    bool GetMultiSelect() const { return m_bMultiSelect; }
    void SetCol(WORD col);
    WORD GetCol() const { return m_nCurCol; }
    void SetRow(WORD row);
    WORD GetRow() const { return m_nCurRow; }
    // The cell's plain text (GetCellText, at most 4,095 characters) on the
    // clipboard as CF_UNICODETEXT; the selected cells' texts, a tab between
    // columns and a line break between rows. False when there is nothing to
    // copy or the clipboard cannot be had.
    bool CopyCellToClipBoard(WORD col, WORD row);
    bool CopySelectedCellsToClipBoard();

    // ---- Images ----
    HBITMAP AddIconToCache(WORD id);
    HBITMAP AddBitmapToCache(WORD id);
    HBITMAP AddBitmapToCache(const WCHAR* name, int length, bool isFile);
    void ClearBitmapCache();
    void SetResourcesInstance(HINSTANCE instance) { m_hResources = instance; }
    HINSTANCE GetResourcesInstance() const { return m_hResources; }
    void SetResourcesRootPath(const WCHAR* path);
    void SetBitmapScaling(DWORD mode) { m_dwBitmapScaling = mode; }
    void SetFontQuality(BYTE quality) { m_bFontQuality = quality; }
    static DWORD NameHash(const WCHAR* name, int length);

    // ---- Updates ----
    void BeginUpdate();
    void EndUpdate();
    bool IsInUpdate() const { return m_nUpdateDepth > 0; }

    // ---- Options ----
    void SetShowHLines(bool on);
    void SetShowVLines(bool on);
    void SetShowFixedHLines(bool on);
    void SetShowFixedVLines(bool on);
    bool GetShowHLines() const { return m_bHLines; }
    bool GetShowVLines() const { return m_bVLines; }
    void SetShowFocus(bool on);
    void SetBackColor(COLORREF colour);
    void SetFixedBackColor(COLORREF colour);
    void SetLinesColor(COLORREF colour);
    void SetSelectionColor(COLORREF brush, COLORREF text);
    bool GetShowFixedHLines() const { return m_bFixedHLines; }
    bool GetShowFixedVLines() const { return m_bFixedVLines; }
    bool GetShowFocus() const { return m_bShowFocus; }
    COLORREF GetBackColor() const { return m_crBack; }
    COLORREF GetFixedBackColor() const { return m_crFixedBack; }
    COLORREF GetLinesColor() const { return m_crLines; }
    void GetSelectionColor(COLORREF* brush, COLORREF* text) const
    {
        if (brush) *brush = m_crSelection;
        if (text) *text = m_crSelText;
    }
    void SetCellOwnerDrawProc(GridCellDrawProc proc) { m_pCellDraw = proc; }
    void SetFixedCellOwnerDrawProc(GridCellDrawProc proc) { m_pFixedCellDraw = proc; }
    void SetCustomPaintProc(GridCustomPaintProc proc) { m_pCustomPaint = proc; }
    GridCellDrawProc GetCellOwnerDrawProc() const { return m_pCellDraw; }
    GridCellDrawProc GetFixedCellOwnerDrawProc() const { return m_pFixedCellDraw; }
    GridCustomPaintProc GetCustomPaintProc() const { return m_pCustomPaint; }
    // A ready-made owner-draw procedure: a cell whose data value is a colour
    // gets a subtle top-to-bottom gradient of it (of its inverse, 255 - c
    // per component, when selected) over its body background, its lines and
    // its mark-up, and is reported fully drawn; a cell with data 0 is left
    // to the grid.
    static int ColourCellDrawProc(CHTMLGrid* grid, DRAWITEMSTRUCT* item, tagCELLINFO* cell);
    static void SetGradientDrawSupported(bool on);
    static bool GetGradientDrawSupported();

    // ---- Scrolling ----
    WORD GetTopRow() const { return m_nTopRow; }
    WORD GetLeftCol() const { return m_nLeftCol; }
    void SetTopRow(WORD row);
    void SetLeftCol(WORD col);
    void ScrollByRowDown(int count);
    void ScrollByRowUp(int count);
    void ScrollByPageDown();
    void ScrollByPageUp();
    void ScrollToTop();
    void ScrollToBottom();
    void ScrollByColLeft(int count);
    void ScrollByColRight(int count);
    // A page of columns: the first column not wholly shown comes first, or
    // back as many columns as fill the width.
    void ScrollByPageRight();
    void ScrollByPageLeft();
    void ScrollToLeft();
    void ScrollToRight();
    // Whether a pointer held outside the scroll region scrolls (timer 77).
    void SetAllowAutoScroll(bool on) { m_bAllowAutoScroll = on; }
    bool GetAllowAutoScroll() const { return m_bAllowAutoScroll; }
    void MakeCellVisible(WORD col, WORD row);
    void MakeRowTopMost(WORD row);
    // The last row at least partly on screen.
    WORD GetBottomRow();

    // Scroll bars: 0 a row, 1 a page, 2 move the current cell; keys: 0
    // scroll by the step, 1 a page, 2 move the current cell. Other values
    // are ignored.
    void SetBarsScrollMode(int mode);
    int GetBarsScrollMode() const { return m_nBarsScrollMode; }
    void SetKeysScrollMode(int mode);
    int GetKeysScrollMode() const { return m_nKeysScrollMode; }
    void SetThumbTrack(bool on) { m_bThumbTrack = on; }
    bool GetThumbTrack() const { return m_bThumbTrack; }
    // Auto-repeated navigation keys closer than `ms` to the previous key
    // defer the current-cell notice (GN_DELAYEDSELECT); 0 turns it off.
    void SetDelayedScrolling(UINT ms) { m_nDelayedMs = ms; }
    UINT GetDelayedScrolling() const { return m_nDelayedMs; }
    void SetDragAllowed(bool on) { m_bDragAllowed = on; }
    bool GetDragAllowed() const { return m_bDragAllowed; }
    // Which scroll bars may show (a bar shows only when the grid needs it),
    // and whether dragging the vertical thumb shows the row under it in a
    // tooltip asked of the parent (GN_SCROLLTOOLTIP).
    void SetShowScrollBars(bool horizontal, bool vertical, bool scrollTooltip = false);
    void GetShowScrollBars(bool* horizontal, bool* vertical, bool* scrollTooltip) const;
    // The client area in which a held pointer selects without scrolling;
    // outside it the auto-scroll timer runs. Null: the rows and columns
    // below and right of the fixed ones (the default).
    void SetScrollRegion(const RECT* region);
    RECT GetScrollRegion() const;
    // A one-pixel frame around the grid (WS_BORDER); the cells are laid out
    // in what is left.
    void SetBorder(bool on);
    bool GetBorder() const;
    // The window the tooltips are parented to (null: the grid's parent).
    void SetToolTipParent(HWND parent);
    HWND GetToolTipParent() const { return m_hToolTipParent; }
    // The selection, scroll and drag tooltips (for hosts and tests to look at).
    const CHTMLToolTip& SelectionToolTip() const { return m_SelTip; }
    const CHTMLToolTip& ScrollToolTip() const { return m_ScrollTip; }
    const CHTMLToolTip& DragToolTip() const { return m_DragTip; }
    // Asks the parent (GN_BEGINEDIT) and opens the in-place editor over the
    // cell; false when refused or impossible.
    bool EnableCellEdit(WORD col, WORD row);
    HWND GetEditWindow() const { return m_hEdit; }
    // LVN_ITEMACTIVATE for the cell.
    void ActivateCell(WORD col, WORD row, DWORD floater, DWORD id);

    // ---- Painting ----
    void DestroyBitmapBuffer();
    int GetPaintReason() const { return m_nPaintReason; }
    // The y of the row's top relative to the first row's top.
    DWORD GetRowTop(WORD row) const;
    // The x of the column's left relative to the first column's left.
    int GetColLeft(WORD col) const;

    // Recalculation, normally done by the grid itself.
    void RecalcGrid();
    int RecalcCols(int width);
    void RecalcRows(int visibleHeight);
    WORD GetCellHeight(WORD row, WORD col);

protected:
    // Painting of one cell (state bit 1: selected), one fixed cell, and the
    // floaters; hosts may override.
    virtual void OnCellDraw(HDC dc, WORD col, WORD row, const RECT& rc, UINT state);
    virtual void OnFixedCellDraw(HDC dc, WORD col, WORD row, const RECT& rc);
    virtual void OnCellFloatersDraw(HDC dc);
    // The notices the grid routes to itself, in this order.
    virtual void OnClick(NM_GRIDVIEW* view);
    virtual LRESULT OnContextMenuNotify(NMHDR* hdr);
    virtual LRESULT OnHotspotNotify(NM_GRIDVIEW* view);
    // Answers the parser's inline-image requests from the caches.
    virtual LRESULT OnInlineImageNotify(NM_IMAGENOTIFY* request);
    virtual bool OnDragStart(POINT pt);
    virtual void OnDragOver(POINT pt);
    // Whether a drop may go to the window under the pointer (asked of the
    // parent with GN_DRAGQUERY).
    virtual bool OnDragQuery(HWND under);
    // The action key on the current cell: GN_CONTEXTMENU when the key is
    // held, else ActivateCell (column 999 in row select) at its release.
    // Called by a host outside a key press, it activates at once.
    virtual void OnActionButton();

private:
    friend struct GridAccess;
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void DestroyAllCells();
    void DestroyCell(tagCELLINFO* cell);
    tagCELLINFO* MakeCell(WORD row, WORD col);
    void FillCell(tagCELLINFO* cell, const WCHAR* text, BYTE quality);
    void MeasureRow(WORD row);
    // Row heights; a probe stops as soon as the rows are taller than the
    // visible height. True when they are.
    bool RecalcRows(int visibleHeight, bool probe);
    WORD EnsureRowHeight(WORD row);
    void RecalcAfterTextChange(WORD row, WORD col);
    // After a change of the grid's shape: recalculated, scroll bars set and
    // repainted at once, or at EndUpdate when inside BeginUpdate.
    void Relayout();
    // Files every cell again under the key of its (changed) row and column.
    void RekeyCells();
    // A cell's right and bottom lines, and its mark-up inside its margins.
    void DrawCellLines(HDC dc, const RECT& rc, bool right, bool bottom);
    void DrawCellText(HDC dc, const RECT& rc, tagCELLINFO* cell, DWORD flags);
    void Repaint(int reason = GRID_PAINT_ALL);
    int CombineReason(int reason) const;
    void InvalidateCell(WORD col, WORD row);
    void InvalidateSelection();
    void SelectionExtent(WORD row, WORD col, WORD* first, WORD* last) const;
    bool PutOnClipboard(const std::u16string& text);
    void SetupScrollBars();
    void ClampTopRow();
    void FloaterCovers(tagFLOATERINFO* f, bool enter);
    // The floater's mark-up asked of the parent (GN_GETFLOATER); false when
    // refused or when the grid changed while the parent answered.
    bool AskFloaterText(WORD col, WORD row, DWORD id, std::u16string* text);
    void DestroyFloatersAnchoredIn(tagCELLINFO* cell);
    WORD AnchorRow(const tagFLOATERINFO* f) const { return f->anchor->row; }
    HDC MeasureDC();
    WORD StoredRowHeight(WORD row) const { return m_RowHeight[row] == GRID_NONE ? m_nMinRowHeight : m_RowHeight[row]; }
    const GridRowOffsets& RowTops() const;
    // Input (grid_input.cpp) and the in-place editor (grid_edit.cpp).
    void OnLButtonDown(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnMouseMove(int x, int y, WPARAM keys);
    void OnVScroll(WORD code, WORD pos);
    void OnHScroll(WORD code, WORD pos);
    void OnKeyDown(UINT vk, LPARAM keyData);
    void OnKeyUp(UINT vk);
    void ActivateCurrent();
    void OnTimer(UINT_PTR id);
    void EndTransient();
    // Tap-and-hold without blocking: the check starts at the press and ends
    // at the hold timer, or at the next input by its time stamp (a queue
    // read later than the stylus moved still judges it by when it moved).
    void StartHoldCheck(int x, int y, WORD col, WORD row);
    // The input at (x, y) arrived: true when the press had been held by then
    // (the hold was handled); a move away from the press ends the check.
    bool CheckHold(int x, int y);
    void CancelHold();
    void Held();
    void MoveCurrent(int dRow, int dCol, bool wrap);
    void SendDelayed(UINT phase, UINT key);
    LRESULT NotifyParent(UINT code, NM_GRIDVIEW* view);
    NM_GRIDVIEW MakeView(UINT code, int x, int y, WORD col, WORD row);
    void EndEdit(bool send);
    // Asks the parent for a tooltip's mark-up with `message` and the record,
    // and shows it at the client point; an empty answer hides it.
    void AskToolTip(CHTMLToolTip& tip, UINT message, LPARAM record, POINT pt, ToolTipPlacement placement);
    void HideToolTips();
    // The end of a drag at the client point: the drag tooltip goes; where
    // the parent allows it, another window that accepts the drop is handed
    // it (GN_DROP), and a floater dropped on its own grid is moved there.
    void FinishDragOperation(POINT pt);
    // Another grid's drag over this grid (GN_DRAGOVER) or dropped on it
    // (GN_DROP): handed on to the parent, a drop with the cell under it.
    LRESULT OnForeignDrag(UINT message, WPARAM wParam, LPARAM lParam);
    // The parent hears of the move (GN_FLOATERMOVED) and the floater is
    // re-anchored with fresh mark-up.
    void DropFloater(int x, int y);
    static LRESULT CALLBACK EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void PaintAll(HDC dc);
    // Paints the cells that reach into the band top..bottom, left..right.
    void PaintRows(HDC dc, int top, int bottom, int left = 0, int right = 1 << 30);
    void OnSize();
    WORD LastTopRow();
    WORD LastLeftCol() const;
    int FirstColFilling(int end) const;

    HWND m_hWnd = nullptr;
    HWND m_hParent = nullptr;
    bool m_bVirtual = false;
    WORD m_nRows = 0, m_nCols = 0, m_nFixedRows = 0, m_nFixedCols = 0;
    std::map<DWORD, std::unique_ptr<tagCELLINFO>> m_Cells;
    std::vector<WORD> m_ColWidthAnswer;  // set by SetColWidth or a cell answer
    std::vector<WORD> m_ColWidth;        // laid out
    std::vector<WORD> m_RowExplicit;
    std::vector<WORD> m_RowHeight;
    std::vector<bool> m_RowMeasured;     // virtual mode: the height came from the row's cells
    std::vector<DWORD> m_RowUserID;
    // Row tops over m_RowHeight, rebuilt on first use after a wholesale change.
    mutable GridRowOffsets m_RowTops;
    mutable bool m_bRowTopsStale = true;
    int m_nFixedColsWidth = 0;
    WORD m_nMinRowHeight;
    WORD m_nDefRowHeight;
    bool m_bRowHeightFixed = false;
    DWORD m_dwTotalHeight = 0, m_dwFixedHeight = 0;
    WORD m_nEstimate = 0;  // 0: none yet
    bool m_bHLines = false, m_bVLines = true, m_bFixedHLines = true, m_bFixedVLines = true;
    bool m_bShowFocus = true;
    COLORREF m_crLines, m_crBack, m_crFixedBack, m_crSelection, m_crSelText;
    // The theme's gradient behind rows, top and bottom, when gradient
    // backgrounds are in force (SetGradientDrawSupported).
    COLORREF m_crGradientTop, m_crGradientBottom;
    platform::OwnedBrush m_brBack, m_brFixedBack, m_brSelection, m_brLines;
    WORD m_nAnchorCol = GRID_NONE, m_nAnchorRow = GRID_NONE;
    WORD m_nFirstCol = GRID_NONE, m_nFirstRow = GRID_NONE, m_nLastCol = GRID_NONE, m_nLastRow = GRID_NONE;
    WORD m_nCurCol = GRID_NONE, m_nCurRow = GRID_NONE;
    WORD m_nSelectionMode = 0;
    bool m_bRowSelect = false;
    WORD m_nColInRowSelect = 1;
    bool m_bMultiSelect = false, m_bSelTooltip = false;
    bool m_bFloaterOwnBack = true, m_bFloaterBar = true;
    int m_nFloaterBarWidth;
    DWORD m_dwBitmapScaling = 0;
    BYTE m_bFontQuality = 0;
    HINSTANCE m_hResources = nullptr;
    std::u16string m_sResourcesRoot;
    std::map<WORD, platform::OwnedBitmap> m_IconCache;
    std::map<DWORD, platform::OwnedBitmap> m_FileCache;
    int m_nUpdateDepth = 0;
    int m_nPending = 0;
    WORD m_nScrollToRow = GRID_NONE;
    GridCellDrawProc m_pCellDraw = nullptr, m_pFixedCellDraw = nullptr;
    GridCustomPaintProc m_pCustomPaint = nullptr;
    WORD m_nFloaterCount = 0;
    // Bumped whenever the cells are thrown away or moved, so that a cell
    // answer arriving across such a change is not stored under a stale key.
    unsigned m_nGeneration = 0;
    bool m_bInRequest = false;
    // Scrolling and painting.
    WORD m_nTopRow = 0, m_nLeftCol = 0;
    int m_nVisibleWidth = 0, m_nVisibleHeight = 0;
    bool m_bVBar = false, m_bHBar = false;
    int m_nPaintReason = GRID_PAINT_ALL;
    int m_nScrolledDy = 0, m_nScrolledDx = 0;
    platform::OwnedDc m_MeasureDC;
    platform::OwnedBitmap m_BackBuffer;
    SIZE m_BufferSize{};
    RECT m_PaintBand{};
    bool m_bPainting = false;
    bool m_bInLayout = false;
    // Input.
    int m_nBarsScrollMode = 0, m_nKeysScrollMode = 2;
    bool m_bThumbTrack = false;
    UINT m_nDelayedMs = 0;
    bool m_bDragAllowed = false;
    bool m_bTapWindow = false;   // timer 84 running: a second tap is a double tap
    bool m_bDoubleTap = false;
    bool m_bRepeatTap = false;   // the tap landed on the current single cell
    bool m_bSelecting = false;   // button held on a cell
    bool m_bDragging = false;
    bool m_bDragRefused = false;
    bool m_bDropAllowed = false;  // the parent's last answer to GN_DRAGQUERY
    HWND m_hDropTarget = nullptr;  // the window under the drag, when it accepts drops
    HWND m_hDragUnder = nullptr;   // the window the last move was over
    int m_nAutoScroll = 0;       // timer 77 direction bits
    WORD m_nDownCol = GRID_NONE, m_nDownRow = GRID_NONE;
    DWORD m_dwDownFloater = 0;
    DWORD m_dwDownTime = 0;
    std::u16string m_sHotTarget;  // the hot spot pressed, until the release
    bool m_bHoldPending = false;
    POINT m_ptHold{};
    WORD m_nHoldCol = GRID_NONE, m_nHoldRow = GRID_NONE;
    DWORD m_dwHoldStart = 0;
    // The pending hold is the action key's (ended by the key, not the stylus).
    bool m_bHoldByKey = false;
    // OnActionButton runs for a press of the key, which may become a hold.
    bool m_bActionKeyDown = false;
    // A repeated tap edits the cell at its release, once it is no hold.
    bool m_bEditOnRelease = false;
    bool m_bDelayedRunning = false;
    UINT m_nDelayedKey = 0;
    DWORD m_dwLastKeyTime = 0;
    UINT m_nLastKey = 0;
    // Options of the bars and tooltips.
    bool m_bAllowHBar = true, m_bAllowVBar = true, m_bScrollTooltip = false, m_bAllowAutoScroll = true;
    bool m_bScrollRegionSet = false;
    RECT m_rcScrollRegion{};
    HWND m_hToolTipParent = nullptr;
    CHTMLToolTip m_SelTip, m_ScrollTip, m_DragTip;
    // The floater a drag started on, with its cell.
    WORD m_nDragCol = GRID_NONE, m_nDragRow = GRID_NONE;
    // In-place editor.
    HWND m_hEdit = nullptr;
    WORD m_nEditCol = GRID_NONE, m_nEditRow = GRID_NONE;
    std::u16string m_sEditBefore;
};
