#include "platform/messaging/list_controls.h"

#include <new>
#include <string>
#include <vector>

namespace {

// The message numbers of one control kind; both kinds keep their strings the
// same way.
struct ItemMessages {
    UINT add;
    UINT remove;
    UINT reset;
    UINT getText;
    UINT getTextLength;
    UINT getCount;
};

constexpr ItemMessages kListBoxMessages{LB_ADDSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                        LB_GETTEXT,   LB_GETTEXTLEN,   LB_GETCOUNT};
constexpr ItemMessages kComboBoxMessages{CB_ADDSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                         CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETCOUNT};

// LB_ERR equals CB_ERR, LB_ERRSPACE equals CB_ERRSPACE.
constexpr LRESULT kError = LB_ERR;
constexpr LRESULT kNoSpace = LB_ERRSPACE;

// The strings of one control. It lives from WM_CREATE to WM_DESTROY, its
// address in the window's extra bytes; only the owner thread touches it.
using Items = std::vector<std::u16string>;

Items* ItemsOf(HWND hwnd) { return reinterpret_cast<Items*>(GetWindowLongPtrW(hwnd, 0)); }

// The string at a message's index, or null.
const std::u16string* At(const Items& items, WPARAM index) { return index < items.size() ? &items[index] : nullptr; }

LRESULT ItemsProc(const ItemMessages& m, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* items = new (std::nothrow) Items;
        if (!items) return -1;
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(items));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_DESTROY) {
        delete ItemsOf(hwnd);
        SetWindowLongPtrW(hwnd, 0, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    Items* items = ItemsOf(hwnd);
    if (!items) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == m.add) {
        auto* text = reinterpret_cast<const WCHAR*>(lParam);
        if (!text) return kError;
        try {
            items->emplace_back(text);
        } catch (const std::bad_alloc&) {
            return kNoSpace;
        }
        return static_cast<LRESULT>(items->size() - 1);
    }
    if (message == m.remove) {
        if (!At(*items, wParam)) return kError;
        items->erase(items->begin() + static_cast<std::ptrdiff_t>(wParam));
        return static_cast<LRESULT>(items->size());
    }
    if (message == m.reset) {
        items->clear();
        return LB_OKAY;
    }
    if (message == m.getText) {
        auto* buffer = reinterpret_cast<WCHAR*>(lParam);
        const std::u16string* text = At(*items, wParam);
        if (!text || !buffer) return kError;
        text->copy(buffer, text->size());
        buffer[text->size()] = 0;
        return static_cast<LRESULT>(text->size());
    }
    if (message == m.getTextLength) {
        const std::u16string* text = At(*items, wParam);
        return text ? static_cast<LRESULT>(text->size()) : kError;
    }
    if (message == m.getCount) return static_cast<LRESULT>(items->size());
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ItemsProc(kListBoxMessages, hwnd, message, wParam, lParam);
}

LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ItemsProc(kComboBoxMessages, hwnd, message, wParam, lParam);
}

bool RegisterControlClass(const WCHAR* name, WNDPROC proc)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = name;
    if (RegisterClassW(&wc)) return true;
    WNDCLASSW existing;
    return GetClassInfoW(nullptr, name, &existing) && existing.lpfnWndProc == proc;
}

}  // namespace

namespace platform {

bool RegisterListControlClasses()
{
    static const bool registered =
        RegisterControlClass(WC_LISTBOXW, ListBoxProc) && RegisterControlClass(WC_COMBOBOXW, ComboBoxProc);
    return registered;
}

}  // namespace platform
