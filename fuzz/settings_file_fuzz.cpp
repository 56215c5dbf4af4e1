// Arbitrary bytes as a settings file: parsing, writing and parsing again.
//
// Whatever the first parse made of the bytes, writing it and reading the text
// back must give exactly the sections and values the writer's rules promise:
// sections without values and values without a name are not written, a long
// string is cut so that its line fits 8,096 characters (never between the
// halves of a surrogate pair), and a value whose name alone is too long for
// a line is not written.
// Writing the re-read content once more must then give the same text.
// Sections whose values were never read are copied to the text as loaded
// when their lines are in written form: a parse written without reading any
// value must give the same text as the first one.
//
// Inputs are short, so a byte 0x01 (a UTF-16 unit 0x0001 after a byte-order
// mark) stands for a run of 1,024 'w' characters: that reaches the long-line
// rules within the fuzzer's length limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/ini_file.h"

namespace {

constexpr size_t kRun = 1024;
constexpr size_t kMostExpanded = 256 * 1024;
constexpr size_t kLongestLine = CRegistry::INIFile::kLongestLine;  // 8,096

std::string Expand(const uint8_t* data, size_t size)
{
    std::string out;
    const bool wide = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const size_t step = wide ? 2 : 1;
    size_t i = 0;
    if (wide) {
        out.append("\xFF\xFE");
        i = 2;
    }
    for (; i + step <= size; i += step) {
        bool marker = data[i] == 0x01 && (!wide || data[i + 1] == 0);
        if (marker && out.size() + kRun * step <= kMostExpanded) {
            for (size_t k = 0; k < kRun; ++k) out.append(wide ? std::string("w\0", 2) : std::string("w"));
        } else {
            out.append(reinterpret_cast<const char*>(data + i), step);
        }
    }
    out.append(reinterpret_cast<const char*>(data + i), size - i);  // an odd last byte
    return out;
}

std::string LittleEndianBytes(const std::u16string& text)
{
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

struct ExpectedValue {
    std::u16string name;
    ULONG kind;
    ULONG number;
    std::u16string text;
};

struct ExpectedSection {
    std::u16string name;
    std::vector<ExpectedValue> values;
};

// What reading the written file must give; *lossy when some value cannot
// survive the trip, so that the second text differs from the first.
std::vector<ExpectedSection> AfterRoundTrip(const CRegistry::INIFile& file, bool* lossy)
{
    std::vector<ExpectedSection> sections;
    for (size_t s = 0; s < file.SectionCount(); ++s) {
        const CRegistry::INIFile::Section& section = file.SectionAt(s);
        if (section.ValueCount() == 0) continue;
        ExpectedSection& expected = sections.emplace_back();
        expected.name = section.Name();
        for (size_t v = 0; v < section.ValueCount(); ++v) {
            const CRegistry::INIFile::Value& value = section.ValueAt(v);
            std::u16string_view name = value.name.View();
            if (name.empty()) {
                *lossy = true;
                continue;
            }
            size_t namePart = name.front() == u'@' ? name.size() : name.size() + 2;
            std::u16string_view text = value.text.View();
            size_t line = 0;
            if (value.kind == REG_DWORD) {
                line = namePart + 15;  // =dword:XXXXXXXX
            } else {
                if (namePart + 3 + text.size() > kLongestLine) {
                    text = text.substr(0, kLongestLine - std::min(kLongestLine, namePart + 3));
                    if (!text.empty() && text.back() >= 0xD800 && text.back() < 0xDC00) text.remove_suffix(1);
                }
                line = namePart + 3 + text.size();
            }
            if (line > kLongestLine) {
                *lossy = true;
                continue;
            }
            if (text.size() != value.text.Length()) *lossy = true;
            expected.values.push_back({std::u16string(name), value.kind, value.kind == REG_DWORD ? value.number : 0,
                                       value.kind == REG_DWORD ? std::u16string() : std::u16string(text)});
        }
        if (expected.values.empty()) *lossy = true;  // a header alone is not written again
    }
    return sections;
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes = Expand(data, size);
    CRegistry::INIFile first(u"\\fuzz.txt");
    first.Parse(bytes.data(), bytes.size());
    for (size_t s = 0; s < first.SectionCount(); ++s) {
        const auto& section = first.SectionAt(s);
        Check(first.FindSection(section.Name()) == static_cast<std::ptrdiff_t>(s));
        for (size_t v = 0; v < section.ValueCount(); ++v) {
            const auto& value = section.ValueAt(v);
            Check(value.kind == REG_SZ || value.kind == REG_DWORD);
            Check(value.name.View().find(u'=') == std::u16string_view::npos);
        }
    }

    const std::u16string text1 = first.Format();
    Check(!text1.empty() && text1.front() == u'\xFEFF');
    Check(text1.size() >= 3 && text1.compare(text1.size() - 2, 2, u"\r\n") == 0);

    CRegistry::INIFile unread(u"\\fuzz.txt");
    unread.Parse(bytes.data(), bytes.size());
    Check(unread.Format() == text1);

    bool lossy = false;
    const std::vector<ExpectedSection> expected = AfterRoundTrip(first, &lossy);
    const std::string written = LittleEndianBytes(text1);
    CRegistry::INIFile second(u"\\fuzz.txt");
    second.Parse(written.data(), written.size());
    Check(second.SectionCount() == expected.size());
    for (size_t s = 0; s < expected.size(); ++s) {
        const auto& section = second.SectionAt(s);
        Check(section.Name() == expected[s].name);
        Check(section.ValueCount() == expected[s].values.size());
        for (size_t v = 0; v < section.ValueCount(); ++v) {
            const auto& value = section.ValueAt(v);
            const ExpectedValue& want = expected[s].values[v];
            Check(value.name.View() == want.name);
            Check(value.kind == want.kind);
            if (want.kind == REG_DWORD) {
                Check(value.number == want.number);
            } else {
                Check(value.text.View() == want.text);
            }
        }
    }

    const std::u16string text2 = second.Format();
    if (!lossy) Check(text2 == text1);
    const std::string rewritten = LittleEndianBytes(text2);
    CRegistry::INIFile third(u"\\fuzz.txt");
    third.Parse(rewritten.data(), rewritten.size());
    Check(third.Format() == text2);
    return 0;
}
