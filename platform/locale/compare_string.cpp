// Locale comparison through ICU collators configured per locale and flag set.
//
// Building a collator is costly, and ICU does not promise that one collator
// may be used by several threads at once. So each configured collator is built
// once per process (under a lock) and every thread compares with its own clone.
#include "platform/locale/compare_string.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/ascii_sort_keys.h"
#include "platform/locale/icu_sort_key.h"
#include "platform/locale/locale_resolution.h"
#include "platform/text/wide_string.h"

namespace {

constexpr DWORD kKnownFlags = NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | LINGUISTIC_IGNORECASE |
                              LINGUISTIC_IGNOREDIACRITIC | SORT_STRINGSORT | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH |
                              NORM_LINGUISTIC_CASING;

bool IgnoresCase(DWORD flags) { return (flags & (NORM_IGNORECASE | LINGUISTIC_IGNORECASE)) != 0; }
bool IgnoresAccents(DWORD flags) { return (flags & (NORM_IGNORENONSPACE | LINGUISTIC_IGNOREDIACRITIC)) != 0; }

// The collator settings a flag set needs. Accents are ignored with ICU's
// primary strength, which loses case too unless the case level brings it back.
// Every other flag is carried out on the text before it is collated (case and
// kana folded, widths narrowed, symbols removed), and the collator then tells
// all remaining differences apart, down to the identical level: some locales
// (Japanese) put kana type and width below the tertiary level, where the
// platform still sees a difference.
struct CollatorConfig {
    bool primary;    // accents ignored
    bool caseLevel;  // ... but not case
    static constexpr int kCount = 4;
    int Index() const { return (primary ? 1 : 0) | (caseLevel ? 2 : 0); }
};

CollatorConfig ConfigOf(DWORD flags)
{
    bool primary = IgnoresAccents(flags);
    return {primary, primary && !IgnoresCase(flags)};
}

std::unique_ptr<icu::Collator> MakeCollator(const icu::Locale& locale, CollatorConfig config)
{
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(locale, err));
    if (U_FAILURE(err) || !c) return nullptr;
    c->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
    c->setStrength(config.primary ? icu::Collator::PRIMARY : icu::Collator::IDENTICAL);
    c->setAttribute(UCOL_CASE_LEVEL, config.caseLevel ? UCOL_ON : UCOL_OFF, err);
    c->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, err);
    if (U_FAILURE(err)) return nullptr;
    return c;
}

// The configured collators of the process, one per locale and configuration.
class CollatorPrototypes {
public:
    static CollatorPrototypes& Instance()
    {
        static CollatorPrototypes prototypes;
        return prototypes;
    }

    // A new copy of the collator for the caller's thread; null when ICU has no
    // collation data for the locale.
    std::unique_ptr<icu::Collator> CloneFor(const platform::ResolvedLocale& locale, CollatorConfig config)
    {
        std::lock_guard lock(mutex_);
        auto [it, added] = built_.try_emplace({locale.index, config.Index()});
        if (added) it->second = MakeCollator(icu::Locale(locale.icuName.c_str()), config);
        return it->second ? std::unique_ptr<icu::Collator>(it->second->clone()) : nullptr;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<int, int>, std::unique_ptr<icu::Collator>> built_;
};

icu::Collator* CollatorFor(const platform::ResolvedLocale& locale, CollatorConfig config)
{
    struct Slot {
        bool tried = false;
        std::unique_ptr<icu::Collator> collator;
    };
    thread_local std::vector<Slot> slots;
    size_t index = static_cast<size_t>(locale.index) * CollatorConfig::kCount + static_cast<size_t>(config.Index());
    if (index >= slots.size()) slots.resize(index + 1);
    Slot& slot = slots[index];
    if (!slot.tried) {
        slot.collator = CollatorPrototypes::Instance().CloneFor(locale, config);
        slot.tried = true;
    }
    return slot.collator.get();
}

// Word sort looks through these until the rest of the strings is equal:
// hyphen (0x2D), apostrophe (0x27) and soft hyphen (0xAD).
bool IsWordSortMark(WCHAR c) { return (c | 0x80) == 0x00AD || c == u'\''; }

// Katakana to hiragana, so that the two kana types compare equal.
WCHAR FoldKana(WCHAR c)
{
    if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE) return static_cast<WCHAR>(c - 0x60);
    return c;
}

WCHAR FoldCase(WCHAR c)
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF) return c;  // supplementary letters keep their case
    UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    return folded <= 0xFFFF ? static_cast<WCHAR>(folded) : c;
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

