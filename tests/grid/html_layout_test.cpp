// Where DrawHTML puts things, read from the hot spots it reports and the
// extents it measures, on the pinned test font; expected positions come from
// the font's own extents.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gdi/text_output.h"
#include "tests/grid/markup_canvas.h"

namespace {

using kstest::MarkupTest;

// A hot spot expected over `text` on line `line`, starting `left` pixels in.
struct Piece {
    std::u16string text;
    int line;
    int left;
};

struct FlowCase {
    const char* name;
    std::u16string markup;
    int width;  // above 32000: one line
    int indent;
    std::vector<Piece> pieces;
};

class HtmlLayout : public MarkupTest, public ::testing::WithParamInterface<int> {};

TEST_P(HtmlLayout, LinesBreakAlignAndIndentWhereExpected)
{
    platform::SetDisplayScale(GetParam());
    auto W = [this](const char16_t* s) { return Width(s); };
    const int narrow = W(u"one two thr");
    const int both = W(u"left") + W(u"right");
    int breaking = 0;  // holds "aaaa", a break character and one more "a"
    for (const char16_t* c : {u"aaaa;a", u"aaaa,a", u"aaaa[a", u"aaaa]a", u"aaaa+a", u"aaaa/a"})
        breaking = std::max(breaking, W(c));
    const FlowCase cases[] = {
        {"breaks after the blank", u"<A=x>one two three", narrow, 0, {{u"one two ", 0, 0}, {u"three", 1, 0}}},
        {"every break character", u"<A=x>aaaa;aaaa,aaaa[aaaa]aaaa+aaaa/aaaa", breaking, 0,
         {{u"aaaa;", 0, 0}, {u"aaaa,", 1, 0}, {u"aaaa[", 2, 0}, {u"aaaa]", 3, 0}, {u"aaaa+", 4, 0}, {u"aaaa/", 5, 0},
          {u"aaaa", 6, 0}}},
        {"break character first in a run", u"<A=x>aaaa</A><A=y>-bbb", W(u"aaaa-b"), 0,
         {{u"aaaa", 0, 0}, {u"-", 0, W(u"aaaa")}, {u"bbb", 1, 0}}},
        {"long word at the last fitting character", u"<A=x>abcdefghij", W(u"abcde") + 1, 0,
         {{u"abcde", 0, 0}, {u"fghij", 1, 0}}},
        {"hyphen stays on the first line", u"<A=x>well-known", W(u"well-kn"), 0, {{u"well-", 0, 0}, {u"known", 1, 0}}},
        {"continuation indent", u"<A=x>one two three", narrow, 7, {{u"one two ", 0, 0}, {u"three", 1, 7}}},
        {"indent after a break", u"<A=x>a<BR>b", 100, 7, {{u"a", 0, 0}, {u"b", 1, 7}}},
        {"one line is clipped, not wrapped", u"<A=x>one two three", 32000 + W(u"one"), 0, {{u"one two three", 0, 0}}},
        {"centred after a break: no indent", u"<P CENTER><A=x>a<BR>bb", 100, 7,
         {{u"a", 0, (100 - W(u"a")) / 2}, {u"bb", 1, (100 - W(u"bb")) / 2}}},
        {"centred wrap is indented", u"<P CENTER><A=x>one two three", narrow, 4,
         {{u"one two ", 0, (narrow - W(u"one two ")) / 2}, {u"three", 1, (narrow - W(u"three")) / 2 + 4}}},
        {"right aligned, never indented", u"<A=x>a<BR><P RIGHT>bb", 100, 7, {{u"a", 0, 0}, {u"bb", 1, 100 - W(u"bb")}}},
        {"right part on the same line", u"<A=x>left</A><P RIGHT><A=y>right", both + 3, 0,
         {{u"left", 0, 0}, {u"right", 0, 3 + W(u"left")}}},
        {"right part closes a full line", u"<A=x>left</A><P RIGHT><A=y>right", both - 1, 0,
         {{u"left", 0, 0}, {u"right", 1, both - 1 - W(u"right")}}},
        {"tab to the middle", u"<A=x>x<TB>y", 101, 0, {{u"x", 0, 0}, {u"y", 0, 50}}},
        {"nothing fits: dropped, not looping", u"<A=x>WW", 2, 0, {}},
        {"no width", u"<A=x>WW", 0, 0, {}},
        {"negative width", u"<A=x>WW", -40, 0, {}},
    };
    const int lh = LineHeight();
    for (const FlowCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CHotSpotArray spots = Draw(c.markup, {0, 0, c.width, 200}, c.indent);
        ASSERT_EQ(spots.size(), c.pieces.size());
        for (size_t i = 0; i < spots.size(); ++i) {
            const RECT& a = spots[i].area;
            const Piece& p = c.pieces[i];
            EXPECT_EQ(a.left, p.left) << WideToUtf8(p.text);
            EXPECT_EQ(a.right, p.left + Width(p.text)) << WideToUtf8(p.text);
            EXPECT_EQ(a.top, p.line * lh) << WideToUtf8(p.text);
            EXPECT_EQ(a.bottom, a.top + lh) << WideToUtf8(p.text);
        }
    }
}

TEST_P(HtmlLayout, SpanBoxSitsAtTheRightAndTextFlowsLeftOfIt)
{
    platform::SetDisplayScale(GetParam());
    const int width = 150 * GetParam();
    const int margin = 2 * GetParam();
    CHotSpotArray spots = Draw(u"<SPAN><A=s>12:00</A></SPAN><A=t>Meeting about the plans for the whole of next year",
                               {0, 0, width, 300});
    ASSERT_GE(spots.size(), 3u);
    const int boxLeft = width - margin - Width(u"12:00");
    EXPECT_EQ(spots[0].area.left, boxLeft);
    EXPECT_EQ(spots[0].area.top, 0);
    EXPECT_EQ(spots[1].area.left, 0);
    EXPECT_EQ(spots[1].area.top, 0);
    EXPECT_LE(spots[1].area.right, boxLeft);
    EXPECT_GT(spots[2].area.right, boxLeft) << "below the box the text takes the full width";

    // A long span is held to 40 % of the width and wraps inside its box.
    spots = Draw(u"<SPAN><A=s>a long span of text that wraps</A></SPAN>x", {0, 0, width, 300});
    ASSERT_GE(spots.size(), 2u);
    for (const HTMLHOTSPOT& s : spots) {
        EXPECT_LE(s.area.right - s.area.left, width * 2 / 5);
        EXPECT_GE(s.area.left, width - margin - width * 2 / 5);
    }
    EXPECT_EQ(spots.back().area.top, (static_cast<int>(spots.size()) - 1) * LineHeight());
}

INSTANTIATE_TEST_SUITE_P(Scales, HtmlLayout, ::testing::Values(1, 2));

TEST_F(MarkupTest, ImagesAreScaledByTheirModeTheTextAndTheRectangle)
{
    struct Case {
        const char16_t* markup;
        DWORD scaling;
        RECT rect;
        int width;  // 0: no image laid out
    };
    // Default text gives an automatic image height of 10.
    const Case cases[] = {
        {u"<IMG SRC=40x20>", 0, {0, 0, 200, 50}, 40},
        {u"x<IMG SRC=40x20>", 1, {0, 0, 200, 50}, 20},
        {u"<IMG SRC=40x20 SIZE=30>", 0, {0, 0, 200, 50}, 60},
        {u"<IMG SRC=40x20 SIZE=21>", 0, {0, 0, 200, 50}, 40},  // a border's width taller: natural size
        {u"<IMG SRC=40x20 SIZE=22>", 0, {0, 0, 200, 50}, 44},
        {u"<IMG SRC=40x20 SIZE=30>", 3, {0, 0, 200, 50}, 40},  // images only shrink
        {u"<IMG SRC=40x20 SIZE=10>", 3, {0, 0, 200, 50}, 20},
        {u"x<IMG SRC=i40x20>", 2, {0, 0, 200, 50}, 40},  // icons keep their size
        {u"x<IMG SRC=40x20>", 2, {0, 0, 200, 50}, 20},
        {u"x<IMG SRC=40x20>", 4, {0, 0, 200, 50}, 40},  // file bitmaps keep theirs
        {u"<IMG SRC=40x20>", 0, {0, 0, 30, 50}, 28},     // wider than the rectangle
        {u"<IMG SRC=40x20>", 0, {0, 0, 200, 12}, 20},    // kept 2 pixels above the bottom
        {u"<IMG SRC=40x20 NODRAW>", 0, {0, 0, 200, 50}, 40},
        {u"<IMG SRC=1x20>", 0, {0, 0, 200, 50}, 0},
        {u"<IMG SRC=20x1>", 0, {0, 0, 200, 50}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.markup));
        const CHotSpotArray spots = Draw(c.markup, c.rect, 0, c.scaling);
        if (c.width == 0) {
            EXPECT_TRUE(spots.empty());
            continue;
        }
        ASSERT_EQ(spots.size(), 1u);
        EXPECT_EQ(spots[0].area.right - spots[0].area.left, c.width);
        const std::u16string named = u"SRC=" + std::u16string(spots[0].target);
        EXPECT_TRUE(std::u16string(c.markup).find(named + u">") != std::u16string::npos ||
                    std::u16string(c.markup).find(named + u" ") != std::u16string::npos);
    }
}

