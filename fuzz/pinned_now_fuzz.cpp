// platform::ParsePinnedNow on arbitrary bytes: the pinned clock must take
// exactly the texts "YYYY-MM-DDTHH:MM" and "YYYY-MM-DDTHH:MM:SS" that name a
// valid date, and nothing else. Besides running clean under the sanitizers:
//  - an accepted text has one of the two lengths and is the time's own
//    fields written back in that form, digit for digit;
//  - a text of that form whose fields make a valid date (SystemTimeToFileTime
//    accepts them) is accepted;
//  - an accepted time pins the clock: with the device zone UTC, the local and
//    the system time are then that time, its day of the week filled in.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/time/clock.h"
#include "platform/time/time_zone.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

std::string Written(const SYSTEMTIME& st, bool seconds)
{
    char text[64];
    if (seconds) {
        std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond);
    } else {
        std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute);
    }
    return text;
}

// The fields of a text that has the form, read independently of the clock's
// reader; nothing for any other text.
std::optional<SYSTEMTIME> FieldsOfTheForm(std::string_view text)
{
    if (text.size() != 16 && text.size() != 19) return std::nullopt;
    const std::string_view shape = "dddd-dd-ddTdd:dd:dd";
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) return std::nullopt;
    }
    auto number = [&](size_t at, size_t digits) {
        unsigned value = 0;
        for (size_t i = at; i < at + digits; ++i) value = value * 10 + static_cast<unsigned>(text[i] - '0');
        return static_cast<WORD>(value);
    };
    SYSTEMTIME st{};
    st.wYear = number(0, 4);
    st.wMonth = number(5, 2);
    st.wDay = number(8, 2);
    st.wHour = number(11, 2);
    st.wMinute = number(14, 2);
    st.wSecond = text.size() == 19 ? number(17, 2) : 0;
    return st;
}

bool SameFields(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    unsetenv("KSTOOLS_NOW");
    if (!platform::SetDeviceTimeZone(u"UTC")) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<SYSTEMTIME> parsed = platform::ParsePinnedNow(text);
    const std::optional<SYSTEMTIME> fields = FieldsOfTheForm(text);
    FILETIME ft{};
    const bool valid = fields && SystemTimeToFileTime(&*fields, &ft);

    Check(parsed.has_value() == valid);
    if (!parsed) return 0;
    Check(Written(*parsed, text.size() == 19) == text);
    Check(SameFields(*parsed, *fields));

    Check(platform::SetPinnedNow(*parsed));
    SYSTEMTIME expected{};
    FileTimeToSystemTime(&ft, &expected);
    SYSTEMTIME local{}, utc{};
    GetLocalTime(&local);
    GetSystemTime(&utc);
    platform::ClearPinnedNow();
    Check(SameFields(local, expected) && local.wDayOfWeek == expected.wDayOfWeek);
    Check(SameFields(utc, expected));
    return 0;
}
