// Whole pictures of typical cells compared with reviewed ones in golden/: a
// picture differs when more than kMaxPixels pixels differ by more than
// kTolerance in a colour channel; the actual picture is then written to the
// build directory and both paths are printed. KSTOOLS_UPDATE_GOLDEN=1
// rewrites the reviewed pictures instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/gdi/png_writer.h"
#include "tests/grid/golden_compare.h"
#include "tests/grid/markup_canvas.h"

namespace {

using kstest::CountDifferences;
using kstest::kMaxPixels;

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
        const std::string expected = std::string(KSTOOLS_GOLDEN_DIR) + "/" + c.name + ".png";
        if (std::getenv("KSTOOLS_UPDATE_GOLDEN")) {
            EXPECT_TRUE(platform::WritePng(picture.bitmap.Get(), expected));
            continue;
        }
        const int differing = CountDifferences(picture, c.width, c.height, expected);
        if (differing < 0 || differing > kMaxPixels) {
            const std::string actual = std::string(KSTOOLS_TEST_HELPER_DIR) + "/" + c.name + ".actual.png";
            platform::WritePng(picture.bitmap.Get(), actual);
            ADD_FAILURE() << differing << " pixels differ (-1: unreadable)\n  expected " << expected << "\n  actual   "
                          << actual;
        }
    }
}

}  // namespace
