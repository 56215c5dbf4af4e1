// SampleOccurrences: where the occurrences of a sample pattern fall, so that
// the generator can name an occurrence to change or delete. It assumes what
// the generator guarantees: the appointment starts on the first occurrence,
// and nth patterns name a single weekday.
#pragma once

#include "tools/kstools/sample/sample_appointment_plan.h"

namespace kstools {

class SampleOccurrences {
public:
    // The start (date and time) of occurrence k (0: the first) of the plan's pattern.
    static DATE Start(const SampleAppointmentPlan& plan, int k);
};

}  // namespace kstools
