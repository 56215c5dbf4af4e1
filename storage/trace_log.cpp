#include "storage/trace_log.h"

#include <cstdarg>
#include <mutex>
#include <string>

#include "platform/text/code_page.h"
#include "platform/text/debug_output.h"
#include "platform/files/files.h"
#include "platform/kernel/handle.h"
#include "platform/base/last_error.h"
#include "platform/kernel/tick.h"
#include "platform/text/wide_format.h"
#include "platform/text/wide_string.h"

namespace {

std::u16string FormatMessageText(const WCHAR* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    size_t needed = FormatWide(nullptr, 0, WideFormatDialect::Crt, format, measure);
    va_end(measure);
    std::u16string text(needed, u'\0');
    FormatWide(text.data(), text.size(), WideFormatDialect::Crt, format, args);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
    return text;
}

std::u16string TraceLine(const std::u16string& message)
{
    // The tick count is printed as the signed 32-bit value "%ld" makes of it.
    std::u16string prefix(16, u'\0');
    int n = swprintf(prefix.data(), prefix.size(), u"%ld: ", static_cast<LONG>(GetTickCount()));
    prefix.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return prefix + message;
}

std::string EightBit(const std::u16string& text)
{
    if (text.empty()) return {};
    int bytes =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

void AppendToLogFile(const std::string& bytes)
{
    HANDLE file = CreateFileW(kTraceLogPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// One line at a time, to the debugger and to the file in the same order.
std::mutex& TraceLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

void CeTraceLog(const WCHAR* format, ...)
{
    if (!format) return;
    DWORD savedError = GetLastError();
    va_list args;
    va_start(args, format);
    std::u16string message = FormatMessageText(format, args);
    va_end(args);

    std::lock_guard<std::mutex> hold(TraceLock());
    std::u16string line = TraceLine(message);
    OutputDebugStringW((line + u"\n").c_str());
    AppendToLogFile(EightBit(line) + "\r\n");
    SetLastError(savedError);
}
