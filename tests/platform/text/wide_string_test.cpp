// The UTF-16 runtime against std::u16string, ICU and the host's narrow runtime.
#include <gtest/gtest.h>

#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace {

// A small alphabet (so searches hit) with units above 0x8000 (signed comparisons).
std::u16string RandomText(std::mt19937& rng, size_t maxLength)
{
    static const char16_t alphabet[] = u"abcAB \u00e9\u00c9\uff21\ud7ff\u8000";
    std::u16string s(rng() % (maxLength + 1), u'a');
    for (auto& c : s) c = alphabet[rng() % (std::size(alphabet) - 1)];
    return s;
}

int Sign(int v) { return (v > 0) - (v < 0); }

std::u16string Shown(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(u"<null>"); }

size_t At(const WCHAR* hit, const std::u16string& in) { return hit ? size_t(hit - in.c_str()) : std::u16string::npos; }

}  // namespace

TEST(WideStringCopy, CopyConcatenationPaddingAndDuplicates)
{
    WCHAR buf[16];
    EXPECT_EQ(wcslen(u"h\u00e9llo"), 5u);
    EXPECT_EQ(wcslen(static_cast<const WCHAR*>(nullptr)), 0u);
    EXPECT_EQ(wcsnlen(u"hello", 3), 3u);
    EXPECT_EQ(Shown(wcscpy(buf, u"abc")), u"abc");
    EXPECT_EQ(Shown(wcscat(buf, u"def")), u"abcdef");
    EXPECT_EQ(Shown(wcsncat(buf, u"ghijk", 2)), u"abcdefgh");
    EXPECT_EQ(wcscpy(nullptr, u"x"), nullptr);
    EXPECT_EQ(Shown(wcscpy(buf, nullptr)), u"");
    std::fill(std::begin(buf), std::end(buf), u'#');
    wcsncpy(buf, u"ab", 6);  // pads with zeros
    EXPECT_EQ(std::u16string(buf, 7), std::u16string(u"ab\0\0\0\0#", 7));
    std::fill(std::begin(buf), std::end(buf), u'#');
    wcsncpy(buf, u"abcdef", 3);  // and does not terminate when full
    EXPECT_EQ(std::u16string(buf, 4), u"abc#");
    WCHAR* copy = _wcsdup(u"copy me");
    EXPECT_EQ(Shown(copy), u"copy me");
    std::free(copy);
    EXPECT_EQ(_wcsdup(nullptr), nullptr);
    char* narrow = _strdup("text");
    EXPECT_STREQ(narrow, "text");
    std::free(narrow);
    EXPECT_EQ(_strdup(nullptr), nullptr);
}

TEST(WideStringCompare, OrdinalAndCaseInsensitiveCompareAgreeWithU16String)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::u16string a = RandomText(rng, 6), b = RandomText(rng, 6);
        ASSERT_EQ(Sign(wcscmp(a.c_str(), b.c_str())), Sign(a.compare(b)));
        size_t n = static_cast<size_t>(i % 5);
        ASSERT_EQ(Sign(wcsncmp(a.c_str(), b.c_str(), n)), Sign(a.substr(0, n).compare(b.substr(0, n))));
        std::u16string la = a, lb = b;
        _wcslwr(la.data());
        _wcslwr(lb.data());
        ASSERT_EQ(Sign(_wcsicmp(a.c_str(), b.c_str())), Sign(la.compare(lb)));
    }
    EXPECT_NE(_wcsicmp(u"Stra\u00dfe", u"STRASSE"), 0);  // one character is not two
    EXPECT_LT(_wcsicmp(u"a", u"B"), 0);                  // both sides are lowered, unlike the ordinal order
    EXPECT_EQ(_wcsnicmp(u"HELLO world", u"hello WORLD!", 11), 0);
    EXPECT_NE(_wcsnicmp(u"HELLO world", u"hello WORLD!", 12), 0);
    EXPECT_EQ(_stricmp("Hello", "hELLO"), 0);
    EXPECT_LT(_stricmp("apple", "Banana"), 0);
    EXPECT_GT(_stricmp("b", "A"), 0);
}

