#include "foundation/string_functions.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/text/wide_string.h"

namespace {

const WCHAR kEmpty[1] = {0};

bool IsSpace(WCHAR c) { return iswctype(c, _SPACE); }

// A malloc copy of n characters of s, terminated.
WCHAR* CopyRange(const WCHAR* s, size_t n)
{
    auto* out = static_cast<WCHAR*>(std::malloc((n + 1) * sizeof(WCHAR)));
    if (!out) return nullptr;
    if (n) std::memcpy(out, s, n * sizeof(WCHAR));
    out[n] = 0;
    return out;
}

WCHAR* EmptyCopy() { return CopyRange(kEmpty, 0); }

char* CopyRangeA(const char* s, size_t n)
{
    auto* out = static_cast<char*>(std::malloc(n + 1));
    if (!out) return nullptr;
    if (n) std::memcpy(out, s, n);
    out[n] = 0;
    return out;
}

std::u16string UpperCopy(const WCHAR* s)
{
    std::u16string out(s);
    for (auto& c : out) c = towupper(c);
    return out;
}

// Shared body of the wide and 8-bit field functions.
template <class Ch>
const Ch* NthDelimiter(const Ch* s, int n, Ch c)
{
    if (!s || n < 1 || c == 0) return nullptr;
    for (const Ch* p = s; *p; ++p) {
        if (*p == c && --n == 0) return p;
    }
    return nullptr;
}

template <class Ch>
bool FieldRange(const Ch* s, int n, Ch c, const Ch** begin, size_t* length)
{
    if (!s || n < 1) return false;
    const Ch* first = s;
    if (n > 1) {
        const Ch* d = NthDelimiter(s, n - 1, c);
        if (!d) return false;
        first = d + 1;
    }
    const Ch* last = first;
    while (*last && *last != c) ++last;
    *begin = first;
    *length = static_cast<size_t>(last - first);
    return true;
}

}  // namespace

WCHAR* AllocLPWSTR(const WCHAR* src)
{
    if (!src || !*src) return static_cast<WCHAR*>(std::calloc(4, sizeof(WCHAR)));
    size_t len = wcslen(src);
    auto* out = static_cast<WCHAR*>(std::calloc(len + 8, sizeof(WCHAR)));
    if (out) std::memcpy(out, src, len * sizeof(WCHAR));
    return out;
}

const WCHAR* wcsistr(const WCHAR* hay, const WCHAR* needle)
{
    if (!hay || !needle || !*hay || !*needle) return nullptr;
    try {
        std::u16string h = UpperCopy(hay);
        std::u16string n = UpperCopy(needle);
        size_t at = h.find(n);
        return at == std::u16string::npos ? nullptr : hay + at;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

WCHAR* wcsistr(WCHAR* hay, const WCHAR* needle)
{
    return const_cast<WCHAR*>(wcsistr(static_cast<const WCHAR*>(hay), needle));
}

WCHAR* ReplaceChar(WCHAR* s, WCHAR from, WCHAR to)
{
    if (!s || from == 0) return s;
    for (WCHAR* p = s; *p; ++p) {
        if (*p == from) *p = to;
    }
    return s;
}

WCHAR* LTrimStr(const WCHAR* s)
{
    if (!s) return nullptr;
    while (*s && IsSpace(*s)) ++s;
    return CopyRange(s, wcslen(s));
}

WCHAR* RTrimStr(const WCHAR* s)
{
    if (!s) return nullptr;
    size_t n = wcslen(s);
    while (n > 0 && IsSpace(s[n - 1])) --n;
    return CopyRange(s, n);
}

WCHAR* TrimStr(const WCHAR* s)
{
    if (!s) return nullptr;
    while (*s && IsSpace(*s)) ++s;
    size_t n = wcslen(s);
    while (n > 0 && IsSpace(s[n - 1])) --n;
    return CopyRange(s, n);
}

WCHAR* RTrimStrInPlace(WCHAR* s)
{
    if (!s) return s;
    size_t n = wcslen(s);
    while (n > 0 && (IsSpace(s[n - 1]) || s[n - 1] == u'\r' || s[n - 1] == u'\n')) --n;
    s[n] = 0;
    return s;
}

int IndexOf(const WCHAR* s, WCHAR c, int start)
{
    if (!s || c == 0) return -1;
    if (start < 0) start = 0;
    size_t len = wcslen(s);
    for (size_t i = static_cast<size_t>(start); i < len; ++i) {
        if (s[i] == c) return static_cast<int>(i);
    }
    return -1;
}

int IndexOf(const WCHAR* s, const WCHAR* needle, int start, int caseSensitive)
{
    if (!s || !needle) return -1;
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) > wcslen(s)) return -1;
    const WCHAR* from = s + start;
    const WCHAR* p = caseSensitive ? wcsstr(from, needle) : wcsistr(from, needle);
    return p ? static_cast<int>(p - s) : -1;
}

