// The list grid: a list's rows shown by the grid in virtual mode on a parent
// that hands it every message - headers opening and closing by their hot
// spot or a tap on their row, only the rows on screen asked for, floaters
// for appointments, and requests it cannot answer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "grid/list_grid.h"
#include "platform/gdi/fonts.h"
#include "platform/messaging/input.h"
#include "platform/messaging/painting.h"
#include "tests/support/test_windows.h"

namespace {

class ListGrid : public ::testing::Test {
protected:
    void SetUp() override { platform::PinTestFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"); }
    void TearDown() override
    {
        grid_.reset();
        platform::PinTestFont("");
    }

    // Two groups: "Work" with two items, "Home" with one.
    static CListRows Groups()
    {
        CListRows rows({24, kListColumnShared});
        rows.AddHeader(u"Work", 2, true);
        rows.AddItem(11, {u"A", u"<B>Report</B>"});
        rows.AddItem(12, {u"B", u"Flights"});
        rows.AddHeader(u"Home", 1, true);
        rows.AddItem(13, {u"", u"Library card"});
        return rows;
    }

    void Make(CListRows rows, std::vector<LISTFLOATER> floaters = {})
    {
        requested_.clear();
        grid_ = std::make_unique<CListGrid>();
        ASSERT_TRUE(grid_->Create(parent_.Hwnd(), RECT{0, 0, 240, 320}));
        grid_->SetContent(std::move(rows), std::move(floaters));
        UpdateWindow(grid_->GetHwnd());
    }

    // The client point in the middle of a row, at x.
    POINT At(int x, int row)
    {
        RECT rc{};
        EXPECT_TRUE(grid_->GetCellRect(0, static_cast<WORD>(row), &rc));
        return POINT{x, (rc.top + rc.bottom) / 2};
    }

    std::set<int> requested_;  // rows asked for
    std::unique_ptr<CListGrid> grid_;  // before the parent: its window answers messages while being made
    kstest::OwnWindow parent_{[this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == GN_GETCELLDATA && lParam)
            requested_.insert(static_cast<int>(reinterpret_cast<GRIDCELLREQUEST*>(lParam)->hdr.idFrom >> 16));
        LRESULT result = 0;
        if (grid_ && grid_->OnParentMessage(message, wParam, lParam, &result)) return result;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }};
};

TEST_F(ListGrid, HeadersOpenAndCloseByTheirHotSpotOrATapOnTheirRow)
{
    struct Case {
        const char* name;
        int x, row;  // where the tap lands
        int visible;  // rows shown after it
        int selected;
    };
    const Case cases[] = {
        {"the header's sign", 5, 0, 3, 0},
        {"the header's row, right of its text", 220, 0, 3, 0},
        {"the second header", 220, 3, 4, 3},
        {"an item", 120, 1, 5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(Groups());
        const POINT p = At(c.x, c.row);
        platform::InputScript(grid_->GetHwnd()).Tap(p.x, p.y);
        kstest::PumpPending();
        EXPECT_EQ(grid_->Rows().VisibleCount(), c.visible);
        EXPECT_EQ(grid_->GetRowCount(), c.visible);
        EXPECT_EQ(grid_->SelectedRow(), c.selected);
    }
    // Closed and opened again: the rows behind the header come back.
    Make(Groups());
    ASSERT_TRUE(grid_->ToggleHeader(0));
    ASSERT_TRUE(grid_->ToggleHeader(0));
    EXPECT_EQ(grid_->GetRowCount(), 5);
    EXPECT_FALSE(grid_->ToggleHeader(1)) << "an item is no header";
}

TEST_F(ListGrid, OnlyTheRowsOnScreenAreAskedForAndTheTopRowStays)
{
    CListRows rows({kListColumnShared, 60});
    for (DWORD i = 0; i < 20000; ++i) rows.AddItem(i + 1, {u"<B>Item</B>", u"12/7/2026"});
    Make(rows);
    ASSERT_EQ(grid_->GetRowCount(), 20000);
    EXPECT_LE(*requested_.rbegin(), 30) << "only about a screen";
    grid_->ScrollByPageDown();
    UpdateWindow(grid_->GetHwnd());
    const int top = grid_->GetTopRow();
    EXPECT_GT(top, 5);
    EXPECT_LE(*requested_.rbegin(), 2 * 30);
    // New content of the same length keeps the place in the list.
    grid_->SetContent(rows, {});
    EXPECT_EQ(grid_->GetTopRow(), top);
}

TEST_F(ListGrid, AppointmentsOfOneItemBecomeFloatersInLanes)
{
    CListRows rows({40, kListColumnShared});
    for (int i = 0; i < 12; ++i) rows.AddItem(0, {u"", u""});
    // A repeated appointment shows twice under one oid; both overlap a third.
    std::vector<LISTFLOATER> floaters(3);
    floaters[0] = LISTFLOATER{2, 1, 3, 0, 100, RGB(0, 0, 200), 7, u"<B>Standup</B>"};
    floaters[1] = LISTFLOATER{3, 1, 2, 0, 50, RGB(200, 0, 0), 7, u"Standup again"};
    floaters[2] = LISTFLOATER{9, 1, 1, 0, 100, RGB(0, 200, 0), 8, u"Lunch"};
    Make(rows, floaters);
    struct Expected {
        WORD row;
        DWORD id;
        int lanes;
        DWORD item;
    };
    const Expected expected[] = {{2, 1, 2, 7}, {3, 2, 2, 7}, {9, 3, 1, 8}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        tagFLOATERINFO* f = grid_->FindFloater(1, e.row, e.id);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->LaneCount(), e.lanes);
        EXPECT_EQ(grid_->FloaterItem(e.id), e.item);
    }
    EXPECT_EQ(grid_->FloaterItem(0), 0u);
    EXPECT_EQ(grid_->FloaterItem(4), 0u);
}

TEST_F(ListGrid, RequestsItCannotAnswerGetNoContent)
{
    Make(Groups());
    struct Case {
        const char* name;
        DWORD key;
    };
    const Case cells[] = {{"a row past the list", 5u << 16}, {"a column past the row", 1u << 16 | 7}, {"both huge", 0xFFFEFFFEu}};
    for (const Case& c : cells) {
        SCOPED_TRACE(c.name);
        GRIDCELLREQUEST request{};
        request.hdr.idFrom = c.key;
        request.text = u"left alone?";
        LRESULT result = 1;
        EXPECT_TRUE(grid_->OnParentMessage(GN_GETCELLDATA, 0, reinterpret_cast<LPARAM>(&request), &result));
        EXPECT_EQ(request.text, nullptr);
    }
    for (UINT_PTR id : {UINT_PTR{0}, UINT_PTR{1}, UINT_PTR{0xFFFFFFFF}}) {
        GRIDFLOATERREQUEST request{};
        request.hdr.idFrom = id;
        WCHAR* text = nullptr;
        LRESULT result = 1;
        EXPECT_TRUE(grid_->OnParentMessage(GN_GETFLOATER, reinterpret_cast<WPARAM>(&text), reinterpret_cast<LPARAM>(&request), &result));
        EXPECT_EQ(text, nullptr) << id;
    }
    // Null records, and notices from another window, are not the grid's.
    LRESULT result = 1;
    EXPECT_TRUE(grid_->OnParentMessage(GN_GETCELLDATA, 0, 0, &result));
    EXPECT_TRUE(grid_->OnParentMessage(GN_GETFLOATER, 0, 0, &result));
    NM_GRIDVIEW other{};
    other.hdr.code = GN_TAPRELEASE;
    other.row = 0;
    EXPECT_FALSE(grid_->OnParentMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other), &result));
    EXPECT_EQ(grid_->GetRowCount(), 5);
}

}  // namespace
