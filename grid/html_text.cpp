#include "grid/html_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

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

std::u16string SummaryPlainText(std::u16string_view markup)
{
    // The summary's painter decodes no entities, and a '<' followed by a
    // zero-width space is text the user typed. Both are written as entities
    // here so that the conversion, which drops every tag and decodes every
    // entity, gives back what the picture shows. A picture that opens a line
    // (the reminder's bell) goes with the blanks that set it off from the
    // text, so that the line starts with its text.
    std::u16string guarded;
    guarded.reserve(markup.size());
    bool lineHasText = false;
    for (size_t i = 0; i < markup.size(); ++i) {
        const bool typedLess = markup[i] == u'<' && i + 1 < markup.size() && markup[i + 1] == u'\u200B';
        if (markup[i] == u'<' && !typedLess) {
            const size_t close = markup.find(u'>', i);
            if (close == std::u16string::npos) {
                guarded.append(markup, i);
                break;
            }
            guarded.append(markup, i, close + 1 - i);
            const bool picture = markup.compare(i, 5, u"<IMG ") == 0;
            if (markup.compare(i, 4, u"<BR>") == 0) lineHasText = false;
            i = close;
            if (picture && !lineHasText)
                while (i + 1 < markup.size() && markup[i + 1] == u' ') ++i;
            continue;
        }
        if (markup[i] == u'&') {
            guarded += u"&amp;";
        } else if (typedLess) {
            guarded += u"&lt;";
            ++i;
        } else {
            guarded.push_back(markup[i]);
        }
        lineHasText = markup[i] != u'\n';
    }
    const std::unique_ptr<WCHAR, decltype(&std::free)> plain(HTMLToText(guarded.c_str()), &std::free);
    if (!plain) return {};
    std::u16string_view text(plain.get());
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(u"\r\n")));
    return std::u16string(text);
}
