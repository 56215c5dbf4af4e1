// Gathering a locale's formats, names and symbols from ICU.
#include "platform/locale/internal/locale_data.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/ucurr.h>
#include <unicode/ulocdata.h>

#include <map>
#include <memory>
#include <mutex>

#include "platform/locale/internal/date_picture.h"
#include "platform/locale/internal/date_picture_conversion.h"

namespace platform {
namespace {

std::u16string ToU16(const icu::UnicodeString& s)
{
    return std::u16string(s.getBuffer(), static_cast<size_t>(s.length()));
}

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// ICU's pattern of a date or time style, converted.
std::u16string StylePicture(const icu::Locale& locale, icu::DateFormat::EStyle date, icu::DateFormat::EStyle time,
                            PatternUse use)
{
    std::unique_ptr<icu::DateFormat> format(date != icu::DateFormat::kNone
                                                ? icu::DateFormat::createDateInstance(date, locale)
                                                : icu::DateFormat::createTimeInstance(time, locale));
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get());
    if (!simple) return {};
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    return WindowsPictureFromPattern(ToU16(pattern), use);
}

std::u16string SkeletonPicture(const icu::Locale& locale, const char16_t* skeleton)
{
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, err));
    if (U_FAILURE(err)) return {};
    icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(skeleton), err);
    return U_SUCCESS(err) ? WindowsPictureFromPattern(ToU16(pattern), PatternUse::LongDate) : std::u16string();
}

// The literal text between the first two fields of a picture.
std::u16string FirstSeparator(std::u16string_view picture, PictureKind kind)
{
    std::vector<PictureToken> tokens = ParsePicture(picture, kind);
    for (size_t i = 0; i + 2 < tokens.size(); ++i)
        if (tokens[i].IsField() && !tokens[i + 1].IsField() && tokens[i + 2].IsField()) return tokens[i + 1].text;
    return {};
}

template <size_t N>
void CopyNames(std::array<std::u16string, N>& out, const icu::UnicodeString* names, int32_t count, int32_t first)
{
    for (size_t i = 0; i < N; ++i) {
        int32_t at = first + static_cast<int32_t>(i);
        if (names && at < count) out[i] = ToU16(names[at]);
    }
}

void GatherDates(const icu::Locale& gregorian, LocaleData& data)
{
    data.shortDate = StylePicture(gregorian, icu::DateFormat::kShort, icu::DateFormat::kNone, PatternUse::ShortDate);
    data.longDate = StylePicture(gregorian, icu::DateFormat::kFull, icu::DateFormat::kNone, PatternUse::LongDate);
    data.timeFormat = StylePicture(gregorian, icu::DateFormat::kNone, icu::DateFormat::kMedium, PatternUse::Time);
    data.shortTime = StylePicture(gregorian, icu::DateFormat::kNone, icu::DateFormat::kShort, PatternUse::Time);
    data.yearMonth = SkeletonPicture(gregorian, u"yMMMM");
    data.monthDay = SkeletonPicture(gregorian, u"MMMMd");
    data.dateSeparator = FirstSeparator(data.shortDate, PictureKind::Date);
    data.timeSeparator = FirstSeparator(data.timeFormat, PictureKind::Time);

    UErrorCode err = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(gregorian, err);
    if (U_FAILURE(err)) return;
    using S = icu::DateFormatSymbols;
    int32_t n = 0;
    const icu::UnicodeString* names = symbols.getAmPmStrings(n);
    if (n >= 2) {
        data.am = ToU16(names[0]);
        data.pm = ToU16(names[1]);
    }
    names = symbols.getEras(n);
    if (n >= 2) data.era = ToU16(names[1]);
    // ICU's weekday arrays start at index 1 (Sunday).
    names = symbols.getWeekdays(n, S::STANDALONE, S::WIDE);
    CopyNames(data.dayNames, names, n, 1);
    names = symbols.getWeekdays(n, S::STANDALONE, S::ABBREVIATED);
    CopyNames(data.abbrevDayNames, names, n, 1);
    names = symbols.getWeekdays(n, S::STANDALONE, S::SHORT);
    CopyNames(data.shortestDayNames, names, n, 1);
    names = symbols.getWeekdays(n, S::FORMAT, S::WIDE);
    CopyNames(data.dayNamesInDate, names, n, 1);
    names = symbols.getWeekdays(n, S::FORMAT, S::ABBREVIATED);
    CopyNames(data.abbrevDayNamesInDate, names, n, 1);
    names = symbols.getMonths(n, S::STANDALONE, S::WIDE);
    CopyNames(data.monthNames, names, n, 0);
    names = symbols.getMonths(n, S::STANDALONE, S::ABBREVIATED);
    CopyNames(data.abbrevMonthNames, names, n, 0);
    names = symbols.getMonths(n, S::FORMAT, S::WIDE);
    CopyNames(data.monthNamesInDate, names, n, 0);
    names = symbols.getMonths(n, S::FORMAT, S::ABBREVIATED);
    CopyNames(data.abbrevMonthNamesInDate, names, n, 0);

    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(gregorian, err));
    if (U_SUCCESS(err)) {
        // ICU counts Sunday = 1 .. Saturday = 7; the platform Monday = 0.
        data.firstDayOfWeek = (static_cast<int>(calendar->getFirstDayOfWeek(err)) + 5) % 7;
        uint8_t minimalDays = calendar->getMinimalDaysInFirstWeek();
        data.firstWeekOfYear = minimalDays == 7 ? 1 : minimalDays == 4 ? 2 : 0;
    }
}

