// Refreshing a loaded calendar list after changes to a few appointments or
// to the tasks.
#include <cstring>
#include <unordered_set>

#include "engine/calendar_thread.h"
#include "engine/scoped_data_lock.h"

bool CCalendarThread::SettingsKeptSinceLoad()
{
    // Read as a load reads them; when they differ the list is loaded again,
    // which reads them once more.
    const CalendarSettings settings = m_settings;
    const TIME_ZONE_INFORMATION zone = m_deviceZone;
    const LONG today = m_today;
    const DWORD noteIcons = m_bShowHasNoteIcons;
    SettingChange();
    const bool kept = settings == m_settings && std::memcmp(&zone, &m_deviceZone, sizeof zone) == 0 && today == m_today &&
           noteIcons == m_bShowHasNoteIcons && CategoryStateNow() == m_categoryStateOfLoad;
    // SettingChange replaced what the rows were made with: only a load
    // makes the list whole again.
    if (!kept) m_bListWhole = false;
    return kept;
}

bool CCalendarThread::RefreshRecords(const std::vector<CEOID>& appointments, const std::vector<CEOID>& tasks)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired() || !m_bListWhole || !SettingsKeptSinceLoad()) return false;
    SetupThreadResources();
    InitiateLinksDB();

    // The rows of the changed appointments and tasks go, and the day
    // headers with them: AddCalendarDate makes the headers again for the
    // rows left.
    const std::unordered_set<CEOID> changed(appointments.begin(), appointments.end());
    const std::unordered_set<CEOID> changedTasks(tasks.begin(), tasks.end());
    for (int pos = m_list.GetCount(); pos >= 1; --pos) {
        const DATACALENDAR* entry = m_list.GetAt(pos);
        if (!entry) continue;
        const bool appointment = !entry->task && entry->kind == kCalendarKindAppointment &&
                                 (entry->oid == 0 || changed.count(entry->oid) != 0);
        const bool task = entry->kind == kCalendarKindTask && changedTasks.count(entry->oid) != 0;
        if (appointment || task) m_list.RemoveAt(pos);
    }
    m_recurrence.SetRange(m_firstDay, m_lastDay, RangeMode());
    for (CEOID oid : appointments) {
        bool aborted = false;
        LoadAppointments(nullptr, oid, aborted);
    }
    // As in a load: the side lists are added unsorted, then sorted once.
    m_bInFullLoad = true;
    AddNamedTasks(tasks);
    AddCalendarDate();
    m_bInFullLoad = false;
    CloseLinksDB();
    m_handedOver = m_list.GetCount();
    return true;
}
