// What the platform knows about one locale, gathered from ICU once (internal).
//
// Date and time formats are Windows pictures (see date_picture_conversion.h),
// taken from the locale's Gregorian calendar: the short date from ICU's short
// date with a four-digit year, the long date from ICU's full date, the time
// from ICU's medium time. Names come in two forms where ICU has two: the
// stand-alone form (as the locale lists them, "январь") and the form used
// inside a date ("января", the genitive of languages that have one).
#pragma once

#include <array>
#include <string>

#include "platform/locale/locale_resolution.h"

namespace platform {

struct LocaleData {
    std::u16string shortDate;   // "M/d/yyyy"
    std::u16string longDate;    // "dddd, MMMM d, yyyy"
    std::u16string timeFormat;  // "h:mm:ss tt"
    std::u16string shortTime;   // "h:mm tt"
    std::u16string yearMonth;   // "MMMM yyyy"
    std::u16string monthDay;    // "MMMM d"
    std::u16string dateSeparator;
    std::u16string timeSeparator;
    std::u16string am;
    std::u16string pm;
    std::u16string era;  // of the current era, abbreviated ("AD")

    // Sunday first.
    std::array<std::u16string, 7> dayNames;
    std::array<std::u16string, 7> abbrevDayNames;
    std::array<std::u16string, 7> shortestDayNames;
    std::array<std::u16string, 7> dayNamesInDate;
    std::array<std::u16string, 7> abbrevDayNamesInDate;
    // January first.
    std::array<std::u16string, 12> monthNames;
    std::array<std::u16string, 12> abbrevMonthNames;
    std::array<std::u16string, 12> monthNamesInDate;
    std::array<std::u16string, 12> abbrevMonthNamesInDate;

    int firstDayOfWeek = 6;   // 0 = Monday .. 6 = Sunday
    int firstWeekOfYear = 0;  // 0: holds 1 January, 1: first full week, 2: first with four days

    std::u16string decimal;
    std::u16string thousand;
    std::u16string grouping;  // "3;0"
    std::u16string listSeparator;
    std::u16string negativeSign;
    std::u16string nativeDigits;
    std::u16string currency;
    std::u16string intlCurrency;
    std::u16string monetaryDecimal;
    std::u16string monetaryThousand;
    int currencyDigits = 2;
    int measure = 0;    // 0 metric, 1 U.S.
    int paperSize = 9;  // 1 letter, 5 legal, 8 A3, 9 A4

    std::u16string englishLanguage;  // "German"
    std::u16string englishCountry;   // "Germany"
    std::u16string englishDisplay;   // "German (Germany)"
    std::u16string nativeLanguage;   // "Deutsch"
    std::u16string nativeCountry;    // "Deutschland"
    std::u16string nativeDisplay;    // "Deutsch (Deutschland)"
    std::u16string iso639;           // "de"
    std::u16string iso639Long;       // "deu"
    std::u16string iso3166;          // "DE"
    std::u16string iso3166Long;      // "DEU"
    std::u16string parentName;       // "de"
};

// Built on first use and kept for the life of the process.
const LocaleData& LocaleDataFor(const ResolvedLocale& locale);

}  // namespace platform
