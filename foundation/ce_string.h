// CeString: a reference-counted UTF-16 string with copy-on-write.
//
// The text lives in a CeStringRep block: a 32-bit reference count, a 32-bit
// length, then the characters and a 0 unit. A CeString holds one pointer, to
// the characters of its block, so it converts to const WCHAR* for free.
// Assigning one CeString to another shares the block; every writer makes a
// private copy first when the block is shared. Reference counts change with
// interlocked operations, so strings that share a block may live on different
// threads (a single CeString object is not for simultaneous use).
#pragma once

#include "platform/base/export.h"
#include "platform/base/interlocked.h"
#include "platform/base/types.h"

struct KSTOOLS_API CeStringRep {
    LONG refs;    // CeString objects pointing at this block; -1: never freed
    LONG length;  // characters, terminator excluded

    WCHAR* GetString() { return reinterpret_cast<WCHAR*>(this + 1); }
    const WCHAR* GetString() const { return reinterpret_cast<const WCHAR*>(this + 1); }
    LONG GetLength() const { return length; }
    LONG GetRefs() const { return __atomic_load_n(&refs, __ATOMIC_ACQUIRE); }
    bool IsShared() const { return GetRefs() > 1; }
    // Interlocked; both return the new count.
    LONG AddRef() { return InterlockedIncrement(&refs); }
    LONG Release() { return InterlockedDecrement(&refs); }

    // A block for n characters: refs 1, length n, data[n] = 0, the other
    // characters uninitialised. Null when n is negative or memory runs out.
    static CeStringRep* AllocBuf(int n);
    static void FreeBuf(CeStringRep* rep);

    // The block a character pointer of a CeString belongs to.
    static CeStringRep* FromString(WCHAR* chars) { return reinterpret_cast<CeStringRep*>(chars) - 1; }
    static const CeStringRep* FromString(const WCHAR* chars) { return reinterpret_cast<const CeStringRep*>(chars) - 1; }

    // The one static empty block of the library, shared by every empty string:
    // refs -1 (never freed, never counted), length 0, a 0 unit.
    static struct CeStringNullBlock s_rgNullData;
    static CeStringRep* const s_cerepNullRep;
    static WCHAR* const s_lpszCeEmpty;
    static CeStringRep* NullRep() { return s_cerepNullRep; }
    static WCHAR* NullString() { return s_lpszCeEmpty; }
};

// Storage of the static empty block: the header, then its character area.
struct CeStringNullBlock : CeStringRep {
    WCHAR data[2];
};

class KSTOOLS_API CeString {
public:
    CeString();
    // A non-null value below 0x10000 is a string-resource identifier of the
    // application's module; null gives the empty string.
    CeString(const WCHAR* s);
    // The first n characters (stopping early at a 0 unit); n = -1: all of s.
    CeString(const WCHAR* s, int n);
    // A copy never shares: the text up to its first 0 unit goes to a new block.
    CeString(const CeString& other);
    CeString(CeString&& other) noexcept;
    // n bytes (0 or negative: up to the terminator), each widened as a
    // signed 8-bit value: 0x80..0xFF become U+FF80..U+FFFF.
    CeString(const char* s, int n = 0);
    CeString(WCHAR c, int n);
    explicit CeString(WCHAR c);
    // The window's text; empty when the handle is no window or has no text.
    explicit CeString(HWND window);
    CeString(SHORT value, int radix);
    CeString(LONG value, int radix);
    CeString(ULONG value, int radix);
    // digits digits after the point (the library uses 3).
    CeString(double value, int digits);
    virtual ~CeString() { Release(); }

    // Shares the other block (an empty source gives the shared empty string).
    CeString& operator=(const CeString& other)
    {
        if (other.m_pchData == m_pchData) return *this;
        if (other.IsEmpty()) {
            Release();
            return *this;
        }
        CeStringRep* rep = other.Rep();
        // A block whose count reads -1 is never counted nor freed.
        if (rep->GetRefs() != -1) rep->AddRef();
        Release();
        m_pchData = other.m_pchData;
        return *this;
    }
    CeString& operator=(CeString&& other) noexcept;
    CeString& operator=(const WCHAR* s);
    CeString& operator=(WCHAR c);
    CeString& operator=(const char* s);

    // Reading.
    int Length() const { return Rep()->length; }
    bool IsEmpty() const { return Rep()->length == 0; }
    operator const WCHAR*() const { return m_pchData; }
    WCHAR operator[](int i) const { return m_pchData[i]; }
    // Unchecked; makes the block private first so the reference can be written.
    WCHAR& operator[](int i);
    // A negative i counts as 0; 0 at or past the end.
    WCHAR GetIndexChar(int i) const;
    operator int() const;
    operator double() const;
    const CeStringRep* GetRep() const { return Rep(); }

    // Ordinal comparison on 16-bit units; a null argument gives -1.
    int Compare(const WCHAR* s) const;
    int Compare(const WCHAR* s, int n) const;
    int CompareNoCase(const WCHAR* s) const;
    // A null right side compares greater than every string.
    bool operator==(const WCHAR* s) const;
    bool operator!=(const WCHAR* s) const;
    bool operator<(const WCHAR* s) const;
    bool operator<=(const WCHAR* s) const;
    bool operator>(const WCHAR* s) const;
    bool operator>=(const WCHAR* s) const;

