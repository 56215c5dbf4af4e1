// Reading a settings file: decoding its bytes and parsing its lines.
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/files/files.h"
#include "platform/kernel/handle.h"
#include "platform/text/code_page.h"
#include "platform/text/wide_string.h"
#include "storage/ini_file.h"
#include "storage/settings_name.h"
#include "storage/settings_scan.h"

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

inline int HexDigit(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The hexadecimal number at the start of s, as wcstoul(s, 16) reads it
// (leading white space, a sign, an optional 0x; the value saturates).
ULONG ReadHex(std::u16string_view s)
{
    // What the writer makes, exactly eight digits, needs no general reader.
    if (s.size() >= 8 && (s.size() == 8 || HexDigit(s[8]) < 0)) {
        ULONG value = 0;
        int i = 0;
        for (; i < 8; ++i) {
            int d = HexDigit(s[i]);
            if (d < 0) break;
            value = value << 4 | static_cast<ULONG>(d);
        }
        if (i == 8) return value;
    }
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

// Tells repeated section headers of one load apart from new ones without
// hashing whole names: every section is entered under its tail key (see
// NameTailKey), and names of one key are compared in full. Names alike at
// their ends share keys; when they make too many comparisons the table
// gives up, and the caller goes on with the index of whole-name hashes.
class SectionHeaderKeys {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    explicit SectionHeaderKeys(size_t count) : m_budget(4 * count + 64)
    {
        size_t slots = 64;
        m_bits = 6;
        while (slots < 2 * count) {
            slots *= 2;
            ++m_bits;
        }
        m_slots.assign(slots, Slot{});
    }
    bool GaveUp() const { return m_gaveUp; }

    // The position of the earlier section of that name (nameAt(i) gives the
    // i-th name), or kNone after entering the name at position; kNone also
    // when the table gives up, then without entering it.
    template <class NameAt>
    std::uint32_t FindOrAdd(std::u16string_view name, std::uint32_t position, NameAt nameAt)
    {
        const std::uint64_t key = settings::NameTailKey(name);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = static_cast<size_t>(key >> (64 - m_bits));; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.position == kNone) {
                slot = Slot{key, position};
                return kNone;
            }
            if (slot.key == key && settings::NamesEqual(nameAt(slot.position), name)) return slot.position;
            // Every occupied slot passed counts, so neither names alike at
            // their ends nor keys crowded into one run make the load
            // quadratic: the caller goes on with the index of whole names.
            if (--m_budget == 0) {
                m_gaveUp = true;
                return kNone;
            }
        }
    }

private:
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t position = kNone;
    };
    std::vector<Slot> m_slots;
    unsigned m_bits = 6;
    size_t m_budget;
    bool m_gaveUp = false;
};

bool ParseSettingsValueLine(std::u16string_view raw, SettingsValue& value)
{
    std::u16string_view line = Trim(raw);
    if (line.empty() || line.size() > CRegistry::INIFile::kLongestLine || line.front() == u'[') return false;
    size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return false;
    value.name = SettingsText::Borrow(Unquote(line.substr(0, equals)));
    std::u16string_view rawData = line.substr(equals + 1);
    std::u16string_view data = Unquote(rawData);
    // Strings are written quoted: only bare data can be a number.
    if (data.size() == rawData.size() && StartsWithDword(data)) {
        value.kind = REG_DWORD;
        value.number = ReadHex(data.substr(6));
    } else {
        value.kind = REG_SZ;
        value.text = SettingsText::Borrow(data);
    }
    return true;
}

