// A device with notes for the notes-loader tests: files written on the host under the device root, folder
// states and note attributes written through the settings store, and the loaded list as "depth name" lines.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/loader_host.h"
#include "engine/notes_thread.h"
#include "platform/files/device_paths.h"
#include "platform/files/find_files.h"
#include "platform/ink/ink_note.h"
#include "platform/text/utf8.h"
#include "tests/engine/test_loader.h"

namespace notestest {

class NotesSandbox : public loadertest::LoaderSandbox {
protected:
    // An ink note with this text at a device path ("\My Documents\a.pwi"); its folders are made.
    void Ink(const std::u16string& path, const std::u16string& text = u"") const
    {
        MakeFolders(path.substr(0, path.rfind(u'\\')));
        platform::InkNote note;
        note.text = text;
        ASSERT_EQ(platform::WriteInkFile(path.c_str(), note), ERROR_SUCCESS) << WideToUtf8(path);
    }
    // Any other file of size bytes.
    void File(const std::u16string& path, size_t size = 10) const
    {
        MakeHostFile(Relative(path), std::string(size, 'x'));
    }
    void Folder(const std::u16string& path) const { MakeFolders(path); }
    void MakeFolders(const std::u16string& path) const
    {
        std::filesystem::create_directories(Host(Relative(path)));
    }
    void Card(const std::u16string& name) const
    {
        ASSERT_TRUE(platform::CreateStorageCard(name.c_str()));
        MakeFolders(u"\\" + name + u"\\My Documents");
    }
    // Stores a folder state as the notes window would.
    static void State(const std::u16string& path, DWORD state)
    {
        CRegistry store(kNoteFolderStateFile);
        ASSERT_EQ(store.OpenKey(HKEY_CURRENT_USER, kNoteFolderStateKey), 0);
        ASSERT_EQ(store.SetValue(path.c_str(), state), 0);
        ASSERT_EQ(store.SaveINIFile(1), 0);
    }
    // A note's attributes: category (none when empty), privacy, alarm (0: none).
    static void Attributes(const std::u16string& path, const std::u16string& category, bool isPrivate = false,
                           ULONGLONG alarm = 0)
    {
        CRegistry store(kNoteDataFile);
        ASSERT_EQ(store.OpenKey(HKEY_CURRENT_USER, path.c_str()), 0);
        if (!category.empty()) store.SetValue(u"Category", category.c_str());
        if (isPrivate) store.SetValue(u"Private", 1UL);
        if (alarm) {
            store.SetValue(u"ALDT", static_cast<ULONG>(alarm));
            store.SetValue(u"AHDT", static_cast<ULONG>(alarm >> 32));
        }
        ASSERT_EQ(store.SaveINIFile(1), 0);
    }
    static std::string Relative(const std::u16string& devicePath)
    {
        std::string relative = WideToUtf8(devicePath.substr(1));
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return relative;
    }
    // The host path of a settings file of the data directory.
    static std::string HostOfSettingsFile(const WCHAR* file)
    {
        CRegistry store(file);
        return platform::ExactHostPath(store.INIFileName());
    }
};

// Loads through a host window, as a notes window does; the rows as "depth name" lines.
inline std::vector<std::string> Load(CNotesThread& loader, LoaderHost& host)
{
    loader.SetNotifyWindow(host.Window());
    EXPECT_TRUE(host.Run(loader, 60000));
    std::vector<std::string> rows;
    for (const auto& row : loader.GetDataList())
        rows.push_back(std::to_string(row->depth) + " " + WideToUtf8(static_cast<const WCHAR*>(row->name)));
    return rows;
}

inline const DATANOTES* Find(const CNotesThread& loader, const std::u16string& name)
{
    for (const auto& row : loader.GetDataList())
        if (std::u16string(static_cast<const WCHAR*>(row->name)) == name) return row.get();
    return nullptr;
}

using Lines = std::vector<std::string>;

}  // namespace notestest
