// The settings file format: hand-written files, exact bytes, random stores read back.
#include "storage/ini_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text/wide_string.h"
#include "storage/settings_name.h"
#include "tests/storage/settings_test_support.h"

namespace {

using INIFile = CRegistry::INIFile;

// "section|name|kind|data" for every value, in order.
std::vector<std::u16string> Contents(const INIFile& file)
{
    std::vector<std::u16string> out;
    for (size_t s = 0; s < file.SectionCount(); ++s) {
        const auto& section = file.SectionAt(s);
        for (size_t v = 0; v < section.ValueCount(); ++v) {
            const auto& value = section.ValueAt(v);
            std::u16string line = std::u16string(section.Name()) + u"|" + std::u16string(value.name.View()) + u"|";
            if (value.kind == REG_DWORD) {
                line += u"#";
                for (char c : std::to_string(value.number)) line.push_back(static_cast<char16_t>(c));
            } else {
                line.append(u"'").append(value.text.View());
            }
            out.push_back(line);
        }
    }
    return out;
}

std::vector<std::u16string> ParseText(const std::u16string& text)
{
    INIFile file(u"\\unused.txt");
    std::string bytes = Utf16File(text);
    file.Parse(bytes.data(), bytes.size());
    return Contents(file);
}

// A loaded section is written as its values read, whether or not they were.
void ExpectWrittenAsRead(const std::u16string& text, const char* what)
{
    std::string bytes = Utf16File(text);
    INIFile unread(u"\\unused.txt"), read(u"\\unused.txt");
    unread.Parse(bytes.data(), bytes.size());
    read.Parse(bytes.data(), bytes.size());
    Contents(read);
    EXPECT_EQ(unread.Format(), read.Format()) << what;
}

TEST(SettingsFileReading, HandWrittenAnsiAndBrokenFiles)
{
    struct Case {
        const char* what;
        std::u16string text;
        std::vector<std::u16string> expected;
    } cases[] = {
        {"quoted names and strings, CR LF", u"\r\n[S]\r\n\"a\"=\"x y\"\r\n\r\n", {u"S|a|'x y"}},
        {"LF alone ends a line too", u"[S]\n\"a\"=\"1\"\n\"b\"=\"2\"", {u"S|a|'1", u"S|b|'2"}},
        {"bare dword in any case is a number, quoted data a string",
         u"[S]\r\n\"n\"=dword:0000002A\r\n\"m\"=DWORD:ff\r\n\"q\"=\"dWoRd:10\"\r\n",
         {u"S|n|#42", u"S|m|#255", u"S|q|'dWoRd:10"}},
        {"data keeps '=' and inner quotes", u"[S]\r\n\"a\"=\"k=v \"q\" z\"\r\n", {u"S|a|'k=v \"q\" z"}},
        {"the name ends at the first '='", u"[S]\r\na=b=c\r\n", {u"S|a|'b=c"}},
        {"names and data lose only enclosing quotes",
         u"[S]\r\n\"a\"b=x\"\r\n\"c\"=\"\r\n",
         {u"S|\"a\"b|'x\"", u"S|c|'\""}},
        {"@ names are bare", u"[S]\r\n@=\"d\"\r\n", {u"S|@|'d"}},
        {"lines are trimmed", u"  [S]  \r\n\t\"a\" = \"x\"  \r\n", {u"S|\"a\" |' \"x\""}},
        {"lines before the first section and lines without '=' are ignored",
         u"\"a\"=\"1\"\r\nnoise\r\n[S]\r\nnoise\r\n\"b\"=\"2\"\r\n",
         {u"S|b|'2"}},
        {"a section name is what lies between the first and the last character", u"[ab\r\nx=1\r\n", {u"a|x|'1"}},
        {"a repeated header continues its section (names without case)",
         u"[S]\r\na=1\r\n[T]\r\nb=2\r\n[s]\r\nc=3\r\n",
         {u"S|a|'1", u"S|c|'3", u"T|b|'2"}},
        {"a repeated value name is kept", u"[S]\r\na=1\r\nA=2\r\n", {u"S|a|'1", u"S|A|'2"}},
        {"empty data", u"[S]\r\na=\r\nb=\"\"\r\n", {u"S|a|'", u"S|b|'"}},
        {"a bad number reads as far as it goes", u"[S]\r\na=dword:12zz\r\nb=dword:\r\n", {u"S|a|#18", u"S|b|#0"}},
        {"a number past 32 bits saturates", u"[S]\r\na=dword:123456789\r\n", {u"S|a|#4294967295"}},
        {"a ninth digit counts, capital or small", u"[S]\r\na=dword:0000002AF\r\nb=dword:0000002af\r\n",
         {u"S|a|#687", u"S|b|#687"}},
        {"sections one step from the written form",
         u"[A]\r\n\"@a\"=\"1\"\r\n\r\n[B]\r\n\"b\"=dword:0000002a\r\n\r\n[C]\r\n\"c\"=x\r\n\r\n"
         u"[D]\r\n\"d\"=\"2\" \r\n\r\n[E]\r\n\"e\"=DWORD:0000002A\r\n\r\n[F]\r\n\"f\"=dword:0000002A1\r\n\r\n"
         u"[G]\r\n\"\"=\"3\"\r\n\r\n[H]\r\n\"h\"=\"4\"\n\r\n[I]\r\n\"i\"=\"5\"\r\n\r\n\r\n"
         u"[J]\r\n@j=\"6\"\r\n\"k\"=dword:0000002A\r\n\r\n",
         {u"A|@a|'1", u"B|b|#42", u"C|c|'x", u"D|d|'2", u"E|e|#42", u"F|f|#673", u"G||'3", u"H|h|'4", u"I|i|'5",
          u"J|@j|'6", u"J|k|#42"}},
        {"a name part of one quote is no quoted name; of three quotes it is",
         u"[K]\r\n\"=\"v\"\r\n\"\"\"=\"w\"\r\n\r\n[L]\r\n\"\"\"=\"w\"\r\n\r\n",
         {u"K|\"|'v", u"K|\"|'w", u"L|\"|'w"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseText(c.text), c.expected) << c.what;
        ExpectWrittenAsRead(c.text, c.what);
    }
    ExpectWrittenAsRead(u"[L]\r\n\"b\"=\"" + std::u16string(8097 - 6, u'x') + u"\"\r\n\r\n", "a line too long");

    // 8,096 characters after trimming is the longest line read.
    std::u16string fits = u"a=\"" + std::u16string(8096 - 4, u'x') + u"\"";
    std::u16string tooLong = u"b=\"" + std::u16string(8097 - 4, u'x') + u"\"";
    auto read = ParseText(u"[S]\r\n" + fits + u"\r\n" + tooLong + u"\r\n");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].size(), 4u + 1 + 8096 - 4);
    // Without a byte-order mark the text is ANSI.
    INIFile file(u"\\unused.txt");
    const std::string ansi = "[S]\r\nname=caf\xE9 \x80\r\n";
    file.Parse(ansi.data(), ansi.size());
    EXPECT_EQ(Contents(file), std::vector<std::u16string>{u"S|name|'caf\u00E9 \u20AC"});
    std::string whole = Utf16File(u"[S]\r\na=\"1\"\r\nb=\"2\"\r\n");
    // Cut in the middle of the last line, on an odd byte: b="
    file.Parse(whole.data(), whole.size() - 7);
    EXPECT_EQ(Contents(file), (std::vector<std::u16string>{u"S|a|'1", u"S|b|'\""}));
    file.Parse(whole.data(), 1);
    EXPECT_EQ(file.SectionCount(), 0u);
    file.Parse(nullptr, 0);
    EXPECT_EQ(file.SectionCount(), 0u);
    // A header line longer than any line the reader takes opens no section.
    const std::string longHeader = Utf16File(u"[S]\r\na=\"1\"\r\n[" + std::u16string(9000, u'x') + u"]\r\nb=\"2\"\r\n");
    file.Parse(longHeader.data(), longHeader.size());
    EXPECT_EQ(file.SectionCount(), 1u);
}

