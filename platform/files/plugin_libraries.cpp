#include "platform/files/plugin_libraries.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/files/data_directory.h"
#include "platform/modules/libraries.h"

namespace platform {
namespace {

size_t DataDirectoryForPlugin(char* buffer, size_t size)
{
    const std::string folder = DataDirectory();
    if (buffer && size > 0) {
        const size_t n = std::min(folder.size(), size - 1);
        std::memcpy(buffer, folder.data(), n);
        buffer[n] = 0;
    }
    return folder.size();
}

}  // namespace

std::string LoadPluginLibrary(const std::string& hostPath)
{
    // RTLD_LOCAL: a plug-in's symbols are reached only through its exports.
    void* object = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!object) {
        const char* why = dlerror();
        return why ? why : "cannot be loaded";
    }
    auto entry = reinterpret_cast<KsPluginEntry>(dlsym(object, kKsPluginEntryName));
    const KsPluginInfo* info = entry ? entry(&DataDirectoryForPlugin) : nullptr;
    if (!info || !info->libraryName || !info->libraryName[0] || (!info->exports && info->exportCount)) {
        dlclose(object);
        return "not a plug-in (no " + std::string(kKsPluginEntryName) + ")";
    }
    std::vector<LibraryExport> exports;
    for (size_t i = 0; i < info->exportCount; ++i)
        if (info->exports[i].name && info->exports[i].proc)
            exports.push_back({info->exports[i].name, info->exports[i].proc});
    // The object stays loaded for the life of the process: the registered
    // exports point into it. Registering a name twice keeps the first.
    RegisterLibrary(info->libraryName, std::move(exports));
    return {};
}

std::string PluginFolder() { return DataDirectory() + "/plugins"; }

int LoadInstalledPlugins()
{
    std::error_code error;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(PluginFolder(), error))
        if (entry.path().extension() == ".so") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    int loaded = 0;
    for (const std::string& file : files)
        if (LoadPluginLibrary(file).empty()) ++loaded;
    return loaded;
}

}  // namespace platform
