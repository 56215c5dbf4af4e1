#include "platform/base/os_version.h"

BOOL GetVersionExW(OSVERSIONINFOW* info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) return FALSE;
    *info = OSVERSIONINFOW{};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 2;
    info->dwBuildNumber = 21234;
    info->dwPlatformId = VER_PLATFORM_WIN32_CE;
    return TRUE;
}
