// The grid's pictures: a reviewed picture of a grid with a fixed row and
// column, a selection and overlapping floaters; and a scroll that moves the
// image and paints only the uncovered band giving the same picture as a
// full repaint.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "platform/gdi/png_writer.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/theme_colors.h"
#include "platform/messaging/scroll_bars.h"
#include "tests/grid/golden_compare.h"
#include "tests/grid/grid_host.h"

namespace {

using kstest::Canvas;
using kstest::GridHostTest;

// The grid window's picture on a canvas.
std::unique_ptr<Canvas> Picture(HWND hwnd, int width, int height)
{
    auto canvas = std::make_unique<Canvas>(width, height);
    platform::OwnedBitmap picture(platform::WindowPicture(hwnd));
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.Get(), picture.Get());
    BitBlt(canvas->dc.Get(), 0, 0, width, height, dc.Get(), 0, 0, SRCCOPY);
    SelectObject(dc.Get(), old);
    return canvas;
}

class GridPaint : public GridHostTest {
protected:
    // Scrolls, checks that only a band narrower than half the client waits
    // to be painted, paints, and compares with a full repaint.
    void ExpectBandMatchesFullRepaint(const std::function<void(CHTMLGrid*)>& scroll, bool horizontal)
    {
        const int leftBefore = grid_->GetColLeft(grid_->GetLeftCol());
        scroll(grid_.get());
        RECT band{}, client{};
        GetClientRect(grid_->GetHwnd(), &client);
        ASSERT_TRUE(GetUpdateRect(grid_->GetHwnd(), &band, FALSE));
        EXPECT_EQ(grid_->GetPaintReason(), GRID_PAINT_SCROLLED);
        if (horizontal)
            EXPECT_EQ(band.right - band.left, std::abs(grid_->GetColLeft(grid_->GetLeftCol()) - leftBefore))
                << "only the uncovered columns wait";
        else
            EXPECT_LT(band.bottom - band.top, client.bottom / 2) << "only the uncovered band waits";
        Paint();
        auto scrolled = Picture(grid_->GetHwnd(), client.right, client.bottom);
        grid_->DestroyBitmapBuffer();
        InvalidateRect(grid_->GetHwnd(), nullptr, FALSE);
        Paint();
        auto full = Picture(grid_->GetHwnd(), client.right, client.bottom);
        int differing = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) differing += scrolled->At(x, y) != full->At(x, y);
        EXPECT_EQ(differing, 0);
    }
};

TEST_F(GridPaint, DayViewMatchesTheReviewedPicture)
{
    static const WCHAR* const kTimes[] = {u"", u"8:00", u"9:00", u"10:00", u"11:00", u"12:00", u"13:00", u"14:00"};
    floaterText_ = [](UINT_PTR id) {
        return id == 1 ? u"<B>Standup</B>\r\nRoom 2" : id == 2 ? u"Review with <FONT COLOR=#C00000>Ann</FONT>" : u"Lunch";
    };
    Make(false, 200, 160);
    grid_->BeginUpdate();
    grid_->SetDimensions(8, 3);
    grid_->SetFixedRowCount(1);
    grid_->SetFixedColCount(1);
    grid_->SetColWidth(0, 40);
    grid_->SetShowHLines(true);
    for (WORD r = 0; r < 8; ++r) {
        grid_->SetRowHeight(r, 19);
        grid_->SetCellText(0, r, kTimes[r]);
    }
    grid_->SetCellText(1, 0, u"<P CENTER><B>Mon</B>");
    grid_->SetCellText(2, 0, u"<P CENTER><B>Tue</B>");
    grid_->SetCellText(2, 2, u"Call <A=tel:5550>Bob</A>");
    grid_->EndUpdate();
    ASSERT_TRUE(grid_->AddFloater(1, 1, 1, 3, 100, 0, RGB(0, 120, 215), 0));
    ASSERT_TRUE(grid_->AddFloater(1, 2, 2, 3, 50, 25, RGB(200, 60, 0), 0));
    ASSERT_TRUE(grid_->AddFloater(1, 6, 3, 1, 100, 0, RGB(0, 150, 60), 0));
    ASSERT_TRUE(grid_->SetSelection(2, 4, 2, 5));
    Paint();
    RECT client{};
    GetClientRect(grid_->GetHwnd(), &client);
    auto picture = Picture(grid_->GetHwnd(), client.right, client.bottom);
    kstest::ExpectMatchesGolden(*picture, client.right, client.bottom, "grid_day");
}

