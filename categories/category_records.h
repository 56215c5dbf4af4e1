// Adding and removing records of the category database (the command line's
// "categories add" and "categories remove").
#pragma once

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

// Longest name a category may have, in characters.
inline constexpr int kCategoryNameMaxChars = 255;

// Adds a category with the lowest index no category has, making the
// database when it is missing, and refreshes the category cache. Returns
// ERROR_SUCCESS (then *index and *oid, when given, hold the new record's),
// ERROR_INVALID_NAME for an empty name, one longer than 255 characters or
// one holding a comma or a control character (such names cannot travel in a
// category text or a saved selection), ERROR_ALREADY_EXISTS when a category
// of that name, ignoring case, exists (the object model tells names apart
// without case), ERROR_NO_MORE_ITEMS when all 8,192 indices are taken, or
// the engine's error.
DWORD AddCategoryRecord(const WCHAR* name, SHORT* index = nullptr, CEOID* oid = nullptr);

// Deletes every record whose name is exactly name, clears its bit from the
// category blob of every item in the same transaction (so a category that
// later takes the index does not appear on them), and refreshes the category
// cache. Returns ERROR_SUCCESS, ERROR_NOT_FOUND when no category has that
// name, or the engine's error (then nothing was changed).
DWORD RemoveCategoryRecord(const WCHAR* name);
