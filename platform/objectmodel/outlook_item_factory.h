// How the application object makes the item objects of each kind. Each
// item kind's file defines its function:
//   MakeOutlookTask        platform/objectmodel/outlook_task.cpp         ("Tasks Database")
//   MakeOutlookAppointment platform/objectmodel/outlook_appointment.cpp  ("Appointments Database")
//   MakeOutlookContact     platform/objectmodel/outlook_contact.cpp      ("Contacts Database")
//
// `record` is either loaded (an existing item, Load succeeded) or new (an
// empty record of the kind's database, OID 0 until Save). `app` is the
// application (the item keeps a reference for get_Application). On success
// *item receives the new object with one reference, owned by the caller.
#pragma once

#include "platform/objectmodel/outlook_item_record.h"
#include "platform/objectmodel/pocket_outlook.h"

HRESULT MakeOutlookTask(IPOutlookApp* app, OutlookItemRecord record, IDispatch** item);
HRESULT MakeOutlookAppointment(IPOutlookApp* app, OutlookItemRecord record, IDispatch** item);
HRESULT MakeOutlookContact(IPOutlookApp* app, OutlookItemRecord record, IDispatch** item);
