// Fonts made from LOGFONTW records, their text metrics, and text measuring.
//
// CreateFontIndirectW resolves the face name (empty: "Tahoma"; a face that is
// not installed: DejaVu Sans), the weight, italic, underline and strike-out
// to a font file through fontconfig. lfHeight below 0 is the character height
// in pixels, above 0 the cell height (ascent + descent), 0 a 12-pixel
// character height; sizes are kept between 1 and 1000 pixels. A bold request
// on a face without a bold file is emboldened, one pixel wider per character.
//
// Every character advances by a whole number of pixels (hinted, no kerning),
// read from a per-font table; measuring and drawing use the same advances.
// A UTF-16 surrogate counts as one character of the missing glyph.
#pragma once

#include <string>

#include "platform/gdi/gdi_types.h"

HFONT CreateFontIndirectW(const LOGFONTW* logFont);
// The metrics of the font selected into the context.
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// The extent of count characters (size: total advance × tmHeight). With `fit`
// given, *fit is how many leading characters fit within maxExtent; with
// `extents` given, extents[i] is the extent of the first i + 1 characters,
// for all count characters.
BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* extents, SIZE* size);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);

namespace platform {

// Test pictures: every font comes from this one file (hinting is fixed in
// any case), so pictures and measurements are the same on every machine.
// An empty path goes back to fontconfig.
void PinTestFont(const std::string& fontFile);

}  // namespace platform
