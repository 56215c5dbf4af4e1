#include "tools/kstools/list_refresh.h"

#include "engine/calendar_thread.h"
#include "engine/contacts_thread.h"
#include "engine/store_change_burst.h"
#include "engine/tasks_thread.h"
#include "platform/objectmodel/pim_databases.h"

namespace kstools {

namespace {

// Rows show their categories' names and are filed under the category filter:
// any change to the category database asks for a full load.
bool CategoriesChanged(const std::vector<STORECHANGE>& changes)
{
    const StoreChangeBurst categories = SummariseChanges(changes, PimDatabases::Oid(kCategoriesDatabase));
    return categories.readAll || !categories.records.empty();
}

}  // namespace

bool RefreshContactRows(CContactsThread& loader, const std::vector<STORECHANGE>& changes)
{
    if (CategoriesChanged(changes)) return false;
    const StoreChangeBurst burst = SummariseChanges(changes, PimDatabases::Oid(kContactsDatabase));
    return !BurstNeedsReload(burst, loader.CatCache().size()) && loader.RefreshRecords(burst.records);
}

bool RefreshTaskRows(CTasksThread& loader, const std::vector<STORECHANGE>& changes)
{
    if (CategoriesChanged(changes)) return false;
    const StoreChangeBurst burst = SummariseChanges(changes, PimDatabases::Oid(kTasksDatabase));
    return !BurstNeedsReload(burst, static_cast<size_t>(loader.GetDataList().GetCount())) &&
           loader.RefreshRecords(burst.records);
}

bool RefreshCalendarRows(CCalendarThread& loader, const std::vector<STORECHANGE>& changes)
{
    const StoreChangeBurst appointments = SummariseChanges(changes, PimDatabases::Oid(kAppointmentsDatabase));
    const StoreChangeBurst tasks = SummariseChanges(changes, PimDatabases::Oid(kTasksDatabase));
    const StoreChangeBurst contacts = SummariseChanges(changes, PimDatabases::Oid(kContactsDatabase));
    if (contacts.readAll || !contacts.records.empty() || tasks.readAll || CategoriesChanged(changes)) return false;
    const size_t rows = static_cast<size_t>(loader.GetDataList().GetCount());
    if (BurstNeedsReload(appointments, rows) || BurstNeedsReload(tasks, rows)) return false;
    return loader.RefreshRecords(appointments.records, tasks.records);
}

}  // namespace kstools
