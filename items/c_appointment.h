// CAppointment: one appointment of "Appointments Database" (or one
// occurrence of a recurring one), loaded, edited, saved and deleted.
//
// The fields go through the object model's IAppointment; the category blob
// is written straight into the record after every save. On top of the store
// the class keeps the suite's conventions:
// - a marked subject, stored as "<•>subject</•>" (a marked appointment has
//   no reminder);
// - templates: appointments parked in the last 34 days of 2999, stored as
//   "[TEMPLATE:name]subject";
// - default reminders for new appointments ("ReminderDefaultTime" of the
//   calendar's settings), the all-day rules ("bAllDayFree",
//   "bAllDayNoAlarm") and the categories of the current filter on new items;
// - attendee updates for meetings, privacy behind the password check, and
//   subject and location enciphered with a passphrase (ItemCipher).
//
// The editor pages are headless: every field they change has a setter here,
// and every question goes through the UI host (MessageBoxW).
#pragma once

#include <string>
#include <vector>

#include "items/c_task.h"
#include "items/c_template.h"
#include "items/poom_create_item.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"

// The recurrence pattern as the editor keeps it: the task item's copy; the
// pattern's start time and duration are the appointment's own.
using AppointmentRecurrence = TaskRecurrence;

// Appointment templates start after 27 November 2999 and are saved on
// 31 December 2999 (kAppointmentTemplateAfter, kAppointmentTemplateDay).

// Answers of CheckForRecurrence: what an edit of a recurring appointment
// opened on one day changes.
inline constexpr int kApptEditCancel = 0;
inline constexpr int kApptEditOccurrence = 1;
inline constexpr int kApptEditSeries = 2;
inline constexpr int kApptEditFollowing = 3;

// The context-menu actions of DoContext.
enum ApptContextCommand {
    kApptContextDelete = 1,
    kApptContextToggleMark,
    kApptContextTogglePrivate,
    kApptContextBusy,
    kApptContextFree,
    kApptContextTentative,
    kApptContextOutOfOffice,
    kApptContextSummary,
    kApptContextBeam,
    kApptContextCopy,
};

// Results of Delete.
inline constexpr int kApptDeletedSeries = -1;
inline constexpr int kApptDeletedOccurrence = -2;

class KSTOOLS_API CAppointment {
public:
    CAppointment();
    CAppointment(const CAppointment& other);
    CAppointment& operator=(const CAppointment& other);
    ~CAppointment();

    // ---- Loading and saving ----
    // Gets appointment oid; with occurrence and a recurring appointment, the
    // occurrence on the day of date instead. False (string resource 40421
    // shown) when there is no such appointment or occurrence.
    bool ReadOID(long oid, double date = kNoOleDate, bool occurrence = false);
    // Reads the fields; without an item shows string resource 40421.
    bool LoadData();
    // Writes the fields back; a meeting asks whether to update its
    // attendees. True when the object model saved it.
    bool Save();
    // A new appointment (see POOMCREATEITEM): without a date it starts today
    // at 08:00; busy, public, no reminder until loaded with the default one.
    // It is stored by the first Save.
    bool Create(const POOMCREATEITEM* request);
    bool Create(double date, const WCHAR* subject, int duration, CePtrList<CFullCategory*>* categories,
                bool noCategories);
    // Deletes the appointment, or for a recurring one after the question
    // "only this occurrence?" (skipped with noQuestion: the whole series)
    // the occurrence on date. A meeting asks whether to cancel it with the
    // attendees first. kApptDeletedSeries, kApptDeletedOccurrence, or 0
    // when nothing was deleted.
    int Delete(double date, bool noQuestion);

    // ---- Editing actions that save at once ----
    bool ChangeBusyStatus(LONG status);
    // A private appointment becomes normal after the privacy check, any
    // other private; then saved.
    bool SetPrivacy();
    // A copy of the appointment as template name on 31 December 2999; its
    // OID, 0 on failure or for an empty name.
    long SaveAsTemplate(const WCHAR* name);
    // ---- Recurrence operations of the editor ----
    // For a recurring appointment opened on the day of date: asks (unless
    // ask is false, when choice is the answer) whether the edit changes only
    // this occurrence, this and the following ones, or the whole series, and
    // makes this object hold what will be edited: the occurrence, the branched
    // series (BranchSeries) or the series. Anything else is edited whole
    // (kApptEditSeries). kApptEditCancel when cancelled or it failed.
    int CheckForRecurrence(double date, bool ask, int choice);
    // Splits the series at the day of date: the series ends the day before,
    // and a copy with the same pattern, links and extra alarms starts that day
    // and ends where the series ended. This object then holds the new series.
    // Its OID; the series' own OID when date is its first day; 0 (nothing
    // changed) when the series has no occurrence that day.
    long BranchSeries(double date);

    // ---- Menu actions ----
    // Takes subject, location, categories, note, duration, reminder, busy
    // status and privacy of appointment template templateOid; asks
    // "TemplateApptApplyTime" whether the template's time of day replaces the
    // start's as well. False when templateOid is no appointment.
    bool ApplyTemplate(long templateOid);
    // Shows the summary mark-up through the UI host under the name
    // "ApptSummary"; without a host window only when "SummaryDlg" is set.
    // False when it was not shown.
    bool DisplaySummaryWindow(HWND host = nullptr);
    // Runs one action of the context menu on the appointment (for a
    // recurring one the occurrence on date where it matters). False when
    // the command is unknown or the action failed.
    bool DoContext(int command, double date);
    // Beams the saved appointment (a series whole, with its changed and
    // deleted occurrences) through the infrared folder as an iCalendar file;
    // a failure shows string resource 40431. True when it was sent.
    bool SendViaIR();
    // A copy saved as a new appointment (an occurrence is copied as a single
    // appointment) with its categories and, after the links question, its
    // links. Its OID; 0 when nothing was made.
    long Copy();

