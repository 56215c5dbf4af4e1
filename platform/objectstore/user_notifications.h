// User notifications: alarms and scheduled program starts, kept as records of
// the object-store database "KS_Notifications" so that they outlive the
// process that set them and can be listed and checked by any other.
//
// A notification's handle is the OID of its record, carried in a HANDLE
// (reinterpret_cast of the OID; 0 means none). Unlike kernel handles it is
// not closed and stays valid in every process until CeClearUserNotification,
// which is why callers may write it into records and files. The database is
// created the first time a notification is set; it sorts its records by
// start time.
//
// Each record holds the kNotification* properties of
// platform/objectstore/store_schema.h (private numbers 0x7F00..0x7F0F; their
// meanings in docs/store-schema.md): the trigger's fields, and those of the
// CE_USER_NOTIFICATION exactly when the notification carries one. Null
// strings are left out of the record and read back as null pointers; empty
// strings read back as empty strings.
//
// Failures return FALSE or a null handle and set the last error:
// ERROR_INVALID_PARAMETER for bad arguments (nothing is stored then),
// ERROR_INVALID_HANDLE for a handle that names no notification,
// ERROR_INSUFFICIENT_BUFFER when a caller's buffer is too small, or the
// object store's own error when it cannot be read or written.
#pragma once

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/system_time.h"

// Actions of a user notification (ActionFlags).
constexpr DWORD PUN_LED = 1;
constexpr DWORD PUN_VIBRATE = 2;
constexpr DWORD PUN_DIALOG = 4;
constexpr DWORD PUN_SOUND = 8;
constexpr DWORD PUN_REPEAT = 16;

// Trigger types (dwType).
constexpr DWORD CNT_EVENT = 1;        // start the application on a system event
constexpr DWORD CNT_TIME = 2;         // start the application at the start time
constexpr DWORD CNT_PERIOD = 3;       // show the notification from start to end
constexpr DWORD CNT_CLASSICTIME = 4;  // the form CeSetUserNotification sets

// System events of CNT_EVENT triggers (dwEvent).
constexpr DWORD NOTIFICATION_EVENT_NONE = 0;
constexpr DWORD NOTIFICATION_EVENT_TIME_CHANGE = 1;
constexpr DWORD NOTIFICATION_EVENT_SYNC_END = 2;
constexpr DWORD NOTIFICATION_EVENT_DEVICE_CHANGE = 7;
constexpr DWORD NOTIFICATION_EVENT_RS232_DETECTED = 9;
constexpr DWORD NOTIFICATION_EVENT_RESTORE_END = 10;
constexpr DWORD NOTIFICATION_EVENT_WAKEUP = 11;
constexpr DWORD NOTIFICATION_EVENT_TZ_CHANGE = 12;

// Status bits in CE_NOTIFICATION_INFO_HEADER: the trigger time has come; the
// notification has been shown (MarkUserNotificationHandled).
constexpr DWORD CNS_SIGNALLED = 1;
constexpr DWORD CNS_HANDLED = 2;

struct CE_USER_NOTIFICATION {
    DWORD ActionFlags;
    LPWSTR pwszDialogTitle;
    LPWSTR pwszDialogText;
    LPWSTR pwszSound;
    DWORD nMaxSound;
    DWORD dwReserved;
};
using PCE_USER_NOTIFICATION = CE_USER_NOTIFICATION*;

struct CE_NOTIFICATION_TRIGGER {
    DWORD dwSize;  // sizeof(CE_NOTIFICATION_TRIGGER)
    DWORD dwType;
    DWORD dwEvent;
    LPWSTR lpszApplication;
    LPWSTR lpszArguments;
    SYSTEMTIME stStartTime;  // local time
    SYSTEMTIME stEndTime;    // local time
};
using PCE_NOTIFICATION_TRIGGER = CE_NOTIFICATION_TRIGGER*;

// What CeGetUserNotification writes at the start of the caller's buffer; the
// trigger, the user notification and their strings follow it in the same
// buffer. pceun is null for a notification set without one. dwStatus is
// CNS_SIGNALLED when a timed trigger's start time is not after the current
// local time, else 0.
struct CE_NOTIFICATION_INFO_HEADER {
    HANDLE hNotification;
    DWORD dwStatus;
    CE_NOTIFICATION_TRIGGER* pcent;
    CE_USER_NOTIFICATION* pceun;
};
using PCE_NOTIFICATION_INFO_HEADER = CE_NOTIFICATION_INFO_HEADER*;

// Sets a CNT_CLASSICTIME notification for `application` (may be null) at the
// local `time` (start and end) showing `notification` (required). existing 0
// makes a new notification; otherwise that one is replaced and keeps its
// handle. Returns the handle, 0 on failure.
HANDLE CeSetUserNotification(HANDLE existing, LPCWSTR application, SYSTEMTIME* time,
                             CE_USER_NOTIFICATION* notification);

// Sets a notification of any trigger type, as CeSetUserNotification does.
// The trigger is required, with dwSize == sizeof(CE_NOTIFICATION_TRIGGER):
//   CNT_EVENT        application and a non-zero dwEvent; times are ignored
//   CNT_TIME         application and a valid start time
//   CNT_PERIOD       a user notification and start and end times, end not
//                    before start
//   CNT_CLASSICTIME  a user notification and a valid start time
// An end time of all zeros means the start time (for CNT_PERIOD too, which
// then fails unless the end is valid). The user notification may be null for
// CNT_EVENT and CNT_TIME; its ActionFlags may only hold PUN_* bits.
HANDLE CeSetUserNotificationEx(HANDLE existing, CE_NOTIFICATION_TRIGGER* trigger, CE_USER_NOTIFICATION* notification);

// Fills `buffer` with a CE_NOTIFICATION_INFO_HEADER followed by the trigger,
// the user notification and the strings they point to. *bytesNeeded
// (required) receives the size this takes; a bufferSize below it fails with
// ERROR_INSUFFICIENT_BUFFER (buffer may then be null). The buffer must be
// aligned for pointers (any block from LocalAlloc or new is), else
// ERROR_INVALID_PARAMETER.
BOOL CeGetUserNotification(HANDLE notification, UINT bufferSize, UINT* bytesNeeded, BYTE* buffer);

// Removes the notification; its handle names nothing afterwards.
BOOL CeClearUserNotification(HANDLE notification);

// Marks the notification as shown: its status carries CNS_HANDLED until it is
// set again (CeSetUserNotification*), which is how whoever shows alarms keeps
// from showing one twice, also across restarts. The handle stays valid.
BOOL MarkUserNotificationHandled(HANDLE notification);

// Writes the handles of all notifications, ordered by start time (event
// triggers first), into buffer. *needed (required) receives their number;
// when it exceeds count the call fails with ERROR_INSUFFICIENT_BUFFER and
// writes nothing (buffer may then be null).
BOOL CeGetUserNotificationHandles(HANDLE* buffer, DWORD count, DWORD* needed);
