// Fonts measured on the pinned test font: extents, fit counts, metrics, and
// that what is drawn matches what is measured.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/fonts.h"
#include "platform/gdi/internal/font.h"
#include "platform/gdi/text_output.h"
#include "tests/platform/gdi/canvas.h"

namespace {

constexpr const char* kTestFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

LOGFONTW MakeLogFont(LONG height, LONG weight = FW_NORMAL, const char16_t* face = u"")
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::u16string f(face);
    std::copy(f.begin(), f.end(), lf.lfFaceName);
    return lf;
}

class PinnedFont : public ::testing::Test {
protected:
    void SetUp() override { platform::PinTestFont(kTestFont); }
    void TearDown() override { platform::PinTestFont(""); }

    // A canvas with a font of the record selected.
    struct Writer {
        explicit Writer(const LOGFONTW& lf, int width = 200, int height = 40)
            : canvas(width, height), font(CreateFontIndirectW(&lf))
        {
            old = SelectObject(canvas.dc.Get(), font.Get());
            GetTextMetricsW(canvas.dc.Get(), &tm);
        }
        ~Writer() { SelectObject(canvas.dc.Get(), old); }
        int Width(const std::u16string& s)
        {
            SIZE size{};
            GetTextExtentPoint32W(canvas.dc.Get(), s.data(), static_cast<int>(s.size()), &size);
            return size.cx;
        }
        // Columns [first, last] holding a pixel darker than mid-grey; -1s when none.
        std::pair<int, int> InkColumns(int y0, int y1)
        {
            int first = -1, last = -1;
            for (int x = 0; x < 200; ++x)
                for (int y = y0; y < y1; ++y)
                    if (GetRValue(canvas.At(x, y)) < 128) {
                        if (first < 0) first = x;
                        last = x;
                    }
            return {first, last};
        }
        kstest::Canvas canvas;
        platform::OwnedFont font;
        HGDIOBJ old = nullptr;
        TEXTMETRICW tm{};
    };
};

TEST_F(PinnedFont, FitCountAndPartialExtentsFollowWholePixelAdvances)
{
    Writer w(MakeLogFont(-13));
    const std::u16string text = u"Mid-week AV";
    std::vector<int> extents(text.size());
    int fit = -1;
    SIZE size{};
    ASSERT_TRUE(GetTextExtentExPointW(w.canvas.dc.Get(), text.data(), static_cast<int>(text.size()), 1 << 20, &fit,
                                      extents.data(), &size));
    EXPECT_EQ(fit, static_cast<int>(text.size()));
    EXPECT_EQ(size.cx, extents.back());
    EXPECT_EQ(size.cy, w.tm.tmHeight);
    // No kerning: a pair measures as its two characters apart.
    EXPECT_EQ(w.Width(u"AV"), w.Width(u"A") + w.Width(u"V"));
    const struct {
        int maxExtent;
        int fit;
    } rows[] = {{extents[3], 4}, {extents[3] - 1, 3}, {0, 0}, {-5, 0}, {extents[0], 1}};
    for (const auto& r : rows) {
        ASSERT_TRUE(GetTextExtentExPointW(w.canvas.dc.Get(), text.data(), static_cast<int>(text.size()), r.maxExtent,
                                          &fit, nullptr, nullptr));
        EXPECT_EQ(fit, r.fit) << r.maxExtent;
    }
}

