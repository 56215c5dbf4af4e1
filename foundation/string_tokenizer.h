// Splitting text at a one-character delimiter: the in-place tokenizer
// xstrtok and Split, which returns the fields as a string list.
#pragma once

#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"

// State of xstrtok. Set pszString and pszDelimiter, leave pszNext null.
struct XSTRTOK {
    WCHAR* pszNext;             // where the next token begins; null when used up
    WCHAR* pszString;           // the string to start from; cleared by the first call
    const WCHAR* pszDelimiter;  // only its first character is used
};

// The next token: cuts at the next delimiter by writing 0 there. Consecutive
// delimiters give empty tokens; null once the string is used up. Without a
// delimiter character the rest of the string is one token.
WCHAR* xstrtok(XSTRTOK* state);

// A new list (index base 0, owned copies) of the c-separated fields of s,
// empty fields included; an empty s gives one empty field, a null s an empty
// list. s itself is not changed. Null when memory runs out.
CeStrList<WCHAR*>* Split(const WCHAR* s, WCHAR c);