    // Enciphers or deciphers subject and location of appointment oid (see
    // ItemCipher::Crypt).
    static int Crypt(const WCHAR* passphrase, long oid);
    // The summary as mark-up lines joined by line feeds.
    std::u16string SummaryMarkup() const;

    // ---- Fields ----
    long Oid() const { return m_oid; }
    bool IsNew() const { return m_new; }
    bool IsLoaded() const { return static_cast<bool>(m_item); }
    bool IsOccurrence() const { return m_occurrence; }
    double OccurrenceDate() const { return m_occurrenceDate; }
    const std::u16string& Subject() const { return m_subject; }
    void SetSubject(std::u16string_view subject) { m_subject = subject; }
    const std::u16string& Location() const { return m_location; }
    void SetLocation(std::u16string_view location) { m_location = location; }
    const std::u16string& Categories() const { return m_categories; }
    void SetCategories(std::u16string_view text) { m_categories = text; }
    const std::u16string& Body() const { return m_body; }
    void SetBody(std::u16string_view body) { m_body = body; }
    double Start() const { return m_start; }
    double End() const { return m_end; }
    LONG Duration() const { return m_duration; }
    // The start keeps the duration; a negative duration is refused.
    void SetStart(double start);
    bool SetDuration(LONG minutes);
    bool IsAllDay() const { return m_allDay; }
    // Switching on makes the appointment free ("bAllDayFree") and drops the
    // reminder ("bAllDayNoAlarm"); switching off brings the busy status back.
    void SetAllDay(bool allDay);
    LONG BusyStatus() const { return m_busy; }
    void SetBusyStatus(LONG status) { m_busy = status; }
    LONG Sensitivity() const { return m_sensitivity; }
    LONG MeetingStatus() const { return m_meetingStatus; }
    bool IsMeeting() const { return m_meetingStatus >= 1 && m_meetingStatus <= 6; }
    bool ReminderSet() const { return m_reminderSet; }
    LONG ReminderMinutes() const { return m_reminderMinutes; }
    // A reminder minutes before start; a negative value switches it off.
    void SetReminder(LONG minutes);
    bool IsMarked() const { return m_marked; }
    void SetMarked(bool marked) { m_marked = marked; }
    bool IsRecurring() const { return m_recurrence.type >= 0; }
    const AppointmentRecurrence& Recurrence() const { return m_recurrence; }
    // A pattern type below 0 removes the recurrence.
    void SetRecurrence(const AppointmentRecurrence& pattern);
    const std::u16string& TemplateName() const { return m_templateName; }
    // The extra alarms, as minutes before the start; kept by the next Save
    // (which moves them with the start) and removed with the appointment.
    const std::vector<LONG>& ExtraAlarms() const { return m_extraAlarms; }
    void SetExtraAlarms(std::vector<LONG> minutes);
    // The attendees' names (addresses when given) as the item holds them.
    std::vector<std::u16string> Attendees() const;
    // Adds an attendee to the item; it is kept by the next Save.
    bool AddAttendee(std::u16string_view name, std::u16string_view address);

    // The stored form of a subject: marked, template or plain.
    static std::u16string ComposeSubject(std::u16string_view subject, bool marked, std::u16string_view templateName);
    // Splits a stored subject: the template name when it is one (templateDay
    // tells whether the start marks a template), else the marks.
    static std::u16string SplitSubject(std::u16string_view stored, bool templateDay, bool& marked,
                                       std::u16string& templateName);
    static bool IsTemplateStart(double start) { return start > kAppointmentTemplateAfter && start < kAppointmentTemplateDay + 1; }

private:
    void CopyFields(const CAppointment& other);
    void ReadRecurrence();
    bool WriteRecurrence();
    bool WriteCategoryBlob();
    bool SaveItem(bool askAttendees);
    bool CancelWithAttendees(IAppointment* item, bool occurrence);
    bool RequireItem() const;

    long m_oid = 0;
    platform::ComRef<IAppointment> m_item;
    std::u16string m_subject;
    std::u16string m_location;
    std::u16string m_categories;
    std::u16string m_body;
    std::u16string m_templateName;
    double m_start = kNoOleDate;
    double m_end = kNoOleDate;
    LONG m_duration = 0;
    bool m_allDay = false;
    LONG m_busy = olBusy;
    LONG m_loadedBusy = olBusy;
    LONG m_sensitivity = olNormal;
    LONG m_meetingStatus = olNonMeeting;
    bool m_reminderSet = false;
    LONG m_reminderMinutes = 0;
    AppointmentRecurrence m_recurrence;
    bool m_recurrenceChanged = false;
    bool m_occurrence = false;
    double m_occurrenceDate = kNoOleDate;
    bool m_marked = false;
    bool m_new = false;
    std::vector<LONG> m_extraAlarms;
    bool m_extraAlarmsChanged = false;
};
