// The recurrence rules of iCalendar (RRULE) against the device's recurrence
// rule: every rule the device can hold written as an RRULE, and an RRULE read
// back into the device rule that gives the same occurrences, or the reason no
// device rule does.
#pragma once

#include <libical/ical.h>

#include <optional>
#include <string>

#include "platform/recurrence/recurrence_rule.h"

namespace ical {

// The RRULE value (without "RRULE:") of a valid rule. `until` is the UNTIL
// value for a date-ended rule, written by the caller because its form
// depends on the event's zone and on whether it is all day.
std::string RRuleText(const platform::RecurrenceRule& rule, const std::string& until);

struct RuleReading {
    std::optional<platform::RecurrenceRule> rule;  // the same occurrences on the device
    std::string reason;                            // why there is none
};

// The device rule whose occurrences are those of `recur` from the event's
// first day `startDay` (its wall-clock day); `untilDay` is UNTIL's day on
// the same wall clock. The rule's times of day and length are left at 0.
RuleReading ReadRRule(const icalrecurrencetype& recur, platform::RecurrenceDay startDay,
                      std::optional<platform::RecurrenceDay> untilDay);

}  // namespace ical
