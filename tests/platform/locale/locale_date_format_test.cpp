// GetDateFormatW and GetTimeFormatW against ICU formatting the same instant.
#include <gtest/gtest.h>
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/date_format.h"
#include "platform/time/clock.h"
#include "tests/support/last_error_check.h"
#include "tests/support/locale_pin.h"
#include "tests/support/test_dates.h"

namespace {

constexpr LCID kEnUs = 0x0409, kDeDe = 0x0407, kRuRu = 0x0419, kJaJp = 0x0411;

using kstest::Make;

std::string DateText(LCID locale, DWORD flags, const SYSTEMTIME& st, const char16_t* picture)
{
    WCHAR buffer[128];
    int n = GetDateFormatW(locale, flags, &st, picture, buffer, 128);
    return n ? U8(buffer) : "<failed " + std::to_string(GetLastError()) + ">";
}

std::string TimeText(LCID locale, DWORD flags, const SYSTEMTIME& st, const char16_t* picture)
{
    WCHAR buffer[128];
    int n = GetTimeFormatW(locale, flags, &st, picture, buffer, 128);
    return n ? U8(buffer) : "<failed " + std::to_string(GetLastError()) + ">";
}

// ICU's formatting of the instant with an ICU pattern, in UTC and the Gregorian calendar.
std::string IcuText(const char* locale, const SYSTEMTIME& st, const char16_t* pattern)
{
    UErrorCode err = U_ZERO_ERROR;
    icu::Locale gregorian(locale);
    gregorian.setKeywordValue("calendar", "gregorian", err);
    icu::SimpleDateFormat format(icu::UnicodeString(pattern), gregorian, err);
    icu::GregorianCalendar calendar(*icu::TimeZone::getGMT(), gregorian, err);
    calendar.clear();
    calendar.set(st.wYear, st.wMonth - 1, st.wDay, st.wHour, st.wMinute, st.wSecond);
    UDate when = calendar.getTime(err);
    EXPECT_TRUE(U_SUCCESS(err)) << u_errorName(err);
    format.setTimeZone(*icu::TimeZone::getGMT());
    icu::UnicodeString out;
    format.format(when, out);
    std::string text;
    out.toUTF8String(text);
    return text;
}

// Every month and weekday, one- and two-digit days and months, both ends of the range.
std::vector<SYSTEMTIME> SampleDates()
{
    std::vector<SYSTEMTIME> dates;
    for (int month = 1; month <= 12; ++month) dates.push_back(Make(2024, month, month * 2 + 1));
    for (int day = 1; day <= 7; ++day) dates.push_back(Make(2023, 1, day));
    dates.push_back(Make(1601, 1, 1));
    dates.push_back(Make(1999, 12, 31));
    dates.push_back(Make(2005, 7, 4));
    dates.push_back(Make(2000, 2, 29));
    dates.push_back(Make(9999, 12, 31));
    return dates;
}

struct Element {
    const char16_t* picture;
    const char16_t* icu;
};

class DateFormat : public EnUsLocaleTest {};

}  // namespace

