// How kstools shows task-list rows: an aligned table for people (headers as
// capitalised lines, two spaces of indentation per tree level) and typed JSON
// for programs.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/kstools/task_list_snapshot.h"

namespace kstools {

// A row's date in the locale's short date form, "-" for "no date".
std::string TaskShortDate(double date);
// "yyyy-mm-dd", or null for "no date" and dates outside the calendar.
nlohmann::ordered_json TaskIsoDate(double date);
// One letter per mark, in this order: C complete, ! overdue, T due today,
// N note, L links, J journal, P private, K kept only as a parent, + a parent
// whose children are closed; "-" for none.
std::string TaskFlags(const TaskListRow& row);
// "high", "normal", "low" or "none" (the header of tasks without priority).
std::string ImportanceName(LONG importance);

nlohmann::ordered_json TaskRowJson(const TaskListRow& row);
nlohmann::ordered_json TaskCountsJson(const TaskListCounts& counts);

// Prints rows as a table with a heading line; extraIndent levels are added
// to every row's own depth.
void PrintTaskTable(const std::vector<TaskListRow>& rows, int extraIndent = 0);
void PrintTaskCounts(const TaskListCounts& counts);

}  // namespace kstools
