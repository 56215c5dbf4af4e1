// Comparing a picture with a reviewed one in tests/grid/golden: it differs
// when more than kMaxPixels pixels differ by more than kTolerance in a colour
// channel.
#pragma once

#include <cairo.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/platform/gdi/canvas.h"

namespace kstest {

inline constexpr int kTolerance = 24;
inline constexpr int kMaxPixels = 12;

// Differing pixels, or -1 when the reviewed picture is missing or of another size.
inline int CountDifferences(const kstest::Canvas& actual, int width, int height, const std::string& expected)
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
            differing += std::abs(argb[2] - GetRValue(got)) > kTolerance ||
                         std::abs(argb[1] - GetGValue(got)) > kTolerance || std::abs(argb[0] - GetBValue(got)) > kTolerance;
        }
    }
    return differing;
}

}  // namespace kstest
