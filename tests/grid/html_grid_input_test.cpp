// The grid's message protocol as its parent sees it, driven by input as a
// stylus and keypad give it (time stamps decide double taps and holds).
#include <gtest/gtest.h>

#include "platform/messaging/input.h"
#include "platform/messaging/scroll_bars.h"
#include "tests/grid/grid_host.h"

namespace {

using kstest::GridHostTest;
using platform::InputScript;

class GridInput : public GridHostTest {
protected:
    void MakeList(int rows = 40)
    {
        cellText_ = [](int row, int col) {
            return col == 1 && row == 2 ? u"see <A=mailto:ann>Ann</A> today" : u"Cell text";
        };
        Make(true);
        grid_->SetDimensions(static_cast<WORD>(rows), 2);
        Paint();
    }
    POINT CellPoint(WORD col, WORD row, int dx = 4, int dy = 4)
    {
        RECT rc{};
        EXPECT_TRUE(grid_->GetCellRect(col, row, &rc));
        return POINT{rc.left + dx, rc.top + dy};
    }
    // Presses the action key on the current cell (1, 5), repeats it `repeat` ms later (0: not), handles both.
    InputScript& ActionKey(InputScript& script, bool rowSelect, DWORD repeat = 0)
    {
        grid_->SetRowSelect(rowSelect);
        grid_->SetSelection(1, 5, 1, 5);
        SetFocus(grid_->GetHwnd());
        script.KeyDown(VK_RETURN);
        if (repeat) script.Wait(repeat).KeyDown(VK_RETURN, true);
        platform::PumpMessages();
        return script;
    }
};

TEST_F(GridInput, TapsActionKeysAndHoldsReachTheParent)
{
    struct Case {
        const char* name;
        std::function<void(InputScript&, POINT)> input;
        std::vector<UINT> codes;  // the notices the parent hears
    };
    const Case cases[] = {
        {"tap", [](InputScript& s, POINT p) { s.Tap(p.x, p.y); }, {GN_CELLTAP, GN_TAPRELEASE}},
        {"double tap", [](InputScript& s, POINT p) { s.Tap(p.x, p.y).Wait(60).Tap(p.x, p.y); },
         {GN_CELLTAP, GN_TAPRELEASE, GN_CELLTAP, GN_ITEMACTIVATE}},
        {"two taps apart", [](InputScript& s, POINT p) { s.Tap(p.x, p.y).Wait(400).Tap(p.x, p.y); },
         {GN_CELLTAP, GN_TAPRELEASE, GN_CELLTAP, GN_TAPRELEASE}},
        {"tap and hold", [](InputScript& s, POINT p) { s.Down(p.x, p.y).Wait(kTapAndHoldMs + 100).Up(p.x, p.y); },
         {GN_CELLTAP, GN_CONTEXTMENU}},
        {"key", [this](InputScript& s, POINT) { ActionKey(s, false).Wait(100).KeyUp(VK_RETURN); }, {GN_ITEMACTIVATE}},
        {"key, row select", [this](InputScript& s, POINT) { ActionKey(s, true).Wait(100).KeyUp(VK_RETURN); },
         {GN_ITEMACTIVATE}},
        {"key held", [this](InputScript& s, POINT) { ActionKey(s, false).Wait(600).KeyUp(VK_RETURN); },
         {GN_CONTEXTMENU}},
        {"key repeated before the hold time",
         [this](InputScript& s, POINT) { ActionKey(s, false, 300).Wait(100).KeyUp(VK_RETURN); }, {GN_ITEMACTIVATE}},
        {"key repeated at the hold time",
         [this](InputScript& s, POINT) {
             ActionKey(s, false, kTapAndHoldMs);
             EXPECT_EQ(Seen(GN_CONTEXTMENU).size(), 1u) << "the repeat, not the release, tells the hold";
             s.KeyUp(VK_RETURN);
         },
         {GN_CONTEXTMENU}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList();
        log_.clear();
        const POINT p = CellPoint(1, 5);
        InputScript script(grid_->GetHwnd());
        c.input(script, p);
        platform::PumpMessages();
        std::vector<UINT> codes;
        for (const auto& m : log_)
            if (m.message == WM_NOTIFY) codes.push_back(m.code);
        EXPECT_EQ(codes, c.codes);
        for (const auto& tap : Seen(GN_CELLTAP)) {
            EXPECT_EQ(tap.view.x, p.x);
            EXPECT_EQ(tap.view.y, p.y);
            EXPECT_EQ(tap.view.row, 5);
            EXPECT_EQ(tap.view.column, 1);
            EXPECT_EQ(tap.view.hdr.hwndFrom, grid_->GetHwnd());
        }
        for (const auto& m : Seen(GN_CONTEXTMENU)) EXPECT_EQ(m.idFrom, GridCellKey(5, 1));
        for (const auto& m : Seen(GN_ITEMACTIVATE))
            EXPECT_EQ(std::pair(m.view.row, m.view.column), std::pair(5, grid_->GetRowSelect() ? 999 : 1));
        WORD col = 0, row = 0;
        grid_->GetSelection(&col, &row, nullptr, nullptr);
        EXPECT_EQ(row, 5);
    }
}

TEST_F(GridInput, AHoldComesByTheTimerWithoutHoldingUpTheQueue)
{
    for (bool onCurrentCell : {false, true}) {
        SCOPED_TRACE(onCurrentCell);
        grid_.reset();
        MakeList();
        const POINT p = CellPoint(1, 5);
        // A press on the current cell would edit it at its release.
        if (onCurrentCell) grid_->SetSelection(1, 5, 1, 5);
        messageResult_ = 1;
        log_.clear();
        InputScript script(grid_->GetHwnd());
        script.Down(p.x, p.y);
        platform::PumpMessages();
        EXPECT_TRUE(Seen(GN_CONTEXTMENU).empty()) << "the press is handled at once, the hold comes later";
        ASSERT_TRUE(kstest::PumpUntil([&] { return !Seen(GN_CONTEXTMENU).empty(); }));
        script.Wait(kTapAndHoldMs + 100).Up(p.x, p.y);
        platform::PumpMessages();
        EXPECT_EQ(Seen(GN_CONTEXTMENU).size(), 1u);
        EXPECT_EQ(Seen(GN_CONTEXTMENU)[0].idFrom, GridCellKey(5, 1));
        EXPECT_TRUE(Seen(GN_BEGINEDIT).empty()) << "a hold edits nothing";
        EXPECT_TRUE(Seen(GN_TAPRELEASE).empty()) << "nor is its release a tap";
    }
    messageResult_ = 0;
}

TEST_F(GridInput, HotSpotsAreTestedOnlyWhenTheParentAsks)
{
    for (LRESULT answer : {0, 1}) {
        SCOPED_TRACE(answer);
        grid_.reset();
        MakeList();
        notifyResult_ = answer;
        log_.clear();
        // "Ann" starts after "see ": a point inside the link.
        const POINT p = CellPoint(1, 2, 28, 5);
        InputScript(grid_->GetHwnd()).Tap(p.x, p.y);
        platform::PumpMessages();
        const auto down = Seen(GN_HOTSPOTDOWN);
        const auto up = Seen(GN_HOTSPOTUP);
        ASSERT_EQ(down.size(), static_cast<size_t>(answer));
        ASSERT_EQ(up.size(), static_cast<size_t>(answer));
        if (answer) {
            EXPECT_EQ(down[0].text, u"mailto:ann");
            EXPECT_EQ(up[0].text, u"mailto:ann");
            EXPECT_EQ(up[0].view.row, 2);
            EXPECT_TRUE(Seen(GN_TAPRELEASE).empty()) << "the release went to the hot spot";
        }
    }
}

TEST_F(GridInput, KeysMoveTheCurrentCellAndWrapExceptOnRepeats)
{
    struct Case {
        const char* name;
        WORD startRow;
        std::vector<std::pair<UINT, bool>> keys;  // key, auto-repeat
        int row, col;
    };
    const Case cases[] = {
        {"down", 3, {{VK_DOWN, false}}, 4, 0},
        {"up from the first wraps", 0, {{VK_UP, false}}, 39, 0},
        {"down from the last wraps", 39, {{VK_DOWN, false}}, 0, 0},
        {"a repeat stops at the end", 38, {{VK_DOWN, false}, {VK_DOWN, true}}, 39, 0},
        {"right, then home", 7, {{VK_RIGHT, false}, {VK_HOME, false}}, 0, 1},
        {"end", 7, {{VK_END, false}}, 39, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList();
        grid_->SetSelection(0, c.startRow, 0, c.startRow);
        SetFocus(grid_->GetHwnd());
        log_.clear();
        InputScript script(grid_->GetHwnd());
        for (auto [key, repeat] : c.keys) script.KeyDown(key, repeat).Wait(100);
        platform::PumpMessages();
        for (auto [key, repeat] : c.keys) script.KeyUp(key);
        platform::PumpMessages();
        EXPECT_EQ(grid_->GetRow(), c.row);
        EXPECT_EQ(grid_->GetCol(), c.col);
        const auto moved = Seen(GN_CURCELLCHANGED);
        ASSERT_FALSE(moved.empty());
        EXPECT_EQ(moved.back().view.x, c.col);
        EXPECT_EQ(moved.back().view.y, c.row);
        RECT rc{};
        EXPECT_TRUE(grid_->GetCellRect(static_cast<WORD>(c.col), static_cast<WORD>(c.row), &rc))
            << "the current cell is scrolled into view";
    }
}

TEST_F(GridInput, HeldArrowDefersTheNoticeUntilTheKeysSettle)
{
    MakeList();
    grid_->SetDelayedScrolling(500);
    grid_->SetSelection(0, 1, 0, 1);
    SetFocus(grid_->GetHwnd());
    log_.clear();
    InputScript script(grid_->GetHwnd());
    script.KeyDown(VK_DOWN).Wait(100);
    for (int i = 0; i < 4; ++i) script.KeyDown(VK_DOWN, true).Wait(100);
    platform::PumpMessages();
    const auto begun = Seen(GN_DELAYEDSELECT);
    ASSERT_EQ(begun.size(), 1u);
    EXPECT_EQ(begun[0].idFrom, GN_DELAYED_BEGIN);
    EXPECT_EQ(begun[0].view.floater, VK_DOWN);
    EXPECT_EQ(grid_->GetRow(), 6) << "the cell moved with every repeat";
    ASSERT_TRUE(kstest::PumpUntil([&] { return Seen(GN_DELAYEDSELECT).size() == 2; }, 3000));
    const auto settled = Seen(GN_DELAYEDSELECT)[1];
    EXPECT_EQ(settled.idFrom, GN_DELAYED_SETTLED);
    EXPECT_EQ(settled.view.row, 6);
    script.KeyUp(VK_DOWN);
    platform::PumpMessages();
}

TEST_F(GridInput, ScrollRequestsAreHandledAndPassedOn)
{
    struct Case {
        const char* name;
        WORD code;
        bool thumbTrack;
        bool moves;
        bool passedOn;
    };
    const Case cases[] = {
        {"line down", SB_LINEDOWN, false, true, true},
        {"page down", SB_PAGEDOWN, false, true, true},
        {"thumb position", SB_THUMBPOSITION, false, true, true},
        {"thumb track without tracking", SB_THUMBTRACK, false, false, false},
        {"thumb track with tracking", SB_THUMBTRACK, true, true, true},
        {"bottom", SB_BOTTOM, false, true, true},
        {"end scroll", SB_ENDSCROLL, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList(200);
        grid_->SetThumbTrack(c.thumbTrack);
        log_.clear();
        SendMessageW(grid_->GetHwnd(), WM_VSCROLL, MAKEWPARAM(c.code, 300), 0);
        EXPECT_EQ(grid_->GetTopRow() != 0, c.moves);
        const auto passed = Seen(GN_SCROLLED);
        ASSERT_EQ(passed.size(), c.passedOn ? 1u : 0u);
        if (c.passedOn) {
            EXPECT_EQ(passed[0].view.x, c.code);
        }
        if (c.moves) {
            EXPECT_EQ(GetScrollPos(grid_->GetHwnd(), SB_VERT),
                      static_cast<int>(grid_->GetRowTop(grid_->GetTopRow())));
        }
    }
}

TEST_F(GridInput, ASecondTapOnTheCurrentCellEditsItUnlessItMovesAway)
{
    cellText_ = [](int, int) { return u"<EDITABLE>Call Bob</EDITABLE>"; };
    Make(true);
    grid_->SetDimensions(10, 1);
    Paint();
    messageResult_ = 1;
    for (bool movesAway : {false, true}) {
        SCOPED_TRACE(movesAway);
        grid_->SetSelection(0, 0, 0, 0);
        const POINT p = CellPoint(0, 3), away = CellPoint(0, 6);
        InputScript script(grid_->GetHwnd());
        script.Tap(p.x, p.y).Wait(400);
        platform::PumpMessages();
        log_.clear();
        // A press that turns into a range selection is no tap.
        script.Down(p.x, p.y);
        if (movesAway) script.Move(away.x, away.y);
        script.Up(movesAway ? away.x : p.x, movesAway ? away.y : p.y);
        platform::PumpMessages();
        EXPECT_EQ(Seen(GN_BEGINEDIT).size(), movesAway ? 0u : 1u);
        if (grid_->GetEditWindow()) InputScript(grid_->GetEditWindow()).Key(VK_ESCAPE);
        platform::PumpMessages();
    }
    messageResult_ = 0;
}

TEST_F(GridInput, EditingInPlaceAsksFirstAndReportsTheChange)
{
    cellText_ = [](int, int) { return u"<EDITABLE>Call Bob</EDITABLE> <B>now</B>"; };
    Make(true);
    grid_->SetDimensions(10, 1);
    Paint();
    for (LRESULT consent : {0, 1}) {
        SCOPED_TRACE(consent);
        messageResult_ = consent;
        grid_->SetSelection(0, 0, 0, 0);
        log_.clear();
        const POINT p = CellPoint(0, 3);
        // Selecting the cell, then a tap on it again after the double-tap window.
        InputScript(grid_->GetHwnd()).Tap(p.x, p.y).Wait(400).Tap(p.x, p.y);
        platform::PumpMessages();
        const auto asked = Seen(GN_BEGINEDIT);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].view.row, 3);
        EXPECT_EQ(grid_->GetEditWindow() != nullptr, consent != 0);
        if (!consent) continue;
        WCHAR text[64] = {};
        GetWindowTextW(grid_->GetEditWindow(), text, 64);
        EXPECT_EQ(std::u16string(text), u"Call Bob") << "only the editable text";
        InputScript(grid_->GetEditWindow()).Type(u"Ann").Key(VK_RETURN);
        platform::PumpMessages();
        EXPECT_EQ(grid_->GetEditWindow(), nullptr);
        const auto done = Seen(GN_ENDEDIT);
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0].text, u"Ann");
        EXPECT_EQ(done[0].wParam, 3u);
        EXPECT_EQ(done[0].view.row, 3);
    }
    // A new dimension closes an open editor without a report.
    messageResult_ = 1;
    ASSERT_TRUE(grid_->EnableCellEdit(0, 1));
    log_.clear();
    grid_->SetDimensions(5, 1);
    EXPECT_EQ(grid_->GetEditWindow(), nullptr);
    EXPECT_TRUE(Seen(GN_ENDEDIT).empty());
}

