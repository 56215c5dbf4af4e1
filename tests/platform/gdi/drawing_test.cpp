// Shapes, blits and bitmaps on memory device contexts, read back pixel by pixel.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/base/error_codes.h"
#include "platform/gdi/png_writer.h"
#include "tests/platform/gdi/canvas.h"
#include "tests/support/last_error_check.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);

struct ShapeCase {
    const char* name;
    std::function<void(HDC)> draw;
    POINT inside;   // a pixel the shape covers
    POINT outside;  // a neighbouring pixel it must leave alone
    COLORREF color;
};

TEST(GdiShapes, EachShapeCoversItsPixelsAndStopsAtItsEdge)
{
    platform::OwnedBrush red(CreateSolidBrush(kRed));
    platform::OwnedPen bluePen(CreatePen(PS_SOLID, 2, kBlue));
    const ShapeCase cases[] = {
        {"fill excludes right and bottom",
         [&](HDC dc) {
             RECT r{2, 3, 6, 7};
             FillRect(dc, &r, red.Get());
         },
         {5, 6},
         {6, 6},
         kRed},
        {"fill excludes bottom",
         [&](HDC dc) {
             RECT r{2, 3, 6, 7};
             FillRect(dc, &r, red.Get());
         },
         {2, 3},
         {2, 7},
         kRed},
        {"horizontal line leaves its end",
         [&](HDC dc) {
             MoveToEx(dc, 1, 4, nullptr);
             LineTo(dc, 8, 4);
         },
         {7, 4},
         {8, 4},
         RGB(0, 0, 0)},
        {"leftward line leaves its end",
         [&](HDC dc) {
             MoveToEx(dc, 8, 4, nullptr);
             LineTo(dc, 1, 4);
         },
         {8, 4},
         {1, 4},
         RGB(0, 0, 0)},
        {"vertical line leaves its end",
         [&](HDC dc) {
             MoveToEx(dc, 3, 1, nullptr);
             LineTo(dc, 3, 9);
         },
         {3, 8},
         {3, 9},
         RGB(0, 0, 0)},
        {"null pen leaves the border to the brush",
         [&](HDC dc) {
             SelectObject(dc, GetStockObject(NULL_PEN));
             SelectObject(dc, red.Get());
             Rectangle(dc, 1, 1, 9, 9);
         },
         {1, 1},
         {9, 9},
         kRed},
        {"rectangle border is the pen's width",
         [&](HDC dc) {
             SelectObject(dc, bluePen.Get());
             Rectangle(dc, 1, 1, 9, 9);
         },
         {2, 5},
         {3, 5},
         kBlue},
        {"rectangle interior takes the brush",
         [&](HDC dc) {
             SelectObject(dc, red.Get());
             Rectangle(dc, 1, 1, 9, 9);
         },
         {4, 4},
         {9, 9},
         kRed},
        {"hollow brush leaves the interior",
         [&](HDC dc) {
             SelectObject(dc, GetStockObject(NULL_BRUSH));
             Rectangle(dc, 1, 1, 9, 9);
         },
         {1, 1},
         {4, 4},
         RGB(0, 0, 0)},
        {"patcopy fills with the brush",
         [&](HDC dc) {
             SelectObject(dc, red.Get());
             BitBlt(dc, 0, 0, 2, 2, nullptr, 0, 0, PATCOPY);
         },
         {1, 1},
         {2, 2},
         kRed},
    };
    for (const auto& c : cases) {
        kstest::Canvas canvas(10, 10);
        HGDIOBJ pen = GetStockObject(BLACK_PEN), brush = GetStockObject(WHITE_BRUSH);
        c.draw(canvas.dc.Get());
        EXPECT_EQ(canvas.At(c.inside.x, c.inside.y), c.color) << c.name;
        EXPECT_NE(canvas.At(c.outside.x, c.outside.y), c.color) << c.name;
        SelectObject(canvas.dc.Get(), pen);
        SelectObject(canvas.dc.Get(), brush);
    }
}

// A 2 × 2 picture: red, blue / green, white.
void PaintQuads(const kstest::Canvas& c)
{
    SetPixel(c.dc.Get(), 0, 0, kRed);
    SetPixel(c.dc.Get(), 1, 0, kBlue);
    SetPixel(c.dc.Get(), 0, 1, kGreen);
    SetPixel(c.dc.Get(), 1, 1, kWhite);
}

TEST(GdiBlits, StretchBltGivesEachSourcePixelItsShareOfTheTarget)
{
    kstest::Canvas source(2, 2), target(8, 8, RGB(9, 9, 9));
    PaintQuads(source);
    ASSERT_TRUE(StretchBlt(target.dc.Get(), 1, 1, 6, 4, source.dc.Get(), 0, 0, 2, 2, SRCCOPY));
    const struct {
        int x, y;
        COLORREF color;
    } probes[] = {{1, 1, kRed},   {3, 2, kRed},         {4, 1, kBlue},        {6, 2, kBlue},       {1, 3, kGreen},
                  {6, 4, kWhite}, {7, 1, RGB(9, 9, 9)}, {1, 5, RGB(9, 9, 9)}, {0, 0, RGB(9, 9, 9)}};
    for (const auto& p : probes) EXPECT_EQ(target.At(p.x, p.y), p.color) << p.x << "," << p.y;
    EXPECT_TRUE(FAILS_WITH(StretchBlt(target.dc.Get(), 0, 0, 0, 4, source.dc.Get(), 0, 0, 2, 2, SRCCOPY), FALSE,
                           ERROR_INVALID_PARAMETER));
}

