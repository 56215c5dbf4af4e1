#include "platform/ink/ink_rich_text.h"

#include <cstdint>
#include <string>

namespace platform {

bool IsRichText(std::u16string_view text) { return text.substr(0, 5) == u"{\\rtf"; }

std::u16string PlainTextOfRtf(std::u16string_view rtf)
{
    auto hex = [](char16_t h) -> int {
        if (h >= u'0' && h <= u'9') return h - u'0';
        if ((h | 0x20) >= u'a' && (h | 0x20) <= u'f') return (h | 0x20) - u'a' + 10;
        return -1;
    };
    std::u16string out;
    for (size_t i = 0; i < rtf.size(); ++i) {
        const char16_t c = rtf[i];
        if (c == u'{' || c == u'}' || c == u'\r' || c == u'\n') continue;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= rtf.size()) break;
        const char16_t next = rtf[i];
        if (next == u'\\' || next == u'{' || next == u'}') {
            out += next;
        } else if (next == u'\'' && i + 2 < rtf.size() && hex(rtf[i + 1]) >= 0 && hex(rtf[i + 2]) >= 0) {
            out += static_cast<char16_t>((hex(rtf[i + 1]) << 4) | hex(rtf[i + 2]));
            i += 2;
        } else {
            size_t end = i;
            while (end < rtf.size() && ((rtf[end] | 0x20) >= u'a' && (rtf[end] | 0x20) <= u'z')) ++end;
            const std::u16string_view word = rtf.substr(i, end - i);
            const size_t digits = end;
            while (end < rtf.size() && (rtf[end] == u'-' || (rtf[end] >= u'0' && rtf[end] <= u'9'))) ++end;
            const std::u16string_view number = rtf.substr(digits, end - digits);
            if (end < rtf.size() && rtf[end] == u' ') ++end;
            if (word == u"par" || word == u"line") {
                out += u'\n';
            } else if (word == u"u" && !number.empty() && number.size() <= 6) {
                long value = 0;
                for (char16_t d : number.substr(number[0] == u'-' ? 1 : 0)) value = value * 10 + (d - u'0');
                if (number[0] == u'-') value = -value;
                out += static_cast<char16_t>(value < 0 ? value + 65536 : value);
                if (end < rtf.size() && rtf[end] == u'?') ++end;  // the fallback character
            }
            i = end - 1;
        }
    }
    return out;
}

std::string RtfOfPlainText(std::u16string_view text)
{
    std::string out = "{\\rtf1\\ansi ";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        if (c == u'\n' || c == u'\r') {
            out += "\\par ";
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 128) {
            out += static_cast<char>(c);
        } else {
            out += "\\u" + std::to_string(static_cast<int>(static_cast<int16_t>(c))) + "?";
        }
    }
    out += '}';
    return out;
}

}  // namespace platform
