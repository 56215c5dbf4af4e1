// StoreSummary: what the personal-information store holds, read through the
// object model: items per kind, recurring appointments, and the next
// appointments from now on (recurring ones by their next occurrence, with
// deleted occurrences skipped and moved ones at their new time).
#pragma once

#include <string>
#include <vector>

#include "platform/base/types.h"
#include "storage/c_outlook.h"

namespace kstools {

struct UpcomingAppointment {
    DATE start = 0;
    std::u16string subject;
    bool recurring = false;
};

struct StoreSummary {
    int appointments = 0;
    int recurringAppointments = 0;
    int tasks = 0;
    int completedTasks = 0;
    int contacts = 0;
    std::vector<UpcomingAppointment> upcoming;  // soonest first

    bool IsEmpty() const { return appointments == 0 && tasks == 0 && contacts == 0; }

    // Reads the store; `upcomingCount` appointments from `now` (a local
    // OLE date) on. Throws CommandError when the store cannot be read.
    static StoreSummary Read(COutlook& outlook, DATE now, size_t upcomingCount);
};

}  // namespace kstools
