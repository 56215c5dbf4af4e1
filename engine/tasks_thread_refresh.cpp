// Refreshing a loaded task list after changes to a few tasks.
#include <algorithm>

#include "engine/scoped_data_lock.h"
#include "engine/tasks_thread.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/text/wide_string.h"

bool CTasksThread::RefreshAllowed()
{
    if (!m_bListWhole || m_busy != 0) return false;
    // Trees, kept parents and the day and project rules depend on other
    // tasks than the one read: only the link pass of a load places them.
    if (m_settings.readParent || m_settings.DayRule() || m_settings.ProjectView()) return false;
    bool kept = true;
    if (!m_bManualSettings) {
        // A load reads the settings, the category flags and the day again;
        // rows filed under others would not match the rows kept.
        TasksViewSettings now;
        now.Read(GetSettingsKey());
        ReadCategoryRestrictSettings();
        const int today = m_today;
        SetTodayFromClock();
        kept = m_today == today && now == m_settings;
        m_today = today;
    }
    // The category filter and the categories' names the rows were filed
    // under, however they were set.
    kept = kept && CategoryStateNow() == m_categoryStateOfLoad;
    // The check may have read new category flags: only a load makes the
    // list whole again.
    if (!kept) m_bListWhole = false;
    return kept;
}

bool CTasksThread::SubjectTextsMostlyDead() const
{
    // A refilled or dropped row leaves its old subject in the arena until the
    // next load clears it; once more than the live texts (and a block) lie
    // dead, the load that frees them is due. A task shown under several
    // categories shares one text among its rows and counts once per row:
    // the bound stays in proportion to the list.
    std::size_t live = 0;
    for (const DATATASKS* row : m_list) {
        if (row && (row->sharedTexts & kTaskSharesSubject)) live += wcslen(row->subject) + 1;
    }
    const std::size_t used = m_subjectTexts.UsedChars();
    return used > live && used - live > live + m_subjectTexts.BlockChars();
}

bool CTasksThread::RefreshRecords(const std::vector<CEOID>& records)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired() || !RefreshAllowed() || SubjectTextsMostlyDead()) return false;
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
    // Headers' completion is the mean of their tasks', worked out as a load
    // ends; a header left without tasks shows none, as a load makes it.
    for (DATATASKS* header : m_groups) {
        if (!header->IsParentNode()) header->percentComplete = 0;
    }
    SetActiveCountFromTree();
    SortDataList();
    SortPriorityManager();
    return true;
}
