// The external notes program's library ("pwnotesapi.dll"), reached through
// the platform's library loader. Most devices have no such program: then
// the library does not load and the notes list shows file notes only. Each
// function is looked up by name; a missing one leaves its part out.
//
// The library is loaded once per process, by the first notes loader, and
// stays loaded.
#pragma once

#include <cstddef>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/gdi/gdi_types.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/system_time.h"

inline constexpr const WCHAR* kNotesLibraryName = u"pwnotesapi.dll";
// What the note search asks the external program for: its property 2 (a
// string). A property of that program's database, not of our store.
inline constexpr DWORD kNotesLibraryNoteProps = MAKEPROPID(2, CEVT_LPWSTR);
inline constexpr int kNotesLibraryTextChars = 128;
inline constexpr int kNotesLibraryNameChars = 260;

// The note record "PWN_GetNoteData" fills (the caller zeroes it and sets
// the size).
struct PWN_NOTE_RECORD {
    DWORD size;
    DWORD oid;  // 0: the note is skipped
    WCHAR title[kNotesLibraryTextChars];
    WCHAR category[kNotesLibraryTextChars];
    DWORD colourIndex;  // 0 to 4
    DWORD reserved;     // kept in the row's reserved member
    DWORD isPrivate;
    DWORD pad;
    SYSTEMTIME modified;
    SYSTEMTIME created;
    // This library's own addition: the alarm the program keeps for the note
    // (PWN_CreateNotification), all zero when none.
    SYSTEMTIME alarm;
};
static_assert(sizeof(PWN_NOTE_RECORD) == 584 && offsetof(PWN_NOTE_RECORD, title) == 8 &&
                  offsetof(PWN_NOTE_RECORD, category) == 264 && offsetof(PWN_NOTE_RECORD, colourIndex) == 520 &&
                  offsetof(PWN_NOTE_RECORD, isPrivate) == 528 && offsetof(PWN_NOTE_RECORD, modified) == 536 &&
                  offsetof(PWN_NOTE_RECORD, created) == 552 && offsetof(PWN_NOTE_RECORD, alarm) == 568,
              "the library fills this record by its offsets");

// The record "PWN_CreateNoteFromRTF" takes for a new note (the caller
// zeroes it and sets the size).
// Packed to 4 bytes: the record's size is fixed at 532 whatever the width
// of a pointer.
inline constexpr int kNotesLibraryShortTextChars = 64;
#pragma pack(push, 4)
struct PWN_NEW_NOTE_RECORD {
    DWORD size;
    WCHAR title[kNotesLibraryShortTextChars];     // zero-terminated, cut to fit
    WCHAR category[kNotesLibraryShortTextChars];  // zero-terminated, cut to fit
    DWORD pad;
    const char* richText;  // the note's rich text, zero-terminated
    DWORD flags;           // 1
    BYTE tail[532 - 276];
};
#pragma pack(pop)
static_assert(sizeof(PWN_NEW_NOTE_RECORD) == 532 && offsetof(PWN_NEW_NOTE_RECORD, richText) == 264 &&
                  offsetof(PWN_NEW_NOTE_RECORD, flags) == 272,
              "the library reads this record by its offsets");

// Properties of a note that "PWN_UpdateNoteProperty" writes.
inline constexpr DWORD kNotesLibraryPropCategory = 3;
inline constexpr DWORD kNotesLibraryPropText = 4;

struct KSTOOLS_API NotesLibrary {
    using FindNextDatabaseFn = DWORD (*)(DWORD handle);
    using GetDatabaseOidFn = LONG (*)(DWORD handle);
    using GetDatabaseNameFn = int (*)(DWORD handle, WCHAR* name);  // kNotesLibraryNameChars
    using CloseFindDBHandleFn = void (*)(DWORD handle);
    using FindNextNoteFn = DWORD (*)(LONG database, DWORD handle, DWORD props);
    using GetNoteDataFn = int (*)(DWORD note, PWN_NOTE_RECORD* record);
    using CloseFindNoteHandleFn = void (*)(DWORD handle);
    // A new text (new WCHAR[]), freed with delete[]; null when none.
    using GetNotePreviewTextFn = WCHAR* (*)(LONG database, LONG note);

    // The calls of one note (CAlarmNote). Each returns non-zero (or the new
    // note's OID) on success.
    using GetNoteDataFromOidFn = int (*)(LONG database, LONG note, PWN_NOTE_RECORD* record);
    using UpdateNotePropertyFn = int (*)(LONG database, LONG note, DWORD property, const WCHAR* value);
    using CreateNoteFromRtfFn = LONG (*)(LONG database, const PWN_NEW_NOTE_RECORD* record);
    using CreateNotificationFn = int (*)(LONG database, LONG note, const SYSTEMTIME* time);
    using CreateCopyFn = LONG (*)(LONG database, LONG note);
    using RenameNoteFn = int (*)(LONG database, LONG note, const WCHAR* title);
    using DeleteNoteFn = int (*)(LONG database, LONG note);

    FindNextDatabaseFn findNextDatabase = nullptr;
    GetDatabaseOidFn getDatabaseOid = nullptr;
    GetDatabaseNameFn getDatabaseName = nullptr;
    CloseFindDBHandleFn closeFindDBHandle = nullptr;
    FindNextNoteFn findNextNote = nullptr;
    GetNoteDataFn getNoteData = nullptr;
    CloseFindNoteHandleFn closeFindNoteHandle = nullptr;
    GetNotePreviewTextFn getNotePreviewText = nullptr;
    GetNoteDataFromOidFn getNoteDataFromOid = nullptr;
    UpdateNotePropertyFn updateNoteProperty = nullptr;
    CreateNoteFromRtfFn createNoteFromRtf = nullptr;
    CreateNotificationFn createNotification = nullptr;
    CreateCopyFn createCopy = nullptr;
    RenameNoteFn renameNote = nullptr;
    DeleteNoteFn deleteNote = nullptr;

    // Every function the database part needs is there.
    bool HasDatabases() const
    {
        return findNextDatabase && getDatabaseOid && getDatabaseName && findNextNote && getNoteData;
    }

    // The process's library, loaded on the first call; functions null when
    // it or they are absent. Loaders keep a copy of it.
    static const NotesLibrary& Get();
    // Unloads the library so that the next Get loads it again: for a plug-in
    // registered or removed after the first loader was made. No loader may
    // be running.
    static void Reload();
};

// The row colour of a colour index; 0 for an index out of range.
KSTOOLS_API COLORREF NoteColourOfIndex(DWORD index);
