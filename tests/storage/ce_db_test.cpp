// CeDb over the object-store engine: databases, records, seeks, volumes and the error trace.
#include "storage/ce_db.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/modules/string_resources.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "platform/ui/out_of_memory_notice.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/scripted_ui_host.h"
#include "tests/support/test_windows.h"

namespace {

constexpr WORD kNumber = 0x0001;  // I4: the sort key of the test databases
constexpr WORD kTitle = 0x0037;
constexpr WORD kBody = 0x0017;
constexpr WORD kFlag = 0x410F;
constexpr CEPROPID kNumberId = MAKEPROPID(kNumber, CEVT_I4);
constexpr CEPROPID kTitleId = MAKEPROPID(kTitle, CEVT_LPWSTR);
constexpr CEPROPID kBodyId = MAKEPROPID(kBody, CEVT_BLOB);
constexpr CEPROPID kFlagId = MAKEPROPID(kFlag, CEVT_I2);
constexpr CEPROPID kWhenId = kAppointmentStart;

std::string U8(const WCHAR* s) { return WideToUtf8(s ? s : u""); }

std::string TextOf(const CeDbRecord& record, CEPROPID id)
{
    CeString text;
    return record.GetIndexVal(record.FindProp(id), text) ? U8(text) : "<absent>";
}

class CeDbTest : public StoreSandbox {
protected:
    // A database sorted by kNumber, opened in that order.
    static void CreateNumbered(CeDb& db, const WCHAR* name = u"Numbers")
    {
        SORTORDERSPEC sort{kNumberId, 0};
        ASSERT_TRUE(db.Create(name, 0, 1, &sort));
        ASSERT_TRUE(db.Open(name, kNumberId, 0, nullptr));
    }
    // Adds a record of a number, a title and a blob; returns its OID.
    static CEOID Add(CeDb& db, LONG number, const WCHAR* title, std::vector<BYTE> body = {1, 2})
    {
        CeDbRecord record;
        const CEPROPID ids[] = {kNumberId, kTitleId, kBodyId};
        record.AddProps(ids, 3);
        record.SetIndexVal(0, number);
        record.SetIndexVal(1, title);
        record.SetIndexVal(2, CEBLOB{static_cast<DWORD>(body.size()), body.data()});
        EXPECT_TRUE(db.AddRec(record));
        return record.GetOid();
    }
    // Every property of record oid.
    static void ReadAll(CeDb& db, CEOID oid, CeDbRecord& record)
    {
        ASSERT_EQ(db.SeekTo(oid), oid);
        ASSERT_TRUE(db.ReadRec(record, 0, nullptr));
        EXPECT_EQ(record.GetOid(), oid);
    }
    std::string LogFile() const { return ReadHostFile("Kestrel_Log.txt"); }
};

TEST_F(CeDbTest, CreateDescribeAndDeleteDatabasesAndRecordsNameTheirDatabase)
{
    SORTORDERSPEC sorts[7];
    for (WORD i = 0; i < 7; ++i) sorts[i] = SORTORDERSPEC{MAKEPROPID(0x100 + i, CEVT_I4), 0};
    sorts[1].dwFlags = CEDB_SORT_DESCENDING;
    CeDb db;
    ASSERT_TRUE(db.Create(u"Sorted", 0x1234, 7, sorts));
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(db.GetOid(), &info));
    ASSERT_EQ(info.wObjType, OBJTYPE_DATABASE);
    EXPECT_EQ(U8(info.infDatabase.szDbaseName), "Sorted");
    EXPECT_EQ(info.infDatabase.dwDbaseType, 0x1234u);
    ASSERT_EQ(info.infDatabase.wNumSortOrder, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(info.infDatabase.rgSortSpecs[i].propid, sorts[i].propid) << i;
    EXPECT_EQ(info.infDatabase.rgSortSpecs[1].dwFlags, CEDB_SORT_DESCENDING);
    EXPECT_FALSE(db.Open(u"Sorted", sorts[4].propid, 0, nullptr)) << "the fifth was not kept";
    EXPECT_TRUE(db.Open(u"Sorted", sorts[3].propid, 0, nullptr));

    CeDb plain;
    ASSERT_TRUE(plain.Create(u"Plain", 0, 3, nullptr));
    ASSERT_TRUE(CeOidGetInfo(plain.GetOid(), &info));
    EXPECT_EQ(info.infDatabase.wNumSortOrder, 0) << "a count without sorts means none";
    EXPECT_FALSE(CeDb().Create(u"plain", 0, 0, nullptr)) << "the name is taken";
    // Description changes close the database; Delete removes it.
    CeDb named;
    CreateNumbered(named);
    ASSERT_TRUE(named.SetDbaseType(77));
    EXPECT_FALSE(named.IsOpen());
    ASSERT_TRUE(named.SetName(u"A name that is far longer than the engine allows"));
    ASSERT_TRUE(named.SetLastModified(FILETIME{0x12345678u, 0x01D00000u}));
    CEOIDINFO described{};
    ASSERT_TRUE(CeOidGetInfo(named.GetOid(), &described));
    EXPECT_EQ(described.infDatabase.dwDbaseType, 77u);
    EXPECT_EQ(U8(described.infDatabase.szDbaseName), "A name that is far longer than ");
    EXPECT_EQ(U8(named.GetName()), "A name that is far longer than ");
    EXPECT_EQ(described.infDatabase.ftLastModified.dwLowDateTime, 0x12345678u);
    EXPECT_EQ(described.infDatabase.wNumSortOrder, 1) << "fields not flagged stay";

    ASSERT_TRUE(named.Open(named.GetOid(), kNumberId, 0, nullptr));
    ASSERT_TRUE(named.Delete());
    EXPECT_FALSE(named.IsOpen());
    CeDb unopened;
    EXPECT_FALSE(unopened.Open(u"A name that is far longer than ", 0, 0, nullptr));
    EXPECT_EQ(unopened.GetHandle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(unopened.Delete()) << "no OID";

    // Records name their database until deleted.
    CreateNumbered(named, u"\\Categories Database");
    CEOID oid = Add(named, 1, u"x");
    // Writes are in the store at once: nothing is left to commit, and the session is not the database.
    EXPECT_TRUE(named.Commit());
    named.CloseSession();
    EXPECT_TRUE(named.IsOpen());
    CeDb reader;
    ASSERT_TRUE(reader.Open(u"\\Categories Database", 0, 0, nullptr));
    const platform::OwnedBstr name = platform::OwnedBstr::Adopt(reader.GetDatabaseNameFromOID(oid));
    EXPECT_EQ(U8(name), "\\Categories Database");
    EXPECT_EQ(named.GetDatabaseNameFromOID(named.GetOid()), nullptr) << "a database is no record";
    EXPECT_EQ(named.GetDatabaseNameFromOID(0), nullptr);
    ASSERT_TRUE(named.DeleteRecord(oid));
    EXPECT_EQ(named.GetDatabaseNameFromOID(oid), nullptr);
    EXPECT_FALSE(named.DeleteRecord(oid));
    EXPECT_EQ(named.GetNumRecords(), 0);
}

TEST_F(CeDbTest, RecordsRoundTripMissingPropertiesAreMarkedUpdatesMergeAndReadsFillTheCallersBuffer)
{
    CeDb db;
    CreateNumbered(db);
    CeDbRecord record;
    const CEPROPID ids[] = {kNumberId, kTitleId, kBodyId, kWhenId, kFlagId};
    record.AddProps(ids, 5);
    record.SetIndexVal(0, LONG{-5});
    record.SetIndexVal(1, u"Zoë's list");
    BYTE body[] = {0, 1, 0xFE};
    record.SetIndexVal(2, CEBLOB{3, body});
    record.SetIndexVal(3, FILETIME{1, 2});
    record.SetIndexVal(4, SHORT{-3});
    ASSERT_TRUE(db.AddRec(record));

    CeDbRecord read;
    ReadAll(db, record.GetOid(), read);
    EXPECT_EQ(read.GetCount(), 5);
    EXPECT_TRUE(read.IsPlatformBuffer());
    EXPECT_EQ(read.GetDatabase(), db.GetHandle());
    EXPECT_EQ(TextOf(read, kNumberId) + "|" + TextOf(read, kTitleId) + "|" + TextOf(read, kBodyId) + "|" +
                  TextOf(read, kFlagId),
              "-5|Zoë's list|00 01 FE |-3");
    FILETIME when{};
    EXPECT_TRUE(read.GetIdVal(0x420D, when, CEVT_FILETIME) && when.dwLowDateTime == 1 && when.dwHighDateTime == 2);

    // A read list naming a property the record lacks.
    ULONG partial[] = {kTitleId, MAKEPROPID(0x9999, CEVT_LPWSTR)};
    ASSERT_TRUE(db.ReadRec(read, 2, partial));
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(read.GetProps()[1].wFlags, CEDB_PROPNOTFOUND);
    EXPECT_EQ(TextOf(read, kTitleId), "Zoë's list");
    // Updates merge, and reads fill the caller's buffer.
    CeDb updated;
    CreateNumbered(updated, u"Updated");
    CEOID oid = Add(updated, 7, u"title");
    CeDbRecord change;
    const CEPROPID changeIds[] = {kTitleId, kFlagId};
    change.AddProps(changeIds, 2);
    change.SetIndexVal(1, SHORT{1});
    change.RemProp(0);
    change.SetOid(oid);
    ASSERT_TRUE(updated.UpdateRec(change));
    CeDbRecord merged;
    ReadAll(updated, oid, merged);
    EXPECT_EQ(TextOf(merged, kTitleId), "<absent>");
    EXPECT_EQ(TextOf(merged, kFlagId), "1");
    EXPECT_EQ(TextOf(merged, kNumberId), "7") << "properties not named stay";
    change.SetOid(0);
    EXPECT_FALSE(updated.UpdateRec(change)) << "no OID: nothing is written";
    EXPECT_EQ(updated.GetNumRecords(), 1);

    CEOID other = Add(updated, 3, u"buffered");
    ULONG readIds[] = {kNumberId, kTitleId};
    ASSERT_EQ(updated.SeekTo(other), other);
    auto* big = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, 1024));
    ASSERT_TRUE(updated.ReadRec(merged, big, 1024, 2, readIds));
    EXPECT_EQ(merged.GetProps(), big);
    EXPECT_EQ(TextOf(merged, kTitleId), "buffered");
    auto* tiny = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, 8));
    EXPECT_FALSE(updated.ReadRec(merged, tiny, 8, 2, readIds));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(merged.GetProps(), tiny) << "owned (and freed) by the record all the same";
    EXPECT_EQ(merged.GetCount(), 0);
}

