// Writing a settings file: formatting it and replacing the file on disk.
#include <cstring>

#include "platform/files/durable_file.h"
#include "storage/ini_file.h"

namespace {

// A string line longer than this has its text cut to 8,092 characters. The
// cut line is still longer than the reader takes (it ignores lines of 8,097
// characters or more), so such a value is lost when the file is read again:
// the file format has always behaved so, and files in use depend on it.
constexpr size_t kLongestValueLine = 8096;
constexpr size_t kLongestCutText = 8092;

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

}  // namespace

std::u16string CRegistry::INIFile::Format() const
{
    size_t estimate = 3;
    for (const auto& section : m_sections) {
        estimate += section->Name().size() + 6;
        for (size_t i = 0; i < section->ValueCount(); ++i) {
            const Value& value = section->ValueAt(i);
            estimate += value.name.Length() + value.text.Length() + 20;
        }
    }
    std::u16string out;
    out.reserve(estimate);
    out.push_back(u'\xFEFF');
    Put(out, u"\r\n");
    for (const auto& section : m_sections) {
        if (section->ValueCount() == 0) continue;
        out.push_back(u'[');
        Put(out, section->Name());
        Put(out, u"]\r\n");
        for (size_t i = 0; i < section->ValueCount(); ++i) {
            const Value& value = section->ValueAt(i);
            std::u16string_view name = value.name.View();
            if (name.empty()) continue;
            PutNamePart(out, name);
            if (value.kind == REG_DWORD) {
                Put(out, u"=dword:");
                PutHex8(out, value.number);
            } else {
                std::u16string_view text = value.text.View();
                if (NamePartLength(name) + text.size() + 4 > kLongestValueLine) text = text.substr(0, kLongestCutText);
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
    // Little-endian bytes, whatever the host's order.
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    DWORD error = platform::ReplaceFileContents(m_path.c_str(), bytes.data(), bytes.size());
    if (error == ERROR_SUCCESS) ClearChangeMarks();
    return error;
}
