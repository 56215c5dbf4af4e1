// Reading a settings file: decoding its bytes and parsing its lines.
#include <cstring>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/handle.h"
#include "platform/wide_string.h"
#include "storage/ini_file.h"

namespace {

// Leading and trailing white space (and CR) go; ASCII is decided inline.
inline bool IsSpace(WCHAR c)
{
    if (c < 0x80) return c == u' ' || (c >= u'\t' && c <= u'\r');
    return iswspace(c);
}

std::u16string_view Trim(std::u16string_view s)
{
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsSpace(s[begin])) ++begin;
    while (end > begin && IsSpace(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// "x" -> x; anything else as it is.
std::u16string_view Unquote(std::u16string_view s)
{
    if (s.size() >= 2 && s.front() == u'"' && s.back() == u'"') return s.substr(1, s.size() - 2);
    return s;
}

bool StartsWithDword(std::u16string_view s)
{
    static constexpr char16_t kPrefix[] = u"dword:";
    if (s.size() < 6) return false;
    for (size_t i = 0; i < 6; ++i) {
        WCHAR c = s[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<WCHAR>(c + 0x20);
        if (c != kPrefix[i]) return false;
    }
    return true;
}

// The hexadecimal number at the start of s, as wcstoul(s, 16) reads it
// (leading white space, a sign, an optional 0x; the value saturates).
ULONG ReadHex(std::u16string_view s)
{
    WCHAR buffer[64];
    size_t n = s.size() < 63 ? s.size() : 63;
    std::memcpy(buffer, s.data(), n * sizeof(WCHAR));
    buffer[n] = 0;
    if (n == 63) {
        // A longer text only matters when all of it is digits: then it
        // overflows either way.
        return wcstoul(std::u16string(s).c_str(), nullptr, 16);
    }
    return wcstoul(buffer, nullptr, 16);
}

}  // namespace

void CRegistry::INIFile::Load()
{
    Clear();
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string bytes;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size != INVALID_FILE_SIZE && high == 0 && size > 0) {
        bytes.resize(size);
        DWORD got = 0;
        if (!ReadFile(file, bytes.data(), size, &got, nullptr)) got = 0;
        bytes.resize(got);
    }
    CloseHandle(file);
    Parse(bytes.data(), bytes.size());
}

void CRegistry::INIFile::Parse(const void* data, size_t size)
{
    Clear();
    const auto* bytes = static_cast<const unsigned char*>(data);
    size_t length = 0;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        // UTF-16 LE: the bytes are the text (an odd last byte is dropped).
        length = (size - 2) / 2;
        m_source.reset(new WCHAR[length + 1]);
        for (size_t i = 0; i < length; ++i) {
            m_source[i] = static_cast<WCHAR>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
        }
    } else {
        length = size;
        m_source.reset(new WCHAR[length + 1]);
        for (size_t i = 0; i < length; ++i) m_source[i] = Cp1252ToWide(bytes[i]);
    }
    m_source[length] = 0;
    ParseText(m_source.get(), length);
}

void CRegistry::INIFile::ParseText(const WCHAR* text, size_t length)
{
    Section* section = nullptr;
    const WCHAR* end = text + length;
    const WCHAR* line = text;
    while (line < end) {
        const WCHAR* stop = line;
        while (stop < end && *stop != u'\n') ++stop;
        ParseLine(std::u16string_view(line, static_cast<size_t>(stop - line)), section);
        line = stop + 1;
    }
}

void CRegistry::INIFile::ParseLine(std::u16string_view raw, Section*& section)
{
    std::u16string_view line = Trim(raw);
    if (line.empty() || line.size() > kLongestLine) return;
    if (line.front() == u'[') {
        // The name is what lies between the first and the last character.
        std::u16string_view name = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::u16string_view();
        std::ptrdiff_t at = FindSection(name);
        section = at >= 0 ? m_sections[static_cast<size_t>(at)].get() : &AppendSection(SettingsText::Borrow(name));
        return;
    }
    if (!section) return;
    size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return;
    Value value;
    value.name = SettingsText::Borrow(Unquote(line.substr(0, equals)));
    std::u16string_view data = Unquote(line.substr(equals + 1));
    if (StartsWithDword(data)) {
        value.kind = REG_DWORD;
        value.number = ReadHex(data.substr(6));
    } else {
        value.kind = REG_SZ;
        value.text = SettingsText::Borrow(data);
    }
    section->Append(std::move(value));
}
