// The databases of the object store that the suite reads and writes, and
// every property identifier in them: the one home of these numbers. A
// property identifier is the property number in the high 16 bits and the
// value type (CEVT_*) in the low 16 bits; docs/store-schema.md is the
// human-readable map of the same rows, and a test keeps the two in step.
//
// Names carry their database ("kTaskDueDate" is a record of "Tasks
// Database"); the same identifier in two databases has a constant in each
// (kAppointmentSubject, kTaskSubject). Only the note and the category blob,
// which code handles alike for every item kind, have one shared constant
// (kItemNote, kItemCategories). A sort order is one of these properties; the
// comment of each database names its sort orders.
//
// Sections:
//   Databases, Shared by the item kinds, "Appointments Database",
//   "Tasks Database", "Contacts Database", "\Categories Database",
//   "KestrelLinks", "KestrelJournal_2", "KS_Projects", "KS_Notifications",
//   "KS_CallLog", "Sample Database", The table of rows
#pragma once

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

// ---- Databases ----

// The personal-information databases, made by PimDatabases::Ensure.
inline constexpr const WCHAR* kAppointmentsDatabase = u"Appointments Database";
inline constexpr const WCHAR* kTasksDatabase = u"Tasks Database";
inline constexpr const WCHAR* kContactsDatabase = u"Contacts Database";
inline constexpr const WCHAR* kCategoriesDatabase = u"\\Categories Database";
// The suite's own databases.
inline constexpr const WCHAR* kLinksDatabase = u"KestrelLinks";
inline constexpr const WCHAR* kJournalDatabase = u"KestrelJournal_2";
// The name the journal had before; CJournal::CheckAndCreateDB renames it.
inline constexpr const WCHAR* kOldJournalDatabase = u"KestrelJournal";
inline constexpr const WCHAR* kProjectsDatabase = u"KS_Projects";
inline constexpr const WCHAR* kNotificationsDatabase = u"KS_Notifications";
inline constexpr const WCHAR* kCallLogDatabase = u"KS_CallLog";
// The demonstration database of every value type, made by kstools store
// add-sample.
inline constexpr const WCHAR* kSampleDatabase = u"Sample Database";

// ---- Shared by the item kinds ----

// The note of an appointment, task or contact: ANSI text with a 0 byte (or
// UTF-8 after the marker EF BB BF when ANSI cannot hold it), or ink and
// rich-text bytes as they are.
inline constexpr CEPROPID kItemNote = 0x00170041;
// An item's categories as a bit set of category indices.
inline constexpr CEPROPID kItemCategories = 0x00160041;

// ---- "Appointments Database" ----
// Sort orders: kAppointmentStart, kAppointmentRecurrencePattern, kAppointmentDuration.

inline constexpr CEPROPID kAppointmentStart = 0x420D0040;     // UTC FILETIME
inline constexpr CEPROPID kAppointmentDuration = 0x42130003;  // minutes
inline constexpr CEPROPID kAppointmentAllDay = 0x42150003;    // 1 for an all-day event
inline constexpr CEPROPID kAppointmentReminderSet = 0x45030002;
// Minutes of the reminder before the start.
inline constexpr CEPROPID kAppointmentReminderMinutes = 0x45010003;
// 0 none, 1 meeting, 3 received, 5 cancelled.
inline constexpr CEPROPID kAppointmentMeetingStatus = 0x42170003;
// Read by the calendar loader and not used.
inline constexpr CEPROPID kAppointmentUnused4223 = 0x42230002;
inline constexpr CEPROPID kAppointmentSensitivity = 0x00040002;  // non-zero private
inline constexpr CEPROPID kAppointmentBusyStatus = 0x000F0002;
inline constexpr CEPROPID kAppointmentSubject = 0x0037001F;
inline constexpr CEPROPID kAppointmentLocation = 0x4208001F;
inline constexpr CEPROPID kAppointmentExtraText = 0x2A08001F;  // the suite's own text
inline constexpr CEPROPID kAppointmentRecurrencePattern = 0x40150041;
// The attendee blob: a DWORD count, then name and address of each.
inline constexpr CEPROPID kAppointmentAttendees = 0x00300041;
// The appointment's own time zone (48 bytes).
inline constexpr CEPROPID kAppointmentTimeZone = 0x00010041;