TEST_F(GridInput, InputDuringARepaintIsSafe)
{
    static CHTMLGrid* painting = nullptr;
    MakeList(300);
    painting = grid_.get();
    grid_->SetCustomPaintProc([](CHTMLGrid* g, HDC dc) {
        if (!dc || g != painting) return;
        SendMessageW(g->GetHwnd(), WM_VSCROLL, SB_PAGEDOWN, 0);
        SendMessageW(g->GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
        SendMessageW(g->GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
        SendMessageW(g->GetHwnd(), WM_KEYDOWN, VK_DOWN, 0);
    });
    InvalidateRect(grid_->GetHwnd(), nullptr, FALSE);
    Paint();
    painting = nullptr;
    platform::PumpMessages();
    EXPECT_GT(grid_->GetTopRow(), 0);
    Paint();
}


TEST_F(GridInput, DragsAskBeforeTheyStartAndSelectingScrollsAtTheEdge)
{
    struct Case {
        const char* name;
        bool dragAllowed;
        LRESULT startAnswer;
        size_t starts, overs;  // GN_DRAGSTART and GN_DRAGQUERY seen
        bool selectionGrew;
    };
    const Case cases[] = {
        {"dragging off: the move selects", false, 1, 0, 0, true},
        {"drag refused: selects", true, 0, 1, 0, true},
        {"drag agreed", true, 1, 1, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        MakeList();
        grid_->SetMultiSelect(true, false);
        grid_->SetDragAllowed(c.dragAllowed);
        messageResult_ = c.startAnswer;
        log_.clear();
        const POINT from = CellPoint(1, 3), to = CellPoint(1, 6);
        InputScript(grid_->GetHwnd()).Drag(from, to, 3);
        platform::PumpMessages();
        EXPECT_EQ(Seen(GN_DRAGSTART).size(), c.starts);
        EXPECT_EQ(Seen(GN_DRAGQUERY).size(), c.overs);
        EXPECT_EQ(Seen(GN_DRAGTOOLTIP).size(), c.overs);
        WORD fr = 0, lr = 0;
        grid_->GetSelection(nullptr, &fr, nullptr, &lr);
        EXPECT_EQ(lr > fr, c.selectionGrew);
        EXPECT_EQ(GetCapture(), nullptr) << "the release ends the capture";
    }

    // Held below the rows, the selection scrolls with timer 77.
    grid_.reset();
    MakeList(100);
    grid_->SetMultiSelect(true, false);
    const POINT p = CellPoint(1, 3);
    RECT client{};
    GetClientRect(grid_->GetHwnd(), &client);
    InputScript script(grid_->GetHwnd());
    script.Down(p.x, p.y).Wait(100).Move(p.x, client.bottom + 5);
    platform::PumpMessages();
    ASSERT_TRUE(kstest::PumpUntil([&] { return grid_->GetTopRow() >= 2; }, 3000));
    script.Up(p.x, client.bottom + 5);
    platform::PumpMessages();
    const WORD top = grid_->GetTopRow();
    EXPECT_TRUE(kstest::PumpUntil([] { return false; }, 700) == false);
    EXPECT_EQ(grid_->GetTopRow(), top) << "the release stops the scrolling";
    WORD lr = 0;
    grid_->GetSelection(nullptr, nullptr, nullptr, &lr);
    EXPECT_GT(lr, 3);
}

}  // namespace
