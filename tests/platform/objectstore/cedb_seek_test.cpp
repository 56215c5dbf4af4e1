// Seeking in small databases made by hand: every seek type, every sort flag,
// every value type, and strings in the user's collation.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/locale_pin.h"
#include "platform/base/error_codes.h"

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
        HANDLE h = OpenDb(dbOid_, MAKEPROPID(kSortProp, type));
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
        handles_.push_back(h);
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
            names.push_back(it == oids_.end() ? "?" : "r" + std::to_string(it - oids_.begin() + 1));
        }
        return names;
    }
    std::string Name(CEOID oid) const { return oid ? Names({oid})[0] : "none"; }
    std::string SeekTo(HANDLE h, DWORD type, CEPROPVAL value) { return Name(SeekValue(h, type, value)); }

    CEOID dbOid_ = 0;
    std::vector<CEOID> oids_;
    std::vector<HANDLE> handles_;
    PinnedLocale english_{"en-US"};
};

using Seq = std::vector<std::string>;

TEST_F(CedbSeek, CaseInsensitiveStringsGroupTiesByOid)
{
    HANDLE h = Make(CEVT_LPWSTR, CEDB_SORT_CASEINSENSITIVE,
                    {{Str(1, u"cherry")},
                     {Str(1, u"apple")},
                     {Str(1, u"Banana")},
                     {I4(2, 0)},
                     {Str(1, u"APPLE")},
                     {Str(1, u"banana")}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r2", "r5", "r3", "r6", "r1", "r4"}));

    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, Str(1, u"Apple")), "r2");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, Str(1, u"apple")), "r5");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, Str(1, u"apple")), "none");
    EXPECT_EQ(GetLastError(), ERROR_NOT_FOUND);
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, 0)), "r5");  // a failed seek does not move
    // The next record is a banana: not equal to apple, so no step either.
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, Str(1, u"banana")), "r3");

    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, Str(1, u"APPLE")), "r3");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, Str(1, u"b")), "r3");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUESMALLER, Str(1, u"BANANA")), "r5");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUESMALLER, Str(1, u"zzz")), "r1");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUESMALLER, Str(1, u"apple")), "none");
    // Records without the property are not reached by value.
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, Str(1, u"cherry")), "none");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, Str(1, u"fig")), "none");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, Str(1, u"")), "none");
}

TEST_F(CedbSeek, CaseSensitiveStringsTellCaseApart)
{
    HANDLE h = Make(CEVT_LPWSTR, 0, {{Str(1, u"Apple")}, {Str(1, u"apple")}, {Str(1, u"APPLE")}, {Str(1, u"apricot")}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r2", "r1", "r3", "r4"}));  // lower case first, as the locale collates
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, Str(1, u"APPLE")), "r3");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, Str(1, u"APPLE")), "none");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, Str(1, u"apple")), "r1");
}

TEST_F(CedbSeek, DescendingTurnsOrderAndValueSeeksAround)
{
    HANDLE h = Make(CEVT_I4, CEDB_SORT_DESCENDING, {{I4(1, 5)}, {I4(1, -3)}, {I4(1, 20)}, {}, {I4(1, 5)}, {I4(1, 0)}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r3", "r1", "r5", "r6", "r2", "r4"}));
    // "Greater" and "smaller" follow the order: later and earlier.
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, I4(1, 5)), "r6");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, I4(1, 6)), "r1");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUESMALLER, I4(1, 5)), "r3");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUESMALLER, I4(1, 0)), "r5");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEGREATER, I4(1, -3)), "none");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, 5)), "r1");
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUENEXTEQUAL, I4(1, 5)), "r5");
}

TEST_F(CedbSeek, UnknownFirstPutsRecordsWithoutTheValueFirstInEitherDirection)
{
    std::vector<std::vector<CEPROPVAL>> records = {{UI2(1, 7)}, {}, {UI2(1, 65535)}, {I4(2, 1)}, {UI2(1, 0)}};
    HANDLE up = Make(CEVT_UI2, CEDB_SORT_UNKNOWNFIRST, records);
    EXPECT_EQ(Names(Order(up)), (Seq{"r2", "r4", "r5", "r1", "r3"}));
    EXPECT_EQ(SeekTo(up, CEDB_SEEK_VALUESMALLER, UI2(1, 0)), "none");
    EXPECT_EQ(SeekTo(up, CEDB_SEEK_VALUESMALLER, UI2(1, 1)), "r5");
    HANDLE down = Make(CEVT_UI2, CEDB_SORT_UNKNOWNFIRST | CEDB_SORT_DESCENDING, records);
    EXPECT_EQ(Names(Order(down)), (Seq{"r2", "r4", "r3", "r1", "r5"}));
    HANDLE last = Make(CEVT_UI2, CEDB_SORT_DESCENDING, records);
    EXPECT_EQ(Names(Order(last)), (Seq{"r3", "r1", "r5", "r2", "r4"}));
    EXPECT_EQ(SeekTo(last, CEDB_SEEK_VALUEGREATER, UI2(1, 0)), "none");
}

