// CompareStringW against ICU's collators and the published orders, and from threads.
#include <gtest/gtest.h>
#include <unicode/coll.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/date_format.h"
#include "platform/locale/locale_info.h"
#include "platform/text/wide_string.h"
#include "tests/support/last_error_check.h"
#include "tests/support/locale_pin.h"

namespace {

constexpr LCID kEnUs = 0x0409, kDeDe = 0x0407, kDePhoneBook = 0x10407, kSvSe = 0x041D, kJaJp = 0x0411;
constexpr int LT = CSTR_LESS_THAN, EQ = CSTR_EQUAL, GT = CSTR_GREATER_THAN, NE = -1;  // NE: either way
constexpr DWORD kLoose = 0x30007;  // case, accents, symbols, kana type and width ignored

int Cmp(LCID locale, DWORD flags, std::u16string_view a, std::u16string_view b)
{
    return CompareStringW(locale, flags, a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

std::vector<std::u16string> Sorted(std::vector<std::u16string> words, LCID locale, DWORD flags)
{
    std::sort(words.begin(), words.end(),
              [&](const std::u16string& a, const std::u16string& b) { return Cmp(locale, flags, a, b) == LT; });
    return words;
}

// ICU's answer as CompareStringW gives it.
int Icu(const icu::Collator& c, std::u16string_view a, std::u16string_view b)
{
    UErrorCode err = U_ZERO_ERROR;
    UCollationResult r =
        c.compare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()), err);
    return U_FAILURE(err) ? 0 : r == UCOL_LESS ? LT : r == UCOL_EQUAL ? EQ : GT;
}

// Words of 0-5 units drawn from an alphabet.
std::vector<std::u16string> RandomWords(std::u16string_view alphabet, unsigned seed, size_t count)
{
    std::mt19937 rng(seed);
    std::vector<std::u16string> words(count);
    for (auto& w : words)
        for (size_t n = rng() % 6; n > 0; --n) w.push_back(alphabet[rng() % alphabet.size()]);
    return words;
}

class LocaleCompare : public EnUsLocaleTest {};

struct Job {
    LCID locale;
    DWORD flags;
    const char16_t* a;
    const char16_t* b;
};

const Job kJobs[] = {
    {0x0409, 0, u"\u00e4", u"z"},           {0x041D, 0, u"\u00e4", u"z"},
    {0x0407, NORM_IGNORECASE, u"A", u"a"},  {0x10407, NORM_IGNORENONSPACE, u"M\u00fcller", u"Mueller"},
    {0x0405, SORT_STRINGSORT, u"ch", u"h"}, {0x0411, 0x30007, u"\u30ab", u"\u304b"},
    {0x0409, 0, u"coop", u"co-op"},         {0x040C, NORM_IGNORESYMBOLS, u"a-b", u"ab"},
};

TEST_F(LocaleCompare, EachLocaleCollatesAsIcuAndThePublishedOrdersAndMirrorsHold)
{
    // Word sort keeps "coop" and "co-op" together; string sort puts hyphen and apostrophe first.
    const std::vector<std::u16string> wordSort = {u"billet", u"bills", u"bill's", u"cannot", u"cant",
                                                  u"can't",  u"con",   u"coop",   u"co-op"};
    const std::vector<std::u16string> stringSort = {u"bill's", u"billet", u"bills", u"can't", u"cannot",
                                                    u"cant",   u"co-op",  u"con",   u"coop"};
    std::vector<std::u16string> shuffled = wordSort;
    std::mt19937 rng(3);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        EXPECT_EQ(Sorted(shuffled, kEnUs, 0), wordSort);
        EXPECT_EQ(Sorted(shuffled, kEnUs, SORT_STRINGSORT), stringSort);
    }
    EXPECT_EQ(Cmp(kEnUs, 0, u"coop", u"co-op"), LT);
    EXPECT_EQ(Cmp(kEnUs, SORT_STRINGSORT, u"coop", u"co-op"), GT);
    EXPECT_EQ(Cmp(kEnUs, SORT_STRINGSORT | NORM_IGNORECASE, u"CO-OP", u"coop"), LT);
    // Strings that differ only in where their hyphen stands are still unequal.
    EXPECT_NE(Cmp(kEnUs, 0, u"co-op", u"coo-p"), EQ);
    EXPECT_EQ(Cmp(kEnUs, 0, u"a-b", u"ab-"), LT);  // equal but for marks: the earlier mark first
    EXPECT_EQ(Cmp(kEnUs, 0, u"co-op", u"co-op"), EQ);
    struct Case {
        const char16_t* a;
        const char16_t* b;
        DWORD flags;
        int expected;
    };
    const Case cases[] = {
        // Lower case first unless case is ignored; symbols before digits before letters.
        {u"a", u"A", 0, LT},
        {u"a", u"A", SORT_STRINGSORT, LT},
        {u"a", u"A", NORM_IGNORECASE, EQ},
        {u"Zebra", u"apple", 0, GT},
        {u"9", u"a", 0, LT},
        {u"!", u"0", SORT_STRINGSORT, LT},
        {u"", u"a", 0, LT},
        // Accents are secondary differences; composed and decomposed forms are the same text.
        {u"resume", u"r\u00e9sum\u00e9", 0, LT},
        {u"r\u00e9sum\u00e9", u"resumf", 0, LT},
        {u"resume", u"R\u00e9sum\u00e9", NORM_IGNORECASE, NE},
        {u"\u00e9", u"e\u0301", 0, EQ},
        // Word sort looks through apostrophes, not through other punctuation.
        {u"can't", u"cans", 0, GT},
        {u"can't", u"cans", SORT_STRINGSORT, LT},
        {u"co.oq", u"coop", 0, LT},
        {u"$5+", u"5", NORM_IGNORESYMBOLS, EQ},
        {u"a b", u"ab", NORM_IGNORESYMBOLS, EQ},
        {u"a b", u"ab", 0, NE},
        {u"\uff32\u00e9sum\u00e9-", u"resume", kLoose, EQ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << &c - cases);
        int ab = Cmp(LOCALE_USER_DEFAULT, c.flags, c.a, c.b);
        EXPECT_TRUE(c.expected == NE ? ab != EQ : ab == c.expected) << ab;
        EXPECT_EQ(ab + Cmp(LOCALE_USER_DEFAULT, c.flags, c.b, c.a), 4);  // the mirror result
    }
    // String sort with no flags agrees with ICU's collator for the locale on every pair.
    struct OracleLocale {
        LCID lcid;
        const char* icu;
    };
    const OracleLocale locales[] = {{kEnUs, "en_US"},  {kDeDe, "de_DE"},
                                    {kSvSe, "sv_SE"},  {kDePhoneBook, "de_DE@collation=phonebook"},
                                    {0x041F, "tr_TR"}, {0x0405, "cs_CZ"}};
    const std::vector<std::u16string> oracleWords = {
        u"z",  u"\u00e4", u"a",           u"ae",      u"Ab",     u"\u00f6l", u"oz",
        u"ch", u"h",      u"cz",          u"\u0131",  u"i",      u"I",       u"\u00fc",
        u"ue", u"uf",     u"M\u00fcller", u"Mueller", u"Muller", u"\u00e5",  u"\u00c5ngstr\u00f6m"};
    for (const OracleLocale& c : locales) {
        UErrorCode err = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> oracle(icu::Collator::createInstance(icu::Locale(c.icu), err));
        ASSERT_TRUE(U_SUCCESS(err)) << c.icu;
        oracle->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
        oracle->setStrength(icu::Collator::IDENTICAL);
        for (const auto& a : oracleWords)
            for (const auto& b : oracleWords)
                ASSERT_EQ(Cmp(c.lcid, SORT_STRINGSORT, a, b), Icu(*oracle, a, b))
                    << c.icu << " " << U8(a) << " " << U8(b);
    }
    EXPECT_EQ(Cmp(kEnUs, 0, u"\u00e4", u"z"), LT);
    EXPECT_EQ(Cmp(kSvSe, 0, u"\u00e4", u"z"), GT);  // Swedish ä comes after z
    EXPECT_EQ(Cmp(kDeDe, NORM_IGNORENONSPACE, u"M\u00fcller", u"Mueller"), GT);
    EXPECT_EQ(Cmp(kDePhoneBook, NORM_IGNORENONSPACE, u"M\u00fcller", u"Mueller"), EQ);  // ü as ue
    EXPECT_EQ(Cmp(0x0405, 0, u"ch", u"h"), GT);                                         // Czech ch comes after h
}

