// ShowError: an error for the user, in a message box with no owner and no
// caption, the error icon and on top (MB_ICONERROR | MB_TOPMOST), through the
// UI host.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

// printf-style (UTF-16 conversions as the platform's vswprintf), at most 4096
// characters.
KSTOOLS_API void ShowError(const WCHAR* format, ...);
// The system's text of the last error code (SystemMessageText), or the code's
// number when the system has no text for it.
KSTOOLS_API void ShowError();
