#include "grid/html_text.h"

#include <cstdlib>
#include <cstring>

#include "platform/text/wide_string.h"

namespace {

// An entity is looked for over at most this many characters from its "&".
constexpr size_t kEntityScan = 255;

int HexValue(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

}  // namespace

void CloseTags(const WCHAR* open, WCHAR* out)
{
    if (!out) return;
    size_t o = 0;
    for (const WCHAR* p = open; p && *p; ++p) {
        out[o++] = *p;
        if (*p == u'<') out[o++] = u'/';
    }
    out[o] = 0;
}

WCHAR* HTMLToText(const WCHAR* html)
{
    size_t length = html ? wcslen(html) : 0;
    auto* out = static_cast<WCHAR*>(std::malloc((length + 1) * sizeof(WCHAR)));
    if (!out) return nullptr;
    size_t o = 0;
    for (size_t i = 0; i < length;) {
        WCHAR c = html[i];
        if (c == u'<') {
            const WCHAR* close = wcschr(html + i, u'>');
            i = close ? static_cast<size_t>(close - html) + 1 : length;
            continue;
        }
        if (c == u'&') {
            // The entity runs to the first ";", and not over a blank or a
            // line break. The buffer is the caller's stack, so conversions on
            // several threads never meet.
            WCHAR entity[kEntityScan + 1];
            size_t n = 0;
            bool closed = false;
            while (n < kEntityScan && i + n < length) {
                WCHAR e = html[i + n];
                if (e == u' ' || e == u'\r' || e == u'\n') break;
                entity[n++] = e;
                if (e == u';') {
                    closed = true;
                    break;
                }
            }
            entity[n] = 0;
            WCHAR decoded = closed ? GetHTMLEntity(entity) : 0;
            if (decoded) {
                out[o++] = decoded;
                i += n;
            } else {
                out[o++] = u'&';
                ++i;
            }
            continue;
        }
        out[o++] = c;
        ++i;
    }
    out[o] = 0;
    return out;
}

int ColorRefToHTML(COLORREF color, WCHAR* buf, int cch)
{
    if (!buf || cch < 8) return 0;
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    const BYTE parts[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    buf[0] = u'#';
    for (int k = 0; k < 3; ++k) {
        buf[1 + 2 * k] = kHex[parts[k] >> 4];
        buf[2 + 2 * k] = kHex[parts[k] & 0xF];
    }
    buf[7] = 0;
    return 7;
}

bool HTMLToColorRef(const WCHAR* text, DWORD* color)
{
    if (!text || !color) return false;
    while (*text == u'#') ++text;
    DWORD value = 0;
    int digits = 0;
    for (; *text; ++text, ++digits) {
        int v = HexValue(*text);
        if (v < 0 || digits == 7) return false;
        value = (value << 4) | static_cast<DWORD>(v);
    }
    if (digits == 0) return false;
    *color = RGB(static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value));
    return true;
}
