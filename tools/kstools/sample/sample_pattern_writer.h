// SamplePatternWriter: sets a sample recurrence on an item's pattern view,
// the kind first (which resets the kind's fields), then its fields, then how
// it ends.
#pragma once

#include <string>

#include "platform/objectmodel/pocket_outlook.h"
#include "tools/kstools/sample/sample_appointment_plan.h"

namespace kstools {

class SamplePatternWriter {
public:
    // name: the item, for the message when the object model refuses a field.
    static void Write(IRecurrencePattern* pattern, const SamplePattern& p, const std::string& name);
};

}  // namespace kstools
