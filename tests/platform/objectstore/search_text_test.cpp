// The records' search text: what CeFindSearchTextOids finds after writes,
// rewrites and deletes, and after a volume made without the search text is
// opened.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/base/error_codes.h"
#include "platform/objectstore/search_text_index.h"
#include "tests/platform/objectstore/cedb_test_support.h"

using namespace cedbtest;

namespace {

class SearchTextTest : public CedbSandbox {
protected:
    std::vector<CEOID> Find(CEOID db, std::vector<std::u16string> pieces, DWORD flags = 0)
    {
        HANDLE h = OpenDb(db);
        std::vector<CEOID> oids;
        EXPECT_TRUE(CeFindSearchTextOids(h, pieces, flags, &oids));
        CloseHandle(h);
        return oids;
    }
    // Runs SQL on the closed store file; the first column of its last row.
    static std::int64_t OnFile(const char* sql)
    {
        platform::CloseObjectStore();
        sqlite3* file = nullptr;
        EXPECT_EQ(sqlite3_open(platform::ObjectStorePath().c_str(), &file), SQLITE_OK);
        std::int64_t value = -1;
        auto last = [](void* out, int, char** row, char**) {
            *static_cast<std::int64_t*>(out) = row[0] ? std::atoll(row[0]) : -1;
            return 0;
        };
        EXPECT_EQ(sqlite3_exec(file, sql, last, &value, nullptr), SQLITE_OK) << sqlite3_errmsg(file);
        sqlite3_close(file);
        return value;
    }
};

TEST_F(SearchTextTest, FindsTheRecordsHoldingEveryPieceThroughWritesAndReopening)
{
    const CEOID db = CreateDb(u"people", {});
    const CEOID other = CreateDb(u"other", {});
    HANDLE h = OpenDb(db);
    const CEOID heron = Write(h, 0, {Str(1, u"Blue Heron"), Str(2, u"(555) 123-4567"), I4(3, 7)});
    const CEOID kelvin = Write(h, 0, {Str(1, u"\u212Aelvin \u0130stanbul"), Str(2, u"x\xD800y")});
    const CEOID moved = Write(h, 0, {Str(1, u"blue")});
    const CEOID gone = Write(h, 0, {Str(1, u"blue heron")});
    const CEOID bare = Write(h, 0, {I4(3, 1)});
    ASSERT_TRUE(Write(h, moved, {Str(1, u"red"), Str(4, u"HERON")}));
    ASSERT_TRUE(CeDeleteRecord(h, gone));
    CloseHandle(h);
    HANDLE o = OpenDb(other);
    const CEOID elsewhere = Write(o, 0, {Str(1, u"blue heron")});
    CloseHandle(o);

    const struct {
        std::vector<std::u16string> pieces;
        DWORD flags;
        std::vector<CEOID> found;
    } cases[] = {
        {{u"blue", u"HERON"}, 0, {heron}},
        {{u"heron"}, 0, {heron, moved}},
        {{u"heron ("}, 0, {}},  // a piece never spans two properties' texts
        {{u"5551234"}, 0, {}},
        {{u"5551234"}, CEDB_SEARCHTEXT_PHONEFORMS, {heron}},
        {{u"5551234", u"blue"}, CEDB_SEARCHTEXT_PHONEFORMS, {heron}},
        {{u"kelvin", u"istanbul"}, 0, {kelvin}},
        {{u"\u212A"}, 0, {kelvin}},
        {{u"\xD800y"}, 0, {kelvin}},
        {{u"red"}, 0, {moved}},
        {{}, 0, {heron, kelvin, moved, bare}},
    };
    auto check = [&](const char* when) {
        for (const auto& c : cases) {
            std::string name = when;
            for (const auto& piece : c.pieces) name += " '" + WideToUtf8(piece) + "'";
            EXPECT_EQ(Find(db, c.pieces, c.flags), c.found) << name;
        }
        EXPECT_EQ(Find(other, {u"heron"}), std::vector<CEOID>{elsewhere}) << when;
    };
    check("written");
    // A volume from before the search text: filled when opened.
    OnFile("DROP TABLE search_text; DELETE FROM meta WHERE key = 'search_text'");
    check("filled on opening");
    // An outdated search text is built again.
    OnFile("UPDATE search_text SET text = ''; UPDATE meta SET value = 0 WHERE key = 'search_text'");
    check("rebuilt");
    ASSERT_TRUE(CeDeleteDatabase(other));
    EXPECT_EQ(OnFile("SELECT count(*) FROM search_text WHERE db NOT IN (SELECT oid FROM databases)"), 0);
    EXPECT_TRUE(StoreProblems().empty());

    std::vector<CEOID> oids;
    SetLastError(0);
    EXPECT_FALSE(CeFindSearchTextOids(nullptr, {u"x"}, 0, &oids));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
