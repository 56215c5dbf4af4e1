// CContactField and the table of contact properties: each field's property,
// its IContact getter and setter, and its English name.
#include <algorithm>

#include "items/c_contact.h"
#include "items/contact_field_table.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/bstr.h"

#define KS_CONTACT_FIELD(Name, property) \
    ContactFieldAccess { property, &IContact::get_##Name, &IContact::put_##Name, #Name }

const ContactFieldAccess kContactFieldTable[CContact::kFieldCount] = {
    KS_CONTACT_FIELD(FileAs, kContactFileAs),
    KS_CONTACT_FIELD(Title, kContactTitle),
    KS_CONTACT_FIELD(FirstName, kContactFirstName),
    KS_CONTACT_FIELD(MiddleName, kContactMiddleName),
    KS_CONTACT_FIELD(LastName, kContactLastName),
    KS_CONTACT_FIELD(Suffix, kContactSuffix),
    KS_CONTACT_FIELD(CompanyName, kContactCompanyName),
    KS_CONTACT_FIELD(JobTitle, kContactJobTitle),
    KS_CONTACT_FIELD(Department, kContactDepartment),
    KS_CONTACT_FIELD(OfficeLocation, kContactOfficeLocation),
    KS_CONTACT_FIELD(AssistantName, kContactAssistantName),
    KS_CONTACT_FIELD(AssistantTelephoneNumber, kContactAssistantTelephoneNumber),
    KS_CONTACT_FIELD(Children, kContactChildren),
    KS_CONTACT_FIELD(Spouse, kContactSpouse),
    KS_CONTACT_FIELD(HomeAddressStreet, kContactHomeAddressStreet),
    KS_CONTACT_FIELD(HomeAddressCity, kContactHomeAddressCity),
    KS_CONTACT_FIELD(HomeAddressState, kContactHomeAddressState),
    KS_CONTACT_FIELD(HomeAddressPostalCode, kContactHomeAddressPostalCode),
    KS_CONTACT_FIELD(HomeAddressCountry, kContactHomeAddressCountry),
    KS_CONTACT_FIELD(BusinessAddressStreet, kContactBusinessAddressStreet),
    KS_CONTACT_FIELD(BusinessAddressCity, kContactBusinessAddressCity),
    KS_CONTACT_FIELD(BusinessAddressState, kContactBusinessAddressState),
    KS_CONTACT_FIELD(BusinessAddressPostalCode, kContactBusinessAddressPostalCode),
    KS_CONTACT_FIELD(BusinessAddressCountry, kContactBusinessAddressCountry),
    KS_CONTACT_FIELD(OtherAddressStreet, kContactOtherAddressStreet),
    KS_CONTACT_FIELD(OtherAddressCity, kContactOtherAddressCity),
    KS_CONTACT_FIELD(OtherAddressState, kContactOtherAddressState),
    KS_CONTACT_FIELD(OtherAddressPostalCode, kContactOtherAddressPostalCode),
    KS_CONTACT_FIELD(OtherAddressCountry, kContactOtherAddressCountry),
    KS_CONTACT_FIELD(HomeTelephoneNumber, kContactHomeTelephoneNumber),
    KS_CONTACT_FIELD(Home2TelephoneNumber, kContactHome2TelephoneNumber),
    KS_CONTACT_FIELD(HomeFaxNumber, kContactHomeFaxNumber),
    KS_CONTACT_FIELD(BusinessTelephoneNumber, kContactBusinessTelephoneNumber),
    KS_CONTACT_FIELD(Business2TelephoneNumber, kContactBusiness2TelephoneNumber),
    KS_CONTACT_FIELD(BusinessFaxNumber, kContactBusinessFaxNumber),
    KS_CONTACT_FIELD(RadioTelephoneNumber, kContactRadioTelephoneNumber),
    KS_CONTACT_FIELD(MobileTelephoneNumber, kContactMobileTelephoneNumber),
    KS_CONTACT_FIELD(PagerNumber, kContactPagerNumber),
    KS_CONTACT_FIELD(CarTelephoneNumber, kContactCarTelephoneNumber),
    KS_CONTACT_FIELD(Email1Address, kContactEmail1Address),
    KS_CONTACT_FIELD(Email2Address, kContactEmail2Address),
    KS_CONTACT_FIELD(Email3Address, kContactEmail3Address),
    KS_CONTACT_FIELD(WebPage, kContactWebPage),
    KS_CONTACT_FIELD(Categories, kItemCategories),
};

#undef KS_CONTACT_FIELD

const ContactFieldAccess* ContactFieldOf(ULONG property)
{
    for (const ContactFieldAccess& access : kContactFieldTable)
        if (access.property == property) return &access;
    return nullptr;
}

// ---- CContactField ----

CContactField::~CContactField() { Free(); }

void CContactField::SetField(IContact** item, int* loaded, UINT property)
{
    m_item = item;
    m_loaded = loaded;
    m_property = property;
}

int CContactField::Length() const { return m_value ? static_cast<int>(SysStringLen(m_value)) : 0; }

CContactField::operator const WCHAR*()
{
    LoadBSTR();
    return m_value ? m_value : u"";
}

void CContactField::Set(BSTR value)
{
    Free();
    m_value = value ? value : SysAllocString(u"");
    m_changed = TRUE;
}

void CContactField::SetAlloc(const WCHAR* value) { Set(SysAllocString(value ? value : u"")); }

void CContactField::LoadBSTR()
{
    if (m_value) return;
    const ContactFieldAccess* access = ContactFieldOf(m_property);
    IContact* item = m_item ? *m_item : nullptr;
    if (item && access && SUCCEEDED((item->*access->get)(&m_value)) && m_value) {
        if (m_loaded) ++*m_loaded;
        return;
    }
    if (m_value) SysFreeString(m_value);
    m_value = SysAllocString(u"");
}

HRESULT CContactField::Write()
{
    if (!m_changed) return S_OK;
    const ContactFieldAccess* access = ContactFieldOf(m_property);
    IContact* item = m_item ? *m_item : nullptr;
    if (!item || !access) return E_POINTER;
    return (item->*access->put)(m_value);
}

void CContactField::Free()
{
    if (m_value) SysFreeString(m_value);
    m_value = nullptr;
    m_changed = FALSE;
}
