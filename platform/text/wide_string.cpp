// UTF-16 versions of the C runtime's string functions.
//
// Null handling: a null source string reads as an empty string and a null
// destination makes a function return null without writing, so bad input
// gives an empty result rather than a crash.
//
// Sections: Helpers; Length, copying and joining; Comparison; Searching and splitting; Case, order and classes;
//   Numbers; Narrow strings.
#include "platform/text/wide_string.h"

#include <unicode/uchar.h>

#include <locale.h>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const WCHAR kEmpty[1] = {0};

const WCHAR* OrEmpty(const WCHAR* s) { return s ? s : kEmpty; }

// ---- Helpers ----

// Simple (one-to-one) case mapping of a BMP code unit; surrogates and
// characters whose mapping leaves the BMP stay as they are.
WCHAR MapUpper(WCHAR c)
{
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 0x20) : c;
    UChar32 m = u_toupper(c);
    return m <= 0xFFFF ? static_cast<WCHAR>(m) : c;
}

WCHAR MapLower(WCHAR c)
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 0x20) : c;
    UChar32 m = u_tolower(c);
    return m <= 0xFFFF ? static_cast<WCHAR>(m) : c;
}

int DigitValue(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

// Writes the digits of value in radix (2..36), lower case, after an optional
// minus sign. A bad radix gives an empty string, as the runtime's checked
// versions report an error.
WCHAR* UnsignedToText(ULONGLONG value, bool negative, WCHAR* buf, int radix)
{
    if (!buf) return nullptr;
    if (radix < 2 || radix > 36) {
        buf[0] = 0;
        return buf;
    }
    WCHAR tmp[66];
    int n = 0;
    do {
        int d = static_cast<int>(value % static_cast<unsigned>(radix));
        tmp[n++] = static_cast<WCHAR>(d < 10 ? u'0' + d : u'a' + d - 10);
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    WCHAR* out = buf;
    if (negative) *out++ = u'-';
    while (n > 0) *out++ = tmp[--n];
    *out = 0;
    return buf;
}

// Parses an integer as strtoull does: white space, sign, optional 0x/0 prefix
// for radix 16/0, digits. Returns the magnitude clamped to limit (overflow set
// when it did not fit) and where parsing stopped (s itself when no digits).
struct ParsedInteger {
    ULONGLONG magnitude = 0;
    bool negative = false;
    bool overflow = false;
    const WCHAR* end = nullptr;
};

ParsedInteger ParseInteger(const WCHAR* s, int radix, ULONGLONG limit)
{
    ParsedInteger r;
    r.end = s;
    if (!s || radix < 0 || radix == 1 || radix > 36) return r;
    const WCHAR* p = s;
    while (iswspace(*p)) ++p;
    if (*p == u'+' || *p == u'-') r.negative = (*p++ == u'-');
    if ((radix == 0 || radix == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16) {
        p += 2;
        radix = 16;
    } else if (radix == 0) {
        radix = (p[0] == u'0') ? 8 : 10;
    }
    const WCHAR* digits = p;
    for (; DigitValue(*p) < radix; ++p) {
        unsigned d = static_cast<unsigned>(DigitValue(*p));
        if (r.overflow) continue;
        if (r.magnitude > (limit - d) / static_cast<unsigned>(radix)) {
            r.overflow = true;
            r.magnitude = limit;
        } else {
            r.magnitude = r.magnitude * static_cast<unsigned>(radix) + d;
        }
    }
    if (p == digits) {
        r.magnitude = 0;
        r.negative = false;
        return r;  // no digits: end stays at s
    }
    r.end = p;
    return r;
}

// A signed value in [minValue, maxValue], saturating like strtol.
LONGLONG ToSigned(const ParsedInteger& p, LONGLONG minValue, LONGLONG maxValue, bool* saturated)
{
    ULONGLONG maxNeg = static_cast<ULONGLONG>(-(minValue + 1)) + 1;
    if (p.negative) {
        if (p.overflow || p.magnitude > maxNeg) {
            *saturated = true;
            return minValue;
        }
        return p.magnitude == maxNeg ? minValue : -static_cast<LONGLONG>(p.magnitude);
    }
    if (p.overflow || p.magnitude > static_cast<ULONGLONG>(maxValue)) {
        *saturated = true;
        return maxValue;
    }
    return static_cast<LONGLONG>(p.magnitude);
}

locale_t CLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", nullptr);
    return loc;
}

}  // namespace

// ---- Length, copying and joining ----

size_t wcslen(const WCHAR* s)
{
    if (!s) return 0;
    const WCHAR* p = s;
    while (*p) ++p;
    return static_cast<size_t>(p - s);
}

size_t wcsnlen(const WCHAR* s, size_t max)
{
    if (!s) return 0;
    size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src)
{
    if (!dst) return nullptr;
    src = OrEmpty(src);
    WCHAR* d = dst;
    while ((*d++ = *src++) != 0) {
    }
    return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n)
{
    if (!dst) return nullptr;
    src = OrEmpty(src);
    size_t i = 0;
    for (; i < n && src[i]; ++i) dst[i] = src[i];
    for (; i < n; ++i) dst[i] = 0;
    return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src)
{
    if (!dst) return nullptr;
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t n)
{
    if (!dst) return nullptr;
    src = OrEmpty(src);
    WCHAR* d = dst + wcslen(dst);
    size_t i = 0;
    for (; i < n && src[i]; ++i) d[i] = src[i];
    d[i] = 0;
    return dst;
}

WCHAR* _wcsdup(const WCHAR* s)
{
    if (!s) return nullptr;
    size_t bytes = (wcslen(s) + 1) * sizeof(WCHAR);
    auto* copy = static_cast<WCHAR*>(std::malloc(bytes));
    if (copy) std::memcpy(copy, s, bytes);
    return copy;
}

WCHAR* wmemcpy(WCHAR* dst, const WCHAR* src, size_t n)
{
    if (n) std::memcpy(dst, src, n * sizeof(WCHAR));
    return dst;
}

WCHAR* wmemmove(WCHAR* dst, const WCHAR* src, size_t n)
{
    if (n) std::memmove(dst, src, n * sizeof(WCHAR));
    return dst;
}

WCHAR* wmemset(WCHAR* dst, WCHAR c, size_t n)
{
    for (size_t i = 0; i < n; ++i) dst[i] = c;
    return dst;
}

// ---- Comparison ----

int wcscmp(const WCHAR* a, const WCHAR* b)
{
    a = OrEmpty(a);
    b = OrEmpty(b);
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return (*a > *b) - (*a < *b);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n)
{
    a = OrEmpty(a);
    b = OrEmpty(b);
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
        if (!a[i]) break;
    }
    return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) { return _wcsnicmp(a, b, static_cast<size_t>(-1)); }

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n)
{
    a = OrEmpty(a);
    b = OrEmpty(b);
    for (size_t i = 0; i < n; ++i) {
        int ca = MapLower(a[i]);
        int cb = MapLower(b[i]);
        if (ca != cb) return ca - cb;
        if (!ca) break;
    }
    return 0;
}

