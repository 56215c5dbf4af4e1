// Sections: CeStringRep; Helpers; Construction and assignment; Block management; Reading; Comparison; Searching;
//   Changing; Direct buffer access; Copies out; Conversions.

#include "foundation/ce_string.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/string_functions.h"
#include "foundation/system_messages.h"
#include "platform/base/interlocked.h"
#include "platform/base/local_memory.h"
#include "platform/modules/string_resources.h"
#include "platform/text/wide_string.h"

// ---- CeStringRep ----

constinit CeStringNullBlock CeStringRep::s_rgNullData = {{-1, 0}, {0, 0}};
constinit CeStringRep* const CeStringRep::s_cerepNullRep = &CeStringRep::s_rgNullData;
constinit WCHAR* const CeStringRep::s_lpszCeEmpty = CeStringRep::s_rgNullData.data;

CeStringRep* CeStringRep::AllocBuf(int n)
{
    if (n < 0 || static_cast<size_t>(n) > (INT_MAX - sizeof(CeStringRep)) / sizeof(WCHAR) - 1) return nullptr;
    auto* rep =
        static_cast<CeStringRep*>(std::malloc(sizeof(CeStringRep) + (static_cast<size_t>(n) + 1) * sizeof(WCHAR)));
    if (!rep) return nullptr;
    rep->refs = 1;
    rep->length = n;
    rep->GetString()[n] = 0;
    return rep;
}

void CeStringRep::FreeBuf(CeStringRep* rep)
{
    if (rep && rep != s_cerepNullRep) std::free(rep);
}

// ---- Helpers ----

namespace {

// The index of the first 0 unit among p[0..len), or len. Copies of long
// strings scan their whole text, so this looks at several units at a time.
int FirstZeroOrLength(const WCHAR* p, int len)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= len; i += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(units, zero))) break;
    }
#else
    // A word holds a zero unit exactly when the "haszero" bit test says so.
    constexpr std::uint64_t kOnes = 0x0001000100010001ull;
    constexpr std::uint64_t kHighs = 0x8000800080008000ull;
    for (; i + 4 <= len; i += 4) {
        std::uint64_t w;
        std::memcpy(&w, p + i, sizeof w);
        if ((w - kOnes) & ~w & kHighs) break;
    }
#endif
    while (i < len && p[i]) ++i;
    return i;
}

// Sign-extending widening of one 8-bit character: 0xA0 becomes U+FFA0.
WCHAR WidenSigned(char c) { return static_cast<WCHAR>(static_cast<SHORT>(static_cast<signed char>(c))); }

// LTrim also drops U+FFA0, the widened form of the 8-bit no-break space.
bool IsLeadingSpace(WCHAR c) { return iswctype(c, _SPACE) || c == 0xFFA0; }
bool IsSpace(WCHAR c) { return iswctype(c, _SPACE); }

// The runtime's fixed-point conversion: the digits of |value| rounded to
// `digits` places after the point, without leading zeros, and the position of
// the point relative to the first digit (negative when zeros follow the point).
std::string FixedDigits(double value, int digits, int* dec)
{
    int n = std::snprintf(nullptr, 0, "%.*f", digits, std::fabs(value));
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.*f", digits, std::fabs(value));
    // The point is whatever the C library's numeric locale makes it.
    size_t point = text.find_first_not_of("0123456789");
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    size_t firstWhole = whole.find_first_not_of('0');
    if (firstWhole != std::string::npos) {
        *dec = static_cast<int>(whole.size() - firstWhole);
        return whole.substr(firstWhole) + fraction;
    }
    size_t firstFraction = fraction.find_first_not_of('0');
    if (firstFraction == std::string::npos) {
        *dec = -static_cast<int>(fraction.size());
        return std::string();
    }
    *dec = -static_cast<int>(firstFraction);
    return fraction.substr(firstFraction);
}

// The runtime's general conversion with `digits` significant digits.
std::string GeneralText(double value, int digits)
{
    int precision = digits < 1 ? 1 : digits;
    int n = std::snprintf(nullptr, 0, "%.*g", precision, value);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.*g", precision, value);
    for (char& c : text) {
        if (c == ',') c = '.';  // a decimal comma of the C library's locale
    }
    return text;
}

}  // namespace

