// SampleAppointmentCoverage: the appointments every sample store starts
// with, chosen so that even a small store shows each recurrence kind with
// each way of ending, changed, moved and deleted occurrences, appointments
// kept in their own time zone, multi-day and all-day entries, birthdays,
// anniversaries, holidays, meetings and private entries.
#pragma once

#include <vector>

#include "tools/kstools/sample/sample_appointment_plan.h"
#include "tools/kstools/sample/sample_calendar.h"

namespace kstools {

class SampleAppointmentCoverage {
public:
    static std::vector<SampleAppointmentPlan> Plans(const SampleCalendar& calendar);
};

}  // namespace kstools
