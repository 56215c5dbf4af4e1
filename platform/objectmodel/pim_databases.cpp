#include "platform/objectmodel/pim_databases.h"

#include <initializer_list>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/handle.h"
#include "platform/text/wide_string.h"

namespace {

struct DatabaseShape {
    const WCHAR* name;
    std::initializer_list<SORTORDERSPEC> sorts;
};

// The first sort order is the one a plain open (sort property 0) reads in.
const DatabaseShape kShapes[] = {
    // Appointments by start time (UTC); by the recurrence pattern, which
    // gathers the recurring ones (records without a pattern come last); by
    // duration, which finds the long ones. A calendar range reads these
    // three instead of the whole database.
    {kAppointmentsDatabase, {{kAppointmentStart, 0}, {kAppointmentRecurrencePattern, 0}, {kAppointmentDuration, 0}}},
    // Tasks by due date, undated ones last; by subject for the priority codes.
    {kTasksDatabase, {{kTaskDueDate, 0}, {kTaskSubject, CEDB_SORT_CASEINSENSITIVE}}},
    // Contacts by their file-as name.
    {kContactsDatabase, {{kContactFileAs, CEDB_SORT_CASEINSENSITIVE}}},
    // Categories by name.
    {kCategoriesDatabase, {{kCategoryName, CEDB_SORT_CASEINSENSITIVE}}},
};

CEOID Find(LPCWSTR name, PCEGUID volume)
{
    CEOID oid = 0;
    HANDLE db = CeOpenDatabaseEx(volume, &oid, name, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(db);
    return oid;
}

CEOID Create(const DatabaseShape& shape, PCEGUID volume)
{
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
    wcsncpy(info.szDbaseName, shape.name, CEDB_MAXDBASENAMELEN - 1);
    for (const SORTORDERSPEC& sort : shape.sorts) info.rgSortSpecs[info.wNumSortOrder++] = sort;
    CEOID oid = CeCreateDatabaseEx(volume, &info);
    // Another thread or process may have made it meanwhile.
    if (!oid && GetLastError() == ERROR_DUP_NAME) oid = Find(shape.name, volume);
    return oid;
}

// A database made when its shape had fewer sort orders (the ones it has
// are the shape's first ones) is given the rest. Failing that (a handle is
// open on it), it keeps working with the ones it has.
void AddMissingSorts(const DatabaseShape& shape, CEOID oid, PCEGUID volume)
{
    CEOIDINFO info{};
    if (!CeOidGetInfoEx(volume, oid, &info) || info.wObjType != OBJTYPE_DATABASE) return;
    const CEDBASEINFO& have = info.infDatabase;
    if (have.wNumSortOrder >= shape.sorts.size()) return;
    for (WORD i = 0; i < have.wNumSortOrder; ++i) {
        const SORTORDERSPEC& want = shape.sorts.begin()[i];
        if (have.rgSortSpecs[i].propid != want.propid || have.rgSortSpecs[i].dwFlags != want.dwFlags) return;
    }
    CEDBASEINFO grown{};
    grown.dwFlags = CEDB_VALIDSORTSPEC;
    for (const SORTORDERSPEC& sort : shape.sorts) grown.rgSortSpecs[grown.wNumSortOrder++] = sort;
    CeSetDatabaseInfoEx(volume, oid, &grown);
}

CEOID EnsureOne(const DatabaseShape& shape, PCEGUID volume)
{
    CEOID oid = Find(shape.name, volume);
    return oid ? oid : Create(shape, volume);
}

}  // namespace

bool PimDatabases::Ensure(PCEGUID volume)
{
    bool all = true;
    for (const DatabaseShape& shape : kShapes) {
        const CEOID oid = EnsureOne(shape, volume);
        if (oid) AddMissingSorts(shape, oid, volume);
        all = oid != 0 && all;
    }
    return all;
}

CEOID PimDatabases::Oid(LPCWSTR name, PCEGUID volume)
{
    for (const DatabaseShape& shape : kShapes) {
        if (name && _wcsicmp(name, shape.name) == 0) return EnsureOne(shape, volume);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}
