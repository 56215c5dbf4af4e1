// CTask: status changes (completion, regeneration, recurrence), templates
// and the summary.
#include <cmath>

#include "foundation/ce_string.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "items/c_journal.h"
#include "items/c_task.h"
#include "items/c_task_settings.h"
#include "items/infrared_beam.h"
#include "items/item_bstr.h"
#include "foundation/markup_literal.h"
#include "platform/locale/date_format.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/time/variant_time.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"
#include "storage/c_registry.h"

namespace {

using task_item::IsNoDate;

// The completed copy of a regenerating task: complete, percentage 100, no
// alarm of its own (the record write skips what the copy does not have).
void MarkCopyComplete(long oid)
{
    CEOID dbOid = PimDatabases::Oid(kTasksDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return;
    CEPROPVAL props[3] = {};
    props[0].propid = kTaskPercentComplete;
    props[0].val.ulVal = 100;
    props[1].propid = kTaskNotificationHandle;
    props[1].wFlags = CEDB_PROPDELETE;
    props[2].propid = kTaskReminderLeadMinutes;
    props[2].wFlags = CEDB_PROPDELETE;
    CeWriteRecordProps(db, static_cast<CEOID>(oid), 3, props);
    CloseHandle(db);
}

std::u16string DateText(double date)
{
    SYSTEMTIME day{};
    WCHAR text[80] = {};
    if (IsNoDate(date) || !VariantTimeToSystemTime(std::floor(date), &day)) return u"None";
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, text, 80) <= 0) return u"";
    return text;
}

}  // namespace

bool CTask::ChangeTaskStatus(TASK_STATUS status)
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData(false);
    if (!m_item) {
        task_item::ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    switch (status) {
    case TASK_STATUS_NOT_STARTED: {
        m_complete = false;
        DeleteNotification();
        if (m_percentage == 100) m_percentage = 0;
        const bool saved = SaveWith(kTaskSaveCategories | kTaskSavePercentage);
        if (saved) Journal(u"MarkComplete", kJournalReopenedString);
        return saved;
    }
    case TASK_STATUS_COMPLETE: {
        m_percentage = 100;
        DeleteNotification();
        const bool saved = m_regenerateDays > 0 ? CompleteRegenerating() : CompleteOnce();
        if (saved) Journal(u"MarkComplete", kJournalCompletedString);
        return saved;
    }
    case TASK_STATUS_CHOOSE_DUE: {
        CeString question;
        question.LoadStringW(kDueDateQuestionString);
        const int days = AskUser(u"TaskDueDate", static_cast<const WCHAR*>(question), -1);
        if (days < 0) return false;
        const double due = platform::TodayOleDate() + days;
        if (!IsNoDate(m_start) && !IsNoDate(m_due)) m_start += due - std::floor(m_due);
        m_due = due;
        return Save();
    }
    case TASK_STATUS_DELETE:
        return Delete(true);
    case TASK_STATUS_WAITING:
    case TASK_STATUS_IN_PROGRESS:
        m_complete = false;
        m_percentage = status == TASK_STATUS_WAITING ? 101 : 1;
        return SaveWith(kTaskSavePercentage);
    default:
        return false;
    }
}

bool CTask::CompleteOnce()
{
    m_complete = true;
    if (!IsRecurring()) return SaveWith(kTaskSaveCategories | kTaskSavePercentage);

    // A recurring task: the object model leaves a completed copy and moves
    // the task to its next occurrence, or completes it after its last one.
    const double oldDue = m_due, oldStart = m_start;
    if (!SaveWith(0)) return false;
    if (!m_item && !ReadOID(m_oid)) return false;
    VARIANT_BOOL complete = VARIANT_FALSE;
    m_item->get_Complete(&complete);
    if (complete) return CustomDatabaseSave(kTaskSavePercentage);
    m_item->get_DueDate(&m_due);
    m_item->get_StartDate(&m_start);
    m_loadedDue = m_due;
    m_loadedStart = m_start;
    m_complete = false;
    m_percentage = 0;
    if (!m_reminderSet) return CustomDatabaseSave(kTaskSaveCategories | kTaskSavePercentage);
    double moved = 0;
    if (!IsNoDate(m_due) && !IsNoDate(oldDue) && std::fabs(m_due - oldDue) > 0.5)
        moved = m_due - oldDue;
    else if (!IsNoDate(m_start) && !IsNoDate(oldStart))
        moved = m_start - oldStart;
    m_reminderTime += moved;
    return CustomDatabaseSave(kTaskSaveReminder | kTaskSaveCategories | kTaskSavePercentage);
}

