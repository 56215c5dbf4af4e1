// CTask: the suite's extra properties in the task's record, and its alarm.
#include <cmath>
#include <vector>

#include "engine/tasks_view_settings.h"
#include "foundation/ce_string.h"
#include "grid/html_text.h"
#include "items/c_journal.h"
#include "items/c_task.h"
#include "items/c_task_settings.h"
#include "platform/locale/date_format.h"
#include "platform/objectmodel/outlook_category_text.h"
#include "platform/objectstore/store_schema.h"
#include "platform/objectstore/user_notifications.h"
#include "platform/time/variant_time.h"
#include "platform/ui/ui_host.h"
#include "storage/c_registry.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

namespace {

// The extra properties, in the order they are read.
enum ExtraIndex { kStart, kDue, kReminderSet, kLeadMinutes, kHandle, kCategories, kSubject, kPercent, kOrder, kCount };
CEPROPID kExtraIds[kCount] = {kTaskStartDate,        kTaskDueDate,   kTaskReminderSet,     kTaskReminderLeadMinutes,
                              kTaskNotificationHandle, kItemCategories, kTaskSubject,       kTaskPercentComplete,
                              kTaskParent};

// One task's record in "Tasks Database": its extra properties read, and
// changes written back as one update.
class TaskRecord {
public:
    bool Read(long oid)
    {
        if (oid == 0 || !m_db.Open(kTasksDatabase, 0, 0, nullptr)) return false;
        if (m_db.SeekTo(static_cast<ULONG>(oid)) != static_cast<CEOID>(oid)) return false;
        ULONG ids[kCount];
        for (int i = 0; i < kCount; ++i) ids[i] = kExtraIds[i];
        return m_db.ReadRec(m_record, kCount, ids) && m_record.GetOid() == static_cast<CEOID>(oid);
    }
    LONG Long(ExtraIndex index, LONG fallback = 0) const
    {
        LONG value = fallback;
        return m_record.GetIndexVal(m_record.FindProp(kExtraIds[index], index), value) ? value : fallback;
    }
    CEVALUNION& Change(ExtraIndex index)
    {
        m_changes.push_back(CEPROPVAL{kExtraIds[index], 0, 0, {}});
        return m_changes.back().val;
    }
    void Remove(ExtraIndex index)
    {
        if (!m_record.Stored(kExtraIds[index])) return;
        m_changes.push_back(CEPROPVAL{kExtraIds[index], 0, CEDB_PROPDELETE, {}});
    }
    bool Write()
    {
        if (m_changes.empty()) return true;
        const CEOID oid = m_record.GetOid();
        return CeWriteRecordProps(m_db.GetHandle(), oid, static_cast<WORD>(m_changes.size()), m_changes.data()) == oid;
    }

private:
    CeDb m_db;
    CeDbRecord m_record;
    std::vector<CEPROPVAL> m_changes;
};

HANDLE HandleOf(LONG stored) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(static_cast<ULONG>(stored))); }
LONG StoredOf(HANDLE handle) { return static_cast<LONG>(static_cast<ULONG>(reinterpret_cast<uintptr_t>(handle))); }

using task_item::IsNoDate;

// Moves an existing notification to time with the new text; false when it
// is gone.
bool Reschedule(HANDLE handle, const WCHAR* text, const SYSTEMTIME& time)
{
    UINT needed = 0;
    CeGetUserNotification(handle, 0, &needed, nullptr);
    if (needed == 0) return false;
    std::vector<std::uint64_t> buffer((needed + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
    if (!CeGetUserNotification(handle, needed, &needed, bytes)) return false;
    const auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(bytes);
    if (!header->pcent) return false;
    CE_NOTIFICATION_TRIGGER trigger = *header->pcent;
    trigger.stStartTime = time;
    trigger.stEndTime = time;
    CE_USER_NOTIFICATION shown{};
    CE_USER_NOTIFICATION* notification = nullptr;
    if (header->pceun) {
        shown = *header->pceun;
        shown.pwszDialogText = const_cast<LPWSTR>(text);
        notification = &shown;
    }
    return CeSetUserNotificationEx(handle, &trigger, notification) == handle;
}

}  // namespace

int ItemSetting(const WCHAR* key, const WCHAR* name, int fallback)
{
    CRegistry settings;
    int value = fallback;
    if (settings.Exists(HKEY_CURRENT_USER, key) != 1 || settings.QueryValue(name, &value) != 0) return fallback;
    return value;
}

std::u16string ItemSettingText(const WCHAR* key, const WCHAR* name, const WCHAR* fallback)
{
    WCHAR value[256] = {};
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, key) != 1 || settings.QueryValue(name, value, 255) != 0) return fallback;
    return value;
}

std::u16string SummaryColour(const WCHAR* name, const WCHAR* fallback)
{
    // The value goes into a tag's attribute as it stands, so only "#" and hex digits in the form the
    // mark-up reads as a colour are taken; anything else (a name, a quote, a ">") gives the default.
    const std::u16string value = ItemSettingText(u"Software\\Corvid\\Kestrel\\Colors", name, fallback);
    DWORD colour = 0;
    return value.size() <= 9 && !value.empty() && value[0] == u'#' && HTMLToColorRef(value.c_str(), &colour)
               ? value
               : std::u16string(fallback);
}

int TaskSetting(const WCHAR* name, int fallback) { return ItemSetting(kTasksSettingsKey, name, fallback); }
int SuiteSetting(const WCHAR* name, int fallback) { return ItemSetting(u"Software\\Corvid\\Kestrel", name, fallback); }

