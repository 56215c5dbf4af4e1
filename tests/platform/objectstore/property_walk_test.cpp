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
// table, a smaller one through the index by database: either way a walk in
// OID order reads its own records only, though the other's lie between them.
TEST_F(PropertyWalkTest, WalksInOidOrderReadOnlyTheirDatabasesRecordsWhicheverHoldsMost)
{
    const CEPROPID number = MAKEPROPID(2, CEVT_I4);
    const CEOID dbs[] = {CreateDb(u"big", {{number, 0}}), CreateDb(u"small", {{number, 0}})};
    std::vector<CEOID> all[2], holders[2];
    for (int i = 0; i < 8; ++i) {
        const int in = i % 4 == 3 ? 1 : 0;  // three records in "big" for each in "small"
        const bool holds = i % 3 != 1;
        HANDLE h = OpenDb(dbs[in]);
        // Numbers falling as the OIDs rise: the number's order runs backwards.
        all[in].push_back(Write(h, 0, {holds ? I4(2, -i) : I4(5, i)}));
        if (holds) holders[in].push_back(all[in].back());
        CloseHandle(h);
    }
    for (int in : {0, 1}) {
        for (bool narrowed : {false, true}) {
            HANDLE h = OpenDb(dbs[in], 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER);
            ASSERT_TRUE(!narrowed || CeRestrictToProperty(h, number));
            EXPECT_EQ(ReadRest(h), narrowed ? holders[in] : all[in]) << in << narrowed;
            CloseHandle(h);
        }
    }
}

}  // namespace
