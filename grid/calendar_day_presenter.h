// The calendar's day view drawn in a grid: a column of time labels and a
// column of time slots, with each timed appointment of the day as a floater
// anchored in the slot where it starts and hanging down over the slots it
// covers (the grid lays overlapping ones side by side in lanes). Entries
// without a time of day - all-day appointments, birthdays, tasks - share one
// row above the slots.
#pragma once

#include <string>
#include <vector>

#include "grid/list_rows.h"
#include "platform/gdi/gdi_types.h"

class DATACALENDAR;

// One floater as the grid's AddFloater takes it, with its mark-up.
struct LISTFLOATER {
    WORD row = 0;  // anchor row (a visible row of the view's rows)
    WORD col = 0;
    WORD rowSpan = 1;
    WORD startPercent = 0;   // the bar's start within the rows covered
    WORD lengthPercent = 0;  // the bar's length within the rows covered
    COLORREF colour = 0;
    DWORD id = 0;            // the appointment's oid
    std::u16string markup;
};

struct CALENDARDAYVIEW {
    CListRows rows{{}};
    std::vector<LISTFLOATER> floaters;
    int firstSlotRow = 0;  // the row of the first time slot
    int firstMinute = 0;   // minute of the day the first slot starts at
};

struct CALENDARDAYOPTIONS {
    int slotMinutes = 30;
    int firstHour = 8;  // the slots shown at least; earlier and later
    int lastHour = 18;  // appointments extend the range
};

// The view of one day (a whole day number) from the loader's list.
CALENDARDAYVIEW CalendarDayView(const std::vector<const DATACALENDAR*>& list, LONG day,
                                const CALENDARDAYOPTIONS& options = {});

// The colour of an appointment's bar by its busy status (0 free,
// 1 tentative, 2 busy, 3 out of office).
COLORREF CalendarBusyColour(LONG busyStatus);

// An entry's mark-up inside a floater: the subject and the location (the
// floater's place among the time slots shows its time).
std::u16string CalendarFloaterMarkup(const DATACALENDAR& entry);
