// SampleContactLists: the phone's side of the sample store, for the contact
// list's recent and call-log views: a call log over the two weeks before today, most
// calls with contacts just written (their mobile numbers and names), some
// from unknown or withheld numbers, and the recently opened contacts.
#pragma once

#include <vector>

#include "platform/objectstore/cedb.h"
#include "storage/c_outlook.h"
#include "tools/kstools/sample/sample_calendar.h"
#include "tools/kstools/sample/sample_random.h"

namespace kstools {

class SampleContactLists {
public:
    static constexpr int kCalls = 40;
    static constexpr int kRecentContacts = 12;

    SampleContactLists(COutlook& outlook, const SampleCalendar& calendar, SampleRandom& random)
        : m_outlook(outlook), m_calendar(calendar), m_random(random)
    {}

    // Adds kCalls calls to the call log and marks up to kRecentContacts of
    // the contacts as recently opened (the first marked last, so it leads
    // the list). Throws CommandError when the store refuses a call or the
    // recent-contacts file cannot be written.
    void Write(const std::vector<CEOID>& contacts);

private:
    COutlook& m_outlook;
    const SampleCalendar& m_calendar;
    SampleRandom& m_random;
};

}  // namespace kstools