// ---- Construction and assignment ----

CeString::CeString() : m_pchData(CeStringRep::s_lpszCeEmpty) {}

CeString::CeString(const WCHAR* s) : m_pchData(CeStringRep::s_lpszCeEmpty) { AssignResourceOrText(s); }

CeString::CeString(const WCHAR* s, int n) : m_pchData(CeStringRep::s_lpszCeEmpty)
{
    if (!s || n == 0 || n < -1) return;
    size_t len = n == -1 ? wcslen(s) : wcsnlen(s, static_cast<size_t>(n));
    AssignCopy(s, static_cast<int>(len));
}

CeString::CeString(const CeString& other) : m_pchData(CeStringRep::s_lpszCeEmpty)
{
    // Up to the first 0 unit, which a writer may have put inside the text.
    AssignCopy(other.m_pchData, FirstZeroOrLength(other.m_pchData, other.Length()));
}

CeString::CeString(CeString&& other) noexcept : m_pchData(other.m_pchData)
{
    other.m_pchData = CeStringRep::s_lpszCeEmpty;
}

CeString::CeString(const char* s, int n) : m_pchData(CeStringRep::s_lpszCeEmpty)
{
    if (!s) return;
    size_t len = n <= 0 ? std::strlen(s) : strnlen(s, static_cast<size_t>(n));
    if (len == 0 || len > INT_MAX) return;
    CeStringRep* rep = CeStringRep::AllocBuf(static_cast<int>(len));
    if (!rep) return;
    WCHAR* d = rep->GetString();
    for (size_t i = 0; i < len; ++i) d[i] = WidenSigned(s[i]);
    Attach(rep);
}

CeString::CeString(WCHAR c, int n) : m_pchData(CeStringRep::s_lpszCeEmpty) { Set(c, n); }

CeString::CeString(WCHAR c) : m_pchData(CeStringRep::s_lpszCeEmpty) { Set(c, 1); }

CeString::CeString(SHORT value, int radix) : m_pchData(CeStringRep::s_lpszCeEmpty) { SetShort(value, radix); }

CeString::CeString(LONG value, int radix) : m_pchData(CeStringRep::s_lpszCeEmpty) { SetLong(value, radix); }

CeString::CeString(ULONG value, int radix) : m_pchData(CeStringRep::s_lpszCeEmpty) { SetULong(value, radix); }

CeString::CeString(double value, int digits) : m_pchData(CeStringRep::s_lpszCeEmpty) { SetDouble(value, digits); }

CeString& CeString::operator=(CeString&& other) noexcept
{
    if (&other != this) {
        Release();
        m_pchData = other.m_pchData;
        other.m_pchData = CeStringRep::s_lpszCeEmpty;
    }
    return *this;
}

CeString& CeString::operator=(const WCHAR* s)
{
    AssignResourceOrText(s);
    return *this;
}

CeString& CeString::operator=(WCHAR c)
{
    Set(c, 1);
    return *this;
}

CeString& CeString::operator=(const char* s)
{
    *this = CeString(s, 0);
    return *this;
}

void CeString::AssignResourceOrText(const WCHAR* s)
{
    if (!s) {
        Release();
        return;
    }
    // Pointer values below 0x10000 cannot be text: they name string resources.
    auto value = reinterpret_cast<std::uintptr_t>(s);
    if (value < 0x10000) {
        if (LoadStringW(static_cast<UINT>(value), nullptr) == 0) Release();
        return;
    }
    AssignCopy(s, static_cast<int>(wcslen(s)));
}

// ---- Block management ----

void CeString::Attach(CeStringRep* rep)
{
    Release();
    m_pchData = rep->GetString();
}

void CeString::AssignCopy(const WCHAR* s, int n)
{
    if (!s || n <= 0) {
        Release();
        return;
    }
    // The source may lie inside the current block: copy before releasing.
    CeStringRep* rep = CeStringRep::AllocBuf(n);
    if (!rep) return;
    std::memcpy(rep->GetString(), s, static_cast<size_t>(n) * sizeof(WCHAR));
    Attach(rep);
}

