#include "foundation/bstr_functions.h"

BSTR AllocBSTR(const WCHAR* src)
{
    if (!src || !*src) return SysAllocStringLen(nullptr, 0);
    return SysAllocString(src);
}

int ReAllocBSTR(BSTR* b, const WCHAR* src)
{
    if (!b || !src) return 0;
    return SysReAllocString(b, src) ? 1 : 0;
}

void FreeBSTR(BSTR b) { SysFreeString(b); }

int BSTRLen(BSTR b) { return static_cast<int>(SysStringLen(b)); }
