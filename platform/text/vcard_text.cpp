// vCard text. Sections: Decoding bytes; Content lines; Cards; Value escapes;
// Writing.
#include "platform/text/vcard_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/text/code_page.h"
#include "platform/text/utf8.h"

namespace platform {

namespace {

// ---- Decoding bytes ----

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::u16string Decode(std::string_view bytes, UINT codePage)
{
    if (bytes.empty()) return {};
    const int size = static_cast<int>(std::min<size_t>(bytes.size(), 0x7FFFFFFF));
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int n = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (n <= 0 && codePage == CP_UTF8) return Decode(bytes, CP_1252);
    if (n <= 0) return {};
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), size, out.data(), n);
    return out;
}

// The code page of a CHARSET name; 0 when it is not known.
UINT CodePageOf(std::string_view charset)
{
    const std::string name = Upper(charset);
    if (name == "UTF-8" || name == "UTF8") return CP_UTF8;
    // Latin-1 as the superset the platform writes it with.
    if (name == "ISO-8859-1" || name == "US-ASCII" || name == "ASCII" || name == "LATIN1") return CP_1252;
    if (name.rfind("WINDOWS-", 0) == 0 || name.rfind("CP", 0) == 0) {
        const std::string digits = name.substr(name[0] == 'W' ? 8 : 2);
        if (!digits.empty() && digits.size() <= 5 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            const UINT cp = static_cast<UINT>(std::stoul(digits));
            // Only pages the platform can convert.
            return MultiByteToWideChar(cp, 0, "a", 1, nullptr, 0) > 0 ? cp : 0;
        }
        return 0;
    }
    if (name.rfind("ISO-8859-", 0) == 0) {
        const std::string digits = name.substr(9);
        if (digits.empty() || digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return 0;
        const UINT cp = 28590 + static_cast<UINT>(std::stoul(digits));
        return MultiByteToWideChar(cp, 0, "a", 1, nullptr, 0) > 0 ? cp : 0;
    }
    if (name == "SHIFT_JIS" || name == "SJIS") return 932;
    if (name == "GB2312" || name == "GBK") return 936;
    if (name == "BIG5") return 950;
    if (name == "EUC-KR" || name == "KS_C_5601-1987") return 949;
    if (name == "KOI8-R") return 20866;
    return 0;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "=XX" becomes the byte; an '=' without two hex digits stays as it is.
std::string DecodeQuotedPrintable(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=' && i + 2 < s.size()) {
            const int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// ---- Content lines ----

struct Logical {
    std::string text;
    int line = 0;
    bool quotedPrintable = false;
};

// Whether the parameters (between the first ';' and the ':') name the
// quoted-printable encoding.
bool HeadSaysQuotedPrintable(std::string_view line)
{
    const size_t colon = line.find(':');
    const size_t semicolon = line.find(';');
    if (semicolon == std::string_view::npos || semicolon > colon) return false;
    return Upper(line.substr(semicolon, colon - semicolon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

std::vector<Logical> LogicalLines(std::string_view text)
{
    std::vector<Logical> lines;
    Logical current;
    bool have = false;
    int number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view physical = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
        ++number;
        if (have && current.quotedPrintable && !current.text.empty() && current.text.back() == '=') {
            current.text.pop_back();
            current.text.append(physical);
            continue;
        }
        if (have && !physical.empty() && (physical[0] == ' ' || physical[0] == '\t')) {
            current.text.append(physical.substr(1));
            continue;
        }
        if (have) lines.push_back(std::move(current));
        have = false;
        if (physical.find_first_not_of(" \t") == std::string_view::npos) continue;
        current = Logical{std::string(physical), number, HeadSaysQuotedPrintable(physical)};
        have = true;
    }
    if (have) lines.push_back(std::move(current));
    return lines;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; }

// A parameter value: ^n, ^^ and ^' undone (4.0); other carets stay.
std::u16string ParamText(std::string_view raw)
{
    std::u16string value = Decode(raw, CP_UTF8);
    if (value.find(u'^') == std::u16string::npos) return value;
    std::u16string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'^' && i + 1 < value.size()) {
            const char16_t next = value[i + 1];
            if (next == u'n' || next == u'N') {
                out += u'\n';
                ++i;
                continue;
            }
            if (next == u'^' || next == u'\'') {
                out += next == u'^' ? u'^' : u'"';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

void AddParamValue(VCardProperty& property, const std::string& name, std::u16string value)
{
    for (VCardParam& p : property.params) {
        if (p.name == name) {
            p.values.push_back(std::move(value));
            return;
        }
    }
    property.params.push_back(VCardParam{name, {std::move(value)}});
}

// Parses one logical line; false with a message when it is no content line.
bool ParseLine(const Logical& logical, VCardProperty& out, std::string& error)
{
    const std::string& s = logical.text;
    size_t i = 0;
    while (i < s.size() && (IsNameChar(s[i]) || s[i] == '.')) ++i;
    const std::string_view token(s.data(), i);
    if (token.empty() || i >= s.size() || (s[i] != ':' && s[i] != ';')) {
        error = s.find(':') == std::string::npos ? "not a content line (no ':')" : "bad property name";
        return false;
    }
    const size_t dot = token.rfind('.');
    out.group = dot == std::string_view::npos ? std::string() : std::string(token.substr(0, dot));
    out.name = Upper(dot == std::string_view::npos ? token : token.substr(dot + 1));
    if (out.name.empty()) {
        error = "bad property name";
        return false;
    }
    out.line = logical.line;
    while (i < s.size() && s[i] == ';') {
        ++i;
        const size_t nameStart = i;
        while (i < s.size() && s[i] != '=' && s[i] != ';' && s[i] != ':') ++i;
        std::string paramName = Upper(std::string_view(s).substr(nameStart, i - nameStart));
        while (!paramName.empty() && (paramName.back() == ' ' || paramName.back() == '\t')) paramName.pop_back();
        if (i >= s.size()) break;
        if (s[i] != '=') {
            // A bare 2.1 parameter: an encoding, or else a type.
            if (paramName.empty()) continue;
            if (paramName == "QUOTED-PRINTABLE" || paramName == "BASE64" || paramName == "8BIT" ||
                paramName == "7BIT")
                AddParamValue(out, "ENCODING", Utf8ToWide(paramName));
            else
                AddParamValue(out, "TYPE", Utf8ToWide(paramName));
            continue;
        }
        ++i;
        for (;;) {
            std::string_view raw;
            if (i < s.size() && s[i] == '"') {
                const size_t close = s.find('"', i + 1);
                if (close == std::string::npos) {
                    error = "unterminated quoted parameter value";
                    return false;
                }
                raw = std::string_view(s).substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const size_t start = i;
                while (i < s.size() && s[i] != ',' && s[i] != ';' && s[i] != ':') ++i;
                raw = std::string_view(s).substr(start, i - start);
            }
            AddParamValue(out, paramName, ParamText(raw));
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
    }
    if (i >= s.size() || s[i] != ':') {
        error = "not a content line (no ':')";
        return false;
    }
    std::string_view raw = std::string_view(s).substr(i + 1);
    std::string decoded;
    const auto* encoding = out.Param("ENCODING");
    if (encoding && !encoding->empty() && EqualsNoCase(encoding->front(), u"QUOTED-PRINTABLE")) {
        decoded = DecodeQuotedPrintable(raw);
        raw = decoded;
    }
    UINT codePage = CP_UTF8;
    if (const auto* charset = out.Param("CHARSET"); charset && !charset->empty()) {
        codePage = CodePageOf(WideToUtf8(charset->front()));
        if (codePage == 0) {
            error = "unknown charset " + WideToUtf8(charset->front()) + ", read as UTF-8";
            codePage = CP_UTF8;
        }
    }
    out.value = Decode(raw, codePage);
    return true;
}

std::u16string Trimmed(std::u16string_view s)
{
    const size_t b = s.find_first_not_of(u" \t");
    if (b == std::u16string_view::npos) return {};
    const size_t e = s.find_last_not_of(u" \t");
    return std::u16string(s.substr(b, e - b + 1));
}

}  // namespace

// ---- Cards ----

const std::vector<std::u16string>* VCardProperty::Param(std::string_view name) const
{
    for (const VCardParam& p : params) {
        if (p.name == name) return &p.values;
    }
    return nullptr;
}

bool VCardProperty::HasType(std::u16string_view type) const
{
    if (const auto* types = Param("TYPE")) {
        for (const std::u16string& value : *types) {
            // "TYPE=home,work" written as one quoted value.
            for (const std::u16string& part : SplitVCardValue(value, u',')) {
                if (EqualsNoCase(Trimmed(part), type)) return true;
            }
        }
    }
    if (EqualsNoCase(type, u"PREF")) {
        if (const auto* pref = Param("PREF"); pref && !pref->empty() && pref->front() == u"1") return true;
    }
    return false;
}

const VCardProperty* VCard::Find(std::string_view name) const
{
    for (const VCardProperty& p : properties) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

VCardReadResult ReadVCards(std::string_view text)
{
    VCardReadResult result;
    bool inCard = false;
    int nested = 0;
    int outside = 0, firstOutside = 0;
    VCard card;
    for (const Logical& logical : LogicalLines(text)) {
        VCardProperty property;
        std::string error;
        const bool parsed = ParseLine(logical, property, error);
        if (!parsed) {
            if (inCard && !nested) {
                result.errors.push_back({result.cards.size(), logical.line, error});
            } else if (!inCard && !outside++) {
                firstOutside = logical.line;
            }
            continue;
        }
        const bool isBegin = property.name == "BEGIN" && EqualsNoCase(Trimmed(property.value), u"VCARD");
        const bool isEnd = property.name == "END" && EqualsNoCase(Trimmed(property.value), u"VCARD");
        if (!inCard) {
            if (isBegin) {
                inCard = true;
                card = VCard{};
                card.firstLine = logical.line;
            } else if (!outside++) {
                firstOutside = logical.line;
            }
            continue;
        }
        if (isBegin) {
            ++nested;
            continue;
        }
        if (nested) {
            if (isEnd) --nested;
            continue;
        }
        if (isEnd) {
            result.cards.push_back(std::move(card));
            inCard = false;
            continue;
        }
        if (!error.empty()) result.errors.push_back({result.cards.size(), logical.line, error});
        if (property.name == "VERSION") {
            card.version = WideToUtf8(Trimmed(property.value));
            continue;
        }
        card.properties.push_back(std::move(property));
    }
    if (inCard) {
        result.errors.push_back({result.cards.size(), card.firstLine, "card has no END:VCARD"});
        result.cards.push_back(std::move(card));
    }
    if (outside) {
        result.errors.push_back({result.cards.size(), firstOutside,
                                 std::to_string(outside) + " line(s) outside any BEGIN:VCARD ... END:VCARD ignored"});
    }
    return result;
}

// ---- Value escapes ----

std::vector<std::u16string> SplitVCardValue(std::u16string_view value, char16_t separator)
{
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;
            continue;
        }
        if (value[i] == separator) {
            parts.push_back(UnescapeVCardText(value.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(UnescapeVCardText(value.substr(std::min(start, value.size()))));
    return parts;
}

std::u16string UnescapeVCardText(std::u16string_view value)
{
    std::u16string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 >= value.size()) {
            out += value[i];
            continue;
        }
        const char16_t next = value[++i];
        out += next == u'n' || next == u'N' ? u'\n' : next;
    }
    return out;
}

std::u16string EscapeVCardText(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
            case u'\\': out += u"\\\\"; break;
            case u',': out += u"\\,"; break;
            case u';': out += u"\\;"; break;
            case u'\r':
                if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                out += u"\\n";
                break;
            case u'\n': out += u"\\n"; break;
            default: out += c;
        }
    }
    return out;
}

// ---- Writing ----

void VCardWriter::Begin(std::string_view version)
{
    version_ = version;
    Line("BEGIN:VCARD");
    Line("VERSION:" + version_);
}

void VCardWriter::End() { Line("END:VCARD"); }

void VCardWriter::Add(std::string_view name, const std::vector<VCardParam>& params, std::u16string_view value)
{
    std::string line(name);
    for (const VCardParam& param : params) {
        line += ';';
        line += param.name;
        line += '=';
        for (size_t v = 0; v < param.values.size(); ++v) {
            if (v) line += ',';
            std::u16string text;
            for (char16_t c : param.values[v]) {
                if (c == u'"') {
                    if (version_ == "4.0") text += u"^'";
                } else if (c == u'\n' || c == u'\r') {
                    text += version_ == "4.0" ? u"^n" : u" ";
                } else if (c == u'^' && version_ == "4.0") {
                    text += u"^^";
                } else {
                    text += c;
                }
            }
            const bool quote = text.find_first_of(u":;,") != std::u16string::npos;
            if (quote) line += '"';
            line += WideToUtf8(text);
            if (quote) line += '"';
        }
    }
    line += ':';
    // A line end cannot stand in a content line: it is written escaped.
    std::u16string flat;
    flat.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'\r' || value[i] == u'\n') {
            if (value[i] == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
            flat += u"\\n";
        } else {
            flat += value[i];
        }
    }
    line += WideToUtf8(flat);
    Line(line);
}

void VCardWriter::AddText(std::string_view name, const std::vector<VCardParam>& params, std::u16string_view text)
{
    Add(name, params, EscapeVCardText(text));
}

void VCardWriter::AddStructured(std::string_view name, const std::vector<VCardParam>& params,
                                const std::vector<std::u16string>& parts)
{
    std::u16string value;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) value += u';';
        value += EscapeVCardText(parts[i]);
    }
    Add(name, params, value);
}

void VCardWriter::Line(const std::string& line)
{
    constexpr size_t kMaxOctets = 75;
    size_t pos = 0;
    bool first = true;
    while (line.size() - pos > (first ? kMaxOctets : kMaxOctets - 1)) {
        size_t cut = pos + (first ? kMaxOctets : kMaxOctets - 1);
        // Never inside a UTF-8 sequence.
        while (cut > pos + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (!first) text_ += ' ';
        text_.append(line, pos, cut - pos);
        text_ += "\r\n";
        pos = cut;
        first = false;
    }
    if (!first) text_ += ' ';
    text_.append(line, pos, std::string::npos);
    text_ += "\r\n";
}

}  // namespace platform
