// CTask: one task of "Tasks Database", loaded, edited and saved.
//
// The standard fields go through the object model's ITask; the suite's own
// conventions, which the store has no field for, live in the subject and in
// extra properties written straight into the task's record after every save
// (CustomDatabaseSave):
// - a priority code in front of the subject: a letter, a one- or two-digit
//   number, "|" and the regeneration days, then ": " ("A01|7: Water plants");
// - the completion percentage (0-100, or 101 for "waiting");
// - the ordering value (the parent property, + 0.5 with the half flag);
// - the alarm: a user notification whose handle the record keeps, with the
//   reminder's lead time in minutes before the due date.
// A task due on 31 December 2999 is a template, stored as
// "[TEMPLATE:name]subject".
//
// The editor pages are headless: every field they change has a setter here,
// and every question goes through the UI host (MessageBoxW / UiHost::Ask).
// Failures are returned (false, 0) and shown to the user as message boxes.
#pragma once

#include <string>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/time/system_time.h"
#include "items/item_recurrence.h"
#include "items/poom_create_item.h"

class DATATASKS;

enum TASK_STATUS {
    TASK_STATUS_NONE = 0,
    TASK_STATUS_NOT_STARTED = 1,  // percentage 0
    TASK_STATUS_COMPLETE = 2,     // percentage 100
    TASK_STATUS_CHOOSE_DUE = 3,   // a change request only: pick a new due date
    TASK_STATUS_DELETE = 4,       // a change request only: delete after confirmation
    TASK_STATUS_WAITING = 5,      // stored as percentage 101
    TASK_STATUS_IN_PROGRESS = 6,  // percentage 1-99
};

// Flags of CustomDatabaseSave.
inline constexpr int kTaskSaveReminder = 8;
inline constexpr int kTaskSaveCategories = 16;
inline constexpr int kTaskSavePercentage = 64;
inline constexpr int kTaskSaveOrder = 128;

// The due date that marks a task template (31 December 2999).
inline constexpr double kTaskTemplateDue = 401768.0;

// The message shown when a task item has no loaded task to act on.
inline constexpr UINT kTaskNotLoadedString = 40450;

// The recurrence pattern of a task as the editor keeps it.
using TaskRecurrence = ItemRecurrence;

// The actions of the task's context menu (DoContext).
enum TaskContextCommand {
    kTaskContextDelete = 1,
    kTaskContextToggleComplete,
    kTaskContextTogglePrivate,
    kTaskContextCopy,
    kTaskContextBeam,
    kTaskContextSummary,
};

class KSTOOLS_API CTask {
public:
    CTask();
    CTask(const CTask& other);
    CTask& operator=(const CTask& other);
    ~CTask();

    // ---- Loading and saving ----
    // Releases any loaded item and gets task oid; false for 0, for no such
    // item and for an item that is not a task.
    bool ReadOID(long oid);
    // Reads the item's fields; quick leaves out sensitivity, importance and
    // the note. Without an item shows string resource 40450 and fails.
    bool LoadData(bool quick = false);
    // Writes the fields back and then the extra properties of the record.
    // True when the object model saved the task.
    bool Save();
    // A new task (see POOMCREATEITEM); it is stored by the first Save. False
    // when the object model cannot make one.
    bool Create(const POOMCREATEITEM* request);
    bool Create(double date, const WCHAR* subject, CePtrList<CFullCategory*>* categories, bool noCategories);
    // Deletes the task and its alarm; with ask, only after the user agrees.
    bool Delete(bool ask);
    // Writes the extra properties of the groups in flags (kTaskSave*) into
    // the task's record. False when the record cannot be read or written
    // (the stored extra properties are then left as they were).
    bool CustomDatabaseSave(int flags);

    // ---- Status ----
    // 1 not complete, 2 complete (regenerating and recurring tasks move on),
    // 3 choose a new due date (UiHost::Ask "TaskDueDate": days from today,
    // negative cancels), 4 delete after confirmation, 5 and 6 store the
    // percentage 101 or 1.
    bool ChangeTaskStatus(TASK_STATUS status);
    // 100 when complete; otherwise the stored percentage, read as 0 when it
    // is 102 or more, or 100 on a task that is not complete.
    int GetCompletionPercentage();
    static TASK_STATUS PercentageToStatus(unsigned short percentage);
    // False when "bAlwaysStartIfDue" is set; else the object model's flag.
    static bool IsOutlookCompatible();
    // Franklin Covey mode ("TV_FilterData" 42260-42262): 3 letters, numbers
    // up to 99. Otherwise "bPrioritiesLimited" gives 4 letters and up to 4,
    // or 26 letters and up to 99. limited tells whether that setting is on.
    static bool IsFranklinCoveyMode(int& letters, int& limited, int& maxNumber);

    // ---- The subject's priority code ----
    // Splits the code off subject (moved past it); letter and number receive
    // up to 3 characters each. False when the subject has no code.
    static bool ParseExtraFromSubject(WCHAR*& subject, WCHAR* letter, WCHAR* number, int& days);
    // The stored subject: the code (the number padded to two digits when
    // padding is asked for), ": " and the subject; the subject alone without
    // a code.
    static std::u16string ComposeSubject(std::u16string_view letter, std::u16string_view number, int days,
                                         std::u16string_view subject, bool padNumber);

    // Renumbers the tasks of each priority group of a task list grouped by
    // priority letter: 1, 2, 3 ... in list order (only the letter when
    // "bPrioritizeNumbers" is off; after the question "RePrioritize" when it
    // is on), keeping each task's regeneration days. The subjects are written
    // straight into the records and the rows' numbers updated. The count of
    // tasks renumbered; -1 when the user refused or the store cannot be opened.
    static int PriorityShift(CePtrList<DATATASKS*>& list);

