// iCalendar files: any input is read without crashing or hanging; every
// recurrence read is one the device holds, every expansion stays bounded and
// every refused item says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "items/ical_calendar.h"
#include "platform/recurrence/recurrence_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ical::Reading reading =
        ical::ReadICalendar(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.error.empty() && (!reading.events.empty() || !reading.todos.empty())) std::abort();
    for (const ical::Event& e : reading.events) {
        if (e.rule && platform::ValidateRecurrenceRule(*e.rule) != platform::RecurrenceRuleField::kNone) std::abort();
        if (e.fields.duration < 0 || e.fields.duration > platform::kRecurMaxDurationMinutes) std::abort();
    }
    for (const ical::Notice& n : reading.notices) {
        if (n.message.empty()) std::abort();
    }
    return 0;
}
