// Listing folders with wildcard patterns, and the device's storage cards.
//
// FindFirstFileW takes a device path whose last component may hold * and ?
// (matched without regard to case; "*.*" matches every name). Entries are
// listed in case-insensitive name order, never "." or "..". A find handle is
// closed with FindClose.
//
// A storage card is a top-level folder of the device root that carries a card
// marker; CreateStorageCard makes one (tests and the command-line tool set up
// cards with it).
#pragma once

#include "platform/files/files.h"
#include "platform/base/types.h"

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;  // object-store identifier; 0 here
    WCHAR cFileName[MAX_PATH];
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

// INVALID_HANDLE_VALUE with ERROR_PATH_NOT_FOUND (folder missing),
// ERROR_FILE_NOT_FOUND (nothing matches) or ERROR_INVALID_NAME.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);

// The storage cards, by folder name, in the same shape; INVALID_HANDLE_VALUE
// with ERROR_NO_MORE_FILES when there is none. Closed with FindClose.
HANDLE FindFirstFlashCard(LPWIN32_FIND_DATAW data);
BOOL FindNextFlashCard(HANDLE find, LPWIN32_FIND_DATAW data);

namespace platform {
// A find handle closed with FindClose when it goes.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    ~FindHandle()
    {
        if (Valid()) FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Makes "\<name>" a storage card (creating the folder when missing). FALSE
// with ERROR_INVALID_NAME for an empty name or one with separators.
BOOL CreateStorageCard(LPCWSTR name);
// Name of the card marker inside a card's host folder; never listed.
inline constexpr const char* kStorageCardMarker = ".kstools-storage-card";
}  // namespace platform
