// Writing a settings file: formatting it and replacing the file on disk.
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files/durable_file.h"
#include "storage/ini_file.h"
#include "storage/settings_scan.h"
#include "storage/trace_log.h"

namespace {

// What a value line holds besides the name part and a string's text:
// '=' and two quotes, or "=dword:" and eight digits.
constexpr size_t kStringLineExtra = 3;
constexpr size_t kNumberLineExtra = 15;

void Put(std::u16string& out, std::u16string_view text) { out.append(text); }

void PutNamePart(std::u16string& out, std::u16string_view name)
{
    if (name.front() == u'@') {
        out.append(name);
        return;
    }
    out.push_back(u'"');
    out.append(name);
    out.push_back(u'"');
}

void PutHex8(std::u16string& out, ULONG number)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    WCHAR digits[8];
    for (int i = 7; i >= 0; --i) {
        digits[i] = kDigits[number & 0xF];
        number >>= 4;
    }
    out.append(digits, 8);
}

size_t NamePartLength(std::u16string_view name) { return name.front() == u'@' ? name.size() : name.size() + 2; }

// The longest start of text that fits length units and does not end
// between the two halves of a surrogate pair.
std::u16string_view CutText(std::u16string_view text, size_t length)
{
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 && text[length - 1] < 0xDC00) --length;
    return text.substr(0, length);
}

inline bool IsUpperHexDigit(WCHAR c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'); }

// Whether a section's loaded lines are exactly what Format writes for the
// values they hold: value lines in written form, each ending CR LF, and
// one empty line after them. Such lines are copied as they are, which
// spares reading every value of a section nobody used. Every save checks
// every such section of the file it merged with, so line ends are found
// through memchr rather than unit by unit.
bool IsWrittenSection(std::u16string_view lines)
{
    const WCHAR* p = lines.data();
    const WCHAR* const end = p + lines.size();
    for (bool first = true;; first = false) {
        const WCHAR* stop = settings::FindUnit(p, end, u'\n');
        if (stop == end || stop == p || stop[-1] != u'\r') return false;
        const size_t length = static_cast<size_t>(stop - 1 - p);
        if (length == 0) return !first && stop + 1 == end;
        if (!IsWrittenSettingsValueLine(std::u16string_view(p, length))) return false;
        p = stop + 1;
    }
}

}  // namespace

// Whether a line (without its CR LF) reads as one value and is written back
// the same: a quoted name not beginning with '@' or a bare one beginning
// with it, then "=dword:" and eight capital hexadecimal digits or a quoted
// string. Only the name is scanned (for the first '='); the data is judged
// by its ends, or by its fourteen units when it is a number.
bool IsWrittenSettingsValueLine(std::u16string_view line)
{
    const size_t size = line.size();
    if (size == 0 || size > CRegistry::INIFile::kLongestLine) return false;
    const WCHAR* p = line.data();
    const bool bare = p[0] == u'@';
    if (!bare && (p[0] != u'"' || size < 2 || p[1] == u'@')) return false;
    size_t equals = 1;
    while (equals < size && p[equals] != u'=') ++equals;
    if (equals == size) return false;
    if (!bare && (equals < 3 || p[equals - 1] != u'"')) return false;
    const WCHAR* data = p + equals + 1;
    const size_t dataSize = size - equals - 1;
    if (dataSize >= 2 && data[0] == u'"' && data[dataSize - 1] == u'"') return true;
    static constexpr char16_t kNumber[] = u"dword:";
    if (dataSize != 14 || std::memcmp(data, kNumber, 6 * sizeof(WCHAR)) != 0) return false;
    for (size_t i = 6; i < 14; ++i) {
        if (!IsUpperHexDigit(data[i])) return false;
    }
    return true;
}

bool CRegistry::INIFile::ValueLineFits(std::u16string_view name, ULONG kind, size_t textLength)
{
    size_t namePart = name.empty() ? 0 : NamePartLength(name);
    size_t rest = kind == REG_DWORD ? kNumberLineExtra : kStringLineExtra + textLength;
    return namePart + rest <= kLongestLine;
}

std::u16string CRegistry::INIFile::Format() const
{
    // Sections loaded in written form and not read since go out as loaded.
    std::vector<std::u16string_view> asLoaded(m_sections.size());
    size_t estimate = 3;
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const Section* section = m_sections[s];
        estimate += section->Name().size() + 6;
        std::u16string_view lines = section->UnreadText();
        if (!lines.empty() && IsWrittenSection(lines)) {
            asLoaded[s] = lines;
            estimate += lines.size();
            continue;
        }
        for (size_t i = 0; i < section->ValueCount(); ++i) {
            const Value& value = section->ValueAt(i);
            estimate += value.name.Length() + value.text.Length() + 20;
        }
    }
    std::u16string out;
    out.reserve(estimate);
    out.push_back(u'\xFEFF');
    Put(out, u"\r\n");
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const Section* section = m_sections[s];
        if (!asLoaded[s].empty()) {
            out.push_back(u'[');
            Put(out, section->Name());
            Put(out, u"]\r\n");
            Put(out, asLoaded[s]);
            continue;
        }
        if (section->ValueCount() == 0) continue;
        out.push_back(u'[');
        Put(out, section->Name());
        Put(out, u"]\r\n");
        for (size_t i = 0; i < section->ValueCount(); ++i) {
            const Value& value = section->ValueAt(i);
            std::u16string_view name = value.name.View();
            if (name.empty()) continue;
            std::u16string_view text = value.text.View();
            if (!ValueLineFits(name, value.kind, value.kind == REG_DWORD ? 0 : text.size())) {
                // Cut so that the reader still takes the line; a name too
                // long for any line leaves nothing to write.
                if (value.kind == REG_DWORD || NamePartLength(name) + kStringLineExtra > kLongestLine) {
                    CeTraceLog(u"Settings: value %s of [%s] not written: its name is too long for a line\n",
                               std::u16string(name).c_str(), std::u16string(section->Name()).c_str());
                    continue;
                }
                text = CutText(text, kLongestLine - NamePartLength(name) - kStringLineExtra);
                CeTraceLog(u"Settings: value %s of [%s] cut from %u to %u characters to fit a line\n",
                           std::u16string(name).c_str(), std::u16string(section->Name()).c_str(),
                           static_cast<unsigned>(value.text.Length()), static_cast<unsigned>(text.size()));
            }
            PutNamePart(out, name);
            if (value.kind == REG_DWORD) {
                Put(out, u"=dword:");
                PutHex8(out, value.number);
            } else {
                Put(out, u"=\"");
                Put(out, text);
                out.push_back(u'"');
            }
            Put(out, u"\r\n");
        }
        Put(out, u"\r\n");
    }
    return out;
}

DWORD CRegistry::INIFile::Write()
{
    std::u16string text = Format();
    DWORD error;
    if constexpr (std::endian::native == std::endian::little) {
        // The text's units are already the file's bytes.
        error = platform::ReplaceFileContents(m_path.c_str(), text.data(), text.size() * sizeof(WCHAR));
    } else {
        std::string bytes(text.size() * 2, '\0');
        for (size_t i = 0; i < text.size(); ++i) {
            bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
        }
        error = platform::ReplaceFileContents(m_path.c_str(), bytes.data(), bytes.size());
    }
    if (error == ERROR_SUCCESS) ClearChangeMarks();
    return error;
}

DWORD CRegistry::INIFile::Save()
{
    platform::SideFileLock sideLock(m_path.c_str());
    MergeWithDisk();
    return Write();
}
