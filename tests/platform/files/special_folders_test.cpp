#include "platform/files/special_folders.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/files.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/last_error_check.h"

namespace {

using SpecialFolders = DeviceSandbox;

TEST_F(SpecialFolders, AreDevicePathsMadeOnlyWhenAsked)
{
    const struct {
        int csidl;
        const char16_t* path;
        std::string host;
    } cases[] = {
        {CSIDL_APPDATA, u"\\Application Data", "Application Data"},
        {CSIDL_PERSONAL, u"\\My Documents", "My Documents"},
        {CSIDL_STARTUP, u"\\Windows\\StartUp", "Windows/StartUp"},
        {CSIDL_PROGRAMS, u"\\Windows\\Start Menu\\Programs", "Windows/Start Menu/Programs"},
    };
    for (const auto& c : cases) {
        WCHAR path[MAX_PATH + 1] = {};
        ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, c.csidl, FALSE));
        EXPECT_EQ(std::u16string(path), c.path);
        EXPECT_FALSE(std::filesystem::exists(Host(c.host))) << c.host;  // not made unless asked
        ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, c.csidl, TRUE));
        EXPECT_TRUE(std::filesystem::is_directory(Host(c.host))) << c.host;
        EXPECT_EQ(GetFileAttributesW(path), FILE_ATTRIBUTE_DIRECTORY);
    }
    WCHAR path[MAX_PATH + 1] = u"unchanged";
    EXPECT_TRUE(FAILS_WITH(SHGetSpecialFolderPath(nullptr, path, 999, TRUE), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(std::u16string(path), u"unchanged");
    // An existing folder under another case is reused, not doubled.
    std::filesystem::remove_all(Host("My Documents"));
    std::filesystem::create_directories(Host("MY DOCUMENTS"));
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_PERSONAL, TRUE));
    EXPECT_FALSE(std::filesystem::exists(Host("My Documents")));
}

}  // namespace
