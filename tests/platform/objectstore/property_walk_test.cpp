// A handle's walk narrowed to the records holding one sorted property.
#include <gtest/gtest.h>

#include <vector>

#include "platform/base/error_codes.h"
#include "platform/objectstore/property_walk.h"
#include "tests/platform/objectstore/cedb_test_support.h"

using namespace cedbtest;

namespace {

using PropertyWalkTest = CedbSandbox;

TEST_F(PropertyWalkTest, ReadsTheHoldersOfASortedPropertyInOidOrderUntilASeek)
{
    const CEPROPID number = MAKEPROPID(2, CEVT_I4), text = MAKEPROPID(3, CEVT_LPWSTR);
    const CEPROPID empty = MAKEPROPID(4, CEVT_BLOB), unsorted = MAKEPROPID(5, CEVT_I4);
    // Unknown values first and descending: the holders' keys lie elsewhere.
    const CEOID db = CreateDb(u"items", {{number, 0},
                                         {text, CEDB_SORT_UNKNOWNFIRST | CEDB_SORT_DESCENDING},
                                         {empty, 0}});
    const CEOID other = CreateDb(u"other", {{number, 0}});
    HANDLE o = OpenDb(other);
    Write(o, 0, {I4(2, 1)});
    CloseHandle(o);
    HANDLE w = OpenDb(db);
    // Values falling as the OIDs rise, so that the sort orders run backwards.
    const CEOID a = Write(w, 0, {I4(2, 9), Str(3, u"zebra")});
    const CEOID b = Write(w, 0, {Str(3, u"yak"), I4(5, 1)});
    const CEOID c = Write(w, 0, {I4(2, 7), Blob(4, nullptr, 0)});
    const CEOID d = Write(w, 0, {I4(5, 2)});
    const CEOID e = Write(w, 0, {I4(2, -3), Str(3, u"")});
    const struct {
        CEPROPID propid;
        std::vector<CEOID> read;
    } cases[] = {
        {number, {a, c, e}},
        {text, {a, b, e}},
        {empty, {c}},  // an empty value is held all the same
    };
    for (const auto& k : cases) {
        HANDLE h = OpenDb(db, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER);
        ASSERT_TRUE(CeRestrictToProperty(h, k.propid)) << std::hex << k.propid;
        EXPECT_EQ(ReadRest(h), k.read) << std::hex << k.propid;
        CloseHandle(h);
    }

    HANDLE h = OpenDb(db, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER);
    ASSERT_TRUE(CeRestrictToProperty(h, number));
    EXPECT_EQ(Read(h).oid, a);
    // Writes while the walk stands: a holder deleted ahead is not read, one
    // made a holder is, one added is read last.
    ASSERT_TRUE(CeDeleteRecord(w, c));
    ASSERT_TRUE(Write(w, d, {I4(2, 4)}));
    const CEOID added = Write(w, 0, {I4(2, 0)});
    EXPECT_EQ(ReadRest(h), (std::vector<CEOID>{d, e, added}));
    // A forward seek stays narrowed; any other seek lifts the narrowing.
    ASSERT_TRUE(CeRestrictToProperty(h, number));
    EXPECT_EQ(Seek(h, CEDB_SEEK_CURRENT, 1), d);
    EXPECT_EQ(Seek(h, CEDB_SEEK_BEGINNING, 0), a);
    EXPECT_EQ(ReadRest(h), (std::vector<CEOID>{a, b, d, e, added}));

    EXPECT_FALSE(CeRestrictToProperty(h, unsorted));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
    HANDLE s = OpenDb(db, number, CEDB_AUTOINCREMENT);
    EXPECT_FALSE(CeRestrictToProperty(s, number));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(s);
    EXPECT_FALSE(CeRestrictToProperty(INVALID_HANDLE_VALUE, number));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(w);
}

// A database holding most of the volume's records is walked by scanning the
// whole table, a smaller one through the index by database: either way each
// walk in OID order reads its own records and no other database's, whose
// records lie between them.
TEST_F(PropertyWalkTest, WalksInOidOrderReadOnlyTheirDatabasesRecordsWhicheverHoldsMost)
{
    const CEPROPID number = MAKEPROPID(2, CEVT_I4);
    const CEOID big = CreateDb(u"big", {{number, 0}});
    const CEOID small = CreateDb(u"small", {{number, 0}});
    HANDLE b = OpenDb(big), s = OpenDb(small);
    std::vector<CEOID> bigAll, bigHolders, smallAll, smallHolders;
    for (int i = 0; i < 9; ++i) {
        // Every third record of each database holds no number.
        std::vector<CEPROPVAL> props = {i % 3 == 2 ? I4(5, i) : I4(2, 100 - i)};
        const CEOID inBig = Write(b, 0, props);
        bigAll.push_back(inBig);
        if (i % 3 != 2) bigHolders.push_back(inBig);
        if (i % 3 == 0) {
            const CEOID inSmall = Write(s, 0, props);
            smallAll.push_back(inSmall);
            smallHolders.push_back(inSmall);
        }
    }
    const CEOID smallLast = Write(s, 0, {I4(5, 0)});
    smallAll.push_back(smallLast);
    CloseHandle(b);
    CloseHandle(s);
    const struct {
        CEOID db;
        bool narrowed;
        std::vector<CEOID> read;
    } cases[] = {
        {big, false, bigAll},
        {big, true, bigHolders},
        {small, false, smallAll},
        {small, true, smallHolders},
    };
    for (const auto& k : cases) {
        HANDLE h = OpenDb(k.db, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER);
        if (k.narrowed) {
            ASSERT_TRUE(CeRestrictToProperty(h, number));
        }
        EXPECT_EQ(ReadRest(h), k.read) << (k.db == big ? "big" : "small") << (k.narrowed ? ", narrowed" : "");
        CloseHandle(h);
    }
}

}  // namespace
