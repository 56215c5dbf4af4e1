// Reading a time of day typed by the user ("9:30", "2:30 PM", "1430").
#pragma once

#include "platform/base/types.h"
#include "platform/time/variant_time.h"

// Bit 0 of flags: read the text as typed into a time field (the default
// with flags 0); bit 1 without bit 0: let VarDateFromStr read it.
constexpr DWORD CORVID_TIME_TYPED = 0x1;
constexpr DWORD CORVID_TIME_VARIANT = 0x2;

// The time of day in text as a fraction of a day into *out. 0 on success;
// DISP_E_TYPEMISMATCH for null or empty text, DISP_E_BADVARTYPE for text
// without a number or an impossible time, E_INVALIDARG for unknown flags.
//
// Hours and minutes are read as "%d<time separator>%d" from the first digit;
// a lone number of three or more digits is hours and minutes ("930", "1430").
// The locale's PM designator anywhere in the text (without case) adds 12
// hours to hours below 12; on a 12-hour clock 12 without it is midnight.
HRESULT CorvidDateFromString(LPCWSTR text, DWORD flags, DATE* out);
