// The ASCII key table against ICU's own primary keys, in locales with and without contractions.
#include "platform/locale/ascii_sort_keys.h"

#include <gtest/gtest.h>
#include <unicode/coll.h>
#include <unicode/tblcoll.h>
#include <unicode/ucol.h>
#include <unicode/uniset.h>
#include <unicode/usetiter.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/text/utf8.h"

namespace {

using platform::AsciiSortKeys;

std::unique_ptr<icu::Collator> PrimaryCollator(const char* locale)
{
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale(locale), err));
    c->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
    c->setStrength(icu::Collator::PRIMARY);
    c->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, err);
    EXPECT_TRUE(U_SUCCESS(err)) << locale;
    return c;
}

// ICU's primary key of text, terminator left off.
std::string IcuKey(const icu::Collator& c, const std::u16string& text)
{
    std::string key(1024, '\0');
    const int32_t n = c.getSortKey(text.data(), static_cast<int32_t>(text.size()),
                                   reinterpret_cast<std::uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
    key.resize(static_cast<size_t>(n - 1));
    return key;
}

std::uint64_t FirstEightBytes(const std::string& key)
{
    std::uint64_t n = 0;
    for (size_t i = 0; i < 8; ++i) n = n << 8 | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0);
    return n;
}

AsciiSortKeys::Foldings Unchanged()
{
    AsciiSortKeys::Foldings f;
    for (char16_t c = 0; c < 128; ++c) f[c] = std::u16string(1, c);
    return f;
}

struct LocaleCase {
    const char* locale;
    int answeredAtLeast;  // of 2,000 random texts
};

// Locales with contractions among ASCII letters (Czech "ch", Danish "aa", Hungarian "cs", "dzs"..., Welsh "ll",
// "th"..., traditional Spanish "ll") and without, a Turkish dotless I, Japanese.
const LocaleCase kLocales[] = {
    {"en_US", 1000}, {"cs_CZ", 100}, {"da_DK", 100},   {"hu_HU", 20}, {"cy_GB", 20},
    {"es_ES@collation=traditional", 100}, {"tr_TR", 1000}, {"ja_JP", 1000}, {"sv_SE", 1000}, {"de_DE@collation=phonebook", 1000},
};

}  // namespace

// Random texts, mostly ASCII letters with spaces, digits and punctuation, sometimes an accented letter, a
// combining accent (after an ASCII letter it may change that letter's key) or a dotless i: wherever the table
// answers, its key and its eight-byte prefix are ICU's; it answers for plain ASCII text in most locales.
TEST(AsciiSortKeys, AnswersAreIcuKeysAndPlainTextIsAnswered)
{
    const std::u16string alphabet =
        u"aabcdefghijklmnopqrstuvwxyzzAACHLSTYZ   0129-'.,:!~@\u00e9\u0308\u030a\u0131";
    for (const LocaleCase& lc : kLocales) {
        SCOPED_TRACE(lc.locale);
        const auto collator = PrimaryCollator(lc.locale);
        const auto table = AsciiSortKeys::Learn(*collator, Unchanged());
        ASSERT_TRUE(table);
        std::mt19937 rng(7);
        int answered = 0;
        for (int n = 0; n < 2000; ++n) {
            std::u16string text;
            for (size_t len = rng() % 16; len > 0; --len) {
                const size_t pick = rng() % alphabet.size();
                text.push_back(rng() % 4 == 0 || alphabet[pick] < 128 ? alphabet[pick] : u'q');
            }
            const std::string icu = IcuKey(*collator, text);
            std::uint64_t prefix = 0;
            if (table->Prefix(text, prefix)) {
                ++answered;
                ASSERT_EQ(prefix, FirstEightBytes(icu)) << WideToUtf8(text);
            }
            std::string key = "k";
            if (table->AppendKey(text, key))
                ASSERT_EQ(key, "k" + icu) << WideToUtf8(text);
            else
                ASSERT_EQ(key, "k") << WideToUtf8(text);
        }
        EXPECT_GE(answered, lc.answeredAtLeast);
    }
}

