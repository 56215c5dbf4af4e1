// The kernel object behind a handle from CeOpenDatabaseEx.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb_record_block.h"
#include "platform/objectstore/internal/cedb_cursor.h"
#include "platform/objectstore/internal/cedb_volume.h"

namespace platform::cedb {

class DatabaseHandle : public KernelObject {
public:
    // Registers with the volume (whose mutex the caller holds) for change
    // notifications.
    DatabaseHandle(std::shared_ptr<Volume> volume, CEOID db, int slot, const SORTORDERSPEC& order, DWORD flags,
                   HWND notify);
    // Takes the volume's mutex: the last reference must not be dropped while
    // it is held.
    ~DatabaseHandle() override;

    Volume& GetVolume() { return *volume_; }
    const std::shared_ptr<Volume>& SharedVolume() const { return volume_; }
    CEOID Db() const { return db_; }
    int Slot() const { return slot_; }
    const SORTORDERSPEC& Order() const { return order_; }
    bool AutoIncrement() const { return (flags_ & CEDB_AUTOINCREMENT) != 0; }
    Cursor& Position() { return cursor_; }
    // The handle's reads (under the volume's mutex) keep their block's plan
    // and memory from one read to the next, so that a read allocates nothing.
    RecordBlock& ReadBlock() { return readBlock_; }

    // First thing of every call, under the volume's mutex: when the volume
    // changed since the last call, checks that the database is still there
    // with the handle's sort order and drops what the cursor kept.
    // ERROR_INVALID_HANDLE when the volume was closed or the database deleted.
    DWORD BeginCall();
    // After a record write or delete of this call committed: when nothing
    // but this call's own writes moved the volume's stamp since BeginCall,
    // no other writer touched the volume, and a record's write or delete
    // leaves the database (its existence and sort orders) as the check found
    // it; so the next call only drops what the cursor kept instead of
    // checking the database again. The check stands on the stamp alone: a
    // delete does not read the database's row again.
    void KeepCheckAfterOwnWrite();

private:
    std::shared_ptr<Volume> volume_;
    CEOID db_;
    int slot_;
    SORTORDERSPEC order_;
    DWORD flags_;
    std::uint64_t registration_;
    Cursor cursor_;
    RecordBlock readBlock_;
    bool checked_ = false;
    std::uint64_t checkedStamp_ = 0;
    std::int64_t checkedAtMs_ = 0;
    // The volume's count of this process's writes when the call began.
    std::uint64_t callLocalWrites_ = 0;
    // The cursor drops its kept records at the next call.
    bool forgetCursor_ = false;
};

}  // namespace platform::cedb
