// SampleTaskWriter: writes one planned task through the object model.
#pragma once

#include "platform/objectmodel/pocket_outlook.h"
#include "storage/c_outlook.h"
#include "tools/kstools/sample/sample_task_plan.h"

namespace kstools {

class SampleTaskWriter {
public:
    explicit SampleTaskWriter(COutlook& outlook) : m_outlook(outlook) {}

    // Throws CommandError when the object model refuses the task.
    void Write(const SampleTaskPlan& plan);

private:
    COutlook& m_outlook;
};

}  // namespace kstools
