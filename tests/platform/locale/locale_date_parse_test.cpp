// VarDateFromStr; day numbers count from 30 December 1899 (5 March 2024 is 45356).
#include <gtest/gtest.h>

#include "platform/locale/variant_date_parse.h"
#include "platform/time/clock.h"
#include "tests/support/locale_pin.h"

namespace {

constexpr LCID kEnUs = 0x0409, kDeDe = 0x0407, kJaJp = 0x0411, kEnGb = 0x0809;

double Time(int h, int m, int s = 0) { return (h * 3600 + m * 60 + s) / 86400.0; }

struct Parsed {
    HRESULT result;
    DATE value;
};

Parsed Parse(const char16_t* text, LCID locale = 0, ULONG flags = 0)
{
    DATE value = -12345;
    HRESULT result = VarDateFromStr(text, locale, flags, &value);
    return {result, value};
}

class VarDateFromStrTest : public EnUsLocaleTest {};

}  // namespace

TEST_F(VarDateFromStrTest, TimesAndDatesInEachLocalesOrder)
{
    struct Case {
        const char16_t* text;
        LCID locale;
        double expected;
    };
    const Case cases[] = {
        {u"14:30", kEnUs, Time(14, 30)},
        {u"2:30 PM", kEnUs, Time(14, 30)},
        {u"2:30:15 pm", kEnUs, Time(14, 30, 15)},
        {u"2:30pm", kEnUs, Time(14, 30)},
        {u"  9 PM ", kEnUs, Time(21, 0)},
        {u"12:00 AM", kEnUs, 0.0},
        {u"12 PM", kEnUs, 0.5},
        {u"12:15", kEnUs, Time(12, 15)},
        {u"0:00:01", kEnUs, Time(0, 0, 1)},
        {u"23:59:59", kEnUs, Time(23, 59, 59)},
        {u"PM 3:05", kEnUs, Time(15, 5)},
        {u"14:30", kDeDe, Time(14, 30)},
        {u"2:30 PM", kDeDe, Time(14, 30)},
        {u"\u5348\u5F8C2:30", kJaJp, Time(14, 30)},  // the designator first, as Japanese writes it
        {u"\u5348\u524D11:00", kJaJp, Time(11, 0)},
    };
    for (const Case& c : cases) {
        for (ULONG flags : {ULONG(0), VAR_TIMEVALUEONLY}) {
            Parsed p = Parse(c.text, c.locale, flags);
            EXPECT_EQ(p.result, S_OK) << U8(c.text);
            EXPECT_NEAR(p.value, c.expected, 1e-9) << U8(c.text);
        }
    }
    const char16_t* texts[] = {
        u"9",  // a number alone is no hour without a designator
        u"",         u"   ",         u"abc",     u"2:30 XM", u"25:00",      u"10:60",   u"10:30:60",
        u"13:00 PM",  // a 12-hour clock has no 13
        u"1:2:3:4",  u"14:30 16:00", u"AM PM 3", u"PM",      u"2:30 PM PM", u"Tuesday", u"#5",       u"1234567890:00",
    };
    for (const char16_t* text : texts) {
        EXPECT_EQ(Parse(text, kEnUs, VAR_TIMEVALUEONLY).result, DISP_E_TYPEMISMATCH) << U8(text);
        EXPECT_EQ(Parse(text, kEnUs).result, DISP_E_TYPEMISMATCH) << U8(text);
    }
    EXPECT_EQ(Parse(nullptr, kEnUs).result, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VarDateFromStr(u"14:30", kEnUs, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Parse(u"14:30", 0x1234).result, E_INVALIDARG);
    EXPECT_EQ(Parse(u"14:30", kEnUs, VAR_TIMEVALUEONLY | VAR_DATEVALUEONLY).result, E_INVALIDARG);
    Parsed time = Parse(u"3/5/2024 14:30", kEnUs, VAR_TIMEVALUEONLY);
    EXPECT_EQ(time.result, S_OK);
    EXPECT_NEAR(time.value, Time(14, 30), 1e-9);
    Parsed date = Parse(u"3/5/2024 14:30", kEnUs, VAR_DATEVALUEONLY);
    EXPECT_EQ(date.result, S_OK);
    EXPECT_EQ(date.value, 45356);
    Parsed early = Parse(u"1/1/1800 6:00", kEnUs, VAR_TIMEVALUEONLY);
    EXPECT_NEAR(early.value, 0.25, 1e-9);
    // Impossible dates.
    EXPECT_EQ(Parse(u"2/30/2024", kEnUs).result, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse(u"2/29/2023", kEnUs).result, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse(u"13/13/2024", kEnUs).result, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse(u"1/2/3/4", kEnUs).result, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse(u"March April 2024", kEnUs).result, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse(u"1/1/10000", kEnUs).result, DISP_E_OVERFLOW);
    EXPECT_EQ(Parse(u"1/1/099", kEnUs).result, DISP_E_OVERFLOW);
    EXPECT_EQ(Parse(u"2/29/2024", kEnUs).result, S_OK);
    constexpr double kMarch5 = 45356;  // 5 March 2024
    struct DateCase {
        const char16_t* text;
        LCID locale;
        double expected;
    };
    const DateCase dates[] = {
        {u"3/5/2024", kEnUs, kMarch5},
        {u"5/3/2024", kEnGb, kMarch5},
        {u"5.3.2024", kDeDe, kMarch5},
        {u"05.03.24", kDeDe, kMarch5},
        {u"2024-03-05", kEnUs, kMarch5},
        {u"2024/3/5", kDeDe, kMarch5},
        {u"March 5, 2024", kEnUs, kMarch5},
        {u"Tuesday, March 5, 2024", kEnUs, kMarch5},
        {u"5 Mar 2024", kEnUs, kMarch5},
        {u"Dienstag, 5. M\u00e4rz 2024", kDeDe, kMarch5},
        {u"5. M\u00e4rz 2024", kDeDe, kMarch5},
        {u"5 march 2024", kDeDe, kMarch5},  // English month names everywhere
        {u"3/5/2024 2:30 PM", kEnUs, kMarch5 + Time(14, 30)},
        {u"2:30 PM 3/5/2024", kEnUs, kMarch5 + Time(14, 30)},
        {u"3/5/2024 9 PM", kEnUs, kMarch5 + Time(21, 0)},
        {u"13/5/2024", kEnUs, 45425},  // no 13th month: read day first instead
        // Edges of the day numbers.
        {u"12/30/1899", kEnUs, 0},
        {u"12/31/1899", kEnUs, 1},
        {u"1/1/1900", kEnUs, 2},
        {u"1/1/1800", kEnUs, -36522},
        {u"1/1/1800 6:00 AM", kEnUs, -36522.25},  // before day 0 the time counts away from zero
        {u"1/1/100", kEnUs, -657434},
        {u"12/31/9999", kEnUs, 2958465},
        // Two-digit years are 1930..2029.
        {u"1/1/29", kEnUs, 47119},
        {u"1/1/30", kEnUs, 10959},
    };
    for (const DateCase& c : dates) {
        Parsed p = Parse(c.text, c.locale);
        EXPECT_EQ(p.result, S_OK) << U8(c.text);
        EXPECT_NEAR(p.value, c.expected, 1e-9) << U8(c.text);
    }
    // Dates without a year are in the current year.
    ASSERT_TRUE(platform::SetPinnedNow(SYSTEMTIME{2024, 6, 0, 1, 12, 0, 0, 0}));
    struct Unpin {
        ~Unpin() { platform::ClearPinnedNow(); }
    } unpin;
    EXPECT_NEAR(Parse(u"3/5", kEnUs).value, 45356, 1e-9);
    EXPECT_NEAR(Parse(u"5.3.", kDeDe).value, 45356, 1e-9);
    EXPECT_NEAR(Parse(u"March 5", kEnUs).value, 45356, 1e-9);
    EXPECT_NEAR(Parse(u"March 2024", kEnUs).value, 45352, 1e-9);  // the first of the month
    // Locale 0 is the user's.
    EXPECT_NEAR(Parse(u"3/5/2024").value, 45356, 1e-9);
    PinnedLocale british("en-GB");
    EXPECT_NEAR(Parse(u"5/3/2024").value, 45356, 1e-9);
}
