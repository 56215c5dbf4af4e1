// The collation keys kept from one sort to the next: dropped when a sort
// compares for another locale, and when a sort leaves more than the bound.
#include <gtest/gtest.h>

#include <string>

#include "engine/collation_key_cache.h"
#include "platform/text/utf8.h"

namespace {

constexpr LCID kEnglishUs = 0x0409, kSwedish = 0x041D;

TEST(CollationKeyCache, KeysBelongToTheLocaleOfTheComparerTheSortBeganWith)
{
    // "ä" is a letter of its own in Swedish, an accented "a" in English.
    const std::u16string text = u"\u00E4";
    const LocaleComparer english(kEnglishUs, 0), swedish(kSwedish, 0);
    const struct {
        const LocaleComparer* comparer;
        size_t keptBefore;
    } sorts[] = {{&english, 0}, {&english, 1}, {&swedish, 0}, {&swedish, 1}, {&english, 0}};
    CollationKeyCache cache;
    int n = 0;
    for (const auto& sort : sorts) {
        cache.Begin(*sort.comparer);
        EXPECT_EQ(cache.Size(), sort.keptBefore) << "sort " << n;
        std::string expected;
        ASSERT_TRUE(sort.comparer->AppendKey(text.data(), static_cast<int>(text.size()), expected));
        const std::string* key = cache.KeyOf(*sort.comparer, text);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(*key, expected) << "sort " << n;
        cache.End();
        ++n;
    }
}

TEST(CollationKeyCache, ASortLeavingMoreKeysThanTheBoundEmptiesTheCacheAtItsEnd)
{
    const LocaleComparer english(kEnglishUs, 0);
    CollationKeyCache cache;
    size_t made = 0;
    for (size_t more : {CollationKeyCache::kMaxKeys, size_t{1}}) {
        cache.Begin(english);
        for (size_t i = 0; i < more; ++i) cache.KeyOf(english, Utf8ToWide(std::to_string(made++)));
        EXPECT_EQ(cache.Size(), made);
        cache.End();
        EXPECT_EQ(cache.Size(), made > CollationKeyCache::kMaxKeys ? 0u : made);
    }
}

}  // namespace
