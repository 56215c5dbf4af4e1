// Element policies of the list templates (CePtrList, CeStrList), chosen by
// number when a list is made. Elements travel as untyped pointer values; the
// policies that need the element's own type (interface reference counts,
// destructors) live in the list template itself.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

// Stores a copy of element in *copy; false when memory runs out.
using CeListCopyFn = bool (*)(void* element, int elementSize, void** copy);
// Releases an element.
using CeListFreeFn = void (*)(void* element);
// Orders two elements: negative, 0 or positive.
using CeListCompareFn = int (*)(const void* a, const void* b, int elementSize);

// Copy kinds: 1 malloc block of the same _msize, 2 LocalAlloc block of the
// same LocalSize, 4 _wcsdup, 5 _strdup, 6 SysAllocString (an empty or null
// string becomes the empty BSTR); any other kind stores the value itself.
// Kind 3 (interface AddRef) is typed and handled by the list template: here
// it stores the value itself.
KSTOOLS_API CeListCopyFn CeListCopyPolicy(int kind);
// Free kinds matching the copy kinds: 1, 4, 5 free; 2 LocalFree; 6
// SysFreeString; others none (null), kind 3 included (typed, see above).
KSTOOLS_API CeListFreeFn CeListFreePolicy(int kind);
// Delete kinds of lists that own objects, where they need no type: 2 free,
// 3 LocalFree, 5 SysFreeString. Kinds 1 (delete), 4 (Release) and 6 (the
// object's destructor) are typed; here they and the others give none.
KSTOOLS_API CeListFreeFn CeListDeletePolicy(int kind);
// Compare kinds: 1 wcscmp, 2 _wcsicmp, 3 strcmp, 4 _stricmp, 5 locale order
// (CompareStringW, SORT_STRINGSORT), 6 the same ignoring case, 7 0 when the
// second string occurs in the first and 1 otherwise, 8 the same ignoring case;
// any other kind compares the values as unsigned numbers. A null string sorts
// before every other string (and contains nothing).
KSTOOLS_API CeListCompareFn CeListComparePolicy(int kind);

// The one place where string lists meet the locale's collation:
// CompareStringW(LOCALE_USER_DEFAULT, SORT_STRINGSORT [| NORM_IGNORECASE])
// minus 2.
KSTOOLS_API int CeListLocaleCompare(const WCHAR* a, const WCHAR* b, bool ignoreCase);
