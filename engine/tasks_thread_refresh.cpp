// Refreshing a loaded task list after changes to a few tasks.
#include <algorithm>

#include "engine/scoped_data_lock.h"
#include "engine/tasks_thread.h"
#include "platform/objectmodel/pim_databases.h"

bool CTasksThread::RefreshAllowed()
{
    if (!m_bListWhole || m_busy != 0) return false;
    // Trees, kept parents and the day and project rules depend on other
    // tasks than the one read: only the link pass of a load places them.
    if (m_settings.readParent || m_settings.DayRule() || m_settings.ProjectView()) return false;
    if (m_bManualSettings) return true;
    // A load reads the settings and the day again; rows filed under others
    // would not match the rows kept.
    TasksViewSettings now;
    now.Read(GetSettingsKey());
    const int today = m_today;
    SetTodayFromClock();
    const bool sameDay = m_today == today;
    m_today = today;
    return sameDay && now == m_settings;
}

bool CTasksThread::RefreshRecords(const std::vector<CEOID>& records)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired() || !RefreshAllowed()) return false;
    CeDb tasks;
    if (!tasks.Open(kTasksDatabase, 0, 0, nullptr)) return false;
    SetPropIds(m_propIds);
    // A grouped list that lost its last task lost its fixed headers too.
    if (m_groups.IsEmpty()) m_bFixedHeadersMade = false;

    for (CEOID oid : records) {
        // What the list counted for the task before it changed goes first.
        const auto unlisted = std::remove(m_countedUnlisted.begin(), m_countedUnlisted.end(), oid);
        if (unlisted != m_countedUnlisted.end()) {
            m_countedUnlisted.erase(unlisted, m_countedUnlisted.end());
            --m_included;
            --m_completed;
        }
        const int position = FindRowByOid(oid);
        CeDbRecord record;
        const bool read = tasks.SeekTo(oid) == oid && tasks.ReadRec(record, kTasksPropertyCount, m_propIds);
        if (!read) {
            if (position >= 1) DeleteTaskFromThread(position);
            continue;
        }
        // Refills the task's row, drops it, or appends a new one; the
        // counters follow each.
        bool shown = false;
        AddNewTask(&record, &shown, position, true, false);
    }
    tasks.Close();
    // A grouped list left with headers only shows nothing after a load (and
    // counts nothing); the caller loads in full rather than keep the headers.
    bool anyTask = m_groups.IsEmpty();
    for (int i = 1; i <= m_list.GetCount() && !anyTask; ++i) anyTask = !m_list.GetAt(i)->IsHeader();
    if (!anyTask) {
        m_bListWhole = false;
        return false;
    }
    SortDataList();
    SortPriorityManager();
    return true;
}
