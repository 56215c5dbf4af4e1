// The records of "\Categories Database": one record per category, holding
// its name and the index of its bit in items' category bit sets, along with
// display properties. Reading, adding and deleting records, and removing
// categories from the items; the callers decide what a record means (which
// to show, which to drop).
#pragma once

#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"

// One record as stored; a property the record lacks reads as its default.
struct CategoryRecord {
    CEOID oid = 0;
    std::u16string name;  // empty when the record has none
    SHORT index = -1;     // -1 when the record has none
    SHORT prop4003 = 1;
    SHORT prop4006 = 0;
    SHORT prop4005 = 0;
    SHORT prop4004 = 0;
    bool shown = true;
};

class CategoryDatabase {
public:
    // Every record, in the database's record order, appended to records.
    // False when the database cannot be opened (it is not made here).
    static bool ReadAll(std::vector<CategoryRecord>& records);

    // The lowest index in 0..8,191 not among used; -1 when all are taken.
    static int LowestFreeIndex(const std::vector<int>& used);

    // Writes a record of name and index. Returns ERROR_SUCCESS (then *oid,
    // when given, holds the new record's) or the engine's error, which is
    // also left as the last error.
    static DWORD Add(const WCHAR* name, SHORT index, CEOID* oid = nullptr);

    // Deletes the records, stopping at the first that cannot be deleted.
    // Returns ERROR_SUCCESS or the engine's error (also the last error); the
    // database is opened even for no records, so a missing one is reported.
    static DWORD Delete(const std::vector<CEOID>& oids);

    // Deletes the records and clears the bits of indices from the category
    // blob of every appointment, task and contact (a blob left empty is
    // removed), all in one transaction: a failure changes nothing. Returns
    // ERROR_SUCCESS or the engine's error (also the last error).
    static DWORD Remove(const std::vector<CEOID>& oids, const std::vector<int>& indices);
};