TEST(WideStringSearch, SearchFunctionsAgreeWithStringView)
{
    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        std::u16string hay = RandomText(rng, 10), needle = RandomText(rng, 2);
        std::u16string_view h(hay);
        const WCHAR* s = hay.c_str();
        WCHAR c = needle.empty() ? u'a' : needle[0];
        ASSERT_EQ(At(wcsstr(s, needle.c_str()), hay), h.find(needle));
        ASSERT_EQ(At(wcschr(s, c), hay), h.find(c));
        ASSERT_EQ(At(wcsrchr(s, c), hay), h.rfind(c));
        ASSERT_EQ(At(wcspbrk(s, needle.c_str()), hay), h.find_first_of(needle));
        ASSERT_EQ(wcsspn(s, needle.c_str()), std::min(h.find_first_not_of(needle), hay.size()));
        ASSERT_EQ(wcscspn(s, needle.c_str()), std::min(h.find_first_of(needle), hay.size()));
    }
    const WCHAR* s = u"abc";
    EXPECT_EQ(wcschr(s, 0), s + 3);  // the terminator is part of the string
    EXPECT_EQ(wcsstr(static_cast<const WCHAR*>(nullptr), u"a"), nullptr);
    EXPECT_EQ(wcsstr(s, nullptr), nullptr);
    EXPECT_EQ(wcschr(static_cast<const WCHAR*>(nullptr), u'a'), nullptr);
    WCHAR text[] = u",,alpha,beta;;gamma,";
    WCHAR* context = nullptr;
    std::vector<std::u16string> tokens;
    for (WCHAR* t = wcstok(text, u",;", &context); t; t = wcstok(nullptr, u",;", &context)) tokens.push_back(t);
    EXPECT_EQ(tokens, (std::vector<std::u16string>{u"alpha", u"beta", u"gamma"}));
    EXPECT_EQ(wcstok(nullptr, u",", &context), nullptr);
}

TEST(WideStringCase, CharacterMappingAgreesWithIcuAndStringsChangeInPlace)
{
    // Wherever ICU's full case mapping of a BMP character is one BMP character, ours gives the same.
    for (UChar32 c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        UChar in[1] = {static_cast<UChar>(c)}, out[4];
        UErrorCode err = U_ZERO_ERROR;
        bool single = u_strToUpper(out, 4, in, 1, "", &err) == 1 && U_SUCCESS(err);
        ASSERT_TRUE(!single || towupper(static_cast<WCHAR>(c)) == out[0]) << std::hex << c;
        err = U_ZERO_ERROR;
        single = u_strToLower(out, 4, in, 1, "", &err) == 1 && U_SUCCESS(err);
        ASSERT_TRUE(!single || towlower(static_cast<WCHAR>(c)) == out[0]) << std::hex << c;
    }
    WCHAR s[] = u"Gr\u00fc\u00dfe, \u00c9t\u00e9 \u03c3!";
    EXPECT_EQ(Shown(_wcsupr(s)), u"GR\u00dc\u00dfE, \u00c9T\u00c9 \u03a3!");  // ß has no single upper case
    EXPECT_EQ(Shown(_wcslwr(s)), u"gr\u00fc\u00dfe, \u00e9t\u00e9 \u03c3!");
    WCHAR even[] = u"abcd", odd[] = u"abc";
    EXPECT_EQ(Shown(_wcsrev(even)), u"dcba");
    EXPECT_EQ(Shown(_wcsrev(odd)), u"cba");
    EXPECT_EQ(_wcsupr(nullptr), nullptr);
}

TEST(WideStringClasses, UnicodeCharacterClassesAndCtypeMasks)
{
    struct Case {
        bool (*classify)(WCHAR);
        std::u16string_view yes, no;
    };
    // The half-width filler is a letter, a file separator a control, a zero-width space no space.
    const Case cases[] = {
        {iswspace, u" \t\n\r\v\f\u00a0\u3000\u2003", u"\uffa0\x1c\u200ba"},
        {iswpunct, u"!$+<^`|~\u00bf", u"a "},
        {iswalpha, u"\u00e9\u4e2d", u"1"},
        {iswdigit, u"7", u"x"},
        {iswalnum, u"\u00c5", u"&"},
        {iswxdigit, u"F", u"g"},
        {iswupper, u"\u00c9", u"\u00e9"},
        {iswlower, u"\u00e9", u"E"},
    };
    for (const Case& c : cases) {
        for (WCHAR yes : c.yes) EXPECT_TRUE(c.classify(yes)) << int(yes);
        for (WCHAR no : c.no) EXPECT_FALSE(c.classify(no)) << int(no);
    }
    // U+05D0 is a letter without case.
    const std::tuple<WCHAR, int, bool> masks[] = {
        {u' ', _SPACE, true},           {u'\uffa0', _SPACE, false},
        {u'\u05d0', _ALPHA, true},      {u'5', _ALPHA | _DIGIT, true},
        {u'%', _ALPHA | _DIGIT, false}, {u'A', _UPPER, true},
        {u'a', _UPPER, false},          {u'\x07', _CONTROL, true},
        {u'\t', _BLANK, true},          {u'c', _HEX, true},
    };
    for (auto [c, mask, expected] : masks) EXPECT_EQ(iswctype(c, mask), expected) << int(c) << " " << mask;
}

