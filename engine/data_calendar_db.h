// DATACALENDARDB: the calendar loader's working record. It is a
// DATACALENDAR extended by the parsed recurrence pattern of the appointment
// being read, the appointment's own time zone, and the pattern's changed
// and deleted occurrences. One is reused for every appointment record of a
// load and never leaves the loader.
#pragma once

#include "engine/data_calendar.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/text/bstr.h"
#include "platform/time/time_zone.h"

// RecurFrequency values of a pattern blob.
inline constexpr WORD kRecurDaily = 0x200A;
inline constexpr WORD kRecurWeekly = 0x200B;
inline constexpr WORD kRecurMonthly = 0x200C;
inline constexpr WORD kRecurYearly = 0x200D;

// One changed occurrence of a pattern. Dates are minutes since 1601.
struct KSTOOLS_API CALENDAREXCEPTION {
    CALENDAREXCEPTION();
    ~CALENDAREXCEPTION();
    CALENDAREXCEPTION(const CALENDAREXCEPTION&) = delete;
    CALENDAREXCEPTION& operator=(const CALENDAREXCEPTION&) = delete;

    DWORD start;       // StartDateTime; the original date when the occurrence moved
    DWORD startAgain;  // StartDateTime
    DWORD end;         // EndDateTime
    BSTR subject;      // null: unchanged
    BSTR location;     // null: unchanged
    SHORT allDay;      // -1 unchanged, 1 all day, 0 not
    BYTE ownNote;
    LONG busyStatus;                                  // -1 unchanged
    LONG startHour, endHour, startMinute, endMinute;  // -1 until set; endHour +24 per extra day
    LONG multiDay;
    LONG days;
    SYSTEMTIME startTime;
    LONG moved;
    DWORD newStart;
    DWORD originalDate;
};

class KSTOOLS_API DATACALENDARDB : public DATACALENDAR {
public:
    DATACALENDARDB();
    ~DATACALENDARDB() override;

    // Empties both lists, then the base fields.
    void NullData() override;

    WORD frequency;      // 0 when not recurring
    WORD patternType;    // 0 day, 1 week, 2 month, 3 month-nth
    DWORD dailyPeriod;   // minutes
    DWORD weekdayMask;   // bit 0 Sunday .. bit 6 Saturday
    DWORD weeklyPeriod;  // weeks
    WORD dayOfMonth;
    DWORD period;  // months (12 for yearly)
    WORD nthWeekdayMask;
    WORD nth;  // 1..4, 5 = last
    DWORD firstDateTime;
    DWORD occurrenceCount;
    WORD startHour, endHour, startMinute, endMinute;
    SYSTEMTIME localStart;
    TIME_ZONE_INFORMATION zone;                // zone.StandardName[0] is 1 when the appointment has its own zone
    CePtrList<CALENDAREXCEPTION*> exceptions;  // index base 1, owned
    CePtrList<DWORD> deletedDates;             // index base 1, minutes since 1601
};
