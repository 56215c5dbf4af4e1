#include "platform/files/find_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/handle.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/last_error_check.h"

namespace {

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

TEST_F(FindFiles, PatternsMatchWithoutCaseAndListNoDotEntries)
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
        {u"\\notes\\*", {"A.txt", "a.txt.bak", "b.TXT", "c.pwi", "README", "Sub"}, 0},
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
}

TEST_F(FindFiles, EntriesCarrySizeAttributesAndTimesAndCloseOnlyOnce)
{
    MakeHostFile("Pics/big.bmp", std::string(300000, 'b'));
    std::filesystem::create_directories(Host("Pics/Folder"));
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(u"\\pics\\*.*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(data.cFileName), u"big.bmp");
    EXPECT_EQ(data.nFileSizeLow, 300000u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01D00000u);  // after 2015
    ASSERT_TRUE(FindNextFileW(find, &data));
    EXPECT_EQ(std::u16string(data.cFileName), u"Folder");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    EXPECT_TRUE(FindClose(find));
    EXPECT_TRUE(FAILS_WITH(FindClose(find), FALSE, ERROR_INVALID_HANDLE));
    // Nor does it close a file handle.
    HANDLE file = CreateFileW(u"\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FAILS_WITH(FindClose(file), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FindFiles, StorageCardsAreMarkedTopLevelFolders)
{
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
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW(u"\\sd card\\*.*", &entry);
    EXPECT_EQ(Names(find, entry), std::vector<std::string>{"My Documents"});
}

}  // namespace
