// The task list drawn in a grid: a narrow column with the priority code, and
// a wide one with the subject (indented by its depth in the task tree, struck
// through when complete, red when overdue), the due date at the right, and a
// grey line of start date, progress, categories and marks below. Category
// headers and other group headers open and close.
#pragma once

#include <string>
#include <vector>

#include "grid/list_rows.h"

class DATATASKS;

// The two cells of one task row.
std::vector<std::u16string> TaskRowCells(const DATATASKS& task);

// The rows of the loader's list: each top-level row (no parent) followed by
// its descendants, those of a closed parent task left out.
CListRows TaskListRows(const std::vector<const DATATASKS*>& list);
