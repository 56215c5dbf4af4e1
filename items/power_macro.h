// PowerMacro: expands the macros written between percent signs in a text
// ("Call %fileas% on %ld%"): the date and time in several forms, the day of
// the year and the week number, four stopwatches, and the fields of a
// contact. A name is compared with the table in power_macro.cpp ignoring
// case and must match whole; an unknown name vanishes with its two percent
// signs, and a percent sign without a partner stays as it is.
//
// "%s" followed by a character that is not a letter (a format specifier
// such as "%s!") is kept as "%s".
//
// The stopwatches ("tmpN" starts and stops number N, "dtmN" gives its
// running or final duration) are shared by every caller of the process and
// guarded by a lock.
#pragma once

#include <string>

#include "platform/base/export.h"
#include "platform/base/types.h"

// A new malloc'ed text, freed by the caller with free; null when text is
// null; a plain copy when the text holds fewer than two percent signs.
// contactOid: the contact of the contact macros, in and out; null makes them
// expand to nothing. When it holds 0 at the first contact macro, the contact
// chooser asks for one (parent is its owner) and the chosen OID is stored
// back; a cancelled chooser leaves it 0 and the contact macros empty.
KSTOOLS_API WCHAR* PowerMacro(const WCHAR* text, long* contactOid, HWND parent);

// Clears the four stopwatches, as at the first expansion of the process.
KSTOOLS_API void ResetPowerMacroStopwatches();

// The resource string shown for a contact date that is not set.
inline constexpr UINT kMacroNoDateString = 42358;
