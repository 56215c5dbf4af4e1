#include "platform/objectstore/internal/cedb_volume.h"

#include <cstdint>
#include <optional>
#include <random>

#include "platform/base/error_codes.h"
#include "platform/files/sqlite_vfs.h"
#include "platform/kernel/file_system.h"
#include "platform/locale/locale_resolution.h"
#include "platform/objectstore/internal/cedb_database_row.h"
#include "platform/objectstore/internal/search_text_store.h"

namespace platform::cedb {
namespace {

// A writer in another process makes us wait this long before a call gives up
// with ERROR_SHARING_VIOLATION.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kFormat = 1;

const char* const kSchema =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE databases("
    "  oid INTEGER PRIMARY KEY, name TEXT NOT NULL, folded TEXT NOT NULL UNIQUE,"
    "  type INTEGER NOT NULL, modified INTEGER NOT NULL, sorts BLOB NOT NULL,"
    "  records INTEGER NOT NULL, bytes INTEGER NOT NULL);"
    "CREATE TABLE records("
    "  oid INTEGER PRIMARY KEY, db INTEGER NOT NULL, size INTEGER NOT NULL, props BLOB NOT NULL,"
    "  k0 BLOB, k1 BLOB, k2 BLOB, k3 BLOB);"
    "CREATE INDEX records_by_db ON records(db);"
    "CREATE INDEX records_k0 ON records(db, k0, oid);"
    "CREATE INDEX records_k1 ON records(db, k1, oid);"
    "CREATE INDEX records_k2 ON records(db, k2, oid);"
    "CREATE INDEX records_k3 ON records(db, k3, oid);";
// Volumes made before the change log get it when first opened.
const char* const kChangeLog =
    "CREATE TABLE IF NOT EXISTS changes("
    "  seq INTEGER PRIMARY KEY, db INTEGER NOT NULL, record INTEGER NOT NULL, message INTEGER NOT NULL,"
    "  writer INTEGER NOT NULL)";
// The log keeps this many rows; it is cut every kLogTrimEvery writes of a
// connection.
constexpr std::int64_t kLogKeep = 4096;
constexpr std::uint64_t kLogTrimEvery = 256;

std::string LocaleOfIdentity(const std::string& identity) { return identity.substr(0, identity.find('|')); }

// OIDs of a new volume start at a random point, so that an OID of one volume
// is unlikely to name anything in another.
std::int64_t FirstOid()
{
    std::random_device seed;
    std::uniform_int_distribution<std::int64_t> pick(0x00100000, 0x7FFFFFFF);
    return pick(seed);
}

std::int64_t NewWriterId()
{
    std::random_device seed;
    std::uniform_int_distribution<std::int64_t> pick(1, INT64_MAX);
    return pick(seed);
}

}  // namespace

DWORD Volume::Open(const std::string& path, bool create, std::shared_ptr<Volume>& out)
{
    struct stat info {};
    if (!create && Files().Stat(path, &info) != 0) return ERROR_FILE_NOT_FOUND;
    std::shared_ptr<Volume> volume(new Volume(path));
    volume->writer_ = NewWriterId();
    // The volume's mutex already keeps the connection to one thread at a
    // time, so SQLite's own locking of it (several lock pairs per row read)
    // is left out.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &volume->db_, flags, SqliteVfsName());
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(volume->db_, kBusyTimeoutMs);
        sqlite3_extended_result_codes(volume->db_, 1);
        rc = RegisterSearchTextFunction(volume->db_);
    }
    if (rc == SQLITE_OK) {
        // NORMAL syncs the log at checkpoints only: a killed process loses
        // nothing it committed, and a power cut may lose the last commits but
        // never leaves a damaged file.
        rc =
            sqlite3_exec(volume->db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
        // Loaders read whole databases in sort order, which visits the table's
        // pages out of order: a larger page cache keeps those reads in memory
        // instead of one pread each (the mapping size counts only under a
        // file layer that maps, which platform/files/sqlite_vfs.h does not).
        if (rc == SQLITE_OK) {
            rc = sqlite3_exec(volume->db_, "PRAGMA cache_size=-32768; PRAGMA mmap_size=268435456;", nullptr, nullptr,
                              nullptr);
        }
    }
    DWORD err = MapSqliteError(rc);
    if (err == ERROR_SUCCESS) {
        volume->statements_.Attach(volume->db_);
        bool created = false;
        err = volume->InitSchema(&created);
    }
    if (err != ERROR_SUCCESS) {
        volume->Close();
        return err;
    }
    volume->counter_.Open(path);
    out = std::move(volume);
    return ERROR_SUCCESS;
}

Volume::~Volume() { Close(); }

void Volume::Close()
{
    watcher_.Stop();
    statements_.Clear();
    // Walks still standing belong to handles that outlive the connection:
    // reset them, or the closed connection lingers holding their snapshot
    // and its read mark on the log.
    if (db_) EndWalks(db_);
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    counter_.Close();
    ++localWrites_;  // whatever a reader kept is void
}

DWORD Volume::InitSchema(bool* created)
{
    Transaction tx(db_, true);
    if (DWORD err = tx.Status()) return err;
    std::int64_t objects = 0;
    {
        Statement st(statements_, "SELECT count(*) FROM sqlite_master");
        int rc = st.Step();
        if (rc != SQLITE_ROW) return MapSqliteError(rc);
        objects = st.Int(0);
    }
    if (objects == 0) {
        int rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return MapSqliteError(rc);
        Statement st(statements_, "INSERT INTO meta(key, value) VALUES (?1, ?2)");
        if (DWORD err = st.BindText(1, "format").Bind(2, kFormat).Run()) return err;
        Statement next(statements_, "INSERT INTO meta(key, value) VALUES ('next_oid', ?1)");
        if (DWORD err = next.Bind(1, FirstOid()).Run()) return err;
        Statement coll(statements_, "INSERT INTO meta(key, value) VALUES ('collation', ?1)");
        if (DWORD err = coll.BindText(1, SortKeyBuilder::CollationIdentity(UserLocale().icuName)).Run()) return err;
        *created = true;
    } else {
        // Another program's SQLite file is not a volume.
        Statement st(statements_, "SELECT value FROM meta WHERE key = 'format'");
        if (!st.Ok() || st.Step() != SQLITE_ROW || st.Int(0) != kFormat) return ERROR_BAD_FORMAT;
    }
    if (int rc = sqlite3_exec(db_, kChangeLog, nullptr, nullptr, nullptr); rc != SQLITE_OK) return MapSqliteError(rc);
    if (DWORD err = EnsureSearchText(*this)) return err;
    if (DWORD err = LoadCollation()) return err;
    return tx.Commit();
}

void Volume::NoteWrite()
{
    ++localWrites_;
    counter_.Raise();
}

DWORD Volume::LogChange(CEOID db, CEOID record, UINT message)
{
    Statement st(statements_, "INSERT INTO changes(db, record, message, writer) VALUES (?1, ?2, ?3, ?4)");
    if (DWORD err = st.Bind(1, db).Bind(2, record).Bind(3, message).Bind(4, writer_).Run()) return err;
    if (++loggedChanges_ % kLogTrimEvery == 0) {
        Statement trim(statements_, "DELETE FROM changes WHERE seq <= ?1");
        if (DWORD err = trim.Bind(1, sqlite3_last_insert_rowid(db_) - kLogKeep).Run()) return err;
    }
    return ERROR_SUCCESS;
}

DWORD Volume::LoggedChangesAfter(std::int64_t seq, std::vector<LoggedChange>& out, LogLook* look)
{
    out.clear();
    // Taking the write lock without waiting for it tells whether another
    // connection is between its writes and its commit; the lock is let go
    // unused (the transaction is rolled back).
    bool quiet = false;
    std::optional<Transaction> tx;
    if (look && sqlite3_get_autocommit(db_)) {
        sqlite3_busy_timeout(db_, 0);
        tx.emplace(db_, true);
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        quiet = tx->Status() == ERROR_SUCCESS;
        if (!quiet) tx.reset();
    }
    if (!tx) tx.emplace(db_, false);
    if (DWORD err = tx->Status()) return err;
    Statement st(statements_, "SELECT seq, db, record, message, writer FROM changes WHERE seq > ?1 ORDER BY seq");
    st.Bind(1, seq);
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) {
        out.push_back(LoggedChange{st.Int(0), static_cast<CEOID>(st.Int(1)), static_cast<CEOID>(st.Int(2)),
                                   static_cast<UINT>(st.Int(3)), st.Int(4) == writer_});
    }
    if (look) {
        look->quiet = quiet;
        // Sequence numbers follow each other (rows go only by the trim, oldest
        // first), so a first row past seq + 1 means rows were trimmed unread.
        look->lost = !out.empty() && out.front().seq > seq + 1;
    }
    return rc == SQLITE_DONE ? ERROR_SUCCESS : MapSqliteError(rc);
}

DWORD Volume::LastLoggedChange(std::int64_t* seq)
{
    Transaction read(statements_, false);
    if (DWORD err = read.Status()) return err;
    Statement st(statements_, "SELECT coalesce(max(seq), 0) FROM changes");
    int rc = st.Step();
    if (rc != SQLITE_ROW) return MapSqliteError(rc);
    *seq = st.Int(0);
    return ERROR_SUCCESS;
}

DWORD Volume::AllocateOid(CEOID* oid)
{
    std::int64_t next = 0;
    {
        Statement st(statements_, "SELECT value FROM meta WHERE key = 'next_oid'");
        int rc = st.Step();
        if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? ERROR_FILE_CORRUPT : MapSqliteError(rc);
        next = st.Int(0);
    }
    // The counter only grows; once it wraps, identifiers still in use are
    // stepped over.
    Statement inRecords(statements_, "SELECT 1 FROM records WHERE oid = ?1");
    Statement inDatabases(statements_, "SELECT 1 FROM databases WHERE oid = ?1");
    for (int attempt = 0; attempt < (1 << 20); ++attempt, ++next) {
        if (next <= 0 || next > 0xFFFFFFFFll) next = 1;
        int a = inRecords.Bind(1, next).Step();
        if (a != SQLITE_DONE && a != SQLITE_ROW) return MapSqliteError(a);
        int b = inDatabases.Bind(1, next).Step();
        if (b != SQLITE_DONE && b != SQLITE_ROW) return MapSqliteError(b);
        bool used = a == SQLITE_ROW || b == SQLITE_ROW;
        inRecords.Reset();
        inDatabases.Reset();
        if (used) continue;
        Statement store(statements_, "UPDATE meta SET value = ?1 WHERE key = 'next_oid'");
        if (DWORD err = store.Bind(1, next + 1).Run()) return err;
        *oid = static_cast<CEOID>(next);
        return ERROR_SUCCESS;
    }
    return ERROR_DISK_FULL;
}

DWORD Volume::LoadCollation()
{
    Statement st(statements_, "SELECT value FROM meta WHERE key = 'collation'");
    int rc = st.Step();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? ERROR_FILE_CORRUPT : MapSqliteError(rc);
    std::string identity(st.Bytes(0));
    if (!keys_ || identity != collation_) {
        collation_ = identity;
        keys_ = std::make_unique<SortKeyBuilder>(LocaleOfIdentity(identity));
    }
    return ERROR_SUCCESS;
}

DWORD Volume::FollowUserLocale()
{
    const std::string& locale = UserLocale().icuName;
    std::string wanted = SortKeyBuilder::CollationIdentity(locale);
    {
        // Another process may have changed the file's collation meanwhile.
        Transaction read(statements_, false);
        if (DWORD err = read.Status()) return err;
        if (DWORD err = LoadCollation()) return err;
    }
    if (wanted == collation_) return ERROR_SUCCESS;
    Transaction tx(statements_, true);
    if (DWORD err = tx.Status()) return err;
    if (DWORD err = LoadCollation()) return err;
    if (wanted == collation_) return ERROR_SUCCESS;
    SortKeyBuilder keys(locale);
    if (DWORD err = RebuildKeys(*this, 0, keys)) return err;
    Statement st(statements_, "UPDATE meta SET value = ?1 WHERE key = 'collation'");
    if (DWORD err = st.BindText(1, wanted).Run()) return err;
    NoteWrite();
    if (DWORD err = tx.Commit()) return err;
    NoteWrite();
    collation_ = wanted;
    keys_ = std::make_unique<SortKeyBuilder>(locale);
    return ERROR_SUCCESS;
}

std::uint64_t Volume::AddOpenHandle(CEOID db, HWND notify)
{
    std::uint64_t id = nextHandleId_++;
    openHandles_[id] = OpenHandle{db, notify};
    if (notify) watcher_.Start();
    return id;
}

void Volume::RemoveOpenHandle(std::uint64_t id) { openHandles_.erase(id); }

size_t Volume::OpenHandlesOn(CEOID db) const
{
    size_t n = 0;
    for (const auto& [id, h] : openHandles_) n += h.db == db ? 1 : 0;
    return n;
}

std::vector<HWND> Volume::NotifyTargets(CEOID db) const
{
    std::vector<HWND> targets;
    for (const auto& [id, h] : openHandles_)
        if (h.db == db && h.notify) targets.push_back(h.notify);
    return targets;
}

std::vector<std::pair<CEOID, HWND>> Volume::AllNotifyTargets() const
{
    std::vector<std::pair<CEOID, HWND>> targets;
    for (const auto& [id, h] : openHandles_)
        if (h.notify) targets.emplace_back(h.db, h.notify);
    return targets;
}

}  // namespace platform::cedb
