// SampleTaskPlanner: the tasks of a sample store. The first few are fixed so
// that every store has priority codes with and without numbers, tasks that
// regenerate, recurring, completed, overdue, private and undated tasks; the
// rest are drawn at random around today.
#pragma once

#include <vector>

#include "tools/kstools/sample/sample_calendar.h"
#include "tools/kstools/sample/sample_random.h"
#include "tools/kstools/sample/sample_task_plan.h"

namespace kstools {

class SampleTaskPlanner {
public:
    SampleTaskPlanner(const SampleCalendar& calendar, SampleRandom& random) : m_calendar(calendar), m_random(random) {}

    static std::vector<SampleTaskPlan> Coverage(const SampleCalendar& calendar);
    SampleTaskPlan Next();

private:
    std::u16string RandomPrefix();

    const SampleCalendar& m_calendar;
    SampleRandom& m_random;
};

}  // namespace kstools
