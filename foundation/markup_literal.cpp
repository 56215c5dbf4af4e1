#include "foundation/markup_literal.h"

std::u16string MarkupLiteral(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        out += c;
        if (c == u'<') out += u'\u200B';
    }
    return out;
}
