// Device paths and the searches built on them.
#include "platform/files/device_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/data_directory.h"
#include "platform/files/find_files.h"
#include "platform/kernel/handle.h"
#include "platform/text/utf8.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/last_error_check.h"
#include "tests/support/saved_environment.h"

using namespace platform;

namespace {

// KSTOOLS_HOME and XDG_DATA_HOME; null leaves the variable unset.
struct EnvCase {
    const char* home;
    const char* xdg;
    std::string expected;
};

struct ParseCase {
    const char16_t* path;
    bool wildcards;
    DWORD error;
    std::vector<std::u16string> parts;
};

TEST(DevicePaths, DataDirectoryParsingAndWildcards)
{
    kstest::SavedEnvironment saved{"KSTOOLS_HOME", "XDG_DATA_HOME", "HOME"};
    setenv("HOME", "/home/u", 1);
    const EnvCase cases[] = {
        {"/data/ks", "/xdg", "/data/ks"},
        {"", "/xdg", "/xdg/kstools"},
        {nullptr, "/xdg", "/xdg/kstools"},
        {nullptr, "", "/home/u/.local/share/kstools"},
        {nullptr, nullptr, "/home/u/.local/share/kstools"},
    };
    for (const auto& c : cases) {
        c.home ? setenv("KSTOOLS_HOME", c.home, 1) : unsetenv("KSTOOLS_HOME");
        c.xdg ? setenv("XDG_DATA_HOME", c.xdg, 1) : unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(DataDirectory(), c.expected) << (c.home ? c.home : "(unset)") << " " << (c.xdg ? c.xdg : "(unset)");
        EXPECT_EQ(DeviceRootDirectory(), c.expected + "/device");
    }
    const std::u16string tooLong = u"\\" + std::u16string(MAX_PATH - 1, u'a');
    const ParseCase parses[] = {
        {u"\\My Documents\\Notes\\a.pwi", false, ERROR_SUCCESS, {u"My Documents", u"Notes", u"a.pwi"}},
        {u"\\", false, ERROR_SUCCESS, {}},
        {u"relative\\x", false, ERROR_SUCCESS, {u"relative", u"x"}},
        {u"\\a//b\\\\c\\", false, ERROR_SUCCESS, {u"a", u"b", u"c"}},
        {u"\\a\\.\\b\\..\\c", false, ERROR_SUCCESS, {u"a", u"c"}},
        {u"\\..\\..\\a", false, ERROR_SUCCESS, {u"a"}},
        {u"\\dir\\*.txt", true, ERROR_SUCCESS, {u"dir", u"*.txt"}},
        {u"\\dir\\*.txt", false, ERROR_INVALID_NAME, {}},
        {u"\\d?r\\x.txt", true, ERROR_INVALID_NAME, {}},
        {u"\\C:\\x", false, ERROR_INVALID_NAME, {}},
        {u"\\a|b", false, ERROR_INVALID_NAME, {}},
        {u"\\a\x01"
         u"b",
         false,
         ERROR_INVALID_NAME,
         {}},
        {u"", false, ERROR_PATH_NOT_FOUND, {}},
        {nullptr, false, ERROR_PATH_NOT_FOUND, {}},
        {tooLong.c_str(), false, ERROR_FILENAME_EXCED_RANGE, {}},
        {tooLong.c_str() + 1, false, ERROR_SUCCESS, {tooLong.substr(1)}},
    };
    for (const auto& c : parses) {
        DevicePath parsed;
        const std::string shown = c.path ? WideToUtf8(c.path) : "(null)";
        EXPECT_EQ(ParseDevicePath(c.path, parsed, c.wildcards), c.error) << shown;
        if (c.error == ERROR_SUCCESS) {
            EXPECT_EQ(parsed.parts, c.parts) << shown;
        }
    }
    const struct {
        const char16_t* pattern;
        const char16_t* name;
        bool matches;
    } wildcards[] = {
        {u"*.*", u"a.txt", true},
        {u"*.*", u"noext", true},
        {u"*", u"anything.x", true},
        {u"*.txt", u"A.TXT", true},
        {u"*.txt", u"a.txt.bak", false},
        {u"a?c", u"abc", true},
        {u"a?c", u"ac", false},
        {u"a*c", u"abcd", false},
        {u"Pic.*", u"pic", true},
        {u"Pic.*", u"pic.jpg", true},
        {u"Pic.*", u"pict", false},
        {u"*a*b", u"xaxxb", true},
        {u"*a*b", u"xaxxbc", false},
        {u"Grüße", u"GRÜSSE", false},
        {u"grüße", u"GRÜßE", true},
        {u"", u"", true},
        {u"x", u"", false},
        {u"**", u"", true},
    };
    for (const auto& c : wildcards)
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches)
            << WideToUtf8(c.pattern) << " vs " << WideToUtf8(c.name);
}

