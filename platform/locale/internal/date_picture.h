// Windows date and time pictures split into fields and literal text (internal).
//
// A picture such as "dddd, MMMM d, yyyy" or "h:mm:ss tt" is a run of picture
// letters (a field: the letter and how often it repeats) and literal text.
// Text in single quotes is literal, and two single quotes stand for one quote,
// inside quotes or out. A quote left open runs to the end of the picture.
// Which letters are fields depends on the use: d M y g for dates, h H m s t
// for times; any other character is literal.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class PictureKind { Date, Time };

struct PictureToken {
    char16_t letter = 0;  // 0 for literal text
    int count = 0;        // how often the letter repeats
    std::u16string text;  // the literal text (quotes removed)

    bool IsField() const { return letter != 0; }
    bool IsField(char16_t l) const { return letter == l; }
};

std::vector<PictureToken> ParsePicture(std::u16string_view picture, PictureKind kind);

// The same split with another set of field letters (ICU patterns quote text
// the same way, with every ASCII letter a field letter).
std::vector<PictureToken> SplitPattern(std::u16string_view pattern, bool (*isFieldLetter)(char16_t));

// Removes the fields for which drop(token) is true, each with the literal text
// that separates it from the field before it ("h:mm:ss tt" without seconds is
// "h:mm tt"), or, for a leading field, from the field after it. Literal text
// that ends the picture after the field goes with the field instead: it is
// the field's unit ("H'時'mm'分'ss'秒'" without seconds is "H'時'mm'分'").
void DropFields(std::vector<PictureToken>& tokens, const std::function<bool(const PictureToken&)>& drop);

// The tokens written back as a picture, literal text quoted where it holds
// letters or quotes.
std::u16string FormatPicture(const std::vector<PictureToken>& tokens);

}  // namespace platform
