#include "foundation/ce_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/device_sandbox.h"

namespace {

// Device path of a sandbox-relative ASCII name ("a/b.txt" -> "\a\b.txt").
std::u16string Device(const std::string& relative)
{
    std::u16string out = u"\\";
    for (char c : relative) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
    return out;
}

std::string Utf16Bytes(const std::u16string& text, bool mark)
{
    std::string out = mark ? std::string("\xFF\xFE") : std::string();
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string Pattern(size_t size)
{
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return out;
}

class CeFileTest : public DeviceSandbox {
protected:
    // The lines of one pass through ReadLine (or ReadULine), then the first line again: reading starts over.
    void ExpectLines(const std::string& content, bool unicodeCall, std::vector<std::u16string> expected,
                     DWORD max = 512)
    {
        MakeHostFile("lines.txt", content);
        CeFile file;
        EXPECT_TRUE(file.Open(Device("lines.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, FALSE));
        std::vector<std::u16string> got;
        std::vector<WCHAR> buffer(max + 1, u'#');
        expected.push_back(expected.front());
        while (got.size() < expected.size()) {
            const DWORD n = unicodeCall ? file.ReadULine(buffer.data(), max) : file.ReadLine(buffer.data(), max);
            EXPECT_EQ(buffer[n], 0);
            got.emplace_back(buffer.data(), n);
        }
        EXPECT_TRUE(got == expected) << "line count " << got.size() << ", first " << got.front().size()
                                     << " characters";
    }
};

TEST_F(CeFileTest, OpenDetectsTheByteOrderMarkAndClosesFilesAndCreateMakesNewOrReplaces)
{
    const struct {
        const char* name;
        std::string content;
        bool unicode;
        std::string firstRead;
    } cases[] = {
        {"mark", std::string("\377\376a\0b\0", 6), true, std::string("a\0b\0", 4)},
        {"only the mark", "\xFF\xFE", true, ""},
        {"big-endian mark is data", "\xFE\xFFx", false, "\xFE\xFFx"},
        {"plain text", "abc", false, "abc"},
        {"one byte", "\xFF", false, "\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeHostFile("f.bin", c.content);
        CeFile file;
        ASSERT_TRUE(file.Open(Device("f.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, FALSE));
        EXPECT_TRUE(file.IsOpen());
        EXPECT_EQ(bool(file.IsUnicode()), c.unicode);
        EXPECT_EQ(file.Size(), c.content.size());
        std::string got(16, '\0');
        got.resize(file.Read(got.data(), 16));
        EXPECT_EQ(got, c.firstRead);
        EXPECT_TRUE(file.EndOfFile());
    }
    CeFile file;
    EXPECT_FALSE(file.Open(Device("missing.txt").c_str(), GENERIC_READ, 0, FALSE));
    EXPECT_FALSE(file.IsOpen());

    MakeHostFile("empty.txt", "");
    EXPECT_TRUE(file.Open(Device("empty.txt").c_str(), GENERIC_READ, 0, FALSE));
    EXPECT_FALSE(file.IsOpen());

    // Created by the open, empty, so closed again at once.
    EXPECT_TRUE(file.Open(Device("new.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, TRUE));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(CeFile::Exists(Device("new.txt").c_str(), FALSE));

    // Opening again closes the previous file and clears its state.
    MakeHostFile("u.txt", "\xFF\xFEx");
    ASSERT_TRUE(file.Open(Device("u.txt").c_str(), GENERIC_READ, 0, FALSE));
    EXPECT_TRUE(file.IsUnicode());
    MakeHostFile("p.txt", "plain");
    ASSERT_TRUE(file.Open(Device("p.txt").c_str(), GENERIC_READ, 0, FALSE));
    EXPECT_FALSE(file.IsUnicode());

    MakeHostFile("old.txt", "old");
    CeFile created;
    EXPECT_FALSE(created.Create(Device("old.txt").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE));
    EXPECT_EQ(ReadHostFile("old.txt"), "old");
    ASSERT_TRUE(created.Create(Device("old.txt").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE));
    EXPECT_TRUE(created.IsOpen());
    EXPECT_EQ(created.Size(), 0u);
    created.Close();
    EXPECT_EQ(ReadHostFile("old.txt"), "");
    EXPECT_EQ(created.GetAttributes(), INVALID_FILE_ATTRIBUTES) << "closed";
    ASSERT_TRUE(created.Create(Device("fresh.txt").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE));
    const DWORD attributes = created.GetAttributes();
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_NE(created.GetLastWriteTime().dwHighDateTime, 0u);
}

TEST_F(CeFileTest, LineEndingsLinesCutToTheCallersBufferReadsInPiecesAndBufferedWrites)
{
    const struct {
        const char* name;
        std::string content;
        std::vector<std::u16string> lines;
    } cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {u"one", u"two"}},   {"CR alone", "one\rtwo\r", {u"one", u"two"}},
        {"none at end", "one\r\ntwo", {u"one", u"two"}}, {"LF alone stays in the line", "a\nb\r\nc", {u"a\nb", u"c"}},
        {"empty lines", "\r\n\r\nx", {u"", u"", u"x"}},  {"LF after CR LF starts a line", "a\r\n\nb", {u"a", u"\nb"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string utf16 = Utf16Bytes(std::u16string(c.content.begin(), c.content.end()), true);
        for (auto [content, unicodeCall] : {std::pair{c.content, false}, {utf16, false}, {utf16, true}}) {
            SCOPED_TRACE(std::string(content == utf16 ? "UTF-16" : "8-bit") + (unicodeCall ? " ReadULine" : ""));
            ExpectLines(content, unicodeCall, c.lines);
        }
    }
    // 8-bit lines go through the code page (the platform's table), not Latin-1.
    ExpectLines("\x80\x93\xE9\r\n", false, {u"\u20AC\u201C\u00E9"});
    ExpectLines("abcdefgh\r\nxy", false, {u"abc", u"xy"}, 4);
    std::string longLine;
    for (size_t i = 0; i < 150000; ++i) longLine += static_cast<char>('a' + i % 26);
    const std::u16string wideLong(longLine.begin(), longLine.end());
    const std::vector<std::u16string> expected = {wideLong, u"tail", wideLong};
    const std::string text = longLine + "\r\ntail\r\n" + longLine;
    ExpectLines(text, false, expected, 200000);
    ExpectLines(Utf16Bytes(std::u16string(text.begin(), text.end()), true), true, expected, 200000);

    for (size_t size : {size_t(10), size_t(65531), size_t(65536), size_t(200001)}) {
        SCOPED_TRACE(size);
        const std::string content = Pattern(size);
        MakeHostFile("big.bin", content);
        CeFile file;
        ASSERT_TRUE(file.Open(Device("big.bin").c_str(), GENERIC_READ, 0, FALSE));
        std::string got;
        char chunk[9973];
        for (DWORD n; (n = file.Read(chunk, sizeof chunk)) > 0;) got.append(chunk, n);
        EXPECT_EQ(got, content);
        EXPECT_EQ(file.GetPosition(), size);
    }
    CeFile file;
    ASSERT_TRUE(file.Create(Device("w.bin").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE));
    EXPECT_EQ(file.Write("hello", 5), 5u);
    EXPECT_EQ(ReadHostFile("w.bin"), "");
    EXPECT_EQ(file.GetPosition(), 5u);
    EXPECT_TRUE(file.Flush());
    EXPECT_EQ(ReadHostFile("w.bin"), "hello");

    // Pieces that overflow the buffer arrive whole and in order.
    const std::string content = Pattern(3 * 30000);
    for (size_t at = 0; at < content.size(); at += 30000) file.Write(content.data() + at, 30000);
    EXPECT_EQ(ReadHostFile("w.bin").size(), 5u + 65536u);
    file.Close();
    EXPECT_EQ(ReadHostFile("w.bin"), "hello" + content);

    // A destroyed object writes what is pending.
    {
        CeFile scoped;
        ASSERT_TRUE(scoped.Create(Device("d.bin").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE));
        scoped.Write("xyz", 3);
    }
    EXPECT_EQ(ReadHostFile("d.bin"), "xyz");

    // A write larger than the buffer leaves nothing pending.
    ASSERT_TRUE(file.Create(Device("l.bin").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE));
    file.Write("ab", 2);
    const std::string big = Pattern(70000);
    EXPECT_EQ(file.Write(big.data(), 70000), 70000u);
    EXPECT_EQ(ReadHostFile("l.bin"), "ab" + big);
}

TEST_F(CeFileTest, AccessRightsWriteLineInBothEncodingsPositionsExistsAndCreatePath)
{
    MakeHostFile("r.bin", "content");
    CeFile file;
    ASSERT_TRUE(file.Open(Device("r.bin").c_str(), GENERIC_READ, 0, FALSE));
    EXPECT_EQ(file.Write("zz", 2), 2u) << "nothing happens, and the count comes back";
    EXPECT_FALSE(file.WriteLine(u"zz", TRUE));
    file.Close();
    EXPECT_EQ(ReadHostFile("r.bin"), "content");

    ASSERT_TRUE(file.Open(Device("r.bin").c_str(), GENERIC_WRITE, 0, FALSE));
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    WCHAR line[8];
    EXPECT_EQ(file.ReadLine(line, 8), 0u);
    file.Close();

    EXPECT_EQ(file.Read(buffer, 8), 0u);
    EXPECT_EQ(file.Write("x", 1), 1u);
    EXPECT_EQ(file.GetPosition(), INVALID_SET_FILE_POINTER);

    // Bytes a full disk refuses stay pending, and each later step says so.
    std::filesystem::create_symlink("/dev/full", Host("full.bin"));
    ASSERT_TRUE(file.Create(Device("full.bin").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE));
    EXPECT_EQ(file.Write("abc", 3), 3u) << "buffered";
    EXPECT_FALSE(file.Flush());
    EXPECT_EQ(file.GetPosition(), 3u) << "the refused bytes were dropped";
    EXPECT_EQ(file.Write(Pattern(70000).data(), 70000), 0u);

    const struct {
        const char* name;
        BOOL eightBit;
        bool header;
        std::string bytes;
        bool unicode;
    } cases[] = {
        {"8-bit", TRUE, false, "\200e\xE9\r\n", false},
        {"UTF-16", FALSE, false, Utf16Bytes(u"\u20ACe\u00E9\r\n", false), true},
        {"UTF-16 with mark", FALSE, true, Utf16Bytes(u"\u20ACe\u00E9\r\n", true), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CeFile lineFile;
        ASSERT_TRUE(lineFile.Create(Device("line.txt").c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE));
        if (c.header) {
            EXPECT_TRUE(lineFile.WriteUnicodeHeader());
        }
        EXPECT_TRUE(lineFile.WriteLine(u"\u20ACe\u00E9", c.eightBit));
        EXPECT_EQ(bool(lineFile.IsUnicode()), c.unicode);
        lineFile.Close();
        EXPECT_EQ(ReadHostFile("line.txt"), c.bytes);
    }

    MakeHostFile("p.bin", "0123456789");
    CeFile positioned;
    ASSERT_TRUE(positioned.Open(Device("p.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, FALSE));
    char c[4] = {};
    ASSERT_EQ(positioned.Read(c, 3), 3u);
    EXPECT_EQ(positioned.GetPosition(), 3u);
    EXPECT_EQ(positioned.SetPosition(1), 1u);  // back inside the read buffer
    ASSERT_EQ(positioned.Read(c, 2), 2u);
    EXPECT_EQ(std::string(c, 2), "12");
    EXPECT_EQ(positioned.MovePosition(4), 7u);
    ASSERT_EQ(positioned.Read(c, 1), 1u);
    EXPECT_EQ(c[0], '7');
    EXPECT_EQ(positioned.MovePosition(-100), INVALID_SET_FILE_POINTER);

    // A write after reading lands at the reading position.
    EXPECT_EQ(positioned.SetPosition(2), 2u);
    positioned.Read(c, 1);
    positioned.Write("ab", 2);
    EXPECT_EQ(positioned.GetPosition(), 5u);
    ASSERT_EQ(positioned.Read(c, 1), 1u);  // reading sees the pending write flushed
    EXPECT_EQ(c[0], '5');
    EXPECT_EQ(ReadHostFile("p.bin"), "012ab56789");

    EXPECT_EQ(positioned.SetPositionEnd(), 10u);
    EXPECT_TRUE(positioned.EndOfFile());
    positioned.Write("XY", 2);
    EXPECT_EQ(positioned.Size(), 12u);
    EXPECT_EQ(positioned.SetPositionBegin(), 0u);
    EXPECT_FALSE(positioned.EndOfFile());
    EXPECT_EQ(positioned.GetPosition(), 0u);  // the probe gave its byte back
    ASSERT_EQ(positioned.Read(c, 1), 1u);
    EXPECT_EQ(c[0], '0');

    EXPECT_EQ(positioned.SetPosition(4), 4u);
    EXPECT_TRUE(positioned.SetEndOfFile());
    positioned.Close();
    EXPECT_EQ(ReadHostFile("p.bin"), "012a");

    MakeHostFile("Folder/file.txt");
    const struct {
        const WCHAR* path;
        BOOL acceptFolder;
        BOOL expected;
    } exists[] = {
        {u"\\Folder\\file.txt", FALSE, TRUE}, {u"\\Folder", TRUE, TRUE}, {u"\\Folder", FALSE, FALSE},
        {u"\\Folder\\none.txt", TRUE, FALSE}, {nullptr, TRUE, FALSE},
    };
    for (const auto& c : exists) {
        SCOPED_TRACE(c.path ? std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)) : "null");
        EXPECT_EQ(CeFile::Exists(c.path, c.acceptFolder), c.expected);
    }
    MakeHostFile("Existing/keep.txt");
    const struct {
        const WCHAR* path;
        std::vector<std::string> folders;
    } paths[] = {
        {u"\\A\\B\\C\\file.txt", {"A", "A/B", "A/B/C"}},
        {u"\\Existing\\New\\Deeper\\x", {"Existing", "Existing/New", "Existing/New/Deeper"}},
        {u"\\existing\\Other\\", {"Existing/Other"}},
        {u"Rel\\x.txt", {"Rel"}},
    };
    for (const auto& c : paths) {
        SCOPED_TRACE(c.folders.back());
        EXPECT_TRUE(CeFile::CreatePath(c.path));
        for (const auto& folder : c.folders) EXPECT_TRUE(std::filesystem::is_directory(Host(folder))) << folder;
    }
    EXPECT_EQ(ReadHostFile("Existing/keep.txt"), "x");
    EXPECT_FALSE(std::filesystem::exists(Host("A/B/C/file.txt")));
    EXPECT_TRUE(CeFile::CreatePath(u"\\top.txt"));
    EXPECT_FALSE(CeFile::CreatePath(nullptr));
    // A file in the way cannot become a folder.
    EXPECT_FALSE(CeFile::CreatePath(u"\\Existing\\keep.txt\\sub\\x"));
}

}  // namespace