// ---- Searching and splitting ----

const WCHAR* wcschr(const WCHAR* s, WCHAR c)
{
    if (!s) return nullptr;
    for (;; ++s) {
        if (*s == c) return s;
        if (!*s) return nullptr;
    }
}

WCHAR* wcschr(WCHAR* s, WCHAR c) { return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c)); }

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c)
{
    if (!s) return nullptr;
    const WCHAR* found = nullptr;
    for (;; ++s) {
        if (*s == c) found = s;
        if (!*s) return found;
    }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c) { return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c)); }

const WCHAR* wcsstr(const WCHAR* hay, const WCHAR* needle)
{
    if (!hay || !needle) return nullptr;
    if (!*needle) return hay;
    for (; *hay; ++hay) {
        if (*hay != *needle) continue;
        size_t i = 1;
        while (needle[i] && hay[i] == needle[i]) ++i;
        if (!needle[i]) return hay;
    }
    return nullptr;
}

WCHAR* wcsstr(WCHAR* hay, const WCHAR* needle)
{
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(hay), needle));
}

size_t wcsspn(const WCHAR* s, const WCHAR* set)
{
    if (!s) return 0;
    set = OrEmpty(set);
    size_t n = 0;
    while (s[n] && wcschr(set, s[n])) ++n;
    return n;
}

