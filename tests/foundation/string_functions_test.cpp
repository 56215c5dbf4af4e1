// The plain wide-string functions; random tests against std::u16string models.
#include "foundation/string_functions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/file_name_text.h"
#include "foundation/string_tokenizer.h"
#include "foundation/url_encode.h"
#include "foundation/wildmat.h"

namespace {

using V = std::vector<std::u16string>;

// Frees a malloc result and gives its text ("<null>" for null).
std::u16string Take(WCHAR* p)
{
    std::u16string s = p ? std::u16string(p) : u"<null>";
    std::free(p);
    return s;
}

std::u16string RandomText(std::mt19937& rng, const std::u16string& alphabet, int maxLen)
{
    std::u16string s;
    for (int i = static_cast<int>(rng() % static_cast<unsigned>(maxLen + 1)); i > 0; --i)
        s += alphabet[rng() % alphabet.size()];
    return s;
}

// The c-separated fields of text, empty ones included.
V FieldsOf(const std::u16string& text, char16_t c)
{
    V fields(1);
    for (char16_t ch : text) {
        if (ch == c)
            fields.emplace_back();
        else
            fields.back() += ch;
    }
    return fields;
}

V Tokens(std::u16string text, const WCHAR* delimiter)
{
    V out;
    XSTRTOK state{nullptr, text.data(), delimiter};
    while (WCHAR* token = xstrtok(&state)) out.emplace_back(token);
    return out;
}

V SplitItems(const WCHAR* text, WCHAR c)
{
    std::unique_ptr<CeStrList<WCHAR*>> list(Split(text, c));
    EXPECT_NE(list, nullptr);
    if (!list) return {u"<no list>"};
    EXPECT_EQ(list->GetIndexBase(), 0);
    V out;
    for (WCHAR* s : *list) out.emplace_back(s ? s : u"<null>");
    return out;
}

TEST(StringFunctions, NewCopiesSearchingAndInPlaceChanges)
{
    const struct {
        const char* what;
        std::function<WCHAR*()> call;
        std::u16string expected;
    } rows[] = {
        {"LTrimStr", [] { return LTrimStr(u" \t a b \n"); }, u"a b \n"},
        {"RTrimStr", [] { return RTrimStr(u" \t a b \n"); }, u" \t a b"},
        {"TrimStr", [] { return TrimStr(u" \t a b \n"); }, u"a b"},
        {"TrimStr blank", [] { return TrimStr(u"   "); }, u""},
        {"TrimStr null", [] { return TrimStr(nullptr); }, u"<null>"},
        {"SubStr field 2 of 1", [] { return SubStr(u"whole", 2, u';'); }, u"<null>"},
        {"SubStr field 0", [] { return SubStr(u"a;b", 0, u';'); }, u"<null>"},
        {"SubStr null", [] { return SubStr(nullptr, 1, u';'); }, u"<null>"},
        {"MidStr null", [] { return MidStr(nullptr, 0, 1); }, u""},
        {"LeftStr null", [] { return LeftStr(nullptr, 1); }, u""},
        {"RightStr null", [] { return RightStr(nullptr, 1); }, u""},
        {"ReplaceStr null repl", [] { return ReplaceStr(u"a,b,c", u",", nullptr, 0, 1); }, u"abc"},
        {"ReplaceStr null text", [] { return ReplaceStr(nullptr, u"a", u"b", 0, 1); }, u""},
        {"ReplaceStr null find", [] { return ReplaceStr(u"abc", nullptr, u"b", 0, 1); }, u"abc"},
        {"ReplaceStr empty find", [] { return ReplaceStr(u"abc", u"", u"b", 0, 1); }, u"abc"},
        {"ReplaceStr start -1", [] { return ReplaceStr(u"abc", u"a", u"b", -1, 1); }, u"abc"},
        {"ReplaceStr start = len", [] { return ReplaceStr(u"abc", u"c", u"d", 3, 1); }, u"abc"},
        {"JustFileName", [] { return JustFileName(u"\\My Documents\\note.pwi"); }, u"note.pwi"},
        {"JustFileName bare", [] { return JustFileName(u"bare.txt"); }, u"bare.txt"},
        {"JustFileName null", [] { return JustFileName(nullptr); }, u""},
        {"JustPath", [] { return JustPath(u"\\My Documents\\note.pwi"); }, u"\\My Documents\\"},
        {"JustPath bare", [] { return JustPath(u"bare.txt"); }, u"\\"},
        {"JustPath null", [] { return JustPath(nullptr); }, u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Take(row.call()), row.expected);
    }
    WCHAR* spare = AllocLPWSTR(u"abc");  // room for 7 more, zeroed
    EXPECT_EQ(std::u16string(spare, 11), (std::u16string{u'a', u'b', u'c', 0, 0, 0, 0, 0, 0, 0, 0}));
    std::free(spare);
    for (const WCHAR* src : {static_cast<const WCHAR*>(nullptr), u""}) {
        WCHAR* e = AllocLPWSTR(src);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(std::u16string(e, 4), std::u16string(4, u'\0'));
        std::free(e);
    }
    const WCHAR* hay = u"Hello World";
    EXPECT_EQ(wcsistr(hay, u"worlds"), nullptr);
    const WCHAR* accented = u"straße ÄPFEL";
    EXPECT_EQ(wcsistr(accented, u"äpfel"), accented + 7);
    for (auto [h, n] :
         {std::pair<const WCHAR*, const WCHAR*>{nullptr, u"a"}, {u"a", nullptr}, {u"", u"a"}, {u"a", u""}})
        EXPECT_EQ(wcsistr(h, n), nullptr);
    EXPECT_EQ(IndexOf(u"abcabc", u'b', 2), 4);
    EXPECT_EQ(IndexOf(u"abcabc", u'b', 5), -1);
    EXPECT_EQ(IndexOf(u"abcabc", u'b', -4), 1);
    EXPECT_EQ(IndexOf(nullptr, u'b', 0), -1);
    EXPECT_EQ(IndexOf(u"one Two two", u"two", 0, 1), 8);
    EXPECT_EQ(IndexOf(u"one Two two", u"two", 0, 0), 4);
    EXPECT_EQ(IndexOf(u"one Two two", u"two", 5, 0), 8);
    EXPECT_EQ(IndexOf(u"abc", u"c", 4, 1), -1);
    EXPECT_EQ(IndexOf(u"abc", nullptr, 0, 1), -1);
    EXPECT_EQ(IndexOfA("abcabc", 'c', 3), 5);
    EXPECT_EQ(IndexOfA("One TWO two", "two", 0, 0), 4);
    const char* s = "x|yy|z";
    EXPECT_EQ(GetDelimeterPtrA(s, 2, '|'), s + 4);
    char* field = SubStrA(s, 2, '|');
    EXPECT_STREQ(field, "yy");
    std::free(field);
    EXPECT_EQ(SubStrA(s, 4, '|'), nullptr);
    EXPECT_EQ(SubStrCount(nullptr, u','), 0);

    WCHAR dashes[] = u"a-b-c";
    EXPECT_EQ(ReplaceChar(dashes, u'-', u'+'), dashes);
    EXPECT_EQ(std::u16string(dashes), u"a+b+c");
    WCHAR line[] = u"line \r\n\t\r\n";
    EXPECT_EQ(RTrimStrInPlace(line), line);
    EXPECT_EQ(std::u16string(line), u"line");
    EXPECT_EQ(ReplaceChar(nullptr, u'a', u'b'), nullptr);
    EXPECT_EQ(RTrimStrInPlace(nullptr), nullptr);
}

TEST(StringFunctions, FieldsTokensMidLeftRightAndReplaceStrAgreeWithModels)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::u16string text = RandomText(rng, u"ab,", 12);
        V fields = FieldsOf(text, u',');
        const WCHAR* s = text.c_str();
        ASSERT_EQ(SubStrCount(s, u','), static_cast<int>(fields.size()));
        for (size_t f = 0; f < fields.size(); ++f) EXPECT_EQ(Take(SubStr(s, static_cast<int>(f + 1), u',')), fields[f]);
        for (size_t i = 0, n = 0; i < text.size(); ++i) {
            if (text[i] == u',') {
                EXPECT_EQ(GetDelimeterPtr(s, static_cast<int>(++n), u','), s + i);
            }
        }
        EXPECT_EQ(GetDelimeterPtr(s, static_cast<int>(fields.size()), u','), nullptr);
        EXPECT_EQ(GetDelimeterPtr(s, 0, u','), nullptr);
        EXPECT_EQ(SplitItems(s, u','), fields);
        EXPECT_EQ(Tokens(text, u","), fields);
        EXPECT_EQ(std::u16string(s), text);  // Split leaves its source alone
    }
    EXPECT_EQ(SplitItems(nullptr, u','), V{});
    EXPECT_EQ(Tokens(u"a;b,c", u";,"), (V{u"a", u"b,c"}));  // only the first delimiter character counts
    EXPECT_EQ(Tokens(u"a;b", u""), (V{u"a;b"}));
    EXPECT_EQ(Tokens(u"a;b", nullptr), (V{u"a;b"}));
    // The tokenizer cuts in place and clears its start.
    WCHAR keyValue[] = u"k=v";
    XSTRTOK state{nullptr, keyValue, u"="};
    EXPECT_EQ(xstrtok(&state), keyValue);
    EXPECT_EQ(state.pszString, nullptr);
    EXPECT_EQ(keyValue[1], 0);
    EXPECT_EQ(xstrtok(&state), keyValue + 2);
    EXPECT_EQ(xstrtok(&state), nullptr);
    EXPECT_EQ(xstrtok(nullptr), nullptr);

    rng.seed(11);
    for (int round = 0; round < 800; ++round) {
        std::u16string text = RandomText(rng, u"abcdefgh", 8);
        int len = static_cast<int>(text.size());
        int start = static_cast<int>(rng() % 12) - 2;
        int count = static_cast<int>(rng() % 12) - 2;
        std::u16string mid, left = text, right = text;
        if (len > 0 && count != 0 && start >= 0 && start < len) {
            mid =
                text.substr(static_cast<size_t>(start), count < 0 ? std::u16string::npos : static_cast<size_t>(count));
        }
        if (count == 0 || len == 0) {
            left = right = u"";
        } else if (count > 0 && count <= len) {
            left = text.substr(0, static_cast<size_t>(count));
            right = text.substr(static_cast<size_t>(len - count));
        }
        SCOPED_TRACE(std::to_string(len) + " " + std::to_string(start) + " " + std::to_string(count));
        EXPECT_EQ(Take(MidStr(text.c_str(), start, count)), mid);
        EXPECT_EQ(Take(LeftStr(text.c_str(), count)), left);
        EXPECT_EQ(Take(RightStr(text.c_str(), count)), right);
        WCHAR buf[6];
        EXPECT_EQ(std::u16string(MidStr(text.c_str(), start, count, buf, 6)), mid.substr(0, 5));
    }
    WCHAR buf[4] = {u'#'};
    MidStr(nullptr, 0, 1, buf, 4);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(MidStr(u"abc", 0, 1, nullptr, 5), nullptr);
    rng.seed(3);
    for (int round = 0; round < 600; ++round) {
        std::u16string text = RandomText(rng, u"abA", 10);
        std::u16string find = RandomText(rng, u"ab", 1) + u"a";
        std::u16string repl = RandomText(rng, u"abA", 2);
        bool caseSensitive = rng() % 2;
        int start = text.empty() ? 0 : static_cast<int>(rng() % text.size());
        std::u16string hay = text;
        if (!caseSensitive) std::replace(hay.begin(), hay.end(), u'A', u'a');
        std::u16string expected = text.substr(0, static_cast<size_t>(start));
        for (size_t i = static_cast<size_t>(start); i < text.size();) {
            bool match = hay.compare(i, find.size(), find) == 0;
            expected += match ? repl : text.substr(i, 1);
            i += match ? find.size() : 1;
        }
        EXPECT_EQ(Take(ReplaceStr(text.c_str(), find.c_str(), repl.c_str(), start, caseSensitive)), expected);
    }
}