TEST_F(LocaleCompare, ResultsFormATotalOrderAndEachIgnoreFlagIgnoresItsDifferenceOnly)
{
    const std::vector<std::u16string> words = RandomWords(u"aAbB-' .\u00e9\u00c91z", 17, 300);
    for (DWORD flags : {DWORD(0), SORT_STRINGSORT, SORT_STRINGSORT | NORM_IGNORECASE, kLoose}) {
        for (size_t i = 0; i + 1 < words.size(); ++i)
            ASSERT_EQ(Cmp(kEnUs, flags, words[i], words[i + 1]) + Cmp(kEnUs, flags, words[i + 1], words[i]), 4)
                << "antisymmetry, flags " << flags;
        const std::vector<std::u16string> sorted = Sorted(words, kEnUs, flags);
        for (size_t i = 0; i + 1 < sorted.size(); ++i)
            for (size_t j = i + 1; j < sorted.size(); j += 37)
                ASSERT_NE(Cmp(kEnUs, flags, sorted[i], sorted[j]), GT) << "transitivity";
    }
    struct Case {
        const char16_t* a;
        const char16_t* b;
        DWORD equalWith;  // the flags that make them equal
    };
    const Case cases[] = {
        {u"resume", u"RESUME", NORM_IGNORECASE},
        {u"r\u00e9sum\u00e9", u"resume", NORM_IGNORENONSPACE},
        {u"co-op!", u"coop", NORM_IGNORESYMBOLS},
        {u"\u30ab\u30bf\u30ab\u30ca", u"\u304b\u305f\u304b\u306a", NORM_IGNOREKANATYPE},  // katakana, hiragana
        {u"\uff21\uff22\uff23", u"ABC", NORM_IGNOREWIDTH},                                // full-width letters
        {u"\uff76\uff80", u"\u30ab\u30bf", NORM_IGNOREWIDTH},                             // half-width kana
    };
    const DWORD flags[] = {NORM_IGNORECASE, NORM_IGNORENONSPACE, NORM_IGNORESYMBOLS, NORM_IGNOREKANATYPE,
                           NORM_IGNOREWIDTH};
    for (const Case& c : cases) {
        for (DWORD f : flags) {
            // Ignoring accents (primary strength) also loses width and kana type; other flags only their own.
            bool equal = f == c.equalWith ||
                         (f == NORM_IGNORENONSPACE && (c.equalWith & (NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)));
            EXPECT_EQ(Cmp(kJaJp, f, c.a, c.b) == EQ, equal) << U8(c.a) << " " << U8(c.b) << " flags " << f;
            EXPECT_EQ(Cmp(kEnUs, f | SORT_STRINGSORT, c.a, c.b) == EQ, equal) << U8(c.a) << " flags " << f;
        }
        EXPECT_EQ(Cmp(kEnUs, kLoose, c.a, c.b), EQ) << U8(c.a);
        EXPECT_NE(Cmp(kEnUs, 0, c.a, c.b), EQ) << U8(c.a);
    }
    // Accents ignored keeps case unless case is ignored too.
    EXPECT_NE(Cmp(kEnUs, NORM_IGNORENONSPACE, u"R\u00e9sum\u00e9", u"resume"), EQ);
    EXPECT_EQ(Cmp(kEnUs, NORM_IGNORENONSPACE | NORM_IGNORECASE, u"R\u00e9sum\u00e9", u"resume"), EQ);
    EXPECT_EQ(Cmp(kEnUs, LINGUISTIC_IGNORECASE | LINGUISTIC_IGNOREDIACRITIC, u"\u00c9t\u00e9", u"ete"), EQ);
    // Case folding covers more than ASCII.
    EXPECT_EQ(Cmp(kEnUs, NORM_IGNORECASE, u"\u00c9T\u00c9 \u0394\u0399", u"\u00e9t\u00e9 \u03b4\u03b9"), EQ);
}

