// The contact's menus and copies: the numbers and addresses a menu offers, dialling one of them, the context
// actions with their questions, copies with categories and links, the summary window, and the saved list of
// fields the editor always shows (missing, written, emptied, damaged).
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "engine/recent_contacts.h"
#include "foundation/ce_list_file.h"
#include "items/c_contact.h"
#include "items/c_links.h"
#include "platform/devices/phone_api.h"
#include "platform/modules/libraries.h"
#include "platform/ui/menus.h"
#include "storage/corvid_directory.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

// What the dialler was asked to call.
std::u16string g_number;
std::u16string g_name;
bool g_dialResult = true;
bool Dial(const WCHAR* number, const WCHAR* name)
{
    g_number = number;
    g_name = name;
    return g_dialResult;
}
LONG PhoneMakeCallStub(PHONEMAKECALLINFO* info)
{
    g_number = info->pszDestAddress;
    g_name = info->pszCalledParty ? info->pszCalledParty : u"";
    return 0;
}

class ContactMenusTest : public ItemSandbox {
protected:
    void SetUp() override
    {
        ItemSandbox::SetUp();
        g_number.clear();
        g_name.clear();
        g_dialResult = true;
    }
    long Saved()
    {
        CContact contact;
        EXPECT_TRUE(contact.Create());
        contact.SetText(CContact::kFirstName, u"Ann");
        contact.SetText(CContact::kLastName, u"Lee");
        contact.SetText(CContact::kMobilePhone, u"(555) 123-4567");
        contact.SetText(CContact::kHomePhone, u"555-0100");
        contact.SetText(CContact::kEmail2, u"ann@example.org");
        contact.SetText(CContact::kWebPage, u"example.org/ann");
        EXPECT_FALSE(contact.Save());
        return contact.Oid();
    }
    static std::vector<std::u16string> MenuTexts(HMENU menu)
    {
        std::vector<std::u16string> texts;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            WCHAR text[200] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 200, MF_BYPOSITION);
            texts.push_back(text);
        }
        return texts;
    }
    static CEOID FirstRecent()
    {
        CRecentContacts recent;
        recent.Load();
        return recent.GetCount() ? *recent.Oids().begin() : 0;
    }
    ScriptedUiHost host;
};

TEST_F(ContactMenusTest, TheMenuOffersNumbersThenAddressesAndDialsTheChosenNumber)
{
    const long oid = Saved();
    CContact contact;
    ASSERT_TRUE(contact.ReadOID(oid));
    HMENU menu = CreatePopupMenu();
    ASSERT_EQ(contact.FillContactInfo(menu), 4);
    EXPECT_EQ(MenuTexts(menu), (std::vector<std::u16string>{u"Mobile:\t(555) 123-4567", u"Home:\t555-0100",
                                                             u"E-mail 2:\tann@example.org", u"Web page:\texample.org/ann"}));
    const UINT home = GetMenuItemID(menu, 1);
    DestroyMenu(menu);

    EXPECT_EQ(contact.DoContext(home, &Dial), 1);
    EXPECT_EQ(g_number, u"555-0100");
    EXPECT_EQ(g_name, u"Lee, Ann");
    EXPECT_EQ(FirstRecent(), static_cast<CEOID>(oid));

    // Commands that are no number of this contact, an empty number, and a call that fails.
    const struct {
        UINT command;
        int result;
        size_t messages;
    } kCases[] = {
        {kContactInfoFirstCommand + CContact::kEmail2, -1, 0},
        {kContactInfoFirstCommand + CContact::kFirstName, -1, 0},
        {kContactInfoFirstCommand + CContact::kFieldCount, -1, 0},
        {kContactInfoFirstCommand - 1, -1, 0},
        {kContactInfoFirstCommand + CContact::kCarPhone, 0, 0},
    };
    for (const auto& c : kCases) {
        g_number.clear();
        EXPECT_EQ(contact.DoDialContext(c.command, &Dial), c.result) << c.command;
        EXPECT_TRUE(g_number.empty()) << c.command;
        EXPECT_EQ(host.MessageCount(), c.messages) << c.command;
    }
    g_dialResult = false;
    EXPECT_EQ(contact.DoDialContext(kContactInfoFirstCommand + CContact::kMobilePhone, &Dial), 0);
    EXPECT_EQ(host.MessageCount(), 1u) << "the user hears the call failed";

    // Without a dialler the phone library places the call; without the library nothing does.
    EXPECT_EQ(contact.DoDialContext(kContactInfoFirstCommand + CContact::kMobilePhone), 0);
    EXPECT_EQ(host.MessageCount(), 2u);
    ASSERT_TRUE(platform::RegisterLibrary(u"phone.dll", {{"PhoneMakeCall", platform::AsFarProc(&PhoneMakeCallStub)}}));
    EXPECT_EQ(contact.DoDialContext(kContactInfoFirstCommand + CContact::kMobilePhone), 1);
    platform::UnregisterLibrary(u"phone.dll");
    EXPECT_EQ(g_number, u"(555) 123-4567");
}

