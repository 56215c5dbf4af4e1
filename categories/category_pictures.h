// The category pictures the lists show: the folder they are taken from and
// the small default set that ships with the library.
//
// Each category's picture is the bitmap file named after it ("Business.bmp",
// see CCategoryColorIcons) in the folder "%s\Corvid\CategoryIcons" of the
// data directory; "~NoCategory.bmp" marks items without categories. The
// default set (12 x 12 pixels, pure green transparent, drawn for this
// library) covers the usual category names; the lists install it on first
// use. A picture the user put in the folder is never replaced, so the user
// can redraw any of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

inline constexpr const WCHAR* kCategoryPicturesFormat = u"%s\\Corvid\\CategoryIcons";

// The picture folder, a device path without a trailing backslash.
KSTOOLS_API std::u16string CategoryPicturesFolder();

// The file names of the default set ("Business.bmp", ..., "~NoCategory.bmp").
KSTOOLS_API std::vector<std::u16string> DefaultCategoryPictureNames();

// The BMP file of a default picture by its file name; empty for other names.
KSTOOLS_API std::vector<std::uint8_t> DefaultCategoryPicture(const std::u16string& fileName);

// Makes the folder and writes every default picture it lacks. The number of
// pictures written, or -1 when the folder cannot be made or a picture
// cannot be written.
KSTOOLS_API int InstallDefaultCategoryPictures();
