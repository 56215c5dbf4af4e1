// The options of one task list, as its settings key holds them, with the
// overrides that filter rules and group kinds impose on each other.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

// Filter rules (the task window's view commands, stored as "TV_FilterData").
inline constexpr int kTasksRuleAll = 42250;
inline constexpr int kTasksRuleToday = 42251;
inline constexpr int kTasksRuleOverdue = 42252;
inline constexpr int kTasksRuleUndated = 42253;
inline constexpr int kTasksRuleActive = 42255;
inline constexpr int kTasksRuleTomorrow = 42256;
inline constexpr int kTasksRuleCompleted = 42258;
inline constexpr int kTasksRuleDaysAhead = 42259;
inline constexpr int kTasksRuleOnDate = 42260;
inline constexpr int kTasksRuleUnplanned = 42261;
inline constexpr int kTasksRuleProject = 42262;

// Group kinds ("GroupBy").
inline constexpr int kTasksGroupNone = 0;
inline constexpr int kTasksGroupCategory = 1;
inline constexpr int kTasksGroupImportance = 2;
inline constexpr int kTasksGroupPriority = 3;
inline constexpr int kTasksGroupProgress = 4;
inline constexpr int kTasksGroupCompletion = 5;
inline constexpr int kTasksGroupDate = 6;
inline constexpr int kTasksGroupPriorityManager = 7;
inline constexpr int kTasksGroupProject = 8;

inline constexpr const WCHAR* kTasksSettingsKey = u"Software\\Corvid\\Kestrel\\TV";
// Header open states and custom headings are shared by every task list,
// whatever key its other settings come from.
inline constexpr const WCHAR* kTasksGroupStateKey = u"Software\\Corvid\\Kestrel\\TV\\GroupState";
inline constexpr const WCHAR* kTasksGroupHeadingsKey = u"Software\\Corvid\\Kestrel\\TV\\GroupHeadings";

struct KSTOOLS_API TasksViewSettings {
    int filterRule = kTasksRuleAll;
    int filterPrivacy = -1;  // -1 all, 0 normal only, 1 private only
    int filterPriority = 4;  // 0..2 that importance only; 3 or more all
    LONG daysFuture = 949998;
    bool showCompleted = false;
    bool showUndated = true;
    int groupBy = kTasksGroupNone;
    bool showExpanded = false;
    bool alwaysShowNamedHeaders = false;
    DWORD projectOid = 0;         // "FCCurrentProjectOID", read only under the project rule
    bool readParent = false;      // the parent property is read with each task
    bool customHeadings = false;  // kTasksGroupHeadingsKey holds at least one value

    // Reads every value from key (under the current user); a value that
    // cannot be read keeps its default. Then ApplyOverrides.
    void Read(const WCHAR* key);
    // What the filter rule forces, then what the group kind forces.
    void ApplyOverrides();
    // The part of the overrides a single-task update repeats (rules 42253
    // and 42258).
    void ApplyUpdateOverrides();

    bool Grouped() const { return groupBy >= kTasksGroupCategory && groupBy <= kTasksGroupPriorityManager; }
    bool ProjectView() const { return filterRule == kTasksRuleProject; }
    // Rules 42260 and 42261, which list tasks of a day or unplanned tasks
    // without their trees.
    bool DayRule() const { return filterRule == kTasksRuleOnDate || filterRule == kTasksRuleUnplanned; }
    bool operator==(const TasksViewSettings&) const = default;
};
