// The calling thread's last-error code, as the platform keeps it: every thread
// has its own value, untouched by other threads.
#pragma once

#include "platform/base/types.h"

DWORD GetLastError();
void SetLastError(DWORD code);
