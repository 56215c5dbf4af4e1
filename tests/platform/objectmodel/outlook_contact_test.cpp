// Contacts through the object model.
#include "platform/objectmodel/outlook_contact.h"

#include <gtest/gtest.h>

#include "platform/objectmodel/outlook_note.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"

namespace {

using namespace outlooktest;

struct TextProperty {
    HRESULT (IContact::*put)(BSTR);
    HRESULT (IContact::*get)(BSTR*);
    CEPROPID id;
};

#define TEXT_PROPERTY(Name)                                          \
    {                                                                \
        &IContact::put_##Name, &IContact::get_##Name, kContact##Name \
    }
// FileAs has code of its own; the others share one macro: the first, the names FileAs follows, the last.
const TextProperty kTextProperties[] = {
    TEXT_PROPERTY(FileAs),
    TEXT_PROPERTY(Title),
    TEXT_PROPERTY(FirstName),
    TEXT_PROPERTY(LastName),
    TEXT_PROPERTY(MobileTelephoneNumber),
    TEXT_PROPERTY(Email1Address),
    TEXT_PROPERTY(YomiCompanyName),
};
#undef TEXT_PROPERTY

ComRef<IContact> NewContact() { return MakeItem<IContact>(kContactsDatabase, 0, MakeOutlookContact); }
ComRef<IContact> OpenContact(CEOID oid) { return MakeItem<IContact>(kContactsDatabase, oid, MakeOutlookContact); }

using OutlookContactTest = OutlookItemTest;

TEST_F(OutlookContactTest, EveryTextPropertyRoundTripsUnderItsIdentifierAndEmptyRemovesIt)
{
    auto valueOf = [](CEPROPID id) {
        return u"value " + std::u16string(1, static_cast<char16_t>(u'A' + (id % 23))) + u" \u00e9\u4e2d";
    };
    ComRef<IContact> contact = NewContact();
    ASSERT_NE(contact.Get(), nullptr);
    for (const TextProperty& property : kTextProperties) PutText(contact, property.put, valueOf(property.id).c_str());
    const CEOID oid = SaveAndClose(contact);
    ASSERT_NE(oid, 0u);
    platform::CloseObjectStore();

    contact = OpenContact(oid);
    ASSERT_NE(contact.Get(), nullptr);
    for (const TextProperty& property : kTextProperties) {
        EXPECT_EQ(Text(contact, property.get), valueOf(property.id)) << std::hex << property.id;
        EXPECT_EQ(ReadRaw(kContactsDatabase, oid, property.id).text, valueOf(property.id)) << std::hex << property.id;
    }
    PutText(contact, &IContact::put_MobileTelephoneNumber, u"");
    SaveAndClose(contact);
    EXPECT_FALSE(ReadRaw(kContactsDatabase, oid, kContactMobileTelephoneNumber).found);
}

TEST_F(OutlookContactTest, FileAsFollowsTheNamesUntilSetByHandOrTakesWhateverNameThereIs)
{
    ComRef<IContact> contact = NewContact();
    PutText(contact, &IContact::put_FirstName, u"Ann");
    PutText(contact, &IContact::put_LastName, u"Moss");
    EXPECT_EQ(Text(contact, &IContact::get_FileAs), u"Moss, Ann") << "before any save";
    const CEOID oid = SaveAndClose(contact);
    EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kContactFileAs).text, u"Moss, Ann") << "stored for the sort order";

    contact = OpenContact(oid);
    PutText(contact, &IContact::put_LastName, u"Moss-Lee");
    SaveAndClose(contact);
    EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kContactFileAs).text, u"Moss-Lee, Ann");

    contact = OpenContact(oid);
    PutText(contact, &IContact::put_FileAs, u"Annie");
    SaveAndClose(contact);
    contact = OpenContact(oid);
    PutText(contact, &IContact::put_FirstName, u"Anna");
    EXPECT_EQ(Text(contact, &IContact::get_FileAs), u"Annie");
    SaveAndClose(contact);
    EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kContactFileAs).text, u"Annie") << "a typed FileAs stays";

    // Without both names, FileAs is whatever name there is.
    EXPECT_EQ(OutlookContact::ComputedFileAs(u"Ann", u"", u"Acme"), u"Ann");
    EXPECT_EQ(OutlookContact::ComputedFileAs(u"", u"Moss", u"Acme"), u"Moss");
    EXPECT_EQ(OutlookContact::ComputedFileAs(u"", u"", u"Acme"), u"Acme");
    EXPECT_EQ(OutlookContact::ComputedFileAs(u"", u"", u""), u"");

    contact = NewContact();
    PutText(contact, &IContact::put_CompanyName, u"Acme");
    EXPECT_EQ(ReadRaw(kContactsDatabase, SaveAndClose(contact), kContactFileAs).text, u"Acme");
    contact = NewContact();
    const CEOID empty = SaveAndClose(contact);
    EXPECT_NE(empty, 0u) << "an empty contact saves";
    EXPECT_FALSE(ReadRaw(kContactsDatabase, empty, kContactFileAs).found);
}

