#include "engine/tasks_compare.h"

#include "engine/tasks_row_order.h"

#include "platform/locale/compare_string.h"
#include "platform/text/wide_string.h"

namespace {

thread_local TasksSortState* t_bound = nullptr;

TasksRowOrder Order() { return TasksRowOrder(TasksSortState::Current()); }

int Sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Locale order, case-sensitive; a missing string counts as empty.
int LocaleCompare(const WCHAR* a, const WCHAR* b)
{
    int r = CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1);
    return r == 0 ? 0 : r - 2;
}

bool HasText(const WCHAR* s) { return s && s[0] != 0; }

// Priority numbers compare by decimal value, not as text ("2" before "10").
// An empty number goes first; the caller applies the direction.
int CompareNumbers(const WCHAR* a, const WCHAR* b)
{
    bool hasA = HasText(a);
    bool hasB = HasText(b);
    if (hasA != hasB) return hasA ? 1 : -1;
    if (!hasA) return 0;
    return Sign(static_cast<long long>(_wtoi(a)) - _wtoi(b));
}

}  // namespace

void TasksSortState::SetPrefs(const TasksSortPrefs& prefs)
{
    m_prefs = prefs;
    BeginPrimaryPhase();
}

void TasksSortState::BeginPrimaryPhase()
{
    m_secondaryPhase = false;
    m_descending = m_prefs.primaryDescending;
}

TasksSortState& TasksSortState::Current()
{
    thread_local TasksSortState unbound;
    return t_bound ? *t_bound : unbound;
}

TasksSortScope::TasksSortScope(TasksSortState& state) : m_previous(t_bound) { t_bound = &state; }

TasksSortScope::~TasksSortScope() { t_bound = m_previous; }

TasksSubjectKeys::TasksSubjectKeys(TasksSortState& state, std::initializer_list<const CePtrList<DATATASKS*>*> lists)
    : m_state(state), m_subjects(std::make_unique<const LocaleComparer>(LOCALE_USER_DEFAULT, 0))
{
    for (const CePtrList<DATATASKS*>* list : lists) {
        // A row shown under a second category follows its original, with the
        // same subject: the key is taken over rather than made again.
        const DATATASKS* previous = nullptr;
        for (DATATASKS* row : *list) {
            if (!row) continue;
            const WCHAR* subject = row->subject ? row->subject : u"";
            if (previous && wcscmp(subject, previous->subject ? previous->subject : u"") == 0)
                row->subjectKey = previous->subjectKey;
            else
                row->subjectKey = m_subjects->Prefix(subject, -1);
            previous = row;
        }
    }
    m_state.SetSubjects(m_subjects.get());
}

TasksSubjectKeys::~TasksSubjectKeys() { m_state.SetSubjects(nullptr); }

TasksCompareFn TasksPrimaryComparison(int key)
{
    if (key == kTasksSortTpm) return &TasksCompareTPM;
    return TasksSecondaryComparison(key);
}

TasksCompareFn TasksSecondaryComparison(int key) { return TasksRowOrder::Function(TasksRowOrder::TieBreakKey(key)); }

TasksCompareFn TasksRowOrder::Function(Key key)
{
    switch (key) {
        case Key::Subject:
            return &TasksCompareSubject;
        case Key::Category:
            return &TasksCompareCategory;
        case Key::StartDate:
            return &TasksCompareStartDate;
        case Key::DueDate:
            return &TasksCompareDueDate;
        case Key::Completion:
            return &TasksCompareCompletion;
        case Key::Priority:
            return &TasksComparePriority;
    }
    return nullptr;
}

bool TasksRowOrder::KeyOf(TasksCompareFn compare, Key* key)
{
    for (Key k : {Key::Subject, Key::Category, Key::StartDate, Key::DueDate, Key::Completion, Key::Priority}) {
        if (compare == Function(k)) {
            *key = k;
            return true;
        }
    }
    return false;
}

int TasksRowOrder::SubjectsInLocale(const DATATASKS* a, const DATATASKS* b) const
{
    if (!m_subjects) return LocaleCompare(a->subject, b->subject);
    const int r = m_subjects->Compare(a->subject ? a->subject : u"", -1, b->subject ? b->subject : u"", -1);
    return r == 0 ? 0 : r - 2;
}

