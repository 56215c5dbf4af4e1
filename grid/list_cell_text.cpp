#include "grid/list_cell_text.h"

#include <cmath>
#include <string>

#include "categories/category_color_icons.h"
#include "foundation/markup_literal.h"
#include "platform/locale/date_format.h"
#include "platform/time/variant_time.h"

namespace {

// "No date" and beyond: the loaders' 949998.0 (1 January 4501).
constexpr double kLastListedDate = 949998.0;

bool ToSystemTime(double date, SYSTEMTIME& st)
{
    if (!std::isfinite(date) || date <= 0 || date >= kLastListedDate) return false;
    return VariantTimeToSystemTime(date, &st) != 0;
}

std::u16string TimeText(double date, DWORD flags)
{
    SYSTEMTIME st{};
    if (!ToSystemTime(date, st)) return {};
    WCHAR text[80];
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, text, 80) <= 0) return {};
    return text;
}

}  // namespace

std::u16string ListNumberText(long long number)
{
    std::u16string out;
    for (char c : std::to_string(number)) out += static_cast<char16_t>(c);
    return out;
}

std::u16string ListMarkupText(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t') {
            if (out.empty() || out.back() != u' ') out += u' ';
            continue;
        }
        out += c;
    }
    return MarkupLiteral(out);
}

std::u16string ListDateText(double date)
{
    SYSTEMTIME st{};
    if (!ToSystemTime(date, st)) return {};
    WCHAR text[80];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 80) <= 0) return {};
    return text;
}

std::u16string ListTimeText(double date) { return TimeText(date, TIME_NOSECONDS); }

std::u16string ListHourText(double date) { return TimeText(date, TIME_NOMINUTESORSECONDS); }

std::u16string ListCategoryText(const WCHAR* categories)
{
    if (!categories || !*categories) return {};
    const std::u16string_view text(categories);
    CCategoryColorIcons icons;
    icons.ParseCategory(categories, true, true);
    std::u16string out;
    // A name that holds a quote or an angle bracket would end the picture's
    // tag early; such texts go without pictures.
    WCHAR pictures[kCategoryIconChars];
    if (text.find_first_of(u"\"<>") == std::u16string_view::npos && icons.GetIconString(pictures, false))
        out = std::u16string(pictures) + u"\u00A0";
    const WCHAR* colour = icons.GetCategoryColorString();
    const std::u16string names = ListMarkupText(text);
    out += colour ? u"<FONT COLOR=" + std::u16string(colour) + u">" + names + u"</FONT>" : names;
    return out;
}

std::u16string ListNotesLine(const std::vector<std::u16string>& notes)
{
    std::u16string joined;
    for (const std::u16string& note : notes) {
        if (note.empty()) continue;
        if (!joined.empty()) joined += u" \u00B7 ";
        joined += note;
    }
    if (joined.empty()) return {};
    return u"<FONT SIZE=-2 COLOR=#707070>" + joined + u"</FONT>";
}

std::u16string ListHeaderMarkup(std::u16string_view text, bool open, int members)
{
    std::u16string out = u"<BODY BGCOLOR=#DDE4EE><A=\"toggle\">";
    out += open ? u"\u2013" : u"+";
    out += u"</A> <B>";
    out += ListMarkupText(text);
    out += u"</B> <FONT COLOR=#707070>(";
    out += ListNumberText(members < 0 ? 0 : members);
    out += u")</FONT>";
    return out;
}