using DevicePathResolution = DeviceSandbox;

TEST_F(DevicePathResolution, WalksEachComponentWithoutCaseStably)
{
    MakeHostFile("My Documents/Notes/A.pwi");
    MakeHostFile("Ärger/Öl.txt");  // non-ASCII names cross as UTF-8 and fold case
    // host: relative to the device root.
    const struct {
        const char16_t* path;
        DWORD error;
        bool exists;
        std::string host;
    } cases[] = {
        {u"\\My Documents\\Notes\\A.pwi", ERROR_SUCCESS, true, "My Documents/Notes/A.pwi"},
        {u"\\my documents\\NOTES\\a.PWI", ERROR_SUCCESS, true, "My Documents/Notes/A.pwi"},
        {u"\\MY DOCUMENTS\\notes\\New File.txt", ERROR_SUCCESS, false, "My Documents/Notes/New File.txt"},
        {u"\\My Documents\\Missing\\a.pwi", ERROR_PATH_NOT_FOUND, false, ""},
        {u"\\My Documents\\Notes\\A.pwi\\below", ERROR_PATH_NOT_FOUND, false, ""},
        {u"\\", ERROR_SUCCESS, true, ""},
        {u"\\äRGER\\öL.TXT", ERROR_SUCCESS, true, "Ärger/Öl.txt"},
    };
    for (const auto& c : cases) {
        const ResolvedPath resolved = ResolveDevicePath(c.path);
        EXPECT_EQ(resolved.error, c.error) << WideToUtf8(c.path);
        if (c.error != ERROR_SUCCESS) continue;
        EXPECT_EQ(resolved.exists, c.exists) << WideToUtf8(c.path);
        EXPECT_EQ(resolved.host, Host(c.host)) << WideToUtf8(c.path);
    }
    MakeHostFile("b.txt", "lower");
    MakeHostFile("B.TXT", "upper");
    EXPECT_EQ(ResolveDevicePath(u"\\b.txt").host, Host("b.txt"));  // the exact spelling first
    EXPECT_EQ(ResolveDevicePath(u"\\B.txt").host, Host("B.TXT"));  // else the smallest host name
}

using FindFiles = DeviceSandbox;

// Every name a search yields, in order; empty with the error when none.
std::vector<std::string> Names(HANDLE find, WIN32_FIND_DATAW& data)
{
    std::vector<std::string> names;
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(WideToUtf8(data.cFileName));
    while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(find));
    return names;
}

