// Kept folder listings: reused while a folder is unchanged, listed again
// after any change to its entries, by this process or another.
#include "platform/files/kept_folder_listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/text/utf8.h"
#include "tests/support/device_sandbox.h"

namespace {

using KeptListings = DeviceSandbox;

std::string Names(const platform::FolderListing& listing)
{
    std::string names;
    for (const WIN32_FIND_DATAW& entry : listing) names += WideToUtf8(entry.cFileName) + " ";
    return names;
}

std::u16string DevicePath(const std::string& path) { return Utf8ToWide(path); }

TEST_F(KeptListings, ReusedUntilTheFolderChangesHoweverItChanges)
{
    namespace fs = std::filesystem;
    // Each case has a folder of its own holding "a.pwi" and "b.pwi".
    const struct {
        const char* what;
        std::function<void(const std::string& folder)> change;
        const char* names;  // afterwards
        bool listedAgain;
    } cases[] = {
        {"added here",
         [](const std::string& f) {
             CloseHandle(CreateFileW(DevicePath("\\" + f + "\\c.pwi").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                     nullptr));
         },
         "a.pwi b.pwi c.pwi ", true},
        {"renamed here",
         [](const std::string& f) {
             MoveFileW(DevicePath("\\" + f + "\\a.pwi").c_str(), DevicePath("\\" + f + "\\z.pwi").c_str());
         },
         "b.pwi z.pwi ", true},
        {"removed elsewhere", [this](const std::string& f) { fs::remove(Host(f + "/b.pwi")); }, "a.pwi ", true},
        {"folder replaced",
         [this](const std::string& f) {
             fs::rename(Host(f), Host(f + "-old"));
             MakeHostFile(f + "/n.wav");
         },
         "n.wav ", true},
        {"a file written", [this](const std::string& f) { MakeHostFile(f + "/a.pwi", "longer text"); }, "a.pwi b.pwi ",
         false},
    };
    std::vector<std::string> folders;
    for (size_t i = 0; i < std::size(cases); ++i) {
        folders.push_back(std::string("F").append(std::to_string(i)));
        MakeHostFile(folders.back() + "/a.pwi");
        MakeHostFile(folders.back() + "/b.pwi");
    }
    // Just made, a folder is listed at every look.
    const unsigned long before = platform::KeptFolderListingsMade();
    platform::KeptFolderListing(u"\\F0");
    EXPECT_EQ(Names(*platform::KeptFolderListing(u"\\F0")), "a.pwi b.pwi ");
    EXPECT_EQ(platform::KeptFolderListingsMade(), before + 2);

    struct statx info {};
    if (statx(AT_FDCWD, Host("F0").c_str(), 0, STATX_BTIME, &info) != 0 || !(info.stx_mask & STATX_BTIME))
        GTEST_SKIP() << "this file system keeps no creation times: nothing is kept";
    // Settled, each folder is listed once and then reused.
    std::this_thread::sleep_for(std::chrono::milliseconds(3200));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::u16string folder = DevicePath("\\" + folders[i]);
        platform::KeptFolderListing(folder.c_str());
        const unsigned long kept = platform::KeptFolderListingsMade();
        EXPECT_EQ(Names(*platform::KeptFolderListing(folder.c_str())), "a.pwi b.pwi ");
        EXPECT_EQ(platform::KeptFolderListingsMade(), kept);
        cases[i].change(folders[i]);
        EXPECT_EQ(Names(*platform::KeptFolderListing(folder.c_str())), cases[i].names);
        EXPECT_EQ(platform::KeptFolderListingsMade(), kept + (cases[i].listedAgain ? 1 : 0));
    }
}

}  // namespace
