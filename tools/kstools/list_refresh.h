// Bringing a loaded list up to date after a burst of store changes without
// loading it again: each function refreshes the rows the burst names and
// returns false when the list must be loaded again instead (the burst says
// to read everything or names too many records, the category database
// changed, or the loader declines).
#pragma once

#include <vector>

#include "engine/store_change_watch.h"

class CCalendarThread;
class CContactsThread;
class CTasksThread;

namespace kstools {

bool RefreshContactRows(CContactsThread& loader, const std::vector<STORECHANGE>& changes);
bool RefreshTaskRows(CTasksThread& loader, const std::vector<STORECHANGE>& changes);
// Appointments by their rows, the task rows when tasks changed; a change to
// a contact (birthdays, anniversaries) loads again.
bool RefreshCalendarRows(CCalendarThread& loader, const std::vector<STORECHANGE>& changes);

}  // namespace kstools
