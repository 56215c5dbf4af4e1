// Filing one task record as a row of the list: the filters, the counters and
// the row's fields.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <memory_resource>
#include <string>

#include "categories/category_blob.h"
#include "engine/note_emptiness.h"
#include "engine/task_subject_prefix.h"
#include "engine/tasks_thread.h"
#include "platform/base/private_heap.h"
#include "platform/text/wide_string.h"
#include "platform/time/system_time.h"
#include "platform/time/variant_time.h"

namespace {

// Positions in the identifier array (SetPropIds).
enum TaskProp {
    kSensitivity,
    kComplete,
    kStart,
    kDue,
    kImportance,
    kIconText,
    kSubject,
    kFlag4126,
    kReminderSet,
    kCompleted,
    kNote,
    kCategories,
    kParent,
    kPercent,
};

constexpr LONG kNoDay = 949998;

// A load reads the identifiers in this order, the parent perhaps left out.
int At(const CeDbRecord& record, const ULONG* ids, TaskProp prop) { return record.FindProp(ids[prop], prop); }

const WCHAR* TextOf(const CeDbRecord& record, int index)
{
    const CEPROPVAL* entry = record.StoredAt(index);
    return entry && TypeFromPropID(entry->propid) == CEVT_LPWSTR ? entry->val.lpwstr : nullptr;
}

// The blob, or {0, null} when missing (which the filters read as empty).
CEBLOB BlobOf(const CeDbRecord& record, int index)
{
    const CEPROPVAL* entry = record.StoredAt(index);
    if (!entry || TypeFromPropID(entry->propid) != CEVT_BLOB) return CEBLOB{0, nullptr};
    return entry->val.blob;
}

// A stored FILETIME as a local-calendar OLE date; "no date" when missing
// or beyond the dates the list can show.
double ReadDate(const CeDbRecord& record, int index)
{
    FILETIME stored{};
    if (!record.GetIndexVal(index, stored)) return kTaskNoDate;
    DATE date = 0;
    if (!FileTimeToVariantTime(&stored, &date)) return kTaskNoDate;
    if (!(date < kTaskNoDate)) return kTaskNoDate;
    return date;
}

LONG DayOf(double date) { return date >= kTaskNoDate ? kNoDay : static_cast<LONG>(date); }

// Stored importance 1 high, 2 normal, 3 low to the row's 2, 1, 0.
LONG MapImportance(const CeDbRecord& record, int index)
{
    LONG stored = 0;
    if (!record.GetIndexVal(index, stored)) return kTaskImportanceNormal;
    switch (stored) {
        case 1:
            return kTaskImportanceHigh;
        case 3:
            return kTaskImportanceLow;
        default:
            return kTaskImportanceNormal;
    }
}

WORD AbsoluteFlag(const CeDbRecord& record, int index)
{
    SHORT value = 0;
    if (!record.GetIndexVal(index, value)) return 0;
    return static_cast<WORD>(std::abs(static_cast<int>(value)));
}

}  // namespace

bool CTasksThread::PassesDateRule(const DATATASKS& task, bool hasDue, bool hasStart, LONG due, LONG start,
                                  LONG completed)
{
    const LONG t = m_today;
    const bool complete = task.complete != 0;
    const bool undated = !hasDue && !hasStart;
    switch (m_settings.filterRule) {
        case kTasksRuleToday:
            return (complete ? (due == t || completed == t) : due <= t) || start == t || undated;
        case kTasksRuleOverdue:
            return !complete && hasDue && due < t;
        case kTasksRuleUndated:
            return undated;
        case kTasksRuleActive:
            return (complete ? (due == t || completed == t) : (due <= t || start <= t)) || start == t || undated;
        case kTasksRuleTomorrow:
            return (complete ? (due == t || due == t + 1 || completed == t || completed == t + 1) : due <= t + 1) ||
                   start == t || start == t + 1 || undated;
        case kTasksRuleCompleted:
            return complete;
        case kTasksRuleDaysAhead: {
            const long long limit = static_cast<long long>(t) + m_settings.daysFuture;
            return (hasStart && start <= limit) || (hasDue && due <= limit && !hasStart) || !hasDue;
        }
        case kTasksRuleOnDate: {
            const LONG d = DayOf(m_onDate);
            if (complete) return completed == d;
            return due == d || (due >= d && start <= d) || (d == t && due < t);
        }
        case kTasksRuleUnplanned:
            return !complete && undated;
        default:
            return true;
    }
}

