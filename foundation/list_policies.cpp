#include "foundation/list_policies.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/string_functions.h"
#include "platform/text/bstr.h"
#include "platform/locale/compare_string.h"
#include "platform/base/local_memory.h"
#include "platform/text/wide_string.h"

namespace {

const WCHAR* W(const void* p) { return static_cast<const WCHAR*>(p); }
const char* A(const void* p) { return static_cast<const char*>(p); }

// Null-safe ordering shared by the string comparisons: null before all.
bool NullOrder(const void* a, const void* b, int* result)
{
    if (a && b) return false;
    *result = a ? 1 : b ? -1 : 0;
    return true;
}

bool CopyValue(void* element, int, void** copy)
{
    *copy = element;
    return true;
}

bool CopyMalloc(void* element, int, void** copy)
{
    *copy = nullptr;
    if (!element) return true;
    size_t size = _msize(element);
    void* block = std::malloc(size ? size : 1);
    if (!block) return false;
    std::memcpy(block, element, size);
    *copy = block;
    return true;
}

bool CopyLocal(void* element, int, void** copy)
{
    *copy = nullptr;
    if (!element) return true;
    size_t size = LocalSize(element);
    void* block = LocalAlloc(LMEM_FIXED, size);
    if (!block) return false;
    std::memcpy(block, element, size);
    *copy = block;
    return true;
}

bool CopyWide(void* element, int, void** copy)
{
    *copy = element ? _wcsdup(W(element)) : nullptr;
    return !element || *copy;
}

bool CopyNarrow(void* element, int, void** copy)
{
    *copy = element ? _strdup(A(element)) : nullptr;
    return !element || *copy;
}

bool CopyBstr(void* element, int, void** copy)
{
    const WCHAR* s = W(element);
    *copy = s && *s ? SysAllocString(s) : SysAllocStringLen(nullptr, 0);
    return *copy != nullptr;
}

void FreeMalloc(void* element) { std::free(element); }
void FreeLocal(void* element) { LocalFree(element); }
void FreeBstr(void* element) { SysFreeString(static_cast<BSTR>(element)); }

int CompareWide(const void* a, const void* b, int)
{
    int r;
    return NullOrder(a, b, &r) ? r : wcscmp(W(a), W(b));
}

int CompareWideNoCase(const void* a, const void* b, int)
{
    int r;
    return NullOrder(a, b, &r) ? r : _wcsicmp(W(a), W(b));
}

int CompareNarrow(const void* a, const void* b, int)
{
    int r;
    return NullOrder(a, b, &r) ? r : std::strcmp(A(a), A(b));
}

int CompareNarrowNoCase(const void* a, const void* b, int)
{
    int r;
    return NullOrder(a, b, &r) ? r : _stricmp(A(a), A(b));
}

int CompareLocale(const void* a, const void* b, int)
{
    int r;
    return NullOrder(a, b, &r) ? r : CeListLocaleCompare(W(a), W(b), false);
}

int CompareLocaleNoCase(const void* a, const void* b, int)
{
    int r;
    return NullOrder(a, b, &r) ? r : CeListLocaleCompare(W(a), W(b), true);
}

int CompareContains(const void* a, const void* b, int)
{
    if (!a || !b) return 1;
    return wcsstr(W(a), W(b)) ? 0 : 1;
}

int CompareContainsNoCase(const void* a, const void* b, int)
{
    if (!a || !b) return 1;
    return wcsistr(W(a), W(b)) ? 0 : 1;
}

int CompareUnsigned(const void* a, const void* b, int)
{
    auto x = reinterpret_cast<std::uintptr_t>(a);
    auto y = reinterpret_cast<std::uintptr_t>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

CeListCopyFn CeListCopyPolicy(int kind)
{
    switch (kind) {
        case 1:
            return CopyMalloc;
        case 2:
            return CopyLocal;
        case 4:
            return CopyWide;
        case 5:
            return CopyNarrow;
        case 6:
            return CopyBstr;
        default:
            return CopyValue;
    }
}

CeListFreeFn CeListFreePolicy(int kind)
{
    switch (kind) {
        case 1:
        case 4:
        case 5:
            return FreeMalloc;
        case 2:
            return FreeLocal;
        case 6:
            return FreeBstr;
        default:
            return nullptr;
    }
}

CeListFreeFn CeListDeletePolicy(int kind)
{
    switch (kind) {
        case 2:
            return FreeMalloc;
        case 3:
            return FreeLocal;
        case 5:
            return FreeBstr;
        default:
            return nullptr;
    }
}

CeListCompareFn CeListComparePolicy(int kind)
{
    switch (kind) {
        case 1:
            return CompareWide;
        case 2:
            return CompareWideNoCase;
        case 3:
            return CompareNarrow;
        case 4:
            return CompareNarrowNoCase;
        case 5:
            return CompareLocale;
        case 6:
            return CompareLocaleNoCase;
        case 7:
            return CompareContains;
        case 8:
            return CompareContainsNoCase;
        default:
            return CompareUnsigned;
    }
}

int CeListLocaleCompare(const WCHAR* a, const WCHAR* b, bool ignoreCase)
{
    DWORD flags = SORT_STRINGSORT | (ignoreCase ? NORM_IGNORECASE : 0);
    int r = CompareStringW(LOCALE_USER_DEFAULT, flags, a ? a : u"", -1, b ? b : u"", -1);
    if (r == 0) return ignoreCase ? _wcsicmp(a, b) : wcscmp(a, b);
    return r - CSTR_EQUAL;
}
