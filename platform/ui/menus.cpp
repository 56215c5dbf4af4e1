#include "platform/ui/menus.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/slot_table.h"
#include "platform/base/last_error.h"

namespace {

// Menu handles form a third table beside kernel objects and windows.
constexpr std::uint32_t kMenuHandleTag = 3;

constexpr UINT kNoCommand = static_cast<UINT>(-1);

struct MenuItem {
    bool separator = false;
    UINT_PTR id = 0;
    std::u16string text;
    HMENU submenu = nullptr;  // set for MF_POPUP items
};

struct Menu {
    std::vector<MenuItem> items;
};

// Every menu of the process; one lock guards the table and every menu.
class MenuTable {
public:
    std::mutex mutex;
    platform::SlotTable<Menu> slots{kMenuHandleTag};

    std::shared_ptr<Menu> GetLocked(HMENU menu) const
    {
        std::uint32_t value = platform::HandleValue(menu);
        return value ? slots.Lookup(value) : nullptr;
    }
    // The menu, or null with ERROR_INVALID_MENU_HANDLE set.
    std::shared_ptr<Menu> GetOrFailLocked(HMENU menu) const
    {
        auto m = GetLocked(menu);
        if (!m) SetLastError(ERROR_INVALID_MENU_HANDLE);
        return m;
    }
    // True when `target` is `menu` or is opened, at any depth, from it.
    bool ReachesLocked(HMENU menu, HMENU target) const
    {
        if (menu == target) return true;
        auto m = GetLocked(menu);
        if (!m) return false;
        return std::any_of(m->items.begin(), m->items.end(),
                           [&](const MenuItem& item) { return item.submenu && ReachesLocked(item.submenu, target); });
    }
    // Removes the menu and, through its items, the submenus it opens. A menu
    // already gone ends the walk, so a submenu shared by two menus is
    // destroyed once.
    void DestroyLocked(HMENU menu)
    {
        auto m = slots.Remove(platform::HandleValue(menu));
        if (!m) return;
        for (const MenuItem& item : m->items)
            if (item.submenu) DestroyLocked(item.submenu);
    }

    // Where an item was found: its menu and position.
    struct Found {
        std::shared_ptr<Menu> menu;
        size_t position = 0;
    };
    // The item at a position, or the first item (depth first) with a command
    // id. Submenu items are found by position only. Appending refuses cycles,
    // so the walk ends.
    Found FindLocked(HMENU menu, UINT item, UINT flags) const
    {
        auto m = GetLocked(menu);
        if (!m) return {};
        if (flags & MF_BYPOSITION) return item < m->items.size() ? Found{m, item} : Found{};
        for (size_t i = 0; i < m->items.size(); ++i) {
            const MenuItem& candidate = m->items[i];
            if (candidate.submenu) {
                if (Found inner = FindLocked(candidate.submenu, item, flags); inner.menu) return inner;
            } else if (candidate.id == item) {
                return {m, i};
            }
        }
        return {};
    }
};

MenuTable& Table()
{
    static auto* table = new MenuTable;  // never destroyed: menus may outlive static destruction
    return *table;
}

HMENU ToHmenu(std::uint32_t value) { return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(value)); }

HMENU NewMenu()
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    std::uint32_t value = table.slots.Add(std::make_shared<Menu>());
    if (!value) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return ToHmenu(value);
}

}  // namespace

HMENU CreateMenu() { return NewMenu(); }

HMENU CreatePopupMenu() { return NewMenu(); }

BOOL DestroyMenu(HMENU menu)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    if (!table.GetOrFailLocked(menu)) return FALSE;
    table.DestroyLocked(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.GetLocked(menu) ? TRUE : FALSE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text)
{
    if (flags & (MF_BITMAP | MF_OWNERDRAW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto m = table.GetOrFailLocked(menu);
    if (!m) return FALSE;
    MenuItem item;
    item.separator = (flags & MF_SEPARATOR) != 0;
    item.id = id;
    if (text) item.text = text;
    if (flags & MF_POPUP) {
        auto submenu = reinterpret_cast<HMENU>(id);
        if (!table.GetOrFailLocked(submenu)) return FALSE;
        if (table.ReachesLocked(submenu, menu)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        item.submenu = submenu;
        item.separator = false;
    }
    try {
        m->items.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

int GetMenuItemCount(HMENU menu)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto m = table.GetOrFailLocked(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto m = table.GetOrFailLocked(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return kNoCommand;
    const MenuItem& item = m->items[static_cast<size_t>(position)];
    return item.submenu ? kNoCommand : static_cast<UINT>(item.id);
}

HMENU GetSubMenu(HMENU menu, int position)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto m = table.GetOrFailLocked(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
    return m->items[static_cast<size_t>(position)].submenu;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    if (!table.GetOrFailLocked(menu)) return 0;
    auto found = table.FindLocked(menu, item, flags);
    if (!found.menu) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return 0;
    }
    const MenuItem& target = found.menu->items[found.position];
    if (target.separator) return 0;
    if (!buffer || maxCount <= 0) return static_cast<int>(target.text.size());
    size_t copied = std::min(target.text.size(), static_cast<size_t>(maxCount) - 1);
    target.text.copy(buffer, copied);
    buffer[copied] = 0;
    return static_cast<int>(copied);
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    if (!table.GetOrFailLocked(menu)) return FALSE;
    auto found = table.FindLocked(menu, item, flags);
    if (!found.menu) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    HMENU submenu = found.menu->items[found.position].submenu;
    found.menu->items.erase(found.menu->items.begin() + static_cast<std::ptrdiff_t>(found.position));
    if (submenu) table.DestroyLocked(submenu);
    return TRUE;
}
