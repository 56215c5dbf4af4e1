// The grid's tooltips (selection, scroll thumb, drag), dropping a dragged
// floater on another row, and the options that shape the window: which bars
// may show, the border, and the region outside which a held pointer scrolls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/messaging/input.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/scroll_bars.h"
#include "tests/grid/grid_host.h"

namespace {

using kstest::GridHostTest;
using platform::InputScript;

// A malloc'ed copy of the mark-up, as the grid expects a tooltip's text.
WCHAR* Block(const std::u16string& text)
{
    auto* block = static_cast<WCHAR*>(std::malloc((text.size() + 1) * sizeof(WCHAR)));
    std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return block;
}

class GridOptions : public GridHostTest {
protected:
    void MakeList(int rows)
    {
        cellText_ = [](int, int) { return u"Cell text"; };
        Make(true);
        grid_->SetDimensions(static_cast<WORD>(rows), 2);
        Paint();
    }
    POINT CellPoint(WORD col, WORD row)
    {
        RECT rc{};
        EXPECT_TRUE(grid_->GetCellRect(col, row, &rc));
        return POINT{rc.left + 4, rc.top + 4};
    }
};

TEST_F(GridOptions, ToolTipsShowTheParentsMarkUpWhileTheGestureLasts)
{
    struct Case {
        const char* name;
        UINT message;
        std::function<void(CHTMLGrid*)> setUp;
        std::function<void(CHTMLGrid*, InputScript&, POINT, POINT)> begin, end;
        std::function<const CHTMLToolTip&(CHTMLGrid*)> tip;
        LRESULT result;  // the parent's answer besides the text
        bool shown;
    };
    auto drag = [](CHTMLGrid*, InputScript& s, POINT a, POINT b) { s.Down(a.x, a.y).Wait(50).Move(b.x, b.y); };
    auto release = [](CHTMLGrid*, InputScript& s, POINT, POINT b) { s.Up(b.x, b.y); };
    auto selecting = [](CHTMLGrid* g) { g->SetMultiSelect(true, true); };
    auto dragging = [](CHTMLGrid* g) { g->SetDragAllowed(true); };
    auto thumb = [](CHTMLGrid* g, InputScript&, POINT, POINT) {
        SendMessageW(g->GetHwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
    };
    auto thumbEnd = [](CHTMLGrid* g, InputScript&, POINT, POINT) {
        SendMessageW(g->GetHwnd(), WM_VSCROLL, SB_ENDSCROLL, 0);
    };
    auto selTip = [](CHTMLGrid* g) -> const CHTMLToolTip& { return g->SelectionToolTip(); };
    const Case cases[] = {
        {"selection", GN_SELTOOLTIP, selecting, drag, release, selTip, 0, true},
        {"selection, tooltip off", GN_SELTOOLTIP, [](CHTMLGrid* g) { g->SetMultiSelect(true, false); }, drag,
         release, selTip, 0, false},
        {"scroll thumb", GN_SCROLLTOOLTIP, [](CHTMLGrid* g) { g->SetShowScrollBars(true, true, true); }, thumb,
         thumbEnd, [](CHTMLGrid* g) -> const CHTMLToolTip& { return g->ScrollToolTip(); }, 0, true},
        {"drag", GN_DRAGTOOLTIP, dragging, drag, release,
         [](CHTMLGrid* g) -> const CHTMLToolTip& { return g->DragToolTip(); }, 0, true},
        {"drag, answered 1: none", GN_DRAGTOOLTIP, dragging, drag, release,
         [](CHTMLGrid* g) -> const CHTMLToolTip& { return g->DragToolTip(); }, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList(200);
        c.setUp(grid_.get());
        std::vector<std::vector<WORD>> records;
        onMessage_ = [&](UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
            if (message == GN_DRAGSTART || message == GN_DRAGQUERY) return *result = 1, true;
            if (message != c.message) return false;
            if (message == GN_SELTOOLTIP) {
                const auto* r = reinterpret_cast<GRIDSELTOOLTIP*>(lParam);
                records.push_back({r->firstColumn, r->firstRow, r->lastColumn, r->lastRow});
            } else if (message == GN_SCROLLTOOLTIP) {
                records.push_back({static_cast<WORD>(reinterpret_cast<GRIDSCROLLTOOLTIP*>(lParam)->row)});
            } else {
                records.push_back({});
            }
            *reinterpret_cast<WCHAR**>(wParam) = Block(u"<B>tip</B> text");
            *result = c.result;
            return true;
        };
        const POINT from = CellPoint(1, 3), to = CellPoint(1, 6);
        InputScript script(grid_->GetHwnd());
        c.begin(grid_.get(), script, from, to);
        platform::PumpMessages();
        ASSERT_EQ(records.empty(), c.message == GN_SELTOOLTIP && !c.shown);
        EXPECT_EQ(c.tip(grid_.get()).IsVisible(), c.shown);
        if (c.shown) EXPECT_EQ(c.tip(grid_.get()).GetText(), u"<B>tip</B> text");
        if (c.message == GN_SELTOOLTIP && c.shown) EXPECT_EQ(records.back(), (std::vector<WORD>{1, 3, 1, 6}));
        if (c.message == GN_SCROLLTOOLTIP) {
            EXPECT_GT(records.back()[0], 5) << "the row under the thumb";
            EXPECT_EQ(grid_->GetTopRow(), 0) << "without thumb tracking the list stays";
        }
        c.end(grid_.get(), script, from, to);
        platform::PumpMessages();
        EXPECT_FALSE(c.tip(grid_.get()).IsVisible()) << "the end of the gesture hides it";
        onMessage_ = nullptr;
    }
}

TEST_F(GridOptions, AReleaseOnATooltipReachesItsParent)
{
    std::vector<LPARAM> releases;
    kstest::OwnWindow owner([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_LBUTTONUP) releases.push_back(lParam);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    });
    MakeList(10);
    grid_->SetToolTipParent(owner.Hwnd());
    grid_->SetMultiSelect(true, true);
    HWND tip = grid_->SelectionToolTip().GetHwnd();
    ASSERT_NE(tip, nullptr);
    SendMessageW(tip, WM_LBUTTONUP, 0, MAKELPARAM(7, 9));
    EXPECT_EQ(releases, std::vector<LPARAM>{MAKELPARAM(7, 9)});
}

TEST_F(GridOptions, ADroppedFloaterMovesAndIsAskedForAgain)
{
    struct Case {
        const char* name;
        LRESULT dropAnswer;  // GN_DRAGQUERY
        WORD toRow;          // where the pointer is released (grabbed at row 3)
        WORD anchorAfter;
    };
    const Case cases[] = {
        {"dropped four rows down", 1, 7, 6},
        {"refused by the parent", 0, 7, 2},
        {"dropped where it was", 1, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        int asked = 0;
        floaterText_ = [&](UINT_PTR) { return ++asked == 1 ? u"First" : u"Moved"; };
        MakeList(20);
        grid_->SetDragAllowed(true);
        ASSERT_TRUE(grid_->AddFloater(1, 2, 9, 3, 100, 0, RGB(0, 0, 255), 0));
        std::vector<GRIDFLOATERMOVE> moves;
        onMessage_ = [&](UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
            if (message == GN_FLOATERMOVED) moves.push_back(*reinterpret_cast<GRIDFLOATERMOVE*>(lParam));
            *result = message == GN_DRAGQUERY ? c.dropAnswer : 1;
            return message == GN_DRAGSTART || message == GN_DRAGQUERY || message == GN_FLOATERMOVED;
        };
        InputScript(grid_->GetHwnd()).Drag(CellPoint(1, 3), CellPoint(1, c.toRow), 3);
        platform::PumpMessages();
        const bool moved = c.anchorAfter != 2;
        ASSERT_EQ(moves.size(), moved ? 1u : 0u);
        if (moved) {
            EXPECT_EQ(moves[0].hdr.idFrom, 9u);
            EXPECT_EQ(moves[0].hdr.code, GN_FLOATERMOVED);
            EXPECT_EQ((std::vector<WORD>{moves[0].fromColumn, moves[0].fromRow, moves[0].toColumn, moves[0].toRow}),
                      (std::vector<WORD>{1, 2, 1, c.anchorAfter}));
        }
        tagFLOATERINFO* f = grid_->FindFloater(1, c.anchorAfter, 9);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->source, moved ? u"Moved" : u"First");
        EXPECT_EQ(grid_->FloaterCount(1, 4), moved ? 0 : 1) << "the rows it left";
        onMessage_ = nullptr;
    }
}

TEST_F(GridOptions, BarsAndBorderDecideTheRoomTheColumnsShare)
{
    struct Case {
        const char* name;
        bool vertical, border;
        int clientWidth;
    };
    const int bar = GetSystemMetrics(SM_CXVSCROLL), edge = 2 * GetSystemMetrics(SM_CXBORDER);
    const Case cases[] = {
        {"a long list has a bar", true, false, 240 - bar},
        {"the bar not allowed", false, false, 240},
        {"a border as well", true, true, 240 - bar - edge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList(100);
        grid_->SetShowScrollBars(true, c.vertical);
        grid_->SetBorder(c.border);
        Paint();
        RECT client{};
        GetClientRect(grid_->GetHwnd(), &client);
        EXPECT_EQ(client.right, c.clientWidth);
        EXPECT_EQ(grid_->GetColLeft(1) + grid_->GetColWidth(1), c.clientWidth) << "the columns fill the client";
        EXPECT_EQ(grid_->GetBorder(), c.border);
    }
}

TEST_F(GridOptions, HeldOutsideTheScrollRegionTheListScrolls)
{
    for (bool narrowRegion : {false, true}) {
        SCOPED_TRACE(narrowRegion);
        grid_.reset();
        MakeList(100);
        grid_->SetMultiSelect(true, false);
        const RECT region{0, 0, 240, 60};
        grid_->SetScrollRegion(narrowRegion ? &region : nullptr);
        const POINT p = CellPoint(1, 1);
        InputScript script(grid_->GetHwnd());
        script.Down(p.x, p.y).Wait(50).Move(p.x, 100);
        const bool scrolled = kstest::PumpUntil([&] { return grid_->GetTopRow() > 0; }, 1000);
        script.Up(p.x, 100);
        platform::PumpMessages();
        EXPECT_EQ(scrolled, narrowRegion);
    }
}

TEST_F(GridOptions, ColumnsScrollByLinePageAndEnd)
{
    cellText_ = [](int, int) { return u"x"; };
    Make(true);
    grid_->BeginUpdate();
    grid_->SetDimensions(3, 10);
    grid_->SetFixedColCount(1);
    grid_->SetColWidth(0, 40);
    for (WORD c = 1; c < 10; ++c) grid_->SetColWidth(c, 50);
    grid_->EndUpdate();
    Paint();
    // 200 pixels right of the fixed column: four columns make a page.
    const struct {
        WORD code;
        WORD left;
    } steps[] = {
        {SB_LINERIGHT, 2}, {SB_PAGERIGHT, 6}, {SB_LINERIGHT, 6}, {SB_PAGELEFT, 2},
        {SB_LINELEFT, 1},  {SB_LINELEFT, 1},  {SB_RIGHT, 6},     {SB_LEFT, 1},
    };
    for (const auto& s : steps) {
        SendMessageW(grid_->GetHwnd(), WM_HSCROLL, s.code, 0);
        EXPECT_EQ(grid_->GetLeftCol(), s.left) << s.code;
        Paint();
    }
}

}  // namespace
