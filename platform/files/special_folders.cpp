#include "platform/files/special_folders.h"

#include <string>

#include "platform/base/error_codes.h"
#include "platform/files/files.h"
#include "platform/base/last_error.h"
#include "platform/text/wide_string.h"

namespace {

const WCHAR* FolderPath(int folder)
{
    switch (folder) {
        case CSIDL_PROGRAMS:
            return u"\\Windows\\Start Menu\\Programs";
        case CSIDL_PERSONAL:
            return u"\\My Documents";
        case CSIDL_STARTUP:
            return u"\\Windows\\StartUp";
        case CSIDL_APPDATA:
            return u"\\Application Data";
        default:
            return nullptr;
    }
}

// Creates each missing folder along a device path.
bool CreateFolders(const std::u16string& path)
{
    for (size_t end = path.find(u'\\', 1);; end = path.find(u'\\', end + 1)) {
        const std::u16string prefix = path.substr(0, end);
        const DWORD attributes = GetFileAttributesW(prefix.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            SetLastError(ERROR_ALREADY_EXISTS);  // a file stands where the folder should be
            return false;
        }
        if (end == std::u16string::npos) return true;
    }
}

}  // namespace

BOOL SHGetSpecialFolderPath(HWND /*owner*/, LPWSTR path, int folder, BOOL create)
{
    const WCHAR* device = FolderPath(folder);
    if (!path || !device) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (create && !CreateFolders(device)) return FALSE;
    wcscpy(path, device);
    return TRUE;
}
