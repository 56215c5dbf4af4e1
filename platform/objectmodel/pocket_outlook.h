// The Pocket Outlook object model: COM-style interfaces over the
// personal-information store ("Appointments Database", "Tasks Database",
// "Contacts Database", "\Categories Database" in the object store).
//
// An item and its record are one object under one OID: reading an item reads
// the record, saving an item writes only the properties that were changed
// through the item, so properties that other code writes straight into the
// record survive. Dates are local OLE automation dates (DATE); 949998.0
// (1 January 4501) means "no date". Strings are BSTRs: getters hand out a new
// BSTR that the caller frees with SysFreeString; setters copy theirs.
//
// Every method returns an HRESULT: S_OK, E_POINTER for a null out-pointer,
// E_INVALIDARG for a bad argument, E_FAIL before Logon, and the codes below
// when a save finds invalid values (the item is then left unsaved and nothing
// stored changes).
//
// Sections: COM basics; Constants; Interface identifiers; Interfaces; Creation.
#pragma once

#include <cstring>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/text/bstr.h"
#include "platform/time/time_zone.h"
#include "platform/time/variant_time.h"

// ---- COM basics ---------------------------------------------------------

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool IsEqualIID(REFIID a, REFIID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualIID(a, b); }

using VARIANT_BOOL = SHORT;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);

// Save and argument errors of the object model.
constexpr HRESULT E_CLOCKRUNNING = static_cast<HRESULT>(0x80040064u);          // 100
constexpr HRESULT E_CITYINROM = static_cast<HRESULT>(0x80040065u);             // 101
constexpr HRESULT E_FIELDTOOLARGE = static_cast<HRESULT>(0x80040066u);         // 102: a text too long
constexpr HRESULT E_INVALIDREMINDERTIME = static_cast<HRESULT>(0x80040067u);   // 103
constexpr HRESULT E_INVALIDDATES = static_cast<HRESULT>(0x80040068u);          // 104: bad or inconsistent dates
constexpr HRESULT E_ALLDAYMEETING = static_cast<HRESULT>(0x80040069u);         // 105: exceptions only
constexpr HRESULT E_OVERLAPPINGEXCEPTION = static_cast<HRESULT>(0x8004006Au);  // 106: exceptions only
constexpr HRESULT E_CANTCHANGEDATE = static_cast<HRESULT>(0x8004006Bu);        // 107
constexpr HRESULT E_EXCEPTIONSAMEDAY = static_cast<HRESULT>(0x8004006Cu);      // 108: exceptions only
// 109 has no published name; this store returns it for a recurrence pattern
// whose fields do not make a pattern (bad interval, mask, day or instance).
constexpr HRESULT E_INVALIDRECURRENCE = static_cast<HRESULT>(0x8004006Du);

// The OLE date that means "no date" (1 January 4501).
constexpr DATE kNoOleDate = 949998.0;

// ---- Constants ----------------------------------------------------------

// Item kinds (OlItemType).
constexpr int olAppointmentItem = 1;
constexpr int olContactItem = 2;
constexpr int olTaskItem = 3;

// Default folders (OlDefaultFolders).
constexpr int olFolderCalendar = 9;
constexpr int olFolderContacts = 10;
constexpr int olFolderTasks = 13;
constexpr int olFolderCities = 101;
constexpr int olFolderInfrared = 102;

// Importance (OlImportance).
constexpr LONG olImportanceLow = 0;
constexpr LONG olImportanceNormal = 1;
constexpr LONG olImportanceHigh = 2;

// Sensitivity (OlSensitivity).
constexpr LONG olNormal = 0;
constexpr LONG olPersonal = 1;
constexpr LONG olPrivate = 2;
constexpr LONG olConfidential = 3;

// Busy status (OlBusyStatus).
constexpr LONG olFree = 0;
constexpr LONG olTentative = 1;
constexpr LONG olBusy = 2;
constexpr LONG olOutOfOffice = 3;

