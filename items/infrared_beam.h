// Beaming one saved item through the object model's infrared folder: the item
// is gathered and sent at once. Contacts are written as vCards by the folder
// itself; appointments and tasks as iCalendar files (ical_calendar.h), whose
// writer this registers before the first beam.
#pragma once

#include "platform/base/types.h"

// The message shown when beaming fails.
inline constexpr UINT kBeamFailedString = 40431;

// Beams the item of oid, of kind olContactItem, olAppointmentItem or
// olTaskItem: S_OK when it was sent, E_ABORT when the user cancelled, another
// failure when the item is missing, of another kind, or could not be sent.
// Shows nothing.
HRESULT BeamItemThroughInfrared(int kind, long oid);

// Beams as above and tells the user of a failure (not of a cancel) with
// kBeamFailedString; true when the item was sent.
bool BeamItemOrShow(int kind, long oid);
