// CTasksThread: the background loader of one task window. It reads "Tasks
// Database" on its worker thread, files each task that passes the view's
// filters as a DATATASKS row, counts what it saw, links children to their
// parents, groups the rows under headers when the view is grouped, sorts,
// and hands the finished display list to the window (WM_LOADER_DATA, sent).
//
// Between loads the window thread updates or deletes single tasks, opens
// and closes headers and parents, moves rows in the task tree and re-sorts,
// all without a reload.
//
// Ownership: task rows (copies included) belong to the display list, header
// rows to the group list; the display list holds both, so it never frees
// rows by policy: ClearData and the deletions free task rows themselves.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/data_tasks.h"
#include "engine/ks_data_thread.h"
#include "engine/task_projects.h"
#include "engine/tasks_compare.h"
#include "engine/tasks_view_settings.h"
#include "foundation/ce_ptr_list.h"
#include "foundation/text_arena.h"
#include "platform/base/export.h"
#include "storage/ce_db_record.h"

// One request to move a row in the task tree.
struct _HIERSTRUCT {
    ULONG oid;        // the task
    ULONG parentOid;  // its new parent (task or project)
    ULONG expanded;   // non-zero: the task shows its children
};

inline constexpr int kTasksPropertyCount = 14;
// The read buffer a load starts with, and the largest it grows to for a
// record that does not fit; a larger record is skipped.
inline constexpr DWORD kTasksFirstReadBufferSize = 0x4000;
inline constexpr DWORD kTasksReadBufferSize = 0x20000;
// Tasks due from 27 November to 31 December 2999 are never listed.
inline constexpr LONG kTasksHiddenDueFirst = 401734;
inline constexpr LONG kTasksHiddenDueLast = 401768;

class KSTOOLS_API CTasksThread : public CKSDataThread {
public:
    CTasksThread();
    ~CTasksThread() override;

    // ---- configuration (window thread, between loads) ----
    // Reads the view's settings, applies the rule overrides and sets today.
    void SettingChange();
    void SetManualSettings(bool manual) { m_bManualSettings = manual; }
    // Replaces the settings key path (the sort settings are read from it too).
    void Override(const WCHAR* keyPath);
    void SetFilterRule(int rule) { m_settings.filterRule = rule; }
    int GetFilterRule() const { return m_settings.filterRule; }
    void SetDateOn(double date) { m_onDate = date; }
    double GetOnDate() const { return m_onDate; }
    void SetToday(int day) { m_today = day; }
    int GetToday() const { return m_today; }
    void SetNotifyWindow(HWND window) { m_hNotify = window; }
    HWND GetNotifyWindow() const { return m_hNotify; }
    // The settings in force; with manual settings the window edits them here.
    TasksViewSettings& Settings() { return m_settings; }
    // Reads this list's sort settings from the settings key (fixed keys
    // under the day and project rules and the priority manager).
    void LoadSortPrefs();
    const TasksSortPrefs& SortPrefs() const { return m_sortState.Prefs(); }
    // Fills ids with the 14 properties a load reads; returns 14.
    int SetPropIds(ULONG* ids);

    // ---- counters, read by the window after a load ----
    int GetIncludedCount() const { return m_included; }
    int GetCompletedCount() const { return m_completed; }
    int GetOverdueCount() const { return m_overdue; }
    int GetDueTodayCount() const { return m_dueToday; }
    int GetHighCount() const { return m_high; }
    int GetNormalCount() const { return m_normal; }
    int GetLowCount() const { return m_low; }
    int GetPercentageCount() const { return m_partial; }
    int GetDisplayedCount() const { return m_displayed; }
    // The characters held for the rows' subjects.
    std::size_t SubjectTextChars() const { return m_subjectTexts.CapacityChars(); }
    int GetTreeCount() const { return m_settings.groupBy == kTasksGroupProject ? m_withParent : 0; }
    int GetDisplayedTreeCount() const { return m_settings.groupBy == kTasksGroupProject ? m_treeRows : 0; }
    bool IsTreeExpanded() const { return m_bTreeExpanded; }
    DWORD GetProjectFilterOID() const { return m_settings.projectOid; }
    bool IsBusy() const { return m_busy != 0; }

