// CCalendarRecurrence: turns one recurring appointment into its occurrences
// within the calendar loader's range. ParseAndCheckRecurring reads the
// pattern blob (the device's variant of the published Outlook recurrence
// structure) and the appointment's time-zone blob into the working record;
// fFillEventList walks the pattern's dates through the range and hands each
// occurrence that is shown, unchanged or changed, to the sink as a
// DATACALENDAR entry with its device-local times.
//
// The loader owns one and keeps the range here; `kstools recur` and the
// tests drive the same object with a sink of their own.
#pragma once

#include <vector>

#include "engine/data_calendar_db.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/time/time_zone.h"

// Whether a series keeps the times of a zone of its own, which occurrences
// are converted from to the device's clock.
inline bool HasOwnZone(const DATACALENDARDB& working) { return working.zone.StandardName[0] == 1; }

// What the loader does with each occurrence.
class KSTOOLS_API CalendarOccurrenceSink {
public:
    virtual ~CalendarOccurrenceSink() = default;
    // Reads the rest of the appointment (subject, location, texts,
    // categories, side look-ups) into the working record; called at most
    // once per record, just before its first entry is made. False: the
    // appointment is not shown at all.
    virtual bool ReadRecordRest(DATACALENDARDB& working) = 0;
    // False when a changed occurrence's own subject hides it.
    virtual bool IsAppointmentToBeDisplayed(const WCHAR* subject) = 0;
    // Takes entry (owned from now on) into the list.
    virtual void AddEntry(DATACALENDAR* entry) = 0;
    // The last day entry is shown on; an occurrence is made when the days
    // from its first to this one meet the range. By default the day its end
    // falls on.
    virtual LONG LastDayOf(const DATACALENDAR& entry) const;
};

// The raw values of the last pattern blob read, for display and tests.
struct CalendarPatternFields {
    DWORD version = 0;  // ReaderVersion | WriterVersion << 16
    WORD frequency = 0;
    WORD patternType = 0;
    WORD calendarType = 0;
    DWORD firstDateTime = 0;
    DWORD period = 0;
    DWORD slidingFlag = 0;
    DWORD weekdayMask = 0;
    DWORD dayOfMonth = 0;
    DWORD nth = 0;
    DWORD endType = 0;
    DWORD occurrenceCount = 0;
    DWORD firstDayOfWeek = 0;
    DWORD deletedInstanceCount = 0;
    DWORD modifiedInstanceCount = 0;
    DWORD startDate = 0;  // minutes since 1601
    DWORD endDate = 0;
    DWORD readerVersion2 = 0;
    DWORD writerVersion2 = 0;
    DWORD startTimeOffset = 0;
    DWORD endTimeOffset = 0;
    WORD exceptionCount = 0;
    bool hasZone = false;
};

// Outcome of parsing a pattern.
enum RecurrenceParseResult : int {
    kRecurrenceUsable = 0,
    kRecurrenceRejected = 1,
    kRecurrenceWarnings = 2,  // usable, but a field held a value the reader does not expect
};

class KSTOOLS_API CCalendarRecurrence {
public:
    CCalendarRecurrence();
    ~CCalendarRecurrence();

    // The range as whole OLE day numbers (first and last day shown). Range
    // mode: patterns outside the range +- 3 days are rejected unexpanded.
    void SetRange(LONG firstDay, LONG lastDay, bool rangeMode = true);
    LONG FirstDay() const { return m_firstDay; }
    LONG LastDay() const { return m_lastDay; }
    // The device's zone, which occurrence times of appointments with their
    // own zone are converted to; null: the current device zone.
    void SetDeviceZone(const TIME_ZONE_INFORMATION* zone);

    // Parses pattern (size bytes; null or 0 for none) and the 48-byte zone
    // blob (null: no own zone) into working; deleted occurrences go to
    // DeletedOccurrences(). For a record with no pattern the frequency is
    // cleared and the result is false. True when the pattern is usable (or
    // the loader is not in range mode).
    bool ParseAndCheckRecurring(const BYTE* pattern, DWORD size, const BYTE* zone, DWORD zoneSize,
                                DATACALENDARDB& working);
    RecurrenceParseResult LastResult() const { return m_lastResult; }
    // Why the last pattern was rejected or warned about, in plain words ("" when usable).
    const char* LastReason() const { return m_lastReason; }
    // The values read from the last blob (as far as it was read).
    const CalendarPatternFields& LastFields() const { return m_fields; }

