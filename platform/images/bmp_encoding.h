// Pictures as BMP files: the library writes the few pictures it ships (the
// default category pictures) in the format the grid and SHLoadDIBitmap read.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace platform {

// A 24-bit uncompressed BMP file of width x height pixels given top row
// first (COLORREF 0x00BBGGRR each). Empty when the sizes are not positive,
// above 8192, or pixels holds another count.
std::vector<std::uint8_t> EncodeBmp24(int width, int height, const std::vector<COLORREF>& pixels);

}  // namespace platform
