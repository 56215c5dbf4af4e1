// BMP files written by EncodeBmp24, read back by the platform's BMP decoder: the pixels, row padding and
// bottom-up order, and the sizes refused.
#include "platform/images/bmp_encoding.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/bitmap_decoding.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"

namespace {

std::vector<COLORREF> ReadBack(const std::vector<std::uint8_t>& file, int& width, int& height)
{
    platform::OwnedBitmap bitmap(platform::LoadBitmapFromMemory(file.data(), file.size()));
    BITMAP bm{};
    if (!bitmap.Get() || GetObjectW(bitmap.Get(), sizeof bm, &bm) != sizeof bm || !bm.bmBits) return {};
    width = bm.bmWidth;
    height = bm.bmHeight;
    std::vector<COLORREF> pixels;
    for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x) {
            const auto* p = static_cast<const std::uint8_t*>(bm.bmBits) + y * bm.bmWidthBytes + 4 * x;
            pixels.push_back(RGB(p[2], p[1], p[0]));
        }
    return pixels;
}

TEST(BmpEncoding, PixelsReadBackAtEveryRowPadding)
{
    // Widths 1 to 4 need 1, 2, 3 and 0 padding bytes per row.
    for (int width = 1; width <= 5; ++width) {
        const int height = 3;
        std::vector<COLORREF> pixels;
        for (int i = 0; i < width * height; ++i) pixels.push_back(RGB(i * 17, 255 - i * 9, (i * 31) & 0xFF));
        const std::vector<std::uint8_t> file = platform::EncodeBmp24(width, height, pixels);
        ASSERT_FALSE(file.empty()) << width;
        int w = 0, h = 0;
        EXPECT_EQ(ReadBack(file, w, h), pixels) << width;
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
    }
}

TEST(BmpEncoding, SizesItCannotWriteGiveNothing)
{
    const struct {
        int width, height;
        size_t pixels;
    } cases[] = {{0, 1, 0}, {1, 0, 0}, {-2, 2, 4}, {2, 2, 3}, {2, 2, 5}, {8193, 1, 8193}};
    for (const auto& c : cases)
        EXPECT_TRUE(platform::EncodeBmp24(c.width, c.height, std::vector<COLORREF>(c.pixels)).empty())
            << c.width << "x" << c.height << " with " << c.pixels;
}

}  // namespace
