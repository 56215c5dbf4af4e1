// CeTraceLog: the library's trace of things that went wrong out of the
// user's sight (database errors above all).
//
// Each call makes one line, "<tick count>: <message>", where the message is
// format filled with the arguments (the wide printf rules of the platform:
// %s takes a wide string). The line goes to the debugger's output followed
// by "\n", and is appended to the device file kTraceLogPath as 8-bit text in
// the ANSI code page (characters it lacks become '?') ending in CR LF. Line
// breaks at the end of the message are dropped first, so a message written
// with a trailing "\n" still gives one line. Lines of different threads
// never cut into each other. The thread's last error is left as it was.
#pragma once

#include "platform/base/types.h"

inline constexpr const WCHAR* kTraceLogPath = u"\\Kestrel_Log.txt";

// A null format traces nothing. A file that cannot be opened or written
// loses the line silently; the debugger output still gets it.
void CeTraceLog(const WCHAR* format, ...);
