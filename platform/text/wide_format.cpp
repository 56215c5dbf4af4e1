// The UTF-16 printf engine and the printf family built on it.
//
// Sections: Output and padding; Conversions; Arguments and directives; The engine; The printf family.
#include "platform/text/wide_format.h"

#include <climits>
#include <cstdio>
#include <string>

#include "platform/text/code_page.h"
#include "platform/text/wide_string.h"

namespace {

// ---- Output and padding ----

// Where the text goes: a bounded buffer that still counts what does not fit.
class Output {
public:
    Output(WCHAR* buf, size_t capacity) : m_buf(buf), m_capacity(buf ? capacity : 0) {}
    void Put(WCHAR c)
    {
        if (m_count < m_capacity) m_buf[m_count] = c;
        ++m_count;
    }
    void Repeat(WCHAR c, size_t n)
    {
        for (size_t i = 0; i < n; ++i) Put(c);
    }
    size_t Count() const { return m_count; }

private:
    WCHAR* m_buf;
    size_t m_capacity;
    size_t m_count = 0;
};

// va_list is an array type on some targets; wrapping it lets helpers take it
// by reference.
struct ArgList {
    va_list ap;
};

enum class Size { Default, Char, Short, Long32, Long64, LongDouble, Wide, Narrow };

struct Directive {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;  // -1: none
    Size size = Size::Default;
    WCHAR conversion = 0;
};

// Pads a field of `length` characters to the width: blanks before it (or after
// it with '-'), or zeros when zeroPad is set.
class Field {
public:
    Field(Output& out, const Directive& directive, size_t length) : m_out(out), m_directive(directive), m_length(length)
    {}
    void Before(bool zeroPad = false)
    {
        if (!m_directive.left && !zeroPad) m_out.Repeat(u' ', Padding());
    }
    void Zeros(bool zeroPad)
    {
        if (!m_directive.left && zeroPad) m_out.Repeat(u'0', Padding());
    }
    void After()
    {
        if (m_directive.left) m_out.Repeat(u' ', Padding());
    }

private:
    size_t Padding() const
    {
        return m_directive.width > 0 && static_cast<size_t>(m_directive.width) > m_length ? m_directive.width - m_length
                                                                                          : 0;
    }
    Output& m_out;
    const Directive& m_directive;
    size_t m_length;
};

// ---- Conversions ----

void FormatInteger(Output& out, const Directive& directive, ULONGLONG magnitude, bool negative, bool isSigned)
{
    unsigned base = 10;
    bool upper = false;
    switch (directive.conversion) {
        case u'o':
            base = 8;
            break;
        case u'x':
            base = 16;
            break;
        case u'X':
            base = 16;
            upper = true;
            break;
        default:
            break;
    }
    WCHAR digits[72];
    int n = 0;
    if (!(directive.precision == 0 && magnitude == 0)) {
        const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
        do {
            digits[n++] = static_cast<WCHAR>(set[magnitude % base]);
            magnitude /= base;
        } while (magnitude);
    }
    int zeros = directive.precision > n ? directive.precision - n : 0;
    if (directive.alternate && base == 8 && zeros == 0 && (n == 0 || digits[n - 1] != u'0')) zeros = 1;

    WCHAR prefix[2];
    int prefixLength = 0;
    if (isSigned && negative)
        prefix[prefixLength++] = u'-';
    else if (isSigned && directive.plus)
        prefix[prefixLength++] = u'+';
    else if (isSigned && directive.space)
        prefix[prefixLength++] = u' ';
    if (directive.alternate && base == 16 && n > 0 && !(n == 1 && digits[0] == u'0')) {
        prefix[prefixLength++] = u'0';
        prefix[prefixLength++] = upper ? u'X' : u'x';
    }

    bool zeroPad = directive.zero && !directive.left && directive.precision < 0;
    Field field(out, directive, static_cast<size_t>(prefixLength + zeros + n));
    field.Before(zeroPad);
    for (int i = 0; i < prefixLength; ++i) out.Put(prefix[i]);
    field.Zeros(zeroPad);
    out.Repeat(u'0', static_cast<size_t>(zeros));
    while (n > 0) out.Put(digits[--n]);
    field.After();
}

// Strings and characters: strings and characters pad with zeros under the '0'
// flag too, as the runtime does.
void FormatWideText(Output& out, const Directive& directive, const WCHAR* s, size_t length)
{
    bool zeroPad = directive.zero && !directive.left;
    Field field(out, directive, length);
    field.Before(zeroPad);
    field.Zeros(zeroPad);
    for (size_t i = 0; i < length; ++i) out.Put(s[i]);
    field.After();
}

void FormatNarrowText(Output& out, const Directive& directive, const char* s, size_t length)
{
    bool zeroPad = directive.zero && !directive.left;
    Field field(out, directive, length);
    field.Before(zeroPad);
    field.Zeros(zeroPad);
    for (size_t i = 0; i < length; ++i) out.Put(Cp1252ToWide(static_cast<unsigned char>(s[i])));
    field.After();
}

void FormatString(Output& out, const Directive& directive, ArgList& args)
{
    bool narrow = directive.size == Size::Narrow || directive.size == Size::Short ||
                  (directive.conversion == u'S' && directive.size != Size::Long32 && directive.size != Size::Wide);
    if (narrow) {
        const char* s = va_arg(args.ap, const char*);
        if (!s) s = "(null)";
        size_t length = 0;
        while (s[length] && (directive.precision < 0 || length < static_cast<size_t>(directive.precision))) ++length;
        FormatNarrowText(out, directive, s, length);
    } else {
        const WCHAR* s = va_arg(args.ap, const WCHAR*);
        if (!s) s = u"(null)";
        size_t length = directive.precision < 0 ? wcslen(s) : wcsnlen(s, static_cast<size_t>(directive.precision));
        FormatWideText(out, directive, s, length);
    }
}

void FormatChar(Output& out, const Directive& directive, ArgList& args)
{
    int value = va_arg(args.ap, int);
    bool narrow = directive.size == Size::Narrow || directive.size == Size::Short ||
                  (directive.conversion == u'C' && directive.size != Size::Long32 && directive.size != Size::Wide);
    WCHAR c = narrow ? Cp1252ToWide(static_cast<unsigned char>(value)) : static_cast<WCHAR>(value);
    FormatWideText(out, directive, &c, 1);
}

void FormatFloat(Output& out, const Directive& directive, ArgList& args)
{
    std::string format = "%";
    if (directive.left) format += '-';
    if (directive.plus) format += '+';
    if (directive.space) format += ' ';
    if (directive.zero) format += '0';
    if (directive.alternate) format += '#';
    if (directive.width > 0) format += std::to_string(directive.width);
    if (directive.precision >= 0) format += '.' + std::to_string(directive.precision);
    std::string text;
    if (directive.size == Size::LongDouble) {
        long double v = va_arg(args.ap, long double);
        format += 'L';
        format += static_cast<char>(directive.conversion);
        int n = std::snprintf(nullptr, 0, format.c_str(), v);
        text.resize(static_cast<size_t>(n > 0 ? n : 0) + 1);
        std::snprintf(text.data(), text.size(), format.c_str(), v);
    } else {
        double v = va_arg(args.ap, double);
        format += static_cast<char>(directive.conversion);
        int n = std::snprintf(nullptr, 0, format.c_str(), v);
        text.resize(static_cast<size_t>(n > 0 ? n : 0) + 1);
        std::snprintf(text.data(), text.size(), format.c_str(), v);
    }
    for (size_t i = 0; i + 1 < text.size(); ++i) out.Put(static_cast<WCHAR>(static_cast<unsigned char>(text[i])));
}

// ---- Arguments and directives ----

ULONGLONG FetchUnsigned(Size size, ArgList& args)
{
    switch (size) {
        case Size::Char:
            return static_cast<unsigned char>(va_arg(args.ap, int));
        case Size::Short:
            return static_cast<unsigned short>(va_arg(args.ap, int));
        case Size::Long64:
            return va_arg(args.ap, unsigned long long);
        default:
            return static_cast<unsigned int>(va_arg(args.ap, int));
    }
}

LONGLONG FetchSigned(Size size, ArgList& args)
{
    switch (size) {
        case Size::Char:
            return static_cast<signed char>(va_arg(args.ap, int));
        case Size::Short:
            return static_cast<short>(va_arg(args.ap, int));
        case Size::Long64:
            return va_arg(args.ap, long long);
        default:
            return va_arg(args.ap, int);
    }
}

// Reads flags, width, precision and size after a '%'; returns the position
// of the conversion character.
const WCHAR* ParseSpec(const WCHAR* p, Directive& directive, ArgList& args)
{
    for (;; ++p) {
        if (*p == u'-')
            directive.left = true;
        else if (*p == u'+')
            directive.plus = true;
        else if (*p == u' ')
            directive.space = true;
        else if (*p == u'0')
            directive.zero = true;
        else if (*p == u'#')
            directive.alternate = true;
        else
            break;
    }
    if (*p == u'*') {
        int w = va_arg(args.ap, int);
        if (w < 0) {
            directive.left = true;
            w = w == INT_MIN ? INT_MAX : -w;
        }
        directive.width = w;
        ++p;
    } else {
        for (; *p >= u'0' && *p <= u'9'; ++p)
            directive.width = directive.width < 100000000 ? directive.width * 10 + (*p - u'0') : directive.width;
    }
    if (*p == u'.') {
        ++p;
        directive.precision = 0;
        if (*p == u'*') {
            int v = va_arg(args.ap, int);
            directive.precision = v < 0 ? -1 : v;
            ++p;
        } else {
            for (; *p >= u'0' && *p <= u'9'; ++p)
                directive.precision =
                    directive.precision < 100000000 ? directive.precision * 10 + (*p - u'0') : directive.precision;
        }
    }
    if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
        directive.size = Size::Long64;
        p += 3;
    } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
        directive.size = Size::Long32;
        p += 3;
    } else if (*p == u'I' || *p == u'z' || *p == u't' || *p == u'j') {
        directive.size = sizeof(void*) == 8 || *p == u'j' ? Size::Long64 : Size::Long32;
        ++p;
    } else if (p[0] == u'l' && p[1] == u'l') {
        directive.size = Size::Long64;
        p += 2;
    } else if (p[0] == u'h' && p[1] == u'h') {
        directive.size = Size::Char;
        p += 2;
    } else if (*p == u'l') {
        directive.size = Size::Long32;
        ++p;
    } else if (*p == u'h') {
        directive.size = Size::Short;
        ++p;
    } else if (*p == u'L') {
        directive.size = Size::LongDouble;
        ++p;
    } else if (*p == u'w') {
        directive.size = Size::Wide;
        ++p;
    }
    return p;
}

}  // namespace