int SubStrCount(const WCHAR* s, WCHAR c)
{
    if (!s) return 0;
    int n = 1;
    if (c == 0) return n;
    for (const WCHAR* p = s; *p; ++p) {
        if (*p == c) ++n;
    }
    return n;
}

const WCHAR* GetDelimeterPtr(const WCHAR* s, int n, WCHAR c) { return NthDelimiter(s, n, c); }

WCHAR* GetDelimeterPtr(WCHAR* s, int n, WCHAR c)
{
    return const_cast<WCHAR*>(NthDelimiter(static_cast<const WCHAR*>(s), n, c));
}

WCHAR* SubStr(const WCHAR* s, int n, WCHAR c)
{
    const WCHAR* begin = nullptr;
    size_t length = 0;
    if (!FieldRange(s, n, c, &begin, &length)) return nullptr;
    return CopyRange(begin, length);
}

WCHAR* MidStr(const WCHAR* s, int start, int count)
{
    if (!s) return EmptyCopy();
    size_t len = wcslen(s);
    if (len == 0 || count == 0 || start < 0 || static_cast<size_t>(start) >= len) return EmptyCopy();
    size_t rest = len - static_cast<size_t>(start);
    size_t n = count < 0 || static_cast<size_t>(count) > rest ? rest : static_cast<size_t>(count);
    return CopyRange(s + start, n);
}

WCHAR* MidStr(const WCHAR* s, int start, int count, WCHAR* dst, int capacity)
{
    if (!dst || capacity <= 0) return dst;
    dst[0] = 0;
    if (!s) return dst;
    size_t len = wcslen(s);
    if (len == 0 || count == 0 || start < 0 || static_cast<size_t>(start) >= len) return dst;
    size_t rest = len - static_cast<size_t>(start);
    size_t n = count < 0 || static_cast<size_t>(count) > rest ? rest : static_cast<size_t>(count);
    if (n > static_cast<size_t>(capacity - 1)) n = static_cast<size_t>(capacity - 1);
    std::memcpy(dst, s + start, n * sizeof(WCHAR));
    dst[n] = 0;
    return dst;
}

WCHAR* LeftStr(const WCHAR* s, int n)
{
    if (!s || !*s || n == 0) return EmptyCopy();
    size_t len = wcslen(s);
    size_t take = n < 0 || static_cast<size_t>(n) > len ? len : static_cast<size_t>(n);
    return CopyRange(s, take);
}

WCHAR* RightStr(const WCHAR* s, int n)
{
    if (!s || !*s || n == 0) return EmptyCopy();
    size_t len = wcslen(s);
    size_t take = n < 0 || static_cast<size_t>(n) > len ? len : static_cast<size_t>(n);
    return CopyRange(s + (len - take), take);
}

