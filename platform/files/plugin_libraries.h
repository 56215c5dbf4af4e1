// Plug-in libraries: optional shared objects that stand for outside
// programs' libraries (the external notes program's "pwnotesapi.dll").
//
// A plug-in is a host shared object exporting the C function
// kKsPluginEntryName with the type KsPluginEntry. Loading it (dlopen) asks
// it for the library name it stands for and its exports, and registers them
// with the library loader (platform/modules/libraries.h), after which
// LoadLibraryW finds it by that name. A plug-in keeps its data under the
// data directory, which it asks for through the callback it is given.
//
// Installed plug-ins are the "*.so" files of the "plugins" folder of the data
// directory; without any, every library they would stand for is absent.
#pragma once

#include <cstddef>
#include <string>

#include "platform/base/export.h"

extern "C" {

struct KsPluginExport {
    const char* name;
    void (*proc)();
};

struct KsPluginInfo {
    const char16_t* libraryName;  // "pwnotesapi.dll"
    const KsPluginExport* exports;
    size_t exportCount;
};

// Writes the data directory (a host path, UTF-8, zero-terminated) into
// buffer; the length it needs without the terminator.
typedef size_t (*KsPluginDataDirectory)(char* buffer, size_t size);
typedef const KsPluginInfo* (*KsPluginEntry)(KsPluginDataDirectory dataDirectory);
}

inline constexpr const char* kKsPluginEntryName = "KsPluginLibrary";

namespace platform {

// Loads the plug-in at a host path and registers its library. Empty on
// success (also when a library of its name is registered already), else why
// not ("no such file", "not a plug-in").
KSTOOLS_API std::string LoadPluginLibrary(const std::string& hostPath);
// Loads every "*.so" of <data directory>/plugins; the number registered.
KSTOOLS_API int LoadInstalledPlugins();
// The folder of installed plug-ins.
KSTOOLS_API std::string PluginFolder();

}  // namespace platform