    // The display list (index base 1): visible rows first, in display order.
    CePtrList<DATATASKS*>& GetDataList() { return m_list; }
    CePtrList<DATATASKS*>& GetGroupList() { return m_groups; }

    // ---- loading ----
    DWORD ThreadProc() override;
    DWORD TasksThreadProc(CeManualEvent* stopEvent);
    void PostKill() override;
    int InitiateLinksDB() override;

    // ---- single updates (window thread, between loads) ----
    // Files one record: position -1 appends a new row, otherwise the row at
    // that display position is refilled. single marks an update outside a
    // load. 1 when the row is visible; *shown tells whether the task passed
    // the filters.
    long AddNewTask(CeDbRecord* record, bool* shown, int position, bool single, bool keepAsParent);
    void DeleteTaskFromThread(int position);
    void PreTaskUpdateCountChange(DATATASKS* row);
    void SortDataList();
    long ExpandAll(bool expand);
    long ExpandTreeNode(bool expand, DATATASKS* node, bool persist);
    void SetActiveCountFromTree();
    void SortPriorityManager();

    // ---- the task tree ----
    void SetTaskHTField(ULONG oid, ULONG parent, bool expanded, bool remove);
    void SetChildToParents(void* buffer, ULONG* ids, ULONG size, bool noDuplicates);
    void AddTreeNode(_HIERSTRUCT* move, int childPosition, int parentPosition);
    void RemoveTreeNode(_HIERSTRUCT* move, int position, bool promoteChildren);
    void DeleteChildrenFromTask(long& position);
    void UpdateDepth(TaskChildren& children, DATATASKS* parent);
    void SetupChildren(DATATASKS* parent, unsigned short& percent);
    void HTParentTaskRulesCheck(DATATASKS* parent);

    // ---- refreshing after store changes (window thread, between loads) ----
    // Brings the rows of the named tasks up to date with the store: each is
    // read again and filed as a load files it (or leaves the list when it no
    // longer reads or passes the filters), the counters follow, and the
    // list is sorted again; the other rows stay as they are. False, with the
    // list untouched, where only a load gives the right list: no finished
    // load, a tree or project view, a day rule, settings, the category
    // filter, the categories' names or today's date changed since the load,
    // or the subjects of earlier refreshes hold more memory than the list's.
    bool RefreshRecords(const std::vector<CEOID>& records);

    // The projects of the project view (null before the first one loads).
    CTaskProjects* GetProjects() const { return m_projects.get(); }

private:
    // ---- the load ----
    // The steps of TasksThreadProc.
    // Reads the settings the load runs with and zeroes the counters.
    void ResetForLoad();
    // Opens "Tasks Database"; the project view loads its projects first and
    // reads tasks only for a chosen project. False when it stays closed.
    bool OpenTasksDatabase(CeDb* db);
    // Frees the rows and headers of the previous load.
    void ClearPreviousLoad();
    // A LocalAlloc read buffer the record owns from the start: every read
    // fills it in place, and the record frees it however the load ends.
    CEPROPVAL* AttachReadBuffer(CeDbRecord& record);
    // Reads the record at the handle's position into the record's buffer,
    // growing it once (up to kTasksReadBufferSize) for a record too large.
    bool ReadIntoRecord(CeDb& db, CeDbRecord& record, USHORT count, ULONG* ids);
    // Whether the category filter may turn tasks away; the categories are
    // then read in a pass of their own first.
    bool RestrictsCategories() const;
    // The records whose categories pass the filter, in database order.
    std::vector<CEOID> ChooseByCategory(CeDb& db, CeDbRecord& record);
    // File the chosen records or every record; false when a stop was asked
    // for.
    bool FileChosenRecords(CeDb& db, CeDbRecord& record, const std::vector<CEOID>& chosen, CeManualEvent* stopEvent);
    bool FileAllRecords(CeDb& db, CeDbRecord& record, CeManualEvent* stopEvent);
    // Reads the record at the handle's position (which then moves on) into
    // record's buffer; read tells whether it could be read. False past the
    // last record.
    bool ReadNextRecord(CeDb& db, CeDbRecord& record, USHORT count, ULONG* ids, bool& read);
    // Reads the record at the database's position and files it.
    void FileCurrentRecord(CeDb& db, CeDbRecord& record);
    void FileRecord(CeDbRecord& record);
    // The properties a load reads (m_readIds): those of SetPropIds that
    // the list uses under the settings in force.
    void ChooseReadProps();
    // Links children to their parents, counts the active tasks and sorts.
    // read: the database held records.
    void CompleteList(bool read);
    // Closes the databases the load opened; a stopped load drops its
    // database object.
    void CloseLoad(CeDb* db, bool finished);

