// Cell content of the grid: texts set and asked for again, rows and columns
// deleted, hot-spot targets, and the picture caches behind inline images.
#include <gtest/gtest.h>

#include "platform/gdi/bitmaps.h"
#include "platform/ui/clipboard.h"
#include "tests/grid/grid_host.h"

namespace {

using kstest::GridHostTest;

class GridContent : public GridHostTest {};

TEST_F(GridContent, NamesHashAsTheElfHash)
{
    // Reference values from an independent implementation of the ELF hash.
    const struct {
        std::u16string name;
        DWORD hash;
    } cases[] = {
        {u"", 0x0},
        {u"a", 0x61},
        {u"pic.png", 0x6f65737},
        {u"S12x", 0x56498},
        {u"\\Windows\\deep\\very_long_image_name.bmp", 0x48d9d10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CHTMLGrid::NameHash(c.name.data(), static_cast<int>(c.name.size())), c.hash);
}

TEST_F(GridContent, InlineImagesComeFromTheCachesOnce)
{
    Make(false);
    grid_->SetDimensions(4, 1);
    struct Case {
        const char* name;
        const WCHAR* markup;
        bool image;
        int parentAsks;  // GN_GETBITMAP messages for this case
    };
    const Case cases[] = {
        {"numbered picture", u"<IMG SRC=293> with a picture", true, 0},
        {"the same again, cached", u"again <IMG SRC=293>", true, 0},
        {"an icon where no bitmap has the number", u"<IMG SRC=213> bell", true, 0},
        {"number the set lacks", u"<IMG SRC=1>", false, 0},
        {"parent's picture", u"<IMG SRC=S_5x>", true, 1},
        {"parent's picture, cached", u"<IMG SRC=S_5x> twice", true, 0},
        {"missing file", u"<IMG SRC=nothere.png>", false, 0},
        {"no kind of name", u"<IMG SRC=xyz>", false, 0},
    };
    LRESULT parents = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log_.clear();
        // A parent's picture becomes the cache's.
        messageResult_ = c.parentAsks ? reinterpret_cast<LRESULT>(CreateCompatibleBitmap(nullptr, 8, 8)) : 0;
        if (c.parentAsks) parents = messageResult_;
        ASSERT_TRUE(grid_->SetCellText(0, 1, c.markup));
        tagCELLINFO* cell = grid_->FindCell(1, 0);
        ASSERT_NE(cell, nullptr);
        bool image = false;
        for (cell->FirstToken(); !cell->EndOfTokens(); cell->NextToken()) image |= cell->GetCurrTokenType() == TOKEN_IMAGE;
        EXPECT_EQ(image, c.image);
        EXPECT_EQ(static_cast<int>(Seen(GN_GETBITMAP).size()), c.parentAsks);
    }
    // Cells keep their pictures across a cleared cache: each is loaded
    // again rather than left pointing at a freed bitmap; the parent hands
    // back the picture it gave before.
    grid_->SetCellText(0, 2, u"<IMG SRC=S_5x>");
    grid_->SetCellText(0, 3, u"<IMG SRC=293>");
    log_.clear();
    messageResult_ = parents;
    grid_->ClearBitmapCache();
    EXPECT_EQ(Seen(GN_GETBITMAP).size(), 1u) << "a cleared cache asks again";
    for (WORD row : {2, 3}) {
        tagCELLINFO* cell = grid_->FindCell(row, 0);
        ASSERT_TRUE(cell->FirstToken());
        DWORD height = 0;
        bool draw = false;
        BITMAP info{};
        EXPECT_NE(GetObjectW(cell->GetCurrTokenBitmap(height, draw), sizeof info, &info), 0) << row;
    }
    messageResult_ = 0;
}

TEST_F(GridContent, TextsAreSetReadAndRequestedAgain)
{
    int version = 0;
    std::u16string answer;
    cellText_ = [&](int row, int col) {
        answer = u"<EDITABLE>r" + std::u16string(1, static_cast<char16_t>(u'0' + row)) + u"</EDITABLE> v" +
                 std::u16string(1, static_cast<char16_t>(u'0' + version));
        return answer.c_str();
    };
    Make(true);
    grid_->SetDimensions(6, 2);
    EXPECT_EQ(grid_->GetCellText(1, 2, false), u"r2 v0");
    EXPECT_EQ(grid_->GetCellText(1, 2, true), u"r2");
    EXPECT_EQ(grid_->GetCellText(1, 40, false), u"") << "outside the grid";
    version = 1;
    requests_.clear();
    grid_->UpdateCellText(1, 2);
    EXPECT_EQ(requests_, std::vector<DWORD>{GridCellKey(2, 1)});
    EXPECT_EQ(grid_->GetCellText(1, 2, false), u"r2 v1");
    EXPECT_EQ(grid_->GetCellText(0, 2, false), u"r2 v0");
    grid_->SetRowHeight(3, 60);
    grid_->UpdateRowText(3);
    EXPECT_EQ(grid_->GetCellText(0, 3, false), u"r3 v1");
    EXPECT_NE(grid_->GetRowHeight(3), 60) << "the row's own height is cleared";
    // Set directly in virtual mode: made without asking.
    requests_.clear();
    grid_->SetCellText(0, 5, u"<B>set</B>");
    EXPECT_EQ(grid_->GetCellText(0, 5, false), u"set");
    grid_->SetCellData(0, 5, 77);
    EXPECT_EQ(grid_->GetCellData(0, 5), 77u);
    grid_->SetRowUserID(4, 99);
    EXPECT_EQ(grid_->GetRowUserID(4), 99u);
    EXPECT_EQ(grid_->GetRowUserID(40), 0u);
}

TEST_F(GridContent, ACellSetAloneLaysOutAsTheWholeGridWould)
{
    // Each step sets one cell of a grid of set cells; the grid must come out
    // as one that is given all its texts at once and laid out whole.
    const std::u16string tall = u"a<BR>b<BR>c";
    std::u16string huge;
    for (int i = 0; i < 30; ++i) huge += u"line<BR>";
    const struct {
        const char* name;
        WORD row;
        std::u16string text;
    } steps[] = {
        {"a row grows", 3, tall},
        {"the same height again", 3, u"d<BR>e<BR>f"},
        {"a row passes the window: the bar comes", 5, huge},
        {"a row below grows under the bar", 9, tall},
        {"the long row shrinks: the bar goes", 5, u"short"},
        {"a row shrinks", 3, u"x"},
    };
    Make(false);
    grid_->SetDimensions(12, 2);
    std::vector<std::u16string> texts(12, u"x");
    for (WORD r = 0; r < 12; ++r) grid_->SetCellText(0, r, u"x");
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        texts[step.row] = step.text;
        grid_->SetCellText(0, step.row, step.text.c_str());
        RECT rc{0, 0, 240, 320};
        CHTMLGrid whole(parent_.Hwnd(), &rc, false, u"whole");
        whole.BeginUpdate();
        whole.SetDimensions(12, 2);
        for (WORD r = 0; r < 12; ++r) whole.SetCellText(0, r, texts[r].c_str());
        whole.EndUpdate();
        for (WORD r = 0; r < 12; ++r) EXPECT_EQ(grid_->GetRowHeight(r), whole.GetRowHeight(r)) << "row " << r;
        EXPECT_EQ(grid_->GetTotalHeight(), whole.GetTotalHeight());
        EXPECT_EQ(grid_->GetRowTop(11), whole.GetRowTop(11));
        EXPECT_EQ(grid_->GetColWidth(0), whole.GetColWidth(0)) << "the bar takes its width from both or neither";
    }
}

