// The volume a kstools store command works on: the object store, or a volume
// file named by its device path, mounted for the command's lifetime.
#pragma once

#include <string>

#include "platform/objectstore/cedb.h"

namespace kstools {

class StoreVolume {
public:
    // The object store.
    StoreVolume();
    // Mounts the existing volume file at devicePath. Throws CommandError:
    // kExitUsage when the file is missing or is no volume, kExitFailure when
    // the engine cannot open it for another reason.
    explicit StoreVolume(const std::string& devicePath);
    ~StoreVolume();
    StoreVolume(const StoreVolume&) = delete;
    StoreVolume& operator=(const StoreVolume&) = delete;

    // The guid the engine calls take (all zero for the object store).
    PCEGUID Guid() { return &m_guid; }
    bool IsObjectStore() const { return !m_mounted; }
    // For messages: "the object store" or the device path as typed.
    std::string Label() const;
    // The file on this computer that holds the volume.
    const std::string& HostFile() const { return m_hostFile; }

private:
    CEGUID m_guid{};
    bool m_mounted = false;
    std::string m_devicePath;
    std::string m_hostFile;
};

// The thread's last error in words: the system's message for it, else
// "error N".
std::string LastErrorText();

}  // namespace kstools
