// A settings save failing or losing power at each step leaves the old or the new file, never a mix, and keeps
// the change in memory for the next save.
#include <gtest/gtest.h>

#include <memory>

#include "platform/base/error_codes.h"
#include "storage/ini_file.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/faulty_file_system.h"

using SettingsSaveFaults = SettingsSandbox;

TEST_F(SettingsSaveFaults, TheFileIsOldOrNewAndTheChangeWaitsForTheNextSave)
{
    const std::string oldBytes = Utf16File(u"\r\n[S]\r\n\"a\"=\"old\"\r\n\"b\"=\"kept\"\r\n\r\n");
    const std::string newBytes = Utf16File(u"\r\n[S]\r\n\"a\"=\"new\"\r\n\"b\"=\"kept\"\r\n\r\n");
    std::unique_ptr<CRegistry::INIFile> file;
    FaultedOperation save;
    save.prepare = [&] {
        MakeHostFile("T/s.txt", oldBytes);
        file = std::make_unique<CRegistry::INIFile>(u"\\T\\s.txt");
        file->SetString(file->SectionAt(file->OpenSection(u"S", nullptr)), u"a", u"new");
    };
    save.run = [&] { return file->Save(); };
    save.close = [] {};
    save.state = [&] {
        const std::string bytes = ReadHostFile("T/s.txt");
        return bytes == oldBytes ? "old" : bytes == newBytes ? "new" : "a mix: " + bytes;
    };
    save.afterwards = [&] {
        EXPECT_EQ(file->Save(), ERROR_SUCCESS);
        EXPECT_EQ(ReadHostFile("T/s.txt"), newBytes) << "the change waited in memory";
    };
    ExpectOldOrNewUnderEveryFault(save, ERROR_GEN_FAILURE);
}
