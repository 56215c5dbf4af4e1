// What the sample generator means one task to be. The subject carries the
// suite's priority code in front ("A01: ", "B12|7: " with regeneration
// days), as the task views read it.
#pragma once

#include <optional>
#include <string>

#include "platform/objectmodel/pocket_outlook.h"
#include "tools/kstools/sample/sample_appointment_plan.h"

namespace kstools {

struct SampleTaskPlan {
    std::u16string subject;
    std::u16string categories;
    std::u16string body;
    DATE start = kNoOleDate;
    DATE due = kNoOleDate;
    LONG importance = olImportanceNormal;
    bool isPrivate = false;
    bool complete = false;
    DATE completed = kNoOleDate;
    DATE reminder = kNoOleDate;  // kNoOleDate: no reminder
    std::optional<SamplePattern> pattern;
};

}  // namespace kstools
