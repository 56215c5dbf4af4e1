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
    enum Kind { Selection, Thumb, Drag };
    const struct {
        const char* name;
        Kind kind;
        bool on;
        LRESULT result;  // the parent's answer besides the text
        bool shown;
    } cases[] = {
        {"selection", Selection, true, 0, true},
        {"selection, tooltip off", Selection, false, 0, false},
        {"scroll thumb", Thumb, true, 0, true},
        {"drag", Drag, true, 0, true},
        {"drag, answered 1: none", Drag, true, 1, false},
    };
    const UINT messages[] = {GN_SELTOOLTIP, GN_SCROLLTOOLTIP, GN_DRAGTOOLTIP};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList(200);
        if (c.kind == Selection) grid_->SetMultiSelect(true, c.on);
        if (c.kind == Thumb) grid_->SetShowScrollBars(true, true, c.on);
        if (c.kind == Drag) grid_->SetDragAllowed(c.on);
        std::vector<WORD> record;
        onMessage_ = [&](UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
            *result = 1;
            if (message == GN_DRAGSTART || message == GN_DRAGQUERY) return true;
            if (message != messages[c.kind]) return false;
            if (const auto* r = reinterpret_cast<GRIDSELTOOLTIP*>(lParam); message == GN_SELTOOLTIP)
                record = {r->firstColumn, r->firstRow, r->lastColumn, r->lastRow};
            if (message == GN_SCROLLTOOLTIP) record = {static_cast<WORD>(reinterpret_cast<GRIDSCROLLTOOLTIP*>(lParam)->row)};
            *reinterpret_cast<WCHAR**>(wParam) = Block(u"<B>tip</B> text");
            *result = c.result;
            return true;
        };
        const CHTMLToolTip& tip = c.kind == Selection ? grid_->SelectionToolTip()
                                  : c.kind == Thumb   ? grid_->ScrollToolTip()
                                                      : grid_->DragToolTip();
        const POINT from = CellPoint(1, 3), to = CellPoint(1, 6);
        InputScript script(grid_->GetHwnd());
        if (c.kind == Thumb)
            SendMessageW(grid_->GetHwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
        else
            script.Down(from.x, from.y).Wait(50).Move(to.x, to.y);
        platform::PumpMessages();
        EXPECT_EQ(tip.IsVisible(), c.shown);
        if (c.shown) {
            EXPECT_EQ(tip.GetText(), u"<B>tip</B> text");
        }
        if (c.kind == Selection) {
            EXPECT_EQ(record, (c.on ? std::vector<WORD>{1, 3, 1, 6} : std::vector<WORD>{}));
        }
        if (c.kind == Thumb) {
            EXPECT_GT(record.at(0), 5) << "the row under the thumb";
            EXPECT_EQ(grid_->GetTopRow(), 0) << "without thumb tracking the list stays";
            SendMessageW(grid_->GetHwnd(), WM_VSCROLL, SB_ENDSCROLL, 0);
        } else {
            script.Up(to.x, to.y);
        }
        platform::PumpMessages();
        EXPECT_FALSE(tip.IsVisible()) << "the end of the gesture hides it";
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
    EXPECT_EQ(grid_->SelectionToolTip().GetHwnd(), nullptr) << "made on first use, like the other two";
    onMessage_ = [&](UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
        *result = 0;
        if (message != GN_SELTOOLTIP) return false;
        *reinterpret_cast<WCHAR**>(wParam) = Block(u"tip");
        return true;
    };
    const POINT from = CellPoint(1, 2), to = CellPoint(1, 4);
    InputScript(grid_->GetHwnd()).Down(from.x, from.y).Wait(50).Move(to.x, to.y);
    platform::PumpMessages();
    HWND tip = grid_->SelectionToolTip().GetHwnd();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetParent(tip), owner.Hwnd());
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
            const GRIDFLOATERMOVE& m = moves[0];
            EXPECT_EQ((std::vector<UINT_PTR>{m.hdr.idFrom, m.hdr.code, m.fromColumn, m.fromRow, m.toColumn, m.toRow}),
                      (std::vector<UINT_PTR>{9, GN_FLOATERMOVED, 1, 2, 1, c.anchorAfter}));
        }
        tagFLOATERINFO* f = grid_->FindFloater(1, c.anchorAfter, 9);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->source, moved ? u"Moved" : u"First");
        EXPECT_EQ(grid_->FloaterCount(1, 4), moved ? 0 : 1) << "the rows it left";
        onMessage_ = nullptr;
    }
}

TEST_F(GridOptions, ADropOnAnotherWindowIsHandedToIt)
{
    struct Case {
        const char* name;
        LRESULT accepts;  // the window under the pointer, to GN_DRAGOVER
        LRESULT allowed;  // the source's parent, to GN_DRAGQUERY
        bool ontoGrid;    // the window is a grid whose parent hears of it
    };
    const Case cases[] = {
        {"a window that accepts", 1, 1, false},
        {"the window refuses", 0, 1, false},
        {"the parent refuses", 1, 0, false},
        {"another grid hands it to its parent", 1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList(20);
        grid_->SetDragAllowed(true);
        onMessage_ = [&](UINT message, WPARAM, LPARAM, LRESULT* result) {
            *result = message == GN_DRAGQUERY ? c.allowed : 1;
            return message == GN_DRAGSTART || message == GN_DRAGQUERY;
        };
        std::vector<GRIDDROP> drops;
        kstest::Handler handler = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == GN_GETCELLDATA) reinterpret_cast<GRIDCELLREQUEST*>(lParam)->text = u"other";
            if (message == GN_DRAGOVER) return c.accepts;
            if (message == GN_DROP) drops.push_back(*reinterpret_cast<GRIDDROP*>(lParam));
            return DefWindowProcW(hwnd, message, wParam, lParam);
        };
        // A window beside the grid, on screen.
        HWND other = kstest::CreateHandlerWindow(&handler, nullptr, WS_POPUP | WS_VISIBLE);
        MoveWindow(other, 300, 0, 200, 300, FALSE);
        std::unique_ptr<CHTMLGrid> target;
        if (c.ontoGrid) {
            RECT rc{0, 0, 200, 300};
            target = std::make_unique<CHTMLGrid>(other, &rc, true, u"target");
            target->SetDimensions(20, 1);
        }
        InputScript(grid_->GetHwnd()).Drag(CellPoint(1, 3), POINT{350, 40}, 3);
        platform::PumpMessages();
        const bool dropped = c.accepts && c.allowed;
        ASSERT_EQ(drops.size(), dropped ? 1u : 0u);
        if (dropped) {
            const GRIDDROP& d = drops[0];
            EXPECT_EQ((std::vector<LONG_PTR>{reinterpret_cast<LONG_PTR>(d.hdr.hwndFrom), static_cast<LONG_PTR>(d.hdr.code),
                                             d.pt.x, d.pt.y, d.column, d.row}),
                      (std::vector<LONG_PTR>{reinterpret_cast<LONG_PTR>(grid_->GetHwnd()), GN_DROP, 350, 40, 1, 3}));
            WORD col = GRID_NONE, row = GRID_NONE;
            if (target) target->GetCellFromPoint(50, 40, &col, &row);
            EXPECT_EQ(d.targetColumn, col) << "the cell dropped on, for a grid";
            EXPECT_EQ(d.targetRow, row);
        }
        target.reset();
        DestroyWindow(other);
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

}  // namespace
