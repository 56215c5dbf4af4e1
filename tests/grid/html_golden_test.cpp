// Whole pictures of typical cells compared with reviewed ones in golden/
// (tests/grid/golden_compare.h says how).
#include <gtest/gtest.h>

#include "tests/grid/golden_compare.h"
#include "tests/grid/markup_canvas.h"

namespace {

struct GoldenCase {
    const char* name;
    std::u16string markup;
    int width;
    int height;
    int scale;
    int indent;
    DWORD flags;
};

class HtmlGolden : public kstest::MarkupTest {};

TEST_F(HtmlGolden, PicturesMatchTheReviewedOnes)
{
    const GoldenCase cases[] = {
        {"styles", u"Plain <B>bold</B> <I>italic</I> <U>under</U> <S>struck</S>\r\n"
                   u"<FONT COLOR=#C00000>red</FONT> <FONT SIZE=3 NAME=\"Tahoma\">large</FONT> "
                   u"<FONT SIZE=-2>small</FONT> <A=mailto:ann>linked</A> "
                   u"<FONT COLOR=#FFFFFF BGCOLOR=#3060C0>on blue</FONT><EDGE>",
         200, 64, 1, 0, 0},
        {"alignment", u"A long left-aligned paragraph that wraps with an indent\r\n"
                      u"<P CENTER>centred text that also wraps here<BR><P RIGHT>right\r\n"
                      u"<P LEFT>x<TB>tab",
         160, 96, 1, 12, 0},
        {"span", u"<SPAN><B>12:00</B><BR>13:30</SPAN>Project meeting with the whole team in the large room "
                 u"upstairs<EDGE>",
         180, 64, 1, 0, 0},
        {"images", u"<IMG SRC=i16x16> Call <IMG SRC=40x20 SIZE=10> back <IMG SRC=12x12 NODRAW>x", 200, 24, 1, 0, 0},
        {"selected", u"<FONT BGCOLOR=#FFFF00>Due</FONT> <B>today</B>: <A=t>report</A>", 160, 20, 1, 0,
         DRAWHTML_SELECTED},
        {"scale2", u"<SPAN>9:00</SPAN><B>Breakfast</B> with Ann and <FONT COLOR=#008000>Tom</FONT>", 240, 64, 2, 0, 0},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SetDisplayScale(c.scale);
        kstest::Canvas picture(c.width, c.height, c.flags ? RGB(0x20, 0x40, 0x90) : RGB(255, 255, 255));
        Parse(c.markup, 1);
        RECT rc{2, 2, c.width - 2, c.height};
        DrawHTML(picture.dc.Get(), &rc, static_cast<unsigned short>(c.indent), &parser_, nullptr, c.flags,
                 DRAWHTML_HIGHLIGHTTEXT);
        kstest::ExpectMatchesGolden(picture, c.width, c.height, c.name);
    }
}

}  // namespace