    // Searching: pointers into the text or null, indexes or -1.
    const WCHAR* Find(const WCHAR* s) const;
    const WCHAR* Find(WCHAR c) const;
    int FindIndex(const WCHAR* s) const;
    int FindIndex(WCHAR c) const;
    const WCHAR* ReverseFind(WCHAR c) const;
    int ReverseFindIndex(WCHAR c) const;
    const WCHAR* FindOneOf(const WCHAR* set) const;
    const WCHAR* FindNotOneOf(const WCHAR* set) const;

    // Changing. Each writes only a private block.
    void Empty();
    CeString& Append(const WCHAR* s, int n = -1);
    CeString& operator+=(const CeString& s);
    CeString& operator+=(const WCHAR* s);
    CeString& operator+=(WCHAR c);
    // These append to this string itself and return it, exactly as +=.
    CeString& operator+(const CeString& s);
    CeString& operator+(const WCHAR* s);
    // Inserts s before index i (clamped to 0..length); returns the new length.
    int Insert(int i, const WCHAR* s);
    // Keeps the first n characters when 0 <= n < length.
    void Truncate(int n);
    void LTrim();
    void RTrim();
    void Trim();
    void MakeUpper();
    void MakeLower();
    void Reverse();
    // n copies of c / every character replaced by c; c widened as signed.
    void Set(char c, int n);
    void Set(char c);
    void Set(WCHAR c, int n);
    void Set(WCHAR c);
    void SetShort(SHORT value, int radix = 10);
    void SetLong(LONG value, int radix = 10);
    void SetULong(ULONG value, int radix = 10);
    void SetDouble(double value, int digits = 3);
    // A negative i counts as 0; ignored at or past the end.
    void SetIndexChar(WCHAR c, int i);
    // At most n characters. Returns the new length.
    int Format(int n, const WCHAR* fmt, ...);
    // Through a 1,024-character buffer. Returns the new length.
    int Format(const WCHAR* fmt, ...);
    // The system's text for an error code, else "Error %d occured".
    int FormatMessageW(ULONG code);
    // String resource id of module (the application's when null): returns its
    // length, or 0 leaving the string unchanged when there is none.
    int LoadStringW(UINT id, HINSTANCE module = nullptr);
    int GetWindowTextW(HWND window);
    void SetWindowTextW(HWND window) const;
    // Every occurrence of find from index start on; returns the new length.
    int Replace(const WCHAR* find, const WCHAR* repl, ULONG start = 0, int caseSensitive = 1);

    // Direct writing. GetBuffer(0) is null; otherwise at least n writable
    // characters of a private block (with n > length a new block holding a
    // copy of the text). GetBufferSetLength gives a private block of exactly
    // length n (null for n <= 0). ReleaseBuffer takes the length from the
    // first 0 unit and trims the block to fit.
    WCHAR* GetBuffer(int n);
    WCHAR* GetBufferSetLength(int n);
    void ReleaseBuffer();

    // Copies out (MidStr, LeftStr, RightStr rules).
    CeString Mid(int start, int count = -1) const;
    CeString Left(int n) const;
    CeString Right(int n) const;
    // Without the character at i; empty when i is outside the text.
    CeString Delete(int i) const;
    // The text and its terminator in a new block (malloc when useCrtHeap,
    // LocalAlloc otherwise), optionally after a byte-order mark FF FE.
    // *bytes receives the block's size.
    WCHAR* GetStringCopy(bool useCrtHeap, bool byteOrderMark, ULONG* bytes) const;

    static CeStringRep* NullRep() { return CeStringRep::NullRep(); }
    static WCHAR* NullString() { return CeStringRep::NullString(); }

protected:
    CeStringRep* Rep() const { return CeStringRep::FromString(m_pchData); }
    // Makes the block private when it is shared and not empty; false when
    // memory for the copy runs out (the block must then not be written).
    bool CopyOnWrite();
    // Drops this string's reference and points it at the empty block.
    void Release()
    {
        if (m_pchData == CeStringRep::s_lpszCeEmpty) return;
        CeStringRep* rep = Rep();
        LONG refs = rep->GetRefs();
        // A sole owner frees without the interlocked step: no other string can
        // take a reference to a block that only this one holds.
        if (refs == 1 || (refs != -1 && rep->Release() < 1)) CeStringRep::FreeBuf(rep);
        m_pchData = CeStringRep::s_lpszCeEmpty;
    }
    // Replaces the text by n characters of s (n = 0: empty).
    void AssignCopy(const WCHAR* s, int n);
    // Takes over a block that holds one reference for this string.
    void Attach(CeStringRep* rep);
    void AssignResourceOrText(const WCHAR* s);

private:
    WCHAR* m_pchData;
};

// Copies src up to and including its terminator, widening each byte as a
// signed 8-bit value; returns dst.
KSTOOLS_API WCHAR* wce_AsciiToWide(WCHAR* dst, const char* src);
