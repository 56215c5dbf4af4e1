// The check a custom-view file passes before it is applied.
#include "items/custom_view_file.h"

#include <cstring>
#include <vector>

#include "platform/text/wide_string.h"
#include "storage/ini_file.h"

namespace {

bool BeginsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix)
{
    if (prefix.empty() || text.size() < prefix.size()) return false;
    const std::u16string a(text.substr(0, prefix.size()));
    const std::u16string b(prefix);
    return _wcsnicmp(a.c_str(), b.c_str(), prefix.size()) == 0;
}

}  // namespace

CustomViewFileCheck CheckCustomViewFile(const void* data, size_t size, std::u16string_view sectionPrefix)
{
    CustomViewFileCheck check;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || size < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        check.problem = CustomViewFileProblem::kNotSettingsText;
        return check;
    }
    if (size % 2 != 0) {
        check.problem = CustomViewFileProblem::kCutShort;
        return check;
    }
    std::u16string text((size - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));

    // Every line ends CR LF; the text starts with an empty line.
    check.problem = CustomViewFileProblem::kCutShort;
    if (text.size() < 2 || text.compare(text.size() - 2, 2, u"\r\n") != 0) return check;
    size_t at = 0;
    const auto nextLine = [&](std::u16string_view& line) {
        const size_t end = text.find(u"\r\n", at);
        if (end == std::u16string::npos) return false;
        line = std::u16string_view(text).substr(at, end - at);
        at = end + 2;
        // A lone CR or LF would start another line for the reader.
        return line.find_first_of(u"\r\n") == std::u16string_view::npos;
    };
    std::vector<std::u16string_view> names;
    std::u16string_view line;
    if (!nextLine(line) || !line.empty()) return check;
    while (at < text.size()) {
        if (!nextLine(line) || line.size() < 3 || line.front() != u'[' || line.back() != u']') return check;
        const std::u16string_view name = line.substr(1, line.size() - 2);
        size_t values = 0;
        for (;;) {
            if (!nextLine(line)) return check;
            if (line.empty()) break;
            if (!IsWrittenSettingsValueLine(line)) return check;
            ++values;
        }
        // The writer leaves out sections without values.
        if (values == 0) return check;
        if (!BeginsWithIgnoringCase(name, sectionPrefix)) {
            check.problem = CustomViewFileProblem::kForeignKey;
            check.foreignKey = name;
            return check;
        }
        // The writer writes each section once; the reader would merge them.
        for (std::u16string_view seen : names) {
            if (seen.size() == name.size() && BeginsWithIgnoringCase(seen, name)) {
                check.problem = CustomViewFileProblem::kCutShort;
                return check;
            }
        }
        names.push_back(name);
        ++check.sections;
    }
    if (check.sections > 0) check.problem = CustomViewFileProblem::kNone;
    return check;
}

std::u16string CustomViewFileProblemText(const CustomViewFileCheck& check)
{
    switch (check.problem) {
        case CustomViewFileProblem::kNone: return u"";
        case CustomViewFileProblem::kNotSettingsText: return u"The view file is not a settings file.";
        case CustomViewFileProblem::kCutShort: return u"The view file is cut short or damaged.";
        case CustomViewFileProblem::kForeignKey:
            return u"The view file holds the settings of another view (" + check.foreignKey + u").";
    }
    return u"";
}