// ---- "Tasks Database" ----
// Sort orders: kTaskDueDate, then kTaskSubject case-insensitive.

inline constexpr CEPROPID kTaskSensitivity = 0x00040002;
inline constexpr CEPROPID kTaskComplete = 0x410F0002;
// Dates are local FILETIMEs of midnight.
inline constexpr CEPROPID kTaskDateCompleted = 0x410F0040;
inline constexpr CEPROPID kTaskStartDate = 0x41040040;
inline constexpr CEPROPID kTaskDueDate = 0x41050040;
inline constexpr CEPROPID kTaskImportance = 0x00260003;  // 1 high, 2 normal, 3 low
inline constexpr CEPROPID kTaskIconText = 0x2A08001F;
// The subject, with the suite's priority code in front.
inline constexpr CEPROPID kTaskSubject = 0x0037001F;
inline constexpr CEPROPID kTaskRecurring = 0x41260002;  // 1 while the task recurs
inline constexpr CEPROPID kTaskRecurrencePattern = 0x40150041;
inline constexpr CEPROPID kTaskReminderSet = 0x45030002;
inline constexpr CEPROPID kTaskReminderTime = 0x45020040;  // local FILETIME
// olLED 1, olVibrate 2, olDialog 4, olSound 8, olRepeat 16.
inline constexpr CEPROPID kTaskReminderOptions = 0x45040003;
inline constexpr CEPROPID kTaskReminderSoundFile = 0x4505001F;
inline constexpr CEPROPID kTaskTeamTask = 0x41270002;
// The parent task or project's OID, + 0.5 while the task shows its children.
inline constexpr CEPROPID kTaskParent = 0x2A090005;
inline constexpr CEPROPID kTaskPercentComplete = 0x2A110013;
inline constexpr CEPROPID kTaskReminderLeadMinutes = 0x45010003;
// The alarm handle the suite keeps per task; a completed copy does not take it.
inline constexpr CEPROPID kTaskNotificationHandle = 0x00020003;

// ---- "Contacts Database" ----
// Sort order: kContactFileAs case-insensitive. Texts are LPWSTR, dates local
// FILETIMEs of midnight.