TEST_F(MarkupTest, MeasuredExtents)
{
    const int lh = LineHeight();
    struct Case {
        std::u16string markup;
        int right;
        int bottom;
        int width = 200;
        int indent = 0;
    };
    const Case cases[] = {
        {u"", 0, 0},
        {u"abc", Width(u"abc"), lh},
        {u"a<BR>bbb", Width(u"bbb"), 2 * lh},
        {u"a<BR>bbb", 9 + Width(u"bbb"), 2 * lh, 200, 9},
        {u"abc<EDGE>", Width(u"abc"), lh + 2},
        {u"<SPAN>a<BR>b<BR>c</SPAN>x", 200, 3 * lh},
        {u"<IMG SRC=40x20>", 40, 20},  // not kept above a measuring rectangle's bottom
        {u"<IMG SRC=40x20>", 28, 14, 30},
        {u"one two three", Width(u"one two three"), lh, 32000 + 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.markup));
        const RECT m = Measure(c.markup, {5, 7, 5 + c.width, 7}, c.indent);
        EXPECT_EQ(m.left, 5);
        EXPECT_EQ(m.right, 5 + c.right);
        EXPECT_EQ(m.bottom, 7 + c.bottom);
    }
}

TEST_F(MarkupTest, HotSpotsAreEmptiedAndTargetsCut)
{
    CHotSpotArray spots(3);
    Parse(u"no links here");
    RECT rc{0, 0, 200, 50};
    DrawHTML(canvas_.dc.Get(), &rc, 0, &parser_, &spots, 0, 0);
    EXPECT_TRUE(spots.empty());

    const std::u16string target(300, u'z');
    spots = Draw(u"a <A=" + target + u">link</A> b", {10, 20, 210, 100});
    ASSERT_EQ(spots.size(), 1u);
    EXPECT_EQ(std::u16string(spots[0].target), target.substr(0, 259));
    EXPECT_EQ(spots[0].area.left, Width(u"a "));
    EXPECT_EQ(spots[0].area.top, 0) << "relative to the rectangle";
}

