// CTask: the menu actions, copy and summary window.
#include "engine/tasks_view_settings.h"
#include "items/c_links.h"
#include "items/c_task.h"
#include "items/c_task_settings.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/ui/ui_host.h"

long CTask::Copy()
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!m_item) {
        task_item::ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return 0;
    }
    platform::ComRef<ITask> copy;
    if (FAILED(m_item->Copy(copy.Put())) || !copy) return 0;
    HRESULT hr = copy->Save();
    LONG oid = 0;
    if (SUCCEEDED(hr)) copy->get_Oid(&oid);
    copy.Reset();
    if (FAILED(hr) || !oid) {
        if (FAILED(hr)) DisplayTaskSaveError(hr);
        return 0;
    }
    // The record came with the original's notification handle; the copy
    // must not move or clear that alarm, so the handle is dropped and the
    // copy's own reminder is set below.
    CEOID database = PimDatabases::Oid(kTasksDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &database, nullptr, 0, 0, nullptr);
    if (db != INVALID_HANDLE_VALUE) {
        CEPROPVAL handle{};
        handle.propid = kTaskNotificationHandle;
        handle.wFlags = CEDB_PROPDELETE;
        CeWriteRecordProps(db, static_cast<CEOID>(oid), 1, &handle);
        CloseHandle(db);
    }
    // Then this class writes the fields, so that the subject's code and the
    // record's own values are stored as for any new task.
    CTask made(*this);
    if (!made.ReadOID(oid)) return 0;
    made.m_new = true;
    made.m_recurrenceChanged = true;
    if (!made.Save() || !made.m_oid) return 0;
    CLinks::Copy(made.m_oid, m_oid, false);
    return made.m_oid;
}

bool CTask::DisplaySummaryWindow(HWND host)
{
    if (!host && !ItemSetting(kTasksSettingsKey, u"SummaryDlg", 1)) return false;
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!m_item) {
        task_item::ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    AskUser(u"TaskSummary", SummaryMarkup(), IDOK);
    return true;
}

bool CTask::DoContext(int command)
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    switch (command) {
        case kTaskContextDelete: return Delete(true);
        case kTaskContextToggleComplete:
            return ChangeTaskStatus(m_complete ? TASK_STATUS_NOT_STARTED : TASK_STATUS_COMPLETE);
        case kTaskContextTogglePrivate: return SetPrivacy(m_sensitivity);
        case kTaskContextCopy: return Copy() != 0;
        case kTaskContextBeam: return SendViaIR();
        case kTaskContextSummary: return DisplaySummaryWindow(nullptr);
        default: return false;
    }
}