bool CRegistry::INIFile::Load()
{
    Clear();
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size == 0) {
        CloseHandle(file);
        return true;
    }
    // Read straight into the text buffer: a UTF-16 file's bytes after its
    // mark are already the text on a little-endian host.
    std::unique_ptr<WCHAR[]> buffer(new WCHAR[size / 2 + 2]);
    DWORD got = 0;
    if (!ReadFile(file, buffer.get(), size, &got, nullptr)) got = 0;
    CloseHandle(file);
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.get());
    if (std::endian::native == std::endian::little && got >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        size_t length = (got - 2) / 2;
        buffer[1 + length] = 0;
        m_source = std::move(buffer);
        ParseText(m_source.get() + 1, length);
        return true;
    }
    Parse(buffer.get(), got);
    return true;
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
        if constexpr (std::endian::native == std::endian::little) {
            if (length > 0) std::memcpy(m_source.get(), bytes + 2, length * sizeof(WCHAR));
        } else {
            for (size_t i = 0; i < length; ++i) {
                m_source[i] = static_cast<WCHAR>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
            }
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
    // Only section headers are read now; each section's other lines are kept
    // for when its values are first used. Headers are found by their '[':
    // one that only white space separates from the start of its line. They
    // are listed with their names first, so that the sections, their list
    // and their table of keys are sized once for all of them.
    struct HeaderLine {
        const WCHAR* start;  // the line's first unit
        const WCHAR* next;   // the first unit after its '\n', or the end of the text
        std::u16string_view name;
    };
    // Not kept between loads: the save made when the program ends may load
    // after this thread's own objects are gone. Sized for a header every
    // 512 units or fewer, so that common files fill it without moving it.
    std::vector<HeaderLine> headers;
    headers.reserve(length / 512 + 16);
    const WCHAR* end = text + length;
    for (const WCHAR* p = text; p < end;) {
        const WCHAR* bracket = settings::FindUnit(p, end, u'[');
        if (bracket == end) break;
        const WCHAR* lineStart = bracket;
        if (lineStart > text && lineStart[-1] != u'\n') {
            while (lineStart > text && lineStart[-1] != u'\n' && IsSpace(lineStart[-1])) --lineStart;
            if (lineStart > text && lineStart[-1] != u'\n') {
                p = bracket + 1;  // a '[' inside a line
                continue;
            }
        }
        const WCHAR* stop = settings::FindUnit(bracket + 1, end, u'\n');
        p = stop < end ? stop + 1 : end;
        // A header as the writer writes it, "[name]" then CR, needs no
        // trimming; its name lies between the brackets.
        std::u16string_view name;
        size_t lineLength = static_cast<size_t>(stop - lineStart);
        if (lineStart == bracket && lineLength >= 3 && stop[-1] == u'\r' && stop[-2] == u']') {
            --lineLength;
            name = std::u16string_view(bracket + 1, lineLength - 2);
        } else {
            // Else the name is what lies between the trimmed line's first
            // and last characters.
            std::u16string_view line = Trim(std::u16string_view(lineStart, lineLength));
            lineLength = line.size();
            if (lineLength >= 2) name = line.substr(1, lineLength - 2);
        }
        // A line too long to be read opens no section: it stays with the
        // section before, whose reading skips it.
        if (lineLength > kLongestLine) continue;
        headers.push_back({lineStart, p, name});
    }
    ReserveSections(headers.size());
    // The index of whole names waits for the first look-up after the load.
    SectionHeaderKeys keys(headers.size());
    for (size_t i = 0; i < headers.size(); ++i) {
        const HeaderLine& header = headers[i];
        Section* section = OpenHeader(header.name, &keys);
        section->AddPendingLines(header.next, i + 1 < headers.size() ? headers[i + 1].start : end);
    }
}

CRegistry::INIFile::Section* CRegistry::INIFile::OpenHeader(std::u16string_view name, SectionHeaderKeys* keys)
{
    if (keys && !keys->GaveUp()) {
        std::uint32_t at = keys->FindOrAdd(name, static_cast<std::uint32_t>(m_sections.size()),
                                           [this](size_t i) { return m_sections[i]->Name(); });
        if (at != SectionHeaderKeys::kNone) return m_sections[at];
        if (!keys->GaveUp()) return &PlaceSection(SettingsText::Borrow(name));
    }
    // The index of whole names, made on the first look-up, finds the rest.
    std::ptrdiff_t at = FindSection(name);
    if (at >= 0) return m_sections[static_cast<size_t>(at)];
    return &AppendSection(SettingsText::Borrow(name));
}
