// OutputDebugStringW: text meant for a developer watching the process, never
// for the user.
//
// On the device this goes to an attached debugger. Here it goes to a sink:
// by default stderr (as UTF-8), and only while the environment variable
// KSTOOLS_DEBUG is set to something other than "" or "0", so ordinary runs
// stay quiet. Tests install a sink of their own to see what was written.
#pragma once

#include <string_view>

#include "platform/base/types.h"

// Writes text as it stands (callers add their own line breaks). Null is
// ignored. Never changes the thread's last error.
void OutputDebugStringW(LPCWSTR text);

namespace platform {

using DebugOutputSink = void (*)(std::u16string_view text);

// Installs sink (null restores the default) and returns the one before (null
// for the default). A sink may be called from any thread at any time.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

}  // namespace platform
