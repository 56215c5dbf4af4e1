// CCalendarThread: the background loader of a calendar view. For a date
// range it lists every appointment occurrence (recurring appointments are
// expanded by CCalendarRecurrence), tasks placed on days, journal entries,
// contacts' birthdays and anniversaries, and one header row per day; for the
// list views (birthdays, anniversaries, holidays, recurring appointments) it
// lists the matching appointments of the whole store, once each. Every row
// is a DATACALENDAR; the window reads the list after WM_LOADER_DATA
// (posted, wParam LOADER_DATA_COMPLETE).
//
// The loader reads "Appointments Database", "Tasks Database", "Contacts
// Database" and "KestrelJournal_2" directly, through one reusable 128 KiB
// record buffer. Adders (tasks, journal) change a finished list on the
// caller's thread without a reload; like a load they give up at once when
// the data lock is taken.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/calendar_recurrence.h"
#include "engine/calendar_settings.h"
#include "engine/data_calendar.h"
#include "engine/data_calendar_db.h"
#include "engine/ks_data_thread.h"
#include "engine/tasks_compare.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/store_schema.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "storage/ce_db_record.h"

inline constexpr int kCalendarAppointmentProps = 15;
// The appointment properties a load reads, in the order the record code
// indexes them.
inline constexpr ULONG kCalendarAppointmentPropIds[kCalendarAppointmentProps] = {
    kAppointmentStart,
    kAppointmentDuration,
    kAppointmentAllDay,
    kAppointmentReminderSet,
    kAppointmentUnused4223,
    kAppointmentSensitivity,
    kAppointmentBusyStatus,
    kAppointmentSubject,
    kAppointmentLocation,
    kAppointmentExtraText,
    kItemNote,
    kItemCategories,
    kAppointmentRecurrencePattern,
    kAppointmentAttendees,
    kAppointmentTimeZone,
};
inline constexpr int kCalendarTaskProps = 13;
inline constexpr DWORD kCalendarReadBufferSize = 128 * 1024;
// The last day (31 December 2999) a loader accepts.
inline constexpr LONG kCalendarLastAcceptedDay = 401768;
inline constexpr int kCalendarAgeWordChars = 16;
// The list views spread a multi-day entry over at most this many further days.
inline constexpr LONG kCalendarMaxSpreadDays = 366;
inline constexpr int kCalendarMatchChars = 2048;
// Appointments read between two looks at the stop event. The appointment
// pass is where a calendar load polls, with no per-record test of the
// worker's stop flag as in the task loader, and one recurring appointment
// may add many occurrences: hence a shorter interval than the task
// loader's 25 (tasks_thread.cpp).
inline constexpr int kCalendarStopCheckInterval = 20;
// One-off appointments longer than this are found through the duration's
// sort order; shorter ones through the start's, near the range.
inline constexpr LONG kCalendarLongMinutes = 7 * 1440;
// Resource string of the age word in birthday subjects.
inline constexpr UINT kCalendarAgeWordString = 44038;

// The sort's buffers, kept between loads (calendar_thread_compare.cpp).
struct CalendarSortScratch;

using CalendarCompareFn = int (*)(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long user);

class KSTOOLS_API CCalendarThread : public CKSDataThread, private CalendarOccurrenceSink {
public:
    // key: the view's settings key; null: "Software\Corvid\Kestrel\CAV".
    explicit CCalendarThread(const WCHAR* key = nullptr);
    ~CCalendarThread() override;

