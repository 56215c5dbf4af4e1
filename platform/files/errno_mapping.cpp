#include "platform/files/internal/errno_mapping.h"

#include <cerrno>

#include "platform/base/error_codes.h"
#include "platform/kernel/file_system.h"

namespace platform {
namespace {

bool FolderExists(const std::string& hostPath)
{
    const size_t slash = hostPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : hostPath.substr(0, slash);
    struct stat info {};
    return Files().Stat(folder, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD ErrorFromErrno(int error, const std::string* hostPath)
{
    switch (error) {
        case ENOENT:
            return hostPath && !FolderExists(*hostPath) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EIO:
            return ERROR_GEN_FAILURE;  // the device failed
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_ACCESS_DENIED;  // EACCES, EPERM, EISDIR, EROFS, EBUSY, ...
    }
}

}  // namespace platform
