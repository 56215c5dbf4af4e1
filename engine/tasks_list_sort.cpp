#include "engine/tasks_list_sort.h"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/tasks_row_order.h"
#include "platform/kernel/thread.h"

namespace {

using Rows = std::vector<DATATASKS*>;

// Quicksort on an array: middle pivot, three-way partition (rows equal to
// the pivot are settled at once, so many equal keys cost no more than
// distinct ones), and an explicit stack of ranges that holds the larger part
// while the smaller one is worked on.
// compare(pivot, element) is negative when pivot goes first. An element goes
// before the pivot when the comparison is positive (ascending) or negative
// (descending), with it when 0.
template <class Compare>
void QuickSortRows(Rows& rows, const Compare& compare, bool ascending)
{
    std::vector<std::pair<size_t, size_t>> ranges;  // [first, last)
    ranges.emplace_back(0, rows.size());
    while (!ranges.empty()) {
        auto [first, last] = ranges.back();
        ranges.pop_back();
        while (last - first > 1) {
            platform::ThreadCheckPoint();  // a killed loader leaves a long sort here
            DATATASKS* pivot = rows[first + (last - first) / 2];
            size_t lt = first;  // [first, lt) before the pivot
            size_t i = first;   // [lt, i) with the pivot
            size_t gt = last;   // [gt, last) after the pivot
            while (i < gt) {
                DATATASKS* element = rows[i];
                const int c = element == pivot ? 0 : compare(pivot, element);
                if (c != 0 && (c > 0) == ascending) {
                    std::swap(rows[lt++], rows[i++]);
                } else if (c != 0) {
                    std::swap(rows[i], rows[--gt]);
                } else {
                    ++i;
                }
            }
            // The pivot itself always lands in the middle part, so both
            // remaining parts are smaller than the range.
            if (lt - first < last - gt) {
                ranges.emplace_back(gt, last);
                last = lt;
            } else {
                ranges.emplace_back(first, lt);
                first = gt;
            }
        }
    }
}

// Sorts rows by compare. The comparisons that read a sort state run over one
// copy of it, called directly rather than through the pointer; the order is
// the same either way.
void SortRows(Rows& rows, TasksCompareFn compare, bool ascending)
{
    TasksRowOrder::Key key;
    if (!TasksRowOrder::KeyOf(compare, &key)) {
        QuickSortRows(rows, [compare](DATATASKS* a, DATATASKS* b) { return compare(a, b, 0); }, ascending);
        return;
    }
    const TasksRowOrder order(TasksSortState::Current());
    QuickSortRows(rows, [&order, key](DATATASKS* a, DATATASKS* b) { return order.Compare(key, a, b); }, ascending);
}

// Every row that has children, each once, found without recursion.
template <class List>
std::vector<DATATASKS*> ParentsBelow(const List& top)
{
    std::vector<DATATASKS*> parents;
    std::unordered_set<DATATASKS*> seen;
    std::vector<DATATASKS*> pending;
    for (DATATASKS* row : top) pending.push_back(row);
    while (!pending.empty()) {
        DATATASKS* row = pending.back();
        pending.pop_back();
        if (!row || row->children.GetCount() == 0 || !seen.insert(row).second) continue;
        parents.push_back(row);
        for (DATATASKS* child : row->children) pending.push_back(child);
    }
    return parents;
}

// Calls visit for every row in display order: each row followed depth-first
// by its children. A row met again on its own path (a cycle of damaged
// links) is not entered again. The order itself is never stored, so a walk
// of the whole list allocates only for the path.
template <class Visit>
void ForEachInTree(const CePtrList<DATATASKS*>& top, Visit visit)
{
    struct Frame {
        DATATASKS* row;
        TaskChildren::iterator next;
    };
    std::vector<Frame> stack;
    std::unordered_set<DATATASKS*> onPath;
    auto enter = [&](DATATASKS* row) {
        visit(row);
        if (row && row->children.GetCount() > 0 && onPath.insert(row).second) {
            stack.push_back({row, row->children.begin()});
        }
    };
    for (DATATASKS* row : top) {
        enter(row);
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.row->children.end()) {
                onPath.erase(frame.row);
                stack.pop_back();
                continue;
            }
            DATATASKS* child = *frame.next;
            ++frame.next;
            enter(child);
        }
    }
}

// Sorts the children of a row in place.
void SortChildren(TaskChildren& children, TasksCompareFn compare)
{
    Rows* rows = children.Items();
    if (compare && rows && rows->size() > 1) SortRows(*rows, compare, true);
}

// Every row's children recursively, then top itself.
template <class List, class SortTop>
void SortTree(List& top, TasksCompareFn compare, SortTop sortTop)
{
    for (DATATASKS* parent : ParentsBelow(top)) SortChildren(parent->children, compare);
    sortTop(top);
}

}  // namespace

void TasksQuickSort(CePtrList<DATATASKS*>& list, TasksCompareFn compare, bool ascending)
{
    if (!compare || list.GetCount() < 2) return;
    Rows rows;
    rows.reserve(list.GetCount());
    for (DATATASKS* row : list) rows.push_back(row);
    SortRows(rows, compare, ascending);
    // The same rows go back into the same nodes: no copy or free policy
    // of the list is involved.
    size_t i = 0;
    for (auto it = list.begin(); it != list.end(); ++it) *it = rows[i++];
}

void SortHierTasks(CePtrList<DATATASKS*>& top, TasksCompareFn compare)
{
    SortTree(top, compare, [&](CePtrList<DATATASKS*>& list) { TasksQuickSort(list, compare, true); });
}

void SortGroupTasks(CePtrList<DATATASKS*>& top, TasksCompareFn headerCompare, TasksCompareFn primary)
{
    for (DATATASKS* header : top) {
        if (header) SortTree(header->children, primary, [&](TaskChildren& rows) { SortChildren(rows, primary); });
    }
    // Headers are ordered without the hidden flag and the tie-break; the
    // comparison inverts under a descending direction and so does the sort,
    // which keeps the headers in their comparison's own order.
    TasksSortState& state = TasksSortState::Current();
    state.BeginSecondaryPhase();
    TasksQuickSort(top, headerCompare, !state.Prefs().primaryDescending);
    state.BeginPrimaryPhase();
}

int LoadHierTasks(const CePtrList<DATATASKS*>& top, CePtrList<DATATASKS*>& display, Rows* unlinked, bool reuseNodes)
{
    int rows = 0;
    ForEachInTree(top, [&](DATATASKS* row) { rows += row ? 1 : 0; });
    // The rows go to the list's existing nodes when there are as many, else
    // into new ones after the list is emptied (without freeing the rows:
    // they live on in the tree and their lists).
    auto next = display.begin();
    const bool reuse = reuseNodes && rows == display.GetCount();
    if (!reuse) {
        if (unlinked) unlinked->assign(display.begin(), display.end());
        while (display.GetCount() > 0) display.RemoveAt(display.GetIndexBase(), false);
    }
    auto place = [&](DATATASKS* row) {
        if (!reuse)
            display.Append(row);
        else
            *next++ = row;
    };
    int visible = 0;
    Rows hidden;
    ForEachInTree(top, [&](DATATASKS* row) {
        if (!row) return;
        if (row->hidden) {
            hidden.push_back(row);
        } else {
            place(row);
            ++visible;
        }
    });
    // Hidden rows fill the list from the back, so they stand in reverse.
    for (auto it = hidden.rbegin(); it != hidden.rend(); ++it) place(*it);
    return visible;
}
