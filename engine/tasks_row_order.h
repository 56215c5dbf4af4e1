// The task list's comparisons over one copy of a list's sort state.
//
// TasksCompare* (tasks_compare.h) look the state up on the calling thread at
// every call and run these. A sort makes hundreds of thousands of
// comparisons: it copies the state once and calls these directly, so the
// common steps (hidden flag, whole days, subject keys) inline into its loop
// instead of costing a call through a pointer and a thread-local look-up
// each, at every level of the tie-break. Each is negative when a goes first.
#pragma once

#include "engine/data_tasks.h"
#include "engine/tasks_compare.h"

class TasksRowOrder {
public:
    // The comparisons that read a sort state.
    enum class Key : unsigned char { Subject, Category, StartDate, DueDate, Completion, Priority };

    explicit TasksRowOrder(const TasksSortState& state)
        : m_prefs(state.Prefs()),
          m_subjects(state.Subjects()),
          m_secondaryPhase(state.SecondaryPhase()),
          m_descending(state.Descending()),
          m_tieBreak(TieBreakKey(m_prefs.secondaryKey))
    {
    }

    // The comparison function of key, and the key of a comparison function
    // (false for one that reads no sort state, or not one of these).
    static TasksCompareFn Function(Key key);
    static bool KeyOf(TasksCompareFn compare, Key* key);
    // The comparison a sort key ("TV_Sort0", "TV_Sort1") breaks ties with.
    static Key TieBreakKey(int sortKey)
    {
        switch (sortKey) {
            case kTasksSortSubject:
                return Key::Subject;
            case kTasksSortDueDate:
                return Key::DueDate;
            case kTasksSortImportance:
            case kTasksSortPriority:
                return Key::Priority;
            case kTasksSortCompletion:
                return Key::Completion;
            case kTasksSortCategory:
                return Key::Category;
            default:
                // The rank order only makes sense as the main key; as a
                // tie-break the start date stands in for it.
                return Key::StartDate;
        }
    }

    int Compare(Key key, DATATASKS* a, DATATASKS* b) const
    {
        switch (key) {
            case Key::Subject:
                return Subject(a, b);
            case Key::Category:
                return Category(a, b);
            case Key::StartDate:
                return StartDate(a, b);
            case Key::DueDate:
                return DueDate(a, b);
            case Key::Completion:
                return Completion(a, b);
            case Key::Priority:
                return Priority(a, b);
        }
        return 0;
    }

    int Subject(DATATASKS* a, DATATASKS* b) const
    {
        int result;
        if (Decided(a, b, &result)) return result;
        const bool noneA = IsNoneHeader(a);
        const bool noneB = IsNoneHeader(b);
        if (noneA != noneB) return noneA ? -1 : 1;
        // Subjects compare by their keys where both have one and they differ.
        int r;
        if (m_subjects && a->subjectKey != b->subjectKey && a->subjectKey && b->subjectKey)
            r = a->subjectKey < b->subjectKey ? -1 : 1;
        else
            r = SubjectsInLocale(a, b);
        if (r != 0) return Directed(r);
        return TieBreak(a, b);
    }

    int StartDate(DATATASKS* a, DATATASKS* b) const
    {
        int result;
        if (Decided(a, b, &result)) return result;
        return Dates(a, b, a->startDate, b->startDate);
    }

    int DueDate(DATATASKS* a, DATATASKS* b) const
    {
        int result;
        if (Decided(a, b, &result)) return result;
        return Dates(a, b, a->dueDate, b->dueDate);
    }

    int Category(DATATASKS* a, DATATASKS* b) const;
    int Completion(DATATASKS* a, DATATASKS* b) const;
    int Priority(DATATASKS* a, DATATASKS* b) const;

    // Ties of the primary key: by the secondary key in its own direction,
    // then subject, then OID; none in the secondary phase or when both keys
    // are the same.
    int TieBreak(DATATASKS* a, DATATASKS* b) const
    {
        if (m_secondaryPhase || m_prefs.primaryKey == m_prefs.secondaryKey) return 0;
        const TasksRowOrder secondary(*this, true, m_prefs.secondaryDescending);
        int r = secondary.Compare(m_tieBreak, a, b);
        if (r == 0 && m_prefs.primaryKey != kTasksSortSubject && m_prefs.secondaryKey != kTasksSortSubject)
            r = secondary.Subject(a, b);
        if (r == 0) r = TasksCompareOID(a, b, 0);
        return r;
    }

private:
    static int Sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }
    static long WholeDay(double date) { return static_cast<long>(date); }

    // The same order in another phase and direction.
    TasksRowOrder(const TasksRowOrder& order, bool secondaryPhase, bool descending) : TasksRowOrder(order)
    {
        m_secondaryPhase = secondaryPhase;
        m_descending = descending;
    }

    // Dated rows by whole day, undated ones where "UndatedTaskSort" puts them
    // whatever the direction.
    int Dates(DATATASKS* a, DATATASKS* b, double dateA, double dateB) const
    {
        const bool undatedA = dateA >= kTaskNoDate;
        const bool undatedB = dateB >= kTaskNoDate;
        if (undatedA != undatedB) {
            const int dated = Sign(m_prefs.undatedTaskSort);
            if (dated != 0) return undatedA ? -dated : dated;
        } else if (!undatedA) {
            const int r = Sign(static_cast<long long>(WholeDay(dateA)) - WholeDay(dateB));
            if (r != 0) return Directed(r);
        }
        return TieBreak(a, b);
    }

    // Inverts an ordering under the descending direction.
    int Directed(int result) const { return m_descending ? -result : result; }

    // Steps shared by the keyed comparisons: the same row is equal to itself,
    // a missing row goes first, and outside the secondary phase visible rows
    // go before hidden ones whatever the direction. Returns true with
    // *result set when one of them decides.
    bool Decided(const DATATASKS* a, const DATATASKS* b, int* result) const
    {
        if (a == b) {
            *result = 0;
            return true;
        }
        if (!a || !b) {
            *result = a ? 1 : -1;
            return true;
        }
        if (!m_secondaryPhase && a->hidden != b->hidden) {
            *result = a->hidden ? 1 : -1;
            return true;
        }
        return false;
    }

    static bool IsNoneHeader(const DATATASKS* row)
    {
        return row->IsHeader() && row->importance == kTaskImportanceNone;
    }

    // Subjects in locale order: through the comparer of the current keys,
    // else the user's locale.
    int SubjectsInLocale(const DATATASKS* a, const DATATASKS* b) const;

    TasksSortPrefs m_prefs;
    const LocaleComparer* m_subjects;
    bool m_secondaryPhase;
    bool m_descending;
    Key m_tieBreak;  // the secondary key's comparison
};
