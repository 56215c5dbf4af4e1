// Menus: building, reading back, deleting and destroying.
#include "platform/ui/menus.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"
#include "tests/support/last_error_check.h"

namespace {

constexpr UINT kNone = static_cast<UINT>(-1);

std::u16string TextAt(HMENU menu, UINT item, UINT flags)
{
    WCHAR buffer[64] = u"#";
    int length = GetMenuStringW(menu, item, buffer, 64, flags);
    return std::u16string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

TEST(Menus, ItemsAreReadBackByPositionAndByCommandMeasuredOrCut)
{
    HMENU menu = CreatePopupMenu();
    ASSERT_TRUE(IsMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 40100, u"\\My Documents\\Work"));
    ASSERT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuW(menu, MF_STRING | MF_GRAYED, 7, u"Kestrel"));
    AppendMenuW(menu, MF_STRING, 8, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(GetMenuItemID(menu, 0), 40100u);
    EXPECT_EQ(GetMenuItemID(menu, 2), 7u);
    EXPECT_EQ(GetMenuItemID(menu, 4), kNone);
    EXPECT_EQ(TextAt(menu, 0, MF_BYPOSITION), u"\\My Documents\\Work");
    EXPECT_EQ(TextAt(menu, 1, MF_BYPOSITION), u"");  // a separator has no text
    EXPECT_TRUE(FAILS_WITH(GetMenuStringW(menu, 40999, nullptr, 0, MF_BYCOMMAND), 0, ERROR_MENU_ITEM_NOT_FOUND));
    EXPECT_EQ(GetMenuStringW(menu, 7, nullptr, 0, MF_BYCOMMAND), 7);
    WCHAR buffer[8] = u"#######";
    EXPECT_EQ(GetMenuStringW(menu, 7, buffer, 0, MF_BYCOMMAND), 7);  // measures, writes nothing
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(GetMenuStringW(menu, 7, buffer, 4, MF_BYCOMMAND), 3);
    EXPECT_EQ(std::u16string(buffer), u"Kes");
    EXPECT_EQ(GetMenuStringW(menu, 7, buffer, 8, MF_BYCOMMAND), 7);
    EXPECT_EQ(std::u16string(buffer), u"Kestrel");
    EXPECT_EQ(GetMenuStringW(menu, 8, buffer, 8, MF_BYCOMMAND), 0);  // null text: an empty item
    EXPECT_EQ(buffer[0], u'\0');
    DestroyMenu(menu);
}

TEST(Menus, SubmenusSearchedByCommandGoWithTheirParentAndBadHandlesOrItemsFail)
{
    HMENU bar = CreateMenu(), popup = CreatePopupMenu(), deeper = CreatePopupMenu();
    AppendMenuW(deeper, MF_STRING, 30, u"deep");
    AppendMenuW(popup, MF_STRING, 20, u"inner");
    ASSERT_TRUE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(deeper), u"More"));
    AppendMenuW(bar, MF_STRING, 10, u"outer");
    ASSERT_TRUE(AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), u"File"));
    EXPECT_EQ(GetSubMenu(bar, 1), popup);
    EXPECT_EQ(GetSubMenu(bar, 0), nullptr);
    EXPECT_EQ(GetMenuItemID(bar, 1), kNone);  // a submenu item has no command
    EXPECT_EQ(TextAt(bar, 1, MF_BYPOSITION), u"File");
    EXPECT_EQ(TextAt(bar, 30, MF_BYCOMMAND), u"deep");
    EXPECT_EQ(TextAt(bar, 20, MF_BYCOMMAND), u"inner");
    // A menu cannot open itself or one of its ancestors.
    EXPECT_FALSE(AppendMenuW(deeper, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), u"loop"));
    EXPECT_FALSE(AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), u"self"));
    EXPECT_EQ(GetMenuItemCount(deeper), 1);
    ASSERT_TRUE(DeleteMenu(bar, 30, MF_BYCOMMAND));  // removed from the submenu that holds it
    EXPECT_EQ(GetMenuItemCount(deeper), 0);
    EXPECT_TRUE(DestroyMenu(bar));
    for (HMENU gone : {bar, popup, deeper}) EXPECT_FALSE(IsMenu(gone));
    HMENU menu = CreateMenu(), sub = CreatePopupMenu();
    for (UINT id = 100; id < 104; ++id) AppendMenuW(menu, MF_STRING, id, u"x");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"sub");
    ASSERT_TRUE(DeleteMenu(menu, 1, MF_BYPOSITION));
    ASSERT_TRUE(DeleteMenu(menu, 103, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(GetMenuItemID(menu, 0), 100u);
    EXPECT_EQ(GetMenuItemID(menu, 1), 102u);
    EXPECT_TRUE(FAILS_WITH(DeleteMenu(menu, 101, MF_BYCOMMAND), FALSE, ERROR_MENU_ITEM_NOT_FOUND));
    EXPECT_FALSE(DeleteMenu(menu, 3, MF_BYPOSITION));
    ASSERT_TRUE(DeleteMenu(menu, 2, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(sub));
    EXPECT_TRUE(FAILS_WITH(AppendMenuW(menu, MF_BITMAP, 1, nullptr), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(AppendMenuW(menu, MF_POPUP, 12345, u"no such menu"));
    EXPECT_EQ(GetMenuItemCount(menu), 2);
    DestroyMenu(menu);
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (HMENU bad : {menu, static_cast<HMENU>(nullptr), reinterpret_cast<HMENU>(event),
                      reinterpret_cast<HMENU>(~std::uintptr_t{0})}) {
        EXPECT_FALSE(IsMenu(bad));
        EXPECT_TRUE(FAILS_WITH(GetMenuItemCount(bad), -1, ERROR_INVALID_MENU_HANDLE));
        EXPECT_FALSE(AppendMenuW(bad, MF_STRING, 1, u"x"));
        EXPECT_FALSE(DestroyMenu(bad));
        EXPECT_FALSE(DeleteMenu(bad, 0, MF_BYPOSITION));
    }
    CloseHandle(event);
}

}  // namespace
