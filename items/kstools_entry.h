/* The library's plain entry points, callable from C (and from any language
 * with a C foreign-function interface, Python's ctypes for one).
 *
 * Life cycle: every program calls InitKSTools once at start and
 * UnInitKSTools at the end. The first InitKSTools creates the process-wide
 * objects (the category list, the screen scaling values, the resource
 * library, the grid alignments, the default bold font, the store object);
 * further calls while initialised do nothing, and the first UnInitKSTools
 * afterwards releases everything. Unloading the library does the same.
 *
 * Item functions open an editor for a stored item, or create a new item,
 * without the caller knowing the item classes. They call InitKSTools first.
 * The editors are headless: an editor loads the item and shows it through
 * the process's UI host (a message box with OK and Cancel); its result is
 * the button chosen, IDOK (1) or IDCANCEL (2).
 *
 * Text is UTF-16 (KSWCHAR); times are the object model's dates (days since
 * 30 December 1899, 949998.0 for none) or KSSYSTEMTIME values. */
#ifndef KSTOOLS_ITEMS_KSTOOLS_ENTRY_H
#define KSTOOLS_ITEMS_KSTOOLS_ENTRY_H

#include "platform/base/export.h"

#ifdef __cplusplus
#include <cstdint>
/* ShowError (C++ only: two overloads): a message box with the error icon,
 * on top, with a printf-style text or the system's text of the last error. */
#include "items/show_error.h"
typedef char16_t KSWCHAR;
extern "C" {
#else
#include <stdint.h>
typedef uint16_t KSWCHAR;
#endif

/* The same layout as the platform's SYSTEMTIME. */
typedef struct KSSYSTEMTIME {
    uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
} KSSYSTEMTIME;

/* ---- Screen scaling, set by the first InitKSTools ---- */

/* Logical pixels per inch; the small-icon width and its special size (24
 * for 32, 13 for 16); the border width; the font scale (LogPixelsY / 96,
 * truncated); nonzero for a square screen. */
KSTOOLS_API extern int g_HIDPI_LogPixelsX;
KSTOOLS_API extern int g_HIDPI_LogPixelsY;
KSTOOLS_API extern int g_HIDPI_IconPixels;
KSTOOLS_API extern int g_HIDPI_IconPixels_Special;
KSTOOLS_API extern int g_HIDPI_BorderPixels;
KSTOOLS_API extern int g_HIDPI_KSFontScale;
KSTOOLS_API extern int g_bSquareScreen;

/* ---- Life cycle and accessors ---- */

/* store: a COutlook object that becomes the library's (and is deleted by
 * UnInitKSTools), or null for the library's own. initializeCom: call
 * CoInitializeEx first ("Cannot initialize COM" is shown when it fails). */
KSTOOLS_API void InitKSTools(void* store, int initializeCom);
KSTOOLS_API void UnInitKSTools(void);
/* The initialisation count: 1 while initialised, else 0. */
KSTOOLS_API int GetKSToolsInitCount(void);

/* The suite's data directory (a device path), found when first needed. */
KSTOOLS_API void InitCorvidDirectory(void);
KSTOOLS_API const KSWCHAR* GetCorvidDirectory(void);
/* buffer: at least 200 characters. The string "ResourcesLoc" of
 * "Software\Corvid\Kestrel", else "\WINDOWS\KSResources.dll". */
KSTOOLS_API void GetResourcesPath(KSWCHAR* buffer);
/* buffer: at least 260 characters. "UtilsInstallDir" of
 * "Software\Corvid\Kestrel", or "\WINDOWS" when missing or empty. */
KSTOOLS_API void GetKSUtilsPath(KSWCHAR* buffer);
/* The store object (a COutlook); null while not initialised. */
KSTOOLS_API void* GetOutlookObject(void);
/* The grid's left paragraph alignment: 0, or 2 when the sides are swapped. */
KSTOOLS_API uint32_t GetLeftDefine(void);
/* 0 unknown, 2 Pocket PC 2002 class (3.x above build 11000), 3 version 4,
 * 4 version 5 other than 5.2, 5 version 5.2. */
KSTOOLS_API int GetPlatformVersion(void);
/* The top-most ancestor of the active window (HWND), and the running
 * program's module (HINSTANCE). */
KSTOOLS_API void* CeGetAppWindow(void);
KSTOOLS_API void* CeGetAppInstance(void);
/* Makes the suite the program the device starts for its calendar, contacts
 * and tasks buttons (nonzero), or gives them back (0). */
KSTOOLS_API void SetDefaultPIM(int makeDefault);

/* ---- Items ---- */

/* Tasks: D_Task gives 1 when the task cannot be read, else the editor's
 * result. C_Task shows the new task; it is saved when accepted: 1 saved,
 * 0 not. */
KSTOOLS_API int D_Task(uint32_t oid, int editorArgument, int flag);
KSTOOLS_API int DisplayTaskWindowExtern(uint32_t oid, int editorArgument);
KSTOOLS_API int C_Task(double date, const KSWCHAR* subject, int editorArgument);
KSTOOLS_API int C_TaskST(const KSSYSTEMTIME* date, const KSWCHAR* subject, int editorArgument);
KSTOOLS_API int CreateTaskExtern(double date, uint16_t ignored, int editorArgument);
/* Sets (clear 0) or clears the alarm of task oid; nonzero when done. */
KSTOOLS_API int TaskAlarmSave(uint32_t oid, const KSWCHAR* text, const KSSYSTEMTIME* time, int clear,
                              const KSWCHAR* unused);

/* Appointments: D_Appt gives 2 when the appointment cannot be read; a date
 * of 0.0 opens the series, another date the occurrence on that day. */
KSTOOLS_API int D_Appt(uint32_t oid, double date, int editorArgument, int flag);
KSTOOLS_API int DisplayAppointmentWindowExtern(uint32_t oid, double date, int editorArgument);
KSTOOLS_API int C_Appt(double date, int durationMinutes, const KSWCHAR* subject, int editorArgument);
KSTOOLS_API int C_ApptST(const KSSYSTEMTIME* date, int durationMinutes, const KSWCHAR* subject, int editorArgument);
KSTOOLS_API int CreateAppointmentExtern(double date, uint16_t ignored, int editorArgument);

/* Any item by its OID: the editor of its kind, 2 when nothing was opened. */
KSTOOLS_API int D_PIM(uint32_t oid, int flag);
/* Contacts: 2 when the contact cannot be read. */
KSTOOLS_API int D_Contact(uint32_t oid, int editorArgument, int flag);
KSTOOLS_API int DisplayContactWindowExtern(uint32_t oid, int editorArgument);
/* A new contact, saved when its editor is accepted: 1 saved, 0 not. */
KSTOOLS_API int CreateContactExtern(void);

/* Alarm notes, by their device paths. CreateAlarmNoteExtern makes a new ink
 * note in the default folder; D_Note opens the note stored at path, or makes
 * a new one there (in the path's folder, under its file name) when there is
 * no such file. A new note is kept only when its editor is accepted. Both
 * give the editor's result, 0 when nothing was opened or made.
 * DeleteAlarmNoteFile deletes the note at path with its attributes and
 * alarm: 1 deleted, 0 not (no such note, or the file cannot be deleted). */
KSTOOLS_API int CreateAlarmNoteExtern(void);
KSTOOLS_API int DeleteAlarmNoteFile(const KSWCHAR* path);
KSTOOLS_API int D_Note(const KSWCHAR* path);

/* A new journal entry collected for a parent window; always 2. */
KSTOOLS_API int C_Journal(void* parentWindow);

#ifdef __cplusplus
}
#endif

#endif
