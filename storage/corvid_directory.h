// The suite's data directory, and the settings paths named from it.
//
// The directory is a device path kept in one process-wide buffer: the string
// "Corvid_Folder" of HKEY_CURRENT_USER\Software\Corvid\Kestrel when it names
// an existing folder, else the application-data folder (CSIDL_APPDATA), which
// is then written back as "Corvid_Folder". Files of the suite are named by
// formats beginning "%s\Corvid\", with the data directory for %s.
#pragma once

#include <string>

#include "platform/base/export.h"
#include "platform/base/types.h"

// Fills the buffer unless it holds a directory already. Both are plain
// entry points of the library as well (items/kstools_entry.h).
extern "C" KSTOOLS_API void InitCorvidDirectory();
// The data directory, filling the buffer first when needed.
extern "C" KSTOOLS_API LPCWSTR GetCorvidDirectory();
// Frees the buffer (as unloading the library does); the next call fills it again.
void FreeCorvidDirectory();

// The path with its first "%s" replaced by the data directory; any other
// path as it stands. Cut to MAX_PATH - 1 characters.
std::u16string ResolveSettingsPath(LPCWSTR path);
