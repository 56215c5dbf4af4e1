// GetLocaleInfoW: a locale's formats, names and symbols as text.
//
// Every value comes from ICU's data for the locale (see locale_id.h for which
// locale an identifier names). Date and time formats are Windows pictures
// ("M/d/yyyy", "dddd, MMMM d, yyyy", "h:mm:ss tt" for en-US; "dd.MM.yyyy",
// "dddd, d. MMMM yyyy", "HH:mm:ss" for de-DE); the I* flags are derived from
// those pictures, so that they always agree with them. Names are ICU's
// stand-alone forms; LOCALE_RETURN_GENITIVE_NAMES asks for month names as
// written inside a date. Language and country names in "the user's language"
// (LOCALE_SLANGUAGE, LOCALE_SCOUNTRY) are English. LOCALE_SLIST is ";" where
// the decimal separator is a comma, else ",".
#pragma once

#include "platform/locale/locale_id.h"
#include "platform/base/types.h"

using LCTYPE = DWORD;

// Modifiers or-ed into the type.
constexpr LCTYPE LOCALE_USE_CP_ACP = 0x40000000;             // accepted, no effect
constexpr LCTYPE LOCALE_RETURN_NUMBER = 0x20000000;          // I* types: a DWORD
constexpr LCTYPE LOCALE_RETURN_GENITIVE_NAMES = 0x10000000;  // month names only