TEST_F(CeDbTest, SeeksWalkTheOpenSortOrderAndAMountedVolumeHasItsOwnDatabases)
{
    CeDb db;
    CreateNumbered(db);
    CEOID c = Add(db, 30, u"c");
    CEOID a = Add(db, 10, u"a");
    CEOID b1 = Add(db, 20, u"b1");
    CEOID b2 = Add(db, 20, u"b2");
    ASSERT_TRUE(db.Open(u"Numbers", kNumberId, 0, nullptr));
    EXPECT_EQ(db.GetNumRecords(), 4);

    EXPECT_EQ(db.SeekFirst(), a);
    CEOID second = db.SeekNext();
    EXPECT_TRUE(second == b1 || second == b2);
    EXPECT_EQ(db.SeekLast(), c);
    CEOID beforeLast = db.SeekPrev();
    EXPECT_EQ(db.SeekEnd(-1), beforeLast) << "a failed seek leaves the position";
    EXPECT_EQ(db.SeekBegin(3), c);
    EXPECT_EQ(db.SeekCurrent(-3), a);
    ULONG index = 99;
    EXPECT_EQ(db.Seek(CEDB_SEEK_CEOID, c, 0, &index), c);
    EXPECT_EQ(index, 3u);

    CEPROPVAL key{kNumberId, 0, 0, {}};
    key.val.lVal = 20;
    CEOID first = db.SeekRec(&key);
    CEOID next = db.SeekNextRec(&key);
    EXPECT_TRUE((first == b1 && next == b2) || (first == b2 && next == b1));
    EXPECT_EQ(db.SeekGreaterRec(&key), c);
    EXPECT_EQ(db.SeekSmallerRec(&key), a);

    // A window to notify holds a request until the database closes.
    kstest::OwnWindow window([](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); });
    EXPECT_EQ(db.GetNotificationRequest(), nullptr);
    ASSERT_TRUE(db.Open(u"Numbers", 0, 0, window.Hwnd()));
    ASSERT_NE(db.GetNotificationRequest(), nullptr);
    EXPECT_EQ(db.GetNotificationRequest()->hwnd, window.Hwnd());
    db.Close();
    EXPECT_EQ(db.GetNotificationRequest(), nullptr);
    CeDb onCard;
    ASSERT_TRUE(onCard.MountVolume(u"\\notes.vol"));
    EXPECT_FALSE(CHECK_SYSTEMGUID(&onCard.GetVolume()));
    EXPECT_TRUE(onCard.MountVolume(u"\\NOTES.VOL")) << "already the one mounted";
    EXPECT_FALSE(onCard.MatchDatabaseGUID(CEGUID{}));
    CreateNumbered(onCard, u"CardNotes");
    Add(onCard, 5, u"on the card");
    EXPECT_EQ(onCard.GetNumRecords(), 1);
    EXPECT_FALSE(CeDb().Open(u"CardNotes", 0, 0, nullptr)) << "not in the object store";

    {
        CeDb borrower;
        ASSERT_TRUE(borrower.MountVolume(&onCard, nullptr, true));
        EXPECT_TRUE(borrower.MatchDatabaseGUID(onCard.GetVolume()));
        EXPECT_EQ(U8(borrower.GetVolumeName()), "\\notes.vol");
        EXPECT_TRUE(borrower.Open(u"CardNotes", 0, 0, nullptr));
        ASSERT_TRUE(borrower.MountVolume(&onCard, nullptr, false)) << "gives back its mount, takes none";
        EXPECT_FALSE(borrower.MountVolume(nullptr, nullptr, false));
    }
    // The borrower unmounted only its own mount.
    EXPECT_EQ(onCard.GetNumRecords(), 1);
    EXPECT_TRUE(onCard.Open(u"CardNotes", 0, 0, nullptr));
    onCard.Close();
    onCard.UnMountVolume();
    EXPECT_TRUE(CHECK_SYSTEMGUID(&onCard.GetVolume()));

    EXPECT_FALSE(onCard.MountVolume(u"\\no such folder\\x.vol"));
    EXPECT_NE(onCard.GetMountStatus(), 0);
    EXPECT_EQ(onCard.GetMountStatus(), static_cast<SHORT>(GetLastError()));
}

