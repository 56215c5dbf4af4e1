// Records read back as written, block layout, and bad calls that change nothing.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/private_heap.h"
#include "platform/objectstore/store_schema.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/last_error_check.h"
#include "tests/support/test_windows.h"

namespace {

using namespace cedbtest;

class CedbRecords : public CedbSandbox {
protected:
    void SetUp() override
    {
        CedbSandbox::SetUp();
        dbOid_ = CreateDb(u"Tasks Database", {{MAKEPROPID(1, CEVT_I4), 0}});
        ASSERT_NE(dbOid_, 0u) << GetLastError();
        db_ = OpenDb(dbOid_);
        ASSERT_NE(db_, INVALID_HANDLE_VALUE) << GetLastError();
    }
    void TearDown() override
    {
        CloseHandle(db_);
        CedbSandbox::TearDown();
    }
    ReadResult ReadOid(CEOID oid, std::vector<CEPROPID> ids = {})
    {
        EXPECT_EQ(Seek(db_, CEDB_SEEK_CEOID, oid), oid);
        return Read(db_, std::move(ids));
    }

    CEOID dbOid_ = 0;
    HANDLE db_ = INVALID_HANDLE_VALUE;
};

TEST_F(CedbRecords, EveryTypeReadsBackAsWrittenAndOneNumberWithTwoTypesIsTwoProperties)
{
    const BYTE odd[] = {0x00, 0xFF, 0x10};
    std::vector<CEPROPVAL> props = {
        I2(2, std::numeric_limits<short>::min()),
        UI2(3, 0xFFFF),
        I4(4, std::numeric_limits<LONG>::min()),
        UI4(5, 0xFFFFFFFFu),
        R8(6, -1234.5e-300),
        Bool(7, TRUE),
        Time(8, 0x01D9ABCD12345678ull),
        Str(9, u"Grüße \U0001F600 \u00e9"),
        Str(10, u""),
        Blob(11, odd, 3),
        Blob(12, nullptr, 0),
    };
    CEOID oid = Write(db_, 0, props);
    ASSERT_NE(oid, 0u) << GetLastError();
    std::vector<std::string> expected;
    for (const auto& p : props) expected.push_back(Describe(p));
    EXPECT_EQ(ReadOid(oid).props, expected);

    // Listed in another order, one twice, one the record lacks.
    ReadResult some = ReadOid(
        oid, {MAKEPROPID(9, CEVT_LPWSTR), MAKEPROPID(2, CEVT_I2), MAKEPROPID(77, CEVT_I4), MAKEPROPID(9, CEVT_LPWSTR)});
    EXPECT_EQ(some.props, (std::vector<std::string>{expected[7], expected[0], "77/I4=missing", expected[7]}));
    EXPECT_EQ(ReadOid(Write(db_, 0, {Str(1, nullptr)})).props, std::vector<std::string>{"1/LPWSTR=''"})
        << "a null string is stored empty";

    // A task's complete flag and its completion date share their number: two properties.
    const CEPROPID flag = kTaskComplete, date = kTaskDateCompleted;
    const WORD number = PropIdNumber(flag);
    ASSERT_EQ(PropIdNumber(date), number);
    oid = Write(db_, 0, {I2(number, 1), Time(number, 125000000000000000ull)});
    EXPECT_EQ(ReadOid(oid, {flag, date}).props,
              (std::vector<std::string>{Key(flag) + "1", Key(date) + "ft 125000000000000000"}));
    EXPECT_EQ(Write(db_, oid, {I2(number, 0)}), oid);
    EXPECT_EQ(ReadOid(oid, {flag, date}).props,
              (std::vector<std::string>{Key(flag) + "0", Key(date) + "ft 125000000000000000"}));
    EXPECT_EQ(Write(db_, oid, {Delete(date)}), oid);
    EXPECT_EQ(ReadOid(oid, {flag, date}).props, (std::vector<std::string>{Key(flag) + "0", Key(date) + "missing"}));
}

TEST_F(CedbRecords, BlockLayoutCallerBuffersReallocationAndBadCallsThatChangeNothing)
{
    const BYTE three[] = {1, 2, 3};
    CEOID oid = Write(db_, 0, {Str(1, u"ab"), Blob(2, three, 3), Str(3, u"c"), I4(4, 5)});
    ASSERT_NE(oid, 0u);
    ASSERT_EQ(Seek(db_, CEDB_SEEK_CEOID, oid), oid);
    WORD count = 0;
    platform::LocalBlock block;
    DWORD size = 0;
    ASSERT_EQ(CeReadRecordProps(db_, CEDB_ALLOWREALLOC, &count, nullptr, block.InOut(), &size), oid);
    ASSERT_EQ(count, 4);
    const size_t array = 4 * sizeof(CEPROPVAL);
    EXPECT_EQ(size, array + 6 + 4 + 4);  // "ab\0", 3 bytes padded to 4, "c\0"
    const BYTE* start = block.Get();
    EXPECT_EQ(LocalSize(block.Get()), size);
    auto* props = block.As<CEPROPVAL>();
    EXPECT_EQ(reinterpret_cast<BYTE*>(props[0].val.lpwstr), start + array);
    EXPECT_EQ(props[1].val.blob.lpb, start + array + 6);
    EXPECT_EQ(props[1].val.blob.dwCount, 3u);
    EXPECT_EQ(reinterpret_cast<BYTE*>(props[2].val.lpwstr), start + array + 10);
    EXPECT_EQ(props[2].val.lpwstr[1], u'\0');
    // Caller buffers are filled only when large enough.
    oid = Write(db_, 0, {Str(1, u"a longer string value"), I4(2, 3)});
    ASSERT_NE(oid, 0u);
    ASSERT_EQ(Seek(db_, CEDB_SEEK_CEOID, oid), oid);
    const DWORD needed = 2 * sizeof(CEPROPVAL) + 2 * 22;

    std::vector<BYTE> small(needed - 1);
    LPBYTE buffer = small.data();
    size = static_cast<DWORD>(small.size());
    count = 0;
    EXPECT_TRUE(FAILS_WITH(CeReadRecordProps(db_, 0, &count, nullptr, &buffer, &size), 0u, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buffer, small.data());

    // A roomy buffer keeps its size, so it can be used again for larger records.
    alignas(8) BYTE roomy[1024];
    buffer = roomy;
    size = sizeof roomy;
    count = 0;
    EXPECT_EQ(CeReadRecordProps(db_, 0, &count, nullptr, &buffer, &size), oid);
    EXPECT_EQ(size, sizeof roomy);
    EXPECT_EQ(Describe(reinterpret_cast<CEPROPVAL*>(roomy)[0]), "1/LPWSTR='a longer string value'");

    // No buffer and no reallocation: the size needed, nothing written.
    buffer = nullptr;
    size = 0;
    count = 0;  // it came back as the number of entries read
    EXPECT_TRUE(FAILS_WITH(CeReadRecordProps(db_, 0, &count, nullptr, &buffer, &size), 0u, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, needed);
    // Reallocation grows small blocks, distrusts lying sizes and uses the heap given.
    oid = Write(db_, 0, {Str(1, u"0123456789012345678901234567890123456789")});
    ASSERT_EQ(Seek(db_, CEDB_SEEK_CEOID, oid), oid);
    platform::LocalBlock grown(LocalAlloc(LMEM_FIXED, 8));
    size = 4096;  // says far more than the block holds
    count = 0;
    ASSERT_EQ(CeReadRecordProps(db_, CEDB_ALLOWREALLOC, &count, nullptr, grown.InOut(), &size), oid);
    EXPECT_EQ(size, sizeof(CEPROPVAL) + 82);
    EXPECT_GE(LocalSize(grown.Get()), size);
    EXPECT_EQ(Describe(grown.As<CEPROPVAL>()[0]), "1/LPWSTR='0123456789012345678901234567890123456789'");

    // A read through a heap allocates from that heap.
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    ASSERT_EQ(Seek(db_, CEDB_SEEK_CEOID, oid), oid);
    LPBYTE fromHeap = nullptr;
    size = 0;
    count = 0;
    ASSERT_EQ(CeReadRecordPropsEx(db_, CEDB_ALLOWREALLOC, &count, nullptr, &fromHeap, &size, heap), oid);
    EXPECT_EQ(HeapSize(heap, 0, fromHeap), size);
    EXPECT_EQ(Describe(reinterpret_cast<CEPROPVAL*>(fromHeap)[0]),
              "1/LPWSTR='0123456789012345678901234567890123456789'");
    HeapDestroy(heap);
    // Bad calls fail without changing anything.
    oid = Write(db_, 0, {I4(1, 1)});
    ASSERT_NE(oid, 0u);
    CEPROPVAL unknown{};
    unknown.propid = MAKEPROPID(9, 0x1234);
    EXPECT_TRUE(FAILS_WITH(Write(db_, oid, {I4(2, 2), unknown}), 0u, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(Write(db_, 0, {Blob(3, nullptr, 4)}), 0u, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ReadOid(oid).props, std::vector<std::string>{"1/I4=1"});

    EXPECT_TRUE(FAILS_WITH(Write(reinterpret_cast<HANDLE>(0x1234), 0, {I4(1, 1)}), 0u, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(Write(db_, dbOid_, {I4(1, 1)}), 0u, ERROR_INVALID_PARAMETER));  // the database's own OID

    count = 1;
    buffer = nullptr;
    size = 0;
    EXPECT_TRUE(FAILS_WITH(CeReadRecordProps(db_, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), 0u,
                           ERROR_INVALID_PARAMETER));
    count = 0;
    EXPECT_TRUE(FAILS_WITH(CeReadRecordProps(db_, 0x80, &count, nullptr, &buffer, &size), 0u, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(buffer, nullptr);

    // A deleted record cannot be deleted or written again (reads and seeks
    // around one are checked against the model in cedb_model_test).
    ASSERT_TRUE(CeDeleteRecord(db_, oid));
    EXPECT_TRUE(FAILS_WITH(CeDeleteRecord(db_, oid), FALSE, ERROR_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(Write(db_, oid, {I4(1, 9)}), 0u, ERROR_NOT_FOUND));
    EXPECT_EQ(Seek(db_, CEDB_SEEK_CEOID, oid), 0u);

    // Records of another database are not reachable.
    HANDLE other = OpenDb(CreateDb(u"Other", {}));
    CEOID foreign = Write(other, 0, {I4(1, 5)});
    ASSERT_NE(foreign, 0u);
    EXPECT_TRUE(FAILS_WITH(Seek(db_, CEDB_SEEK_CEOID, foreign), 0u, ERROR_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(Write(db_, foreign, {I4(1, 6)}), 0u, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(CeDeleteRecord(db_, foreign), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Seek(other, CEDB_SEEK_CEOID, foreign), foreign);
    EXPECT_EQ(Read(other).props, std::vector<std::string>{"1/I4=5"});
    CloseHandle(other);
}

TEST_F(CedbRecords, CountsAndSizesFollowWritesAndHandlesOfTheDatabaseAreNotified)
{
    CEOIDINFO info{};
    for (int i = 0; i < 5; ++i) Write(db_, 0, {I4(1, i), Str(2, u"abc")});
    ASSERT_TRUE(CeOidGetInfo(dbOid_, &info));
    EXPECT_EQ(info.wObjType, OBJTYPE_DATABASE);
    EXPECT_EQ(info.infDatabase.wNumRecords, 5);
    DWORD fiveSize = info.infDatabase.dwSize;
    EXPECT_GT(fiveSize, 0u);
    CEOID first = Seek(db_, CEDB_SEEK_BEGINNING, 0);
    CeDeleteRecord(db_, first);
    ASSERT_TRUE(CeOidGetInfo(dbOid_, &info));
    EXPECT_EQ(info.infDatabase.wNumRecords, 4);
    EXPECT_EQ(info.infDatabase.dwSize, fiveSize / 5 * 4);

    CEOID record = Seek(db_, CEDB_SEEK_BEGINNING, 0);
    ASSERT_TRUE(CeOidGetInfo(record, &info));
    EXPECT_EQ(info.wObjType, OBJTYPE_RECORD);
    EXPECT_EQ(info.infRecord.oidParent, dbOid_);
    EXPECT_TRUE(FAILS_WITH(CeOidGetInfo(first, &info), FALSE, ERROR_NOT_FOUND));

    std::vector<std::tuple<UINT, WPARAM, LPARAM>> seen;
    kstest::OwnWindow window([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message >= DB_CEOID_CREATED && message <= DB_CEOID_CHANGED) seen.emplace_back(message, wParam, lParam);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    });
    HANDLE watched = OpenDb(dbOid_, 0, 0, window.Hwnd());
    ASSERT_NE(watched, INVALID_HANDLE_VALUE);
    HANDLE unwatched = OpenDb(CreateDb(u"Unwatched", {}));

    CEOID oid = Write(db_, 0, {I4(1, 1)});
    Write(db_, oid, {I4(1, 2)});
    CeDeleteRecord(db_, oid);
    Write(unwatched, 0, {I4(1, 1)});
    kstest::PumpPending();
    auto dbParam = static_cast<LPARAM>(dbOid_);
    EXPECT_EQ(seen, (std::vector<std::tuple<UINT, WPARAM, LPARAM>>{{DB_CEOID_CREATED, oid, dbParam},
                                                                   {DB_CEOID_CHANGED, oid, dbParam},
                                                                   {DB_CEOID_RECORD_DELETED, oid, dbParam}}));
    CloseHandle(watched);
    seen.clear();
    Write(db_, 0, {I4(1, 1)});
    kstest::PumpPending();
    EXPECT_TRUE(seen.empty());
    CloseHandle(unwatched);
}

}  // namespace