inline constexpr CEPROPID kContactFileAs = 0x4013001F;
inline constexpr CEPROPID kContactTitle = 0x4023001F;
inline constexpr CEPROPID kContactFirstName = 0x3A06001F;
inline constexpr CEPROPID kContactMiddleName = 0x4024001F;
inline constexpr CEPROPID kContactLastName = 0x3A11001F;
inline constexpr CEPROPID kContactSuffix = 0x3A05001F;
inline constexpr CEPROPID kContactCompanyName = 0x3A16001F;
inline constexpr CEPROPID kContactJobTitle = 0x3A17001F;
inline constexpr CEPROPID kContactDepartment = 0x3A18001F;
inline constexpr CEPROPID kContactOfficeLocation = 0x3A19001F;
inline constexpr CEPROPID kContactAssistantName = 0x4002001F;
inline constexpr CEPROPID kContactAssistantTelephoneNumber = 0x4004001F;
inline constexpr CEPROPID kContactSpouse = 0x4006001F;
inline constexpr CEPROPID kContactChildren = 0x400A001F;
inline constexpr CEPROPID kContactHomeAddressStreet = 0x4040001F;
inline constexpr CEPROPID kContactHomeAddressCity = 0x4041001F;
inline constexpr CEPROPID kContactHomeAddressState = 0x4042001F;
inline constexpr CEPROPID kContactHomeAddressPostalCode = 0x4043001F;
inline constexpr CEPROPID kContactHomeAddressCountry = 0x4044001F;
inline constexpr CEPROPID kContactBusinessAddressStreet = 0x4045001F;
inline constexpr CEPROPID kContactBusinessAddressCity = 0x4046001F;
inline constexpr CEPROPID kContactBusinessAddressState = 0x4047001F;
inline constexpr CEPROPID kContactBusinessAddressPostalCode = 0x4048001F;
inline constexpr CEPROPID kContactBusinessAddressCountry = 0x4049001F;
inline constexpr CEPROPID kContactOtherAddressStreet = 0x404A001F;
inline constexpr CEPROPID kContactOtherAddressCity = 0x404B001F;
inline constexpr CEPROPID kContactOtherAddressState = 0x404C001F;
inline constexpr CEPROPID kContactOtherAddressPostalCode = 0x404D001F;
inline constexpr CEPROPID kContactOtherAddressCountry = 0x404E001F;
inline constexpr CEPROPID kContactHomeTelephoneNumber = 0x3A09001F;
inline constexpr CEPROPID kContactHome2TelephoneNumber = 0x3A2F001F;
inline constexpr CEPROPID kContactHomeFaxNumber = 0x3A25001F;
inline constexpr CEPROPID kContactBusinessTelephoneNumber = 0x3A08001F;
inline constexpr CEPROPID kContactBusiness2TelephoneNumber = 0x4007001F;
inline constexpr CEPROPID kContactBusinessFaxNumber = 0x3A24001F;
inline constexpr CEPROPID kContactRadioTelephoneNumber = 0x3A1D001F;
inline constexpr CEPROPID kContactMobileTelephoneNumber = 0x3A1C001F;
inline constexpr CEPROPID kContactPagerNumber = 0x4009001F;
inline constexpr CEPROPID kContactCarTelephoneNumber = 0x3A1E001F;
inline constexpr CEPROPID kContactEmail1Address = 0x4083001F;
inline constexpr CEPROPID kContactEmail2Address = 0x4093001F;
inline constexpr CEPROPID kContactEmail3Address = 0x40A3001F;
inline constexpr CEPROPID kContactWebPage = 0x4008001F;
inline constexpr CEPROPID kContactYomiFirstName = 0x4025001F;
inline constexpr CEPROPID kContactYomiLastName = 0x4026001F;
inline constexpr CEPROPID kContactYomiCompanyName = 0x4027001F;
inline constexpr CEPROPID kContactBirthday = 0x40010040;
inline constexpr CEPROPID kContactAnniversary = 0x40030040;
inline constexpr CEPROPID kContactExtraText = 0x2A08001F;  // the suite's own text
// The identifier of the property that holds the preferred number.
inline constexpr CEPROPID kContactPreferredNumber = 0x00500003;

// ---- "\Categories Database" ----
// Sort order: kCategoryName case-insensitive.

inline constexpr CEPROPID kCategoryName = 0x4001001F;
inline constexpr CEPROPID kCategoryBitIndex = 0x40020002;  // 0..8191
// A number the category model carries (1 when absent); nothing here uses it.
inline constexpr CEPROPID kCategoryNumber4003 = 0x40030003;
// Flags a category list asked with a mask selects by: bit 1 of the mask by
// kCategoryMask1Flag, bit 2 by kCategoryMask2Flag, bit 4 by kCategoryMask4Flag.
inline constexpr CEPROPID kCategoryMask4Flag = 0x40040002;
inline constexpr CEPROPID kCategoryMask2Flag = 0x40050002;
inline constexpr CEPROPID kCategoryMask1Flag = 0x40060002;
inline constexpr CEPROPID kCategoryShown = 0x3004000B;  // true when absent

// ---- "KestrelLinks" ----
// One record per directed link. Sort orders (each case-insensitive):
// kLinkSource, kLinkNumber, kLinkTarget.

