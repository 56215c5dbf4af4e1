#include "platform/objectstore/property_walk.h"

#include <mutex>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb_sort_key.h"
#include "platform/objectstore/internal/cedb_database_handle.h"
#include "platform/objectstore/internal/cedb_database_row.h"

using namespace platform::cedb;

BOOL CeRestrictToProperty(HANDLE db, CEPROPID propid)
{
    auto handle = platform::LookupHandleAs<DatabaseHandle>(db);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Volume& volume = handle->GetVolume();
    std::lock_guard lock(volume.Mutex());
    DWORD err = handle->BeginCall();
    DatabaseRow row;
    if (!err) {
        Transaction read(volume.Statements(), false);
        err = read.Status();
        if (!err) err = LoadDatabase(volume, handle->Db(), row);
    }
    int slot = -1;
    for (size_t i = 0; !err && i < row.sorts.size() && slot < 0; ++i)
        if (row.sorts[i].propid == propid) slot = static_cast<int>(i);
    if (!err && (slot < 0 || handle->Slot() >= 0)) err = ERROR_INVALID_PARAMETER;
    if (!err) {
        const SORTORDERSPEC& order = row.sorts[static_cast<size_t>(slot)];
        err = handle->Position().RestrictToKeys(slot, order, SortKeyBuilder::PresentLow(order),
                                                SortKeyBuilder::PresentHigh(order));
    }
    if (err) {
        SetLastError(err);
        return FALSE;
    }
    return TRUE;
}