bool CeString::CopyOnWrite()
{
    CeStringRep* old = Rep();
    if (!old->IsShared() || old->length <= 0) return true;
    CeStringRep* rep = CeStringRep::AllocBuf(old->length);
    if (!rep) return false;
    std::memcpy(rep->GetString(), old->GetString(), (static_cast<size_t>(old->length) + 1) * sizeof(WCHAR));
    // Another sharer may have let go meanwhile, so this may be the last reference.
    if (old->Release() < 1) CeStringRep::FreeBuf(old);
    m_pchData = rep->GetString();
    return true;
}

// ---- Reading ----

WCHAR& CeString::operator[](int i)
{
    if (IsEmpty() || !CopyOnWrite()) {
        // A shared block must never be written; hand out a scratch unit.
        thread_local WCHAR scratch;
        scratch = 0;
        return scratch;
    }
    return m_pchData[i];
}

WCHAR CeString::GetIndexChar(int i) const
{
    if (i < 0) i = 0;
    return i < Length() ? m_pchData[i] : 0;
}

CeString::operator int() const { return _wtol(m_pchData); }

CeString::operator double() const { return wcstod(m_pchData, nullptr); }

// ---- Comparison ----

int CeString::Compare(const WCHAR* s) const { return s ? wcscmp(m_pchData, s) : -1; }

int CeString::Compare(const WCHAR* s, int n) const
{
    if (!s) return -1;
    return wcsncmp(m_pchData, s, n < 0 ? SIZE_MAX : static_cast<size_t>(n));
}

int CeString::CompareNoCase(const WCHAR* s) const { return s ? _wcsicmp(m_pchData, s) : -1; }

bool CeString::operator==(const WCHAR* s) const { return s && wcscmp(m_pchData, s) == 0; }
bool CeString::operator!=(const WCHAR* s) const { return !s || wcscmp(m_pchData, s) != 0; }
bool CeString::operator<(const WCHAR* s) const { return !s || wcscmp(m_pchData, s) < 0; }
bool CeString::operator<=(const WCHAR* s) const { return !s || wcscmp(m_pchData, s) <= 0; }
bool CeString::operator>(const WCHAR* s) const { return s && wcscmp(m_pchData, s) > 0; }
bool CeString::operator>=(const WCHAR* s) const { return s && wcscmp(m_pchData, s) >= 0; }

// ---- Searching ----

const WCHAR* CeString::Find(const WCHAR* s) const { return s ? wcsstr(m_pchData, s) : nullptr; }

const WCHAR* CeString::Find(WCHAR c) const { return c ? wcschr(m_pchData, c) : nullptr; }

int CeString::FindIndex(const WCHAR* s) const
{
    const WCHAR* p = Find(s);
    return p ? static_cast<int>(p - m_pchData) : -1;
}

int CeString::FindIndex(WCHAR c) const
{
    const WCHAR* p = Find(c);
    return p ? static_cast<int>(p - m_pchData) : -1;
}

const WCHAR* CeString::ReverseFind(WCHAR c) const { return c ? wcsrchr(m_pchData, c) : nullptr; }

int CeString::ReverseFindIndex(WCHAR c) const
{
    const WCHAR* p = ReverseFind(c);
    return p ? static_cast<int>(p - m_pchData) : -1;
}

const WCHAR* CeString::FindOneOf(const WCHAR* set) const
{
    if (!set) return nullptr;
    const WCHAR* p = wcspbrk(m_pchData, set);
    return p && *p ? p : nullptr;
}

const WCHAR* CeString::FindNotOneOf(const WCHAR* set) const
{
    size_t i = set ? wcsspn(m_pchData, set) : 0;
    return m_pchData[i] ? m_pchData + i : nullptr;
}

// ---- Changing ----

void CeString::Empty() { Release(); }