TEST(StringFunctions, BuildersFileNameCleanerAndUrlEncode)
{
    WCHAR buf[32] = {0, u'#', u'#'};
    int pos = 1;  // a caller's position past the (empty) text: the safe builder writes nothing
    SafeStringBuilder(buf, &pos, u"");
    SafeStringBuilder(buf, &pos, nullptr);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(buf[1], u'#');
    pos = 0;
    SafeStringBuilder(buf, &pos, u"ab");
    SafeStringBuilder(buf, &pos, u"");
    StringBuilder(buf, &pos, u"c");
    StringBuilder(buf, &pos, u"defgh", 2);
    StringBuilder(buf, &pos, nullptr);
    StringBuilder(buf, &pos, u"f", 10);
    EXPECT_EQ(pos, 6);
    EXPECT_EQ(std::u16string(buf), u"abcdef");
    EXPECT_EQ(wstrncpy(buf, u"xyz", 2), buf);
    EXPECT_EQ(std::u16string(buf), u"xy");
    EXPECT_EQ(wstrncpy(nullptr, u"a", 1), nullptr);
    WCHAR phone[32] = u"tel:";
    EXPECT_EQ(CopyPhone(phone, u"+1 (555) 123-4567"), phone);
    EXPECT_EQ(std::u16string(phone), u"tel:+15551234567");
    CopyPhone(phone, u"");
    EXPECT_EQ(phone[0], 0);
    WCHAR s[] = u"a:b|c";
    EXPECT_EQ(FilenameContrabandCleaner(s, 0), 5);
    EXPECT_EQ(std::u16string(s), u"a_b_c");
    WCHAR all[] = u"\t\n\r\"*/:<>?\\|ok (1).txt";
    FilenameContrabandCleaner(all, 0);
    EXPECT_EQ(std::u16string(all), u"____________ok (1).txt");
    WCHAR dirty[] = u"name?.txt";
    EXPECT_EQ(FilenameContrabandCleaner(dirty, 1), 1);
    EXPECT_EQ(std::u16string(dirty), u"name?.txt");
    WCHAR clean[] = u"name (1).txt";
    EXPECT_EQ(FilenameContrabandCleaner(clean, 1), 0);
    EXPECT_EQ(FilenameContrabandCleaner(nullptr, 0), 0);
    for (size_t len : {224u, 225u, 300u}) {
        std::u16string name(len, u'n');
        EXPECT_EQ(FilenameContrabandCleaner(name.data(), 0), static_cast<int>(std::min<size_t>(len, 225)));
    }
    const struct {
        const WCHAR* src;
        int capacity;
        std::u16string expected;
    } rows[] = {
        {u"a b&", 64, u"a+b%26"},
        {u"x\x05y", 64, u"x%05y"},
        {u"\x2190\x00D7\x3000", 64, u"%21%D7%30"},  // wider codes keep their first two hex digits
        {u"Ünï9", 64, u"Ünï9"},                     // letters of any script stay
        {u"", 64, u""},
        {u"ab&c", 4, u"ab"},  // "%26" and the terminator would not fit
        {u"a&", 5, u"a%26"},
        {u"abc", 1, u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.expected.begin(), row.expected.end()));
        WCHAR buf[65];
        std::fill(std::begin(buf), std::end(buf), u'#');
        EXPECT_EQ(UrlEncode(row.src, buf, row.capacity), buf);
        EXPECT_EQ(std::u16string(buf), row.expected);
        EXPECT_EQ(buf[row.capacity], u'#');  // nothing written past the capacity
    }
    EXPECT_EQ(UrlEncode(u"abc", nullptr, 10), nullptr);
}

