// SampleAttendees: people invited to sample meetings, with their made-up
// e-mail addresses ("anna.becker@example.com").
#pragma once

#include <string>
#include <vector>

#include "tools/kstools/sample/sample_appointment_plan.h"
#include "tools/kstools/sample/sample_random.h"

namespace kstools {

class SampleAttendees {
public:
    // count people, chosen by position from `first` on.
    static std::vector<SampleAttendee> Fixed(int first, int count);
    static std::vector<SampleAttendee> Random(SampleRandom& random, int count);
    // first.last@domain in lower case, letters with accents written plainly.
    static std::u16string MailAddress(std::u16string_view first, std::u16string_view last, std::u16string_view domain);
};

}  // namespace kstools
