#include "grid/html_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/grid_alignment.h"
#include "grid/grid_notify.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_owner.h"
#include "tests/grid/markup_tokens.h"
#include "tests/support/test_windows.h"

namespace {

using kstest::DescribeTokens;
using kstest::Parse;

struct Case {
    const char16_t* markup;
    const char* tokens;
};

void ExpectTokens(const std::vector<Case>& cases, HWND owner = nullptr, DWORD scaling = 0)
{
    for (const Case& c : cases) EXPECT_EQ(Parse(c.markup, owner, scaling), c.tokens) << WideToUtf8(c.markup);
}

TEST(HtmlParser, EachTagSetsTheStyleOfTheTextAfterIt)
{
    ExpectTokens({
        {u"<B>b</B>n<Q>q</Q>", "text \"b\" w=700 | text \"n\" | text \"q\" w=800"},
        {u"<I><U><S>x</I>y</U></S>z", "text \"x\" i u s | text \"y\" u s | text \"z\""},
        {u"<\u2022>x</\u2022>y<\u2022 more>z", "text \"x\" s | text \"y\" | text \"z\" s"},
        {u"<V>x</V>y", "text \"x\" fg=FFFFFF bg=800000 | text \"y\" bg=FFFFFF"},
        {u"<EDITABLE 1>e</EDITABLE>f", "text \"e\" ed | text \"f\""},
        {u"<A=\"mailto:x y\" z>m</A>n<A=p q>r", "text \"m\" link=mailto:x y | text \"n\" | text \"r\" link=p q"},
        {u"<P CENTER>c<P RIGHT>r<P LEFTINDENT>l<P CENTER>m</P>d",
         "text \"c\" al=811 | text \"r\" al=812 | text \"l\" | text \"m\" al=811 | text \"d\""},
        {u"<BODY BGCOLOR=#00FF80>x<BODY>y", "text \"x\" bg=80FF00 | text \"y\" bg=80FF00"},
        {u"</BODY>x", "text \"x\""},
    });
}

TEST(HtmlParser, FontTagsSetSizeFaceAndColours)
{
    ExpectTokens({
        {u"<FONT SIZE=-2>x", "text \"x\" bg=FFFFFF h=9"},
        {u"<FONT SIZE=2 NAME=\"Courier New\" COLOR=#00FF00 BGCOLOR=#0000FF>x",
         "text \"x\" fg=00FF00 bg=FF0000 h=13 face=Courier New"},
        {u"<FONT NAME=Arial SIZE=1>a<FONT COLOR=#123456>b",
         "text \"a\" bg=FFFFFF h=12 face=Arial | text \"b\" fg=563412 bg=FFFFFF h=12"},
        // "</FONT>" restores the colour the FONT tag set, not black.
        {u"<FONT COLOR=#FF0000>r</FONT>x", "text \"r\" fg=0000FF bg=FFFFFF | text \"x\" fg=0000FF bg=FFFFFF"},
        {u"<FONT BGCOLOR=#0000FF>a<FONT SIZE=1>b", "text \"a\" bg=FF0000 | text \"b\" bg=FFFFFF h=12"},
        {u"<BODY #00FF00><FONT SIZE=0>a<B>b</FONT>c", "text \"a\" bg=00FF00 | text \"b\" bg=00FF00 w=700 | text \"c\" bg=00FF00"},
        {u"<FONT NAME=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789>x",
         "text \"x\" bg=FFFFFF face=ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"},
        {u"<FONT NAME=\"a>b\" COLOR=#GG0010>x", "text \"x\" fg=100000 bg=FFFFFF face=a>b"},
        {u"<FONT COLOR=#1>x", "text \"x\" fg=000001 bg=FFFFFF"},
    });
}

TEST(HtmlParser, BreaksTabsSpansAndEdges)
{
    ExpectTokens({
        {u"a\r\n\r\nb\n\rc\rd", "text \"a\" | br | text \"b\" | br | text \"c\" | br | text \"d\""},
        {u"a<BR><BR>b", "text \"a\" | br | br | text \"b\""},
        {u"a<TB>b<EDGE>", "text \"a\" | tab | text \"b\" | edge"},
        {u"<SPAN></SPAN>x", "text \"x\""},
        {u"<SPAN>x</SPAN></SPAN>", "span | text \"x\" | /span | /span"},
        {u"<P JUSTIFY>a<P JUSTIFY>b<P X>c", "text \"a\" | br | text \"b\" | br | text \"c\""},
        // Tab, edge and tag breaks take the alignment of the token before
        // them; spans and line breaks the alignment in force.
        {u"<P CENTER>a<P RIGHT><TB><BR><EDGE>\nb", "text \"a\" al=811 | tab al=811 | br al=811 | edge al=811 | br al=812 | text \"b\" al=812"},
        {u"<P CENTER>a<P RIGHT><SPAN>b</SPAN>", "text \"a\" al=811 | span al=812 | text \"b\" al=812 | /span al=812"},
        {u"<P RIGHT><BR>", "br"},
    });
}

TEST(HtmlParser, WhatIsNotATagIsShownAsText)
{
    ExpectTokens({
        {u"<b>x</b>", "text \"<b>x\" | text \"</b>\""},
        {u"<P>x", "text \"<P>x\""},
        {u"<B >x<BR/>y", "text \"<B >x\" | text \"<BR/>y\""},
        {u"<B <I>x", "text \"<B \" | text \"x\" i"},
        {u"<B<I>x", "text \"x\" w=700 i"},
        {u"a<>b", "text \"a\" | text \">b\""},
        {u"a>b<", "text \"a>b\""},
        {u"<<B>x", "text \"<\" | text \"x\" w=700"},
        {u"x<<<", "text \"x<<\""},
        {u"<", ""},
        {u"<B", ""},
        {u"<FONT NAME=\"open>x", ""},
        {u"<IMG SRC=1>x<IMG>", "text \"x\""},
        {u"IB", "text \"IB\""},
    });
}

TEST(HtmlParser, GridAlignmentsAreOredIntoLeftAndRightParagraphs)
{
    ASSERT_TRUE(SetGridLeftAlignment(2));
    ASSERT_TRUE(SetGridRightAlignment(0));
    EXPECT_FALSE(SetGridLeftAlignment(1));
    EXPECT_EQ(Parse(u"<P LEFT>l<P RIGHT>r"), "text \"l\" al=812 | text \"r\"");
    SetGridLeftAlignment(0);
    SetGridRightAlignment(2);
    EXPECT_EQ(GetLeftDefine(), 0u);
    EXPECT_EQ(GetRightDefine(), 2u);
}

TEST(HtmlParser, FontSizesFollowTheScreenScaleAndTheIdeographicFlag)
{
    platform::SetDisplayScale(2);
    const bool ideographic = CHTMLParser::IsIdeographicSystem();
    CHTMLParser parser;
    parser.SetHTML(u"x<FONT SIZE=1>y<B>z</B>w<Q>q");
    CHTMLParser::SetIdeographicSystem(true);
    parser.ParseHTML(nullptr);
    EXPECT_EQ(DescribeTokens(parser, 22),
              "text \"x\" | text \"y\" bg=FFFFFF h=24 | text \"z\" bg=FFFFFF h=26 | text \"w\" bg=FFFFFF h=24 | "
              "text \"q\" bg=FFFFFF h=26");
    CHTMLParser::SetIdeographicSystem(false);
    parser.ParseHTML(nullptr);
    EXPECT_EQ(DescribeTokens(parser, 22),
              "text \"x\" | text \"y\" bg=FFFFFF h=24 | text \"z\" bg=FFFFFF w=700 h=24 | text \"w\" bg=FFFFFF h=24 | "
              "text \"q\" bg=FFFFFF w=800 h=24");
    CHTMLParser::SetIdeographicSystem(ideographic);
    platform::SetDisplayScale(1);
}

TEST(HtmlParser, OverLongTagsAndMarkUp)
{
    std::u16string padded = u"<FONT NAME=Arial";
    padded.append(6000, u' ').append(u"SIZE=3>x");
    EXPECT_EQ(Parse(padded.c_str()), "text \"x\" bg=FFFFFF h=14 face=Arial");
    std::u16string unknown(6002, u'Z');
    unknown.front() = u'<';
    unknown.back() = u'>';
    std::string shown = "text \"<";
    shown.append(6000, 'Z').append(">\"");
    EXPECT_EQ(Parse(unknown.c_str()), shown);

    std::u16string link(5200, u'L');
    std::u16string many = u"<A=" + link + u">";
    for (int i = 0; i < 2000; ++i) many += u"<B>x</B>y";
    CHTMLParser parser;
    parser.SetHTML(many.c_str());
    parser.ParseHTML(nullptr);
    EXPECT_EQ(parser.GetTokenCount(), 4000);
    parser.FirstToken();
    for (int i = 1; i < 4000; ++i) parser.NextToken();
    EXPECT_TRUE(parser.IsLastToken());
    int linkLength = 0;
    EXPECT_EQ(parser.GetCurrHREF(&linkLength), link);
    EXPECT_EQ(linkLength, 5200);
}

TEST(HtmlParser, CursorGettersAndBookmark)
{
    CHTMLParser parser;
    EXPECT_FALSE(parser.FirstToken());
    EXPECT_FALSE(parser.SetHTML(nullptr));
    parser.SetHTML(u"<BODY 123456><P CENTER>");
    parser.ParseHTML(nullptr);
    int length = -1;
    EXPECT_EQ(parser.GetCurrToken(&length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(parser.GetCurrTextAlign(), 0x810u);
    EXPECT_EQ(parser.GetBackColor(false), RGB(0x12, 0x34, 0x56));

    parser.SetHTML(u"<A=x>a<TB>b");
    parser.ParseHTML(nullptr);
    EXPECT_EQ(parser.GetBackColor(true), RGB(255, 255, 255));  // BODY does not outlive its parse
    ASSERT_TRUE(parser.FirstToken());
    parser.GotoBookmark();  // nothing saved yet
    EXPECT_EQ(parser.GetCurrHREF(&length), std::u16string(u"x"));
    EXPECT_EQ(length, 1);
    parser.NextToken();
    parser.SetBookmark();
    EXPECT_FALSE(parser.IsTokenVisibleText());
    EXPECT_EQ(parser.GetCurrHREF(&length), nullptr);
    EXPECT_EQ(parser.GetCurrToken(&length), std::u16string(u"TB"));
    parser.NextToken();
    EXPECT_TRUE(parser.IsLastToken());
    parser.NextToken();
    EXPECT_TRUE(parser.EndOfTokens());
    parser.GotoBookmark();
    EXPECT_EQ(parser.GetCurrTokenType(), TOKEN_TAB);
    parser.ParseHTML(nullptr);  // drops the bookmark
    parser.NextToken();
    parser.NextToken();
    parser.GotoBookmark();
    EXPECT_EQ(parser.GetCurrToken(nullptr), std::u16string(u"b"));
}

TEST(HtmlParser, GetTextJoinsTextTokensWithinTheBuffer)
{
    CHTMLParser parser;
    parser.SetHTML(u"<EDITABLE>ab</EDITABLE>cd<TB><EDITABLE><B>ef");
    parser.ParseHTML(nullptr);
    parser.FirstToken();
    const HFONT first = parser.GetCurrFont();
    for (int i = 0; i < 3; ++i) parser.NextToken();
    const HFONT last = parser.GetCurrFont();
    struct Row {
        int cch;
        bool editableOnly;
        const char16_t* text;
        HFONT font;
    };
    const Row rows[] = {{64, false, u"abcdef", last}, {64, true, u"abef", last}, {4, false, u"abc", nullptr},
                        {3, true, u"ab", first},      {1, false, u"", nullptr}};
    for (const Row& r : rows) {
        WCHAR buf[64];
        std::fill(std::begin(buf), std::end(buf), u'#');
        HFONT font = parser.GetText(buf, r.cch, r.editableOnly);
        EXPECT_EQ(std::u16string(buf), r.text) << r.cch;
        if (r.font) {
            EXPECT_EQ(font, r.font) << r.cch;
        }
        EXPECT_TRUE(parser.EndOfTokens());
    }
    EXPECT_EQ(parser.GetText(nullptr, 10, false), nullptr);
}

TEST(HtmlParser, TokenFontsGoWithTheirTokens)
{
    std::vector<HFONT> fonts;
    {
        CHTMLParser parser;
        parser.SetHTML(u"a<B>b");
        parser.ParseHTML(nullptr);
        for (parser.FirstToken(); !parser.EndOfTokens(); parser.NextToken()) fonts.push_back(parser.GetCurrFont());
        parser.ParseHTML(nullptr);  // the first parse's fonts are gone
        for (parser.FirstToken(); !parser.EndOfTokens(); parser.NextToken()) fonts.push_back(parser.GetCurrFont());
        CHTMLParser moved(std::move(parser));
        EXPECT_EQ(moved.GetTokenCount(), 2);
        EXPECT_EQ(parser.GetTokenCount(), 0);
        EXPECT_FALSE(DeleteObject(fonts[0]));
        EXPECT_EQ(GetObjectW(fonts[3], 0, nullptr), static_cast<int>(sizeof(LOGFONTW)));
    }
    for (HFONT f : fonts) EXPECT_FALSE(DeleteObject(f));
}

// An owner window that answers image requests by name: "icon" (16 x 16, from
// the icon set), "none" (refused), "null" (accepted without a bitmap), any
// other name a 40 x 30 file bitmap.
class ImageOwner {
public:
    ImageOwner()
        : icon_(CreateCompatibleBitmap(nullptr, 16, 16)), file_(CreateCompatibleBitmap(nullptr, 40, 30)),
          window_([this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
              if (message != WM_NOTIFY) return DefWindowProcW(hwnd, message, wParam, lParam);
              auto* request = reinterpret_cast<NM_IMAGENOTIFY*>(lParam);
              if (request->hdr.code != GN_IMAGENOTIFY || request->hdr.hwndFrom != hwnd) return 0;
              std::u16string name = request->name;
              EXPECT_EQ(request->hdr.idFrom, name.size());
              names.push_back(name);
              if (onRequest) onRequest();
              if (name == u"none") return 0;
              if (name == u"null") return 1;
              request->isIcon = name == u"icon";
              request->bitmap = request->isIcon ? icon_.Get() : file_.Get();
              return 1;
          })
    {
    }
    HWND Hwnd() const { return window_.Hwnd(); }
    HBITMAP File() const { return file_.Get(); }
    std::vector<std::u16string> names;
    std::function<void()> onRequest;

private:
    platform::OwnedBitmap icon_;
    platform::OwnedBitmap file_;
    kstest::OwnWindow window_;
};

TEST(HtmlParser, ImagesComeFromTheOwnerWindow)
{
    ImageOwner owner;
    std::u16string longest(259, u'n');
    std::u16string tooLong(260, u'n');
    ExpectTokens(
        {
            {u"<IMG SRC=12 NODRAW>", "img \"12\" nodraw"},
            {u"<IMG SIZE=5 SRC=\"a b.bmp\" SIZE=20>", "img \"a b.bmp\" ih=20"},
            {u"<IMG SRC=x.bmp NODRAW \"y\">", "img \"x.bmp NODRAW \" nodraw"},
            {u"<P CENTER>a<IMG SRC=f>", "text \"a\" al=811 | img \"f\" al=811"},
            {u"<IMG SRC=none>a<IMG SRC=null>", "text \"a\""},
            {(u"<IMG SRC=" + longest + u">").c_str(), ("img \"" + std::string(259, 'n') + "\"").c_str()},
            {(u"<IMG SRC=" + tooLong + u">").c_str(), ""},
        },
        owner.Hwnd());
    EXPECT_EQ(owner.names, (std::vector<std::u16string>{u"12", u"a b.bmp", u"x.bmp NODRAW ", u"f", u"none", u"null",
                                                         longest}));
}

TEST(HtmlParser, BitmapScalingModesAdjustTheWantedHeight)
{
    ImageOwner owner;
    struct Row {
        DWORD mode;
        const char16_t* markup;
        const char* tokens;
    };
    const Row rows[] = {
        {0, u"<IMG SRC=icon><IMG SRC=f SIZE=31>", "img \"icon\" | img \"f\" ih=31"},
        {1, u"<IMG SRC=icon><IMG SRC=f SIZE=31>", "img \"icon\" | img \"f\" ih=31"},
        {2, u"<IMG SRC=icon><IMG SRC=icon SIZE=9><IMG SRC=f>", "img \"icon\" ih=-1 | img \"icon\" ih=9 | img \"f\""},
        {3, u"<IMG SRC=f SIZE=31><IMG SRC=f SIZE=30><IMG SRC=f>", "img \"f\" ih=-1 | img \"f\" ih=30 | img \"f\""},
        {4, u"<IMG SRC=icon><IMG SRC=f><IMG SRC=f SIZE=9>", "img \"icon\" | img \"f\" ih=-1 | img \"f\" ih=9"},
    };
    for (const Row& r : rows) EXPECT_EQ(Parse(r.markup, owner.Hwnd(), r.mode), r.tokens) << r.mode;
}

TEST(HtmlParser, AutomaticImageHeightsTakeTheTallestTextWhenScaling)
{
    ImageOwner owner;
    struct Row {
        DWORD mode;
        const char16_t* markup;
        DWORD height;
    };
    // The hint is the largest font height less the font scale.
    const Row rows[] = {{1, u"<FONT SIZE=3>t</FONT>u<IMG SRC=f>", 13}, {0, u"<FONT SIZE=3>t<IMG SRC=f>", 0},
                        {4, u"t<IMG SRC=f>", 0},                         {1, u"t<IMG SRC=f SIZE=7>", 7},
                        {1, u"<IMG SRC=f>", 0}};
    for (const Row& r : rows) {
        CHTMLParser parser;
        parser.SetBitmapScaling(r.mode);
        parser.SetHTML(r.markup);
        parser.ParseHTML(owner.Hwnd());
        parser.FirstToken();
        while (parser.GetCurrTokenType() != TOKEN_IMAGE && !parser.EndOfTokens()) parser.NextToken();
        DWORD height = 99;
        bool draw = false;
        EXPECT_EQ(parser.GetCurrTokenBitmap(height, draw), owner.File()) << WideToUtf8(r.markup);
        EXPECT_EQ(height, r.height) << WideToUtf8(r.markup);
        EXPECT_TRUE(draw);
    }
}

TEST(HtmlParser, TheOwnerMayParseOtherMarkUpWhileAnsweringButNotThisOne)
{
    ImageOwner owner;
    CHTMLParser outer;
    std::string inner;
    int again = -1;
    owner.onRequest = [&] {
        inner = Parse(u"<A=in><I>i\n<SPAN>x");
        again = outer.ParseHTML(owner.Hwnd());
    };
    outer.SetHTML(u"<A=out><B>a<IMG SRC=f>b");
    EXPECT_EQ(outer.ParseHTML(owner.Hwnd()), 1);
    EXPECT_EQ(again, 0);
    EXPECT_EQ(inner, "text \"i\" i link=in | br | span | text \"x\" i link=in");
    EXPECT_EQ(DescribeTokens(outer), "text \"a\" w=700 link=out | img \"f\" | text \"b\" w=700 link=out");
}

}  // namespace
