// URL encoding of UTF-16 text for query strings.
#pragma once

#include "platform/base/types.h"

// Letters and digits are copied, a space becomes '+', any other character '%'
// and the first two characters of its code in upper-case hexadecimal (at
// least two digits). Writes at most capacity characters, terminator included,
// stopping at the first character that would not fit. Returns dst.
WCHAR* UrlEncode(const WCHAR* src, WCHAR* dst, int capacity);