TEST_F(DateFormat, EveryElementAndTheLongDatesAndTimesOfEveryLocaleMatchIcu)
{
    // The same in ICU: month names beside a day number in format form (M), alone stand-alone (L).
    const Element elements[] = {
        {u"d", u"d"},
        {u"dd", u"dd"},
        {u"ddd", u"EEE"},
        {u"dddd", u"EEEE"},
        {u"M", u"M"},
        {u"MM", u"MM"},
        {u"MMM", u"LLL"},
        {u"MMMM", u"LLLL"},
        {u"d MMM", u"d MMM"},
        {u"dd MMMM", u"dd MMMM"},
        {u"yy", u"yy"},
        {u"yyyy", u"yyyy"},
        {u"yyyyy", u"yyyy"},
        {u"gg", u"G"},
        {u"ddddd", u"EEEE"},
        {u"MMMMM", u"LLLL"},
        {u"dddd, MMMM dd, yyyy", u"EEEE, MMMM dd, yyyy"},
        {u"dd.MM.yyyy", u"dd.MM.yyyy"},
        {u"'Day' d 'of' MMMM", u"'Day' d 'of' MMMM"},
        {u"d'' h m s t", u"d'' 'h m s t'"},  // time letters are text in a date
        {u"MMMM yyyy", u"LLLL yyyy"},
    };
    for (auto [locale, lcid] : {std::pair{"en_US", kEnUs}, std::pair{"de_DE", kDeDe}, std::pair{"ru_RU", kRuRu}}) {
        for (const SYSTEMTIME& st : SampleDates()) {
            for (const Element& e : elements) {
                ASSERT_EQ(DateText(lcid, 0, st, e.picture), IcuText(locale, st, e.icu))
                    << locale << " " << U8(e.picture) << " " << st.wYear << "-" << st.wMonth << "-" << st.wDay;
            }
        }
    }
    const Element timeElements[] = {
        {u"h", u"h"},
        {u"hh", u"hh"},
        {u"H", u"H"},
        {u"HH", u"HH"},
        {u"m", u"m"},
        {u"mm", u"mm"},
        {u"s", u"s"},
        {u"ss", u"ss"},
        {u"tt", u"a"},
        {u"hhh:mmm:sss ttt", u"hh:mm:ss a"},
        {u"h:mm:ss tt", u"h:mm:ss a"},
        {u"'It''s' H 'o''clock'", u"'It''s' H 'o''clock'"},
        {u"HH d M y", u"HH 'd M y'"},  // date letters are text in a time
    };
    for (auto [locale, lcid] : {std::pair{"en_US", kEnUs}, std::pair{"de_DE", kDeDe}, std::pair{"ja_JP", kJaJp}}) {
        for (int hour = 0; hour < 24; ++hour) {
            SYSTEMTIME st = Make(2024, 3, 5, hour, (hour * 7) % 60, (hour * 13) % 60);
            for (const Element& e : timeElements)
                ASSERT_EQ(TimeText(lcid, 0, st, e.picture), IcuText(locale, st, e.icu))
                    << locale << " " << U8(e.picture) << " hour " << hour;
            // "t" is the first character of the designator.
            std::u16string designator = Utf8ToWide(IcuText(locale, st, u"a"));
            EXPECT_EQ(TimeText(lcid, 0, st, u"t"), U8(designator.substr(0, 1)));
        }
    }
    // Every ICU locale with a number: long date and time as ICU's full date and medium time (ASCII digits here).
    auto plain = [](icu::UnicodeString text) {
        text.findAndReplace(u"\u202F", u" ");
        for (int32_t i = 0; i < text.length(); ++i)
            if (u_charType(text[i]) == U_DECIMAL_DIGIT_NUMBER)
                text.setCharAt(i, static_cast<char16_t>(u'0' + u_charDigitValue(text[i])));
        std::string out;
        return text.toUTF8String(out);
    };
    const SYSTEMTIME instant = Make(2024, 3, 5, 14, 7, 9);
    int checked = 0;
    for (int32_t i = 0; i < uloc_countAvailable(); ++i) {
        const char* name = uloc_getAvailable(i);
        LCID lcid = uloc_getLCID(name);
        char back[ULOC_FULLNAME_CAPACITY] = "";
        UErrorCode err = U_ZERO_ERROR;
        uloc_getLocaleForLCID(lcid, back, sizeof back, &err);
        if (lcid == 0 || std::string(back) != name) continue;
        icu::Locale locale(name);
        locale.setKeywordValue("calendar", "gregorian", err);
        std::unique_ptr<icu::DateFormat> date(icu::DateFormat::createDateInstance(icu::DateFormat::kFull, locale));
        std::unique_ptr<icu::DateFormat> time(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
        icu::UnicodeString pattern;
        static_cast<icu::SimpleDateFormat*>(date.get())->toPattern(pattern);
        // A stand-alone weekday (Finnish "cccc") is shown as dates write it ("tiistaina").
        bool standaloneWeekday = pattern.indexOf(u'c') >= 0;
        icu::GregorianCalendar calendar(*icu::TimeZone::getGMT(), locale, err);
        calendar.clear();
        calendar.set(instant.wYear, instant.wMonth - 1, instant.wDay, instant.wHour, instant.wMinute, instant.wSecond);
        UDate when = calendar.getTime(err);
        ASSERT_TRUE(U_SUCCESS(err)) << name;
        date->setTimeZone(*icu::TimeZone::getGMT());
        time->setTimeZone(*icu::TimeZone::getGMT());
        icu::UnicodeString icuDate;
        icu::UnicodeString icuTime;
        if (!standaloneWeekday) {
            EXPECT_EQ(DateText(lcid, DATE_LONGDATE, instant, nullptr), plain(date->format(when, icuDate))) << name;
        }
        EXPECT_EQ(TimeText(lcid, 0, instant, nullptr), plain(time->format(when, icuTime))) << name;
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

TEST_F(DateFormat, LocaleDefaultsFlagsWhatIcuCannotSayNowForANullTimeBadInputAndBuffers)
{
    SYSTEMTIME st = Make(2024, 3, 5, 14, 7, 9);
    st.wDayOfWeek = 6;  // wrong on purpose: the day of the week is computed
    EXPECT_EQ(DateText(kEnUs, 0, st, nullptr), "3/5/2024");
    EXPECT_EQ(DateText(kEnUs, DATE_SHORTDATE, st, nullptr), "3/5/2024");
    EXPECT_EQ(DateText(kEnUs, DATE_LONGDATE, st, nullptr), "Tuesday, March 5, 2024");
    EXPECT_EQ(DateText(kEnUs, DATE_YEARMONTH, st, nullptr), "March 2024");
    EXPECT_EQ(DateText(kDeDe, DATE_SHORTDATE, st, nullptr), "05.03.2024");
    EXPECT_EQ(DateText(kDeDe, DATE_LONGDATE | LOCALE_NOUSEROVERRIDE, st, nullptr), "Dienstag, 5. März 2024");
    EXPECT_EQ(DateText(kEnUs, DATE_RTLREADING, st, u"d"),
              "\u200F"
              "5");

    EXPECT_EQ(TimeText(kEnUs, 0, st, nullptr), "2:07:09 PM");
    EXPECT_EQ(TimeText(kEnUs, TIME_NOSECONDS, st, nullptr), "2:07 PM");
    EXPECT_EQ(TimeText(kEnUs, TIME_NOMINUTESORSECONDS, st, nullptr), "2 PM");
    EXPECT_EQ(TimeText(kEnUs, TIME_NOTIMEMARKER, st, nullptr), "2:07:09");
    EXPECT_EQ(TimeText(kEnUs, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, st, nullptr), "14:07:09");
    EXPECT_EQ(TimeText(kDeDe, 0, st, nullptr), "14:07:09");
    EXPECT_EQ(TimeText(kDeDe, TIME_NOSECONDS, st, nullptr), "14:07");
    // The flags apply to an explicit picture too.
    EXPECT_EQ(TimeText(kEnUs, TIME_NOSECONDS, st, u"hh:mm:ss tt"), "02:07 PM");
    EXPECT_EQ(TimeText(kJaJp, TIME_NOSECONDS, st, u"H'\u6642'mm'\u5206'ss'\u79D2'"), "14時07分");
    // Midnight and noon on the 12-hour clock.
    EXPECT_EQ(TimeText(kEnUs, 0, Make(2024, 1, 1, 0, 5), nullptr), "12:05:00 AM");
    EXPECT_EQ(TimeText(kEnUs, 0, Make(2024, 1, 1, 12, 5), nullptr), "12:05:00 PM");
    // What ICU has no equivalent for: "y" is the year in the century without a zero.
    EXPECT_EQ(DateText(kEnUs, 0, Make(2005, 7, 4), u"y"), "5");
    EXPECT_EQ(DateText(kEnUs, 0, Make(2024, 7, 4), u"y"), "24");
    EXPECT_EQ(DateText(kEnUs, 0, Make(2000, 7, 4), u"y yy"), "0 00");
    // A month name beside a day name is nominative (genitive beside a day number, as above).
    EXPECT_EQ(DateText(kRuRu, 0, Make(2024, 1, 5), u"dddd MMMM"), "пятница январь");
    EXPECT_EQ(DateText(LOCALE_USER_DEFAULT, DATE_LONGDATE, st, nullptr), "Tuesday, March 5, 2024");
    PinnedLocale german("de-DE");
    EXPECT_EQ(DateText(LOCALE_USER_DEFAULT, DATE_LONGDATE, st, nullptr), "Dienstag, 5. März 2024");
    EXPECT_EQ(TimeText(LOCALE_SYSTEM_DEFAULT, 0, st, nullptr), "14:07:09");
    ASSERT_TRUE(platform::SetPinnedNow(Make(2031, 10, 9, 8, 7, 6)));
    struct Unpin {
        ~Unpin() { platform::ClearPinnedNow(); }
    } unpin;
    WCHAR nowText[64];
    ASSERT_GT(GetDateFormatW(kEnUs, DATE_LONGDATE, nullptr, nullptr, nowText, 64), 0);
    EXPECT_EQ(U8(nowText), "Thursday, October 9, 2031");
    ASSERT_GT(GetTimeFormatW(kEnUs, 0, nullptr, nullptr, nowText, 64), 0);
    EXPECT_EQ(U8(nowText), "8:07:06 AM");
    const SYSTEMTIME badDates[] = {Make(2024, 13, 1), Make(2024, 0, 1),   Make(2024, 1, 0), Make(2023, 2, 29),
                                   Make(2024, 4, 31), Make(1600, 12, 31), Make(30828, 1, 1)};
    for (const SYSTEMTIME& st : badDates) {
        SetLastError(0);
        WCHAR buffer[32];
        EXPECT_TRUE(FAILS_WITH(GetDateFormatW(kEnUs, 0, &st, nullptr, buffer, 32), 0, ERROR_INVALID_PARAMETER))
            << st.wYear << "-" << st.wMonth;
    }
    EXPECT_EQ(DateText(kEnUs, 0, Make(1601, 1, 1), u"yyyy-MM-dd"), "1601-01-01");
    EXPECT_EQ(DateText(kEnUs, 0, Make(30827, 12, 31), u"yyyy"), "30827");
    // The time of day is not looked at by the date, nor the date by the time.
    EXPECT_EQ(DateText(kEnUs, 0, Make(2024, 1, 2, 99, 99, 99), u"d"), "2");
    EXPECT_EQ(TimeText(kEnUs, 0, Make(0, 0, 0, 23, 59, 59), u"HH:mm:ss"), "23:59:59");

    const SYSTEMTIME badTimes[] = {Make(2024, 1, 1, 24), Make(2024, 1, 1, 0, 60), Make(2024, 1, 1, 0, 0, 60)};
    for (const SYSTEMTIME& st : badTimes) EXPECT_EQ(TimeText(kEnUs, 0, st, nullptr), "<failed 87>");
    SYSTEMTIME late = Make(2024, 1, 1);
    late.wMilliseconds = 1000;
    EXPECT_EQ(TimeText(kEnUs, 0, late, nullptr), "<failed 87>");
    EXPECT_EQ(DateText(kEnUs, DATE_SHORTDATE | DATE_LONGDATE, st, nullptr), "<failed 1004>");
    EXPECT_EQ(DateText(kEnUs, DATE_LONGDATE, st, u"d"), "<failed 1004>");
    EXPECT_EQ(DateText(kEnUs, DATE_LTRREADING | DATE_RTLREADING, st, nullptr), "<failed 1004>");
    EXPECT_EQ(DateText(kEnUs, 0x100, st, nullptr), "<failed 1004>");
    EXPECT_EQ(TimeText(kEnUs, 0x10, st, nullptr), "<failed 1004>");
    EXPECT_EQ(DateText(0x1234, 0, st, nullptr), "<failed 87>");
    WCHAR buffer[16];
    EXPECT_EQ(GetDateFormatW(kEnUs, 0, &st, nullptr, nullptr, 0), 9);  // "3/5/2024" and the terminator
    EXPECT_EQ(GetDateFormatW(kEnUs, 0, &st, nullptr, buffer, 9), 9);
    EXPECT_TRUE(FAILS_WITH(GetDateFormatW(kEnUs, 0, &st, nullptr, buffer, 8), 0, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetTimeFormatW(kEnUs, 0, &st, nullptr, nullptr, 0), 11);
    EXPECT_TRUE(FAILS_WITH(GetTimeFormatW(kEnUs, 0, &st, nullptr, nullptr, 11), 0, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetTimeFormatW(kEnUs, 0, &st, u"", buffer, 16), 1);
    EXPECT_EQ(buffer[0], 0);
}