inline constexpr CEPROPID kLinkNumber = 0x00000003;  // one more than the highest stored
inline constexpr CEPROPID kLinkSource = 0x00010003;  // OID of the item that owns the link
inline constexpr CEPROPID kLinkTarget = 0x00020003;  // OID of the linked item; 0 for a file
inline constexpr CEPROPID kLinkPath = 0x0003001F;    // the linked file
inline constexpr CEPROPID kLinkKind = 0x00040003;    // 1 file, 2 contact, 3 appointment, 4 task, 8 note
inline constexpr CEPROPID kLinkFlag = 0x00050003;    // given by the creator; 1 between items
inline constexpr CEPROPID kLinkTitle = 0x0006001F;   // the target's title (kind 8)

// ---- "KestrelJournal_2" ----
// Sort orders: kJournalParent, kJournalCreated, kJournalModified,
// kJournalNumber1. File times are local, stored without zone conversion.

inline constexpr CEPROPID kJournalNumber1 = 0x00280003;
inline constexpr CEPROPID kJournalNumber2 = 0x00290003;
inline constexpr CEPROPID kJournalNumber3 = 0x002A0003;
inline constexpr CEPROPID kJournalStart = 0x002B0040;
inline constexpr CEPROPID kJournalModified = 0x002C0040;
inline constexpr CEPROPID kJournalCreated = 0x002D0040;
inline constexpr CEPROPID kJournalParent = 0x002E0003;      // the item's OID; 0 for none
inline constexpr CEPROPID kJournalPlainNotes = 0x002F001F;  // older entries; never written
inline constexpr CEPROPID kJournalSubject = 0x0030001F;
inline constexpr CEPROPID kJournalType = 0x0031001F;
inline constexpr CEPROPID kJournalDuration = 0x00320013;    // minutes
inline constexpr CEPROPID kJournalFalseFlag = 0x0033000B;   // written false, never read
inline constexpr CEPROPID kJournalParentText = 0x0034001F;  // also the category text
inline constexpr CEPROPID kJournalText3 = 0x0035001F;
inline constexpr CEPROPID kJournalPageFlag = 0x0036000B;
inline constexpr CEPROPID kJournalNotes = 0x00370041;

// ---- "KS_Projects" ----
// Sort orders: kProjectName, then kProjectMarker.

inline constexpr CEPROPID kProjectName = 0x0020001F;
inline constexpr CEPROPID kProjectMarker = 0x61000012;  // written as 3 when the project is made

// ---- "KS_Notifications" ----
// One record per user notification (platform/objectstore/user_notifications.h),
// its fields as in CE_NOTIFICATION_TRIGGER and CE_USER_NOTIFICATION. Sort
// order: kNotificationStart, records without it first.

inline constexpr CEPROPID kNotificationType = 0x7F000013;
inline constexpr CEPROPID kNotificationEvent = 0x7F010013;
inline constexpr CEPROPID kNotificationApplication = 0x7F02001F;
inline constexpr CEPROPID kNotificationArguments = 0x7F03001F;
inline constexpr CEPROPID kNotificationStart = 0x7F040040;  // local FILETIME
inline constexpr CEPROPID kNotificationEnd = 0x7F050040;    // local FILETIME
// The user notification's fields; a record without kNotificationActions has none.
inline constexpr CEPROPID kNotificationActions = 0x7F060013;
inline constexpr CEPROPID kNotificationDialogTitle = 0x7F07001F;
inline constexpr CEPROPID kNotificationDialogText = 0x7F08001F;
inline constexpr CEPROPID kNotificationSound = 0x7F09001F;
inline constexpr CEPROPID kNotificationMaxSound = 0x7F0A0013;
inline constexpr CEPROPID kNotificationReserved = 0x7F0B0013;
// 1 once the notification has been shown; setting it again removes the mark.
inline constexpr CEPROPID kNotificationHandled = 0x7F0C0013;

