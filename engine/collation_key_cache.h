// CollationKeyCache: texts' collation keys kept from one sort to the next.
// A list is sorted again and again over mostly the same texts (a calendar
// shows the same series month after month; a search run again finds the
// same items), and one key costs more than every comparison it serves.
//
// One cache serves one comparison (one set of flags): KeyOf must always be
// given comparers of the same flags. The keys belong to the locale of the
// comparer the sort began with; a sort for another locale starts afresh. A
// sort that leaves the cache over its bound drops, at its end, the keys it
// did not use: what is kept is at most the bound or the last sort's own
// keys, whichever is more, so a list that needs more keys than the bound
// still finds them all at its next sort. A list sorted again mostly asks
// for its texts in the order it asked last time, so each look-up first
// compares its text with the one asked for at the same place in the last
// sort, and hashes only when they differ. Not locked: its owner keeps it to
// one sort at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/locale/compare_string.h"

class CollationKeyCache {
public:
    // Called at the start of each sort, with the comparer its keys are made
    // by (its locale, not the user's at this moment, labels the keys).
    void Begin(const LocaleComparer& comparer);
    // Called at the end of each sort, when its keys are no longer held.
    void End();
    size_t Size() const { return m_keys.size(); }

    // The key of text, made by comparer when not yet known; null when the
    // text has none. The key stays where it is until End.
    const std::string* KeyOf(const LocaleComparer& comparer, std::u16string_view text);

    // The first eight bytes of a key, high byte first and zero-padded: two
    // keys whose heads differ order as the heads do (a key that ends early
    // has the smaller head unless the other goes on with zero bytes, and
    // then the heads tie), so most comparisons never reach the keys.
    static std::uint64_t HeadOf(const std::string& key);

    // The keys kept from one sort to the next at most, unless the last sort
    // used more.
    static constexpr size_t kMaxKeys = 1 << 16;

private:
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>()(text); }
    };
    struct Kept {
        std::optional<std::string> key;  // none when the text has none
        std::uint64_t sort = 0;          // the last sort that used it
    };
    std::string m_locale;
    std::uint64_t m_sort = 0;  // counts the sorts begun
    // Node-based: a key stays where it was made while the sort holds it.
    using Keys = std::unordered_map<std::u16string, Kept, TextHash, std::equal_to<>>;
    Keys m_keys;
    // The entries the last sort asked for, in its order, and this sort's so
    // far (entries a sort uses are never dropped at its end).
    std::vector<Keys::value_type*> m_lastOrder, m_order;
};