    // ---- filing ----
    // The steps of AddNewTask.
    struct FilterValues;
    void PrepareSingleUpdate();
    FilterValues ReadFilterValues(CeDbRecord& record) const;
    bool PassesFilters(CeDbRecord& record, const FilterValues& values, bool single);
    // Counts an included task; false when it is complete and completed tasks
    // are not shown.
    bool CountIncluded(bool complete);
    // Removes the row at position (if any) of a task the filters turned away.
    void DropFilteredTask(CeDbRecord& record, int position);
    // A new row, or the one at position emptied for refilling (formerIndex:
    // its place in its group).
    DATATASKS* RowForPosition(int position, DATATASKS* existing, bool single, long& formerIndex);
    void FillFilteredRow(DATATASKS* row, CeDbRecord& record, const FilterValues& values);
    bool PassesDateRule(const DATATASKS& task, bool hasDue, bool hasStart, LONG due, LONG start, LONG completed);
    bool PassesProjectTest(CeDbRecord& record, DWORD oid);
    void FillRow(DATATASKS* row, CeDbRecord& record);
    // Gives row a copy of the count units at text as its subject.
    void SetSubject(DATATASKS* row, const WCHAR* text, size_t count);
    // The rows' shared copy of the categories display string of a categories
    // blob (assembled and looked up once per load for each combination).
    const WCHAR* CategoriesText(const CEBLOB& blob);
    // Adds delta to the counters row raises; totals: also included and
    // completed (which the filters count for a new row).
    void CountRow(const DATATASKS* row, int delta, bool totals);
    void SetTodayFromClock();

    // ---- grouping ----
    long AddToGroup(DATATASKS* row, bool remove, long index);
    DATATASKS* CreateGroup(DATATASKS* header);
    void AddGroupChild(DATATASKS* task, DATATASKS* header, long index);
    bool AddGroupHeader(DATATASKS* header);
    bool IsGroupHeaderOpen(DATATASKS* header);
    void SetGroupHeaderOpen(DATATASKS* header, bool open);
    // The fixed headers of the groupings that have them.
    void CreateFixedHeaders();
    DATATASKS* CreateFixedHeader(UINT text);
    void CreateImportanceHeaders();
    void CreateProgressHeaders();
    void CreateCompletionHeaders();
    // The letters A to Z (namedOnly: only those with a heading of their own)
    // and the header without a letter.
    void CreatePriorityHeaders(bool namedOnly);
    DATATASKS* NewHeader(const WCHAR* text);
    void AddToCategoryGroup(DATATASKS* row, long index);
    void AddToImportanceGroup(DATATASKS* row, long index);
    void AddToPriorityGroup(DATATASKS* row, long index);
    void AddToProgressGroup(DATATASKS* row, long index);
    void AddToCompletionGroup(DATATASKS* row, long index);
    void AddToDateGroup(DATATASKS* row, long index);
    DATATASKS* NoneHeader(bool create);
    bool GroupStateName(DATATASKS* header, WCHAR* name, int size);
    void ClearGroups();
    void ClearData();
    // Deletes every header (the display list must not hold them any more).
    void DeleteAllHeaders();

