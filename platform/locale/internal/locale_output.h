// How the locale functions hand text back (internal).
#pragma once

#include <string_view>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/types.h"

namespace platform {

// The platform's convention: size 0 asks how many characters the text needs,
// terminator included (buffer unused); otherwise the text and a terminator are
// copied and their count returned. A buffer too small gives 0 with
// ERROR_INSUFFICIENT_BUFFER, a negative size or a null buffer 0 with
// ERROR_INVALID_PARAMETER.
inline int WriteLocaleText(std::u16string_view text, LPWSTR buffer, int size)
{
    if (size < 0 || (size > 0 && !buffer) || text.size() >= 0x7FFFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) return needed;
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = 0;
    return needed;
}

}  // namespace platform