TEST_F(MarkupTest, EllipsisShortensUntilTheTextFits)
{
    const std::u16string text = u"abcdefghij";
    const platform::OwnedFont font = DefaultFont();
    const std::pair<int, std::u16string> cases[] = {
        {Width(text), text},
        {Width(u"abcde\u2026"), u"abcde\u2026"},
        {Width(u"abcde\u2026") - 1, u"abcd\u2026"},
        {1, u"a\u2026"},  // never shorter than two characters
    };
    for (const auto& [width, expected] : cases) {
        kstest::Canvas actual(120, 20), oracle(120, 20);
        SelectObject(actual.dc.Get(), font.Get());
        SelectObject(oracle.dc.Get(), font.Get());
        RECT a{0, 0, width, 20}, o{0, 0, 120, 20};
        DrawTextEndEllipsis(actual.dc.Get(), text.c_str(), a, DT_LEFT);
        DrawTextW(oracle.dc.Get(), expected.c_str(), -1, &o, DT_LEFT);
        int differing = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < width; ++x) differing += actual.At(x, y) != oracle.At(x, y);
        EXPECT_EQ(differing, 0) << "width " << width << ": " << WideToUtf8(expected);
    }
}

TEST_F(MarkupTest, MegabyteOfMarkupIsLaidOutInBoundedTime)
{
    // Long paragraphs wrap over tens of thousands of lines: fitting a line
    // must cost that line, not the rest of its paragraph.
    std::u16string markup;
    while (markup.size() < (1u << 20)) {
        markup += u"<B>Notes</B> <A=n>and links</A>\r\n";
        for (int i = 0; i < 2000; ++i) markup += u"word, ";
        markup += u"\r\n";
    }
    markup += std::u16string(1 << 16, u'x');  // and one word far wider than the box
    const RECT m = Measure(markup, {0, 0, 240, 0});
    EXPECT_GT(m.bottom, 20000 * LineHeight());
    EXPECT_LE(m.right, 240);
    RECT rc{0, 0, 240, 200};
    CHotSpotArray spots;
    DrawHTML(canvas_.dc.Get(), &rc, 0, &parser_, &spots, 0, 0);
    EXPECT_GT(spots.size(), 80u);
}

}  // namespace
