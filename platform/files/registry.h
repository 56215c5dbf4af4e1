// The registry: a tree of keys holding named, typed values.
//
// Four root keys are always present. Key paths separate their parts with a
// backslash and may start with one ("\Software\Corvid"). Key and value names
// compare without case and keep the case they were created with. The empty
// (or null) value name is the key's default value.
//
// The tree lives in the data directory as the SQLite database "registry.db"
// (write-ahead log, every change its own committed transaction), so it
// survives a crash at any moment and several processes can use it at once.
// A key handle only remembers which key it refers to; every query reads the
// database again, so another process's changes are seen at once. A handle
// whose key was deleted meanwhile fails with ERROR_KEY_DELETED.
//
// The calls return the platform's error codes (ERROR_SUCCESS, 2 for a missing
// key or value, 234 for a buffer too small, 259 at the end of an enumeration);
// a database that cannot be opened or read gives ERROR_REGISTRY_IO_FAILED or
// ERROR_REGISTRY_CORRUPT.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/export.h"
#include "platform/base/security_attributes.h"
#include "platform/base/types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u));

// Value types. Values of any type are stored as given; REG_SZ and REG_DWORD
// are checked (see RegSetValueExW).
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// RegCreateKeyExW dispositions.
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Access rights and options: accepted and ignored (there is no security).
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;

// The longest key or value name, in characters.
constexpr DWORD REG_MAX_NAME_CHARS = 255;

// Opens subKey below key, creating it and any missing parents. disposition
// (optional) receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
KSTOOLS_API LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                 REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing. A null or
// empty subKey opens a new handle to key itself.
KSTOOLS_API LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
// Closing a root key does nothing and succeeds.
KSTOOLS_API LONG RegCloseKey(HKEY key);
// Every change is already committed; this moves the log into the database file.
KSTOOLS_API LONG RegFlushKey(HKEY key);

// type, data and dataSize are each optional. With data null, *dataSize gets
// the value's size. With the buffer too small, ERROR_MORE_DATA and *dataSize
// gets the size needed. REG_SZ sizes are in bytes and include the terminator.
KSTOOLS_API LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                  LPDWORD dataSize);
// REG_SZ data must be whole characters; a missing terminator is added.
// REG_DWORD data must be 4 bytes. Otherwise ERROR_INVALID_PARAMETER. Setting
// an existing value keeps the case of its name and its place in enumeration.
KSTOOLS_API LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                DWORD dataSize);
KSTOOLS_API LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes subKey together with all its sub-keys and values. Root keys cannot
// be deleted (ERROR_ACCESS_DENIED).
KSTOOLS_API LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// Values in the order they were first set. *nameChars: the buffer size in
// characters on entry, the name's length without terminator on success.
// ERROR_NO_MORE_ITEMS past the last one.
KSTOOLS_API LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved, LPDWORD type,
                               LPBYTE data, LPDWORD dataSize);
// Sub-keys in name order, without case. keyClass comes back empty.
KSTOOLS_API LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved, LPWSTR keyClass,
                               LPDWORD classChars, PFILETIME lastWriteTime);
// Counts and longest lengths (names in characters without terminator, data
// in bytes). Every out-parameter is optional.
KSTOOLS_API LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD reserved, LPDWORD subKeys,
                                  LPDWORD maxSubKeyChars, LPDWORD maxClassChars, LPDWORD values,
                                  LPDWORD maxValueNameChars, LPDWORD maxValueBytes, LPDWORD securityDescriptorBytes,
                                  PFILETIME lastWriteTime);

namespace platform {

// The database file in use, or the one the next call will open.
KSTOOLS_API std::string RegistryDatabasePath();
// Closes the database. The next registry call opens it again, finding its
// location anew (tests point KSTOOLS_HOME elsewhere in between). Open key
// handles stay valid.
KSTOOLS_API void CloseRegistryDatabase();
// Number of open (non-root) key handles, for leak checks in tests.
KSTOOLS_API size_t OpenRegistryKeyCount();

}  // namespace platform
