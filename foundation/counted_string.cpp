#include "foundation/counted_string.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/locale/compare_string.h"
#include "platform/text/wide_string.h"

namespace {

// The count word sits just before the characters.
std::int32_t* CountWord(WCHAR* p) { return reinterpret_cast<std::int32_t*>(p) - 1; }
const std::int32_t* CountWord(const WCHAR* p) { return reinterpret_cast<const std::int32_t*>(p) - 1; }

constexpr size_t kMaxChars = (INT_MAX - sizeof(std::int32_t)) / sizeof(WCHAR) - 1;

}  // namespace

WCHAR* AllocCSTRLen(const WCHAR* src, int n)
{
    if (n < 0 || static_cast<size_t>(n) > kMaxChars) return nullptr;
    auto* block =
        static_cast<std::int32_t*>(std::malloc(sizeof(std::int32_t) + (static_cast<size_t>(n) + 1) * sizeof(WCHAR)));
    if (!block) return nullptr;
    block[0] = n;
    auto* chars = reinterpret_cast<WCHAR*>(block + 1);
    if (src && n) std::memcpy(chars, src, static_cast<size_t>(n) * sizeof(WCHAR));
    chars[n] = 0;
    return chars;
}

WCHAR* AllocCSTR(const WCHAR* src) { return AllocCSTRLen(src ? src : u"", static_cast<int>(wcslen(src))); }

int ReAllocCSTRLen(WCHAR** p, const WCHAR* src, int n)
{
    if (!p) return 0;
    WCHAR* fresh = AllocCSTRLen(src, n);
    if (!fresh) return 0;
    FreeCSTR(*p);
    *p = fresh;
    return 1;
}

int ReAllocCSTR(WCHAR** p, const WCHAR* src)
{
    return ReAllocCSTRLen(p, src ? src : u"", static_cast<int>(wcslen(src)));
}

int ExtendCSTRLen(WCHAR** p, const WCHAR* src, int n)
{
    if (!p || !*p || n <= 0 || !src) return 0;
    int len = CSTRLen(*p);
    if (static_cast<size_t>(n) > kMaxChars - static_cast<size_t>(len)) return 0;
    // A new block, not realloc: src may point into the old one.
    WCHAR* fresh = AllocCSTRLen(nullptr, len + n);
    if (!fresh) return 0;
    std::memcpy(fresh, *p, static_cast<size_t>(len) * sizeof(WCHAR));
    std::memcpy(fresh + len, src, static_cast<size_t>(n) * sizeof(WCHAR));
    FreeCSTR(*p);
    *p = fresh;
    return 1;
}

int ExtendCSTR(WCHAR** p, const WCHAR* src) { return ExtendCSTRLen(p, src, static_cast<int>(wcslen(src))); }

void FreeCSTR(WCHAR* p)
{
    if (p) std::free(CountWord(p));
}

int CSTRLen(const WCHAR* p) { return p ? *CountWord(p) : 0; }

// ---------------------------------------------------------------------------

CStr::CStr() : m_psz(AllocCSTR(nullptr)) {}

CStr::CStr(const WCHAR* s) : m_psz(AllocCSTR(s)) {}

CStr::CStr(WCHAR* counted, TakeOverTag) : m_psz(counted) {}

CStr::CStr(const CStr& other) : m_psz(AllocCSTRLen(other.m_psz, other.Length())) {}

CStr::CStr(CStr&& other) noexcept : m_psz(other.m_psz) { other.m_psz = nullptr; }

CStr::~CStr() { FreeCSTR(m_psz); }

CStr& CStr::operator=(const CStr& other)
{
    if (&other != this) ReAllocCSTRLen(&m_psz, other.m_psz, other.Length());
    return *this;
}

CStr& CStr::operator=(CStr&& other) noexcept
{
    if (&other != this) {
        FreeCSTR(m_psz);
        m_psz = other.m_psz;
        other.m_psz = nullptr;
    }
    return *this;
}

CStr& CStr::operator=(const WCHAR* s)
{
    ReAllocCSTR(&m_psz, s);
    return *this;
}

CStr& CStr::operator+=(const CStr& other)
{
    if (!m_psz) {
        *this = other;
    } else {
        ExtendCSTRLen(&m_psz, other.m_psz, other.Length());
    }
    return *this;
}

CStr& CStr::operator+=(const WCHAR* s)
{
    if (!m_psz) {
        *this = s;
    } else {
        ExtendCSTR(&m_psz, s);
    }
    return *this;
}

void CStr::Empty() { ReAllocCSTR(&m_psz, nullptr); }

WCHAR* CStr::Copy() const { return AllocCSTRLen(m_psz, Length()); }

int CStr::Copy(CStr& dst, const CStr& src, ULONG maxChars)
{
    int n = src.Length();
    if (static_cast<ULONG>(n) > maxChars) n = static_cast<int>(maxChars);
    return ReAllocCSTRLen(&dst.m_psz, src.m_psz, n);
}

int CStr::Compare(const CStr& other) const
{
    const WCHAR* a = m_psz ? m_psz : u"";
    const WCHAR* b = other.m_psz ? other.m_psz : u"";
    int r = CompareStringW(LOCALE_USER_DEFAULT, SORT_STRINGSORT, a, Length(), b, other.Length());
    if (r == 0) {
        // The locale comparison refused the arguments: fall back to code units.
        int c = wcscmp(a, b);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return r - CSTR_EQUAL;
}
