// StringTable: the numbered strings of one resource module, parsed from the
// text form of the suite's string tables.
//
// Text form (UTF-8): one string per line, "id<TAB>text". Lines starting with
// '#' and blank lines are ignored; a trailing CR is dropped. In the text, \t,
// \n, \r and \\ stand for a tab, a line feed, a carriage return and a
// backslash; any other backslash stays as it is. Ids are decimal, 0..65535.
// A malformed line (no tab, an id that is not a number in range, or an id that
// appeared before) is skipped and its line number reported; parsing never
// fails. Invalid UTF-8 becomes U+FFFD.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/types.h"

class StringTable {
public:
    StringTable() = default;
    // Parses text; the numbers of the lines skipped (1-based) go to badLines.
    static StringTable Parse(std::string_view text, std::vector<int>* badLines = nullptr);

    // The text of id, or null when the table has no such string. The pointer
    // stays valid (and terminated) as long as the table lives.
    const std::u16string* find(UINT id) const;
    // Every id, in ascending order.
    std::vector<UINT> ids() const;
    size_t size() const { return m_strings.size(); }
    bool empty() const { return m_strings.empty(); }

private:
    std::map<UINT, std::u16string> m_strings;
};
