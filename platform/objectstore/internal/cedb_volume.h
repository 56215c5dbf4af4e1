// One volume file open in this process: its SQLite connection and what the
// process keeps about it.
//
// Every call on a volume holds its mutex for the whole call, so the
// connection, its statement cache and the state below are used by one thread
// at a time. The mutex is recursive: a transaction of several calls
// (platform::RunObjectStoreTransaction) holds it around calls that take it
// again. Other processes may have the file open too: SQLite's locks order
// their writes, and the shared change counter tells this process's readers
// when something changed.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/objectstore/cedb.h"
#include "platform/objectstore/cedb_sort_key.h"
#include "platform/objectstore/internal/cedb_change_counter.h"
#include "platform/objectstore/internal/cedb_change_watcher.h"
#include "platform/objectstore/internal/cedb_sqlite.h"

namespace platform::cedb {

struct SearchTextCopies;

// One row of the volume's change log.
struct LoggedChange {
    std::int64_t seq = 0;
    CEOID db = 0;
    CEOID record = 0;
    UINT message = 0;  // DB_CEOID_CREATED, _CHANGED, _RECORD_DELETED or _DATABASE_DELETED
    bool own = false;  // written through this connection
};

// What a look at the change log found beyond its rows.
struct LogLook {
    // No other connection was inside a write transaction: every commit still
    // to come raises the shared counter after the look.
    bool quiet = false;
    // Rows after the sequence number asked for were trimmed unread.
    bool lost = false;
};

class Volume {
public:
    // Opens (create: or creates) the volume file at a host path and makes
    // sure it holds an object store: ERROR_BAD_FORMAT for a file that is not
    // one, ERROR_FILE_NOT_FOUND for a missing file without create.
    static DWORD Open(const std::string& path, bool create, std::shared_ptr<Volume>& out);
    ~Volume();
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    std::recursive_mutex& Mutex() { return mutex_; }
    const std::string& Path() const { return path_; }

    // The rest is used with the mutex held.
    bool IsOpen() const { return db_ != nullptr; }
    void Close();
    sqlite3* Db() const { return db_; }
    StatementCache& Statements() { return statements_; }

    // Changes: Stamp() moves whenever this volume may have changed, in this
    // process or another. When StampReliable() is false (no shared counter)
    // it only sees this process's changes.
    std::uint64_t Stamp() const { return counter_.Load() + localWrites_; }
    bool StampReliable() const { return counter_.Available(); }
    // How many times this process noted a write (each raises the stamp by
    // two: the counter and the local count).
    std::uint64_t LocalWrites() const { return localWrites_; }
    // Called inside each write transaction before its commit and again after
    // it: a reader that looked at the counter between the two still notices.
    void NoteWrite();
    const ChangeCounter& Counter() const { return counter_; }

    // The change log (see cedb_change_watcher.h). LogChange goes inside the
    // write transaction of the change it records.
    DWORD LogChange(CEOID db, CEOID record, UINT message);
    DWORD LoggedChangesAfter(std::int64_t seq, std::vector<LoggedChange>& out, LogLook* look = nullptr);
    DWORD LastLoggedChange(std::int64_t* seq);

    // Inside a write transaction: a new object identifier, never handed out
    // before in this volume (until all 2^32 - 1 values have been used).
    DWORD AllocateOid(CEOID* oid);

    // The collation the volume's sort keys are built with, as the file says
    // (another process may have changed it): call inside a transaction.
    DWORD LoadCollation();
    const std::string& Collation() const { return collation_; }
    const SortKeyBuilder& Keys() const { return *keys_; }
    // Rebuilds every sort key when the user's locale collates differently
    // from the keys in the file. Takes its own write transaction.
    DWORD FollowUserLocale();

    // Database handles of this process open on the volume. The first one
    // with a window to notify starts the watcher of other processes' writes.
    std::uint64_t AddOpenHandle(CEOID db, HWND notify);
    void RemoveOpenHandle(std::uint64_t id);
    size_t OpenHandlesOn(CEOID db) const;
    std::vector<HWND> NotifyTargets(CEOID db) const;
    // Every (database, window) pair of the handles with a window to notify.
    std::vector<std::pair<CEOID, HWND>> AllNotifyTargets() const;

    // The databases a count found wholly covered by the search text, each
    // with the file's data version of that count (search_text_index.cpp).
    std::map<CEOID, unsigned int>& SearchTextCovered() { return searchTextCovered_; }
    // The databases' search texts read into memory, each with the file's
    // data version it was read at (search_text_index.cpp).
    std::shared_ptr<SearchTextCopies>& SearchTextCopiesKept() { return searchTextCopies_; }

private:
    explicit Volume(std::string path) : path_(std::move(path)) {}
    DWORD InitSchema(bool* created);

    std::recursive_mutex mutex_;
    std::string path_;
    sqlite3* db_ = nullptr;
    StatementCache statements_;
    ChangeCounter counter_;
    std::uint64_t localWrites_ = 0;
    // Tells this connection's rows of the change log from other ones'.
    std::int64_t writer_ = 0;
    std::uint64_t loggedChanges_ = 0;
    std::string collation_;
    std::unique_ptr<SortKeyBuilder> keys_;
    struct OpenHandle {
        CEOID db;
        HWND notify;
    };
    std::map<std::uint64_t, OpenHandle> openHandles_;
    std::uint64_t nextHandleId_ = 1;
    std::map<CEOID, unsigned int> searchTextCovered_;
    std::shared_ptr<SearchTextCopies> searchTextCopies_;
    // Last: stopped before anything it reads goes.
    ChangeWatcher watcher_{*this};
};

}  // namespace platform::cedb