// ---- The engine ----

size_t FormatWide(WCHAR* buf, size_t capacity, WideFormatDialect dialect, const WCHAR* fmt, va_list ap)
{
    Output out(buf, capacity);
    if (!fmt) return 0;
    ArgList args;
    va_copy(args.ap, ap);
    for (const WCHAR* p = fmt; *p; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        Directive directive;
        p = ParseSpec(p + 1, directive, args);
        directive.conversion = *p;
        switch (*p) {
            case 0:
                --p;  // a '%' at the very end prints nothing
                break;
            case u'd':
            case u'i': {
                LONGLONG v = FetchSigned(directive.size, args);
                ULONGLONG magnitude = v < 0 ? 0 - static_cast<ULONGLONG>(v) : static_cast<ULONGLONG>(v);
                FormatInteger(out, directive, magnitude, v < 0, true);
                break;
            }
            case u'u':
            case u'o':
            case u'x':
            case u'X':
                FormatInteger(out, directive, FetchUnsigned(directive.size, args), false, false);
                break;
            case u'p': {
                Directive pointer = directive;
                pointer.conversion = u'X';
                pointer.precision = static_cast<int>(sizeof(void*) * 2);
                pointer.alternate = false;
                FormatInteger(out, pointer, reinterpret_cast<std::uintptr_t>(va_arg(args.ap, void*)), false, false);
                break;
            }
            case u'c':
            case u'C':
                FormatChar(out, directive, args);
                break;
            case u's':
            case u'S':
                FormatString(out, directive, args);
                break;
            case u'n':
                (void)va_arg(args.ap, void*);
                break;
            case u'f':
            case u'F':
            case u'e':
            case u'E':
            case u'g':
            case u'G':
            case u'a':
            case u'A':
                if (dialect == WideFormatDialect::Crt)
                    FormatFloat(out, directive, args);
                else
                    out.Put(*p);
                break;
            default:
                out.Put(*p);  // "%%" and unknown conversions print the character
                break;
        }
    }
    va_end(args.ap);
    return out.Count();
}

