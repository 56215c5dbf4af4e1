// GetLocaleInfoW and the ICU-pattern converter behind it.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/internal/date_picture.h"
#include "platform/locale/internal/date_picture_conversion.h"
#include "platform/locale/locale_info.h"
#include "tests/support/last_error_check.h"
#include "tests/support/locale_pin.h"

namespace {

constexpr LCID kEnUs = 0x0409, kDeDe = 0x0407, kEnGb = 0x0809, kJaJp = 0x0411, kRuRu = 0x0419, kFrFr = 0x040C;

std::string Info(LCID locale, LCTYPE type)
{
    WCHAR buffer[256];
    int n = GetLocaleInfoW(locale, type, buffer, 256);
    if (n == 0) return "<failed " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(static_cast<size_t>(n), std::u16string_view(buffer).size() + 1) << "count includes the terminator";
    return U8(buffer);
}

class LocaleInfo : public EnUsLocaleTest {};

}  // namespace

// The values of several types joined by " | ".
std::string Infos(LCID locale, std::initializer_list<LCTYPE> types)
{
    std::string joined;
    for (LCTYPE type : types) joined += (joined.empty() ? "" : " | ") + Info(locale, type);
    return joined;
}

TEST_F(LocaleInfo, PicturesFlagsNumbersNamesUserDefaultAndTheBufferConvention)
{
    // Short date, long date, time, short time, year and month.
    const std::pair<LCID, const char*> pictures[] = {
        {kEnUs, "M/d/yyyy | dddd, MMMM d, yyyy | h:mm:ss tt | h:mm tt | MMMM yyyy"},
        {kDeDe, "dd.MM.yyyy | dddd, d. MMMM yyyy | HH:mm:ss | HH:mm | MMMM yyyy"},
        {kEnGb, "dd/MM/yyyy | dddd, d MMMM yyyy | HH:mm:ss | HH:mm | MMMM yyyy"},
        {kJaJp, "yyyy/MM/dd | yyyy'年'M'月'd'日'dddd | H:mm:ss | H:mm | yyyy'年'M'月'"},
        {kFrFr, "dd/MM/yyyy | dddd d MMMM yyyy | HH:mm:ss | HH:mm | MMMM yyyy"},
    };
    for (const auto& [locale, expected] : pictures)
        EXPECT_EQ(Infos(locale, {LOCALE_SSHORTDATE, LOCALE_SLONGDATE, LOCALE_STIMEFORMAT, LOCALE_SSHORTTIME,
                                 LOCALE_SYEARMONTH}),
                  expected);
    // SDATE STIME S1159 S2359 IDATE ILDATE ITIME ITLZERO ICENTURY IDAYLZERO IMONLZERO ITIMEMARKPOSN IFIRSTDAYOFWEEK
    const std::pair<LCID, const char*> flags[] = {
        {kEnUs, "/ | : | AM | PM | 0 | 0 | 0 | 0 | 1 | 0 | 0 | 0 | 6"},
        {kDeDe, ". | : | AM | PM | 1 | 1 | 1 | 1 | 1 | 1 | 1 | 0 | 0"},
        {kEnGb, "/ | : | am | pm | 1 | 1 | 1 | 1 | 1 | 1 | 1 | 0 | 0"},
        {kJaJp, "/ | : | 午前 | 午後 | 2 | 2 | 1 | 0 | 1 | 1 | 1 | 0 | 6"},
        {0x0412 /* ko-KR */, ".  |   | 오전 | 오후 | 2 | 2 | 0 | 0 | 1 | 0 | 0 | 1 | 6"},
    };
    for (const auto& [locale, expected] : flags)
        EXPECT_EQ(Infos(locale, {LOCALE_SDATE, LOCALE_STIME, LOCALE_S1159, LOCALE_S2359, LOCALE_IDATE, LOCALE_ILDATE,
                                 LOCALE_ITIME, LOCALE_ITLZERO, LOCALE_ICENTURY, LOCALE_IDAYLZERO, LOCALE_IMONLZERO,
                                 LOCALE_ITIMEMARKPOSN, LOCALE_IFIRSTDAYOFWEEK}),
                  expected);
    struct Case {
        LCID locale;
        LCTYPE type;
        const char* value;
    };
    const Case cases[] = {
        {kDeDe, LOCALE_SDECIMAL, ","},
        {kDeDe, LOCALE_STHOUSAND, "."},
        {kDeDe, LOCALE_SLIST, ";"},
        {kEnUs, LOCALE_SGROUPING, "3;0"},
        {0x0439 /* hi-IN */, LOCALE_SGROUPING, "3;2;0"},
        {kEnUs, LOCALE_SNATIVEDIGITS, "0123456789"},
        {kDeDe, LOCALE_SCURRENCY, "€"},
        {kDeDe, LOCALE_SINTLSYMBOL, "EUR"},
        {kEnUs, LOCALE_ICURRDIGITS, "2"},
        {kEnUs, LOCALE_IMEASURE, "1"},
        {kDeDe, LOCALE_IPAPERSIZE, "9"},
        {kFrFr, LOCALE_ILANGUAGE, "040c"},
        {kDeDe, LOCALE_SNAME, "de-DE"},
        {kDeDe, LOCALE_SENGLANGUAGE, "German"},
        {kDeDe, LOCALE_SENGCOUNTRY, "Germany"},
        {kDeDe, LOCALE_SNATIVELANGNAME, "Deutsch"},
        {kDeDe, LOCALE_SNATIVECTRYNAME, "Deutschland"},
        {kDeDe, LOCALE_SLANGUAGE, "German (Germany)"},
        {kDeDe, LOCALE_SISO639LANGNAME, "de"},
        {kDeDe, LOCALE_SISO3166CTRYNAME, "DE"},
        {kDeDe, LOCALE_SISO639LANGNAME2, "deu"},
        {kDeDe, LOCALE_SISO3166CTRYNAME2, "DEU"},
        {kDeDe, LOCALE_SPARENT, "de"},
        {kEnGb, LOCALE_SENGLISHDISPLAYNAME, "English (United Kingdom)"},
        {kEnUs, LOCALE_ICALENDARTYPE, "1"},
        {kDeDe, LOCALE_IFIRSTWEEKOFYEAR, "2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Info(c.locale, c.type), c.value) << std::hex << c.locale << " type " << c.type;
    // Day 1 is Monday, day 7 Sunday; month 13 is empty; genitive month names only on request.
    EXPECT_EQ(Infos(kEnUs, {LOCALE_SDAYNAME1, LOCALE_SDAYNAME7, LOCALE_SABBREVDAYNAME3, LOCALE_SMONTHNAME1,
                            LOCALE_SMONTHNAME12, LOCALE_SABBREVMONTHNAME9, LOCALE_SMONTHNAME13,
                            LOCALE_SMONTHNAME5 | LOCALE_RETURN_GENITIVE_NAMES}),
              "Monday | Sunday | Wed | January | December | Sep |  | May");
    EXPECT_EQ(Infos(kDeDe, {LOCALE_SDAYNAME1, LOCALE_SMONTHNAME3}), "Montag | März");
    EXPECT_EQ(Info(kJaJp, LOCALE_SMONTHNAME10), "10月");
    EXPECT_EQ(Infos(kRuRu, {LOCALE_SMONTHNAME1, LOCALE_SMONTHNAME1 | LOCALE_RETURN_GENITIVE_NAMES}), "январь | января");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE), "M/d/yyyy");
    PinnedLocale german("de-DE");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE), "dd.MM.yyyy");
    EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_ITIME), "1");
    // The retry the callers make with LOCALE_NOUSEROVERRIDE, in the locale or the type.
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT | LOCALE_NOUSEROVERRIDE, LOCALE_S2359), "PM");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_STIME | LOCALE_NOUSEROVERRIDE), ":");
    WCHAR buffer[16];
    // Size 0 asks for the count, terminator included; the buffer is not touched.
    EXPECT_EQ(GetLocaleInfoW(kEnUs, LOCALE_SSHORTDATE, nullptr, 0), 9);
    EXPECT_EQ(GetLocaleInfoW(kEnUs, LOCALE_SSHORTDATE, buffer, 9), 9);
    EXPECT_EQ(U8(buffer), "M/d/yyyy");

    SetLastError(0);
    buffer[0] = u'x';
    EXPECT_TRUE(FAILS_WITH(GetLocaleInfoW(kEnUs, LOCALE_SSHORTDATE, buffer, 8), 0, ERROR_INSUFFICIENT_BUFFER));

    EXPECT_TRUE(FAILS_WITH(GetLocaleInfoW(0x1234, LOCALE_SSHORTDATE, buffer, 16), 0, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(GetLocaleInfoW(kEnUs, LOCALE_SSHORTDATE, nullptr, 16), 0, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(GetLocaleInfoW(kEnUs, LOCALE_SSHORTDATE, buffer, -1), 0, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(GetLocaleInfoW(kEnUs, 0x0FFF, buffer, 16), 0, ERROR_INVALID_FLAGS));
    EXPECT_TRUE(FAILS_WITH(GetLocaleInfoW(kEnUs, LOCALE_SDAYNAME1 | LOCALE_RETURN_GENITIVE_NAMES, buffer, 16), 0,
                           ERROR_INVALID_FLAGS));
    // LOCALE_RETURN_NUMBER gives a DWORD.
    DWORD value = 0xFFFFFFFF;
    auto* out = reinterpret_cast<LPWSTR>(&value);
    EXPECT_EQ(GetLocaleInfoW(kDeDe, LOCALE_ITIME | LOCALE_RETURN_NUMBER, nullptr, 0), 2);
    EXPECT_EQ(GetLocaleInfoW(kDeDe, LOCALE_ITIME | LOCALE_RETURN_NUMBER, out, 2), 2);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(GetLocaleInfoW(kJaJp, LOCALE_IDATE | LOCALE_RETURN_NUMBER, out, 2), 2);
    EXPECT_EQ(value, 2u);
    EXPECT_EQ(GetLocaleInfoW(kFrFr, LOCALE_ILANGUAGE | LOCALE_RETURN_NUMBER, out, 2), 2);
    EXPECT_EQ(value, 0x040Cu);
    EXPECT_TRUE(
        FAILS_WITH(GetLocaleInfoW(kDeDe, LOCALE_ITIME | LOCALE_RETURN_NUMBER, out, 1), 0, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(
        FAILS_WITH(GetLocaleInfoW(kDeDe, LOCALE_SLONGDATE | LOCALE_RETURN_NUMBER, out, 2), 0, ERROR_INVALID_FLAGS));
}

TEST(DatePictureConversion, IcuFieldsBecomePictureElementsThatReadBackAsTheSameTokensAndDropWithSeparators)
{
    using platform::PatternUse;
    struct Case {
        const char16_t* icu;
        PatternUse use;
        const char16_t* picture;
    };
    const Case cases[] = {
        // Years: two letters stay two-digit, except in a short date.
        {u"M/d/yy", PatternUse::ShortDate, u"M/d/yyyy"},
        {u"M/d/yy", PatternUse::LongDate, u"M/d/yy"},
        {u"d.M.y", PatternUse::LongDate, u"d.M.yyyy"},
        {u"d MMMMM Y G", PatternUse::LongDate, u"d MMM yyyy gg"},
        // Weekdays: E in every width, c and e only as names.
        {u"E EE EEE EEEE EEEEE", PatternUse::LongDate, u"ddd ddd ddd dddd ddd"},
        {u"cccc, d. LLLL", PatternUse::LongDate, u"dddd, d. MMMM"},
        {u"e d", PatternUse::LongDate, u"d"},
        {u"ddd", PatternUse::LongDate, u"dd"},
        // Hours and designators.
        {u"h:mm:ss\u202Fa", PatternUse::Time, u"h:mm:ss tt"},
        {u"K:mm a", PatternUse::Time, u"h:mm tt"},
        {u"kk:mm", PatternUse::Time, u"HH:mm"},
        {u"B h:mm", PatternUse::Time, u"tt h:mm"},
        // Fields the pictures cannot show go with their separator.
        {u"h:mm:ss a zzzz", PatternUse::Time, u"h:mm:ss tt"},
        {u"HH:mm:ss.SSS", PatternUse::Time, u"HH:mm:ss"},
        {u"v HH:mm", PatternUse::Time, u"HH:mm"},
        {u"QQQ y", PatternUse::LongDate, u"yyyy"},
        // Literal text: letters are quoted, quotes doubled, other text bare.
        {u"d 'de' MMMM 'de' y", PatternUse::LongDate, u"d' de 'MMMM' de 'yyyy"},
        {u"y\u5E74M\u6708d\u65E5", PatternUse::LongDate, u"yyyy'\u5E74'M'\u6708'd'\u65E5'"},
        {u"h 'o''clock' a", PatternUse::Time, u"h' o''clock 'tt"},
        {u"HH''mm", PatternUse::Time, u"HH''mm"},
        {u"'''x' H", PatternUse::Time, u"'''x 'H"},  // a leading quote stays outside the quoted part
    };
    for (const Case& c : cases)
        EXPECT_EQ(U8(platform::WindowsPictureFromPattern(c.icu, c.use)), U8(c.picture)) << U8(c.icu);
    // Splitting a written picture gives back the tokens it was written from.
    using platform::PictureKind;
    const char16_t* pictures[] = {u"dddd, MMMM d, yyyy", u"d' de 'MMMM", u"''''yyyy",       u"yy'''x'''",
                                  u"'a''b' d",           u"H'h'mm",      u"'unterminated d"};
    for (const char16_t* picture : pictures) {
        auto tokens = platform::ParsePicture(picture, PictureKind::Date);
        auto again = platform::ParsePicture(platform::FormatPicture(tokens), PictureKind::Date);
        ASSERT_EQ(again.size(), tokens.size()) << U8(picture);
        for (size_t i = 0; i < tokens.size(); ++i) {
            EXPECT_EQ(again[i].letter, tokens[i].letter) << U8(picture);
            EXPECT_EQ(again[i].count, tokens[i].count) << U8(picture);
            EXPECT_EQ(U8(again[i].text), U8(tokens[i].text)) << U8(picture);
        }
    }
    auto tokens = platform::ParsePicture(u"'It''s' d", PictureKind::Date);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(U8(tokens[0].text), "It's ");
    tokens = platform::ParsePicture(u"'open d", PictureKind::Date);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(U8(tokens[0].text), "open d");
    // Dropping fields takes their separators along.
    auto drop = [](const char16_t* picture, std::u16string letters) {
        auto tokens = platform::ParsePicture(picture, PictureKind::Time);
        platform::DropFields(
            tokens, [&](const platform::PictureToken& t) { return letters.find(t.letter) != std::u16string::npos; });
        return U8(platform::FormatPicture(tokens));
    };
    EXPECT_EQ(drop(u"h:mm:ss tt", u"s"), "h:mm tt");
    EXPECT_EQ(drop(u"h:mm:ss tt", u"t"), "h:mm:ss");
    EXPECT_EQ(drop(u"h:mm:ss tt", u"ms"), "h tt");
    EXPECT_EQ(drop(u"tt h:mm:ss", u"t"), "h:mm:ss");
    EXPECT_EQ(drop(u"H'\u6642'mm'\u5206'ss'\u79D2'", u"s"), U8(u"H'\u6642'mm'\u5206'"));
    EXPECT_EQ(drop(u"H'\u6642'mm'\u5206'ss'\u79D2'", u"ms"), U8(u"H'\u6642'"));
    EXPECT_EQ(drop(u"HH:mm", u"Hm"), "");
}