int TasksRowOrder::Category(DATATASKS* a, DATATASKS* b) const
{
    int result;
    if (Decided(a, b, &result)) return result;
    int r = LocaleCompare(a->categories, b->categories);
    if (r != 0) return Directed(r);
    return TieBreak(a, b);
}

int TasksRowOrder::Completion(DATATASKS* a, DATATASKS* b) const
{
    int result;
    if (Decided(a, b, &result)) return result;
    bool doneA = a->complete != 0;
    bool doneB = b->complete != 0;
    if (doneA != doneB) return Directed(doneA ? 1 : -1);
    if (doneA) {
        int r = Sign(static_cast<long long>(WholeDay(a->completionDate)) - WholeDay(b->completionDate));
        if (r != 0) return Directed(r);
    }
    return TieBreak(a, b);
}

int TasksRowOrder::Priority(DATATASKS* a, DATATASKS* b) const
{
    int result;
    if (Decided(a, b, &result)) return result;
    bool byImportance = a->IsHeader() || (!m_secondaryPhase && m_prefs.primaryKey == kTasksSortImportance) ||
                        (m_secondaryPhase && m_prefs.secondaryKey == kTasksSortImportance);
    if (byImportance && a->importance != b->importance) return Directed(a->importance > b->importance ? -1 : 1);

    bool letterA = HasText(a->priorityLetter);
    bool letterB = HasText(b->priorityLetter);
    if (letterA != letterB) return Directed(letterA ? -1 : 1);
    if (letterA) {
        int r = Sign(lstrcmpW(a->priorityLetter, b->priorityLetter));
        if (r != 0) return Directed(r);
    }
    int r = CompareNumbers(a->priorityNumber, b->priorityNumber);
    if (r != 0) return Directed(r);
    return TieBreak(a, b);
}

int TasksCompareTPM(DATATASKS* const& a, DATATASKS* const& b, unsigned long)
{
    if (a == b) return 0;
    if (!a || !b) return a ? 1 : -1;
    if (a->hidden != b->hidden) return a->hidden ? 1 : -1;
    if (a->rank != b->rank) return a->rank < b->rank ? -1 : 1;
    int r = CompareNumbers(a->priorityNumber, b->priorityNumber);
    if (r != 0) return r;
    return TasksCompareOID(a, b, 0);
}

int TasksCompareSubject(DATATASKS* const& a, DATATASKS* const& b, unsigned long) { return Order().Subject(a, b); }

int TasksCompareCategory(DATATASKS* const& a, DATATASKS* const& b, unsigned long) { return Order().Category(a, b); }

int TasksCompareStartDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long) { return Order().StartDate(a, b); }

int TasksCompareDueDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long) { return Order().DueDate(a, b); }

int TasksCompareCompletion(DATATASKS* const& a, DATATASKS* const& b, unsigned long) { return Order().Completion(a, b); }

int TasksComparePriority(DATATASKS* const& a, DATATASKS* const& b, unsigned long) { return Order().Priority(a, b); }

int TasksCompareOID(DATATASKS* const& a, DATATASKS* const& b, unsigned long)
{
    if (a == b) return 0;
    if (!a || !b) return a ? 1 : -1;
    LONG oidA = static_cast<LONG>(a->oid);
    LONG oidB = static_cast<LONG>(b->oid);
    return oidA < oidB ? -1 : oidA > oidB ? 1 : 0;
}

int TasksCompareParentOID(DATATASKS* const& a, DATATASKS* const& b, unsigned long)
{
    if (a == b) return 0;
    if (!a || !b) return a ? 1 : -1;
    LONG oidA = static_cast<LONG>(a->parentOid);
    LONG oidB = static_cast<LONG>(b->parentOid);
    return oidA < oidB ? -1 : oidA > oidB ? 1 : 0;
}

int TasksCompareSecond(DATATASKS* a, DATATASKS* b, unsigned long) { return Order().TieBreak(a, b); }

bool IsDescendant(DATATASKS* a, DATATASKS* b)
{
    if (!a || !b) return false;
    // Walk up b's parents; the slow pointer catches a cycle of parent links.
    const DATATASKS* row = b;
    const DATATASKS* slow = b;
    bool advanceSlow = false;
    while (row) {
        if (row->parentOid == a->oid) return true;
        row = row->parent;
        if (advanceSlow) slow = slow->parent;
        advanceSlow = !advanceSlow;
        if (row && row == slow) return false;
    }
    return false;
}
