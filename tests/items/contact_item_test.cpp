// The contact item: fields through CContact and back through the object model and the contact list,
// file-as names, phone numbers as people type them, pictures, beaming and items made from a contact.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "engine/contacts_thread.h"
#include "engine/recent_contacts.h"
#include "items/c_contact.h"
#include "items/c_links.h"
#include "items/c_phone_number_label.h"
#include "platform/files/data_directory.h"
#include "platform/files/files.h"
#include "platform/modules/libraries.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "platform/text/utf8.h"
#include "storage/corvid_directory.h"
#include "storage/pocket_outlook_icontext.h"
#include "storage/registry_functions.h"
#include "tests/engine/test_loader.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

class ContactItemTest : public ItemSandbox {
protected:
    // A contact with every text field set to its own value ("<field name> 7").
    long SavedWithAllFields()
    {
        CContact contact;
        EXPECT_TRUE(contact.Create());
        for (int i = 0; i < CContact::kFieldCount; ++i) {
            const auto field = static_cast<CContact::Field>(i);
            if (field != CContact::kFileAs && field != CContact::kCategories) contact.SetText(field, Value(field));
        }
        contact.SetBody(u"Met at the fair.\r\nLikes tea.");
        contact.SetBirthday(kstest::Ole(1970, 3, 4));
        EXPECT_FALSE(contact.Save()) << "false means saved";
        return contact.Oid();
    }
    static std::u16string Value(CContact::Field field)
    {
        return Utf8ToWide(CContact::FieldName(field)) + u" 7";
    }
    ScriptedUiHost host;
};

TEST_F(ContactItemTest, FieldsRoundTripAndShowInTheContactList)
{
    const long oid = SavedWithAllFields();
    ASSERT_NE(oid, 0);
    CContact back;
    ASSERT_TRUE(back.ReadOID(oid));
    for (int i = 0; i < CContact::kFieldCount; ++i) {
        const auto field = static_cast<CContact::Field>(i);
        if (field == CContact::kFileAs || field == CContact::kCategories) continue;
        EXPECT_EQ(back.Text(field), Value(field)) << CContact::FieldName(field);
        EXPECT_FALSE(back[field].IsChanged());
    }
    EXPECT_EQ(back.Text(CContact::kFileAs), u"LastName 7, FirstName 7");
    EXPECT_EQ(back.Body(), u"Met at the fair.\r\nLikes tea.");
    EXPECT_EQ(back.Birthday(), kstest::Ole(1970, 3, 4));
    EXPECT_EQ(back.Anniversary(), kNoOleDate) << "a new contact saved without a date has none";

    // The list shows the file-as name, and the first number on the second line.
    CContactsThread loader;
    ASSERT_TRUE(loadertest::RunLoad(loader));
    ASSERT_EQ(loader.GetDataList().size(), 1u);
    const DATACONTACTS* row = loader.GetDataList()[0];
    EXPECT_EQ(std::u16string(row->displayName), u"LastName 7, FirstName 7");
    ASSERT_NE(row->secondLine, nullptr);
    EXPECT_NE(std::u16string(row->secondLine).find(u" 7"), std::u16string::npos);
    EXPECT_EQ(row->oid, static_cast<DWORD>(oid));
}

TEST_F(ContactItemTest, OverlongFieldsAreRefusedWithoutLosingTheRest)
{
    const long oid = SavedWithAllFields();
    CContact contact;
    ASSERT_TRUE(contact.ReadOID(oid));
    contact.SetText(CContact::kCompany, std::u16string(kOutlookMaxTextLength + 1, u'c'));  // beyond a text property
    contact.SetText(CContact::kJobTitle, u"Boss");
    EXPECT_TRUE(contact.Save()) << "true means an error was shown";
    EXPECT_EQ(host.Messages().size(), 1u);
    CContact back;
    ASSERT_TRUE(back.ReadOID(oid));
    EXPECT_EQ(back.Text(CContact::kCompany), Value(CContact::kCompany));
    EXPECT_EQ(back.Text(CContact::kJobTitle), Value(CContact::kJobTitle));
    // A 64 KB note is kept whole.
    back.SetBody(std::u16string(32768, u'n'));
    EXPECT_FALSE(back.Save());
    CContact again;
    ASSERT_TRUE(again.ReadOID(oid));
    EXPECT_EQ(again.Body().size(), 32768u);
}

