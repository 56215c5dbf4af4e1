// The one mapping of host errors to the platform's error codes.
#include "platform/files/internal/errno_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/base/error_codes.h"

namespace {

TEST(ErrnoMapping, MissingFileAndMissingFolderDiffer)
{
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::string inFolder = folder + "/kstools-no-such-file";
    const std::string inMissingFolder = folder + "/kstools-no-such-folder/file";
    const struct {
        int error;
        const std::string* path;
        DWORD expected;
    } cases[] = {
        {ENOENT, &inFolder, ERROR_FILE_NOT_FOUND},         // was ERROR_PATH_NOT_FOUND when saving a whole file
        {ENOENT, &inMissingFolder, ERROR_PATH_NOT_FOUND},  // was ERROR_FILE_NOT_FOUND in the file calls
        {ENOENT, nullptr, ERROR_FILE_NOT_FOUND},
        {ENOTDIR, nullptr, ERROR_PATH_NOT_FOUND},  // was ERROR_ACCESS_DENIED when saving a whole file
        {ENOSPC, nullptr, ERROR_DISK_FULL},
        {EEXIST, nullptr, ERROR_ALREADY_EXISTS},
        {EACCES, nullptr, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::ErrorFromErrno(c.error, c.path), c.expected)
            << "errno " << c.error << " on " << (c.path ? *c.path : "(no path)");
    }
}

}  // namespace