TEST(GdiBlits, BitBltCopiesOnlyWhatTheSourceHas)
{
    kstest::Canvas source(2, 2), target(4, 4, RGB(9, 9, 9));
    PaintQuads(source);
    // The rectangle runs one pixel past the source's right and bottom edge.
    ASSERT_TRUE(BitBlt(target.dc.Get(), 1, 1, 3, 3, source.dc.Get(), 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(1, 1), kRed);
    EXPECT_EQ(target.At(2, 2), kWhite);
    EXPECT_EQ(target.At(3, 3), RGB(9, 9, 9));
    EXPECT_EQ(target.At(0, 0), RGB(9, 9, 9));
}

TEST(GdiBlits, OverlappingCopyWithinOneBitmapReadsThePixelsFromBefore)
{
    kstest::Canvas c(4, 1);
    SetPixel(c.dc.Get(), 0, 0, kRed);
    SetPixel(c.dc.Get(), 1, 0, kBlue);
    ASSERT_TRUE(BitBlt(c.dc.Get(), 1, 0, 2, 1, c.dc.Get(), 0, 0, SRCCOPY));
    EXPECT_EQ(c.At(1, 0), kRed);
    EXPECT_EQ(c.At(2, 0), kBlue);
    // A source reaching past the bitmap's edge leaves the target there alone.
    ASSERT_TRUE(BitBlt(c.dc.Get(), 0, 0, 3, 1, c.dc.Get(), 2, 0, SRCCOPY));
    EXPECT_EQ(c.At(0, 0), kBlue);
    EXPECT_EQ(c.At(2, 0), kBlue);
}

TEST(GdiBlits, TransparentImageLeavesTheKeyColoursPixelsUntouched)
{
    kstest::Canvas source(2, 2), target(4, 4, RGB(9, 9, 9));
    PaintQuads(source);
    // Blue is the key; the picture is doubled.
    ASSERT_TRUE(TransparentImage(target.dc.Get(), 0, 0, 4, 4, source.bitmap.Get(), 0, 0, 2, 2, kBlue));
    const struct {
        int x, y;
        COLORREF color;
    } probes[] = {{1, 1, kRed}, {2, 0, RGB(9, 9, 9)}, {3, 1, RGB(9, 9, 9)}, {0, 3, kGreen}, {3, 3, kWhite}};
    for (const auto& p : probes) EXPECT_EQ(target.At(p.x, p.y), p.color) << p.x << "," << p.y;
    EXPECT_TRUE(FAILS_WITH(TransparentImage(target.dc.Get(), 0, 0, 4, 4, nullptr, 0, 0, 2, 2, kBlue), FALSE,
                           ERROR_INVALID_HANDLE));
}

TEST(GdiBitmaps, DibSectionBitsAreTopDownRowsOfBlueGreenRed)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    platform::OwnedBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(dib && bits);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(dib.Get(), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 2);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, bits);
    auto* bytes = static_cast<BYTE*>(bits);
    const BYTE pixel[4] = {0x30, 0x20, 0x10, 0};  // blue, green, red
    std::memcpy(bytes + bm.bmWidthBytes * 1 + 4 * 2, pixel, 4);
    kstest::Canvas target(3, 2);
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.Get(), dib.Get());
    ASSERT_TRUE(BitBlt(target.dc.Get(), 0, 0, 3, 2, dc.Get(), 0, 0, SRCCOPY));
    SelectObject(dc.Get(), old);
    EXPECT_EQ(target.At(2, 1), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(target.At(2, 0), kWhite);
    info.bmiHeader.biHeight = 2;  // bottom-up rows are refused
    EXPECT_TRUE(FAILS_WITH(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr,
                           ERROR_INVALID_PARAMETER));
    EXPECT_EQ(bits, nullptr);
}

TEST(GdiObjects, HandlesAreCheckedForKindAndLife)
{
    HBRUSH brush = CreateSolidBrush(kRed);
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    EXPECT_EQ(SelectObject(dc.Get(), brush), GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(FAILS_WITH(DeleteObject(brush), FALSE, ERROR_INVALID_HANDLE));
    // The context keeps drawing with the brush it still holds.
    EXPECT_TRUE(Rectangle(dc.Get(), 0, 0, 1, 1));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_TRUE(FillRect(dc.Get(), nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))) == 0);
    EXPECT_TRUE(FAILS_WITH(DeleteObject(dc.Get()), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(SelectObject(dc.Get(), dc.Get()), nullptr, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(CreateCompatibleBitmap(nullptr, 0, 5), nullptr, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetBkMode(dc.Get(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc.Get(), 7), 0);
    EXPECT_EQ(GetBkMode(dc.Get()), TRANSPARENT);
}

TEST(GdiPng, WrittenPictureReadsBackPixelForPixel)
{
    kstest::Canvas c(3, 2, kGreen);
    SetPixel(c.dc.Get(), 2, 1, kRed);
    auto path = (std::filesystem::temp_directory_path() / "ks_gdi_png_test.png").string();
    ASSERT_TRUE(platform::WritePng(c.dc.Get(), path));
    // Cairo's reader is the oracle: the file has the size and the colours.
    cairo_surface_t* read = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(read), 3);
    EXPECT_EQ(cairo_image_surface_get_height(read), 2);
    auto* data = cairo_image_surface_get_data(read);
    auto row = [&](int y) {
        return reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(read));
    };
    EXPECT_EQ(row(1)[2] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(row(0)[0] & 0xFFFFFF, 0x00A000u);
    cairo_surface_destroy(read);
    std::filesystem::remove(path);
    EXPECT_TRUE(FAILS_WITH(platform::WritePng(nullptr, path), false, ERROR_INVALID_HANDLE));
}

}  // namespace
