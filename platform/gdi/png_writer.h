// Writes the pixels of a bitmap, or of the bitmap selected into a device
// context, to a PNG file on the host (a UTF-8 path: pictures for people and
// tests to look at, outside the device's file system).
#pragma once

#include <string>

#include "platform/gdi/gdi_types.h"

namespace platform {

// False with ERROR_INVALID_HANDLE for a handle that is neither, with
// ERROR_ACCESS_DENIED when the file cannot be written.
bool WritePng(HANDLE dcOrBitmap, const std::string& hostPath);

}  // namespace platform