// Which texts are answered: not a contraction's letters, not a text whose eighth key byte comes from a letter a
// combining accent follows, nor any non-ASCII character before that.
TEST(AsciiSortKeys, TextsLeftToTheCollator)
{
    struct Case {
        const char* locale;
        const char16_t* text;
        bool answered;
    };
    const Case cases[] = {
        {"en_US", u"Call accounts 123", true},   {"en_US", u"", true},
        {"en_US", u"abcdefgh\u0308", false},      {"en_US", u"abcdefghi\u0308", true},
        {"en_US", u"ab\u00e9", false},            {"en_US", u"a\tb", false},
        {"cs_CZ", u"chata", false},               {"cs_CZ", u"abba", true},
        {"da_DK", u"Aalborg", false},             {"da_DK", u"Odense", true},
    };
    for (const Case& c : cases) {
        const auto table = AsciiSortKeys::Learn(*PrimaryCollator(c.locale), Unchanged());
        std::uint64_t prefix = 0;
        EXPECT_EQ(table->Prefix(c.text, prefix), c.answered) << c.locale << " " << WideToUtf8(c.text);
    }
}

// The caller's folding is what is keyed: case folded to lower (in Turkish "I" is not "i" unfolded), a dropped
// hyphen leaves its neighbours' keys side by side.
TEST(AsciiSortKeys, KeysAreThoseOfTheFoldedText)
{
    AsciiSortKeys::Foldings folded = Unchanged();
    for (char16_t c = u'A'; c <= u'Z'; ++c) folded[c] = std::u16string(1, static_cast<char16_t>(c + 32));
    folded[u'-'].clear();
    for (const char* locale : {"en_US", "tr_TR"}) {
        const auto collator = PrimaryCollator(locale);
        const auto table = AsciiSortKeys::Learn(*collator, folded);
        std::string key;
        ASSERT_TRUE(table->AppendKey(u"Ice-Cream", key)) << locale;
        EXPECT_EQ(key, IcuKey(*collator, u"icecream")) << locale;
    }
    const auto turkish = PrimaryCollator("tr_TR");
    EXPECT_NE(IcuKey(*turkish, u"I"), IcuKey(*turkish, u"i"));
}
// Characters tailored after a Greek letter share their keys' first byte, which ICU writes once for a run of them
// and marks where the run ends: such keys do not join up, and texts holding those characters are left to the
// collator (the last printable character included).
TEST(AsciiSortKeys, KeysThatShareALeadingByteAreLeftToTheCollator)
{
    struct Case {
        const char16_t* rules;
        std::vector<const char16_t*> refused;
    };
    const Case cases[] = {
        {u"&\u03b1 < a < b < c", {u"ab", u"ca", u"x a", u"bx"}},
        {u"&\u03b1 < '~'", {u"~~", u"~a"}},
    };
    for (const Case& c : cases) {
        UErrorCode err = U_ZERO_ERROR;
        icu::RuleBasedCollator tailored(c.rules, err);
        ASSERT_TRUE(U_SUCCESS(err));
        tailored.setStrength(icu::Collator::PRIMARY);
        const auto table = AsciiSortKeys::Learn(tailored, Unchanged());
        for (const char16_t* text : c.refused) {
            std::uint64_t prefix = 0;
            EXPECT_FALSE(table && table->Prefix(text, prefix)) << WideToUtf8(text);
        }
    }
}

// The table reads a locale's own contractions only: the root collation under every locale must have none that
// spans two ASCII characters.
TEST(AsciiSortKeys, RootCollationHasNoContractionOfTwoAsciiCharacters)
{
    const auto root = PrimaryCollator("root");
    UErrorCode err = U_ZERO_ERROR;
    icu::UnicodeSet contractions;
    ucol_getContractionsAndExpansions(root->toUCollator(), contractions.toUSet(), nullptr, true, &err);
    ASSERT_TRUE(U_SUCCESS(err));
    ASSERT_GT(contractions.size(), 100);
    icu::UnicodeSetIterator it(contractions);
    while (it.next()) {
        if (!it.isString()) continue;
        int ascii = 0;
        for (int32_t i = 0; i < it.getString().length(); ++i) ascii += it.getString()[i] < 128;
        EXPECT_LT(ascii, 2);
    }
}