TEST_F(OutlookContactTest, BirthdayAndAnniversaryAreLocalDaysAndCopyMakesANewItem)
{
    ComRef<IContact> contact = NewContact();
    EXPECT_EQ(Get(contact, &IContact::get_Birthday), kNoOleDate) << "a new contact has none";
    PutText(contact, &IContact::put_LastName, u"Moss");
    EXPECT_EQ(contact->put_Birthday(-1.25), S_OK);
    EXPECT_EQ(Get(contact, &IContact::get_Birthday), -1.25) << "a date before 1899 is kept for the save to refuse";
    EXPECT_EQ(contact->put_Birthday(Ole(1980, 2, 29, 15, 45)), S_OK);
    EXPECT_EQ(contact->put_Anniversary(Ole(2005, 6, 18)), S_OK);
    const CEOID oid = SaveAndClose(contact);
    platform::CloseObjectStore();

    const RawProp birthday = ReadRaw(kContactsDatabase, oid, kContactBirthday);
    ASSERT_TRUE(birthday.found);
    EXPECT_EQ(platform::FileTimeValue(birthday.val.val.filetime), platform::FileTimeValue(LocalFileTime(1980, 2, 29)));
    contact = OpenContact(oid);
    EXPECT_DATE(Get(contact, &IContact::get_Birthday), Ole(1980, 2, 29));
    EXPECT_DATE(Get(contact, &IContact::get_Anniversary), Ole(2005, 6, 18));

    EXPECT_EQ(contact->put_Anniversary(kNoOleDate), S_OK);
    EXPECT_EQ(contact->Save(), S_OK);
    EXPECT_FALSE(ReadRaw(kContactsDatabase, oid, kContactAnniversary).found) << "none removes the property";
    EXPECT_TRUE(ReadRaw(kContactsDatabase, oid, kContactBirthday).found);

    ComRef<IContact> copy;
    ASSERT_EQ(contact->Copy(copy.Put()), S_OK);
    EXPECT_EQ(OidOf(copy), 0u) << "unsaved";
    EXPECT_EQ(copy->Save(), S_OK);
    const CEOID copyOid = OidOf(copy);
    EXPECT_NE(copyOid, OidOf(contact));
    EXPECT_EQ(ReadRaw(kContactsDatabase, copyOid, kContactLastName).text, u"Moss");
    EXPECT_TRUE(ReadRaw(kContactsDatabase, copyOid, kContactBirthday).found);
    copy.Reset();

    EXPECT_EQ(RecordCount(kContactsDatabase), 2);
    EXPECT_EQ(contact->Delete(), S_OK);
    EXPECT_EQ(RecordCount(kContactsDatabase), 1);
    EXPECT_EQ(contact->Display(), E_NOTIMPL);
}

