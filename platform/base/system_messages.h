// FormatMessageW for the platform's own error codes: the system's text of an
// error code, as a message box or a log shows it to the user.
#pragma once

#include <cstdarg>

#include "platform/base/error_codes.h"
#include "platform/base/types.h"

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

// Only FORMAT_MESSAGE_FROM_SYSTEM (with or without IGNORE_INSERTS) is
// offered; the texts are English whatever the language asked for, and carry
// no line end. Writes the text of messageId into buffer (size characters
// with the terminating zero) and returns its length; 0 with the last error
// ERROR_MR_MID_NOT_FOUND for a code without a text, ERROR_INSUFFICIENT_BUFFER
// when it does not fit, ERROR_INVALID_PARAMETER for other flags or no buffer.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                     DWORD size, va_list* arguments);