CeString& CeString::Append(const WCHAR* s, int n)
{
    if (!s || n == 0 || n < -1) return *this;
    size_t add = n == -1 ? wcslen(s) : wcsnlen(s, static_cast<size_t>(n));
    if (add == 0) return *this;
    int len = Length();
    if (add > static_cast<size_t>(INT_MAX - len)) return *this;
    if (len == 0) {
        AssignCopy(s, static_cast<int>(add));
        return *this;
    }
    int total = len + static_cast<int>(add);
    CeStringRep* old = Rep();
    auto at = reinterpret_cast<std::uintptr_t>(s);
    auto first = reinterpret_cast<std::uintptr_t>(m_pchData);
    bool inside = at >= first && at <= first + static_cast<std::uintptr_t>(len) * sizeof(WCHAR);
    if (!inside && old->GetRefs() == 1) {
        // Sole owner and an outside source: grow the block in place.
        auto* rep = static_cast<CeStringRep*>(
            std::realloc(old, sizeof(CeStringRep) + (static_cast<size_t>(total) + 1) * sizeof(WCHAR)));
        if (!rep) return *this;
        std::memcpy(rep->GetString() + len, s, add * sizeof(WCHAR));
        rep->length = total;
        rep->GetString()[total] = 0;
        m_pchData = rep->GetString();
        return *this;
    }
    CeStringRep* rep = CeStringRep::AllocBuf(total);
    if (!rep) return *this;
    std::memcpy(rep->GetString(), m_pchData, static_cast<size_t>(len) * sizeof(WCHAR));
    std::memcpy(rep->GetString() + len, s, add * sizeof(WCHAR));
    Attach(rep);
    return *this;
}

CeString& CeString::operator+=(const CeString& s) { return Append(s.m_pchData, s.Length()); }

CeString& CeString::operator+=(const WCHAR* s) { return Append(s); }

CeString& CeString::operator+=(WCHAR c)
{
    WCHAR one[2] = {c, 0};
    return Append(one, 1);
}

CeString& CeString::operator+(const CeString& s) { return *this += s; }

CeString& CeString::operator+(const WCHAR* s) { return *this += s; }

int CeString::Insert(int i, const WCHAR* s)
{
    int len = Length();
    size_t add = wcslen(s);
    if (add == 0 || add > static_cast<size_t>(INT_MAX - len)) return len;
    if (i < 0) i = 0;
    if (i > len) i = len;
    CeStringRep* rep = CeStringRep::AllocBuf(len + static_cast<int>(add));
    if (!rep) return len;
    WCHAR* d = rep->GetString();
    std::memcpy(d, m_pchData, static_cast<size_t>(i) * sizeof(WCHAR));
    std::memcpy(d + i, s, add * sizeof(WCHAR));
    std::memcpy(d + i + add, m_pchData + i, static_cast<size_t>(len - i) * sizeof(WCHAR));
    Attach(rep);
    return Length();
}

void CeString::Truncate(int n)
{
    if (n >= 0 && n < Length()) AssignCopy(m_pchData, n);
}

void CeString::LTrim()
{
    const WCHAR* p = m_pchData;
    while (*p && IsLeadingSpace(*p)) ++p;
    if (p != m_pchData) AssignCopy(p, Length() - static_cast<int>(p - m_pchData));
}

void CeString::RTrim()
{
    int len = Length();
    int n = len;
    while (n > 0 && IsSpace(m_pchData[n - 1])) --n;
    if (n != len) AssignCopy(m_pchData, n);
}

void CeString::Trim()
{
    RTrim();
    LTrim();
}

void CeString::MakeUpper()
{
    if (IsEmpty() || !CopyOnWrite()) return;
    _wcsupr(m_pchData);
}

void CeString::MakeLower()
{
    if (IsEmpty() || !CopyOnWrite()) return;
    _wcslwr(m_pchData);
}

void CeString::Reverse()
{
    if (IsEmpty() || !CopyOnWrite()) return;
    _wcsrev(m_pchData);
}

void CeString::Set(char c, int n) { Set(WidenSigned(c), n); }

void CeString::Set(char c) { Set(WidenSigned(c)); }

void CeString::Set(WCHAR c, int n)
{
    if (n <= 0 || c == 0) {
        Release();
        return;
    }
    CeStringRep* rep = CeStringRep::AllocBuf(n);
    if (!rep) return;
    WCHAR* d = rep->GetString();
    for (int i = 0; i < n; ++i) d[i] = c;
    Attach(rep);
}

