// The user's locale and locale numbers, against ICU's table of Windows locale numbers.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unicode/uloc.h>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/locale_id.h"
#include "tests/support/last_error_check.h"
#include "tests/support/locale_pin.h"
#include "tests/support/saved_environment.h"

namespace {

class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("KSTOOLS_LOCALE");
        platform::SetUserLocaleName("");
    }
    void TearDown() override { platform::SetUserLocaleName(""); }
    static void Use(const char* value) { setenv("KSTOOLS_LOCALE", value, 1); }

private:
    kstest::SavedEnvironment saved_{"KSTOOLS_LOCALE"};
};

TEST_F(LocaleEnvironment, EnvironmentExplicitChoiceAndAliasesNameTheUserLocaleAndNumbersAgreeWithIcu)
{
    EXPECT_EQ(GetUserDefaultLCID(), 0x0409u) << "unset: en-US";
    EXPECT_EQ(GetSystemDefaultLCID(), 0x0409u);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0409);
    EXPECT_EQ(platform::UserLocaleName(), "en-US");
    struct Case {
        const char* value;
        LCID lcid;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", 0x0407},  // a POSIX locale name
        {"fr_CA", 0x0C0C},
        {"de", 0x0407},  // a bare language means its main country
        {"sv", 0x041D},
        // Not locales with a number: back to en-US.
        {"xx-QQ", 0x0409},
        {"C", 0x0409},
        {"", 0x0409},
        {"!!", 0x0409},
    };
    for (const Case& c : cases) {
        Use(c.value);
        EXPECT_EQ(GetUserDefaultLCID(), c.lcid) << c.value;
        EXPECT_EQ(GetSystemDefaultLCID(), c.lcid) << c.value;
    }
    Use("de-DE");
    EXPECT_EQ(platform::UserLocaleName(), "de-DE");
    ASSERT_TRUE(platform::SetUserLocaleName("ja-JP"));
    EXPECT_EQ(GetUserDefaultLCID(), 0x0411u);
    EXPECT_EQ(ConvertDefaultLocale(LOCALE_USER_DEFAULT), 0x0411u);

    // A name that is no locale is refused and changes nothing.
    EXPECT_FALSE(platform::SetUserLocaleName("not a locale"));
    EXPECT_FALSE(platform::SetUserLocaleName("xx-QQ"));
    EXPECT_EQ(GetUserDefaultLCID(), 0x0411u);

    ASSERT_TRUE(platform::SetUserLocaleName(""));
    EXPECT_EQ(GetUserDefaultLCID(), 0x0407u);
    WCHAR name[16];
    EXPECT_EQ(GetUserDefaultLocaleName(name, 16), 6);
    EXPECT_EQ(U8(name), "de-DE");
    EXPECT_TRUE(FAILS_WITH(GetUserDefaultLocaleName(name, 5), 0, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetUserDefaultLocaleName(nullptr, 0), 0);
    Use("fr-FR");
    for (LCID alias : {LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT, LOCALE_NEUTRAL, LOCALE_CUSTOM_DEFAULT,
                       LOCALE_USER_DEFAULT | LOCALE_NOUSEROVERRIDE}) {
        EXPECT_EQ(ConvertDefaultLocale(alias), 0x040Cu) << std::hex << alias;
        EXPECT_TRUE(IsValidLocale(alias, LCID_SUPPORTED)) << std::hex << alias;
    }
    EXPECT_EQ(ConvertDefaultLocale(0x0407), 0x0407u) << "a real number comes back unchanged";
    // ICU's Windows locale table is the oracle for the numbers.
    const char* tags[] = {"en-US", "de-DE", "fr-FR", "en-GB", "ja-JP", "es-ES", "it-IT", "nl-NL", "sv-SE",
                          "ru-RU", "zh-CN", "ko-KR", "pl-PL", "pt-BR", "tr-TR", "fi-FI", "he-IL", "cs-CZ"};
    for (const char* tag : tags) {
        char icuName[ULOC_FULLNAME_CAPACITY];
        UErrorCode err = U_ZERO_ERROR;
        uloc_forLanguageTag(tag, icuName, sizeof icuName, nullptr, &err);
        ASSERT_TRUE(U_SUCCESS(err)) << tag;
        LCID expected = uloc_getLCID(icuName);
        ASSERT_NE(expected, 0u) << tag;
        EXPECT_TRUE(IsValidLocale(expected, LCID_INSTALLED)) << tag;
        Use(tag);
        EXPECT_EQ(GetUserDefaultLCID(), expected) << tag;
    }
    // A sort variant is a locale too; numbers ICU does not know are not.
    EXPECT_TRUE(IsValidLocale(0x10407, LCID_SUPPORTED));
    EXPECT_FALSE(IsValidLocale(0x1234, LCID_SUPPORTED));
    EXPECT_FALSE(IsValidLocale(0x00F00409, LCID_SUPPORTED));  // reserved bits
    EXPECT_FALSE(IsValidLocale(0x0000FC00, LCID_SUPPORTED));  // a neutral sub-language that is no alias
}

}  // namespace
