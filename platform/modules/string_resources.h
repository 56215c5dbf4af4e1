// String resources of modules: LoadStringW, GetModuleHandleW.
//
// The application's module is built in: its strings are the suite's string
// table compiled into the library (resources/strings.txt). Further modules,
// such as the resource library, are registered with their own table text and
// a handle chosen by whoever loads them.
#pragma once

#include <string_view>

#include "platform/modules/string_table.h"
#include "platform/base/types.h"

// The string table text compiled into the library.
extern const char g_ksEmbeddedStringTable[];

// Copies string id of module (the application's module when null) into buf,
// truncated to cchMax - 1 characters and terminated; returns the number of
// characters copied. Returns 0, leaving buf unchanged, when the module or the
// string does not exist (or buf is null). With cchMax 0, buf is taken as a
// WCHAR** and receives a read-only pointer to the (terminated) text, whose
// length is returned.
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buf, int cchMax);

// null name: the application's module. Otherwise a module registered under
// that name (compared case-insensitively, on the part after the last '\\'),
// or null.
HMODULE GetModuleHandleW(LPCWSTR name);

// The application's module strings.
const StringTable& ApplicationStringTable();

// Registers (or replaces) the string table of a module handle other than the
// application's; name is what GetModuleHandleW finds it by (may be empty).
// Returns false for a null or application handle. Malformed lines are skipped.
bool RegisterStringModule(HINSTANCE module, std::string_view tableText, std::u16string_view name = {});
// Forgets a registered module; pointers handed out by LoadStringW(…, 0) for
// it become invalid, as after FreeLibrary. Returns false when not registered.
bool UnregisterStringModule(HINSTANCE module);
// The table of a module (the application's when null), or null if unknown.
// The pointer is valid until the module is unregistered.
const StringTable* FindStringTable(HINSTANCE module);