TEST_F(PinnedFont, HeightsWeightsAndLinesShowInTheMetricsAndThePixels)
{
    Writer character(MakeLogFont(-20)), cell(MakeLogFont(20));
    EXPECT_EQ(character.tm.tmHeight - character.tm.tmInternalLeading, 20);
    EXPECT_NEAR(cell.tm.tmHeight, 20, 1);
    Writer regular(MakeLogFont(-16)), bold(MakeLogFont(-16, FW_BOLD));
    EXPECT_GT(bold.Width(u"Hello world"), regular.Width(u"Hello world"));
    EXPECT_EQ(bold.tm.tmWeight, FW_BOLD);

    // An underline is ink below the baseline across the whole text; strike-out
    // is ink through the middle of a space.
    for (BYTE underline : {0, 1}) {
        LOGFONTW lf = MakeLogFont(-16);
        lf.lfUnderline = underline;
        Writer u(lf);
        SetBkMode(u.canvas.dc.Get(), TRANSPARENT);
        ExtTextOutW(u.canvas.dc.Get(), 10, 5, 0, nullptr, u"on", 2, nullptr);
        int row = 5 + u.tm.tmAscent + 1;
        auto ink = u.InkColumns(row, 5 + u.tm.tmHeight);
        EXPECT_EQ(ink.first == 10 && ink.second == 10 + u.Width(u"on") - 1, underline == 1) << int(underline);
    }
    LOGFONTW struck = MakeLogFont(-16);
    struck.lfStrikeOut = 1;
    Writer s(struck);
    ExtTextOutW(s.canvas.dc.Get(), 10, 5, 0, nullptr, u"   ", 3, nullptr);
    EXPECT_EQ(s.InkColumns(5, 5 + s.tm.tmHeight), std::make_pair(10, 10 + s.Width(u"   ") - 1));
}

TEST_F(PinnedFont, FormatCharactersTakeNoRoomAndDrawNothing)
{
    // The zero-width space keeps a '<' in user text from opening a mark-up tag;
    // it must neither widen the text nor show the missing-glyph box.
    for (const std::u16string invisible : {u"\u200B", u"\u200D", u"\u2060", u"\uFEFF"}) {
        Writer w(MakeLogFont(-16));
        EXPECT_EQ(w.Width(u"a" + invisible + u"b"), w.Width(u"ab"));
        ExtTextOutW(w.canvas.dc.Get(), 10, 5, 0, nullptr, invisible.data(), 1, nullptr);
        EXPECT_EQ(w.InkColumns(0, 40), std::make_pair(-1, -1));
    }
}

