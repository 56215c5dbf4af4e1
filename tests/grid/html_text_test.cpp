#include "grid/html_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "platform/text/utf8.h"

namespace {

// The HTML 4 entities of code points 160-255 and the four mark-up
// characters, as Python's html.entities.name2codepoint lists them:
//   python3 -c "import html.entities as h; print(' '.join(f'{n}={c}' for n, c in
//     sorted(h.name2codepoint.items(), key=lambda e: e[1]) if 160 <= c <= 255 or
//     n in ('quot', 'amp', 'lt', 'gt')))"
constexpr const char* kPythonEntities =
    "quot=34 amp=38 lt=60 gt=62 nbsp=160 iexcl=161 cent=162 pound=163 curren=164 yen=165 brvbar=166 sect=167 "
    "uml=168 copy=169 ordf=170 laquo=171 not=172 shy=173 reg=174 macr=175 deg=176 plusmn=177 sup2=178 sup3=179 "
    "acute=180 micro=181 para=182 middot=183 cedil=184 sup1=185 ordm=186 raquo=187 frac14=188 frac12=189 "
    "frac34=190 iquest=191 Agrave=192 Aacute=193 Acirc=194 Atilde=195 Auml=196 Aring=197 AElig=198 Ccedil=199 "
    "Egrave=200 Eacute=201 Ecirc=202 Euml=203 Igrave=204 Iacute=205 Icirc=206 Iuml=207 ETH=208 Ntilde=209 "
    "Ograve=210 Oacute=211 Ocirc=212 Otilde=213 Ouml=214 times=215 Oslash=216 Ugrave=217 Uacute=218 Ucirc=219 "
    "Uuml=220 Yacute=221 THORN=222 szlig=223 agrave=224 aacute=225 acirc=226 atilde=227 auml=228 aring=229 "
    "aelig=230 ccedil=231 egrave=232 eacute=233 ecirc=234 euml=235 igrave=236 iacute=237 icirc=238 iuml=239 "
    "eth=240 ntilde=241 ograve=242 oacute=243 ocirc=244 otilde=245 ouml=246 divide=247 oslash=248 ugrave=249 "
    "uacute=250 ucirc=251 uuml=252 yacute=253 thorn=254 yuml=255";

WCHAR Entity(const std::string& text) { return GetHTMLEntity(Utf8ToWide(text).c_str()); }

TEST(HtmlEntities, EveryNameAndNumberOfTheSetAndNothingElse)
{
    std::istringstream in(kPythonEntities);
    std::string pair;
    int count = 0;
    while (in >> pair) {
        std::string name = pair.substr(0, pair.find('='));
        int code = std::stoi(pair.substr(pair.find('=') + 1));
        ++count;
        EXPECT_EQ(Entity("&" + name + ";"), code) << name;
        EXPECT_EQ(Entity("&#" + std::to_string(code) + ";"), code) << code;
        EXPECT_EQ(Entity("&#0" + std::to_string(code) + ";"), 0) << code;
        EXPECT_EQ(Entity("&" + name), 0) << name;
    }
    EXPECT_EQ(count, 100);
    // Other numbers, hexadecimal forms, unknown names, broken spellings.
    for (const char* other : {"&#32;", "&#032;", "&#159;", "&#256;", "&#x41;", "&#xE0;", "&#;", "&;", "&",
                              "amp;", "&euro;", "&apos;", "&amp ;", "& amp;", "&#-60;", "&#+60;", "&#1:0;"})
        EXPECT_EQ(Entity(other), 0) << other;
    EXPECT_EQ(GetHTMLEntity(nullptr), 0);
}

TEST(HtmlEntities, CaseIsIgnoredUnlessTwoNamesDifferOnlyInCase)
{
    const struct {
        const char* name;
        int code;
    } rows[] = {{"&agrave;", 224}, {"&Agrave;", 192}, {"&AGRAVE;", 192}, {"&aGrAvE;", 192}, {"&AMP;", 38},
                {"&Nbsp;", 160},   {"&eth;", 240},    {"&ETH;", 208},    {"&Eth;", 208},    {"&thorn;", 254},
                {"&THORN;", 222},  {"&SZLIG;", 223},  {"&AElig;", 198},  {"&aelig;", 230},  {"&Aelig;", 198}};
    for (const auto& r : rows) EXPECT_EQ(Entity(r.name), r.code) << r.name;
}

std::u16string Plain(const char16_t* html)
{
    std::unique_ptr<WCHAR, decltype(&std::free)> text(HTMLToText(html), &std::free);
    return text ? std::u16string(text.get()) : u"<null>";
}

TEST(HtmlToText, DropsTagsAndDecodesKnownEntities)
{
    const struct {
        const char16_t* html;
        const char16_t* text;
    } rows[] = {
        {nullptr, u""},
        {u"", u""},
        {u"Tom &amp; Jerry", u"Tom & Jerry"},
        {u"a &amp b", u"a &amp b"},
        {u"<B>bold</B>\r\n<FONT COLOR=#FF0000>x &lt;y&gt;</FONT>", u"bold\r\nx <y>"},
        {u"a<b", u"a"},
        {u"a>b", u"a>b"},
        {u"&&amp;&;&#233;&eacute", u"&&&;\u00e9&eacute"},
        {u"&am\np;", u"&am\np;"},
        {u"&nbsp;&NBSP;&#160;", u"\u00a0\u00a0\u00a0"},
        {u"&unknown; &#9731;", u"&unknown; &#9731;"},
    };
    for (const auto& r : rows) EXPECT_EQ(Plain(r.html), r.text) << (r.html ? WideToUtf8(r.html) : "null");

    // An entity is looked for over at most 255 characters.
    std::u16string longRun = u"&" + std::u16string(300, u'a') + u";&gt;";
    EXPECT_EQ(Plain(longRun.c_str()), u"&" + std::u16string(300, u'a') + u";>");
}

TEST(HtmlColours, ColorRefToHtmlAndBack)
{
    WCHAR buf[8] = u"xxxxxxx";
    EXPECT_EQ(ColorRefToHTML(0, buf, 7), 0);
    EXPECT_EQ(std::u16string(buf), u"xxxxxxx");
    for (COLORREF c : {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0x12, 0xAB, 0xEF), RGB(255, 255, 255)}) {
        ASSERT_EQ(ColorRefToHTML(c, buf, 8), 7);
        DWORD back = 0xDEAD;
        EXPECT_TRUE(HTMLToColorRef(buf, &back) && back == c) << WideToUtf8(buf);
    }
    EXPECT_EQ(std::u16string(buf), u"#FFFFFF");
    ColorRefToHTML(RGB(0x12, 0xAB, 0xEF), buf, 8);
    EXPECT_EQ(std::u16string(buf), u"#12ABEF");
}