bool CTask::CompleteRegenerating()
{
    // The completed copy keeps the task's subject (without its code when
    // "RegenTaskCompleteStripPriority" is set), dates, categories and note.
    platform::ComRef<ITask> copy;
    if (FAILED(m_item->Copy(copy.Put())) || !copy) return false;
    const std::u16string copySubject = TaskSetting(u"RegenTaskCompleteStripPriority", 0) ? m_subject : StoredSubject();
    item_text::Put(copy.Get(), &ITask::put_Subject, copySubject);
    copy->ClearRecurrencePattern();
    copy->put_ReminderSet(VARIANT_FALSE);
    copy->put_Complete(VARIANT_TRUE);
    const HRESULT hr = copy->Save();
    if (FAILED(hr)) {
        DisplayTaskSaveError(hr);
        return false;
    }
    LONG copyOid = 0;
    copy->get_Oid(&copyOid);
    copy.Reset();
    MarkCopyComplete(copyOid);

    const double today = platform::TodayOleDate();
    const double due = today + m_regenerateDays;
    const double moved = due - (IsNoDate(m_due) ? today : std::floor(m_due));
    if (!IsNoDate(m_start)) m_start += moved;
    m_due = due;
    m_complete = false;
    m_percentage = 0;
    if (m_reminderSet) {
        m_reminderTime += moved;
        return SaveWith(kTaskSaveReminder | kTaskSavePercentage);
    }
    return SaveWith(kTaskSaveCategories | kTaskSavePercentage);
}

long CTask::SaveAsTemplate(const WCHAR* name)
{
    if (!name || !*name) return 0;
    if (!m_item && m_oid) ReadOID(m_oid);
    if (!m_item) {
        task_item::ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return 0;
    }
    CTask copy(*this);
    platform::ComRef<ITask> item;
    if (FAILED(m_item->Copy(item.Put())) || !item) return 0;
    copy.m_item = std::move(item);
    copy.m_oid = 0;
    copy.m_new = true;
    copy.m_templateName = name;
    copy.m_start = kNoOleDate;
    copy.m_due = kTaskTemplateDue;
    copy.m_complete = false;
    copy.m_reminderSet = false;
    copy.m_recurrence = TaskRecurrence{};
    copy.m_recurrenceChanged = true;
    return copy.Save() ? copy.m_oid : 0;
}

bool CTask::SendViaIR()
{
    // A new task is beamed once it is saved; until then there is nothing to send.
    if (!m_oid) {
        task_item::ShowString(m_item ? kBeamFailedString : kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    return BeamItemOrShow(olTaskItem, m_oid);
}

std::u16string CTask::SummaryMarkup() const
{
    const auto colour = SummaryColour;
    const std::u16string label = u"<FONT SIZE=1 COLOR=" + colour(u"SummaryDlgTaskLabel", u"#3E5DD0") + u">";
    const std::u16string value = u"<FONT SIZE=2 COLOR=" + colour(u"SummaryDlgTaskForeground", u"#000000") + u">";
    const auto line = [&](std::u16string_view name, std::u16string_view text) {
        return u"<SPAN>" + label + std::u16string(name) + u"</FONT></SPAN>" + value + MarkupLiteral(text) + u"</FONT>\n";
    };
    std::u16string markup = u"<BODY BGCOLOR=" + colour(u"SummaryDlgTaskBackground", u"#FFFFFF") + u">\n";
    std::u16string code = m_letter + m_number;
    if (!code.empty()) code += u" ";
    markup += value + MarkupLiteral(code) + u"<B>" + MarkupLiteral(m_subject) + u"</B></FONT>\n";
    markup += line(u"Start: ", DateText(m_start));
    markup += line(u"Due: ", DateText(m_due));
    if (m_reminderSet) {
        SYSTEMTIME at{};
        WCHAR time[40] = {};
        if (VariantTimeToSystemTime(m_reminderTime, &at)) GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &at, nullptr, time, 40);
        markup += line(u"Reminder: ", DateText(m_reminderTime) + u" " + time);
    }
    const std::u16string status = m_complete           ? u"Complete"
                                  : m_percentage == 101 ? u"Waiting"
                                  : m_percentage > 0    ? task_item::Decimal(m_percentage) + u"% complete"
                                                        : u"Not started";
    markup += line(u"Status: ", status);
    if (m_regenerateDays > 0) markup += line(u"Regenerates: ", u"every " + task_item::Decimal(m_regenerateDays) + u" days after completion");
    if (!m_categories.empty()) markup += line(u"Categories: ", m_categories);
    if (!m_body.empty()) markup += u"<EDGE>\n" + value + MarkupLiteral(m_body) + u"</FONT>\n";
    return markup;
}
