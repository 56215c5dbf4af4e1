// The collation keys kept from one sort to the next: dropped when a sort
// compares for another locale, and when a sort leaves more than the bound.
#include <gtest/gtest.h>

#include <string>

#include "engine/collation_key_cache.h"
#include "platform/text/utf8.h"

TEST(CollationKeyCache, KeysAreDroppedForAnotherLocaleAndWhenASortLeavesTooMany)
{
    const LocaleComparer english(0x0409, 0), swedish(0x041D, 0);
    constexpr size_t kMax = CollationKeyCache::kMaxKeys;
    const struct {
        const LocaleComparer* by;
        size_t made, keptBefore, keptAfter;
    } sorts[] = {{&english, 2, 0, 2}, {&english, 0, 2, 2}, {&swedish, 1, 0, 1},
                 {&english, kMax, 0, kMax}, {&english, 1, kMax, 0}};
    CollationKeyCache cache;
    size_t texts = 0;
    for (const auto& sort : sorts) {
        cache.Begin(*sort.by);
        EXPECT_EQ(cache.Size(), sort.keptBefore) << "before text " << texts;
        for (size_t i = 0; i < sort.made; ++i) cache.KeyOf(*sort.by, Utf8ToWide(std::to_string(texts++)));
        cache.End();
        EXPECT_EQ(cache.Size(), sort.keptAfter) << "after text " << texts;
    }
}
