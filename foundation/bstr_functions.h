// BSTR helpers over the platform's SysAllocString family.
#pragma once

#include "platform/text/bstr.h"

// A BSTR copy of src; a null or empty src gives the (non-null) empty BSTR.
BSTR AllocBSTR(const WCHAR* src);
// Replaces *b by a copy of src; 1 on success, 0 for a null src or b, or on failure.
int ReAllocBSTR(BSTR* b, const WCHAR* src);
void FreeBSTR(BSTR b);
// Characters of b; 0 for null.
int BSTRLen(BSTR b);
