// Parsing of the "id<TAB>text" string table format.
#include "platform/modules/string_table.h"

#include "platform/text/utf8.h"

namespace {

// The id before the tab: 1 to 5 decimal digits, at most 65535.
bool ParseId(std::string_view digits, UINT& id)
{
    if (digits.empty() || digits.size() > 5) return false;
    UINT value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<UINT>(c - '0');
    }
    if (value > 0xFFFF) return false;
    id = value;
    return true;
}

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            char replacement = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next == '\\' ? '\\' : 0;
            if (replacement) {
                out.push_back(replacement);
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

StringTable StringTable::Parse(std::string_view text, std::vector<int>* badLines)
{
    StringTable table;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 byte order mark
    int lineNumber = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        size_t tab = line.find('\t');
        UINT id = 0;
        if (tab == std::string_view::npos || !ParseId(line.substr(0, tab), id) ||
            !table.m_strings.emplace(id, Utf8ToWide(Unescape(line.substr(tab + 1)))).second) {
            if (badLines) badLines->push_back(lineNumber);
        }
    }
    return table;
}

const std::u16string* StringTable::find(UINT id) const
{
    auto it = m_strings.find(id);
    return it == m_strings.end() ? nullptr : &it->second;
}

std::vector<UINT> StringTable::ids() const
{
    std::vector<UINT> result;
    result.reserve(m_strings.size());
    for (const auto& entry : m_strings) result.push_back(entry.first);
    return result;
}
