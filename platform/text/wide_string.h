// UTF-16 string functions under the names of the C runtime functions the
// library was written against. They overload the host's wchar_t functions by
// argument type (const WCHAR*), so a call such as wcslen(u"abc") reaches these.
//
// Character classes and case mapping cover all of Unicode's BMP (through ICU's
// simple case mapping), not just ASCII: the library upper-cases names "whatever
// their case or accents".
#pragma once

// The standard headers that take the address of the host's wide functions
// (std::stol and friends use &std::wcstol) must be read before the overloads
// below exist, or those addresses become ambiguous. Including them here first
// makes the order safe for every file that includes this header.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

#include "platform/base/types.h"

// Length, copy, concatenation.
size_t wcslen(const WCHAR* s);
size_t wcsnlen(const WCHAR* s, size_t max);
WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n);  // pads with 0 like the CRT
WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t n);
WCHAR* _wcsdup(const WCHAR* s);  // malloc'ed copy; null stays null
WCHAR* wmemcpy(WCHAR* dst, const WCHAR* src, size_t n);
WCHAR* wmemmove(WCHAR* dst, const WCHAR* src, size_t n);
WCHAR* wmemset(WCHAR* dst, WCHAR c, size_t n);

// Ordinal comparison on 16-bit units.
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
// Case-insensitive: both sides mapped with towlower, as the CRT does.
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);

// Searching.
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* hay, const WCHAR* needle);
WCHAR* wcsstr(WCHAR* hay, const WCHAR* needle);
size_t wcsspn(const WCHAR* s, const WCHAR* set);
size_t wcscspn(const WCHAR* s, const WCHAR* set);
const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set);
WCHAR* wcstok(WCHAR* s, const WCHAR* delims, WCHAR** context);

// Case mapping in place (return s) and per character.
WCHAR* _wcsupr(WCHAR* s);
WCHAR* _wcslwr(WCHAR* s);
WCHAR* _wcsrev(WCHAR* s);
WCHAR towupper(WCHAR c);
WCHAR towlower(WCHAR c);

// Character classes (Unicode properties of the BMP code point).
bool iswspace(WCHAR c);
bool iswalpha(WCHAR c);
bool iswdigit(WCHAR c);
bool iswalnum(WCHAR c);
bool iswupper(WCHAR c);
bool iswlower(WCHAR c);
bool iswpunct(WCHAR c);
bool iswxdigit(WCHAR c);
bool iswcntrl(WCHAR c);
bool iswprint(WCHAR c);
bool iswgraph(WCHAR c);

// iswctype with the runtime's class bits (the names of its ctype masks).
constexpr int _UPPER = 0x0001;
constexpr int _LOWER = 0x0002;
constexpr int _DIGIT = 0x0004;
constexpr int _SPACE = 0x0008;
constexpr int _PUNCT = 0x0010;
constexpr int _CONTROL = 0x0020;
constexpr int _BLANK = 0x0040;
constexpr int _HEX = 0x0080;
constexpr int _LEADBYTE = 0x8000;
constexpr int _ALPHA = 0x0100 | _UPPER | _LOWER;
// True when c belongs to any of the classes in mask. _ALPHA covers every
// letter (also those without case).
bool iswctype(WCHAR c, int mask);

// Numbers to text (radix 2..36, lower-case digits as the CRT) and back.
// _itow and _ltow print negative values with '-' only in radix 10; in other
// radixes the value is printed as unsigned 32-bit, as the CRT does.
WCHAR* _itow(int value, WCHAR* buf, int radix);
WCHAR* _ltow(LONG value, WCHAR* buf, int radix);
WCHAR* _ultow(ULONG value, WCHAR* buf, int radix);
WCHAR* _i64tow(LONGLONG value, WCHAR* buf, int radix);
WCHAR* _ui64tow(ULONGLONG value, WCHAR* buf, int radix);
int _wtoi(const WCHAR* s);
LONG _wtol(const WCHAR* s);
LONGLONG _wtoi64(const WCHAR* s);
LONG wcstol(const WCHAR* s, WCHAR** end, int radix);
ULONG wcstoul(const WCHAR* s, WCHAR** end, int radix);
double wcstod(const WCHAR* s, WCHAR** end);
double _wtof(const WCHAR* s);

// printf-style formatting with Microsoft semantics: %s and %c take WCHAR
// strings and characters, %S and %C 8-bit ones; %ld/%lu/%lx take 32-bit values;
// %I64d and %lld 64-bit ones; flags - + 0 space #, width and precision (also *).
// %f %e %g are supported by the _snwprintf/swprintf family, not by wsprintfW.
//
// _snwprintf writes at most count characters; it returns the number written,
// or -1 when the text did not fit (then no terminator is written, as the CRT).
int _snwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...);
int _vsnwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args);
// swprintf with an explicit size always terminates; returns -1 on truncation.
int swprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...);
int vswprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args);
// wsprintfW: output limited to 1,024 characters including the terminator.
int wsprintfW(WCHAR* buf, const WCHAR* fmt, ...);
int wvsprintfW(WCHAR* buf, const WCHAR* fmt, va_list args);
// The number of characters the formatted text needs (terminator excluded).
int _vscwprintf(const WCHAR* fmt, va_list args);

// 8-bit CRT functions the list policies name.
int _stricmp(const char* a, const char* b);
char* _strdup(const char* s);