TEST(HtmlColours, HtmlToColorRefReadsUpToSevenDigits)
{
    const struct {
        const char16_t* text;
        bool ok;
        DWORD color;
    } rows[] = {
        {u"##00ff00", true, 0x0000FF00}, {u"#FF0000", true, 0x000000FF}, {u"FFFFFF", true, 0x00FFFFFF},
        {u"#FFF", true, 0x00FF0F00},     {u"#1", true, 0x00010000},      {u"#1234567", true, 0x00674523},
        {u"#12345678", false, 0},        {u"", false, 0},                {u"#", false, 0},
        {u"###", false, 0},              {u"#12 345", false, 0},         {u"#12345g", false, 0},
        {u" #123456", false, 0},         {u"#123456#", false, 0},
    };
    for (const auto& r : rows) {
        DWORD color = 0xDEADBEEF;
        EXPECT_EQ(HTMLToColorRef(r.text, &color), r.ok) << WideToUtf8(r.text);
        EXPECT_EQ(color, r.ok ? r.color : 0xDEADBEEF) << WideToUtf8(r.text);
    }
    DWORD color = 0;
    EXPECT_FALSE(HTMLToColorRef(nullptr, &color));
}

TEST(CloseTags, WritesASlashAfterEveryOpeningBracket)
{
    const struct {
        const char16_t* open;
        const char16_t* closed;
    } rows[] = {{u"<FONT><B>", u"</FONT></B>"}, {u"<B><I>", u"</B></I>"}, {u"", u""}, {nullptr, u""},
                {u"x<<y", u"x</</y"},           {u"plain", u"plain"}};
    for (const auto& r : rows) {
        WCHAR out[32];
        std::fill(std::begin(out), std::end(out), u'#');
        CloseTags(r.open, out);
        EXPECT_EQ(std::u16string(out), r.closed);
    }
}

}  // namespace
