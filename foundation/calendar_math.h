// Calendar arithmetic on SYSTEMTIME, FILETIME and OLE dates (DATE).
//
// Every conversion goes through the platform's SystemTimeToFileTime,
// FileTimeToSystemTime, SystemTimeToVariantTime and VariantTimeToSystemTime,
// so their limits and their rounding apply. A function whose conversion
// fails leaves its date unchanged.
#pragma once

#include "platform/base/types.h"
#include "platform/time/system_time.h"
#include "platform/time/variant_time.h"

// The suite's leap years: after 1752 the Gregorian rule with one more
// exception (multiples of 4000 are not leap); up to 1752 every fourth year.
BOOL isleapyear(int year);
int dayspermonth(int month, int year);
// 1 for 1 January.
int getdayofyear(const SYSTEMTIME* date);

// Moves the date by whole months; a day the new month lacks becomes that
// month's last day ("31 February" becomes 28 or 29 February).
void incrementmonth(SYSTEMTIME* date, int months);
void incrementday(SYSTEMTIME* date, int days);
void addtime(SYSTEMTIME* date, int seconds);
void subtractsec(SYSTEMTIME* date, int seconds);
void subtract5sec(SYSTEMTIME* date);
// Add or subtract a count of 100-nanosecond units; the platform
// conversion's result.
BOOL SystemTimeIncrement(SYSTEMTIME* date, LONGLONG units);
BOOL SystemTimeDecrement(SYSTEMTIME* date, LONGLONG units);
// FILETIME(a) - FILETIME(b) in 100-nanosecond units.
LONGLONG SystemTimeDiff(const SYSTEMTIME* a, const SYSTEMTIME* b);
// FILETIME(b) - FILETIME(a) read back as a SYSTEMTIME (a span counted from
// 1 January 1601); all zero when b is before a.
SYSTEMTIME subtractsystemtime(const SYSTEMTIME* a, const SYSTEMTIME* b);
// Minutes from a to b by whole days, hours and minutes; seconds are ignored.
int TimeDiffInMinutes(const SYSTEMTIME* a, const SYSTEMTIME* b);
int TimeDiffInMinutes(DATE a, DATE b);
// True when start and end fall on the same day and the item is not all-day.
BOOL IsOneDay(DATE start, DATE end, BOOL allDay);
