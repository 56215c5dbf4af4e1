#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <mutex>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/messaging/internal/window_class.h"
#include "platform/base/last_error.h"
#include "platform/messaging/window.h"

namespace platform {
namespace {

class ClassRegistry {
public:
    std::mutex mutex;
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;  // the range of registered (string) atoms

    std::shared_ptr<WindowClass> FindLocked(LPCWSTR nameOrAtom) const
    {
        auto value = reinterpret_cast<std::uintptr_t>(nameOrAtom);
        for (auto& cls : classes) {
            if (value < 0x10000 ? cls->atom == value
                                : u_strcasecmp(cls->name.c_str(), nameOrAtom, U_FOLD_CASE_DEFAULT) == 0)
                return cls;
        }
        return nullptr;
    }
};

ClassRegistry& Registry()
{
    static auto* registry = new ClassRegistry;  // never destroyed: see the handle table
    return *registry;
}

}  // namespace

std::shared_ptr<WindowClass> FindWindowClass(LPCWSTR nameOrAtom)
{
    if (!nameOrAtom) return nullptr;
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    return registry.FindLocked(nameOrAtom);
}

}  // namespace platform

ATOM RegisterClassW(const WNDCLASSW* wc)
{
    if (!wc || !wc->lpszClassName || reinterpret_cast<std::uintptr_t>(wc->lpszClassName) < 0x10000 ||
        !*wc->lpszClassName || !wc->lpfnWndProc || wc->cbWndExtra < 0 || wc->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& registry = platform::Registry();
    std::lock_guard lock(registry.mutex);
    if (registry.FindLocked(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (registry.nextAtom == 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto cls = std::make_shared<platform::WindowClass>();
    cls->name = wc->lpszClassName;
    cls->atom = registry.nextAtom++;
    cls->info = *wc;
    cls->info.lpszClassName = cls->name.c_str();
    cls->info.lpszMenuName = nullptr;  // not kept: menus do not exist here
    registry.classes.push_back(cls);
    return cls->atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE)
{
    auto& registry = platform::Registry();
    std::lock_guard lock(registry.mutex);
    auto cls = className ? registry.FindLocked(className) : nullptr;
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::erase(registry.classes, cls);
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, LPWNDCLASSW wc)
{
    auto cls = platform::FindWindowClass(className);
    if (!cls || !wc) {
        SetLastError(cls ? ERROR_INVALID_PARAMETER : ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *wc = cls->info;
    return TRUE;
}
