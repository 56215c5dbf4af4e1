// Locale comparison through ICU collators configured per flag set.
//
// Collators are built once per thread and flag set (building one is costly and
// a collator is not meant to be reconfigured while other threads use it).
#include "platform/compare_string.h"

#include <unicode/coll.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/locid.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/wide_string.h"

namespace {

constexpr DWORD kKnownFlags = NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | LINGUISTIC_IGNORECASE |
                              LINGUISTIC_IGNOREDIACRITIC | SORT_STRINGSORT | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH |
                              NORM_LINGUISTIC_CASING;

// The flags that select a collator configuration.
struct CollatorKey {
    bool ignoreCase;
    bool ignoreAccents;
    bool ignoreSymbols;
    int Index() const { return (ignoreCase ? 1 : 0) | (ignoreAccents ? 2 : 0) | (ignoreSymbols ? 4 : 0); }
};

CollatorKey KeyOf(DWORD flags)
{
    return {(flags & (NORM_IGNORECASE | LINGUISTIC_IGNORECASE)) != 0,
            (flags & (NORM_IGNORENONSPACE | LINGUISTIC_IGNOREDIACRITIC)) != 0, (flags & NORM_IGNORESYMBOLS) != 0};
}

std::unique_ptr<icu::Collator> MakeCollator(CollatorKey key)
{
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale("en", "US"), err));
    if (U_FAILURE(err) || !c) return nullptr;
    c->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
    if (key.ignoreAccents) {
        c->setStrength(icu::Collator::PRIMARY);
        // Accents go, case stays unless it is ignored too.
        c->setAttribute(UCOL_CASE_LEVEL, key.ignoreCase ? UCOL_OFF : UCOL_ON, err);
    } else {
        c->setStrength(key.ignoreCase ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
    }
    if (key.ignoreSymbols) {
        // Spaces, punctuation, symbols and currency signs all become ignorable.
        c->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, err);
        c->setMaxVariable(UCOL_REORDER_CODE_CURRENCY, err);
    } else {
        c->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, err);
    }
    if (U_FAILURE(err)) return nullptr;
    return c;
}

icu::Collator* CollatorFor(CollatorKey key)
{
    thread_local std::unique_ptr<icu::Collator> cache[8];
    std::unique_ptr<icu::Collator>& slot = cache[key.Index()];
    if (!slot) slot = MakeCollator(key);
    return slot.get();
}

bool IsWordSortIgnored(WCHAR c) { return c == u'-' || c == u'\'' || c == 0x00AD; }

// Katakana to hiragana, so that the two kana types compare equal.
WCHAR FoldKana(WCHAR c)
{
    if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE) return static_cast<WCHAR>(c - 0x60);
    return c;
}

// Full- and half-width forms to their ordinary forms (their compatibility
// decomposition, which ICU marks as <wide> or <narrow>).
void AppendWidthFolded(std::u16string& out, WCHAR c)
{
    int type = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
    if (type == U_DT_WIDE || type == U_DT_NARROW) {
        UErrorCode err = U_ZERO_ERROR;
        const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(err);
        icu::UnicodeString decomposition;
        if (U_SUCCESS(err) && nfkc->getRawDecomposition(c, decomposition)) {
            out.append(decomposition.getBuffer(), static_cast<size_t>(decomposition.length()));
            return;
        }
    }
    if (c == 0x3000) c = u' ';  // ideographic space
    out.push_back(c);
}

std::u16string Prepare(const WCHAR* s, size_t n, DWORD flags, bool dropWordSortMarks)
{
    std::u16string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        WCHAR c = s[i];
        if (dropWordSortMarks && IsWordSortIgnored(c)) continue;
        if (flags & NORM_IGNOREKANATYPE) c = FoldKana(c);
        if (flags & NORM_IGNOREWIDTH) AppendWidthFolded(out, c);
        else out.push_back(c);
    }
    return out;
}

int ToResult(UCollationResult r)
{
    return r == UCOL_LESS ? CSTR_LESS_THAN : r == UCOL_EQUAL ? CSTR_EQUAL : CSTR_GREATER_THAN;
}

int Collate(icu::Collator& c, std::u16string_view a, std::u16string_view b)
{
    UErrorCode err = U_ZERO_ERROR;
    UCollationResult r = c.compare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()), err);
    return U_SUCCESS(err) ? ToResult(r) : 0;
}

bool HasWordSortMarks(const WCHAR* s, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (IsWordSortIgnored(s[i])) return true;
    return false;
}

// The text to collate: the caller's own characters when nothing needs folding
// or dropping (no copy), otherwise a prepared copy kept in storage.
std::u16string_view TextFor(const WCHAR* s, size_t n, DWORD flags, bool dropWordSortMarks, std::u16string& storage)
{
    bool fold = (flags & (NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH)) != 0;
    if (!fold && !dropWordSortMarks) return {s, n};
    storage = Prepare(s, n, flags, dropWordSortMarks);
    return storage;
}

int Ordinal(const WCHAR* a, size_t na, const WCHAR* b, size_t nb)
{
    for (size_t i = 0; i < na && i < nb; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    return na < nb ? CSTR_LESS_THAN : na > nb ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

}  // namespace

int CompareStringW(LCID locale, DWORD flags, const WCHAR* a, int countA, const WCHAR* b, int countB)
{
    (void)locale;  // every locale collates with the en-US rules for now
    if ((flags & ~kKnownFlags) || countA < -1 || countB < -1 || (!a && countA != 0) || (!b && countB != 0)) return 0;
    size_t na = countA == -1 ? wcslen(a) : static_cast<size_t>(countA);
    size_t nb = countB == -1 ? wcslen(b) : static_cast<size_t>(countB);
    if (!a) a = u"";
    if (!b) b = u"";
    if (na > INT32_MAX || nb > INT32_MAX) return 0;

    icu::Collator* collator = CollatorFor(KeyOf(flags));
    if (!collator) return Ordinal(a, na, b, nb);  // no collation data: still a total order

    // Word sort: hyphens and apostrophes count only between strings that are
    // otherwise equal. With symbols ignored they do not count at all.
    std::u16string storageA;
    std::u16string storageB;
    bool wordSort = !(flags & (SORT_STRINGSORT | NORM_IGNORESYMBOLS));
    if (wordSort && (HasWordSortMarks(a, na) || HasWordSortMarks(b, nb))) {
        int r = Collate(*collator, TextFor(a, na, flags, true, storageA), TextFor(b, nb, flags, true, storageB));
        if (r != CSTR_EQUAL) return r;
    }
    return Collate(*collator, TextFor(a, na, flags, false, storageA), TextFor(b, nb, flags, false, storageB));
}

int lstrcmpW(const WCHAR* a, const WCHAR* b)
{
    if (!a || !b) return (a != nullptr) - (b != nullptr);
    return CompareStringW(LOCALE_USER_DEFAULT, 0, a, -1, b, -1) - 2;
}

int lstrcmpiW(const WCHAR* a, const WCHAR* b)
{
    if (!a || !b) return (a != nullptr) - (b != nullptr);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) - 2;
}