// Spaces, punctuation and symbols (currency signs included).
bool IsSymbol(WCHAR c)
{
    if (u_isUWhiteSpace(c)) return true;
    switch (u_charType(c)) {
        case U_CONNECTOR_PUNCTUATION:
        case U_DASH_PUNCTUATION:
        case U_START_PUNCTUATION:
        case U_END_PUNCTUATION:
        case U_INITIAL_PUNCTUATION:
        case U_FINAL_PUNCTUATION:
        case U_OTHER_PUNCTUATION:
        case U_MATH_SYMBOL:
        case U_CURRENCY_SYMBOL:
        case U_MODIFIER_SYMBOL:
        case U_OTHER_SYMBOL:
        case U_SPACE_SEPARATOR:
            return true;
        default:
            return false;
    }
}

// What the flags do to the text before it reaches the collator.
struct Folding {
    bool foldCase;
    bool foldKana;
    bool foldWidth;
    bool dropSymbols;
    bool dropWordSortMarks;

    bool Any() const { return foldCase || foldKana || foldWidth || dropSymbols || dropWordSortMarks; }

    void Apply(std::u16string_view s, std::u16string& out) const
    {
        out.clear();
        for (WCHAR c : s) {
            if (dropWordSortMarks && IsWordSortMark(c)) continue;
            if (dropSymbols && IsSymbol(c)) continue;
            if (foldKana) c = FoldKana(c);
            if (foldCase) c = FoldCase(c);
            if (foldWidth)
                AppendWidthFolded(out, c);
            else
                out.push_back(c);
        }
    }
};

int ToResult(UCollationResult r)
{
    return r == UCOL_LESS ? CSTR_LESS_THAN : r == UCOL_EQUAL ? CSTR_EQUAL : CSTR_GREATER_THAN;
}

int Collate(const icu::Collator& c, const Folding& folding, std::u16string_view a, std::u16string_view b)
{
    if (folding.Any()) {
        // The thread's buffers keep their capacity, so folding allocates only
        // for a string longer than any before it.
        thread_local std::u16string storageA;
        thread_local std::u16string storageB;
        folding.Apply(a, storageA);
        folding.Apply(b, storageB);
        a = storageA;
        b = storageB;
    }
    UErrorCode err = U_ZERO_ERROR;
    UCollationResult r =
        c.compare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()), err);
    return U_SUCCESS(err) ? ToResult(r) : 0;
}

// Every string compared in word sort is looked through: no early exit, so the
// loop runs a vector's width of units at a time.
bool HasWordSortMarks(std::u16string_view s)
{
    WCHAR any = 0;  // a code unit wide, so that the vector holds 8 of them
    for (WCHAR c : s) any |= static_cast<WCHAR>(IsWordSortMark(c));
    return any != 0;
}

// The word-sort marks of a string, as (position, character) pairs.
std::vector<std::pair<size_t, WCHAR>> WordSortMarks(std::u16string_view s)
{
    std::vector<std::pair<size_t, WCHAR>> marks;
    for (size_t i = 0; i < s.size(); ++i)
        if (IsWordSortMark(s[i])) marks.emplace_back(i, s[i]);
    return marks;
}

// Between strings equal but for their marks: fewer marks first, then by where
// the marks stand and which they are. Always a strict order of mark sets.
int CompareMarks(std::u16string_view a, std::u16string_view b)
{
    auto ma = WordSortMarks(a);
    auto mb = WordSortMarks(b);
    if (ma.size() != mb.size()) return ma.size() < mb.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    if (ma != mb) return ma < mb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    return CSTR_EQUAL;
}

std::u16string_view Counted(const WCHAR* s, int count)
{
    if (!s) return {};
    return count == -1 ? std::u16string_view(s) : std::u16string_view(s, static_cast<size_t>(count));
}