std::u16string Grouping(int32_t primary, int32_t secondary)
{
    if (primary <= 0) return u"0";
    std::u16string out = Ascii(std::to_string(primary));
    if (secondary > 0 && secondary != primary) out += u";" + Ascii(std::to_string(secondary));
    return out + u";0";
}

void GatherNumbers(const icu::Locale& locale, LocaleData& data)
{
    UErrorCode err = U_ZERO_ERROR;
    icu::DecimalFormatSymbols symbols(locale, err);
    if (U_SUCCESS(err)) {
        using D = icu::DecimalFormatSymbols;
        data.decimal = ToU16(symbols.getSymbol(D::kDecimalSeparatorSymbol));
        data.thousand = ToU16(symbols.getSymbol(D::kGroupingSeparatorSymbol));
        data.negativeSign = ToU16(symbols.getSymbol(D::kMinusSignSymbol));
        data.currency = ToU16(symbols.getSymbol(D::kCurrencySymbol));
        data.intlCurrency = ToU16(symbols.getSymbol(D::kIntlCurrencySymbol));
        data.monetaryDecimal = ToU16(symbols.getSymbol(D::kMonetarySeparatorSymbol));
        data.monetaryThousand = ToU16(symbols.getSymbol(D::kMonetaryGroupingSeparatorSymbol));
        const D::ENumberFormatSymbol digits[] = {
            D::kZeroDigitSymbol, D::kOneDigitSymbol, D::kTwoDigitSymbol,   D::kThreeDigitSymbol, D::kFourDigitSymbol,
            D::kFiveDigitSymbol, D::kSixDigitSymbol, D::kSevenDigitSymbol, D::kEightDigitSymbol, D::kNineDigitSymbol};
        for (auto digit : digits) data.nativeDigits += ToU16(symbols.getSymbol(digit));
    }
    // The list separator is not locale data in ICU; the platform's rule of
    // thumb: a semicolon where the comma is the decimal separator.
    data.listSeparator = data.decimal == u"," ? u";" : u",";

    err = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> number(icu::NumberFormat::createInstance(locale, err));
    if (auto* decimal = dynamic_cast<icu::DecimalFormat*>(number.get()))
        data.grouping = Grouping(decimal->getGroupingSize(), decimal->getSecondaryGroupingSize());
    else
        data.grouping = u"3;0";

    err = U_ZERO_ERROR;
    UChar code[4] = {};
    ucurr_forLocale(locale.getName(), code, 4, &err);
    if (U_SUCCESS(err)) {
        int32_t digits = ucurr_getDefaultFractionDigits(code, &err);
        if (U_SUCCESS(err)) data.currencyDigits = digits;
    }
    err = U_ZERO_ERROR;
    if (ulocdata_getMeasurementSystem(locale.getName(), &err) == UMS_US && U_SUCCESS(err)) data.measure = 1;
    err = U_ZERO_ERROR;
    int32_t height = 0;
    int32_t width = 0;
    ulocdata_getPaperSize(locale.getName(), &height, &width, &err);
    if (U_SUCCESS(err)) {
        if (height == 279 && width == 216)
            data.paperSize = 1;
        else if (height == 356 && width == 216)
            data.paperSize = 5;
        else if (height == 420 && width == 297)
            data.paperSize = 8;
    }
}

void GatherNames(const icu::Locale& locale, LocaleData& data)
{
    icu::UnicodeString s;
    const icu::Locale& english = icu::Locale::getEnglish();
    data.englishLanguage = ToU16(locale.getDisplayLanguage(english, s));
    data.englishCountry = ToU16(locale.getDisplayCountry(english, s));
    data.nativeLanguage = ToU16(locale.getDisplayLanguage(locale, s));
    data.nativeCountry = ToU16(locale.getDisplayCountry(locale, s));
    icu::Locale plain(locale.getLanguage(), locale.getCountry(), locale.getVariant());
    if (*locale.getScript()) plain = icu::Locale(locale.getBaseName());
    data.englishDisplay = ToU16(plain.getDisplayName(english, s));
    data.nativeDisplay = ToU16(plain.getDisplayName(locale, s));
    data.iso639 = Ascii(locale.getLanguage());
    data.iso639Long = Ascii(locale.getISO3Language());
    data.iso3166 = Ascii(locale.getCountry());
    data.iso3166Long = Ascii(locale.getISO3Country());
    data.parentName = data.iso639;
    if (*locale.getScript()) data.parentName += u"-" + Ascii(locale.getScript());
}

std::unique_ptr<LocaleData> Gather(const ResolvedLocale& resolved)
{
    auto data = std::make_unique<LocaleData>();
    icu::Locale locale(resolved.icuName.c_str());
    // Broken-down times are Gregorian whatever the locale's own calendar is.
    icu::Locale gregorian = locale;
    UErrorCode err = U_ZERO_ERROR;
    gregorian.setKeywordValue("calendar", "gregorian", err);
    GatherDates(gregorian, *data);
    GatherNumbers(locale, *data);
    GatherNames(locale, *data);
    return data;
}

}  // namespace

const LocaleData& LocaleDataFor(const ResolvedLocale& locale)
{
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<LocaleData>> gathered;
    std::lock_guard lock(mutex);
    std::unique_ptr<LocaleData>& data = gathered[locale.index];
    if (!data) data = Gather(locale);
    return *data;
}

}  // namespace platform
