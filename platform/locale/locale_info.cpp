// GetLocaleInfoW over the ICU-derived locale data.
#include "platform/locale/locale_info.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/code_page.h"
#include "platform/base/error_codes.h"
#include "platform/locale/internal/date_picture.h"
#include "platform/locale/internal/locale_data.h"
#include "platform/locale/internal/locale_output.h"
#include "platform/locale/locale_resolution.h"
#include "platform/base/last_error.h"

namespace {

using platform::LocaleData;
using platform::PictureKind;
using platform::PictureToken;

constexpr LCTYPE kModifiers =
    LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP | LOCALE_RETURN_NUMBER | LOCALE_RETURN_GENITIVE_NAMES;

bool InRange(LCTYPE type, LCTYPE first, LCTYPE last) { return type >= first && type <= last; }

// Where the first field with one of the letters stands; SIZE_MAX when none.
// Names of days (ddd, dddd) are not the day number and do not count.
size_t FirstField(const std::vector<PictureToken>& tokens, char16_t letter)
{
    for (size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].IsField(letter) && !(letter == u'd' && tokens[i].count > 2)) return i;
    return SIZE_MAX;
}

int FieldWidth(const std::vector<PictureToken>& tokens, char16_t letter)
{
    size_t at = FirstField(tokens, letter);
    return at == SIZE_MAX ? 0 : tokens[at].count;
}

// 0 month-day-year, 1 day-month-year, 2 year-month-day.
int DateOrder(std::u16string_view picture)
{
    auto tokens = platform::ParsePicture(picture, PictureKind::Date);
    size_t day = FirstField(tokens, u'd');
    size_t month = FirstField(tokens, u'M');
    size_t year = FirstField(tokens, u'y');
    if (year < month && year < day) return 2;
    if (day < month) return 1;
    return 0;
}

struct TimeFacts {
    bool twentyFourHour = false;
    bool hourLeadingZero = false;
    bool markerFirst = false;
};

TimeFacts TimeFactsOf(std::u16string_view picture)
{
    TimeFacts facts;
    auto tokens = platform::ParsePicture(picture, PictureKind::Time);
    size_t hour = std::min(FirstField(tokens, u'h'), FirstField(tokens, u'H'));
    size_t marker = FirstField(tokens, u't');
    if (hour != SIZE_MAX) {
        facts.twentyFourHour = tokens[hour].letter == u'H';
        facts.hourLeadingZero = tokens[hour].count >= 2;
    }
    facts.markerFirst = marker < hour;
    return facts;
}

// The I* values, as numbers.
std::optional<DWORD> NumberValue(const platform::ResolvedLocale& locale, const LocaleData& data, LCTYPE type)
{
    switch (type) {
        case LOCALE_ILANGUAGE:
        case LOCALE_IDEFAULTLANGUAGE:
            return LANGIDFROMLCID(locale.lcid);
        case LOCALE_IDEFAULTCODEPAGE:
            return GetOEMCP();
        case LOCALE_IDEFAULTANSICODEPAGE:
            return GetACP();
        case LOCALE_IMEASURE:
            return data.measure;
        case LOCALE_ICURRDIGITS:
        case LOCALE_IINTLCURRDIGITS:
            return data.currencyDigits;
        case LOCALE_IDATE:
            return DateOrder(data.shortDate);
        case LOCALE_ILDATE:
            return DateOrder(data.longDate);
        case LOCALE_ITIME:
            return TimeFactsOf(data.timeFormat).twentyFourHour ? 1 : 0;
        case LOCALE_ITLZERO:
            return TimeFactsOf(data.timeFormat).hourLeadingZero ? 1 : 0;
        case LOCALE_ITIMEMARKPOSN:
            return TimeFactsOf(data.timeFormat).markerFirst ? 1 : 0;
        case LOCALE_ICENTURY:
            return FieldWidth(platform::ParsePicture(data.shortDate, PictureKind::Date), u'y') >= 3 ? 1 : 0;
        case LOCALE_IDAYLZERO:
            return FieldWidth(platform::ParsePicture(data.shortDate, PictureKind::Date), u'd') == 2 ? 1 : 0;
        case LOCALE_IMONLZERO:
            return FieldWidth(platform::ParsePicture(data.shortDate, PictureKind::Date), u'M') == 2 ? 1 : 0;
        case LOCALE_ICALENDARTYPE:
            return 1;
        case LOCALE_IPAPERSIZE:
            return data.paperSize;
        case LOCALE_IFIRSTDAYOFWEEK:
            return data.firstDayOfWeek;
        case LOCALE_IFIRSTWEEKOFYEAR:
            return data.firstWeekOfYear;
        default:
            return std::nullopt;
    }
}

std::u16string NumberText(LCTYPE type, DWORD value)
{
    std::string text;
    if (type == LOCALE_ILANGUAGE || type == LOCALE_IDEFAULTLANGUAGE) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x", value);
        text = hex;
    } else {
        text = std::to_string(value);
    }
    return std::u16string(text.begin(), text.end());
}

// Day types count from Monday; the data from Sunday.
size_t DayIndex(LCTYPE type, LCTYPE first) { return (type - first + 1) % 7; }

