// SearchPattern and the Soundex code.
#include "engine/search_pattern.h"

#include <algorithm>

#include "foundation/wildmat.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"

namespace {

// The letters of each Soundex group, upper case; a group's number is its digit.
constexpr const char16_t* kSoundexGroups[] = {
    // One group over two lines (the parentheses say the joining is meant).
    (u"AEIOUY\u00D2\u00D3\u00D4\u00D5\u00D6\u00D8\u00D9\u00DA\u00DB\u00DC\u00DD\u00C0\u00C1\u00C2\u00C3\u00C4\u00C5"
     u"\u00C6\u00C8\u00C9\u00CA\u00CB\u00CC\u00CD\u00CE\u00CF"),
    u"BFPV",
    u"CGKJQSXZ\u00D0\u00C7",
    u"DT",
    u"L",
    u"MN\u00D1",
    u"R",
    u"HW",
};
constexpr int kSoundexSilentGroup = 7;
// No digit yet: the first coded letter always counts.
constexpr int kSoundexNoDigit = 8;

int GroupOf(WCHAR c)
{
    const WCHAR upper = towupper(c);
    for (int group = 0; group < static_cast<int>(std::size(kSoundexGroups)); ++group) {
        for (const char16_t* p = kSoundexGroups[group]; *p; ++p)
            if (*p == upper) return group;
    }
    return -1;
}

// Search flags of a start-anchored comparison: case, accents, symbols, kana
// type and width ignored.
constexpr DWORD kStartCompareFlags =
    NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH;

void Lower(WCHAR* text)
{
    _wcslwr(text);
}

// ASCII lower-cased as _wcslwr does it.
constexpr WCHAR FoldAscii(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 0x20) : c; }

// The longest run of literal characters of a wildcard pattern (escapes
// undone); the first of equally long runs.
std::u16string LongestLiteral(const std::u16string& pattern)
{
    std::u16string best, run;
    for (size_t i = 0; i < pattern.size(); ++i) {
        WCHAR c = pattern[i];
        if (c == u'*' || c == u'?') {
            if (run.size() > best.size()) best = run;
            run.clear();
            continue;
        }
        if (c == u'\\' && i + 1 < pattern.size()) c = pattern[++i];
        run += c;
    }
    return run.size() > best.size() ? run : best;
}

}  // namespace

int SoundexCode(const WCHAR* word, WCHAR* code)
{
    if (!code) return 0;
    for (int i = 0; i < kSoundexChars; ++i) code[i] = 0;
    if (!word) return 0;
    int length = 0;
    int previous = kSoundexNoDigit;
    for (; *word && length < kSoundexChars - 1; ++word) {
        const int group = GroupOf(*word);
        if (group < 0) continue;
        if (group == kSoundexSilentGroup && length > 0) continue;
        if (group == previous) continue;
        code[length] = length == 0 ? *word : static_cast<WCHAR>(u'0' + group);
        ++length;
        previous = group;
    }
    return length;
}

void SearchPattern::Clear()
{
    m_text.clear();
    m_code.clear();
    m_literal.clear();
    m_bWildcard = m_bMatchAll = m_bSoundex = m_bLiteralDecides = false;
    m_bAnywhere = true;
}

bool SearchPattern::Prepare(const WCHAR* text, bool anywhere, bool soundex)
{
    Clear();
    m_bAnywhere = anywhere;
    if (!text || !*text || wcslen(text) > static_cast<size_t>(kSearchMaxTextChars)) return false;
    const std::u16string typed = text;
    if (typed == u"*") {
        m_text = typed;
        m_bWildcard = m_bMatchAll = true;
    } else if (typed.find_first_of(u"*?") != std::u16string::npos) {
        // A backslash the user typed is meant literally, not as the matcher's escape.
        std::u16string pattern = anywhere ? u"*" : u"";
        for (char16_t c : typed) {
            if (c == u'\\') pattern += u'\\';
            pattern += c;
        }
        pattern += u'*';
        for (size_t at = pattern.find(u"**"); at != std::u16string::npos; at = pattern.find(u"**", at))
            pattern.erase(at, 1);
        m_text = pattern;
        m_bWildcard = true;
    } else {
        m_text = typed;
    }
    Lower(m_text.data());
    // Start-anchored plain texts are compared ignoring symbols and accents:
    // no run of characters is sure to appear in the field.
    if (!m_bMatchAll && (m_bWildcard || anywhere)) m_literal = m_bWildcard ? LongestLiteral(m_text) : m_text;
    // Only ASCII field characters fold onto an ASCII run, and they fold as
    // the lower-casing does.
    m_bLiteralDecides = !m_bWildcard && !m_literal.empty() &&
                        std::all_of(m_literal.begin(), m_literal.end(), [](WCHAR c) { return c < 0x80; });
    if (soundex) {
        WCHAR code[kSoundexChars];
        if (SoundexCode(m_text.c_str(), code) > 0) {
            m_code = code;
            m_bSoundex = true;
        }
    }
    return true;
}