TEST(ContactFileAs, Formats)
{
    struct Case {
        const char16_t *title, *first, *last, *company;
        std::array<std::u16string, 7> out;
    } const cases[] = {
        {u"", u"Mary Ann", u"Smith ", u"", {u"Mary Ann Smith", u"Smith , Mary Ann"}},
        {u"Dr.", u"Mary", u"Smith", u"Acme",
         {u"Mary Smith", u"Smith, Mary", u"Dr. Mary Smith", u"Smith, Mary (Acme)", u"Acme (Smith, Mary)",
          u"Smith, Mary(Acme)", u"Acme(Smith, Mary)"}},
        {u"", u"", u"Smith", u"", {u"Smith", u"Smith"}},
        {u"Ms.", u"Mary", u"", u"", {u"Mary", u"Mary", u"Ms. Mary"}},
        {u"", u"", u"", u"Acme", {u"Acme", u"Acme", u"Acme", u"Acme", u"Acme", u"Acme", u"Acme"}},
        {u"", u"", u"", u"", {}},
    };
    for (const Case& c : cases) {
        FILEASSTRUCT names;
        names.output[4] = u"stale";
        names.title = c.title;
        names.firstName = c.first;
        names.lastName = c.last;
        names.company = c.company;
        CContact::FileAsFormatter(&names);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(names.output[i], c.out[i]) << i;
    }
}

TEST_F(ContactItemTest, PhoneNumbersAsPeopleTypeThem)
{
    struct Case {
        const char16_t *typed, *defaultArea, *shown, *areaAfter;
    } const cases[] = {
        {u"5551234567", u"", u"(555) 123-4567", u"555"},
        {u"(555) 123-4567", u"", u"(555) 123-4567", u"555"},
        {u"555.123.4567", u"212", u"(555) 123-4567", u"555"},
        {u"+1 555 123 4567", u"", u"+1 555 123 4567", u""},
        {u"555-1234", u"", u"555-1234", u""},
        {u"5551234567x12", u"", u"(555) 123-4567 x12", u"555"},
        {u"(555)123-4567 x 9", u"", u"(555) 123-4567 x 9", u"555"},
        {u"1(555)1234567", u"", u"1(555) 123-4567", u"555"},
        {u"(0)12345678", u"", u"(0) 1234-5678", u"0"},
        {u"15551234567", u"", u"15551234567", u""},
        {u"1234567890", u"1", u"(1) 2345-67890", u"1"},
        {u"1234567890", u"12", u"(12) 3456-7890", u"12"},
        {u"1234567890", u"1234", u"1234567890", u"1234"},
        {u"123456789012345678", u"", u"123456789012345678", u""},
    };
    for (const Case& c : cases) {
        SetSetting(kContactItemKey, u"Autoformatdialing", 1);
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kContactItemKey), 0);
        settings.SetValue(u"CV_AreaCode", c.defaultArea);
        CPhoneNumberLabel label;
        label.SetText(c.typed);
        label.FormatCode();
        EXPECT_EQ(label.GetText(), c.shown) << WideToUtf8(c.typed);
        WCHAR area[16] = {};
        settings.QueryValue(u"CV_AreaCode", area, 15);
        EXPECT_EQ(std::u16string(area), *c.areaAfter ? c.areaAfter : c.defaultArea) << WideToUtf8(c.typed);
    }
    // The prefill counts as nothing typed; switched off, nothing is formatted.
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kContactItemKey), 0);
    settings.SetValue(u"CV_AreaCode", u"555");
    settings.SetValue(u"CV_CountryCode", u"1");
    CPhoneNumberLabel label;
    label.SetAreaCode();
    EXPECT_EQ(label.Text(), u"+1 (555) ");
    EXPECT_EQ(label.GetText(), u"");
    label.FormatCode();
    EXPECT_EQ(label.Text(), u"");
    SetSetting(kContactItemKey, u"Autoformatdialing", 0);
    CPhoneNumberLabel off;
    off.SetText(u"5551234567");
    off.FormatCode();
    EXPECT_EQ(off.Text(), u"5551234567");
}

TEST_F(ContactItemTest, PicturesAreFoundAndCopied)
{
    const std::string pics = HostPath(std::u16string(GetCorvidDirectory()) + u"\\Corvid\\ContactPics");
    std::filesystem::create_directories(pics);
    std::ofstream(pics + "/Acme.png") << "png";
    std::ofstream(pics + "/Smith, Mary.txt") << "not a picture";
    CContact contact;
    ASSERT_TRUE(contact.Create());
    contact.SetText(CContact::kFirstName, u"Mary");
    contact.SetText(CContact::kLastName, u"Smith");
    contact.SetText(CContact::kCompany, u"Acme");
    ASSERT_FALSE(contact.Save());
    WCHAR* path = nullptr;
    bool company = false;
    ASSERT_TRUE(contact.GetPicture(&path, &company));
    EXPECT_TRUE(company);
    EXPECT_NE(std::u16string(path).find(u"\\Corvid\\ContactPics\\Acme.png"), std::u16string::npos);
    std::free(path);

    std::ofstream(HostPath(u"\\mary.photo.jpeg")) << "jpeg";
    contact.SetPicture(u"\\mary.photo.jpeg");
    ASSERT_FALSE(contact.Save());
    EXPECT_TRUE(std::filesystem::exists(pics + "/Smith, Mary.photo.jpeg")) << "the name's text from its first dot";
    ASSERT_TRUE(contact.GetPicture(&path, &company));
    EXPECT_FALSE(company);
    std::free(path);
    contact.RemovePicture();
    EXPECT_FALSE(contact.GetPicture(&path, &company)) << "a pending removal hides the picture";
}

