// Custom views: listing by tab and folder, saving and applying a settings key, and refusing
// damaged or foreign view files without touching the settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ce_file.h"
#include "foundation/ce_worker_thread.h"
#include "items/c_custom_view.h"
#include "platform/files/durable_file.h"
#include "platform/files/files.h"
#include "platform/text/utf8.h"
#include "storage/c_registry.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/scripted_ui_host.h"

namespace {

constexpr const WCHAR* kKey = u"Software\\Corvid\\Kestrel\\TV";
constexpr const WCHAR* kSubKey = u"Software\\Corvid\\Kestrel\\TV\\Columns";
constexpr const WCHAR* kOtherKey = u"Software\\Corvid\\Kestrel\\CV";
constexpr int kTab = 3;

class CustomViewTest : public SettingsSandbox {
protected:
    static void Set(const WCHAR* key, const WCHAR* name, ULONG value)
    {
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
        ASSERT_EQ(settings.SetValue(name, value), 0);
    }
    static void Set(const WCHAR* key, const WCHAR* name, const WCHAR* text)
    {
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
        ASSERT_EQ(settings.SetValue(name, text), 0);
    }
    // Every value of every section of the settings store, as "section|name=value".
    static std::vector<std::string> Everything()
    {
        std::vector<std::string> lines;
        CRegistry settings;
        std::unique_ptr<CeStrList<WCHAR*>> sections(settings.SubKeyNames());
        for (int s = 0; s < sections->GetCount(); ++s) {
            const std::u16string section = sections->GetAt(s);
            CRegistry key;
            if (key.Exists(nullptr, section.c_str()) != 1) continue;
            std::unique_ptr<CeStrList<WCHAR*>> names(key.ValueNames());
            for (int v = 0; v < names->GetCount(); ++v) {
                ULONG kind = 0, number = 0;
                std::u16string text;
                key.QueryValueType(names->GetAt(v), &kind);
                if (kind == REG_DWORD) key.QueryValue(names->GetAt(v), &number);
                else key.QueryText(names->GetAt(v), text);
                lines.push_back(WideToUtf8(section) + "|" + WideToUtf8(names->GetAt(v)) + "=" +
                                (kind == REG_DWORD ? std::to_string(number) : WideToUtf8(text)));
            }
        }
        return lines;
    }
    static void Touch(const std::u16string& name, int tab)
    {
        const std::u16string path = CCustomView::ViewFile(name, tab);
        ASSERT_FALSE(path.empty()) << WideToUtf8(name);
        ASSERT_TRUE(CeFile::CreatePath(path.c_str()));
        ASSERT_EQ(platform::ReplaceFileContents(path.c_str(), "x", 1), 0u);
    }
    static std::string FileBytes(const std::u16string& path)
    {
        CeFile file;
        std::string bytes;
        if (!file.Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, FALSE)) return bytes;
        if (file.IsUnicode()) bytes = "\xFF\xFE";
        char buffer[512];
        for (DWORD got = 0; (got = file.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
        return bytes;
    }
    // The views of a tree as "folder\name" paths, depth first.
    static void Flatten(const CustomViewTree& node, const std::string& folder, std::vector<std::string>& out)
    {
        for (const auto& view : node.views) out.push_back(folder + WideToUtf8(view.name));
        for (const auto& child : node.folders) {
            if (child.views.empty() && child.folders.empty()) out.push_back(folder + WideToUtf8(child.name) + "\\");
            Flatten(child, folder + WideToUtf8(child.name) + "\\", out);
        }
    }
};

TEST_F(CustomViewTest, ListsOnlyTheViewsOfTheTabAndTheFoldersHoldingThem)
{
    CCustomView views;
    for (const char16_t* name : {u"Due", u"Work\\Late", u"Work\\Deep\\Old", u"b view"}) Touch(name, 3);
    for (const char16_t* name : {u"Due", u"Other\\Mine", u"Work\\Four"}) Touch(name, 4);
    // A two-digit extension and a bare extension are no views.
    ASSERT_EQ(platform::ReplaceFileContents((CCustomView::RootFolder() + u"\\Short.03").c_str(), "x", 1), 0u);
    ASSERT_EQ(platform::ReplaceFileContents((CCustomView::RootFolder() + u"\\.003").c_str(), "x", 1), 0u);

    struct Case {
        int tab;
        bool includeEmpty;
        unsigned short count;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {3, false, 4, {"b view", "Due", "Work\\Late", "Work\\Deep\\Old"}},
        {3, true, 4, {"b view", "Due", "Other\\", "Work\\Late", "Work\\Deep\\Old"}},
        {4, false, 3, {"Due", "Other\\Mine", "Work\\Four"}},
        {5, false, 0, {}},
        {5, true, 0, {"Other\\", "Work\\Deep\\"}},
    };
    for (const Case& c : cases) {
        CustomViewTree tree;
        EXPECT_EQ(views.GetCustomViews(c.tab, tree, true, c.includeEmpty), c.count) << c.tab;
        std::vector<std::string> listed;
        Flatten(tree, "", listed);
        EXPECT_EQ(listed, c.listed) << "tab " << c.tab << " empty folders " << c.includeEmpty;
        for (const auto& view : tree.views) EXPECT_EQ(view.tab, c.tab);
        for (const auto& folder : tree.folders) EXPECT_EQ(folder.parent, &tree);
    }
}

TEST_F(CustomViewTest, ApplyingBringsTheSavedKeyBackReplacingOrMergingAsCustomViewClearSays)
{
    struct Case {
        ULONG clear;
        bool addedValueSurvives;
    };
    for (const Case c : {Case{1, false}, Case{0, true}}) {
        Forget();
        DeleteFileW(CCustomView::ViewFile(u"Due", kTab).c_str());
        Set(u"Software\\Corvid\\Kestrel", u"CustomViewClear", c.clear);
        Set(kKey, u"TV_Sort0", 2);
        Set(kKey, u"Name", u"due \"soon\"");
        Set(kSubKey, u"Width", 120);
        Set(kOtherKey, u"CV_Sort", 7);
        CCustomView views;
        ASSERT_EQ(views.CreateNewCustomView(kTab, kKey, true, u"Due"), CustomViewResult::kDone);
        const std::vector<std::string> saved = Everything();

        Set(kKey, u"TV_Sort0", 5);
        Set(kKey, u"Added", 9);
        Set(kSubKey, u"Width", 1);
        Set(kOtherKey, u"CV_Sort", 8);
        ASSERT_EQ(views.ApplyCustomView(u"Due", kKey, kTab), CustomViewResult::kDone) << WideToUtf8(views.LastError());

        std::vector<std::string> expected = saved;
        // The contact list's key is not part of the task list's view.
        std::replace(expected.begin(), expected.end(), std::string("HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\CV|CV_Sort=7"),
                     std::string("HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\CV|CV_Sort=8"));
        if (c.addedValueSurvives) expected.push_back("HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV|Added=9");
        std::vector<std::string> now = Everything();
        std::sort(expected.begin(), expected.end());
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, expected) << "CustomViewClear " << c.clear;
    }
}

TEST_F(CustomViewTest, ReplacingAViewAsksAndWritesOnlyTheNewSettings)
{
    ScriptedUiHost host;
    CCustomView views;
    Set(kKey, u"Old", 1);
    ASSERT_EQ(views.CreateNewCustomView(kTab, kKey, false, u"Work/ Due "), CustomViewResult::kDone);
    const std::u16string file = CCustomView::ViewFile(u"Work\\Due", kTab);
    const std::string first = FileBytes(file);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(host.MessageCount(), 0u) << "a new view is saved without a question";
    {
        CRegistry suite;
        ASSERT_EQ(suite.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel"), 0);
        WCHAR folder[40] = {};
        ASSERT_EQ(suite.QueryValue(u"CustomViewPath", folder, 39), 0);
        EXPECT_EQ(std::u16string(folder), u"Work");
    }

    {
        CRegistry settings;
        ASSERT_EQ(settings.DeleteKey(HKEY_CURRENT_USER, kKey), 0);
    }
    Set(kKey, u"New", 2);
    host.QueueAnswer(IDNO);
    EXPECT_EQ(views.CreateNewCustomView(kTab, kKey, false, u"Work\\Due"), CustomViewResult::kCancelled);
    EXPECT_EQ(host.LastMessage().caption, u"Due");
    EXPECT_EQ(FileBytes(file), first);

    host.QueueAnswer(IDYES);
    ASSERT_EQ(views.CreateNewCustomView(kTab, kKey, false, u"Work\\Due"), CustomViewResult::kDone);
    Set(kKey, u"Old", 5);
    ASSERT_EQ(views.ApplyCustomView(u"Work\\Due", kKey, kTab), CustomViewResult::kDone);
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kKey), 0);
    ULONG value = 0;
    EXPECT_EQ(settings.QueryValue(u"New", &value), 0);
    EXPECT_NE(settings.QueryValue(u"Old", &value), 0) << "the replaced file kept a value of the old view";

