// Writing dates and times through Windows pictures with the locale's names.
#include "platform/locale/date_format.h"

#include <string>

#include "platform/time/clock.h"
#include "platform/base/error_codes.h"
#include "platform/time/civil_calendar.h"
#include "platform/locale/internal/date_picture.h"
#include "platform/locale/internal/locale_data.h"
#include "platform/locale/internal/locale_output.h"
#include "platform/locale/locale_resolution.h"
#include "platform/base/last_error.h"

namespace {

using platform::LocaleData;
using platform::PictureKind;
using platform::PictureToken;

constexpr DWORD kDatePictureFlags = DATE_SHORTDATE | DATE_LONGDATE | DATE_YEARMONTH | DATE_MONTHDAY;
constexpr DWORD kDateFlags = kDatePictureFlags | DATE_USE_ALT_CALENDAR | DATE_LTRREADING | DATE_RTLREADING |
                             DATE_AUTOLAYOUT | LOCALE_NOUSEROVERRIDE | 0x40000000 /* LOCALE_USE_CP_ACP */;
constexpr DWORD kTimeFlags = TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT |
                             LOCALE_NOUSEROVERRIDE | 0x40000000 /* LOCALE_USE_CP_ACP */;

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

bool HasOneBitAtMost(DWORD bits) { return (bits & (bits - 1)) == 0; }

void AppendNumber(std::u16string& out, int value, int minDigits)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < minDigits) out.append(static_cast<size_t>(minDigits) - digits.size(), u'0');
    out.append(digits.begin(), digits.end());
}

bool ValidDate(const SYSTEMTIME& st)
{
    return st.wYear >= 1601 && st.wYear <= 30827 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
           st.wDay <= platform::civil::DaysInMonth(st.wYear, st.wMonth);
}

bool ValidTime(const SYSTEMTIME& st)
{
    return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

std::u16string FormatDate(const LocaleData& data, const std::vector<PictureToken>& tokens, const SYSTEMTIME& st)
{
    bool hasDayNumber = false;
    for (const PictureToken& token : tokens) hasDayNumber = hasDayNumber || (token.IsField(u'd') && token.count <= 2);
    int weekday = platform::civil::DayOfWeek(platform::civil::DaysFromCivil(st.wYear, st.wMonth, st.wDay));
    size_t m = static_cast<size_t>(st.wMonth - 1);

    std::u16string out;
    for (const PictureToken& token : tokens) {
        switch (token.letter) {
            case 0:
                out += token.text;
                break;
            case u'd':
                if (token.count <= 2)
                    AppendNumber(out, st.wDay, token.count);
                else if (token.count == 3)
                    out += data.abbrevDayNamesInDate[static_cast<size_t>(weekday)];
                else
                    out += data.dayNamesInDate[static_cast<size_t>(weekday)];
                break;
            case u'M':
                if (token.count <= 2)
                    AppendNumber(out, st.wMonth, token.count);
                else if (token.count == 3)
                    out += (hasDayNumber ? data.abbrevMonthNamesInDate : data.abbrevMonthNames)[m];
                else
                    out += (hasDayNumber ? data.monthNamesInDate : data.monthNames)[m];
                break;
            case u'y':
                if (token.count <= 2)
                    AppendNumber(out, st.wYear % 100, token.count);
                else
                    AppendNumber(out, st.wYear, 4);
                break;
            case u'g':
                out += data.era;
                break;
        }
    }
    return out;
}

std::u16string FormatTime(const LocaleData& data, const std::vector<PictureToken>& tokens, const SYSTEMTIME& st)
{
    const std::u16string& designator = st.wHour < 12 ? data.am : data.pm;
    std::u16string out;
    for (const PictureToken& token : tokens) {
        int width = token.count >= 2 ? 2 : 1;
        switch (token.letter) {
            case 0:
                out += token.text;
                break;
            case u'h':
                AppendNumber(out, st.wHour % 12 == 0 ? 12 : st.wHour % 12, width);
                break;
            case u'H':
                AppendNumber(out, st.wHour, width);
                break;
            case u'm':
                AppendNumber(out, st.wMinute, width);
                break;
            case u's':
                AppendNumber(out, st.wSecond, width);
                break;
            case u't':
                out += token.count == 1 ? designator.substr(0, 1) : designator;
                break;
        }
    }
    return out;
}

SYSTEMTIME NowIfNull(const SYSTEMTIME* st)
{
    if (st) return *st;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

}  // namespace

int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR out, int size)
{
    if ((flags & ~kDateFlags) || !HasOneBitAtMost(flags & kDatePictureFlags) ||
        (format && (flags & kDatePictureFlags)) || (flags & DATE_LTRREADING && flags & DATE_RTLREADING))
        return Fail(ERROR_INVALID_FLAGS);
    const platform::ResolvedLocale* resolved = platform::ResolveLocale(locale);
    if (!resolved) return Fail(ERROR_INVALID_PARAMETER);
    SYSTEMTIME st = NowIfNull(date);
    if (!ValidDate(st)) return Fail(ERROR_INVALID_PARAMETER);

    const LocaleData& data = platform::LocaleDataFor(*resolved);
    std::u16string_view picture = data.shortDate;
    if (format)
        picture = format;
    else if (flags & DATE_LONGDATE)
        picture = data.longDate;
    else if (flags & DATE_YEARMONTH)
        picture = data.yearMonth;
    else if (flags & DATE_MONTHDAY)
        picture = data.monthDay;

    std::u16string text;
    if (flags & DATE_LTRREADING) text = u"\u200E";
    if (flags & DATE_RTLREADING) text = u"\u200F";
    text += FormatDate(data, platform::ParsePicture(picture, PictureKind::Date), st);
    return platform::WriteLocaleText(text, out, size);
}

int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format, LPWSTR out, int size)
{
    if (flags & ~kTimeFlags) return Fail(ERROR_INVALID_FLAGS);
    const platform::ResolvedLocale* resolved = platform::ResolveLocale(locale);
    if (!resolved) return Fail(ERROR_INVALID_PARAMETER);
    SYSTEMTIME st = NowIfNull(time);
    if (!ValidTime(st)) return Fail(ERROR_INVALID_PARAMETER);

    const LocaleData& data = platform::LocaleDataFor(*resolved);
    std::vector<PictureToken> tokens =
        platform::ParsePicture(format ? std::u16string_view(format) : data.timeFormat, PictureKind::Time);
    platform::DropFields(tokens, [flags](const PictureToken& token) {
        if (token.IsField(u's')) return (flags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS)) != 0;
        if (token.IsField(u'm')) return (flags & TIME_NOMINUTESORSECONDS) != 0;
        if (token.IsField(u't')) return (flags & TIME_NOTIMEMARKER) != 0;
        return false;
    });
    if (flags & TIME_FORCE24HOURFORMAT)
        for (PictureToken& token : tokens)
            if (token.IsField(u'h')) token.letter = u'H';
    return platform::WriteLocaleText(FormatTime(data, tokens, st), out, size);
}
