// A default folder of the store: the calendar, contacts and tasks folders
// list their database's items; the infrared folder gathers saved items to
// beam (kept by the application until Logoff, whichever folder object
// gathered them).
//
// This platform has no infrared port. SendToInfrared stands in for one by
// writing each gathered item as a file into the device folder "\Outbox"
// (made when missing): a contact as a vCard 3.0 file named after its file-as
// name, an appointment or a task in the form its registered writer gives
// (SetInfraredWriter; the calendar format lives above this layer) named after
// its subject. Sent items leave the folder; an item without a writer, or whose
// file cannot be written, stays gathered and the call fails with E_FAIL.
// Nothing gathered gives S_FALSE.
// ReceiveFromInfrared fails with E_FAIL, as a device without a partner in
// range does.
#pragma once

#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pocket_outlook.h"

class OutlookApp;

// The device folder the infrared stand-in writes beamed items into.
inline constexpr const WCHAR* kInfraredOutbox = u"\\Outbox";

// Writes the beamed form of an appointment or task into text; false when it
// cannot. extension names the file kind (".ics").
struct InfraredWriter {
    bool (*write)(IDispatch* item, std::string& text) = nullptr;
    const char16_t* extension = nullptr;
};
// Registers the writer of one item kind (olAppointmentItem, olTaskItem); a
// writer without a function removes it.
void SetInfraredWriter(int kind, InfraredWriter writer);

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
