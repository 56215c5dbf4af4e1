// The list of all categories: read from "\Categories Database" into one
// process-wide cache, handed out as copies.
//
// Loader threads and the window thread ask for categories at the same time,
// so one mutex guards the cache: reading the database, refilling the cache
// and copying out of it all happen while holding it. Callers only ever get
// their own copies, which they use without any lock.
#pragma once

#include "categories/c_full_category.h"
#include "foundation/ce_ptr_list.h"
#include "platform/objectmodel/category_database.h"
#include "platform/objectstore/cedb.h"

// Fills out with copies of every category, in the database's record order,
// reading the database first when the cache is empty or refresh is set.
// Records without a name are deleted from the database as they are met.
// out is cleared first (with its own free policy) and then owns the copies
// (delete policy 1). Returns the number of categories; 0 when the database
// cannot be opened, leaving the cache and out as they were.
int GetFullCategoryInfo(CePtrList<CFullCategory*>& out, bool refresh);

// Re-reads the database into the library's shared category list (after the
// categories have been edited).
void ResetFullCategoryList();
// The library's shared category list, filled by ResetFullCategoryList. It
// belongs to the thread that resets it (the window thread); other threads
// take their own copies with GetFullCategoryInfo.
CePtrList<CFullCategory*>& SharedFullCategoryList();

// Empties the cache and the shared list, as unloading the library does (and
// tests do when they change data directories).
void FreeFullCategoryCache();
