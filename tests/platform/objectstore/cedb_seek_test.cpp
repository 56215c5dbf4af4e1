// The seeks the model test does not make, on small databases made by hand.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/base/error_codes.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/last_error_check.h"
#include "tests/support/locale_pin.h"

namespace {

using namespace cedbtest;

constexpr WORD kSortProp = 1;

class CedbSeek : public CedbSandbox {
protected:
    void TearDown() override
    {
        for (HANDLE h : handles_) CloseHandle(h);
        CedbSandbox::TearDown();
    }
    // A database with one sort order on property 1 of `type`, records
    // written in the order given; a handle in that order.
    HANDLE Make(WORD type, DWORD flags, const std::vector<std::vector<CEPROPVAL>>& records)
    {
        static int serial = 0;
        std::u16string name = u"db" + Utf8ToWide(std::to_string(++serial));
        dbOid_ = CreateDb(name.c_str(), {{MAKEPROPID(kSortProp, type), flags}});
        EXPECT_NE(dbOid_, 0u) << GetLastError();
        HANDLE h = Open(dbOid_, MAKEPROPID(kSortProp, type));
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
        oids_.clear();
        for (const auto& r : records) {
            oids_.push_back(Write(h, 0, r));
            EXPECT_NE(oids_.back(), 0u) << GetLastError();
        }
        return h;
    }
    // The records in the order written, by their place in `records` (1-based
    // names read better in expectations: "r3").
    std::vector<std::string> Names(const std::vector<CEOID>& order) const
    {
        std::vector<std::string> names;
        for (CEOID oid : order) {
            auto it = std::find(oids_.begin(), oids_.end(), oid);
            names.push_back(it == oids_.end() ? "?" : std::string("r").append(std::to_string(it - oids_.begin() + 1)));
        }
        return names;
    }
    // A new handle on `db` (the last one made by default), closed after the test.
    HANDLE Open(CEOID db = 0, CEPROPID sort = 0, DWORD flags = 0)
    {
        handles_.push_back(OpenDb(db ? db : dbOid_, sort, flags));
        return handles_.back();
    }
    std::string Name(CEOID oid) const { return oid ? Names({oid})[0] : "none"; }
    std::string SeekTo(HANDLE h, DWORD type, CEPROPVAL value) { return Name(SeekValue(h, type, value)); }

    CEOID dbOid_ = 0;
    std::vector<CEOID> oids_;
    std::vector<HANDLE> handles_;
    PinnedLocale english_{"en-US"};
};

using Seq = std::vector<std::string>;

TEST_F(CedbSeek, FailedSeeksTellWhyNewHandlesStartFirstStringsCollateInTheLocaleAndValueSeeksNeedASortOrder)
{
    HANDLE h = Make(CEVT_I4, 0, {{I4(1, 10)}, {I4(1, 20)}, {I4(1, 20)}});
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, 20)), "r2");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, I4(1, 20)), "r3");
    EXPECT_TRUE(FAILS_WITH(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, I4(1, 20)), "none", ERROR_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(Name(Seek(h, 0x400)), "none", ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, 0)), "r3");

    Make(CEVT_I4, 0, {{I4(1, 2)}, {I4(1, 1)}, {I4(1, 3)}});
    EXPECT_EQ(Name(Read(Open()).oid), "r2");
    EXPECT_EQ(Name(Seek(Open(), CEDB_SEEK_CURRENT, 1)), "r1");
    h = Open();
    EXPECT_TRUE(FAILS_WITH(Name(Seek(h, CEDB_SEEK_VALUENEXTEQUAL, reinterpret_cast<DWORD_PTR>(nullptr))), "none",
                           ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, I4(1, 2)), "r1");

    h = Make(CEVT_LPWSTR, 0, {{Str(1, u"zebra")}, {Str(1, u"\u00e4pfel")}, {Str(1, u"apfel")}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r3", "r2", "r1"}));  // ä sorts with a in English
    CEOID db = dbOid_;
    CEOID generic = CreateDb(u"generic", {{MAKEPROPID(1, CEVT_LPWSTR), CEDB_SORT_GENERICORDER}});
    HANDLE g = Open(generic);
    std::vector<CEOID> english = oids_;
    oids_ = {Write(g, 0, {Str(1, u"zebra")}), Write(g, 0, {Str(1, u"\u00e4pfel")}), Write(g, 0, {Str(1, u"apfel")})};
    std::vector<CEOID> genericOids = oids_;
    {
        // Swedish puts ä after z; a handle opened in that locale reads so.
        PinnedLocale swedish("sv-SE");
        HANDLE sv = Open(db);
        oids_ = english;
        EXPECT_EQ(Names(Order(sv)), (Seq{"r3", "r1", "r2"}));
        EXPECT_EQ(SeekTo(sv, CEDB_SEEK_VALUEGREATER, Str(1, u"zebra")), "r2");
        // The generic order does not follow the locale.
        HANDLE gsv = Open(generic);
        oids_ = genericOids;
        EXPECT_EQ(Names(Order(gsv)), (Seq{"r3", "r2", "r1"}));
    }
    EXPECT_EQ(StoreProblems(), "");
    // Value seeks need a sort order and its type.
    h = Make(CEVT_I4, 0, {{I4(1, 1)}});
    EXPECT_TRUE(FAILS_WITH(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, I2(1, 1)), "none", ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, I4(9, 1)), "r1");  // only the type has to agree

    HANDLE unordered = Open(CreateDb(u"No order", {}));
    std::vector<CEOID> written;
    for (LONG v : {3, 1, 2}) written.push_back(Write(unordered, 0, {I4(1, v)}));
    EXPECT_EQ(Order(unordered), written);  // OID order
    EXPECT_TRUE(FAILS_WITH(SeekValue(unordered, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, 1)), 0u, ERROR_INVALID_PARAMETER));

    // Opening picks the sort order of the property.
    const CEPROPID byName = MAKEPROPID(1, CEVT_LPWSTR), byNumber = MAKEPROPID(2, CEVT_I4);
    CEOID twoOrders = CreateDb(u"Two orders", {{byName, 0}, {byNumber, CEDB_SORT_DESCENDING}});
    HANDLE first = Open(twoOrders);
    oids_ = {Write(first, 0, {Str(1, u"b"), I4(2, 1)}), Write(first, 0, {Str(1, u"a"), I4(2, 2)}),
             Write(first, 0, {Str(1, u"c"), I4(2, 3)})};
    EXPECT_EQ(Names(Order(first)), (Seq{"r2", "r1", "r3"}));
    HANDLE second = Open(twoOrders, byNumber);
    EXPECT_EQ(Names(Order(second)), (Seq{"r3", "r2", "r1"}));
    EXPECT_TRUE(FAILS_WITH(OpenDb(twoOrders, MAKEPROPID(2, CEVT_I2)), INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(OpenDb(twoOrders, MAKEPROPID(3, CEVT_I4)), INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER));
}

