// SQLite helpers of the object-store engine: error mapping, a prepared
// statement cache per connection, scoped statements and transactions.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/base/types.h"

namespace platform::cedb {

// The platform error code for an SQLite result code.
DWORD MapSqliteError(int rc);

// The prepared statements of one connection, made once and kept.
class StatementCache {
public:
    StatementCache() = default;
    ~StatementCache() { Clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    void Attach(sqlite3* db) { db_ = db; }
    // Null when the statement does not compile (or no connection is attached).
    sqlite3_stmt* Get(const std::string& sql);
    sqlite3* Db() const { return db_; }
    void Clear();

private:
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

// A cached statement for one use: reset and unbound when the scope ends.
class Statement {
public:
    Statement(StatementCache& cache, const std::string& sql) : stmt_(cache.Get(sql)) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    Statement& Bind(int i, std::int64_t v);
    // A zero-length blob binds as an empty blob, never as NULL.
    Statement& BindBlob(int i, const void* data, size_t size);
    Statement& BindBlob(int i, std::string_view bytes) { return BindBlob(i, bytes.data(), bytes.size()); }
    Statement& BindText(int i, std::string_view utf8);
    Statement& BindNull(int i);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Ready to step again, bindings kept.
    void Reset()
    {
        if (stmt_) sqlite3_reset(stmt_);
    }
    // Steps a statement that returns no rows: ERROR_SUCCESS or the mapped error.
    DWORD Run();

    std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
    bool IsNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
    // Blob or text bytes of a column; valid until the next step.
    std::string_view Bytes(int col) const;

private:
    sqlite3_stmt* stmt_;
};

// Statements that walk records across calls begin with this, and are left
// standing on their row between calls (holding the connection's read
// snapshot). EndWalks resets every such statement of the connection; each
// transaction that is not nested does so first, so that it reads (or writes
// on) the newest state of the file and not the snapshot a walk holds.
inline constexpr char kWalkSql[] = "SELECT /* walk */ ";
void EndWalks(sqlite3* db);

// One transaction on a connection; rolled back unless committed. Write
// transactions take the write lock at once (BEGIN IMMEDIATE), so two writers
// wait for each other instead of failing on upgrade. Inside a transaction
// already open on the connection it is a savepoint of that one: committing
// keeps its changes for the outer transaction to commit or undo.
class Transaction {
public:
    Transaction(sqlite3* db, bool write);
    // The same, its BEGIN, COMMIT and ROLLBACK taken from the connection's
    // statement cache instead of being compiled for every transaction.
    Transaction(StatementCache& statements, bool write);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    DWORD Status() const { return MapSqliteError(rc_); }
    DWORD Commit();
    // Whether it is a savepoint inside a transaction already open on the
    // connection (whose undo may still take back what this one commits).
    bool Nested() const { return nested_; }

private:
    void Begin(bool write);
    // Runs one of the transaction's own statements.
    int Exec(const char* sql);

    sqlite3* db_;
    StatementCache* statements_ = nullptr;
    bool nested_;
    int rc_;
    bool open_;
};

}  // namespace platform::cedb
