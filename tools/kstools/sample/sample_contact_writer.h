// SampleContactWriter: makes up one contact (name, company, phones, e-mail,
// addresses, birthday, anniversary, categories) and writes it through the
// object model. Every third contact has a birthday, every fifth an
// anniversary, and the first has both, so even a small store shows them.
#pragma once

#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/cedb.h"
#include "storage/c_outlook.h"
#include "tools/kstools/sample/sample_calendar.h"
#include "tools/kstools/sample/sample_random.h"

namespace kstools {

class SampleContactWriter {
public:
    SampleContactWriter(COutlook& outlook, const SampleCalendar& calendar, SampleRandom& random)
        : m_outlook(outlook), m_calendar(calendar), m_random(random)
    {}

    // Contact number index (0-based) of the store; returns its OID. Throws
    // CommandError when the object model refuses it.
    CEOID Write(int index);

private:
    COutlook& m_outlook;
    const SampleCalendar& m_calendar;
    SampleRandom& m_random;
};

}  // namespace kstools