// Section headers at the line-length limit, in the written form ("[name]"
// then CR LF) and in forms that are trimmed first, and '[' where no header is.
TEST(SettingsFileReading, HeaderLinesAtTheLimitAndBracketsInsideLines)
{
    const std::u16string atLimit(8096 - 2, u'n'), pastLimit(8097 - 2, u'n');
    struct Case {
        const char* what;
        std::u16string header;  // the line between "a=1" and "b=2"
        size_t sections;        // 2 when it opens a section of its own
    } cases[] = {
        {"written form, longest line read", u"[" + atLimit + u"]\r\n", 2},
        {"written form, one past", u"[" + pastLimit + u"]\r\n", 1},
        {"trimmed, longest line read", u" \t[" + atLimit + u"]  \r\n", 2},
        {"trimmed, one past", u" [" + pastLimit + u"] \r\n", 1},
        {"LF alone, longest line read", u"[" + atLimit + u"]\n", 2},
        {"LF alone, one past", u"[" + pastLimit + u"]\n", 1},
        {"a '[' after other text", u"x [T]\r\n", 1},
        {"a '[' in data", u"c=[T]\r\n", 1},
    };
    for (const Case& c : cases) {
        INIFile file(u"\\unused.txt");
        const std::string bytes = Utf16File(u"[S]\r\na=1\r\n" + c.header + u"b=2\r\n");
        file.Parse(bytes.data(), bytes.size());
        ASSERT_EQ(file.SectionCount(), c.sections) << c.what;
        // The values after the header belong to its section, or to the one before.
        EXPECT_NE(file.SectionAt(c.sections - 1).Find(u"b"), nullptr) << c.what;
        EXPECT_EQ(file.SectionAt(0).ValueCount(), c.sections == 2 ? 1u : (c.header[0] == u'c' ? 3u : 2u)) << c.what;
        if (c.sections == 2) {
            EXPECT_EQ(file.SectionAt(1).Name(), atLimit) << c.what;
        }
    }
    // A bare "[" names the empty section; a header may end the text.
    INIFile file(u"\\unused.txt");
    const std::string bytes = Utf16File(u"[S]\r\n[\r\nc=3\r\n[T]");
    file.Parse(bytes.data(), bytes.size());
    ASSERT_EQ(file.SectionCount(), 3u);
    EXPECT_EQ(file.SectionAt(1).Name(), u"");
    EXPECT_NE(file.SectionAt(1).Find(u"c"), nullptr);
    EXPECT_EQ(file.SectionAt(2).Name(), u"T");
}

