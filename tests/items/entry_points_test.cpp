#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "grid/grid_alignment.h"
#include "items/c_alarm_note.h"
#include "items/c_appointment.h"
#include "items/c_contact.h"
#include "items/c_task.h"
#include "items/hidpi_scaling.h"
#include "items/kstools_entry.h"
#include "platform/files/registry.h"
#include "platform/messaging/window.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

namespace itemtest {
namespace {

void SetMachineDword(const WCHAR* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"\\Software\\Corvid", 0, nullptr, 0, 0, nullptr, &key, nullptr), 0);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

std::u16string MachineDefault(const WCHAR* subkey)
{
    CRegistry key(REGISTRY_TYPE_REGISTRY);
    std::u16string text;
    if (key.Exists(HKEY_LOCAL_MACHINE, (std::u16string(u"SOFTWARE\\Microsoft\\Shell\\RAI\\") + subkey).c_str()) != 1)
        return u"(none)";
    key.QueryText(u"", text);
    return text;
}

class EntryPoints : public ItemSandbox {
protected:
    void TearDown() override
    {
        while (GetKSToolsInitCount() > 0) UnInitKSTools();
        SetGridLeftAlignment(0);
        SetGridRightAlignment(2);
        ItemSandbox::TearDown();
    }
};

TEST_F(EntryPoints, InitialisationIsCountedOnceAndReleasedByOneUnInit)
{
    EXPECT_EQ(GetOutlookObject(), nullptr);
    InitKSTools(nullptr, 1);
    InitKSTools(nullptr, 1);
    EXPECT_EQ(GetKSToolsInitCount(), 1);
    EXPECT_EQ(GetOutlookObject(), &COutlook::GetOutlookObject());
    EXPECT_NE(KSToolsBoldFont(), nullptr);
    EXPECT_NE(KSToolsWindowBrush(), nullptr);
    UnInitKSTools();
    EXPECT_EQ(GetKSToolsInitCount(), 0);
    EXPECT_EQ(GetOutlookObject(), nullptr);
    EXPECT_EQ(KSToolsBoldFont(), nullptr);
    UnInitKSTools();  // not initialised: nothing
    EXPECT_EQ(GetKSToolsInitCount(), 0);

    // A store handed over becomes the library's, and goes with it.
    auto* store = new COutlook;
    InitKSTools(store, 0);
    EXPECT_EQ(GetOutlookObject(), store);
    UnInitKSTools();
    EXPECT_EQ(GetOutlookObject(), nullptr);
}

TEST_F(EntryPoints, GridAlignmentsTakeOnlyZeroOrTwo)
{
    struct {
        DWORD left, right;
        DWORD wantLeft, wantRight;
    } cases[] = {{1, 5, 0, 2}, {2, 0, 2, 0}, {0, 2, 0, 2}, {7, 0xFFFFFFFF, 0, 2}};
    for (const auto& c : cases) {
        SetGridLeftAlignment(0);
        SetGridRightAlignment(2);
        SetMachineDword(u"KSGridLeft", c.left);
        SetMachineDword(u"KSGridRight", c.right);
        InitKSTools(nullptr, 0);
        EXPECT_EQ(GetLeftDefine(), c.wantLeft) << c.left;
        EXPECT_EQ(GetRightDefine(), c.wantRight) << c.right;
        UnInitKSTools();
    }
}

TEST(PlatformVersion, VersionsMapToPlatformCodes)
{
    struct {
        DWORD major, minor, build;
        int code;
    } cases[] = {{3, 0, 11171, 2}, {3, 0, 11000, 0}, {3, 0, 9348, 0}, {4, 20, 1081, 3}, {5, 1, 1700, 4},
                 {5, 0, 1400, 4}, {5, 2, 1235, 5}, {6, 0, 0, 0}, {2, 11, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(PlatformCodeForVersion(c.major, c.minor, c.build), c.code) << c.major << "." << c.minor;
    EXPECT_EQ(GetPlatformVersion(), 5);
    struct {
        int icon, special;
    } icons[] = {{16, 13}, {32, 24}, {24, 24}, {0, 0}};
    for (const auto& c : icons) EXPECT_EQ(HidpiSpecialIconPixels(c.icon), c.special);
}

TEST_F(EntryPoints, PathsComeFromTheSettingsOrTheirDefaults)
{
    WCHAR path[MAX_PATH] = {};
    GetKSUtilsPath(path);
    EXPECT_EQ(std::u16string(path), u"\\WINDOWS");
    GetResourcesPath(path);
    EXPECT_EQ(std::u16string(path), u"\\WINDOWS\\KSResources.dll");
    CRegistry suite(REGISTRY_TYPE_REGISTRY);
    ASSERT_EQ(suite.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel"), 0);
    suite.SetValue(u"UtilsInstallDir", u"\\Program Files\\Kestrel");
    suite.SetValue(u"ResourcesLoc", u"\\Storage Card\\KSRes.dll");
    GetKSUtilsPath(path);
    EXPECT_EQ(std::u16string(path), u"\\Program Files\\Kestrel");
    GetResourcesPath(path);
    EXPECT_EQ(std::u16string(path), u"\\Storage Card\\KSRes.dll");
    // A named resource library that cannot be loaded is reported, and
    // initialisation goes on.
    ScriptedUiHost ui;
    InitKSTools(nullptr, 0);
    EXPECT_EQ(GetKSToolsInitCount(), 1);
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().flags, MB_ICONERROR | MB_TOPMOST);
    EXPECT_EQ(ui.LastMessage().text, u"The module could not be found.");
}

TEST_F(EntryPoints, ItemFunctionsOpenTheEditorOfTheItemsKind)
{
    CTask task;
    ASSERT_TRUE(task.Create(today, u"File the report", nullptr, false));
    ASSERT_TRUE(task.Save());
    CAppointment meeting;
    ASSERT_TRUE(meeting.Create(today + 9.0 / 24, u"Weekly review", 30, nullptr, false));
    AppointmentRecurrence mondays;
    mondays.type = olRecursWeekly;
    mondays.dayOfWeekMask = 2;
    meeting.SetRecurrence(mondays);
    ASSERT_TRUE(meeting.Save());

    ScriptedUiHost ui;
    ui.SetFallbackAnswer(IDOK);
    struct {
        const char* what;
        int (*call)(uint32_t, uint32_t, double);
        uint32_t oid;
        double date;
        int result;
        const char16_t* shown;  // null: no editor
    } cases[] = {
        {"D_Task", [](uint32_t o, uint32_t, double) { return D_Task(o, 0, 0); }, 0, 0, IDOK, u"Task\nFile the report"},
        {"D_Task, no task", [](uint32_t, uint32_t, double) { return D_Task(0x7FFFFF00, 0, 0); }, 0, 0, 1, nullptr},
        {"D_PIM, task", [](uint32_t o, uint32_t, double) { return D_PIM(o, 0); }, 0, 0, IDOK, u"Task\nFile the report"},
        {"D_PIM, appointment", [](uint32_t, uint32_t a, double) { return D_PIM(a, 0); }, 0, 0, IDOK,
         u"Appointment\nWeekly review"},
        {"D_PIM, unknown", [](uint32_t, uint32_t, double) { return D_PIM(0x7FFFFF00, 0); }, 0, 0, 2, nullptr},
        {"D_Appt, the series", [](uint32_t, uint32_t a, double) { return D_Appt(a, 0.0, 0, 0); }, 0, 0, IDOK,
         u"Appointment\nWeekly review"},
        {"D_Appt, a task's OID", [](uint32_t o, uint32_t, double) { return D_Appt(o, 0.0, 0, 0); }, 0, 0, 2, nullptr},
        {"D_Contact, a task's OID", [](uint32_t o, uint32_t, double) { return D_Contact(o, 0, 0); }, 0, 0, 2, nullptr},
    };
    for (const auto& c : cases) {
        size_t before = ui.MessageCount();
        EXPECT_EQ(c.call(static_cast<uint32_t>(task.Oid()), static_cast<uint32_t>(meeting.Oid()), c.date), c.result)
            << c.what;
        bool editor = false;
        HWND owner = nullptr;
        for (size_t i = before; i < ui.MessageCount(); ++i)
            if (c.shown && ui.Messages()[i].text == c.shown) {
                editor = true;
                owner = ui.Messages()[i].owner;
            }
        EXPECT_EQ(editor, c.shown != nullptr) << c.what;
        // D_PIM lends its editor an invisible window of its own, gone on return.
        const bool byPim = std::string(c.what).rfind("D_PIM", 0) == 0;
        EXPECT_EQ(owner != nullptr, byPim && editor) << c.what;
        EXPECT_FALSE(owner && IsWindow(owner)) << c.what;
    }
    ui.QueueAnswer(IDCANCEL);
    EXPECT_EQ(D_Task(static_cast<uint32_t>(task.Oid()), 0, 1), IDCANCEL);
}

TEST_F(EntryPoints, NewItemsAreSavedWhenTheEditorIsAccepted)
{
    ScriptedUiHost ui;
    ui.QueueAnswers({IDOK, IDCANCEL, IDOK});
    EXPECT_EQ(C_Task(today, u"Accepted", 0), 1);
    EXPECT_EQ(C_Task(today, u"Cancelled", 0), 0);
    KSSYSTEMTIME at{2026, 12, 0, 8, 14, 30, 0, 0};
    EXPECT_EQ(C_ApptST(&at, 45, u"Dentist", 0), 1);
    ComRef<IFolder> tasks;
    ASSERT_EQ(app->GetDefaultFolder(olFolderTasks, tasks.Put()), S_OK);
    ComRef<IPOutlookItemCollection> items;
    ASSERT_EQ(tasks->get_Items(items.Put()), S_OK);
    int count = 0;
    ASSERT_EQ(items->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
}

size_t NotesIn(const std::u16string& folder)
{
    size_t count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(HostPath(folder), error))
        count += entry.path().extension() == ".pwi";
    return count;
}

int ContactCount(ComRef<IPOutlookApp>& app)
{
    ComRef<IFolder> folder;
    ComRef<IPOutlookItemCollection> items;
    int count = -1;
    if (app->GetDefaultFolder(olFolderContacts, folder.Put()) == S_OK && folder->get_Items(items.Put()) == S_OK)
        items->get_Count(&count);
    return count;
}

TEST_F(EntryPoints, ContactsAndNotesAreOpenedAndMadeThroughTheirItemClasses)
{
    CContact ann;
    ASSERT_TRUE(ann.Create());
    ann.LoadData();
    ann.SetText(CContact::kFileAs, u"Lee, Ann");
    ASSERT_FALSE(ann.Save());
    const uint32_t annOid = static_cast<uint32_t>(ann.Oid());
    const std::u16string memo = u"\\My Documents\\Memo.pwi";

    ScriptedUiHost ui;
    struct {
        const char* what;
        int (*call)(uint32_t);
        int answer;  // the editor's button, when there is one
        int result;
        const char16_t* shown;  // the editor's text; null: no editor
        bool memoAfter;         // Memo.pwi exists afterwards
        int contactsAdded;
    } cases[] = {
        {"D_Contact", [](uint32_t c) { return D_Contact(c, 0, 0); }, IDOK, IDOK, u"Contact\nLee, Ann", false, 0},
        {"D_PIM, contact", [](uint32_t c) { return D_PIM(c, 0); }, IDCANCEL, IDCANCEL, u"Contact\nLee, Ann", false, 0},
        {"D_Contact, none", [](uint32_t) { return D_Contact(0x7FFFFF00, 0, 0); }, IDOK, 2, nullptr, false, 0},
        {"new contact kept", [](uint32_t) { return CreateContactExtern(); }, IDOK, 1, u"New contact\n", false, 1},
        {"new contact dropped", [](uint32_t) { return CreateContactExtern(); }, IDCANCEL, 0, u"New contact\n", false, 0},
        {"D_Note makes a note dropped on cancel", [](uint32_t) { return D_Note(u"\\My Documents\\Memo.pwi"); },
         IDCANCEL, IDCANCEL, u"New note\nMemo.pwi", false, 0},
        {"D_Note makes the note", [](uint32_t) { return D_Note(u"\\My Documents\\Memo.pwi"); }, IDOK, IDOK,
         u"New note\nMemo.pwi", true, 0},
        {"D_Note opens it", [](uint32_t) { return D_Note(u"\\My Documents\\Memo.pwi"); }, IDCANCEL, IDCANCEL,
         u"Note\nMemo.pwi\n", true, 0},
        {"D_Note on a folder", [](uint32_t) { return D_Note(u"\\My Documents"); }, IDOK, 0, nullptr, true, 0},
        {"D_Note without a path", [](uint32_t) { return D_Note(nullptr); }, IDOK, 0, nullptr, true, 0},
        {"deleted", [](uint32_t) { return DeleteAlarmNoteFile(u"\\My Documents\\Memo.pwi"); }, IDOK, 1, nullptr,
         false, 0},
        {"deleted twice", [](uint32_t) { return DeleteAlarmNoteFile(u"\\My Documents\\Memo.pwi"); }, IDOK, 0,
         nullptr, false, 0},
    };
    for (const auto& c : cases) {
        const int contacts = ContactCount(app);
        if (c.shown) ui.QueueAnswer(c.answer);
        const size_t before = ui.MessageCount();
        EXPECT_EQ(c.call(annOid), c.result) << c.what;
        std::u16string shown;
        for (size_t i = before; i < ui.MessageCount(); ++i)
            if (ui.Messages()[i].flags == MB_OKCANCEL) shown = ui.Messages()[i].text;
        EXPECT_EQ(shown, c.shown ? c.shown : u"") << c.what;
        EXPECT_EQ(std::filesystem::exists(HostPath(memo)), c.memoAfter) << c.what;
        EXPECT_EQ(ContactCount(app), contacts + c.contactsAdded) << c.what;
        EXPECT_EQ(ui.PendingAnswers(), 0u) << c.what;
    }

    // A new note in the default folder, kept only when accepted.
    const size_t notes = NotesIn(u"\\My Documents");
    ui.QueueAnswers({IDCANCEL, IDOK});
    EXPECT_EQ(CreateAlarmNoteExtern(), IDCANCEL);
    EXPECT_EQ(NotesIn(u"\\My Documents"), notes);
    EXPECT_EQ(CreateAlarmNoteExtern(), IDOK);
    EXPECT_EQ(NotesIn(u"\\My Documents"), notes + 1);
}

TEST_F(EntryPoints, TheSuiteBecomesTheDefaultAndGivesItBack)
{
    SetDefaultPIM(1);
    EXPECT_EQ(MachineDefault(u":MSTASKS"), u"\"\\KSTab.exe\" 8");
    EXPECT_EQ(MachineDefault(u":MSCONTACTS"), u"\"\\KSTab.exe\" 9");
    EXPECT_EQ(MachineDefault(u":MSCALENDAR"), u"\"\\KSTab.exe\" 11");
    EXPECT_EQ(MachineDefault(u":MSPOUTLOOK").front(), u'"');
    CRegistry suite(REGISTRY_TYPE_REGISTRY);
    ULONG overrideValue = 7;
    ASSERT_EQ(suite.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel"), 1);
    ASSERT_EQ(suite.QueryValue(u"SetupOverride", &overrideValue), 0);
    EXPECT_EQ(overrideValue, 1u);

    suite.SetValue(u"InstallDir", u"\\Program Files\\Kestrel");
    SetDefaultPIM(1);
    EXPECT_EQ(MachineDefault(u":MSTASKS"), u"\"\\Program Files\\Kestrel\\KSTab.exe\" 8");

    SetDefaultPIM(0);
    EXPECT_EQ(MachineDefault(u":MSCALENDAR"), u":MSPOUTLOOK calendar");
    EXPECT_EQ(MachineDefault(u":MSCONTACTS"), u":MSPOUTLOOK contacts");
    EXPECT_EQ(MachineDefault(u":MSTASKS"), u":MSPOUTLOOK tasks");
    EXPECT_EQ(MachineDefault(u":MSPOUTLOOK"), u"poutlook.exe");
    ASSERT_EQ(suite.QueryValue(u"SetupOverride", &overrideValue), 0);
    EXPECT_EQ(overrideValue, 0u);
    EXPECT_EQ(ReadHostFile("Windows/StartUp/poutlook.lnk"), "13#\":MSPOUTLOOK\"");
    SetDefaultPIM(1);
    EXPECT_FALSE(std::filesystem::exists(Host("Windows/StartUp/poutlook.lnk")));
}

}  // namespace
}  // namespace itemtest
