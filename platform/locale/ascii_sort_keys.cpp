#include "platform/locale/ascii_sort_keys.h"

#include <unicode/tblcoll.h>
#include <unicode/uniset.h>
#include <unicode/usetiter.h>

#include <bitset>

#include "platform/locale/icu_sort_key.h"

namespace platform {
namespace {

constexpr char16_t kFirstPrintable = 0x20, kLastPrintable = 0x7E;

// The primary key of text (terminator left off); empty when ICU fails.
std::string PrimaryKey(const icu::Collator& primary, const std::u16string& text)
{
    std::string key;
    AppendIcuSortKey(primary, text, key);
    return key;
}

// The ASCII characters of the locale's own contractions of two or more ASCII
// characters ("ch" in Czech, "dzs" in Hungarian): the collator looks at their
// neighbours. A contraction with one ASCII character, such as a letter with a
// combining accent, needs a character the table does not know beside it (or
// among the characters it spans), and text holding that is refused. The root
// collation, under every locale, has no contraction of two ASCII characters.
std::bitset<128> ContractingCharacters(const icu::Collator& primary)
{
    std::bitset<128> found;
    const auto* rules = dynamic_cast<const icu::RuleBasedCollator*>(&primary);
    UErrorCode err = U_ZERO_ERROR;
    const std::unique_ptr<icu::UnicodeSet> tailored(rules ? rules->getTailoredSet(err) : nullptr);
    if (!tailored || U_FAILURE(err)) {
        found.set();  // nothing can be relied on
        return found;
    }
    icu::UnicodeSetIterator it(*tailored);
    while (it.next()) {
        if (!it.isString()) continue;
        const icu::UnicodeString& s = it.getString();
        int ascii = 0;
        for (int32_t i = 0; i < s.length(); ++i) ascii += s[i] < 128;
        if (ascii < 2) continue;
        for (int32_t i = 0; i < s.length(); ++i)
            if (s[i] < 128) found.set(s[i]);
    }
    return found;
}

}  // namespace

std::unique_ptr<const AsciiSortKeys> AsciiSortKeys::Learn(const icu::Collator& primary, const Foldings& foldings)
{
    auto table = std::make_unique<AsciiSortKeys>();
    const std::bitset<128> contracting = ContractingCharacters(primary);
    std::string keys[128];
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c) {
        const std::u16string& folded = foldings[c];
        bool touchesContraction = false;
        for (char16_t f : folded) touchesContraction |= f >= 128 || contracting[f];
        if (touchesContraction) continue;
        keys[c] = folded.empty() ? std::string() : PrimaryKey(primary, folded);
        // A character the collator ignores (or fails on) is left to it.
        if ((!folded.empty() && keys[c].empty()) || keys[c].size() > kMaxKeyBytes) continue;
        table->entries_[c] = table->Make(keys[c]);
    }
    // A key may depend on the one before it (ICU writes a run of primaries
    // that share their first byte with that byte once, and marks where such a
    // run ends): every pair of known characters must give the two keys one
    // after another. A key depends on no more than the character before, so
    // pairs are enough. One text holding every pair is checked first; only
    // when it fails are the pairs checked one by one.
    std::u16string everyPair;
    std::string joined;
    for (char16_t a = kFirstPrintable; a <= kLastPrintable; ++a)
        for (char16_t b = kFirstPrintable; b <= kLastPrintable; ++b)
            if (table->Known(a) && table->Known(b)) {
                everyPair += foldings[a] + foldings[b];
                joined += keys[a] + keys[b];
            }
    if (PrimaryKey(primary, everyPair) != joined) {
        for (char16_t a = kFirstPrintable; a <= kLastPrintable; ++a)
            for (char16_t b = kFirstPrintable; b <= kLastPrintable; ++b) {
                if (!table->Known(a) || !table->Known(b) || keys[a].empty() || keys[b].empty()) continue;
                if (PrimaryKey(primary, foldings[a] + foldings[b]) != keys[a] + keys[b])
                    table->entries_[a] = table->entries_[b] = Entry();
            }
    }
    for (const Entry& e : table->entries_)
        if (e.bits != kUnknown) return table;
    return nullptr;
}

AsciiSortKeys::Entry AsciiSortKeys::Make(const std::string& key)
{
    Entry e;
    e.bits = static_cast<std::uint8_t>(key.size() * 8);
    for (size_t i = 0; i < key.size(); ++i)
        e.top |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(key[i])) << (56 - 8 * i);
    return e;
}

bool AsciiSortKeys::AppendKey(std::u16string_view text, std::string& out) const
{
    for (char16_t c : text)
        if (!Known(c)) return false;
    for (char16_t c : text)
        for (unsigned k = 0; k < entries_[c].bits; k += 8) out.push_back(static_cast<char>(entries_[c].top >> (56 - k)));
    return true;
}

bool AsciiSortKeys::Prefix(std::u16string_view text, std::uint64_t& prefix) const
{
    std::uint64_t made = 0;
    unsigned bits = 0;  // bits of made filled, from the top
    size_t i = 0;
    for (; i < text.size() && bits < 64; ++i) {
        const Entry* e = Known(text[i]);
        if (!e) return false;
        made |= e->top >> bits;
        bits += e->bits;
    }
    // What follows could still join the last character (a combining accent).
    if (i < text.size() && !Known(text[i])) return false;
    prefix = made;
    return true;
}

}  // namespace platform
