// CAppTaskTools: turning an appointment into a task and a task into an
// appointment. The new item takes the old one's subject, categories,
// privacy and note; then the user is asked whether the old item goes.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"

class KSTOOLS_API CAppTaskTools {
public:
    // A task from appointment oid: started on the appointment's first day,
    // due on its last, not complete, without reminder. Asks
    // "Delete_Appt_On_Convert"; yes deletes the appointment (deleted is set
    // then). The new task's OID, 0 when nothing was made.
    static long ConvertAppointmentToTask(long oid, bool& deleted);
    // An appointment from task oid on date (kNoOleDate: the task's due day,
    // else its start day, else today) at 08:00 for an hour, with the default
    // reminder. The subject keeps the task's priority code unless
    // "ConvertTaskToApptStripPriority" is set. Asks "Delete_Task_On_Convert";
    // yes deletes the task. The new appointment's OID, 0 when nothing was
    // made.
    static long ConvertTaskToAppointment(long oid, bool& deleted, double date = kNoOleDate);
};
