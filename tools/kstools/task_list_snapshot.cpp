#include "tools/kstools/task_list_snapshot.h"

#include <set>

#include "engine/loader_host.h"
#include "engine/tasks_thread.h"
#include "platform/text/utf8.h"
#include "tools/kstools/cli_context.h"

namespace kstools {
namespace {



TaskListRow CopyRow(const DATATASKS& row)
{
    TaskListRow out;
    out.header = row.IsHeader();
    out.oid = row.oid;
    out.parentOid = row.parentOid;
    out.depth = row.depth;
    out.hidden = row.hidden != 0;
    out.expanded = row.expanded != 0;
    out.children = row.NumChildren();
    out.importance = row.importance;
    out.priority = WideToUtf8(row.priorityLetter) + WideToUtf8(row.priorityNumber);
    out.subject = WideToUtf8(row.subject);
    out.categories = WideToUtf8(row.categories);
    out.due = row.dueDate;
    out.start = row.startDate;
    out.completed = row.completionDate;
    out.percent = row.percentComplete;
    out.complete = row.complete != 0;
    out.overdue = row.overdue != 0;
    out.dueToday = row.dueToday != 0;
    out.note = row.hasNote != 0;
    out.links = row.hasLinks != 0;
    out.journal = row.hasJournal != 0;
    out.privateTask = row.sensitivity != 0;
    out.keptAsParent = row.keptAsParent != 0;
    out.rank = row.rank;
    out.order = row.order;
    return out;
}

// Depth-first below row; seen guards against a damaged tree that loops.
void CopySubtree(const DATATASKS* row, std::vector<TaskListRow>& out, std::set<const DATATASKS*>& seen)
{
    if (!row || !seen.insert(row).second) return;
    out.push_back(CopyRow(*row));
    for (DATATASKS* child : const_cast<DATATASKS*>(row)->children) CopySubtree(child, out, seen);
}

TaskListSnapshot Capture(CTasksThread& loader, TaskListOrder order)
{
    TaskListSnapshot snapshot;
    CePtrList<DATATASKS*>& list = loader.GetDataList();
    if (order == TaskListOrder::DisplayList) {
        for (DATATASKS* row : list) {
            if (row) snapshot.rows.push_back(CopyRow(*row));
        }
    } else {
        std::set<const DATATASKS*> seen;
        for (DATATASKS* row : list) {
            if (row && !row->parent) CopySubtree(row, snapshot.rows, seen);
        }
    }
    TaskListCounts& c = snapshot.counts;
    c.included = loader.GetIncludedCount();
    c.completed = loader.GetCompletedCount();
    c.overdue = loader.GetOverdueCount();
    c.dueToday = loader.GetDueTodayCount();
    c.high = loader.GetHighCount();
    c.normal = loader.GetNormalCount();
    c.low = loader.GetLowCount();
    c.partial = loader.GetPercentageCount();
    c.displayed = loader.GetDisplayedCount();
    return snapshot;
}

}  // namespace

TaskListSnapshot CaptureTaskList(CTasksThread& loader, TaskListOrder order) { return Capture(loader, order); }

void LoadTaskListWith(CTasksThread& loader, const std::function<void()>& read)
{
    LoaderHost host;
    if (!host.Window()) throw CommandError("the task list cannot be loaded: no window for the loader");
    loader.SetNotifyWindow(host.Window());
    bool completed = false;
    // The loader waits inside its report until this returns, so the list
    // cannot change while it is read.
    host.OnComplete([&](LPARAM) {
        read();
        completed = true;
    });
    const bool ended = host.Run(loader, kListLoadTimeoutMs);
    loader.SetNotifyWindow(nullptr);
    if (!ended && !completed) throw CommandError("the task list did not finish loading");
    if (!completed) throw CommandError("the task loader ended without handing over a list");
}

TaskListSnapshot LoadTaskList(CTasksThread& loader, TaskListOrder order)
{
    TaskListSnapshot snapshot;
    LoadTaskListWith(loader, [&] { snapshot = Capture(loader, order); });
    return snapshot;
}

}  // namespace kstools