// The matching rules stated declaratively, without the matcher's early abort.
bool ReferenceMatch(const std::u16string& t, const std::u16string& p)
{
    if (!p.empty() && (p[0] == u'?' || p[0] == u'*') && !t.empty() && t[0] == u'.') return false;
    std::map<std::pair<size_t, size_t>, bool> memo;
    std::function<bool(size_t, size_t)> m = [&](size_t i, size_t j) {
        auto [it, fresh] = memo.try_emplace({i, j}, false);
        if (!fresh) return it->second;
        bool r;
        if (j == p.size()) {
            r = i == t.size();
        } else if (i == t.size()) {
            r = p.compare(j, std::u16string::npos, u"*") == 0;
        } else if (p[j] == u'\\') {
            bool last = j + 1 == p.size();  // a trailing backslash stands for itself
            r = t[i] == (last ? u'\\' : p[j + 1]) && m(i + 1, last ? j + 1 : j + 2);
        } else if (p[j] == u'*') {
            r = j + 1 == p.size();
            for (size_t k = i; !r && k < t.size(); ++k) r = m(k, j + 1);
        } else {
            r = (p[j] == u'?' || t[i] == p[j]) && m(i + 1, j + 1);
        }
        return memo[{i, j}] = r;
    };
    return m(0, 0);
}

