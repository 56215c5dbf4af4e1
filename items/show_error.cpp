#include "items/show_error.h"

#include <cstdarg>
#include <string>

#include "foundation/system_messages.h"
#include "platform/base/last_error.h"
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
    std::u16string text;
    // A code the system has no text for is shown by its number.
    if (!SystemMessageText(code, text)) {
        WCHAR number[64] = {};
        swprintf(number, 64, u"System error %lu.", static_cast<unsigned long>(code));
        text = number;
    }
    Show(text.c_str());
}
