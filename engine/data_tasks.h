// DATATASKS: one row of the task list, a task or a group header. Rows are
// made with new and deleted by the list that owns them: task rows by the
// display list, header rows by the group list. A row's three strings are
// malloc'ed and belong to the row, except the texts the filling loader keeps
// for its rows (sharedTexts): a category text its rows share, and subjects
// laid end to end in the loader's arena.
#pragma once

#include <cstddef>
#include <new>

#include "engine/task_children.h"
#include "platform/base/export.h"
#include "platform/base/types.h"

// "No date" (1 January 4501) as an OLE automation date.
inline constexpr double kTaskNoDate = 949998.0;

// Importance of a row: 0 low, 1 normal, 2 high; kTaskImportanceNone marks
// the header of tasks without a priority letter or without a category.
inline constexpr LONG kTaskImportanceLow = 0;
inline constexpr LONG kTaskImportanceNormal = 1;
inline constexpr LONG kTaskImportanceHigh = 2;
inline constexpr LONG kTaskImportanceNone = 3;

// Depth of an empty group header that the next sort drops.
inline constexpr SHORT kTaskDroppedHeaderDepth = -99;

inline constexpr int kTaskPriorityChars = 4;

// DATATASKS::sharedTexts: the strings that belong to the filling loader.
inline constexpr BYTE kTaskSharesCategories = 1;
inline constexpr BYTE kTaskSharesSubject = 2;

class KSTOOLS_API DATATASKS {
public:
    DATATASKS();
    ~DATATASKS();
    DATATASKS(const DATATASKS&) = delete;
    DATATASKS& operator=(const DATATASKS&) = delete;

    // Rows come from one pool of row-sized blocks shared by every task list:
    // no allocator header per row, and a list's rows side by side.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* row, std::size_t size) noexcept;

    bool IsParentNode() const { return children.GetCount() > 0; }
    int NumChildren() const { return children.GetCount(); }
    // All descendants, recursively.
    int TotalNumChildren() const;
    // Frees the three strings and resets every field to its default; with
    // all also empties the child list (without deleting the children) and
    // clears expanded, parent OID, depth, group index, parent and kept as
    // parent.
    void NullData(bool all);
    // A new row with all fields and its own copies of the strings, marked
    // filled (shared texts are shared by the copy too, which then must not
    // outlive the loader's rows); with withTree also expanded,
    // depth, group index, parent and a copy of the child list (the children
    // themselves are shared). Null when memory runs out.
    DATATASKS* Copy(bool withTree) const;

    // A header row: OID 0.
    bool IsHeader() const { return oid == 0; }

    LONG rank;
    LONG order;
    LONG importance;
    DWORD oid;
    WCHAR priorityNumber[kTaskPriorityChars];
    WCHAR priorityLetter[kTaskPriorityChars];
    WCHAR* subject;
    WCHAR* categories;
    WCHAR* iconText;
    double dueDate;
    double startDate;
    double completionDate;
    WORD hasJournal;
    WORD hasLinks;
    WORD sensitivity;
    WORD hasNote;
    WORD flag4126;
    WORD reminderSet;  // non-zero when the task has a reminder
    WORD complete;
    WORD percentComplete;
    BYTE overdue;
    BYTE dueToday;
    BYTE hidden;
    BYTE expandable;
    BYTE filled;
    BYTE keptAsParent;
    BYTE expanded;
    // kTaskSharesCategories: categories points into the filling loader's
    // pool of category texts (rows of one text share it); kTaskSharesSubject:
    // subject lies in the loader's arena. Either instead of the row's own.
    BYTE sharedTexts;
    DWORD parentOid;
    SHORT depth;
    WORD groupIndex;
    DATATASKS* parent;
    TaskChildren children;
    // The subject's collation prefix, made for each sort (TasksSubjectKeys).
    ULONGLONG subjectKey;

private:
    void SetDefaults();
};
