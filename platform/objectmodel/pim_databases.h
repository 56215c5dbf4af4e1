// The personal-information store's databases in the object store, by the
// names the loaders open them by, made on first use with the sort orders the
// loaders and items open them with.
#pragma once

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"

class PimDatabases {
public:
    // Creates whichever of the four databases the volume (null: the object
    // store) lacks, and gives one made with fewer sort orders the rest.
    // True when all four exist afterwards; the last error tells why not.
    static bool Ensure(PCEGUID volume = nullptr);
    // The OID of one of them, creating the missing ones first; 0 on failure.
    static CEOID Oid(LPCWSTR name, PCEGUID volume = nullptr);
};
