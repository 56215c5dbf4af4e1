// Contacts as vCards, checked against an independent reader and writer: Python's vobject.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "items/c_contact.h"
#include "items/contact_vcard.h"
#include "platform/text/utf8.h"
#include "storage/corvid_directory.h"
#include "tests/items/item_test_support.h"
#include "tests/items/vobject_oracle.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;
using Json = nlohmann::json;

namespace {

// Each card of the file as vobject reads it: property name -> [{params, value}], structured values as lists.
constexpr const char* kVobjectDump = R"PY(
import sys, json, vobject
out = []
for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    props = {}
    for c in card.getChildren():
        v = c.value
        if hasattr(v, 'family'): v = [v.family, v.given, v.additional, v.prefix, v.suffix]
        elif hasattr(v, 'street'): v = [v.box, v.extended, v.street, v.city, v.region, v.code, v.country]
        elif isinstance(v, bytes): v = len(v)
        elif not isinstance(v, list): v = str(v)
        props.setdefault(c.name.upper(), []).append({'params': {k.upper(): p for k, p in c.params.items()}, 'value': v})
    out.append(props)
print(json.dumps(out))
)PY";

// A 3.0 card made and folded by vobject.
constexpr const char* kVobjectWrite = R"PY(
import vobject, sys
c = vobject.vCard()
c.add('n').value = vobject.vcard.Name(family='M\u00fcller', given='J\u00f6rg', additional='K.', prefix='Dr.')
c.add('fn').value = 'Dr. J\u00f6rg K. M\u00fcller'
c.add('org').value = ['Acme, Inc.', 'R&D; Labs']
t = c.add('tel'); t.value = '+49 30 1234'; t.type_param = 'CELL'
t = c.add('tel'); t.value = '030 999'; t.type_paramlist = ['WORK', 'FAX']
c.add('email').value = 'joerg@example.de'
a = c.add('adr'); a.value = vobject.vcard.Address(street='Hauptstr. 1', city='Berlin', code='10115', country='DE'); a.type_param = 'HOME'
c.add('note').value = 'Zeile eins\nZeile zwei, mit Komma; und Semikolon ' + 'x' * 100
c.add('bday').value = '1969-07-20'
c.add('categories').value = ['Work', 'Friends']
sys.stdout.write(c.serialize())
)PY";

class ContactVCardTest : public ItemSandbox {
protected:
    long Saved(const std::vector<std::pair<CContact::Field, std::u16string>>& fields)
    {
        CContact contact;
        EXPECT_TRUE(contact.Create());
        for (const auto& [field, text] : fields) contact.SetText(field, text);
        contact.SetBody(u"Line one\r\nLine two; with, punctuation \\ and more");
        contact.SetBirthday(kstest::Ole(1970, 3, 4));
        contact.SetAnniversary(kstest::Ole(1999, 12, 31));
        EXPECT_FALSE(contact.Save());
        return contact.Oid();
    }
    // Every text field set, the categories to names that exist.
    long SavedWithAllFields()
    {
        std::vector<std::pair<CContact::Field, std::u16string>> fields;
        for (int i = 0; i < CContact::kFieldCount; ++i) {
            const auto f = static_cast<CContact::Field>(i);
            if (f == CContact::kCategories) continue;
            // Street lines, commas and non-ASCII text exercise escaping and charsets.
            fields.push_back({f, Utf8ToWide(CContact::FieldName(f)) + (i % 3 ? u" \u00e9, x" : u";\u65e5")});
        }
        fields.push_back({CContact::kHomeStreet, u"1 Main St\r\nApt 2"});
        fields.push_back({CContact::kFileAs, u"Custom file-as"});
        return Saved(fields);
    }
    ScriptedUiHost host;
};

TEST_F(ContactVCardTest, WrittenCardsReadInVobjectWithEveryField)
{
    const long oid = SavedWithAllFields();
    for (const char* version : {"3.0", "4.0"}) {
        std::vector<std::string> errors;
        const std::string text = ContactVCard::Write({oid, 999999}, version, &errors);
        EXPECT_EQ(errors.size(), 1u) << "the OID that names nothing";
        const std::filesystem::path file = std::filesystem::path(platform::DataDirectory()) / "contact.vcf";
        std::ofstream(file, std::ios::binary) << text;
        const Json cards = Json::parse(RunPython(kVobjectDump, file.string()));
        ASSERT_EQ(cards.size(), 1u) << version;
        const Json& c = cards[0];
        EXPECT_EQ(c["VERSION"][0]["value"], version);
        EXPECT_EQ(c["N"][0]["value"], Json({"LastName \u00e9, x", "FirstName \u00e9, x", "MiddleName;\u65e5",
                                            "Title \u00e9, x", "Suffix \u00e9, x"}));
        EXPECT_EQ(c["ORG"][0]["value"], Json({"CompanyName;\u65e5", "Department \u00e9, x"}));
        EXPECT_EQ(c["TEL"].size(), 11u);
        EXPECT_EQ(c["EMAIL"].size(), 3u);
        EXPECT_EQ(c["ADR"].size(), 3u);
        EXPECT_EQ(c["ADR"][0]["value"][2], "1 Main St\nApt 2");
        EXPECT_EQ(c["ADR"][1]["value"][6], "BusinessAddressCountry \u00e9, x");
        EXPECT_EQ(c["NOTE"][0]["value"], "Line one\nLine two; with, punctuation \\ and more");
        EXPECT_EQ(c["X-CORVID-FILEAS"][0]["value"], "Custom file-as");
        EXPECT_EQ(c["BDAY"][0]["value"], std::string(version) == "3.0" ? "1970-03-04" : "19700304");
        EXPECT_TRUE(c.contains(std::string(version) == "3.0" ? "X-ANNIVERSARY" : "ANNIVERSARY"));
    }
}

