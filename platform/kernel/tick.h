// Milliseconds and sleeping.
#pragma once

#include "platform/base/types.h"

// Both read the installed clock source (platform/kernel/clock_source.h).

// Milliseconds since an arbitrary fixed point (the clock source's monotonic time),
// truncated to 32 bits: it wraps after about 49.7 days, so callers compare
// tick values by unsigned difference, never by order.
DWORD GetTickCount();

// Suspends the calling thread for `ms` milliseconds (0 yields, INFINITE never
// returns by itself). A thread killed with TerminateThread wakes at once and
// unwinds from here with platform::ThreadKilled (see platform/kernel/thread.h).
void Sleep(DWORD ms);