TEST_F(LocaleCompare, UserDefaultAndLstrcmpFollowThePinnedLocaleCountsMatchPrefixesBadArgumentsFail)
{
    EXPECT_LT(lstrcmpW(u"\u00e4", u"z"), 0);
    EXPECT_EQ(Cmp(LOCALE_USER_DEFAULT, 0, u"\u00e4", u"z"), LT);
    {
        PinnedLocale swedish("sv-SE");
        EXPECT_GT(lstrcmpW(u"\u00e4", u"z"), 0);
        EXPECT_GT(lstrcmpiW(u"\u00c4", u"z"), 0);
        EXPECT_EQ(Cmp(LOCALE_USER_DEFAULT, 0, u"\u00e4", u"z"), GT);
        EXPECT_EQ(Cmp(LOCALE_SYSTEM_DEFAULT | LOCALE_NOUSEROVERRIDE, 0, u"\u00e4", u"z"), GT);
        EXPECT_EQ(Cmp(kEnUs, 0, u"\u00e4", u"z"), LT);  // an explicit locale is not the user's
    }
    EXPECT_LT(lstrcmpW(u"\u00e4", u"z"), 0);
    // Not ordinal: "a" < "B" although 'B' < 'a' as code units.
    EXPECT_LT(lstrcmpW(u"a", u"B"), 0);
    EXPECT_GT(lstrcmpW(u"", nullptr), 0);  // a missing string before any other
    EXPECT_GT(wcscmp(u"a", u"B"), 0);
    EXPECT_LT(lstrcmpW(u"co-op", u"coop") * lstrcmpW(u"coop", u"co-op"), 0);
    EXPECT_LT(lstrcmpW(u"a", u"A"), 0);
    EXPECT_EQ(lstrcmpW(u"same", u"same"), 0);
    EXPECT_EQ(lstrcmpiW(u"Category", u"CATEGORY"), 0);
    EXPECT_NE(lstrcmpiW(u"Category", u"Cat\u00e9gory"), 0);
    EXPECT_LT(lstrcmpW(nullptr, u""), 0);
    EXPECT_EQ(lstrcmpW(nullptr, nullptr), 0);
    // "Starts with": the typed text against each name over the typed length, only letters counted.
    const std::u16string typed = u"Ren\u00e9e";
    const std::u16string names[] = {u"renee Smith", u"RENEE", u"Ren\u00e9e-Claire", u"Ren", u"Rene", u"Renata"};
    const bool matches[] = {true, true, true, false, false, false};
    for (size_t i = 0; i < std::size(names); ++i) {
        const std::u16string& name = names[i];
        bool match =
            name.size() >= typed.size() && CompareStringW(kEnUs, kLoose, name.c_str(), static_cast<int>(typed.size()),
                                                          typed.c_str(), static_cast<int>(typed.size())) == EQ;
        EXPECT_EQ(match, matches[i]) << U8(name);
    }
    // A count stops the comparison before the terminator; -1 reads to it.
    EXPECT_EQ(CompareStringW(kEnUs, 0, u"abcXYZ", 3, u"abc", -1), EQ);
    EXPECT_EQ(CompareStringW(kEnUs, 0, u"abcXYZ", -1, u"abc", -1), GT);
    EXPECT_EQ(CompareStringW(kEnUs, 0, u"ab", 0, nullptr, 0), EQ);
    EXPECT_EQ(CompareStringW(kEnUs, NORM_IGNORECASE, u"SMITHSON", 5, u"smith", 5), EQ);
    EXPECT_EQ(CompareStringW(kEnUs, 0, u"abcdef", 4, u"abc", 3), GT);
    EXPECT_EQ(CompareStringW(kEnUs, 0, nullptr, 0, u"", -1), EQ);
    EXPECT_TRUE(FAILS_WITH(CompareStringW(0x1234, 0, u"a", -1, u"b", -1), 0, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(CompareStringW(kEnUs, 0x100, u"a", -1, u"b", -1), 0, ERROR_INVALID_FLAGS));
    EXPECT_TRUE(FAILS_WITH(CompareStringW(kEnUs, 0, nullptr, 1, u"b", -1), 0, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CompareStringW(kEnUs, 0, u"a", -2, u"a", -1), 0);
    EXPECT_EQ(CompareStringW(kEnUs, 0x40000000, u"a", -1, u"a", -1), 0);
}

// Prefix numbers of names made of two random words (accents, case, digits, hyphens, apostrophes, a soft hyphen and
// spaces, often sharing a long first word): wherever two differ, CompareStringW orders the names the same way, in
// word sort and string sort, with case or everything ignored; and they tell most pairs apart.
TEST_F(LocaleCompare, PrefixNumbersOrderNamesAsCompareStringWWhereverTheyDiffer)
{
    const std::u16string alphabet = u"aAeE\u00e9\u00c9\u00e8oO\u00f6zZ19-'\u00ad ";
    const std::vector<std::u16string> heads = RandomWords(alphabet, 31, 12), tails = RandomWords(alphabet, 37, 240);
    std::vector<std::u16string> names;
    for (size_t i = 0; i < tails.size(); ++i) names.push_back(u"Renee" + heads[i % heads.size()] + tails[i]);
    const std::pair<LCID, DWORD> modes[] = {
        {kEnUs, 0}, {kSvSe, 0}, {kEnUs, SORT_STRINGSORT}, {kEnUs, NORM_IGNORECASE}, {kJaJp, kLoose}};
    for (auto [locale, flags] : modes) {
        std::vector<ULONGLONG> prefix;
        for (const auto& name : names)
            prefix.push_back(CompareStringPrefix(locale, flags, name.data(), static_cast<int>(name.size())));
        size_t decided = 0;
        for (size_t i = 0; i < names.size(); ++i)
            for (size_t j = 0; j < names.size(); ++j) {
                if (prefix[i] == prefix[j] || !prefix[i] || !prefix[j]) continue;
                ++decided;
                ASSERT_EQ(Cmp(locale, flags, names[i], names[j]), prefix[i] < prefix[j] ? LT : GT)
                    << U8(names[i]) << " / " << U8(names[j]) << " locale " << locale << " flags " << flags;
            }
        EXPECT_GT(decided, names.size() * names.size() * 3 / 4) << "locale " << locale << " flags " << flags;
    }
    // Only the text decides: a count cuts it; refused arguments give 0.
    EXPECT_EQ(CompareStringPrefix(kEnUs, 0, u"abcXYZ", 3), CompareStringPrefix(kEnUs, 0, u"abc", -1));
    EXPECT_EQ(CompareStringPrefix(kEnUs, 0x100, u"a", -1), 0u);
    EXPECT_EQ(CompareStringPrefix(0x1234, 0, u"a", -1), 0u);
    EXPECT_EQ(CompareStringPrefix(kEnUs, 0, nullptr, 1), 0u);
}

// Whole keys of a comparer made once, over a large set of random names (accents, case, digits, marks, a long shared
// start, widths and kana): a sort by the keys, the texts compared only where keys are equal, puts the names in
// CompareStringW's order in every mode.
TEST_F(LocaleCompare, WholeKeysSortNamesAsCompareStringWDoes)
{
    const std::u16string alphabet = u"aAeE\u00e9\u00c9\u00e8oO\u00f6zZ19-'\u00ad \uff21\u30a2\u3042";
    const std::vector<std::u16string> heads = RandomWords(alphabet, 41, 16), tails = RandomWords(alphabet, 43, 2000);
    std::vector<std::u16string> names = {u"co-op", u"coop", u"co'op", u""};
    for (size_t i = 0; i < tails.size(); ++i) names.push_back(u"Ren\u00e9e " + heads[i % heads.size()] + tails[i]);
    const std::pair<LCID, DWORD> modes[] = {
        {kEnUs, 0}, {kSvSe, 0}, {kEnUs, SORT_STRINGSORT}, {kEnUs, NORM_IGNORECASE}, {kJaJp, kLoose}, {kDePhoneBook, 0}};
    for (const auto& [locale, flags] : modes) {
        SCOPED_TRACE(testing::Message() << "locale " << locale << " flags " << flags);
        const LocaleComparer comparer(locale, flags);
        std::vector<std::string> keys(names.size());
        for (size_t i = 0; i < names.size(); ++i)
            ASSERT_TRUE(comparer.AppendKey(names[i].data(), static_cast<int>(names[i].size()), keys[i]));
        std::vector<size_t> byKey(names.size()), byCall(names.size());
        for (size_t i = 0; i < names.size(); ++i) byKey[i] = byCall[i] = i;
        std::stable_sort(byKey.begin(), byKey.end(), [&](size_t a, size_t b) {
            if (keys[a] != keys[b]) return keys[a] < keys[b];
            return comparer.Compare(names[a].data(), -1, names[b].data(), -1) == LT;
        });
        std::stable_sort(byCall.begin(), byCall.end(),
                         [&, mode = std::pair(locale, flags)](size_t a, size_t b) {
                             return Cmp(mode.first, mode.second, names[a], names[b]) == LT;
                         });
        for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(U8(names[byKey[i]]), U8(names[byCall[i]])) << "place " << i;
    }
}

// A comparer refuses what CompareStringW refuses (0, the same last error, no key) and keeps the locale it was made
// for when the user's locale changes (Swedish sorts "\u00f6" after "z", English before).
TEST_F(LocaleCompare, ComparerRefusesAsCompareStringWAndKeepsItsLocale)
{
    const std::tuple<LCID, DWORD, const char16_t*, int, DWORD> cases[] = {
        {kEnUs, 0x100, u"a", -1, ERROR_INVALID_FLAGS},
        {0x1234, 0, u"a", -1, ERROR_INVALID_PARAMETER},
        {kEnUs, 0, nullptr, 1, ERROR_INVALID_PARAMETER},
        {kEnUs, 0, u"a", -2, ERROR_INVALID_PARAMETER}};
    for (auto [locale, flags, text, count, error] : cases) {
        const LocaleComparer comparer(locale, flags);
        std::string key = "kept";
        SetLastError(0);
        EXPECT_EQ(comparer.Compare(text, count, u"b", -1), 0);
        EXPECT_EQ(GetLastError(), error) << locale << " " << flags << " " << count;
        EXPECT_FALSE(comparer.AppendKey(text, count, key));
        EXPECT_EQ(key, "kept");
    }
    const LocaleComparer english(LOCALE_USER_DEFAULT, 0);
    PinnedLocale swedishUser("sv-SE");
    EXPECT_EQ(english.Compare(u"\u00f6", -1, u"z", -1), LT);
    EXPECT_EQ(LocaleComparer(LOCALE_USER_DEFAULT, 0).Compare(u"\u00f6", -1, u"z", -1), GT);
}

// Shared collators and locale data answer as for one thread (also run under ThreadSanitizer).
TEST(LocaleConcurrency, ThreadsCompareAndFormatLikeOneThread)
{
    std::vector<int> expected;
    for (const Job& job : kJobs) expected.push_back(CompareStringW(job.locale, job.flags, job.a, -1, job.b, -1));
    SYSTEMTIME st{2024, 3, 0, 5, 14, 7, 9, 0};
    const LCID formatLocales[] = {0x0409, 0x0407, 0x0411, 0x0419};

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                size_t i = static_cast<size_t>(round + t) % std::size(kJobs);
                const Job& job = kJobs[i];
                if (CompareStringW(job.locale, job.flags, job.a, -1, job.b, -1) != expected[i]) ++failures;
                // Locale data is built on first use, possibly by several threads at once.
                WCHAR buffer[64];
                LCID locale = formatLocales[static_cast<size_t>(round + t) % std::size(formatLocales)];
                if (GetDateFormatW(locale, DATE_LONGDATE, &st, nullptr, buffer, 64) == 0) ++failures;
                if (GetLocaleInfoW(locale, LOCALE_STIMEFORMAT, buffer, 64) == 0) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

// Random names from two threads while the user's locale changes between en-US and sv-SE: every answer is that of
// a collator made here for one of them: in string sort, with case ignored (its secondary strength, as the names hold
// no other tertiary difference), and in word sort between names without hyphens or apostrophes.
TEST(LocaleConcurrency, RandomNamesCollateAsIcuInEitherUserLocaleWhileItChanges)
{
    const std::vector<std::u16string> names = RandomWords(u"aAzZ\u00e4\u00c4\u00e9\u00f609 .,-'", 23, 150);
    const std::pair<DWORD, icu::Collator::ECollationStrength> modes[] = {
        {SORT_STRINGSORT, icu::Collator::IDENTICAL},
        {SORT_STRINGSORT | NORM_IGNORECASE, icu::Collator::SECONDARY},
        {0, icu::Collator::IDENTICAL}};
    std::atomic<int> failures{0}, finished{0};
    auto compareAll = [&] {
        std::unique_ptr<icu::Collator> oracles[3][2];  // [mode][en-US, sv-SE]
        for (int i = 0; i < 6; ++i) {
            UErrorCode err = U_ZERO_ERROR;
            auto& c = oracles[i / 2][i % 2];
            c.reset(icu::Collator::createInstance(icu::Locale(i % 2 ? "sv_SE" : "en_US"), err));
            c->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
            c->setStrength(modes[i / 2].second);
        }
        for (const auto& a : names)
            for (const auto& b : names)
                for (int m = 0; m < 3; ++m) {
                    if (m == 2 && (a + b).find_first_of(u"-'") != std::u16string::npos) continue;
                    int r = CompareStringW(LOCALE_USER_DEFAULT, modes[m].first, a.c_str(), -1, b.c_str(), -1);
                    if (r != Icu(*oracles[m][0], a, b) && r != Icu(*oracles[m][1], a, b)) ++failures;
                }
        ++finished;
    };
    std::thread first(compareAll), second(compareAll);
    for (int i = 0; finished < 2; ++i) platform::SetUserLocaleName(i % 2 ? "sv-SE" : "en-US");
    first.join();
    second.join();
    platform::SetUserLocaleName("");
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
