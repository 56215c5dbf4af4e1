// The position of a database handle in its sort order, and the records it
// keeps around it.
//
// Records are ordered by (sort key, OID); with no sort order by OID. The
// position is an anchor (key, OID): either "at" that record, or "after" it
// (the current record is then the first one following it, looked up when it
// is used: a record added meanwhile is found). A new handle is after the
// smallest possible anchor, that is at the first record, whichever it is when
// it is read. When the record a handle is at gets another sort value, the
// handle follows it to its new place the next time it is used; a handle after
// a record (the one it just read) stays where that record was, so a loop that
// reads and rewrites each record meets every record once. When the anchor's
// record is deleted, the anchor stays where the handle last saw it, so moving
// on from a deleted record works.
//
// Reading forward is a walk: one statement of the cursor's own, started
// after the anchor and stepped one record per move, its row read in place
// (no copy) and left standing between calls. The walk holds one read
// snapshot of the file, so a record is never read half old and half new; it
// ends at the last record, at any other move, at Forget(), and whenever a
// transaction starts on the connection (EndWalks), after which the next
// move starts a new one from the anchor. Other moves keep the records they
// fetched around the anchor (the batch) and move within them while the
// volume has not changed. Whoever owns the cursor calls Forget() when it has.
//
// Every method is called with the volume's mutex held.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objectstore/internal/cedb_volume.h"
#include "platform/objectstore/internal/search_text_store.h"

namespace platform::cedb {

// A kept record: its bytes stay valid until the cursor moves or forgets.
struct CursorRow {
    CEOID oid = 0;
    std::string_view key;
    std::string_view props;
};

class Cursor {
public:
    // slot: the sort order (0 to 3), or -1 for OID order.
    Cursor(Volume& volume, CEOID db, int slot);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    // Lets go of the walk's statement; called with the volume's mutex held
    // before the cursor goes.
    void Close();

    // Drops the kept records; at a record, takes the anchor's key from the
    // stored record again (its sort value may have changed).
    DWORD Forget();

    // Narrows the walk to the records whose search text holds every piece
    // of pieceList (search_text_has's list; empty: every record) and puts
    // the cursor before the first record. Moves forward from the current
    // record keep the narrowing; Unrestrict lifts it, and the caller does
    // so before any other seek. OID order only (ERROR_INVALID_PARAMETER).
    // With matches (the records holding them, found in a copy of the texts)
    // the walk reads just those records while the file is as it was when
    // they were found, and reads the texts again when it is not.
    DWORD Restrict(std::string pieceList, DWORD flags, std::shared_ptr<const SearchTextMatches> matches = nullptr);
    // Narrows the walk to the records whose key in sort order `slot` lies
    // in [low, high) (the records holding that order's property) and puts
    // the cursor before the first record; they are walked in OID order, so
    // that the table's pages are read one after the other however the
    // records lie in the sort order. Kept and lifted as Restrict's
    // narrowing; OID order only (ERROR_INVALID_PARAMETER).
    DWORD RestrictToKeys(int slot, const SORTORDERSPEC& order, std::string low, std::string high);
    // The slot RestrictToKeys narrowed to (-1: none) and its sort order
    // then, which the caller checks when the database may have changed.
    int KeySlot() const { return keySlot_; }
    const SORTORDERSPEC& KeyOrder() const { return keyOrder_; }
    void Unrestrict();

    // Seeks. Each moves to a record and returns ERROR_SUCCESS, or returns
    // ERROR_NOT_FOUND (or a failure) and leaves the position as it was.
    DWORD ToOid(CEOID oid);
    DWORD ToNth(std::uint64_t n);         // n-th record from the start (0: the first)
    DWORD ToNthFromEnd(std::uint64_t n);  // n-th record from the end (0: the last)
    DWORD Move(std::int64_t n);           // relative to the current record
    // The last record with a key below valueKey among the records that hold
    // the property (keys from low on).
    DWORD ToLastBelow(const std::string& low, const std::string& valueKey);
    DWORD ToFirstEqual(const std::string& valueKey);
    // The first record with a key above valueKey below high.
    DWORD ToFirstAbove(const std::string& valueKey, const std::string& high);
    // The record right after the current one, when its key is valueKey.
    DWORD ToNextEqual(const std::string& valueKey);

