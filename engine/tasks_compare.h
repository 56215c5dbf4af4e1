// The task list's row comparisons and the sort state they read.
//
// The sort state (the two keys, their directions, the phase and the current
// direction, and "UndatedTaskSort") is process-wide: the comparisons take no
// loader argument, so two task lists are never sorted at the same time.
// Every comparison has the list's sort-function shape and is negative when a
// goes first.
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

// The process-wide state. SetPrefs also starts the primary phase.
class TasksSortState {
public:
    static void SetPrefs(const TasksSortPrefs& prefs);
    static const TasksSortPrefs& Prefs();
    // Phase primary, direction the primary direction.
    static void BeginPrimaryPhase();
    // Phase secondary (the hidden flag and the secondary key are not used),
    // direction left as it is.
    static void BeginSecondaryPhase();
    static bool SecondaryPhase();
    static bool Descending();
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
