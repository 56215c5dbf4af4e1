// The primary collation keys of plain ASCII text, made without the collator.
//
// ICU makes a key character by character through its collation tables, about
// 2,000 instructions for a short subject. For most locales the primary key of
// printable ASCII text is simply the keys of its characters one after
// another: this table holds each character's key, learnt from the collator
// once, and answers for a text only where that is known to hold. Characters
// that take part in a contraction ("ch" in Czech, "aa" in Danish), that the
// collator ignores, or whose keys do not join up with their neighbours' are
// left to the collator, as is all other text.
#pragma once

#include <unicode/coll.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class AsciiSortKeys {
public:
    // What the caller's folding makes of each ASCII character before it is
    // collated (empty: the character is dropped).
    using Foldings = std::array<std::u16string, 128>;

    // The table for a collator of primary strength, or null when not one
    // printable character's key can be relied on.
    static std::unique_ptr<const AsciiSortKeys> Learn(const icu::Collator& primary, const Foldings& foldings);

    // Appends the primary key of text (ICU's terminator left off) and true, or
    // false with out unchanged when the text is not one this table answers for.
    bool AppendKey(std::u16string_view text, std::string& out) const;

    // The first eight bytes of that key, high byte first, missing bytes 0; false
    // when the table cannot say (a character it does not know comes before the
    // eighth byte is made, or right after the characters that made it).
    bool Prefix(std::u16string_view text, std::uint64_t& prefix) const;

private:
    static constexpr std::uint8_t kUnknown = 0xFF;
    static constexpr size_t kMaxKeyBytes = 7;
    struct Entry {
        std::uint64_t top = 0;           // the key's bytes, the first in the top byte
        std::uint8_t bits = kUnknown;    // the key's length in bits; kUnknown: left to the collator
    };
    static Entry Make(const std::string& key);

    const Entry* Known(char16_t c) const
    {
        return c < entries_.size() && entries_[c].bits != kUnknown ? &entries_[c] : nullptr;
    }

    std::array<Entry, 128> entries_;
};

}  // namespace platform