bool CTasksThread::PassesProjectTest(CeDbRecord& record, DWORD oid)
{
    const DWORD project = m_settings.projectOid;
    if (project == 0) return false;
    double value = 0;
    DWORD parent = 0;
    if (record.GetIndexVal(At(record, m_propIds, kParent), value) && value >= 1 && value < 4294967296.0) {
        parent = static_cast<DWORD>(value);
    }
    if (parent == project) return true;
    if (parent != 0 && !m_excluded.count(parent) && !(m_projects && m_projects->FindProjectbyID(parent))) return true;
    m_excluded.insert(oid);
    return false;
}

void CTasksThread::CountRow(const DATATASKS* row, int delta, bool totals)
{
    if (totals && !row->keptAsParent) {
        m_included += delta;
        if (row->complete) m_completed += delta;
    }
    if (row->overdue) m_overdue += delta;
    if (row->dueToday) m_dueToday += delta;
    if (row->percentComplete > 0 && row->percentComplete < 100) m_partial += delta;
    switch (row->importance) {
        case kTaskImportanceHigh:
            m_high += delta;
            break;
        case kTaskImportanceLow:
            m_low += delta;
            break;
        default:
            m_normal += delta;
            break;
    }
}

void CTasksThread::PreTaskUpdateCountChange(DATATASKS* row)
{
    if (row && !row->IsHeader()) CountRow(row, -1, true);
}

const WCHAR* CTasksThread::CategoriesText(const CEBLOB& blob)
{
    std::string key(reinterpret_cast<const char*>(blob.lpb), blob.lpb ? blob.dwCount : 0);
    auto found = m_categoryTexts.find(key);
    if (found != m_categoryTexts.end()) return found->second;
    m_scratchCategories.RemoveAll();
    BLOB2Categories(blob, m_scratchCategories);
    WCHAR* text = CategoryAssembler(m_scratchCategories);
    m_scratchCategories.RemoveAll();
    std::u16string assembled(text ? text : u"");
    // The assembler's text comes from the private heap when the loader has
    // one, else from malloc.
    if (text && GetPrivateHeap())
        HeapFree(GetPrivateHeap(), 0, text);
    else
        std::free(text);
    const WCHAR* shared = m_rowCategoryTexts.insert(std::move(assembled)).first->c_str();
    return m_categoryTexts.emplace(std::move(key), shared).first->second;
}

void CTasksThread::FillRow(DATATASKS* row, CeDbRecord& record)
{
    const ULONG* ids = m_propIds;
    row->oid = record.GetOid();
    row->flag4126 = AbsoluteFlag(record, At(record, ids, kFlag4126));
    row->reminderSet = AbsoluteFlag(record, At(record, ids, kReminderSet));

    // Rows share their category text: a list has only a few different ones.
    const int categoriesAt = At(record, ids, kCategories);
    const WCHAR* text = record.StoredAt(categoriesAt) ? CategoriesText(BlobOf(record, categoriesAt))
                                                      : m_rowCategoryTexts.emplace().first->c_str();
    row->categories = const_cast<WCHAR*>(text);
    row->sharedTexts |= kTaskSharesCategories;

    if (const WCHAR* icon = TextOf(record, At(record, ids, kIconText))) row->iconText = _wcsdup(icon);

    const CEBLOB note = BlobOf(record, At(record, ids, kNote));
    row->hasNote = IsNoteEmpty(&note) ? 0 : 1;

    ULONG percent = 0;
    if (!record.GetIndexVal(At(record, ids, kPercent), percent) || percent > 100) percent = percent > 100 ? 100 : 0;
    row->percentComplete = static_cast<WORD>(percent);

    if (m_settings.readParent) {
        // The whole part names the parent (0: none), a fraction marks the task
        // open; a task with no stored value opens as "bShowExpanded" says.
        double value = 0;
        if (record.GetIndexVal(At(record, ids, kParent), value) && value >= 0 && value < 4294967296.0) {
            row->parentOid = static_cast<DWORD>(value);
            row->expanded = value != std::floor(value) ? 1 : 0;
        } else {
            row->expanded = m_settings.showExpanded ? 1 : 0;
        }
    }

    const WCHAR* subject = TextOf(record, At(record, ids, kSubject));
    if (subject && subject[0]) {
        // The prefix parser moves a pointer along its own copy, which lives
        // on the stack unless the subject is long.
        std::array<std::byte, 512> room;
        std::pmr::monotonic_buffer_resource arena(room.data(), room.size());
        std::pmr::u16string text(subject, &arena);
        WCHAR* plain = text.data();
        int days = 0;
        TaskSubjectPrefix::Parse(plain, row->priorityLetter, row->priorityNumber, days);
        row->order = days;
        SetSubject(row, plain, wcslen(plain));
    } else {
        SetSubject(row, u"", 0);
    }
}