// Meeting status (OlMeetingStatus).
constexpr LONG olNonMeeting = 0;
constexpr LONG olMeeting = 1;
constexpr LONG olMeetingReceived = 3;
constexpr LONG olMeetingCanceled = 5;

// Recurrence kinds (OlRecurrenceType).
constexpr LONG olRecursDaily = 0;
constexpr LONG olRecursWeekly = 1;
constexpr LONG olRecursMonthly = 2;
constexpr LONG olRecursMonthNth = 3;
constexpr LONG olRecursYearly = 5;
constexpr LONG olRecursYearNth = 6;

// Days of a DayOfWeekMask (OlDaysOfWeek).
constexpr LONG olSunday = 1;
constexpr LONG olMonday = 2;
constexpr LONG olTuesday = 4;
constexpr LONG olWednesday = 8;
constexpr LONG olThursday = 16;
constexpr LONG olFriday = 32;
constexpr LONG olSaturday = 64;

// Reminder options (OlReminderOptions), combinable.
constexpr LONG olLED = 1;
constexpr LONG olVibrate = 2;
constexpr LONG olDialog = 4;
constexpr LONG olSound = 8;
constexpr LONG olRepeat = 16;

// ---- Interface identifiers ---------------------------------------------

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr CLSID CLSID_Application = {
    0x4B5D5F01, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x01}};
inline constexpr IID IID_IPOutlookApp = {0x4B5D5F10, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x10}};
inline constexpr IID IID_IFolder = {0x4B5D5F11, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x11}};
inline constexpr IID IID_IPOutlookItemCollection = {
    0x4B5D5F12, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x12}};
inline constexpr IID IID_IContact = {0x4B5D5F13, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x13}};
inline constexpr IID IID_ITask = {0x4B5D5F14, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x14}};
inline constexpr IID IID_IAppointment = {0x4B5D5F15, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x15}};
inline constexpr IID IID_IRecurrencePattern = {
    0x4B5D5F16, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x16}};
inline constexpr IID IID_IExceptions = {0x4B5D5F17, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x17}};
inline constexpr IID IID_IException = {0x4B5D5F18, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x18}};
inline constexpr IID IID_IRecipients = {0x4B5D5F19, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x19}};
inline constexpr IID IID_IRecipient = {0x4B5D5F1A, 0x6A1C, 0x4E2B, {0x9D, 0x10, 0x4B, 0x53, 0x00, 0x00, 0x00, 0x1A}};

// ---- Interfaces ---------------------------------------------------------
// Each interface names its own identifier as kIid, so OutlookObject can answer
// QueryInterface from its list of interfaces.

