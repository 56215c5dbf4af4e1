// The volumes this process has open: the object store and mounted files.
#pragma once

#include <memory>

#include "platform/objectstore/cedb.h"
#include "platform/objectstore/internal/cedb_volume.h"

namespace platform::cedb {

// The volume a GUID names, opened on first use: null or all zero is the
// object store. ERROR_INVALID_PARAMETER for a GUID of no mounted volume.
DWORD VolumeFor(const CEGUID* guid, std::shared_ptr<Volume>& out);

}  // namespace platform::cedb