    // The current record: ERROR_NOT_FOUND when there is none (after the last
    // record), ERROR_KEY_DELETED when it was deleted.
    DWORD Current(CursorRow* row);
    // After a read with CEDB_AUTOINCREMENT: the current record becomes the
    // next one.
    void Advance();
    // A record deleted through an auto-increment handle: when it is the
    // current one, the record that followed it becomes the current one.
    void Deleted(CEOID oid);
    // The position of the current record counted from 0.
    DWORD Index(DWORD* index);
    CEOID Oid() const { return oid_; }

private:
    // Puts the cursor before the first record of a new walk, nothing kept.
    void BeforeFirst();
    // Records in order: each one's OID and where its key and stored
    // properties lie in `bytes`.
    struct Batch {
        struct Row {
            CEOID oid;
            size_t keyAt, keyLength, propsAt, propsLength;
        };
        std::string bytes;
        std::vector<Row> rows;
        // Keeps the buffer for the next batch, unless a batch of large
        // records made it large.
        void Clear();
        void Add(CEOID oid, std::string_view key, std::string_view props);
        CursorRow At(size_t i) const;
    };

    std::string KeyExpr() const;
    // The columns a kept record is read from, and the kept record of a
    // statement's current row selecting them.
    std::string RowColumns() const;
    void AddRow(const Statement& st);
    std::string AfterCondition(bool inclusive) const;
    std::string BeforeCondition(bool inclusive) const;
    // Records of the database meeting `where`, in order (or reversed),
    // starting at `offset`, into the kept batch (which they replace; nothing
    // is kept until the caller says so). Parameters: ?2, ?3 the anchor's key
    // and OID, ?6-?8 the strings given.
    DWORD Fetch(const std::string& where, bool descending, std::uint64_t limit, std::uint64_t offset,
                const std::string& p6 = {}, const std::string& p7 = {}, const std::string& p8 = {});
    // The k-th record after the anchor (k >= 1).
    DWORD Forward(std::uint64_t k);
    // The m-th record before the anchor (m >= 1); with inclusive the anchor
    // itself counts as the first.
    DWORD Backward(std::uint64_t m, bool inclusive);
    DWORD MoveToSingle(DWORD status);
    // At the kept record i.
    void SetAt(size_t i);
    // The walk: started after the anchor and stepped k records on. Each
    // leaves the position as it was when it fails.
    DWORD StartWalk(std::uint64_t k);
    // firstStep: the result of a first step already taken (which counts as
    // one of the k), or kNotStepped.
    static constexpr int kNotStepped = -1;
    DWORD StepWalk(std::uint64_t k, int firstStep = kNotStepped);
    // Whether the database holds at least half of the volume's records,
    // which a walk in OID order then reads by scanning the whole table.
    bool HoldsMostRecords() const;
    // Whether a walk over the listed matches sees the file as they were
    // found; called after the walk's first step.
    bool ListedMatchesHold() const;
    bool Walking() const { return walking_ && sqlite3_stmt_busy(walk_); }
    // The current record: the walk's row or the kept one.
    CursorRow Row() const;
    void StopWalk();

    Volume& volume_;
    CEOID db_;
    int slot_;

    bool at_ = false;
    std::string key_;
    CEOID oid_ = 0;
    // The collation key_ was built with, kept for a position after a record:
    // when the volume's keys are rebuilt in another collation, the anchor
    // takes its record's new key instead.
    std::string afterCollation_;

    // Records in order; rows_.rows[index_] is the anchor (index_ -1: the
    // anchor comes right before the first). With reachesEnd_ no record
    // follows the last one.
    bool kept_ = false;
    Batch rows_;
    std::int64_t index_ = -1;
    bool reachesEnd_ = false;
    std::uint64_t batch_ = 2;

    // The walk's own statement (made on first use); with walking_ it stands
    // on the current record.
    sqlite3_stmt* walk_ = nullptr;
    bool walking_ = false;
    // The narrowing of the walk (Restrict or RestrictToKeys); Restrict's
    // pieces and flags.
    bool restricted_ = false;
    std::string pieces_;
    DWORD pieceFlags_ = 0;
    std::shared_ptr<const SearchTextMatches> matches_;
    // The narrowing to a range of one sort order's keys (RestrictToKeys).
    int keySlot_ = -1;
    SORTORDERSPEC keyOrder_{};
    std::string keyLow_, keyHigh_;
};

}  // namespace platform::cedb
