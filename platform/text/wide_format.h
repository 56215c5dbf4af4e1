// The printf engine behind the UTF-16 printf family, with the runtime's
// Microsoft semantics: %s and %c take UTF-16 text, %S and %C 8-bit text
// (Windows-1252), %hs/%hc are 8-bit and %ls/%lc UTF-16 whatever the function;
// %ld, %lu, %lx and %li read 32-bit values, %lld, %I64d and %Id (%I, %z, %t:
// pointer-sized) 64-bit ones; %p prints the pointer as upper-case hexadecimal
// of 16 digits. A null string prints "(null)". %n writes nothing.
// An unknown conversion character is printed as itself without consuming an
// argument, which is also what the floating conversions do in the wsprintfW
// dialect (that function has none).
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/base/types.h"

enum class WideFormatDialect {
    Crt,       // _snwprintf, swprintf: everything above, with %f %e %g %a
    Wsprintf,  // wsprintfW: no floating point conversions
};

// Formats into buf, writing at most capacity characters and never a
// terminator; returns the number of characters the whole text needs (which may
// exceed capacity). buf may be null when capacity is 0.
size_t FormatWide(WCHAR* buf, size_t capacity, WideFormatDialect dialect, const WCHAR* fmt, va_list args);
