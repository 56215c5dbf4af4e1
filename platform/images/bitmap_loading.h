// Bitmaps from files, from memory and from the numbered pictures of modules:
// SHLoadDIBitmap, LoadImageW, LoadBitmapW.
//
// BMP (1 to 32 bits, BI_RGB, BI_BITFIELDS, RLE8, RLE4) and PNG are read,
// chosen by the data's signature whatever the file is called. The result is a
// DIB section (GetObjectW reports its size and bits) that the caller deletes
// with DeleteObject. A file that is no picture, is truncated or inconsistent
// gives null with ERROR_BAD_FORMAT; one wider or taller than 8192 pixels, or
// of more than 16 Mi pixels, gives null with ERROR_NOT_ENOUGH_MEMORY before
// any pixel is allocated. PNG transparency becomes the colour key 0x00FF00
// (see platform/gdi/internal/image_decoders.h).
//
// The application's module holds the suite's numbered pictures, compiled
// into the library from resources/bitmaps/<number>.bmp. Other modules get
// theirs through platform::RegisterBitmapResource.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/gdi/bitmap_decoding.h"

// Resource names that are numbers.
inline LPCWSTR MAKEINTRESOURCEW(UINT id) { return reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(id & 0xFFFF)); }
inline bool IS_INTRESOURCE(LPCWSTR name) { return (reinterpret_cast<UINT_PTR>(name) >> 16) == 0; }

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// The picture file at a device path. Errors of the path as CreateFileW gives
// them (ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND, ...), then the decoding
// errors above.
HBITMAP SHLoadDIBitmap(LPCWSTR path);

// Numbered bitmap `name` (MAKEINTRESOURCEW) of module (the application's
// module when null). ERROR_RESOURCE_NAME_NOT_FOUND when the module has no such
// picture or the name is not a number; ERROR_INVALID_HANDLE for a module
// that holds no pictures.
HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name);

// IMAGE_BITMAP only (others fail with ERROR_INVALID_PARAMETER): with
// LR_LOADFROMFILE `name` is a device path as for SHLoadDIBitmap, otherwise a
// numbered bitmap of module as for LoadBitmapW. A nonzero cx or cy scales the
// picture (nearest pixel) to that width or height; 0 keeps its own. Every
// result is a DIB section, LR_CREATEDIBSECTION or not.
HANDLE LoadImageW(HINSTANCE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags);

namespace platform {

// A picture file on the host (a UTF-8 path, outside the device's files: the
// command line's mark-up images, tests).
HBITMAP LoadBitmapFromHostFile(const std::string& hostPath);

// Gives module (not the application's) a numbered picture (a whole BMP or PNG
// file), replacing one of that number. False for a null or application handle.
bool RegisterBitmapResource(HINSTANCE module, UINT id, std::vector<std::uint8_t> file);
// Forgets every picture of module; false when it had none.
bool UnregisterBitmapResources(HINSTANCE module);

}  // namespace platform
