// The current date and time: GetSystemTime, GetLocalTime and
// GetSystemTimeAsFileTime.
//
// The time comes from the installed clock source
// (platform/kernel/clock_source.h): the host's clock, or a test's manual one.
// On top of it, the wall-clock time can be pinned so that "today" and "now"
// are reproducible in tests and demonstrations. A pinned time is a wall-clock
// time of the device zone and stands still. It comes from SetPinnedNow, else from the environment
// variable KSTOOLS_NOW ("YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS", read again
// on every call; a value of another form is ignored). GetTickCount is never
// pinned.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/time/system_time.h"

// The current time in UTC and in the device zone.
void GetSystemTime(LPSYSTEMTIME st);
void GetLocalTime(LPSYSTEMTIME st);
void GetSystemTimeAsFileTime(LPFILETIME ft);

namespace platform {

// Pins the clock to a wall-clock time of the device zone (milliseconds and
// day of week are ignored). Returns false, leaving the clock as it was, when
// the time is not a valid date (see SystemTimeToFileTime).
bool SetPinnedNow(const SYSTEMTIME& local);
// Undoes SetPinnedNow; KSTOOLS_NOW, when set, pins the clock again.
void ClearPinnedNow();

// The pinned wall-clock time, if any (SetPinnedNow first, then KSTOOLS_NOW).
std::optional<SYSTEMTIME> PinnedNow();
// Reads a KSTOOLS_NOW value; nothing when it has another form or is not a
// valid date.
std::optional<SYSTEMTIME> ParsePinnedNow(std::string_view text);

// Now as a UTC FILETIME value.
std::uint64_t CurrentFileTime();
// The clock source's wall-clock time as a UTC FILETIME value, never pinned:
// for the bookkeeping times of the stores.
std::uint64_t HostFileTime();

}  // namespace platform
