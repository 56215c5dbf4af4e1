#include "platform/objectstore/internal/cedb_database_handle.h"

#include <time.h>

#include "platform/base/error_codes.h"
#include "platform/objectstore/internal/cedb_database_row.h"

namespace platform::cedb {
namespace {

// A writer killed between its commit and raising the change counter leaves
// the counter behind; kept records are trusted this long at most.
constexpr std::int64_t kMaxTrustMs = 1000;

// Milliseconds of the monotonic clock as the kernel last ticked it: a few
// milliseconds coarse, which the trust above allows, and read in a fraction
// of the precise clock's time (every call reads it).
std::int64_t CoarseNowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Whether the database still sorts by `order` in `slot`.
bool SortsAt(const DatabaseRow& row, int slot, const SORTORDERSPEC& order)
{
    return static_cast<size_t>(slot) < row.sorts.size() && row.sorts[slot].propid == order.propid &&
           row.sorts[slot].dwFlags == order.dwFlags;
}

}  // namespace

DatabaseHandle::DatabaseHandle(std::shared_ptr<Volume> volume, CEOID db, int slot, const SORTORDERSPEC& order,
                               DWORD flags, HWND notify)
    : volume_(std::move(volume)), db_(db), slot_(slot), order_(order), flags_(flags),
      registration_(volume_->AddOpenHandle(db, notify)), cursor_(*volume_, db, slot)
{}

DatabaseHandle::~DatabaseHandle()
{
    std::lock_guard lock(volume_->Mutex());
    cursor_.Close();
    volume_->RemoveOpenHandle(registration_);
}

DWORD DatabaseHandle::BeginCall()
{
    if (!volume_->IsOpen()) return ERROR_INVALID_HANDLE;
    std::uint64_t stamp = volume_->Stamp();
    std::int64_t now = CoarseNowMs();
    callLocalWrites_ = volume_->LocalWrites();
    if (checked_ && volume_->StampReliable() && stamp == checkedStamp_ && now - checkedAtMs_ < kMaxTrustMs) {
        if (!forgetCursor_) return ERROR_SUCCESS;
        // Kept on a failure: the next call forgets again.
        if (DWORD err = cursor_.Forget()) return err;
        forgetCursor_ = false;
        return ERROR_SUCCESS;
    }
    checked_ = false;
    forgetCursor_ = false;
    Transaction read(volume_->Statements(), false);
    if (DWORD err = read.Status()) return err;
    DatabaseRow row;
    DWORD err = LoadDatabase(*volume_, db_, row);
    if (err == ERROR_FILE_NOT_FOUND) return ERROR_INVALID_HANDLE;
    if (err) return err;
    if (slot_ >= 0 && !SortsAt(row, slot_, order_)) return ERROR_INVALID_HANDLE;
    // A narrowing to the holders of a sort order's property ends when the
    // database no longer sorts by it there.
    if (cursor_.KeySlot() >= 0 && !SortsAt(row, cursor_.KeySlot(), cursor_.KeyOrder())) cursor_.Unrestrict();
    if (DWORD err2 = volume_->LoadCollation()) return err2;
    if (DWORD err2 = cursor_.Forget()) return err2;
    checked_ = true;
    checkedStamp_ = stamp;
    checkedAtMs_ = now;
    return ERROR_SUCCESS;
}

void DatabaseHandle::KeepCheckAfterOwnWrite()
{
    // Each write this process notes raises the stamp by two; any other
    // movement is another writer's, and the next call checks again. The
    // trust's age is not renewed: a writer killed before raising the counter
    // is still caught in time.
    const std::uint64_t own = volume_->LocalWrites() - callLocalWrites_;
    const std::uint64_t stamp = volume_->Stamp();
    if (!checked_ || stamp != checkedStamp_ + 2 * own) return;
    checkedStamp_ = stamp;
    forgetCursor_ = true;
}

}  // namespace platform::cedb
