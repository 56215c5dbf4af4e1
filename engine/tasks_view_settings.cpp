#include "engine/tasks_view_settings.h"

#include "platform/files/registry.h"
#include "storage/c_registry.h"

namespace {

bool ReadInt(CRegistry& key, const WCHAR* name, int& out)
{
    int value = 0;
    if (key.QueryValue(name, &value) != 0) return false;
    out = value;
    return true;
}

bool ReadFlag(CRegistry& key, const WCHAR* name, bool& out)
{
    int value = 0;
    if (!ReadInt(key, name, value)) return false;
    out = value != 0;
    return true;
}

}  // namespace

void TasksViewSettings::Read(const WCHAR* key)
{
    *this = TasksViewSettings{};
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, key) == 1) {
        ReadInt(settings, u"TV_FilterData", filterRule);
        ReadInt(settings, u"TV_FilterPrivacy", filterPrivacy);
        ReadInt(settings, u"TV_FilterPriority", filterPriority);
        int days = 0;
        if (ReadInt(settings, u"TV_DaysFuture", days)) daysFuture = days;
        ReadFlag(settings, u"bShowCompleted", showCompleted);
        ReadFlag(settings, u"bShowUndated", showUndated);
        ReadInt(settings, u"GroupBy", groupBy);
        ReadFlag(settings, u"bShowExpanded", showExpanded);
        ReadFlag(settings, u"bAlwaysShowNamedHeaders", alwaysShowNamedHeaders);
        if (filterRule == kTasksRuleProject) {
            int project = 0;
            if (ReadInt(settings, u"FCCurrentProjectOID", project)) projectOid = static_cast<DWORD>(project);
        }
    }
    // A group kind the list does not know shows the list ungrouped.
    if (groupBy < kTasksGroupNone || groupBy > kTasksGroupProject) groupBy = kTasksGroupNone;
    CRegistry headings;
    customHeadings = headings.Exists(HKEY_CURRENT_USER, kTasksGroupHeadingsKey) == 1 && headings.ValueCount() > 0;
    ApplyOverrides();
}

void TasksViewSettings::ApplyUpdateOverrides()
{
    if (filterRule == kTasksRuleUndated) showUndated = true;
    if (filterRule == kTasksRuleCompleted) showCompleted = showUndated = true;
}

void TasksViewSettings::ApplyOverrides()
{
    readParent = false;
    ApplyUpdateOverrides();
    switch (filterRule) {
        case kTasksRuleOnDate:
            groupBy = kTasksGroupNone;
            showUndated = false;
            showCompleted = true;
            readParent = true;
            break;
        case kTasksRuleUnplanned:
            groupBy = kTasksGroupNone;
            showUndated = true;
            showCompleted = false;
            readParent = true;
            break;
        case kTasksRuleProject:
            groupBy = kTasksGroupProject;
            showCompleted = true;
            readParent = true;
            break;
        default:
            break;
    }
    if (groupBy == kTasksGroupCompletion) showCompleted = true;
    if (groupBy == kTasksGroupPriorityManager) showCompleted = false;
    if (groupBy == kTasksGroupProject) readParent = true;
}
