// Drawing text with the selected font, in the text colour, on the background
// colour when the background mode is OPAQUE. Characters are placed at the
// font's whole-pixel advances (see fonts.h), so text lands where
// GetTextExtentExPointW said it would.
#pragma once

#include "platform/gdi/gdi_types.h"

// Text whose cell's top-left corner is (x, y). ETO_OPAQUE fills `rect` with
// the background colour first; ETO_CLIPPED keeps the drawing inside `rect`.
// `dx`, when given, holds each character's advance instead of the font's.
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* dx);
// Lines of text (count -1: up to the terminator) in `rect`: lines end at
// line feeds (a carriage return before one is dropped), with DT_WORDBREAK
// also after the last space that fits (a word wider than the rectangle is
// broken where it stops fitting). DT_CENTER and DT_RIGHT align each line;
// DT_SINGLELINE keeps one line, which DT_VCENTER and DT_BOTTOM place.
// DT_CALCRECT only measures: rect's right and bottom become the extent.
// Clipped to `rect` unless DT_NOCLIP. '&' is drawn as it is (no prefixes).
// Returns the height of the text, 0 on failure.
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);
