// Sort keys order as their values do under every flag (strings by an ICU collator).
#include <gtest/gtest.h>
#include <unicode/coll.h>

#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/objectstore/cedb_sort_key.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/platform/objectstore/cedb_value_order.h"

namespace {

using namespace cedbtest;
using platform::cedb::PropFromValue;
using platform::cedb::SortKeyBuilder;
using platform::cedb::StoredProp;

// Blob order as SQLite has it: bytes, then the shorter first.
int CompareKeys(const std::string& a, const std::string& b)
{
    int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string KeyOf(const SortKeyBuilder& keys, const SORTORDERSPEC& sortOrder, const CEPROPVAL* v)
{
    if (!v) return keys.RecordKey(sortOrder, nullptr);
    StoredProp p;
    EXPECT_EQ(PropFromValue(*v, p), 0u);
    return keys.RecordKey(sortOrder, &p);
}

TEST(CedbSortKey, KeysOrderAsTheirValuesUnderEveryFlagAndPresentOnesLieBetweenTheBounds)
{
    SortKeyBuilder keys("en_US");
    std::mt19937 random(11);
    for (WORD type : kValueTypes) {
        ValuePool pool(type);
        for (DWORD flags = 0; flags < 16; ++flags) {
            SORTORDERSPEC sortOrder{MAKEPROPID(1, type), flags};
            ValueOrder order(type, flags, "en_US");
            for (int i = 0; i < 300; ++i) {
                CEPROPVAL a = pool.Draw(random), b = pool.Draw(random);
                const CEPROPVAL* pa = random() % 8 ? &a : nullptr;
                const CEPROPVAL* pb = random() % 8 ? &b : nullptr;
                int expected = order.Compare(pa, pb);
                int got = CompareKeys(KeyOf(keys, sortOrder, pa), KeyOf(keys, sortOrder, pb));
                ASSERT_EQ(got, expected) << "type " << type << " flags " << flags << ": "
                                         << (pa ? Describe(*pa) : "missing") << " vs "
                                         << (pb ? Describe(*pb) : "missing");
            }
        }
    }

    for (DWORD flags = 0; flags < 16; ++flags) {
        SORTORDERSPEC sortOrder{MAKEPROPID(1, CEVT_LPWSTR), flags};
        std::string low = SortKeyBuilder::PresentLow(sortOrder), high = SortKeyBuilder::PresentHigh(sortOrder);
        for (const char16_t* s : {u"", u"a", u"\uFFFF\uFFFF", u"zzz"}) {
            std::string key = KeyOf(keys, sortOrder, std::make_unique<CEPROPVAL>(Str(1, s)).get());
            EXPECT_GT(CompareKeys(key, low), 0);
            EXPECT_LT(CompareKeys(key, high), 0);
        }
        std::string missing = KeyOf(keys, sortOrder, nullptr);
        EXPECT_TRUE(CompareKeys(missing, low) < 0 || CompareKeys(missing, high) >= 0) << flags;
    }
    // Which locale's order the keys follow is checked through handles in cedb_seek_test.
    EXPECT_NE(SortKeyBuilder::CollationIdentity("sv_SE"), SortKeyBuilder::CollationIdentity("de_DE"));
}

}  // namespace