TEST_F(CedbSeek, NumbersSortByValueNotByBytes)
{
    HANDLE i2 = Make(CEVT_I2, 0, {{I2(1, 1)}, {I2(1, -1)}, {I2(1, -32768)}, {I2(1, 32767)}});
    EXPECT_EQ(Names(Order(i2)), (Seq{"r3", "r2", "r1", "r4"}));
    HANDLE ui4 = Make(CEVT_UI4, 0, {{UI4(1, 0x80000000u)}, {UI4(1, 1)}, {UI4(1, 0xFFFFFFFFu)}});
    EXPECT_EQ(Names(Order(ui4)), (Seq{"r2", "r1", "r3"}));
    HANDLE r8 = Make(CEVT_R8, 0, {{R8(1, 2.5)}, {R8(1, -0.0)}, {R8(1, -1e300)}, {R8(1, 1e-300)}, {R8(1, -2.5)}});
    EXPECT_EQ(Names(Order(r8)), (Seq{"r3", "r5", "r2", "r4", "r1"}));
    EXPECT_EQ(SeekTo(r8, CEDB_SEEK_VALUEFIRSTEQUAL, R8(1, 0.0)), "r2");  // -0 equals 0
    HANDLE ft = Make(CEVT_FILETIME, 0, {{Time(1, 0x100000000ull)}, {Time(1, 0xFFFFFFFFull)}, {Time(1, 0)}});
    EXPECT_EQ(Names(Order(ft)), (Seq{"r3", "r2", "r1"}));
    HANDLE b = Make(CEVT_BOOL, 0, {{Bool(1, TRUE)}, {Bool(1, FALSE)}});
    EXPECT_EQ(Names(Order(b)), (Seq{"r2", "r1"}));
}

TEST_F(CedbSeek, BlobsSortByBytesShorterFirst)
{
    const BYTE ab[] = {'a', 'b'}, a0[] = {'a', 0}, a[] = {'a'}, b[] = {'b'};
    HANDLE h =
        Make(CEVT_BLOB, 0, {{Blob(1, b, 1)}, {Blob(1, ab, 2)}, {Blob(1, a0, 2)}, {Blob(1, a, 1)}, {Blob(1, a, 0)}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r5", "r4", "r3", "r2", "r1"}));
    HANDLE down = Make(CEVT_BLOB, CEDB_SORT_DESCENDING,
                       {{Blob(1, b, 1)}, {Blob(1, ab, 2)}, {Blob(1, a0, 2)}, {Blob(1, a, 1)}, {Blob(1, a, 0)}});
    EXPECT_EQ(Names(Order(down)), (Seq{"r1", "r2", "r3", "r4", "r5"}));
    EXPECT_EQ(SeekTo(down, CEDB_SEEK_VALUEGREATER, Blob(1, a, 1)), "r5");
}

TEST_F(CedbSeek, DescendingStringsKeepPrefixesInOrder)
{
    HANDLE h =
        Make(CEVT_LPWSTR, CEDB_SORT_DESCENDING, {{Str(1, u"ab")}, {Str(1, u"abc")}, {Str(1, u"a")}, {Str(1, u"")}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r2", "r1", "r3", "r4"}));
}

TEST_F(CedbSeek, PositionSeeksCountFromEitherEndAndFromHere)
{
    HANDLE h = Make(CEVT_I4, 0, {{I4(1, 10)}, {I4(1, 20)}, {I4(1, 30)}, {I4(1, 40)}, {I4(1, 50)}});
    DWORD index = 99;
    EXPECT_EQ(Name(CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 2, &index)), "r3");
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(Name(CeSeekDatabase(h, CEDB_SEEK_CURRENT, 2, &index)), "r5");
    EXPECT_EQ(index, 4u);
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, 1)), "none");
    EXPECT_EQ(Name(CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-3), &index)), "r2");
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-2))), "none");
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, 0)), "r2");
    EXPECT_EQ(Name(CeSeekDatabase(h, CEDB_SEEK_END, 0, &index)), "r5");
    EXPECT_EQ(index, 4u);
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_END, 1)), "r4");
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_END, static_cast<DWORD>(-4))), "r1");
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_END, 5)), "none");
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_BEGINNING, 5)), "none");
    EXPECT_EQ(Name(CeSeekDatabase(h, CEDB_SEEK_CEOID, oids_[3], &index)), "r4");
    EXPECT_EQ(index, 3u);
    EXPECT_EQ(Name(Seek(h, 0x400)), "none");
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CedbSeek, NewHandleStartsAtTheFirstRecord)
{
    HANDLE h = Make(CEVT_I4, 0, {{I4(1, 2)}, {I4(1, 1)}, {I4(1, 3)}});
    HANDLE fresh = OpenDb(dbOid_);
    handles_.push_back(fresh);
    EXPECT_EQ(Name(Read(fresh).oid), "r2");
    HANDLE fresh2 = OpenDb(dbOid_);
    handles_.push_back(fresh2);
    EXPECT_EQ(Name(Seek(fresh2, CEDB_SEEK_CURRENT, 1)), "r1");
    HANDLE fresh3 = OpenDb(dbOid_);
    handles_.push_back(fresh3);
    EXPECT_EQ(Name(Seek(fresh3, CEDB_SEEK_VALUENEXTEQUAL, reinterpret_cast<DWORD_PTR>(nullptr))), "none");
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SeekTo(fresh3, CEDB_SEEK_VALUENEXTEQUAL, I4(1, 2)), "r1");
    (void)h;
}

