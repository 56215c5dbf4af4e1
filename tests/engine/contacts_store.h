// Contact records written straight into "Contacts Database", and a contact list loaded through LoaderHost.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/contacts_thread.h"
#include "tests/engine/test_loader.h"

namespace contacttest {

// One contact; an empty text leaves its property out.
struct ContactFields {
    std::u16string given, surname, fileAs, company;
    std::vector<BYTE> categories;  // empty: no blob
    std::u16string department, businessCity, homeCity, homeState, businessCountry, otherCountry;
    std::u16string businessPhone, mobilePhone, email;
    std::optional<ULONG> preferred;  // the property whose text is the second line
};

inline CEOID WriteContact(ContactFields c, CEOID oid = 0)
{
    loadertest::PropList p;
    const std::pair<CEPROPID, std::u16string*> texts[] = {
        {kContactFirstName, &c.given},
        {kContactLastName, &c.surname},
        {kContactFileAs, &c.fileAs},
        {kContactCompanyName, &c.company},
        {kContactDepartment, &c.department},
        {kContactBusinessAddressCity, &c.businessCity},
        {kContactHomeAddressCity, &c.homeCity},
        {kContactHomeAddressState, &c.homeState},
        {kContactBusinessAddressCountry, &c.businessCountry},
        {kContactOtherAddressCountry, &c.otherCountry},
        {kContactBusinessTelephoneNumber, &c.businessPhone},
        {kContactMobileTelephoneNumber, &c.mobilePhone},
        {kContactEmail1Address, &c.email},
    };
    for (auto [id, text] : texts) {
        if (!text->empty()) p.Add(id).lpwstr = text->data();
    }
    p.Blob(kItemCategories, c.categories);
    if (c.preferred) p.Add(kContactPreferredNumber).ulVal = *c.preferred;
    return loadertest::WritePimRecord(kContactsDatabase, p.props, oid);
}

inline bool DeleteContact(CEOID oid) { return loadertest::DeletePimRecord(kContactsDatabase, oid); }

template <class V>
void SetContactSetting(const WCHAR* name, V value)
{
    loadertest::SetSetting(kContactsSettingsKey, name, value);
}

inline std::u16string Text(const WCHAR* text) { return text ? text : u""; }

// The rows' display names (headers in brackets with their counts), in list order.
inline std::vector<std::u16string> Names(const CContactsThread& loader)
{
    std::vector<std::u16string> names;
    for (const DATACONTACTS* row : loader.GetDataList()) {
        if (!row) continue;
        names.push_back(row->header ? u"[" + Text(row->displayName) + u" " + Text(row->secondLine) + u"]"
                                    : Text(row->displayName));
    }
    return names;
}

inline bool Load(CContactsThread& loader, LPARAM* reported = nullptr) { return loadertest::RunLoad(loader, reported); }

// The first row whose header or contact has this display name.
inline const DATACONTACTS* RowNamed(const CContactsThread& loader, std::u16string_view name)
{
    for (const DATACONTACTS* row : loader.GetDataList()) {
        if (row && Text(row->displayName) == name) return row;
    }
    return nullptr;
}

}  // namespace contacttest
