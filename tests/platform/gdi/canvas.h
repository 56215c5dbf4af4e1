// A memory device context with a bitmap of its own, for drawing tests.
#pragma once

#include "platform/gdi/bitmaps.h"
#include "platform/gdi/gdi_owner.h"

namespace kstest {

struct Canvas {
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
        : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(nullptr, width, height))
    {
        old = SelectObject(dc.Get(), bitmap.Get());
        RECT all{0, 0, width, height};
        platform::OwnedBrush brush(CreateSolidBrush(fill));
        FillRect(dc.Get(), &all, brush.Get());
    }
    ~Canvas() { SelectObject(dc.Get(), old); }
    COLORREF At(int x, int y) const { return GetPixel(dc.Get(), x, y); }

    platform::OwnedDc dc;
    platform::OwnedBitmap bitmap;
    HGDIOBJ old = nullptr;
};

}  // namespace kstest