TEST_F(GridContent, HotSpotTargetsAreCopiedFromThePaintedCell)
{
    cellText_ = [](int, int) { return u"<A=first>one</A> and <A=second>two</A>"; };
    Make(true);
    grid_->SetDimensions(3, 1);
    EXPECT_EQ(grid_->GetCellHotSpot(0, 1, 0), nullptr) << "nothing painted yet";
    Paint();
    const struct {
        int index;
        std::u16string target;
    } cases[] = {{0, u"first"}, {1, u"second"}, {7, u"second"}};
    for (const auto& c : cases) {
        std::unique_ptr<WCHAR[]> target(grid_->GetCellHotSpot(0, 1, c.index));
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(std::u16string(target.get()), c.target);
    }
}

TEST_F(GridContent, DeletingRowsAndColumnsMovesCellsAndClampsTheRest)
{
    struct Case {
        const char* name;
        bool rows;
        WORD first, count;
        WORD expectRows, expectCols;
        WORD probeCol, probeRow;
        std::u16string probeText;
        WORD selRow;  // first selected row afterwards
    };
    const Case cases[] = {
        {"rows from the middle", true, 2, 3, 5, 4, 1, 2, u"c1r5", 4},
        {"rows past the end clamp the count", true, 6, 50, 6, 4, 1, 5, u"c1r5", 5},
        {"columns", false, 0, 2, 8, 2, 0, 1, u"c2r1", 6},
        {"nothing at the end", true, 8, 1, 8, 4, 3, 7, u"c3r7", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid_.reset();
        Make(false);
        grid_->SetDimensions(8, 4);
        for (WORD r = 0; r < 8; ++r)
            for (WORD col = 0; col < 4; ++col) {
                const std::u16string text = {u'c', static_cast<char16_t>(u'0' + col), u'r', static_cast<char16_t>(u'0' + r)};
                grid_->SetCellText(col, r, text.c_str());
            }
        grid_->SetSelection(3, 6, 3, 7);
        if (c.rows)
            grid_->DeleteRows(c.first, c.count);
        else
            grid_->DeleteCols(c.first, c.count);
        EXPECT_EQ(grid_->GetRowCount(), c.expectRows);
        EXPECT_EQ(grid_->GetColCount(), c.expectCols);
        EXPECT_EQ(grid_->GetCellText(c.probeCol, c.probeRow, false), c.probeText);
        WORD fc = 0, fr = 0, lc = 0, lr = 0;
        grid_->GetSelection(&fc, &fr, &lc, &lr);
        EXPECT_EQ(fr, c.selRow);
        EXPECT_LT(lr, grid_->GetRowCount());
        EXPECT_LT(lc, grid_->GetColCount());
    }
}

TEST_F(GridContent, CellsAndSelectionsAreCopiedAsPlainText)
{
    cellText_ = [](int row, int col) {
        static std::u16string text;
        text = u"<B>r" + std::u16string(1, static_cast<char16_t>(u'0' + row)) + u"</B>c" +
               std::u16string(1, static_cast<char16_t>(u'0' + col));
        return text.c_str();
    };
    Make(true);
    grid_->SetDimensions(500, 3);
    const struct {
        const char* name;
        std::function<bool(CHTMLGrid*)> copy;
        bool busy;  // someone else holds the clipboard open
        const char16_t* expected;  // null: nothing copied
    } cases[] = {
        {"a cell never shown", [](CHTMLGrid* g) { return g->CopyCellToClipBoard(2, 40); }, false, u"rXc2"},
        {"a block", [](CHTMLGrid* g) { return g->SetSelection(1, 2, 2, 3) && g->CopySelectedCellsToClipBoard(); },
         false, u"r2c1\tr2c2\r\nr3c1\tr3c2"},
        {"nothing selected", [](CHTMLGrid* g) { return g->CopySelectedCellsToClipBoard(); }, false, nullptr},
        {"outside the grid", [](CHTMLGrid* g) { return g->CopyCellToClipBoard(0, 600); }, false, nullptr},
        {"the clipboard is busy", [](CHTMLGrid* g) { return g->CopyCellToClipBoard(0, 1); }, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        grid_->EmptySelection();
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        if (!c.busy) CloseClipboard();
        EXPECT_EQ(c.copy(grid_.get()), c.expected != nullptr);
        if (c.busy) CloseClipboard();
        ASSERT_TRUE(OpenClipboard(nullptr));
        const auto* text = static_cast<const char16_t*>(GetClipboardData(CF_UNICODETEXT));
        EXPECT_EQ(text ? std::u16string(text) : u"-", c.expected ? c.expected : u"-");
        CloseClipboard();
    }
}

}  // namespace
