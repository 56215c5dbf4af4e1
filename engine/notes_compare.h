// Row comparisons of the notes list. Every comparison starts with the basic
// order: null rows last, external databases and their notes before other
// rows, folders before notes, two folders by name ascending whatever the
// direction; two notes go on to the key. The key's result follows the
// direction carried in the comparison's user value (kNotesSortAscending or
// kNotesSortDescending), so lists of several loaders sort at the same time.
#pragma once

#include "engine/data_notes.h"
#include "platform/base/export.h"

inline constexpr unsigned long kNotesSortAscending = 0;
inline constexpr unsigned long kNotesSortDescending = 1;

// Sort keys ("dwSort").
inline constexpr DWORD kNotesSortSubject = 0;
inline constexpr DWORD kNotesSortAlarm = 1;
inline constexpr DWORD kNotesSortCreated = 2;
inline constexpr DWORD kNotesSortModified = 3;
inline constexpr DWORD kNotesSortSize = 4;
inline constexpr DWORD kNotesSortCategory = 5;

using NotesCompareFn = int (*)(DATANOTES* const&, DATANOTES* const&, unsigned long);

// The comparison of a sort key; any unknown key sorts by subject.
KSTOOLS_API NotesCompareFn NotesComparison(DWORD key);

KSTOOLS_API int NotesCompareSubject(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
KSTOOLS_API int NotesCompareAlarmTime(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
KSTOOLS_API int NotesCompareCreatedTime(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
KSTOOLS_API int NotesCompareModifiedTime(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
KSTOOLS_API int NotesCompareSize(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
KSTOOLS_API int NotesCompareCategory(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
// Ids ascending, no basic order: finding a row by id.
KSTOOLS_API int NotesCompareOID(DATANOTES* const& a, DATANOTES* const& b, unsigned long user);
