// A default folder of the store: the calendar, contacts and tasks folders
// list their database's items; the infrared folder gathers saved items to
// beam (kept by the application until Logoff, whichever folder object
// gathered them).
//
// This platform has no infrared port: SendToInfrared and ReceiveFromInfrared
// fail with E_FAIL (the items stay gathered), as a device without a partner
// in range does.
#pragma once

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pocket_outlook.h"

class OutlookApp;

class OutlookFolder final : public OutlookObject<IFolder> {
public:
    // itemKind 0 makes the infrared folder.
    OutlookFolder(OutlookApp* app, int itemKind);

    HRESULT get_Items(IPOutlookItemCollection** items) override;
    HRESULT get_DefaultItemType(int* kind) override;
    HRESULT get_Application(IPOutlookApp** app) override;
    HRESULT AddItemToInfraredFolder(int kind, IDispatch* item) override;
    HRESULT SendToInfrared() override;
    HRESULT ReceiveFromInfrared(IPOutlookItemCollection** items) override;

private:
    ~OutlookFolder() override;  // out of line: OutlookApp is incomplete here

    platform::ComRef<OutlookApp> app_;
    int itemKind_;
};
