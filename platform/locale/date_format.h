// GetDateFormatW and GetTimeFormatW: a SYSTEMTIME written through a Windows
// picture.
//
// Date pictures:  d dd (day, without or with a leading zero), ddd dddd (day
//                 name, abbreviated or full), M MM MMM MMMM (month number or
//                 name), y (year in the century, no leading zero), yy (with
//                 one), yyyy and more (the full year), g gg (the era).
// Time pictures:  h hh (12-hour clock), H HH (24-hour), m mm, s ss, t (first
//                 character of the AM/PM designator) and tt (the designator).
// Elsewhere:      text in single quotes is copied as it stands, '' gives one
//                 quote; every character that is not a picture letter of the
//                 function is copied too ("h" is text in a date picture).
// Names come from the locale's ICU data as used inside a date. Month names
// take the form the locale writes next to a day number (the genitive of
// languages that have one, "1 января") when the picture holds d or dd, and
// the stand-alone form ("январь") otherwise.
//
// Both return the characters written with the terminator; size 0 asks for
// that count. They fail with 0 and ERROR_INVALID_PARAMETER for an unknown
// locale, an invalid date or time or a bad buffer, ERROR_INVALID_FLAGS for
// unknown or contradictory flags, ERROR_INSUFFICIENT_BUFFER for a buffer too
// small.
#pragma once

#include "platform/locale/locale_id.h"
#include "platform/time/system_time.h"
#include "platform/base/types.h"

constexpr DWORD DATE_SHORTDATE = 0x01;
constexpr DWORD DATE_LONGDATE = 0x02;
constexpr DWORD DATE_USE_ALT_CALENDAR = 0x04;  // accepted: the calendar is always Gregorian
constexpr DWORD DATE_YEARMONTH = 0x08;
constexpr DWORD DATE_LTRREADING = 0x10;  // puts U+200E in front
constexpr DWORD DATE_RTLREADING = 0x20;  // puts U+200F in front
constexpr DWORD DATE_AUTOLAYOUT = 0x40;  // accepted, no effect
constexpr DWORD DATE_MONTHDAY = 0x80;

constexpr DWORD TIME_NOMINUTESORSECONDS = 0x01;
constexpr DWORD TIME_NOSECONDS = 0x02;
constexpr DWORD TIME_NOTIMEMARKER = 0x04;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x08;

// The date of `date` (null: today, GetLocalTime) through `format`, or, when
// format is null, through the locale's short date (also with DATE_SHORTDATE),
// long date (DATE_LONGDATE), year and month (DATE_YEARMONTH) or month and day
// (DATE_MONTHDAY) picture; these flags go only without a format. The year must
// be 1601..30827, the month and day valid; the day of the week and the time
// of day are not looked at.
int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR out, int size);

// The time of `time` (null: now) through `format` or the locale's time
// format. The flags apply to either: TIME_NOSECONDS drops the seconds and the
// separator before them, TIME_NOMINUTESORSECONDS the minutes too,
// TIME_NOTIMEMARKER the designator with its separator, and
// TIME_FORCE24HOURFORMAT shows h and hh as H and HH. Hours must be below 24,
// minutes and seconds below 60, milliseconds below 1000; the date is not
// looked at.
int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format, LPWSTR out, int size);
