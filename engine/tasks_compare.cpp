#include "engine/tasks_compare.h"

#include "platform/locale/compare_string.h"
#include "platform/text/wide_string.h"

namespace {

thread_local TasksSortState* t_bound = nullptr;

TasksSortState& State() { return TasksSortState::Current(); }

int Sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Inverts an ordering under the descending direction.
int Directed(const TasksSortState& state, int result) { return state.Descending() ? -result : result; }

// Locale order, case-sensitive; a missing string counts as empty.
int LocaleCompare(const WCHAR* a, const WCHAR* b)
{
    int r = CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1);
    return r == 0 ? 0 : r - 2;
}

// Subjects: by their keys where both have one and they differ, else in
// locale order.
int SubjectCompare(const TasksSortState& state, const DATATASKS* a, const DATATASKS* b)
{
    const LocaleComparer* subjects = state.Subjects();
    if (!subjects) return LocaleCompare(a->subject, b->subject);
    if (a->subjectKey != b->subjectKey && a->subjectKey && b->subjectKey) return a->subjectKey < b->subjectKey ? -1 : 1;
    const int r = subjects->Compare(a->subject ? a->subject : u"", -1, b->subject ? b->subject : u"", -1);
    return r == 0 ? 0 : r - 2;
}

long WholeDay(double date) { return static_cast<long>(date); }
bool Undated(double date) { return date >= kTaskNoDate; }

// Steps shared by the keyed comparisons: the same row is equal to itself, a
// missing row goes first, and outside the secondary phase visible rows go
// before hidden ones whatever the direction. Returns true with *result set
// when one of them decides.
bool Decided(const TasksSortState& state, DATATASKS* a, DATATASKS* b, int* result)
{
    if (a == b) {
        *result = 0;
        return true;
    }
    if (!a || !b) {
        *result = a ? 1 : -1;
        return true;
    }
    if (!state.SecondaryPhase() && a->hidden != b->hidden) {
        *result = a->hidden ? 1 : -1;
        return true;
    }
    return false;
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

bool IsNoneHeader(const DATATASKS* row) { return row->IsHeader() && row->importance == kTaskImportanceNone; }

int CompareDates(const TasksSortState& state, DATATASKS* a, DATATASKS* b, double dateA, double dateB,
                 unsigned long user)
{
    bool undatedA = Undated(dateA);
    bool undatedB = Undated(dateB);
    if (undatedA != undatedB) {
        // "UndatedTaskSort" decides whatever the direction.
        int dated = Sign(state.Prefs().undatedTaskSort);
        if (dated != 0) return undatedA ? -dated : dated;
    } else if (!undatedA) {
        int r = Sign(static_cast<long long>(WholeDay(dateA)) - WholeDay(dateB));
        if (r != 0) return Directed(state, r);
    }
    return TasksCompareSecond(a, b, user);
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

void TasksSortState::BeginSecondaryKey()
{
    m_secondaryPhase = true;
    m_descending = m_prefs.secondaryDescending;
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
    switch (key) {
        case kTasksSortTpm:
            return &TasksCompareTPM;
        case kTasksSortSubject:
            return &TasksCompareSubject;
        case kTasksSortDueDate:
            return &TasksCompareDueDate;
        case kTasksSortStartDate:
            return &TasksCompareStartDate;
        case kTasksSortImportance:
            return &TasksComparePriority;
        case kTasksSortCompletion:
            return &TasksCompareCompletion;
        case kTasksSortPriority:
            return &TasksComparePriority;
        case kTasksSortCategory:
            return &TasksCompareCategory;
        default:
            return &TasksCompareStartDate;
    }
}

TasksCompareFn TasksSecondaryComparison(int key)
{
    // The rank order only makes sense as the main key; as a tie-break the
    // start date stands in for it.
    if (key == kTasksSortTpm) return &TasksCompareStartDate;
    return TasksPrimaryComparison(key);
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

int TasksCompareSubject(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    const TasksSortState& state = State();
    int result;
    if (Decided(state, a, b, &result)) return result;
    bool noneA = IsNoneHeader(a);
    bool noneB = IsNoneHeader(b);
    if (noneA != noneB) return noneA ? -1 : 1;
    int r = SubjectCompare(state, a, b);
    if (r != 0) return Directed(state, r);
    return TasksCompareSecond(a, b, user);
}

int TasksCompareCategory(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    const TasksSortState& state = State();
    int result;
    if (Decided(state, a, b, &result)) return result;
    int r = LocaleCompare(a->categories, b->categories);
    if (r != 0) return Directed(state, r);
    return TasksCompareSecond(a, b, user);
}

int TasksCompareStartDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    const TasksSortState& state = State();
    int result;
    if (Decided(state, a, b, &result)) return result;
    return CompareDates(state, a, b, a->startDate, b->startDate, user);
}

int TasksCompareDueDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    const TasksSortState& state = State();
    int result;
    if (Decided(state, a, b, &result)) return result;
    return CompareDates(state, a, b, a->dueDate, b->dueDate, user);
}

int TasksCompareCompletion(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    const TasksSortState& state = State();
    int result;
    if (Decided(state, a, b, &result)) return result;
    bool doneA = a->complete != 0;
    bool doneB = b->complete != 0;
    if (doneA != doneB) return Directed(state, doneA ? 1 : -1);
    if (doneA) {
        int r = Sign(static_cast<long long>(WholeDay(a->completionDate)) - WholeDay(b->completionDate));
        if (r != 0) return Directed(state, r);
    }
    return TasksCompareSecond(a, b, user);
}

int TasksComparePriority(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    const TasksSortState& state = State();
    int result;
    if (Decided(state, a, b, &result)) return result;
    const TasksSortPrefs& prefs = state.Prefs();
    bool byImportance = a->IsHeader() || (!state.SecondaryPhase() && prefs.primaryKey == kTasksSortImportance) ||
                        (state.SecondaryPhase() && prefs.secondaryKey == kTasksSortImportance);
    if (byImportance && a->importance != b->importance) return Directed(state, a->importance > b->importance ? -1 : 1);

    bool letterA = HasText(a->priorityLetter);
    bool letterB = HasText(b->priorityLetter);
    if (letterA != letterB) return Directed(state, letterA ? -1 : 1);
    if (letterA) {
        int r = Sign(lstrcmpW(a->priorityLetter, b->priorityLetter));
        if (r != 0) return Directed(state, r);
    }
    int r = CompareNumbers(a->priorityNumber, b->priorityNumber);
    if (r != 0) return Directed(state, r);
    return TasksCompareSecond(a, b, user);
}

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

int TasksCompareSecond(DATATASKS* a, DATATASKS* b, unsigned long user)
{
    TasksSortState& state = State();
    const TasksSortPrefs& prefs = state.Prefs();
    if (state.SecondaryPhase() || prefs.primaryKey == prefs.secondaryKey) return 0;
    state.BeginSecondaryKey();
    int r = TasksSecondaryComparison(prefs.secondaryKey)(a, b, user);
    if (r == 0 && prefs.primaryKey != kTasksSortSubject && prefs.secondaryKey != kTasksSortSubject) {
        r = TasksCompareSubject(a, b, user);
    }
    if (r == 0) r = TasksCompareOID(a, b, user);
    state.BeginPrimaryPhase();
    return r;
}

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
