#include "items/app_task_tools.h"

#include <cmath>

#include "items/c_appointment.h"
#include "items/c_links.h"
#include "items/c_task.h"
#include "items/c_task_settings.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/ui/ui_host.h"

using task_item::IsNoDate;

namespace {

bool AskDelete(const WCHAR* text)
{
    return MessageBoxW(nullptr, text, nullptr, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

long CAppTaskTools::ConvertAppointmentToTask(long oid, bool& deleted)
{
    deleted = false;
    CAppointment appointment;
    if (!appointment.ReadOID(oid) || !appointment.LoadData()) return 0;
    CTask task;
    if (!task.Create(kNoOleDate, appointment.Subject().c_str(), nullptr, true)) return 0;
    task.SetCategories(appointment.Categories());
    task.SetStartDate(std::floor(appointment.Start()));
    // An appointment ending at midnight ends on the day before.
    const double end = appointment.End() > appointment.Start() ? appointment.End() - 1.0 / 1440 : appointment.Start();
    task.SetDueDate(std::floor(end));
    task.SetImportance(olImportanceNormal);
    task.SetReminder(kNoOleDate);
    task.SetBody(appointment.Body());
    if (!task.Save()) return 0;
    if (appointment.Sensitivity() != olNormal) task.SetPrivacy(olPrivate);
    const long taskOid = task.Oid();
    if (AskDelete(u"Delete the appointment now that it is a task?"))
        deleted = appointment.Delete(appointment.Start(), true) != 0;
    else
        CLinks::LinkItems(oid, taskOid);
    return taskOid;
}

long CAppTaskTools::ConvertTaskToAppointment(long oid, bool& deleted, double date)
{
    deleted = false;
    CTask task;
    if (!task.ReadOID(oid) || !task.LoadData(false)) return 0;
    double day = date;
    if (IsNoDate(day)) day = task.DueDate();
    if (IsNoDate(day)) day = task.StartDate();
    if (IsNoDate(day)) day = platform::TodayOleDate();
    const std::u16string subject =
        TaskSetting(u"ConvertTaskToApptStripPriority", 0)
            ? task.Subject()
            : CTask::ComposeSubject(task.PriorityLetter(), task.PriorityNumber(), 0, task.Subject(),
                                    TaskSetting(u"bPriorityPadding", 1) != 0);
    CAppointment appointment;
    if (!appointment.Create(std::floor(day) + 8.0 / 24, subject.c_str(), 60, nullptr, true)) return 0;
    appointment.SetCategories(task.Categories());
    appointment.SetBody(task.Body());
    if (!appointment.Save()) return 0;
    if (task.Sensitivity() != olNormal) appointment.SetPrivacy();
    const long appointmentOid = appointment.Oid();
    if (AskDelete(u"Delete the task now that it is an appointment?"))
        deleted = task.Delete(false);
    else
        CLinks::LinkItems(oid, appointmentOid);
    return appointmentOid;
}
