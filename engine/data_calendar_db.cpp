#include "engine/data_calendar_db.h"

CALENDAREXCEPTION::CALENDAREXCEPTION()
    : start(0), startAgain(0), end(0), subject(nullptr), location(nullptr), allDay(-1), ownNote(0), busyStatus(-1),
      startHour(-1), endHour(-1), startMinute(-1), endMinute(-1), multiDay(0), days(0), startTime{}, moved(0),
      newStart(0), originalDate(0)
{}

CALENDAREXCEPTION::~CALENDAREXCEPTION()
{
    SysFreeString(subject);
    SysFreeString(location);
}

DATACALENDARDB::DATACALENDARDB()
    : frequency(0), patternType(0), dailyPeriod(0), weekdayMask(0), weeklyPeriod(0), dayOfMonth(0), period(0),
      nthWeekdayMask(0), nth(0), firstDateTime(0), occurrenceCount(0), startHour(0), endHour(0), startMinute(0),
      endMinute(0), localStart{}, zone{}, exceptions(1), deletedDates(1)
{
    exceptions.SetDeletePolicy(1);
}

DATACALENDARDB::~DATACALENDARDB() { DATACALENDARDB::NullData(); }

void DATACALENDARDB::NullData()
{
    exceptions.RemoveAll();
    deletedDates.RemoveAll();
    DATACALENDAR::NullData();
}