void CTasksThread::SetSubject(DATATASKS* row, const WCHAR* text, size_t count)
{
    // The loader's arena, which a malloc'ed copy stands in for when it has
    // no room.
    if ((row->subject = m_subjectTexts.Copy(text, count))) {
        row->sharedTexts |= kTaskSharesSubject;
    } else {
        row->subject = _wcsdup(text);
    }
}

// What the filters look at, read once from the record.
struct CTasksThread::FilterValues {
    double start = kTaskNoDate;
    double due = kTaskNoDate;
    double completed = kTaskNoDate;  // read only for completed tasks
    bool hasStart = false;
    bool hasDue = false;
    bool complete = false;
    SHORT sensitivity = 0;
    LONG importance = kTaskImportanceNormal;
    LONG startDay = kNoDay;
    LONG dueDay = kNoDay;
    LONG completedDay = kNoDay;
};

void CTasksThread::PrepareSingleUpdate()
{
    InitiateLinksDB();
    SetupThreadResources();
    // The category names may have changed since the texts were assembled.
    m_categoryTexts.clear();
    m_settings.ApplyUpdateOverrides();
    // A window that set the day itself (manual settings) keeps it.
    if (!m_bManualSettings) SetTodayFromClock();
    if (m_propCount == 0) SetPropIds(m_propIds);
}

CTasksThread::FilterValues CTasksThread::ReadFilterValues(CeDbRecord& record) const
{
    const ULONG* ids = m_propIds;
    FilterValues v;
    v.start = ReadDate(record, At(record, ids, kStart));
    v.due = ReadDate(record, At(record, ids, kDue));
    v.hasStart = v.start < kTaskNoDate;
    v.hasDue = v.due < kTaskNoDate;
    record.GetIndexVal(At(record, ids, kSensitivity), v.sensitivity);
    SHORT complete = 0;
    record.GetIndexVal(At(record, ids, kComplete), complete);
    v.complete = complete != 0;
    if (v.complete) v.completed = ReadDate(record, At(record, ids, kCompleted));
    v.importance = MapImportance(record, At(record, ids, kImportance));
    v.startDay = DayOf(v.start);
    v.dueDay = DayOf(v.due);
    v.completedDay = DayOf(v.completed);
    return v;
}

bool CTasksThread::PassesFilters(CeDbRecord& record, const FilterValues& v, bool single)
{
    // A load checks the category restriction in its pre-pass.
    if (single) {
        const CEBLOB blob = BlobOf(record, At(record, m_propIds, kCategories));
        if (!CategoryFilterHighLevel(&blob, &m_categoryRestrict)) return false;
    }
    if (!v.hasDue && !m_settings.showUndated) return false;
    if (m_settings.filterPrivacy >= 0 && m_settings.filterPrivacy != (v.sensitivity != 0 ? 1 : 0)) return false;
    if (m_settings.filterPriority < 3 && m_settings.filterPriority != v.importance) return false;
    if (v.hasDue && v.dueDay >= kTasksHiddenDueFirst && v.dueDay <= kTasksHiddenDueLast) return false;
    if (m_settings.filterRule == kTasksRuleAll) return true;
    if (m_settings.filterRule == kTasksRuleProject) return PassesProjectTest(record, record.GetOid());
    DATATASKS probe;  // the rules look at completion only
    probe.complete = v.complete ? 1 : 0;
    return PassesDateRule(probe, v.hasDue, v.hasStart, v.dueDay, v.startDay, v.completedDay);
}

