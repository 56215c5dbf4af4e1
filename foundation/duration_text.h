// A duration in words: "(1 day) 1 hour 5 minutes".
#pragma once

#include "platform/base/types.h"

// Writes the duration of minutes into out (size characters with the
// terminator): "(%d %s)" days when withDays, then "%d %s" hours and minutes,
// joined by blanks; a part that is zero is empty (its blank stays). Nothing
// for minutes <= 0. The unit words are the suite's strings 42152 to 42155,
// 42460 and 42474.
void FormatDurationString(LPWSTR out, int size, int minutes, BOOL withDays);
