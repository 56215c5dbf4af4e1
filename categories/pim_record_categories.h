// Writing an item's categories straight into its record's category blob,
// past the object model (which would rewrite the whole item).
#pragma once

#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"

// Sets the category blob (kItemCategories) of record oid to the categories that
// text names (a category text, "A, B"; names of no category are dropped; an
// empty or null text, or one naming nothing, removes the blob).
//
// When *item is set and the record is an appointment, contact or task, the
// item is released first and *item becomes null, so that the object model
// holds no stale copy of the record. With reopen, the item is then fetched
// again through the shared COutlook into *item (when item is not null and
// *item was released or null).
//
// False when oid is no record, its database cannot be opened, or the write
// fails (the last error tells which).
bool SaveCategoriesToPIMRecord(const WCHAR* text, IDispatch** item, long oid, bool reopen);
