// IContact over a record of "Contacts Database".
//
// Each text property is one string property of the record (kContact<Name>
// of platform/objectstore/store_schema.h); an empty text removes it. Birthday and anniversary are local
// FILETIMEs of the day's midnight (kContactBirthday, kContactAnniversary);
// kNoOleDate removes them. The note is kItemNote and the categories the blob
// kItemCategories (outlook_note.h, outlook_category_text.h).
//
// FileAs (kContactFileAs, the contacts' sort order) follows the names, as the
// object model does: "Last, First" (or the one that exists, else the
// company) whenever it was never set or still holds what the names gave.
// A FileAs put explicitly is kept.
//
// Save checks first (texts of at most kOutlookMaxTextLength characters: E_FIELDTOOLARGE;
// dates from 1 January 1900 to 31 December 2999: E_INVALIDDATES) and then
// writes only what changed, creating new categories last.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_item_record.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/store_schema.h"

#define KS_CONTACT_TEXT_PROPERTY(Name)                                                  \
    HRESULT get_##Name(BSTR* value) override { return GetText(kContact##Name, value); } \
    HRESULT put_##Name(BSTR value) override { return PutText(kContact##Name, value); }

class OutlookContact final : public OutlookObject<IContact> {
public:
    OutlookContact(IPOutlookApp* app, OutlookItemRecord record);

    HRESULT get_FileAs(BSTR* value) override;
    HRESULT put_FileAs(BSTR value) override;
    KS_CONTACT_TEXT_PROPERTY(Title)
    KS_CONTACT_TEXT_PROPERTY(FirstName)
    KS_CONTACT_TEXT_PROPERTY(MiddleName)
    KS_CONTACT_TEXT_PROPERTY(LastName)
    KS_CONTACT_TEXT_PROPERTY(Suffix)
    KS_CONTACT_TEXT_PROPERTY(CompanyName)
    KS_CONTACT_TEXT_PROPERTY(JobTitle)
    KS_CONTACT_TEXT_PROPERTY(Department)
    KS_CONTACT_TEXT_PROPERTY(OfficeLocation)
    KS_CONTACT_TEXT_PROPERTY(AssistantName)
    KS_CONTACT_TEXT_PROPERTY(AssistantTelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(Spouse)
    KS_CONTACT_TEXT_PROPERTY(Children)
    KS_CONTACT_TEXT_PROPERTY(HomeAddressStreet)
    KS_CONTACT_TEXT_PROPERTY(HomeAddressCity)
    KS_CONTACT_TEXT_PROPERTY(HomeAddressState)
    KS_CONTACT_TEXT_PROPERTY(HomeAddressPostalCode)
    KS_CONTACT_TEXT_PROPERTY(HomeAddressCountry)
    KS_CONTACT_TEXT_PROPERTY(BusinessAddressStreet)
    KS_CONTACT_TEXT_PROPERTY(BusinessAddressCity)
    KS_CONTACT_TEXT_PROPERTY(BusinessAddressState)
    KS_CONTACT_TEXT_PROPERTY(BusinessAddressPostalCode)
    KS_CONTACT_TEXT_PROPERTY(BusinessAddressCountry)
    KS_CONTACT_TEXT_PROPERTY(OtherAddressStreet)
    KS_CONTACT_TEXT_PROPERTY(OtherAddressCity)
    KS_CONTACT_TEXT_PROPERTY(OtherAddressState)
    KS_CONTACT_TEXT_PROPERTY(OtherAddressPostalCode)
    KS_CONTACT_TEXT_PROPERTY(OtherAddressCountry)
    KS_CONTACT_TEXT_PROPERTY(HomeTelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(Home2TelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(HomeFaxNumber)
    KS_CONTACT_TEXT_PROPERTY(BusinessTelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(Business2TelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(BusinessFaxNumber)
    KS_CONTACT_TEXT_PROPERTY(RadioTelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(MobileTelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(PagerNumber)
    KS_CONTACT_TEXT_PROPERTY(CarTelephoneNumber)
    KS_CONTACT_TEXT_PROPERTY(Email1Address)
    KS_CONTACT_TEXT_PROPERTY(Email2Address)
    KS_CONTACT_TEXT_PROPERTY(Email3Address)
    KS_CONTACT_TEXT_PROPERTY(WebPage)
    KS_CONTACT_TEXT_PROPERTY(YomiFirstName)
    KS_CONTACT_TEXT_PROPERTY(YomiLastName)
    KS_CONTACT_TEXT_PROPERTY(YomiCompanyName)
    HRESULT get_Birthday(DATE* date) override { return GetDate(kContactBirthday, date); }
    HRESULT put_Birthday(DATE date) override { return PutDate(kContactBirthday, date); }
    HRESULT get_Anniversary(DATE* date) override { return GetDate(kContactAnniversary, date); }
    HRESULT put_Anniversary(DATE date) override { return PutDate(kContactAnniversary, date); }
    HRESULT get_Categories(BSTR* categories) override;
    HRESULT put_Categories(BSTR categories) override;
    HRESULT get_Body(BSTR* body) override;
    HRESULT put_Body(BSTR body) override;
    HRESULT get_BodyInk(BSTR* body) override;
    HRESULT put_BodyInk(BSTR body) override;
    HRESULT Save() override;
    HRESULT Delete() override;
    HRESULT Copy(IContact** copy) override;
    // The object model's own contact form is not offered: E_NOTIMPL.
    HRESULT Display() override;
    HRESULT get_Oid(LONG* oid) override;
    HRESULT get_Application(IPOutlookApp** app) override;

    // "Last, First" from the names (the one that exists, else the company).
    static std::u16string ComputedFileAs(const std::u16string& first, const std::u16string& last,
                                         const std::u16string& company);

private:
    ~OutlookContact() override = default;
    HRESULT GetText(CEPROPID id, BSTR* value);
    HRESULT PutText(CEPROPID id, BSTR value);
    HRESULT GetDate(CEPROPID id, DATE* date);
    HRESULT PutDate(CEPROPID id, DATE date);
    // FileAs computed from the stored (loaded) names.
    std::u16string LoadedFileAs() const;
    std::u16string CurrentFileAs() const;

    platform::ComRef<IPOutlookApp> app_;
    OutlookItemRecord record_;
    // Names as loaded, to tell a FileAs the names gave from one typed in.
    std::u16string loadedFirst_, loadedLast_, loadedCompany_;
    bool fileAsPut_ = false;
    // Dates and categories are converted on Save, after the checks.
    std::map<CEPROPID, DATE> pendingDates_;
    std::optional<std::u16string> pendingCategories_;
};

#undef KS_CONTACT_TEXT_PROPERTY
