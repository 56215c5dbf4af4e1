// StoreDatabase: owns an object-store database handle and closes it when it
// goes out of scope, keeping the last error of the call that used it.
// OpenStoreDatabase: opens one of the platform's own databases by name,
// making it first (with its one sort order) when asked to.
#pragma once

#include "platform/base/last_error.h"
#include "platform/base/types.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb.h"

namespace platform {

class StoreDatabase {
public:
    explicit StoreDatabase(HANDLE handle) : handle_(handle) {}
    ~StoreDatabase()
    {
        if (ok()) {
            const DWORD error = GetLastError();  // closing must not hide the call's own error
            CloseHandle(handle_);
            SetLastError(error);
        }
    }
    StoreDatabase(const StoreDatabase&) = delete;
    StoreDatabase& operator=(const StoreDatabase&) = delete;

    bool ok() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Opens the database `name` of the default volume, making it first with the
// one sort order `sort` when `create` is set. Another process may make it at
// the same moment: a taken name means it exists now, so it is opened again.
// INVALID_HANDLE_VALUE with the last error set when it cannot be opened.
HANDLE OpenStoreDatabase(LPCWSTR name, const SORTORDERSPEC& sort, bool create);

}  // namespace platform
