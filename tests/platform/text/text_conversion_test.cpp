// Windows-1252 against ICU and the published table, the Win32 counts, and UTF-8.
#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include <random>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/text/code_page.h"
#include "platform/text/utf8.h"

namespace {

std::u16string ToWide(UINT cp, const std::string& bytes, DWORD flags = 0)
{
    int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    EXPECT_EQ(n ? MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n) : 0, n);
    return out;
}

std::string ToBytes(UINT cp, const std::u16string& text, BOOL* used = nullptr, LPCSTR defaultChar = nullptr)
{
    auto convert = [&](char* out, int size) {
        return WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out, size, defaultChar, used);
    };
    std::string out(static_cast<size_t>(convert(nullptr, 0)), '\0');
    EXPECT_EQ(out.empty() ? 0 : convert(out.data(), static_cast<int>(out.size())), static_cast<int>(out.size()));
    return out;
}

}  // namespace

TEST(CodePage1252, EveryByteAgreesWithIcuAndThePublishedTableRoundTripsAndTheRestIsDefaulted)
{
    UErrorCode err = U_ZERO_ERROR;
    UConverter* icu = ucnv_open("windows-1252", &err);
    ASSERT_TRUE(U_SUCCESS(err));
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            EXPECT_EQ(Cp1252ToWide(static_cast<unsigned char>(b)), b);  // undefined: the C1 control of that value
            continue;
        }
        char in[1] = {static_cast<char>(b)};
        UChar expected[4];
        err = U_ZERO_ERROR;
        ASSERT_EQ(ucnv_toUChars(icu, expected, 4, in, 1, &err), 1);
        EXPECT_EQ(Cp1252ToWide(static_cast<unsigned char>(b)), expected[0]) << std::hex << b;
        EXPECT_EQ(ToWide(CP_ACP, std::string(1, static_cast<char>(b))), std::u16string(1, expected[0]));
    }
    ucnv_close(icu);
    EXPECT_EQ(Cp1252ToWide(0x80), u'\u20ac');  // ICU's table is the published one
    EXPECT_EQ(WideToCp1252(u'\u0080'), -1);    // a C1 control the code page lacks
    BOOL used = TRUE;
    EXPECT_EQ(ToBytes(CP_ACP, ToWide(CP_ACP, all), &used), all);
    EXPECT_FALSE(used);
    // Unmappable characters become one default character each.
    EXPECT_EQ(ToBytes(CP_ACP, u"A\u0100B", &used), "A?B");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(CP_ACP, u"\u4e2d", nullptr, "*"), "*");
    EXPECT_EQ(ToBytes(CP_ACP, u"x\U0001F600y"), "x?y");  // a surrogate pair is one character
    EXPECT_EQ(ToBytes(CP_ACP, std::u16string(u"\xD800z")), "?z");
}

TEST(CodePageCounts, TerminatorsBufferSizesAndBadArguments)
{
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);  // -1 counts the terminator
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, buf, 8), 4);
    EXPECT_EQ(std::u16string(buf), u"abc");
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, buf, 8), 3);
    EXPECT_EQ(buf[3], u'#');  // no terminator with an explicit count
    char bytes[8];
    std::fill(std::begin(bytes), std::end(bytes), '#');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"xy", -1, bytes, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(bytes, "xy");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", -1, nullptr, 0, nullptr, nullptr), 3);
    auto expectFailure = [](int result, DWORD error) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(GetLastError(), error);
        SetLastError(0);
    };
    BOOL used = FALSE;
    expectFailure(MultiByteToWideChar(CP_ACP, 0, "abcdef", 6, buf, 2), ERROR_INSUFFICIENT_BUFFER);
    expectFailure(WideCharToMultiByte(CP_UTF8, 0, u"abc", 3, bytes, 2, nullptr, nullptr), ERROR_INSUFFICIENT_BUFFER);
    expectFailure(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, buf, 4), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(CP_ACP, 0, "a", 0, buf, 4), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(CP_ACP, 0, "a", -2, buf, 4), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(12345, 0, "a", 1, buf, 4), ERROR_INVALID_PARAMETER);
    expectFailure(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 4, nullptr, &used), ERROR_INVALID_PARAMETER);
    expectFailure(WideCharToMultiByte(CP_ACP, 0, nullptr, 1, bytes, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, buf, 8), ERROR_NO_UNICODE_TRANSLATION);
    expectFailure(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"\xD800", 1, bytes, 8, nullptr, nullptr),
                  ERROR_NO_UNICODE_TRANSLATION);
}

// UTF-8 both through the edge functions and through the code page functions.
TEST(Utf8, KnownEncodingsReplacementOfIllFormedInputAndRandomRoundTrips)
{
    const std::pair<std::u16string, std::string> wellFormed[] = {
        {u"abc", "abc"},
        {u"\u00e9", "\xC3\xA9"},
        {u"\u20ac", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"gr\u00fc\u00df", "gr\xC3\xBC\xC3\x9F"},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [wide, utf8] : wellFormed) {
        EXPECT_EQ(WideToUtf8(wide), utf8);
        EXPECT_EQ(Utf8ToWide(utf8), wide);
        EXPECT_EQ(ToBytes(CP_UTF8, wide), utf8);
        EXPECT_EQ(ToWide(CP_UTF8, utf8), wide);
    }
    const std::pair<std::string, std::u16string> illFormedUtf8[] = {
        {"a\xC3", u"a\ufffd"},          // truncated sequence
        {"\xC0\xAF", u"\ufffd\ufffd"},  // overlong '/'
        {"\xFF"
         "b",
         u"\ufffdb"},
        {"\xED\xA0\x80z", u"\ufffd\ufffd\ufffdz"},  // an encoded surrogate is not a character
    };
    for (const auto& [utf8, wide] : illFormedUtf8) {
        EXPECT_EQ(Utf8ToWide(utf8), wide);
        EXPECT_EQ(ToWide(CP_UTF8, utf8), wide);
    }
    const std::pair<std::u16string, std::string> unpaired[] = {
        {std::u16string(u"a\xD800"
                        u"b"),
         "a\xEF\xBF\xBD"
         "b"},
        {std::u16string(1, u'\xDC00'), "\xEF\xBF\xBD"},
        {std::u16string(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD"},  // wrong order
    };
    for (const auto& [wide, utf8] : unpaired) {
        EXPECT_EQ(WideToUtf8(wide), utf8);
        EXPECT_EQ(ToBytes(CP_UTF8, wide), utf8);
    }
    EXPECT_EQ(WideToUtf8(u"abcdef", 2), "ab");
    EXPECT_EQ(WideToUtf8(nullptr), "");
    EXPECT_EQ(Utf8ToWide(""), u"");
    std::mt19937 rng(1234);
    auto in = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    for (int i = 0; i < 500; ++i) {
        std::u16string s;  // code points of every encoding length, surrogate pairs included
        for (int n = i % 40; n > 0; --n) {
            int kind = in(0, 4), cp = in(0x10000, 0x10FFFF) - 0x10000;
            if (kind == 4)
                s += {static_cast<char16_t>(0xD800 + (cp >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
            else
                s.push_back(static_cast<char16_t>(kind == 0   ? in(1, 0x7F)
                                                  : kind == 1 ? in(0x80, 0x7FF)
                                                  : kind == 2 ? in(0x800, 0xD7FF)
                                                              : in(0xE000, 0xFFFF)));
        }
        std::string utf8 = WideToUtf8(s);
        ASSERT_EQ(Utf8ToWide(utf8), s);
        ASSERT_EQ(WideToUtf8(s.c_str(), static_cast<int>(s.size())), utf8);
    }
}
