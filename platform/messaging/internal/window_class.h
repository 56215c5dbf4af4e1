// Registered window classes (internal).
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/messaging/window.h"

namespace platform {

struct WindowClass {
    std::u16string name;
    ATOM atom;
    WNDCLASSW info;  // lpszClassName points at `name`
    std::atomic<int> windows{0};
};

// The class of that name (case-insensitive) or atom; null when none.
std::shared_ptr<WindowClass> FindWindowClass(LPCWSTR nameOrAtom);

}  // namespace platform