class SettingsFileWriting : public SettingsSandbox {};

TEST_F(SettingsFileWriting, ExactBytesAndLongStringsCutToFitTheirLine)
{
    INIFile file(u"\\unused.txt");
    bool created = false;
    auto& s = file.SectionAt(file.OpenSection(u"HKEY_CURRENT_USER\\Software\\A", &created));
    EXPECT_TRUE(created);
    file.SetString(s, u"Name", u"say \"hi\"=ok");
    file.SetNumber(s, u"@", 42);
    file.SetNumber(s, u"Big", 0xDEADBEEF);
    file.SetString(s, u"", u"never written");
    file.OpenSection(u"Empty", nullptr);
    auto& t = file.SectionAt(file.OpenSection(u"T", nullptr));
    file.SetString(t, u"@x", u"");
    file.SetString(t, u"Text", u"dword:0000002A");
    EXPECT_EQ(file.Format(),
              u"\uFEFF\r\n"
              u"[HKEY_CURRENT_USER\\Software\\A]\r\n"
              u"\"Name\"=\"say \"hi\"=ok\"\r\n"
              u"@=dword:0000002A\r\n"
              u"\"Big\"=dword:DEADBEEF\r\n"
              u"\r\n"
              u"[T]\r\n"
              u"@x=\"\"\r\n"
              u"\"Text\"=\"dword:0000002A\"\r\n"
              u"\r\n");
    INIFile longFile(u"\\unused.txt");
    auto& ls = longFile.SectionAt(longFile.OpenSection(u"S", nullptr));
    // Name part "\"ab\"" (4) + "=\"" + 8089 + "\"" = 8096: the longest line read.
    const std::u16string fits(8089, u'f');
    longFile.SetString(ls, u"ab", fits);
    longFile.SetString(ls, u"cd", fits + u"tail");
    // A cut never leaves half of a surrogate pair.
    longFile.SetString(ls, u"ef", std::u16string(8088, u'e') + u"\U0001F600");
    longFile.SetNumber(ls, std::u16string(8080, u'n'), 1);
    std::string longBytes = Utf16File(longFile.Format().substr(1));
    INIFile back(u"\\unused.txt");
    back.Parse(longBytes.data(), longBytes.size());
    ASSERT_EQ(back.SectionCount(), 1u);
    EXPECT_EQ(Contents(back), (std::vector<std::u16string>{u"S|ab|'" + fits, u"S|cd|'" + fits,
                                                           u"S|ef|'" + std::u16string(8088, u'e')}));
    const std::string log = ReadHostFile("Kestrel_Log.txt");
    EXPECT_NE(log.find("value cd of [S] cut from 8093 to 8089 characters"), std::string::npos) << log;
    EXPECT_NE(log.find("not written: its name is too long"), std::string::npos);
}

