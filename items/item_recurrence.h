// The recurrence pattern of a task or an appointment as their editors keep it,
// and its transfer to and from the object model's pattern.
#pragma once

#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"

// "Every weekday" is kept as a daily pattern with the weekday mask 62 and
// stored as a weekly one.
struct ItemRecurrence {
    LONG type = -1;  // OlRecurrenceType; -1 no recurrence
    LONG interval = 1;
    LONG occurrences = 0;
    LONG instance = 0;
    LONG dayOfWeekMask = 0;
    LONG dayOfMonth = 0;
    LONG monthOfYear = 0;
    DATE patternStart = kNoOleDate;
    DATE patternEnd = kNoOleDate;
    bool noEnd = true;
};

// Reads a stored pattern, turning a weekly Monday-to-Friday one into the daily form.
ItemRecurrence ReadItemRecurrence(IRecurrencePattern* pattern);

// The type to store: the daily every-weekday form goes back to weekly.
LONG StoredRecurrenceType(const ItemRecurrence& recurrence);

// Writes the day rule (interval, weekday mask, day, instance, month) that the
// stored type uses; values out of their ranges are left as the pattern has them,
// and intervals of 999 and above are never written.
void WriteRecurrenceRule(IRecurrencePattern* pattern, const ItemRecurrence& recurrence);