const std::u16string* MonthName(const LocaleData& data, LCTYPE type, bool genitive)
{
    if (InRange(type, LOCALE_SMONTHNAME1, LOCALE_SMONTHNAME12)) {
        size_t i = type - LOCALE_SMONTHNAME1;
        return genitive ? &data.monthNamesInDate[i] : &data.monthNames[i];
    }
    if (InRange(type, LOCALE_SABBREVMONTHNAME1, LOCALE_SABBREVMONTHNAME12)) {
        size_t i = type - LOCALE_SABBREVMONTHNAME1;
        return genitive ? &data.abbrevMonthNamesInDate[i] : &data.abbrevMonthNames[i];
    }
    static const std::u16string empty;
    if (type == LOCALE_SMONTHNAME13 || type == LOCALE_SABBREVMONTHNAME13) return &empty;
    return nullptr;
}

// The text types other than month names.
std::optional<std::u16string> TextValue(const platform::ResolvedLocale& locale, const LocaleData& data, LCTYPE type)
{
    if (InRange(type, LOCALE_SDAYNAME1, LOCALE_SDAYNAME7)) return data.dayNames[DayIndex(type, LOCALE_SDAYNAME1)];
    if (InRange(type, LOCALE_SABBREVDAYNAME1, LOCALE_SABBREVDAYNAME7))
        return data.abbrevDayNames[DayIndex(type, LOCALE_SABBREVDAYNAME1)];
    if (InRange(type, LOCALE_SSHORTESTDAYNAME1, LOCALE_SSHORTESTDAYNAME7))
        return data.shortestDayNames[DayIndex(type, LOCALE_SSHORTESTDAYNAME1)];
    switch (type) {
        case LOCALE_SSHORTDATE:
            return data.shortDate;
        case LOCALE_SLONGDATE:
            return data.longDate;
        case LOCALE_STIMEFORMAT:
            return data.timeFormat;
        case LOCALE_SSHORTTIME:
            return data.shortTime;
        case LOCALE_SYEARMONTH:
            return data.yearMonth;
        case LOCALE_SMONTHDAY:
            return data.monthDay;
        case LOCALE_SDATE:
            return data.dateSeparator;
        case LOCALE_STIME:
            return data.timeSeparator;
        case LOCALE_S1159:
            return data.am;
        case LOCALE_S2359:
            return data.pm;
        case LOCALE_SLIST:
            return data.listSeparator;
        case LOCALE_SDECIMAL:
            return data.decimal;
        case LOCALE_STHOUSAND:
            return data.thousand;
        case LOCALE_SGROUPING:
        case LOCALE_SMONGROUPING:
            return data.grouping;
        case LOCALE_SNATIVEDIGITS:
            return data.nativeDigits;
        case LOCALE_SCURRENCY:
            return data.currency;
        case LOCALE_SINTLSYMBOL:
            return data.intlCurrency;
        case LOCALE_SMONDECIMALSEP:
            return data.monetaryDecimal;
        case LOCALE_SMONTHOUSANDSEP:
            return data.monetaryThousand;
        case LOCALE_SPOSITIVESIGN:
            return u"";  // the platform shows no plus sign
        case LOCALE_SNEGATIVESIGN:
            return data.negativeSign;
        case LOCALE_SLANGUAGE:
        case LOCALE_SENGLISHDISPLAYNAME:
            return data.englishDisplay;
        case LOCALE_SNATIVEDISPLAYNAME:
            return data.nativeDisplay;
        case LOCALE_SENGLANGUAGE:
            return data.englishLanguage;
        case LOCALE_SNATIVELANGNAME:
            return data.nativeLanguage;
        case LOCALE_SCOUNTRY:
        case LOCALE_SENGCOUNTRY:
            return data.englishCountry;
        case LOCALE_SNATIVECTRYNAME:
            return data.nativeCountry;
        case LOCALE_SISO639LANGNAME:
            return data.iso639;
        case LOCALE_SISO639LANGNAME2:
            return data.iso639Long;
        case LOCALE_SISO3166CTRYNAME:
            return data.iso3166;
        case LOCALE_SISO3166CTRYNAME2:
            return data.iso3166Long;
        case LOCALE_SPARENT:
            return data.parentName;
        case LOCALE_SNAME:
            return std::u16string(locale.tag.begin(), locale.tag.end());
        default:
            return std::nullopt;
    }
}

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

}  // namespace

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size)
{
    const platform::ResolvedLocale* resolved = platform::ResolveLocale(locale);
    if (!resolved || size < 0 || (size > 0 && !data)) return Fail(ERROR_INVALID_PARAMETER);
    const LocaleData& info = platform::LocaleDataFor(*resolved);
    LCTYPE plain = type & ~kModifiers;

    if (type & LOCALE_RETURN_NUMBER) {
        if (type & LOCALE_RETURN_GENITIVE_NAMES) return Fail(ERROR_INVALID_FLAGS);
        std::optional<DWORD> value = NumberValue(*resolved, info, plain);
        if (!value) return Fail(ERROR_INVALID_FLAGS);
        constexpr int kChars = sizeof(DWORD) / sizeof(WCHAR);
        if (size == 0) return kChars;
        if (size < kChars) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(data, &*value, sizeof(DWORD));
        return kChars;
    }
    if (const std::u16string* month = MonthName(info, plain, (type & LOCALE_RETURN_GENITIVE_NAMES) != 0))
        return platform::WriteLocaleText(*month, data, size);
    if (type & LOCALE_RETURN_GENITIVE_NAMES) return Fail(ERROR_INVALID_FLAGS);
    if (std::optional<DWORD> value = NumberValue(*resolved, info, plain))
        return platform::WriteLocaleText(NumberText(plain, *value), data, size);
    if (std::optional<std::u16string> text = TextValue(*resolved, info, plain))
        return platform::WriteLocaleText(*text, data, size);
    return Fail(ERROR_INVALID_FLAGS);
}
