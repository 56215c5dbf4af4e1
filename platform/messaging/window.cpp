// Sections: The window table; Inside the platform; Creating and destroying; Procedures; Text; Parents and lookup;
//   Window values; Visibility, enabling and activation.

#include "platform/messaging/window.h"
#include "platform/messaging/edit_control.h"
#include "platform/messaging/input.h"
#include "platform/messaging/list_controls.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/base/slot_table.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/messaging/internal/window_class.h"
#include "platform/messaging/internal/window_record.h"
#include "platform/messaging/internal/window_table.h"
#include "platform/base/last_error.h"

namespace platform {

WindowTable& Table()
{
    static auto* table = new WindowTable;  // never destroyed: see the handle table
    return *table;
}

void WindowTable::RemoveLocked(Window& w)
{
    if (GetLocked(w.handle).get() != &w) return;  // removed already (its thread was killed)
    if (auto parent = GetLocked(w.parent)) std::erase(parent->children, w.handle);
    for (HWND child : w.children)
        if (auto c = GetLocked(child)) c->parent = nullptr;
    slots.Remove(HandleValue(w.handle));
    --w.cls->windows;
    if (foreground == w.handle) foreground = nullptr;
    if (capture == w.handle) capture = nullptr;
    std::erase_if(active, [&](const auto& entry) { return entry.second == w.handle; });
    std::erase_if(focus, [&](const auto& entry) { return entry.second == w.handle; });
    if (w.surface) DeleteObject(w.surface);  // the drawing layer never calls back into the window table
    w.surface = nullptr;
}

namespace {

bool IsDescendantLocked(const WindowTable& table, HWND hwnd, HWND ancestor)
{
    for (auto w = table.GetLocked(hwnd); w; w = table.GetLocked(w->parent))
        if (w->handle == ancestor) return true;
    return false;
}

bool CaseInsensitiveEqual(const std::u16string& a, LPCWSTR b)
{
    return u_strcasecmp(a.c_str(), b, U_FOLD_CASE_DEFAULT) == 0;
}

// Reads or writes a window long; `pointerSized` selects 8 or 4 extra bytes.
LONG_PTR WindowLong(HWND hwnd, int index, bool write, LONG_PTR value, bool pointerSized)
{
    auto& self = CurrentThread();
    if (write && self.killed) return 0;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = GetOrFailLocked(hwnd);
    if (!w) return 0;
    SetLastError(ERROR_SUCCESS);  // so that a previous value of 0 can be told from a failure
    auto access = [&](auto& field) -> LONG_PTR {
        LONG_PTR previous = static_cast<LONG_PTR>(field);
        if (write) field = static_cast<std::remove_reference_t<decltype(field)>>(value);
        return previous;
    };
    switch (index) {
        case GWL_WNDPROC: {
            LONG_PTR previous = reinterpret_cast<LONG_PTR>(w->proc);
            if (write) w->proc = reinterpret_cast<WNDPROC>(value);
            return previous;
        }
        case GWL_HINSTANCE: {
            LONG_PTR previous = reinterpret_cast<LONG_PTR>(w->instance);
            if (write) w->instance = reinterpret_cast<HINSTANCE>(value);
            return previous;
        }
        case GWL_HWNDPARENT:
            if (!write) return reinterpret_cast<LONG_PTR>(w->parent);
            break;
        case GWL_ID:
            return access(w->id);
        case GWL_STYLE:
            return access(w->style);
        case GWL_EXSTYLE:
            return access(w->exStyle);
        case GWL_USERDATA:
            return access(w->userData);
        default:
            if (index >= 0) {
                size_t size = pointerSized ? sizeof(LONG_PTR) : sizeof(LONG);
                if (static_cast<size_t>(index) + size > w->extra.size()) break;
                BYTE* at = w->extra.data() + index;
                if (pointerSized) {
                    LONG_PTR previous;
                    std::memcpy(&previous, at, size);
                    if (write) std::memcpy(at, &value, size);
                    return previous;
                }
                LONG previous;
                std::memcpy(&previous, at, size);
                if (write) {
                    auto narrow = static_cast<LONG>(value);
                    std::memcpy(at, &narrow, size);
                }
                return previous;
            }
            break;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

// Calls a window's procedure on the calling thread.
// Fills the client area with the class's background brush (a brush handle,
// or a system colour index + 1); false when the class has none.
bool EraseWithClassBrush(HWND hwnd, HDC dc)
{
    HBRUSH brush = nullptr;
    RECT client{};
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto w = table.GetLocked(hwnd);
        if (!w) return false;
        brush = w->cls->info.hbrBackground;
        SIZE size = ClientSizeLocked(*w);
        client = RECT{0, 0, size.cx, size.cy};
    }
    if (!brush || !dc) return false;
    auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value <= COLOR_STATICTEXT + 1) {
        HBRUSH solid = CreateSolidBrush(GetSysColor(static_cast<int>(value) - 1));
        FillRect(dc, &client, solid);
        DeleteObject(solid);
    } else {
        FillRect(dc, &client, brush);
    }
    return true;
}

LRESULT CallOwnProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowTarget target;
    if (!FindWindowTarget(hwnd, &target)) return 0;
    return CallWindowProcedure(CurrentThread(), target.proc, hwnd, message, wParam, lParam, false);
}

}  // namespace

