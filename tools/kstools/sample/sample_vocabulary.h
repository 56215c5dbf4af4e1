// SampleVocabulary: the words the sample generator builds its items from
// (names, companies, streets, subjects). Fictitious throughout: phone numbers
// use the 555-01xx range and e-mail addresses the example domains.
#pragma once

#include <span>

namespace kstools {

using SampleWords = std::span<const char16_t* const>;

struct SampleStreet {
    const char16_t* city;
    const char16_t* state;
    const char16_t* postalPrefix;
    const char16_t* country;
};

class SampleVocabulary {
public:
    static SampleWords FirstNames();
    static SampleWords LastNames();
    static SampleWords Companies();
    static SampleWords JobTitles();
    static SampleWords Departments();
    static SampleWords StreetNames();
    static std::span<const SampleStreet> Cities();
    static SampleWords MailDomains();
    // Subjects and places of one-off appointments.
    static SampleWords AppointmentSubjects();
    static SampleWords MeetingSubjects();
    static SampleWords Locations();
    // Subjects of tasks, without priority codes.
    static SampleWords TaskSubjects();
    static SampleWords Notes();
    // The categories items are filed under.
    static SampleWords Categories();
};

}  // namespace kstools
