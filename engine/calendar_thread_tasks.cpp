// Tasks in the calendar: which tasks a range shows and on which days.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "categories/category_blob.h"
#include "categories/category_filter.h"
#include "engine/calendar_thread.h"
#include "engine/data_tasks.h"
#include "engine/note_emptiness.h"
#include "engine/task_subject_prefix.h"
#include "platform/base/private_heap.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/text/wide_string.h"
#include "platform/time/variant_time.h"

namespace {

// Positions in the task property list (SetTaskProps).
enum TaskProp {
    kSensitivity,
    kComplete,
    kStart,
    kDue,
    kImportance,
    kIconText,
    kSubject,
    kFlag4126,
    kReminder,
    kCompleted,
    kNote,
    kCategories,
    kPercent,
};

// Tasks due from 27 November to 31 December 2999 are templates, never shown.
constexpr LONG kHiddenDueFirst = 401734;
constexpr LONG kHiddenDueLast = 401768;

struct TaskRecord {
    const CeDbRecord& record;
    const ULONG* ids;

    const CEPROPVAL* Entry(TaskProp prop) const { return record.Stored(ids[prop]); }
    LONG Number(TaskProp prop) const
    {
        const CEPROPVAL* entry = Entry(prop);
        if (!entry) return 0;
        const WORD type = TypeFromPropID(entry->propid);
        return type == CEVT_I2 || type == CEVT_UI2 ? entry->val.iVal : entry->val.lVal;
    }
    const WCHAR* Text(TaskProp prop) const
    {
        const CEPROPVAL* entry = Entry(prop);
        return entry && TypeFromPropID(entry->propid) == CEVT_LPWSTR ? entry->val.lpwstr : nullptr;
    }
    CEBLOB Blob(TaskProp prop) const
    {
        const CEPROPVAL* entry = Entry(prop);
        return entry && TypeFromPropID(entry->propid) == CEVT_BLOB ? entry->val.blob : CEBLOB{0, nullptr};
    }
    // Task dates are local days stored without zone conversion.
    double Date(TaskProp prop) const
    {
        const CEPROPVAL* entry = Entry(prop);
        if (!entry || TypeFromPropID(entry->propid) != CEVT_FILETIME) return kTaskNoDate;
        SYSTEMTIME st{};
        DATE date = 0;
        if (!FileTimeToSystemTime(&entry->val.filetime, &st) || !SystemTimeToVariantTime(&st, &date)) {
            return kTaskNoDate;
        }
        return date < kTaskNoDate ? date : kTaskNoDate;
    }
};

LONG DayOf(double date) { return date >= kTaskNoDate ? kCalendarNoDay : static_cast<LONG>(std::floor(date)); }

}  // namespace

void CCalendarThread::AddTasks(bool force)
{
    if (m_settings.view != kCalendarViewAll || !HasRange()) return;
    if (!m_settings.showTasks && !force) return;
    if (!m_bInFullLoad) RemoveKind(kCalendarKindTask);
    if (!m_side.Open(kTasksDatabase, 0, 0, nullptr)) return;
    const bool sideOpened = !SideDatabasesOpen();
    InitiateLinksDB();
    for (CEOID oid = m_side.SeekFirst(); oid != 0; oid = m_side.SeekNext()) {
        if (!ReadCurrent(m_side, kCalendarTaskProps, m_taskProps)) continue;
        AddNewTask(m_record);
    }
    m_side.Close();
    if (sideOpened) CloseLinksDB();
    // A full load sorts once, when its list is whole (AddCalendarDate).
    if (!m_bInFullLoad) SortAscending();
}

void CCalendarThread::AddNamedTasks(const std::vector<CEOID>& oids)
{
    if (m_settings.view != kCalendarViewAll || !HasRange() || !m_settings.showTasks) return;
    if (!m_side.Open(kTasksDatabase, 0, 0, nullptr)) return;
    for (CEOID oid : oids) {
        // A task that no longer reads (deleted) stays out.
        if (m_side.SeekTo(oid) == oid && ReadCurrent(m_side, kCalendarTaskProps, m_taskProps)) AddNewTask(m_record);
    }
    m_side.Close();
}