TEST_F(SettingsFileWriting, RandomStoresReadBackEqual)
{
    std::mt19937 random(20261205);
    const std::u16string alphabet = u"abcXYZ019 _-.\\/@\u00E9\u4E2D\"=";
    auto word = [&](size_t min, size_t max) {
        std::u16string w;
        size_t n = min + random() % (max - min + 1);
        for (size_t i = 0; i < n; ++i) w.push_back(alphabet[random() % alphabet.size()]);
        return w;
    };
    for (int round = 0; round < 30; ++round) {
        INIFile file(u"\\unused.txt");
        int sections = 1 + static_cast<int>(random() % 12);
        for (int s = 0; s < sections; ++s) {
            // No name starts with '[' or holds what a line cannot; '=' only in data.
            std::u16string name = u"K";
            name += word(1, 12);
            for (auto& c : name)
                if (c == u'=') c = u'_';
            name += static_cast<char16_t>(u'a' + s);
            auto& section = file.SectionAt(file.OpenSection(name, nullptr));
            int values = 1 + static_cast<int>(random() % 20);
            for (int v = 0; v < values; ++v) {
                std::u16string valueName = word(1, 10);
                for (auto& c : valueName)
                    if (c == u'=' || c == u'"') c = u'_';
                valueName += static_cast<char16_t>(u'A' + v);
                if (random() % 3 == 0) {
                    file.SetNumber(section, valueName, static_cast<ULONG>(random()));
                } else {
                    std::u16string data = u"v";
                    data.append(word(0, 40)).append(u"v");
                    file.SetString(section, valueName, data);
                }
            }
        }
        std::u16string text = file.Format();
        std::string bytes = Utf16File(text.substr(1));
        INIFile back(u"\\unused.txt");
        back.Parse(bytes.data(), bytes.size());
        EXPECT_EQ(Contents(back), Contents(file)) << "round " << round;
        EXPECT_EQ(back.Format(), text);
    }
}

