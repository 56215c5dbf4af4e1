#include "items/show_error.h"

#include <cstdarg>

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
    WCHAR text[64] = {};
    swprintf(text, 64, u"System error %lu.", static_cast<unsigned long>(GetLastError()));
    Show(text);
}
