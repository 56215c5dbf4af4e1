// Time-zone rules of a TIME_ZONE_INFORMATION record: its transitions made
// absolute for a year, which offsets a day has, and the conversions between
// UTC and the zone's local time. Biases are minutes, UTC = local + bias.
#pragma once

#include "platform/base/types.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"

// The transition date of rule in year. A rule with a year is absolute and
// copied as it is; a rule with year 0 means "the n-th (5: last) given day of
// the week of the month", n in wDay. The rules are evaluated by
// platform/time/zone_rules.h, on the platform's (Gregorian) month lengths.
void ConvertToAbsolute(WORD year, const SYSTEMTIME* rule, SYSTEMTIME* out);
// True when time lies strictly after the transition of time's year.
BOOL LocalGreaterThanTransition(const SYSTEMTIME* time, const SYSTEMTIME* rule);
// The biases in force at the start and at the end of a local day (end counts
// 1440 minutes more), and whether the day is in daylight time. Rules with a
// year apply to that year only; other years keep standard time. Always 1.
int GetDayOffsets(WORD year, WORD month, WORD day, const TIME_ZONE_INFORMATION* zone, LONG* startOffset,
                  LONG* endOffset, BOOL* inDST);
BOOL IsInDST(WORD year, WORD month, WORD day, const TIME_ZONE_INFORMATION* zone);
// utc = local + (Bias + DaylightBias) when isDST, else + (Bias + StandardBias).
BOOL CeTzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local, BOOL isDST,
                                       SYSTEMTIME* utc);
// The zone's local time of utc, and whether it is daylight time. Always 1.
BOOL CeSystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* utc, SYSTEMTIME* local,
                                       BOOL* isDST);
