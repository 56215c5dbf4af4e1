// Recently used lists: what saving stores, and what each mode shows.
#include "storage/mru.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/files/registry.h"
#include "platform/messaging/list_controls.h"
#include "platform/ui/menus.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/test_windows.h"

namespace {

using Texts = std::vector<std::u16string>;
using Values = std::vector<std::pair<std::u16string, std::u16string>>;
const std::u16string kMenus = u"Software\\Corvid\\Kestrel\\Menus\\";

class MRUTest : public SettingsSandbox {
protected:
    void TearDown() override
    {
        EXPECT_EQ(platform::OpenRegistryKeyCount(), 0u) << "key handles leaked";
        SettingsSandbox::TearDown();
    }

    static void SaveAll(const WCHAR* list, const Texts& entries)
    {
        for (const auto& entry : entries) MRUSave(list, entry.c_str());
    }
    // The stored values of a list in enumeration order, each a string.
    static Values Stored(const std::u16string& list)
    {
        Values values;
        CRegistry registry(REGISTRY_TYPE_REGISTRY);
        if (!registry.Exists(HKEY_CURRENT_USER, (kMenus + list + u"\\MRU").c_str())) return values;
        WCHAR name[64];
        std::u16string data;
        for (LONG i = 0; registry.ValueName(i, name, 64) == 0; ++i) {
            ULONG kind = 0;
            EXPECT_TRUE(registry.QueryValueType(name, &kind) == 0 && kind == REG_SZ) << "not a string";
            values.emplace_back(name, registry.QueryText(name, data) == 0 ? data : u"<unreadable>");
        }
        return values;
    }
    // The stored texts, checking that they are named "0", "1", ... in order.
    static Texts StoredTexts(const std::u16string& list)
    {
        Texts texts;
        for (const auto& [name, text] : Stored(list)) {
            std::string position = std::to_string(texts.size());
            EXPECT_EQ(name, std::u16string(position.begin(), position.end()));
            texts.push_back(text);
        }
        return texts;
    }
    void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(Host(relative)); }

    static Texts ControlTexts(HWND control, UINT getCount, UINT getText)
    {
        Texts texts;
        for (LRESULT i = 0, n = SendMessageW(control, getCount, 0, 0); i < n; ++i) {
            WCHAR buffer[1100];
            SendMessageW(control, getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
            texts.emplace_back(buffer);
        }
        return texts;
    }
    static Texts MenuTexts(HMENU menu, std::vector<UINT>* ids = nullptr)
    {
        Texts texts;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            WCHAR buffer[1100];
            GetMenuStringW(menu, static_cast<UINT>(i), buffer, 1100, MF_BYPOSITION);
            texts.emplace_back(buffer);
            if (ids) ids->push_back(GetMenuItemID(menu, i));
        }
        return texts;
    }
};

