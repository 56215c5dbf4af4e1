#include "foundation/url_encode.h"

#include "platform/text/wide_string.h"

namespace {

// The first two characters of the code printed as at least two upper-case
// hexadecimal digits: 0x26 gives "26", 0x5 "05", 0x3042 "30".
void LeadingHexPair(WCHAR c, WCHAR out[2])
{
    static const char kHex[] = "0123456789ABCDEF";
    int digits = c > 0xFFF ? 4 : c > 0xFF ? 3 : 2;
    unsigned value = c;
    for (int i = 0; i < 2; ++i) {
        int shift = 4 * (digits - 1 - i);
        out[i] = static_cast<WCHAR>(kHex[(value >> shift) & 0xF]);
    }
}

}  // namespace

WCHAR* UrlEncode(const WCHAR* src, WCHAR* dst, int capacity)
{
    if (!dst || capacity <= 0) return dst;
    int out = 0;
    for (const WCHAR* p = src; p && *p; ++p) {
        WCHAR c = *p;
        bool plain = iswctype(c, _ALPHA | _DIGIT);
        int need = plain || c == u' ' ? 1 : 3;
        if (out + need + 1 > capacity) break;
        if (plain) {
            dst[out++] = c;
        } else if (c == u' ') {
            dst[out++] = u'+';
        } else {
            dst[out++] = u'%';
            LeadingHexPair(c, dst + out);
            out += 2;
        }
    }
    dst[out] = 0;
    return dst;
}