// ---- Inside the platform ----

bool FindWindowTarget(HWND hwnd, WindowTarget* out)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = table.GetLocked(hwnd);
    if (!w) return false;
    out->proc = w->proc;
    out->owner = w->owner;
    return true;
}

bool IsSameOrDescendant(HWND hwnd, HWND ancestor)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return IsDescendantLocked(table, hwnd, ancestor);
}

void ForgetActivation(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.foreground == hwnd) table.foreground = nullptr;
    std::erase_if(table.active, [&](const auto& entry) { return entry.second == hwnd; });
}

void DestroyWindowsOfThread(ThreadRecord& rec, bool runProcedures)
{
    auto& table = Table();
    if (runProcedures) {
        // Destroy the thread's top-most windows one by one; each takes its children along.
        for (;;) {
            HWND next = nullptr;
            {
                std::lock_guard lock(table.mutex);
                table.slots.ForEach([&](std::uint32_t value, const std::shared_ptr<Window>& w) {
                    if (next || w->owner.get() != &rec || w->destroying) return;
                    auto parent = table.GetLocked(w->parent);
                    if (!parent || parent->owner.get() != &rec) next = ToHwnd(value);
                });
            }
            if (!next) break;
            DestroyWindow(next);
        }
        return;
    }
    std::vector<std::shared_ptr<Window>> gone;  // released after the lock
    std::lock_guard lock(table.mutex);
    table.slots.ForEach([&](std::uint32_t, const std::shared_ptr<Window>& w) {
        if (w->owner.get() == &rec) gone.push_back(w);
    });
    for (auto& w : gone) table.RemoveLocked(*w);
    table.active.erase(rec.id);
    table.focus.erase(rec.id);
}

}  // namespace platform

using platform::CurrentThread;
using platform::Table;