    // ---- the tree ----
    int FindRowByOid(DWORD oid);
    int PositionOf(const DATATASKS* row);
    // Takes row off the display list and frees it (headers belong to the
    // group list); while linking, removals are collected and done at the end.
    void RemoveRow(DATATASKS* row);
    // Removes row and everything below it from the display list.
    int RemoveSubtree(DATATASKS* row);
    void RemoveRowsWithOid(DWORD oid, DATATASKS* keep);
    // row's children move up to row's parent; store writes their links.
    void PromoteChildren(DATATASKS* row, bool store);
    void LinkChild(DATATASKS* row, DATATASKS* parent, bool noDuplicates);
    // The steps of SetChildToParents.
    struct LinkPass;
    void LinkToParent(DATATASKS* row, LinkPass& pass);
    // Files the filtered-out parent parentOid as a row kept for its
    // children; null when it cannot be read.
    DATATASKS* AddKeptParent(DWORD parentOid, LinkPass& pass);
    // The row stands at top level from now on.
    void DropParentLink(DATATASKS* row);
    // Marks for removal the task rows without a parent.
    void DropTopLevelRows();
    // Does the removals collected while linking.
    void RemovePendingRows();
    void RemoveFromCounters(DATATASKS* row);
    void DetachFromParent(DATATASKS* row);
    bool m_bDeferRemoval = false;
    std::set<DATATASKS*> m_pendingRemoval;

    // ---- sorting ----
    TasksCompareFn HeaderComparison() const;
    void RecountDisplayed();

    TasksViewSettings m_settings;
    TasksSortState m_sortState;      // bound to the sorting thread by SortDataList
    CePtrList<DATATASKS*> m_list;    // display list, index base 1
    CePtrList<DATATASKS*> m_groups;  // headers, index base 0, owned
    std::set<DWORD> m_excluded;      // tasks that left the project or day view
    // Category headers by name (views of their own category strings).
    std::unordered_map<std::u16string_view, DATATASKS*> m_categoryHeaders;
    std::unique_ptr<CTaskProjects> m_projects;
    double m_onDate;
    int m_today;
    bool m_bManualSettings;
    HWND m_hNotify;
    ULONG m_propIds[kTasksPropertyCount];
    int m_propCount;
    ULONG m_readIds[kTasksPropertyCount];
    int m_readCount;
    // A load's categories display strings (in m_rowCategoryTexts) by the
    // categories blob's bytes: tasks share a few combinations of categories.
    std::unordered_map<std::string, const WCHAR*> m_categoryTexts;
    // The category texts the rows point to (kTaskSharesCategories): one copy
    // of each, kept until the rows are deleted.
    std::unordered_set<std::u16string> m_rowCategoryTexts;
    // The rows' subjects (kTaskSharesSubject), kept until the rows are deleted.
    TextArena m_subjectTexts;

    int m_included = 0, m_completed = 0, m_overdue = 0, m_dueToday = 0;
    int m_high = 0, m_normal = 0, m_low = 0, m_partial = 0;
    int m_displayed = 0, m_treeRows = 0, m_withParent = 0;
    bool m_bTreeExpanded = false;
    bool m_bFixedHeadersMade = false;
    SHORT m_busy = 0;
    // Refreshing: whether the last load finished, and the tasks it counted
    // as included without giving them a row (completed, not shown).
    bool m_bListWhole = false;
    std::vector<CEOID> m_countedUnlisted;
    bool RefreshAllowed();
    // True when the subjects of refilled and dropped rows hold more of the
    // arena than the rows' own: a refresh declines, and a load frees them.
    bool SubjectTextsMostlyDead() const;
};
