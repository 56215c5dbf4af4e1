#include "platform/files/device_paths.h"

#include <gtest/gtest.h>

#include "platform/files/data_directory.h"
#include "platform/text/utf8.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/saved_environment.h"

using namespace platform;

namespace {

// KSTOOLS_HOME and XDG_DATA_HOME; null leaves the variable unset.
struct EnvCase {
    const char* home;
    const char* xdg;
    std::string expected;
};

TEST(DataDirectory, FollowsTheEnvironmentInOrder)
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
}

struct ParseCase {
    const char16_t* path;
    bool wildcards;
    DWORD error;
    std::vector<std::u16string> parts;
};

TEST(DevicePathParsing, SplitsChecksAndAppliesDots)
{
    const std::u16string tooLong = u"\\" + std::u16string(MAX_PATH - 1, u'a');
    const ParseCase cases[] = {
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
    for (const auto& c : cases) {
        DevicePath parsed;
        const std::string shown = c.path ? WideToUtf8(c.path) : "(null)";
        EXPECT_EQ(ParseDevicePath(c.path, parsed, c.wildcards), c.error) << shown;
        if (c.error == ERROR_SUCCESS) {
            EXPECT_EQ(parsed.parts, c.parts) << shown;
        }
    }
}

TEST(Wildcards, MatchWithoutCase)
{
    const struct {
        const char16_t* pattern;
        const char16_t* name;
        bool matches;
    } cases[] = {
        {u"*.*", u"a.txt", true},
        {u"*.*", u"noext", true},
        {u"*", u"anything.x", true},
        {u"*.txt", u"A.TXT", true},
        {u"*.txt", u"a.txt.bak", false},
        {u"*.TXT", u"b.txt", true},
        {u"a?c", u"abc", true},
        {u"a?c", u"ac", false},
        {u"a*c", u"abbbc", true},
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
    for (const auto& c : cases)
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches)
            << WideToUtf8(c.pattern) << " vs " << WideToUtf8(c.name);
}

using DevicePathResolution = DeviceSandbox;

TEST_F(DevicePathResolution, WalksEachComponentWithoutCase)
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
}

TEST_F(DevicePathResolution, SpellingsDifferingOnlyInCaseResolveStably)
{
    MakeHostFile("b.txt", "lower");
    MakeHostFile("B.TXT", "upper");
    EXPECT_EQ(ResolveDevicePath(u"\\b.txt").host, Host("b.txt"));  // the exact spelling first
    EXPECT_EQ(ResolveDevicePath(u"\\B.txt").host, Host("B.TXT"));  // else the smallest host name
}

}  // namespace
