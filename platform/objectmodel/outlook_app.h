// The application object of the object model: CoCreateInstance makes it,
// Logon opens the store (making its four databases when missing), and it
// makes the folders and items.
//
// Before Logon (and after Logoff) every store call fails with E_FAIL.
// GetItemFromOid finds the record's database (CeOidGetInfo) and answers with
// the item of that kind; an OID of no record, or of a record of any other
// database, is E_INVALIDARG. GetTimeZoneInformationFromIndex reads the
// platform's zone list (citydb.dll) by position, 0 .. count - 1.
// get_OutlookCompatible is always VARIANT_TRUE: items keep the desktop
// program's conventions. get_Version gives "3.0".
#pragma once

#include <vector>

#include "platform/objectstore/cedb.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pocket_outlook.h"

class OutlookApp final : public OutlookObject<IPOutlookApp> {
public:
    OutlookApp() = default;

    HRESULT Logon(LONG hwnd) override;
    HRESULT Logoff() override;
    HRESULT get_Version(BSTR* version) override;
    HRESULT GetDefaultFolder(int folder, IFolder** result) override;
    HRESULT CreateItem(int kind, IDispatch** item) override;
    HRESULT GetItemFromOid(LONG oid, IDispatch** item) override;
    HRESULT GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi) override;
    HRESULT get_OutlookCompatible(VARIANT_BOOL* compatible) override;

    bool LoggedOn() const { return loggedOn_; }
    // The database of an item kind (olTaskItem ...); 0 for another kind or
    // before Logon.
    CEOID DatabaseOf(int kind) const;
    // The item kind of a database OID; 0 for none of the store's.
    int KindOfDatabase(CEOID database) const;
    // The saved items gathered in the infrared folder (by OID, so that the
    // gathered items hold no reference back to the application).
    std::vector<CEOID>& InfraredItems() { return infrared_; }

private:
    ~OutlookApp() override = default;

    bool loggedOn_ = false;
    CEOID appointments_ = 0;
    CEOID tasks_ = 0;
    CEOID contacts_ = 0;
    std::vector<CEOID> infrared_;
};
