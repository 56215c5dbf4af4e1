// The records' search text through rewrites, deletes and the opening of a volume made without it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/objectstore/search_text_index.h"
#include "tests/platform/objectstore/cedb_test_support.h"

using namespace cedbtest;

namespace {

using SearchTextTest = CedbSandbox;

// Runs SQL on the closed store file.
void OnFile(const char* sql)
{
    platform::CloseObjectStore();
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(platform::ObjectStorePath().c_str(), &file), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(file, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(file);
    sqlite3_close(file);
}

std::int64_t CountOnFile(const std::string& sql)
{
    platform::CloseObjectStore();
    sqlite3* file = nullptr;
    sqlite3_stmt* st = nullptr;
    std::int64_t count = -1;
    if (sqlite3_open(platform::ObjectStorePath().c_str(), &file) == SQLITE_OK &&
        sqlite3_prepare_v2(file, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        count = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(file);
    return count;
}

TEST_F(SearchTextTest, FindsTheRecordsHoldingEveryPieceThroughWritesAndReopening)
{
    const CEOID db = CreateDb(u"people", {}), other = CreateDb(u"other", {});
    HANDLE h = OpenDb(db);
    const CEOID heron = Write(h, 0, {Str(1, u"Blue Heron"), Str(2, u"(555) 123-4567"), I4(3, 7)});
    const CEOID kelvin = Write(h, 0, {Str(1, u"\u212Aelvin \u0130stanbul")});
    const CEOID moved = Write(h, 0, {Str(1, u"blue")});
    const CEOID gone = Write(h, 0, {Str(1, u"blue heron")});
    ASSERT_TRUE(Write(h, moved, {Str(1, u"red"), Str(4, u"HERON")}));
    ASSERT_TRUE(CeDeleteRecord(h, gone));
    CloseHandle(h);
    HANDLE o = OpenDb(other);
    Write(o, 0, {Str(1, u"blue heron")});
    CloseHandle(o);
    const struct {
        std::vector<std::u16string> pieces;
        DWORD flags;
        std::vector<CEOID> found;
    } cases[] = {
        {{u"blue", u"HERON"}, 0, {heron}},
        {{u"heron"}, 0, {heron, moved}},
        {{u"heron ("}, 0, {}},  // never across two properties
        {{u"5551234"}, 0, {}},
        {{u"5551234", u"blue"}, CEDB_SEARCHTEXT_PHONEFORMS, {heron}},
        // The first '5' starts no dialable "55123"; the second does.
        {{u"55123"}, CEDB_SEARCHTEXT_PHONEFORMS, {heron}},
        {{u"55123"}, 0, {}},
        {{u"1234567890"}, CEDB_SEARCHTEXT_PHONEFORMS, {}},
        {{u"kelvin", u"istanbul"}, 0, {kelvin}},
        {{}, 0, {heron, kelvin, moved}},
    };
    for (const char* sql : {"", "DROP TABLE search_text; DELETE FROM meta WHERE key = 'search_text'",
                            "UPDATE search_text SET text = ''; UPDATE meta SET value = 0 WHERE key = 'search_text'"}) {
        if (*sql) OnFile(sql);
        for (const auto& c : cases) {
            HANDLE read = OpenDb(db);
            std::vector<CEOID> oids;
            EXPECT_TRUE(CeFindSearchTextOids(read, c.pieces, c.flags, &oids));
            EXPECT_EQ(oids, c.found) << sql << " " << (c.pieces.empty() ? "" : WideToUtf8(c.pieces[0]));
            CloseHandle(read);
        }
    }
}

TEST_F(SearchTextTest, ANarrowedWalkReadsTheHoldersInOidOrderAcrossWritesUntilASeek)
{
    const CEOID db = CreateDb(u"notes", {}), sorted = CreateDb(u"sorted", {{MAKEPROPID(1, CEVT_LPWSTR), 0}});
    HANDLE w = OpenDb(db);
    const CEOID first = Write(w, 0, {Str(1, u"Blue Heron")}), miss = Write(w, 0, {Str(1, u"red")});
    const CEOID second = Write(w, 0, {I4(2, 5), Str(1, u"heron, blue")});
    HANDLE h = OpenDb(db, 0, CEDB_AUTOINCREMENT);
    const std::vector<std::u16string> pieces = {u"HERON", u"blue"};
    ASSERT_TRUE(CeRestrictToSearchText(h, pieces, 0));
    EXPECT_EQ(Read(h).oid, first);
    // A record written while the walk stands is read when the walk gets there.
    const CEOID later = Write(w, 0, {Str(1, u"blue heron again")});
    const ReadResult r = Read(h);
    EXPECT_EQ(r.oid, second);
    EXPECT_EQ(r.props, (std::vector<std::string>{"2/I4=5", "1/LPWSTR='heron, blue'"}));
    EXPECT_EQ(Read(h).oid, later);
    EXPECT_EQ(Read(h).error, ERROR_NOT_FOUND);
    // Forward seeks stay narrowed; any other seek lifts the narrowing.
    ASSERT_TRUE(CeRestrictToSearchText(h, pieces, 0));
    EXPECT_EQ(Read(h).oid, first);
    EXPECT_EQ(Seek(h, CEDB_SEEK_CURRENT, 1), later);
    EXPECT_EQ(Seek(h, CEDB_SEEK_BEGINNING, 0), first);
    EXPECT_EQ(Read(h).oid, first);
    EXPECT_EQ(Read(h).oid, miss);
    CloseHandle(h);
    CloseHandle(w);
    HANDLE s = OpenDb(sorted, MAKEPROPID(1, CEVT_LPWSTR));
    EXPECT_FALSE(CeRestrictToSearchText(s, pieces, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(s);
}

TEST_F(SearchTextTest, AWalkOverListedHoldersSeesWhatChangedAfterTheListing)
{
    const CEOID db = CreateDb(u"notes", {});
    HANDLE w = OpenDb(db);
    const CEOID first = Write(w, 0, {Str(1, u"Blue Heron")});
    const CEOID turned = Write(w, 0, {Str(1, u"blue heron too")});
    Write(w, 0, {Str(1, u"red")});
    // What happens between the listing (CeRestrictToSearchText) and the
    // reads; the reads run in the same transaction as the change.
    const struct {
        const char* what;
        bool inTransaction;
        const char16_t* added;     // a new record's text
        const char16_t* turnedTo;  // the second holder's new text
        int expected;              // holders read, the added one last
    } cases[] = {
        {"nothing", false, nullptr, nullptr, 2},
        {"a new holder", false, u"heron blue", nullptr, 3},
        {"a holder no longer holds", false, nullptr, u"grey heron", 1},
        {"both, not yet committed", true, u"blue heron", u"green heron", 2},
    };
    for (const auto& c : cases) {
        Write(w, turned, {Str(1, u"blue heron too")});
        HANDLE h = OpenDb(db, 0, CEDB_AUTOINCREMENT);
        // The second listing at a data version takes the texts kept in memory.
        ASSERT_TRUE(CeRestrictToSearchText(h, {u"heron", u"BLUE"}, 0)) << c.what;
        ASSERT_TRUE(CeRestrictToSearchText(h, {u"heron", u"BLUE"}, 0)) << c.what;
        std::vector<CEOID> expected = {first, turned}, read;
        auto change = [&] {
            if (c.added) expected.push_back(Write(w, 0, {Str(1, c.added)}));
            if (c.turnedTo) Write(w, turned, {Str(1, c.turnedTo)});
            expected.erase(std::remove(expected.begin(), expected.end(), c.turnedTo ? turned : 0), expected.end());
            for (ReadResult r = Read(h); r.error == ERROR_SUCCESS; r = Read(h)) read.push_back(r.oid);
            return false;
        };
        if (c.inTransaction)
            platform::RunObjectStoreTransaction(nullptr, change);
        else
            change();
        EXPECT_EQ(read, expected) << c.what;
        EXPECT_EQ(static_cast<int>(read.size()), c.expected) << c.what;
        // The undone transaction took its record back already.
        if (c.added && !c.inTransaction) {
            EXPECT_TRUE(CeDeleteRecord(w, expected.back()));
        }
        CloseHandle(h);
    }
    CloseHandle(w);
}

TEST_F(SearchTextTest, AListedWalkCutShortGoesOnAfterTheLastRecordItStoodOn)
{
    const CEOID db = CreateDb(u"notes", {});
    HANDLE w = OpenDb(db);
    std::vector<CEOID> holders;
    for (int i = 0; i < 6; ++i) {
        holders.push_back(Write(w, 0, {Str(1, u"blue heron")}));
        Write(w, 0, {Str(1, u"red")});
    }
    // Each step seeks that many holders past the next one (0: no seek; too
    // far: the seek fails and moves nothing) and reads; another handle's
    // read between any two calls ends the walk, which starts again from
    // where it stood.
    const struct {
        std::vector<int> seeks;
        std::vector<size_t> read;  // indexes into holders, then the rest
    } cases[] = {
        {{0, 0, 0, 0, 0, 0}, {0, 1, 2, 3, 4, 5}},
        {{1, 0, 2}, {1, 2, 5}},
        {{0, 3}, {0, 4, 5}},
        {{5}, {5}},
        {{6}, {0, 1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        HANDLE h = OpenDb(db, 0, CEDB_AUTOINCREMENT);
        // The second listing at a data version lists the matches.
        ASSERT_TRUE(CeRestrictToSearchText(h, {u"heron"}, 0));
        ASSERT_TRUE(CeRestrictToSearchText(h, {u"heron"}, 0));
        auto cut = [&] {
            std::vector<CEOID> ignored;
            ASSERT_TRUE(CeFindSearchTextOids(w, {u"red"}, 0, &ignored));
        };
        std::vector<CEOID> read, expected;
        for (size_t i : c.read) expected.push_back(holders[i]);
        for (int seek : c.seeks) {
            cut();
            if (seek) Seek(h, CEDB_SEEK_CURRENT, static_cast<DWORD_PTR>(seek));
            cut();
            read.push_back(Read(h).oid);
        }
        cut();
        const std::vector<CEOID> rest = ReadRest(h);
        read.insert(read.end(), rest.begin(), rest.end());
        EXPECT_EQ(read, expected) << ::testing::PrintToString(c.seeks);
        CloseHandle(h);
    }
    CloseHandle(w);
}

TEST_F(SearchTextTest, RecordsWrittenByAProgramWithoutTheTableAreStillFound)
{
    const CEOID db = CreateDb(u"people", {}), dropped = CreateDb(u"dropped", {});
    HANDLE h = OpenDb(db);
    const CEOID heron = Write(h, 0, {Str(1, u"blue heron")});
    const CEOID red = Write(h, 0, {Str(1, u"red")});
    const CEOID blue = Write(h, 0, {Str(1, u"blue")});
    HANDLE d = OpenDb(dropped);
    Write(d, 0, {Str(1, u"blue")});
    CloseHandle(d);
    ASSERT_TRUE(CeDeleteDatabase(dropped));
    EXPECT_EQ(CountOnFile("SELECT count(*) FROM search_text WHERE db = " + std::to_string(dropped)), 0);
    const CEOID added = 0xFFFFFFF0;  // above every OID the store gives
    const std::string of = std::to_string(heron);
    const std::string older = "UPDATE records SET props = (SELECT props FROM records WHERE oid = " + of +
                              ") WHERE oid = " + std::to_string(red) +
                              "; INSERT INTO records(oid, db, size, props) SELECT " + std::to_string(added) +
                              ", db, size, props FROM records WHERE oid = " + of +
                              "; DELETE FROM records WHERE oid = " + std::to_string(blue);
    const struct {
        std::string sql;
        std::u16string piece;
        std::vector<CEOID> found;
    } steps[] = {
        {older, u"blue", {heron, red, added}},
        {"", u"zzz", {red, added}},
        // A newer build's text is not filled again.
        {"UPDATE search_text SET text = ''; UPDATE meta SET value = 99 WHERE key = 'search_text'", u"blue",
         {red, added}},
    };
    for (const auto& step : steps) {
        if (!step.sql.empty()) OnFile(step.sql.c_str());
        HANDLE read = OpenDb(db);
        std::vector<CEOID> oids;
        EXPECT_TRUE(CeFindSearchTextOids(read, {step.piece}, 0, &oids));
        EXPECT_EQ(oids, step.found) << step.sql;
        // A narrowed walk would miss the records without a text: it is refused.
        EXPECT_FALSE(CeRestrictToSearchText(read, {step.piece}, 0)) << step.sql;
        CloseHandle(read);
    }
}

TEST_F(SearchTextTest, AWholeDatabaseIsCountedAgainAfterAnotherConnectionWrites)
{
    const CEOID db = CreateDb(u"people", {});
    HANDLE h = OpenDb(db);
    const CEOID heron = Write(h, 0, {Str(1, u"blue heron")});
    ASSERT_TRUE(CeRestrictToSearchText(h, {u"blue"}, 0));
    // Another program's record, left without a text by the triggers, while
    // the volume stays open.
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(platform::ObjectStorePath().c_str(), &file), SQLITE_OK);
    const std::string insert = "INSERT INTO records(oid, db, size, props) SELECT 4294967280, db, size, props "
                               "FROM records WHERE oid = " + std::to_string(heron);
    EXPECT_EQ(sqlite3_exec(file, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(file);
    sqlite3_close(file);
    EXPECT_FALSE(CeRestrictToSearchText(h, {u"blue"}, 0));
    CloseHandle(h);
}

TEST_F(SearchTextTest, TheKeptTextsMatchWithinOneRecordAndFollowAnotherConnectionsChange)
{
    const CEOID db = CreateDb(u"notes", {});
    HANDLE w = OpenDb(db);
    // "heron" runs from the first text into the second; only the third holds it.
    Write(w, 0, {Str(1, u"xxhe")});
    Write(w, 0, {Str(1, u"ron blue")});
    const CEOID holder = Write(w, 0, {Str(1, u"heron blue")});
    const struct {
        const char* sqlByAnother;  // run on its own connection before the search
        std::vector<CEOID> expected;
    } cases[] = {
        {nullptr, {holder}},
        {"UPDATE search_text SET text = 'grey heron' WHERE text = 'heron blue'", {}},
    };
    for (const auto& c : cases) {
        if (c.sqlByAnother) {
            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open(platform::ObjectStorePath().c_str(), &other), SQLITE_OK);
            EXPECT_EQ(sqlite3_exec(other, c.sqlByAnother, nullptr, nullptr, nullptr), SQLITE_OK);
            EXPECT_EQ(sqlite3_changes(other), 1);
            sqlite3_close(other);
        }
        // Twice: the first listing at a data version searches the file, the
        // second the texts kept in memory.
        for (int pass = 0; pass < 2; ++pass) {
            HANDLE h = OpenDb(db, 0, CEDB_AUTOINCREMENT);
            ASSERT_TRUE(CeRestrictToSearchText(h, {u"heron", u"blue"}, 0));
            std::vector<CEOID> read;
            for (ReadResult r = Read(h); r.error == ERROR_SUCCESS; r = Read(h)) read.push_back(r.oid);
            EXPECT_EQ(read, c.expected) << (c.sqlByAnother ? c.sqlByAnother : "as written") << " pass " << pass;
            CloseHandle(h);
        }
    }
    CloseHandle(w);
}

TEST_F(SearchTextTest, AWholeDatabaseSeenInsideAnUndoneTransactionIsCountedAgain)
{
    const CEOID db = CreateDb(u"people", {}), textless = 4294967280u;
    HANDLE h = OpenDb(db);
    const CEOID heron = Write(h, 0, {Str(1, u"blue heron")});
    CloseHandle(h);
    OnFile(("INSERT INTO records(oid, db, size, props) SELECT " + std::to_string(textless) +
            ", db, size, props FROM records WHERE oid = " + std::to_string(heron)).c_str());
    HANDLE r = OpenDb(db);
    EXPECT_FALSE(platform::RunObjectStoreTransaction(nullptr, [&] {
        EXPECT_TRUE(CeDeleteRecord(r, textless) && CeRestrictToSearchText(r, {u"blue"}, 0));
        return false;
    }));
    EXPECT_FALSE(CeRestrictToSearchText(r, {u"blue"}, 0)) << "the undo brought back the record without a text";
    CloseHandle(r);
}

}  // namespace