struct KSTOOLS_API IUnknown {
    static constexpr const IID& kIid = IID_IUnknown;
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Items travel as IDispatch; callers QueryInterface them to their kind. No
// late binding is offered.
struct KSTOOLS_API IDispatch : IUnknown {
    static constexpr const IID& kIid = IID_IDispatch;

protected:
    ~IDispatch() = default;
};

struct IPOutlookApp;
struct IFolder;
struct IPOutlookItemCollection;
struct IRecurrencePattern;
struct IAppointment;
struct IRecipients;

struct KSTOOLS_API IPOutlookItemCollection : IDispatch {
    static constexpr const IID& kIid = IID_IPOutlookItemCollection;
    // A new item of the collection's kind (saved into the folder on Save).
    virtual HRESULT Add(IDispatch** item) = 0;
    virtual HRESULT get_Count(int* count) = 0;
    // The first item that matches the restriction (S_OK and null: none),
    // then the following ones through FindNext.
    virtual HRESULT Find(BSTR restriction, IDispatch** item) = 0;
    virtual HRESULT FindNext(IDispatch** item) = 0;
    // 1-based.
    virtual HRESULT Item(int index, IDispatch** item) = 0;
    // Deletes the item at the 1-based index from the store.
    virtual HRESULT Remove(int index) = 0;
    // A new collection of the items that match.
    virtual HRESULT Restrict(BSTR restriction, IPOutlookItemCollection** items) = 0;
    virtual HRESULT Sort(BSTR property, VARIANT_BOOL descending) = 0;
    virtual HRESULT get_IncludeRecurrences(VARIANT_BOOL* include) = 0;
    virtual HRESULT put_IncludeRecurrences(VARIANT_BOOL include) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IPOutlookItemCollection() = default;
};

struct KSTOOLS_API IFolder : IDispatch {
    static constexpr const IID& kIid = IID_IFolder;
    virtual HRESULT get_Items(IPOutlookItemCollection** items) = 0;
    virtual HRESULT get_DefaultItemType(int* kind) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;
    // The infrared folder: items gathered for beaming, sent together.
    virtual HRESULT AddItemToInfraredFolder(int kind, IDispatch* item) = 0;
    virtual HRESULT SendToInfrared() = 0;
    virtual HRESULT ReceiveFromInfrared(IPOutlookItemCollection** items) = 0;

protected:
    ~IFolder() = default;
};

struct KSTOOLS_API IPOutlookApp : IDispatch {
    static constexpr const IID& kIid = IID_IPOutlookApp;
    // Opens the store (making its databases when missing).
    virtual HRESULT Logon(LONG hwnd) = 0;
    virtual HRESULT Logoff() = 0;
    virtual HRESULT get_Version(BSTR* version) = 0;
    virtual HRESULT GetDefaultFolder(int folder, IFolder** result) = 0;
    virtual HRESULT CreateItem(int kind, IDispatch** item) = 0;
    virtual HRESULT GetItemFromOid(LONG oid, IDispatch** item) = 0;
    virtual HRESULT GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi) = 0;
    // Whether items follow the desktop program's conventions (task editors
    // read it to decide how reminders and dates are kept).
    virtual HRESULT get_OutlookCompatible(VARIANT_BOOL* compatible) = 0;

protected:
    ~IPOutlookApp() = default;
};

struct KSTOOLS_API IRecipient : IDispatch {
    static constexpr const IID& kIid = IID_IRecipient;
    virtual HRESULT get_Name(BSTR* name) = 0;
    virtual HRESULT put_Name(BSTR name) = 0;
    virtual HRESULT get_Address(BSTR* address) = 0;
    virtual HRESULT put_Address(BSTR address) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IRecipient() = default;
};

struct KSTOOLS_API IRecipients : IDispatch {
    static constexpr const IID& kIid = IID_IRecipients;
    virtual HRESULT Add(BSTR name, IRecipient** recipient) = 0;
    // 1-based.
    virtual HRESULT Item(int index, IRecipient** recipient) = 0;
    virtual HRESULT Remove(int index) = 0;
    virtual HRESULT get_Count(int* count) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IRecipients() = default;
};

struct KSTOOLS_API IException : IDispatch {
    static constexpr const IID& kIid = IID_IException;
    // The changed occurrence (fails for a deleted one).
    virtual HRESULT get_AppointmentItem(IAppointment** appointment) = 0;
    virtual HRESULT get_OriginalDate(DATE* date) = 0;
    virtual HRESULT get_Deleted(VARIANT_BOOL* deleted) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IException() = default;
};

struct KSTOOLS_API IExceptions : IDispatch {
    static constexpr const IID& kIid = IID_IExceptions;
    // 1-based.
    virtual HRESULT Item(int index, IException** exception) = 0;
    virtual HRESULT get_Count(int* count) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IExceptions() = default;
};

