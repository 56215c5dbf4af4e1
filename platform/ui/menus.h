// Menus without a screen: menu handles that hold items (strings with a
// command id, separators, and items that open a submenu), built and read
// through the usual calls. Nothing is shown or tracked; the item states
// (MF_GRAYED, MF_CHECKED, ...) are accepted and not kept.
//
// Menus belong to the process, not to a thread: every call may come from any
// thread. A destroyed menu's handle is invalid from then on (IsMenu false,
// other calls fail with ERROR_INVALID_MENU_HANDLE) and is not given out again
// soon, so a stale handle does not reach a new menu.
#pragma once

#include "platform/base/types.h"

// Item kinds and states for AppendMenuW.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;  // not available: AppendMenuW fails
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;      // the id argument is the submenu's HMENU
constexpr UINT MF_OWNERDRAW = 0x0100;  // not available: AppendMenuW fails
constexpr UINT MF_SEPARATOR = 0x0800;
// How GetMenuStringW and DeleteMenu find the item.
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and every submenu it opens.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// Appends an item: MF_STRING (text null gives an empty text) with command id
// `id`; MF_SEPARATOR (id and text kept, the text is not read back); MF_POPUP
// opening the menu (HMENU)id, which must exist and must not contain `menu`.
// FALSE with ERROR_INVALID_PARAMETER for MF_BITMAP or MF_OWNERDRAW.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text);
// The number of items; -1 for an invalid menu.
int GetMenuItemCount(HMENU menu);
// The command id of the item at position; (UINT)-1 when the item opens a
// submenu or does not exist.
UINT GetMenuItemID(HMENU menu, int position);
// The submenu the item at position opens, else null.
HMENU GetSubMenu(HMENU menu, int position);
// Copies the item's text, truncated to maxCount - 1 characters and
// terminated; returns the number of characters copied. With buffer null or
// maxCount 0 returns the text's length. 0 for a separator or a missing item.
// MF_BYCOMMAND looks through the submenus too, in item order, depth first.
int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags);
// Removes the item (MF_BYCOMMAND looks through the submenus too) and destroys
// the submenu it opens. FALSE with ERROR_MENU_ITEM_NOT_FOUND when there is
// no such item.
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
