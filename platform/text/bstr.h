// BSTR: a length-prefixed UTF-16 string. The 32-bit byte length sits just in
// front of the characters, which are followed by a 0 unit, so a BSTR is also
// an ordinary terminated WCHAR string.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// A copy of the terminated string s; null for null s.
KSTOOLS_API BSTR SysAllocString(const OLECHAR* s);
// A string of n characters copied from s, or uninitialised (but terminated)
// when s is null. SysAllocStringLen(nullptr, 0) is a non-null empty BSTR.
KSTOOLS_API BSTR SysAllocStringLen(const OLECHAR* s, UINT n);
// n bytes copied from the 8-bit buffer s (or uninitialised), as the platform's
// byte-length form; SysStringByteLen gives n back.
KSTOOLS_API BSTR SysAllocStringByteLen(const char* s, UINT bytes);
// Replace *b by a new copy of s (which may point into *b); a null s gives the
// empty BSTR. TRUE on success, FALSE with *b unchanged on failure or when b is
// null.
KSTOOLS_API INT SysReAllocString(BSTR* b, const OLECHAR* s);
KSTOOLS_API INT SysReAllocStringLen(BSTR* b, const OLECHAR* s, UINT n);
// Frees a BSTR; null is allowed.
KSTOOLS_API void SysFreeString(BSTR b);
// The length in characters (byte length / 2); 0 for null.
KSTOOLS_API UINT SysStringLen(BSTR b);
// The length in bytes; 0 for null.
KSTOOLS_API UINT SysStringByteLen(BSTR b);
