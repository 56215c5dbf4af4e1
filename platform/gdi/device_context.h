// Memory device contexts and the calls that draw shapes on them.
//
// A device context draws on the bitmap selected into it; a new one holds a
// 1 × 1 bitmap, the black pen, the white brush and the system font, black
// text on an opaque white background. Shapes are drawn without antialiasing
// so they land on whole pixels; coordinates outside the bitmap are clipped.
#pragma once

#include "platform/gdi/gdi_types.h"

// A memory device context; `like` is ignored (every bitmap is 32-bit colour).
HDC CreateCompatibleDC(HDC like);
// Ends the context; the objects selected into it stay valid.
BOOL DeleteDC(HDC dc);

// Each returns the previous value; CLR_INVALID (colours) or 0 (mode) for a
// bad handle. SetBkMode takes TRANSPARENT or OPAQUE.
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);

// LOGPIXELSX/Y, HORZRES, VERTRES of the screen (see display_metrics.h) and
// BITSPIXEL 32; 0 for any other index or a bad handle.
int GetDeviceCaps(HDC dc, int index);

// Fills left..right-1 × top..bottom-1 with the brush (a hollow brush draws
// nothing).
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// Moves the current position; the old one goes to `old` when given.
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
// A line with the selected pen from the current position up to, not
// including, (x, y), which becomes the current position.
BOOL LineTo(HDC dc, int x, int y);
// The interior with the selected brush and a border of the pen's width inside
// left..right-1 × top..bottom-1 with the selected pen.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
// One pixel; CLR_INVALID outside the bitmap or for a bad handle.
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