    // Expands working (as ParseAndCheckRecurring left it, with its base
    // fields read from the record) into sink.
    void fFillEventList(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    // A non-recurring appointment: one entry when it overlaps the range.
    void fFillNonRecurrEvnt(DATACALENDARDB& working, CalendarOccurrenceSink& sink);

    CePtrList<DWORD>& DeletedOccurrences() { return m_deleted; }

    // ---- the fillers and their date steps (public for tests) ----
    void fFillDailyEvents(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    void fFillWeekDayEvents(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    void fFillWeeklyEvents(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    void fFillMonthlyType2(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    void fFillMonthlyType3(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    void fFillYearlyType2(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    void fFillYearlyType3(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    bool fCheckDeleteExp(const SYSTEMTIME& date) const;
    bool fCheckExp(DATACALENDARDB& working, const SYSTEMTIME& date, CalendarOccurrenceSink& sink);
    void fFillEventInfo(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    // Sets entry's start, end, duration and day for the occurrence date.
    void fGetRecurTimingStr(const TIME_ZONE_INFORMATION* zone, int startHour, int startMinute, int endHour,
                            int endMinute, DATACALENDAR* entry, LONG duration);
    static int fGetCurrentWeekDayOfEvent(DWORD mask);
    static bool fGetNthWeekDay(WORD year, WORD month, WORD mask, WORD nth, SYSTEMTIME& out);
    static int fGetMonthInNum(DWORD minutesFromYearStart);
    // The mask's weekdays in ascending order (0 Sunday); returns how many.
    static int fGetEventWeekDays(DWORD mask, int days[7]);
    // Moves date forward to the next of days (count of them) within its
    // week (Sunday to Saturday); false when none is left.
    static bool fCheckNextWeekDay(SYSTEMTIME& date, const int* days, int count);
    // From any day of a month to day `day` of it, or to its last day when
    // the month is shorter.
    static void fDateAdjust(SYSTEMTIME& date, WORD day);
    // months months forward, landing on `day` (clamped to the month).
    static void fIncrementMonth(SYSTEMTIME& date, DWORD months, WORD day);
    // One year forward, landing on `day` of the same month (29 February
    // becomes 28 February in common years and returns in leap years).
    static void fIncrementByYear(SYSTEMTIME& date, WORD day);

private:
    // One pattern date reached by a filler: skipped when before the pattern
    // start or deleted, else shown changed or unchanged.
    void VisitPatternDate(DATACALENDARDB& working, CalendarOccurrenceSink& sink, long long day, long long patternStart);
    // Reads the rest of the record once; false when it is not to be shown.
    bool EnsureRecordRest(DATACALENDARDB& working, CalendarOccurrenceSink& sink);
    // Adds entry when it overlaps the range, else deletes it.
    void AddWhenInRange(DATACALENDAR* entry, CalendarOccurrenceSink& sink);
    const TIME_ZONE_INFORMATION& DeviceZone();
    void MarkWarning(const char* reason);

    // The steps of ParseAndCheckRecurring that keep state here.
    // Forgets the last pattern: its fields, result, exceptions and deleted
    // dates, here and in working.
    void ResetParse(DATACALENDARDB& working);
    // Records why the pattern is not used; the parse's result.
    bool RejectPattern(const char* reason, DATACALENDARDB& working);
    // Warns about rule fields that hold values the reader does not expect.
    void WarnAboutRuleFields();
    // True when the pattern's dates end before, or start after, the range
    // widened by 3 days on each side.
    bool IsOutsideRange(const CalendarPatternFields& f) const;
    // Keeps every deleted date in working; those not replaced by a modified
    // occurrence are also the deleted occurrences, sorted by day.
    void KeepDeletedDates(const std::vector<DWORD>& deleted, const std::vector<DWORD>& modified,
                          DATACALENDARDB& working);
    // Reads the appointment's own zone blob (null or empty: none) into working.
    void ReadOwnZone(const BYTE* zone, DWORD zoneSize, DATACALENDARDB& working);

    LONG m_firstDay = 949998;
    LONG m_lastDay = 949998;
    bool m_rangeMode = true;
    bool m_bRecordRestRead = false;
    TIME_ZONE_INFORMATION m_deviceZone{};
    bool m_bDeviceZoneSet = false;
    SYSTEMTIME m_occurrence{};  // the occurrence being filled
    double m_occurrenceDate = 0;
    CePtrList<DWORD> m_deleted;
    RecurrenceParseResult m_lastResult = kRecurrenceRejected;
    const char* m_lastReason = "";
    CalendarPatternFields m_fields;
    int m_recordRest = 0;  // 0 not read yet, 1 read, 2 the record is not shown
    TIME_ZONE_INFORMATION m_currentZone{};
    bool m_bCurrentZoneRead = false;
    std::vector<long long> m_deletedDays;  // sorted day numbers of m_deleted
};
