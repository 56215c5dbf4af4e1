// The Win32 error code of a failed host file call: one mapping for every file
// function of the platform.
#pragma once

#include <string>

#include "platform/base/types.h"

namespace platform {

// The error for errno value `error` of a call on hostPath. ENOENT is told
// apart as Win32 does: ERROR_FILE_NOT_FOUND when the folder of hostPath
// exists (the entry itself is missing), ERROR_PATH_NOT_FOUND when it does not;
// without a path (a call on an open descriptor), ERROR_FILE_NOT_FOUND.
// Errors without a closer match are ERROR_ACCESS_DENIED.
DWORD ErrorFromErrno(int error, const std::string* hostPath = nullptr);

}  // namespace platform
