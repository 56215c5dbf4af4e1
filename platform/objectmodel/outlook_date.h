// Dates of the object model (local OLE dates) and their stored forms.
//
// Task and contact dates are stored as FILETIMEs of the local wall-clock
// time, without zone conversion; appointment times are stored as UTC
// FILETIMEs, converted through the device zone at the time concerned
// (daylight saving included). kNoOleDate (949998.0) means "no date": it is
// never stored, the property is removed instead.
#pragma once

#include <optional>

#include "platform/objectmodel/pocket_outlook.h"
#include "platform/base/types.h"

// The range of dates an item accepts: 1 January 1900 to 31 December 2999
// (any time of that day).
constexpr DATE kOutlookFirstDate = 2.0;
constexpr DATE kOutlookEndDate = 401769.0;  // 1 January 3000, excluded

// True for kNoOleDate (none) or a date in the accepted range.
bool IsOutlookDateValid(DATE date);
inline bool IsOutlookDateNone(DATE date) { return date == kNoOleDate; }

// A local OLE date as a FILETIME counted like the date (no zone applied),
// rounded to the nearest second; nothing for NaN or dates before 1601.
std::optional<FILETIME> OutlookDateToFileTime(DATE date);
// Back again; nothing when the FILETIME is beyond the OLE range.
std::optional<DATE> OutlookDateFromFileTime(const FILETIME& time);

// A local OLE date as the UTC FILETIME of that wall-clock time in the device
// zone, and back.
std::optional<FILETIME> OutlookLocalDateToUtc(DATE date);
std::optional<DATE> OutlookUtcToLocalDate(const FILETIME& utc);
