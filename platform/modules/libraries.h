// Libraries built into the program and loaded by name: LoadLibraryW,
// GetProcAddress and FreeLibrary.
//
// There is no loading of code from files: LoadLibraryW finds a library in a
// registry of built-in libraries ("citydb.dll", the time-zone list) and of
// libraries other parts register at run time. Names compare without case, on
// the part after the last '\' or '/', with ".dll" assumed when the name has no
// extension. A loaded library is also known to GetModuleHandleW (see
// platform/modules/string_resources.h) until its last FreeLibrary.
#pragma once

#include <string_view>
#include <vector>

#include "platform/base/types.h"

// Any exported function; cast it to its real type before calling. It is
// void (*)() rather than the INT_PTR (*)() of the original headers because
// the compiler accepts casts from this type to any function type silently.
using FARPROC = void (*)();

// The library's handle (the same for every load; loads are counted), or null
// with ERROR_MOD_NOT_FOUND. A name registered only as a string module (a
// resource library) gives that module's handle.
HMODULE LoadLibraryW(LPCWSTR name);
// Drops one load; the last one unloads the library, after which its handle is
// no longer valid. FALSE with ERROR_INVALID_HANDLE for a handle that is not a
// loaded library. Freeing a string module's handle does nothing.
BOOL FreeLibrary(HMODULE module);
// The export of that name (case-sensitive), or null with ERROR_PROC_NOT_FOUND
// (ERROR_INVALID_HANDLE when the module is not a loaded library). Ordinals
// (names below 0x10000) are not supported and are not found.
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
FARPROC GetProcAddressA(HMODULE module, LPCSTR name);
inline FARPROC GetProcAddress(HMODULE module, LPCWSTR name) { return GetProcAddressW(module, name); }
inline FARPROC GetProcAddress(HMODULE module, LPCSTR name) { return GetProcAddressA(module, name); }

namespace platform {

struct LibraryExport {
    const char* name;
    FARPROC proc;
};

template <class Function>
FARPROC AsFarProc(Function* function)
{
    return reinterpret_cast<FARPROC>(function);
}

// Adds a library LoadLibraryW will find by name. Returns false when a library
// of that name exists already.
bool RegisterLibrary(std::u16string_view name, std::vector<LibraryExport> exports);
// Removes a registered library; false when there is none of that name or it
// is loaded.
bool UnregisterLibrary(std::u16string_view name);

}  // namespace platform