TEST_F(FindFiles, PatternsMatchWithoutCaseEntriesCarrySizeAttributesTimesAndCardsAreTopLevelFolders)
{
    for (const char* name : {"Notes/b.TXT", "Notes/A.txt", "Notes/c.pwi", "Notes/README", "Notes/a.txt.bak",
                             "ContactPics/Smith.jpg", "ContactPics/Smith.bmp", "ContactPics/Smithers.jpg"})
        MakeHostFile(name);
    std::filesystem::create_directories(Host("Notes/Sub"));
    // error: the last error when nothing matches.
    const struct {
        const char16_t* pattern;
        std::vector<std::string> names;
        DWORD error;
    } cases[] = {
        {u"\\Notes\\*.*", {"A.txt", "a.txt.bak", "b.TXT", "c.pwi", "README", "Sub"}, 0},
        {u"\\NOTES\\*.txt", {"A.txt", "b.TXT"}, 0},
        {u"\\Notes\\?.pwi", {"c.pwi"}, 0},
        {u"\\Notes\\readme", {"README"}, 0},
        {u"\\ContactPics\\smith.*", {"Smith.bmp", "Smith.jpg"}, 0},
        {u"\\Notes\\*.doc", {}, ERROR_FILE_NOT_FOUND},
        {u"\\Missing\\*.*", {}, ERROR_PATH_NOT_FOUND},
        {u"\\No*\\*.*", {}, ERROR_INVALID_NAME},
        {u"\\", {}, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        WIN32_FIND_DATAW data{};
        HANDLE find = FindFirstFileW(c.pattern, &data);
        if (c.names.empty()) {
            EXPECT_EQ(find, INVALID_HANDLE_VALUE) << WideToUtf8(c.pattern);
            EXPECT_EQ(GetLastError(), c.error) << WideToUtf8(c.pattern);
        }
        EXPECT_EQ(Names(find, data), c.names) << WideToUtf8(c.pattern);
    }
    MakeHostFile("Pics/big.bmp", std::string(300000, 'b'));
    std::filesystem::create_directories(Host("Pics/Folder"));
    WIN32_FIND_DATAW entry{};
    HANDLE pics = FindFirstFileW(u"\\pics\\*.*", &entry);
    ASSERT_NE(pics, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(entry.cFileName), u"big.bmp");
    EXPECT_EQ(entry.nFileSizeLow, 300000u);
    EXPECT_EQ(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_GT(entry.ftLastWriteTime.dwHighDateTime, 0x01D00000u);  // after 2015
    ASSERT_TRUE(FindNextFileW(pics, &entry));
    EXPECT_EQ(std::u16string(entry.cFileName), u"Folder");
    EXPECT_EQ(entry.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(entry.nFileSizeLow, 0u);
    EXPECT_TRUE(FindClose(pics));
    EXPECT_TRUE(FAILS_WITH(FindClose(pics), FALSE, ERROR_INVALID_HANDLE));
    // Nor does it close a file handle.
    HANDLE file = CreateFileW(u"\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FAILS_WITH(FindClose(file), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(file));

    WIN32_FIND_DATAW data{};
    EXPECT_TRUE(FAILS_WITH(FindFirstFlashCard(&data), INVALID_HANDLE_VALUE, ERROR_NO_MORE_FILES));

    std::filesystem::create_directories(Host("My Documents"));
    ASSERT_TRUE(platform::CreateStorageCard(u"Storage Card"));
    ASSERT_TRUE(platform::CreateStorageCard(u"SD Card"));
    MakeHostFile("SD Card/My Documents/n.pwi");
    const struct {
        const char16_t* name;
        DWORD error;
    } refused[] = {{u"", ERROR_INVALID_NAME}, {u"a\\b", ERROR_INVALID_NAME}, {u"x:y", ERROR_INVALID_NAME}};
    for (const auto& r : refused) {
        EXPECT_TRUE(FAILS_WITH(platform::CreateStorageCard(r.name), FALSE, r.error)) << WideToUtf8(r.name);
    }

    HANDLE cards = FindFirstFlashCard(&data);
    std::vector<std::string> names;
    if (cards != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(WideToUtf8(data.cFileName));
            EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
        } while (FindNextFlashCard(cards, &data));
        EXPECT_TRUE(FindClose(cards));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"SD Card", "Storage Card"}));
    // The marker is never listed; the card's own content is.
    WIN32_FIND_DATAW cardEntry{};
    HANDLE find = FindFirstFileW(u"\\sd card\\*.*", &cardEntry);
    EXPECT_EQ(Names(find, cardEntry), std::vector<std::string>{"My Documents"});
}

}  // namespace
