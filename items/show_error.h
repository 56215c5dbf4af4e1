// ShowError: an error for the user, in a message box with no owner and no
// caption, the error icon and on top (MB_ICONERROR | MB_TOPMOST), through the
// UI host.
#pragma once

#include "platform/base/types.h"

// printf-style (UTF-16 conversions as the platform's vswprintf), at most 4096
// characters.
void ShowError(const WCHAR* format, ...);
// The text of the last error code.
void ShowError();
