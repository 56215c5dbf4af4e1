// Pieces shared by the items' summary mark-up.
#pragma once

#include <string>
#include <string_view>

namespace summary_markup {

// Text with the mark-up's own characters written as entities.
inline std::u16string Escaped(std::u16string_view text)
{
    std::u16string out;
    for (char16_t c : text) {
        switch (c) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace summary_markup
