// Comparing a picture with a reviewed one in golden/: it differs when more
// than kMaxPixels pixels differ by more than kTolerance in a colour channel;
// the actual picture is then written to the build directory and both paths
// are printed. KSTOOLS_UPDATE_GOLDEN=1 rewrites the reviewed picture instead.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gdi/png_writer.h"
#include "tests/platform/gdi/canvas.h"

namespace kstest {

inline constexpr int kGoldenTolerance = 24;
inline constexpr int kGoldenMaxPixels = 12;

// Differing pixels, or -1 when the reviewed picture is missing or of another size.
inline int CountGoldenDifferences(const Canvas& actual, int width, int height, const std::string& expected)
{
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> png(
        cairo_image_surface_create_from_png(expected.c_str()), cairo_surface_destroy);
    if (cairo_surface_status(png.get()) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_width(png.get()) != width ||
        cairo_image_surface_get_height(png.get()) != height)
        return -1;
    const unsigned char* data = cairo_image_surface_get_data(png.get());
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto* argb = data + y * cairo_image_surface_get_stride(png.get()) + x * 4;  // B, G, R, A
            const COLORREF got = actual.At(x, y);
            differing += std::abs(argb[2] - GetRValue(got)) > kGoldenTolerance ||
                         std::abs(argb[1] - GetGValue(got)) > kGoldenTolerance ||
                         std::abs(argb[0] - GetBValue(got)) > kGoldenTolerance;
        }
    }
    return differing;
}

inline void ExpectMatchesGolden(const Canvas& picture, int width, int height, const std::string& name)
{
    const std::string expected = std::string(KSTOOLS_GOLDEN_DIR) + "/" + name + ".png";
    if (std::getenv("KSTOOLS_UPDATE_GOLDEN")) {
        EXPECT_TRUE(platform::WritePng(picture.bitmap.Get(), expected));
        return;
    }
    const int differing = CountGoldenDifferences(picture, width, height, expected);
    if (differing < 0 || differing > kGoldenMaxPixels) {
        const std::string actual = std::string(KSTOOLS_TEST_HELPER_DIR) + "/" + name + ".actual.png";
        platform::WritePng(picture.bitmap.Get(), actual);
        ADD_FAILURE() << differing << " pixels differ (-1: unreadable)\n  expected " << expected << "\n  actual   "
                      << actual;
    }
}

}  // namespace kstest
