// Files, folders, special folders and the mapping of host errors.
#include "platform/files/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/internal/errno_mapping.h"
#include "platform/files/special_folders.h"
#include "platform/kernel/handle.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/last_error_check.h"

namespace {

using Files = DeviceSandbox;

HANDLE Open(const char16_t* path, DWORD access, DWORD creation, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    return CreateFileW(path, access, FILE_SHARE_READ, nullptr, creation, attributes, nullptr);
}

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

std::string ReadAll(HANDLE file)
{
    std::string content(64, '\0');
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, content.data(), 64, &got, nullptr));
    content.resize(got);
    return content;
}

TEST_F(Files, CreationDispositionsFailuresAndReadWriteSeekTruncateThroughAKernelHandlePast4GiB)
{
    // error: last error after the call; content: of the file afterwards ("-" = none).
    const struct {
        DWORD creation;
        bool present;
        bool opens;
        DWORD error;
        std::string content;
    } cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "-"},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "-"},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
        {0, true, false, ERROR_INVALID_PARAMETER, "old"},
        {6, false, false, ERROR_INVALID_PARAMETER, "-"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(Host("Data.txt"));
        std::filesystem::remove(Host("data.TXT"));  // a new file takes the spelling it was opened with
        if (c.present) MakeHostFile("Data.txt", "old");
        SetLastError(12345);
        HANDLE file = Open(u"\\data.TXT", kReadWrite, c.creation);
        const std::string label = "creation " + std::to_string(c.creation) + (c.present ? " present" : " missing");
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << label;
        EXPECT_EQ(GetLastError(), c.error) << label;
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        const bool exists = std::filesystem::exists(Host("Data.txt")) || std::filesystem::exists(Host("data.TXT"));
        EXPECT_EQ(exists, c.content != "-") << label;
        if (c.present) {
            EXPECT_EQ(ReadHostFile("Data.txt"), c.content) << label;
        }  // old spelling kept
    }
    MakeHostFile("Docs/Locked.txt", "keep");
    std::filesystem::create_directories(Host("Docs/Folder"));
    ASSERT_TRUE(SetFileAttributesW(u"\\Docs\\Locked.txt", FILE_ATTRIBUTE_READONLY));
    const struct {
        const char16_t* path;
        DWORD access;
        DWORD creation;
        DWORD error;
    } refused[] = {
        {u"\\Nowhere\\a.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {u"\\Nowhere\\a.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {u"\\Docs\\missing.txt", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {u"\\Docs\\locked.txt", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"\\Docs\\Locked.txt", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},  // spelled as on the host
        {u"\\Docs\\locked.txt", GENERIC_READ, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {u"\\Docs\\Folder", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"\\", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"\\Docs\\a*.txt", GENERIC_READ, OPEN_ALWAYS, ERROR_INVALID_NAME},
        {u"\\Docs\\locked.txt", GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : refused) {
        EXPECT_TRUE(FAILS_WITH(Open(c.path, c.access, c.creation), INVALID_HANDLE_VALUE, c.error))
            << WideToUtf8(c.path);
    }
    EXPECT_EQ(ReadHostFile("Docs/Locked.txt"), "keep");
    // ".." at the device root stays there, also for a file opened at once by its exact spelling.
    MakeHostFile("../Docs/Locked.txt", "outside the device");
    HANDLE same = Open(u"\\..\\Docs\\Locked.txt", GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(ReadAll(same), "keep");
    CloseHandle(same);
    HANDLE reading = Open(u"\\docs\\LOCKED.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(reading, INVALID_HANDLE_VALUE);
    DWORD written = 7;
    EXPECT_TRUE(FAILS_WITH(WriteFile(reading, "x", 1, &written, nullptr), FALSE, ERROR_ACCESS_DENIED));
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(SetEndOfFile(reading));
    EXPECT_EQ(ReadAll(reading), "keep");
    CloseHandle(reading);

    const size_t handlesBefore = platform::OpenHandleCount();
    HANDLE file = Open(u"\\Notes.txt", kReadWrite, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform::OpenHandleCount(), handlesBefore + 1);
    DWORD bytesWritten = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &bytesWritten, nullptr));
    EXPECT_EQ(bytesWritten, 10u);
    // rest: what a read from there gives.
    const struct {
        LONG distance;
        DWORD method;
        DWORD position;
        std::string rest;
    } seeks[] = {
        {0, FILE_BEGIN, 0, "0123456789"}, {3, FILE_BEGIN, 3, "3456789"}, {-4, FILE_END, 6, "6789"},
        {-2, FILE_CURRENT, 8, "89"},      {5, FILE_END, 15, ""},
    };
    for (const auto& s : seeks) {
        if (s.method == FILE_CURRENT) SetFilePointer(file, 10, nullptr, FILE_BEGIN);
        EXPECT_EQ(SetFilePointer(file, s.distance, nullptr, s.method), s.position);
        EXPECT_EQ(ReadAll(file), s.rest) << s.distance << "/" << s.method;
    }
    EXPECT_TRUE(
        FAILS_WITH(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK));

    // A write past the end fills the gap with zeros; SetEndOfFile cuts at the position.
    SetFilePointer(file, 12, nullptr, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(file, "Z", 1, &bytesWritten, nullptr));
    DWORD high = 9;
    EXPECT_EQ(GetFileSize(file, &high), 13u);
    EXPECT_EQ(high, 0u);
    SetFilePointer(file, 9, nullptr, FILE_BEGIN);
    EXPECT_EQ(ReadAll(file), std::string("9\0\0Z", 4));
    SetFilePointer(file, 4, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 4u);
    EXPECT_TRUE(FlushFileBuffers(file));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadHostFile("Notes.txt"), "0123");
    EXPECT_EQ(platform::OpenHandleCount(), handlesBefore);
    char byte;
    EXPECT_TRUE(FAILS_WITH(ReadFile(file, &byte, 1, &bytesWritten, nullptr), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(file));
    // Seeks beyond 4 GiB use the high part.
    HANDLE big = Open(u"\\Big.bin", kReadWrite, CREATE_NEW);
    ASSERT_NE(big, INVALID_HANDLE_VALUE);
    LONG bigHigh = 1;
    EXPECT_EQ(SetFilePointer(big, 16, &bigHigh, FILE_BEGIN), 16u);
    EXPECT_EQ(bigHigh, 1);
    ASSERT_TRUE(SetEndOfFile(big));  // a sparse big of 4 GiB + 16 bytes
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(big, &sizeHigh), 16u);
    EXPECT_EQ(sizeHigh, 1u);
    bigHigh = -1;  // bigHigh:low together make -32
    EXPECT_EQ(SetFilePointer(big, -32, &bigHigh, FILE_END), 0xFFFFFFF0u);
    EXPECT_EQ(bigHigh, 0);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);  // tells this position from a failure
    SetFilePointer(big, 0, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(big));  // cut at the very start: empty
    EXPECT_EQ(GetFileSize(big, nullptr), 0u);
    CloseHandle(big);
}

TEST_F(Files, InformationAttributesFoldersCopyHonouringFailIfExistsAndMoveNeverOverwriting)
{
    HANDLE file = Open(u"\\Info.txt", GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
    DWORD written = 0;
    WriteFile(file, "12345", 5, &written, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    ASSERT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    EXPECT_EQ(std::vector<DWORD>({info.nFileSizeLow, info.nFileSizeHigh, info.dwFileAttributes}),
              std::vector<DWORD>({5, 0, FILE_ATTRIBUTE_HIDDEN}));
    const auto ticks = [](FILETIME t) { return static_cast<long long>(platform::FileTimeValue(t)); };
    const long long now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count() *
            10000000LL +
        116444736000000000LL;
    for (FILETIME t : {info.ftCreationTime, info.ftLastAccessTime, info.ftLastWriteTime})
        EXPECT_NEAR(static_cast<double>(ticks(t)), static_cast<double>(now), 10 * 10000000.0);
    MakeHostFile("Attr.txt");
    std::filesystem::create_directories(Host("Dir"));
    EXPECT_EQ(GetFileAttributesW(u"\\attr.txt"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesW(u"\\DIR"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(u"\\"), FILE_ATTRIBUTE_DIRECTORY);
    const DWORD sets[] = {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_ARCHIVE,
                          FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_NORMAL};
    for (DWORD set : sets) {
        ASSERT_TRUE(SetFileAttributesW(u"\\ATTR.txt", set));
        EXPECT_EQ(GetFileAttributesW(u"\\Attr.TXT"), set);
    }
    const struct {
        const char16_t* path;
        DWORD error;
    } missing[] = {{u"\\nothing.txt", ERROR_FILE_NOT_FOUND}, {u"\\no\\thing.txt", ERROR_PATH_NOT_FOUND}};
    for (const auto& m : missing) {
        EXPECT_TRUE(FAILS_WITH(GetFileAttributesW(m.path), INVALID_FILE_ATTRIBUTES, m.error));
        EXPECT_FALSE(SetFileAttributesW(m.path, FILE_ATTRIBUTE_NORMAL));
    }

    EXPECT_TRUE(CreateDirectoryW(u"\\New Folder", nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(Host("New Folder")));
    const struct {
        BOOL (*call)(const char16_t*);
        const char16_t* path;
        DWORD error;
    } failures[] = {
        {[](const char16_t* p) { return CreateDirectoryW(p, nullptr); }, u"\\new folder", ERROR_ALREADY_EXISTS},
        {[](const char16_t* p) { return CreateDirectoryW(p, nullptr); }, u"\\a\\b", ERROR_PATH_NOT_FOUND},
        {RemoveDirectoryW, u"\\Full", ERROR_DIR_NOT_EMPTY},
        {RemoveDirectoryW, u"\\Full\\file.txt", ERROR_DIRECTORY},
        {RemoveDirectoryW, u"\\none", ERROR_FILE_NOT_FOUND},
        {RemoveDirectoryW, u"\\", ERROR_ACCESS_DENIED},
        {DeleteFileW, u"\\Full", ERROR_ACCESS_DENIED},
        {DeleteFileW, u"\\Full\\ro.txt", ERROR_ACCESS_DENIED},
        {DeleteFileW, u"\\Full\\none.txt", ERROR_FILE_NOT_FOUND},
        {DeleteFileW, u"\\none\\none.txt", ERROR_PATH_NOT_FOUND},
    };
    MakeHostFile("Full/file.txt");
    MakeHostFile("Full/ro.txt");
    ASSERT_TRUE(SetFileAttributesW(u"\\Full\\ro.txt", FILE_ATTRIBUTE_READONLY));
    for (const auto& f : failures) {
        EXPECT_TRUE(FAILS_WITH(f.call(f.path), FALSE, f.error)) << WideToUtf8(f.path);
    }
    EXPECT_TRUE(DeleteFileW(u"\\FULL\\FILE.TXT"));
    EXPECT_TRUE(SetFileAttributesW(u"\\Full\\ro.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(u"\\full\\RO.txt"));
    EXPECT_TRUE(RemoveDirectoryW(u"\\fULL"));
    EXPECT_FALSE(std::filesystem::exists(Host("Full")));
    MakeHostFile("Src.txt", "source");
    MakeHostFile("Dst.txt", "target");
    const struct {
        const char16_t* to;
        BOOL failIfExists;
        BOOL ok;
        DWORD error;
        const char* host;  // where the target lives
        std::string content;
    } copies[] = {
        {u"\\dst.txt", TRUE, FALSE, ERROR_FILE_EXISTS, "Dst.txt", "target"},
        {u"\\DST.TXT", FALSE, TRUE, 0, "Dst.txt", "source"},
        {u"\\Copy.txt", TRUE, TRUE, 0, "Copy.txt", "source"},
        {u"\\none\\Copy.txt", FALSE, FALSE, ERROR_PATH_NOT_FOUND, nullptr, ""},
        {u"\\src.TXT", FALSE, FALSE, ERROR_SHARING_VIOLATION, "Src.txt", "source"},
    };
    for (const auto& c : copies) {
        EXPECT_TRUE(FAILS_WITH(CopyFileW(u"\\SRC.txt", c.to, c.failIfExists), c.ok, c.error)) << WideToUtf8(c.to);
        if (c.host) {
            EXPECT_EQ(ReadHostFile(c.host), c.content) << WideToUtf8(c.to);
        }
    }
    EXPECT_TRUE(FAILS_WITH(CopyFileW(u"\\missing.txt", u"\\x.txt", FALSE), FALSE, ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(SetFileAttributesW(u"\\Dst.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(FAILS_WITH(CopyFileW(u"\\Src.txt", u"\\Dst.txt", FALSE), FALSE, ERROR_ACCESS_DENIED));
    MakeHostFile("Notes/a.pwi", "A");
    MakeHostFile("Notes/b.pwi", "B");
    EXPECT_TRUE(FAILS_WITH(MoveFileW(u"\\notes\\A.PWI", u"\\Notes\\B.pwi"), FALSE, ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileW(u"\\notes\\A.PWI", u"\\Notes\\A.pwi"));  // a change of case only
    EXPECT_EQ(ReadHostFile("Notes/A.pwi"), "A");
    EXPECT_FALSE(std::filesystem::exists(Host("Notes/a.pwi")));
    EXPECT_TRUE(MoveFileW(u"\\Notes", u"\\Archive"));  // folders move too
    EXPECT_EQ(ReadHostFile("Archive/b.pwi"), "B");
    EXPECT_TRUE(FAILS_WITH(MoveFileW(u"\\Notes\\b.pwi", u"\\x.pwi"), FALSE, ERROR_PATH_NOT_FOUND));
}

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