TEST_F(OutlookContactTest, InvalidValuesFailTheSaveAndStoreNothing)
{
    ComRef<IContact> contact = NewContact();
    PutText(contact, &IContact::put_LastName, u"Moss");
    const CEOID oid = SaveAndClose(contact);

    struct Case {
        const char* what;
        void (*spoil)(IContact*);
        HRESULT expected;
    } cases[] = {
        {"date before 1900", [](IContact* c) { c->put_Birthday(Ole(1899, 12, 31)); }, E_INVALIDDATES},
        {"date after 2999", [](IContact* c) { c->put_Anniversary(Ole(3000, 1, 1)); }, E_INVALIDDATES},
        {"not a number", [](IContact* c) { c->put_Birthday(std::numeric_limits<double>::quiet_NaN()); },
         E_INVALIDDATES},
        {"text too long",
         [](IContact* c) { PutText(c, &IContact::put_Email1Address, std::u16string(kOutlookMaxTextLength + 1, u'x').c_str()); },
         E_FIELDTOOLARGE},
    };
    for (const Case& c : cases) {
        contact = OpenContact(oid);
        PutText(contact, &IContact::put_LastName, u"Changed");
        PutText(contact, &IContact::put_Categories, u"Brand New");
        c.spoil(contact.Get());
        EXPECT_EQ(contact->Save(), c.expected) << c.what;
        contact.Reset();
        EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kContactLastName).text, u"Moss") << c.what;
        EXPECT_FALSE(ReadRaw(kContactsDatabase, oid, kOutlookCategoriesProperty).found) << c.what;
        EXPECT_EQ(RecordCount(kCategoriesDatabase), 0) << c.what << ": no category made";
    }
    contact = OpenContact(oid);
    PutText(contact, &IContact::put_Email1Address, std::u16string(kOutlookMaxTextLength, u'x').c_str());
    EXPECT_EQ(contact->put_Birthday(Ole(1900, 1, 1)), S_OK);
    EXPECT_EQ(contact->Save(), S_OK) << "the limits themselves are fine";
}

TEST_F(OutlookContactTest, CategoriesAreStoredAsTheBlobOnlyAndTheNoteAsTextOrBytes)
{
    ComRef<IContact> contact = NewContact();
    PutText(contact, &IContact::put_Categories, u"Friends, Work");
    PutText(contact, &IContact::put_Body, u"Caf\u00e9 notes");
    const CEOID oid = SaveAndClose(contact);
    EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kOutlookCategoriesProperty).bytes, (std::vector<BYTE>{0x03, 0, 0, 0}));
    EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kOutlookNoteProperty).bytes,
              (std::vector<BYTE>{'C', 'a', 'f', 0xE9, ' ', 'n', 'o', 't', 'e', 's', 0}));

    contact = OpenContact(oid);
    EXPECT_EQ(Text(contact, &IContact::get_Categories), u"Friends, Work");
    EXPECT_EQ(Text(contact, &IContact::get_Body), u"Caf\u00e9 notes");
    PutText(contact, &IContact::put_Categories, u"");
    const char ink[] = "{\\pwi\x01\x02\x00\x03";
    const OwnedBstr bytes = OwnedBstr::Adopt(SysAllocStringByteLen(ink, sizeof ink - 1));
    EXPECT_EQ(contact->put_BodyInk(bytes), S_OK);
    SaveAndClose(contact);
    EXPECT_EQ(ReadRaw(kContactsDatabase, oid, kOutlookNoteProperty).bytes,
              std::vector<BYTE>(ink, ink + sizeof ink - 1));
    EXPECT_FALSE(ReadRaw(kContactsDatabase, oid, kOutlookCategoriesProperty).found);
    contact = OpenContact(oid);
    EXPECT_EQ(Text(contact, &IContact::get_Body), u"") << "an ink note has no plain text";
    OwnedBstr stored;
    ASSERT_EQ(contact->get_BodyInk(stored.Put()), S_OK);
    EXPECT_EQ(SysStringByteLen(stored), sizeof ink - 1);
}

}  // namespace
