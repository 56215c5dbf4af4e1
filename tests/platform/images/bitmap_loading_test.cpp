// Pictures read from BMP and PNG files, memory and the modules' numbered
// pictures. The files are written here, BMP by a small writer of the test's
// own and PNG by libpng's writer, and read back pixel by pixel.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/images/bitmap_loading.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/dib_pixels.h"
#include "tests/support/last_error_check.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian fields of `bytes` bytes each.
void Put(Bytes& b, std::initializer_list<std::uint32_t> values, int bytes = 4)
{
    for (std::uint32_t v : values)
        for (int i = 0; i < bytes; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// The colour of palette entry i in every indexed picture here.
COLORREF PaletteColour(unsigned i) { return RGB(i, 255 - i, (i * 7) & 0xFF); }

// What a BMP file holds, for the writer below.
struct BmpLayout {
    int headerSize = 40;  // 12, 40, 108 or 124
    int bits = 24;
    std::uint32_t compression = 0;
    bool topDown = false;
    std::uint32_t masks[3] = {};  // BI_BITFIELDS
    int width = 5;
    int height = 3;
    // Palette index (1 to 8 bits), raw pixel word (16, 32 bits) or COLORREF
    // (24 bits) at x, y (y from the top).
    std::function<std::uint32_t(int, int)> pixel;
    Bytes rle;  // compressed pixel data, replacing the rows
};

Bytes WriteBmp(const BmpLayout& l)
{
    Bytes header;
    const bool core = l.headerSize == 12;
    const int colours = l.bits <= 8 ? 1 << l.bits : 0;
    Put(header, {static_cast<std::uint32_t>(l.headerSize)});
    if (core) {
        Put(header, {static_cast<std::uint32_t>(l.width), static_cast<std::uint32_t>(l.height), 1,
                     static_cast<std::uint32_t>(l.bits)}, 2);
    } else {
        Put(header, {static_cast<std::uint32_t>(l.width), static_cast<std::uint32_t>(l.topDown ? -l.height : l.height)});
        Put(header, {1, static_cast<std::uint32_t>(l.bits)}, 2);
        Put(header, {l.compression, 0, 2835, 2835, 0, 0});
        if (l.compression == 3 || l.headerSize > 40) Put(header, {l.masks[0], l.masks[1], l.masks[2]});
        header.resize(std::max<size_t>(header.size(), l.headerSize));
    }
    for (int i = 0; i < colours; ++i) {
        COLORREF c = PaletteColour(i);
        header.push_back(GetBValue(c));
        header.push_back(GetGValue(c));
        header.push_back(GetRValue(c));
        if (!core) header.push_back(0);
    }
    Bytes pixels = l.rle;
    if (l.rle.empty()) {
        for (int row = 0; row < l.height; ++row) {
            const int y = l.topDown ? row : l.height - 1 - row;
            Bytes line((l.width * l.bits + 31) / 32 * 4);
            for (int x = 0; x < l.width; ++x) {
                std::uint32_t v = l.pixel(x, y);
                if (l.bits < 8) {
                    int bit = x * l.bits;
                    line[bit / 8] |= static_cast<std::uint8_t>(v << (8 - l.bits - bit % 8));
                } else if (l.bits == 24) {
                    line[3 * x] = GetBValue(v), line[3 * x + 1] = GetGValue(v), line[3 * x + 2] = GetRValue(v);
                } else {
                    for (int k = 0; k < l.bits / 8; ++k) line[x * l.bits / 8 + k] = (v >> (8 * k)) & 0xFF;
                }
            }
            pixels.insert(pixels.end(), line.begin(), line.end());
        }
    }
    Bytes file{'B', 'M'};
    Put(file, {static_cast<std::uint32_t>(14 + header.size() + pixels.size()), 0,
               static_cast<std::uint32_t>(14 + header.size())});
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

using kstest::DibPixels;

std::vector<std::vector<COLORREF>> Expected(int width, int height, const std::function<COLORREF(int, int)>& colour)
{
    std::vector<std::vector<COLORREF>> rows(height, std::vector<COLORREF>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) rows[y][x] = colour(x, y);
    return rows;
}

std::uint32_t Index(int x, int y, int bits) { return (x * 37 + y * 11 + 1) % (1u << bits); }

struct BmpCase {
    const char* name;
    BmpLayout layout;
    std::function<COLORREF(int, int)> colour;
};

BmpLayout Indexed(int bits, int headerSize = 40, bool topDown = false)
{
    BmpLayout l;
    l.bits = bits, l.headerSize = headerSize, l.topDown = topDown;
    l.pixel = [bits](int x, int y) { return Index(x, y, bits); };
    return l;
}
std::function<COLORREF(int, int)> IndexedColour(int bits)
{
    return [bits](int x, int y) { return PaletteColour(Index(x, y, bits)); };
}

// Direct colours: channel values per pixel chosen so that each channel runs
// through 0, the top value and values between.
COLORREF Direct(int x, int y) { return RGB(x * 60, 255 - y * 100, (x * 30 + y * 70) & 0xFF); }

BmpLayout Masked(int bits, std::uint32_t compression, std::initializer_list<std::uint32_t> masks,
                 std::function<std::uint32_t(int, int)> pixel, int headerSize = 40)
{
    BmpLayout l;
    l.bits = bits, l.compression = compression, l.headerSize = headerSize, l.pixel = std::move(pixel);
    int i = 0;
    for (auto m : masks) l.masks[i++] = m;
    return l;
}

// 5-bit channels of the 16-bit pictures: 0, 16 and 31 widen to 0, 132, 255.
constexpr std::uint32_t kFive[] = {0, 16, 31};
constexpr BYTE kFiveWide[] = {0, 132, 255};

std::vector<BmpCase> BmpCases()
{
    BmpLayout top24;
    top24.topDown = true, top24.headerSize = 124, top24.pixel = Direct;
    BmpLayout bottom24;
    bottom24.pixel = Direct;
    return {
        {"1 bit, core header", Indexed(1, 12), IndexedColour(1)},
        {"1 bit", Indexed(1), IndexedColour(1)},
        {"4 bits", Indexed(4), IndexedColour(4)},
        {"8 bits, top-down", Indexed(8, 40, true), IndexedColour(8)},
        {"24 bits, bottom-up", bottom24, Direct},
        {"24 bits, V5 header, top-down", top24, Direct},
        {"16 bits, 5-5-5",
         Masked(16, 0, {}, [](int x, int y) { return kFive[x % 3] << 10 | kFive[y] << 5 | kFive[(x + y) % 3]; }),
         [](int x, int y) { return RGB(kFiveWide[x % 3], kFiveWide[y], kFiveWide[(x + y) % 3]); }},
        {"16 bits, 5-6-5 fields",
         Masked(16, 3, {0xF800, 0x07E0, 0x001F}, [](int x, int y) { return kFive[x % 3] << 11 | (32u << 5) | kFive[y]; }),
         [](int x, int y) { return RGB(kFiveWide[x % 3], 130, kFiveWide[y]); }},
        {"32 bits",
         Masked(32, 0, {}, [](int x, int y) { return std::uint32_t{0xAB000000} | (Direct(x, y) & 0xFF) << 16 |
                                                     (Direct(x, y) & 0xFF00) | (Direct(x, y) >> 16); }),
         Direct},
        {"32 bits, R-G-B-A fields in a V4 header",
         Masked(32, 3, {0xFF, 0xFF00, 0xFF0000}, [](int x, int y) { return 0x7F000000u | Direct(x, y); }, 108),
         Direct},
    };
}

TEST(BitmapFiles, EachBmpLayoutReadsBackItsPixels)
{
    for (const auto& c : BmpCases()) {
        SCOPED_TRACE(c.name);
        Bytes file = WriteBmp(c.layout);
        platform::OwnedBitmap bitmap(platform::LoadBitmapFromMemory(file.data(), file.size()));
        ASSERT_NE(bitmap.Get(), nullptr) << GetLastError();
        EXPECT_EQ(DibPixels(bitmap.Get()), Expected(c.layout.width, c.layout.height, c.colour));
    }
}

// Run-length pictures, assembled by hand: encoded runs, absolute runs (with
// their padding), a jump, line ends and the end mark.
TEST(BitmapFiles, RunLengthPicturesDecode)
{
    const COLORREF a = PaletteColour(1), b = PaletteColour(2), c = PaletteColour(3), z = PaletteColour(0);
    struct Case {
        const char* name;
        int bits;
        std::uint32_t compression;
        Bytes data;
        std::vector<std::vector<COLORREF>> top;  // rows from the top
    } cases[] = {
        {"RLE8", 8, 1,
         // bottom row: 2 × 1, then absolute 3, 2, 1 (padded); middle: jump 1 right and 1 up
         // lands on the top row at x 3: 2 × 2; end
         {2, 1, 0, 3, 3, 2, 1, 0, 0, 0, 0, 2, 3, 1, 2, 2, 0, 1},
         {{z, z, z, b, b}, {z, z, z, z, z}, {a, a, c, b, a}}},
        {"RLE4", 4, 2,
         // bottom row: 5 pixels alternating 1, 2; next: absolute 3, 3, 1 (2 bytes); end
         {5, 0x12, 0, 0, 0, 3, 0x33, 0x10, 0, 1},
         {{z, z, z, z, z}, {c, c, a, z, z}, {a, b, a, b, a}}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        BmpLayout l = Indexed(k.bits);
        l.compression = k.compression;
        l.rle = k.data;
        Bytes file = WriteBmp(l);
        platform::OwnedBitmap bitmap(platform::LoadBitmapFromMemory(file.data(), file.size()));
        ASSERT_NE(bitmap.Get(), nullptr) << GetLastError();
        EXPECT_EQ(DibPixels(bitmap.Get()), k.top);
    }
}

Bytes WritePng(int width, int height, png_uint_32 format, const std::vector<std::uint8_t>& pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width, image.height = height, image.format = format;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr));
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr));
    out.resize(size);
    return out;
}

