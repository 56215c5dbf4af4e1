// kstools on a data directory it cannot write to: a plain message, exit code 1, and what was stored stays.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/support/kstools_home.h"

namespace fs = std::filesystem;

using KstoolsDiskErrors = KstoolsHome;

TEST_F(KstoolsDiskErrors, APlainMessageAndTheStoresIntact)
{
    const std::vector<std::string> set = {"settings", "set", "HKEY_CURRENT_USER\\Kept", "a"};
    ASSERT_EQ(Run({set[0], set[1], set[2], set[3], "old"}).exitCode, 0);
    ASSERT_EQ(Run({"store", "add-sample"}).exitCode, 0);
    auto stored = [&] { return Run({"settings", "dump"}).out + Run({"store", "dump", "Sample Database"}).out; };
    const std::string before = stored();
    // kstools runs as nobody on nobody's folders when this is the superuser, whom permissions do not stop.
    const bool root = geteuid() == 0;
    const std::vector<std::string> nobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    auto readOnly = [&](std::vector<std::string> folders, bool undo) {
        const unsigned owner = undo ? 0 : 65534;
        if (root) {
            for (const auto& entry : fs::recursive_directory_iterator(home_))
                EXPECT_EQ(lchown(entry.path().c_str(), owner, owner), 0);
            EXPECT_EQ(chown(home_.c_str(), owner, owner), 0);
        }
        for (const std::string& folder : folders)
            fs::permissions(folder, fs::perms::owner_write, undo ? fs::perm_options::add : fs::perm_options::remove);
    };
    const std::string corvid = home_ + "/device/Application Data/Corvid", saving = corvid + "/Settings.txt.saving";
    const struct {
        const char* what;
        std::function<void(bool undo)> make;
        const char* message;
    } cases[] = {
        {"read-only data directory",
         [&](bool undo) {
             readOnly({home_, corvid}, undo);
         },
         "Access is denied"},
        {"full disk",  // that lasts: the folder keeps the link to /dev/full
         [&](bool undo) {
             if (!undo) fs::create_symlink("/dev/full", saving);
             readOnly({corvid}, undo);
             if (undo) fs::remove(saving);
         },
         "There is not enough space on the storage"},
        {"missing device folder",
         [&](bool undo) {  // a link to a card that is not there: no folder can be made in it
             if (undo) fs::remove(home_ + "/device");
             fs::rename(home_ + (undo ? "/unplugged" : "/device"), home_ + (undo ? "/device" : "/unplugged"));
             if (!undo) fs::create_directory_symlink(home_ + "/card", home_ + "/device");
             readOnly({}, undo);
         },
         "could not be found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.make(false);
        std::vector<std::string> argv = root ? nobody : std::vector<std::string>{};
        argv.push_back(KSTOOLS_CLI);
        argv.insert(argv.end(), set.begin(), set.end());
        argv.push_back("new");
        const kstest::ChildResult r = kstest::RunChild(argv, {{"KSTOOLS_HOME", home_}, {"KSTOOLS_LOCALE", "en-US"}});
        c.make(true);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(stored(), before);
    }
}