// ---- Creating and destroying ----

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self)) return nullptr;
    // The system's control classes exist before the first window is made.
    platform::RegisterListControlClasses();
    platform::RegisterEditControlClass();
    auto cls = platform::FindWindowClass(className);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    platform::EnsureQueue(self);
    auto w = std::make_shared<platform::Window>();
    w->cls = cls;
    w->owner = self.shared_from_this();
    w->proc = cls->info.lpfnWndProc;
    w->messageOnly = parent == HWND_MESSAGE;
    w->style = w->messageOnly ? (style & ~WS_VISIBLE) : style;
    w->exStyle = exStyle;
    w->instance = instance;
    w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menu) : 0;
    if (windowName) w->text = windowName;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    w->extra.resize(static_cast<size_t>(cls->info.cbWndExtra));
    HWND hwnd;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        std::shared_ptr<platform::Window> parentWindow;
        if (parent && !w->messageOnly) {
            parentWindow = platform::GetOrFailLocked(parent);
            if (!parentWindow || parentWindow->destroying) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            w->parent = parent;
        }
        std::uint32_t value = table.slots.Add(w);
        if (!value) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        hwnd = w->handle = platform::ToHwnd(value);
        w->serial = table.nextSerial++;
        ++cls->windows;
        if (parentWindow) parentWindow->children.push_back(hwnd);
    }
    CREATESTRUCTW create{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (platform::CallOwnProcedure(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd)
{
    auto& self = CurrentThread();
    if (self.killed) return FALSE;
    auto& table = Table();
    std::shared_ptr<platform::Window> w;
    {
        std::lock_guard lock(table.mutex);
        w = platform::GetOrFailLocked(hwnd);
        if (!w) return FALSE;
        if (w->owner.get() != &self) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroying) return TRUE;  // already on its way (DestroyWindow from WM_DESTROY)
        w->destroying = true;
    }
    // The handle goes away however the procedures below end.
    struct Finish {
        platform::Window& w;
        ~Finish()
        {
            {
                std::lock_guard lock(Table().mutex);
                Table().RemoveLocked(w);
            }
            platform::ForgetWindow(*w.owner, w.handle);
        }
    } finish{*w};
    platform::CallOwnProcedure(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(table.mutex);
        children = w->children;
    }
    for (HWND child : children) {
        platform::WindowTarget target;
        if (!platform::FindWindowTarget(child, &target)) continue;
        if (target.owner.get() == &self) {
            DestroyWindow(child);
        } else {
            bool delivered;  // a child of another thread is destroyed on its own thread
            platform::SendToWindow(child, WM_NULL, 0, 0, INFINITE, true, &delivered);
        }
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.GetLocked(hwnd) ? TRUE : FALSE;
}

// ---- Procedures ----

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case WM_SETTEXT: {
            if (CurrentThread().killed) return FALSE;
            auto& table = Table();
            std::lock_guard lock(table.mutex);
            auto w = platform::GetOrFailLocked(hwnd);
            if (!w) return FALSE;
            auto text = reinterpret_cast<LPCWSTR>(lParam);
            w->text = text ? text : u"";
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<LPWSTR>(lParam);
            if (!buffer || wParam == 0) return 0;
            auto& table = Table();
            std::lock_guard lock(table.mutex);
            auto w = platform::GetOrFailLocked(hwnd);
            if (!w) {
                buffer[0] = 0;
                return 0;
            }
            size_t n = std::min<size_t>(w->text.size(), wParam - 1);
            std::copy_n(w->text.data(), n, buffer);
            buffer[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH: {
            auto& table = Table();
            std::lock_guard lock(table.mutex);
            auto w = platform::GetOrFailLocked(hwnd);
            return w ? static_cast<LRESULT>(w->text.size()) : 0;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (BeginPaint(hwnd, &paint)) EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_CANCELMODE:
            if (GetCapture() == hwnd) ReleaseCapture();
            return 0;
        case WM_ERASEBKGND:
            return platform::EraseWithClassBrush(hwnd, reinterpret_cast<HDC>(wParam)) ? 1 : 0;
        case WM_SETREDRAW:
        case WM_SETFONT:
        case WM_GETFONT: {
            auto& table = Table();
            std::lock_guard lock(table.mutex);
            auto w = platform::GetOrFailLocked(hwnd);
            if (!w) return 0;
            if (message == WM_SETREDRAW) w->redraw = wParam != 0;
            if (message == WM_SETFONT) w->font = reinterpret_cast<HFONT>(wParam);
            return message == WM_GETFONT ? reinterpret_cast<LRESULT>(w->font) : 0;
        }
        default:
            return 0;
    }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!proc) return 0;
    return proc(hwnd, message, wParam, lParam);
}

// ---- Text ----

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount)
{
    if (!buffer || maxCount <= 0) return 0;
    buffer[0] = 0;
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(
        SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) { return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text)
{
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

// ---- Parents and lookup ----

HWND GetParent(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    return w ? w->parent : nullptr;
}

HWND SetParent(HWND child, HWND newParent)
{
    if (CurrentThread().killed) return nullptr;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(child);
    if (!w) return nullptr;
    bool messageOnly = newParent == HWND_MESSAGE;
    std::shared_ptr<platform::Window> parent;
    if (newParent && !messageOnly) {
        parent = platform::GetOrFailLocked(newParent);
        if (!parent) return nullptr;
        if (platform::IsDescendantLocked(table, newParent, child)) {  // would make a cycle
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    HWND previous = w->parent;
    if (auto old = table.GetLocked(previous)) std::erase(old->children, child);
    w->parent = parent ? newParent : nullptr;
    w->messageOnly = messageOnly;
    if (parent) parent->children.push_back(child);
    SetLastError(ERROR_SUCCESS);
    return previous;
}

HWND GetAncestor(HWND hwnd, UINT flags)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return nullptr;
    switch (flags) {
        case GA_PARENT:
            return w->parent;
        case GA_ROOT:
        case GA_ROOTOWNER:
            while (auto parent = table.GetLocked(w->parent)) w = parent;
            return w->handle;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

BOOL IsChild(HWND parent, HWND hwnd)
{
    if (!parent || parent == hwnd) return FALSE;
    return platform::IsSameOrDescendant(hwnd, parent) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return 0;
    if (processId) *processId = static_cast<DWORD>(getpid());
    return w->owner->id;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName)
{
    auto cls = className ? platform::FindWindowClass(className) : nullptr;
    if (className && !cls) return nullptr;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    HWND found = nullptr;
    std::uint64_t newest = 0;
    table.slots.ForEach([&](std::uint32_t value, const std::shared_ptr<platform::Window>& w) {
        if (w->parent || w->messageOnly || w->destroying || w->serial < newest) return;
        if (cls && w->cls != cls) return;
        if (windowName && !platform::CaseInsensitiveEqual(w->text, windowName)) return;
        found = platform::ToHwnd(value);
        newest = w->serial;
    });
    return found;
}

int GetDlgCtrlID(HWND hwnd) { return static_cast<int>(GetWindowLongW(hwnd, GWL_ID)); }

HWND GetDlgItem(HWND parent, int id)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(parent);
    if (!w) return nullptr;
    for (HWND child : w->children)
        if (auto c = table.GetLocked(child); c && c->id == id) return child;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount)
{
    if (!buffer || maxCount <= 0) return 0;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return 0;
    size_t n = std::min<size_t>(w->cls->name.size(), static_cast<size_t>(maxCount - 1));
    std::copy_n(w->cls->name.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}

// ---- Window values ----

LONG_PTR GetWindowLongW(HWND hwnd, int index) { return platform::WindowLong(hwnd, index, false, 0, false); }
LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value)
{
    return platform::WindowLong(hwnd, index, true, value, false);
}
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) { return platform::WindowLong(hwnd, index, false, 0, true); }
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value)
{
    return platform::WindowLong(hwnd, index, true, value, true);
}

// ---- Visibility, enabling and activation ----

BOOL ShowWindow(HWND hwnd, int command)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    if (command == SW_HIDE || w->messageOnly)
        w->style &= ~WS_VISIBLE;
    else
        w->style |= WS_VISIBLE;
    if (!wasVisible && (w->style & WS_VISIBLE)) platform::InvalidateLocked(*w, nullptr, true);  // shown: paint it
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = table.GetLocked(hwnd);
    if (!w) return FALSE;
    for (; w; w = table.GetLocked(w->parent))
        if (!(w->style & WS_VISIBLE)) return FALSE;
    return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable)
        w->style &= ~WS_DISABLED;
    else
        w->style |= WS_DISABLED;
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = table.GetLocked(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

HWND GetForegroundWindow()
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.foreground;
}

BOOL SetForegroundWindow(HWND hwnd)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto w = platform::GetOrFailLocked(hwnd);
    if (!w) return FALSE;
    table.foreground = hwnd;
    table.active[w->owner->id] = hwnd;
    return TRUE;
}

HWND GetActiveWindow()
{
    auto& table = Table();
    DWORD self = CurrentThread().id;
    std::lock_guard lock(table.mutex);
    auto it = table.active.find(self);
    return it == table.active.end() ? nullptr : it->second;
}

HWND SetActiveWindow(HWND hwnd)
{
    auto& table = Table();
    DWORD self = CurrentThread().id;
    std::lock_guard lock(table.mutex);
    if (hwnd) {
        auto w = platform::GetOrFailLocked(hwnd);
        if (!w) return nullptr;
        if (w->owner->id != self) {  // only a window of the calling thread can become its active window
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
    }
    HWND previous = table.active.count(self) ? table.active[self] : nullptr;
    if (hwnd)
        table.active[self] = hwnd;
    else
        table.active.erase(self);
    return previous;
}
