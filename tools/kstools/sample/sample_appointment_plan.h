// What the sample generator means one appointment to be, before it is
// written through the object model: its fields, its recurrence and the
// changes to single occurrences.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/objectmodel/pocket_outlook.h"

namespace kstools {

enum class SampleEnd { kNever, kAfterCount, kByDate };

struct SamplePattern {
    LONG type = olRecursDaily;
    LONG interval = 1;
    LONG dayOfWeekMask = 0;  // daily: 62 for every weekday
    LONG dayOfMonth = 0;
    LONG instance = 0;  // 1..4, 5 = last
    LONG monthOfYear = 0;
    SampleEnd end = SampleEnd::kNever;
    LONG occurrences = 0;
    DATE endDate = 0;  // midnight of the last day
};

enum class SampleExceptionKind { kDeleted, kMoved, kSubject };

struct SampleException {
    SampleExceptionKind kind = SampleExceptionKind::kDeleted;
    DATE originalStart = 0;  // the occurrence's start as the pattern makes it
    DATE newStart = 0;       // kMoved
    std::u16string subject;  // kSubject
};

struct SampleAttendee {
    std::u16string name;
    std::u16string address;
};

struct SampleAppointmentPlan {
    std::u16string subject;
    std::u16string location;
    std::u16string categories;
    std::u16string body;
    DATE start = 0;
    LONG durationMinutes = 60;  // all-day entries: whole days of minutes
    bool allDay = false;
    LONG busyStatus = olBusy;
    bool isPrivate = false;
    LONG reminderMinutes = -1;  // -1: no reminder
    const TIME_ZONE_INFORMATION* zone = nullptr;
    std::vector<SampleAttendee> attendees;
    std::optional<SamplePattern> pattern;
    std::vector<SampleException> exceptions;
};

// Pattern shorthands; `end` takes the count or the last day as its argument.
inline SamplePattern MakePattern(LONG type, LONG interval, SampleEnd end, LONG occurrences = 0, DATE endDate = 0)
{
    SamplePattern p;
    p.type = type;
    p.interval = interval;
    p.end = end;
    p.occurrences = occurrences;
    p.endDate = endDate;
    return p;
}

}  // namespace kstools