constexpr LCTYPE LOCALE_ILANGUAGE = 0x0001;
constexpr LCTYPE LOCALE_SLANGUAGE = 0x0002;
constexpr LCTYPE LOCALE_SNATIVELANGNAME = 0x0004;
constexpr LCTYPE LOCALE_SNATIVELANGUAGENAME = 0x0004;
constexpr LCTYPE LOCALE_SCOUNTRY = 0x0006;
constexpr LCTYPE LOCALE_SNATIVECTRYNAME = 0x0008;
constexpr LCTYPE LOCALE_SNATIVECOUNTRYNAME = 0x0008;
constexpr LCTYPE LOCALE_IDEFAULTLANGUAGE = 0x0009;
constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x000B;
constexpr LCTYPE LOCALE_SLIST = 0x000C;
constexpr LCTYPE LOCALE_IMEASURE = 0x000D;
constexpr LCTYPE LOCALE_SDECIMAL = 0x000E;
constexpr LCTYPE LOCALE_STHOUSAND = 0x000F;
constexpr LCTYPE LOCALE_SGROUPING = 0x0010;
constexpr LCTYPE LOCALE_SNATIVEDIGITS = 0x0013;
constexpr LCTYPE LOCALE_SCURRENCY = 0x0014;
constexpr LCTYPE LOCALE_SINTLSYMBOL = 0x0015;
constexpr LCTYPE LOCALE_SMONDECIMALSEP = 0x0016;
constexpr LCTYPE LOCALE_SMONTHOUSANDSEP = 0x0017;
constexpr LCTYPE LOCALE_SMONGROUPING = 0x0018;
constexpr LCTYPE LOCALE_ICURRDIGITS = 0x0019;
constexpr LCTYPE LOCALE_IINTLCURRDIGITS = 0x001A;
constexpr LCTYPE LOCALE_SDATE = 0x001D;
constexpr LCTYPE LOCALE_STIME = 0x001E;
constexpr LCTYPE LOCALE_SSHORTDATE = 0x001F;
constexpr LCTYPE LOCALE_SLONGDATE = 0x0020;
constexpr LCTYPE LOCALE_IDATE = 0x0021;     // short date order: 0 M-D-Y, 1 D-M-Y, 2 Y-M-D
constexpr LCTYPE LOCALE_ILDATE = 0x0022;    // the same for the long date
constexpr LCTYPE LOCALE_ITIME = 0x0023;     // 0 12-hour, 1 24-hour clock
constexpr LCTYPE LOCALE_ICENTURY = 0x0024;  // 1: four-digit years in the short date
constexpr LCTYPE LOCALE_ITLZERO = 0x0025;   // 1: hours with a leading zero
constexpr LCTYPE LOCALE_IDAYLZERO = 0x0026;
constexpr LCTYPE LOCALE_IMONLZERO = 0x0027;
constexpr LCTYPE LOCALE_S1159 = 0x0028;      // AM designator
constexpr LCTYPE LOCALE_S2359 = 0x0029;      // PM designator
constexpr LCTYPE LOCALE_SDAYNAME1 = 0x002A;  // Monday; 7 is Sunday
constexpr LCTYPE LOCALE_SDAYNAME2 = 0x002B;
constexpr LCTYPE LOCALE_SDAYNAME3 = 0x002C;
constexpr LCTYPE LOCALE_SDAYNAME4 = 0x002D;
constexpr LCTYPE LOCALE_SDAYNAME5 = 0x002E;
constexpr LCTYPE LOCALE_SDAYNAME6 = 0x002F;
constexpr LCTYPE LOCALE_SDAYNAME7 = 0x0030;
constexpr LCTYPE LOCALE_SABBREVDAYNAME1 = 0x0031;
constexpr LCTYPE LOCALE_SABBREVDAYNAME2 = 0x0032;
constexpr LCTYPE LOCALE_SABBREVDAYNAME3 = 0x0033;
constexpr LCTYPE LOCALE_SABBREVDAYNAME4 = 0x0034;
constexpr LCTYPE LOCALE_SABBREVDAYNAME5 = 0x0035;
constexpr LCTYPE LOCALE_SABBREVDAYNAME6 = 0x0036;
constexpr LCTYPE LOCALE_SABBREVDAYNAME7 = 0x0037;
constexpr LCTYPE LOCALE_SMONTHNAME1 = 0x0038;
constexpr LCTYPE LOCALE_SMONTHNAME2 = 0x0039;
constexpr LCTYPE LOCALE_SMONTHNAME3 = 0x003A;
constexpr LCTYPE LOCALE_SMONTHNAME4 = 0x003B;
constexpr LCTYPE LOCALE_SMONTHNAME5 = 0x003C;
constexpr LCTYPE LOCALE_SMONTHNAME6 = 0x003D;
constexpr LCTYPE LOCALE_SMONTHNAME7 = 0x003E;
constexpr LCTYPE LOCALE_SMONTHNAME8 = 0x003F;
constexpr LCTYPE LOCALE_SMONTHNAME9 = 0x0040;
constexpr LCTYPE LOCALE_SMONTHNAME10 = 0x0041;
constexpr LCTYPE LOCALE_SMONTHNAME11 = 0x0042;
constexpr LCTYPE LOCALE_SMONTHNAME12 = 0x0043;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME1 = 0x0044;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME2 = 0x0045;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME3 = 0x0046;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME4 = 0x0047;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME5 = 0x0048;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME6 = 0x0049;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME7 = 0x004A;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME8 = 0x004B;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME9 = 0x004C;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME10 = 0x004D;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME11 = 0x004E;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME12 = 0x004F;
constexpr LCTYPE LOCALE_SPOSITIVESIGN = 0x0050;
constexpr LCTYPE LOCALE_SNEGATIVESIGN = 0x0051;
constexpr LCTYPE LOCALE_SISO639LANGNAME = 0x0059;
constexpr LCTYPE LOCALE_SISO3166CTRYNAME = 0x005A;
constexpr LCTYPE LOCALE_SNAME = 0x005C;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME1 = 0x0060;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME2 = 0x0061;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME3 = 0x0062;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME4 = 0x0063;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME5 = 0x0064;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME6 = 0x0065;
constexpr LCTYPE LOCALE_SSHORTESTDAYNAME7 = 0x0066;
constexpr LCTYPE LOCALE_SISO639LANGNAME2 = 0x0067;
constexpr LCTYPE LOCALE_SISO3166CTRYNAME2 = 0x0068;
constexpr LCTYPE LOCALE_SPARENT = 0x006D;
constexpr LCTYPE LOCALE_SENGLISHDISPLAYNAME = 0x0072;
constexpr LCTYPE LOCALE_SNATIVEDISPLAYNAME = 0x0073;
constexpr LCTYPE LOCALE_SMONTHDAY = 0x0078;
constexpr LCTYPE LOCALE_SSHORTTIME = 0x0079;
constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;
constexpr LCTYPE LOCALE_SENGLISHLANGUAGENAME = 0x1001;
constexpr LCTYPE LOCALE_SENGCOUNTRY = 0x1002;
constexpr LCTYPE LOCALE_SENGLISHCOUNTRYNAME = 0x1002;
constexpr LCTYPE LOCALE_STIMEFORMAT = 0x1003;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr LCTYPE LOCALE_ITIMEMARKPOSN = 0x1005;  // 1: the designator comes first
constexpr LCTYPE LOCALE_SYEARMONTH = 0x1006;
constexpr LCTYPE LOCALE_ICALENDARTYPE = 0x1009;  // always 1, Gregorian
constexpr LCTYPE LOCALE_IPAPERSIZE = 0x100A;
constexpr LCTYPE LOCALE_IFIRSTDAYOFWEEK = 0x100C;  // 0 Monday .. 6 Sunday
constexpr LCTYPE LOCALE_IFIRSTWEEKOFYEAR = 0x100D;
constexpr LCTYPE LOCALE_SMONTHNAME13 = 0x100E;        // always empty
constexpr LCTYPE LOCALE_SABBREVMONTHNAME13 = 0x100F;  // always empty

// The value as text into data (size characters with the terminator): the
// characters written with the terminator; size 0 asks for that count. With
// LOCALE_RETURN_NUMBER an I* value is written as a DWORD (2 characters).
// Fails with 0: an unknown locale or a bad buffer (ERROR_INVALID_PARAMETER),
// an unknown type or modifier (ERROR_INVALID_FLAGS), a buffer too small
// (ERROR_INSUFFICIENT_BUFFER).
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