    // A save that writes nothing keeps the view it would have replaced.
    const std::string saved = FileBytes(file);
    ASSERT_EQ(settings.DeleteKey(HKEY_CURRENT_USER, kKey), 0);
    host.QueueAnswer(IDYES);
    EXPECT_EQ(views.CreateNewCustomView(kTab, kKey, false, u"Work\\Due"), CustomViewResult::kNoSettings);
    EXPECT_EQ(FileBytes(file), saved);
    CustomViewTree tree;
    EXPECT_EQ(views.GetCustomViews(kTab, tree, true, false), 1) << "only the view itself is listed";
}

TEST_F(CustomViewTest, DamagedOrForeignViewFilesChangeNothing)
{
    CCustomView views;
    Set(kKey, u"TV_Sort0", 2);
    Set(kKey, u"Name", u"a longer text value");
    Set(kSubKey, u"Width", 120);
    ASSERT_EQ(views.CreateNewCustomView(kTab, kKey, true, u"Good"), CustomViewResult::kDone);
    Set(kOtherKey, u"CV_Sort", 7);
    ASSERT_EQ(views.CreateNewCustomView(kTab, kOtherKey, true, u"Contacts"), CustomViewResult::kDone);
    const std::string good = FileBytes(CCustomView::ViewFile(u"Good", kTab));
    ASSERT_GT(good.size(), 40u);
    Set(kKey, u"TV_Sort0", 4);
    const std::vector<std::string> before = Everything();

    struct Case {
        const char* what;
        std::string bytes;  // empty: no file written
        const char16_t* name;
        CustomViewResult result;
    };
    const std::string utf8(good.begin() + 2, good.end());
    const Case cases[] = {
        {"cut inside a line", good.substr(0, good.size() - 11), u"Cut", CustomViewResult::kBadFile},
        {"cut at an odd byte", good.substr(0, good.size() - 1), u"Odd", CustomViewResult::kBadFile},
        {"cut before the last blank line", good.substr(0, good.size() - 2), u"Blank", CustomViewResult::kBadFile},
        {"only the byte-order mark", good.substr(0, 2), u"Mark", CustomViewResult::kBadFile},
        {"empty", std::string(), u"Empty", CustomViewResult::kBadFile},
        {"no byte-order mark", utf8, u"Plain", CustomViewResult::kBadFile},
        {"another view's key", "", u"Contacts", CustomViewResult::kBadFile},
        {"no such view", "", u"Nothing", CustomViewResult::kMissing},
        {"a name leaving the folder", "", u"..\\Good", CustomViewResult::kBadName},
    };
    for (const Case& c : cases) {
        const std::u16string path = CCustomView::ViewFile(c.name, kTab);
        if (!c.bytes.empty() || std::string(c.what) == "empty") {
            ASSERT_EQ(platform::ReplaceFileContents(path.c_str(), c.bytes.data(), c.bytes.size()), 0u);
        }
        EXPECT_EQ(views.ApplyCustomView(c.name, kKey, kTab), c.result) << c.what;
        EXPECT_FALSE(views.LastError().empty()) << c.what;
        EXPECT_EQ(Everything(), before) << c.what;
    }
}

