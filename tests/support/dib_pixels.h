// The pixels of a 32-bit DIB section as COLORREFs, row by row from the top.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi_objects.h"

namespace kstest {

// Empty when `bitmap` is null or has no bits of its own.
inline std::vector<std::vector<COLORREF>> DibPixels(HBITMAP bitmap)
{
    BITMAP bm{};
    if (!bitmap || GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm || !bm.bmBits) return {};
    std::vector<std::vector<COLORREF>> rows(bm.bmHeight, std::vector<COLORREF>(bm.bmWidth));
    for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x) {
            const auto* p = static_cast<const std::uint8_t*>(bm.bmBits) + y * bm.bmWidthBytes + 4 * x;
            rows[y][x] = RGB(p[2], p[1], p[0]);
        }
    return rows;
}

}  // namespace kstest