bool SearchPattern::MatchStart(const WCHAR* text, const std::u16string& wanted) const
{
    const size_t remaining = wcslen(text);
    const int n = static_cast<int>(std::min(remaining, wanted.size()));
    return CompareStringW(LOCALE_USER_DEFAULT, kStartCompareFlags, text, n, wanted.c_str(), n) == CSTR_EQUAL;
}

bool SearchPattern::MatchField(WCHAR* field, bool soundex) const
{
    if (!field || !*field || m_text.empty()) return false;
    // The field proper begins after its leading space.
    const WCHAR* body = *field == u' ' ? field + 1 : field;
    if (!*body) return false;
    if (m_bMatchAll) return true;
    Lower(field);
    if (soundex && m_bSoundex) {
        if (m_bWildcard) {
            if (wildmat(m_bAnywhere ? field : body, m_code.c_str())) return true;
        } else if (m_bAnywhere) {
            if (wcsstr(field, m_code.c_str())) return true;
        } else if (wcsncmp(body, m_code.c_str(), m_code.size()) == 0) {
            return true;
        }
        return false;
    }
    if (m_bWildcard) return wildmat(m_bAnywhere ? field : body, m_text.c_str());
    if (m_bAnywhere) return wcsstr(field, m_text.c_str()) != nullptr;
    return MatchStart(body, m_text);
}

bool SearchPattern::MatchFieldQuickly(WCHAR* field, bool soundex) const
{
    const Look look = soundex && m_bSoundex ? Look::kMaybe : QuickLook(field);
    return look == Look::kYes || (look == Look::kMaybe && MatchField(field, soundex));
}

SearchPattern::Look SearchPattern::QuickLook(const WCHAR* field) const
{
    if (m_literal.empty() || !field) return Look::kMaybe;
    const WCHAR* literal = m_literal.c_str();
    const size_t n = m_literal.size();
    // The run's first character as it may stand in the raw field.
    const WCHAR first = literal[0];
    const WCHAR firstUpper = first >= u'a' && first <= u'z' ? static_cast<WCHAR>(first - 0x20) : first;
    for (const WCHAR* p = field; *p; ++p) {
        const WCHAR c = *p;
        if (c != first && c != firstUpper) {
            if (c >= 0x80) return Look::kMaybe;
            continue;
        }
        size_t i = 1;
        while (i < n && p[i] && FoldAscii(p[i]) == literal[i]) ++i;
        if (i < n) continue;
        // A field that is only its leading space never matches.
        const bool blank = field[0] == u' ' && field[1] == 0;
        return m_bLiteralDecides && !blank ? Look::kYes : Look::kMaybe;
    }
    return Look::kNo;
}

std::vector<std::u16string> SearchPattern::LiteralPieces() const
{
    std::vector<std::u16string> pieces;
    if (m_bMatchAll || m_text.empty() || (!m_bWildcard && !m_bAnywhere)) return pieces;
    std::u16string piece;
    auto flush = [&] {
        if (!piece.empty()) pieces.push_back(piece);
        piece.clear();
    };
    for (size_t i = 0; i < m_text.size(); ++i) {
        WCHAR c = m_text[i];
        if (c == u' ' || (m_bWildcard && (c == u'*' || c == u'?'))) {
            flush();
            continue;
        }
        if (m_bWildcard && c == u'\\' && i + 1 < m_text.size()) c = m_text[++i];
        piece += c;
    }
    flush();
    return pieces;
}

bool SearchPattern::MatchNoteText(WCHAR* text) const
{
    if (!text || !*text || m_text.empty()) return false;
    if (m_bMatchAll) return true;
    Lower(text);
    if (m_bWildcard) return wildmat(text, m_text.c_str());
    if (m_bAnywhere) return wcsstr(text, m_text.c_str()) != nullptr;
    return wcsncmp(text, m_text.c_str(), m_text.size()) == 0;
}
