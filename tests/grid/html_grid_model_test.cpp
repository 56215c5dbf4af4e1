// The grid's model on a message-only parent: cells asked for only when shown
// or measured, column widths and row heights, floater lanes, selection
// extents and modes, deferred updates, and parents that answer badly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/messaging/input.h"
#include "tests/grid/grid_host.h"

namespace {

using kstest::GridHostTest;

const WCHAR* kLine = u"<B>Subject</B> of the task\r\ndue <FONT COLOR=#808080>Monday</FONT>";

class GridModel : public GridHostTest {};

TEST_F(GridModel, VirtualGridAsksOnlyForTheCellsOnScreen)
{
    cellText_ = [](int, int) { return kLine; };
    Make(true);
    grid_->SetDimensions(65534, 3);
    Paint();
    const auto first = RequestedRows();
    const WORD bottom = grid_->GetBottomRow();
    // One screen: the rows from the top to the last one shown, and not many more.
    EXPECT_EQ(*first.begin(), 0);
    EXPECT_GE(static_cast<int>(first.size()), bottom);
    EXPECT_LE(static_cast<int>(first.size()), bottom + 2);
    EXPECT_EQ(requests_.size(), first.size() * 3) << "every cell is asked for once";
    EXPECT_GT(grid_->GetTotalHeight(), 65000u * grid_->GetMinRowHeight()) << "the rest counts as estimated";

    requests_.clear();
    grid_->ScrollByPageDown();
    Paint();
    const auto next = RequestedRows();
    ASSERT_FALSE(next.empty());
    EXPECT_GT(*next.begin(), *first.rbegin()) << "rows already known are not asked again";
    EXPECT_LE(next.size(), first.size() + 1);
}

TEST_F(GridModel, RowHeightsComeFromTheirSource)
{
    struct Case {
        const char* name;
        bool fixedHeights;
        WORD explicitHeight;   // SetRowHeight on row 1 (65535: none)
        WORD answeredHeight;   // the parent's answer for row 2's cells
        int row;
        int expected;          // -1: taller than the minimum, by measuring
    };
    const Case cases[] = {
        {"measured", false, GRID_NONE, GRID_NONE, 0, -1},
        {"explicit wins", false, 40, GRID_NONE, 1, 40},
        {"parent's answer", false, GRID_NONE, 33, 2, 33},
        {"fixed heights", true, GRID_NONE, GRID_NONE, 0, 15},
        {"explicit beats fixed", true, 44, GRID_NONE, 1, 44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        cellText_ = [](int, int) { return u"one\r\ntwo\r\nthree"; };
        onRequest_ = [&](GRIDCELLREQUEST* r) {
            if ((r->hdr.idFrom >> 16) == 2) r->rowHeight = c.answeredHeight;
        };
        Make(true);
        grid_->SetRowHeightFixed(c.fixedHeights);
        grid_->SetDimensions(10, 2);
        if (c.explicitHeight != GRID_NONE) grid_->SetRowHeight(1, c.explicitHeight);
        const int h = grid_->GetRowHeight(static_cast<WORD>(c.row));
        if (c.expected < 0)
            EXPECT_GT(h, grid_->GetMinRowHeight());
        else
            EXPECT_EQ(h, c.expected);
    }
}

TEST_F(GridModel, RowsPastTheScreenCountAsTheRunningEstimate)
{
    cellText_ = [](int row, int) { return row % 2 ? u"a\r\nb\r\nc\r\nd" : u"a"; };
    Make(true, 240, 100);
    grid_->SetDimensions(1000, 1);
    const int tall = grid_->GetRowHeight(1);
    const int low = grid_->GetRowHeight(0);
    ASSERT_GT(tall, low);
    // The estimate is a running average of the rows measured: between the two.
    EXPECT_GT(grid_->GetRowEstimate(), low);
    EXPECT_LT(grid_->GetRowEstimate(), tall);
    EXPECT_LT(RequestedRows().size(), 20u);
    // Asking for a row's height measures it and corrects the total.
    const DWORD before = grid_->GetTotalHeight();
    EXPECT_EQ(grid_->GetRowHeight(501, false), tall);
    EXPECT_NE(grid_->GetTotalHeight(), before);
}

TEST_F(GridModel, ColumnsShareTheWidthLeftByTheSetOnes)
{
    struct Case {
        const char* name;
        std::vector<WORD> set;  // GRID_NONE: share
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"equal", {GRID_NONE, GRID_NONE, GRID_NONE}, {80, 80, 80}},
        {"remainder to the first", {GRID_NONE, GRID_NONE, GRID_NONE, GRID_NONE, GRID_NONE, GRID_NONE, GRID_NONE},
         {35, 35, 34, 34, 34, 34, 34}},
        {"one set", {40, GRID_NONE, GRID_NONE}, {40, 100, 100}},
        {"all set", {50, 60, 70}, {50, 60, 70}},
        {"set wider than the window", {300, GRID_NONE}, {300, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        Make(false);
        grid_->SetDimensions(1, static_cast<WORD>(c.set.size()));
        for (size_t i = 0; i < c.set.size(); ++i)
            if (c.set[i] != GRID_NONE) grid_->SetColWidth(static_cast<WORD>(i), c.set[i]);
        grid_->RecalcCols(240);
        for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(grid_->GetColWidth(static_cast<WORD>(i)), c.expected[i]);
    }
}

TEST_F(GridModel, OverlappingFloatersTakeLanes)
{
    struct Floater {
        WORD row;
        WORD span;
    };
    struct Case {
        const char* name;
        std::vector<Floater> floaters;
        WORD blockFirst, blockLast;
        int lanes;
        std::vector<int> laneOf;
    };
    const Case cases[] = {
        {"apart", {{2, 2}, {6, 2}}, 2, 3, 1, {0, 0}},
        {"touching rows 2-3 and 3-5", {{2, 2}, {3, 3}}, 2, 5, 2, {0, 1}},
        {"three at one start", {{1, 3}, {1, 2}, {1, 1}}, 1, 3, 3, {0, 1, 2}},
        {"a lane freed below", {{0, 2}, {1, 2}, {2, 2}}, 0, 3, 2, {0, 1, 0}},
    };
    floaterText_ = [](UINT_PTR id) { return u"Meeting " + std::u16string(1, static_cast<char16_t>(u'0' + id)); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        Make(false);
        grid_->SetDimensions(10, 2);
        for (size_t i = 0; i < c.floaters.size(); ++i)
            ASSERT_TRUE(grid_->AddFloater(1, c.floaters[i].row, static_cast<DWORD>(i + 1), c.floaters[i].span, 100, 0,
                                          RGB(0, 128, 0), 0));
        WORD first = 0, last = 0;
        int lanes = 0;
        grid_->GetFloaterBlockBounds(c.floaters[0].row, 1, &first, &last, &lanes);
        EXPECT_EQ(first, c.blockFirst);
        EXPECT_EQ(last, c.blockLast);
        EXPECT_EQ(lanes, c.lanes);
        for (size_t i = 0; i < c.floaters.size(); ++i) {
            tagFLOATERINFO* f = grid_->FindFloater(1, c.floaters[i].row, static_cast<DWORD>(i + 1));
            ASSERT_NE(f, nullptr);
            RECT box{};
            ASSERT_TRUE(grid_->GetFloaterBounds(f, &box));
            EXPECT_EQ(f->Lane(), c.laneOf[i]) << "floater " << i + 1;
            const int width = grid_->GetColWidth(1);
            EXPECT_EQ(box.left, grid_->GetColLeft(1) + width * c.laneOf[i] / f->LaneCount());
        }
    }
}

TEST_F(GridModel, FloatersAreFoundHitAndRemoved)
{
    floaterText_ = [](UINT_PTR id) { return id == 9 ? u"" : u"Lunch"; };
    Make(false);
    grid_->SetDimensions(12, 2);
    grid_->SetColWidth(0, 40);
    ASSERT_TRUE(grid_->AddFloater(1, 2, 1, 3, 50, 25, RGB(200, 0, 0), 0));
    ASSERT_TRUE(grid_->AddFloater(1, 3, 2, 2, 100, 0, RGB(0, 0, 200), 0));
    EXPECT_FALSE(grid_->AddFloater(1, 5, 9, 1, 100, 0, 0, 0)) << "a refused floater";
    EXPECT_FALSE(grid_->AddFloater(1, 2, 1, 1, 100, 0, 0, 0)) << "an id already in the cell";
    EXPECT_EQ(grid_->FloaterCount(1, 3), 2);
    EXPECT_TRUE(grid_->CellHasFloaters(1, 4));
    EXPECT_FALSE(grid_->CellHasFloaters(1, 5));

    RECT cell{};
    ASSERT_TRUE(grid_->GetCellRect(1, 3, &cell));
    const int lane = (cell.right - cell.left) / 2;
    WORD col = 0, row = 0;
    POINT local{};
    bool inBar = false;
    EXPECT_EQ(grid_->GetFloaterFromPoint(cell.left + 3, cell.top + 4, &col, &row, &local, &inBar), 1u);
    EXPECT_EQ(local.x, 3);
    EXPECT_EQ(local.y, 4);
    EXPECT_TRUE(inBar);
    EXPECT_EQ(grid_->GetFloaterFromPoint(cell.left + lane + 20, cell.top + 1, &col, &row, &local, &inBar), 2u);
    EXPECT_FALSE(inBar);
    EXPECT_EQ(row, 3);

    ASSERT_TRUE(grid_->MoveFloater(1, 3, 2, 1, 8));
    EXPECT_EQ(grid_->FloaterCount(1, 3), 1);
    EXPECT_EQ(grid_->FloaterCount(1, 9), 1);
    ASSERT_TRUE(grid_->DeleteFloater(1, 2, 1));
    EXPECT_EQ(grid_->FloaterCount(1, 4), 0);
    grid_->ClearCellFloaters(1, 8);
    EXPECT_EQ(grid_->FloaterCount(1, 9), 0);
    // Deleting the rows of a floater's anchor takes it along.
    ASSERT_TRUE(grid_->AddFloater(1, 4, 3, 4, 100, 0, 0, 0));
    grid_->DeleteRows(3, 2);
    EXPECT_EQ(grid_->FloaterCount(1, 3), 0);
    EXPECT_EQ(grid_->GetRowCount(), 10);
}

TEST_F(GridModel, SelectionExtentsFollowTheOptions)
{
    struct Case {
        const char* name;
        bool rowSelect;
        WORD colsInRowSelect;
        bool fullRow;  // SetRowFullRowSelect on row 3
        WORD col1, row1, col2, row2;
        bool accepted;
        WORD firstCol, lastCol;
    };
    const Case cases[] = {
        {"single cell", false, 1, false, 3, 2, 3, 2, true, 3, 3},
        {"row select", true, 1, false, 3, 2, 4, 5, true, 1, 6},
        {"column groups", false, 3, false, 4, 2, 4, 2, true, 3, 5},
        {"full-row cell", false, 1, true, 2, 3, 2, 3, true, 1, 6},
        {"corner in the fixed column", false, 1, false, 0, 2, 3, 3, false, GRID_NONE, GRID_NONE},
        {"second corner clamped", false, 1, false, 2, 2, 60, 60, true, 2, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        Make(false);
        grid_->SetDimensions(8, 7);
        grid_->SetFixedColCount(1);
        grid_->SetRowSelect(c.rowSelect);
        grid_->SetColInRowSelect(c.colsInRowSelect);
        if (c.fullRow) grid_->SetRowFullRowSelect(3, true);
        EXPECT_EQ(grid_->SetSelection(c.col1, c.row1, c.col2, c.row2), c.accepted);
        WORD fc = 0, fr = 0, lc = 0, lr = 0;
        grid_->GetSelection(&fc, &fr, &lc, &lr);
        EXPECT_EQ(fc, c.firstCol);
        EXPECT_EQ(lc, c.lastCol);
        if (c.accepted) {
            EXPECT_EQ(grid_->GetCol(), std::min<WORD>(c.col2, 6));
            EXPECT_EQ(grid_->GetRow(), std::min<WORD>(c.row2, 7));
        }
    }
}

TEST_F(GridModel, SelectionModesDecideWhichCellsShow)
{
    // Selected from (col 2, row 1) to (col 4, row 3) in a 6 × 6 grid; which
    // of these cells show as selected in each mode.
    struct Probe {
        WORD col, row;
    };
    const Probe probes[] = {{2, 1}, {2, 0}, {2, 3}, {3, 0}, {3, 5}, {4, 1}, {4, 3}, {4, 4}, {1, 2}};
    struct Case {
        WORD mode;
        std::vector<bool> selected;
    };
    const Case cases[] = {
        {0, {true, false, true, false, false, true, true, false, false}},
        {1, {true, false, true, true, true, true, true, false, false}},
        {2, {true, false, true, false, false, true, true, false, true}},
        {3, {false, false, false, false, false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        grid_.reset();
        Make(false);
        grid_->SetDimensions(6, 6);
        grid_->SetSelection(2, 1, 4, 3);
        grid_->SetSelectionMode(c.mode);
        for (size_t i = 0; i < std::size(probes); ++i)
            EXPECT_EQ(grid_->IsCellSelected(probes[i].row, probes[i].col), c.selected[i])
                << "col " << probes[i].col << " row " << probes[i].row;
    }
    grid_->SetSelectionMode(4);
    EXPECT_EQ(grid_->GetSelectionMode(), 3);
    EXPECT_FALSE(grid_->SetSelection(2, 1, 2, 1)) << "nothing is selected in mode 3";
}

TEST_F(GridModel, NestedUpdatesPaintOnceAtTheEnd)
{
    static int paints = 0;
    paints = 0;
    Make(false);
    grid_->SetCustomPaintProc([](CHTMLGrid*, HDC dc) {
        if (dc) ++paints;
    });
    grid_->SetDimensions(5, 2);
    Paint();
    paints = 0;
    grid_->BeginUpdate();
    grid_->BeginUpdate();
    grid_->SetCellText(0, 0, u"first");
    grid_->SetCellText(1, 0, u"<B>second</B>");
    grid_->SetRowHeight(3, 50);
    grid_->EndUpdate();
    Paint();
    EXPECT_EQ(paints, 0) << "the inner end changes nothing";
    EXPECT_TRUE(grid_->IsInUpdate());
    grid_->EndUpdate();
    EXPECT_FALSE(grid_->IsInUpdate());
    Paint();
    Paint();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(grid_->GetRowHeight(3), 50);
    EXPECT_EQ(grid_->GetCellText(1, 0, false), u"second");
}

TEST_F(GridModel, BadAnswersAndSizesLeaveAUsableGrid)
{
    const std::u16string huge(200000, u'x');
    struct Case {
        const char* name;
        WORD rows;
        std::function<void(CHTMLGrid*, GRIDCELLREQUEST*)> answer;
    };
    const Case cases[] = {
        {"null everywhere", 200, [](CHTMLGrid*, GRIDCELLREQUEST* r) { r->text = nullptr; }},
        {"huge mark-up", 200, [&](CHTMLGrid*, GRIDCELLREQUEST* r) { r->text = huge.c_str(); }},
        {"the key of another row", 200,
         [](CHTMLGrid*, GRIDCELLREQUEST* r) {
             r->hdr.idFrom = GridCellKey(7, 0);
             r->text = u"moved";
         }},
        {"the parent fills another row itself", 200,
         [](CHTMLGrid* g, GRIDCELLREQUEST* r) {
             g->SetCellText(0, static_cast<WORD>((r->hdr.idFrom >> 16) + 1), u"pushed");
             r->text = u"mine";
         }},
        {"the parent changes the dimensions", 200,
         [](CHTMLGrid* g, GRIDCELLREQUEST* r) {
             if ((r->hdr.idFrom >> 16) == 3) g->SetDimensions(2, 1);
             r->text = u"late";
         }},
        {"no rows", 0, [](CHTMLGrid*, GRIDCELLREQUEST* r) { r->text = u"x"; }},
        {"the most rows", 65534, [](CHTMLGrid*, GRIDCELLREQUEST* r) { r->text = u"x"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        onRequest_ = [&](GRIDCELLREQUEST* r) { c.answer(grid_.get(), r); };
        Make(true);
        grid_->SetDimensions(c.rows, 2);
        Paint();
        grid_->ScrollByPageDown();
        Paint();
        grid_->ScrollToBottom();
        Paint();
        EXPECT_LE(grid_->GetRowCount(), c.rows);
        if (grid_->GetRowCount() > 0) {
            EXPECT_GE(grid_->GetRowHeight(0), grid_->GetMinRowHeight());
        }
    }
}

TEST_F(GridModel, MoreRowsOrColumnsThanAGridHoldsAreRefused)
{
    const struct {
        WORD rows, cols;
        bool taken;
    } cases[] = {{GRID_MAX_DIMENSION, 2, true}, {GRID_MAX_DIMENSION + 1, 2, false}, {7, GRID_MAX_DIMENSION + 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        grid_.reset();
        cellText_ = [](int, int) { return u"x"; };
        Make(true);
        grid_->SetDimensions(5, 3);
        EXPECT_EQ(grid_->SetDimensions(c.rows, c.cols), c.taken);
        EXPECT_EQ(grid_->GetRowCount(), c.taken ? c.rows : 5) << "a refusal leaves the grid as it was";
        EXPECT_EQ(grid_->GetColCount(), c.taken ? c.cols : 3);
    }
}

TEST_F(GridModel, ParentGoneWhileTheGridAsks)
{
    struct Case {
        const char* name;
        UINT message;  // the request during which the parent destroys itself
        std::function<void(CHTMLGrid*)> act;
    };
    const Case cases[] = {
        {"a cell while setting the dimensions", GN_GETCELLDATA, [](CHTMLGrid* g) { g->SetDimensions(100, 2); }},
        {"a cell while painting", GN_GETCELLDATA,
         [](CHTMLGrid* g) {
             g->MakeRowTopMost(30);
             UpdateWindow(g->GetHwnd());
         }},
        {"a floater", GN_GETFLOATER, [](CHTMLGrid* g) { g->AddFloater(0, 2, 1, 2, 100, 0, 0, 0); }},
        {"a selection tooltip", GN_SELTOOLTIP,
         [](CHTMLGrid* g) {
             g->SetMultiSelect(true, true);
             platform::InputScript(g->GetHwnd()).Down(150, 5).Wait(50).Move(150, 80);
             platform::PumpMessages();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        // A parent of its own for each case, answering as the host does.
        kstest::OwnWindow parent([this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            return Answer(hwnd, message, wParam, lParam);
        });
        cellText_ = [](int, int) { return u"cell"; };
        const RECT rc{0, 0, 240, 320};
        grid_ = std::make_unique<CHTMLGrid>(parent.Hwnd(), &rc, true, u"grid");
        grid_->SetDimensions(100, 2);
        Paint();
        auto gone = [&, hwnd = parent.Hwnd()] {
            if (IsWindow(hwnd)) DestroyWindow(hwnd);
        };
        onRequest_ = [&](GRIDCELLREQUEST*) {
            if (c.message == GN_GETCELLDATA) gone();
        };
        floaterText_ = [&](UINT_PTR) {
            gone();
            return std::u16string(u"late");
        };
        onMessage_ = [&](UINT message, WPARAM wParam, LPARAM, LRESULT*) {
            if (message != c.message) return false;
            *reinterpret_cast<WCHAR**>(wParam) = static_cast<WCHAR*>(std::calloc(4, sizeof(WCHAR)));
            gone();
            return true;
        };
        c.act(grid_.get());
        EXPECT_EQ(grid_->GetHwnd(), nullptr) << "the child went with its parent";
        EXPECT_EQ(grid_->GetCell(50, 1), nullptr);
        grid_->ScrollByPageDown();
        grid_->SetSelection(0, 1, 1, 2);
        grid_->SetDimensions(10, 1);
        EXPECT_EQ(grid_->GetRowCount(), 10);
        onRequest_ = nullptr;
        onMessage_ = nullptr;
        floaterText_ = nullptr;
    }
}

}  // namespace
