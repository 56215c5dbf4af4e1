// File-name text: cleaning names of characters a file name cannot hold, and
// splitting a path at its last backslash.
#pragma once

#include "platform/base/types.h"

// The characters a file name cannot hold: tab, LF, CR, " * / : < > ? \ |.
bool IsFilenameContraband(WCHAR c);

// With checkOnly: 1 at the first contraband character, 0 when there is none,
// s unchanged. Otherwise every contraband character becomes '_' in place and
// the result is the length of s, at most 225. Null s gives 0.
int FilenameContrabandCleaner(WCHAR* s, int checkOnly);

// A malloc copy of the part after the last '\\' (all of path without one);
// null path gives an empty string.
WCHAR* JustFileName(const WCHAR* path);
// A malloc copy of the part up to and including the last '\\', or "\\" when
// the path has none; null path gives an empty string.
WCHAR* JustPath(const WCHAR* path);
