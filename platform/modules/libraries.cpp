#include "platform/modules/libraries.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/modules/city_db.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/modules/string_resources.h"
#include "platform/text/wide_string.h"

namespace {

struct Library {
    std::vector<platform::LibraryExport> exports;
    // The handle's address is the library's identity: allocated once, kept
    // for the life of the process so that a stale handle never matches
    // another library.
    std::unique_ptr<HINSTANCE__> handle = std::make_unique<HINSTANCE__>();
    int loads = 0;
};

// The file name a library is known by: after the last separator, lower case,
// ".dll" added when there is no extension.
std::u16string LibraryKey(std::u16string_view name)
{
    const size_t slash = name.find_last_of(u"\\/");
    if (slash != std::u16string_view::npos) name = name.substr(slash + 1);
    std::u16string key;
    key.reserve(name.size() + 4);
    for (WCHAR c : name) key.push_back(towlower(c));
    if (!key.empty() && key.find(u'.') == std::u16string::npos) key += u".dll";
    return key;
}

class LibraryRegistry {
public:
    static LibraryRegistry& Instance()
    {
        static auto* registry = new LibraryRegistry;  // never destroyed: handles outlive static destruction
        return *registry;
    }

    std::mutex mutex;
    std::map<std::u16string, Library> libraries;
    // Handles of unregistered libraries, kept so their addresses are never
    // handed out again.
    std::vector<std::unique_ptr<HINSTANCE__>> retiredHandles;

    Library* FindLoaded(HMODULE module)
    {
        for (auto& [name, library] : libraries)
            if (library.handle.get() == module) return library.loads > 0 ? &library : nullptr;
        return nullptr;
    }

private:
    LibraryRegistry() { libraries[u"citydb.dll"].exports = platform::CityDbExports(); }
};

}  // namespace

HMODULE LoadLibraryW(LPCWSTR name)
{
    const std::u16string key = name ? LibraryKey(std::u16string_view(name, wcslen(name))) : std::u16string();
    if (key.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    LibraryRegistry& registry = LibraryRegistry::Instance();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.libraries.find(key);
    if (it == registry.libraries.end()) {
        if (HMODULE module = GetModuleHandleW(name)) return module;
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Library& library = it->second;
    if (library.loads++ == 0) RegisterStringModule(library.handle.get(), "", key);
    return library.handle.get();
}

BOOL FreeLibrary(HMODULE module)
{
    if (module) {
        LibraryRegistry& registry = LibraryRegistry::Instance();
        std::lock_guard<std::mutex> lock(registry.mutex);
        if (Library* library = registry.FindLoaded(module)) {
            if (--library->loads == 0) UnregisterStringModule(module);
            return TRUE;
        }
        if (FindStringTable(module)) return TRUE;  // a string module stays registered
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

FARPROC GetProcAddressA(HMODULE module, LPCSTR name)
{
    LibraryRegistry& registry = LibraryRegistry::Instance();
    std::lock_guard<std::mutex> lock(registry.mutex);
    Library* library = module ? registry.FindLoaded(module) : nullptr;
    if (!library) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (reinterpret_cast<std::uintptr_t>(name) >= 0x10000) {
        for (const platform::LibraryExport& e : library->exports)
            if (std::strcmp(e.name, name) == 0) return e.proc;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR name)
{
    if (reinterpret_cast<std::uintptr_t>(name) < 0x10000) return GetProcAddressA(module, nullptr);
    // Export names are ASCII; a name with any other character matches none.
    std::string narrow;
    for (const WCHAR* p = name; *p; ++p) narrow.push_back(*p < 0x80 ? static_cast<char>(*p) : '\x7f');
    return GetProcAddressA(module, narrow.c_str());
}

namespace platform {

bool RegisterLibrary(std::u16string_view name, std::vector<LibraryExport> exports)
{
    const std::u16string key = LibraryKey(name);
    LibraryRegistry& registry = LibraryRegistry::Instance();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (key.empty() || registry.libraries.count(key)) return false;
    registry.libraries[key].exports = std::move(exports);
    return true;
}

bool UnregisterLibrary(std::u16string_view name)
{
    LibraryRegistry& registry = LibraryRegistry::Instance();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.libraries.find(LibraryKey(name));
    if (it == registry.libraries.end() || it->second.loads > 0) return false;
    registry.retiredHandles.push_back(std::move(it->second.handle));
    registry.libraries.erase(it);
    return true;
}

}  // namespace platform
