#include "tools/kstools/date_argument.h"

#include <charconv>
#include <cstdio>
#include <string_view>

#include "tools/kstools/cli_context.h"

namespace kstools {
namespace {

[[noreturn]] void NotADate(const std::string& text)
{
    throw CommandError("not a date: '" + text + "' (expected YYYY-MM-DD, YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS)",
                       kExitUsage);
}

// Exactly `digits` decimal digits at the front of rest, consumed.
bool TakeNumber(std::string_view& rest, size_t digits, WORD& value)
{
    if (rest.size() < digits) return false;
    for (size_t i = 0; i < digits; ++i) {
        if (rest[i] < '0' || rest[i] > '9') return false;
    }
    unsigned number = 0;
    std::from_chars(rest.data(), rest.data() + digits, number);
    value = static_cast<WORD>(number);
    rest.remove_prefix(digits);
    return true;
}

bool TakeChar(std::string_view& rest, char c)
{
    if (rest.empty() || rest.front() != c) return false;
    rest.remove_prefix(1);
    return true;
}

}  // namespace

DateArgument ParseDateArgument(const std::string& text)
{
    DateArgument parsed;
    SYSTEMTIME& t = parsed.time;
    std::string_view rest = text;
    if (!TakeNumber(rest, 4, t.wYear) || !TakeChar(rest, '-') || !TakeNumber(rest, 2, t.wMonth) ||
        !TakeChar(rest, '-') || !TakeNumber(rest, 2, t.wDay)) {
        NotADate(text);
    }
    if (!rest.empty()) {
        if (!TakeChar(rest, 'T') && !TakeChar(rest, ' ')) NotADate(text);
        if (!TakeNumber(rest, 2, t.wHour) || !TakeChar(rest, ':') || !TakeNumber(rest, 2, t.wMinute)) NotADate(text);
        if (TakeChar(rest, ':') && !TakeNumber(rest, 2, t.wSecond)) NotADate(text);
        if (!rest.empty()) NotADate(text);
        parsed.hasTime = true;
    }
    // The platform's conversion checks every field and gives the day of the week.
    FILETIME ft{};
    if (!SystemTimeToFileTime(&t, &ft) || !FileTimeToSystemTime(&ft, &t)) {
        throw CommandError("no such date: '" + text +
                               "' (a day the month lacks, a time past 23:59:59, or a year "
                               "outside 1601 to 30827)",
                           kExitUsage);
    }
    return parsed;
}

std::string FormatIsoDate(const SYSTEMTIME& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", time.wYear, time.wMonth, time.wDay);
    return text;
}

std::string FormatIsoDateTime(const SYSTEMTIME& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "T%02u:%02u:%02u", time.wHour, time.wMinute, time.wSecond);
    return FormatIsoDate(time) + text;
}

}  // namespace kstools