WCHAR* ReplaceStr(const WCHAR* s, const WCHAR* find, const WCHAR* repl, int start, int caseSensitive)
{
    if (!s) return EmptyCopy();
    size_t len = wcslen(s);
    if (!find || !*find || len == 0 || start < 0 || static_cast<size_t>(start) > len - 1) {
        return CopyRange(s, len);
    }
    if (!repl) repl = kEmpty;
    try {
        // Text after a match is never part of a replacement, so searching the
        // original from the end of each match equals searching the result from
        // the end of each inserted replacement.
        std::u16string hay(s, len);
        std::u16string needle(find);
        if (!caseSensitive) {
            for (auto& c : hay) c = towupper(c);
            for (auto& c : needle) c = towupper(c);
        }
        std::u16string out(s, static_cast<size_t>(start));
        size_t pos = static_cast<size_t>(start);
        for (;;) {
            size_t at = hay.find(needle, pos);
            if (at == std::u16string::npos) break;
            out.append(s + pos, at - pos);
            out.append(repl);
            pos = at + needle.size();
        }
        out.append(s + pos, len - pos);
        return CopyRange(out.data(), out.size());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void StringBuilder(WCHAR* dst, int* pos, const WCHAR* src, int n)
{
    if (!dst || !pos) return;
    if (*pos < 0) *pos = 0;
    size_t take = 0;
    if (src) take = n < 0 ? wcslen(src) : wcsnlen(src, static_cast<size_t>(n));
    if (take > static_cast<size_t>(INT_MAX - *pos)) take = static_cast<size_t>(INT_MAX - *pos);
    if (take) std::memcpy(dst + *pos, src, take * sizeof(WCHAR));
    *pos += static_cast<int>(take);
    dst[*pos] = 0;
}

void SafeStringBuilder(WCHAR* dst, int* pos, const WCHAR* src, int n)
{
    bool dstEmpty = !dst || !dst[0];
    bool srcEmpty = !src || !src[0] || n == 0;
    if (dstEmpty && srcEmpty) return;
    StringBuilder(dst, pos, src, n);
}

WCHAR* wstrncpy(WCHAR* dst, const WCHAR* src, int n)
{
    if (!dst) return dst;
    int i = 0;
    if (src) {
        for (; i < n && src[i]; ++i) dst[i] = src[i];
    }
    dst[i] = 0;
    return dst;
}

WCHAR* CopyPhone(WCHAR* dst, const WCHAR* src)
{
    if (!dst) return dst;
    if (!src || !*src) {
        dst[0] = 0;
        return dst;
    }
    WCHAR* out = dst + wcslen(dst);
    for (const WCHAR* p = src; *p; ++p) {
        if (*p == u' ' || *p == u'-' || *p == u'(' || *p == u')') continue;
        *out++ = *p;
    }
    *out = 0;
    return dst;
}

int IndexOfA(const char* s, char c, int start)
{
    if (!s || c == 0) return -1;
    if (start < 0) start = 0;
    size_t len = std::strlen(s);
    for (size_t i = static_cast<size_t>(start); i < len; ++i) {
        if (s[i] == c) return static_cast<int>(i);
    }
    return -1;
}

int IndexOfA(const char* s, const char* needle, int start, int caseSensitive)
{
    if (!s || !needle) return -1;
    if (start < 0) start = 0;
    size_t len = std::strlen(s);
    if (static_cast<size_t>(start) > len) return -1;
    if (caseSensitive) {
        const char* p = std::strstr(s + start, needle);
        return p ? static_cast<int>(p - s) : -1;
    }
    if (!*needle || static_cast<size_t>(start) == len) return -1;
    std::string hay(s), pattern(needle);
    for (auto& c : hay) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (auto& c : pattern) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    size_t at = hay.find(pattern, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

const char* GetDelimeterPtrA(const char* s, int n, char c) { return NthDelimiter(s, n, c); }

char* GetDelimeterPtrA(char* s, int n, char c)
{
    return const_cast<char*>(NthDelimiter(static_cast<const char*>(s), n, c));
}

char* SubStrA(const char* s, int n, char c)
{
    const char* begin = nullptr;
    size_t length = 0;
    if (!FieldRange(s, n, c, &begin, &length)) return nullptr;
    return CopyRangeA(begin, length);
}