TEST_F(MRUTest, SavingPutsTheEntryFirstTheSixteenthDropsTheOldestAndEmptyOrNamelessSavesChangeNothing)
{
    SaveAll(u"Find", {u"alpha", u"beta", u"gamma", u"delta"});
    EXPECT_EQ(Stored(u"Find"), (Values{{u"0", u"delta"}, {u"1", u"gamma"}, {u"2", u"beta"}, {u"3", u"alpha"}}));
    MRUSave(u"Find", u"beta");  // third from the top
    EXPECT_EQ(StoredTexts(u"Find"), (Texts{u"beta", u"delta", u"gamma", u"alpha"}));
    EXPECT_TRUE(StoredTexts(u"Location").empty());  // lists are separate
    // Entries differing in case or spaces are distinct.
    SaveAll(u"Other", {u"\\Work", u"\\work", u"\\Work ", u"\\WORK", u"\\work"});
    EXPECT_EQ(StoredTexts(u"Other"), (Texts{u"\\work", u"\\WORK", u"\\Work ", u"\\Work"}));
    Texts entries;
    for (int i = 0; i < 16; ++i) entries.push_back(u"entry " + std::u16string(1, static_cast<char16_t>(u'a' + i)));
    SaveAll(u"Long", Texts(entries.begin(), entries.begin() + 15));
    MRUSave(u"Long", entries[3].c_str());  // a known entry when full drops nothing
    EXPECT_EQ(StoredTexts(u"Long").back(), entries[0]);
    MRUSave(u"Long", entries[15].c_str());
    Texts expected = {entries[15], entries[3]};
    for (int i = 14; i > 0; --i) {
        if (i != 3) expected.push_back(entries[i]);
    }
    EXPECT_EQ(StoredTexts(u"Long"), expected);

    // Empty and nameless saves change nothing; long entries stay whole; saving drops stray values.
    MRUSave(u"Edit", u"");
    MRUSave(u"Edit", nullptr);
    EXPECT_EQ(CRegistry(REGISTRY_TYPE_REGISTRY).Exists(HKEY_CURRENT_USER, (kMenus + u"Edit").c_str()), 0)
        << "an empty entry created the list";
    MRUSave(u"Edit", u"kept");
    MRUSave(u"Edit", u"");
    MRUSave(nullptr, u"nowhere");
    MRUSave(u"", u"nowhere");
    EXPECT_EQ(StoredTexts(u"Edit"), (Texts{u"kept"}));
    const std::u16string longEntry(5000, u'y');
    MRUSave(u"Edit", longEntry.c_str());
    MRUSave(u"Edit", u"kept");
    EXPECT_EQ(StoredTexts(u"Edit"), (Texts{u"kept", longEntry})) << "read back whole and moved down";
    {
        CRegistry registry(REGISTRY_TYPE_REGISTRY);
        ASSERT_EQ(registry.OpenKey(HKEY_CURRENT_USER, (kMenus + u"Stray\\MRU").c_str()), 0);
        for (const auto& [name, text] : Values{{u"0", u"old"}, {u"Note", u"stray"}, {u"20", u"far"}})
            registry.SetValue(name.c_str(), text.c_str());
    }
    MRUSave(u"Stray", u"new");
    EXPECT_EQ(Stored(u"Stray"), (Values{{u"0", u"new"}, {u"1", u"old"}}));
}

TEST_F(MRUTest, EachModeFillsItsTargetAndAnEmptyListNone)
{
    SaveAll(u"Find", {u"a", u"b", u"c"});
    kstest::Handler plain;
    HWND dialog = kstest::CreateHandlerWindow(&plain, nullptr, WS_VISIBLE);
    auto control = [&](const WCHAR* cls, int id) {
        return CreateWindowExW(0, cls, nullptr, WS_CHILD, 0, 0, 1, 1, dialog,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
    };
    HWND list = control(u"listbox", 1001), other = control(u"listbox", 1002), combo = control(u"combobox", 1003);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"typed"));
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"stale"));
    MRU(dialog, u"Find", 1001, MRU_MODE_LISTBOX, false, nullptr);
    MRU(dialog, u"Find", 1003, MRU_MODE_COMBOBOX, false, nullptr);
    EXPECT_EQ(ControlTexts(list, LB_GETCOUNT, LB_GETTEXT), (Texts{u"typed", u"c", u"b", u"a"}));  // appended
    EXPECT_EQ(ControlTexts(combo, CB_GETCOUNT, CB_GETLBTEXT), (Texts{u"c", u"b", u"a"}));         // emptied first
    EXPECT_EQ(SendMessageW(other, LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(IsWindowVisible(combo));
    EXPECT_FALSE(IsWindowVisible(other));
    // Control id 0: the window itself is the list box.
    HWND alone = CreateWindowExW(0, u"listbox", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MRU(alone, u"Find", 0, MRU_MODE_LISTBOX, false, nullptr);
    EXPECT_EQ(ControlTexts(alone, LB_GETCOUNT, LB_GETTEXT), (Texts{u"c", u"b", u"a"}));
    EXPECT_TRUE(IsWindowVisible(alone));
    DestroyWindow(alone);
    DestroyWindow(dialog);
    SaveAll(u"Location", {u"Office", u"Home"});
    HMENU menu = CreatePopupMenu(), cast = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, u"Browse...");
    MRU(menu, u"Location", 40200, false);
    MRU(reinterpret_cast<HWND>(cast), u"Location", 500, MRU_MODE_MENU, false, nullptr);
    std::vector<UINT> ids;
    EXPECT_EQ(MenuTexts(menu, &ids), (Texts{u"Browse...", u"Home", u"Office"}));
    EXPECT_EQ(ids, (std::vector<UINT>{1, 40200, 40201}));
    ids.clear();
    EXPECT_EQ(MenuTexts(cast, &ids), (Texts{u"Home", u"Office"}));
    EXPECT_EQ(ids, (std::vector<UINT>{500, 501}));
    DestroyMenu(menu);
    DestroyMenu(cast);
    CeStrList<WCHAR*> appended;
    appended.Append(u"first");
    MRU(nullptr, u"Location", 0, MRU_MODE_LIST, false, &appended);
    MRU(nullptr, u"Location", 0, MRU_MODE_LIST, false, nullptr);
    ASSERT_EQ(appended.GetCount(), 3);
    EXPECT_EQ(std::u16string(appended.GetAt(2)), u"Office");
    ASSERT_EQ(CRegistry(REGISTRY_TYPE_REGISTRY).OpenKey(HKEY_CURRENT_USER, (kMenus + u"Empty\\MRU").c_str()), 0)
        << "the key exists but holds nothing";
    for (const WCHAR* name : {u"Empty", u"Never"}) {
        HWND combo = CreateWindowExW(0, u"combobox", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"stale"));
        MRU(combo, name, 0, MRU_MODE_COMBOBOX, true, nullptr);
        EXPECT_EQ(ControlTexts(combo, CB_GETCOUNT, CB_GETLBTEXT), (Texts{u"stale"}));
        EXPECT_FALSE(IsWindowVisible(combo)) << "an empty appended showed the control";
        DestroyWindow(combo);
        HMENU menu = CreatePopupMenu();
        MRU(menu, name, 100, false);
        EXPECT_EQ(GetMenuItemCount(menu), 0);
        DestroyMenu(menu);
    }
}