int Ordinal(std::u16string_view a, std::u16string_view b)
{
    int r = a.compare(b);
    return r < 0 ? CSTR_LESS_THAN : r > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

Folding FoldingOf(DWORD flags)
{
    return {IgnoresCase(flags) && !IgnoresAccents(flags), (flags & NORM_IGNOREKANATYPE) != 0,
            (flags & NORM_IGNOREWIDTH) != 0, (flags & NORM_IGNORESYMBOLS) != 0, false};
}

// Word sort: hyphens and apostrophes count only between strings that are
// otherwise equal. With symbols ignored they do not count at all.
bool IsWordSort(DWORD flags) { return !(flags & (SORT_STRINGSORT | NORM_IGNORESYMBOLS)); }

// Up to eight bytes as a number, the first byte highest; missing bytes are 0,
// which sorts a shorter key before a longer one it begins.
ULONGLONG BigEndian(const std::uint8_t* bytes, size_t count)
{
    ULONGLONG n = 0;
    for (size_t i = 0; i < 8; ++i) n = n << 8 | (i < count ? bytes[i] : 0);
    return n;
}

// The primary level of the collation key of s folded (ICU's terminating 0
// left off) appended to out: the base weights of its letters, before any
// accent or case. Where two such keys differ, the whole order is decided
// there, as it compares that level first. The key comes from a collator of
// primary strength (and otherwise configured alike), which leaves the other
// levels unmade. False, out unchanged, when ICU fails.
bool AppendPrimaryKey(const icu::Collator& primary, const Folding& folding, std::u16string_view s, std::string& out)
{
    if (folding.Any()) {
        thread_local std::u16string storage;
        folding.Apply(s, storage);
        s = storage;
    }
    return platform::AppendIcuSortKey(primary, s, out);
}

// What a key is made of: the text folded as the flags say, and in word sort
// without its marks when it has any. Two strings whose marks-free texts
// differ are ordered by them alone, whatever their marks; the marks only
// break ties.
Folding KeyFolding(DWORD flags, std::u16string_view text)
{
    Folding folding = FoldingOf(flags);
    folding.dropWordSortMarks = IsWordSort(flags) && HasWordSortMarks(text);
    return folding;
}

// The thread's collator of primary strength for a locale (a
// platform::ResolvedLocale), configured otherwise as every other.
const icu::Collator* PrimaryCollator(const void* locale)
{
    return CollatorFor(*static_cast<const platform::ResolvedLocale*>(locale), CollatorConfig{true, false});
}

// The table of ASCII keys for a locale and the folding its keys are made
// with (KeyFolding's of a text with marks), or null when the locale has none.
// Learnt once per process under a lock, looked up without one.
const platform::AsciiSortKeys* AsciiKeysFor(const void* locale, DWORD flags)
{
    const auto& resolved = *static_cast<const platform::ResolvedLocale*>(locale);
    Folding folding = FoldingOf(flags);
    folding.dropWordSortMarks = IsWordSort(flags);
    const int variant = (folding.foldCase ? 1 : 0) | (folding.foldKana ? 2 : 0) | (folding.foldWidth ? 4 : 0) |
                        (folding.dropSymbols ? 8 : 0) | (folding.dropWordSortMarks ? 16 : 0);
    const size_t index = static_cast<size_t>(resolved.index) * 32 + static_cast<size_t>(variant);

    struct Slot {
        bool looked = false;
        const platform::AsciiSortKeys* keys = nullptr;
    };
    thread_local std::vector<Slot> slots;
    if (index >= slots.size()) slots.resize(index + 1);
    Slot& slot = slots[index];
    if (slot.looked) return slot.keys;

    static std::mutex mutex;
    static std::map<size_t, std::unique_ptr<const platform::AsciiSortKeys>> learnt;
    const icu::Collator* primary = PrimaryCollator(locale);
    std::lock_guard lock(mutex);
    auto [it, added] = learnt.try_emplace(index);
    if (added && primary) {
        platform::AsciiSortKeys::Foldings foldings;
        for (char16_t c = 0; c < 128; ++c) folding.Apply(std::u16string_view(&c, 1), foldings[c]);
        it->second = platform::AsciiSortKeys::Learn(*primary, foldings);
    }
    slot = {true, it->second.get()};
    return slot.keys;
}

// The first eight bytes of the key AppendPrimaryKey makes, of which only as
// much is made as those bytes need. 0 when ICU fails.
ULONGLONG PrimaryPrefix(const icu::Collator& primary, const Folding& folding, std::u16string_view s)
{
    if (folding.Any()) {
        thread_local std::u16string storage;
        folding.Apply(s, storage);
        s = storage;
    }
    UCharIterator iter;
    uiter_setString(&iter, s.data(), static_cast<int32_t>(s.size()));
    std::uint32_t state[2] = {0, 0};
    std::uint8_t bytes[8] = {};
    UErrorCode err = U_ZERO_ERROR;
    const int32_t made = ucol_nextSortKeyPart(primary.toUCollator(), &iter, state, bytes, 8, &err);
    if (U_FAILURE(err) || made < 0) return 0;
    return BigEndian(bytes, static_cast<size_t>(made));
}

}  // namespace