struct KSTOOLS_API IRecurrencePattern : IDispatch {
    static constexpr const IID& kIid = IID_IRecurrencePattern;
    virtual HRESULT get_RecurrenceType(LONG* type) = 0;
    virtual HRESULT put_RecurrenceType(LONG type) = 0;
    virtual HRESULT get_PatternStartDate(DATE* date) = 0;
    virtual HRESULT put_PatternStartDate(DATE date) = 0;
    virtual HRESULT get_PatternEndDate(DATE* date) = 0;
    virtual HRESULT put_PatternEndDate(DATE date) = 0;
    virtual HRESULT get_NoEndDate(VARIANT_BOOL* noEnd) = 0;
    virtual HRESULT put_NoEndDate(VARIANT_BOOL noEnd) = 0;
    virtual HRESULT get_Occurrences(LONG* count) = 0;
    virtual HRESULT put_Occurrences(LONG count) = 0;
    virtual HRESULT get_StartTime(DATE* time) = 0;
    virtual HRESULT put_StartTime(DATE time) = 0;
    virtual HRESULT get_Duration(LONG* minutes) = 0;
    virtual HRESULT put_Duration(LONG minutes) = 0;
    virtual HRESULT get_EndTime(DATE* time) = 0;
    virtual HRESULT put_EndTime(DATE time) = 0;
    virtual HRESULT get_Interval(LONG* interval) = 0;
    virtual HRESULT put_Interval(LONG interval) = 0;
    virtual HRESULT get_DayOfWeekMask(LONG* mask) = 0;
    virtual HRESULT put_DayOfWeekMask(LONG mask) = 0;
    virtual HRESULT get_DayOfMonth(LONG* day) = 0;
    virtual HRESULT put_DayOfMonth(LONG day) = 0;
    virtual HRESULT get_Instance(LONG* instance) = 0;
    virtual HRESULT put_Instance(LONG instance) = 0;
    virtual HRESULT get_MonthOfYear(LONG* month) = 0;
    virtual HRESULT put_MonthOfYear(LONG month) = 0;
    virtual HRESULT get_Exceptions(IExceptions** exceptions) = 0;
    // The occurrence that starts on the given local date and time.
    virtual HRESULT GetOccurrence(DATE date, IAppointment** occurrence) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IRecurrencePattern() = default;
};

struct KSTOOLS_API ITask : IDispatch {
    static constexpr const IID& kIid = IID_ITask;
    virtual HRESULT get_Subject(BSTR* subject) = 0;
    virtual HRESULT put_Subject(BSTR subject) = 0;
    // "A, B": the names of the task's categories.
    virtual HRESULT get_Categories(BSTR* categories) = 0;
    virtual HRESULT put_Categories(BSTR categories) = 0;
    virtual HRESULT get_StartDate(DATE* date) = 0;
    virtual HRESULT put_StartDate(DATE date) = 0;
    virtual HRESULT get_DueDate(DATE* date) = 0;
    virtual HRESULT put_DueDate(DATE date) = 0;
    virtual HRESULT get_DateCompleted(DATE* date) = 0;
    virtual HRESULT put_DateCompleted(DATE date) = 0;
    virtual HRESULT get_Importance(LONG* importance) = 0;
    virtual HRESULT put_Importance(LONG importance) = 0;
    virtual HRESULT get_Sensitivity(LONG* sensitivity) = 0;
    virtual HRESULT put_Sensitivity(LONG sensitivity) = 0;
    virtual HRESULT get_Complete(VARIANT_BOOL* complete) = 0;
    virtual HRESULT put_Complete(VARIANT_BOOL complete) = 0;
    virtual HRESULT get_ReminderSet(VARIANT_BOOL* set) = 0;
    virtual HRESULT put_ReminderSet(VARIANT_BOOL set) = 0;
    virtual HRESULT get_ReminderTime(DATE* time) = 0;
    virtual HRESULT put_ReminderTime(DATE time) = 0;
    virtual HRESULT get_ReminderOptions(LONG* options) = 0;
    virtual HRESULT put_ReminderOptions(LONG options) = 0;
    virtual HRESULT get_ReminderSoundFile(BSTR* path) = 0;
    virtual HRESULT put_ReminderSoundFile(BSTR path) = 0;
    // The note as text, and as its stored bytes (a BSTR of byte length).
    virtual HRESULT get_Body(BSTR* body) = 0;
    virtual HRESULT put_Body(BSTR body) = 0;
    virtual HRESULT get_BodyInk(BSTR* body) = 0;
    virtual HRESULT put_BodyInk(BSTR body) = 0;
    virtual HRESULT get_IsRecurring(VARIANT_BOOL* recurring) = 0;
    virtual HRESULT get_TeamTask(VARIANT_BOOL* team) = 0;
    virtual HRESULT put_TeamTask(VARIANT_BOOL team) = 0;
    virtual HRESULT GetRecurrencePattern(IRecurrencePattern** pattern) = 0;
    virtual HRESULT ClearRecurrencePattern() = 0;
    virtual HRESULT Save() = 0;
    virtual HRESULT Delete() = 0;
    virtual HRESULT SkipRecurrence() = 0;
    virtual HRESULT Copy(ITask** copy) = 0;
    virtual HRESULT Display() = 0;
    virtual HRESULT get_Oid(LONG* oid) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~ITask() = default;
};

