// Brushes, pens, stock objects, and the calls common to every drawing object:
// SelectObject, DeleteObject, GetObjectW.
//
// Drawing objects belong to the process and may be used from any thread; one
// device context must not be drawn on from two threads at once. A deleted
// object's handle is invalid from then on; a device context that still has
// the object selected keeps drawing with it until something else is selected.
#pragma once

#include "platform/gdi/gdi_types.h"

HBRUSH CreateSolidBrush(COLORREF color);
// Styles PS_SOLID, PS_DASH (drawn solid) and PS_NULL; a width below 1 is 1.
HPEN CreatePen(int style, int width, COLORREF color);
// The shared brushes and pens (WHITE_BRUSH ... NULL_PEN) and SYSTEM_FONT;
// null for any other index. DeleteObject leaves them alone.
HGDIOBJ GetStockObject(int index);

// Selects a brush, pen, font or bitmap into the device context and returns the
// one it replaces; null with ERROR_INVALID_HANDLE when either handle is bad.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deletes a brush, pen, font or bitmap. FALSE for a bad handle and for a
// device context (DeleteDC ends those); TRUE without effect for stock objects.
BOOL DeleteObject(HGDIOBJ object);
// Fills a BITMAP for a bitmap (bmBits set for a DIB section) or a LOGFONTW for
// a font and returns the bytes written; with buffer null returns the size
// needed. 0 for a bad handle or a buffer too small.
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
