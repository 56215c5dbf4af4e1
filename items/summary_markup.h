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

// Text as the mark-up shows it. The parser decodes no entities and has no
// escape for '<' (a "<" that opens a known tag would act as one), so '<' is
// shown as the single angle quotation mark; everything else stands as it is.
inline std::u16string Shown(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c == u'<') c = u'\u2039';
    return out;
}

}  // namespace summary_markup
