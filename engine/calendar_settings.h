// CalendarSettings: the options of one calendar view, read from its settings
// key (under HKEY_CURRENT_USER) by the calendar loader whenever the settings
// change. Every value has a default that applies when it is missing.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

inline constexpr const WCHAR* kCalendarSettingsKey = u"Software\\Corvid\\Kestrel\\CAV";
// Where the "FloatCat" value of the today screen lives.
inline constexpr const WCHAR* kCalendarTodayKey = u"Software\\Plover\\KSToday";

// Views ("CAV_FilterAppointments").
inline constexpr int kCalendarViewBirthdays = 0;
inline constexpr int kCalendarViewAnniversaries = 1;
inline constexpr int kCalendarViewHolidays = 2;
inline constexpr int kCalendarViewRecurring = 3;
inline constexpr int kCalendarViewMeetings = 4;
inline constexpr int kCalendarViewAll = 5;
inline constexpr int kCalendarViewSingleDay = 6;

// Busy-status filters ("CAV_StatusFilter").
inline constexpr int kCalendarStatusBusy = 42165;
inline constexpr int kCalendarStatusFree = 42166;
inline constexpr int kCalendarStatusOutOfOffice = 42167;
inline constexpr int kCalendarStatusTentative = 42168;
inline constexpr int kCalendarStatusAll = 42169;

inline constexpr int kCalendarNameChars = 64;

struct KSTOOLS_API CalendarSettings {
    bool showJournal = false;  // any of the five "…_ShowJournal"
    bool showTasks = false;    // any of the five "…_ShowTasks"
    bool showCompletedTasks = false;
    bool showUndatedTasks = false;
    bool forceHighTasks = false;
    bool showTaskOnTop = false;
    bool readBirthdays = false;
    int view = kCalendarViewAll;
    int statusFilter = kCalendarStatusAll;
    int filterPrivacy = -1;  // -1 all, 0 only non-private, 1 only private
    bool displayCompletedAppointments = true;
    WCHAR annCatName[kCalendarNameChars] = u"anniversaries";  // lower case
    WCHAR bdayCatName[kCalendarNameChars] = u"birthdays";     // lower case
    WCHAR holidayCatName[kCalendarNameChars] = u"Holiday";
    WCHAR holidaySubName[kCalendarNameChars] = u" day";
    int showInProgressTasksToday = 0;  // 0 off, 1 also on today, 2 on every day from start to due
    int singleIfEndsEarly = 0;         // hour; 0 off
    bool advancedAllDayTimeZone = true;
    WCHAR floatCat[kCalendarNameChars] = u"";

    // Resets to the defaults, then reads what key holds. A view number
    // outside 0..6 reads as the default view.
    void Read(const WCHAR* key);
    // The busy status a status filter keeps; -1 for "all" (and for unknown values).
    static LONG StatusOfFilter(int filter);
    bool operator==(const CalendarSettings&) const = default;
};
