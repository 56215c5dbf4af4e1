// Databases and volumes. Sections: Names and descriptions (with sort-order
// replacement); Deleting, enumerating, identifiers and handles (object
// identifiers never reused, handles dead after a close); Mounted volumes;
// Damaged files (and what the check reports); Counters at their limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/text/debug_output.h"

#include "platform/base/error_codes.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/last_error_check.h"
#include "tests/support/store_records.h"

namespace {

using namespace cedbtest;
using ::testing::AllOf;
using ::testing::HasSubstr;

class CedbDatabases : public CedbSandbox {
protected:
    static CEOIDINFO Info(CEOID oid, CEGUID* volume = nullptr)
    {
        CEOIDINFO info{};
        EXPECT_TRUE(CeOidGetInfoEx(volume, oid, &info)) << GetLastError();
        return info;
    }
    static std::u16string NameOf(CEOID oid) { return Info(oid).infDatabase.szDbaseName; }
    static std::vector<CEOID> Find(DWORD type, CEGUID* volume = nullptr)
    {
        HANDLE find = CeFindFirstDatabaseEx(volume, type);
        EXPECT_NE(find, INVALID_HANDLE_VALUE);
        std::vector<CEOID> oids;
        for (CEOID oid = CeFindNextDatabaseEx(find, volume); oid; oid = CeFindNextDatabaseEx(find, volume))
            oids.push_back(oid);
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
        CloseHandle(find);
        return oids;
    }
    static CEDBASEINFO Named(const std::u16string& name, DWORD flags = CEDB_VALIDNAME)
    {
        CEDBASEINFO info{};
        info.dwFlags = flags;
        std::copy(name.begin(), name.end(), info.szDbaseName);
        return info;
    }
};

// ---- Names and descriptions -----------------------------------------------

TEST_F(CedbDatabases, NamesAreFlatCaseBlindAndCutAndDescriptionsAreToldAndSetTogether)
{
    CEOID categories = CreateDb(u"\\Categories Database", {});
    ASSERT_NE(categories, 0u) << GetLastError();
    EXPECT_TRUE(FAILS_WITH(CreateDb(u"\\CATEGORIES database", {}), 0u, ERROR_DUP_NAME));

    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, u"\\categories DATABASE", 0, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(oid, categories);
    CloseHandle(h);

    const char16_t* longName = u"A name of forty characters, quite long!!";
    CEOID cut = CeCreateDatabase(longName, 0, 0, nullptr);
    ASSERT_NE(cut, 0u);
    EXPECT_EQ(NameOf(cut), std::u16string(longName).substr(0, 31));
    for (const char16_t* asked : {u"A name of forty characters, qui", longName, u"a NAME of forty characters, QUI!?"}) {
        oid = 0;
        h = CeOpenDatabase(&oid, asked, 0, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(oid, cut);
        CloseHandle(h);
    }

    oid = 0;
    EXPECT_TRUE(
        FAILS_WITH(CeOpenDatabase(&oid, u"Nothing here", 0, 0, nullptr), INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(CreateDb(u"", {}), 0u, ERROR_INVALID_PARAMETER));
    auto before = std::chrono::system_clock::now();
    CEOID links = CreateDb(u"KestrelLinks", {{MAKEPROPID(1, CEVT_UI4), 0}, {MAKEPROPID(2, CEVT_LPWSTR), 6}}, 0x1234);
    CEOIDINFO info = Info(links);
    EXPECT_EQ(info.wObjType, OBJTYPE_DATABASE);
    EXPECT_EQ(std::u16string(info.infDatabase.szDbaseName), u"KestrelLinks");
    EXPECT_EQ(info.infDatabase.dwDbaseType, 0x1234u);
    ASSERT_EQ(info.infDatabase.wNumSortOrder, 2);
    EXPECT_EQ(info.infDatabase.rgSortSpecs[1].propid, MAKEPROPID(2, CEVT_LPWSTR));
    EXPECT_EQ(info.infDatabase.rgSortSpecs[1].dwFlags, 6u);
    EXPECT_EQ(info.infDatabase.wNumRecords, 0);
    auto ft = static_cast<long long>(platform::FileTimeValue(info.infDatabase.ftLastModified));
    long long expected = 116444736000000000LL +
                         std::chrono::duration_cast<std::chrono::microseconds>(before.time_since_epoch()).count() * 10;
    EXPECT_NEAR(static_cast<double>(ft), static_cast<double>(expected), 600000000.0);  // within a minute

    EXPECT_TRUE(FAILS_WITH(CreateDb(u"Bad order", {{MAKEPROPID(1, 0x99), 0}}), 0u, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(CreateDb(u"Bad flags", {{MAKEPROPID(1, CEVT_I4), 0x100}}), 0u, ERROR_INVALID_PARAMETER));
    CEDBASEINFO five{};
    five.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
    five.szDbaseName[0] = u'x';
    five.wNumSortOrder = 5;
    EXPECT_TRUE(FAILS_WITH(CeCreateDatabaseEx(nullptr, &five), 0u, ERROR_INVALID_PARAMETER));
    // Setting the description renames, retypes, dates and reorders together.
    CEOID journal = CreateDb(u"KestrelJournal", {{MAKEPROPID(1, CEVT_I4), 0}});
    CEOID other = CreateDb(u"Taken", {});
    h = OpenDb(journal);
    std::vector<CEOID> oids = {Write(h, 0, {I4(1, 2), Str(2, u"b")}), Write(h, 0, {I4(1, 1), Str(2, u"c")}),
                               Write(h, 0, {I4(1, 3), Str(2, u"a")})};

    CEDBASEINFO renamed = Named(u"KestrelJournal_2", CEDB_VALIDNAME | CEDB_VALIDSORTSPEC);
    renamed.wNumSortOrder = 2;
    renamed.rgSortSpecs[0] = {MAKEPROPID(2, CEVT_LPWSTR), 0};
    renamed.rgSortSpecs[1] = {MAKEPROPID(1, CEVT_I4), CEDB_SORT_DESCENDING};
    EXPECT_TRUE(FAILS_WITH(CeSetDatabaseInfo(journal, &renamed), FALSE,
                           ERROR_SHARING_VIOLATION));  // open: its order cannot change
    CloseHandle(h);
    ASSERT_TRUE(CeSetDatabaseInfo(journal, &renamed)) << GetLastError();
    EXPECT_EQ(NameOf(journal), u"KestrelJournal_2");

    h = OpenDb(journal, MAKEPROPID(2, CEVT_LPWSTR));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Order(h), (std::vector<CEOID>{oids[2], oids[0], oids[1]}));
    // Renaming, retyping or dating leaves an open handle alone.
    CEDBASEINFO more{};
    more.dwFlags = CEDB_VALIDTYPE | CEDB_VALIDMODTIME;
    more.dwDbaseType = 77;
    more.ftLastModified = {0x89ABCDEF, 0x01234567};
    ASSERT_TRUE(CeSetDatabaseInfo(journal, &more));
    EXPECT_EQ(Order(h), (std::vector<CEOID>{oids[2], oids[0], oids[1]}));
    CloseHandle(h);
    CEOIDINFO got = Info(journal);
    EXPECT_EQ(got.infDatabase.dwDbaseType, 77u);
    EXPECT_EQ(platform::FileTimeValue(got.infDatabase.ftLastModified), 0x0123456789ABCDEFull);

    h = OpenDb(journal, MAKEPROPID(1, CEVT_I4));
    EXPECT_EQ(Order(h), (std::vector<CEOID>{oids[2], oids[0], oids[1]}));
    CloseHandle(h);
    EXPECT_EQ(OpenDb(journal, MAKEPROPID(3, CEVT_I4)), INVALID_HANDLE_VALUE);

    CEDBASEINFO clash = Named(u"TAKEN");
    EXPECT_TRUE(FAILS_WITH(CeSetDatabaseInfo(journal, &clash), FALSE, ERROR_DUP_NAME));
    clash = Named(u"kestreljournal_2");  // its own name in other case
    EXPECT_TRUE(CeSetDatabaseInfo(journal, &clash));
    EXPECT_EQ(NameOf(journal), u"kestreljournal_2");
    EXPECT_FALSE(CeSetDatabaseInfo(other + 100000, &clash));
    EXPECT_EQ(StoreProblems(), "");
}

// ---- Deleting, enumerating, identifiers and handles -----------------------

TEST_F(CedbDatabases, DeletingFreesTheNameEnumerationSkipsDeletedAndIdentifiersAreNeverReused)
{
    CEOID db = CreateDb(u"Scratch", {});
    HANDLE h = OpenDb(db);
    CEOID record = Write(h, 0, {I4(1, 1)});
    EXPECT_TRUE(FAILS_WITH(CeDeleteDatabase(db), FALSE, ERROR_SHARING_VIOLATION));
    CloseHandle(h);
    ASSERT_TRUE(CeDeleteDatabase(db));
    CEOIDINFO info{};
    EXPECT_TRUE(FAILS_WITH(CeOidGetInfo(record, &info), FALSE, ERROR_NOT_FOUND));
    EXPECT_FALSE(CeOidGetInfo(db, &info));
    EXPECT_TRUE(FAILS_WITH(CeDeleteDatabase(db), FALSE, ERROR_FILE_NOT_FOUND));
    CEOID again = CreateDb(u"scratch", {});
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, db);
    ASSERT_TRUE(CeDeleteDatabase(again));

    CEOID a = CreateDb(u"A", {}, 5);
    CEOID b = CreateDb(u"B", {}, 6);
    CEOID c = CreateDb(u"C", {}, 5);
    EXPECT_EQ(Find(0), (std::vector<CEOID>{a, b, c}));
    EXPECT_EQ(Find(5), (std::vector<CEOID>{a, c}));
    EXPECT_EQ(Find(7), std::vector<CEOID>{});

    HANDLE find = CeFindFirstDatabaseEx(nullptr, 0);
    EXPECT_EQ(CeFindNextDatabaseEx(find, nullptr), a);
    CeDeleteDatabase(b);
    EXPECT_EQ(CeFindNextDatabaseEx(find, nullptr), c);
    EXPECT_EQ(CeFindNextDatabaseEx(find, nullptr), 0u);
    CloseHandle(find);
    EXPECT_TRUE(FAILS_WITH(CeFindNextDatabaseEx(find, nullptr), 0u, ERROR_INVALID_HANDLE));
    CEOID db1 = CreateDb(u"One", {});
    CEOID db2 = CreateDb(u"Two", {});
    HANDLE h1 = OpenDb(db1), h2 = OpenDb(db2);
    std::set<CEOID> seen = {db1, db2};
    std::vector<CEOID> live;
    for (int i = 0; i < 300; ++i) {
        CEOID oid = Write(i % 2 ? h1 : h2, 0, {I4(1, i)});
        ASSERT_NE(oid, 0u);
        EXPECT_TRUE(seen.insert(oid).second) << "reused " << oid;
        live.push_back(oid);
        if (i % 3 == 0) {
            EXPECT_TRUE(CeDeleteRecord(i % 2 ? h1 : h2, live.front()) || CeDeleteRecord(i % 2 ? h2 : h1, live.front()));
            live.erase(live.begin());
        }
    }
    CloseHandle(h1);
    CloseHandle(h2);
    // Also after the store was closed and opened again.
    platform::CloseObjectStore();
    CEOID db3 = CreateDb(u"Three", {});
    EXPECT_TRUE(seen.insert(db3).second);
    HANDLE h3 = OpenDb(db3);
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(seen.insert(Write(h3, 0, {})).second);
    const CEOID last = Write(h3, 0, {I4(1, 5)});
    // Closing the store kills its handles, not its data.
    platform::CloseObjectStore();
    EXPECT_TRUE(FAILS_WITH(Write(h3, 0, {I4(1, 6)}), 0u, ERROR_INVALID_HANDLE));
    EXPECT_EQ(Read(h3).error, ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseHandle(h3));
    h3 = OpenDb(db3);
    ASSERT_EQ(Seek(h3, CEDB_SEEK_CEOID, last), last);
    EXPECT_EQ(Read(h3).props, std::vector<std::string>{"1/I4=5"});
    CloseHandle(h3);
    EXPECT_FALSE(CloseHandle(h3));
}

// ---- Mounted volumes ------------------------------------------------------

TEST_F(CedbDatabases, MountedVolumesAreSeparateStoresAndOtherFilesAreRefused)
{
    CEGUID vol{};
    EXPECT_TRUE(FAILS_WITH(CeMountDBVol(&vol, u"\\Notes\\notes.cdb", CEDB_OPEN_ALWAYS), FALSE,
                           ERROR_PATH_NOT_FOUND));  // no folder \Notes yet
    std::filesystem::create_directories(Host("Notes"));
    ASSERT_TRUE(CeMountDBVol(&vol, u"\\Notes\\notes.cdb", CEDB_OPEN_ALWAYS)) << GetLastError();
    EXPECT_FALSE(CHECK_SYSTEMGUID(&vol));
    CEGUID again{};
    ASSERT_TRUE(CeMountDBVol(&again, u"\\notes\\NOTES.CDB", CEDB_OPEN_EXISTING));
    EXPECT_EQ(std::memcmp(&vol, &again, sizeof vol), 0);

    CEOID db = CreateDb(u"Notes", {{MAKEPROPID(1, CEVT_LPWSTR), 0}}, 0, &vol);
    ASSERT_NE(db, 0u) << GetLastError();
    HANDLE h = OpenDb(db, 0, 0, nullptr, &vol);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CEOID note = Write(h, 0, {Str(1, u"hello")});
    CloseHandle(h);
    EXPECT_EQ(Find(0, &vol), std::vector<CEOID>{db});
    EXPECT_EQ(Find(0), std::vector<CEOID>{});  // not in the object store
    EXPECT_EQ(Info(note, &vol).infRecord.oidParent, db);
    CEOIDINFO info{};
    EXPECT_FALSE(CeOidGetInfo(note, &info));
    ASSERT_GT(std::filesystem::file_size(Host("Notes/notes.cdb-wal")), 0u);
    EXPECT_TRUE(CeFlushDBVol(&vol));
    EXPECT_EQ(std::filesystem::file_size(Host("Notes/notes.cdb-wal")), 0u);  // all in the volume file now

    EXPECT_TRUE(CeUnmountDBVol(&vol));
    EXPECT_NE(CreateDb(u"Still mounted once", {}, 0, &vol), 0u);
    EXPECT_TRUE(CeUnmountDBVol(&vol));
    EXPECT_TRUE(FAILS_WITH(CreateDb(u"Not mounted", {}, 0, &vol), 0u, ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(CeUnmountDBVol(&vol));

    ASSERT_TRUE(CeMountDBVol(&vol, u"\\Notes\\notes.cdb", CEDB_OPEN_EXISTING));
    h = OpenDb(db, 0, 0, nullptr, &vol);
    EXPECT_EQ(Read(h).props, std::vector<std::string>{"1/LPWSTR='hello'"});
    CloseHandle(h);
    EXPECT_EQ(StoreProblems(&vol), "");
    CeUnmountDBVol(&vol);

    EXPECT_TRUE(
        FAILS_WITH(CeMountDBVol(&vol, u"\\Notes\\missing.cdb", CEDB_OPEN_EXISTING), FALSE, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(CeMountDBVol(&vol, u"\\Notes", CEDB_OPEN_ALWAYS), FALSE, ERROR_ACCESS_DENIED));
    EXPECT_TRUE(FAILS_WITH(CeMountDBVol(&vol, u"\\Notes\\x.cdb", 2), FALSE, ERROR_INVALID_PARAMETER));
    CEGUID invalid;
    CREATE_INVALIDGUID(&invalid);
    EXPECT_EQ(CeFindFirstDatabaseEx(&invalid, 0), INVALID_HANDLE_VALUE);

    MakeHostFile("garbage.cdb", std::string(8192, 'x'));
    EXPECT_TRUE(FAILS_WITH(CeMountDBVol(&vol, u"\\garbage.cdb", CEDB_OPEN_EXISTING), FALSE, ERROR_BAD_FORMAT));

    // Another program's SQLite file.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Host("other.db").c_str(), &other), SQLITE_OK);
    sqlite3_exec(other, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(FAILS_WITH(CeMountDBVol(&vol, u"\\other.db", CEDB_OPEN_EXISTING), FALSE, ERROR_BAD_FORMAT));

    platform::CloseObjectStore();
    std::ofstream(home_ + "/objectstore.db", std::ios::binary) << std::string(4096, '\x5A');
    EXPECT_TRUE(FAILS_WITH(CreateDb(u"Anything", {}), 0u, ERROR_BAD_FORMAT));
    EXPECT_THAT(StoreProblems(), HasSubstr("cannot open"));
}

// ---- Damaged files --------------------------------------------------------

TEST_F(CedbDatabases, DamagedRecordsGiveErrorsAndTheCheckNamesThemAndBadKeysAndCounts)
{
    CEOID db = CreateDb(u"Fragile", {{MAKEPROPID(1, CEVT_I4), 0}});
    HANDLE h = OpenDb(db);
    CEOID good = Write(h, 0, {I4(1, 1), Str(2, u"fine")});
    CEOID lying = Write(h, 0, {I4(1, 2), Str(2, u"soon broken")});
    CEOID unknown = Write(h, 0, {I4(1, 3)});
    CloseHandle(h);
    std::string report;
    ASSERT_TRUE(platform::CheckObjectStore(nullptr, report)) << report;
    EXPECT_NE(report.find("1 databases, 3 records: ok"), std::string::npos) << report;

    // A string that claims 0x7FFFFFFF units, and a property of type 0x99.
    kstest::TamperObjectStore(
        "UPDATE records SET props = X'010200' || X'03000100' || X'02000000' || X'1F000200' || X'FFFFFF7F' || "
        "X'41004200' WHERE oid = " +
        std::to_string(lying) + ";" +
        "UPDATE records SET props = X'0101009900010001000000' WHERE oid = " + std::to_string(unknown) + ";");
    h = OpenDb(db);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    static std::u16string traced;
    traced.clear();
    auto before = platform::SetDebugOutputSink([](std::u16string_view text) { traced += text; });
    ASSERT_EQ(Seek(h, CEDB_SEEK_CEOID, lying), lying);
    EXPECT_EQ(Read(h).error, ERROR_FILE_CORRUPT);
    platform::SetDebugOutputSink(before);
    const std::string expectedTrace = "record " + std::to_string(lying) + " is damaged";
    EXPECT_NE(traced.find(std::u16string(expectedTrace.begin(), expectedTrace.end())), std::u16string::npos)
        << "the damage reaches the developer's trace";
    EXPECT_TRUE(FAILS_WITH(Write(h, lying, {I4(5, 5)}), 0u, ERROR_FILE_CORRUPT));
    ASSERT_EQ(Seek(h, CEDB_SEEK_CEOID, unknown), unknown);
    EXPECT_EQ(Read(h).error, ERROR_FILE_CORRUPT);
    // The rest of the database reads as before, and a damaged record can go.
    ASSERT_EQ(Seek(h, CEDB_SEEK_CEOID, good), good);
    EXPECT_EQ(Read(h).props, (std::vector<std::string>{"1/I4=1", "2/LPWSTR='fine'"}));
    EXPECT_THAT(StoreProblems(), HasSubstr("properties unreadable"));
    EXPECT_TRUE(CeDeleteRecord(h, unknown));
    EXPECT_TRUE(CeDeleteRecord(h, lying));
    CloseHandle(h);
    EXPECT_EQ(StoreProblems(), "");

    kstest::TamperObjectStore("UPDATE records SET k0 = X'0100' WHERE oid = " + std::to_string(good) +
                              "; UPDATE databases SET records = 65539;");
    EXPECT_THAT(StoreProblems(), AllOf(HasSubstr("sort key 0"), HasSubstr("says 65539 records, holds 1")));
    EXPECT_EQ(Info(db).infDatabase.wNumRecords, 3) << "counts are reported in 16 bits";
}

TEST_F(CedbDatabases, DamagedPagesGiveErrorsNotCrashes)
{
    CEOID db = CreateDb(u"Paged", {{MAKEPROPID(1, CEVT_LPWSTR), 0}});
    HANDLE h = OpenDb(db);
    std::u16string text(400, u'x');
    for (int i = 0; i < 200; ++i) Write(h, 0, {Str(1, text.c_str()), I4(2, i)});
    CloseHandle(h);
    ASSERT_TRUE(CeFlushDBVol(nullptr));
    platform::CloseObjectStore();
    {
        std::fstream file(platform::ObjectStorePath(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096 * 6);
        file << std::string(4096 * 8, '\x5A');
    }
    EXPECT_THAT(StoreProblems(), HasSubstr("problem"));
    // Whatever each call meets, it answers with a result.
    h = OpenDb(db, 0, CEDB_AUTOINCREMENT);
    int failures = 0;
    for (int i = 0; i < 250; ++i) {
        ReadResult r = Read(h);
        if (r.oid) continue;
        ++failures;
        EXPECT_TRUE(r.error == ERROR_NOT_FOUND || r.error == ERROR_FILE_CORRUPT) << r.error;
        Seek(h, CEDB_SEEK_CURRENT, 1);
    }
    EXPECT_GT(failures, 0);
    CloseHandle(h);
}

// ---- Counters at their limits ---------------------------------------------

TEST_F(CedbDatabases, IdentifierCounterWrapsPastUsedIdentifiers)
{
    CEOID db = CreateDb(u"Wrapping", {});
    HANDLE h = OpenDb(db);
    CEOID taken = Write(h, 0, {I4(1, 1)});
    CloseHandle(h);
    // The counter pointing at identifiers in use (as after a wrap) steps over them.
    kstest::TamperObjectStore("UPDATE meta SET value = " + std::to_string(db) + " WHERE key = 'next_oid'");
    h = OpenDb(db);
    CEOID next = Write(h, 0, {I4(1, 2)});
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, db);
    EXPECT_NE(next, taken);
    CloseHandle(h);
    // At the top of the range it goes on from 1.
    kstest::TamperObjectStore("UPDATE meta SET value = 4294967295 WHERE key = 'next_oid'");
    h = OpenDb(db);
    EXPECT_EQ(Write(h, 0, {I4(1, 3)}), 0xFFFFFFFFu);
    EXPECT_EQ(Write(h, 0, {I4(1, 4)}), 1u);
    EXPECT_EQ(Write(h, 0, {I4(1, 5)}), 2u);
    EXPECT_EQ(Order(h).size(), 5u);
    CloseHandle(h);
    EXPECT_EQ(StoreProblems(), "");
}

}  // namespace
