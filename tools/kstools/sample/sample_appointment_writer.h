// SampleAppointmentWriter: writes one planned appointment through the object
// model: the item and its fields, its attendees and own time zone, the
// recurrence pattern, then each changed, moved or deleted occurrence.
#pragma once

#include "platform/objectmodel/pocket_outlook.h"
#include "storage/c_outlook.h"
#include "tools/kstools/sample/sample_appointment_plan.h"

namespace kstools {

class SampleAppointmentWriter {
public:
    explicit SampleAppointmentWriter(COutlook& outlook) : m_outlook(outlook) {}

    // Writes the plan; throws CommandError when the object model refuses it.
    void Write(const SampleAppointmentPlan& plan);

private:
    COutlook& m_outlook;
};

}  // namespace kstools