TEST_F(CeDbTest, HandleErrorIsSilentForExpectedErrorsTellsOfOutOfSpaceAndTracesTheRest)
{
    ScriptedUiHost host;
    CeDb db;
    for (DWORD code : {2u, 25u, 1168u, 112u}) {
        SetLastError(code);
        EXPECT_EQ(db.HandleError(u"Seek"), code);
        EXPECT_EQ(GetLastError(), code);
    }
    EXPECT_EQ(LogFile(), "");
    ASSERT_EQ(host.MessageCount(), 1u);
    EXPECT_EQ(host.LastMessage().flags & MB_ICONMASK, MB_ICONERROR);
    const WCHAR* notice = nullptr;
    ASSERT_GT(LoadStringW(nullptr, IDS_OUT_OF_MEMORY_NOTICE, reinterpret_cast<LPWSTR>(&notice), 0), 0);
    EXPECT_EQ(host.LastMessage().text, std::u16string(notice));
    // Every other error is traced with its text.
    const std::pair<DWORD, const char*> cases[] = {
        {5, "ERROR_ACCESS_DENIED"},
        {6, "Invalid Database Handle"},
        {24, "Indicates that the data that is to be written exceeds the maximum record size"},
        {32, "ERROR_SHARING_VIOLATION"},
        {52, "ERROR_DUP_NAME"},
        {87, "Invalid Parameter"},
        {122, "ERROR_INSUFFICIENT_BUFFER"},
        {183, "ERROR_ALREADY_EXISTS"},
        {1018, "ERROR_KEY_DELETED"},
        {1234, "An error occured: 1234"},
    };
    db.Open(u"KestrelLinks", 0, 0, nullptr);
    for (auto [code, text] : cases) {
        SetLastError(code);
        EXPECT_EQ(db.HandleError(u"ReadRec"), code);
        EXPECT_EQ(GetLastError(), code) << "the error stays available";
        EXPECT_NE(LogFile().find(std::string(": ReadRec DB(KestrelLinks): ") + text + "\r\n"), std::string::npos)
            << code;  // the line format is the trace log's
    }

    CeDb odd;
    odd.Open(u"100% %s", 0, 0, nullptr);
    SetLastError(87);
    odd.HandleError(u"%d%n");
    EXPECT_NE(LogFile().find(": %d%n DB(100% %s): Invalid Parameter\r\n"), std::string::npos) << "not formats";
}

}  // namespace
