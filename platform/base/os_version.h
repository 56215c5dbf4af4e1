// GetVersionExW: the version of the operating system the platform stands in
// for, Windows CE 5.2 (build 21234), the base of the phone and pocket
// editions the suite was made for.
#pragma once

#include "platform/base/types.h"

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};

constexpr DWORD VER_PLATFORM_WIN32_CE = 3;

// FALSE when info is null or its size field is too small.
BOOL GetVersionExW(OSVERSIONINFOW* info);
