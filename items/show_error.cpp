#include "items/show_error.h"

#include <cstdarg>

#include "platform/base/last_error.h"
#include "platform/base/system_messages.h"
#include "platform/text/wide_string.h"
#include "platform/ui/ui_host.h"

namespace {

constexpr size_t kErrorTextMax = 4096;

void Show(const WCHAR* text) { MessageBoxW(nullptr, text, nullptr, MB_ICONERROR | MB_TOPMOST); }

}  // namespace

void ShowError(const WCHAR* format, ...)
{
    if (!format) return;
    WCHAR text[kErrorTextMax] = {};
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, kErrorTextMax - 1, format, args);
    va_end(args);
    Show(text);
}

void ShowError()
{
    const DWORD code = GetLastError();
    WCHAR text[kErrorTextMax] = {};
    // A code the system has no text for is shown by its number.
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                        kErrorTextMax, nullptr))
        swprintf(text, kErrorTextMax, u"System error %lu.", static_cast<unsigned long>(code));
    Show(text);
}