TEST_F(CedbSeek, ValueSeeksNeedASortOrderAndItsType)
{
    HANDLE h = Make(CEVT_I4, 0, {{I4(1, 1)}});
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, I2(1, 1)), "none");
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SeekTo(h, CEDB_SEEK_VALUEFIRSTEQUAL, I4(9, 1)), "r1");  // only the type has to agree

    CEOID plain = CreateDb(u"No order", {});
    HANDLE unordered = OpenDb(plain);
    handles_.push_back(unordered);
    std::vector<CEOID> written;
    for (LONG v : {3, 1, 2}) written.push_back(Write(unordered, 0, {I4(1, v)}));
    EXPECT_EQ(Order(unordered), written);  // OID order
    EXPECT_EQ(SeekValue(unordered, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, 1)), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CedbSeek, OpeningPicksTheSortOrderOfTheProperty)
{
    const CEPROPID byName = MAKEPROPID(1, CEVT_LPWSTR), byNumber = MAKEPROPID(2, CEVT_I4);
    CEOID db = CreateDb(u"Two orders", {{byName, 0}, {byNumber, CEDB_SORT_DESCENDING}});
    HANDLE first = OpenDb(db);
    handles_.push_back(first);
    oids_ = {Write(first, 0, {Str(1, u"b"), I4(2, 1)}), Write(first, 0, {Str(1, u"a"), I4(2, 2)}),
             Write(first, 0, {Str(1, u"c"), I4(2, 3)})};
    EXPECT_EQ(Names(Order(first)), (Seq{"r2", "r1", "r3"}));
    HANDLE second = OpenDb(db, byNumber);
    handles_.push_back(second);
    EXPECT_EQ(Names(Order(second)), (Seq{"r3", "r2", "r1"}));
    EXPECT_EQ(OpenDb(db, MAKEPROPID(2, CEVT_I2)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(OpenDb(db, MAKEPROPID(3, CEVT_I4)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CedbSeek, ChangingTheSortValueMovesTheRecord)
{
    HANDLE h = Make(CEVT_I4, 0, {{I4(1, 1)}, {I4(1, 2)}, {I4(1, 3)}});
    ASSERT_EQ(Name(Seek(h, CEDB_SEEK_CEOID, oids_[0])), "r1");
    ASSERT_EQ(Write(h, oids_[0], {I4(1, 10)}), oids_[0]);
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, 1)), "none");  // r1 is now last
    EXPECT_EQ(Name(Seek(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1))), "r3");
    ASSERT_EQ(Write(h, oids_[1], {Delete(MAKEPROPID(1, CEVT_I4))}), oids_[1]);
    EXPECT_EQ(Names(Order(h)), (Seq{"r3", "r1", "r2"}));
}

TEST_F(CedbSeek, StringsCollateInTheUserLocale)
{
    HANDLE h = Make(CEVT_LPWSTR, 0, {{Str(1, u"zebra")}, {Str(1, u"\u00e4pfel")}, {Str(1, u"apfel")}});
    EXPECT_EQ(Names(Order(h)), (Seq{"r3", "r2", "r1"}));  // ä sorts with a in English
    CEOID db = dbOid_;
    CEOID generic = CreateDb(u"generic", {{MAKEPROPID(1, CEVT_LPWSTR), CEDB_SORT_GENERICORDER}});
    HANDLE g = OpenDb(generic);
    handles_.push_back(g);
    std::vector<CEOID> english = oids_;
    oids_ = {Write(g, 0, {Str(1, u"zebra")}), Write(g, 0, {Str(1, u"\u00e4pfel")}), Write(g, 0, {Str(1, u"apfel")})};
    std::vector<CEOID> genericOids = oids_;
    {
        // Swedish puts ä after z; a handle opened in that locale reads so.
        PinnedLocale swedish("sv-SE");
        HANDLE sv = OpenDb(db);
        handles_.push_back(sv);
        oids_ = english;
        EXPECT_EQ(Names(Order(sv)), (Seq{"r3", "r1", "r2"}));
        EXPECT_EQ(SeekTo(sv, CEDB_SEEK_VALUEGREATER, Str(1, u"zebra")), "r2");
        // The generic order does not follow the locale.
        HANDLE gsv = OpenDb(generic);
        handles_.push_back(gsv);
        oids_ = genericOids;
        EXPECT_EQ(Names(Order(gsv)), (Seq{"r3", "r2", "r1"}));
    }
    std::string report;
    EXPECT_TRUE(platform::CheckObjectStore(nullptr, report)) << report;
}

}  // namespace
