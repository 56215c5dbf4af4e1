// The device's well-known folders, as device paths.
#pragma once

#include "platform/base/types.h"

constexpr int CSIDL_PROGRAMS = 2;  // "\Windows\Start Menu\Programs"
constexpr int CSIDL_PERSONAL = 5;  // "\My Documents"
constexpr int CSIDL_STARTUP = 7;   // "\Windows\StartUp"
constexpr int CSIDL_APPDATA = 26;  // "\Application Data"

// Writes the folder's device path into path (at least MAX_PATH characters).
// With create the folder and any missing parents are made. FALSE with
// ERROR_INVALID_PARAMETER for an unknown folder number or a null buffer, or
// with the creation error.
BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create);