    // ---- configuration (window thread, between loads) ----
    void SetNotifyWindow(HWND window) { m_hNotify = window; }
    HWND GetNotifyWindow() const { return m_hNotify; }
    // The range, first and last day shown (times of day are ignored).
    void SetRestrict(const SYSTEMTIME& first, const SYSTEMTIME& last);
    bool HasRange() const { return m_firstDay != kCalendarNoDay; }
    LONG FirstDay() const { return m_firstDay; }
    LONG LastDay() const { return m_lastDay; }
    // True when a range is set and the day (or every day of the span) lies in it.
    bool IsInCache(const SYSTEMTIME& day) const;
    bool IsInCache(double date) const;
    bool IsInCache(const SYSTEMTIME& day, int days) const;
    // The key SettingChange and LoadSortPrefs read; null: the default key.
    // The category flags are always saved under the default key.
    void SetSettingsKey(const WCHAR* key);
    const WCHAR* GetViewSettingsKey() const { return m_viewKey; }
    void SetNoHeaderDates(bool none) { m_bNoHeaderDates = none; }
    // Reads the view's settings, the device zone and today's date.
    void SettingChange();
    // Reads the four task sort settings into this list's task sort state,
    // writing back a missing "TaskSort" or "TaskSort2" with its default.
    void LoadSortPrefs();
    const TasksSortPrefs& TaskSortPrefs() const { return m_taskSort.Prefs(); }
    // Fills ids with the 13 task properties a load reads; returns 13.
    int SetTaskProps(ULONG* ids) const;
    const CalendarSettings& Settings() const { return m_settings; }
    int GetView() const { return m_settings.view; }

    // ---- the list ----
    CePtrList<DATACALENDAR*>& GetDataList() { return m_list; }
    int GetHandedOverCount() const { return m_handedOver; }
    // Sorts the list with the view's comparison; false when the lock was taken.
    bool SortDataList(bool ascending);

    // ---- loading ----
    DWORD ThreadProc() override;
    // The load. With a nonzero oid only that appointment is read and added
    // to the existing list: no tasks, headers or message.
    DWORD CalendarThreadProc(CeManualEvent* stopEvent, CEOID oid);
    void PostKill() override;

    // ---- adders (caller's thread; false when the lock was taken) ----
    // Replaces the task rows. settings: read the settings first; tasks: add
    // the tasks even when no view shows them; sort: sort afterwards; count:
    // update the handed-over count.
    bool AddTasksToThread(bool settings, bool tasks, bool sort, bool count);
    bool AddJournalToThread();
    bool RemoveTasksFromThread();
    bool RemoveJournalFromThread();

    // ---- refreshing after store changes (caller's thread, between loads) ----
    // Brings the rows of the named appointments up to date with the store:
    // every row of each goes and the appointment is filed again as a load
    // files it (a series expanded over the loaded range again; one that no
    // longer reads stays out); the rows of the named tasks likewise. The day
    // headers follow and the list is sorted. False, with the rows untouched,
    // where only a load gives the right list: no finished load, the lock
    // taken, or the settings, the device zone or today changed since the
    // load.
    bool RefreshRecords(const std::vector<CEOID>& appointments, const std::vector<CEOID>& tasks);

    // False for a subject marked completed ("<•>…</•>") while completed
    // appointments are hidden.
    bool IsAppointmentToBeDisplayed(const WCHAR* subject) override;

    // ---- comparisons (the list's sort-function shape) ----
    static int CompareFunc(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long user);
    static int CompareFuncDate(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long user);
    static int CompareFuncBirthday(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long user);

private:
    // ---- the sink the recurrence expander fills ----
    bool ReadRecordRest(DATACALENDARDB& working) override;
    void AddEntry(DATACALENDAR* entry) override;

    // ---- appointments ----
    bool RangeMode() const { return m_settings.view >= kCalendarViewMeetings; }
    bool FiltersOn() const;
    void LoadAppointments(CeManualEvent* stop, CEOID single, bool& aborted);
    // Files the records of db from its first on: with steps 0 until the end
    // or until stop is seen set (looked at every 20th record), else that
    // many steps. The steps taken when stopped, else 0.
    int WalkAppointments(CeDb& db, CeManualEvent* stop, int steps);
    // The range views' walk, which reads only records that can touch the
    // range: the recurring series (the records holding a pattern, in OID
    // order), the one-off appointments starting within a few
    // days of it (the start's order) and the long ones starting before that
    // (the duration's order). Each record is filed by one part only. False,
    // with nothing filed, when the store lacks those sort orders or the
    // device zone moves days by more than one. stopped: the records visited
    // when a stop was seen, else 0.
    bool WalkNearRange(CeDb& db, CeManualEvent* stop, int& stopped);
    enum class NearRangePart { kSeries, kStarting, kLong };
    enum class NearRangeVisit { kFile, kSkip, kEnd };
    // Walks one part from db's current record; false when a stop was seen.
    bool WalkNearRangePart(CeDb& db, CeManualEvent* stop, NearRangePart part, int& visited);
    // What the part does with the record just read.
    NearRangeVisit ClassifyNearRange(NearRangePart part) const;
    // Reads and files the current record (or, with readFirst false, the
    // record already read); false when no record could be read (the end of
    // the store).
    bool FileAppointment(bool readFirst = true);
    // read: whether a record was read at all.
    bool fReadRecord(bool& read, bool readFirst = true);
    bool fReadRestOfRecord(DATACALENDARDB& working);
    void RecogniseBirthday(DATACALENDARDB& working);
    bool PassesListView(const DATACALENDARDB& working) const;
    void AddCalendarItemToList(DATACALENDAR* entry);
    void SpreadOverDays(DATACALENDAR* entry);
    // The last day an entry is shown on, one-off or occurrence alike. An
    // all-day entry covers whole days from its first; an end at exactly
    // midnight counts as the day before unless "AppointmentSingleIfEndsEarly"
    // is set.
    LONG LastDayOf(const DATACALENDAR& entry) const override;
    static bool YearOf(double date, WORD& year);

