// The string table format, the suite's own table, and LoadStringW.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/modules/string_resources.h"
#include "platform/text/wide_string.h"

TEST(StringTableParse, EscapesCommentsAndMalformedLines)
{
    std::vector<int> bad;
    StringTable t = StringTable::Parse(
        "\xEF\xBB\xBF# comment after a byte order mark\n"
        "1\tplain\n"
        "\n"
        "2\ttab\\there\\nnext\\\\end\r\n"
        "3\t\n"
        "4\tkeeps \\q and trailing backslash\\\n"
        "5\tgr\xC3\xBC\xC3\x9F\n"
        "no tab here\n"
        "abc\tnot a number\n"
        "70000\tout of range\n"
        "-1\tnegative\n"
        " 11\tleading blank\n"
        "1\tduplicate\n"
        "\tno id\n"
        "12\tbad \xFF utf8\n"
        "65535\tlast",
        &bad);
    EXPECT_EQ(bad, (std::vector<int>{8, 9, 10, 11, 12, 13, 14}));
    const std::pair<UINT, std::u16string> expected[] = {
        {1, u"plain"},
        {2, u"tab\there\nnext\\end"},
        {3, u""},
        {4, u"keeps \\q and trailing backslash\\"},
        {5, u"gr\u00fc\u00df"},
        {12, u"bad \ufffd utf8"},
        {65535, u"last"},
    };
    for (const auto& [id, text] : expected) {
        ASSERT_NE(t.find(id), nullptr) << id;
        EXPECT_EQ(*t.find(id), text) << id;
    }
    EXPECT_EQ(t.find(6), nullptr);
    EXPECT_EQ(t.ids(), (std::vector<UINT>{1, 2, 3, 4, 5, 12, 65535}));
    EXPECT_TRUE(StringTable::Parse("").empty());
}

TEST(ApplicationStrings, TheShippedTableParsesCleanlyAndHasEveryStringTheLibraryUses)
{
    std::vector<int> bad;
    StringTable parsed = StringTable::Parse(g_ksEmbeddedStringTable, &bad);
    EXPECT_TRUE(bad.empty()) << "first bad line: " << (bad.empty() ? 0 : bad[0]);
    const StringTable& t = ApplicationStringTable();
    EXPECT_EQ(parsed.ids(), t.ids());
    std::vector<UINT> used = {101,   40420, 40421, 40423, 40424, 40425, 40426, 40431, 40432, 40450, 40451, 40468,
                              40470, 40475, 41094, 42118, 42119, 42120, 42123, 42152, 42153, 42154, 42155, 42332,
                              42333, 42358, 42378, 42435, 42437, 42439, 42458, 42460, 42474, 42479, 42480, 42481,
                              42482, 42485, 44027, 44032, 44033, 44034, 44038, 44041, 44042, 44099, 44124, 44172,
                              44173, 44174, 44177, 44178, 44179, 44180, 44181, 44505, 44520, 44557, 44673};
    for (auto [first, last] : {std::pair{40433u, 40443u}, {42165u, 42169u}, {42250u, 42262u}, {42492u, 42499u}})
        for (UINT id = first; id <= last; ++id) used.push_back(id);
    for (UINT id : used) {
        ASSERT_NE(t.find(id), nullptr) << id;
        EXPECT_FALSE(t.find(id)->empty()) << id;
    }
    EXPECT_EQ(*t.find(42118), u"High");
    EXPECT_EQ(*t.find(42358), u"None");
    EXPECT_EQ(*t.find(42460), u"day");
    EXPECT_EQ(*t.find(42474), u"days");
    EXPECT_LE(t.find(44038)->size(), 15u);  // the age word has at most 15 characters
}

TEST(LoadString, CopiesTerminatesTruncatesOrPointsAtTheText)
{
    const std::u16string& expected = *ApplicationStringTable().find(101);
    WCHAR buf[128];
    int n = LoadStringW(nullptr, 101, buf, 128);
    EXPECT_EQ(n, static_cast<int>(expected.size()));
    EXPECT_EQ(std::u16string(buf), expected);
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), 101, buf, 128), n);
    WCHAR small[4];
    EXPECT_EQ(LoadStringW(nullptr, 101, small, 4), 3);
    EXPECT_EQ(std::u16string(small), expected.substr(0, 3));
    EXPECT_EQ(LoadStringW(nullptr, 101, small, 1), 0);
    EXPECT_EQ(small[0], 0);
    const WCHAR* text = nullptr;  // a zero-length buffer receives a pointer to the text
    EXPECT_EQ(LoadStringW(nullptr, 42120, reinterpret_cast<LPWSTR>(&text), 0), 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text, 3), u"Low");
    WCHAR keep[8] = u"keep";  // absent strings and bad arguments leave the buffer alone
    EXPECT_EQ(LoadStringW(nullptr, 9, keep, 8), 0);
    EXPECT_EQ(LoadStringW(nullptr, 101, nullptr, 8), 0);
    EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(0x1234), 101, keep, 8), 0);
    EXPECT_EQ(std::u16string(keep), u"keep");
}

TEST(StringModules, ARegisteredModuleHasItsOwnStrings)
{
    EXPECT_FALSE(RegisterStringModule(GetModuleHandleW(nullptr), "101\tother\n"));  // the application's stays
    EXPECT_FALSE(RegisterStringModule(nullptr, "101\tother\n"));
    EXPECT_EQ(FindStringTable(nullptr), &ApplicationStringTable());
    auto module = reinterpret_cast<HINSTANCE>(0x5000);
    ASSERT_TRUE(
        RegisterStringModule(module, "101\tfrom the resource library\n7\tseven\n", u"\\WINDOWS\\KSResources.dll"));
    WCHAR buf[64];
    EXPECT_EQ(LoadStringW(module, 7, buf, 64), 5);
    EXPECT_EQ(std::u16string(buf), u"seven");
    LoadStringW(module, 101, buf, 64);
    EXPECT_EQ(std::u16string(buf), u"from the resource library");
    LoadStringW(nullptr, 101, buf, 64);
    EXPECT_EQ(std::u16string(buf), *ApplicationStringTable().find(101));
    EXPECT_EQ(GetModuleHandleW(u"ksresources.DLL"), module);
    EXPECT_EQ(GetModuleHandleW(u"\\Other\\KSRESOURCES.dll"), module);
    EXPECT_EQ(GetModuleHandleW(u"other.dll"), nullptr);
    ASSERT_NE(FindStringTable(module), nullptr);
    EXPECT_EQ(FindStringTable(module)->size(), 2u);
    EXPECT_TRUE(UnregisterStringModule(module));
    EXPECT_FALSE(UnregisterStringModule(module));
    EXPECT_EQ(LoadStringW(module, 7, buf, 64), 0);
    EXPECT_EQ(GetModuleHandleW(u"KSResources.dll"), nullptr);
    EXPECT_EQ(FindStringTable(module), nullptr);
}
