// What the store tells a meeting's attendees. There is no mail system: each
// update (IAppointment::Send) and each cancellation (IAppointment::Cancel)
// is kept in a process-wide list, newest last, and written to the debug
// output, so that callers and tests can see who would have been told what.
#pragma once

#include <string>
#include <vector>

#include "platform/objectstore/cedb.h"

struct OutlookMeetingNotice {
    CEOID oid = 0;           // the appointment
    bool cancelled = false;  // a cancellation, else an update
    std::u16string subject;
    std::vector<std::u16string> addresses;  // one per attendee (the name when no address)
};

class OutlookMeetingNotices {
public:
    static void Record(const OutlookMeetingNotice& notice);
    static std::vector<OutlookMeetingNotice> All();
    static void Clear();
};