TEST(WideStringNumbers, NumberToTextAndBackAgreeWithTheNarrowRuntimeAndSaturate)
{
    WCHAR buf[70];
    char expected[70];
    auto narrow = [&](const char* fmt, auto v) {
        std::snprintf(expected, sizeof expected, fmt, v);
        return Utf8ToWide(expected);
    };
    for (int v : {0, 7, -7, 255, -255, 123456789, INT_MAX, INT_MIN}) {
        auto u = static_cast<unsigned>(v);
        EXPECT_EQ(Shown(_itow(v, buf, 10)), narrow("%d", v));
        EXPECT_EQ(Shown(_ltow(v, buf, 10)), narrow("%d", v));
        EXPECT_EQ(Shown(_itow(v, buf, 16)), narrow("%x", u));  // other radixes print the 32-bit pattern
        EXPECT_EQ(Shown(_ltow(v, buf, 8)), narrow("%o", u));
        EXPECT_EQ(Shown(_ultow(u, buf, 10)), narrow("%u", u));
    }
    EXPECT_EQ(Shown(_itow(5, buf, 2)), u"101");
    EXPECT_EQ(Shown(_ultow(35, buf, 36)), u"z");
    EXPECT_EQ(Shown(_i64tow(LLONG_MIN, buf, 10)), u"-9223372036854775808");
    EXPECT_EQ(Shown(_ui64tow(ULLONG_MAX, buf, 16)), u"ffffffffffffffff");
    for (const char* in : {" 0x1A", "0x", "077", "-0", "+5", "z", "  12 34", "0X1g", "-2147483648", "2147483647", "101",
                           "zz", "  -0x10", "0"}) {
        for (int radix : {0, 2, 8, 10, 16, 36}) {
            std::u16string wide = Utf8ToWide(in);
            char* narrowEnd = nullptr;
            long expected = std::strtol(in, &narrowEnd, radix);
            WCHAR* end = nullptr;
            LONG got = wcstol(wide.c_str(), &end, radix);
            EXPECT_TRUE(expected < INT32_MIN || expected > INT32_MAX || got == expected) << in << " radix " << radix;
            EXPECT_EQ(end - wide.c_str(), narrowEnd - in) << in << " radix " << radix;
        }
    }
    for (const char* in : {"3.25", " -1e3x", "1,5", "inf", "0x1p3", ".5", "abc", "", "  +7.", "1e-310", "nan"}) {
        std::u16string wide = Utf8ToWide(in);
        char* narrowEnd = nullptr;
        double expected = std::strtod(in, &narrowEnd);
        WCHAR* end = nullptr;
        double got = wcstod(wide.c_str(), &end);
        EXPECT_TRUE(expected == expected ? got == expected : got != got) << in;
        EXPECT_EQ(end - wide.c_str(), narrowEnd - in) << in;
    }
    WCHAR* end = nullptr;
    EXPECT_EQ(wcstol(u"99999999999", &end, 10), INT32_MAX);
    EXPECT_EQ(wcstoul(u"-1", &end, 10), 0xFFFFFFFFu);
    EXPECT_EQ(wcstoul(u"4294967296", &end, 10), 0xFFFFFFFFu);
    EXPECT_EQ(wcstoul(u"ff", &end, 16), 255u);
    EXPECT_EQ(_wtof(u"\u3000 2.5"), 2.5);  // any Unicode space is skipped
    const std::pair<const char16_t*, int> toInt[] = {
        {u"  -123abc", -123}, {u"+42", 42}, {u"abc", 0}, {u"", 0}, {nullptr, 0}, {u"99999999999", INT_MAX}};
    for (auto [in, value] : toInt) EXPECT_EQ(_wtoi(in), value);
    EXPECT_EQ(_wtol(u"-99999999999"), INT32_MIN);
    EXPECT_EQ(_wtoi64(u"-9223372036854775808"), LLONG_MIN);
    EXPECT_EQ(_wtoi64(u"123456789012"), 123456789012LL);
}

