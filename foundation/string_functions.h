// Plain zero-terminated UTF-16 string functions.
//
// Functions that return a WCHAR* made here return a new malloc block that the
// caller frees with free(); the others work in place or in a caller's buffer.
// Null arguments never crash: each function says what it gives for them.
#pragma once

#include "platform/base/types.h"

// A copy with room for 7 more characters (zeroed); a null or empty src gives a
// zeroed block of 4 characters.
WCHAR* AllocLPWSTR(const WCHAR* src);

// Case-insensitive search on upper-cased copies: a pointer into hay, or null
// when either string is null or empty (or nothing matches).
const WCHAR* wcsistr(const WCHAR* hay, const WCHAR* needle);
WCHAR* wcsistr(WCHAR* hay, const WCHAR* needle);

// Replaces every `from` by `to` in place; returns s.
WCHAR* ReplaceChar(WCHAR* s, WCHAR from, WCHAR to);

// Copies without leading / trailing / both white space; null gives null.
WCHAR* LTrimStr(const WCHAR* s);
WCHAR* RTrimStr(const WCHAR* s);
WCHAR* TrimStr(const WCHAR* s);
// Removes trailing white space (CR and LF included) in place; returns s.
WCHAR* RTrimStrInPlace(WCHAR* s);

// The index of c / needle at or after start, or -1. caseSensitive 0 searches
// case-insensitively through wcsistr.
int IndexOf(const WCHAR* s, WCHAR c, int start);
int IndexOf(const WCHAR* s, const WCHAR* needle, int start, int caseSensitive);

// The number of c-separated fields: 1 + the occurrences of c (0 for null s).
int SubStrCount(const WCHAR* s, WCHAR c);
// The n-th occurrence (1-based) of c, or null.
const WCHAR* GetDelimeterPtr(const WCHAR* s, int n, WCHAR c);
WCHAR* GetDelimeterPtr(WCHAR* s, int n, WCHAR c);
// A copy of field n (1-based) of the c-separated fields of s. Without any c,
// field 1 is all of s. Null for n < 1, for a field past the last, or null s.
WCHAR* SubStr(const WCHAR* s, int n, WCHAR c);

// count characters from start; count < 0 or too large: to the end. Empty when
// s is null or empty, count is 0, or start lies outside 0..length - 1.
WCHAR* MidStr(const WCHAR* s, int start, int count);
// The same into dst (capacity characters, terminator included); returns dst.
WCHAR* MidStr(const WCHAR* s, int start, int count, WCHAR* dst, int capacity);
// The first / last n characters; n < 0 or n > length: all; empty for a null or
// empty s or n = 0.
WCHAR* LeftStr(const WCHAR* s, int n);
WCHAR* RightStr(const WCHAR* s, int n);

// Every occurrence of find from index start on replaced by repl (null repl:
// removed); replaced text is never searched again. Null s gives an empty
// string; null or empty find, empty s or start outside the text a copy of s.
// Null when memory runs out.
WCHAR* ReplaceStr(const WCHAR* s, const WCHAR* find, const WCHAR* repl, int start, int caseSensitive);

// Appends up to n characters of src (n < 0: all) at dst[*pos], advances *pos
// and terminates.
void StringBuilder(WCHAR* dst, int* pos, const WCHAR* src, int n = -1);
// The same, but writes nothing at all when dst's text and src are both empty
// or absent.
void SafeStringBuilder(WCHAR* dst, int* pos, const WCHAR* src, int n = -1);

// Copies up to n characters and always terminates (dst holds n + 1); returns dst.
WCHAR* wstrncpy(WCHAR* dst, const WCHAR* src, int n);

// Appends src to dst's text without ' ', '-', '(' and ')'; an empty src
// makes dst empty. Returns dst.
WCHAR* CopyPhone(WCHAR* dst, const WCHAR* src);

// 8-bit forms of IndexOf, GetDelimeterPtr and SubStr.
int IndexOfA(const char* s, char c, int start);
int IndexOfA(const char* s, const char* needle, int start, int caseSensitive);
const char* GetDelimeterPtrA(const char* s, int n, char c);
char* GetDelimeterPtrA(char* s, int n, char c);
char* SubStrA(const char* s, int n, char c);
