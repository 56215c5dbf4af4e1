// Splitting Windows date and time pictures into tokens and writing them back.
#include "platform/locale/internal/date_picture.h"

#include <unicode/uchar.h>

namespace platform {
namespace {

bool IsDateLetter(char16_t c) { return c == u'd' || c == u'M' || c == u'y' || c == u'g'; }

bool IsTimeLetter(char16_t c) { return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't'; }

void AppendLiteral(std::vector<PictureToken>& tokens, std::u16string_view text)
{
    if (tokens.empty() || tokens.back().IsField()) tokens.emplace_back();
    tokens.back().text.append(text);
}

bool HasLetter(std::u16string_view text)
{
    for (char16_t c : text)
        if (u_isalpha(c)) return true;
    return false;
}

}  // namespace

std::vector<PictureToken> ParsePicture(std::u16string_view picture, PictureKind kind)
{
    return SplitPattern(picture, kind == PictureKind::Date ? IsDateLetter : IsTimeLetter);
}

std::vector<PictureToken> SplitPattern(std::u16string_view picture, bool (*isFieldLetter)(char16_t))
{
    std::vector<PictureToken> tokens;
    size_t i = 0;
    while (i < picture.size()) {
        char16_t c = picture[i];
        if (c == u'\'') {
            if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                AppendLiteral(tokens, u"'");
                i += 2;
                continue;
            }
            // Quoted text up to the closing quote; '' inside is one quote.
            std::u16string text;
            for (++i; i < picture.size(); ++i) {
                if (picture[i] != u'\'') {
                    text.push_back(picture[i]);
                } else if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                    text.push_back(u'\'');
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            AppendLiteral(tokens, text);
        } else if (isFieldLetter(c)) {
            size_t start = i;
            while (i < picture.size() && picture[i] == c) ++i;
            tokens.push_back({c, static_cast<int>(i - start), {}});
        } else {
            AppendLiteral(tokens, picture.substr(i, 1));
            ++i;
        }
    }
    return tokens;
}

void DropFields(std::vector<PictureToken>& tokens, const std::function<bool(const PictureToken&)>& drop)
{
    auto at = [&tokens](std::ptrdiff_t i) { return tokens.begin() + i; };
    auto isLiteral = [&tokens](std::ptrdiff_t i) {
        return i >= 0 && i < static_cast<std::ptrdiff_t>(tokens.size()) && !tokens[static_cast<size_t>(i)].IsField();
    };
    // From the end, so that the unit words of "H'h'mm'min'ss's'" go one by
    // one with their fields.
    for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(tokens.size()) - 1; i >= 0; --i) {
        const PictureToken& token = tokens[static_cast<size_t>(i)];
        if (!token.IsField() || !drop(token)) continue;
        bool fieldBefore = false;
        for (std::ptrdiff_t j = 0; j < i; ++j) fieldBefore = fieldBefore || !isLiteral(j);
        bool endsPicture = isLiteral(i + 1) && i + 2 == static_cast<std::ptrdiff_t>(tokens.size());
        if (endsPicture) {
            tokens.erase(at(i), at(i + 2));  // a unit after the last field: "ss's'"
        } else if (fieldBefore && isLiteral(i - 1)) {
            tokens.erase(at(i - 1), at(i + 1));  // the separator before it
            --i;
        } else if (!fieldBefore && isLiteral(i + 1)) {
            tokens.erase(at(i), at(i + 2));  // a leading field: the separator after it
        } else {
            tokens.erase(at(i));
        }
    }
}

std::u16string FormatPicture(const std::vector<PictureToken>& tokens)
{
    std::u16string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const PictureToken& token = tokens[i];
        if (token.IsField()) {
            out.append(static_cast<size_t>(token.count), token.letter);
            continue;
        }
        // Neighbouring literal tokens are written as one: two quoted parts
        // side by side would read as one part holding a quote.
        std::u16string merged = token.text;
        while (i + 1 < tokens.size() && !tokens[i + 1].IsField()) merged += tokens[++i].text;
        // Leading quotes go outside as '' (a quoted part may not begin with
        // one: "'''" would read as an escaped quote); the rest is quoted
        // whole when it holds a letter, so it cannot be taken for a field.
        std::u16string_view text = merged;
        while (!text.empty() && text.front() == u'\'') {
            out += u"''";
            text.remove_prefix(1);
        }
        bool quote = HasLetter(text);
        if (quote) out.push_back(u'\'');
        for (char16_t c : text) {
            if (c == u'\'') out.push_back(u'\'');
            out.push_back(c);
        }
        if (quote) out.push_back(u'\'');
    }
    return out;
}

}  // namespace platform
