// A folder's listing kept from one look to the next, for callers that list
// the same large folders again and again (the notes search).
#pragma once

#include <memory>
#include <vector>

#include "platform/base/export.h"
#include "platform/files/find_files.h"

namespace platform {

using FolderListing = std::vector<WIN32_FIND_DATAW>;

// The entries of a device folder as FindFirstFileW lists "folder\*.*" (the
// same order), listed again only when the folder has changed since it was
// last listed here: an entry added, removed or renamed, by this process or
// another, or the folder itself replaced. Names, the folder attribute and
// creation times are current; sizes, write and access times and the other
// attributes are those of the listing (changing a file leaves its folder
// as it was). A folder changed in the last few seconds, or on a file system
// that keeps no creation times, is listed afresh every time: its change time
// cannot yet tell a later change from this one. Empty when the folder is
// missing or empty.
KSTOOLS_API std::shared_ptr<const FolderListing> KeptFolderListing(const WCHAR* folder);

// How many folder listings were made by KeptFolderListing in this process
// (kept ones reused are not counted).
KSTOOLS_API unsigned long KeptFolderListingsMade();

}  // namespace platform
