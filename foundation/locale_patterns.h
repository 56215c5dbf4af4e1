// Locale texts with the device's registry overrides, and the suite's date
// patterns derived from the locale's own.
#pragma once

#include "platform/locale/locale_id.h"
#include "platform/locale/locale_info.h"
#include "platform/time/system_time.h"
#include "platform/base/types.h"

// GetLocaleInfoW, except that the string values "IDate", "ITime" and "ITLZr"
// of HKEY_LOCAL_MACHINE\nls\overrides, when present and sensible (IDate 0-2,
// the others 0-1), answer LOCALE_IDATE, LOCALE_ITIME and LOCALE_ITLZERO.
// When GetLocaleInfoW fails it is asked again without user overrides.
int Corvid_GetLocaleInfo(LCID locale, LCTYPE type, LPWSTR buffer, int size);

// A date written with a pattern made from the locale's (fixed by the first
// call in the process): the long date with the day name ("dddd, ..."); the
// same abbreviated ("ddd"); abbreviated with short month names ("MMM"); the
// short date with a four-digit year. Results as GetDateFormatW's.
int GetLongDateFormat(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size);
int GetLongAbbrevDateFormat(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size);
int GetMidSizeDateFormat(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size);
int GetShortDateFormatWithFullYear(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size);

namespace foundation {
// Forgets the patterns, so that the next call derives them again (tests that
// change the locale).
void ResetDatePatterns();
}  // namespace foundation
