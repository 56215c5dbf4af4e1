// ICU date patterns to Windows pictures, field by field.
#include "platform/locale/internal/date_picture_conversion.h"

#include <algorithm>
#include <optional>

#include "platform/locale/internal/date_picture.h"

namespace platform {
namespace {

bool IsIcuLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

PictureToken Field(char16_t letter, int count) { return {letter, count, {}}; }

// The picture element for one ICU field; nothing for fields the platform's
// pictures cannot show.
std::optional<PictureToken> PictureField(char16_t letter, int count, PatternUse use)
{
    switch (letter) {
        case u'y':
        case u'Y':
        case u'u':
        case u'r':
            return Field(u'y', count == 2 && use != PatternUse::ShortDate ? 2 : 4);
        case u'M':
        case u'L':
            return Field(u'M', count >= 5 ? 3 : count);
        case u'd':
            return Field(u'd', std::min(count, 2));
        case u'E':
            return Field(u'd', count == 4 ? 4 : 3);
        case u'c':
        case u'e':
            if (count <= 2) return std::nullopt;  // the numeric day of the week
            return Field(u'd', count == 4 ? 4 : 3);
        case u'G':
            return Field(u'g', 2);
        case u'a':
        case u'b':
        case u'B':
            return Field(u't', 2);
        case u'h':
        case u'K':
            return Field(u'h', std::min(count, 2));
        case u'H':
        case u'k':
            return Field(u'H', std::min(count, 2));
        case u'm':
        case u's':
            return Field(letter, std::min(count, 2));
        default:
            return std::nullopt;
    }
}

}  // namespace

std::u16string WindowsPictureFromPattern(std::u16string_view icuPattern, PatternUse use)
{
    constexpr char16_t kDropped = u'\x1';
    std::vector<PictureToken> tokens = SplitPattern(icuPattern, IsIcuLetter);
    for (PictureToken& token : tokens) {
        if (!token.IsField()) {
            std::replace(token.text.begin(), token.text.end(), u'\u202F', u' ');
            continue;
        }
        std::optional<PictureToken> field = PictureField(token.letter, token.count, use);
        token = field ? *field : Field(kDropped, 1);
    }
    DropFields(tokens, [](const PictureToken& token) { return token.letter == kDropped; });
    return FormatPicture(tokens);
}

}  // namespace platform