TEST_F(ContactItemTest, AppointmentsAndTasksFromAContactAreLinked)
{
    const long oid = SavedWithAllFields();
    CContact contact;
    ASSERT_TRUE(contact.ReadOID(oid));
    const long appointment = contact.CreateAppointmentFrom(nullptr);
    const long task = contact.CreateTaskFrom(nullptr);
    ASSERT_NE(appointment, 0);
    ASSERT_NE(task, 0);
    auto made = Open<IAppointment>(appointment);
    ASSERT_TRUE(made);
    // No preferred number: the business number comes first.
    EXPECT_EQ(Text(made.Get(), &IAppointment::get_Subject), u"LastName 7, FirstName 7 BusinessTelephoneNumber 7");
    LONG minutes = 0;
    made->get_Duration(&minutes);
    EXPECT_EQ(minutes, 60);
    std::vector<LinkRow> rows;
    CLinks::ReadData(oid, rows);
    ASSERT_EQ(rows.size(), 2u);
    rows.clear();
    CLinks::ReadData(task, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].target, static_cast<CEOID>(oid));
}

// A beaming add-in that records the item it was given.
CEOID g_beamed = 0;
struct RecordingBeam : IPimMenuAddIn {
    UINT AddMenuItems(HMENU, UINT, UINT) override { return 1; }
    HRESULT InvokeCommand(UINT, const CPocketOutlookIContext& context) override
    {
        g_beamed = context.GetOid();
        return S_OK;
    }
} g_beam;
IPimMenuAddIn* GetBeam() { return &g_beam; }

TEST_F(ContactItemTest, BeamingWritesTheOutboxOrUsesTheAddIn)
{
    const long oid = SavedWithAllFields();
    CContact contact;
    ASSERT_TRUE(contact.ReadOID(oid));
    ASSERT_TRUE(contact.SendViaIR());
    const std::string outbox = HostPath(u"\\Outbox\\LastName 7, FirstName 7.vcf");
    ASSERT_TRUE(std::filesystem::exists(outbox));
    CRecentContacts recent;
    recent.Load();
    ASSERT_NE(recent.Oids().begin(), recent.Oids().end());
    EXPECT_EQ(*recent.Oids().begin(), static_cast<CEOID>(oid));

    // With the add-in registered, switched on and its library present, the add-in beams.
    ASSERT_TRUE(platform::RegisterLibrary(u"beam.dll", {{"GetPimMenuAddIn", platform::AsFarProc(&GetBeam)}}));
    std::ofstream(HostPath(u"\\beam.dll")) << "library";
    ASSERT_EQ(SetToRegistrySZ(HKEY_LOCAL_MACHINE, kBeamAddInKey, u"DLL", u"\\beam.dll"), 0);
    EXPECT_TRUE(contact.SendViaIR()) << "switched off: the outbox again";
    EXPECT_EQ(g_beamed, 0u);
    SetSetting(u"Software\\Corvid\\Kestrel", u"bUseExternalPlugins", 1);
    EXPECT_TRUE(contact.SendViaIR());
    EXPECT_EQ(g_beamed, static_cast<CEOID>(oid));
    platform::UnregisterLibrary(u"beam.dll");
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(ContactItemTest, SummaryRowsLinkNumbersAndAddresses)
{
    const long oid = SavedWithAllFields();
    CContact contact;
    ASSERT_TRUE(contact.ReadOID(oid));
    SetSetting(kContactItemKey, u"bEuropeanStyleCityZip", 1);
    const std::vector<std::u16string> rows = contact.SummaryRows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_NE(rows[0].find(u"<B>Title 7 FirstName 7 MiddleName 7 LastName 7 Suffix 7</B>"), std::u16string::npos);
    std::u16string all;
    for (const auto& row : rows) all += row + u"\n";
    for (const char16_t* part : {u"<A=\"TEL:MobileTelephoneNumber 7\">", u"<A=\"SMS:MobileTelephoneNumber 7\">",
                                 u"<A=\"EML:Email3Address 7\">", u"<A=\"WEB:WebPage 7\">",
                                 u"HomeAddressPostalCode 7 HomeAddressCity 7", u"~Birthday.bmp"})
        EXPECT_NE(all.find(part), std::u16string::npos) << WideToUtf8(part);
    EXPECT_EQ(all.find(u"~Anniversary.bmp"), std::u16string::npos);
    EXPECT_NE(rows.back().find(u"LOG:" + Utf8ToWide(std::to_string(oid))), std::u16string::npos);
}

}  // namespace