    // ---- Alarms ----
    // Reads the reminder from the record: true when there is one; its time
    // is then ReminderTime().
    bool HasNotification();
    // Removes the task's alarm and clears its handle from the record.
    void DeleteNotification();
    // The alarm of task oid: removed (and its handle cleared from the record)
    // when clear is given or time lies before now; otherwise the stored
    // notification is moved to time with the text, or a new one is set for
    // "TASKS.EXE". The handle, null when there is none afterwards.
    static HANDLE FindAlarmAndModify(long oid, const WCHAR* text, const SYSTEMTIME* time, bool clear);
    // Shows why a save failed, as COutlook::DisplayPIMSaveError.
    static bool DisplayTaskSaveError(long hr);

    // ---- Editing ----
    // Makes a private task normal (after the privacy check) and any other
    // private, and saves it.
    bool SetPrivacy(LONG sensitivity);
    // A copy of the task as a template named name, due 31 December 2999; its
    // OID, 0 on failure or for an empty name.
    long SaveAsTemplate(const WCHAR* name);
    // The summary as mark-up lines joined by line feeds.
    std::u16string SummaryMarkup() const;
    // Beams the saved task through the infrared folder (an iCalendar file in
    // the device's outbox); a failure shows string resource 40431. True when
    // it was sent.
    bool SendViaIR();
    // A copy of the task saved as a new task: its fields, priority code,
    // percentage, order and a reminder of its own, and (after the links
    // question) its links. Its OID; 0 when nothing was made.
    long Copy();
    // Shows the summary mark-up through the UI host under the name
    // "TaskSummary"; without a host window only when "SummaryDlg" of the task
    // settings is set (default 1). False when it was not shown.
    bool DisplaySummaryWindow(HWND host = nullptr);
    // Runs one action of the context menu (TaskContextCommand); false when
    // the command is unknown, refused or failed.
    bool DoContext(int command);

    long Oid() const { return m_oid; }
    bool IsNew() const { return m_new; }
    bool IsLoaded() const { return static_cast<bool>(m_item); }
    const std::u16string& Subject() const { return m_subject; }
    void SetSubject(std::u16string_view subject) { m_subject = subject; }
    const std::u16string& PriorityLetter() const { return m_letter; }
    const std::u16string& PriorityNumber() const { return m_number; }
    // Letter: one letter or empty; number: one or two digits or empty. False
    // (nothing changed) for anything else.
    bool SetPriority(std::u16string_view letter, std::u16string_view number);
    int RegenerateDays() const { return m_regenerateDays; }
    void SetRegenerateDays(int days) { m_regenerateDays = days < 0 ? 0 : days; }
    const std::u16string& Categories() const { return m_categories; }
    void SetCategories(std::u16string_view text) { m_categories = text; }
    const std::u16string& Body() const { return m_body; }
    void SetBody(std::u16string_view body) { m_body = body; }
    double StartDate() const { return m_start; }
    double DueDate() const { return m_due; }
    void SetStartDate(double date) { m_start = date; }
    void SetDueDate(double date) { m_due = date; }
    bool ReminderSet() const { return m_reminderSet; }
    double ReminderTime() const { return m_reminderTime; }
    // A reminder at time; kNoOleDate switches it off.
    void SetReminder(double time);
    bool IsComplete() const { return m_complete; }
    int Percentage() const { return m_percentage; }
    // 0-100 or 101; false for anything else.
    bool SetPercentage(int percentage);
    LONG Importance() const { return m_importance; }
    void SetImportance(LONG importance) { m_importance = importance; }
    LONG Sensitivity() const { return m_sensitivity; }
    bool IsRecurring() const { return m_recurrence.type >= 0; }
    const TaskRecurrence& Recurrence() const { return m_recurrence; }
    // A pattern type below 0 removes the recurrence.
    void SetRecurrence(const TaskRecurrence& pattern);
    const std::u16string& TemplateName() const { return m_templateName; }
    double Order() const { return m_order; }
    bool OrderHalf() const { return m_orderHalf; }
    void SetOrder(double order, bool half);

private:
    void Clear();
    void CopyFields(const CTask& other);
    ITask* Item() const { return m_item.Get(); }
    // Writes the fields into the item and saves it; then the extra
    // properties of flags. False when the save failed (shown to the user).
    bool SaveWith(int flags);
    // Splits "[TEMPLATE:name]subject" when the due date marks a template.
    void SplitTemplate(std::u16string& subject);
    std::u16string StoredSubject() const;
    std::u16string AlarmText() const;
    void ReadRecurrence();
    bool WriteRecurrence();
    bool CompleteRegenerating();
    bool CompleteOnce();
    void Journal(const WCHAR* action, UINT stringId, const WCHAR* extra = nullptr) const;

    long m_oid = 0;
    platform::ComRef<ITask> m_item;
    std::u16string m_subject;
    std::u16string m_categories;
    std::u16string m_body;
    std::u16string m_letter;
    std::u16string m_number;
    std::u16string m_templateName;
    double m_start = kNoOleDate;
    double m_due = kNoOleDate;
    double m_loadedStart = kNoOleDate;
    double m_loadedDue = kNoOleDate;
    bool m_reminderSet = false;
    double m_reminderTime = kNoOleDate;
    bool m_complete = false;
    int m_percentage = 0;
    LONG m_importance = olImportanceNormal;
    LONG m_sensitivity = olNormal;
    TaskRecurrence m_recurrence;
    bool m_recurrenceChanged = false;
    int m_regenerateDays = 0;
    double m_order = 0;
    bool m_orderHalf = false;
    bool m_new = false;
};
