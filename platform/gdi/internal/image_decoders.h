// Decoders that turn BMP and PNG files held in memory into bitmap surfaces.
//
// Pictures larger than the limits below are refused before their pixels are
// allocated, so a small hostile file cannot make us ask for gigabytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi/internal/gdi_table.h"

namespace platform::gdi {

// The widest and tallest picture decoded, and the most pixels (64 MiB of
// 32-bit pixels).
constexpr int kMaxImageSide = 8192;
constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 24;

// A decoded picture, or a null surface with the error: ERROR_BAD_FORMAT for
// data that is not a picture we read (or is truncated or inconsistent),
// ERROR_NOT_ENOUGH_MEMORY for one beyond the limits.
struct DecodedImage {
    SurfacePtr surface;
    DWORD error = 0;
};

// Windows bitmaps: file header, then a core (12-byte), info (40-byte) or V2
// to V5 header; 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_BITFIELDS, BI_RLE8
// and BI_RLE4; rows bottom-up or (uncompressed only) top-down. Alpha is
// ignored. Pixels an RLE picture skips take palette entry 0.
DecodedImage DecodeBmp(const std::uint8_t* data, std::size_t size);

// PNG of any colour type and depth through libpng. Bitmaps have no alpha:
// fully transparent pixels become pure green (0x00FF00), the colour key the
// system draws small pictures with; partly transparent ones are blended over
// white.
DecodedImage DecodePng(const std::uint8_t* data, std::size_t size);

// Picks the decoder by the data's signature ("BM" or the PNG signature).
DecodedImage DecodeImage(const std::uint8_t* data, std::size_t size);

}  // namespace platform::gdi
