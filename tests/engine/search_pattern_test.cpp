// The search's Soundex code and its text and wildcard matching, on fields as the search hands them over.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "engine/search_pattern.h"
#include "platform/text/utf8.h"

namespace {

std::u16string Code(const std::u16string& word)
{
    WCHAR code[kSoundexChars];
    const int length = SoundexCode(word.c_str(), code);
    EXPECT_EQ(static_cast<size_t>(length), std::u16string(code).size());
    return code;
}

// The published pairs that sound alike keep their codes equal; the codes themselves are this suite's variant
// (vowels coded 0, no padding, first letter as typed), which differs from the classic R163 / A261 / T522 /
// P236 / H555.
TEST(SearchSoundex, PublishedExamplesInTheSuitesVariant)
{
    const struct {
        std::u16string word;
        std::u16string code;
    } cases[] = {
        {u"Robert", u"R010"},   {u"Rupert", u"R010"},   {u"Ashcraft", u"A260"}, {u"Ashcroft", u"A260"},
        {u"Tymczak", u"T052"},  {u"Pfister", u"P023"},  {u"Honeyman", u"H050"}, {u"Smith", u"S503"},
        {u"Smyth", u"S503"},    {u"Lee", u"L0"},        {u"lee", u"l0"},        {u"Schmidt", u"S503"},
        {u"Wheeler", u"W040"},  {u"\u00C9mile", u"\u00C9504"}, {u"Mu\u00F1oz", u"M050"}, {u"12 Lee", u"L0"},
        {u"", u""},             {u"1234", u""},         {u"Hhhh", u"H"},        {u"Ellie", u"E40"},
    };
    for (const auto& c : cases) EXPECT_EQ(Code(c.word), c.code) << WideToUtf8(c.word);
    WCHAR code[kSoundexChars] = {u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(SoundexCode(nullptr, code), 0);
    EXPECT_EQ(code[0], 0);
}

struct Prepared {
    std::u16string typed;
    bool anywhere;
    std::u16string pattern;
    bool wildcard;
};

TEST(SearchPattern, PreparesWildcardPatterns)
{
    const Prepared cases[] = {
        {u"Smith", true, u"smith", false},     {u"sm?th", false, u"sm?th*", true}, {u"sm?th", true, u"*sm?th*", true},
        {u"*ith", true, u"*ith*", true},       {u"**a**", true, u"*a*", true},     {u"*", true, u"*", true},
        {u"c:\\x*", true, u"*c:\\\\x*", true}, {u"?", false, u"?*", true},
    };
    for (const auto& c : cases) {
        SearchPattern p;
        ASSERT_TRUE(p.Prepare(c.typed.c_str(), c.anywhere, false)) << WideToUtf8(c.typed);
        EXPECT_EQ(p.Text(), c.pattern) << WideToUtf8(c.typed);
        EXPECT_EQ(p.Wildcard(), c.wildcard) << WideToUtf8(c.typed);
    }
}

struct Match {
    std::u16string typed;
    bool anywhere;
    std::u16string field;  // without the leading space
    bool found;
};

// Each case's pattern prepared, then matched by match(pattern, its field).
template <size_t N, class MatchFn>
void ExpectMatches(const Match (&cases)[N], MatchFn match)
{
    for (const auto& c : cases) {
        SearchPattern p;
        ASSERT_TRUE(p.Prepare(c.typed.c_str(), c.anywhere, false));
        EXPECT_EQ(match(p, c.field), c.found)
            << WideToUtf8(c.typed) << (c.anywhere ? " anywhere in " : " at start of ") << WideToUtf8(c.field);
    }
}

TEST(SearchPattern, MatchesFieldsAnywhereAtTheStartAndWithWildcards)
{
    const Match cases[] = {
        {u"plumb", true, u"Call the Plumber", true},  {u"plumb", false, u"Call the Plumber", false},
        {u"call", false, u"Call the Plumber", true},  {u"CALL", false, u"call", true},
        {u"cafe", false, u"Caf\u00E9 Nero", true},    {u"smithers", false, u"Smith", true},
        {u"*umber", true, u"Call the Plumber", true}, {u"*umber", false, u"Call the Plumber", true},
        {u"c?ll", false, u"Call the Plumber", true},  {u"c?ll", false, u"Cll", false},
        {u"the*ber", true, u"Call the Plumber", true}, {u"the*ber", false, u"Call the Plumber", false},
        {u"pl?mber", true, u"Plumber", true},         {u"plumber?", true, u"Plumber", false},
        {u"*", true, u"anything", true},              {u"*", false, u"", false},
        {u"x", true, u"", false},                     {u"[a]", true, u"Text [a] here", true},
        {u"a\\b*", true, u"a\\bc", true},             {u"50%", true, u"50% off", true},
    };
    ExpectMatches(cases, [](const SearchPattern& p, const std::u16string& field) {
        std::u16string spaced(1, u' ');
        spaced += field;
        return p.MatchField(spaced.data(), false);
    });
}

// A note's whole text has no leading space to skip, and an empty text is
// no match, not even for "*".
TEST(SearchPattern, MatchesNoteTexts)
{
    const Match cases[] = {
        {u"plumb", true, u"Call the Plumber\r\nat nine", true}, {u"plumb", false, u"Call the Plumber", false},
        {u"CALL", false, u"call the plumber", true},              {u"nine", true, u"Call at\r\nNINE", true},
        {u"*umber", true, u"Call the Plumber", true},             {u"c?ll", false, u"Cll", false},
        {u"*", true, u"", false},                                 {u"x", true, u"", false},
        {u"*", true, u"x", true},
    };
    ExpectMatches(cases, [](const SearchPattern& p, std::u16string text) { return p.MatchNoteText(text.data()); });
}

TEST(SearchPattern, ComparesSoundexCodesOfNames)
{
    SearchPattern p;
    ASSERT_TRUE(p.Prepare(u"Smyth", true, true));
    EXPECT_TRUE(p.UsesSoundex());
    EXPECT_EQ(p.Code(), u"s503");
    std::u16string smith = u" S503", jones = u" J052";
    EXPECT_TRUE(p.MatchField(smith.data(), true));
    EXPECT_FALSE(p.MatchField(jones.data(), true));
    // Without a letter the code knows, Soundex is switched off.
    ASSERT_TRUE(p.Prepare(u"1234", true, true));
    EXPECT_FALSE(p.UsesSoundex());
}

TEST(SearchPattern, BadTextsNeitherCrashNorHang)
{
    SearchPattern p;
    EXPECT_FALSE(p.Prepare(std::u16string(10000, u'a').c_str(), true, true));
    EXPECT_FALSE(p.Prepare(nullptr, true, false));
    EXPECT_FALSE(p.Prepare(u"", true, false));
    EXPECT_TRUE(p.Empty());
    std::u16string longField = u" " + std::u16string(10000, u'a');
    const std::u16string longest(kSearchMaxTextChars, u'a');
    ASSERT_TRUE(p.Prepare(longest.c_str(), true, false));
    EXPECT_TRUE(p.MatchField(longField.data(), false));
    // Only wildcards: "*?*?" needs two characters.
    ASSERT_TRUE(p.Prepare(u"*?*?**", false, false));
    std::u16string one = u" a", two = u" ab";
    EXPECT_TRUE(p.MatchField(two.data(), false));
    EXPECT_FALSE(p.MatchField(one.data(), false));
    // A pattern of many stars over a long text ends quickly.
    std::u16string stars;
    for (int i = 0; i < 500; ++i) stars += u"a*";
    ASSERT_TRUE(p.Prepare((stars + u"b").c_str(), true, false));
    EXPECT_FALSE(p.MatchField(longField.data(), false));
    // Only spaces, and lone halves of surrogate pairs.
    ASSERT_TRUE(p.Prepare(u"   ", true, true));
    std::u16string spaced = u" a   b", tight = u" ab";
    EXPECT_TRUE(p.MatchField(spaced.data(), false));
    EXPECT_FALSE(p.MatchField(tight.data(), false));
    const std::u16string halves = {0xD800, u'x', 0xDC00};
    ASSERT_TRUE(p.Prepare(halves.c_str(), false, true));
    std::u16string field = u" " + halves + u"yz";
    EXPECT_TRUE(p.MatchField(field.data(), false));
}

// The quick look may only rule out fields that the full match rejects, and only decide a match for fields the
// full match takes; on plain ASCII fields (not blank) matched anywhere without wildcards it decides exactly. Random fields and texts over letters of both cases, the wildcards,
// the escape, dots, blanks and characters whose lower case is ASCII (Kelvin sign, dotted I) or is not (É, ß).
TEST(SearchPattern, TheQuickLookNeverRulesOutAMatch)
{
    const std::u16string alphabet = u"abAB .*?\\\u212A\u0130\u00C9\u00E9\u00DFkKiI";
    std::mt19937 random(25);
    auto text = [&](size_t most) {
        std::u16string t(1 + random() % most, u' ');
        for (auto& c : t) c = alphabet[random() % alphabet.size()];
        return t;
    };
    int ruledOut = 0, decided = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::u16string typed = text(4);
        const bool anywhere = round % 3 != 0;
        SearchPattern pattern;
        if (!pattern.Prepare(typed.c_str(), anywhere, false)) continue;
        for (int f = 0; f < 8; ++f) {
            // The last field of each round is blank: only its leading space.
            std::u16string field(1, u' ');
            if (f < 7) field.append(text(12));
            const SearchPattern::Look look = pattern.QuickLook(field.c_str());
            const bool may = look != SearchPattern::Look::kNo;
            const bool ascii = std::all_of(field.begin(), field.end(), [](char16_t c) { return c < 0x80; });
            const std::u16string raw = field;
            const bool match = pattern.MatchField(field.data(), false);
            ruledOut += may ? 0 : 1;
            if (match) {
                EXPECT_TRUE(may) << WideToUtf8(typed) << " in \"" << WideToUtf8(raw) << "\"";
            } else {
                EXPECT_NE(look, SearchPattern::Look::kYes) << WideToUtf8(typed) << " in \"" << WideToUtf8(raw) << "\"";
            }
            if (ascii && anywhere && !pattern.Wildcard() && f < 7) {
                EXPECT_EQ(may, match) << WideToUtf8(typed);
            }
            decided += look == SearchPattern::Look::kYes ? 1 : 0;
        }
    }
    EXPECT_GT(ruledOut, 1000);
    EXPECT_GT(decided, 100);
}

}  // namespace
