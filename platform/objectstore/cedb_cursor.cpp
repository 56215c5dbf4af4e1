#include "platform/objectstore/internal/cedb_cursor.h"

#include <algorithm>
#include <limits>

#include "platform/base/error_codes.h"
#include "platform/objectstore/internal/cedb_database_row.h"

namespace platform::cedb {
namespace {

constexpr std::uint64_t kMaxBatch = 256;
// Far moves skip the records in between instead of fetching them.
constexpr std::uint64_t kFarMove = 256;
// A kept batch's buffer larger than this is given back rather than reused.
constexpr size_t kKeptBytes = 1u << 20;

std::int64_t AsSqlInt(std::uint64_t n)
{
    return static_cast<std::int64_t>(std::min<std::uint64_t>(n, std::numeric_limits<std::int64_t>::max()));
}

}  // namespace

void Cursor::Batch::Clear()
{
    if (bytes.capacity() > kKeptBytes) std::string().swap(bytes);
    bytes.clear();
    rows.clear();
}

void Cursor::Batch::Add(CEOID oid, std::string_view key, std::string_view props)
{
    size_t keyAt = bytes.size();
    bytes.append(key);
    size_t propsAt = bytes.size();
    bytes.append(props);
    rows.push_back(Row{oid, keyAt, key.size(), propsAt, props.size()});
}

CursorRow Cursor::Batch::At(size_t i) const
{
    const Row& r = rows[i];
    std::string_view all(bytes);
    return CursorRow{r.oid, all.substr(r.keyAt, r.keyLength), all.substr(r.propsAt, r.propsLength)};
}

Cursor::Cursor(Volume& volume, CEOID db, int slot) : volume_(volume), db_(db), slot_(slot) {}

Cursor::~Cursor() { Close(); }

void Cursor::Close()
{
    walking_ = false;
    sqlite3_finalize(walk_);
    walk_ = nullptr;
}

void Cursor::StopWalk()
{
    if (walking_) sqlite3_reset(walk_);
    walking_ = false;
}

DWORD Cursor::StartWalk(std::uint64_t k)
{
    StopWalk();
    kept_ = false;
    rows_.Clear();
    // Inside a transaction its own writes do not move the file's data
    // version, so listed matches cannot tell whether they still hold.
    if (matches_ && sqlite3_get_autocommit(volume_.Db()) == 0) {
        matches_.reset();
        Close();
    }
    if (!walk_) {
        // A walk in OID order over a database holding most of the volume's
        // records reads the table straight through, skipping the few rows of
        // other databases: through the index by database, each record would
        // cost a descent of the table from its root.
        const bool inOidOrder = restricted_ ? keySlot_ >= 0 : slot_ < 0;
        const char* const byOid =
            inOidOrder && HoldsMostRecords() ? "records NOT INDEXED" : "records INDEXED BY records_by_db";
        std::string order = slot_ < 0 ? "oid" : KeyColumn(slot_) + ", oid";
        std::string sql = kWalkSql + RowColumns() + " FROM " + (slot_ < 0 ? byOid : "records") +
                          " WHERE db = ?1 AND " + AfterCondition(false) + " ORDER BY " + order;
        // Narrowed: the search texts of the database in OID order, each
        // record read in the same step as the text that holds the pieces.
        if (restricted_)
            sql = std::string(kWalkSql) +
                  "r.oid, r.props FROM search_text s CROSS JOIN records r WHERE s.db = ?1 AND s.oid > ?3"
                  " AND (length(?4) = 0 OR search_text_has(s.text, ?5, ?4)) AND r.oid = s.oid ORDER BY s.oid";
        // Narrowed to a range of a sort order's keys: the database's records
        // in OID order, each with its key tested in place.
        if (restricted_ && keySlot_ >= 0)
            sql = std::string(kWalkSql) + "oid, props FROM " + byOid + " WHERE db = ?1 AND oid > ?3 AND " +
                  KeyColumn(keySlot_) + " >= ?4 AND " + KeyColumn(keySlot_) + " < ?5 ORDER BY oid";
        // Narrowed with the matches listed: those records, from the ?6-th of
        // the OIDs listed in ?4 on, each looked up by its OID.
        else if (restricted_ && matches_)
            sql = std::string(kWalkSql) +
                  "r.oid, r.props FROM search_text_listed(?4, ?6) AS l CROSS JOIN records r"
                  " WHERE r.oid = l.oid AND r.db = ?1";
        if (sqlite3_prepare_v3(volume_.Db(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &walk_, nullptr) !=
            SQLITE_OK) {
            DWORD err = MapSqliteError(sqlite3_errcode(volume_.Db()));
            sqlite3_finalize(walk_);
            walk_ = nullptr;
            return err ? err : ERROR_GEN_FAILURE;
        }
    }
    sqlite3_bind_int64(walk_, 1, static_cast<sqlite3_int64>(db_));
    if (slot_ >= 0) sqlite3_bind_blob64(walk_, 2, key_.empty() ? "" : key_.data(), key_.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int64(walk_, 3, static_cast<sqlite3_int64>(oid_));
    if (restricted_ && matches_) {
        const std::vector<CEOID>& oids = matches_->oids;
        const auto first = std::upper_bound(oids.begin(), oids.end(), oid_) - oids.begin();
        // matches_ outlives the walk: every change of it closes the statement
        // first.
        sqlite3_bind_pointer(walk_, 4, const_cast<std::vector<CEOID>*>(&oids), kListedOidsPointer, nullptr);
        sqlite3_bind_int64(walk_, 6, first);
        walking_ = true;
        const int rc = sqlite3_step(walk_);
        if (ListedMatchesHold()) return StepWalk(k, rc);
        // The file changed since the matches were found: the walk reads the
        // search texts instead.
        matches_.reset();
        Close();
        return StartWalk(k);
    }
    if (restricted_ && keySlot_ >= 0) {
        sqlite3_bind_blob64(walk_, 4, keyLow_.data(), keyLow_.size(), SQLITE_STATIC);
        sqlite3_bind_blob64(walk_, 5, keyHigh_.data(), keyHigh_.size(), SQLITE_STATIC);
    } else if (restricted_) {
        sqlite3_bind_blob64(walk_, 4, pieces_.data(), pieces_.size(), SQLITE_STATIC);
        sqlite3_bind_int64(walk_, 5, pieceFlags_);
    }
    walking_ = true;
    return StepWalk(k);
}

bool Cursor::HoldsMostRecords() const
{
    Statement st(volume_.Statements(),
                 "SELECT 2 * records >= (SELECT total(records) FROM databases) FROM databases WHERE oid = ?1");
    return st.Ok() && st.Bind(1, db_).Step() == SQLITE_ROW && st.Int(0) != 0;
}

bool Cursor::ListedMatchesHold() const
{
    unsigned int version = 0;
    return FileDataVersion(volume_.Db(), &version) && version == matches_->version;
}

DWORD Cursor::StepWalk(std::uint64_t k, int firstStep)
{
    const bool stepped = firstStep != kNotStepped;
    int rc = stepped ? firstStep : SQLITE_ROW;
    for (std::uint64_t i = stepped ? 1 : 0; i < k && rc == SQLITE_ROW; ++i) rc = sqlite3_step(walk_);
    if (rc != SQLITE_ROW) {
        StopWalk();
        return rc == SQLITE_DONE ? ERROR_NOT_FOUND : MapSqliteError(rc);
    }
    at_ = true;
    index_ = -1;
    oid_ = static_cast<CEOID>(sqlite3_column_int64(walk_, 0));
    if (slot_ >= 0) {
        const void* key = sqlite3_column_blob(walk_, 1);
        key_.assign(key ? static_cast<const char*>(key) : "", static_cast<size_t>(sqlite3_column_bytes(walk_, 1)));
    }
    return ERROR_SUCCESS;
}

void Cursor::BeforeFirst()
{
    kept_ = false;
    rows_.Clear();
    index_ = -1;
    at_ = false;
    oid_ = 0;
    key_.clear();
}

DWORD Cursor::Restrict(std::string pieceList, DWORD flags, std::shared_ptr<const SearchTextMatches> matches)
{
    if (slot_ >= 0) return ERROR_INVALID_PARAMETER;
    // The narrowed walk is another statement.
    Close();
    restricted_ = true;
    keySlot_ = -1;
    pieces_ = std::move(pieceList);
    pieceFlags_ = flags;
    matches_ = std::move(matches);
    BeforeFirst();
    return ERROR_SUCCESS;
}

DWORD Cursor::RestrictToKeys(int slot, const SORTORDERSPEC& order, std::string low, std::string high)
{
    if (slot_ >= 0 || slot < 0 || slot >= CEDB_MAXSORTORDER) return ERROR_INVALID_PARAMETER;
    Close();
    restricted_ = true;
    pieces_.clear();
    matches_.reset();
    keySlot_ = slot;
    keyOrder_ = order;
    keyLow_ = std::move(low);
    keyHigh_ = std::move(high);
    BeforeFirst();
    return ERROR_SUCCESS;
}

void Cursor::Unrestrict()
{
    if (!restricted_) return;
    Close();
    restricted_ = false;
    pieces_.clear();
    matches_.reset();
    keySlot_ = -1;
    keyLow_.clear();
    keyHigh_.clear();
}

CursorRow Cursor::Row() const
{
    if (!walking_) return rows_.At(static_cast<size_t>(index_));
    const int column = slot_ < 0 ? 1 : 2;
    const void* props = sqlite3_column_blob(walk_, column);
    auto n = static_cast<size_t>(sqlite3_column_bytes(walk_, column));
    return CursorRow{oid_, key_, props ? std::string_view(static_cast<const char*>(props), n) : std::string_view()};
}

std::string Cursor::KeyExpr() const { return slot_ < 0 ? "X''" : KeyColumn(slot_); }

std::string Cursor::RowColumns() const { return slot_ < 0 ? "oid, props" : "oid, " + KeyColumn(slot_) + ", props"; }

void Cursor::AddRow(const Statement& st)
{
    // In OID order every key is empty: it is not asked of SQLite at all.
    if (slot_ < 0)
        rows_.Add(static_cast<CEOID>(st.Int(0)), {}, st.Bytes(1));
    else
        rows_.Add(static_cast<CEOID>(st.Int(0)), st.Bytes(1), st.Bytes(2));
}

std::string Cursor::AfterCondition(bool inclusive) const
{
    const char* op = inclusive ? ">=" : ">";
    return slot_ < 0 ? std::string("oid ") + op + " ?3" : "(" + KeyColumn(slot_) + ", oid) " + op + " (?2, ?3)";
}

std::string Cursor::BeforeCondition(bool inclusive) const
{
    const char* op = inclusive ? "<=" : "<";
    return slot_ < 0 ? std::string("oid ") + op + " ?3" : "(" + KeyColumn(slot_) + ", oid) " + op + " (?2, ?3)";
}

DWORD Cursor::Fetch(const std::string& where, bool descending, std::uint64_t limit, std::uint64_t offset,
                    const std::string& p6, const std::string& p7, const std::string& p8)
{
    StopWalk();
    kept_ = false;
    rows_.Clear();
    std::string order = slot_ < 0 ? (descending ? "oid DESC" : "oid")
                                  : (descending ? KeyColumn(slot_) + " DESC, oid DESC" : KeyColumn(slot_) + ", oid");
    std::string sql = "SELECT " + RowColumns() + " FROM records WHERE db = ?1" +
                      (where.empty() ? "" : " AND " + where) + " ORDER BY " + order + " LIMIT ?4 OFFSET ?5";
    Statement st(volume_.Statements(), sql);
    if (!st.Ok()) return MapSqliteError(sqlite3_errcode(volume_.Db()));
    st.Bind(1, db_).BindBlob(2, key_).Bind(3, oid_).Bind(4, AsSqlInt(limit)).Bind(5, AsSqlInt(offset));
    st.BindBlob(6, p6).BindBlob(7, p7).BindBlob(8, p8);
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) AddRow(st);
    return rc == SQLITE_DONE ? ERROR_SUCCESS : MapSqliteError(rc);
}

void Cursor::SetAt(size_t i)
{
    const auto& row = rows_.rows[i];
    index_ = static_cast<std::int64_t>(i);
    at_ = true;
    key_.assign(rows_.bytes, row.keyAt, row.keyLength);
    oid_ = row.oid;
}

DWORD Cursor::MoveToSingle(DWORD status)
{
    if (status) return status;
    if (rows_.rows.empty()) return ERROR_NOT_FOUND;
    rows_.rows.erase(rows_.rows.begin() + 1, rows_.rows.end());
    reachesEnd_ = false;
    kept_ = true;
    batch_ = 2;
    SetAt(0);
    return ERROR_SUCCESS;
}

DWORD Cursor::Forget()
{
    StopWalk();
    kept_ = false;
    rows_.Clear();
    index_ = -1;
    if (oid_ == 0 || (!at_ && afterCollation_ == volume_.Collation())) return ERROR_SUCCESS;
    Statement st(volume_.Statements(), "SELECT " + KeyExpr() + " FROM records WHERE oid = ?1 AND db = ?2");
    int rc = st.Bind(1, oid_).Bind(2, db_).Step();
    if (rc == SQLITE_ROW) key_.assign(st.Bytes(0));
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? ERROR_SUCCESS : MapSqliteError(rc);
}

DWORD Cursor::Forward(std::uint64_t k)
{
    if (Walking()) {
        DWORD err = StepWalk(k);
        // A walk cut short (its transaction undone under it) starts again
        // from where it stood.
        return err == ERROR_SUCCESS || err == ERROR_NOT_FOUND ? err : StartWalk(k);
    }
    if (kept_) {
        auto target = static_cast<std::uint64_t>(index_ + 1) + k - 1;
        if (target < rows_.rows.size()) {
            SetAt(target);
            return ERROR_SUCCESS;
        }
        if (reachesEnd_) return ERROR_NOT_FOUND;
    }
    // A narrowed walk steps over the records it leaves out, however far.
    if (k <= kFarMove || restricted_) return StartWalk(k);
    const std::uint64_t limit = batch_;
    if (DWORD err = Fetch(AfterCondition(false), false, limit, k - 1)) return err;
    if (rows_.rows.empty()) return ERROR_NOT_FOUND;
    reachesEnd_ = rows_.rows.size() < limit;
    kept_ = true;
    batch_ = std::min(batch_ * 2, kMaxBatch);
    SetAt(0);
    return ERROR_SUCCESS;
}

DWORD Cursor::Backward(std::uint64_t m, bool inclusive)
{
    if (kept_ && index_ >= 0) {
        std::int64_t target = index_ - static_cast<std::int64_t>(m) + (inclusive ? 1 : 0);
        if (target >= 0) {
            SetAt(static_cast<size_t>(target));
            return ERROR_SUCCESS;
        }
    }
    return MoveToSingle(Fetch(BeforeCondition(inclusive), true, 1, m - 1));
}

DWORD Cursor::ToOid(CEOID oid)
{
    if (kept_) {
        for (size_t i = 0; i < rows_.rows.size(); ++i)
            if (rows_.rows[i].oid == oid) {
                SetAt(i);
                return ERROR_SUCCESS;
            }
    }
    StopWalk();
    kept_ = false;
    rows_.Clear();
    Statement st(volume_.Statements(), "SELECT " + RowColumns() + " FROM records WHERE oid = ?1 AND db = ?2");
    int rc = st.Bind(1, oid).Bind(2, db_).Step();
    if (rc == SQLITE_ROW) AddRow(st);
    DWORD status = rc == SQLITE_ROW || rc == SQLITE_DONE ? ERROR_SUCCESS : MapSqliteError(rc);
    return MoveToSingle(status);
}

DWORD Cursor::ToNth(std::uint64_t n) { return MoveToSingle(Fetch({}, false, 1, n)); }

DWORD Cursor::ToNthFromEnd(std::uint64_t n) { return MoveToSingle(Fetch({}, true, 1, n)); }

DWORD Cursor::Move(std::int64_t n)
{
    if (n == 0) {
        CursorRow row;
        return Current(&row);
    }
    if (n > 0) return Forward(static_cast<std::uint64_t>(n) + (at_ ? 0 : 1));
    auto m = static_cast<std::uint64_t>(-(n + 1)) + 1;  // |n| without overflow
    return Backward(m, !at_);
}

DWORD Cursor::ToLastBelow(const std::string& low, const std::string& valueKey)
{
    if (slot_ < 0) return ERROR_INVALID_PARAMETER;
    std::string k = KeyColumn(slot_);
    return MoveToSingle(Fetch(k + " >= ?6 AND " + k + " < ?7", true, 1, 0, low, valueKey));
}

DWORD Cursor::ToFirstEqual(const std::string& valueKey)
{
    if (slot_ < 0) return ERROR_INVALID_PARAMETER;
    return MoveToSingle(Fetch(KeyColumn(slot_) + " = ?7", false, 1, 0, {}, valueKey));
}

DWORD Cursor::ToFirstAbove(const std::string& valueKey, const std::string& high)
{
    if (slot_ < 0) return ERROR_INVALID_PARAMETER;
    std::string k = KeyColumn(slot_);
    return MoveToSingle(Fetch(k + " > ?7 AND " + k + " < ?8", false, 1, 0, {}, valueKey, high));
}

DWORD Cursor::ToNextEqual(const std::string& valueKey)
{
    if (slot_ < 0) return ERROR_INVALID_PARAMETER;
    // The record after the current one: the anchor's second follower when
    // the current record is itself the anchor's follower.
    std::uint64_t k = at_ ? 1 : 2;
    bool keptBefore = kept_;
    Batch savedRows = rows_;
    std::int64_t savedIndex = index_;
    bool savedAt = at_, savedEnd = reachesEnd_;
    std::string savedKey = key_;
    CEOID savedOid = oid_;
    DWORD err = Forward(k);
    if (err == ERROR_SUCCESS && key_ == valueKey) return ERROR_SUCCESS;
    // Not equal: back to where the seek started.
    StopWalk();
    kept_ = keptBefore;
    std::swap(rows_, savedRows);
    index_ = savedIndex;
    at_ = savedAt;
    reachesEnd_ = savedEnd;
    key_ = savedKey;
    oid_ = savedOid;
    return err ? err : ERROR_NOT_FOUND;
}

DWORD Cursor::Current(CursorRow* row)
{
    if (!at_) {
        if (DWORD err = Forward(1)) return err;
        *row = Row();
        return ERROR_SUCCESS;
    }
    if (Walking()) {
        *row = Row();
        return ERROR_SUCCESS;
    }
    if (kept_ && index_ >= 0 && rows_.rows[static_cast<size_t>(index_)].oid == oid_) {
        *row = rows_.At(static_cast<size_t>(index_));
        return ERROR_SUCCESS;
    }
    CEOID oid = oid_;
    DWORD err = ToOid(oid);
    if (err == ERROR_NOT_FOUND) return ERROR_KEY_DELETED;
    if (err) return err;
    *row = rows_.At(static_cast<size_t>(index_));
    return ERROR_SUCCESS;
}

void Cursor::Advance()
{
    // "After the record just read": its follower is taken when it is used,
    // from the kept records while nothing changed, so a record added right
    // behind this one meanwhile is not skipped.
    at_ = false;
    afterCollation_ = volume_.Collation();
}

void Cursor::Deleted(CEOID oid)
{
    if (at_ && oid_ == oid) Advance();
}

DWORD Cursor::Index(DWORD* index)
{
    Statement st(volume_.Statements(), "SELECT count(*) FROM records WHERE db = ?1 AND " + BeforeCondition(!at_));
    int rc = st.Bind(1, db_).BindBlob(2, key_).Bind(3, oid_).Step();
    if (rc != SQLITE_ROW) return MapSqliteError(rc);
    *index = static_cast<DWORD>(st.Int(0));
    return ERROR_SUCCESS;
}

}  // namespace platform::cedb