TEST_F(ContactVCardTest, CardsRoundTripThroughTheStore)
{
    const long oid = SavedWithAllFields();
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    {
        CContact contact;
        ASSERT_TRUE(contact.ReadOID(oid));
        std::filesystem::create_directories(platform::DeviceRootDirectory());
        std::ofstream(HostPath(u"\\p.png"), std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
        contact.SetPicture(u"\\p.png");
        ASSERT_FALSE(contact.Save());
    }
    const std::string picture = HostPath(std::u16string(GetCorvidDirectory()) + u"\\Corvid\\ContactPics\\Custom file-as.png");
    for (const char* version : {"3.0", "4.0"}) {
        const std::string text = ContactVCard::Write({oid}, version, nullptr);
        // The import writes the picture anew.
        ASSERT_TRUE(std::filesystem::remove(picture)) << version;
        const ContactImport imported = ContactVCard::Read(text);
        ASSERT_EQ(imported.oids.size(), 1u) << version;
        EXPECT_TRUE(imported.messages.empty()) << imported.messages[0].text;
        CContact a, b;
        ASSERT_TRUE(a.ReadOID(oid));
        ASSERT_TRUE(b.ReadOID(imported.oids[0]));
        for (int i = 0; i < CContact::kFieldCount; ++i) {
            const auto f = static_cast<CContact::Field>(i);
            EXPECT_EQ(a.Text(f), b.Text(f)) << version << " " << CContact::FieldName(f);
        }
        EXPECT_EQ(a.Body(), b.Body());
        EXPECT_EQ(b.Birthday(), kstest::Ole(1970, 3, 4));
        EXPECT_EQ(b.Anniversary(), kstest::Ole(1999, 12, 31));
        WCHAR* path = nullptr;
        bool company = false;
        ASSERT_TRUE(b.GetPicture(&path, &company)) << version;
        std::free(path);
        std::ifstream in(picture, std::ios::binary);
        EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), png) << version;
        b.Delete();
    }
}

TEST_F(ContactVCardTest, ReadsVobjectAndOlderCards)
{
    const std::string written = RunPython(kVobjectWrite, "");
    std::string text = written +
                       "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Gr=FC=DF;Anna\r\n"
                       "TEL;HOME;VOICE:555-1234\r\nTEL:1\r\nTEL:2\r\nTEL:3\r\nTEL:4\r\nTEL:5\r\nTEL:6\r\n"
                       "BDAY:--0304\r\nPHOTO;VALUE=URL:http://example.com/a.jpg\r\nEND:VCARD\r\n"
                       "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:no name at all\r\nEND:VCARD\r\n"
                       "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Long;Company\r\nORG:" +
                       std::string(65536, 'c') + "\r\nEND:VCARD\r\n";
    const ContactImport imported = ContactVCard::Read(text);
    EXPECT_EQ(imported.cards, 4u);
    ASSERT_EQ(imported.oids.size(), 3u);
    CContact j, anna, longOne;
    ASSERT_TRUE(j.ReadOID(imported.oids[0]));
    EXPECT_EQ(j.Text(CContact::kLastName), u"M\u00fcller");
    EXPECT_EQ(j.Text(CContact::kMiddleName), u"K.");
    EXPECT_EQ(j.Text(CContact::kCompany), u"Acme, Inc.");
    EXPECT_EQ(j.Text(CContact::kDepartment), u"R&D; Labs");
    EXPECT_EQ(j.Text(CContact::kMobilePhone), u"+49 30 1234");
    EXPECT_EQ(j.Text(CContact::kBusinessFax), u"030 999");
    EXPECT_EQ(j.Text(CContact::kHomeCity), u"Berlin");
    EXPECT_EQ(j.Text(CContact::kCategories), u"Work, Friends");
    EXPECT_EQ(j.Body(), u"Zeile eins\r\nZeile zwei, mit Komma; und Semikolon " + std::u16string(100, u'x'));
    EXPECT_EQ(j.Birthday(), kstest::Ole(1969, 7, 20));
    ASSERT_TRUE(anna.ReadOID(imported.oids[1]));
    EXPECT_EQ(anna.Text(CContact::kLastName), u"Gr\u00fc\u00df");
    EXPECT_EQ(anna.Text(CContact::kHomePhone), u"555-1234");
    EXPECT_EQ(anna.Text(CContact::kMobilePhone), u"1");
    ASSERT_TRUE(longOne.ReadOID(imported.oids[2]));
    EXPECT_EQ(longOne.Text(CContact::kCompany), u"") << "the 64 KB company is left out, the names kept";
    // Told per card: the two untyped numbers no field is left for, the birthday without a year, the photo by reference, the card
    // without a name, and the overlong company.
    std::vector<std::pair<size_t, bool>> told;
    for (const ContactCardMessage& m : imported.messages) told.push_back({m.card, m.refused});
    EXPECT_EQ(told, (std::vector<std::pair<size_t, bool>>{
                        {1, false}, {1, false}, {1, false}, {1, false}, {2, true}, {3, false}}));
}

}  // namespace
