// Walking the records that hold one property: an extension of this platform
// (no device has it) for loaders that want a small part of a large database
// and do not care in which order they read it.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

// Narrows what db's handle reads forward to the records that hold propid,
// which must be one of the database's sort orders, and puts the handle
// before the first of them: reads with CEDB_AUTOINCREMENT, and seeks forward
// from the current record, then visit those records in ascending OID order
// (the order they lie in the file, which reads much faster than the sort
// order's when the records are few among many). Any other seek lifts the
// narrowing, and so does a change of the database's sort orders. For
// handles opened in OID order only. FALSE with the last error set for a bad
// handle, ERROR_INVALID_PARAMETER for a handle in a sort order or a property
// the database does not sort by.
KSTOOLS_API BOOL CeRestrictToProperty(HANDLE db, CEPROPID propid);
