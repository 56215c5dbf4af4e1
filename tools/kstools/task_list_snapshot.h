// TaskListSnapshot: what a task window would show after one load of the
// task loader, copied out of the loader's display list while the loader waits
// for the window to read it, so that printing never races a later load.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/types.h"

class CTasksThread;

namespace kstools {

// One row as the window receives it: a group header or a task.
struct TaskListRow {
    bool header = false;
    DWORD oid = 0;
    DWORD parentOid = 0;
    int depth = 0;
    bool hidden = false;
    bool expanded = false;
    int children = 0;      // direct children (tasks under a header, or child tasks)
    LONG importance = 1;   // 0 low, 1 normal, 2 high, 3 the "none" header
    std::string priority;  // letter and number of the priority code, e.g. "A12"
    std::string subject;   // without the priority prefix; a header's text
    std::string categories;
    double due = 0;
    double start = 0;
    double completed = 0;
    int percent = 0;
    bool complete = false;
    bool overdue = false;
    bool dueToday = false;
    bool note = false;
    bool links = false;
    bool journal = false;
    bool privateTask = false;
    bool keptAsParent = false;
    LONG rank = 0;
    LONG order = 0;
};

struct TaskListCounts {
    int included = 0;
    int completed = 0;
    int overdue = 0;
    int dueToday = 0;
    int high = 0;
    int normal = 0;
    int low = 0;
    int partial = 0;
    int displayed = 0;
};

struct TaskListSnapshot {
    std::vector<TaskListRow> rows;
    TaskListCounts counts;
};

// How the rows are copied: in display-list order (the visible rows first, as
// the window draws them, then the hidden ones), or as trees: each top-level
// row followed depth-first by all its descendants, open or closed.
enum class TaskListOrder { DisplayList, Tree };

// Runs one load of loader through a message-only window on this thread, as a
// task window does, and copies the finished list when the loader reports it.
// Throws CommandError when the load cannot run or does not finish.
TaskListSnapshot LoadTaskList(CTasksThread& loader, TaskListOrder order);
// The list of a loader that holds one (after a load or a refresh), copied as
// LoadTaskList copies it.
TaskListSnapshot CaptureTaskList(CTasksThread& loader, TaskListOrder order);
// The same load; read is called while the loader waits with its list.
void LoadTaskListWith(CTasksThread& loader, const std::function<void()>& read);

}  // namespace kstools