void CeString::Set(WCHAR c)
{
    if (IsEmpty()) return;
    if (c == 0) {
        Release();
        return;
    }
    if (!CopyOnWrite()) return;
    for (int i = 0, n = Length(); i < n; ++i) m_pchData[i] = c;
}

void CeString::SetShort(SHORT value, int radix)
{
    WCHAR buf[40] = {0};
    _itow(value, buf, radix);
    AssignCopy(buf, static_cast<int>(wcsnlen(buf, 39)));
}

void CeString::SetLong(LONG value, int radix)
{
    WCHAR buf[40] = {0};
    _ltow(value, buf, radix);
    AssignCopy(buf, static_cast<int>(wcsnlen(buf, 39)));
}

void CeString::SetULong(ULONG value, int radix)
{
    WCHAR buf[40] = {0};
    _ultow(value, buf, radix);
    AssignCopy(buf, static_cast<int>(wcsnlen(buf, 39)));
}

void CeString::SetDouble(double value, int digits)
{
    if (digits < 0) digits = 0;
    if (digits > 100) digits = 100;
    std::string text;
    int dec = 0;
    std::string digitText = std::isfinite(value) ? FixedDigits(value, digits, &dec) : std::string();
    if (!std::isfinite(value) || dec < -40 || dec > 40) {
        text = GeneralText(value, digits);
    } else {
        text.reserve(digitText.size() + 48);
        if (value < 0) text.push_back('-');
        if (dec > 0) {
            text.append(digitText, 0, static_cast<size_t>(dec));
            text.push_back('.');
            text.append(digitText, static_cast<size_t>(dec), std::string::npos);
        } else {
            text.append("0.");
            text.append(static_cast<size_t>(-dec), '0');
            text.append(digitText);
        }
    }
    *this = CeString(text.c_str(), 0);
}

void CeString::SetIndexChar(WCHAR c, int i)
{
    if (i < 0) i = 0;
    if (i >= Length() || !CopyOnWrite()) return;
    m_pchData[i] = c;
}

int CeString::Format(int n, const WCHAR* fmt, ...)
{
    if (!fmt || n <= 0) {
        Release();
        return 0;
    }
    va_list args;
    va_start(args, fmt);
    va_list measure;
    va_copy(measure, args);
    int needed = _vscwprintf(fmt, measure);
    va_end(measure);
    // Never allocate more than the text needs, however large n is.
    int size = needed >= 0 && needed < n ? needed : n;
    if (size == 0) {
        va_end(args);
        Release();
        return 0;
    }
    CeStringRep* rep = CeStringRep::AllocBuf(size);
    if (!rep) {
        va_end(args);
        return Length();
    }
    int written = _vsnwprintf(rep->GetString(), static_cast<size_t>(size), fmt, args);
    va_end(args);
    if (written < 0 || written > size) written = size;
    rep->GetString()[written] = 0;
    Attach(rep);
    ReleaseBuffer();
    return Length();
}

int CeString::Format(const WCHAR* fmt, ...)
{
    if (!fmt) {
        Release();
        return 0;
    }
    WCHAR buf[1024];
    buf[0] = 0;
    va_list args;
    va_start(args, fmt);
    int written = wvsprintfW(buf, fmt, args);
    va_end(args);
    buf[written >= 0 && written < 1024 ? written : 1023] = 0;
    AssignCopy(buf, static_cast<int>(wcslen(buf)));
    return Length();
}

int CeString::FormatMessageW(ULONG code)
{
    std::u16string text;
    if (SystemMessageText(code, text)) {
        AssignCopy(text.c_str(), static_cast<int>(text.size()));
    } else {
        Format(u"Error %d occured", static_cast<int>(code));
    }
    return Length();
}

int CeString::LoadStringW(UINT id, HINSTANCE module)
{
    const WCHAR* text = nullptr;
    // With a size of 0 the platform hands out a read-only pointer to the text.
    int len = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (len <= 0 || !text) return 0;
    AssignCopy(text, len);
    return Length();
}