TEST(SettingsFileReading, RepeatedHeadersAmongNamesAlikeAtTheirEnds)
{
    // Names of one length and one ending are told apart in full while the
    // file loads; with many of them the load goes on by whole-name hashes.
    for (int distinct : {3, 400}) {
        std::u16string text, expectedNames;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < distinct; ++i) {
                std::u16string name = u"v000\\columns";
                for (int at = 3, n = i; at >= 1; --at, n /= 10) name[at] = static_cast<char16_t>(u'0' + n % 10);
                if (round == 0) expectedNames += name + u";";
                if (round == 1) name[5] = u'C';
                text += u"[" + name + u"]\r\n\"w" + static_cast<char16_t>(u'0' + round) + u"\"=\"x\"\r\n";
            }
        }
        INIFile file(u"\\unused.txt");
        std::string bytes = Utf16File(text);
        file.Parse(bytes.data(), bytes.size());
        std::u16string names;
        size_t values = 0;
        for (size_t s = 0; s < file.SectionCount(); ++s) {
            names += std::u16string(file.SectionAt(s).Name()) + u";";
            values += file.SectionAt(s).ValueCount();
        }
        EXPECT_EQ(names, expectedNames) << distinct;
        EXPECT_EQ(values, 2u * distinct) << distinct;
        EXPECT_EQ(file.FindSection(u"V002\\COLUMNS"), 2) << distinct;
    }
}

TEST(SettingsNames, EqualNamesHashAlike)
{
    const std::u16string names[] = {
        u"", u"a", u"Abc", u"ColumnWidth37", u"@", u"\u00C9t\u00C9", u"[Zz]", u"HKEY_CURRENT_USER\\Software\\\u0130x"};
    for (const std::u16string& name : names) {
        std::u16string upper = name, lower = name;
        for (auto& c : upper) c = towupper(c);
        for (auto& c : lower) c = towlower(c);
        EXPECT_TRUE(settings::NamesEqual(upper, lower));
        EXPECT_EQ(settings::NameHash(upper), settings::NameHash(lower));
        EXPECT_EQ(settings::NameHash(name), settings::NameHash(lower));
    }
    EXPECT_NE(settings::NameHash(u"abcd"), settings::NameHash(u"abce"));
    EXPECT_NE(settings::NameHash(u"@ABCDEFG"), settings::NameHash(u"`abcdefg")) << "'@' and '`' are not case pairs";
    EXPECT_FALSE(settings::NamesEqual(u"[", u"{"));
}

TEST(SettingsNames, HashFoldsAndKeepsEveryUnit)
{
    // The lengths cover the steps of sixteen and of eight units, the lone
    // block of four and the overlapping tail. The Kelvin sign folds to an
    // ASCII 'k', so a name with it is hashed unit by unit and must meet the
    // ASCII name's hash.
    for (size_t length = 1; length <= 40; ++length) {
        const std::u16string lower(length, u'k');
        for (size_t at = 0; at < length; ++at) {
            std::u16string kelvin = lower, upper = lower, other = lower;
            kelvin[at] = u'\u212A';
            upper[at] = u'K';
            other[at] = u'j';
            EXPECT_EQ(settings::NameHash(kelvin), settings::NameHash(lower)) << length << " at " << at;
            EXPECT_EQ(settings::NameHash(upper), settings::NameHash(lower)) << length << " at " << at;
            EXPECT_NE(settings::NameHash(other), settings::NameHash(lower)) << length << " at " << at;
        }
    }
    // Units past seven bits keep all their bits too: each pair differs only
    // in bits that a block sharing its step with the next but one would lose.
    const std::u16string tail(15, u'a');
    const std::u16string differ[][2] = {
        {u"\u00E0" + tail, u"`" + tail},
        {u"a" + tail, std::u16string(11, u'a') + u"\u0261aaaa"},
    };
    for (const auto& pair : differ)
        EXPECT_NE(settings::NameHash(pair[0]), settings::NameHash(pair[1])) << pair[0].size();
}

}  // namespace