    // ---- tasks, journal, contacts, headers ----
    void AddTasks(bool force);
    // Files the named tasks as AddTasks files every task, unsorted (the
    // refresh sorts once); their old rows must be gone.
    void AddNamedTasks(const std::vector<CEOID>& oids);
    void AddNewTask(CeDbRecord& record);
    void AddTaskEntry(CeDbRecord& record, LONG day);
    void AddJournal();
    void AddContactInfo();
    void AddContactDate(CeDbRecord& record, DWORD propid, bool birthday);
    void AddCalendarDate();
    void RemoveKind(DWORD kind);
    void SortAscending();
    void SortList(CalendarCompareFn compare, bool descending);
    // SortList's order under CompareFunc of scratch.rows, through the rows'
    // keys; false (rows untouched) when a row is missing or of a kind the
    // keys do not cover.
    static bool SortByCompareFunc(CalendarSortScratch& scratch, bool descending);
    CalendarCompareFn ViewComparison() const;

    // Reads the current record of db into the shared buffer.
    bool ReadCurrent(CeDb& db, USHORT count, ULONG* ids);
    void ClearList();

    HWND m_hNotify;
    CePtrList<DATACALENDAR*> m_list;  // index base 1, owned
    int m_handedOver;
    WCHAR m_viewKey[kLoaderSettingsKeyChars];
    CalendarSettings m_settings;
    LONG m_firstDay;
    LONG m_lastDay;
    SYSTEMTIME m_firstTime;
    SYSTEMTIME m_lastTime;
    // The near-range walk's one-offs: UTC starts from m_nearStart up to (not
    // including) m_nearEnd, and before that those longer than
    // kCalendarLongMinutes.
    std::uint64_t m_nearStart = 0;
    std::uint64_t m_nearEnd = 0;
    DATACALENDARDB m_working;
    CCalendarRecurrence m_recurrence;
    CeDbRecord m_record;  // owns the read buffer once it exists
    ULONG m_appointmentProps[kCalendarAppointmentProps];
    ULONG m_taskProps[kCalendarTaskProps];
    CeDb m_side;  // the task, journal and contact stores in turn
    TIME_ZONE_INFORMATION m_deviceZone;
    TasksSortState m_taskSort;  // the order of task rows, bound while the list sorts
    std::shared_ptr<CalendarSortScratch> m_sortScratch;
    // ClearList's buffers, kept between loads.
    std::vector<DATACALENDAR*> m_freeDealt;
    std::vector<std::uint32_t> m_freeBands;
    LONG m_today;
    bool m_bInFullLoad;
    bool m_bListWhole = false;  // the last load finished (refreshing needs it)
    bool SettingsKeptSinceLoad();
    bool m_bNoHeaderDates;
    WCHAR m_matchText[kCalendarMatchChars];
    WCHAR m_ageWord[kCalendarAgeWordChars];

    // Shared by every calendar list of the process, set by SettingChange and
    // read by the comparisons.
    static std::atomic<LONG> s_today;
    static std::atomic<bool> s_showTaskOnTop;
};
