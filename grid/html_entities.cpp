// The entities the mark-up's plain-text conversion knows: the HTML 4 Latin-1
// set (code points 160 to 255 under their standard names) and the four
// characters that mark-up itself uses, by name or by decimal number.
#include <cstddef>
#include <string_view>

#include "grid/html_text.h"
#include "platform/text/wide_string.h"

namespace {

using View = std::u16string_view;

struct Entity {
    View name;
    WCHAR code;
};

// Ordered by code point: of two names that match ignoring case, the first
// here (the capital letter) answers a spelling that matches neither exactly.
constexpr Entity kEntities[] = {
    {u"quot", 34},     {u"amp", 38},     {u"lt", 60},      {u"gt", 62},      {u"nbsp", 160},   {u"iexcl", 161},
    {u"cent", 162},    {u"pound", 163},  {u"curren", 164}, {u"yen", 165},    {u"brvbar", 166}, {u"sect", 167},
    {u"uml", 168},     {u"copy", 169},   {u"ordf", 170},   {u"laquo", 171},  {u"not", 172},    {u"shy", 173},
    {u"reg", 174},     {u"macr", 175},   {u"deg", 176},    {u"plusmn", 177}, {u"sup2", 178},   {u"sup3", 179},
    {u"acute", 180},   {u"micro", 181},  {u"para", 182},   {u"middot", 183}, {u"cedil", 184},  {u"sup1", 185},
    {u"ordm", 186},    {u"raquo", 187},  {u"frac14", 188}, {u"frac12", 189}, {u"frac34", 190}, {u"iquest", 191},
    {u"Agrave", 192},  {u"Aacute", 193}, {u"Acirc", 194},  {u"Atilde", 195}, {u"Auml", 196},   {u"Aring", 197},
    {u"AElig", 198},   {u"Ccedil", 199}, {u"Egrave", 200}, {u"Eacute", 201}, {u"Ecirc", 202},  {u"Euml", 203},
    {u"Igrave", 204},  {u"Iacute", 205}, {u"Icirc", 206},  {u"Iuml", 207},   {u"ETH", 208},    {u"Ntilde", 209},
    {u"Ograve", 210},  {u"Oacute", 211}, {u"Ocirc", 212},  {u"Otilde", 213}, {u"Ouml", 214},   {u"times", 215},
    {u"Oslash", 216},  {u"Ugrave", 217}, {u"Uacute", 218}, {u"Ucirc", 219},  {u"Uuml", 220},   {u"Yacute", 221},
    {u"THORN", 222},   {u"szlig", 223},  {u"agrave", 224}, {u"aacute", 225}, {u"acirc", 226},  {u"atilde", 227},
    {u"auml", 228},    {u"aring", 229},  {u"aelig", 230},  {u"ccedil", 231}, {u"egrave", 232}, {u"eacute", 233},
    {u"ecirc", 234},   {u"euml", 235},   {u"igrave", 236}, {u"iacute", 237}, {u"icirc", 238},  {u"iuml", 239},
    {u"eth", 240},     {u"ntilde", 241}, {u"ograve", 242}, {u"oacute", 243}, {u"ocirc", 244},  {u"otilde", 245},
    {u"ouml", 246},    {u"divide", 247}, {u"oslash", 248}, {u"ugrave", 249}, {u"uacute", 250}, {u"ucirc", 251},
    {u"uuml", 252},    {u"yacute", 253}, {u"thorn", 254},  {u"yuml", 255},
};

WCHAR AsciiLower(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 32) : c; }

bool EqualIgnoringCase(View a, View b)
{
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (AsciiLower(a[k]) != AsciiLower(b[k])) return false;
    return true;
}

// "&#NNN;": only the exact decimal spelling of a code point of the set.
WCHAR ByNumber(View digits)
{
    if (digits.empty() || digits.size() > 3 || digits[0] == u'0') return 0;
    int value = 0;
    for (WCHAR c : digits) {
        if (c < u'0' || c > u'9') return 0;
        value = value * 10 + (c - u'0');
    }
    for (const Entity& e : kEntities)
        if (e.code == value) return e.code;
    return 0;
}

}  // namespace

WCHAR GetHTMLEntity(const WCHAR* entity)
{
    if (!entity || entity[0] != u'&') return 0;
    View whole(entity);
    if (whole.size() < 3 || whole.back() != u';') return 0;
    View name = whole.substr(1, whole.size() - 2);
    if (name[0] == u'#') return ByNumber(name.substr(1));
    for (const Entity& e : kEntities)
        if (e.name == name) return e.code;
    for (const Entity& e : kEntities)
        if (EqualIgnoringCase(e.name, name)) return e.code;
    return 0;
}
