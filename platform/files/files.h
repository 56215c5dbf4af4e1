// Files and folders of the device behind the Win32 calls.
//
// Paths are device paths (see device_paths.h). A file handle is a kernel
// handle: CloseHandle closes it. Read-only files (FILE_ATTRIBUTE_READONLY) are
// refused for writing, truncating and deleting by these calls themselves, so
// the rule holds also for a process running with root rights. Sharing modes
// are accepted but not enforced.
#pragma once

#include "platform/base/security_attributes.h"
#include "platform/base/types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

// Asynchronous I/O is not supported; the parameter keeps the Win32 shape and
// must be null.
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
    DWORD dwOID;  // object-store identifier; 0 here
};
using LPBY_HANDLE_FILE_INFORMATION = BY_HANDLE_FILE_INFORMATION*;

// INVALID_HANDLE_VALUE on failure: ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_FILE_EXISTS (CREATE_NEW), ERROR_ACCESS_DENIED (folders, read-only
// files opened for writing). CREATE_ALWAYS and OPEN_ALWAYS set
// ERROR_ALREADY_EXISTS on success when the file was there before, else 0.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security, DWORD creation,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
// With distanceHigh the move is the 64-bit value high:low, else the signed
// 32-bit low. Returns the low part of the new position (the high part goes
// to *distanceHigh); INVALID_SET_FILE_POINTER with ERROR_NEGATIVE_SEEK for a
// position before the start. Success clears the last error, so a position
// whose low part is 0xFFFFFFFF can be told from a failure.
DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info);

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL DeleteFileW(LPCWSTR path);
// Moves or renames a file or folder; ERROR_ALREADY_EXISTS when the target
// exists (a change of case only of the same name is allowed).
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);

namespace platform {
// Attributes of a host entry as the device reports them; INVALID_FILE_ATTRIBUTES
// when it cannot be read.
DWORD HostFileAttributes(const char* hostPath);
// FILETIME of a host time stamp.
FILETIME FileTimeFromHost(long long seconds, long nanoseconds);
}  // namespace platform
