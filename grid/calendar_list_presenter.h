// The calendar's week view and agenda drawn in a grid. The week view has a
// row per day: the day's name and date at the left, one line per entry at
// the right. The agenda is a list grouped by day: a header per day that
// opens and closes, and a row per entry with its times at the right, the
// subject in bold, and a grey line of location, categories and marks.
#pragma once

#include <string>
#include <vector>

#include "grid/list_rows.h"

class DATACALENDAR;

// One entry on one line: its start time (none for all-day entries) and its
// subject; tasks and birthdays are named as such.
std::u16string CalendarEntryLine(const DATACALENDAR& entry);

// An entry's agenda cell.
std::u16string CalendarAgendaMarkup(const DATACALENDAR& entry);

// Seven days from firstDay (a whole day number).
CListRows CalendarWeekRows(const std::vector<const DATACALENDAR*>& list, LONG firstDay);

// The days firstDay to lastDay that have entries, each under its header.
CListRows CalendarAgendaRows(const std::vector<const DATACALENDAR*>& list, LONG firstDay, LONG lastDay);

// "Mon 7 Dec" in the locale's day and month names.
std::u16string CalendarDayTitle(LONG day);
