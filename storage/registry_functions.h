// Plain functions over the platform registry, for settings that always live
// there. Each opens and closes its key and returns the platform's error code
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ...).
#pragma once

#include "platform/files/registry.h"
#include "platform/base/types.h"

// Creates the key when missing and sets a REG_DWORD value.
LONG SetToRegistry(HKEY root, LPCWSTR subkey, LPCWSTR name, ULONG value);
LONG GetFromRegistry(HKEY root, LPCWSTR subkey, LPCWSTR name, ULONG* value);
// Creates the key when missing and sets a REG_SZ value.
LONG SetToRegistrySZ(HKEY root, LPCWSTR subkey, LPCWSTR name, LPCWSTR text);
// size: the buffer's size in characters, terminator included.
LONG GetFromRegistrySZ(HKEY root, LPCWSTR subkey, LPCWSTR name, LPWSTR buffer, int size);
// The index-th sub-key's name into a buffer of kEnumKeyChars characters;
// ERROR_NO_MORE_ITEMS past the last.
constexpr int kEnumKeyChars = 75;
LONG EnumRegistryKeysSZ(HKEY root, LPCWSTR subkey, LPWSTR buffer, ULONG index);
LONG DeleteRegistryValue(HKEY root, LPCWSTR subkey, LPCWSTR name);
// The key's counts as RegQueryInfoKeyW gives them; each output is optional.
LONG QueryKey(HKEY root, LPCWSTR subkey, DWORD* subKeys, DWORD* values, DWORD* longestSubKey, DWORD* longestValueName);