int CTask::GetCompletionPercentage()
{
    if (m_complete) return 100;
    TaskRecord record;
    if (!record.Read(m_oid)) return 0;
    const LONG stored = record.Long(kPercent);
    if (stored < 0 || stored >= 102 || stored == 100) return 0;
    return static_cast<int>(stored);
}

bool CTask::HasNotification()
{
    m_reminderSet = false;
    m_reminderTime = kNoOleDate;
    TaskRecord record;
    if (IsNoDate(m_due) || !record.Read(m_oid) || record.Long(kReminderSet) == 0) return false;
    const LONG lead = record.Long(kLeadMinutes);
    if (lead == 0) {
        // Midnight of the due day is a lead of 0, which also stands for "none"
        // in records written without an alarm: the stored notification tells.
        if (record.Long(kHandle) == 0) return false;
        m_reminderSet = true;
        m_reminderTime = std::floor(m_due);
        return true;
    }
    double time = std::floor(m_due) - lead / 1440.0;
    // Stored reminders are whole minutes; round away the division's noise.
    time = std::round(time * 1440.0) / 1440.0;
    if (time == std::floor(time)) time += 8.0 / 24.0;
    m_reminderSet = true;
    m_reminderTime = time;
    return true;
}

void CTask::DeleteNotification()
{
    if (m_oid) FindAlarmAndModify(m_oid, nullptr, nullptr, true);
}

HANDLE CTask::FindAlarmAndModify(long oid, const WCHAR* text, const SYSTEMTIME* time, bool clear)
{
    TaskRecord record;
    const bool readable = record.Read(oid);
    const HANDLE stored = readable ? HandleOf(record.Long(kHandle)) : nullptr;
    bool past = true;
    if (time) {
        DATE when = 0;
        past = !SystemTimeToVariantTime(time, &when) || when < task_item::Now();
    }
    if (clear || past) {
        if (stored) {
            CeClearUserNotification(stored);
            record.Remove(kHandle);
            record.Write();
        }
        return nullptr;
    }
    if (stored && Reschedule(stored, text, *time)) return stored;
    CE_USER_NOTIFICATION notification{};
    notification.ActionFlags = PUN_DIALOG;
    notification.pwszDialogTitle = const_cast<LPWSTR>(u"Task Reminder");
    notification.pwszDialogText = const_cast<LPWSTR>(text ? text : u"");
    notification.pwszSound = const_cast<LPWSTR>(u"Alarm1.wav");
    SYSTEMTIME at = *time;
    const HANDLE handle = CeSetUserNotification(nullptr, u"TASKS.EXE", &at, &notification);
    if (!handle) task_item::ShowString(kAlarmBlankString, MB_ICONERROR);
    return handle;
}

std::u16string CTask::AlarmText() const
{
    std::u16string text = m_subject;
    SYSTEMTIME day{};
    if (!IsNoDate(m_due) && VariantTimeToSystemTime(std::floor(m_due), &day)) {
        WCHAR date[80] = {};
        if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, date, 80) > 0) text += u" " + std::u16string(date);
    }
    return text;
}

bool CTask::CustomDatabaseSave(int flags)
{
    if (!m_reminderSet) m_reminderTime = kNoOleDate;
    const bool hadItem = static_cast<bool>(m_item);
    m_item.Reset();
    bool written = false;
    if (m_oid) {
        // The alarm first: clearing a passed one writes the record itself.
        const bool alarm = (flags & kTaskSaveReminder) && m_reminderSet && !IsNoDate(m_reminderTime);
        HANDLE handle = nullptr;
        if (alarm) {
            SYSTEMTIME at{};
            VariantTimeToSystemTime(m_reminderTime, &at);
            const std::u16string text = AlarmText();
            handle = FindAlarmAndModify(m_oid, text.c_str(), &at, false);
        }
        TaskRecord record;
        if (record.Read(m_oid)) {
            if (alarm) {
                record.Change(kReminderSet).iVal = 1;
                record.Change(kLeadMinutes).lVal =
                    static_cast<LONG>(std::lround((std::floor(m_due) - m_reminderTime) * 1440.0));
                if (handle)
                    record.Change(kHandle).lVal = StoredOf(handle);
                else
                    record.Remove(kHandle);
            }
            std::vector<BYTE> blob;
            if ((flags & kTaskSaveCategories) && !m_categories.empty() &&
                SUCCEEDED(OutlookCategoryText::BlobFromText(m_categories, &blob)) && !blob.empty()) {
                record.Change(kCategories).blob = CEBLOB{static_cast<DWORD>(blob.size()), blob.data()};
            }
            if ((m_percentage >= 1 && m_percentage <= 99) || (m_percentage == 100 && !m_complete) ||
                (flags & kTaskSavePercentage)) {
                record.Change(kPercent).ulVal = static_cast<ULONG>(m_percentage);
            }
            if (flags & kTaskSaveOrder) record.Change(kOrder).dblVal = m_order + (m_orderHalf ? 0.5 : 0.0);
            written = record.Write();
            if (written && alarm) Journal(u"UpdateTaskAlarm", kJournalTaskString);
        }
    }
    if (hadItem && m_oid) {
        const long oid = m_oid;
        const TaskRecurrence recurrence = m_recurrence;
        ReadOID(oid);
        m_recurrence = recurrence;
    }
    return written;
}