TEST(Wildmat, CaseNullsAbortResultsAndTheReferenceOnRandomPatterns)
{
    EXPECT_FALSE(wildmat(u"abc", u"ABC"));  // the random alphabet has no capitals
    EXPECT_FALSE(wildmat(nullptr, u"*"));
    EXPECT_FALSE(wildmat(u"a", nullptr));
    EXPECT_EQ(DoMatch(u"ab", u"ab?"), WILDMAT_ABORT);
    EXPECT_EQ(DoMatch(u"ab", u"ab*"), WILDMAT_MATCH);
    EXPECT_EQ(DoMatch(u"ab", u"ac"), WILDMAT_NOMATCH);
    EXPECT_EQ(Star(u"xxab", u"ab"), WILDMAT_MATCH);
    EXPECT_EQ(Star(u"xxa", u"ab"), WILDMAT_ABORT);
    std::mt19937 rng(2024);
    for (int round = 0; round < 20000; ++round) {
        std::u16string text = RandomText(rng, u"ab.*?\\", 6);
        std::u16string pattern = RandomText(rng, u"ab.**??\\", 6);
        ASSERT_EQ(wildmat(text.c_str(), pattern.c_str()), ReferenceMatch(text, pattern))
            << "text '" << std::string(text.begin(), text.end()) << "' pattern '"
            << std::string(pattern.begin(), pattern.end()) << "'";
    }
}

}  // namespace
