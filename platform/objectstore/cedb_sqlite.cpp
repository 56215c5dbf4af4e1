#include "platform/objectstore/internal/cedb_sqlite.h"

#include <cstring>

#include "platform/base/error_codes.h"

namespace platform::cedb {

DWORD MapSqliteError(int rc)
{
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return ERROR_SUCCESS;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_SHARING_VIOLATION;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_FULL:
            return ERROR_DISK_FULL;
        case SQLITE_CORRUPT:
            return ERROR_FILE_CORRUPT;
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            return ERROR_BAD_FORMAT;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
        case SQLITE_AUTH:
            return ERROR_ACCESS_DENIED;
        case SQLITE_TOOBIG:
            return ERROR_BAD_LENGTH;
        default:
            return ERROR_GEN_FAILURE;
    }
}

sqlite3_stmt* StatementCache::Get(const std::string& sql)
{
    if (!db_) return nullptr;
    if (auto it = statements_.find(sql); it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

void StatementCache::Clear()
{
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    statements_.clear();
    db_ = nullptr;
}

Statement::~Statement()
{
    if (stmt_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

Statement& Statement::Bind(int i, std::int64_t v)
{
    if (stmt_) sqlite3_bind_int64(stmt_, i, v);
    return *this;
}

Statement& Statement::BindBlob(int i, const void* data, size_t size)
{
    if (stmt_) sqlite3_bind_blob64(stmt_, i, size ? data : "", size, SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindText(int i, std::string_view utf8)
{
    if (stmt_) sqlite3_bind_text64(stmt_, i, utf8.data(), utf8.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

Statement& Statement::BindNull(int i)
{
    if (stmt_) sqlite3_bind_null(stmt_, i);
    return *this;
}

int Statement::Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }

DWORD Statement::Run()
{
    int rc = Step();
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? ERROR_SUCCESS : MapSqliteError(rc);
}

std::string_view Statement::Bytes(int col) const
{
    const void* p = sqlite3_column_blob(stmt_, col);
    auto n = static_cast<size_t>(sqlite3_column_bytes(stmt_, col));
    return p ? std::string_view(static_cast<const char*>(p), n) : std::string_view();
}

void EndWalks(sqlite3* db)
{
    constexpr size_t n = sizeof kWalkSql - 1;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
        if (sqlite3_stmt_busy(s) && std::strncmp(sqlite3_sql(s), kWalkSql, n) == 0) sqlite3_reset(s);
}

Transaction::Transaction(sqlite3* db, bool write) : db_(db), nested_(sqlite3_get_autocommit(db) == 0) { Begin(write); }

Transaction::Transaction(StatementCache& statements, bool write)
    : db_(statements.Db()), statements_(&statements), nested_(db_ && sqlite3_get_autocommit(db_) == 0)
{
    Begin(write);
}

void Transaction::Begin(bool write)
{
    if (!db_) {
        rc_ = SQLITE_MISUSE;
        open_ = false;
        return;
    }
    if (!nested_) EndWalks(db_);
    rc_ = Exec(nested_ ? "SAVEPOINT nested" : write ? "BEGIN IMMEDIATE" : "BEGIN");
    open_ = rc_ == SQLITE_OK;
}

int Transaction::Exec(const char* sql)
{
    if (!statements_) return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    // The volume may have closed its connection while the transaction was
    // open (a body that closes the store): the connection begun on is freed
    // and the cache holds none, or another one. Nothing is run then.
    sqlite3* db = statements_->Db();
    if (!db || db != db_) return SQLITE_MISUSE;
    sqlite3_stmt* st = statements_->Get(sql);
    if (!st) return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

Transaction::~Transaction()
{
    if (!open_) return;
    if (nested_) {
        Exec("ROLLBACK TO nested");
        Exec("RELEASE nested");
    } else {
        Exec("ROLLBACK");
    }
}

DWORD Transaction::Commit()
{
    rc_ = Exec(nested_ ? "RELEASE nested" : "COMMIT");
    if (rc_ == SQLITE_OK) open_ = false;
    return MapSqliteError(rc_);
}

}  // namespace platform::cedb
