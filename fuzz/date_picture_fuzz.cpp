// GetDateFormatW and GetTimeFormatW with arbitrary pictures, flags, sizes and
// SYSTEMTIME fields. Input layout:
//   byte 0     locale (low 2 bits: en-US, de-DE, ja-JP, ru-RU); bit 6 leaves
//              the date picture out, bit 7 the time picture (the locale's)
//   byte 1     date flags; byte 2 time flags (bit 7 adds an unknown flag)
//   byte 3     the buffer size given; 0xFF stands for -1
//   bytes 4-19 the SYSTEMTIME, eight 16-bit fields
//   the rest   UTF-16: the date picture up to the first 0 unit, then the time
//              picture up to the next
// Every call writes into a buffer followed by guard units, which must come
// back untouched. Besides that:
//  - the size asked for (size 0) is exactly what a call needs: with that size
//    it returns it and ends the text with its only terminator, with one less
//    it fails with ERROR_INSUFFICIENT_BUFFER;
//  - with the fuzzed size the result is the same count, or 0 when too small;
//  - a date does not depend on the time of day or day of the week, nor a time
//    on the date.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/locale/date_format.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"

namespace {

constexpr LCID kLocales[] = {0x0409, 0x0407, 0x0411, 0x0419};  // en-US, de-DE, ja-JP, ru-RU
constexpr size_t kGuard = 16;
constexpr WCHAR kGuardUnit = u'\xFDD0';  // a noncharacter: never a picture's output by accident

void Check(bool ok)
{
    if (!ok) std::abort();
}

using Formatter = std::function<int(const SYSTEMTIME&, LPWSTR, int)>;

// Calls format with room for `size` units and checks the guard behind them.
// The text written, or nothing when the call failed.
std::u16string Call(const Formatter& format, const SYSTEMTIME& st, int size, int& result)
{
    const size_t room = size > 0 ? static_cast<size_t>(size) : 0;
    std::vector<WCHAR> buffer(room + kGuard, kGuardUnit);
    result = format(st, buffer.data(), size);
    Check(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(room), buffer.end(),
                      [](WCHAR c) { return c == kGuardUnit; }));
    if (result <= 0) return {};
    Check(static_cast<size_t>(result) <= room);
    return std::u16string(buffer.data(), static_cast<size_t>(result));
}

// The properties every formatting call must have; the text, nothing when the
// call fails.
std::optional<std::u16string> Exercise(const Formatter& format, const SYSTEMTIME& st, int fuzzedSize)
{
    const int needed = format(st, nullptr, 0);
    Check(needed >= 0);
    std::u16string text;
    if (needed > 0) {
        int result = 0;
        text = Call(format, st, needed, result);
        Check(result == needed);
        Check(text.find(u'\0') == text.size() - 1);
        text.pop_back();
        if (needed > 1) {
            Call(format, st, needed - 1, result);
            Check(result == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER);
        }
    }
    if (fuzzedSize != 0) {
        int result = 0;
        std::u16string written = Call(format, st, fuzzedSize, result);
        if (fuzzedSize >= needed && needed > 0) {
            Check(result == needed && written.substr(0, written.size() - 1) == text);
        } else {
            Check(result == 0);
        }
    }
    if (needed == 0) return std::nullopt;
    return text;
}

// format gives exactly `expected` (or fails, when nothing is expected) for st.
void CheckSameText(const Formatter& format, const SYSTEMTIME& st, const std::optional<std::u16string>& expected)
{
    const int needed = format(st, nullptr, 0);
    if (!expected) {
        Check(needed == 0);
        return;
    }
    Check(needed == static_cast<int>(expected->size() + 1));
    int result = 0;
    Check(Call(format, st, needed, result) == *expected + u'\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 20) return 0;
    const LCID locale = kLocales[data[0] & 3];
    const bool localeDatePicture = data[0] & 0x40;
    const bool localeTimePicture = data[0] & 0x80;
    const DWORD dateFlags = data[1];
    const DWORD timeFlags = (data[2] & 0x7F) | (data[2] & 0x80 ? 0x100u : 0u);
    const int fuzzedSize = data[3] == 0xFF ? -1 : data[3];
    SYSTEMTIME st{};
    std::memcpy(&st, data + 4, sizeof st);

    std::u16string units((size - 20) / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data + 20, units.size() * 2);
    const size_t cut = units.find(u'\0');
    const std::u16string datePicture = units.substr(0, cut);
    std::u16string timePicture = cut == std::u16string::npos ? std::u16string() : units.substr(cut + 1);
    timePicture.resize(std::min(timePicture.size(), timePicture.find(u'\0')));
    const WCHAR* datePictureArg = localeDatePicture ? nullptr : datePicture.c_str();
    const WCHAR* timePictureArg = localeTimePicture ? nullptr : timePicture.c_str();

    Formatter date = [&](const SYSTEMTIME& t, LPWSTR out, int n) {
        return GetDateFormatW(locale, dateFlags, &t, datePictureArg, out, n);
    };
    Formatter time = [&](const SYSTEMTIME& t, LPWSTR out, int n) {
        return GetTimeFormatW(locale, timeFlags, &t, timePictureArg, out, n);
    };

    const std::optional<std::u16string> dateText = Exercise(date, st, fuzzedSize);
    const std::optional<std::u16string> timeText = Exercise(time, st, fuzzedSize);

    SYSTEMTIME otherTime = st;
    otherTime.wDayOfWeek = static_cast<WORD>(st.wDayOfWeek + 3);
    otherTime.wHour = static_cast<WORD>(st.wHour ^ 0x15);
    otherTime.wMinute = static_cast<WORD>(st.wMinute + 17);
    otherTime.wSecond = static_cast<WORD>(st.wSecond + 29);
    otherTime.wMilliseconds = static_cast<WORD>(st.wMilliseconds + 500);
    CheckSameText(date, otherTime, dateText);

    SYSTEMTIME otherDate = st;
    otherDate.wYear = static_cast<WORD>(st.wYear ^ 0x2A5);
    otherDate.wMonth = static_cast<WORD>(st.wMonth + 5);
    otherDate.wDay = static_cast<WORD>(st.wDay + 11);
    otherDate.wDayOfWeek = static_cast<WORD>(st.wDayOfWeek + 1);
    CheckSameText(time, otherDate, timeText);
    return 0;
}