void CCalendarThread::AddNewTask(CeDbRecord& record)
{
    const TaskRecord task{record, m_taskProps};
    const LONG first = m_firstDay, last = m_lastDay, today = m_today;
    const bool todayIn = today >= first && today <= last;
    const LONG fallback = todayIn ? today : first;
    auto inRange = [&](LONG day) { return day != kCalendarNoDay && day >= first && day <= last; };

    const bool complete = task.Number(kComplete) != 0;
    const bool high = task.Number(kImportance) == 1;
    const double dueDate = task.Date(kDue), startDate = task.Date(kStart);
    const LONG due = DayOf(dueDate), start = DayOf(startDate);
    const bool hasDue = due != kCalendarNoDay, hasStart = start != kCalendarNoDay;
    LONG completedDay = kCalendarNoDay;

    // Which tasks the range shows.
    bool taken = false;
    if (!complete && high && m_settings.forceHighTasks) {
        taken = true;
    } else if (hasDue && due >= kHiddenDueFirst && due <= kHiddenDueLast) {
        return;
    } else if (complete) {
        if (!m_settings.showCompletedTasks) return;
        completedDay = DayOf(task.Date(kCompleted));
        taken = inRange(completedDay);
    } else if (!hasDue) {
        taken = m_settings.showUndatedTasks;
    } else if (todayIn) {
        taken = due <= today || inRange(due) || inRange(start) || (due > last && hasStart && start < today);
    } else {
        taken = inRange(due) || inRange(start) || (due > last && hasStart && start < first);
    }
    if (!taken) return;

    const bool isPrivate = task.Number(kSensitivity) != 0;
    if (m_settings.filterPrivacy >= 0 && (isPrivate ? 1 : 0) != m_settings.filterPrivacy) return;
    const CEBLOB categories = task.Blob(kCategories);
    if (!CategoryFilterHighLevel(&categories, &m_categoryRestrict)) return;

    // On which days.
    std::set<LONG> days;
    const int inProgress = m_settings.showInProgressTasksToday;
    if (complete) {
        days.insert(std::max(completedDay, first));
    } else if (!hasDue) {
        days.insert(fallback);
    } else if (due < today) {
        days.insert(fallback);
        if (inRange(due)) days.insert(due);
    } else if (inProgress == 2 && hasStart && start != due) {
        for (LONG d = std::max(start, first); d <= std::min(due, last); ++d) days.insert(d);
    } else if (due > last && hasStart &&
               ((todayIn && inProgress != 0 && start < today) || (!todayIn && start < first))) {
        days.insert(fallback);
    } else {
        if (inRange(start)) {
            days.insert(start);
            if (inRange(due)) days.insert(due);
        } else if (inRange(due)) {
            days.insert(due);
        }
        if (inProgress == 1 && todayIn && hasStart && start < today && due != today) days.insert(today);
    }
    if (days.empty()) days.insert(fallback);
    for (LONG day : days) AddTaskEntry(record, day);
}

void CCalendarThread::AddTaskEntry(CeDbRecord& record, LONG day)
{
    const TaskRecord task{record, m_taskProps};
    auto* row = new DATATASKS;
    row->oid = record.GetOid();
    switch (task.Number(kImportance)) {
        case 1:
            row->importance = kTaskImportanceHigh;
            break;
        case 3:
            row->importance = kTaskImportanceLow;
            break;
        default:
            row->importance = kTaskImportanceNormal;
            break;
    }
    row->complete = task.Number(kComplete) != 0 ? 1 : 0;
    row->dueDate = task.Date(kDue);
    row->startDate = task.Date(kStart);
    row->completionDate = row->complete ? task.Date(kCompleted) : kTaskNoDate;
    const LONG due = DayOf(row->dueDate);
    row->overdue = !row->complete && due != kCalendarNoDay && due < m_today;
    row->dueToday = !row->complete && due == m_today;
    row->sensitivity = static_cast<WORD>(task.Number(kSensitivity));
    row->flag4126 = static_cast<WORD>(std::abs(static_cast<int>(task.Number(kFlag4126))));
    row->reminderSet = static_cast<WORD>(std::abs(static_cast<int>(task.Number(kReminder))));
    const CEBLOB note = task.Blob(kNote);
    row->hasNote = IsNoteEmpty(&note) ? 0 : 1;
    LONG percent = task.Number(kPercent);
    row->percentComplete = static_cast<WORD>(row->complete ? 100 : (percent > 0 && percent < 100 ? percent : 0));
    if (const WCHAR* icon = task.Text(kIconText)) row->iconText = _wcsdup(icon);

    const CEBLOB categories = task.Blob(kCategories);
    m_scratchCategories.RemoveAll();
    if (categories.dwCount > 0) BLOB2Categories(categories, m_scratchCategories);
    // Without categories the text is empty; the assembler is not asked.
    WCHAR* text = m_scratchCategories.IsEmpty() ? nullptr : CategoryAssembler(m_scratchCategories);
    m_scratchCategories.RemoveAll();
    row->categories = _wcsdup(text ? text : u"");
    if (text) {
        if (GetPrivateHeap())
            HeapFree(GetPrivateHeap(), 0, text);
        else
            std::free(text);
    }
    const WCHAR* subject = task.Text(kSubject);
    if (subject && subject[0]) {
        // The priority code in front of the subject goes to its own fields.
        std::u16string copy(subject);
        WCHAR* plain = copy.data();
        int days = 0;
        TaskSubjectPrefix::Parse(plain, row->priorityLetter, row->priorityNumber, days);
        row->order = days;
        row->subject = _wcsdup(plain);
    } else {
        row->subject = _wcsdup(u"");
    }
    if (SideDatabasesOpen()) {
        row->hasLinks = HasLinks(row->oid);
        row->hasJournal = HasJournal(row->oid);
    }
    row->filled = 1;

    auto* entry = new DATACALENDAR;
    entry->kind = kCalendarKindTask;
    entry->oid = row->oid;
    entry->day = day;
    entry->start = entry->end = day;
    entry->subject = SysAllocString(row->subject ? row->subject : u"");
    entry->location = SysAllocString(u"");
    entry->categoryText = _wcsdup(row->categories ? row->categories : u"");
    entry->isPrivate = row->sensitivity != 0 ? 1 : 0;
    entry->reminder = row->reminderSet != 0 ? 1 : 0;
    entry->hasNote = row->hasNote;
    entry->hasLinks = row->hasLinks;
    entry->hasJournal = row->hasJournal;
    entry->ownsStrings = 1;
    entry->task = row;
    m_list.Append(entry);
}
