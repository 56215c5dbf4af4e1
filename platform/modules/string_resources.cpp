// The module registry behind LoadStringW and GetModuleHandleW.
#include "platform/modules/string_resources.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/text/wide_string.h"

namespace {

// The application's module handle: the address of an object of our own, so
// it can never equal a handle handed out for another module.
HINSTANCE__ g_applicationModule{};

HINSTANCE ApplicationModule() { return &g_applicationModule; }

struct RegisteredModule {
    std::shared_ptr<const StringTable> table;
    std::u16string name;
};

std::mutex g_modulesMutex;
std::map<HINSTANCE, RegisteredModule>& Modules()
{
    static auto* modules = new std::map<HINSTANCE, RegisteredModule>;
    return *modules;
}

// The part of a module name after its last backslash.
std::u16string_view BaseName(std::u16string_view name)
{
    size_t slash = name.rfind(u'\\');
    return slash == std::u16string_view::npos ? name : name.substr(slash + 1);
}

bool SameName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (towlower(a[i]) != towlower(b[i])) return false;
    return true;
}

}  // namespace

const StringTable& ApplicationStringTable()
{
    static const StringTable table = StringTable::Parse(g_ksEmbeddedStringTable);
    return table;
}

const StringTable* FindStringTable(HINSTANCE module)
{
    if (!module || module == ApplicationModule()) return &ApplicationStringTable();
    std::lock_guard<std::mutex> lock(g_modulesMutex);
    auto it = Modules().find(module);
    return it == Modules().end() ? nullptr : it->second.table.get();
}

bool RegisterStringModule(HINSTANCE module, std::string_view tableText, std::u16string_view name)
{
    if (!module || module == ApplicationModule()) return false;
    auto table = std::make_shared<const StringTable>(StringTable::Parse(tableText));
    std::lock_guard<std::mutex> lock(g_modulesMutex);
    Modules()[module] = RegisteredModule{std::move(table), std::u16string(BaseName(name))};
    return true;
}

bool UnregisterStringModule(HINSTANCE module)
{
    std::lock_guard<std::mutex> lock(g_modulesMutex);
    return Modules().erase(module) > 0;
}

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buf, int cchMax)
{
    if (!buf || cchMax < 0) return 0;
    // Hold the table while copying, so that an unregistration on another
    // thread cannot free it under us.
    std::shared_ptr<const StringTable> held;
    const StringTable* table = nullptr;
    if (!module || module == ApplicationModule()) {
        table = &ApplicationStringTable();
    } else {
        std::lock_guard<std::mutex> lock(g_modulesMutex);
        auto it = Modules().find(module);
        if (it == Modules().end()) return 0;
        held = it->second.table;
        table = held.get();
    }
    const std::u16string* text = table->find(id);
    if (!text) return 0;
    if (cchMax == 0) {
        const WCHAR* pointer = text->c_str();
        std::memcpy(buf, &pointer, sizeof pointer);  // buf is really a WCHAR**
        return static_cast<int>(text->size());
    }
    size_t n = text->size() < static_cast<size_t>(cchMax) ? text->size() : static_cast<size_t>(cchMax) - 1;
    std::memcpy(buf, text->data(), n * sizeof(WCHAR));
    buf[n] = 0;
    return static_cast<int>(n);
}

HMODULE GetModuleHandleW(LPCWSTR name)
{
    if (!name) return ApplicationModule();
    std::u16string_view wanted = BaseName(std::u16string_view(name, wcslen(name)));
    if (wanted.empty()) return nullptr;
    std::lock_guard<std::mutex> lock(g_modulesMutex);
    for (const auto& [handle, module] : Modules())
        if (SameName(module.name, wanted)) return handle;
    return nullptr;
}