TEST_F(GridPaint, ScrollingPaintsOnlyTheBandAndMatchesAFullRepaint)
{
    cellText_ = [](int row, int col) {
        static std::u16string texts[3];
        texts[col] = u"<B>Row</B> " + std::u16string(1, static_cast<char16_t>(u'A' + row % 26)) +
                     (row % 3 ? u"" : u"\r\nsecond line");
        return texts[col].c_str();
    };
    floaterText_ = [](UINT_PTR) { return u"Long appointment"; };
    Make(true, 200, 200);
    grid_->SetDimensions(500, 3);
    grid_->SetFixedRowCount(1);
    ASSERT_TRUE(grid_->AddFloater(2, 4, 7, 6, 100, 0, RGB(0, 120, 215), 0));
    Paint();
    struct Step {
        const char* name;
        std::function<void(CHTMLGrid*)> scroll;
    };
    const Step steps[] = {
        {"one row down", [](CHTMLGrid* g) { g->ScrollByRowDown(1); }},
        {"three rows down, into the floater", [](CHTMLGrid* g) { g->ScrollByRowDown(3); }},
        {"two rows up", [](CHTMLGrid* g) { g->ScrollByRowUp(2); }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        ExpectBandMatchesFullRepaint(s.scroll, false);
    }
}

TEST_F(GridPaint, ScrollingColumnsPaintsOnlyTheUncoveredColumns)
{
    cellText_ = [](int row, int col) {
        static std::u16string text;
        text = u"<B>C" + std::u16string(1, static_cast<char16_t>(u'0' + col)) + u"</B> r" +
               std::u16string(1, static_cast<char16_t>(u'a' + row % 26));
        return text.c_str();
    };
    floaterText_ = [](UINT_PTR) { return u"Across"; };
    Make(true, 240, 160);
    grid_->BeginUpdate();
    grid_->SetDimensions(30, 9);
    grid_->SetFixedRowCount(1);
    grid_->SetFixedColCount(1);
    for (WORD c = 0; c < 9; ++c) grid_->SetColWidth(c, 40);
    grid_->EndUpdate();
    ASSERT_TRUE(grid_->AddFloater(3, 2, 4, 3, 100, 0, RGB(0, 120, 215), 0));
    ASSERT_TRUE(grid_->SetSelection(2, 3, 3, 3));
    Paint();
    // By the bar: a column, a page (the first column not wholly shown comes
    // first), and back.
    const struct {
        WORD code;
        WORD left;
    } steps[] = {{SB_LINERIGHT, 2}, {SB_PAGERIGHT, 5}, {SB_LINELEFT, 4}, {SB_PAGELEFT, 1}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.code);
        ExpectBandMatchesFullRepaint([&](CHTMLGrid* g) { SendMessageW(g->GetHwnd(), WM_HSCROLL, s.code, 0); }, true);
        EXPECT_EQ(grid_->GetLeftCol(), s.left);
    }
}

}  // namespace

namespace {

TEST_F(GridPaint, CellPicturesShowTheThemeGradientTheSelectionAndIcons)
{
    cellText_ = [](int row, int) { return row == 2 ? u"<IMG SRC=213> Remind" : u"Plain"; };
    // A cell's picture: its top and bottom pixels right of the text, and
    // whether the bell's outline is in it.
    auto look = [this](WORD row) {
        platform::OwnedBitmap bitmap(grid_->GetCellBitmap(0, row));
        platform::OwnedDc dc(CreateCompatibleDC(nullptr));
        SelectObject(dc.Get(), bitmap.Get());
        const int x = grid_->GetColWidth(0) - 3, h = grid_->GetRowHeight(row);
        bool bell = false;
        for (int y = 0; y < h; ++y)
            for (int px = 0; px < 20; ++px) bell |= GetPixel(dc.Get(), px, y) == RGB(0x30, 0x30, 0x38);
        return std::tuple{GetPixel(dc.Get(), x, 0), GetPixel(dc.Get(), x, h - 1), bell};
    };
    const COLORREF white = RGB(255, 255, 255), selection = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF top = GetThemeColor(THEME_GRADIENT_TOP), bottom = GetThemeColor(THEME_GRADIENT_BOTTOM);
    ASSERT_NE(top, bottom);
    const struct {
        const char* name;
        bool gradient, selected;
        COLORREF top, bottom;
    } cases[] = {
        {"no gradient", false, false, white, white},
        {"the theme's gradient", true, false, top, bottom},
        {"selected over a gradient", true, true, selection, selection},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        CHTMLGrid::SetGradientDrawSupported(c.gradient);
        Make(true);
        grid_->SetDimensions(5, 2);
        if (c.selected) grid_->SetSelection(0, 1, 0, 2);
        for (WORD row : {1, 2}) EXPECT_EQ(look(row), std::tuple(c.top, c.bottom, row == 2)) << row;
    }
    CHTMLGrid::SetGradientDrawSupported(false);
    EXPECT_EQ(grid_->GetCellBitmap(0, 40), nullptr);

    // The ready-made procedure: red shades deeper down the cell, selected
    // its inverse, cyan; a cell without a colour is left to the grid.
    grid_->SetCellOwnerDrawProc(CHTMLGrid::ColourCellDrawProc);
    grid_->SetSelection(0, 3, 0, 3);
    for (WORD row : {1, 3, 4}) grid_->SetCellData(0, row, row == 4 ? 0 : RGB(200, 0, 0));
    auto redness = [](COLORREF p) { return GetGValue(p) == GetBValue(p) ? GetRValue(p) - GetGValue(p) : 999; };
    const auto [redTop, redBottom, bell1] = look(1);
    const auto [cyanTop, cyanBottom, bell3] = look(3);
    EXPECT_LT(0, redness(redTop));
    EXPECT_LT(redness(redTop), redness(redBottom));
    EXPECT_GT(0, redness(cyanTop));
    EXPECT_GT(redness(cyanTop), redness(cyanBottom));
    EXPECT_EQ(std::get<0>(look(4)), white);
}

}  // namespace