size_t wcscspn(const WCHAR* s, const WCHAR* set)
{
    if (!s) return 0;
    set = OrEmpty(set);
    size_t n = 0;
    while (s[n] && !wcschr(set, s[n])) ++n;
    return n;
}

const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set)
{
    if (!s) return nullptr;
    size_t n = wcscspn(s, set);
    return s[n] ? s + n : nullptr;
}

WCHAR* wcstok(WCHAR* s, const WCHAR* delims, WCHAR** context)
{
    if (!context) return nullptr;
    WCHAR* p = s ? s : *context;
    if (!p) return nullptr;
    p += wcsspn(p, delims);
    if (!*p) {
        *context = p;
        return nullptr;
    }
    WCHAR* token = p;
    p += wcscspn(p, delims);
    if (*p) *p++ = 0;
    *context = p;
    return token;
}

// ---- Case, order and classes ----

WCHAR* _wcsupr(WCHAR* s)
{
    if (!s) return nullptr;
    for (WCHAR* p = s; *p; ++p) *p = MapUpper(*p);
    return s;
}

WCHAR* _wcslwr(WCHAR* s)
{
    if (!s) return nullptr;
    for (WCHAR* p = s; *p; ++p) *p = MapLower(*p);
    return s;
}

WCHAR* _wcsrev(WCHAR* s)
{
    if (!s) return nullptr;
    size_t n = wcslen(s);
    for (size_t i = 0; i < n / 2; ++i) {
        WCHAR t = s[i];
        s[i] = s[n - 1 - i];
        s[n - 1 - i] = t;
    }
    return s;
}

WCHAR towupper(WCHAR c) { return MapUpper(c); }
WCHAR towlower(WCHAR c) { return MapLower(c); }

// The Unicode White_Space property: tab to carriage return, space, NEL, NBSP
// and the Unicode spaces and separators, but not the C0 separators 0x1C-0x1F.
bool iswspace(WCHAR c) { return u_isUWhiteSpace(c); }
bool iswalpha(WCHAR c) { return u_isalpha(c); }
bool iswdigit(WCHAR c) { return u_isdigit(c); }
bool iswalnum(WCHAR c) { return u_isalnum(c); }
bool iswupper(WCHAR c) { return u_isupper(c); }
bool iswlower(WCHAR c) { return u_islower(c); }
bool iswcntrl(WCHAR c) { return u_iscntrl(c); }
bool iswprint(WCHAR c) { return u_isprint(c); }
bool iswgraph(WCHAR c) { return u_isgraph(c); }
// Punctuation in the C sense: visible and neither a letter nor a digit, so the
// ASCII symbols $ + < = > ^ ` | ~ count as well.
bool iswpunct(WCHAR c) { return u_isgraph(c) && !u_isalnum(c); }
bool iswxdigit(WCHAR c) { return DigitValue(c) < 16; }

bool iswctype(WCHAR c, int mask)
{
    if ((mask & _UPPER) && iswupper(c)) return true;
    if ((mask & _LOWER) && iswlower(c)) return true;
    if ((mask & 0x0100) && iswalpha(c)) return true;
    if ((mask & _DIGIT) && iswdigit(c)) return true;
    if ((mask & _SPACE) && iswspace(c)) return true;
    if ((mask & _PUNCT) && iswpunct(c)) return true;
    if ((mask & _CONTROL) && iswcntrl(c)) return true;
    if ((mask & _BLANK) && u_isblank(c)) return true;
    if ((mask & _HEX) && iswxdigit(c)) return true;
    return false;
}