// ---- "KS_CallLog" ----
// One record per call (platform/objectstore/call_log.h). Sort order:
// kCallStart descending.

inline constexpr CEPROPID kCallNumber = 0x7E00001F;     // absent: number withheld
inline constexpr CEPROPID kCallName = 0x7E01001F;       // absent: none known
inline constexpr CEPROPID kCallStart = 0x7E020040;      // UTC FILETIME
inline constexpr CEPROPID kCallDuration = 0x7E030013;   // seconds
inline constexpr CEPROPID kCallDirection = 0x7E040013;  // 0 incoming, 1 outgoing
inline constexpr CEPROPID kCallMissed = 0x7E05000B;     // incoming calls only
inline constexpr CEPROPID kCallContact = 0x7E060013;    // the contact's OID; absent when unknown

// ---- "Sample Database" ----
// One property of each value type. Sort orders: kSampleTitle
// case-insensitive, kSampleDue descending with records without it first,
// kSamplePriority.

inline constexpr CEPROPID kSampleTitle = 0x0001001F;
inline constexpr CEPROPID kSamplePriority = 0x00020002;
inline constexpr CEPROPID kSampleBalance = 0x00030003;
inline constexpr CEPROPID kSampleScore = 0x00040005;
inline constexpr CEPROPID kSampleDone = 0x0005000B;
inline constexpr CEPROPID kSampleCount = 0x00060012;
inline constexpr CEPROPID kSampleFlags = 0x00070013;
inline constexpr CEPROPID kSampleDue = 0x00080040;
inline constexpr CEPROPID kSampleAttachment = 0x00090041;

// ---- The table of rows ----

// One row of docs/store-schema.md: a database, an identifier in it and the
// name of its constant. The schema test compares the two both ways.
struct StoreSchemaRow {
    const WCHAR* database;
    CEPROPID id;
    const char* constant;
};

