#include "items/item_recurrence.h"

ItemRecurrence ReadItemRecurrence(IRecurrencePattern* pattern)
{
    ItemRecurrence r;
    pattern->get_RecurrenceType(&r.type);
    pattern->get_Interval(&r.interval);
    pattern->get_Occurrences(&r.occurrences);
    pattern->get_Instance(&r.instance);
    pattern->get_DayOfWeekMask(&r.dayOfWeekMask);
    pattern->get_DayOfMonth(&r.dayOfMonth);
    pattern->get_MonthOfYear(&r.monthOfYear);
    pattern->get_PatternStartDate(&r.patternStart);
    pattern->get_PatternEndDate(&r.patternEnd);
    VARIANT_BOOL noEnd = VARIANT_TRUE;
    pattern->get_NoEndDate(&noEnd);
    r.noEnd = noEnd != VARIANT_FALSE;
    if (r.type == olRecursWeekly && r.dayOfWeekMask == 62) r.type = olRecursDaily;
    return r;
}

LONG StoredRecurrenceType(const ItemRecurrence& r)
{
    return r.type == olRecursDaily && r.dayOfWeekMask == 62 ? olRecursWeekly : r.type;
}

void WriteRecurrenceRule(IRecurrencePattern* pattern, const ItemRecurrence& r)
{
    const LONG type = StoredRecurrenceType(r);
    if (r.interval >= 1 && r.interval <= 998 && type < 4) pattern->put_Interval(r.interval);
    if (type == olRecursWeekly || type == olRecursMonthNth || type == olRecursYearNth)
        pattern->put_DayOfWeekMask(r.dayOfWeekMask);
    if ((type == olRecursMonthly || type == olRecursYearly) && r.dayOfMonth >= 1 && r.dayOfMonth <= 31)
        pattern->put_DayOfMonth(r.dayOfMonth);
    if ((type == olRecursMonthNth || type == olRecursYearNth) && r.instance >= 1 && r.instance <= 5)
        pattern->put_Instance(r.instance);
    if ((type == olRecursYearly || type == olRecursYearNth) && r.monthOfYear >= 1 && r.monthOfYear <= 12)
        pattern->put_MonthOfYear(r.monthOfYear);
}