TEST_F(CedbSeek, AfterAReadTheHandleStaysOnTheNextRecordAndDeletingItsRecordThroughItStepsOn)
{
    // Records 10, 20, 30, 40; an auto-increment handle reads 20 (or moves to it); 20 gets a new value (0: is
    // deleted) through another handle or this one; then reads until one fails, or a seek (40 next).
    const std::tuple<bool, LONG, bool, DWORD, Seq> rows[] = {
        {true, 5, false, 0, {"r3", "r4", "none"}},   {true, 50, false, 0, {"r3", "r4", "r2", "none"}},
        {true, 5, false, CEDB_SEEK_CURRENT, {"r3"}}, {true, 50, false, CEDB_SEEK_VALUENEXTEQUAL, {"r4"}},
        {false, 0, true, 0, {"r3", "r4", "none"}},   {false, 0, false, 0, {"deleted"}},
    };
    for (const auto& [read, newValue, throughItself, probe, expected] : rows) {
        SCOPED_TRACE(::testing::PrintToString(expected));
        HANDLE other = Make(CEVT_I4, 0, {{I4(1, 10)}, {I4(1, 20)}, {I4(1, 30)}, {I4(1, 40)}});
        HANDLE h = Open(dbOid_, 0, CEDB_AUTOINCREMENT);
        ASSERT_EQ(Seek(h, CEDB_SEEK_CEOID, oids_[1]), oids_[1]);
        ASSERT_EQ(read ? Read(h).oid : oids_[1], oids_[1]);
        HANDLE via = throughItself ? h : other;
        ASSERT_TRUE(newValue ? Write(via, oids_[1], {I4(1, newValue)}) != 0 : CeDeleteRecord(via, oids_[1]));
        Seq got;
        if (probe) got.push_back(Name(probe == CEDB_SEEK_CURRENT ? Seek(h, probe) : SeekValue(h, probe, I4(1, 40))));
        for (ReadResult r{1}; !probe && r.oid;) {
            r = Read(h);
            got.push_back(r.oid ? Name(r.oid) : r.error == ERROR_KEY_DELETED ? "deleted" : "none");
        }
        EXPECT_EQ(got, expected);
    }
}

TEST_F(CedbSeek, AHandleInOidOrderReadsAsStoredAndSeesWhatChangesAheadOfIt)
{
    // Sorted on property 1 descending: the sort order is the reverse of the OID order.
    Make(CEVT_I4, CEDB_SORT_DESCENDING, {{I4(1, 1)}, {I4(1, 2)}, {I4(1, 3)}});
    HANDLE stored = Open(dbOid_, 0, CEDB_OIDORDER);
    EXPECT_EQ(Names(Order(stored)), (Seq{"r1", "r2", "r3"}));
    EXPECT_TRUE(FAILS_WITH(SeekTo(stored, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, 2)), "none", ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(OpenDb(dbOid_, MAKEPROPID(kSortProp, CEVT_I4), CEDB_OIDORDER), INVALID_HANDLE_VALUE,
                           ERROR_INVALID_PARAMETER));
    // An auto-increment handle reads r1 to r4 (fetching records after r4 too); another handle deletes r5
    // or adds r8; the reads that follow see it.
    for (const auto& [record, expected] :
         {std::pair{5, Seq{"r6", "r7", "none"}}, {8, Seq{"r5", "r6", "r7", "r8", "none"}}}) {
        HANDLE other =
            Make(CEVT_I4, 0, {{I4(1, 1)}, {I4(1, 2)}, {I4(1, 3)}, {I4(1, 4)}, {I4(1, 5)}, {I4(1, 6)}, {I4(1, 7)}});
        HANDLE h = Open(dbOid_, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER);
        for (int n = 0; n < 4; ++n) ASSERT_EQ(Read(h).oid, oids_[n]);
        ASSERT_TRUE(record > 7 ? (oids_.push_back(Write(other, 0, {I4(1, 8)})), oids_.back() != 0)
                               : CeDeleteRecord(other, oids_[record - 1]));
        Seq got;
        for (ReadResult r{1}; r.oid;) got.push_back(Name((r = Read(h)).oid));
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
