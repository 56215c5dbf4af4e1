#include "engine/store_change_burst.h"

#include <unordered_set>

#include "platform/objectstore/cedb.h"

StoreChangeBurst SummariseChanges(const std::vector<STORECHANGE>& changes, CEOID database)
{
    StoreChangeBurst burst;
    std::unordered_set<CEOID> seen;
    for (const STORECHANGE& change : changes) {
        if (database != 0 && change.database != database) continue;
        if (change.record == 0 || change.message == DB_CEOID_DATABASE_DELETED) {
            burst.readAll = true;
            continue;
        }
        if (seen.insert(change.record).second) burst.records.push_back(change.record);
    }
    return burst;
}

bool BurstNeedsReload(const StoreChangeBurst& burst, size_t rows)
{
    return burst.readAll || burst.records.size() * 8 > rows;
}
