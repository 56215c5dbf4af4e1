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
#include "platform/cedb.h"

inline constexpr CEPROPID kCategoryNameProperty = 0x4001001F;
inline constexpr CEPROPID kCategory4003Property = 0x40030003;
inline constexpr CEPROPID kCategory4006Property = 0x40060002;
inline constexpr CEPROPID kCategory4005Property = 0x40050002;
inline constexpr CEPROPID kCategory4004Property = 0x40040002;
inline constexpr CEPROPID kCategoryShownProperty = 0x3004000B;
inline constexpr CEPROPID kCategoryIndexProperty = 0x40020002;

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