namespace {

template <typename... Args>
std::u16string Wide(const char16_t* fmt, Args... args)
{
    WCHAR buf[4096];
    int n = _snwprintf(buf, 4096, fmt, args...);
    EXPECT_GE(n, 0);
    return std::u16string(buf, n < 0 ? 0 : static_cast<size_t>(n));
}

template <typename... Args>
std::u16string Host(const char* fmt, Args... args)
{
    char buf[4096];
    int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return Utf8ToWide(std::string(buf, static_cast<size_t>(n)));
}

// Formats one value with `format` both ways and compares.
template <typename T>
void ExpectLikeHost(const std::string& format, T value)
{
    EXPECT_EQ(Wide(Utf8ToWide(format).c_str(), value), Host(format.c_str(), value)) << format << " " << value;
}

// Every combination of flags, width and precision for one conversion.
std::vector<std::string> FormatsFor(char conversion)
{
    std::vector<std::string> specs;
    for (std::string f : {"", "-", "+", " ", "0", "#", "-0", "+0", "- ", "#0", "-#", "+ "}) {
        if ((conversion == 'd' || conversion == 'i' || conversion == 'u') && f.find('#') != std::string::npos) continue;
        for (const char* w : {"", "1", "5", "12"})
            for (const char* p : {"", ".0", ".3", ".8"}) specs.push_back("%" + f + w + p + conversion);
    }
    return specs;
}

int Counted(const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = _vscwprintf(fmt, args);
    va_end(args);
    return n;
}

}  // namespace

TEST(WideFormat, NumbersMatchTheHostForEveryFlagWidthAndPrecision)
{
    for (char conversion : {'d', 'i'})
        for (const std::string& format : FormatsFor(conversion))
            for (int v : {0, 1, -1, 42, -42, 123456, INT_MAX, INT_MIN}) ExpectLikeHost(format, v);
    for (char conversion : {'u', 'x', 'X', 'o'})
        for (const std::string& format : FormatsFor(conversion))
            for (unsigned v : {0u, 1u, 7u, 8u, 255u, 0x7ABCu, 0xDEADBEEFu, UINT_MAX}) ExpectLikeHost(format, v);
    for (const char* format : {"%f", "%.3f", "%10.2f", "%-12.4e", "%E", "%g", "%+G", "%#.0f", "%012.3f", "% .2e"})
        for (double v : {0.0, 12.5, -0.05, 3.14159265358979, 1e300, -2.5e-7, 100.0}) ExpectLikeHost(format, v);
    for (const char* s : {"", "a", "hello", "a longer text"}) {
        std::u16string w = Utf8ToWide(s);
        for (const char* format : {"%s", "%10s", "%-10s", "%.3s", "%8.2s", "%-8.0s", "%2s"})
            EXPECT_EQ(Wide(Utf8ToWide(format).c_str(), w.c_str()), Host(format, s)) << format << " " << s;
    }
    EXPECT_EQ(Wide(u"[%5c][%-3c]", u'x', u'y'), Host("[%5c][%-3c]", 'x', 'y'));
    EXPECT_EQ(Wide(u"%d %.2f %d", 1, 2.345, 3), u"1 2.35 3");
}