TEST_F(CustomViewTest, NamesAreCleanedAndCannotLeaveTheRootFolder)
{
    struct Case {
        const char16_t* name;
        const char16_t* file;  // relative to the root; null: refused
    };
    const Case cases[] = {
        {u"Due", u"Due.003"},           {u" Work / Due ", u"Work\\Due.003"}, {u"a:b?c", u"a_b_c.003"},
        {u"", nullptr},                 {u"  ", nullptr},                    {u"..", nullptr},
        {u"Work\\..\\..\\x", nullptr},  {u"Work\\\\Due", nullptr},           {u"\\Due", nullptr},
        {u"Work\\.", nullptr},
    };
    for (const Case& c : cases) {
        const std::u16string file = CCustomView::ViewFile(c.name, 3);
        if (!c.file) {
            EXPECT_EQ(file, u"") << WideToUtf8(c.name);
        } else {
            EXPECT_EQ(file, CCustomView::RootFolder() + u"\\" + c.file) << WideToUtf8(c.name);
        }
    }
    EXPECT_EQ(CCustomView::ViewFile(u"Due", 1000), u"");
    EXPECT_EQ(CCustomView::ViewFile(u"Due", -1), u"");
    EXPECT_EQ(CCustomView::ViewFile(u"Due", 7), CCustomView::RootFolder() + u"\\Due.007");
}