TEST(BitmapFiles, PngColourTypesReadBackAndTransparencyBecomesTheColourKey)
{
    struct Case {
        const char* name;
        png_uint_32 format;
        std::vector<std::uint8_t> pixels;  // 2 × 1
        std::vector<COLORREF> row;
    } cases[] = {
        {"RGB", PNG_FORMAT_RGB, {255, 0, 0, 10, 20, 30}, {RGB(255, 0, 0), RGB(10, 20, 30)}},
        // opaque kept; clear becomes pure green whatever its colour
        {"RGBA, opaque and clear", PNG_FORMAT_RGBA, {1, 2, 3, 255, 9, 9, 9, 0}, {RGB(1, 2, 3), RGB(0, 255, 0)}},
        // black just under half opaque, over white; only the fully clear is the key
        {"RGBA, partly clear", PNG_FORMAT_RGBA, {0, 0, 0, 1, 0, 0, 0, 127}, {RGB(254, 254, 254), RGB(128, 128, 128)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = WritePng(2, 1, c.format, c.pixels);
        platform::OwnedBitmap bitmap(platform::LoadBitmapFromMemory(file.data(), file.size()));
        ASSERT_NE(bitmap.Get(), nullptr) << GetLastError();
        EXPECT_EQ(DibPixels(bitmap.Get()), std::vector<std::vector<COLORREF>>{c.row});
    }
}

Bytes Patched(Bytes b, std::size_t at, std::uint32_t value, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i) b[at + i] = (value >> (8 * i)) & 0xFF;
    return b;
}

TEST(BitmapFiles, DamagedOrOversizedFilesAreRefused)
{
    const Bytes good = WriteBmp(Indexed(8));
    BmpLayout hugeRle = Indexed(8);
    hugeRle.compression = 1, hugeRle.width = 4097, hugeRle.height = 4097, hugeRle.rle = {0, 1};
    BmpLayout rleNoEnd = Indexed(8);
    rleNoEnd.compression = 1, rleNoEnd.rle = {2, 1, 0, 0};
    BmpLayout rleTopDown = Indexed(8, 40, true);
    rleTopDown.compression = 1, rleTopDown.rle = {0, 1};
    Bytes png = WritePng(2, 1, PNG_FORMAT_GRAY, {1, 2});
    std::vector<std::uint8_t> wideRow(8193);
    const Bytes widePng = WritePng(8193, 1, PNG_FORMAT_GRAY, wideRow);
    const Bytes truncatedPng(png.begin(), png.begin() + png.size() / 2);
    struct Case {
        const char* name;
        Bytes file;
        DWORD error;
    } cases[] = {
        {"empty", {}, ERROR_BAD_FORMAT},
        {"not a picture", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, ERROR_BAD_FORMAT},
        {"file header only", Bytes(good.begin(), good.begin() + 14), ERROR_BAD_FORMAT},
        {"unknown header size", Patched(good, 14, 64), ERROR_BAD_FORMAT},
        {"width 0", Patched(good, 18, 0), ERROR_BAD_FORMAT},
        {"height 0", Patched(good, 22, 0), ERROR_BAD_FORMAT},
        {"two planes", Patched(good, 26, 2, 2), ERROR_BAD_FORMAT},
        {"7 bits", Patched(good, 28, 7, 2), ERROR_BAD_FORMAT},
        {"RLE4 on 8 bits", Patched(good, 30, 2), ERROR_BAD_FORMAT},
        {"palette past the end", Patched(good, 46, 0xFFFFFFFF), ERROR_BAD_FORMAT},
        {"pixels past the end", Patched(good, 10, 1 << 20), ERROR_BAD_FORMAT},
        {"a pixel of the last row missing", Bytes(good.begin(), good.end() - 4), ERROR_BAD_FORMAT},
        {"RLE without its end", WriteBmp(rleNoEnd), ERROR_BAD_FORMAT},
        {"RLE top-down", WriteBmp(rleTopDown), ERROR_BAD_FORMAT},
        {"100000 x 100000", Patched(Patched(good, 18, 100000), 22, 100000), ERROR_NOT_ENOUGH_MEMORY},
        {"8193 wide", Patched(good, 18, 8193), ERROR_NOT_ENOUGH_MEMORY},
        {"4097 x 4097 from a few bytes", WriteBmp(hugeRle), ERROR_NOT_ENOUGH_MEMORY},
        {"PNG cut in half", truncatedPng, ERROR_BAD_FORMAT},
        {"PNG 8193 wide", widePng, ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(FAILS_WITH(platform::LoadBitmapFromMemory(c.file.data(), c.file.size()), nullptr, c.error));
    }
}

class BitmapFileLoading : public DeviceSandbox {};

TEST_F(BitmapFileLoading, DevicePathsFindFilesWithoutCaseAndReportWhatIsMissing)
{
    const Bytes bmp = WriteBmp(Indexed(4));
    const Bytes png = WritePng(2, 1, PNG_FORMAT_GRAY, {1, 2});
    MakeHostFile("My Documents/Pic.bmp", std::string(bmp.begin(), bmp.end()));
    MakeHostFile("My Documents/really a png.bmp", std::string(png.begin(), png.end()));
    MakeHostFile("My Documents/notes.txt", "not a picture");

    platform::OwnedBitmap found(SHLoadDIBitmap(u"\\my documents\\PIC.BMP"));
    EXPECT_EQ(DibPixels(found.Get()), Expected(5, 3, IndexedColour(4)));
    platform::OwnedBitmap byContent(SHLoadDIBitmap(u"\\My Documents\\really a png.bmp"));
    EXPECT_EQ(DibPixels(byContent.Get()).size(), 1u);

    EXPECT_TRUE(FAILS_WITH(SHLoadDIBitmap(u"\\My Documents\\none.bmp"), nullptr, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(SHLoadDIBitmap(u"\\Nowhere\\pic.bmp"), nullptr, ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(SHLoadDIBitmap(u"\\My Documents\\notes.txt"), nullptr, ERROR_BAD_FORMAT));
    EXPECT_TRUE(FAILS_WITH(SHLoadDIBitmap(u"\\My Documents"), nullptr, ERROR_ACCESS_DENIED));
}

TEST_F(BitmapFileLoading, LoadImageScalesToTheSizeAsked)
{
    const Bytes bmp = WriteBmp(Indexed(8));
    MakeHostFile("pic.bmp", std::string(bmp.begin(), bmp.end()));
    struct Case {
        int cx, cy, width, height;
    } cases[] = {{0, 0, 5, 3}, {10, 6, 10, 6}, {0, 9, 5, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cx << " x " << c.cy);
        platform::OwnedBitmap bitmap(
            static_cast<HBITMAP>(LoadImageW(nullptr, u"\\pic.bmp", IMAGE_BITMAP, c.cx, c.cy, LR_LOADFROMFILE)));
        auto rows = DibPixels(bitmap.Get());
        ASSERT_EQ(rows.size(), static_cast<size_t>(c.height));
        ASSERT_EQ(rows[0].size(), static_cast<size_t>(c.width));
        // nearest pixel: the last pixel of each row and column is the source's last
        EXPECT_EQ(rows[0][0], PaletteColour(Index(0, 0, 8)));
        EXPECT_EQ(rows[c.height - 1][c.width - 1], PaletteColour(Index(4, 2, 8)));
    }
    EXPECT_TRUE(FAILS_WITH(LoadImageW(nullptr, u"\\pic.bmp", IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr,
                           ERROR_INVALID_PARAMETER));
}

TEST(BitmapResources, NumberedPicturesComeFromTheirModule)
{
    // The library's own pictures: a 16 × 16 store icon, drawn on the colour key.
    platform::OwnedBitmap own(LoadBitmapW(nullptr, MAKEINTRESOURCEW(293)));
    auto rows = DibPixels(own.Get());
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[0][0], RGB(0, 255, 0));
    platform::OwnedBitmap viaImage(static_cast<HBITMAP>(LoadImageW(nullptr, MAKEINTRESOURCEW(293), IMAGE_BITMAP, 32, 32, 0)));
    EXPECT_EQ(DibPixels(viaImage.Get()).size(), 32u);
    EXPECT_TRUE(FAILS_WITH(LoadBitmapW(nullptr, MAKEINTRESOURCEW(1)), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(LoadBitmapW(nullptr, u"IDB_NAMED"), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND));

    // Another module's pictures, registered and forgotten.
    static HINSTANCE__ other;
    const Bytes bmp = WriteBmp(Indexed(1));
    EXPECT_TRUE(FAILS_WITH(LoadBitmapW(&other, MAKEINTRESOURCEW(7)), nullptr, ERROR_INVALID_HANDLE));
    ASSERT_TRUE(platform::RegisterBitmapResource(&other, 7, bmp));
    EXPECT_FALSE(platform::RegisterBitmapResource(nullptr, 7, bmp));
    platform::OwnedBitmap registered(LoadBitmapW(&other, MAKEINTRESOURCEW(7)));
    EXPECT_EQ(DibPixels(registered.Get()), Expected(5, 3, IndexedColour(1)));
    EXPECT_TRUE(FAILS_WITH(LoadBitmapW(&other, MAKEINTRESOURCEW(8)), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_TRUE(platform::UnregisterBitmapResources(&other));
    EXPECT_FALSE(platform::UnregisterBitmapResources(&other));
    EXPECT_TRUE(FAILS_WITH(LoadBitmapW(&other, MAKEINTRESOURCEW(7)), nullptr, ERROR_INVALID_HANDLE));
}

}  // namespace
