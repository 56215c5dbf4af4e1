// Pictures held in memory turned into bitmaps, and bitmaps scaled: the part
// of loading pictures that needs nothing but the drawing layer.
//
// BMP (1 to 32 bits, BI_RGB, BI_BITFIELDS, RLE8, RLE4) and PNG are read,
// chosen by the data's signature. The result is a DIB section (GetObjectW
// reports its size and bits) that the caller deletes with DeleteObject. Data
// that is no picture, is truncated or inconsistent gives null with
// ERROR_BAD_FORMAT; a picture wider or taller than 8192 pixels, or of more
// than 16 Mi pixels, gives null with ERROR_NOT_ENOUGH_MEMORY before any pixel
// is allocated. PNG transparency becomes the colour key 0x00FF00 (see
// platform/gdi/internal/image_decoders.h).
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_types.h"

namespace platform {

// A picture held in memory (a whole BMP file or PNG file); null data with a
// nonzero size fails with ERROR_INVALID_PARAMETER.
HBITMAP LoadBitmapFromMemory(const void* data, std::size_t size);

// bitmap scaled to cx x cy (0 keeps that side) by the nearest pixel. The
// result replaces bitmap: bitmap itself when the size is unchanged, else a
// new bitmap, bitmap being deleted. Null (and bitmap deleted) for a size
// beyond the limits above.
HBITMAP ScaledBitmap(HBITMAP bitmap, int cx, int cy);

}  // namespace platform