TEST(WideFormat, LengthModifiersStarPlatformRulesAndBufferLimits)
{
    LONG negative = -5;
    ULONG all = 0xFFFFFFFFu;
    EXPECT_EQ(Wide(u"%ld|%lu|%li", negative, all, negative), u"-5|4294967295|-5");  // long is 32 bits
    EXPECT_EQ(Wide(u"%08lX", static_cast<ULONG>(0xBEEF)), u"0000BEEF");
    EXPECT_EQ(Wide(u"%lx", static_cast<LONG>(-1)), u"ffffffff");
    long long big = -1234567890123LL;
    unsigned long long ubig = 0xFEDCBA9876543210ULL;
    EXPECT_EQ(Wide(u"%lld %I64d %I64u %llX", big, big, ubig, ubig), Host("%lld %lld %llu %llX", big, big, ubig, ubig));
    EXPECT_EQ(Wide(u"%I64d,%d", big, 7), Host("%lld,%d", big, 7));  // later arguments still line up
    EXPECT_EQ(Wide(u"%hd %hu %hx %hhd", 70000, 70000, -1, 300), Host("%hd %hu %hx %hhd", 70000, 70000, -1, 300));
    EXPECT_EQ(Wide(u"[%*d][%*d]", 6, 42, -6, 42), Host("[%*d][%*d]", 6, 42, -6, 42));
    EXPECT_EQ(Wide(u"[%.*d][%.*d]", 5, 42, -1, 42), Host("[%.*d][%.*d]", 5, 42, -1, 42));
    EXPECT_EQ(Wide(u"[%*.*s]", 8, 3, u"abcdef"), u"[     abc]");
    // The platform's own rules for text, pointers and percent signs.
    const WCHAR* wide = u"Grüße €";
    EXPECT_EQ(Wide(u"%s|%ls|%ws", wide, wide, wide), u"Grüße €|Grüße €|Grüße €");
    EXPECT_EQ(Wide(u"%S|%hs", "a\x80z", "b\xE9"), u"a€z|bé");  // 8-bit text is in the ANSI code page
    EXPECT_EQ(Wide(u"%c%C%lc%hc", u'Ω', 'x', u'ß', '\x9F'), u"ΩxßŸ");
    EXPECT_EQ(Wide(u"%05s|%-05s|", u"ab", u"ab"), u"000ab|ab   |");
    EXPECT_EQ(Wide(u"%s/%S", static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr)), u"(null)/(null)");
    EXPECT_EQ(Wide(u"%p", reinterpret_cast<void*>(std::uintptr_t{0xABCDEF12})), u"00000000ABCDEF12");
    EXPECT_EQ(Wide(u"%-2.2X|%-2.2X|%-2.2X", int{u'&'}, 0xA, int{u'中'}), u"26|0A|4E2D");  // URL escapes
    EXPECT_EQ(Wide(u"100%% sure"), u"100% sure");
    EXPECT_EQ(Wide(u"%y%d", 5), u"y5");  // unknown: printed, no argument used
    EXPECT_EQ(Wide(u"end%"), u"end");
    WCHAR buf[16];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(_snwprintf(buf, 5, u"%s", u"hello world"), -1);  // truncated, unterminated
    EXPECT_EQ(std::u16string(buf, 6), u"hello#");
    EXPECT_EQ(_snwprintf(buf, 5, u"HELLO"), 5);  // exact fit: no terminator either
    EXPECT_EQ(std::u16string(buf, 6), u"HELLO#");
    EXPECT_EQ(_snwprintf(buf, 6, u"hel%s", u"lo"), 5);
    EXPECT_EQ(std::u16string(buf, 7), std::u16string(u"hello\0#", 7));
    EXPECT_EQ(_snwprintf(nullptr, 0, u"x"), -1);
    EXPECT_EQ(_snwprintf(nullptr, 0, u""), 0);
    EXPECT_EQ(swprintf(buf, 4, u"%d", 123456), -1);  // always terminated
    EXPECT_EQ(std::u16string(buf), u"123");
    EXPECT_EQ(swprintf(buf, 8, u"%d", 1234), 4);
    EXPECT_EQ(std::u16string(buf), u"1234");
    EXPECT_EQ(swprintf(buf, 0, u"x"), -1);
    std::u16string longText(2000, u'x');
    std::vector<WCHAR> large(1100, u'#');
    EXPECT_EQ(wsprintfW(large.data(), u"%s", longText.c_str()), 1023);  // stops at 1024 units
    EXPECT_EQ(std::u16string(large.data() + 1022, 3), std::u16string(u"x\0#", 3));
    EXPECT_EQ(wsprintfW(buf, u"%d%f%d", 1, 2), 3);  // no floating point
    EXPECT_EQ(std::u16string(buf), u"1f2");
    EXPECT_EQ(wsprintfW(buf, u"%ld:%s", static_cast<LONG>(123), u"ok"), 6);
    EXPECT_EQ(std::u16string(buf), u"123:ok");
    EXPECT_EQ(Counted(u"%s-%d", u"abc", 12345), 9);
    EXPECT_EQ(Counted(u""), 0);
    EXPECT_EQ(Counted(nullptr), -1);
}
