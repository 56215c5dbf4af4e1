// Counted strings: a 32-bit character count, the characters, then a 0 unit,
// in one malloc block. The pointer handed out points at the characters, so a
// counted string also reads as an ordinary terminated string.
#pragma once

#include "platform/base/types.h"

// n characters copied from src (left uninitialised when src is null), or
// null on a negative n or when memory runs out.
WCHAR* AllocCSTRLen(const WCHAR* src, int n);
// All of src; null src gives an empty counted string.
WCHAR* AllocCSTR(const WCHAR* src);
// Replace *p by a new counted copy (src may point into *p): 1, or 0 with *p
// unchanged when p is null or memory runs out.
int ReAllocCSTRLen(WCHAR** p, const WCHAR* src, int n);
int ReAllocCSTR(WCHAR** p, const WCHAR* src);
// Grow *p by n characters copied from src: 1, or 0 when p, *p or n is 0 (or
// src is null, or memory runs out), leaving *p unchanged.
int ExtendCSTRLen(WCHAR** p, const WCHAR* src, int n);
int ExtendCSTR(WCHAR** p, const WCHAR* src);
// Frees from the count word; null is allowed.
void FreeCSTR(WCHAR* p);
// The count word; 0 for null.
int CSTRLen(const WCHAR* p);

// Owner of one counted string. Comparison is in the user's locale order
// (CompareStringW with SORT_STRINGSORT over the counted lengths).
class CStr {
public:
    enum TakeOverTag { TakeOver };

    CStr();
    CStr(const WCHAR* s);
    // Takes over a block made by AllocCSTRLen; it is freed with this object.
    CStr(WCHAR* counted, TakeOverTag);
    CStr(const CStr& other);
    CStr(CStr&& other) noexcept;
    ~CStr();

    CStr& operator=(const CStr& other);
    CStr& operator=(CStr&& other) noexcept;
    CStr& operator=(const WCHAR* s);
    CStr& operator+=(const CStr& other);
    CStr& operator+=(const WCHAR* s);

    // Becomes an empty counted string.
    void Empty();
    // A new counted copy; the caller frees it with FreeCSTR.
    WCHAR* Copy() const;
    // dst becomes a copy of at most maxChars characters of src; 1 on success.
    static int Copy(CStr& dst, const CStr& src, ULONG maxChars);
    int Length() const { return CSTRLen(m_psz); }
    operator WCHAR*() const { return m_psz; }

    // -1, 0 or 1.
    int Compare(const CStr& other) const;
    bool operator==(const CStr& other) const { return Compare(other) == 0; }
    bool operator!=(const CStr& other) const { return Compare(other) != 0; }
    bool operator<(const CStr& other) const { return Compare(other) < 0; }
    bool operator<=(const CStr& other) const { return Compare(other) <= 0; }
    bool operator>(const CStr& other) const { return Compare(other) > 0; }
    bool operator>=(const CStr& other) const { return Compare(other) >= 0; }

private:
    WCHAR* m_psz;
};
