// The task list's row comparisons and the sort state they read.
//
// The sort state (the two keys, their directions, the phase and the current
// direction, and "UndatedTaskSort") belongs to one list: every loader owns
// one. The comparisons take no loader argument; they read the state that
// TasksSortScope has bound to the calling thread for the length of a sort,
// so two lists sort at the same time on two threads, each by its own
// settings. Every comparison has the list's sort-function shape and is
// negative when a goes first.
#pragma once

#include "engine/data_tasks.h"

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
class TasksSortState {
public:
    void SetPrefs(const TasksSortPrefs& prefs);
    const TasksSortPrefs& Prefs() const { return m_prefs; }
    // Phase primary, direction the primary direction.
    void BeginPrimaryPhase();
    // Phase secondary (the hidden flag and the secondary key are not used),
    // direction left as it is.
    void BeginSecondaryPhase() { m_secondaryPhase = true; }
    // Phase secondary, direction the secondary direction (the tie-break).
    void BeginSecondaryKey();
    bool SecondaryPhase() const { return m_secondaryPhase; }
    bool Descending() const { return m_descending; }

    // The state the comparisons on the calling thread read: the one bound
    // by the innermost TasksSortScope, else a default state of the thread.
    static TasksSortState& Current();

private:
    TasksSortPrefs m_prefs;
    bool m_secondaryPhase = false;
    bool m_descending = false;
};

// Binds a list's state to the calling thread until the scope ends.
class TasksSortScope {
public:
    explicit TasksSortScope(TasksSortState& state);
    ~TasksSortScope();
    TasksSortScope(const TasksSortScope&) = delete;
    TasksSortScope& operator=(const TasksSortScope&) = delete;

private:
    TasksSortState* m_previous;
};

// The primary and the secondary comparison of a sort key (unknown keys
// compare by start date).
TasksCompareFn TasksPrimaryComparison(int key);
TasksCompareFn TasksSecondaryComparison(int key);

int TasksCompareTPM(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareSubject(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareStartDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareDueDate(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareCategory(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksComparePriority(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareCompletion(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareOID(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
int TasksCompareParentOID(DATATASKS* const& a, DATATASKS* const& b, unsigned long user);
// The tie-break by the secondary key, then subject, then OID.
int TasksCompareSecond(DATATASKS* a, DATATASKS* b, unsigned long user);

// True when a's OID is b's parent OID or the parent OID of any row up b's
// chain of parents.
bool IsDescendant(DATATASKS* a, DATATASKS* b);
