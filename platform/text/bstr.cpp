// BSTRs: one malloc block holding the 32-bit byte length, the characters and a
// 0 unit; the BSTR points at the characters.
#include "platform/text/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/text/wide_string.h"

namespace {

using LengthWord = std::uint32_t;

// A block for `bytes` bytes of text (plus the terminator), length word set;
// the text itself is left for the caller. Null when it cannot be had.
char* AllocateBytes(UINT bytes)
{
    if (bytes > UINT32_MAX - sizeof(LengthWord) - sizeof(WCHAR) - 1) return nullptr;
    // An odd byte length still gets a whole 0 unit after the last byte.
    size_t total = sizeof(LengthWord) + bytes + sizeof(WCHAR) + (bytes & 1);
    auto* block = static_cast<char*>(std::malloc(total));
    if (!block) return nullptr;
    LengthWord length = bytes;
    std::memcpy(block, &length, sizeof length);
    char* text = block + sizeof(LengthWord);
    std::memset(text + bytes, 0, sizeof(WCHAR) + (bytes & 1));
    return text;
}

char* BlockOf(BSTR b) { return reinterpret_cast<char*>(b) - sizeof(LengthWord); }

}  // namespace

BSTR SysAllocString(const OLECHAR* s)
{
    if (!s) return nullptr;
    size_t n = wcslen(s);
    if (n > UINT32_MAX / 2) return nullptr;
    return SysAllocStringLen(s, static_cast<UINT>(n));
}

BSTR SysAllocStringLen(const OLECHAR* s, UINT n)
{
    if (n > UINT32_MAX / 2) return nullptr;
    char* text = AllocateBytes(n * sizeof(WCHAR));
    if (!text) return nullptr;
    if (s && n) std::memcpy(text, s, n * sizeof(WCHAR));
    return reinterpret_cast<BSTR>(text);
}

BSTR SysAllocStringByteLen(const char* s, UINT bytes)
{
    char* text = AllocateBytes(bytes);
    if (!text) return nullptr;
    if (s && bytes) std::memcpy(text, s, bytes);
    return reinterpret_cast<BSTR>(text);
}

INT SysReAllocString(BSTR* b, const OLECHAR* s)
{
    if (!b) return FALSE;
    // The new copy is made before the old string is freed, so s may point
    // into *b.
    BSTR copy = s ? SysAllocString(s) : SysAllocStringLen(nullptr, 0);
    if (!copy) return FALSE;
    SysFreeString(*b);
    *b = copy;
    return TRUE;
}

INT SysReAllocStringLen(BSTR* b, const OLECHAR* s, UINT n)
{
    if (!b) return FALSE;
    BSTR copy = SysAllocStringLen(s, n);
    if (!copy) return FALSE;
    SysFreeString(*b);
    *b = copy;
    return TRUE;
}

void SysFreeString(BSTR b)
{
    if (b) std::free(BlockOf(b));
}

UINT SysStringByteLen(BSTR b)
{
    if (!b) return 0;
    LengthWord length;
    std::memcpy(&length, BlockOf(b), sizeof length);
    return length;
}

UINT SysStringLen(BSTR b) { return SysStringByteLen(b) / sizeof(WCHAR); }