struct KSTOOLS_API IAppointment : IDispatch {
    static constexpr const IID& kIid = IID_IAppointment;
    virtual HRESULT get_Subject(BSTR* subject) = 0;
    virtual HRESULT put_Subject(BSTR subject) = 0;
    virtual HRESULT get_Location(BSTR* location) = 0;
    virtual HRESULT put_Location(BSTR location) = 0;
    virtual HRESULT get_Categories(BSTR* categories) = 0;
    virtual HRESULT put_Categories(BSTR categories) = 0;
    virtual HRESULT get_Start(DATE* start) = 0;
    virtual HRESULT put_Start(DATE start) = 0;
    virtual HRESULT get_End(DATE* end) = 0;
    virtual HRESULT put_End(DATE end) = 0;
    virtual HRESULT get_Duration(LONG* minutes) = 0;
    virtual HRESULT put_Duration(LONG minutes) = 0;
    virtual HRESULT get_AllDayEvent(VARIANT_BOOL* allDay) = 0;
    virtual HRESULT put_AllDayEvent(VARIANT_BOOL allDay) = 0;
    virtual HRESULT get_BusyStatus(LONG* status) = 0;
    virtual HRESULT put_BusyStatus(LONG status) = 0;
    virtual HRESULT get_Sensitivity(LONG* sensitivity) = 0;
    virtual HRESULT put_Sensitivity(LONG sensitivity) = 0;
    virtual HRESULT get_MeetingStatus(LONG* status) = 0;
    virtual HRESULT put_MeetingStatus(LONG status) = 0;
    virtual HRESULT get_ReminderSet(VARIANT_BOOL* set) = 0;
    virtual HRESULT put_ReminderSet(VARIANT_BOOL set) = 0;
    virtual HRESULT get_ReminderMinutesBeforeStart(LONG* minutes) = 0;
    virtual HRESULT put_ReminderMinutesBeforeStart(LONG minutes) = 0;
    virtual HRESULT get_IsRecurring(VARIANT_BOOL* recurring) = 0;
    virtual HRESULT get_Body(BSTR* body) = 0;
    virtual HRESULT put_Body(BSTR body) = 0;
    virtual HRESULT get_BodyInk(BSTR* body) = 0;
    virtual HRESULT put_BodyInk(BSTR body) = 0;
    virtual HRESULT get_Recipients(IRecipients** recipients) = 0;
    virtual HRESULT Save() = 0;
    // Saves and sends the meeting to its recipients.
    virtual HRESULT Send() = 0;
    // On an occurrence: deletes only that occurrence.
    virtual HRESULT Delete() = 0;
    // Cancels the meeting with its recipients.
    virtual HRESULT Cancel() = 0;
    virtual HRESULT Copy(IAppointment** copy) = 0;
    virtual HRESULT Display() = 0;
    virtual HRESULT GetRecurrencePattern(IRecurrencePattern** pattern) = 0;
    virtual HRESULT ClearRecurrencePattern() = 0;
    virtual HRESULT get_Oid(LONG* oid) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;
    // This store's extension: the appointment's own time zone (kept in the
    // record's 48-byte zone blob); without one the device zone applies.
    virtual HRESULT get_TimeZone(TIME_ZONE_INFORMATION* tzi) = 0;
    virtual HRESULT put_TimeZone(TIME_ZONE_INFORMATION* tzi) = 0;

protected:
    ~IAppointment() = default;
};

