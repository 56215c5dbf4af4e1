// A file named on the command line, made reachable through a device path, the
// only kind of path the settings store opens.
//
// A path that starts with a backslash or holds "%s" is a device path ("%s"
// stands for the suite's data directory) and is used as it stands. Any other
// path is a file of this computer: it is copied into a private scratch folder
// of the device tree, the store works on the copy, and Publish() puts the copy
// in the original's place (a new file renamed over the old one, so a failure
// leaves the original as it was). The scratch folder goes with the object.
#pragma once

#include <string>

namespace kstools {

class FileArgument {
public:
    enum class Need { Existing, MayBeNew };

    // Throws CommandError (kExitUsage) when the file exists but cannot be
    // read, is a folder, or, with Need::Existing, is missing.
    FileArgument(const std::string& text, Need need);
    ~FileArgument();
    FileArgument(const FileArgument&) = delete;
    FileArgument& operator=(const FileArgument&) = delete;

    // For messages: the path as typed, or for a device path the file on this
    // computer that it stands for.
    const std::string& Label() const { return m_label; }
    // The path the store opens.
    const std::u16string& DevicePath() const { return m_devicePath; }
    bool Existed() const { return m_existed; }

    // Replaces a file of this computer with the scratch copy; nothing for a
    // device path. Throws CommandError (kExitFailure) when it cannot.
    void Publish();

private:
    void MakeScratchCopy(const std::string& content);
    void RemoveScratch();

    std::string m_label;
    std::string m_hostPath;  // the file on this computer
    std::u16string m_devicePath;
    bool m_existed = false;
    std::string m_scratchFolder;  // host path; empty for a device path
    std::string m_tempFolder;     // host path of "\Temp" when this object made it
};

}  // namespace kstools