TEST_F(PinnedFont, DrawnInkStaysInsideTheMeasuredExtent)
{
    Writer w(MakeLogFont(-14));
    const struct {
        const char16_t* text;
        int x;
    } rows[] = {{u"MMMM", 3}, {u"Wellington", 20}, {u"iiiiiiii", 7}};
    for (const auto& r : rows) {
        RECT all{0, 0, 200, 40};
        FillRect(w.canvas.dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        std::u16string text(r.text);
        ExtTextOutW(w.canvas.dc.Get(), r.x, 2, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
        auto ink = w.InkColumns(0, 40);
        int extent = w.Width(text), last = w.Width(text.substr(text.size() - 1));
        EXPECT_GE(ink.first, r.x) << std::string(text.begin(), text.end());
        EXPECT_LT(ink.second, r.x + extent);
        EXPECT_GE(ink.second, r.x + extent - last);
    }
}

TEST_F(PinnedFont, DrawTextBreaksAfterTheLastSpaceThatFitsAndAligns)
{
    Writer w(MakeLogFont(-12), 200, 80);
    HDC dc = w.canvas.dc.Get();
    const int wide = w.Width(u"aaa bbb");
    const struct {
        const char16_t* text;
        int width;
        UINT format;
        int lines;
        int widest;
    } rows[] = {
        {u"aaa bbb ccc", wide, DT_WORDBREAK, 2, wide},
        {u"aaa bbb ccc", wide - 1, DT_WORDBREAK, 3, w.Width(u"bbb")},
        {u"aaa bbb ccc", wide, 0, 1, w.Width(u"aaa bbb ccc")},
        {u"abcdefgh", w.Width(u"abc"), DT_WORDBREAK, 3, w.Width(u"abc")},
        {u"one\r\ntwo\nthree", 200, DT_WORDBREAK, 3, w.Width(u"three")},
        {u"one\ntwo", 200, DT_SINGLELINE, 1, w.Width(u"one\ntwo")},
    };
    for (const auto& r : rows) {
        RECT rc{0, 0, r.width, 0};
        int height = DrawTextW(dc, r.text, -1, &rc, r.format | DT_CALCRECT);
        EXPECT_EQ(height, r.lines * w.tm.tmHeight) << std::string(r.text, r.text + 3) << r.width;
        EXPECT_EQ(rc.right, r.widest) << std::string(r.text, r.text + 3) << r.width;
    }
    // Right alignment puts the line's last ink just inside the right edge.
    RECT box{0, 0, 150, 20};
    DrawTextW(dc, u"xx", -1, &box, DT_RIGHT | DT_SINGLELINE);
    auto ink = w.InkColumns(0, 20);
    EXPECT_GE(ink.first, 150 - w.Width(u"xx"));
    EXPECT_LT(ink.second, 150);
}

TEST(FontResolution, FacesWeightsAndTheFallbackFindTheirFiles)
{
    platform::PinTestFont("");
    const struct {
        const char16_t* face;
        LONG weight;
        const char* file;
        bool synthetic;
    } rows[] = {
        {u"", FW_NORMAL, "/tahoma.ttf", false},
        {u"Tahoma", FW_BOLD, "/tahoma.ttf", true},  // its bold file is no bolder: the regular, emboldened
        {u"No Such Face", FW_NORMAL, "/DejaVuSans.ttf", false},
        {u"DejaVu Sans", FW_BOLD, "/DejaVuSans-Bold.ttf", false},
    };
    for (const auto& r : rows) {
        auto font = platform::gdi::Font::Get(MakeLogFont(-12, r.weight, r.face));
        ASSERT_TRUE(font);
        const std::string& file = font->File();
        EXPECT_EQ(file.substr(file.rfind('/')), r.file);
        EXPECT_EQ(font->SyntheticBold(), r.synthetic);
    }
    // The pinned regular file has no bold: bold is made by emboldening.
    platform::PinTestFont(kTestFont);
    auto bold = platform::gdi::Font::Get(MakeLogFont(-12, FW_BOLD, u"Tahoma"));
    EXPECT_EQ(bold->File(), kTestFont);
    EXPECT_TRUE(bold->SyntheticBold());
    platform::PinTestFont("/nonexistent/font.ttf");
    LOGFONTW lf = MakeLogFont(-12);
    EXPECT_EQ(CreateFontIndirectW(&lf), nullptr);
    platform::PinTestFont("");
}

// A font stays open while a handle of it lives, and for a while after: cells
// are parsed and dropped again and again with the same few fonts.
TEST_F(PinnedFont, HandlesAndRecentUseKeepFontsOpen)
{
    const LOGFONTW lf = MakeLogFont(-17, FW_BOLD);
    auto openOthers = [](LONG count) {
        static LONG height = 100;
        for (LONG k = 0; k < count; ++k) {
            LOGFONTW other = MakeLogFont(-(height++ % 900 + 20));
            platform::OwnedFont dropped(CreateFontIndirectW(&other));
        }
    };
    std::weak_ptr<const platform::gdi::Font> kept;
    {
        platform::OwnedFont handle(CreateFontIndirectW(&lf));
        kept = platform::gdi::Font::Get(lf);
        openOthers(100);
        EXPECT_FALSE(kept.expired());  // its handle keeps it
    }
    EXPECT_TRUE(kept.expired());  // no handle, and many opened since
    platform::OwnedFont(CreateFontIndirectW(&lf));
    kept = platform::gdi::Font::Get(lf);
    openOthers(10);
    EXPECT_FALSE(kept.expired());  // recently opened
    openOthers(100);
    EXPECT_TRUE(kept.expired());  // but not kept for ever
}

}  // namespace
