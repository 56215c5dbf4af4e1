// StoreChangeBurst: the records a burst of store changes names, as a list
// that refreshes only its affected rows needs them. Whether a record was
// made, changed or deleted does not matter to such a list: it reads each
// named record again, and one that no longer reads leaves the list.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/store_change_watch.h"
#include "platform/base/export.h"

struct StoreChangeBurst {
    bool readAll = false;         // a change without a record, or a deleted database
    std::vector<CEOID> records;   // each named record once, in order of first arrival
};

// Gathers the records of the changes to database (0: any database).
KSTOOLS_API StoreChangeBurst SummariseChanges(const std::vector<STORECHANGE>& changes, CEOID database = 0);

// True when a list of rows rows should be loaded again rather than refreshed:
// the burst says to read everything, or names more than an eighth of the
// rows (re-placing that many costs more than one sorted pass).
KSTOOLS_API bool BurstNeedsReload(const StoreChangeBurst& burst, size_t rows);
