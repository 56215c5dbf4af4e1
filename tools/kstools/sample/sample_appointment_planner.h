// SampleAppointmentPlanner: the appointments of a sample store after the
// fixed coverage set, drawn at random around today: one-off appointments and
// meetings, and one in five recurring, some with changed, moved or deleted
// occurrences.
#pragma once

#include "tools/kstools/sample/sample_appointment_plan.h"
#include "tools/kstools/sample/sample_calendar.h"
#include "tools/kstools/sample/sample_random.h"

namespace kstools {

class SampleAppointmentPlanner {
public:
    SampleAppointmentPlanner(const SampleCalendar& calendar, SampleRandom& random)
        : m_calendar(calendar), m_random(random)
    {}

    SampleAppointmentPlan Next();

private:
    void MakeRecurring(SampleAppointmentPlan& plan);
    void AddExceptions(SampleAppointmentPlan& plan);
    std::u16string RandomCategories();

    const SampleCalendar& m_calendar;
    SampleRandom& m_random;
};

}  // namespace kstools
