// The collation keys kept from one sort to the next: dropped when a sort
// compares for another locale; over the bound, only keys the last sort did
// not use are dropped, and only down to the bound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/collation_key_cache.h"
#include "platform/text/utf8.h"

TEST(CollationKeyCache, KeysAreDroppedForAnotherLocaleAndUnusedOnesOverTheBound)
{
    const LocaleComparer english(0x0409, 0), swedish(0x041D, 0);
    constexpr size_t kMax = CollationKeyCache::kMaxKeys;
    // Each sort asks for the keys of the texts first..last-1 (numbers).
    const struct {
        const LocaleComparer* by;
        size_t first, last, keptBefore, heldDuring, keptAfter;
    } sorts[] = {
        {&english, 0, 2, 0, 2, 2},
        {&english, 0, 0, 2, 2, 2},
        {&swedish, 0, 1, 0, 1, 1},
        // A sort that needs more than the bound keeps them all for the next.
        {&english, 0, kMax + 1, 0, kMax + 1, kMax + 1},
        {&english, 0, kMax + 1, kMax + 1, kMax + 1, kMax + 1},
        // One new text: an unused key goes, the new one stays.
        {&english, kMax + 1, kMax + 2, kMax + 1, kMax + 2, kMax},
        {&english, kMax + 1, kMax + 2, kMax, kMax, kMax},
    };
    CollationKeyCache cache;
    int sortNo = 0;
    for (const auto& sort : sorts) {
        ++sortNo;
        cache.Begin(*sort.by);
        EXPECT_EQ(cache.Size(), sort.keptBefore) << "sort " << sortNo;
        for (size_t i = sort.first; i < sort.last; ++i) {
            const std::string* key = cache.KeyOf(*sort.by, Utf8ToWide(std::to_string(i)));
            ASSERT_TRUE(key && !key->empty()) << "text " << i;
        }
        EXPECT_EQ(cache.Size(), sort.heldDuring) << "sort " << sortNo;
        cache.End();
        EXPECT_EQ(cache.Size(), sort.keptAfter) << "sort " << sortNo;
    }
}

TEST(CollationKeyCache, EachTextGetsItsOwnKeyWhateverOrderTheSortsAskIn)
{
    // Later sorts ask for the texts in the last sort's order, in another
    // order, with texts left out and new ones put in between.
    const LocaleComparer english(0x0409, 0);
    const std::vector<std::vector<std::u16string>> sorts = {
        {u"apple", u"Banana", u"cherry"},
        {u"apple", u"Banana", u"cherry"},
        {u"cherry", u"apple", u"Banana"},
        {u"apple", u"date", u"Banana", u"cherry", u"apple"},
        {u"Banana", u"cherry"},
    };
    CollationKeyCache cache;
    for (size_t n = 0; n < sorts.size(); ++n) {
        cache.Begin(english);
        for (const std::u16string& text : sorts[n]) {
            const std::string* key = cache.KeyOf(english, text);
            std::string expected;
            ASSERT_TRUE(english.AppendKey(text.data(), static_cast<int>(text.size()), expected));
            ASSERT_TRUE(key) << "sort " << n;
            EXPECT_EQ(*key, expected) << "sort " << n << " " << WideToUtf8(text);
        }
        cache.End();
    }
}
