// The task list's row comparisons and the sort state they read.
//
// The sort state (the two keys, their directions, the phase and the current
// direction, and "UndatedTaskSort") belongs to one list: every loader owns
// one. The comparisons take no loader argument; they read the state that
// TasksSortScope has bound to the calling thread for the length of a sort,
// so two lists sort at the same time on two threads, each by its own
// settings. Every comparison has the list's sort-function shape and is
// negative when a goes first. Their rules live in TasksRowOrder
// (tasks_row_order.h), which a sort uses directly over one copy of the state.
#pragma once

#include <initializer_list>
#include <memory>

#include "engine/data_tasks.h"
#include "platform/base/export.h"

class LocaleComparer;

using TasksCompareFn = int (*)(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);

// Sort keys ("TV_Sort0", "TV_Sort1").
inline constexpr int kTasksSortTpm = 0;
inline constexpr int kTasksSortSubject = 1;
inline constexpr int kTasksSortDueDate = 2;
inline constexpr int kTasksSortStartDate = 3;
inline constexpr int kTasksSortImportance = 4;  // priority with importance first
inline constexpr int kTasksSortCompletion = 5;
inline constexpr int kTasksSortPriority = 6;  // priority without importance
inline constexpr int kTasksSortCategory = 7;

struct TasksSortPrefs {
    int primaryKey = kTasksSortImportance;
    int secondaryKey = kTasksSortSubject;
    bool primaryDescending = false;
    bool secondaryDescending = false;
    // What a dated row compares as against an undated one: -1 puts undated
    // rows last, 1 first, whatever the direction.
    int undatedTaskSort = -1;
};

// One list's sort state. SetPrefs also starts the primary phase.
class KSTOOLS_API TasksSortState {
public:
    void SetPrefs(const TasksSortPrefs& prefs);
    const TasksSortPrefs& Prefs() const { return m_prefs; }
    // Phase primary, direction the primary direction.
    void BeginPrimaryPhase();
    // Phase secondary (the hidden flag and the secondary key are not used),
    // direction left as it is.
    void BeginSecondaryPhase() { m_secondaryPhase = true; }
    bool SecondaryPhase() const { return m_secondaryPhase; }
    bool Descending() const { return m_descending; }
    // Whether the rows' subject keys are current (TasksSubjectKeys).
    bool SubjectKeysReady() const { return m_subjects != nullptr; }
    // The comparer subjects are collated with while the keys are current.
    const LocaleComparer* Subjects() const { return m_subjects; }
    void SetSubjects(const LocaleComparer* subjects) { m_subjects = subjects; }

    // The state the comparisons on the calling thread read: the one bound
    // by the innermost TasksSortScope, else a default state of the thread.
    static TasksSortState& Current();

private:
    TasksSortPrefs m_prefs;
    bool m_secondaryPhase = false;
    bool m_descending = false;
    const LocaleComparer* m_subjects = nullptr;
};

// Binds a list's state to the calling thread until the scope ends.
class KSTOOLS_API TasksSortScope {
public:
    explicit TasksSortScope(TasksSortState& state);
    ~TasksSortScope();
    TasksSortScope(const TasksSortScope&) = delete;
    TasksSortScope& operator=(const TasksSortScope&) = delete;

private:
    TasksSortState* m_previous;
};

// Gives every row of the lists the collation prefix of its subject in the
// user's locale (CompareStringPrefix), and lets the comparisons of state read
// them until the object goes: subjects then compare by these numbers first
// and through the locale only when they are equal, with the same result.
// The keys are made for one sort, so a subject changed between two sorts
// never meets a stale key.
class TasksSubjectKeys {
public:
    TasksSubjectKeys(TasksSortState& state, std::initializer_list<const CePtrList<DATATASKS*>*> lists);
    ~TasksSubjectKeys();
    TasksSubjectKeys(const TasksSubjectKeys&) = delete;
    TasksSubjectKeys& operator=(const TasksSubjectKeys&) = delete;

private:
    TasksSortState& m_state;
    std::unique_ptr<const LocaleComparer> m_subjects;
};

// The primary and the secondary comparison of a sort key (unknown keys
// compare by start date).
KSTOOLS_API TasksCompareFn TasksPrimaryComparison(int key);
KSTOOLS_API TasksCompareFn TasksSecondaryComparison(int key);

KSTOOLS_API int TasksCompareTPM(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareSubject(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareStartDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareDueDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareCategory(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksComparePriority(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareCompletion(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareOID(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
KSTOOLS_API int TasksCompareParentOID(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
// The tie-break by the secondary key, then subject, then OID.
KSTOOLS_API int TasksCompareSecond(DATATASKS* a, DATATASKS* b, unsigned long user);

// True when a's OID is b's parent OID or the parent OID of any row up b's
// chain of parents.
KSTOOLS_API bool IsDescendant(DATATASKS* a, DATATASKS* b);
