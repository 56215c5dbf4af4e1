// Where the suite keeps its data on the host.
//
// The data directory is $KSTOOLS_HOME when set and not empty, else
// $XDG_DATA_HOME/kstools, else ~/.local/share/kstools. The environment is read
// on every call, so `kstools --home DIR` (which sets KSTOOLS_HOME) and tests
// that point KSTOOLS_HOME at a scratch folder take effect at once.
//
// The device's file system (the root "\") lives in its "device" sub-folder.
#pragma once

#include <string>

#include "platform/base/export.h"

namespace platform {

KSTOOLS_API std::string DataDirectory();

// Host folder standing for the device root "\": <data directory>/device.
KSTOOLS_API std::string DeviceRootDirectory();

// Creates the device root (and the data directory) when missing. False when
// it cannot be made.
KSTOOLS_API bool EnsureDeviceRoot();

}  // namespace platform
