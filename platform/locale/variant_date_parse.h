// VarDateFromStr: a date and/or time typed as text, read into an OLE date.
//
// The text is read with the locale's names and order:
//  - a time is hours:minutes[:seconds] (":" or the locale's time separator),
//    optionally with the locale's AM/PM designator or "AM"/"PM" (any case,
//    before or after it). A number alone is an hour only with a designator:
//    "9 PM" is 21:00, "9" is no time. With a designator the hour must be 0..12
//    (12 AM is midnight, 12 PM noon); without, 0..23.
//  - a date is three numbers in the locale's short-date order (month-day-year
//    in en-US, day-month-year in de-DE), or year-month-day when the first has
//    three or more digits ("2024-03-05"), or two numbers (the current year),
//    or numbers around a month name in the locale or in English ("March 5,
//    2024", "5. März 2024"). Separators: / - . the locale's date separator,
//    spaces and commas. A day name is allowed and ignored. When the numbers do
//    not form a valid date in the locale's order, the other orders are tried.
//    Two-digit years are 1930..2029.
// Without a date the result is the time on day 0 (30 December 1899); without
// a time, midnight. VAR_TIMEVALUEONLY keeps only the time (a fraction of a
// day), VAR_DATEVALUEONLY only the date.
//
// Results: S_OK; DISP_E_TYPEMISMATCH for null or empty text, text that is not
// a date or time, or an impossible one (25:00, 30 February); DISP_E_OVERFLOW
// for a year above 9999; E_INVALIDARG for a null output, an unknown locale or
// both VALUEONLY flags.
#pragma once

#include "platform/locale/locale_id.h"
#include "platform/base/types.h"
#include "platform/time/variant_time.h"

constexpr ULONG VAR_TIMEVALUEONLY = 0x1;
constexpr ULONG VAR_DATEVALUEONLY = 0x2;

HRESULT VarDateFromStr(LPCWSTR text, LCID locale, ULONG flags, DATE* out);
