// Icons: small square pictures with a mask, loaded by number and drawn at
// any size with LoadIconW and DrawIconEx.
//
// The application's module holds the suite's numbered icons, drawn in code
// as 16 × 16 pixel art (platform/images/internal/icon_art.h) and scaled to
// the size asked for, nearest pixel. Loaded icons are shared: the same
// handle for every load, and DestroyIcon leaves them alone.
#pragma once

#include "platform/gdi/gdi_types.h"

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_DEFAULTSIZE = 0x0008;

// Numbered icon `name` (MAKEINTRESOURCEW) of module (the application's
// module when null). ERROR_RESOURCE_NAME_NOT_FOUND when the module has no
// such icon or the name is not a number; ERROR_INVALID_HANDLE for another
// module (they hold no icons here).
HICON LoadIconW(HINSTANCE module, LPCWSTR name);

// Draws the icon with its top-left corner at (x, y), cx × cy pixels: 0 takes
// the icon's own size, or with DI_DEFAULTSIZE the system's icon size
// (SM_CXICON). DI_NORMAL draws the picture through its mask (the destination
// shows where the icon has no pixels), DI_IMAGE the picture alone (black
// where it has none), DI_MASK the mask (black where it has pixels, white
// elsewhere). A background brush, when given, fills the rectangle first.
// `step` (animated cursors) must be 0. FALSE with ERROR_INVALID_HANDLE for
// a handle that is no icon or DC, ERROR_INVALID_PARAMETER for a negative or
// larger size than 1024, no flags, or another step.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH background, UINT flags);

// TRUE for an icon handle (shared icons stay loaded), FALSE with
// ERROR_INVALID_HANDLE otherwise.
BOOL DestroyIcon(HICON icon);
