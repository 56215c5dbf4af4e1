// Device paths on the host file system.
//
// A device path is backslash-separated from the root "\" (a forward slash is
// accepted as a separator too; there are no drive letters and no current
// folder, so a path without a leading separator also starts at the root). It
// maps under DeviceRootDirectory(). Names compare without regard to case and
// keep their case: each component is looked up among the existing entries of
// its folder without case, and a name that does not exist yet is created as
// given. Text crosses to the host as UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/types.h"

namespace platform {

struct DevicePath {
    std::vector<std::u16string> parts;  // "." and ".." already applied
};

// Splits and checks a device path. Errors: ERROR_PATH_NOT_FOUND (null or
// empty), ERROR_FILENAME_EXCED_RANGE (MAX_PATH characters or more),
// ERROR_INVALID_NAME (characters < > : " | or control characters, and * ?
// unless wildcards are allowed in the last component).
DWORD ParseDevicePath(const WCHAR* path, DevicePath& out, bool wildcardsInLast = false);

// The host folder standing for the first `count` parts. ERROR_PATH_NOT_FOUND
// when one of them is missing or not a folder. Creates the device root when
// it is missing.
DWORD ResolveFolder(const DevicePath& path, size_t count, std::string& hostFolder);

// The host name of the entry of hostFolder that equals name without regard to
// case (the exact spelling first); empty when there is none.
std::string FindEntryName(const std::string& hostFolder, std::u16string_view name);

// A device path resolved as far as it goes.
struct ResolvedPath {
    DWORD error = ERROR_SUCCESS;  // set when the folder part could not be resolved
    std::string host;             // host path of the last component (existing spelling, else as given)
    bool exists = false;          // the last component names an existing entry
    bool isRoot = false;          // the path names the root "\" itself
};
ResolvedPath ResolveDevicePath(const WCHAR* path);

// The host path of a device path spelled exactly as given, nothing looked
// up: where ResolveDevicePath lands whenever every component exists in that
// spelling. Empty for the root and for a path ParseDevicePath refuses.
std::string ExactHostPath(const WCHAR* path);

// Wildcard match without regard to case: '*' any run of characters, '?' one
// character. A pattern ending in ".*" also matches the names without that
// extension, so "*.*" matches every name, with or without a dot.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace platform
