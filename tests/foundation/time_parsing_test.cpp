// Typed times, the locale's registry overrides, and the suite's date patterns.
#include "foundation/time_parsing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/locale_patterns.h"
#include "platform/files/registry.h"
#include "platform/text/wide_string.h"
#include "tests/support/device_sandbox.h"

namespace {

class LocaleSandbox : public DeviceSandbox {
protected:
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        platform::CloseRegistryDatabase();
        UseLocale("en-US");
    }
    void TearDown() override
    {
        platform::SetUserLocaleName("");
        foundation::ResetDatePatterns();
        platform::CloseRegistryDatabase();
        DeviceSandbox::TearDown();
    }
    static void UseLocale(const char* name)
    {
        ASSERT_TRUE(platform::SetUserLocaleName(name));
        foundation::ResetDatePatterns();
    }
    static void SetOverride(const char16_t* name, const char16_t* value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"nls\\overrides", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  0);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * 2));
        RegCloseKey(key);
    }
    // "HH:MM" of a parsed time, or the error as hex.
    static std::string Parse(const char16_t* text, DWORD flags = 0)
    {
        DATE out = -1;
        HRESULT hr = CorvidDateFromString(text, flags, &out);
        char buffer[32];
        if (hr != 0) {
            std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(hr));
        } else {
            long minutes = std::lround(out * 1440);
            std::snprintf(buffer, sizeof buffer, "%02ld:%02ld", minutes / 60, minutes % 60);
        }
        return buffer;
    }
};

TEST_F(LocaleSandbox, TypedTimesOnA12And24HourClockTheOverridesAndDatePatternsFromTheLocale)
{
    struct {
        const char16_t* text;
        const char* expected;
    } cases[] = {
        {u"1430", "14:30"},  {u"930", "09:30"},      {u"2:30 PM", "14:30"}, {u"2:30 pm", "14:30"},
        {u"12:15", "00:15"}, {u"12:15 PM", "12:15"}, {u"at 7:05", "07:05"}, {u"930 pm", "21:30"},
        {u"7", "07:00"},     {u"25:00", "80020008"}, {u"9:75", "80020008"}, {u"noon", "80020008"},
        {u"", "80020005"},   {u"12345", "80020008"},
    };
    for (auto& c : cases) EXPECT_EQ(Parse(c.text), c.expected) << std::string(c.text, c.text + wcslen(c.text));
    DATE out = 0;
    EXPECT_EQ(CorvidDateFromString(nullptr, 0, &out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse(u"14:30", 4), "80070057") << "unknown flags";
    EXPECT_EQ(Parse(u"2:30 PM", CORVID_TIME_VARIANT), "14:30") << "handed to VarDateFromStr";
    UseLocale("de-DE");
    EXPECT_EQ(Parse(u"12:15"), "12:15");
    EXPECT_EQ(Parse(u"0:05"), "00:05");
    UseLocale("en-US");
    SetOverride(u"ITime", u"1");
    EXPECT_EQ(Parse(u"12:15"), "12:15") << "the registry says 24-hour";
    SetOverride(u"ITime", u"7");
    EXPECT_EQ(Parse(u"12:15"), "00:15") << "a value out of range is not used";

    WCHAR text[8];
    SetOverride(u"IDate", u"2");
    EXPECT_EQ(Corvid_GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_IDATE, text, 8), 2);
    EXPECT_EQ(std::u16string(text), u"2");
    EXPECT_EQ(Corvid_GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_IDATE, nullptr, 0), 2);
    SetOverride(u"ITLZr", u"1");
    EXPECT_EQ(Corvid_GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_ITLZERO, text, 8), 2);
    EXPECT_EQ(std::u16string(text), u"1");
    WCHAR picture[16];
    EXPECT_EQ(Corvid_GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, 16), 9) << "others pass through";
    EXPECT_EQ(std::u16string(picture), u"M/d/yyyy");

    // Date patterns from the locale.
    const SYSTEMTIME date{2024, 3, 0, 5};
    WCHAR formatted[80];
    struct {
        const char* locale;
        int (*format)(LCID, const SYSTEMTIME*, LPWSTR, int);
        std::u16string expected;
    } patterns[] = {
        {"en-US", GetLongDateFormat, u"Tuesday, March 5, 2024"},
        {"en-US", GetLongAbbrevDateFormat, u"Tue, March 5, 2024"},
        {"en-US", GetMidSizeDateFormat, u"Tue, Mar 5, 2024"},
        {"en-US", GetShortDateFormatWithFullYear, u"3/5/2024"},
        {"de-DE", GetLongDateFormat, u"Dienstag, 5. März 2024"},
        {"de-DE", GetMidSizeDateFormat, u"Di., 5. März 2024"},
        {"de-DE", GetShortDateFormatWithFullYear, u"05.03.2024"},
    };
    for (auto& c : patterns) {
        UseLocale(c.locale);
        ASSERT_GT(c.format(LOCALE_USER_DEFAULT, &date, formatted, 80), 0) << c.locale;
        EXPECT_EQ(std::u16string(formatted), c.expected) << c.locale;
    }
}

}  // namespace