bool CTasksThread::CountIncluded(bool complete)
{
    ++m_included;
    if (!complete) return true;
    ++m_completed;
    return m_settings.showCompleted;
}

void CTasksThread::DropFilteredTask(CeDbRecord& record, int position)
{
    if (position >= 0) DeleteTaskFromThread(position);
    if (!m_settings.DayRule()) return;
    // Under a day rule the parent of a filtered-out task leaves the view too.
    double value = 0;
    if (record.GetIndexVal(At(record, m_propIds, kParent), value) && value >= 1 && value < 4294967296.0) {
        m_excluded.insert(static_cast<DWORD>(value));
    }
}

DATATASKS* CTasksThread::RowForPosition(int position, DATATASKS* existing, bool single, long& formerIndex)
{
    if (position == -1 || (position >= 1 && !existing && position > m_list.GetCount())) {
        auto* row = new DATATASKS;
        m_list.Append(row);
        return row;
    }
    if (!existing) {
        auto* row = new DATATASKS;
        if (m_list.SetAt(position, row) != CELIST_OK) m_list.Append(row);
        return row;
    }
    PreTaskUpdateCountChange(existing);
    formerIndex = AddToGroup(existing, true, -1);
    if (m_settings.groupBy == kTasksGroupCategory) RemoveRowsWithOid(existing->oid, existing);
    const LONG rank = existing->rank;
    existing->NullData(false);
    if (single && m_settings.groupBy == kTasksGroupPriorityManager) existing->rank = rank;
    return existing;
}

void CTasksThread::FillFilteredRow(DATATASKS* row, CeDbRecord& record, const FilterValues& v)
{
    row->importance = v.importance;
    row->complete = v.complete ? 1 : 0;
    row->overdue = !v.complete && v.hasDue && v.dueDay < m_today;
    row->dueToday = !v.complete && v.hasDue && v.dueDay == m_today;
    FillRow(row, record);
    if (row->parentOid != 0) ++m_withParent;
    row->dueDate = v.due;
    row->startDate = v.start;
    row->completionDate = v.completed;
    row->sensitivity = static_cast<WORD>(v.sensitivity);
    if (row->complete)
        row->percentComplete = 100;
    else if (row->percentComplete == 100)
        row->percentComplete = 0;
    row->filled = 1;
}

long CTasksThread::AddNewTask(CeDbRecord* record, bool* shownOut, int position, bool single, bool keepAsParent)
{
    if (shownOut) *shownOut = true;
    if (!record) return 0;
    if (single) PrepareSingleUpdate();
    DATATASKS* existing = position >= 1 ? m_list.GetAt(position) : nullptr;
    if (existing && existing->IsHeader()) existing = nullptr;
    const bool keep = keepAsParent || (single && existing && existing->IsParentNode());

    const FilterValues values = ReadFilterValues(*record);
    bool shown = PassesFilters(*record, values, single);
    if (shown && !CountIncluded(values.complete)) {
        shown = false;
        m_countedUnlisted.push_back(record->GetOid());
    }
    if (shownOut) *shownOut = shown;
    if (!shown && !keep) {
        DropFilteredTask(*record, position);
        return 0;
    }

    // The row: a new one, or the one at position refilled.
    long formerIndex = -1;
    DATATASKS* row = RowForPosition(position, existing, single, formerIndex);
    FillFilteredRow(row, *record, values);
    if (keep && !shown) {
        row->keptAsParent = 1;
        if (shownOut) *shownOut = true;
    }
    // Included and completed were counted with the filters.
    CountRow(row, +1, false);

    if (SideDatabasesOpen()) {
        row->hasLinks = HasLinks(row->oid);
        row->hasJournal = HasJournal(row->oid);
    }
    if (single) CloseLinksDB();

    AddToGroup(row, false, formerIndex);
    if (single && m_settings.groupBy == kTasksGroupPriorityManager) SortPriorityManager();
    return row->hidden ? 0 : 1;
}
