// search_text_listed(list, start) on a connection of its own: the OIDs of
// the bound list from the start-th on, nothing for a value that is not the
// list, and no query at all without the list.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/objectstore/internal/search_text_store.h"

namespace {

using platform::cedb::kListedOidsPointer;
using platform::cedb::RegisterSearchTextListed;

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;
using Prepared = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

class SearchTextListedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sqlite3* db = nullptr;
        const int opened = sqlite3_open(":memory:", &db);
        db_.reset(db);
        ASSERT_EQ(opened, SQLITE_OK);
        ASSERT_EQ(RegisterSearchTextListed(db_.get()), SQLITE_OK);
    }

    // The statement, or null when it cannot be made.
    Prepared Prepare(const char* sql)
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_.get(), sql, -1, &st, nullptr);
        return Prepared(st, sqlite3_finalize);
    }

    // The OIDs the statement gives, with its ?1 bound by bind and ?2 (when
    // the statement has it) to start.
    template <class Bind>
    std::vector<sqlite3_int64> Oids(const char* sql, Bind bind, sqlite3_int64 start = 0)
    {
        const Prepared st = Prepare(sql);
        EXPECT_NE(st, nullptr) << sqlite3_errmsg(db_.get());
        std::vector<sqlite3_int64> oids;
        if (!st) return oids;
        bind(st.get());
        if (sqlite3_bind_parameter_count(st.get()) > 1) sqlite3_bind_int64(st.get(), 2, start);
        while (sqlite3_step(st.get()) == SQLITE_ROW) oids.push_back(sqlite3_column_int64(st.get(), 0));
        return oids;
    }

    Connection db_{nullptr, sqlite3_close};
};

TEST_F(SearchTextListedTest, ListsTheBoundOidsFromTheStartOn)
{
    std::vector<CEOID> list = {40, 7, 19, 3};
    auto bindList = [&list](sqlite3_stmt* st) {
        sqlite3_bind_pointer(st, 1, &list, kListedOidsPointer, nullptr);
    };
    struct StartCase {
        sqlite3_int64 start;
        std::vector<sqlite3_int64> oids;
    };
    const StartCase cases[] = {
        {-3, {40, 7, 19, 3}}, {0, {40, 7, 19, 3}}, {2, {19, 3}}, {3, {3}}, {4, {}}, {9, {}},
    };
    for (const StartCase& c : cases) {
        EXPECT_EQ(Oids("SELECT oid FROM search_text_listed(?1, ?2)", bindList, c.start), c.oids) << c.start;
    }
    EXPECT_EQ(Oids("SELECT oid FROM search_text_listed(?1)", bindList), (std::vector<sqlite3_int64>{40, 7, 19, 3}));
}

TEST_F(SearchTextListedTest, AValueThatIsNotTheListListsNothing)
{
    int other = 5;
    const std::vector<std::pair<const char*, std::function<void(sqlite3_stmt*)>>> binds = {
        {"null", [](sqlite3_stmt* st) { sqlite3_bind_null(st, 1); }},
        {"number", [](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, 5); }},
        {"blob", [](sqlite3_stmt* st) { sqlite3_bind_blob(st, 1, "\5\0\0\0", 4, SQLITE_STATIC); }},
        {"pointer of another kind", [&other](sqlite3_stmt* st) { sqlite3_bind_pointer(st, 1, &other, "int", nullptr); }},
    };
    for (const auto& [name, bind] : binds) {
        EXPECT_TRUE(Oids("SELECT oid FROM search_text_listed(?1, ?2)", bind).empty()) << name;
    }
}

TEST_F(SearchTextListedTest, WithoutTheListThereIsNoQuery)
{
    for (const char* sql : {"SELECT oid FROM search_text_listed", "SELECT oid FROM search_text_listed WHERE start = 1"}) {
        EXPECT_EQ(Prepare(sql), nullptr) << sql;
    }
}

}  // namespace