struct KSTOOLS_API IContact : IDispatch {
    static constexpr const IID& kIid = IID_IContact;
    virtual HRESULT get_FileAs(BSTR* value) = 0;
    virtual HRESULT put_FileAs(BSTR value) = 0;
    virtual HRESULT get_Title(BSTR* value) = 0;
    virtual HRESULT put_Title(BSTR value) = 0;
    virtual HRESULT get_FirstName(BSTR* value) = 0;
    virtual HRESULT put_FirstName(BSTR value) = 0;
    virtual HRESULT get_MiddleName(BSTR* value) = 0;
    virtual HRESULT put_MiddleName(BSTR value) = 0;
    virtual HRESULT get_LastName(BSTR* value) = 0;
    virtual HRESULT put_LastName(BSTR value) = 0;
    virtual HRESULT get_Suffix(BSTR* value) = 0;
    virtual HRESULT put_Suffix(BSTR value) = 0;
    virtual HRESULT get_CompanyName(BSTR* value) = 0;
    virtual HRESULT put_CompanyName(BSTR value) = 0;
    virtual HRESULT get_JobTitle(BSTR* value) = 0;
    virtual HRESULT put_JobTitle(BSTR value) = 0;
    virtual HRESULT get_Department(BSTR* value) = 0;
    virtual HRESULT put_Department(BSTR value) = 0;
    virtual HRESULT get_OfficeLocation(BSTR* value) = 0;
    virtual HRESULT put_OfficeLocation(BSTR value) = 0;
    virtual HRESULT get_AssistantName(BSTR* value) = 0;
    virtual HRESULT put_AssistantName(BSTR value) = 0;
    virtual HRESULT get_AssistantTelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_AssistantTelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_Spouse(BSTR* value) = 0;
    virtual HRESULT put_Spouse(BSTR value) = 0;
    virtual HRESULT get_Children(BSTR* value) = 0;
    virtual HRESULT put_Children(BSTR value) = 0;
    virtual HRESULT get_HomeAddressStreet(BSTR* value) = 0;
    virtual HRESULT put_HomeAddressStreet(BSTR value) = 0;
    virtual HRESULT get_HomeAddressCity(BSTR* value) = 0;
    virtual HRESULT put_HomeAddressCity(BSTR value) = 0;
    virtual HRESULT get_HomeAddressState(BSTR* value) = 0;
    virtual HRESULT put_HomeAddressState(BSTR value) = 0;
    virtual HRESULT get_HomeAddressPostalCode(BSTR* value) = 0;
    virtual HRESULT put_HomeAddressPostalCode(BSTR value) = 0;
    virtual HRESULT get_HomeAddressCountry(BSTR* value) = 0;
    virtual HRESULT put_HomeAddressCountry(BSTR value) = 0;
    virtual HRESULT get_BusinessAddressStreet(BSTR* value) = 0;
    virtual HRESULT put_BusinessAddressStreet(BSTR value) = 0;
    virtual HRESULT get_BusinessAddressCity(BSTR* value) = 0;
    virtual HRESULT put_BusinessAddressCity(BSTR value) = 0;
    virtual HRESULT get_BusinessAddressState(BSTR* value) = 0;
    virtual HRESULT put_BusinessAddressState(BSTR value) = 0;
    virtual HRESULT get_BusinessAddressPostalCode(BSTR* value) = 0;
    virtual HRESULT put_BusinessAddressPostalCode(BSTR value) = 0;
    virtual HRESULT get_BusinessAddressCountry(BSTR* value) = 0;
    virtual HRESULT put_BusinessAddressCountry(BSTR value) = 0;
    virtual HRESULT get_OtherAddressStreet(BSTR* value) = 0;
    virtual HRESULT put_OtherAddressStreet(BSTR value) = 0;
    virtual HRESULT get_OtherAddressCity(BSTR* value) = 0;
    virtual HRESULT put_OtherAddressCity(BSTR value) = 0;
    virtual HRESULT get_OtherAddressState(BSTR* value) = 0;
    virtual HRESULT put_OtherAddressState(BSTR value) = 0;
    virtual HRESULT get_OtherAddressPostalCode(BSTR* value) = 0;
    virtual HRESULT put_OtherAddressPostalCode(BSTR value) = 0;
    virtual HRESULT get_OtherAddressCountry(BSTR* value) = 0;
    virtual HRESULT put_OtherAddressCountry(BSTR value) = 0;
    virtual HRESULT get_HomeTelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_HomeTelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_Home2TelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_Home2TelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_HomeFaxNumber(BSTR* value) = 0;
    virtual HRESULT put_HomeFaxNumber(BSTR value) = 0;
    virtual HRESULT get_BusinessTelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_BusinessTelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_Business2TelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_Business2TelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_BusinessFaxNumber(BSTR* value) = 0;
    virtual HRESULT put_BusinessFaxNumber(BSTR value) = 0;
    virtual HRESULT get_RadioTelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_RadioTelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_MobileTelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_MobileTelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_PagerNumber(BSTR* value) = 0;
    virtual HRESULT put_PagerNumber(BSTR value) = 0;
    virtual HRESULT get_CarTelephoneNumber(BSTR* value) = 0;
    virtual HRESULT put_CarTelephoneNumber(BSTR value) = 0;
    virtual HRESULT get_Email1Address(BSTR* value) = 0;
    virtual HRESULT put_Email1Address(BSTR value) = 0;
    virtual HRESULT get_Email2Address(BSTR* value) = 0;
    virtual HRESULT put_Email2Address(BSTR value) = 0;
    virtual HRESULT get_Email3Address(BSTR* value) = 0;
    virtual HRESULT put_Email3Address(BSTR value) = 0;
    virtual HRESULT get_WebPage(BSTR* value) = 0;
    virtual HRESULT put_WebPage(BSTR value) = 0;
    virtual HRESULT get_YomiFirstName(BSTR* value) = 0;
    virtual HRESULT put_YomiFirstName(BSTR value) = 0;
    virtual HRESULT get_YomiLastName(BSTR* value) = 0;
    virtual HRESULT put_YomiLastName(BSTR value) = 0;
    virtual HRESULT get_YomiCompanyName(BSTR* value) = 0;
    virtual HRESULT put_YomiCompanyName(BSTR value) = 0;
    // Local dates; kNoOleDate when none.
    virtual HRESULT get_Birthday(DATE* date) = 0;
    virtual HRESULT put_Birthday(DATE date) = 0;
    virtual HRESULT get_Anniversary(DATE* date) = 0;
    virtual HRESULT put_Anniversary(DATE date) = 0;
    virtual HRESULT get_Categories(BSTR* categories) = 0;
    virtual HRESULT put_Categories(BSTR categories) = 0;
    virtual HRESULT get_Body(BSTR* body) = 0;
    virtual HRESULT put_Body(BSTR body) = 0;
    virtual HRESULT get_BodyInk(BSTR* body) = 0;
    virtual HRESULT put_BodyInk(BSTR body) = 0;
    virtual HRESULT Save() = 0;
    virtual HRESULT Delete() = 0;
    virtual HRESULT Copy(IContact** copy) = 0;
    virtual HRESULT Display() = 0;
    virtual HRESULT get_Oid(LONG* oid) = 0;
    virtual HRESULT get_Application(IPOutlookApp** app) = 0;

protected:
    ~IContact() = default;
};

// ---- Creation -----------------------------------------------------------

// Counted per process; CoCreateInstance works only in between.
KSTOOLS_API HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
KSTOOLS_API void CoUninitialize();
// Only CLSID_Application is known (REGDB_E_CLASSNOTREG otherwise); outer must
// be null (CLASS_E_NOAGGREGATION).
KSTOOLS_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