#define KS_STORE_ROW(database, constant) \
    StoreSchemaRow { database, constant, #constant }

inline constexpr StoreSchemaRow kStoreSchemaRows[] = {
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentStart),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentDuration),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentAllDay),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentReminderSet),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentReminderMinutes),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentMeetingStatus),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentUnused4223),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentSensitivity),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentBusyStatus),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentSubject),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentLocation),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentExtraText),
    KS_STORE_ROW(kAppointmentsDatabase, kItemNote),
    KS_STORE_ROW(kAppointmentsDatabase, kItemCategories),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentRecurrencePattern),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentAttendees),
    KS_STORE_ROW(kAppointmentsDatabase, kAppointmentTimeZone),

    KS_STORE_ROW(kTasksDatabase, kTaskSensitivity),
    KS_STORE_ROW(kTasksDatabase, kTaskComplete),
    KS_STORE_ROW(kTasksDatabase, kTaskDateCompleted),
    KS_STORE_ROW(kTasksDatabase, kTaskStartDate),
    KS_STORE_ROW(kTasksDatabase, kTaskDueDate),
    KS_STORE_ROW(kTasksDatabase, kTaskImportance),
    KS_STORE_ROW(kTasksDatabase, kTaskIconText),
    KS_STORE_ROW(kTasksDatabase, kTaskSubject),
    KS_STORE_ROW(kTasksDatabase, kTaskRecurring),
    KS_STORE_ROW(kTasksDatabase, kTaskRecurrencePattern),
    KS_STORE_ROW(kTasksDatabase, kTaskReminderSet),
    KS_STORE_ROW(kTasksDatabase, kTaskReminderTime),
    KS_STORE_ROW(kTasksDatabase, kTaskReminderOptions),
    KS_STORE_ROW(kTasksDatabase, kTaskReminderSoundFile),
    KS_STORE_ROW(kTasksDatabase, kTaskTeamTask),
    KS_STORE_ROW(kTasksDatabase, kItemNote),
    KS_STORE_ROW(kTasksDatabase, kItemCategories),
    KS_STORE_ROW(kTasksDatabase, kTaskParent),
    KS_STORE_ROW(kTasksDatabase, kTaskPercentComplete),
    KS_STORE_ROW(kTasksDatabase, kTaskReminderLeadMinutes),
    KS_STORE_ROW(kTasksDatabase, kTaskNotificationHandle),

    KS_STORE_ROW(kContactsDatabase, kContactFileAs),
    KS_STORE_ROW(kContactsDatabase, kContactTitle),
    KS_STORE_ROW(kContactsDatabase, kContactFirstName),
    KS_STORE_ROW(kContactsDatabase, kContactMiddleName),
    KS_STORE_ROW(kContactsDatabase, kContactLastName),
    KS_STORE_ROW(kContactsDatabase, kContactSuffix),
    KS_STORE_ROW(kContactsDatabase, kContactCompanyName),
    KS_STORE_ROW(kContactsDatabase, kContactJobTitle),
    KS_STORE_ROW(kContactsDatabase, kContactDepartment),
    KS_STORE_ROW(kContactsDatabase, kContactOfficeLocation),
    KS_STORE_ROW(kContactsDatabase, kContactAssistantName),
    KS_STORE_ROW(kContactsDatabase, kContactAssistantTelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactSpouse),
    KS_STORE_ROW(kContactsDatabase, kContactChildren),
    KS_STORE_ROW(kContactsDatabase, kContactHomeAddressStreet),
    KS_STORE_ROW(kContactsDatabase, kContactHomeAddressCity),
    KS_STORE_ROW(kContactsDatabase, kContactHomeAddressState),
    KS_STORE_ROW(kContactsDatabase, kContactHomeAddressPostalCode),
    KS_STORE_ROW(kContactsDatabase, kContactHomeAddressCountry),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessAddressStreet),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessAddressCity),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessAddressState),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessAddressPostalCode),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessAddressCountry),
    KS_STORE_ROW(kContactsDatabase, kContactOtherAddressStreet),
    KS_STORE_ROW(kContactsDatabase, kContactOtherAddressCity),
    KS_STORE_ROW(kContactsDatabase, kContactOtherAddressState),
    KS_STORE_ROW(kContactsDatabase, kContactOtherAddressPostalCode),
    KS_STORE_ROW(kContactsDatabase, kContactOtherAddressCountry),
    KS_STORE_ROW(kContactsDatabase, kContactHomeTelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactHome2TelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactHomeFaxNumber),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessTelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactBusiness2TelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactBusinessFaxNumber),
    KS_STORE_ROW(kContactsDatabase, kContactRadioTelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactMobileTelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactPagerNumber),
    KS_STORE_ROW(kContactsDatabase, kContactCarTelephoneNumber),
    KS_STORE_ROW(kContactsDatabase, kContactEmail1Address),
    KS_STORE_ROW(kContactsDatabase, kContactEmail2Address),
    KS_STORE_ROW(kContactsDatabase, kContactEmail3Address),
    KS_STORE_ROW(kContactsDatabase, kContactWebPage),
    KS_STORE_ROW(kContactsDatabase, kContactYomiFirstName),
    KS_STORE_ROW(kContactsDatabase, kContactYomiLastName),
    KS_STORE_ROW(kContactsDatabase, kContactYomiCompanyName),
    KS_STORE_ROW(kContactsDatabase, kContactBirthday),
    KS_STORE_ROW(kContactsDatabase, kContactAnniversary),
    KS_STORE_ROW(kContactsDatabase, kContactExtraText),
    KS_STORE_ROW(kContactsDatabase, kItemNote),
    KS_STORE_ROW(kContactsDatabase, kItemCategories),
    KS_STORE_ROW(kContactsDatabase, kContactPreferredNumber),

    KS_STORE_ROW(kCategoriesDatabase, kCategoryName),
    KS_STORE_ROW(kCategoriesDatabase, kCategoryBitIndex),
    KS_STORE_ROW(kCategoriesDatabase, kCategoryNumber4003),
    KS_STORE_ROW(kCategoriesDatabase, kCategoryMask4Flag),
    KS_STORE_ROW(kCategoriesDatabase, kCategoryMask2Flag),
    KS_STORE_ROW(kCategoriesDatabase, kCategoryMask1Flag),
    KS_STORE_ROW(kCategoriesDatabase, kCategoryShown),

    KS_STORE_ROW(kLinksDatabase, kLinkNumber),
    KS_STORE_ROW(kLinksDatabase, kLinkSource),
    KS_STORE_ROW(kLinksDatabase, kLinkTarget),
    KS_STORE_ROW(kLinksDatabase, kLinkPath),
    KS_STORE_ROW(kLinksDatabase, kLinkKind),
    KS_STORE_ROW(kLinksDatabase, kLinkFlag),
    KS_STORE_ROW(kLinksDatabase, kLinkTitle),

    KS_STORE_ROW(kJournalDatabase, kJournalNumber1),
    KS_STORE_ROW(kJournalDatabase, kJournalNumber2),
    KS_STORE_ROW(kJournalDatabase, kJournalNumber3),
    KS_STORE_ROW(kJournalDatabase, kJournalStart),
    KS_STORE_ROW(kJournalDatabase, kJournalModified),
    KS_STORE_ROW(kJournalDatabase, kJournalCreated),
    KS_STORE_ROW(kJournalDatabase, kJournalParent),
    KS_STORE_ROW(kJournalDatabase, kJournalPlainNotes),
    KS_STORE_ROW(kJournalDatabase, kJournalSubject),
    KS_STORE_ROW(kJournalDatabase, kJournalType),
    KS_STORE_ROW(kJournalDatabase, kJournalDuration),
    KS_STORE_ROW(kJournalDatabase, kJournalFalseFlag),
    KS_STORE_ROW(kJournalDatabase, kJournalParentText),
    KS_STORE_ROW(kJournalDatabase, kJournalText3),
    KS_STORE_ROW(kJournalDatabase, kJournalPageFlag),
    KS_STORE_ROW(kJournalDatabase, kJournalNotes),

    KS_STORE_ROW(kProjectsDatabase, kProjectName),
    KS_STORE_ROW(kProjectsDatabase, kProjectMarker),

    KS_STORE_ROW(kNotificationsDatabase, kNotificationType),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationEvent),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationApplication),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationArguments),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationStart),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationEnd),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationActions),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationDialogTitle),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationDialogText),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationSound),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationMaxSound),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationReserved),
    KS_STORE_ROW(kNotificationsDatabase, kNotificationHandled),

    KS_STORE_ROW(kCallLogDatabase, kCallNumber),
    KS_STORE_ROW(kCallLogDatabase, kCallName),
    KS_STORE_ROW(kCallLogDatabase, kCallStart),
    KS_STORE_ROW(kCallLogDatabase, kCallDuration),
    KS_STORE_ROW(kCallLogDatabase, kCallDirection),
    KS_STORE_ROW(kCallLogDatabase, kCallMissed),
    KS_STORE_ROW(kCallLogDatabase, kCallContact),

    KS_STORE_ROW(kSampleDatabase, kSampleTitle),
    KS_STORE_ROW(kSampleDatabase, kSamplePriority),
    KS_STORE_ROW(kSampleDatabase, kSampleBalance),
    KS_STORE_ROW(kSampleDatabase, kSampleScore),
    KS_STORE_ROW(kSampleDatabase, kSampleDone),
    KS_STORE_ROW(kSampleDatabase, kSampleCount),
    KS_STORE_ROW(kSampleDatabase, kSampleFlags),
    KS_STORE_ROW(kSampleDatabase, kSampleDue),
    KS_STORE_ROW(kSampleDatabase, kSampleAttachment),
};

#undef KS_STORE_ROW
