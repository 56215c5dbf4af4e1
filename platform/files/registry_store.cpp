// Sections: Helpers; Statements and transactions; Opening the store; Keys; Values; Enumeration and information.

#include "platform/files/internal/registry_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/base/error_codes.h"
#include "platform/files/data_directory.h"
#include "platform/files/sqlite_vfs.h"
#include "platform/kernel/file_system.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"

// ---- Helpers ----

namespace platform {
namespace {

// Another process holding the write lock makes us wait this long before the
// call gives up with ERROR_BUSY.
constexpr int kBusyTimeoutMs = 10000;

DWORD MapSqliteError(int rc)
{
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return ERROR_SUCCESS;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_BUSY;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_FULL:
            return ERROR_DISK_FULL;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return ERROR_REGISTRY_CORRUPT;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

// Names are matched through their lower-case form, the same mapping as
// _wcsicmp, so the registry agrees with the library's own comparisons.
std::string Folded(std::u16string_view name)
{
    std::u16string lower(name);
    for (auto& c : lower) c = towlower(c);
    return WideToUtf8(lower);
}

std::int64_t NowFileTime() { return static_cast<std::int64_t>(HostFileTime()); }

bool MakeDirectories(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        std::string prefix = path.substr(0, pos);
        if (Files().MakeFolder(prefix, 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

// ---- Statements and transactions ----

// A cached prepared statement, reset and unbound when the scope ends.
class RegistryStore::Statement {
public:
    Statement(RegistryStore& store, const char* sql) : stmt_(store.Prepare(sql)) {}
    ~Statement()
    {
        if (stmt_) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    Statement& Bind(int i, std::int64_t v)
    {
        if (stmt_) sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& Bind(int i, const std::string& v)
    {
        if (stmt_) sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindBlob(int i, const void* data, int size)
    {
        // A zero-length blob, never NULL: the column does not take NULL.
        if (stmt_) sqlite3_bind_blob(stmt_, i, size ? data : "", size, SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
    std::u16string Text(int col) const
    {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
        return Utf8ToWide(p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
                            : std::string_view());
    }
    std::vector<BYTE> Blob(int col) const
    {
        auto* p = static_cast<const BYTE*>(sqlite3_column_blob(stmt_, col));
        auto n = static_cast<size_t>(sqlite3_column_bytes(stmt_, col));
        return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>();
    }

private:
    sqlite3_stmt* stmt_;
};

// One transaction; rolled back unless committed.
class RegistryStore::Transaction {
public:
    Transaction(RegistryStore& store, bool write) : db_(store.db_)
    {
        rc_ = sqlite3_exec(db_, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
        open_ = rc_ == SQLITE_OK;
    }
    ~Transaction()
    {
        if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    DWORD Status() const { return MapSqliteError(rc_); }
    DWORD Commit()
    {
        rc_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc_ == SQLITE_OK) open_ = false;
        return MapSqliteError(rc_);
    }

private:
    sqlite3* db_;
    int rc_;
    bool open_;
};

// ---- Opening the store ----

RegistryStore& RegistryStore::Instance()
{
    static RegistryStore* store = new RegistryStore();  // outlives static destructors of other users
    return *store;
}

RegistryStore::~RegistryStore() { Close(); }

std::string RegistryStore::Path()
{
    std::lock_guard lock(mutex_);
    return db_ ? path_ : DataDirectory() + "/registry.db";
}

void RegistryStore::Close()
{
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void RegistryStore::CloseLocked()
{
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    statements_.clear();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

DWORD RegistryStore::OpenLocked()
{
    if (db_) return ERROR_SUCCESS;
    std::string dir = DataDirectory();
    if (!MakeDirectories(dir)) return ERROR_REGISTRY_IO_FAILED;
    path_ = dir + "/registry.db";
    int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, SqliteVfsName());
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // FULL syncs the log on every commit: a committed change survives
        // power loss as well as a killed process.
        rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    }
    DWORD err = rc == SQLITE_OK ? InitSchemaLocked() : MapSqliteError(rc);
    if (err != ERROR_SUCCESS) CloseLocked();
    return err;
}

DWORD RegistryStore::InitSchemaLocked()
{
    // AUTOINCREMENT keeps ids of deleted keys from being handed out again, so
    // a handle to a deleted key can never reach a new one.
    static const char* const kSchema =
        "CREATE TABLE IF NOT EXISTS keys("
        "  id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
        "  name TEXT NOT NULL, folded TEXT NOT NULL, modified INTEGER NOT NULL);"
        "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, folded);"
        "CREATE TABLE IF NOT EXISTS reg_values("
        "  seq INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,"
        "  folded TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
        "CREATE UNIQUE INDEX IF NOT EXISTS values_by_key ON reg_values(key, folded);"
        "INSERT OR IGNORE INTO keys(id, parent, name, folded, modified) VALUES"
        "  (1, 0, 'HKEY_CLASSES_ROOT', 'hkey_classes_root', 0),"
        "  (2, 0, 'HKEY_CURRENT_USER', 'hkey_current_user', 0),"
        "  (3, 0, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine', 0),"
        "  (4, 0, 'HKEY_USERS', 'hkey_users', 0);";
    Transaction tx(*this, true);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    int rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return MapSqliteError(rc);
    return tx.Commit();
}

sqlite3_stmt* RegistryStore::Prepare(const char* sql)
{
    if (auto it = statements_.find(sql); it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) return nullptr;
    statements_.emplace(sql, stmt);
    return stmt;
}

// ---- Keys ----

DWORD RegistryStore::KeyExistsLocked(RegistryKeyId key)
{
    Statement st(*this, "SELECT 1 FROM keys WHERE id = ?1");
    int rc = st.Bind(1, key).Step();
    if (rc == SQLITE_ROW) return ERROR_SUCCESS;
    return rc == SQLITE_DONE ? ERROR_KEY_DELETED : MapSqliteError(rc);
}

DWORD RegistryStore::ChildLocked(RegistryKeyId parent, const std::string& folded, RegistryKeyId* child)
{
    Statement st(*this, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    int rc = st.Bind(1, parent).Bind(2, folded).Step();
    if (rc == SQLITE_ROW) {
        *child = st.Int(0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : MapSqliteError(rc);
}

DWORD RegistryStore::WalkLocked(RegistryKeyId base, const std::vector<std::u16string>& parts, RegistryKeyId* id)
{
    if (DWORD err = KeyExistsLocked(base)) return err;
    RegistryKeyId current = base;
    for (const auto& part : parts)
        if (DWORD err = ChildLocked(current, Folded(part), &current)) return err;
    *id = current;
    return ERROR_SUCCESS;
}

DWORD RegistryStore::TouchLocked(RegistryKeyId key)
{
    Statement st(*this, "UPDATE keys SET modified = ?2 WHERE id = ?1");
    return MapSqliteError(st.Bind(1, key).Bind(2, NowFileTime()).Step());
}

DWORD RegistryStore::KeyExists(RegistryKeyId key)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    return KeyExistsLocked(key);
}

DWORD RegistryStore::FindKey(RegistryKeyId base, const std::vector<std::u16string>& parts, RegistryKeyId* id)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, false);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    return WalkLocked(base, parts, id);
}

DWORD RegistryStore::CreateKey(RegistryKeyId base, const std::vector<std::u16string>& parts, RegistryKeyId* id,
                               bool* created)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, true);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(base)) return err;
    RegistryKeyId current = base;
    *created = false;
    for (const auto& part : parts) {
        std::string folded = Folded(part);
        DWORD err = ChildLocked(current, folded, &current);
        if (err == ERROR_FILE_NOT_FOUND) {
            Statement st(*this, "INSERT INTO keys(parent, name, folded, modified) VALUES (?1, ?2, ?3, ?4)");
            int rc = st.Bind(1, current).Bind(2, WideToUtf8(part)).Bind(3, folded).Bind(4, NowFileTime()).Step();
            if (rc != SQLITE_DONE) return MapSqliteError(rc);
            current = sqlite3_last_insert_rowid(db_);
            *created = true;
        } else if (err != ERROR_SUCCESS) {
            return err;
        }
    }
    if (DWORD err = tx.Commit()) return err;
    *id = current;
    return ERROR_SUCCESS;
}

DWORD RegistryStore::DeleteKey(RegistryKeyId base, const std::vector<std::u16string>& parts)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, true);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    RegistryKeyId target = 0;
    if (DWORD err = WalkLocked(base, parts, &target)) return err;
    if (target < kFirstRootKeyId + kRootKeyCount) return ERROR_ACCESS_DENIED;
    // The key and every key below it, values first.
    static const char* const kSubtree =
        "WITH RECURSIVE subtree(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN subtree s ON k.parent = "
        "s.id) ";
    static const std::string kDeleteValues = std::string(kSubtree) + "DELETE FROM reg_values WHERE key IN subtree";
    static const std::string kDeleteKeys = std::string(kSubtree) + "DELETE FROM keys WHERE id IN subtree";
    for (const std::string* sql : {&kDeleteValues, &kDeleteKeys}) {
        Statement st(*this, sql->c_str());
        int rc = st.Bind(1, target).Step();
        if (rc != SQLITE_DONE) return MapSqliteError(rc);
    }
    return tx.Commit();
}

// ---- Values ----

DWORD RegistryStore::GetValue(RegistryKeyId key, std::u16string_view name, RegistryValue* value)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, false);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(key)) return err;
    Statement st(*this, "SELECT name, type, data FROM reg_values WHERE key = ?1 AND folded = ?2");
    int rc = st.Bind(1, key).Bind(2, Folded(name)).Step();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : MapSqliteError(rc);
    value->name = st.Text(0);
    value->type = static_cast<DWORD>(st.Int(1));
    value->data = st.Blob(2);
    return ERROR_SUCCESS;
}

DWORD RegistryStore::SetValue(RegistryKeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD size)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, true);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(key)) return err;
    // Updating in place keeps the row id, and with it the name's case and the
    // value's place in enumeration.
    Statement st(*this,
                 "INSERT INTO reg_values(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                 "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    int rc = st.Bind(1, key)
                 .Bind(2, WideToUtf8(name))
                 .Bind(3, Folded(name))
                 .Bind(4, static_cast<std::int64_t>(type))
                 .BindBlob(5, data, static_cast<int>(size))
                 .Step();
    if (rc != SQLITE_DONE) return MapSqliteError(rc);
    if (DWORD err = TouchLocked(key)) return err;
    return tx.Commit();
}

DWORD RegistryStore::DeleteValue(RegistryKeyId key, std::u16string_view name)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, true);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(key)) return err;
    Statement st(*this, "DELETE FROM reg_values WHERE key = ?1 AND folded = ?2");
    int rc = st.Bind(1, key).Bind(2, Folded(name)).Step();
    if (rc != SQLITE_DONE) return MapSqliteError(rc);
    if (sqlite3_changes(db_) == 0) return ERROR_FILE_NOT_FOUND;
    if (DWORD err = TouchLocked(key)) return err;
    return tx.Commit();
}

