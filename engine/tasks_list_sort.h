// Sorting and flattening of the task list: the in-place quicksort the list
// uses, the recursive sorts of trees and groups, and the walk that lays the
// sorted tree out as the display list with visible rows first.
#pragma once

#include <vector>

#include "engine/data_tasks.h"
#include "engine/tasks_compare.h"
#include "foundation/ce_ptr_list.h"

// Quicksort with the middle element as pivot and an explicit stack of
// ranges. Ascending: an element goes before the pivot when compare(pivot,
// element) is positive; descending: when negative. Lists of fewer than two
// rows are left alone. The list's current position is undefined afterwards.
void TasksQuickSort(CePtrList<DATATASKS*>& list, TasksCompareFn compare, bool ascending);

// Sorts every row's children recursively with compare, then top itself,
// ascending.
void SortHierTasks(CePtrList<DATATASKS*>& top, TasksCompareFn compare);
// Sorts every header's children (recursively) with primary, then sorts the
// headers with headerCompare in the secondary phase: ascending when the
// primary direction is ascending, descending otherwise. Leaves the primary
// phase restored.
void SortGroupTasks(CePtrList<DATATASKS*>& top, TasksCompareFn headerCompare, TasksCompareFn primary);
// Empties display (without deleting rows) and refills it from top, each
// row followed depth-first by its children: visible rows from the front in
// order, hidden rows from the back. Returns the number of visible rows. With
// reuseNodes, when the walk meets as many rows as display holds, display
// keeps its nodes and takes the rows in the new order; otherwise unlinked
// (when given) receives the rows display held.
int LoadHierTasks(const CePtrList<DATATASKS*>& top, CePtrList<DATATASKS*>& display,
                  std::vector<DATATASKS*>* unlinked = nullptr, bool reuseNodes = true);