// ---- The printf family ----

int _vsnwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args)
{
    if (!fmt || (!buf && count)) return -1;
    size_t needed = FormatWide(buf, count, WideFormatDialect::Crt, fmt, args);
    if (needed > count || needed > INT_MAX) return -1;  // count characters written, no terminator
    if (needed < count) buf[needed] = 0;
    return static_cast<int>(needed);
}

int _snwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = _vsnwprintf(buf, count, fmt, args);
    va_end(args);
    return n;
}

int vswprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args)
{
    if (!buf || count == 0) return -1;
    if (!fmt) {
        buf[0] = 0;
        return -1;
    }
    size_t needed = FormatWide(buf, count - 1, WideFormatDialect::Crt, fmt, args);
    if (needed >= count) {
        buf[count - 1] = 0;  // truncated, but terminated
        return -1;
    }
    buf[needed] = 0;
    return static_cast<int>(needed);
}

int swprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = vswprintf(buf, count, fmt, args);
    va_end(args);
    return n;
}

namespace {
constexpr size_t kWsprintfLimit = 1024;  // characters, terminator included
}

int wvsprintfW(WCHAR* buf, const WCHAR* fmt, va_list args)
{
    if (!buf) return 0;
    size_t needed = FormatWide(buf, kWsprintfLimit - 1, WideFormatDialect::Wsprintf, fmt, args);
    size_t written = needed < kWsprintfLimit - 1 ? needed : kWsprintfLimit - 1;
    buf[written] = 0;
    return static_cast<int>(written);
}

int wsprintfW(WCHAR* buf, const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = wvsprintfW(buf, fmt, args);
    va_end(args);
    return n;
}

int _vscwprintf(const WCHAR* fmt, va_list args)
{
    if (!fmt) return -1;
    size_t needed = FormatWide(nullptr, 0, WideFormatDialect::Crt, fmt, args);
    return needed > INT_MAX ? -1 : static_cast<int>(needed);
}
