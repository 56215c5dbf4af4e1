// BMP files written by EncodeBmp24, read back by the platform's BMP decoder: the pixels, row padding and
// bottom-up order, and the sizes refused.
#include "platform/images/bmp_encoding.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/bitmap_decoding.h"
#include "platform/gdi/gdi_owner.h"
#include "tests/support/dib_pixels.h"

namespace {

TEST(BmpEncoding, PixelsReadBackAtEveryRowPadding)
{
    // Widths 1 to 4 need 1, 2, 3 and 0 padding bytes per row.
    for (int width = 1; width <= 5; ++width) {
        std::vector<COLORREF> pixels;
        std::vector<std::vector<COLORREF>> rows(3);
        for (int i = 0; i < width * 3; ++i) {
            pixels.push_back(RGB(i * 17, 255 - i * 9, (i * 31) & 0xFF));
            rows[i / width].push_back(pixels.back());
        }
        const std::vector<std::uint8_t> file = platform::EncodeBmp24(width, 3, pixels);
        platform::OwnedBitmap bitmap(platform::LoadBitmapFromMemory(file.data(), file.size()));
        EXPECT_EQ(kstest::DibPixels(bitmap.Get()), rows) << width;
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