TEST_F(MRUTest, AMissingFolderDisappearsForGoodAndMRUStringsReturnsTheWholeList)
{
    MakeFolder("My Documents/Work");
    MakeFolder("My Documents/Home");
    MakeHostFile("My Documents/plain.txt");
    SaveAll(u"Folders",
            {u"\\My Documents\\Home", u"\\My Documents\\Gone", u"\\My Documents\\plain.txt", u"\\My Documents\\Work"});
    CeStrList<WCHAR*> unchecked;
    MRU(nullptr, u"Folders", 0, MRU_MODE_LIST, false, &unchecked);
    EXPECT_EQ(unchecked.GetCount(), 4);  // without the check nothing is tested or lost
    HMENU menu = CreatePopupMenu();
    MRU(menu, u"Folders", 300, true);
    std::vector<UINT> ids;
    EXPECT_EQ(MenuTexts(menu, &ids), (Texts{u"\\My Documents\\Work", u"\\My Documents\\Home"}));
    EXPECT_EQ(ids, (std::vector<UINT>{300, 301}));  // positions after the check
    DestroyMenu(menu);
    EXPECT_EQ(StoredTexts(u"Folders"), (Texts{u"\\My Documents\\Work", u"\\My Documents\\Home"}));
    // The folder goes away, and coming back later does not bring the entry back.
    std::filesystem::remove(Host("My Documents/Work"));
    CeStrList<WCHAR*> checked;
    MRU(nullptr, u"Folders", 0, MRU_MODE_LIST, true, &checked);
    ASSERT_EQ(checked.GetCount(), 1);
    EXPECT_EQ(std::u16string(checked.GetAt(0)), u"\\My Documents\\Home");
    MakeFolder("My Documents/Work");
    EXPECT_EQ(StoredTexts(u"Folders"), (Texts{u"\\My Documents\\Home"}));
    int count = -1;
    WCHAR** strings = MRUStrings(u"Find", &count);
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(count, 1);  // a list without values: one empty string
    EXPECT_EQ(std::u16string(strings[0]), u"");
    CleanupMRUStrings(strings, count);
    SaveAll(u"Find", {u"one", u"two", u"three"});
    strings = MRUStrings(u"Find", &count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ((Texts{strings[0], strings[1], strings[2]}), (Texts{u"three", u"two", u"one"}));
    std::free(strings[1]);  // a caller may take strings out and leave null behind
    strings[1] = nullptr;
    CleanupMRUStrings(strings, count);
    CleanupMRUStrings(nullptr, 5);
}

}  // namespace
