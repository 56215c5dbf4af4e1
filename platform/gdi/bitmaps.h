// Bitmaps and the calls that copy them: compatible bitmaps, DIB sections,
// BitBlt, StretchBlt and TransparentImage.
//
// Every bitmap is 32-bit colour, rows top to bottom, one word per pixel with
// the bytes B, G, R, unused (see GetObjectW). Copies are clipped to both
// bitmaps; scaling picks the nearest source pixel.
#pragma once

#include "platform/gdi/gdi_types.h"

// A white bitmap of the size; null with ERROR_INVALID_PARAMETER for a size
// below 1 or above 32767. `like` is ignored.
HBITMAP CreateCompatibleBitmap(HDC like, int width, int height);
// A 32-bit BI_RGB bitmap whose pixels the caller reaches through *bits.
// biHeight must be negative (rows top to bottom, the only order kept); a
// positive height, another bit count or compression fails with
// ERROR_INVALID_PARAMETER rather than hand out rows in the wrong order.
// The pixels start white. After writing through bits, draw only through
// the calls here (they see the new pixels).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

namespace platform {
// The one kind of DIB section kept: width x height, 32-bit, rows top to
// bottom, its pixels reached through *bits. Null (and *bits null) when
// CreateDIBSection refuses the size.
HBITMAP CreateTopDownDib32(int width, int height, void** bits);
}  // namespace platform

// SRCCOPY copies the source's rectangle; BLACKNESS, WHITENESS and PATCOPY
// (the selected brush) fill the destination and ignore the source. Other
// operations fail with ERROR_INVALID_PARAMETER.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
// SRCCOPY from the source's rectangle scaled to the destination's; sizes must
// be positive.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth, int sheight,
                DWORD rop);
// Like StretchBlt but pixels of the colour `transparent` are left out, so the
// destination shows through. `source` is a device context or a bitmap.
BOOL TransparentImage(HDC dest, int x, int y, int width, int height, HANDLE source, int sx, int sy, int swidth,
                      int sheight, COLORREF transparent);