LocaleComparer::LocaleComparer(LCID locale, DWORD flags) : flags_(flags)
{
    if (flags & ~kKnownFlags) {
        refusal_ = ERROR_INVALID_FLAGS;
        return;
    }
    const platform::ResolvedLocale* resolved = platform::ResolveLocale(locale);
    if (!resolved) {
        refusal_ = ERROR_INVALID_PARAMETER;
        return;
    }
    locale_ = resolved;
    collator_ = CollatorFor(*resolved, ConfigOf(flags));
}

std::string_view LocaleComparer::LocaleTag() const
{
    return locale_ ? std::string_view(static_cast<const platform::ResolvedLocale*>(locale_)->tag) : std::string_view();
}

// The texts of a call, or false (last error set) when the call is refused.
bool LocaleComparer::Accept(const WCHAR* a, int countA, const WCHAR* b, int countB, std::u16string_view& textA,
                            std::u16string_view& textB) const
{
    if (refusal_ != 0) {
        SetLastError(refusal_);
        return false;
    }
    if (countA < -1 || countB < -1 || (!a && countA != 0) || (!b && countB != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    textA = Counted(a, countA);
    textB = Counted(b, countB);
    if (textA.size() > INT32_MAX || textB.size() > INT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

int LocaleComparer::Compare(const WCHAR* a, int countA, const WCHAR* b, int countB) const
{
    std::u16string_view textA, textB;
    if (!Accept(a, countA, b, countB, textA, textB)) return 0;
    const auto* collator = static_cast<const icu::Collator*>(collator_);
    if (!collator) return Ordinal(textA, textB);  // no collation data: still a total order

    const Folding folding = FoldingOf(flags_);
    // The order is that of the key (text without marks, marks, whole text).
    if (IsWordSort(flags_) && (HasWordSortMarks(textA) || HasWordSortMarks(textB))) {
        Folding withoutMarks = folding;
        withoutMarks.dropWordSortMarks = true;
        int r = Collate(*collator, withoutMarks, textA, textB);
        if (r != CSTR_EQUAL) return r;
        r = CompareMarks(textA, textB);
        if (r != CSTR_EQUAL) return r;
    }
    return Collate(*collator, folding, textA, textB);
}

const void* LocaleComparer::AsciiKeys() const
{
    if (!asciiKeysLooked_) {
        asciiKeys_ = AsciiKeysFor(locale_, flags_);
        asciiKeysLooked_ = true;
    }
    return asciiKeys_;
}

ULONGLONG LocaleComparer::Prefix(const WCHAR* s, int count) const
{
    std::u16string_view text, same;
    if (!Accept(s, count, nullptr, 0, text, same)) return 0;
    if (!collator_) {
        // Ordinal order: the first four code units.
        std::uint8_t bytes[8] = {};
        const size_t units = std::min<size_t>(text.size(), 4);
        for (size_t i = 0; i < units; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(text[i] >> 8);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i]);
        }
        return BigEndian(bytes, 8);
    }
    if (const auto* ascii = static_cast<const platform::AsciiSortKeys*>(AsciiKeys())) {
        std::uint64_t prefix = 0;
        if (ascii->Prefix(text, prefix)) return prefix;
    }
    const icu::Collator* primary = PrimaryCollator(locale_);
    return primary ? PrimaryPrefix(*primary, KeyFolding(flags_, text), text) : 0;
}

bool LocaleComparer::AppendKey(const WCHAR* s, int count, std::string& out) const
{
    std::u16string_view text, same;
    if (!Accept(s, count, nullptr, 0, text, same)) return false;
    if (!collator_) {
        // Ordinal order: each code unit, high byte first.
        for (WCHAR c : text) {
            out.push_back(static_cast<char>(c >> 8));
            out.push_back(static_cast<char>(c & 0xFF));
        }
        return true;
    }
    if (const auto* ascii = static_cast<const platform::AsciiSortKeys*>(AsciiKeys())) {
        if (ascii->AppendKey(text, out)) return true;
    }
    const icu::Collator* primary = PrimaryCollator(locale_);
    return primary && AppendPrimaryKey(*primary, KeyFolding(flags_, text), text, out);
}

int CompareStringW(LCID locale, DWORD flags, const WCHAR* a, int countA, const WCHAR* b, int countB)
{
    return LocaleComparer(locale, flags).Compare(a, countA, b, countB);
}

ULONGLONG CompareStringPrefix(LCID locale, DWORD flags, const WCHAR* s, int count)
{
    return LocaleComparer(locale, flags).Prefix(s, count);
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
