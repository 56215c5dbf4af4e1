// Locale string comparison (CompareStringW, lstrcmpW, lstrcmpiW).
//
// Comparison is linguistic, through an ICU collator for the identifier's
// locale (see locale_id.h; an identifier that names no locale fails):
//   flags 0            "word sort": hyphens and apostrophes count only when
//                      the strings are otherwise equal, and then a string
//                      without them sorts first ("coop" before "co-op");
//                      lower case before upper case
//   SORT_STRINGSORT    punctuation and symbols (hyphens and apostrophes too)
//                      sort as characters, before digits and letters
//   NORM_IGNORECASE    case differences ignored (accents, width and kana
//                      type still count)
//   NORM_IGNORENONSPACE accents ignored (then width and kana type are
//                      ignored too: ICU's primary strength)
//   NORM_IGNORESYMBOLS punctuation, symbols and spaces ignored
//   NORM_IGNOREKANATYPE hiragana and katakana compare equal
//   NORM_IGNOREWIDTH   full- and half-width forms compare equal
// Counts of -1 mean "up to the terminator"; otherwise exactly that many units
// are compared, which is how prefixes are matched.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/locale/locale_id.h"

constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr DWORD NORM_IGNORENONSPACE = 0x00000002;
constexpr DWORD NORM_IGNORESYMBOLS = 0x00000004;
constexpr DWORD LINGUISTIC_IGNORECASE = 0x00000010;
constexpr DWORD LINGUISTIC_IGNOREDIACRITIC = 0x00000020;
constexpr DWORD SORT_STRINGSORT = 0x00001000;
constexpr DWORD NORM_IGNOREKANATYPE = 0x00010000;
constexpr DWORD NORM_IGNOREWIDTH = 0x00020000;
constexpr DWORD NORM_LINGUISTIC_CASING = 0x08000000;

constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; 0 for bad arguments: a null
// string with a non-zero count, a count below -1 or an unknown locale
// (ERROR_INVALID_PARAMETER), an unknown flag (ERROR_INVALID_FLAGS).
int CompareStringW(LCID locale, DWORD flags, const WCHAR* a, int countA, const WCHAR* b, int countB);

// A number that orders strings as CompareStringW(locale, flags, ...) does
// wherever two non-zero numbers differ: the first eight bytes of the primary
// level of the string's collation key, the base weights of its letters (in
// word sort those of the text without its hyphens and apostrophes), high
// byte first. Equal numbers tell nothing, and neither does
// 0 (the arguments CompareStringW refuses, or a failure in the collator): the
// strings must then be compared. A list sorts many times faster by these
// numbers with CompareStringW only on ties.
ULONGLONG CompareStringPrefix(LCID locale, DWORD flags, const WCHAR* s, int count);

// CompareStringW's comparison for one locale and flag set, with the locale,
// the calling thread's collator and the flags' folding looked up once, when
// it is made, rather than on every call: for a sort, which compares the same
// way many thousands of times. Compare and Prefix answer exactly as
// CompareStringW and CompareStringPrefix do for the same locale and flags,
// and refuse what they refuse (0, last error set). A comparer keeps the
// locale it was made for (LOCALE_USER_DEFAULT: the user's locale then) and is
// used on the thread that made it.
class KSTOOLS_API LocaleComparer {
public:
    LocaleComparer(LCID locale, DWORD flags);
    int Compare(const WCHAR* a, int countA, const WCHAR* b, int countB) const;
    ULONGLONG Prefix(const WCHAR* s, int count) const;
    // Appends to out the key Prefix takes its eight bytes from, whole: two
    // texts whose keys differ compare as their keys do as byte strings
    // (std::string's order; a key that begins another sorts first); equal
    // keys tell nothing, the texts must then be compared. False, out
    // unchanged, where Prefix gives 0.
    bool AppendKey(const WCHAR* s, int count, std::string& out) const;
    // The BCP-47 tag of the locale compared for; empty when every call is refused.
    std::string_view LocaleTag() const;

private:
    // The table of plain ASCII keys for this locale and flags (a
    // platform::AsciiSortKeys), or null; looked up on first use.
    const void* AsciiKeys() const;
    bool Accept(const WCHAR* a, int countA, const WCHAR* b, int countB, std::u16string_view& textA,
                std::u16string_view& textB) const;

    DWORD flags_;
    DWORD refusal_ = 0;               // the error every call is refused with; 0 when none
    const void* locale_ = nullptr;    // the platform::ResolvedLocale compared for
    const void* collator_ = nullptr;  // the thread's icu::Collator; null: ordinal order
    mutable const void* asciiKeys_ = nullptr;  // the platform::AsciiSortKeys keys are made with, once looked up
    mutable bool asciiKeysLooked_ = false;
};

// CompareStringW(LOCALE_USER_DEFAULT, 0 / NORM_IGNORECASE, ...) minus 2:
// negative, 0 or positive. A null string sorts before every other string.
int lstrcmpW(const WCHAR* a, const WCHAR* b);
int lstrcmpiW(const WCHAR* a, const WCHAR* b);