int CeString::Replace(const WCHAR* find, const WCHAR* repl, ULONG start, int caseSensitive)
{
    if (IsEmpty() || !find || !*find) return Length();
    int from = start > static_cast<ULONG>(INT_MAX) ? -1 : static_cast<int>(start);
    WCHAR* result = ReplaceStr(m_pchData, find, repl, from, caseSensitive);
    if (result) {
        AssignCopy(result, static_cast<int>(wcslen(result)));
        std::free(result);
    }
    return Length();
}

// ---- Direct buffer access ----

WCHAR* CeString::GetBuffer(int n)
{
    if (n <= 0) return nullptr;
    int len = Length();
    if (n <= len) return CopyOnWrite() ? m_pchData : nullptr;
    CeStringRep* rep = CeStringRep::AllocBuf(n);
    if (!rep) return nullptr;
    // The new characters are unspecified; keeping the old text in front lets
    // a ReleaseBuffer without writing restore the string.
    std::memcpy(rep->GetString(), m_pchData, (static_cast<size_t>(len) + 1) * sizeof(WCHAR));
    Attach(rep);
    return m_pchData;
}

WCHAR* CeString::GetBufferSetLength(int n)
{
    if (n <= 0) {
        Release();
        return nullptr;
    }
    if (n == Length()) return CopyOnWrite() ? m_pchData : nullptr;
    CeStringRep* rep = CeStringRep::AllocBuf(n);
    if (!rep) return nullptr;
    rep->GetString()[0] = 0;
    Attach(rep);
    return m_pchData;
}

void CeString::ReleaseBuffer()
{
    int len = Length();
    int n = static_cast<int>(wcsnlen(m_pchData, static_cast<size_t>(len)));
    if (n == len) return;
    AssignCopy(m_pchData, n);
}

// ---- Copies out ----

namespace {

CeString AdoptText(WCHAR* text)
{
    CeString s(static_cast<const WCHAR*>(text ? text : CeStringRep::s_lpszCeEmpty), -1);
    std::free(text);
    return s;
}

}  // namespace

CeString CeString::Mid(int start, int count) const { return AdoptText(MidStr(m_pchData, start, count)); }

CeString CeString::Left(int n) const { return AdoptText(LeftStr(m_pchData, n)); }

CeString CeString::Right(int n) const { return AdoptText(RightStr(m_pchData, n)); }

CeString CeString::Delete(int i) const
{
    CeString out;
    int len = Length();
    if (i < 0 || i >= len || len == 1) return out;
    CeStringRep* rep = CeStringRep::AllocBuf(len - 1);
    if (!rep) return out;
    WCHAR* d = rep->GetString();
    std::memcpy(d, m_pchData, static_cast<size_t>(i) * sizeof(WCHAR));
    std::memcpy(d + i, m_pchData + i + 1, static_cast<size_t>(len - i - 1) * sizeof(WCHAR));
    out.Attach(rep);
    return out;
}

WCHAR* CeString::GetStringCopy(bool useCrtHeap, bool byteOrderMark, ULONG* bytes) const
{
    size_t textBytes = (static_cast<size_t>(Length()) + 1) * sizeof(WCHAR);
    size_t total = textBytes + (byteOrderMark ? 2 : 0);
    auto* block = static_cast<BYTE*>(useCrtHeap ? std::malloc(total) : LocalAlloc(LMEM_FIXED, total));
    if (!block) {
        if (bytes) *bytes = 0;
        return nullptr;
    }
    BYTE* text = block;
    if (byteOrderMark) {
        block[0] = 0xFF;
        block[1] = 0xFE;
        text += 2;
    }
    std::memcpy(text, m_pchData, textBytes);
    if (bytes) *bytes = static_cast<ULONG>(total);
    return reinterpret_cast<WCHAR*>(block);
}

// ---- Conversions ----

WCHAR* wce_AsciiToWide(WCHAR* dst, const char* src)
{
    if (!dst) return dst;
    if (!src) {
        dst[0] = 0;
        return dst;
    }
    size_t i = 0;
    do {
        dst[i] = WidenSigned(src[i]);
    } while (src[i++]);
    return dst;
}