TEST_F(CustomViewTest, RenamingAndDeletingMoveFilesAndDropEmptiedFolders)
{
    CCustomView views;
    Touch(u"A", kTab);
    Touch(u"B", kTab);
    Touch(u"A", kTab + 1);
    EXPECT_EQ(views.RenameCustomView(kTab, u"A", u"B"), CustomViewResult::kExists);
    EXPECT_EQ(views.RenameCustomView(kTab, u"Gone", u"C"), CustomViewResult::kMissing);
    EXPECT_EQ(views.RenameCustomView(kTab, u"A", u".."), CustomViewResult::kBadName);
    ASSERT_EQ(views.RenameCustomView(kTab, u"A", u"Old\\Older\\A2"), CustomViewResult::kDone);
    CustomViewTree tree;
    std::vector<std::string> listed;
    views.GetCustomViews(kTab, tree, true, true);
    Flatten(tree, "", listed);
    EXPECT_EQ(listed, (std::vector<std::string>{"B", "Old\\Older\\A2"}));
    ASSERT_EQ(views.DeleteCustomView(kTab, u"Old\\Older\\A2"), CustomViewResult::kDone);
    EXPECT_EQ(GetFileAttributesW((CCustomView::RootFolder() + u"\\Old").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(CCustomView::RootFolder().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(views.DeleteCustomView(kTab, u"Old\\Older\\A2"), CustomViewResult::kMissing);
    EXPECT_NE(GetFileAttributesW(CCustomView::ViewFile(u"A", kTab + 1).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CustomViewTest, EachApplicationKeepsItsViewsInItsOwnFolder)
{
    Set(kKey, u"TV_Sort0", 2);
    CCustomView tasks(u"Tasks"), contacts(u"Contacts"), root;
    ASSERT_EQ(tasks.CreateNewCustomView(kTab, kKey, true, u"Work\\Due"), CustomViewResult::kDone);
    EXPECT_NE(GetFileAttributesW((CCustomView::RootFolder() + u"\\Tasks\\Work\\Due.003").c_str()),
              INVALID_FILE_ATTRIBUTES);
    // The same tab in another application's folder is not the same view.
    struct Case {
        CCustomView* manager;
        std::vector<std::string> listed;
    };
    for (const Case& c : {Case{&tasks, {"Work\\Due"}}, Case{&contacts, {}}, Case{&root, {"Tasks\\Work\\Due"}}}) {
        CustomViewTree tree;
        std::vector<std::string> listed;
        c.manager->GetCustomViews(kTab, tree, true, false);
        Flatten(tree, "", listed);
        EXPECT_EQ(listed, c.listed) << WideToUtf8(c.manager->Folder());
    }
    EXPECT_EQ(contacts.ApplyCustomView(u"Work\\Due", kKey, kTab), CustomViewResult::kMissing);
    EXPECT_EQ(tasks.ApplyCustomView(u"Work\\Due", kKey, kTab), CustomViewResult::kDone);
    EXPECT_EQ(contacts.DeleteCustomView(kTab, u"Work\\Due"), CustomViewResult::kMissing);
    // Deleting the last view removes its emptied folders, not the application's.
    ASSERT_EQ(tasks.DeleteCustomView(kTab, u"Work\\Due"), CustomViewResult::kDone);
    EXPECT_EQ(GetFileAttributesW((tasks.Folder() + u"\\Work").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(tasks.Folder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// Records the sort order each run finds in the settings.
class SortReader : public CeWorkerThread {
public:
    DWORD ThreadProc() override
    {
        CRegistry settings;
        ULONG sort = 0;
        if (settings.Exists(HKEY_CURRENT_USER, kKey) == 1) settings.QueryValue(u"TV_Sort0", &sort);
        seen.push_back(sort);
        return 0;
    }
    std::vector<ULONG> seen;
};

TEST_F(CustomViewTest, ApplyingRestartsTheLoaderAfterTheSettingsAreBack)
{
    CCustomView views;
    SortReader loader;
    Set(kKey, u"TV_Sort0", 2);
    ASSERT_EQ(views.CreateNewCustomView(kTab, kKey, true, u"Due"), CustomViewResult::kDone);
    Set(kKey, u"TV_Sort0", 6);
    ASSERT_EQ(views.ApplyCustomView(u"Due", kKey, kTab, &loader), CustomViewResult::kDone);
    loader.Stop(true);
    EXPECT_EQ(loader.seen, std::vector<ULONG>{2});
    EXPECT_EQ(views.ApplyCustomView(u"Missing", kKey, kTab, &loader), CustomViewResult::kMissing);
    loader.Stop(true);
    EXPECT_EQ(loader.seen.size(), 1u) << "a view that was not applied restarts nothing";
}

TEST_F(CustomViewTest, ViewsSavedAtTheRootMoveIntoTheirApplicationsFolderWithoutLoss)
{
    CCustomView root;
    Set(kKey, u"TV_Sort0", 2);
    Set(kOtherKey, u"CV_Sort", 1);
    for (const char16_t* name : {u"Due", u"Work\\Late", u"Clash"})
        ASSERT_EQ(root.CreateNewCustomView(kTab, kKey, true, name), CustomViewResult::kDone);
    ASSERT_EQ(root.CreateNewCustomView(kTab, kOtherKey, true, u"People"), CustomViewResult::kDone);
    const std::string view = FileBytes(CCustomView::ViewFile(u"Due", kTab));
    ASSERT_EQ(platform::ReplaceFileContents(CCustomView::ViewFile(u"Cut", kTab).c_str(), view.data(), view.size() - 3), 0u);
    const std::u16string taken = CCustomView::ViewFile(u"Clash", kTab, u"Tasks");
    ASSERT_TRUE(CeFile::CreatePath(taken.c_str()));
    ASSERT_EQ(platform::ReplaceFileContents(taken.c_str(), "mine", 4), 0u);

    CCustomView tasks(u"Tasks", kKey);
    EXPECT_EQ(tasks.AdoptedViews(), 2);
    // Each file is where it should be with the bytes it had; the place taken keeps its own.
    const struct {
        const char16_t* name;
        const char16_t* application;
        std::string bytes;  // empty: no such file
    } files[] = {
        {u"Due", u"Tasks", view},  {u"Due", u"", ""},          {u"Work\\Late", u"Tasks", view},
        {u"Work\\Late", u"", ""}, {u"Clash", u"", view},      {u"Clash", u"Tasks", "mine"},
        {u"People", u"", "?"},     {u"People", u"Tasks", ""}, {u"Cut", u"", "?"},
    };
    for (const auto& f : files) {
        const std::string bytes = FileBytes(CCustomView::ViewFile(f.name, kTab, f.application));
        if (f.bytes == "?") EXPECT_FALSE(bytes.empty()) << WideToUtf8(f.name);
        else EXPECT_EQ(bytes, f.bytes) << WideToUtf8(f.name) << " in " << WideToUtf8(f.application);
    }
    EXPECT_EQ(GetFileAttributesW((CCustomView::RootFolder() + u"\\Work").c_str()), INVALID_FILE_ATTRIBUTES);
    CustomViewTree tree;
    std::vector<std::string> listed;
    tasks.GetCustomViews(kTab, tree, true, false);
    Flatten(tree, "", listed);
    EXPECT_EQ(listed, (std::vector<std::string>{"Clash", "Due", "Work\\Late"}));
    EXPECT_EQ(CCustomView(u"Tasks", kKey).AdoptedViews(), 0);
    EXPECT_EQ(CCustomView(u"Contacts", kOtherKey).AdoptedViews(), 1);
}

}  // namespace