WCHAR* _itow(int value, WCHAR* buf, int radix) { return _ltow(value, buf, radix); }

// ---- Numbers ----

WCHAR* _ltow(LONG value, WCHAR* buf, int radix)
{
    if (radix == 10 && value < 0)
        return UnsignedToText(static_cast<ULONGLONG>(-static_cast<LONGLONG>(value)), true, buf, radix);
    return UnsignedToText(static_cast<ULONG>(value), false, buf, radix);
}

WCHAR* _ultow(ULONG value, WCHAR* buf, int radix) { return UnsignedToText(value, false, buf, radix); }

WCHAR* _i64tow(LONGLONG value, WCHAR* buf, int radix)
{
    if (radix == 10 && value < 0) return UnsignedToText(0 - static_cast<ULONGLONG>(value), true, buf, radix);
    return UnsignedToText(static_cast<ULONGLONG>(value), false, buf, radix);
}

WCHAR* _ui64tow(ULONGLONG value, WCHAR* buf, int radix) { return UnsignedToText(value, false, buf, radix); }

int _wtoi(const WCHAR* s) { return _wtol(s); }

LONG _wtol(const WCHAR* s)
{
    bool saturated = false;
    return static_cast<LONG>(ToSigned(ParseInteger(s, 10, ULLONG_MAX), INT32_MIN, INT32_MAX, &saturated));
}

LONGLONG _wtoi64(const WCHAR* s)
{
    bool saturated = false;
    return ToSigned(ParseInteger(s, 10, ULLONG_MAX), INT64_MIN, INT64_MAX, &saturated);
}

LONG wcstol(const WCHAR* s, WCHAR** end, int radix)
{
    ParsedInteger p = ParseInteger(s, radix, ULLONG_MAX);
    if (end) *end = const_cast<WCHAR*>(p.end);
    bool saturated = false;
    LONG v = static_cast<LONG>(ToSigned(p, INT32_MIN, INT32_MAX, &saturated));
    if (saturated) errno = ERANGE;
    return v;
}

ULONG wcstoul(const WCHAR* s, WCHAR** end, int radix)
{
    ParsedInteger p = ParseInteger(s, radix, ULLONG_MAX);
    if (end) *end = const_cast<WCHAR*>(p.end);
    if (p.overflow || p.magnitude > UINT32_MAX) {
        errno = ERANGE;
        return UINT32_MAX;
    }
    ULONG v = static_cast<ULONG>(p.magnitude);
    return p.negative ? static_cast<ULONG>(0u - v) : v;
}

double wcstod(const WCHAR* s, WCHAR** end)
{
    if (end) *end = const_cast<WCHAR*>(s);
    if (!s) return 0.0;
    // Only ASCII can be part of a number: narrow the leading ASCII run (after
    // white space, which may be any Unicode space) and let strtod read it in
    // the "C" locale, so the decimal point is always '.'.
    const WCHAR* p = s;
    while (iswspace(*p)) ++p;
    std::string narrow;
    for (const WCHAR* q = p; *q > 0 && *q < 0x80; ++q) narrow.push_back(static_cast<char>(*q));
    char* stop = nullptr;
    double v = strtod_l(narrow.c_str(), &stop, CLocale());
    size_t used = static_cast<size_t>(stop - narrow.c_str());
    if (end && used > 0) *end = const_cast<WCHAR*>(p + used);
    return v;
}

double _wtof(const WCHAR* s) { return wcstod(s, nullptr); }

// ---- Narrow strings ----

int _stricmp(const char* a, const char* b)
{
    if (!a) a = "";
    if (!b) b = "";
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(*a);
        int cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca += 0x20;
        if (cb >= 'A' && cb <= 'Z') cb += 0x20;
        if (ca != cb || !ca) return ca - cb;
    }
}

char* _strdup(const char* s)
{
    if (!s) return nullptr;
    size_t bytes = std::strlen(s) + 1;
    auto* copy = static_cast<char*>(std::malloc(bytes));
    if (copy) std::memcpy(copy, s, bytes);
    return copy;
}