// ---- Enumeration and information ----

DWORD RegistryStore::ValueAt(RegistryKeyId key, DWORD index, RegistryValue* value)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, false);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(key)) return err;
    Statement st(*this, "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2");
    int rc = st.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)).Step();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : MapSqliteError(rc);
    value->name = st.Text(0);
    value->type = static_cast<DWORD>(st.Int(1));
    value->data = st.Blob(2);
    return ERROR_SUCCESS;
}

DWORD RegistryStore::SubKeyAt(RegistryKeyId key, DWORD index, std::u16string* name, std::int64_t* lastWrite)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, false);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(key)) return err;
    Statement st(*this, "SELECT name, modified FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
    int rc = st.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)).Step();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : MapSqliteError(rc);
    *name = st.Text(0);
    *lastWrite = st.Int(1);
    return ERROR_SUCCESS;
}

DWORD RegistryStore::Info(RegistryKeyId key, RegistryKeyInfo* info)
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    Transaction tx(*this, false);
    if (tx.Status() != ERROR_SUCCESS) return tx.Status();
    if (DWORD err = KeyExistsLocked(key)) return err;
    *info = RegistryKeyInfo{};
    // Lengths are measured in UTF-16 units, as the caller's buffers are.
    {
        Statement st(*this, "SELECT name FROM keys WHERE parent = ?1");
        st.Bind(1, key);
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            ++info->subKeys;
            info->maxSubKeyChars = std::max(info->maxSubKeyChars, static_cast<DWORD>(st.Text(0).size()));
        }
        if (rc != SQLITE_DONE) return MapSqliteError(rc);
    }
    {
        Statement st(*this, "SELECT name, length(data) FROM reg_values WHERE key = ?1");
        st.Bind(1, key);
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            ++info->values;
            info->maxValueNameChars = std::max(info->maxValueNameChars, static_cast<DWORD>(st.Text(0).size()));
            info->maxValueBytes = std::max(info->maxValueBytes, static_cast<DWORD>(st.Int(1)));
        }
        if (rc != SQLITE_DONE) return MapSqliteError(rc);
    }
    Statement st(*this, "SELECT modified FROM keys WHERE id = ?1");
    if (st.Bind(1, key).Step() == SQLITE_ROW) info->lastWrite = st.Int(0);
    return ERROR_SUCCESS;
}

DWORD RegistryStore::Checkpoint()
{
    std::lock_guard lock(mutex_);
    if (DWORD err = OpenLocked()) return err;
    // PASSIVE never waits for readers of other processes; what it cannot
    // move now stays safely in the log.
    int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return rc == SQLITE_BUSY ? ERROR_SUCCESS : MapSqliteError(rc);
}

}  // namespace platform