TEST_F(ContactMenusTest, ContextActionsSummariseAskBeforeDeletingAndCopyWithCategoriesAndLinks)
{
    const long oid = Saved();
    {
        // Through the object model, which makes the category as well.
        auto item = Open<IContact>(oid);
        ASSERT_EQ(item->put_Categories(OwnedBstr(u"Business")), S_OK);
        ASSERT_EQ(item->Save(), S_OK);
    }
    CContact contact;
    ASSERT_TRUE(contact.ReadOID(oid));
    // The summary shows the rows, unless switched off where no host window asks for it.
    EXPECT_EQ(contact.DoContext(kContactContextSummary), 1);
    ASSERT_EQ(host.Questions().size(), 1u);
    EXPECT_EQ(host.Questions()[0].questionId, u"ContactSummary");
    EXPECT_NE(host.Questions()[0].text.find(u"<A=\"TEL:555-0100\">"), std::u16string::npos);
    SetSetting(kContactItemKey, u"SummaryDlg", 0);
    EXPECT_FALSE(contact.DisplaySummaryWindow());
    EXPECT_TRUE(contact.DisplaySummaryWindow(reinterpret_cast<HWND>(1)));
    EXPECT_EQ(host.Questions().size(), 2u);

    const long task = contact.CreateTaskFrom(nullptr);  // linked both ways
    ASSERT_NE(task, 0);

    EXPECT_EQ(contact.DoContext(999), -1);
    host.QueueAnswer(IDYES);  // copy the links as well
    const long copied = contact.Copy();
    ASSERT_NE(copied, 0);
    CContact back;
    ASSERT_TRUE(back.ReadOID(copied));
    EXPECT_EQ(back.Text(CContact::kMobilePhone), u"(555) 123-4567");
    EXPECT_EQ(back.Text(CContact::kCategories), u"Business");
    std::vector<LinkRow> links;
    CLinks::ReadData(copied, links);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].target, static_cast<CEOID>(task));

    // Delete asks first: no keeps the contact, yes deletes it with its links.
    host.QueueAnswer(IDNO);
    EXPECT_EQ(back.DoContext(kContactContextDelete), 0);
    EXPECT_TRUE(Open<IContact>(copied));
    host.QueueAnswer(IDYES);
    EXPECT_EQ(back.DoContext(kContactContextDelete), 1);
    EXPECT_FALSE(Open<IContact>(copied));
    links.clear();
    CLinks::ReadData(copied, links);
    EXPECT_TRUE(links.empty());

    // The actions that make things: a copy, an appointment, a task, a mark on the recent list.
    EXPECT_EQ(contact.DoContext(kContactContextCopy), 1);
    EXPECT_EQ(contact.DoContext(kContactContextNewAppointment), 1);
    EXPECT_EQ(contact.DoContext(kContactContextNewTask), 1);
    EXPECT_EQ(contact.DoContext(kContactContextMarkRecent), 1);
    EXPECT_EQ(FirstRecent(), static_cast<CEOID>(oid));

    // A contact deleted behind the open object: every action says so and nothing is made.
    ASSERT_EQ(Open<IContact>(oid)->Delete(), S_OK);
    const size_t before = host.MessageCount();
    CContact gone;
    EXPECT_FALSE(gone.ReadOID(oid));
    EXPECT_EQ(gone.Copy(), 0);
    EXPECT_EQ(gone.DoContext(kContactContextBeam), 0);
    EXPECT_EQ(host.MessageCount(), before + 2);
}

TEST_F(ContactMenusTest, TheEditorsFieldListIsKeptInItsListFile)
{
    const std::vector<ULONG> defaults = {0xA556, 0xAE2E, 0xAE2C, 0xAE32, 0xA07B, 0xA07D, 0xA07F, 0xAC29, 0xAE2F, 0xAE3A};
    EXPECT_EQ(CContact::EditorFieldsAlwaysShown(), defaults) << "no file";
    ASSERT_TRUE(CContact::SetEditorFieldsAlwaysShown({0x3A06, 0x3A11, 0x0FFFFFFF}));
    EXPECT_EQ(CContact::EditorFieldsAlwaysShown(), (std::vector<ULONG>{0x3A06, 0x3A11, 0x0FFFFFFF}));

    // The file is a list file with its signature and 4-byte elements.
    const std::u16string path = ResolveSettingsPath(kContactEditorFieldsFile);
    CeListFileImage image;
    bool missing = true;
    ASSERT_EQ(CeLoadListFile(path.c_str(), "CeList<BINDUMP>", image, &missing), CELISTFILE_OK);
    EXPECT_EQ(std::tuple(missing, image.count, image.elementSize), std::tuple(false, 3u, 4));

    // An empty list, another list's file and a cut file all give the defaults.
    ASSERT_TRUE(CContact::SetEditorFieldsAlwaysShown({}));
    EXPECT_EQ(CContact::EditorFieldsAlwaysShown(), defaults);
    CePtrList<CEOID> other;
    other.Append(7);
    ASSERT_EQ(CeWriteListFile(path.c_str(), "RECENT101", other), CELISTFILE_OK);
    EXPECT_EQ(CContact::EditorFieldsAlwaysShown(), defaults);
    ASSERT_TRUE(CContact::SetEditorFieldsAlwaysShown({1, 2, 3}));
    const std::string file = HostPath(path);
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 3);
    EXPECT_EQ(CContact::EditorFieldsAlwaysShown(), defaults);
}

}  // namespace
